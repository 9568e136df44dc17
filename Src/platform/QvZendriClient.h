// QvZendriClient: the host's realm client as the lobby uses it.
//
// Requests carry a 16-bit request id chosen by the lobby; replies are read back
// by id. Record contents handed over by the client are untrusted and come with
// their size (a ladder reply with its entry count and name size).
#pragma once

#include <cstdint>

typedef void (*RealmMessageHandler)(int key, const char* text);
// A ladder reply: count entries of 12 + nameSize bytes each, one after the
// other at entries, for the rows from firstRow on.
typedef void (*LadderEntriesHandler)(int firstRow, int count, int nameSize, int type, const void* entries);
typedef void (*LadderOtherHandler)(const void* record);

int RealmIsConnected();
int RealmPump(); // non-zero when it did some work
int RealmLastStatus();
uint16_t RealmLastReplyId();
// Takes the next game list / game info reply: points *record at its bytes
// (null: none) and *size at their count. The request id the reply answers is
// the record's own, at offset 4; the lobby routes by that one and leaves the
// returned id unused.
uint16_t RealmNextListReply(const uint8_t** record, uint32_t* size);
void RealmReleaseReply();

void RealmCreateGame(const void* record, uint16_t requestId);
void RealmJoinGame(const char* name, const char* password, uint16_t requestId);
void RealmRequestGameList(const void* filter, uint16_t requestId);
void RealmRequestGameInfo(const char* name, uint16_t requestId);
uint16_t RealmJoinReplyWord();
uint32_t RealmJoinReplyDword();
const char* RealmJoinReplyText(); // zero-terminated, untrusted length

int RealmIsQueued();
int RealmQueuePosition();
void RealmLeaveQueue();
void RealmReset(int flag);
void RealmFinish();

void RealmSetMessageHandler(RealmMessageHandler handler);
void RealmStartMessages();

void RealmStartLogon(const void* data, uint32_t size);
void* RealmLogonEvent(int flag); // a wait handle for the OS layer's zero-time wait
void RealmSelectCharacter(const char* characterName);
int RealmSelectDone();
void RealmEndWait(int flag);

void RealmSetLadderHandlers(LadderEntriesHandler entries, LadderOtherHandler other);
void RealmRequestLadderPage(int type, int firstRow);
void RealmRequestLadderPosition(const char* name, int flagA, int flagB);
