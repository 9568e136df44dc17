// Shared helpers for the lobby's tests: a launch record as the host fills it,
// a visit run through the module's operation table, and readers of the screen
// model's well-known controls.
#pragma once

#include <string>
#include <vector>

#include "../../Src/core/LaunchRecord.h"
#include "../../host/standin/StandIn.h"

namespace lobbytest {

// A launch record filled like the host does (chat layout, channel "Lobby").
struct Visit {
    LaunchRecord record;
    Visit();
    // Runs one visit; fails the test when the screen loop had to be ended by force.
    uint32_t Run();
    // Sets the channel name (empty: character layout).
    void SetChannel(const char* name);
    void SetRealm(const char* name);
};

standin::Control* ChatPane();
standin::Control* SidePanelTextBox();
standin::Control* PanelMessage();
// The chat pane's lines as UTF-8 (empty when the pane does not exist).
std::vector<std::string> PaneLines();
std::vector<int> PaneColours();
// UTF-8 text of a string id from the stand-in table.
std::string Text(int id);
// Texts of the small popup's text box, if one is shown ("" otherwise).
std::string PopupText();

} // namespace lobbytest
