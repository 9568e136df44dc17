// The join game dialog: realm and chat-service lists, refreshes, the row click
// and its details request, the name field, joining with and without a realm,
// list statuses and hostile list replies.
#include <gtest/gtest.h>

#include <cstring>

#include "../Src/games/JoinGame.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

constexpr int kJoinDialogLabel = 5151;

// A chat-layout visit on a connected realm that lists games from the realm.
struct RealmVisit : Visit {
    RealmVisit() {
        SetRealm("Zendri");
        record.accountKind = 2;
        standin::SetRealmConnected(true);
    }
};

standin::RealmGame Game(uint16_t id, const std::string& name, uint16_t players = 1) {
    standin::RealmGame game;
    game.id = id;
    game.name = name;
    game.players = players;
    game.description = name + " for all";
    return game;
}

standin::Control* List() {
    return standin::FindAt(kTextList, 432, 393);
}
standin::Control* NameField() {
    return standin::FindAt(kEditBox, 432, 148);
}
standin::Control* JoinButton() {
    return standin::FindAt(kButton, 594, 433);
}

// "name" or "name|players" per row.
std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    if (standin::Control* list = List())
        for (const standin::ListRow& row : list->rows)
            rows.push_back(row.cells.size() > 1 ? row.text + "|" + standin::Utf8(row.cells[1]) : row.text);
    return rows;
}

std::string Selected() {
    standin::Control* list = List();
    return list && list->selection >= 0 ? list->rows[(size_t)list->selection].text : "";
}

// The join-game button, then frames for the replies (one per frame; on the
// first opening the refresh asks again at once).
void OpenDialog(int frames = 10) {
    standin::Click(kJoinLabel);
    standin::Frames(frames);
}

// Empties the name field, types the name and presses Enter.
void EnterName(const std::string& name) {
    standin::Enqueue([] {
        SetFocus(NameField()->handle);
        EditSetText(NameField()->handle, "");
    });
    standin::Type(name);
    standin::Enter();
}

void ClickRow(int row) {
    standin::Enqueue([row] { standin::ClickListRow(List(), row); });
}

std::vector<std::string> Args(std::initializer_list<std::string> args) {
    return args;
}

} // namespace

TEST(JoinRealmList, ListsEachGameIdOnceWithItsPlayers) {
    RealmVisit visit;
    visit.record.characterFlags = 0x0004;
    standin::AddRealmGame(Game(7, "Duel", 2));
    standin::AddRealmGame(Game(9, "Raid", 5));
    standin::AddRealmGame(Game(7, "Twin", 3)); // the same id again
    OpenDialog();
    standin::Check([] {
        EXPECT_EQ(lobbyState, kLobbyGameListOpen);
        EXPECT_EQ(Rows(), Args({"Duel|2", "Raid|5"})) << "the stale replies of the first request are dropped";
        auto sent = standin::RealmCallsNamed("RealmRequestGameList");
        ASSERT_EQ(sent.size(), 2u) << "the opening's request, then the refresh that has never run";
        EXPECT_EQ(sent[0].args[0], std::string(40, '0') + "00080000");
        EXPECT_EQ(sent[1].args[0], sent[0].args[0]);
        EXPECT_EQ(sent[0].args[1], std::to_string(pendingRequestId - 1));
        EXPECT_EQ(sent[1].args[1], std::to_string(pendingRequestId));
        EXPECT_EQ(standin::LiveListReplies(), 0) << "every reply is released";
        EXPECT_EQ(standin::Find(standin::CancelControl())->desc.textId, kCancelLabel);
        EXPECT_FALSE(JoinButton()->enabled);
        EXPECT_EQ(standin::Focus(), NameField()->handle);
    });
    standin::Escape();
    standin::Check([] {
        EXPECT_EQ(List(), nullptr);
        EXPECT_EQ(lobbyState, kLobbyIdle);
        EXPECT_EQ(standin::Find(standin::CancelControl())->desc.textId, kQuitLabel);
    });
    visit.Quit();
}

TEST(JoinRealmList, ReopeningWithin5sWaitsForTheNextRefresh) {
    RealmVisit visit;
    standin::AddRealmGame(Game(1, "Duel"));
    OpenDialog();
    standin::Escape();
    standin::Wait(4999);
    OpenDialog();
    standin::Check([] {
        EXPECT_TRUE(Rows().empty());
        EXPECT_EQ(standin::RealmCallsNamed("RealmRequestGameList").size(), 2u);
    });
    standin::Wait(15000 - 4999);
    standin::Frames(3);
    standin::Check([] {
        EXPECT_EQ(standin::RealmCallsNamed("RealmRequestGameList").size(), 3u);
        EXPECT_EQ(Rows(), Args({"Duel|1"}));
    });
    standin::Escape();
    standin::Wait(5000);
    OpenDialog(1);
    standin::Check([] { EXPECT_EQ(standin::RealmCallsNamed("RealmRequestGameList").size(), 4u); });
    visit.Quit();
}

TEST(JoinRealmList, TheThousandAndFirstGameIsIgnored) {
    RealmVisit visit;
    for (uint16_t id = 1; id <= 1001; ++id)
        standin::AddRealmGame(Game(id, "G" + std::to_string(id)));
    OpenDialog(2 * 1002 + 1);
    standin::Check([] {
        ASSERT_EQ(Rows().size(), 1000u);
        EXPECT_EQ(Rows().back(), "G1000|1");
    });
    visit.Quit();
}

TEST(JoinRealmList, RefreshKeepsSelectionAndScrollWhileTheGameRemains) {
    RealmVisit visit;
    for (uint16_t id = 1; id <= 20; ++id)
        standin::AddRealmGame(Game(id, "G" + std::to_string(id)));
    OpenDialog(2 * 21 + 1);
    ClickRow(12);
    standin::Check([] { List()->scrollTop = 8; });
    standin::Enqueue([] { standin::RemoveRealmGame("G3"); });
    standin::Wait(15000);
    standin::Frames(25);
    standin::Check([] {
        EXPECT_EQ(Rows().size(), 19u);
        EXPECT_EQ(Selected(), "G13") << "found again by name";
        EXPECT_EQ(List()->scrollTop, 8);
    });
    standin::Enqueue([] { standin::RemoveRealmGame("G13"); });
    standin::Wait(15000);
    standin::Frames(25);
    standin::Check([] {
        EXPECT_EQ(Rows().size(), 18u);
        EXPECT_EQ(Selected(), "");
    });
    visit.Quit();
}

// Replies are read within their bytes, those for another request dropped; the
// status 0x33 shows what arrived so far, 0x32 closes the dialog.
TEST(JoinRealmList, HostileRepliesAreCutOrDroppedAndStatusesRebuildOrClose) {
    RealmVisit visit;
    OpenDialog();
    standin::Enqueue([] {
        std::vector<uint8_t> longName = standin::GameListReplyBytes(Game(1, ""), 0);
        memset(&longName[28], 'N', 48); // name and description without terminators
        longName.resize(400, 'x');      // more than the fixed part
        std::vector<uint8_t> cut = standin::GameListReplyBytes(Game(2, "Cut"), 0);
        cut.resize(75);
        standin::PushListReply(pendingRequestId, 0, longName);
        standin::PushListReply(pendingRequestId, 0, cut);
        standin::PushListReply(pendingRequestId, 0, {1, 0});
        standin::PushListReply(pendingRequestId, 0, {});
        standin::PushListReply(pendingRequestId, 0, standin::GameListEndBytes(0));
    });
    standin::Frames(6);
    standin::Check([] {
        EXPECT_EQ(Rows(), Args({std::string(15, 'N') + "|1"}));
        EXPECT_EQ(strlen(gameRecords[0].description), 31u);
        standin::PushListReply(pendingRequestId, 0, standin::GameListReplyBytes(Game(4, "Late"), 0));
        standin::PushListReply(pendingRequestId, 0x33, {});
        standin::PushListReply((uint16_t)(pendingRequestId + 100), 0, standin::GameListEndBytes(0));
    });
    standin::Frames(4);
    standin::Check([] {
        EXPECT_EQ(Rows(), Args({std::string(15, 'N') + "|1", "Late|1"}))
            << "0x33 rebuilds; a reply for another request is dropped";
        EXPECT_EQ(standin::LiveListReplies(), 0) << "every reply is released";
        standin::PushListReply(pendingRequestId, 0x32, {});
    });
    standin::Frames(1);
    standin::Check([] {
        EXPECT_EQ(List(), nullptr);
        EXPECT_EQ(lobbyState, kLobbyIdle);
        EXPECT_EQ(standin::Utf8(PanelMessage()->label), Text(11020));
    });
    visit.Quit();
}

// A list reply belongs to the request its record names at offset 4, whatever
// id the client's call returns beside it.
TEST(JoinRealmList, TheRecordsOwnIdPicksTheReply) {
    RealmVisit visit;
    OpenDialog();
    standin::Enqueue([] {
        uint16_t other = (uint16_t)(pendingRequestId + 50);
        standin::PushListReplyAsIs(pendingRequestId, 0, standin::GameListReplyBytes(Game(5, "Stale"), other));
        standin::PushListReplyAsIs(other, 0, standin::GameListReplyBytes(Game(6, "Fresh"), pendingRequestId));
        standin::PushListReplyAsIs(other, 0, standin::GameListEndBytes(pendingRequestId));
    });
    standin::Frames(4);
    standin::Check([] {
        EXPECT_EQ(Rows(), Args({"Fresh|1"}));
        EXPECT_EQ(standin::LiveListReplies(), 0) << "every reply is released";
    });
    visit.Quit();
}

TEST(JoinRowClick, FillsTheNameAndAsksForDetailsOncePerSecond) {
    RealmVisit visit;
    standin::AddRealmGame(Game(1, "Duel"));
    standin::AddRealmGame(Game(2, "Raid"));
    OpenDialog();
    standin::Wait(1000);
    standin::Tab();
    standin::Type("pw");
    ClickRow(0);
    ClickRow(1);
    standin::Check([] {
        EXPECT_EQ(standin::Utf8(NameField()->editText), "Raid");
        EXPECT_TRUE(JoinButton()->enabled);
        EXPECT_NE(standin::Focus(), NameField()->handle);
        EXPECT_TRUE(standin::RealmCallsNamed("RealmRequestGameInfo").empty());
    });
    standin::Wait(1000);
    standin::Check([] {
        auto sent = standin::RealmCallsNamed("RealmRequestGameInfo");
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].args, Args({"Raid", std::to_string(gameInfoRequestId)}));
        SetFocus(NameField()->handle);
    });
    standin::Type("x");
    standin::Check([] {
        EXPECT_EQ(Selected(), "") << "typing ends the choice from the list";
        EXPECT_EQ(standin::Utf8(NameField()->editText), "Raidx");
    });
    visit.Quit();
}

TEST(JoinRowClick, SecondClickWithin500msJoins) {
    for (uint32_t gap : {500u, 501u}) {
        standin::ResetAll();
        standin::AdvanceTime(5000);
        RealmVisit visit;
        standin::AddRealmGame(Game(1, "Duel"));
        OpenDialog();
        ClickRow(0);
        standin::Wait(gap);
        ClickRow(0);
        standin::Check([gap] {
            auto joins = standin::RealmCallsNamed("RealmJoinGame");
            if (gap == 500) {
                ASSERT_EQ(joins.size(), 1u);
                EXPECT_EQ(joins[0].args, Args({"Duel", "", std::to_string(pendingRequestId)}));
                EXPECT_EQ(lobbyState, kLobbyJoinPending);
                EXPECT_EQ(List(), nullptr);
                EXPECT_EQ(PopupText(), Text(kPleaseWait));
            } else {
                EXPECT_TRUE(joins.empty());
                EXPECT_EQ(Selected(), "Duel");
            }
        });
        visit.Quit();
    }
}

// A realm that is down stops the dialog; once it is back, the name field
// admits game characters only and the typed name joins.
TEST(JoinRealm, RealmDownStopsTheDialogAndATypedNameJoins) {
    RealmVisit visit;
    standin::SetJoinReply(0x42, 0x0100007f, "127.0.0.1:4000");
    standin::RealmAutoAnswer(-1, 0);
    standin::Enqueue([] { standin::SetRealmConnected(false); });
    OpenDialog(1);
    standin::Check([] {
        EXPECT_EQ(List(), nullptr);
        EXPECT_EQ(standin::Utf8(PanelMessage()->label), Text(5139));
        EXPECT_EQ(lobbyState, kLobbyIdle);
        standin::SetRealmConnected(true);
    });
    OpenDialog(1);
    standin::Type("A-b_c'd 9!?");
    standin::Check([] { EXPECT_EQ(standin::Utf8(NameField()->editText), "A-b_c'd 9"); });
    standin::Tab();
    standin::Type("secret");
    standin::Enter();
    EXPECT_EQ(visit.Run(), 1u);
    auto joins = standin::RealmCallsNamed("RealmJoinGame");
    ASSERT_EQ(joins.size(), 1u);
    EXPECT_EQ(joins[0].args[0], "A-b_c'd 9");
    EXPECT_EQ(joins[0].args[1], "secret");
    uint32_t nextAction = visit.record.nextAction;
    EXPECT_EQ(nextAction, 3u);
    EXPECT_STREQ(visit.record.gameName, "A-b_c'd 9");
    EXPECT_STREQ(visit.record.gameInfo, "127.0.0.1:4000");
}

// ---- without a realm: the chat service's games ---------------------------------------
struct ServiceCase {
    uint16_t flags;
    const char* listed;   // first characters of the listed statTexts
    uint32_t value, mask; // expected category
};

// The first character's code counts, digit or not: codes below "0" (the
// terminator of an empty statText, "_" in the names) pass the plain rule, a
// byte above 0x7F ("^") never passes.
TEST(JoinServiceList, DigitRuleAndCategoryByProgressAndFlags) {
    const ServiceCase cases[] = {
        {Progress(9), "_!/012", 0, 0},             // k = 2 although difficulty 2 is unlocked
        {Progress(4), "_!/01", 0, 2},              // difficulty 1 unlocked only
        {Progress(9, 0x0004), "345", 4, 4},        // codes from "3", k = 2
        {Progress(2), "_!/01", 0, 3},              // nothing unlocked
        {Progress(10, 0x0020), "_!/0123", 8, 8},   // k = 3, difficulty 2 unlocked
        {Progress(31, 0x0024), "3456789:", 12, 12} // k = 7
    };
    const std::string firsts = std::string("_!/0123456789:x^");
    for (const ServiceCase& c : cases) {
        standin::ResetAll();
        standin::AdvanceTime(5000); // the list is asked for at most every 5 s
        Visit visit;
        visit.record.characterFlags = c.flags;
        for (char d : firsts) {
            std::string first = d == '_' ? "" : d == '^' ? "\xe9" : std::string(1, d);
            standin::AddServiceGame({std::string("D") + d, 1, first + (d == '_' ? "" : "desc")});
        }
        OpenDialog(1);
        standin::Check([c] {
            std::string listed;
            for (const std::string& row : Rows())
                listed += row.substr(1);
            EXPECT_EQ(listed, c.listed) << "flags " << c.flags;
            auto query = standin::ChatCallsNamed("GameListQuery");
            ASSERT_FALSE(query.empty());
            EXPECT_EQ(query.back().args,
                      Args({"null", "null", std::to_string(c.value), std::to_string(c.mask)}));
        });
        visit.Quit();
    }
}

TEST(JoinServiceList, RowClickShowsTheDescriptionAndAListedGameJoins) {
    Visit visit;
    standin::AddServiceGame({"Duel", 0x0100000a, "1Fast duel"});
    OpenDialog(1);
    ClickRow(0);
    standin::Check([] {
        EXPECT_EQ(standin::Utf8(NameField()->editText), "Duel");
        standin::Control* box = standin::FindAt(kTextList, 609, 393);
        ASSERT_EQ(box->rows.size(), 2u);
        EXPECT_EQ(box->rows[0].text, "Fast duel");
        EXPECT_EQ(box->rows[1].text, "");
    });
    standin::Click(kJoinDialogLabel);
    EXPECT_EQ(visit.Run(), 1u);
    uint32_t nextAction = visit.record.nextAction;
    uint16_t gameWord = visit.record.gameWord;
    EXPECT_EQ(nextAction, 7u);
    EXPECT_EQ(gameWord, 1);
    EXPECT_STREQ(visit.record.gameInfo, "10.0.0.1");
    EXPECT_EQ(standin::ChatCallsNamed("GameJoined").size(), 1u);
    EXPECT_TRUE(standin::RealmCallsNamed("RealmJoinGame").empty());
}

TEST(JoinServiceList, UnlistedNamesAreAskedOfTheService) {
    Visit visit;
    visit.record.characterFlags = Progress(0);
    OpenDialog(1);
    EnterName("Nobody");
    standin::Check([] {
        EXPECT_EQ(PopupText(), Text(5137));
        EXPECT_NE(List(), nullptr);
        standin::AddServiceGame({"HARD", 1, "5"});
        standin::AddServiceGame({"DUEL", 1, "1"});
    });
    EnterName("hard");
    standin::Check([] { EXPECT_EQ(PopupText(), Text(5137)) << "the digit rule holds for a lookup too"; });
    EnterName("duel");
    standin::Check([] {
        EXPECT_NE(List(), nullptr) << "another name: nothing happens";
        EXPECT_EQ(lobbyState, kLobbyGameListOpen);
        standin::RemoveServiceGame("DUEL");
        standin::AddServiceGame({"duel", 0x0200000a, "1"});
    });
    standin::Enter();
    EXPECT_EQ(visit.Run(), 1u);
    auto query = standin::ChatCallsNamed("GameListQuery");
    EXPECT_EQ(query.back().args[0], "duel");
    EXPECT_STREQ(visit.record.gameInfo, "10.0.0.2");
}

// The block holds no size, so its count is all the reader goes by: entries
// that are not listed count toward the 1000 read too.
TEST(JoinServiceList, AtMost1000EntriesAreRead) {
    Visit visit;
    visit.record.characterFlags = Progress(0);
    std::vector<standin::ServiceGame> games(1000, {"Hard", 1, "9"});
    games.push_back({"Late", 1, "1"});
    standin::SetGameBlock(standin::GameBlockBytes(games));
    OpenDialog(1);
    standin::Check([] { EXPECT_TRUE(Rows().empty()) << "the 1001st entry is not read"; });
    visit.Quit();
}

TEST(JoinServiceList, MalformedBlockKeepsTheGamesBeforeTheFault) {
    Visit visit;
    std::vector<uint8_t> block = standin::GameBlockBytes({{"Good", 1, "1ok"}, {"Bad", 1, "1"}});
    block.resize(block.size() - 2);               // the last statText ...
    block.insert(block.end(), 300, (uint8_t)'x'); // ... runs on for 300 bytes
    block.push_back(0);
    standin::SetGameBlock(block);
    OpenDialog(1);
    standin::Check([] { EXPECT_EQ(Rows(), Args({"Good"})); });
    visit.Quit();
}

// ---- checks added after the mutation run (tools/mutate.py) ------------------------
// Closing the dialog gives the focus back to the chat input line.
TEST(JoinServiceListMutants, CancelGivesTheFocusBackToTheInputLine) {
    Visit visit;
    OpenDialog(1);
    standin::Click(kCancelLabel);
    QvControl focus = nullptr, input = nullptr;
    standin::Check([&] {
        focus = standin::Focus();
        input = Input()->handle;
    });
    visit.Quit();
    EXPECT_EQ(focus, input);
}
