// The game details panel beside the join dialog's list: the realm's game-info
// reply line by line, its level and player-limit rules, the class lines, and
// replies that are short, oversized, lie about their player count or answer
// another request.
#include <algorithm>

#include "../Src/games/JoinGame.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

standin::Control* InfoBox() {
    return standin::FindAt(kTextList, 609, 393);
}

// The box's rows and coloured lines in the order they were added; class lines
// (colour 5) carry the prefix "5 ".
Texts BoxLines() {
    std::vector<std::pair<int, std::string>> ordered;
    if (standin::Control* box = InfoBox()) {
        for (const standin::ListRow& row : box->rows)
            ordered.push_back({row.order, row.text});
        for (const standin::TextLine& line : box->lines)
            ordered.push_back({line.order, std::to_string(line.colour) + " " + standin::Utf8(line.text)});
    }
    std::sort(ordered.begin(), ordered.end());
    Texts lines;
    for (auto& [order, text] : ordered)
        lines.push_back(text);
    return lines;
}

standin::RealmGame Duel() {
    standin::RealmGame game;
    game.id = 5;
    game.name = "Duel";
    game.description = "Fast duel";
    game.elapsedSeconds = 3725;
    game.level = 3;
    game.difference = 5;
    game.maxPlayers = 4;
    game.playerList = {{"Mira", 0, 12}, {"", 1, 5}, {"Oskar", 9, 12}};
    return game;
}

// A realm visit with the join dialog open and the details of "Duel" asked for.
struct DetailsVisit : Visit {
    DetailsVisit() : Visit("Lobby", "Zendri") {
        standin::AddRealmGame(Duel());
        standin::Click(kJoinLabel);
        standin::Frames(5); // the opening's list and the first refresh's
        standin::Enqueue([] { standin::ClickListRow(standin::FindAt(kTextList, 432, 393), 0); });
        standin::Wait(1000);
        standin::Frames(1);
    }
};

// The details reply for the request the click made.
void Answer(const std::vector<uint8_t>& reply) {
    standin::Enqueue([reply] { standin::PushListReply(gameInfoRequestId, 0, reply); });
}

} // namespace

// A reply replaces the box's lines and scrolls it back to the top; the class
// line follows its player's row. (The time, the level range and the player
// limit of each reply, and players without a name: game_details_lines.scn.)
TEST(GameDetails, RealmReplyReplacesTheLinesAndScrollsBackToTheTop) {
    DetailsVisit visit;
    standin::Check([] {
        EXPECT_EQ(BoxLines(),
                  Texts({"Fast duel", "", "Elapsed Time: 1:02:05", "Level 1 to 8", "Up to 4 Players", "",
                         "Mira", "5 Level 12 Huntress", "Oskar", "5 Level 12"}));
        InfoBox()->scrollTop = 6;
    });
    standin::RealmGame game;
    game.elapsedSeconds = 90000;
    game.level = 97;
    game.difference = 5;
    game.maxPlayers = 8;
    Answer(standin::GameInfoReplyBytes(game, 0));
    standin::Check([] {
        EXPECT_EQ(BoxLines(), Texts({"Elapsed Time: 25:00:00", "Level 92 to 99", ""}));
        EXPECT_EQ(InfoBox()->scrollTop, 0) << "scrolled back to the top";
    });
    visit.Quit();
}

// A reply is matched by the id its record carries at offset 4, whatever id
// the client's call returns beside it, and read within its fields.
TEST(GameDetails, TheRecordsOwnIdPicksTheReplyAndHostileRepliesStayWithinTheirFields) {
    DetailsVisit visit;
    standin::RealmGame crowd;
    for (int i = 0; i < 16; ++i)
        crowd.playerList.push_back({"P" + std::to_string(i), (uint16_t)(i % 8), (uint16_t)(i + 1)});
    standin::Enqueue([crowd] {
        std::vector<uint8_t> reply = standin::GameInfoReplyBytes(crowd, (uint16_t)(gameInfoRequestId + 7));
        standin::PushListReplyAsIs(gameInfoRequestId, 0, reply);
    });
    standin::Check(
        [] { EXPECT_EQ(BoxLines().at(0), "Fast duel") << "an answer to another request is dropped"; });
    standin::Enqueue([crowd] {
        std::vector<uint8_t> reply = standin::GameInfoReplyBytes(crowd, gameInfoRequestId);
        reply[20] = 0xe8, reply[21] = 0x03;     // 1000 players claimed
        memset(&reply[44], 'D', 32);            // description without terminator
        memset(&reply[140 + 15 * 16], 'Z', 16); // last name without terminator
        reply.resize(2000, 'y');
        standin::PushListReplyAsIs((uint16_t)(gameInfoRequestId + 7), 0, reply);
    });
    standin::Check([] {
        Texts lines = BoxLines();
        // description, empty line, elapsed time, empty line, then 16 players
        ASSERT_EQ(lines.size(), 4u + 2 * 16);
        EXPECT_EQ(lines[0], std::string(32, 'D'));
        EXPECT_EQ(lines[4], "P0");
        EXPECT_EQ(lines[5], "5 Level 1 Huntress");
        EXPECT_EQ(lines[4 + 2 * 7 + 1], "5 Level 8") << "class 7 is outside the table";
        EXPECT_EQ(lines[4 + 2 * 15], std::string(16, 'Z'));
        EXPECT_EQ(standin::LiveListReplies(), 0);
    });
    std::vector<uint8_t> shortReply = standin::GameInfoReplyBytes(Duel(), 0);
    shortReply.resize(395);
    Answer(shortReply);
    standin::Check(
        [] { EXPECT_TRUE(BoxLines().empty()) << "a short reply clears the box and shows nothing"; });
    visit.Quit();
}
