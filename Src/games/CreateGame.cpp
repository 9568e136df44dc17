// The create-game dialog: its controls in realm mode (the realm connection is
// up: player limit and level restriction are live) and open mode (games made
// without a realm: both are greyed), the field rules, the Tab chains, the
// remembered settings, difficulty unlocking, the level-restriction rule,
// validation, the number arrows and the difficulty choice. Sending the request
// lives in CreateRequest.cpp.
//
// Owns the dialog's control handles (shared with the queue screen, which
// reuses its slots), selectedDifficulty and the two number text buffers, and
// the dialog's row of the lobby's dialog table.
#include "CreateGame.h"
#include "JoinGame.h"
#include "../core/Dialogs.h"

// ---- state ---------------------------------------------------------------------------
QvControl createGameControls[kCgSlotCount];
int32_t selectedDifficulty;
// Decimal texts last written into the max-players and the level field.
static char playersText[4], levelText[4];

const char kSettingsKey[] = "Quorvane";
static const char kMaxPlayerValue[] = "MAX_PLAYER";
static const char kDiffLevelValue[] = "DIFF_LEVEL";
static const char kLevelRestValue[] = "LVL_REST";

enum {
    kDefaultPlayers = 4,
    kDefaultLevel = 4,
    kNameMaxLength = 16,
    kPasswordMaxLength = 16,
    kDescriptionMaxLength = 32,
    kNumberMaxLength = 3,
    kNameLimit = 16,   // characters the name check reads
    kNumberLimit = 3,  // characters validation reads from a number field
    kArrowLimit = 5,   // characters an arrow reads from its field
    kColourUsable = 4, // label colours
    kColourGreyed = 5,
    kMaxDigitsRead = 7, // keeps a parsed number within 32 bits
};

// ---- descriptors -----------------------------------------------------------------------
static int CreateGameCancel(uint32_t arg);
static int ToggleLevelRestriction(uint32_t arg);
static int PlayersUp(uint32_t arg);
static int PlayersDown(uint32_t arg);
static int LevelUp(uint32_t arg);
static int LevelDown(uint32_t arg);
static int SelectDifficulty0(uint32_t arg);
static int SelectDifficulty1(uint32_t arg);
static int SelectDifficulty2(uint32_t arg);
static int ValidateCreateGame(uint32_t arg);

#define IMG(i) (&screenImages[(i)])
#define ENTER                                                                                                \
    { .enter = CreateGameEnter }
#define NONE                                                                                                 \
    { .frame = 0 }

// One row per slot, in slot order.
// clang-format off
static const ControlDescriptor kCreateGameTable[kCgSlotCount] = {
//    K    x    y    w    h  St  Text  Image                           onClick                 Extra  Font     Fl
    { 2, 415, 447, 373, 373,  0,    0, IMG(kImgCreateGameBackground), nullptr,                NONE,  nullptr,  0 }, // background
    { 4, 496, 111, 200,  22,  0,    0, nullptr,                       nullptr,                NONE,  &kFont2,  2 }, // title
    { 4, 427, 134, 150,  12,  0,    0, nullptr,                       nullptr,                NONE,  &kFont1,  0 }, // name label
    { 4, 427, 188, 300,  12,  0,    0, nullptr,                       nullptr,                NONE,  &kFont1,  0 }, // password label
    { 4, 427, 243, 300,  12,  0,    0, nullptr,                       nullptr,                NONE,  &kFont1,  0 }, // description label
    { 4, 632, 306, 300,  12,  0,    0, nullptr,                       nullptr,                NONE,  &kFont1, 16 }, // max-players label
    { 4, 632, 342, 300,  12,  0,    0, nullptr,                       nullptr,                NONE,  &kFont1, 16 }, // level label 1
    { 4, 705, 342, 150,  12,  0,    0, nullptr,                       nullptr,                NONE,  &kFont1,  0 }, // level label 2
    { 1, 432, 162, 158,  20,  0,    0, nullptr,                       nullptr,                ENTER, &kFont4,  0 }, // name field
    { 1, 432, 217, 158,  20,  0,    0, nullptr,                       nullptr,                ENTER, &kFont4,  1 }, // password field
    { 1, 432, 268, 333,  20,  0,    0, nullptr,                       nullptr,                ENTER, &kFont4,  0 }, // description field
    { 1, 657, 308,  27,  20,  0,    0, nullptr,                       nullptr,                ENTER, &kFont4,  0 }, // max-players field
    { 1, 657, 342,  27,  20,  0,    0, nullptr,                       nullptr,                ENTER, &kFont4,  0 }, // level field
    { 6, 594, 433, 172,  32, 13, 5150, IMG(kImgGameButtonBlank),      CreateGameConfirm,      NONE,  nullptr,  0 }, // Create
    { 6, 433, 433,  96,  32,  0, 5103, IMG(kImgCancelButtonBlank),    CreateGameCancel,       NONE,  nullptr,  0 }, // Cancel
    { 6, 431, 341,  15,  16,  0,    0, IMG(kImgJoinGameClickBox),     ToggleLevelRestriction, NONE,  nullptr,  2 }, // level check box
    { 2, 647, 346,  33,  26,  0,    0, IMG(kImgGreyLevelBox),         nullptr,                NONE,  nullptr,  0 }, // grey level box
    { 6, 681, 296,  15,  12,  0,    0, IMG(kImgNumberArrows3),        PlayersUp,              NONE,  nullptr,  0 }, // players up
    { 6, 681, 310,  15,  12,  0,    0, IMG(kImgNumberArrows4),        PlayersDown,            NONE,  nullptr,  0 }, // players down
    { 6, 681, 332,  15,  12,  0,    0, IMG(kImgNumberArrows1),        LevelUp,                NONE,  nullptr,  0 }, // level up
    { 6, 681, 346,  15,  12,  0,    0, IMG(kImgNumberArrows2),        LevelDown,              NONE,  nullptr,  0 }, // level down
    { 6, 681, 346,  15,  26,  0,    0, IMG(kImgNumberGreyArrows),     nullptr,                NONE,  nullptr,  0 }, // grey level arrows
    { 2, 647, 311,  33,  26,  0,    0, IMG(kImgGreyLevelBox),         nullptr,                NONE,  nullptr,  0 }, // grey players box
    { 6, 681, 311,  15,  26,  0,    0, IMG(kImgNumberGreyArrows),     nullptr,                NONE,  nullptr,  0 }, // grey players arrows
    { 6, 430, 381,  16,  16,  0,    0, IMG(kImgRadioButton),          SelectDifficulty0,      NONE,  nullptr,  2 }, // difficulty 0
    { 6, 555, 381,  16,  16,  0,    0, IMG(kImgRadioButton),          SelectDifficulty1,      NONE,  nullptr,  2 }, // difficulty 1
    { 6, 698, 381,  16,  16,  0,    0, IMG(kImgRadioButton),          SelectDifficulty2,      NONE,  nullptr,  2 }, // difficulty 2
    { 4, 459, 380, 150,  12,  0,    0, nullptr,                       nullptr,                NONE,  &kFont1,  0 }, // difficulty 0 label
    { 4, 579, 380, 150,  12,  0,    0, nullptr,                       nullptr,                NONE,  &kFont1,  0 }, // difficulty 1 label
    { 4, 723, 380, 150,  12,  0,    0, nullptr,                       nullptr,                NONE,  &kFont1,  0 }, // difficulty 2 label
};
// clang-format on
static_assert(sizeof kCreateGameTable / sizeof kCreateGameTable[0] == 30, "30 create-game controls");

#undef NONE
#undef ENTER

// Label text ids of the three difficulties, by difficulty.
static const int kDifficultyLabelIds[3] = {10018, 10017, 10016};

// ---- small helpers -------------------------------------------------------------------------
static QvControl& Slot(int slot) {
    return createGameControls[slot];
}

static QvControl MakeSlot(int slot) {
    Slot(slot) = CreateControl(&kCreateGameTable[slot]);
    return Slot(slot);
}

static void MakeLabel(int slot, int textId) {
    SetControlText(MakeSlot(slot), GetString(textId));
}

// A label whose colour tells whether the control it describes is usable.
static void SetColouredLabel(int slot, int textId, int usable) {
    TextListClear(Slot(slot));
    TextListAddLine(Slot(slot), GetString(textId), usable ? kColourUsable : kColourGreyed, 0, 0);
}

static void ShowAndEnable(int slot, int on) {
    ShowControl(Slot(slot), on);
    EnableControl(Slot(slot), on);
}

int ClampNumber(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

int FieldText(QvControl field, char* dst, int limit) {
    dst[0] = 0;
    const Unicode* text = field ? EditGetText(field) : nullptr;
    if (!text) return 0;
    Unicode::unicode2Win(dst, text, limit + 1);
    return TextLengthWithin(dst, limit);
}

// Reads an optional minus sign and the digits that follow it.
static int ParseDecimal(const char* text) {
    int sign = 1, value = 0;
    if (*text == '-') {
        sign = -1;
        ++text;
    }
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10 + (*text - '0');
    return sign * value;
}

int FieldNumber(QvControl field, int limit) {
    char text[kMaxDigitsRead + 1];
    FieldText(field, text, limit < kMaxDigitsRead ? limit : kMaxDigitsRead);
    return ParseDecimal(text);
}

int LevelRestricted() {
    return Slot(kCgLevelCheckBox) && GetCheckState(Slot(kCgLevelCheckBox));
}

// Writes a number into a field through its remembered text buffer.
static void WriteNumber(int slot, int value) {
    char* buffer = slot == kCgPlayersField ? playersText : levelText;
    TextFormat(buffer, 4, "%d", value);
    EditSetText(Slot(slot), buffer);
}

// ---- key filters ------------------------------------------------------------------------------
static int IsControlKey(const Unicode* key) {
    return key->ch < 0x20;
}

int GameNameKeyFilter(QvControl, int, Unicode* key) {
    return IsGameNameCharacter(key->ch) || IsControlKey(key);
}

static int PrintableKeyFilter(QvControl, int, Unicode* key) {
    return (key->ch >= 0x20 && key->ch <= 0x7f) || IsControlKey(key);
}

int DigitsOnlyFilter(QvControl, int, Unicode* key) {
    return (key->ch >= '0' && key->ch <= '9') || IsControlKey(key);
}

static QvControl MakeField(int slot, int maxLength, EditKeyCallback filter, ControlCallback onChange) {
    QvControl field = MakeSlot(slot);
    EditSetMaxLength(field, maxLength);
    EditSetKeyCallback(field, filter);
    if (onChange) EditSetChangeCallback(field, onChange);
    return field;
}

// ---- validation ----------------------------------------------------------------------------------
static int NameIsValid() {
    char name[kNameLimit + 1];
    int length = FieldText(Slot(kCgNameField), name, kNameLimit);
    return length > 0 && name[0] != ' ' && name[length - 1] != ' ';
}

// An out-of-range player count is corrected in the field at once.
static int PlayersAreValid() {
    char text[kNumberLimit + 1];
    if (FieldText(Slot(kCgPlayersField), text, kNumberLimit) == 0) return 0;
    int players = ParseDecimal(text);
    int clamped = ClampNumber(players, kMinPlayers, kMaxPlayers);
    if (clamped != players) WriteNumber(kCgPlayersField, clamped);
    return 1;
}

// The level difference must fit the request's byte and the arrows' range, so
// a typed number above 99 is corrected to 99 like the player count.
static int LevelIsValid() {
    if (!LevelRestricted()) return 1;
    char text[kNumberLimit + 1];
    if (FieldText(Slot(kCgLevelField), text, kNumberLimit) == 0) return 0;
    int level = ParseDecimal(text);
    if (level < 0) return 0;
    if (level > kMaxLevel) WriteNumber(kCgLevelField, kMaxLevel);
    return 1;
}

// Enables Create exactly when the name is usable and, in realm mode, the
// player count and the level restriction are.
static void Validate() {
    int valid = NameIsValid();
    if (RealmIsConnected()) {
        valid = PlayersAreValid() && valid;
        valid = LevelIsValid() && valid;
    }
    EnableControl(Slot(kCgCreateButton), valid);
}

static int ValidateCreateGame(uint32_t) {
    Validate();
    return 1;
}

// ---- level restriction ------------------------------------------------------------------------------
// The live arrows and the level field work only while the check box is pressed;
// otherwise the grey box and grey arrows cover them.
static void ApplyLevelRestriction() {
    int on = LevelRestricted();
    ShowControl(Slot(kCgGreyLevelBox), !on);
    ShowControl(Slot(kCgGreyLevelArrows), !on);
    ShowAndEnable(kCgLevelUp, on);
    ShowAndEnable(kCgLevelDown, on);
    EnableControl(Slot(kCgLevelField), on);
    SetColouredLabel(kCgLevelLabel1, 5259, on);
    SetColouredLabel(kCgLevelLabel2, 5260, on);
    Validate();
}

static int ToggleLevelRestriction(uint32_t) {
    ApplyLevelRestriction();
    return 1;
}

// ---- arrows -------------------------------------------------------------------------------------------
static int StepField(int slot, int delta, int low, int high) {
    int value = FieldNumber(Slot(slot), kArrowLimit);
    if ((delta > 0 && value < high) || (delta < 0 && value > low)) value += delta;
    WriteNumber(slot, value);
    Validate();
    return 1;
}

static int PlayersUp(uint32_t) {
    return StepField(kCgPlayersField, +1, kMinPlayers, kMaxPlayers);
}
static int PlayersDown(uint32_t) {
    return StepField(kCgPlayersField, -1, kMinPlayers, kMaxPlayers);
}
static int LevelUp(uint32_t) {
    return StepField(kCgLevelField, +1, kMinLevel, kMaxLevel);
}
static int LevelDown(uint32_t) {
    return StepField(kCgLevelField, -1, kMinLevel, kMaxLevel);
}

// ---- difficulty ------------------------------------------------------------------------------------------
static void SetDifficulty(int difficulty) {
    selectedDifficulty = difficulty;
    launch->gameDifficulty = (uint8_t)difficulty;
}

static int SelectDifficulty(int difficulty) {
    for (int d = 0; d < 3; ++d)
        SetButtonPressed(Slot(kCgDifficulty0 + d), d == difficulty);
    SetDifficulty(difficulty);
    return 1;
}

static int SelectDifficulty0(uint32_t) {
    return SelectDifficulty(0);
}
static int SelectDifficulty1(uint32_t) {
    return SelectDifficulty(1);
}
static int SelectDifficulty2(uint32_t) {
    return SelectDifficulty(2);
}

// Returns 1 when the remembered difficulty was selected.
static int OfferDifficulty(int difficulty, uint32_t remembered) {
    QvControl button = Slot(kCgDifficulty0 + difficulty);
    int labelSlot = kCgDifficultyLabel0 + difficulty;
    if (!DifficultyUnlocked(difficulty)) {
        SetColouredLabel(labelSlot, kDifficultyLabelIds[difficulty], 0);
        SetRadioImage(button, screenImages[kImgRadioButtonGrey]);
        EnableControl(button, 0);
        return 0;
    }
    SetColouredLabel(labelSlot, kDifficultyLabelIds[difficulty], 1);
    if (remembered != (uint32_t)difficulty) return 0;
    SetButtonPressed(button, 1);
    SetDifficulty(difficulty);
    return 1;
}

// ---- remembered settings ----------------------------------------------------------------------------------
// Reads a remembered number; an absent one is written with its default first.
static uint32_t ReadSetting(const char* name, uint32_t fallback, int* present) {
    uint32_t value = 0;
    *present = RegistryReadNumber(kSettingsKey, name, 0, &value);
    if (*present) return value;
    RegistryWriteNumber(kSettingsKey, name, 0, fallback);
    return fallback;
}

static void ApplyRememberedLevel() {
    int present = 0;
    uint32_t level = ReadSetting(kLevelRestValue, kDefaultLevel, &present);
    if (!present) return;
    if (level == kLevelRestrictionOff) {
        SetButtonPressed(Slot(kCgLevelCheckBox), 0);
    } else {
        WriteNumber(kCgLevelField, (int32_t)level);
        SetButtonPressed(Slot(kCgLevelCheckBox), 1);
    }
    ApplyLevelRestriction();
}

static void ApplyRememberedPlayers() {
    int present = 0;
    uint32_t players = ReadSetting(kMaxPlayerValue, kDefaultPlayers, &present);
    if (players >= (uint32_t)kMinPlayers && players <= (uint32_t)kMaxPlayers)
        WriteNumber(kCgPlayersField, (int)players);
}

// The remembered difficulty is selected only when the character has unlocked
// it; otherwise difficulty 0 is.
static void ApplyRememberedDifficulty() {
    int present = 0;
    uint32_t remembered = ReadSetting(kDiffLevelValue, 0, &present);
    for (int d = 0; d < 3; ++d)
        MakeSlot(kCgDifficulty0 + d);
    for (int d = 0; d < 3; ++d)
        MakeSlot(kCgDifficultyLabel0 + d);
    int chosen = OfferDifficulty(2, remembered);
    chosen += OfferDifficulty(1, remembered);
    SetColouredLabel(kCgDifficultyLabel0, kDifficultyLabelIds[0], 1);
    if (!chosen) {
        SetButtonPressed(Slot(kCgDifficulty0), 1);
        selectedDifficulty = 0;
    }
}

// ---- building ---------------------------------------------------------------------------------------------
// Player limit and level restriction, live.
static void BuildRealmNumbers() {
    MakeField(kCgPlayersField, kNumberMaxLength, DigitsOnlyFilter, ValidateCreateGame);
    EditSetText(Slot(kCgPlayersField), playersText);
    MakeSlot(kCgLevelCheckBox);
    SetButtonPressed(Slot(kCgLevelCheckBox), 1);
    MakeSlot(kCgGreyLevelBox);
    MakeField(kCgLevelField, kNumberMaxLength, DigitsOnlyFilter, ValidateCreateGame);
    EditSetText(Slot(kCgLevelField), levelText);
    EnableControl(Slot(kCgLevelField), 0);
    MakeSlot(kCgLevelLabel1);
    MakeSlot(kCgLevelLabel2);
    SetColouredLabel(kCgLevelLabel1, 5259, 0);
    SetColouredLabel(kCgLevelLabel2, 5260, 0);
    for (int slot = kCgPlayersUp; slot <= kCgLevelDown; ++slot)
        MakeSlot(slot);
    SetButtonFrame(Slot(kCgPlayersDown), 2);
    SetButtonFrame(Slot(kCgLevelDown), 2);
    MakeSlot(kCgGreyLevelArrows);
    ShowControl(Slot(kCgGreyLevelArrows), 1);
    EnableControl(Slot(kCgGreyLevelArrows), 0);
    ShowAndEnable(kCgLevelUp, 0);
    ShowAndEnable(kCgLevelDown, 0);
    EditSetTabNext(Slot(kCgNameField), Slot(kCgPasswordField));
    EditSetTabNext(Slot(kCgPasswordField), Slot(kCgDescriptionField));
    EditSetTabNext(Slot(kCgDescriptionField), Slot(kCgPlayersField));
    EditSetTabNext(Slot(kCgPlayersField), Slot(kCgLevelField));
    EditSetTabNext(Slot(kCgLevelField), Slot(kCgNameField));
    ApplyRememberedLevel();
    ApplyRememberedPlayers();
}

// Without a realm the player limit and level restriction only show greyed.
static void BuildOpenNumbers() {
    EditSetTabNext(Slot(kCgNameField), Slot(kCgPasswordField));
    EditSetTabNext(Slot(kCgPasswordField), Slot(kCgDescriptionField));
    EditSetTabNext(Slot(kCgDescriptionField), Slot(kCgNameField));
    MakeLabel(kCgPlayersLabel, 5258);
    MakeSlot(kCgLevelLabel1);
    MakeSlot(kCgLevelLabel2);
    SetColouredLabel(kCgLevelLabel1, 5259, 0);
    SetColouredLabel(kCgLevelLabel2, 5260, 0);
    MakeSlot(kCgGreyLevelBox);
    MakeSlot(kCgGreyLevelArrows);
    ShowControl(Slot(kCgGreyLevelArrows), 1);
    EnableControl(Slot(kCgGreyLevelArrows), 0);
    MakeSlot(kCgGreyPlayersBox);
    MakeSlot(kCgGreyPlayersArrows);
    ShowControl(Slot(kCgGreyPlayersArrows), 1);
    EnableControl(Slot(kCgGreyPlayersArrows), 0);
}

void OpenCreateGameDialog() {
    if (launch->realmName[0] && !RealmIsConnected()) {
        ShowPanelMessage(GetString(5139), nullptr);
        return;
    }
    if (RealmIsQueued()) {
        OpenCreationQueueScreen();
        return;
    }
    launch->gameDifficulty = 0;
    MakeSlot(kCgBackground);
    MakeLabel(kCgTitle, 5150);
    MakeLabel(kCgNameLabel, 5274);
    MakeLabel(kCgPasswordLabel, 5256);
    MakeLabel(kCgDescriptionLabel, 5257);
    if (RealmIsConnected()) MakeLabel(kCgPlayersLabel, 5258);
    MakeSlot(kCgCreateButton);
    SetCancelControl(MakeSlot(kCgCancelButton));
    MakeField(kCgNameField, kNameMaxLength, GameNameKeyFilter, ValidateCreateGame);
    MakeField(kCgPasswordField, kPasswordMaxLength, PrintableKeyFilter, nullptr);
    MakeField(kCgDescriptionField, kDescriptionMaxLength, PrintableKeyFilter, nullptr);
    TextFormat(playersText, sizeof playersText, "%d", kDefaultPlayers);
    TextFormat(levelText, sizeof levelText, "%d", kDefaultLevel);
    if (RealmIsConnected())
        BuildRealmNumbers();
    else
        BuildOpenNumbers();
    ApplyRememberedDifficulty();
    SetFocus(Slot(kCgNameField));
    if (RealmIsConnected()) ApplyLevelRestriction();
}

void CloseCreateGameDialog() {
    int open = 0;
    for (QvControl& control : createGameControls) {
        if (!control) continue;
        open = 1;
        DestroyControl(&control);
    }
    if (!open) return;
    SetCancelControl(lobbySlots[kSlotQuit]);
    if (inputLine) SetFocus(inputLine);
}

// Closing it also takes down the queue screen that reuses its controls.
const DialogRow kCreateGameDialog = {"create game", CloseCreateGameDialog, nullptr, nullptr,
                                     kDialogOwnControls};

static int CreateGameCancel(uint32_t) {
    ResetLobbyButtons();
    LeaveDialog();
    return 1;
}

int CreateGameButton(uint32_t) {
    LeaveDialog();
    OpenCreateGameDialog();
    ReleaseRightHandButtonsExcept(kSlotCreateGame);
    return 1;
}
