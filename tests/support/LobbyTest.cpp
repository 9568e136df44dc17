#include "LobbyTest.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lobbytest {

Visit::Visit() { standin::FillLaunchRecord(&record); }

uint32_t Visit::Run() {
    uint32_t result = standin::RunVisit(QueryInterface(), &record);
    EXPECT_FALSE(standin::LoopTimedOut()) << "the screen loop never ended";
    return result;
}

void Visit::SetChannel(const char* name) {
    memset(record.channelName, 0, sizeof record.channelName);
    strncpy(record.channelName, name, sizeof record.channelName - 1);
}

void Visit::SetRealm(const char* name) {
    memset(record.realmName, 0, sizeof record.realmName);
    strncpy(record.realmName, name, sizeof record.realmName - 1);
}

standin::Control* ChatPane() { return standin::FindAt(kTextList, 28, 410); }
standin::Control* SidePanelTextBox() { return standin::FindAt(kTextList, 447, 398); }
standin::Control* PanelMessage() { return standin::FindAt(kTextList, 438, 300); }

std::vector<std::string> PaneLines() {
    std::vector<std::string> lines;
    if (standin::Control* pane = ChatPane())
        for (const standin::TextLine& line : pane->lines) lines.push_back(standin::Utf8(line.text));
    return lines;
}

std::vector<int> PaneColours() {
    std::vector<int> colours;
    if (standin::Control* pane = ChatPane())
        for (const standin::TextLine& line : pane->lines) colours.push_back(line.colour);
    return colours;
}

std::string Text(int id) { return standin::Utf8(standin::StringText(id)); }

std::string PopupText() {
    standin::Control* box = standin::FindAt(kTextList, 268, 320);
    if (!box || box->lines.empty()) return "";
    return standin::Utf8(box->lines.back().text);
}

} // namespace lobbytest
