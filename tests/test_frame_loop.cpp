// The lobby's frame: join timeout, realm replies to create and join requests,
// failed statuses, the three timers and the frame's repeat rule.
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

// A chat-layout visit on a connected realm with a game named "Duel".
struct RealmVisit : Visit {
    RealmVisit() : Visit("Lobby", "Zendri") {
        TextCopy(record.gameName, sizeof record.gameName, "Duel");
        TextCopy(record.gamePassword, sizeof record.gamePassword, "pw");
    }
};

// What the create-game and join dialogs leave behind when they send a request.
void PretendRequest(int state, bool waitPopup = false) {
    lobbyState = state;
    pendingRequestId = TakeRequestId();
    if (waitPopup) ShowWaitMessage(GetString(kPleaseWait), nullptr);
}

} // namespace

// Only a pending join times out, and only once a wait popup recorded its time.
TEST(JoinTimeout, FiresOnlyAfter30000msFromTheWaitPopup) {
    RealmVisit visit;
    standin::Enqueue([] { PretendRequest(kLobbyJoinPending); });
    standin::Wait(60000);
    standin::Check([] { EXPECT_EQ(lobbyState, kLobbyJoinPending) << "no popup time recorded"; });
    standin::Enqueue([] { PretendRequest(kLobbyCreatePending, true); });
    standin::Wait(60000);
    standin::Check([] {
        EXPECT_EQ(lobbyState, kLobbyCreatePending) << "a pending create has no timeout of its own";
        EXPECT_EQ(PanelMessage(), nullptr);
    });
    standin::Enqueue([] { PretendRequest(kLobbyJoinPending, true); });
    standin::Wait(30000);
    standin::Check([] {
        EXPECT_EQ(lobbyState, kLobbyJoinPending) << "30000 ms is not yet more than 30000";
        EXPECT_EQ(PanelMessage(), nullptr);
    });
    standin::Wait(1);
    standin::Check([] {
        EXPECT_EQ(lobbyState, kLobbyIdle);
        EXPECT_EQ(PanelText(), Text(5141));
        EXPECT_EQ(popupOpenedAt, 0u);
    });
    EXPECT_EQ(visit.Quit(), 4u);
}

// Replies to other requests are ignored. The join after a create takes the
// next request id, which wraps from 65535 to 1; the join's success starts the
// game. (What the game start writes to the launch record: create_game.scn and
// join_game.scn.)
TEST(GameStart, CreateBecomesJoinAndJoinStartsTheGame) {
    RealmVisit visit;
    standin::Enqueue([] {
        nextRequestId = 65534;
        PretendRequest(kLobbyCreatePending);
        EXPECT_EQ(pendingRequestId, 65535);
        standin::RealmReply((uint16_t)(pendingRequestId + 7), 0x1e);
    });
    standin::Frames(3);
    standin::Check([] {
        EXPECT_EQ(lobbyState, kLobbyCreatePending);
        EXPECT_TRUE(RealmArgs("RealmJoinGame").empty());
        EXPECT_EQ(PanelMessage(), nullptr);
    });
    Answer(0);
    standin::Check([] {
        EXPECT_EQ(lobbyState, kLobbyJoinPending);
        EXPECT_EQ(pendingRequestId, 1);
        EXPECT_EQ(RealmArgs("RealmJoinGame"), (std::vector<Texts>{{"Duel", "pw", "1"}}));
        standin::SetJoinReply(0x1234, 0x0a000001, "10.0.0.1:4000");
    });
    Answer(0);
    EXPECT_EQ(visit.Run(), 1u);
    EXPECT_EQ(visit.NextAction(), 3u);
    EXPECT_EQ(RealmArgs("RealmFinish").size(), 1u);
    EXPECT_EQ(standin::LiveControlCount(), 0);
}

TEST(GameStart, LongJoinTextIsCutToTheRecordField) {
    RealmVisit visit;
    standin::Enqueue([] {
        PretendRequest(kLobbyJoinPending);
        standin::SetJoinReply(1, 2, std::string(500, 'x'));
        standin::RealmReply(pendingRequestId, 0);
    });
    EXPECT_EQ(visit.Run(), 1u);
    EXPECT_EQ(strlen(visit.record.gameInfo), sizeof visit.record.gameInfo - 1);
    EXPECT_EQ(visit.record.accountName[0], 'T') << "the neighbouring field is untouched";
}

// The refusals' messages and their stay until the chat tick: join_refused.scn,
// join_refused_flags.scn, join_refused_realm_byte.scn and create_game_refused.scn.

TEST(FrameLoop, ReturnValueAndRepeatRule) {
    Visit visit;
    standin::Enqueue([] {
        // No timer due: one pass, result 0, however many events wait.
        standin::PushChatEvent(6, 0, "", "one");
        standin::PushChatEvent(6, 0, "", "two");
        EXPECT_EQ(LobbyFrame(0), 0);
        EXPECT_EQ(standin::PendingChatEvents(), 1);
        // A timer ran and the pass had work: another pass, which runs no timer.
        standin::AdvanceTime(1000);
        standin::PushChatEvent(6, 0, "", "three");
        standin::PushChatEvent(6, 0, "", "four");
        EXPECT_EQ(LobbyFrame(0), 0);
        EXPECT_EQ(standin::PendingChatEvents(), 1);
        // A timer ran and the pass had no work: 1.
        EXPECT_EQ(LobbyFrame(0), 0);
        EXPECT_EQ(standin::PendingChatEvents(), 0);
        standin::AdvanceTime(1000);
        EXPECT_EQ(LobbyFrame(0), 1);
    });
    visit.Quit();
}

TEST(Timers, FireOnTheFirstFrameAndCarryIntoTheNextVisit) {
    {
        Visit visit;
        standin::Check([] { EXPECT_EQ(ChatArgs("PeriodicTick").size(), 1u); });
        visit.Quit();
    }
    EXPECT_EQ(chatTickAt, standin::kClockStart);
    standin::ResetAll();
    standin::SetNow(standin::kClockStart + 5000);
    Visit second;
    standin::Frames(2);
    standin::Check([] { EXPECT_TRUE(ChatArgs("PeriodicTick").empty()); });
    standin::Wait(10000);
    standin::Check([] { EXPECT_EQ(ChatArgs("PeriodicTick").size(), 1u); });
    second.Quit();
}

TEST(Timers, GameInfoSendsOnlyTheLatestNameAtMostOncePerSecond) {
    RealmVisit visit;
    static uint16_t lastId;
    standin::Enqueue([] {
        TextCopy(queuedGameInfoName, sizeof queuedGameInfoName, "First");
        gameInfoQueued = TakeRequestId();
        TextCopy(queuedGameInfoName, sizeof queuedGameInfoName, "Second");
        gameInfoQueued = lastId = TakeRequestId();
    });
    standin::Frames(3);
    standin::Check([] { EXPECT_TRUE(RealmArgs("RealmRequestGameInfo").empty()); });
    standin::Wait(1000);
    standin::Check([] {
        EXPECT_EQ(RealmArgs("RealmRequestGameInfo"),
                  (std::vector<Texts>{{"Second", std::to_string(lastId)}}));
        EXPECT_EQ(gameInfoRequestId, lastId);
        EXPECT_EQ(gameInfoQueued, -1);
        TextCopy(queuedGameInfoName, sizeof queuedGameInfoName, "Third");
        gameInfoQueued = TakeRequestId();
    });
    standin::Wait(999);
    standin::Check([] { EXPECT_EQ(RealmArgs("RealmRequestGameInfo").size(), 1u); });
    standin::Wait(1);
    standin::Check([] { EXPECT_EQ(RealmArgs("RealmRequestGameInfo").size(), 2u); });
    visit.Quit();
}

// A realm lost by the chat tick: realm_lost_tick_0000/0004/000c.scn.
