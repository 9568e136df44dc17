// The help screen in the side panel: a title, a scrolling text of fixed help
// paragraphs from the module's string table and an OK button that Escape
// presses. The paragraphs about chatting show only once the player is in chat.
//
// Owns the screen's four control handles, helpOpen and the screen's row of the
// lobby's dialog table.
#include "HelpScreen.h"

#include "../core/Dialogs.h"
#include "../core/Lobby.h"

// ---- state ----------------------------------------------------------------------
static QvControl helpBackground, helpTitle, helpTextBox, helpOkButton;
int32_t helpOpen;

enum {
    kTitleBeforeChat = 5308,
    kTitleInChat = 686,
    kSep = 0, // a separating line between paragraphs
};

static const char kSeparatorText[] = " ";

#define IMG(i) (&screenImages[(i)])
static const ScrollPlacement kHelpTextScroll = {753, 391, 266};

// clang-format off
//                                                  K   x    y    w    h   St  Text  Image                          onClick          Extra                         Font     Fl
static const ControlDescriptor kHelpBackgroundDesc = { 2, 415, 447, 373, 373,  0,    0, IMG(kImgHelpBackground),       nullptr,         {.frame = 0},                 nullptr, 0 };
static const ControlDescriptor kHelpTitleDesc      = { 4, 400, 112, 400,  22,  0,    0, nullptr,                       nullptr,         {.frame = 0},                 &kFont2, 2 };
static const ControlDescriptor kHelpTextBoxDesc    = { 4, 447, 398, 290, 269,  0,    0, IMG(kImgJoinGameScrollbars),   nullptr,         {.scroll = &kHelpTextScroll}, &kFont4, 4 };
static const ControlDescriptor kHelpOkDesc         = { 6, 671, 433,  96,  32, 13, 5102, IMG(kImgCancelButtonBlank),    CloseHelpScreen, {.frame = 0},                 nullptr, 0 };

// The help text in display order: string ids, kSep for a separating line.
// The chat section shows only once the player is in chat.
static constexpr int32_t kChatSection[] = {
    687, 688, kSep, 689, kSep, 690, kSep, 691, kSep, 692, kSep, 693, kSep, 694, 695, kSep,
    696, 11060, 697, 698, 699, 11061, 701, kSep,
};
static constexpr int32_t kCommonSection[] = {
    702, 703, kSep, 704, 705, kSep, 706, kSep, 707, kSep, 708, kSep, 709, kSep, 710, 711, kSep,
    712, kSep, 713, 714, 715, kSep, 716, 717, 718, kSep, 719, 720, kSep, 721, kSep, 722, kSep,
    10092, kSep, 10093, kSep, 723, kSep, 724, 11046, kSep, 11047, kSep, 11048, kSep,
    10004, 10005, 730, kSep, 11041, 11042, kSep, 731, 732, kSep, 10006, 10007, 735, kSep,
    10008, 10009, 738, kSep, 739, 740, kSep, 741, 742, kSep, 743, 744, kSep, 745, 746, kSep,
    10010, 748, kSep, 749, 750, kSep, 10011, 752, kSep, 10012, 754, kSep, 755, 756, kSep,
    10013, 10014, 759, kSep, 760, 761, kSep, 762, 763, kSep, 764, 765, kSep, 766, 767, kSep,
    768, 769, kSep, 10015, 771, kSep, 772, kSep, 773, kSep, 774, kSep,
    775, 11043, 777, 778, 779, 780, 781, 782, 783, 784, 785, 786, 787, kSep,
};
// clang-format on

template <size_t N> constexpr int CountOf(const int32_t (&section)[N], bool separators) {
    int count = 0;
    for (int32_t entry : section)
        count += (entry == kSep) == separators;
    return count;
}
static_assert(CountOf(kChatSection, false) == 16 && CountOf(kChatSection, true) == 8, "chat section");
static_assert(CountOf(kCommonSection, false) == 90 && CountOf(kCommonSection, true) == 44, "common section");

// Setting the box's text appends the string as a new paragraph.
template <size_t N> static void AddSection(const int32_t (&section)[N]) {
    for (int32_t entry : section) {
        if (entry == kSep)
            TextBoxAddLine(helpTextBox, kSeparatorText, 0);
        else
            SetControlText(helpTextBox, GetString(entry));
    }
}

void OpenHelpScreen() {
    LeaveDialog();
    ReleaseRightHandButtons();
    helpBackground = CreateControl(&kHelpBackgroundDesc);
    helpTitle = CreateControl(&kHelpTitleDesc);
    SetControlText(helpTitle, GetString(chatNotEntered ? kTitleBeforeChat : kTitleInChat));
    helpTextBox = CreateControl(&kHelpTextBoxDesc);
    if (chatNotEntered == 0) AddSection(kChatSection);
    AddSection(kCommonSection);
    helpOkButton = CreateControl(&kHelpOkDesc);
    SetCancelControl(helpOkButton);
    helpOpen = 1;
    ListScrollTo(helpTextBox, 0);
}

int HelpButton(uint32_t) {
    OpenHelpScreen();
    if (inputLine) SetFocus(inputLine);
    return 1;
}

// Escape belongs to the quit button again once the help is gone.
int CloseHelpScreen(uint32_t) {
    DestroyControl(&helpBackground);
    DestroyControl(&helpTitle);
    DestroyControl(&helpTextBox);
    DestroyControl(&helpOkButton);
    helpOpen = 0;
    SetCancelControl(lobbySlots[kSlotQuit]);
    return 1;
}

// Leaving for another dialog closes the screen only when it is open.
static void LeaveHelpScreen() {
    if (helpOpen) CloseHelpScreen(0);
}

const DialogRow kHelpDialog = {"help", LeaveHelpScreen, nullptr, nullptr, kDialogOwnControls};
