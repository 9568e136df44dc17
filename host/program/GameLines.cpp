// Scenario lines of the game lists: the realm's games with their details and
// players, the chat service's games, and the expectations on list rows (the
// join dialog's game list and its details box show rows).
#include <algorithm>

#include "../standin/StandIn.h"
#include "Scenario.h"

namespace qvhost {

// ---- the realm's games ---------------------------------------------------------------------
// Games as scripted so far, by name: a details or player line completes the
// game that an earlier "realm game" line named.
static std::vector<standin::RealmGame>& ScriptedGames() {
    static std::vector<standin::RealmGame> games;
    return games;
}

static standin::RealmGame& ScriptedGame(LineReader& reader, const std::string& name) {
    for (standin::RealmGame& game : ScriptedGames())
        if (game.name == name) return game;
    ScenarioError(reader.where(), "no \"realm game\" line names the game " + name);
}

static Run RealmGame(LineReader& reader) {
    standin::RealmGame game;
    game.id = reader.Uint16("game id");
    game.players = reader.Uint16("players");
    game.name = reader.Word("game name");
    game.description = reader.Rest();
    std::vector<standin::RealmGame>& games = ScriptedGames();
    games.erase(std::remove_if(games.begin(), games.end(),
                               [&](const standin::RealmGame& g) { return g.name == game.name; }),
                games.end());
    games.push_back(game);
    return Do([game]() { standin::AddRealmGame(game); });
}

// The game's state as of this line, applied when the line runs.
static Run UpdateGame(const standin::RealmGame& game) {
    return Do([game]() { standin::AddRealmGame(game); });
}

static Run RealmGameDetails(LineReader& reader) {
    standin::RealmGame& game = ScriptedGame(reader, reader.Word("game name"));
    game.elapsedSeconds = reader.Uint32("elapsed seconds");
    game.level = reader.Uint8("level");
    game.difference = reader.Uint8("level difference");
    game.maxPlayers = reader.Uint8("player limit");
    reader.End();
    return UpdateGame(game);
}

static Run RealmGamePlayer(LineReader& reader) {
    standin::RealmGame& game = ScriptedGame(reader, reader.Word("game name"));
    standin::GamePlayer player;
    player.classIndex = reader.Uint16("class index");
    player.level = reader.Uint16("level");
    player.name = reader.Rest();
    game.playerList.push_back(player);
    return UpdateGame(game);
}

static Run RealmNoGame(LineReader& reader) {
    std::string name = reader.Rest();
    return Do([name]() { standin::RemoveRealmGame(name); });
}

// ---- the chat service's games -------------------------------------------------------------------
static Run ServiceGame(LineReader& reader) {
    standin::ServiceGame game;
    game.name = reader.Word("game name");
    game.address = reader.Uint32("address");
    game.statText = reader.Rest();
    return Do([game]() { standin::AddServiceGame(game); });
}

static Run NoServiceGame(LineReader& reader) {
    std::string name = reader.Rest();
    return Do([name]() { standin::RemoveServiceGame(name); });
}

// ---- rows --------------------------------------------------------------------------------------------
// A row as written in a scenario: its text, then " | " and each further cell.
static std::string RowText(const standin::Control& list, size_t row) {
    std::string text = list.rows[row].text;
    for (size_t i = 1; i < standin::CellCount(list, row); ++i)
        text += " | " + standin::Utf8(standin::CellText(list, row, i));
    return text;
}

static Run RowExpectation(LineReader& reader, bool wanted) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    std::string text = reader.Rest();
    return [x, y, text, wanted]() -> std::string {
        standin::Control* list = standin::FindAt(kTextList, x, y);
        std::string where = "the list at " + std::to_string(x) + "," + std::to_string(y);
        if (!list) return wanted ? "expected " + where + ", found no such list" : "";
        std::string rows;
        bool found = false;
        for (size_t row = 0; row < list->rows.size(); ++row) {
            found |= RowText(*list, row) == text;
            rows += "\n    " + Quote(RowText(*list, row));
        }
        if (found == wanted) return "";
        return "expected " + where + (wanted ? " to have" : " not to have") + " the row " + Quote(text) +
               ", found " + (rows.empty() ? std::string("no rows") : "the rows:" + rows);
    };
}

static Run Row(LineReader& reader) {
    return RowExpectation(reader, true);
}

static Run NoRow(LineReader& reader) {
    return RowExpectation(reader, false);
}

static Run SelectedRow(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    std::string text = reader.Rest();
    return [x, y, text]() -> std::string {
        standin::Control* list = standin::FindAt(kTextList, x, y);
        std::string found = "no selection";
        if (!list) found = "no such list";
        if (list && list->selection >= 0) found = Quote(RowText(*list, (size_t)list->selection));
        if (found == Quote(text) || (text.empty() && found == "no selection")) return "";
        return "expected the selected row of the list at " + std::to_string(x) + "," + std::to_string(y) +
               " to be " + Quote(text) + ", found " + found;
    };
}

// clang-format off
const std::vector<LineKind> kGameLines = {
    {"realm game",            "<id> <players> <name> <description...>",                kSetting, RealmGame},
    {"realm gamedetails",     "<name> <elapsed> <level> <difference> <maxPlayers>",    kSetting, RealmGameDetails},
    {"realm gameplayer",      "<name> <class> <level> <playerName...>",                kSetting, RealmGamePlayer},
    {"realm nogame",          "<name...>",                                             kSetting, RealmNoGame},
    {"servicegame",           "<name> <address> <statText...>",                        kSetting, ServiceGame},
    {"noservicegame",         "<name...>",                                             kSetting, NoServiceGame},
    {"expect row",            "<x> <y> <text...>",                                     kCheck,   Row},
    {"expect norow",          "<x> <y> <text...>",                                     kCheck,   NoRow},
    {"expect selectedrow",    "<x> <y> <text...>",                                     kCheck,   SelectedRow},
};
// clang-format on

} // namespace qvhost
