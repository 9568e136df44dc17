// The realm side of a visit: restoring the realm connection before chat is
// entered, and the realm message panel on the right of the lobby.
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

const char kRestoreFailed[] = "[QVMULTI]  Could not restore Zendri connection.";
const std::vector<uint8_t> kLogonData = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

bool Logged(const char* line) {
    for (const std::string& l : standin::LogLines())
        if (l == line) return true;
    return false;
}

standin::Control* WaitPopupButton() {
    return standin::FindByTextId(kCancelLabel);
}

standin::Control* SideBackground() {
    return standin::FindAt(kImageControl, 415, 447);
}

std::string SidePanelText() {
    standin::Control* box = SidePanelTextBox();
    if (!box || box->lines.empty()) return "<none>";
    return standin::Utf8(box->lines.back().text);
}

} // namespace

// Without a realm or with a connected one nothing is restored and no wait
// loop runs; otherwise the logon data is fetched, the logon and the character
// selection run behind a wait popup, and chat is entered with the realm. A
// restore that fails logs its line and enters chat plainly; a logon or a
// selection that never ends is cancelled from the wait popup. (The logon's
// data, the selection and the order of the calls: character.scn.)
TEST(RealmRestore, RestoresBeforeChatOrEntersItPlainly) {
    const struct {
        const char *what, *realm;
        bool connected, dataPresent;
        std::vector<uint8_t> data;
        int frames, status;
        bool selectDone, drop, cancel;
        size_t logons, selects;
        bool fails;
    } rows[] = {
        {"no realm", "", false, false, {}, 1, 0, true, false, false, 0, 0, false},
        {"connected realm", "Eastmarch", true, false, {}, 1, 0, true, false, false, 0, 0, false},
        {"logon and selection", "Eastmarch", false, true, kLogonData, 3, 0, true, false, false, 1, 1, false},
        {"no logon data", "Eastmarch", false, false, {}, 1, 0, true, false, false, 0, 0, true},
        {"8-byte block",
         "Eastmarch",
         false,
         true,
         {1, 2, 3, 4, 5, 6, 7, 8},
         1,
         0,
         true,
         false,
         false,
         0,
         0,
         true},
        {"logon refused", "Eastmarch", false, true, kLogonData, 2, 5, true, false, false, 1, 0, true},
        {"connection lost in the logon", "Eastmarch", false, true, kLogonData, 2, 0, true, true, false, 1, 0,
         true},
        {"logon cancelled", "Eastmarch", false, true, kLogonData, -1, 0, true, false, true, 1, 0, true},
        {"selection cancelled", "Eastmarch", false, true, kLogonData, 1, 0, false, false, true, 1, 1, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Fresh();
        standin::SetRealmConnected(row.connected);
        standin::SetRealmLogonData(row.data, row.dataPresent);
        standin::SetRealmLogon(row.frames, row.status, row.selectDone, row.drop);
        Visit visit;
        visit.SetRealm(row.realm);
        standin::Check([&row] { // inside the logon wait chat is not entered yet; else the lobby's loop runs
            EXPECT_EQ(WaitPopupButton() != nullptr, row.logons > 0);
            EXPECT_EQ(ChatArgs("EnterChat").size() + ChatArgs("EnterChatPlain").size(), row.logons ? 0u : 1u);
            EXPECT_TRUE(!row.logons || PopupText() == Text(kPleaseWait));
        });
        if (row.cancel) standin::Click(kCancelLabel);
        standin::Frames(5);
        standin::Check([] { EXPECT_EQ(WaitPopupButton(), nullptr) << "the popup went with the waits"; });
        visit.Quit();
        std::vector<Texts> fetches;
        if (*row.realm && !row.connected) fetches.push_back({"Eastmarch", "password"});
        EXPECT_EQ(ChatArgs("GetRealmLogonData"), fetches);
        EXPECT_EQ(RealmArgs("RealmStartLogon").size(), row.logons);
        EXPECT_EQ(RealmArgs("RealmSelectCharacter").size(), row.selects);
        EXPECT_EQ(Logged(kRestoreFailed), row.fails);
        EXPECT_EQ(ChatArgs("EnterChatPlain").size(), row.fails ? 1u : 0u);
        Texts entered;
        for (const Texts& args : ChatArgs("EnterChat"))
            entered.push_back(args.at(1));
        EXPECT_EQ(entered, row.fails ? Texts{} : Texts{std::string(row.realm) + ",Arin"});
    }
}

// The messages' order, their cut and the background: realm_messages.scn.
TEST(RealmMessages, EachVisitStartsWithTheBlankBackgroundAndAnEmptyLine) {
    Visit first;
    standin::Enqueue([] { standin::PushRealmMessage(1, "old news"); });
    first.Quit();
    EXPECT_EQ(standin::LiveBlocks(), 0) << "the list is freed at the end of the visit";
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
