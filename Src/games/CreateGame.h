// The create-game dialog and the creation queue screen that reuses its control
// slots: the entry points the lobby's other units call, the dialog's controls,
// the request record shared with the realm client, and the helpers that the
// dialog's two source units (CreateGame.cpp, CreateRequest.cpp) share.
//
// Index:
//   1. lobby entry points      (CreateGame.cpp, CreationQueue.cpp)
//   2. the dialog's controls   (CreateGame.cpp)
//   3. the create request      (CreateRequest.cpp)
//   4. field helpers           (CreateGame.cpp)
#pragma once

#include <cstddef>
#include <cstdint>

#include "../core/Lobby.h"

// ---- 1. lobby entry points --------------------------------------------------------
// The lobby's create-game button: leaves any dialog, opens the create-game
// dialog (or the queue screen, or the realm-down message) and releases the
// three other right-hand buttons.
int CreateGameButton(uint32_t arg);
void OpenCreateGameDialog();
// Destroys whatever exists of the dialog or the queue screen, then gives Escape
// back to the quit button and the focus to the input line. Does nothing when
// neither is open.
void CloseCreateGameDialog();
// Shows the queue position of the creation request waiting in the realm's queue.
void OpenCreationQueueScreen();

// ---- 2. the dialog's controls ---------------------------------------------------------
enum CreateGameSlot {
    kCgBackground,
    kCgTitle,
    kCgNameLabel,
    kCgPasswordLabel,
    kCgDescriptionLabel,
    kCgPlayersLabel,
    kCgLevelLabel1,
    kCgLevelLabel2,
    kCgNameField,
    kCgPasswordField,
    kCgDescriptionField,
    kCgPlayersField,
    kCgLevelField,
    kCgCreateButton,
    kCgCancelButton,
    kCgLevelCheckBox,
    kCgGreyLevelBox,
    kCgPlayersUp,
    kCgPlayersDown,
    kCgLevelUp,
    kCgLevelDown,
    kCgGreyLevelArrows,
    kCgGreyPlayersBox,
    kCgGreyPlayersArrows,
    kCgDifficulty0,
    kCgDifficulty1,
    kCgDifficulty2,
    kCgDifficultyLabel0,
    kCgDifficultyLabel1,
    kCgDifficultyLabel2,
    kCgSlotCount,
};
// The queue screen's controls take these slots of the dialog.
enum {
    kQueueBackground = kCgBackground,
    kQueueTitle = kCgTitle,
    kQueuePositionText = kCgNameLabel,
    kQueueCancelButton = kCgCancelButton,
    kQueueRefreshTimer = kCgCreateButton,
};

extern QvControl createGameControls[kCgSlotCount];
// 0, 1 or 2; mirrored into the launch record's gameDifficulty.
extern int32_t selectedDifficulty;

// ---- 3. the create request ---------------------------------------------------------------
// GameCreateRecord, the request handed to RealmCreateGame, is the public
// contract's (include/QvMulti.h).

// The Create button and Enter in any field; 0 when nothing was done.
int CreateGameConfirm(uint32_t arg);
int CreateGameEnter(const Unicode* text);
// 1 while a create request waits for the realm (lobbyState 1) and the player
// has not withdrawn it.
int CreateRequestWaiting();
// The player withdraws the waiting request (the queue screen's Cancel).
// lobbyState stays 1, so a status that still comes for it is handled.
void WithdrawCreateRequest();

// ---- 4. field helpers -----------------------------------------------------------------------
// Remembered settings under this registry key.
extern const char kSettingsKey[];
enum {
    kLevelRestrictionOff = 666, // "LVL_REST" when the check box is released
    kNoLevelLimit = 255,        // levelDifference when the check box is released
    kMinPlayers = 1,
    kMaxPlayers = 10,
    kMinLevel = 0,
    kMaxLevel = 99,
};

// The field's text as 8-bit text of at most `limit` characters (0 when the
// field is empty or missing); returns its length. dst holds limit + 1 bytes.
int FieldText(QvControl field, char* dst, int limit);
// The field's first `limit` characters read as a decimal number (0 when empty).
int FieldNumber(QvControl field, int limit);
// 1 while the level check box exists and is pressed.
int LevelRestricted();
int ClampNumber(int value, int low, int high);

// Key filters: 0 consumes the key, 1 passes it on. Control keys (Tab,
// Backspace) always pass.
int GameNameKeyFilter(QvControl box, int caret, Unicode* key);
int DigitsOnlyFilter(QvControl box, int caret, Unicode* key);
