// Hooks between the stand-in service units (strings, chat service, realm
// client, core and utility); Reset.cpp calls them for ResetAll.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "StandIn.h"

namespace standin::internal {

void ResetStrings();
void ResetChat();
void ResetRealm();
void ResetPellick();
void ResetCorvel();
void ResetRealmQueue();
void ResetLadder();

// The generated ladder (Ladder.cpp): requests as the realm client takes them,
// and the answers that are due, delivered from RealmPump.
void OnLadderPageRequest(int type, int firstRow);
void OnLadderPositionRequest(const char* name, int flagA, int flagB);
void PumpLadder();

// The realm's answer to a request (Realm.cpp): what RealmLastReplyId and
// RealmLastStatus report from now on.
void AnswerRequest(uint16_t requestId, int status, bool isCreate);
// The creation queue model (RealmQueue.cpp). QueueTakesCreate: true when a
// scripted queue takes the create request (it then answers it itself).
bool QueueTakesCreate(uint16_t requestId);
void WithdrawQueuedCreate();
void AdvanceCreateQueue(); // once per frame
void ResetGameLists();

// Scripted game lists (GameLists.cpp): the realm's answers to list and info
// requests, and the chat service's game block (null: none scripted).
void AnswerGameList(uint16_t requestId);
void AnswerGameInfo(const char* name, uint16_t requestId);
const void* ServiceGameBlock(const char* name);
void ResetMachine();

// Recorded-call arguments.
std::string Hex(const void* bytes, uint32_t size);
std::string Text(const char* text); // "null" for a null text
std::string Pointer(const void* p); // "null" or "ptr"
// The recorded calls of that name, in order.
std::vector<Call> CallsNamed(const std::vector<Call>& calls, const std::string& name);

} // namespace standin::internal
