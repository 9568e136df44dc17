// The channel user list: one ChannelUser per user of the current channel, fed
// by the chat events (show, join, update, leave, channel joined); the parser of
// the character description the service sends with each user; the per-channel
// name memory that says which full name and character name belong to each
// account; speaker names and titles for chat lines; the channel title line.
//
// Owns channelUsers and userCount (display order, which the figure strip
// keeps), the users' hash tables (by account key and by case-folded name)
// and the name memory with its own two tables, so that every chat event costs
// the same at any channel size. Every text from the service is untrusted: the user
// description is read only within the bytes the caller says it may read, and
// every field is cut to its buffer.
#include <cstring>

#include "../core/Lobby.h"

ChannelUser* channelUsers = nullptr;
int32_t userCount = 0;

// Users by account key and by case-folded name; chains hold the records whose
// hash falls in the bucket. Account keys are unique in the list, so the key
// table also finds a user by exact name.
enum { kUserBuckets = 8192 };
static_assert((kUserBuckets & (kUserBuckets - 1)) == 0, "a power of two");
static ChannelUser* usersByKey[kUserBuckets];
static ChannelUser* usersByFold[kUserBuckets];

// CharacterNameMemory, oldest entry first, at most 1024 entries, filed by
// account key and by case-folded full name.
struct CharacterNameEntry {
    char fullName[50];
    char characterName[18];
    CharacterNameEntry* next;
    CharacterNameEntry *keyNext, *foldNext;
    uint32_t keyHash, foldHash;
};
enum { kNameMemoryLimit = 1024, kMemoryBuckets = 2048 };
static_assert((kMemoryBuckets & (kMemoryBuckets - 1)) == 0, "a power of two");
static CharacterNameEntry* nameMemoryHead = nullptr;
static CharacterNameEntry* nameMemoryTail = nullptr;
static int32_t nameMemoryCount = 0;
static CharacterNameEntry* memoryByKey[kMemoryBuckets];
static CharacterNameEntry* memoryByFold[kMemoryBuckets];

// ---- the character description -------------------------------------------------

enum {
    kKindNeutral = 7,
    kKindSpecialA = 8,
    kKindSpecialB = 9,
    kKindFlag02 = 19,
    kKindFlag08 = 20,
    kKindFlag01 = 18,
    kKindFlag04 = 23,
    kKindMarked = 21,
    kKindNoCharacter = 24,
    kKindDescription = -1, // the tag carries a character description
};

struct TagKind {
    uint32_t tag;
    int32_t kind;
};
static const TagKind kTagKinds[] = {
    {ProductTag("QvDV"), kKindDescription},
    {ProductTag("QvXP"), kKindDescription},
    {ProductTag("QvST"), kKindDescription},
    {ProductTag("CHAT"), 22},
    {ProductTag("MORA"), 13},
    {ProductTag("MOSH"), 13},
    {ProductTag("MOJA"), 13},
    {ProductTag("MORX"), 14},
    {ProductTag("KELB"), 15},
    {ProductTag("KELC"), 16},
    {ProductTag("KELD"), 16},
    {ProductTag("PYRA"), 10},
    {ProductTag("PYRB"), 10},
    {ProductTag("PYRC"), 10},
};
static_assert(sizeof kTagKinds == 14 * sizeof(TagKind), "one row per product tag");
static const uint32_t kTagUnknown = ProductTag("UNKN");

// The description after the character name (CharacterDescription of the
// public contract): packed word, 11 appearance bytes, class + 1, 11 colour
// bytes, level, two packed words, realm byte, two spares.
enum {
    kFixedAppearance = offsetof(CharacterDescription, appearance),
    kFixedClass = offsetof(CharacterDescription, classPlusOne),
    kFixedColours = offsetof(CharacterDescription, colours),
    kFixedLevel = offsetof(CharacterDescription, level),
    kFixedStatus = offsetof(CharacterDescription, status),
    kFixedExtra = offsetof(CharacterDescription, extra),
    kFixedRealmByte = offsetof(CharacterDescription, realmByte),
    kFixedSpare = offsetof(CharacterDescription, spare),
    kFixedSize = sizeof(CharacterDescription),
    kLookBytes = sizeof CharacterDescription::appearance,
};

static const TagKind* FindTag(uint32_t tag) {
    for (const TagKind& row : kTagKinds)
        if (row.tag == tag) return &row;
    return nullptr;
}

static void SetDefaultLook(ChannelUser* user) {
    memset(user->appearance, 0, sizeof user->appearance);
    user->appearance[1] = 1;
    memset(user->colours, 0xff, sizeof user->colours);
}

static void SetStatusBooleans(ChannelUser* user) {
    user->status04 = (user->characterStatus & 0x04) != 0;
    user->status08 = (user->characterStatus & 0x08) != 0;
    user->status20 = (user->characterStatus & 0x20) != 0;
    user->status40 = (user->characterStatus & 0x40) != 0;
}

static void MarkUnrecognised(ChannelUser* user) {
    user->productTag = kTagUnknown;
    TextCopy(user->characterName, sizeof user->characterName, user->userName);
}

// Reads the field from..',' (exclusive) of text[0..length); returns the
// position after the ',' or -1 when no ',' follows.
static int ReadField(const char* text, int from, int length, char* field, int size) {
    for (int i = from; i < length; ++i)
        if (text[i] == ',') {
            TextCopyN(field, size, text + from, i - from);
            return i + 1;
        }
    return -1;
}

static uint8_t ZeroForFF(uint8_t byte) {
    return byte == 0xff ? 0 : byte;
}

// Reads the character description of a QvDV, QvXP or QvST user. Returns 0 when
// it is not usable: no two commas or the fixed part beyond the readable bytes
// (nothing is stored then), or a zero first appearance byte (the realm and
// character names are kept, the rest is not stored). Any class byte is taken:
// class values no figure exists for fall back to the neutral figure when the
// figure is made.
static int ReadDescription(ChannelUser* user, const char* text, int length, int textSize) {
    char realm[sizeof user->realmName], name[sizeof user->characterName];
    int p = ReadField(text, 4, length, realm, sizeof realm);
    if (p >= 0) p = ReadField(text, p, length, name, sizeof name);
    if (p < 0 || p + kFixedSize > textSize) return 0;

    TextCopy(user->realmName, sizeof user->realmName, realm);
    TextCopy(user->characterName, sizeof user->characterName, name);
    const uint8_t* fixed = (const uint8_t*)text + p;
    if (fixed[kFixedAppearance] == 0) return 0;

    memcpy(user->appearance, fixed + kFixedAppearance, kLookBytes);
    memset(user->appearance + kLookBytes, 0xff, sizeof user->appearance - kLookBytes);
    user->characterClass = (uint8_t)(fixed[kFixedClass] - 1);
    memcpy(user->colours, fixed + kFixedColours, kLookBytes);
    memset(user->colours + kLookBytes, 0xff, sizeof user->colours - kLookBytes);
    user->level = fixed[kFixedLevel];
    user->characterStatus = ReadPackedWord(fixed + kFixedStatus);
    user->extraWord = ReadPackedWord(fixed + kFixedExtra);
    user->realmByte = ZeroForFF(fixed[kFixedRealmByte]);
    user->spare[0] = ZeroForFF(fixed[kFixedSpare]);
    user->spare[1] = ZeroForFF(fixed[kFixedSpare + 1]);
    SetStatusBooleans(user);
    return 1;
}

int ParseUserInfo(ChannelUser* user, const char* text, int textSize, uint32_t flags) {
    int length = (text && textSize > 0) ? TextLengthWithin(text, textSize) : 0;
    user->characterStatus = 0;
    SetStatusBooleans(user);

    // Flag 0x02 fixes the kind but lets the description be read; the other
    // flags end the parse.
    int kind = kKindNeutral;
    int fixedByFlag = 0;
    if (flags & 0x02) {
        kind = kKindFlag02;
        fixedByFlag = 1;
    } else if (flags & 0x08) {
        kind = kKindFlag08;
    } else if (flags & 0x01) {
        kind = kKindFlag01;
    } else if (flags & 0x04) {
        kind = kKindFlag04;
    } else if (flags & (0x1000 | 0x100000)) {
        kind = kKindMarked;
    }
    if ((kind != kKindNeutral && !fixedByFlag) || length < 4) {
        SetDefaultLook(user);
        return kind;
    }

    const uint8_t* bytes = (const uint8_t*)text;
    user->productTag =
        (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
    const TagKind* row = FindTag(user->productTag);
    if (row && row->kind != kKindDescription) {
        if (!fixedByFlag) kind = row->kind;
    } else if (row && length == 4) { // the tag alone: a user of this game without a character
        if (kind == kKindNeutral) kind = kKindNoCharacter;
        MarkUnrecognised(user);
    } else if (row && ReadDescription(user, text, length, textSize)) {
        if (!fixedByFlag) {
            int special = (user->characterStatus & 0x0c) == 0x0c;
            int c = user->characterClass;
            // 9 is no class's value but gets the second special figure too.
            if (special) return (c == 0 || c == 1 || c == 6 || c == 9) ? kKindSpecialB : kKindSpecialA;
            return c; // keeps the parsed look
        }
    } else if (!fixedByFlag) {
        kind = kKindNeutral;
        MarkUnrecognised(user);
    }
    SetDefaultLook(user);
    return kind;
}

// ---- names ----------------------------------------------------------------------

// The add and remove matching key: the text after the first '*' (even when
// empty), the whole name without one.
static const char* MatchKey(const char* name) {
    const char* star = strchr(name, '*');
    return star ? star + 1 : name;
}

static unsigned char Fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? (unsigned char)(c - 'A' + 'a') : c;
}

static int SameIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = Fold((unsigned char)*a), y = Fold((unsigned char)*b);
        if (x != y) return 0;
        if (!x) return 1;
    }
}

// FNV-1a over the bytes, or over the bytes with A..Z folded.
static uint32_t HashText(const char* text) {
    uint32_t hash = 2166136261u;
    for (const unsigned char* c = (const unsigned char*)text; *c; ++c)
        hash = (hash ^ *c) * 16777619u;
    return hash;
}
static uint32_t HashFolded(const char* text) {
    uint32_t hash = 2166136261u;
    for (const unsigned char* c = (const unsigned char*)text; *c; ++c)
        hash = (hash ^ Fold(*c)) * 16777619u;
    return hash;
}

// User names are cut to their 50-byte field before any comparison, so a name
// too long for the record still finds the record it made.
static void CutUserName(char (&dst)[sizeof(ChannelUser::userName)], const char* name) {
    TextCopy(dst, sizeof dst, name);
}

// Files the record under its key and names; UnfileUser takes it out again.
static void FileUser(ChannelUser* user) {
    user->keyHash = HashText(MatchKey(user->userName));
    user->foldHash = HashFolded(user->userName);
    ChannelUser** key = &usersByKey[user->keyHash & (kUserBuckets - 1)];
    ChannelUser** fold = &usersByFold[user->foldHash & (kUserBuckets - 1)];
    user->keyNext = *key;
    *key = user;
    user->foldNext = *fold;
    *fold = user;
}

static void UnfileUser(ChannelUser* user) {
    ChannelUser** link = &usersByKey[user->keyHash & (kUserBuckets - 1)];
    while (*link != user)
        link = &(*link)->keyNext;
    *link = user->keyNext;
    link = &usersByFold[user->foldHash & (kUserBuckets - 1)];
    while (*link != user)
        link = &(*link)->foldNext;
    *link = user->foldNext;
}

static ChannelUser* FindByMatchKey(const char* cutName) {
    const char* key = MatchKey(cutName);
    uint32_t hash = HashText(key);
    for (ChannelUser* user = usersByKey[hash & (kUserBuckets - 1)]; user; user = user->keyNext)
        if (user->keyHash == hash && strcmp(MatchKey(user->userName), key) == 0) return user;
    return nullptr;
}

ChannelUser* FindUserByName(const char* userName) {
    char name[sizeof(ChannelUser::userName)];
    CutUserName(name, userName);
    // A user of that very name is the one filed under the name's key.
    uint32_t hash = HashText(MatchKey(name));
    for (ChannelUser* user = usersByKey[hash & (kUserBuckets - 1)]; user; user = user->keyNext)
        if (user->keyHash == hash && strcmp(user->userName, name) == 0) return user;
    return nullptr;
}

// The first user in display order whose name equals name ignoring case.
static ChannelUser* FindUserIgnoringCase(const char* name) {
    uint32_t hash = HashFolded(name);
    ChannelUser* first = nullptr;
    for (ChannelUser* user = usersByFold[hash & (kUserBuckets - 1)]; user; user = user->foldNext)
        if (user->foldHash == hash && SameIgnoringCase(user->userName, name) &&
            (!first || StandsBefore(user, first)))
            first = user;
    return first;
}

// ---- CharacterNameMemory ------------------------------------------------------

static void ClearNameMemory() {
    while (nameMemoryHead) {
        CharacterNameEntry* next = nameMemoryHead->next;
        LOBBY_FREE(nameMemoryHead);
        nameMemoryHead = next;
    }
    nameMemoryTail = nullptr;
    nameMemoryCount = 0;
    memset(memoryByKey, 0, sizeof memoryByKey);
    memset(memoryByFold, 0, sizeof memoryByFold);
}

static void ForgetOldestName() {
    CharacterNameEntry* oldest = nameMemoryHead;
    nameMemoryHead = oldest->next;
    if (!nameMemoryHead) nameMemoryTail = nullptr;
    CharacterNameEntry** link = &memoryByKey[oldest->keyHash & (kMemoryBuckets - 1)];
    while (*link != oldest)
        link = &(*link)->keyNext;
    *link = oldest->keyNext;
    link = &memoryByFold[oldest->foldHash & (kMemoryBuckets - 1)];
    while (*link != oldest)
        link = &(*link)->foldNext;
    *link = oldest->foldNext;
    LOBBY_FREE(oldest);
    --nameMemoryCount;
}

// Keys are unique in the memory: an entry with the same key takes the new
// character name and keeps its full name; otherwise the oldest entry makes
// room when the memory is full and the new one is the newest.
static void RememberCharacterName(const char* fullName, const char* characterName) {
    const char* key = AccountKey(fullName);
    uint32_t keyHash = HashText(key);
    for (CharacterNameEntry* entry = memoryByKey[keyHash & (kMemoryBuckets - 1)]; entry;
         entry = entry->keyNext)
        if (entry->keyHash == keyHash && strcmp(AccountKey(entry->fullName), key) == 0) {
            TextCopy(entry->characterName, sizeof entry->characterName, characterName);
            return;
        }
    if (nameMemoryCount >= kNameMemoryLimit && nameMemoryHead) ForgetOldestName();
    CharacterNameEntry* entry = (CharacterNameEntry*)LOBBY_ALLOC(sizeof(CharacterNameEntry));
    memset(entry, 0, sizeof *entry);
    TextCopy(entry->fullName, sizeof entry->fullName, fullName);
    TextCopy(entry->characterName, sizeof entry->characterName, characterName);
    if (nameMemoryTail)
        nameMemoryTail->next = entry;
    else
        nameMemoryHead = entry;
    nameMemoryTail = entry;
    ++nameMemoryCount;
    entry->keyHash = HashText(AccountKey(entry->fullName));
    entry->foldHash = HashFolded(entry->fullName);
    CharacterNameEntry** keyBucket = &memoryByKey[entry->keyHash & (kMemoryBuckets - 1)];
    CharacterNameEntry** foldBucket = &memoryByFold[entry->foldHash & (kMemoryBuckets - 1)];
    entry->keyNext = *keyBucket;
    *keyBucket = entry;
    entry->foldNext = *foldBucket;
    *foldBucket = entry;
}

static int NameMemoryHolds(const char* fullName) {
    uint32_t hash = HashFolded(fullName);
    for (const CharacterNameEntry* entry = memoryByFold[hash & (kMemoryBuckets - 1)]; entry;
         entry = entry->foldNext)
        if (entry->foldHash == hash && SameIgnoringCase(entry->fullName, fullName)) return 1;
    return 0;
}

// ---- the channel title ------------------------------------------------------------

void SetChannelTitle(const char* text) {
    if (!topTextList) return;
    Unicode title[576];
    Unicode::win2Unicode(title, text ? text : "", 576);
    TextListClear(topTextList);
    TextListAddLine(topTextList, title, 3, 0, 0);
}

static void WriteChannelTitle() {
    char title[sizeof joinedChannel + 16];
    TextFormat(title, sizeof title, "%s (%d)", joinedChannel, (int)userCount);
    SetChannelTitle(title);
}

// ---- the list ------------------------------------------------------------------------

// The figure strip keeps the list in display order (FigureStrip.cpp); this
// unit files each record for the lookups by key and name.
static void UpdateUser(ChannelUser* user, const char* name, const char* userInfoText, int textSize,
                       uint32_t userFlags) {
    user->userFlags = userFlags;
    int kind = ParseUserInfo(user, userInfoText, textSize, userFlags);
    if (strcmp(user->userName, name) != 0) {
        UnfileUser(user);
        TextCopy(user->userName, sizeof user->userName, name);
        FileUser(user);
    }
    UpdateUserFigure(user, kind);
    ReorderUser(user);
    LayoutUserFigure(user);
}

ChannelUser* AddOrUpdateUser(const char* userName, const char* userInfoText, int textSize,
                             uint32_t userFlags) {
    char name[sizeof(ChannelUser::userName)];
    CutUserName(name, userName);
    if (ChannelUser* user = FindByMatchKey(name)) {
        UpdateUser(user, name, userInfoText, textSize, userFlags);
        return user;
    }

    ChannelUser* user = (ChannelUser*)LOBBY_ALLOC(sizeof(ChannelUser));
    memset(user, 0, sizeof *user);
    TextCopy(user->userName, sizeof user->userName, name);
    user->userFlags = userFlags;
    int kind = ParseUserInfo(user, userInfoText, textSize, userFlags);
    MakeUserFigure(user, kind);
    FileUser(user);
    InsertUserInOrder(user);

    RememberCharacterName(user->userName, user->characterName);
    ++userCount;
    WriteChannelTitle();
    ScrollFigureStrip(0);
    LayoutUserFigure(user);
    return user;
}

int UpdateUserFlags(const char* userName, const char* userInfoText, int textSize, uint32_t userFlags) {
    ChannelUser* user = FindUserByName(userName);
    if (!user) return 0;
    char name[sizeof(ChannelUser::userName)];
    CutUserName(name, userName);
    UpdateUser(user, name, userInfoText, textSize, userFlags);
    return 1;
}

ChannelUser* FindUserByKey(const char* userName) {
    char name[sizeof(ChannelUser::userName)];
    CutUserName(name, userName);
    return FindByMatchKey(name);
}

void RemoveUser(ChannelUser* user) {
    if (!user) return;
    UnfileUser(user);
    UnlinkUserFromOrder(user);
    if (user == selectedUser) DeselectUser();
    DestroyFigure(user->figure, 1);
    LOBBY_FREE(user);

    --userCount;
    WriteChannelTitle();
    ScrollFigureStrip(0);
    LayoutFigureStrip();
}

void ClearUsers() {
    DeselectUser();
    while (channelUsers) {
        ChannelUser* next = channelUsers->next;
        DestroyFigure(channelUsers->figure, 1);
        LOBBY_FREE(channelUsers);
        channelUsers = next;
    }
    ResetUserOrder();
    memset(usersByKey, 0, sizeof usersByKey);
    memset(usersByFold, 0, sizeof usersByFold);
    ClearNameMemory();
    userCount = 0;
    WriteChannelTitle();
    firstVisible = 0;
    ScrollFigureStrip(0);
}

// ---- speakers ---------------------------------------------------------------------------

void ResolveSpeaker(const char* userName, char* title, int titleSize, char* display, int displaySize) {
    if (titleSize > 0) title[0] = 0;
    if (displaySize > 0) display[0] = 0;
    const char* name = userName ? userName : "";

    if (name[0] == '*') {
        TextCopy(display, displaySize, name);
        return;
    }
    const char* at = strchr(name, '@');
    const char* star = strchr(name, '*');
    if (at && star && at < star) {
        TextCopyN(display, displaySize, name, (int)(star - name));
        return;
    }
    if (NameMemoryHolds(name)) {
        if (const ChannelUser* user = FindUserIgnoringCase(name)) {
            uint32_t state = GetFigureFlags(user->figure);
            if (state & 0xc0) {
                int tierIndex = (int)((state >> 7 & 1) * 2 + (state >> 6 & 1) + 3 * (state >> 5 & 1));
                TextCopy(title, titleSize,
                         GetFigureTitle(user->characterClass, tierIndex, (int)(state >> 12 & 1)));
            }
        }
    }
    CharacterPart(display, displaySize, name);
}
