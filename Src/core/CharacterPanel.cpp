// The character layout: the panel describing the player's character and the
// character's own figure, shown when the lobby opens without a channel.
//
// Owns ownFigure; the panel's controls (enterChatButton, characterHelpButton,
// characterPanelBox) are lobby handles declared with the screen resources.
#include "Lobby.h"

QvFigure ownFigure;

enum { kClassCount = 7, kUnknownClassId = 5383 };
enum { kPanelLineSize = 256, kLevelTextSize = 10 }; // the level text keeps at most 9 characters

// Class-name string ids in class order.
static const int kClassNameIds[kClassCount] = {
    4011,  // Huntress
    4010,  // Spellbinder
    4009,  // Gravecaller
    4008,  // Crusader
    4007,  // Berserker
    10097, // Shapeshifter
    10098, // Shadowblade
};
static_assert(sizeof(kClassNameIds) / sizeof(kClassNameIds[0]) == kClassCount, "one name per class");

// String id of the difficulty reached, by progress / divisor (3 and above: the last).
static const int kDifficultyIds[] = {11125, 5156, 5155, 5154};
enum { kDifficultyCount = sizeof(kDifficultyIds) / sizeof(kDifficultyIds[0]) };

const Unicode* GetClassName(int classIndex) {
    if (classIndex < 0 || classIndex >= kClassCount) return GetString(kUnknownClassId);
    return GetString(kClassNameIds[classIndex]);
}

static int CharacterProgress() {
    return (launch->characterFlags >> 8) & 0x1f;
}

// Line 1: the character's title, if any, then the name.
static void AddNameLine() {
    char line[kPanelLineSize];
    TextCopy(line, sizeof line,
             GetCharacterTitle(launch->characterClass, CharacterProgress(),
                               (launch->characterFlags & 0x0004) ? 1 : 0,
                               (launch->characterFlags & 0x0020) ? 1 : 0));
    char name[sizeof launch->characterName];
    TextCopyN(name, sizeof name, launch->characterName, (int)sizeof launch->characterName);
    TextAppend(line, sizeof line, name);
    TextBoxAddLine(characterPanelBox, line, (launch->figureFlags & 0x0004) ? 1 : 0);
}

// Line 2: "Level" text, the level (0 shown as 1), the class name.
static void AddLevelLine() {
    Unicode line[kPanelLineSize];
    UnicodeCopy(line, kPanelLineSize, GetString(4057));
    Unicode level[kLevelTextSize];
    Unicode::sprintf(level, kLevelTextSize, " %d", launch->characterLevel ? launch->characterLevel : 1);
    Unicode::strcat(line, level, kPanelLineSize);
    Unicode::strcat(line, GetClassName(launch->characterClass), kPanelLineSize);
    TextListAddLine(characterPanelBox, line, 0, 0, 0);
}

static void AddDifficultyLine() {
    int divisor = (launch->characterFlags & 0x0020) ? 5 : 4;
    int reached = CharacterProgress() / divisor;
    if (reached >= kDifficultyCount) reached = kDifficultyCount - 1;
    TextListAddLine(characterPanelBox, GetString(kDifficultyIds[reached]), 0, 0, 0);
}

void BuildCharacterPanel() {
    for (int slot = 0; slot < kLobbySlotCount; ++slot)
        lobbySlots[slot] = nullptr;
    CreateLobbySlots(kSlotCreateGame, kSlotQuit);
    CreateLobbySlots(kSlotBanner, kSlotBannerClick);
    // The channel dialog opens only once the player has entered chat.
    EnableControl(lobbySlots[kSlotChannel], 0);

    enterChatButton = CreateControl(&kEnterChatButtonDesc);
    characterHelpButton = CreateControl(&kCharacterHelpButtonDesc);
    characterPanelBox = CreateControl(&kCharacterPanelBoxDesc);

    AddNameLine();
    AddLevelLine();
    TextListAddLine(characterPanelBox, GetString(11124), 0, 0, 0);
    AddDifficultyLine();

    topTextList = CreateControl(&kTopTextListDesc);
    if (topTextList) TextListAddLine(topTextList, GetString(11123), 3, 0, 0);
}

void CreateOwnFigure() {
    uint16_t look = launch->figureFlags;
    int mode = 5;
    if ((look & 0x0004) && !(look & 0x0008) && (IsFullContent() || launch->characterClass < 5)) mode = 1;
    ownFigure = CreateFigure(launch->characterClass, mode, launch->figureLookA, launch->figureLookB);
    if (!ownFigure) return;
    SetFigureX(ownFigure, 66);
    SetFigureParam(ownFigure, 0x23b);
    SetFigureParam2(ownFigure, 0);
    SetFigureFrame(ownFigure, 0);
}

void DestroyOwnFigure() {
    if (ownFigure) DestroyFigure(ownFigure, 1);
    ownFigure = nullptr;
}

void RemoveCharacterPanel() {
    if (enterChatButton) DestroyControl(&enterChatButton);
    if (characterHelpButton) DestroyControl(&characterHelpButton);
    if (characterPanelBox) DestroyControl(&characterPanelBox);
    enterChatButton = characterHelpButton = characterPanelBox = nullptr;
}
