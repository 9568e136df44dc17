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
void ResetLadder();

// The generated ladder (Ladder.cpp): requests as the realm client takes them,
// and the answers that are due, delivered from RealmPump.
void OnLadderPageRequest(int type, int firstRow);
void OnLadderPositionRequest(const char* name, int flagA, int flagB);
void PumpLadder();

// Recorded-call arguments.
std::string Hex(const void* bytes, uint32_t size);
std::string Text(const char* text); // "null" for a null text
std::string Pointer(const void* p); // "null" or "ptr"
// The recorded calls of that name, in order.
std::vector<Call> CallsNamed(const std::vector<Call>& calls, const std::string& name);

} // namespace standin::internal
