// The chat pane: appends service and own lines, with colour codes.
#include "../core/Lobby.h"

void AddChatLine(const char*, int) {}
void AddSpeakerLine(const char*, const char*, int, int) {}
void StripColourCodes(Unicode*) {}
void EchoOwnLine(const char*) {}
void KeepChatPaneAtEnd() {}
