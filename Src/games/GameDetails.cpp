// The game details panel: fills GameInfoBox, beside the join dialog's game
// list, from the realm's game-info reply or from a listed game's record.
// Owns no state (the box belongs to the join dialog).
#include <cstring>

#include "JoinGame.h"

enum {
    kLineSize = 64,
    kMaxPlayers = 16,
    kClassColour = 5,
    kNoRestriction = 100, // a level difference of 100 or more restricts nothing
    kTopLevel = 99,
    kMaxShownLimit = 7, // player limits of 8 and above are not worth a line
};

// Class names of the players' lines, by class index.
static const char* const kClassNames[] = {
    "Huntress", "Spellbinder", "Gravecaller", "Crusader", "Berserker", "Shapeshifter", "Shadowblade",
};
static_assert(sizeof kClassNames / sizeof kClassNames[0] == 7, "seven classes");

static void AddLevelLine(const GameInfoReply* info) {
    int level = info->referenceLevel, difference = info->levelDifference;
    if (difference >= kNoRestriction) return;
    char line[kLineSize];
    if (difference == 0) {
        TextFormat(line, sizeof line, "Level %d", level);
    } else {
        int low = level - difference < 1 ? 1 : level - difference;
        int high = level + difference > kTopLevel ? (int)kTopLevel : level + difference;
        TextFormat(line, sizeof line, "Level %d to %d", low, high);
    }
    ListAddRow(gameInfoBox, line);
}

// One entry per player slot that holds a player: the name, then the level with
// the class (no class text for an index outside the table).
static void AddPlayerLines(const GameInfoReply* info) {
    uint32_t count = info->playerCount > kMaxPlayers ? (uint32_t)kMaxPlayers : info->playerCount;
    char name[sizeof info->playerName[0] + 1], line[kLineSize];
    for (uint32_t i = 0; i < count; ++i) {
        TextCopyN(name, sizeof name, info->playerName[i], sizeof info->playerName[i]);
        if (!name[0]) continue;
        ListAddRow(gameInfoBox, name);
        uint16_t classIndex = info->playerClass[i];
        int level = info->playerLevel[i];
        if (classIndex < sizeof kClassNames / sizeof kClassNames[0])
            TextFormat(line, sizeof line, "Level %d %s", level, kClassNames[classIndex]);
        else
            TextFormat(line, sizeof line, "Level %d", level);
        TextBoxAddLine(gameInfoBox, line, kClassColour);
    }
}

// The box is cleared first; a reply shorter than its fixed layout then shows
// nothing.
void ShowGameInfo(const uint8_t* reply, uint32_t size) {
    if (!gameInfoBox) return;
    TextListClear(gameInfoBox);
    GameInfoReply info;
    if (!reply || size < sizeof info) return;
    memcpy(&info, reply, sizeof info);
    char line[kLineSize];
    TextCopyN(line, sizeof line, info.description, sizeof info.description);
    if (line[0]) {
        ListAddRow(gameInfoBox, line);
        ListAddRow(gameInfoBox, "");
    }
    uint32_t seconds = info.elapsedSeconds;
    TextFormat(line, sizeof line, "Elapsed Time: %d:%02d:%02d", (int)(seconds / 3600),
               (int)(seconds % 3600 / 60), (int)(seconds % 60));
    ListAddRow(gameInfoBox, line);
    AddLevelLine(&info);
    if (info.maxPlayers >= 1 && info.maxPlayers <= kMaxShownLimit) {
        TextFormat(line, sizeof line, "Up to %d Players", info.maxPlayers);
        ListAddRow(gameInfoBox, line);
    }
    ListAddRow(gameInfoBox, "");
    AddPlayerLines(&info);
    ListScrollTo(gameInfoBox, 0);
}
