// A lobby visit from the host's side: the entry, the layouts, the screen
// resources, the popups and the teardown.
#include "support/LobbyTest.h"

using namespace lobbytest;

TEST(Entry, QueryInterfaceHandsOutOneStaticTable) {
    const LobbyInterface* lobby = QueryInterface();
    ASSERT_NE(lobby, nullptr);
    EXPECT_EQ(lobby, QueryInterface());
    EXPECT_NE(lobby->RunLobby, nullptr);
}

TEST(EntryDeathTest, NullChatServiceIsFatal3282) {
    Visit visit;
    visit.record.chatService = nullptr;
    EXPECT_EXIT(visit.Run(), testing::ExitedWithCode(kFatalExitCode), "3282");
}

// Visits that end before the screen loop leave no control, image or string
// table behind: the string table cannot be loaded (the result keeps the value
// of the visit before), the chat service is not connected, or the chat is lost
// while entering it. (No image loaded and no chat entered in the first two:
// strings_fail.scn and not_connected.scn.)
TEST(Entry, VisitsEndedBeforeTheLoopLeaveNothingBehind) {
    for (int how : {0, 1, 2}) {
        SCOPED_TRACE(how);
        Fresh();
        if (how == 0) {
            Visit().Quit(); // ends with 4
            Fresh();
        }
        standin::SetStringsLoadFails(how == 0);
        standin::SetChatConnected(how != 1);
        if (how == 2) standin::DropChatAfter(1); // the start check passes, the one after entering fails
        EXPECT_EQ(Visit().Run(), 4u);
        EXPECT_EQ(standin::FramesRun(), 0u);
        EXPECT_TRUE(RealmArgs("RealmFinish").empty());
        EXPECT_EQ(standin::LiveControlCount(), 0);
        EXPECT_EQ(standin::LiveImageCount(), 0);
        EXPECT_FALSE(standin::StringsLoaded());
    }
}

// The arguments chat is entered with: default.scn.
TEST(Entry, ChatLayoutFollowsChannelName) {
    Visit visit;
    standin::Check(ExpectChatLayout);
    EXPECT_EQ(visit.Quit(), 4u);
    EXPECT_TRUE(ChatArgs("EnterChatPlain").empty());
}

// Both layouts, twice in one process: each visit starts from result 0 and
// leaves no control, figure, image, block or string table behind.
TEST(Entry, EveryVisitStartsFromResultZeroAndTearsDownCleanly) {
    for (const char* channel : {"Lobby", "", "Lobby", ""}) {
        SCOPED_TRACE(channel);
        Visit visit(channel);
        standin::Check([] { EXPECT_EQ(resultCode, 0); });
        if (*channel) Push(1, 0, "Nim*Acct", "TAHC");
        standin::Frames(1);
        standin::Check([] { EXPECT_EQ(standin::LiveFigureCount(), 1); });
        EXPECT_EQ(visit.Quit(), 4u);
        EXPECT_EQ(standin::LiveControlCount(), 0);
        EXPECT_EQ(standin::LiveFigureCount(), 0);
        EXPECT_EQ(standin::LiveImageCount(), 0);
        EXPECT_EQ(standin::LiveBlocks(), 0);
        EXPECT_EQ(standin::Background(), nullptr);
        EXPECT_EQ(standin::Cursor(), nullptr);
        EXPECT_FALSE(standin::StringsLoaded());
    }
}

// The images and their load order: default.scn.
TEST(Resources, FreeingTheScreenImagesTwiceIsHarmless) {
    Visit().Quit();
    LoadScreenImages();
    EXPECT_EQ(standin::LiveImageCount(), 52);
    FreeScreenImages();
    for (QvImage image : screenImages)
        EXPECT_EQ(image, nullptr) << "a freed handle is forgotten";
    FreeScreenImages();
    EXPECT_EQ(standin::LiveImageCount(), 0);
}

TEST(Resources, CursorFollowsThePointerOverTheBanner) {
    Visit visit;
    standin::Enqueue([] { standin::SetPointer(300, 40); });
    standin::Check(
        [] { EXPECT_EQ(standin::ImagePath(standin::Cursor()), "DATA\\GLOBAL\\UI\\CURSOR\\lrotate"); });
    standin::Enqueue([] { standin::SetPointer(300, 200); });
    standin::Check(
        [] { EXPECT_EQ(standin::ImagePath(standin::Cursor()), "DATA\\GLOBAL\\UI\\CURSOR\\ohand"); });
    visit.Quit();
}

// The buttons the record locks: button_locks_*.scn.

TEST(Popups, QuitShowsWaitMessageAndLeavesWith4) {
    Visit visit;
    standin::Check([] { EXPECT_EQ(popupOpenedAt, 0u); });
    standin::Enqueue([] {
        standin::ClickControl(standin::FindByTextId(kQuitLabel));
        EXPECT_EQ(PopupText(), Text(kPleaseWait));
        EXPECT_NE(standin::FindByTextId(kCancelLabel), nullptr) << "wait message has the cancel button";
        EXPECT_EQ(popupOpenedAt, standin::Now());
        // Its close action is the default one: only the popup goes.
        int before = standin::LiveControlCount();
        standin::ClickControl(standin::FindByTextId(kCancelLabel));
        EXPECT_EQ(standin::LiveControlCount(), before - 3);
        EXPECT_EQ(popupOpenedAt, 0u);
    });
    EXPECT_EQ(visit.Run(), 4u);
}

TEST(Popups, NewPopupReplacesThePreviousOneAndItsCloseAction) {
    Visit visit;
    visit.SetRealm("Zendri");
    standin::SetRealmLogonData({}, false); // the restore fails and the realm stays down
    standin::Frames(1);                    // the first chat tick finds the realm gone
    standin::Enqueue([] {
        EXPECT_EQ(PopupText(), Text(kConnectionLost));
        ASSERT_NE(standin::FindByTextId(kOkLabel), nullptr);
        standin::ClickControl(standin::FindByTextId(kQuitLabel)); // quit replaces it
        int backgrounds = 0;
        for (standin::Control* c : standin::Controls())
            if (c->desc.kind == kImageControl && c->desc.x == 268 && c->desc.y == 350) ++backgrounds;
        EXPECT_EQ(backgrounds, 1);
        EXPECT_EQ(standin::FindByTextId(kOkLabel), nullptr);
        EXPECT_EQ(PopupText(), Text(kPleaseWait));
    });
    EXPECT_EQ(visit.Run(), 4u);
}

// With nothing open, leaving a dialog only shows the side panel again, and
// closing the transients gives Escape back to the quit button.
TEST(Popups, LeaveDialogAndCloseTransientsWithNothingOpenGiveBackThePlainLobby) {
    Visit visit;
    standin::Enqueue([] {
        ShowControl(sidePanelTextBox, 0);
        int before = standin::LiveControlCount();
        LeaveDialog();
        EXPECT_EQ(standin::LiveControlCount(), before);
        EXPECT_TRUE(SidePanelTextBox()->shown);
        EXPECT_EQ(lobbyState, kLobbyIdle);
        SetCancelControl(nullptr);
        CloseTransients();
        EXPECT_EQ(RoleOf(standin::CancelControl()), "quit");
    });
    standin::Escape();
    EXPECT_EQ(visit.Run(), 4u);
}

TEST(PopupsDeathTest, The33rdTransientControlIsFatal5081) {
    Visit visit;
    standin::Enqueue([] {
        for (int i = 0; i < 33; ++i)
            AddTransient(CreateControl(&kSmallPopupTextDesc));
    });
    EXPECT_EXIT(visit.Run(), testing::ExitedWithCode(kFatalExitCode), "5081");
}

// A channel-joined event that names no channel makes a chat-layout visit end
// as the character layout does (the message handlers are cleared); one that
// names a channel in the character layout keeps the handlers (the layout now
// reads as chat), and the character panel is removed all the same.
TEST(Teardown, ChannelJoinedEventDecidesTheHandlersAndNoControlOutlivesTheVisit) {
    for (const char* channel : {"Lobby", ""}) {
        SCOPED_TRACE(channel);
        Fresh();
        Visit visit(channel);
        Push(7, 0, "", *channel ? "" : "Trade");
        standin::Frames(1);
        standin::Check(
            [channel] { EXPECT_EQ(standin::FindByTextId(kEnterChatLabel) != nullptr, !*channel); });
        EXPECT_EQ(visit.Quit(), 4u);
        EXPECT_TRUE(*channel || std::string(visit.record.channelName) == "Trade");
        EXPECT_EQ(ChatArgs("SetMessageHandlers").size(), *channel ? 0u : 1u);
        EXPECT_EQ(ChatArgs("ClearMessageHandlers").size(), *channel ? 1u : 0u);
        EXPECT_EQ(standin::LiveControlCount(), 0);
        EXPECT_EQ(standin::LiveBlocks(), 0);
    }
}
