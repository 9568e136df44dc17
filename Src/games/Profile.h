// The player profile panel as the rest of the lobby reaches it: the user
// strip's right click opens it, LeaveDialog closes it, the ladder view reads
// the character name it looked up.
#pragma once

#include <cstdint>

enum { kProfileNone = 0, kProfileView = 1, kProfileEdit = 2 };
enum { kLadderNameSize = 64 };

extern int32_t profileMode;
// The character whose place the panel's ladder button looks up: the last
// profile shown, empty until one was.
extern char ladderLookupName[kLadderNameSize];
extern int32_t ladderFlagA, ladderFlagB;

// Another player's profile, read-only.
void ShowProfile(const char* userName, const char* characterName, int flagA, int flagB);
// The player's own profile (the launch record's account), editable.
void EditOwnProfile(const char* characterName, int flagA, int flagB);
// Removes the panel, if any; the quit button is the cancel control again and
// the input line, when there is one, takes the keys.
void CloseProfile();
