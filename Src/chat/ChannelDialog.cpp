// The channel dialog in the side panel: a name field with the current channel,
// the channels the chat service offers together with the launch record's home
// and current channel, OK and cancel. A confirmed name is joined through the
// chat service and the dialog closes.
//
// Owns the dialog's control handles (not transient controls: LeaveDialog closes
// them through its row of the lobby's dialog table) and the last single click
// in the list.
#include "ChannelBanner.h"

#include "../core/Dialogs.h"
#include "../core/Lobby.h"

#include <cstring>

// ---- state ----------------------------------------------------------------------
static QvControl channelBackground, channelTitle, channelFirstLabel, channelSecondLabel;
static QvControl channelOkButton, channelCancelButton, channelNameField, channelList;
// Row and tick count of the last single click in the list; -2: none yet.
static int32_t channelClickRow = -2;
static uint32_t channelClickTime;

enum {
    kNameMaxLength = 32,     // characters the field takes
    kNameTestLength = 30,    // characters that decide whether OK is enabled
    kNameSize = 256,         // 8-bit names: 255 characters and the terminator
    kMaxListedNames = 10000, // the run is cut after this many names, far more than a service offers
    kTitleText = 5261,
    kFirstLabelText = 5262,
    kSecondLabelText = 5263,
};

static int ChannelConfirm(uint32_t arg);
static int ChannelConfirmEnter(const Unicode* text);
static int ChannelListClick(uint32_t clickRecord);
static int ChannelCancel(uint32_t arg);

#define IMG(i) (&screenImages[(i)])
static const ScrollPlacement kChannelListScroll = {753, 393, 197};

// clang-format off
//                                                    K   x    y    w    h   St  Text  Image                            onClick           Extra                            Font     Fl
static const ControlDescriptor kChannelBackgroundDesc = { 2, 415, 447, 373, 373,  0,    0, IMG(kImgCreateJoinBackground),   nullptr,          {.frame = 0},                    nullptr, 0 };
static const ControlDescriptor kChannelTitleDesc      = { 4, 496, 114, 200,  22,  0,    0, nullptr,                         nullptr,          {.frame = 0},                    &kFont2, 2 };
static const ControlDescriptor kChannelLabel1Desc     = { 4, 427, 135, 150,  12,  0,    0, nullptr,                         nullptr,          {.frame = 0},                    &kFont1, 0 };
static const ControlDescriptor kChannelLabel2Desc     = { 4, 427, 187, 150,  12,  0,    0, nullptr,                         nullptr,          {.frame = 0},                    &kFont1, 0 };
static const ControlDescriptor kChannelNameDesc       = { 1, 432, 162, 155,  20,  0,    0, nullptr,                         nullptr,          {.enter = ChannelConfirmEnter},  &kFont4, 0 };
static const ControlDescriptor kChannelListDesc       = { 4, 432, 397, 321, 200,  0,    0, IMG(kImgJoinGameScrollbars),     ChannelListClick, {.scroll = &kChannelListScroll}, &kFont4, 5 };
static const ControlDescriptor kChannelOkDesc         = { 6, 671, 433,  96,  32, 13, 5102, IMG(kImgCancelButtonBlank),      ChannelConfirm,   {.frame = 0},                    nullptr, 0 };
static const ControlDescriptor kChannelCancelDesc     = { 6, 433, 433,  96,  32,  0, 5103, IMG(kImgCancelButtonBlank),      ChannelCancel,    {.frame = 0},                    nullptr, 0 };
// clang-format on

// ---- the name field ---------------------------------------------------------------
// The field's text as 8-bit text of at most size - 1 characters ("" when empty).
static void NameFieldText(char* name, int size) {
    name[0] = 0;
    const Unicode* text = channelNameField ? EditGetText(channelNameField) : nullptr;
    if (text) Unicode::unicode2Win(name, text, size);
}

// OK is enabled exactly when the field's first 30 characters are not empty.
static void UpdateOkButton() {
    char name[kNameTestLength + 1];
    NameFieldText(name, sizeof name);
    EnableControl(channelOkButton, name[0] != 0);
}

static int NameFieldChanged(uint32_t) {
    UpdateOkButton();
    return 1;
}

// Typing a name of one's own drops the list's choice; the key goes on to the field.
static int NameFieldKey(QvControl, int, Unicode*) {
    ListSetSelection(channelList, -1);
    return 1;
}

// ---- the list ---------------------------------------------------------------------------
// The home channel, the current channel (once), then the service's run of names
// ended by an empty one, without the current channel.
static void FillChannelList() {
    const char* run = GetChannelList(chatService, launch->characterFlags & 0x20);
    char home[sizeof launch->homeChannelName + 1], current[sizeof launch->channelName + 1];
    TextCopy(home, sizeof home, launch->homeChannelName);
    TextCopy(current, sizeof current, launch->channelName);
    if (home[0]) ListAddRow(channelList, home);
    if (current[0] && strcmp(current, home) != 0) ListAddRow(channelList, current);
    if (!run) return;
    // The run carries no size, so no read may go looking for a terminator: each
    // name is read within kNameSize bytes, and one that does not end there is
    // listed cut and ends the run, as does the kMaxListedNames-th name. Nothing
    // past kMaxListedNames * kNameSize bytes is ever read.
    char name[kNameSize];
    for (int listed = 0; listed < kMaxListedNames && *run; ++listed) {
        int length = TextLengthWithin(run, kNameSize);
        TextCopyN(name, sizeof name, run, length);
        if (!current[0] || strcmp(name, current) != 0) ListAddRow(channelList, name);
        if (length == kNameSize) break;
        run += length + 1;
    }
}

// A second press on the same row within 500 ms joins the field's channel (the
// first press put the row's name there); otherwise the row's name goes into the field.
static int ChannelListClick(uint32_t clickRecord) {
    if (ListGetSelection(channelList) == -1) return 0;
    const ClickRecord* click = (const ClickRecord*)(uintptr_t)clickRecord;
    if (click && click->message == kMsgLeftDown) {
        if (IsDoubleClick(ListGetSelection(channelList), &channelClickRow, &channelClickTime)) {
            char name[kNameSize];
            NameFieldText(name, sizeof name);
            JoinChannelAndClose(name);
            return 0;
        }
    }
    const Unicode* rowText = ListGetClicked(channelList);
    if (rowText) EditSetTextUnicode(channelNameField, rowText);
    SetFocus(nullptr);
    return 0;
}

// ---- confirm and cancel ------------------------------------------------------------------
static int ChannelConfirm(uint32_t) {
    if (!IsControlEnabled(channelOkButton)) return 1;
    char name[kNameSize];
    NameFieldText(name, sizeof name);
    JoinChannelAndClose(name);
    return 1;
}

static int ChannelConfirmEnter(const Unicode*) {
    return ChannelConfirm(0);
}

static int ChannelCancel(uint32_t) {
    ResetLobbyButtons();
    LeaveDialog();
    return 1;
}

void JoinChannelAndClose(const char* name) {
    JoinChannel(chatService, name, 0, 0);
    LeaveDialog();
    ReleaseRightHandButtons();
    lobbyState = kLobbyIdle;
}

// ---- opening and closing -------------------------------------------------------------------
static QvControl CreateLabel(const ControlDescriptor* desc, int textId) {
    QvControl label = CreateControl(desc);
    SetControlText(label, GetString(textId));
    return label;
}

static void OpenChannelDialog() {
    channelBackground = CreateControl(&kChannelBackgroundDesc);
    channelTitle = CreateLabel(&kChannelTitleDesc, kTitleText);
    channelFirstLabel = CreateLabel(&kChannelLabel1Desc, kFirstLabelText);
    channelSecondLabel = CreateLabel(&kChannelLabel2Desc, kSecondLabelText);
    channelOkButton = CreateControl(&kChannelOkDesc);
    channelCancelButton = CreateControl(&kChannelCancelDesc);
    SetCancelControl(channelCancelButton);
    channelNameField = CreateControl(&kChannelNameDesc);
    EditSetMaxLength(channelNameField, kNameMaxLength);
    EditSetKeyCallback(channelNameField, NameFieldKey);
    EditSetChangeCallback(channelNameField, NameFieldChanged);
    channelList = CreateControl(&kChannelListDesc);
    FillChannelList();
    EditSetText(channelNameField, joinedChannel);
    SetFocus(channelNameField);
    EditSelectAll(channelNameField);
    ListScrollTo(channelList, 0);
    UpdateOkButton();
}

int ChannelButton(uint32_t) {
    ReleaseRightHandButtonsExcept(kSlotChannel);
    LeaveDialog();
    OpenChannelDialog();
    return 1;
}

void CloseChannelDialog() {
    if (!channelBackground) return;
    DestroyControl(&channelBackground);
    DestroyControl(&channelTitle);
    DestroyControl(&channelFirstLabel);
    DestroyControl(&channelSecondLabel);
    DestroyControl(&channelOkButton);
    DestroyControl(&channelCancelButton);
    DestroyControl(&channelNameField);
    DestroyControl(&channelList);
    SetCancelControl(lobbySlots[kSlotQuit]);
    if (inputLine) SetFocus(inputLine);
}

const DialogRow kChannelDialog = {"channel", CloseChannelDialog, nullptr, nullptr, kDialogOwnControls};
