// A lobby visit from the host's side: the entry, the layouts, the screen
// resources, the popups and the teardown.
#include <gtest/gtest.h>

#include <algorithm>

#include "../Src/core/Lobby.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

int CountAt(int kind, int x, int y) {
    int n = 0;
    for (standin::Control* c : standin::Controls())
        if (c->desc.kind == kind && c->desc.x == x && c->desc.y == y) ++n;
    return n;
}

} // namespace

TEST(Entry, QueryInterfaceHandsOutOneStaticTable) {
    const LobbyInterface* lobby = QueryInterface();
    ASSERT_NE(lobby, nullptr);
    EXPECT_EQ(lobby, QueryInterface());
    EXPECT_NE(lobby->RunLobby, nullptr);
}

TEST(EntryDeathTest, NullChatServiceIsFatal3282) {
    Visit visit;
    visit.record.chatService = nullptr;
    EXPECT_EXIT(visit.Run(), testing::ExitedWithCode(255), "3282");
}

TEST(Entry, StringTableFailureCreatesNothingAndKeepsResult) {
    Visit first;
    standin::Click(5316); // quit
    EXPECT_EQ(first.Run(), 4u);

    standin::SetStringsLoadFails(true);
    standin::ClearChatCalls();
    Visit second;
    int loadsBefore = (int)standin::ImageLoads().size();
    EXPECT_EQ(second.Run(), 4u) << "the result code keeps the previous visit's value";
    EXPECT_EQ((int)standin::ImageLoads().size(), loadsBefore);
    EXPECT_EQ(standin::LiveControlCount(), 0);
    EXPECT_TRUE(standin::ChatCallsNamed("EnterChat").empty());
}

TEST(Entry, DisconnectedChatServiceLeavesWithoutAScreen) {
    standin::SetChatConnected(false);
    Visit visit;
    EXPECT_EQ(visit.Run(), 4u);
    EXPECT_TRUE(standin::ImageLoads().empty());
    EXPECT_EQ(standin::LiveControlCount(), 0);
    EXPECT_FALSE(standin::StringsLoaded());
}

TEST(Entry, ChatLostWhileEnteringTearsDownWithoutRealmFinish) {
    standin::DropChatAfter(1); // the start check passes, the check after entering chat fails
    Visit visit;
    EXPECT_EQ(visit.Run(), 4u);
    EXPECT_EQ(standin::FramesRun(), 0u);
    EXPECT_TRUE(standin::RealmCallsNamed("RealmFinish").empty());
    EXPECT_EQ(standin::LiveControlCount(), 0);
    EXPECT_EQ(standin::LiveImageCount(), 0);
}

TEST(Entry, ChatLayoutFollowsChannelName) {
    Visit visit;
    standin::Check([] {
        EXPECT_EQ(standin::ImagePath(standin::Background()), "DATA\\GLOBAL\\UI\\BIGMENU\\lanthorn");
        for (int id : {5305, 5306, 5307, 5308, 5309, 5310, 5312, 5313, 5314, 5315, 5316})
            EXPECT_NE(standin::FindByTextId(id), nullptr) << id;
        EXPECT_EQ(standin::FindByTextId(11126), nullptr);
        EXPECT_NE(standin::FindAt(kEditBox, 28, 450), nullptr);
        EXPECT_NE(standin::FindAt(kTextList, 28, 138), nullptr) << "top text list";
        EXPECT_NE(ChatPane(), nullptr);
        EXPECT_EQ(standin::CancelControl(), standin::FindByTextId(5316)->handle);
        EXPECT_TRUE(standin::FindByTextId(5314)->enabled);
    });
    standin::Click(5316);
    EXPECT_EQ(visit.Run(), 4u);
    auto enter = standin::ChatCallsNamed("EnterChatPlain");
    auto realmEnter = standin::ChatCallsNamed("EnterChat");
    ASSERT_EQ(realmEnter.size(), 1u) << "an empty realm name restores at once";
    EXPECT_EQ(realmEnter[0].args, (std::vector<std::string>{"Arin", ",Arin", "37", "Lobby", "2"}));
    EXPECT_TRUE(enter.empty());
}

TEST(Entry, CharacterLayoutWhenNoChannel) {
    Visit visit;
    visit.SetChannel("");
    visit.record.characterFlags = 0x0020;
    standin::Check([] {
        EXPECT_EQ(standin::ImagePath(standin::Background()), "DATA\\GLOBAL\\UI\\BIGMENU\\waitingroombkgd");
        EXPECT_NE(standin::FindByTextId(11126), nullptr);
        EXPECT_EQ(standin::FindByTextId(5305), nullptr);
        EXPECT_EQ(standin::FindAt(kEditBox, 28, 450), nullptr);
        ASSERT_NE(standin::FindByTextId(5314), nullptr);
        EXPECT_FALSE(standin::FindByTextId(5314)->enabled) << "channel waits for the switch to chat";
    });
    standin::Click(5316);
    EXPECT_EQ(visit.Run(), 4u);
    auto enter = standin::ChatCallsNamed("EnterChat");
    ASSERT_EQ(enter.size(), 1u);
    EXPECT_EQ(enter[0].args.back(), "1") << "character flag 0x20 on, no channel";
}

TEST(Resources, ImagesLoadInTableOrderAndAreAllFreed) {
    Visit visit;
    standin::Click(5316);
    visit.Run();
    std::vector<std::string> loads = standin::ImageLoads();
    ASSERT_EQ(loads.size(), 52u);
    EXPECT_EQ(loads.front(), "DATA\\GLOBAL\\UI\\FrontEnd\\PopUpLargest2");
    EXPECT_EQ(loads[17], loads[20]) << "four separate number-arrow loads";
    EXPECT_EQ(loads[29], "DATA\\GLOBAL\\ui\\BIGMENU\\QvlogoBlackLanthorn");
    EXPECT_EQ(loads[27], "DATA\\GLOBAL\\UI\\BIGMENU\\CancelButtonBlank");
    EXPECT_EQ(loads[41], "DATA\\GLOBAL\\ui\\BIGMENU\\CancelButtonBlank");
    EXPECT_EQ(loads[49], "DATA\\GLOBAL\\ui\\BIGMENU\\shadowbladetab");
    EXPECT_EQ(loads.back(), "DATA\\GLOBAL\\UncompOverlays\\SelectAura");
    EXPECT_EQ(standin::LiveImageCount(), 0);

    // A second visit loads and frees a fresh set: separate handles, freed once each.
    Visit again;
    standin::Click(5316);
    again.Run();
    EXPECT_EQ(standin::ImageLoads().size(), 104u);
    EXPECT_EQ(standin::LiveImageCount(), 0);
}

TEST(Resources, CursorFollowsThePointerOverTheBanner) {
    Visit visit;
    standin::Enqueue([] { standin::SetPointer(300, 40); });
    standin::Check([] { EXPECT_EQ(standin::ImagePath(standin::Cursor()), "DATA\\GLOBAL\\UI\\CURSOR\\lrotate"); });
    standin::Enqueue([] { standin::SetPointer(300, 200); });
    standin::Check([] { EXPECT_EQ(standin::ImagePath(standin::Cursor()), "DATA\\GLOBAL\\UI\\CURSOR\\ohand"); });
    standin::Click(5316);
    visit.Run();
    EXPECT_EQ(standin::Cursor(), nullptr);
}

TEST(Entry, ButtonLocksFromRecord) {
    struct Row {
        uint16_t characterFlags;
        uint8_t accountKind;
        bool gameButtons, ladder;
    };
    const Row rows[] = {{0x0000, 0, true, true}, {0x0004, 0, true, true}, {0x0008, 0, true, true},
                        {0x000c, 0, false, true}, {0x0000, 4, true, false}, {0x000c, 4, false, false}};
    for (const Row& row : rows) {
        standin::ResetAll();
        Visit visit;
        visit.record.characterFlags = row.characterFlags;
        visit.record.accountKind = row.accountKind;
        standin::Wait(15000); // a chat tick re-enables by the same rules
        standin::Check([row] {
            EXPECT_EQ(standin::FindByTextId(5312)->enabled, row.gameButtons) << row.characterFlags;
            EXPECT_EQ(standin::FindByTextId(5313)->enabled, row.gameButtons) << row.characterFlags;
            EXPECT_EQ(standin::FindByTextId(5315)->enabled, row.ladder) << (int)row.accountKind;
        });
        standin::Click(5316);
        EXPECT_EQ(visit.Run(), 4u);
    }
}

TEST(Popups, QuitShowsWaitMessageAndLeavesWith4) {
    Visit visit;
    standin::Check([] { EXPECT_EQ(popupOpenedAt, 0u); });
    standin::Enqueue([] {
        standin::ClickControl(standin::FindByTextId(5316));
        EXPECT_EQ(PopupText(), Text(5243));
        EXPECT_NE(standin::FindByTextId(5103), nullptr) << "wait message has the cancel button";
        EXPECT_EQ(popupOpenedAt, standin::Now());
        // Its close action is the default one: only the popup goes.
        int before = standin::LiveControlCount();
        standin::ClickControl(standin::FindByTextId(5103));
        EXPECT_EQ(standin::LiveControlCount(), before - 3);
        EXPECT_EQ(popupOpenedAt, 0u);
    });
    EXPECT_EQ(visit.Run(), 4u);
}

TEST(Popups, NewPopupReplacesThePreviousOneAndItsCloseAction) {
    Visit visit;
    visit.SetRealm("Zendri");
    standin::SetRealmLogonData({}, false); // the restore fails and the realm stays down
    standin::Frames(1);                               // the first chat tick finds the realm gone
    standin::Enqueue([] {
        EXPECT_EQ(PopupText(), Text(5351));
        ASSERT_NE(standin::FindByTextId(5102), nullptr);
        standin::ClickControl(standin::FindByTextId(5316)); // quit replaces it
        EXPECT_EQ(CountAt(kImageControl, 268, 350), 1);
        EXPECT_EQ(standin::FindByTextId(5102), nullptr);
        EXPECT_EQ(PopupText(), Text(5243));
    });
    EXPECT_EQ(visit.Run(), 4u);
}

TEST(Popups, ConnectionLostPopupEndsVisitWith4WhenClosed) {
    Visit visit;
    visit.SetRealm("Zendri");
    standin::SetRealmLogonData({}, false);
    standin::Frames(1);
    standin::Click(5102);
    EXPECT_EQ(visit.Run(), 4u);
    EXPECT_EQ(standin::LogLines(), std::vector<std::string>{"[QVMULTI]  Could not restore Zendri connection."});
    EXPECT_EQ(standin::ChatCallsNamed("EnterChatPlain").size(), 1u);
    EXPECT_TRUE(standin::RealmCallsNamed("RealmFinish").empty());
}

TEST(Popups, EscapeActivatesQuitAgainAfterCloseTransients) {
    Visit visit;
    standin::Enqueue([] {
        SetCancelControl(nullptr);
        CloseTransients();
        EXPECT_EQ(standin::CancelControl(), standin::FindByTextId(5316)->handle);
    });
    standin::Escape();
    EXPECT_EQ(visit.Run(), 4u);
}

TEST(Popups, LeaveDialogWithNothingOpenOnlyShowsTheSidePanel) {
    Visit visit;
    standin::Enqueue([] {
        ShowControl(sidePanelTextBox, 0);
        int before = standin::LiveControlCount();
        LeaveDialog();
        EXPECT_EQ(standin::LiveControlCount(), before);
        EXPECT_TRUE(SidePanelTextBox()->shown);
        EXPECT_EQ(lobbyState, kLobbyIdle);
    });
    standin::Click(5316);
    visit.Run();
}

TEST(PopupsDeathTest, The33rdTransientControlIsFatal5081) {
    Visit visit;
    standin::Enqueue([] {
        for (int i = 0; i < 33; ++i) AddTransient(CreateControl(&kSmallPopupTextDesc));
    });
    EXPECT_EXIT(visit.Run(), testing::ExitedWithCode(255), "5081");
}

TEST(Entry, SecondVisitStartsFromResultZeroAndTearsDownCleanly) {
    for (int i = 0; i < 2; ++i) {
        Visit visit;
        standin::Check([] { EXPECT_EQ(resultCode, 0); });
        standin::Click(5316);
        EXPECT_EQ(visit.Run(), 4u);
        EXPECT_EQ(standin::LiveControlCount(), 0) << "visit " << i;
        EXPECT_EQ(standin::LiveBlocks(), 0) << "visit " << i;
        EXPECT_EQ(standin::Background(), nullptr);
        EXPECT_FALSE(standin::StringsLoaded());
    }
}

TEST(Entry, GuardWordOnlyOnWordBoundaries) {
    Visit visit;
    visit.record.guardWordHash = standin::HashOf("frog");
    visit.record.guardWordLength = 4;
    launch = &visit.record;
    struct Row {
        const char* text;
        int expected;
    } rows[] = {
        {"frog", 1},       {"a frog!", 1},  {"frogs", 0}, {"leapfrog", 0}, {"frog2", 0},
        {"2frog", 0},      {"fro", 0},      {"", 0},      {"x,frog.", 1},  {"the FROG", 1},
    };
    for (const Row& row : rows) EXPECT_EQ(ContainsGuardWord(row.text), row.expected) << row.text;
    visit.record.guardWordLength = 0;
    EXPECT_EQ(ContainsGuardWord("frog"), 0) << "length 0 switches the test off";
}
