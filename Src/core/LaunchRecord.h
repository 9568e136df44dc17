// The record shared with the host: everything the host passes in and the game
// the module hands back. The host owns it; its offsets are binding.
#pragma once

#include <cstddef>
#include <cstdint>

struct ChatServiceTable;

#pragma pack(push, 1)
struct LaunchRecord {
    uint8_t hostArea0[0x14];
    uint32_t nextAction; // 0x14 out: 3 realm join, 6 create without realm, 7 join without realm, 2 create
    uint16_t gameWord;   // 0x18 out
    char gameName[24];   // 0x1a out
    char gameInfo[0x88 - 0x32];       // 0x32 out
    char accountName[0xb8 - 0x88];    // 0x88 in
    char characterName[0x1e9 - 0xb8]; // 0xb8 in
    uint8_t characterClass;           // 0x1e9 in: 0..6
    uint16_t characterFlags;          // 0x1ea in
    uint8_t hostArea1[0x204 - 0x1ec];
    uint32_t gameFlags; // 0x204 out
    uint8_t hostArea2[0x20b - 0x208];
    uint8_t gameDifficulty; // 0x20b out
    uint8_t hostArea3[0x21f - 0x20c];
    ChatServiceTable* chatService;       // 0x21f in
    uint32_t gameAddress;                // 0x223 out
    char realmName[24];                  // 0x227 in
    char gamePassword[24];               // 0x23f out
    char gameDescription[0x358 - 0x257]; // 0x257 out
    uint8_t accountKind;                 // 0x358 in
    uint8_t hostArea4[0x35b - 0x359];
    char channelName[32];       // 0x35b in (and written by the channel-joined event)
    char homeChannelName[32];   // 0x37b in
    uint8_t figureLookA[16];    // 0x39b in
    uint8_t figureLookB[16];    // 0x3ab in
    uint8_t characterLevel;     // 0x3bb in
    uint8_t characterRealmByte; // 0x3bc in
    uint32_t guardWordHash;     // 0x3bd in
    uint32_t guardWordLength;   // 0x3c1 in
    uint16_t figureFlags;       // 0x3c5 in
    uint8_t hostArea5[0x400 - 0x3c7];
};
#pragma pack(pop)

static_assert(sizeof(void*) == 4, "the launch record holds 32-bit pointers");
static_assert(offsetof(LaunchRecord, nextAction) == 0x14);
static_assert(offsetof(LaunchRecord, gameWord) == 0x18);
static_assert(offsetof(LaunchRecord, gameName) == 0x1a);
static_assert(offsetof(LaunchRecord, gameInfo) == 0x32);
static_assert(offsetof(LaunchRecord, accountName) == 0x88);
static_assert(offsetof(LaunchRecord, characterName) == 0xb8);
static_assert(offsetof(LaunchRecord, characterClass) == 0x1e9);
static_assert(offsetof(LaunchRecord, characterFlags) == 0x1ea);
static_assert(offsetof(LaunchRecord, gameFlags) == 0x204);
static_assert(offsetof(LaunchRecord, gameDifficulty) == 0x20b);
static_assert(offsetof(LaunchRecord, chatService) == 0x21f);
static_assert(offsetof(LaunchRecord, gameAddress) == 0x223);
static_assert(offsetof(LaunchRecord, realmName) == 0x227);
static_assert(offsetof(LaunchRecord, gamePassword) == 0x23f);
static_assert(offsetof(LaunchRecord, gameDescription) == 0x257);
static_assert(offsetof(LaunchRecord, accountKind) == 0x358);
static_assert(offsetof(LaunchRecord, channelName) == 0x35b);
static_assert(offsetof(LaunchRecord, homeChannelName) == 0x37b);
static_assert(offsetof(LaunchRecord, figureLookA) == 0x39b);
static_assert(offsetof(LaunchRecord, figureLookB) == 0x3ab);
static_assert(offsetof(LaunchRecord, characterLevel) == 0x3bb);
static_assert(offsetof(LaunchRecord, characterRealmByte) == 0x3bc);
static_assert(offsetof(LaunchRecord, guardWordHash) == 0x3bd);
static_assert(offsetof(LaunchRecord, guardWordLength) == 0x3c1);
static_assert(offsetof(LaunchRecord, figureFlags) == 0x3c5);
static_assert(sizeof(LaunchRecord) == 0x400);

// The module's operation table, returned by QueryInterface.
typedef uint32_t (*RunLobbyFn)(LaunchRecord* record);
struct LobbyInterface {
    RunLobbyFn RunLobby;
};

#if defined(_WIN32)
#define QVMULTI_EXPORT __declspec(dllexport)
#else
#define QVMULTI_EXPORT __attribute__((visibility("default")))
#endif

// The library's only export.
extern "C" QVMULTI_EXPORT const LobbyInterface* QueryInterface();
