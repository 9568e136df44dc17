// Popups and dialog switching: the transient control list, the small, large and
// panel messages, the lobby's dialog table with LeaveDialog, the lobby-button
// reset, the list double click and the quit button.
// Owns transientControls, popupClose, popupOpenedAt, panelMessage and the
// dialog table.
#include "Dialogs.h"
#include "Lobby.h"

#include "../games/CreateGame.h"

// ---- state ----------------------------------------------------------------------
static QvControl transientControls[kMaxTransients];
static int32_t transientCount;
ControlCallback popupClose;
uint32_t popupOpenedAt;
QvControl panelMessage;

// ---- transient list -------------------------------------------------------------
void AddTransient(QvControl control) {
    if (transientCount >= kMaxTransients) LOBBY_FATAL(5081);
    transientControls[transientCount++] = control;
}

int CloseTransients(uint32_t) {
    for (int i = 0; i < transientCount; ++i)
        DestroyControl(&transientControls[i]);
    transientCount = 0;
    for (const DialogRow* dialog : kLobbyDialogs)
        if (dialog->home == kDialogTransients) dialog->close();
    SetCancelControl(lobbySlots[kSlotQuit]);
    popupOpenedAt = 0;
    return 1;
}

// Creates a transient control on top of everything.
static QvControl AddTransientOnTop(const ControlDescriptor* desc) {
    QvControl control = CreateControl(desc);
    AddTransient(control);
    SetControlOnTop(control, 1);
    return control;
}

// ---- message popups ---------------------------------------------------------------
static void ShowSmallPopup(const ControlDescriptor* buttonDesc, const Unicode* text,
                           ControlCallback closeAction) {
    CloseTransients();
    QvControl background = CreateControl(&kSmallPopupBackgroundDesc);
    AddTransient(background);
    SetPopupBackgroundFlag(background, 0);
    SetControlOnTop(background, 1);
    AddTransientOnTop(buttonDesc);
    QvControl box = AddTransientOnTop(&kSmallPopupTextDesc);
    TextListAddLine(box, text, 0, 0, 0);
    popupClose = closeAction ? closeAction : CloseTransients;
}

void ShowWaitMessage(const Unicode* text, ControlCallback closeAction) {
    ShowSmallPopup(&kSmallPopupCancelDesc, text, closeAction);
    popupOpenedAt = OsTickCount();
}

void ShowMessage(const Unicode* text, ControlCallback closeAction) {
    ShowSmallPopup(&kSmallPopupOkDesc, text, closeAction);
}

void ShowLargeMessage(const Unicode* title, const Unicode* body) {
    CloseTransients();
    QvControl background = CreateControl(&kLargePopupBackgroundDesc);
    AddTransient(background);
    SetPopupBackgroundFlag(background, 0);
    SetControlOnTop(background, 1);
    AddTransientOnTop(&kLargePopupButtonDesc);
    TextListAddLine(AddTransientOnTop(&kLargePopupTitleDesc), title, 0, 0, 0);
    TextListAddLine(AddTransientOnTop(&kLargePopupBodyDesc), body, 0, 0, 0);
}

void ShowPanelMessage(const Unicode* text, ControlCallback closeAction) {
    LeaveDialog();
    if (sidePanelTextBox) ShowControl(sidePanelTextBox, 0);
    ReleaseRightHandButtons();
    panelMessage = CreateControl(&kPanelMessageDesc);
    SetControlText(panelMessage, text);
    popupClose = closeAction;
}

void ShowConnectionLost() {
    ShowMessage(GetString(5351), ConnectionLostClose);
}

// ---- callbacks ---------------------------------------------------------------------
int PopupButton(uint32_t arg) {
    if (popupClose) popupClose(arg);
    return 1;
}

int LargePopupConfirm(uint32_t) {
    ConfirmGuardWarning();
    CloseTransients();
    return 1;
}

int QuitButton(uint32_t) {
    ShowWaitMessage(GetString(5243), nullptr);
    resultCode = kResultLeave;
    EndScreenLoop();
    return 1;
}

int ConnectionLostClose(uint32_t) {
    resultCode = kResultLeave;
    EndScreenLoop();
    return 1;
}

int ShowSidePanelClose(uint32_t) {
    ShowControl(sidePanelTextBox, 1);
    return 1;
}

// ---- dialog switching ----------------------------------------------------------------
// CloseTransients is also a control callback, so the table takes it through this.
static void LeaveTransients() {
    CloseTransients();
}

static void DestroyPanelMessage() {
    DestroyControl(&panelMessage);
}

// Core's own steps of leaving a dialog, placed among the dialogs' rows.
// clang-format off
const DialogRow kTransientsStep   = { "transients",    LeaveTransients,     nullptr, nullptr, kDialogOwnControls };
const DialogRow kPanelMessageStep = { "panel message", DestroyPanelMessage, nullptr, nullptr, kDialogOwnControls };

// LeaveDialog's order: every dialog with its own controls closes in turn, the
// transient rows with the transient list.
const DialogRow* const kLobbyDialogs[] = {
    &kCreateGameDialog, // with the queue screen that reuses its controls
    &kJoinGameDialog,
    &kChannelDialog,
    &kTransientsStep,
    &kLadderDialog,     // forgotten with the transients
    &kProfileDialog,
    &kPanelMessageStep,
    &kHelpDialog,
};
// clang-format on
static_assert(sizeof kLobbyDialogs / sizeof kLobbyDialogs[0] == kLobbyDialogCount, "eight dialog rows");

void LeaveDialog() {
    for (const DialogRow* dialog : kLobbyDialogs)
        if (dialog->home == kDialogOwnControls) dialog->close();
    if (lobbyState == kLobbyGameListOpen) lobbyState = kLobbyIdle;
    if (sidePanelTextBox) ShowControl(sidePanelTextBox, 1);
}

void ReleaseRightHandButtons() {
    ReleaseRightHandButtonsExcept(-1);
}

// Opening one dialog releases the other right-hand buttons; the opened dialog's
// own button is left as the toolkit set it.
void ReleaseRightHandButtonsExcept(int keptSlot) {
    static const int kRightHandSlots[] = {kSlotCreateGame, kSlotChannel, kSlotJoinGame, kSlotLadder};
    for (int slot : kRightHandSlots)
        if (slot != keptSlot) SetButtonPressed(lobbySlots[slot], 0);
}

// A press is a double click when it hits the remembered row within 500 ms of the
// remembered press; a double click leaves the memory as it was, any other press
// becomes the remembered one. Each list keeps its own memory.
int IsDoubleClick(int row, int32_t* lastRow, uint32_t* lastTime) {
    enum { kDoubleClickMs = 500 };
    uint32_t now = OsTickCount();
    if (row == *lastRow && now - *lastTime <= kDoubleClickMs) return 1;
    *lastRow = row;
    *lastTime = now;
    return 0;
}

// Opening the join dialog takes lobbyState and the pending request id, so a
// create or join still waiting for the realm would never see its answer.
void ApplyJoinLock() {
    if (GameButtonsLocked()) return;
    int waiting = lobbyState == kLobbyJoinPending || CreateRequestWaiting();
    EnableControl(lobbySlots[kSlotJoinGame], !waiting);
}

void EnableGameAndLadderButtons() {
    if (!GameButtonsLocked()) EnableControl(lobbySlots[kSlotCreateGame], 1);
    ApplyJoinLock();
    EnableControl(lobbySlots[kSlotLadder], ladderDisabled == 0);
}

void ResetLobbyButtons() {
    ReleaseRightHandButtons();
    EnableGameAndLadderButtons();
    EnableControl(lobbySlots[kSlotChannel], IsChatLayout() || chatNotEntered == 0);
}
