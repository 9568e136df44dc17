// The realm side of a visit: restoring the realm connection before chat is
// entered, and the realm message panel on the right of the lobby.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../Src/core/Lobby.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

const char kRestoreFailed[] = "[QVMULTI]  Could not restore Zendri connection.";
const std::vector<uint8_t> kLogonData = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

struct RealmVisit : Visit {
    RealmVisit() { SetRealm("Eastmarch"); }
};

bool Logged(const char* line) {
    for (const std::string& l : standin::LogLines())
        if (l == line) return true;
    return false;
}

standin::Control* WaitPopupButton() {
    return standin::FindByTextId(kCancelLabel);
}

void ExpectPlainChatEntry() {
    EXPECT_TRUE(Logged(kRestoreFailed));
    EXPECT_EQ(standin::ChatCallsNamed("EnterChatPlain").size(), 1u);
    EXPECT_TRUE(standin::ChatCallsNamed("EnterChat").empty());
}

} // namespace

// ---- restoring the connection ----------------------------------------------------------

TEST(RealmRestore, NoRealmNeedsNothing) {
    Visit visit; // realm ""
    standin::Check([] { EXPECT_EQ(WaitPopupButton(), nullptr); });
    visit.Quit();
    EXPECT_TRUE(standin::ChatCallsNamed("GetRealmLogonData").empty());
    EXPECT_TRUE(standin::RealmCallsNamed("RealmStartLogon").empty());
    EXPECT_FALSE(Logged(kRestoreFailed));
    EXPECT_EQ(standin::ChatCallsNamed("EnterChat").size(), 1u);
}

TEST(RealmRestore, ConnectedRealmShowsNoPopup) {
    standin::SetRealmConnected(true);
    RealmVisit visit;
    visit.Quit();
    EXPECT_TRUE(standin::ChatCallsNamed("GetRealmLogonData").empty());
    EXPECT_EQ(standin::FramesRun(), 1u) << "no nested wait loop ran before the lobby's";
    auto enter = standin::ChatCallsNamed("EnterChat");
    ASSERT_EQ(enter.size(), 1u);
    EXPECT_EQ(enter[0].args[1], "Eastmarch,Arin");
}

TEST(RealmRestore, LogonThenCharacterSelection) {
    standin::SetRealmConnected(false);
    standin::SetRealmLogonData(kLogonData);
    standin::SetRealmLogon(3, 0);
    RealmVisit visit;
    standin::Check([] {
        // Inside the logon wait, before the lobby's own loop and chat entry.
        ASSERT_NE(WaitPopupButton(), nullptr);
        EXPECT_EQ(PopupText(), Text(kPleaseWait));
        EXPECT_TRUE(standin::ChatCallsNamed("EnterChat").empty());
        EXPECT_TRUE(standin::RealmCallsNamed("RealmSelectCharacter").empty());
    });
    standin::Frames(10);
    standin::Check([] { EXPECT_EQ(WaitPopupButton(), nullptr) << "the popup went with the waits"; });
    visit.Quit();
    auto fetch = standin::ChatCallsNamed("GetRealmLogonData");
    ASSERT_EQ(fetch.size(), 1u);
    EXPECT_EQ(fetch[0].args, (std::vector<std::string>{"Eastmarch", "password"}));
    EXPECT_EQ(standin::RealmCallsNamed("RealmSelectCharacter").size(), 1u);
    EXPECT_EQ(standin::ChatCallsNamed("EnterChat").size(), 1u);
    EXPECT_FALSE(Logged(kRestoreFailed));
}

// Ways the restore fails, each ending in the log line and the plain chat
// entry; a logon or a character selection that never ends is cancelled from
// the wait popup, and the restore fails at the next frame.
TEST(RealmRestore, FailuresEnterChatPlainly) {
    struct Row {
        const char* what;
        bool dataPresent;
        std::vector<uint8_t> data;
        int frames, status;
        bool selectDone, drop, cancel;
        size_t logons, selects;
    } rows[] = {
        {"no logon data", false, {}, 1, 0, true, false, false, 0, 0},
        {"8-byte block", true, {1, 2, 3, 4, 5, 6, 7, 8}, 1, 0, true, false, false, 0, 0},
        {"logon refused", true, kLogonData, 2, 5, true, false, false, 1, 0},
        {"connection lost in the logon", true, kLogonData, 2, 0, true, true, false, 1, 0},
        {"logon cancelled", true, kLogonData, -1, 0, true, false, true, 1, 0},
        {"selection cancelled", true, kLogonData, 1, 0, false, false, true, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        standin::ResetAll();
        standin::SetRealmConnected(false);
        standin::SetRealmLogonData(row.data, row.dataPresent);
        standin::SetRealmLogon(row.frames, row.status, row.selectDone, row.drop);
        RealmVisit visit;
        standin::Frames(5);
        if (row.cancel) {
            standin::Check([] { ASSERT_NE(WaitPopupButton(), nullptr) << "still waiting"; });
            standin::Click(kCancelLabel);
            standin::Check([] {
                EXPECT_EQ(standin::ChatCallsNamed("EnterChatPlain").size(), 1u);
                EXPECT_EQ(WaitPopupButton(), nullptr);
            });
        }
        visit.Quit();
        EXPECT_EQ(standin::RealmCallsNamed("RealmStartLogon").size(), row.logons);
        EXPECT_EQ(standin::RealmCallsNamed("RealmSelectCharacter").size(), row.selects);
        ExpectPlainChatEntry();
    }
}

// ---- the realm message panel ---------------------------------------------------------------

namespace {

standin::Control* SideBackground() {
    return standin::FindAt(kImageControl, 415, 447);
}

std::string SidePanelText() {
    standin::Control* box = SidePanelTextBox();
    if (!box || box->lines.empty()) return "<none>";
    return standin::Utf8(box->lines.back().text);
}

} // namespace

TEST(RealmMessages, JoinedInKeyOrderWithOneTextPerKey) {
    Visit visit;
    standin::Enqueue([] {
        standin::PushRealmMessage(3, "three.");
        standin::PushRealmMessage(1, "one.");
        standin::PushRealmMessage(2, "two.");
    });
    standin::Check([] {
        EXPECT_EQ(SidePanelText(), "one.two.three.");
        EXPECT_FALSE(SideBackground()->shown);
        EXPECT_EQ(SidePanelTextBox()->lines.size(), 1u) << "the panel shows the joined text once";
    });
    standin::Enqueue([] {
        standin::PushRealmMessage(2, "TWO!");
        standin::PushRealmMessage(-5, "first ");
        standin::PushRealmMessage(9, " last");
    });
    standin::Check([] { EXPECT_EQ(SidePanelText(), "first one.TWO!three. last"); });
    visit.Quit();
    EXPECT_EQ(standin::LiveBlocks(), 0) << "the list is freed at the end of the visit";
}

TEST(RealmMessages, LongTextsAreCutTo511Characters) {
    Visit visit;
    standin::Enqueue([] { standin::PushRealmMessage(1, std::string(600, 'x')); });
    standin::Check([] { EXPECT_EQ(SidePanelText(), std::string(511, 'x')); });
    standin::Enqueue([] {
        standin::PushRealmMessage(1, std::string(300, 'a'));
        standin::PushRealmMessage(2, std::string(300, 'b'));
    });
    standin::Check([] { EXPECT_EQ(SidePanelText(), std::string(300, 'a') + std::string(211, 'b')); });
    standin::Enqueue([] { standin::PushRealmMessage(1, ""); });
    standin::Enqueue([] { standin::PushRealmMessage(2, ""); });
    standin::Check([] {
        EXPECT_EQ(SidePanelText(), "");
        EXPECT_TRUE(SideBackground()->shown) << "nothing left to read";
    });
    visit.Quit();
}

TEST(RealmMessages, EachVisitStartsWithTheBlankBackgroundAndAnEmptyLine) {
    Visit first;
    standin::Enqueue([] { standin::PushRealmMessage(1, "old news"); });
    first.Quit();
    Visit second;
    standin::Check([] {
        ASSERT_NE(SideBackground(), nullptr);
        EXPECT_TRUE(SideBackground()->shown);
        ASSERT_NE(SidePanelTextBox(), nullptr);
        ASSERT_EQ(SidePanelTextBox()->lines.size(), 1u);
        EXPECT_EQ(SidePanelText(), "");
        EXPECT_EQ(SidePanelTextBox()->lines[0].colour, 1);
    });
    second.Quit();
}
