/* QvMulti.h: the contract between the lobby module and its host.
 *
 * This header is what a host compiles against to load the module, fill the
 * launch record, run a lobby visit, read the outcome, and to implement the
 * chat-service table and the records it exchanges with the module. The module
 * is a 32-bit library (QvMulti.dll, libQvMulti.so) with one export,
 * QueryInterface. It does not run alone: when it is loaded it imports the
 * host's six libraries (QvWin, QvSound, QvLang, QvZendriClient, Corvel,
 * Pellick; their interfaces are the package's include/host headers), which the
 * host provides, or, for trying the module, the reference builds of them in the
 * package's reference-host folder. Every layout below is binding: each offset
 * is checked when the header is compiled.
 *
 * Plain C (C11 or later) and C++; all records are little-endian, pointers are
 * 32-bit. Functions of the table and of the chat service use the C calling
 * convention (cdecl on Windows). docs/host.md is the guide.
 */
#ifndef QVMULTI_H
#define QVMULTI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define QV_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define QV_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#if defined(_WIN32)
#define QV_CALL __cdecl
#else
#define QV_CALL
#endif

/* The module defines QVMULTI_BUILDING; a host sees a plain declaration. */
#if defined(QVMULTI_BUILDING) && defined(_WIN32)
#define QVMULTI_EXPORT __declspec(dllexport)
#elif defined(QVMULTI_BUILDING)
#define QVMULTI_EXPORT __attribute__((visibility("default")))
#else
#define QVMULTI_EXPORT
#endif

QV_STATIC_ASSERT(sizeof(void*) == 4, "the module and its host are 32-bit");

/* ---- 1. result codes and next actions ------------------------------------ */

/* What RunLobby returns. 2 and 3 are never returned. */
enum QvResult {
    QV_RESULT_NONE = 0,       /* nothing decided (the string table could not be loaded) */
    QV_RESULT_START_GAME = 1, /* start the game the launch record describes */
    QV_RESULT_LEAVE = 4       /* leave the lobby (quit, or the chat connection is gone) */
};

/* LaunchRecord.nextAction after a visit that returned QV_RESULT_START_GAME. */
enum QvNextAction {
    QV_NEXT_REALM_CREATE = 2, /* written while a realm creation is pending; replaced by 3 */
    QV_NEXT_REALM_JOIN = 3,   /* join the realm game: gameWord, gameAddress, gameInfo */
    QV_NEXT_CREATE = 6,       /* create a game without realm */
    QV_NEXT_JOIN = 7          /* join a game without realm; gameInfo holds the address text */
};

/* ---- 2. the launch record ---------------------------------------------------
 * Owned by the host; the module keeps the pointer for one visit. "in" fields
 * are read, "out" fields are written by the module. The hostArea gaps are the
 * host's own and are never touched. Texts are zero-terminated 8-bit strings
 * that end inside their field. */
struct ChatServiceTable;

#pragma pack(push, 1)
typedef struct LaunchRecord {
    uint8_t hostArea0[0x14];
    uint32_t nextAction;              /* 0x14 out: QvNextAction */
    uint16_t gameWord;                /* 0x18 out */
    char gameName[24];                /* 0x1a out */
    char gameInfo[0x88 - 0x32];       /* 0x32 out */
    char accountName[0xb8 - 0x88];    /* 0x88 in */
    char characterName[0x1e9 - 0xb8]; /* 0xb8 in */
    uint8_t characterClass;           /* 0x1e9 in: 0..6 */
    uint16_t characterFlags;          /* 0x1ea in: 0x04, 0x08, 0x20, progress in bits 8..12 */
    uint8_t hostArea1[0x204 - 0x1ec];
    uint32_t gameFlags; /* 0x204 out */
    uint8_t hostArea2[0x20b - 0x208];
    uint8_t gameDifficulty; /* 0x20b out: 0, 1 or 2 */
    uint8_t hostArea3[0x21f - 0x20c];
    struct ChatServiceTable* chatService; /* 0x21f in: never null */
    uint32_t gameAddress;                 /* 0x223 out */
    char realmName[24];                   /* 0x227 in: empty when not on a realm */
    char gamePassword[24];                /* 0x23f out */
    char gameDescription[0x358 - 0x257];  /* 0x257 out */
    uint8_t accountKind;                  /* 0x358 in: 4 no ladder, 2 realm game list */
    uint8_t hostArea4[0x35b - 0x359];
    char channelName[32];       /* 0x35b in: empty selects the character layout */
    char homeChannelName[32];   /* 0x37b in */
    uint8_t figureLookA[16];    /* 0x39b in */
    uint8_t figureLookB[16];    /* 0x3ab in */
    uint8_t characterLevel;     /* 0x3bb in */
    uint8_t characterRealmByte; /* 0x3bc in */
    uint32_t guardWordHash;     /* 0x3bd in: Corvel's HashString of the word */
    uint32_t guardWordLength;   /* 0x3c1 in: 0 switches the guard word off */
    uint16_t figureFlags;       /* 0x3c5 in */
    uint8_t hostArea5[0x400 - 0x3c7];
} LaunchRecord;
#pragma pack(pop)

QV_STATIC_ASSERT(offsetof(LaunchRecord, nextAction) == 0x14, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, gameWord) == 0x18, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, gameName) == 0x1a, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, gameInfo) == 0x32, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, accountName) == 0x88, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, characterName) == 0xb8, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, characterClass) == 0x1e9, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, characterFlags) == 0x1ea, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, gameFlags) == 0x204, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, gameDifficulty) == 0x20b, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, chatService) == 0x21f, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, gameAddress) == 0x223, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, realmName) == 0x227, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, gamePassword) == 0x23f, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, gameDescription) == 0x257, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, accountKind) == 0x358, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, channelName) == 0x35b, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, homeChannelName) == 0x37b, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, figureLookA) == 0x39b, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, figureLookB) == 0x3ab, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, characterLevel) == 0x3bb, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, characterRealmByte) == 0x3bc, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, guardWordHash) == 0x3bd, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, guardWordLength) == 0x3c1, "launch record layout");
QV_STATIC_ASSERT(offsetof(LaunchRecord, figureFlags) == 0x3c5, "launch record layout");
QV_STATIC_ASSERT(sizeof(LaunchRecord) == 0x400, "launch record layout");

/* ---- 3. the entry -------------------------------------------------------------
 * QueryInterface returns a static table that is never changed. RunLobby runs
 * one visit on the calling thread and returns a QvResult. */
typedef uint32_t(QV_CALL* RunLobbyFn)(LaunchRecord* record);
typedef struct LobbyInterface {
    RunLobbyFn RunLobby;
} LobbyInterface;
QV_STATIC_ASSERT(offsetof(LobbyInterface, RunLobby) == 0, "operation table layout");
QV_STATIC_ASSERT(sizeof(LobbyInterface) == 4, "operation table layout");

/* The export's name for GetProcAddress / dlsym, and its type. */
#define QVMULTI_ENTRY_NAME "QueryInterface"
typedef const LobbyInterface*(QV_CALL* QueryInterfaceFn)(void);
QVMULTI_EXPORT const LobbyInterface* QV_CALL QueryInterface(void);

/* ---- 4. the chat-service table -----------------------------------------------
 * A row of 32-bit slots owned by the host and passed in the launch record; the
 * module never changes it and calls only the slots named here. */
enum { QV_CHAT_SLOT_COUNT = 44 };
typedef struct ChatServiceTable {
    void* slot[QV_CHAT_SLOT_COUNT];
} ChatServiceTable;
QV_STATIC_ASSERT(sizeof(ChatServiceTable) == 4 * QV_CHAT_SLOT_COUNT, "chat-service slots are 32-bit");

enum ChatSlot {
    kSlotEnterChatPlain = 4,
    kSlotSendChatLine = 5,
    kSlotGetOwnName = 6,
    kSlotJoinChannel = 7,
    kSlotGetChannelList = 8,
    kSlotPollEvent = 9,
    kSlotPeriodicTick = 12,
    kSlotAnnounceGame = 13,
    kSlotGameListQuery = 14,
    kSlotGameJoined = 15,
    kSlotGetRealmLogonData = 17,
    kSlotEnterChat = 21,
    kSlotLeaveChat = 22,
    kSlotIsConnected = 26,
    kSlotNotifyAdClick = 27,
    kSlotWriteProfile = 29,
    kSlotRequestProfile = 30,
    kSlotPollProfile = 31,
    kSlotQueueQuery = 35,
    kSlotGetAdInfo = 41,
    kSlotSetMessageHandlers = 42,
    kSlotClearMessageHandlers = 43
};

/* Every slot the module calls, by the name of its kSlot constant and its Fn
 * type below, for a host that fills the table from functions named alike:
 *   #define SET(name) table.slot[kSlot##name] = (void*)name##Slot;
 *   QV_CHAT_SLOTS(SET) */
/* clang-format off */
#define QV_CHAT_SLOTS(X) \
    X(EnterChatPlain) \
    X(SendChatLine) \
    X(GetOwnName) \
    X(JoinChannel) \
    X(GetChannelList) \
    X(PollEvent) \
    X(PeriodicTick) \
    X(AnnounceGame) \
    X(GameListQuery) \
    X(GameJoined) \
    X(GetRealmLogonData) \
    X(EnterChat) \
    X(LeaveChat) \
    X(IsConnected) \
    X(NotifyAdClick) \
    X(WriteProfile) \
    X(RequestProfile) \
    X(PollProfile) \
    X(QueueQuery) \
    X(GetAdInfo) \
    X(SetMessageHandlers) \
    X(ClearMessageHandlers)
/* clang-format on */

/* The two handlers the service may call, from any thread, between
 * SetMessageHandlers and the return of ClearMessageHandlers. */
typedef int(QV_CALL* DatedMessageHandler)(uint32_t unixTime, const char* text);
typedef int(QV_CALL* ClearMessagesHandler)(void);

/* The slots' function types, in slot order. Texts are zero-terminated 8-bit. */
typedef int(QV_CALL* EnterChatPlainFn)(void);
typedef int(QV_CALL* SendChatLineFn)(const char* text);
typedef const char*(QV_CALL* GetOwnNameFn)(void);
typedef int(QV_CALL* JoinChannelFn)(const char* name, int flag, int zero);
/* A run of texts, each zero-terminated, ended by an empty one. */
typedef const char*(QV_CALL* GetChannelListFn)(int flags);
/* Non-zero when an event was stored: *kind QV_EVENT_CHAT or QV_EVENT_AD, and
 * the record in the caller's QV_EVENT_RECORD_SIZE-byte buffer. */
typedef int(QV_CALL* PollEventFn)(uint32_t* kind, void* record);
typedef int(QV_CALL* PeriodicTickFn)(void);
typedef int(QV_CALL* AnnounceGameFn)(const char* name, const char* password, const char* text,
                                     uint32_t flags);
/* Null, or a block that starts with a 32-bit entry count. */
typedef const void*(QV_CALL* GameListQueryFn)(const char* name, const char* password, uint32_t kindFlags,
                                              uint32_t filterFlags);
typedef int(QV_CALL* GameJoinedFn)(const char* name, const char* password);
/* Null, or a RealmLogonData block. */
typedef const void*(QV_CALL* GetRealmLogonDataFn)(const char* realmName, const char* password);
typedef int(QV_CALL* EnterChatFn)(const char* name, const char* realmAndName, uint32_t constant,
                                  const char* channel, uint32_t flags);
typedef int(QV_CALL* LeaveChatFn)(void);
typedef int(QV_CALL* IsConnectedFn)(void);
typedef int(QV_CALL* NotifyAdClickFn)(uint32_t adId, int flag);
typedef int(QV_CALL* WriteProfileFn)(const char* name, int count, const char* const* keys,
                                     const char* const* values);
typedef int(QV_CALL* RequestProfileFn)(const char* name, int count, int flag, const char* const* keys,
                                       uint32_t value);
typedef int(QV_CALL* PollProfileFn)(int count, int flag, char* const* buffers, const uint32_t* sizes);
typedef int(QV_CALL* QueueQueryFn)(uint32_t* outcome);
/* The banner's link, a zero-terminated text (read up to 1024 bytes), or null. */
typedef const void*(QV_CALL* GetAdInfoFn)(uint32_t adId);
typedef int(QV_CALL* SetMessageHandlersFn)(DatedMessageHandler dated, ClearMessagesHandler clear);
typedef int(QV_CALL* ClearMessageHandlersFn)(void);

/* EnterChat's third argument, passed through unchanged; its flags. */
enum { QV_ENTER_CHAT_CONSTANT = 0x25, QV_ENTER_CHAT_FLAG_ALTERNATIVE = 1, QV_ENTER_CHAT_FLAG_CHANNEL = 2 };

/* Profile values: three keys, read into buffers of these sizes. */
#define QV_PROFILE_KEY_SEX "profile\\sex"
#define QV_PROFILE_KEY_LOCATION "profile\\location"
#define QV_PROFILE_KEY_DESCRIPTION "profile\\description"
enum { QV_PROFILE_SEX_SIZE = 8, QV_PROFILE_LOCATION_SIZE = 40, QV_PROFILE_DESCRIPTION_SIZE = 200 };

/* ---- 5. records from the chat service -------------------------------------- */

/* PollEvent's kinds and the size of the buffer it writes into. */
enum { QV_EVENT_CHAT = 0, QV_EVENT_AD = 3, QV_EVENT_RECORD_SIZE = 288, QV_CHAT_EVENT_COUNT = 24 };

/* Kind QV_EVENT_CHAT: this header, then at offset 24 the user name and right
 * after its terminator the event text, both zero-terminated 8-bit texts that
 * the module reads only within the 288 bytes. */
#pragma pack(push, 1)
typedef struct ChatEventHeader {
    uint32_t eventNumber; /* 0..23; larger numbers are ignored */
    uint32_t userFlags;
    uint32_t second;
    uint32_t reserved[3];
} ChatEventHeader;
#pragma pack(pop)
enum { QV_CHAT_EVENT_USER_NAME = 24 };
QV_STATIC_ASSERT(offsetof(ChatEventHeader, eventNumber) == 0, "chat event layout");
QV_STATIC_ASSERT(offsetof(ChatEventHeader, userFlags) == 4, "chat event layout");
QV_STATIC_ASSERT(offsetof(ChatEventHeader, second) == 8, "chat event layout");
QV_STATIC_ASSERT(offsetof(ChatEventHeader, reserved) == 12, "chat event layout");
QV_STATIC_ASSERT(sizeof(ChatEventHeader) == QV_CHAT_EVENT_USER_NAME, "chat event layout");

/* Kind QV_EVENT_AD. fileName and secondText are blocks of Pellick's allocator
 * that the module frees; fileData stays the service's. */
#pragma pack(push, 1)
typedef struct AdRecord {
    uint32_t adId;
    uint32_t reserved;
    char* fileName; /* its extension gives the picture type */
    char* secondText;
    const uint8_t* fileData;
    uint32_t dataSize;
} AdRecord;
#pragma pack(pop)
QV_STATIC_ASSERT(offsetof(AdRecord, adId) == 0, "ad record layout");
QV_STATIC_ASSERT(offsetof(AdRecord, fileName) == 8, "ad record layout");
QV_STATIC_ASSERT(offsetof(AdRecord, secondText) == 12, "ad record layout");
QV_STATIC_ASSERT(offsetof(AdRecord, fileData) == 16, "ad record layout");
QV_STATIC_ASSERT(offsetof(AdRecord, dataSize) == 20, "ad record layout");
QV_STATIC_ASSERT(sizeof(AdRecord) == 24, "ad record layout");

/* The user description, the event text of the user-present and user-joined
 * events: a four-character product tag, and for the tags "QvDV", "QvXP" and
 * "QvST" the realm name, a comma, the character name, a comma and then this
 * fixed part (33 bytes; packed words are Pellick's ReadPackedWord format). The
 * module reads it only when it lies within the event record. */
#pragma pack(push, 1)
typedef struct CharacterDescription {
    uint8_t packedWord[2];
    uint8_t appearance[11]; /* a zero first byte: no figure data */
    uint8_t classPlusOne;   /* the character class + 1 */
    uint8_t colours[11];
    uint8_t level;
    uint8_t status[2]; /* packed word */
    uint8_t extra[2];  /* packed word */
    uint8_t realmByte; /* 0xff reads as 0 */
    uint8_t spare[2];  /* 0xff reads as 0 */
} CharacterDescription;
#pragma pack(pop)
QV_STATIC_ASSERT(offsetof(CharacterDescription, appearance) == 2, "user description layout");
QV_STATIC_ASSERT(offsetof(CharacterDescription, classPlusOne) == 13, "user description layout");
QV_STATIC_ASSERT(offsetof(CharacterDescription, colours) == 14, "user description layout");
QV_STATIC_ASSERT(offsetof(CharacterDescription, level) == 25, "user description layout");
QV_STATIC_ASSERT(offsetof(CharacterDescription, status) == 26, "user description layout");
QV_STATIC_ASSERT(offsetof(CharacterDescription, extra) == 28, "user description layout");
QV_STATIC_ASSERT(offsetof(CharacterDescription, realmByte) == 30, "user description layout");
QV_STATIC_ASSERT(offsetof(CharacterDescription, spare) == 31, "user description layout");
QV_STATIC_ASSERT(sizeof(CharacterDescription) == 33, "user description layout");

/* GetRealmLogonData's block: a 32-bit length, then that many bytes that the
 * module hands to the realm client unread. Used only when length > 8. */
#pragma pack(push, 1)
typedef struct RealmLogonData {
    uint32_t length;
} RealmLogonData;
#pragma pack(pop)
enum { QV_LOGON_DATA_BYTES = 4, QV_LOGON_DATA_MIN_LENGTH = 9 };
QV_STATIC_ASSERT(sizeof(RealmLogonData) == QV_LOGON_DATA_BYTES, "logon data layout");

/* GameListQuery's block: a 32-bit game count, then per game a
 * ServiceGameHeader followed by three zero-terminated texts (the name, a text
 * the module does not read, the game's statText). The module reads the block
 * only as far as its terminators lie within the texts' limits. */
#pragma pack(push, 1)
typedef struct ServiceGameHeader {
    uint8_t gap0[12];
    uint32_t address; /* the host's network address */
    uint8_t gap1[16];
} ServiceGameHeader;
#pragma pack(pop)
enum { QV_SERVICE_GAME_COUNT_BYTES = 4 };
QV_STATIC_ASSERT(offsetof(ServiceGameHeader, address) == 12, "service game layout");
QV_STATIC_ASSERT(sizeof(ServiceGameHeader) == 32, "service game layout");

/* ---- 6. records exchanged with the realm client ------------------------------- */

/* The game creation request handed to RealmCreateGame. */
#pragma pack(push, 1)
typedef struct GameCreateRecord {
    char name[16];           /* zero-terminated */
    char password[16];       /* zero-terminated, may be empty */
    char description[32];    /* zero-terminated, may be empty */
    uint32_t flags;          /* bits 12..14: the difficulty */
    uint8_t kind;            /* always 1 */
    uint8_t levelDifference; /* 0..99, 255 when the level restriction is off */
    uint8_t maxPlayers;      /* 1..10 */
} GameCreateRecord;
#pragma pack(pop)
QV_STATIC_ASSERT(offsetof(GameCreateRecord, name) == 0, "create record layout");
QV_STATIC_ASSERT(offsetof(GameCreateRecord, password) == 16, "create record layout");
QV_STATIC_ASSERT(offsetof(GameCreateRecord, description) == 32, "create record layout");
QV_STATIC_ASSERT(offsetof(GameCreateRecord, flags) == 64, "create record layout");
QV_STATIC_ASSERT(offsetof(GameCreateRecord, kind) == 68, "create record layout");
QV_STATIC_ASSERT(offsetof(GameCreateRecord, levelDifference) == 69, "create record layout");
QV_STATIC_ASSERT(offsetof(GameCreateRecord, maxPlayers) == 70, "create record layout");
QV_STATIC_ASSERT(sizeof(GameCreateRecord) == 71, "create record layout");

/* The filter handed to RealmRequestGameList: all zero but flags. */
#pragma pack(push, 1)
typedef struct GameListFilter {
    uint8_t zero[20];
    uint32_t flags; /* 0x800 for a character with characterFlags 0x0004 */
} GameListFilter;
#pragma pack(pop)
QV_STATIC_ASSERT(offsetof(GameListFilter, flags) == 20, "list filter layout");
QV_STATIC_ASSERT(sizeof(GameListFilter) == 24, "list filter layout");

/* One reply of the realm's game-list answer (handed over with its size). */
#pragma pack(push, 1)
typedef struct GameListReply {
    uint32_t endMarker; /* non-zero in the reply that closes the list (no game) */
    uint16_t requestId;
    uint8_t gap0[2];
    uint16_t gameId;
    uint8_t gap1[10];
    uint16_t players;
    uint8_t gap2[6];
    char name[16];
    char description[32];
} GameListReply;
#pragma pack(pop)
QV_STATIC_ASSERT(offsetof(GameListReply, endMarker) == 0, "list reply layout");
QV_STATIC_ASSERT(offsetof(GameListReply, requestId) == 4, "list reply layout");
QV_STATIC_ASSERT(offsetof(GameListReply, gameId) == 8, "list reply layout");
QV_STATIC_ASSERT(offsetof(GameListReply, players) == 20, "list reply layout");
QV_STATIC_ASSERT(offsetof(GameListReply, name) == 28, "list reply layout");
QV_STATIC_ASSERT(offsetof(GameListReply, description) == 44, "list reply layout");
QV_STATIC_ASSERT(sizeof(GameListReply) == 76, "list reply layout");

/* The realm's answer to RealmRequestGameInfo (handed over with its size). */
#pragma pack(push, 1)
typedef struct GameInfoReply {
    uint8_t gap0[4];
    uint16_t requestId;
    uint8_t gap1[6];
    uint32_t elapsedSeconds;
    uint8_t referenceLevel;
    uint8_t levelDifference; /* 0: exactly the reference level, 100 or more: no restriction */
    uint8_t maxPlayers;
    uint8_t gap2;
    uint32_t playerCount;
    uint8_t gap3[20];
    char description[32];
    uint16_t playerClass[16];
    uint16_t playerLevel[16];
    char playerName[16][16];
} GameInfoReply;
#pragma pack(pop)
QV_STATIC_ASSERT(offsetof(GameInfoReply, requestId) == 4, "info reply layout");
QV_STATIC_ASSERT(offsetof(GameInfoReply, elapsedSeconds) == 12, "info reply layout");
QV_STATIC_ASSERT(offsetof(GameInfoReply, referenceLevel) == 16, "info reply layout");
QV_STATIC_ASSERT(offsetof(GameInfoReply, levelDifference) == 17, "info reply layout");
QV_STATIC_ASSERT(offsetof(GameInfoReply, maxPlayers) == 18, "info reply layout");
QV_STATIC_ASSERT(offsetof(GameInfoReply, playerCount) == 20, "info reply layout");
QV_STATIC_ASSERT(offsetof(GameInfoReply, description) == 44, "info reply layout");
QV_STATIC_ASSERT(offsetof(GameInfoReply, playerClass) == 76, "info reply layout");
QV_STATIC_ASSERT(offsetof(GameInfoReply, playerLevel) == 108, "info reply layout");
QV_STATIC_ASSERT(offsetof(GameInfoReply, playerName) == 140, "info reply layout");
QV_STATIC_ASSERT(sizeof(GameInfoReply) == 396, "info reply layout");

/* One entry of a ladder reply: this head, then the character name in nameSize
 * bytes (zero-terminated when shorter). The realm client calls the ladder
 * handler with (firstRow, count, nameSize, type, entries), the count entries
 * following one another without gaps, count * (12 + nameSize) bytes in all.
 * The module refuses a count above the ladder's rows or a nameSize above 256
 * without reading the entries. */
#pragma pack(push, 1)
typedef struct LadderEntryHead {
    uint32_t experienceLow;
    uint32_t experienceHigh;
    uint32_t flags; /* QV_LADDER_* bits, progress in bits 8..12, level in bits 16..23 */
} LadderEntryHead;
#pragma pack(pop)
enum {
    QV_LADDER_CLASS_MASK = 0x0f, /* the class, 0..6 */
    QV_LADDER_MARKED = 0x10,
    QV_LADDER_TITLE_A = 0x20,
    QV_LADDER_TITLE_B = 0x40
};
QV_STATIC_ASSERT(offsetof(LadderEntryHead, experienceLow) == 0, "ladder entry layout");
QV_STATIC_ASSERT(offsetof(LadderEntryHead, experienceHigh) == 4, "ladder entry layout");
QV_STATIC_ASSERT(offsetof(LadderEntryHead, flags) == 8, "ladder entry layout");
QV_STATIC_ASSERT(sizeof(LadderEntryHead) == 12, "ladder entry layout");

#ifdef __cplusplus
}
#endif

#endif /* QVMULTI_H */
