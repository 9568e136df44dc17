// The creation queue screen: the position while the realm keeps the request
// queued, its refresh, cancelling, a status arriving while queued, and the
// withdrawal when the visit ends.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "../Src/games/CreateGame.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

struct QueueVisit : Visit {
    QueueVisit() {
        std::string path = testing::TempDir() + "qvqueue_" + std::to_string(getpid()) + ".txt";
        std::remove(path.c_str());
        standin::SetRegistryPath(path);
        SetRealm("Zendri");
        standin::SetRealmConnected(true);
    }
};

standin::Control* PositionText() {
    return standin::Find(createGameControls[kQueuePositionText]);
}

// The position message as stored: string 11026, the colour marker with colour
// 0, then the position and a space.
std::string PositionMessage(int position) {
    return Text(11026) + kMarker + "0" + std::to_string(position) + " ";
}

std::string LastLine() {
    standin::Control* text = PositionText();
    return text && !text->lines.empty() ? standin::Utf8(text->lines.back().text) : "<no position text>";
}

void CreateQueuedGame() {
    standin::Click(kCreateLabel);
    standin::Enqueue([] {
        SetFocus(createGameControls[kCgNameField]);
        standin::TypeText("Duel");
    });
    standin::Click(5150);
}

// Index of the first realm call of that name from position `from`, or -1.
int IndexOf(const std::vector<standin::Call>& calls, const std::string& name, int from = 0) {
    for (int i = from; i < (int)calls.size(); ++i)
        if (calls[i].name == name) return i;
    return -1;
}

} // namespace

TEST(CreationQueue, ShowsThePositionAsTheRealmQueueMoves) {
    QueueVisit visit;
    standin::ScriptCreateQueue(3, 1000, 0);
    CreateQueuedGame();
    standin::Check([] {
        EXPECT_EQ(standin::ImagePath(standin::Find(createGameControls[kQueueBackground])->image),
                  "DATA\\GLOBAL\\UI\\BIGMENU\\blankbckg2");
        EXPECT_EQ(standin::Utf8(standin::Find(createGameControls[kQueueTitle])->label), Text(5150));
        ASSERT_EQ(PositionText()->lines.size(), 3u);
        EXPECT_EQ(standin::Utf8(PositionText()->lines[0].text), Text(11023));
        EXPECT_EQ(standin::Utf8(PositionText()->lines[1].text), " ");
        EXPECT_EQ(LastLine(), PositionMessage(3));
        EXPECT_EQ(standin::CancelControl(), createGameControls[kQueueCancelButton]);
        EXPECT_FALSE(SidePanelTextBox()->shown);
        EXPECT_EQ(createGameControls[kCgNameField], nullptr) << "the dialog made way for the queue screen";
        EXPECT_EQ(lobbyState, kLobbyCreatePending);
    });
    standin::Wait(1000);
    standin::Enqueue([] { standin::TickTimer(standin::FindAt(kTimer, 2, 0)); });
    standin::Check([] { EXPECT_EQ(LastLine(), PositionMessage(2)); });
    standin::Wait(1000);
    standin::Click(kCreateLabel); // pressed again while queued
    standin::Check([] {
        EXPECT_EQ(LastLine(), PositionMessage(1));
        EXPECT_EQ(createGameControls[kCgNameField], nullptr);
    });
    visit.Quit();
}

TEST(CreationQueue, EscapeWithdrawsTheRequestAndKeepsWatchingForItsStatus) {
    QueueVisit visit;
    standin::ScriptCreateQueue(2, 1000, 0x20);
    CreateQueuedGame();
    standin::Escape();
    standin::Check([] {
        auto calls = standin::RealmCalls();
        int leave = IndexOf(calls, "RealmLeaveQueue");
        ASSERT_GE(leave, 0);
        EXPECT_EQ(IndexOf(calls, "RealmReset", leave), leave + 1);
        for (QvControl c : createGameControls)
            EXPECT_EQ(c, nullptr);
        EXPECT_TRUE(SidePanelTextBox()->shown);
        EXPECT_FALSE(standin::FindByTextId(kCreateLabel)->pressed);
        EXPECT_EQ(standin::CancelControl(), standin::FindByTextId(kQuitLabel)->handle);
        EXPECT_EQ(lobbyState, kLobbyCreatePending);
    });
    standin::Wait(5000);
    standin::Check([] {
        EXPECT_EQ(PanelMessage(), nullptr) << "a withdrawn request is never answered";
        standin::RealmReply(pendingRequestId, 0x20); // unless the realm answers it anyway
    });
    standin::Check([] { EXPECT_EQ(standin::Utf8(PanelMessage()->label), Text(5139)); });
    visit.Quit();
    EXPECT_EQ(standin::RealmCallsNamed("RealmLeaveQueue").size(), 1u)
        << "nothing left to withdraw at the end";
}

TEST(CreationQueue, FailedStatusWhileQueuedReplacesTheScreen) {
    QueueVisit visit;
    standin::ScriptCreateQueue(1, 1000, 0x1f);
    CreateQueuedGame();
    standin::Wait(1000);
    standin::Check([] {
        EXPECT_EQ(lobbyState, kLobbyIdle);
        EXPECT_EQ(standin::Utf8(PanelMessage()->label), Text(5138));
        for (QvControl c : createGameControls)
            EXPECT_EQ(c, nullptr);
    });
    visit.Quit();
}

TEST(CreationQueue, TheVisitEndWithdrawsAWaitingCreation) {
    QueueVisit visit;
    standin::SetRealmQueued(true, 4); // an earlier creation still waits
    standin::Click(kCreateLabel);
    standin::Check([] { EXPECT_EQ(LastLine(), PositionMessage(4)); });
    EXPECT_EQ(visit.Quit(), 4u);
    auto calls = standin::RealmCalls();
    int leave = IndexOf(calls, "RealmLeaveQueue");
    ASSERT_GE(leave, 0);
    EXPECT_EQ(calls[leave + 1].name, "RealmReset");
    EXPECT_EQ(calls[leave + 1].args, std::vector<std::string>{"0"});
    EXPECT_EQ(IndexOf(calls, "RealmLeaveQueue", leave + 1), -1);
    EXPECT_EQ(standin::LiveControlCount(), 0);
}
