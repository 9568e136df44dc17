// The creation queue screen: while the realm keeps a creation request in its
// queue, the right-hand panel shows the request's position and a Cancel button
// that withdraws it. A timer control rebuilds the screen to re-read the
// position. The screen reuses the create-game dialog's control slots, so
// closing the dialog closes it too; it owns no other state.
#include "CreateGame.h"

enum { kPositionTextLimit = 50, kMessageSize = 512 };

static int CancelQueuedCreation(uint32_t arg);
static int RefreshCreationQueue(uint32_t arg);

#define IMG(i) (&screenImages[(i)])
#define NONE                                                                                                 \
    { .frame = 0 }

struct QueueControl {
    int slot; // the dialog slot it takes
    ControlDescriptor desc;
};

// clang-format off
static const QueueControl kQueueTable[] = {
//                         K    x    y    w    h  St  Text  Image                         onClick               Extra  Font     Fl
    { kQueueBackground,   { 2, 415, 447, 373, 373,  0,    0, IMG(kImgBlankBackground2),  nullptr,              NONE,  nullptr, 0 } },
    { kQueueTitle,        { 4, 496, 121, 200,  22,  0,    0, nullptr,                    nullptr,              NONE,  &kFont2, 2 } },
    { kQueuePositionText, { 4, 427, 234, 300, 100,  0,    0, nullptr,                    nullptr,              NONE,  &kFont1, 0 } },
    { kQueueCancelButton, { 6, 433, 433,  96,  32, 13, 5103, IMG(kImgCancelButtonBlank), CancelQueuedCreation, NONE,  nullptr, 0 } },
    { kQueueRefreshTimer, { 8,   2,   0,   0,   0,  0,    0, nullptr,                    RefreshCreationQueue, NONE,  nullptr, 0 } },
};
// clang-format on
static_assert(sizeof kQueueTable / sizeof kQueueTable[0] == 5, "five queue screen controls");
enum { kQBackground, kQTitle, kQPositionText, kQCancel, kQTimer };

#undef NONE

static QvControl MakeQueueControl(int row) {
    const QueueControl& entry = kQueueTable[row];
    createGameControls[entry.slot] = CreateControl(&entry.desc);
    return createGameControls[entry.slot];
}

// String 11026, the colour marker with colour 0, then the position and a space.
static void WritePositionMessage(QvControl text) {
    char number[16];
    TextFormat(number, sizeof number, "%d ", RealmQueuePosition());
    Unicode position[kPositionTextLimit + 1];
    Unicode::toUnicode(position, number, kPositionTextLimit + 1);
    Unicode message[kMessageSize];
    Unicode colour[4];
    Unicode::toUnicode(colour, "0", 4);
    UnicodeCopy(message, kMessageSize, GetString(11026));
    Unicode::strcat(message, GetString(3994), kMessageSize);
    Unicode::strcat(message, colour, kMessageSize);
    Unicode::strcat(message, position, kMessageSize);
    SetControlText(text, message);
}

void OpenCreationQueueScreen() {
    MakeQueueControl(kQBackground);
    SetControlText(MakeQueueControl(kQTitle), GetString(5150));
    QvControl text = MakeQueueControl(kQPositionText);
    SetControlText(text, GetString(11023));
    TextBoxAddLine(text, " ", 0);
    WritePositionMessage(text);
    SetCancelControl(MakeQueueControl(kQCancel));
    MakeQueueControl(kQTimer);
    if (sidePanelTextBox) ShowControl(sidePanelTextBox, 0);
}

static int RefreshCreationQueue(uint32_t) {
    LeaveDialog();
    OpenCreationQueueScreen();
    return 1;
}

// Withdraws the request; the plain lobby shows its side panel again.
static int CancelQueuedCreation(uint32_t) {
    WithdrawCreateRequest();
    ResetLobbyButtons();
    RealmLeaveQueue();
    RealmReset(0);
    CloseCreateGameDialog();
    if (sidePanelTextBox) ShowControl(sidePanelTextBox, 1);
    return 1;
}
