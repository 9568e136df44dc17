// The join game dialog: realm and chat-service lists, refreshes, the row click
// and its details request, the name field, joining with and without a realm,
// list statuses and hostile list replies.
#include "../Src/games/JoinGame.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

standin::RealmGame Game(uint16_t id, const std::string& name, uint16_t players = 1) {
    standin::RealmGame game;
    game.id = id;
    game.name = name;
    game.players = players;
    game.description = name + " for all";
    return game;
}
// Games G1..Gn.
void AddGames(uint16_t n) {
    for (uint16_t id = 1; id <= n; ++id)
        standin::AddRealmGame(Game(id, "G" + std::to_string(id)));
}

standin::Control* List() {
    return standin::FindAt(kTextList, 432, 393);
}
standin::Control* NameField() {
    return standin::FindAt(kEditBox, 432, 148);
}
std::string Name() {
    return standin::Utf8(NameField()->editText);
}

// "name" or "name|players" per row.
Texts Rows() {
    Texts rows;
    if (standin::Control* list = List())
        for (size_t row = 0; row < list->rows.size(); ++row)
            rows.push_back(list->rows[row].text + (standin::CellCount(*list, row) > 1
                                                       ? "|" + standin::Utf8(standin::CellText(*list, row, 1))
                                                       : ""));
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

size_t ListRequests() {
    return RealmArgs("RealmRequestGameList").size();
}

} // namespace

// Reopened within 5 s, the dialog waits for the next refresh to list the games.
TEST(JoinRealmList, ListsEachGameIdOnceWithItsPlayersAndReopeningWithin5sWaitsForTheNextRefresh) {
    Visit visit("Lobby", "Zendri");
    visit.record.characterFlags = 0x0004;
    standin::AddRealmGame(Game(7, "Duel", 2));
    standin::AddRealmGame(Game(9, "Raid", 5));
    standin::AddRealmGame(Game(7, "Twin", 3)); // the same id again
    OpenDialog();
    standin::Check([] {
        EXPECT_EQ(lobbyState, kLobbyGameListOpen);
        EXPECT_EQ(Rows(), Texts({"Duel|2", "Raid|5"}))
            << "the stale replies of the first request are dropped";
        const std::string flags = std::string(40, '0') + "00080000";
        EXPECT_EQ(RealmArgs("RealmRequestGameList"),
                  (std::vector<Texts>{{flags, std::to_string(pendingRequestId - 1)},
                                      {flags, std::to_string(pendingRequestId)}}))
            << "the opening's request, then the refresh that has never run";
        EXPECT_EQ(standin::LiveListReplies(), 0) << "every reply is released";
        EXPECT_EQ(Roles(), "edit 432,148/cancel");
    });
    standin::Escape();
    standin::Check([] {
        EXPECT_EQ(List(), nullptr);
        EXPECT_EQ(lobbyState, kLobbyIdle);
        EXPECT_EQ(Roles(), "input/quit");
    });
    standin::Wait(4999);
    OpenDialog();
    standin::Check([] {
        EXPECT_TRUE(Rows().empty());
        EXPECT_EQ(ListRequests(), 2u);
    });
    standin::Wait(15000 - 4999);
    standin::Frames(5);
    standin::Check([] {
        EXPECT_EQ(ListRequests(), 3u);
        EXPECT_EQ(Rows(), Texts({"Duel|2", "Raid|5"}));
    });
    standin::Escape();
    standin::Wait(5000);
    OpenDialog(1);
    standin::Check([] { EXPECT_EQ(ListRequests(), 4u); });
    visit.Quit();
}

TEST(JoinRealmList, TheThousandAndFirstGameIsIgnored) {
    Visit visit("Lobby", "Zendri");
    AddGames(1001);
    OpenDialog(2 * 1002 + 1);
    standin::Check([] {
        ASSERT_EQ(Rows().size(), 1000u);
        EXPECT_EQ(Rows().back(), "G1000|1");
    });
    visit.Quit();
}

// A refresh keeping the choice and the scroll: join_refresh.scn.

// Replies are read within their bytes; one belongs to the request its record
// names at offset 4, whatever id the client's call returns beside it. The
// status 0x33 shows what arrived so far, 0x32 closes the dialog.
TEST(JoinRealmList, HostileRepliesAreCutOrDroppedAndStatusesRebuildOrClose) {
    Visit visit("Lobby", "Zendri");
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
        EXPECT_EQ(Rows(), Texts({std::string(15, 'N') + "|1"}));
        EXPECT_EQ(strlen(gameRecords[0].description), 31u);
        uint16_t other = (uint16_t)(pendingRequestId + 50);
        standin::PushListReplyAsIs(pendingRequestId, 0, standin::GameListReplyBytes(Game(5, "Stale"), other));
        standin::PushListReplyAsIs(other, 0, standin::GameListReplyBytes(Game(6, "Fresh"), pendingRequestId));
        standin::PushListReply(pendingRequestId, 0x33, {});
        standin::PushListReply((uint16_t)(pendingRequestId + 100), 0, standin::GameListEndBytes(0));
    });
    standin::Frames(5);
    standin::Check([] {
        EXPECT_EQ(Rows(), Texts({std::string(15, 'N') + "|1", "Fresh|1"}))
            << "0x33 rebuilds; replies for another request are dropped";
        EXPECT_EQ(standin::LiveListReplies(), 0) << "every reply is released";
        standin::PushListReply(pendingRequestId, 0x32, {});
    });
    standin::Frames(1);
    standin::Check([] {
        EXPECT_EQ(List(), nullptr);
        EXPECT_EQ(lobbyState, kLobbyIdle);
        EXPECT_EQ(PanelText(), Text(11020));
    });
    visit.Quit();
}

TEST(JoinRowClick, FillsTheNameAndAsksForDetailsOncePerSecond) {
    Visit visit("Lobby", "Zendri");
    standin::AddRealmGame(Game(1, "Duel"));
    standin::AddRealmGame(Game(2, "Raid"));
    OpenDialog();
    standin::Wait(1000);
    standin::Tab();
    standin::Type("pw");
    ClickRow(0);
    ClickRow(1);
    standin::Check([] {
        EXPECT_EQ(Name(), "Raid");
        EXPECT_NE(standin::Focus(), NameField()->handle);
        EXPECT_TRUE(RealmArgs("RealmRequestGameInfo").empty());
    });
    standin::Wait(1000);
    standin::Check([] {
        EXPECT_EQ(RealmArgs("RealmRequestGameInfo"),
                  (std::vector<Texts>{{"Raid", std::to_string(gameInfoRequestId)}}));
        SetFocus(NameField()->handle);
    });
    standin::Type("x");
    standin::Check([] {
        EXPECT_EQ(Selected(), "") << "typing ends the choice from the list";
        EXPECT_EQ(Name(), "Raidx");
    });
    visit.Quit();
}

// The double click within 500 ms: join_double_click.scn; a realm that is down
// and a typed name joining: join_realm_down.scn.

// The first character's code counts, digit or not: codes below "0" (the
// terminator of an empty statText, "_" in the names) pass the plain rule, a
// byte above 0x7F ("^") never passes.
TEST(JoinServiceList, DigitRuleAndCategoryByProgressAndFlags) {
    const struct {
        uint16_t flags;
        const char* listed;   // first characters of the listed statTexts
        uint32_t value, mask; // expected category
    } cases[] = {
        {Progress(9), "_!/012", 0, 0},             // k = 2 although difficulty 2 is unlocked
        {Progress(4), "_!/01", 0, 2},              // difficulty 1 unlocked only
        {Progress(9, 0x0004), "345", 4, 4},        // codes from "3", k = 2
        {Progress(2), "_!/01", 0, 3},              // nothing unlocked
        {Progress(10, 0x0020), "_!/0123", 8, 8},   // k = 3, difficulty 2 unlocked
        {Progress(31, 0x0024), "3456789:", 12, 12} // k = 7
    };
    const std::string firsts = std::string("_!/0123456789:x^");
    for (const auto& c : cases) {
        Fresh(); // the list is asked for at most every 5 s
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
            auto query = ChatArgs("GameListQuery");
            ASSERT_FALSE(query.empty());
            EXPECT_EQ(query.back(), Texts({"null", "null", std::to_string(c.value), std::to_string(c.mask)}));
        });
        visit.Quit();
    }
}

// A row click and Join on a service game: join_service_game.scn.

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
    EXPECT_EQ(ChatArgs("GameListQuery").back().at(0), "duel");
    EXPECT_STREQ(visit.record.gameInfo, "10.0.0.2");
}

// The block holds no size, so its count is all the reader goes by: entries
// that are not listed count toward the 1000 read too. A statText that runs on
// past its bound ends the block after the games before it.
TEST(JoinServiceList, BlocksAreReadWithinTheirCountAndBounds) {
    std::vector<standin::ServiceGame> crowd(1000, {"Hard", 1, "9"});
    crowd.push_back({"Late", 1, "1"});
    std::vector<uint8_t> runOn = standin::GameBlockBytes({{"Good", 1, "1ok"}, {"Bad", 1, "1"}});
    runOn.resize(runOn.size() - 2);               // the last statText ...
    runOn.insert(runOn.end(), 300, (uint8_t)'x'); // ... runs on for 300 bytes
    runOn.push_back(0);
    const struct {
        std::vector<uint8_t> block;
        Texts rows;
    } cases[] = {{standin::GameBlockBytes(crowd), {}}, {runOn, {"Good"}}};
    for (const auto& c : cases) {
        Fresh();
        Visit visit;
        visit.record.characterFlags = Progress(0);
        standin::SetGameBlock(c.block);
        OpenDialog(1);
        standin::Check([&c] { EXPECT_EQ(Rows(), c.rows); });
        visit.Quit();
    }
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
