// Screen resources: the 52 screen images with their load and free rules, and the
// control descriptors of the front-end core. Owns the image handles and the
// lobby's control handles.
#include "Lobby.h"

#include "../games/CreateGame.h"
#include "../games/JoinGame.h"
#include "../chat/ChannelBanner.h"
#include "../help/HelpScreen.h"
#include "../ladder/Ladder.h"

// ---- state --------------------------------------------------------------------
QvImage screenImages[kImageCount];

QvControl lobbySlots[kLobbySlotCount];
QvControl topTextList, chatPane, inputLine, figureStripControl, litButton;
QvControl figureCells[kFigureCellCount];
QvControl leftLogo, rightLogo, sidePanelBackground, sidePanelTextBox;
QvControl enterChatButton, characterHelpButton, characterPanelBox;

// ---- images --------------------------------------------------------------------
// Paths in load order, each below the data root.
static const char kImageRoot[] = "DATA\\GLOBAL";
static const char* const kImagePaths[kImageCount] = {
    "\\UI\\FrontEnd\\PopUpLargest2",      // large popup background
    "\\UI\\FrontEnd\\MediumButtonBlank2", // large popup button
    "\\UI\\BIGMENU\\lanthorn",            // chat layout background
    "\\UI\\BIGMENU\\waitingroombkgd",     // character layout background
    "\\UI\\CURSOR\\ohand",                // normal cursor
    "\\UI\\CURSOR\\lrotate",              // cursor over the banner
    "\\UI\\BIGMENU\\scrollbar",           // chat pane scroll bar
    "\\UI\\FRONTEND\\joingamescrollbars", // dialog list scroll bars
    "\\UI\\BIGMENU\\chatleftbuttons",     // left chat buttons, first row
    "\\UI\\BIGMENU\\chatleftbuttons1",    // left chat buttons, second row, narrow
    "\\UI\\BIGMENU\\chatleftbuttons2",    // left chat button, second row, wide
    "\\UI\\BIGMENU\\chatrightbuttons",    // channel, ladder and quit buttons
    "\\UI\\BIGMENU\\chatrighttopbuttons", // create, join, enter-chat and help buttons
    "\\UI\\BIGMENU\\chatarrows",          // user-strip scroll buttons
    "\\UI\\BIGMENU\\joingamebckg",        // game list dialog
    "\\UI\\BIGMENU\\GameButtonBlank",     // game dialog buttons
    "\\UI\\BIGMENU\\joingameclickbox",    // game list click boxes
    "\\UI\\BIGMENU\\numberarrows",        // number arrows (four separate loads)
    "\\UI\\BIGMENU\\numberarrows",        //
    "\\UI\\BIGMENU\\numberarrows",        //
    "\\UI\\BIGMENU\\numberarrows",        //
    "\\UI\\BIGMENU\\numbergreyarrows",    // disabled number arrows
    "\\UI\\BIGMENU\\GreyLevelBox",        // create-game dialog
    "\\UI\\BIGMENU\\createjoinbckg",      // game dialogs
    "\\UI\\BIGMENU\\creategamebckg",      // create-game dialog
    "\\UI\\BIGMENU\\creategamebutton",    // create-game dialog
    "\\UI\\BIGMENU\\widebuttonblank",     // ladder menu buttons
    "\\UI\\BIGMENU\\CancelButtonBlank",   // dialog buttons
    "\\UI\\BIGMENU\\yesnobuttonblank",    // loaded with the others, drawn by nothing
    "\\ui\\BIGMENU\\QvlogoBlackLanthorn", // logo animation
    "\\ui\\BIGMENU\\QvlogoLanthorn",      // logo animation
    "\\UI\\BIGMENU\\blankbckg2",          // side-panel background
    "\\UI\\BIGMENU\\gembutton",           // lit button
    "\\UI\\BIGMENU\\LadderChoiceEXP",     // ladder choice
    "\\UI\\BIGMENU\\HardcoreLadderBckg",  // ladder list
    "\\UI\\BIGMENU\\PlayerProfileBckg",   // profile view
    "\\UI\\BIGMENU\\PlayerProfileBckg",   // profile edit
    "\\UI\\BIGMENU\\HelpBckg",            // help screen
    "\\UI\\BIGMENU\\radiobutton",         // difficulty choice
    "\\UI\\BIGMENU\\radiobuttonGrey",     // disabled difficulty choice
    "\\ui\\BIGMENU\\PopUpOK",             // small popup background
    "\\ui\\BIGMENU\\CancelButtonBlank",   // small popup button
    "\\ui\\BIGMENU\\overalltab",          // ladder tab: overall
    "\\ui\\BIGMENU\\huntresstab",         // ladder tabs, one per class in class order
    "\\ui\\BIGMENU\\spellbindertab",      //
    "\\ui\\BIGMENU\\gravecallertab",      //
    "\\ui\\BIGMENU\\crusadertab",         //
    "\\ui\\BIGMENU\\berserkertab",        //
    "\\ui\\BIGMENU\\shapeshiftertab",     //
    "\\ui\\BIGMENU\\shadowbladetab",      //
    "\\UncompOverlays\\SquelchAura",      // overlay on squelched users
    "\\UncompOverlays\\SelectAura",       // overlay on the selected user
};
static_assert(sizeof kImagePaths / sizeof kImagePaths[0] == 52, "52 screen images");

// Load results are stored without a test: a missing picture draws nothing.
void LoadScreenImages() {
    char path[260];
    for (int i = 0; i < kImageCount; ++i) {
        TextCopy(path, sizeof path, kImageRoot);
        TextAppend(path, sizeof path, kImagePaths[i]);
        screenImages[i] = LoadImage(path, 0);
    }
    SetAuraImages(screenImages[kImgSquelchAura], screenImages[kImgSelectAura]);
}

void FreeScreenImages() {
    for (QvImage& image : screenImages) {
        if (image) FreeImage(image);
        image = nullptr;
    }
}

// ---- descriptors ------------------------------------------------------------------
const FontPair kFont0 = {0, 0}, kFont1 = {1, 0}, kFont2 = {2, 0}, kFont3 = {3, 0}, kFont4 = {4, 0},
               kFont7 = {7, 0};
const ScrollPlacement kChatPaneScroll = {400, 390, 314};
static const LogoRecord kLogoRecord = {&screenImages[kImgLogoBlack], &screenImages[kImgLogo], 3, 1};

#define IMG(i) (&screenImages[(i)])

// Dialog buttons whose dialogs are not part of the lobby yet have no callback:
// pressing them does nothing.
// clang-format off
const ControlDescriptor kLobbyTable[kLobbySlotCount] = {
//    K   x    y    w    h   St  Text   Image                          onClick           Extra          Font  Fl
    { 6,  27, 470,  80, 20,  0, 5305, IMG(kImgChatLeftButtons),     SendButton,       {.frame = 0}, nullptr, 0 }, // send
    { 6, 107, 470,  80, 20,  0, 5306, IMG(kImgChatLeftButtons),     WhisperButton,    {.frame = 0}, nullptr, 0 }, // whisper
    { 6, 187, 470,  80, 20,  0, 5308, IMG(kImgChatLeftButtons),     HelpButton,       {.frame = 0}, nullptr, 0 }, // help
    { 6,  27, 490,  72, 20,  0, 5307, IMG(kImgChatLeftButtons1),    SquelchButton,    {.frame = 0}, nullptr, 0 }, // squelch
    { 6,  99, 490,  96, 20,  0, 5310, IMG(kImgChatLeftButtons2),    UnsquelchButton,  {.frame = 0}, nullptr, 0 }, // unsquelch
    { 6, 195, 490,  72, 20,  0, 5309, IMG(kImgChatLeftButtons1),    EmoteButton,      {.frame = 0}, nullptr, 0 }, // emote
    { 6, 533, 469, 120, 20,  0, 5312, IMG(kImgChatRightTopButtons), CreateGameButton,   {.frame = 0}, nullptr, 1 }, // create game
    { 6, 535, 490,  80, 20,  0, 5314, IMG(kImgChatRightButtons),    ChannelButton,      {.frame = 0}, nullptr, 1 }, // channel
    { 6, 652, 469, 120, 20,  0, 5313, IMG(kImgChatRightTopButtons), OpenJoinGameDialog, {.frame = 0}, nullptr, 1 }, // join game
    { 6, 614, 490,  80, 20,  0, 5315, IMG(kImgChatRightButtons),    LadderButton,     {.frame = 0}, nullptr, 1 }, // ladder
    { 6, 693, 490,  80, 20,  0, 5316, IMG(kImgChatRightButtons),    QuitButton,       {.frame = 0}, nullptr, 0 }, // quit
    { 6, 725, 583,  25, 30,  0,    0, IMG(kImgChatArrows),          ScrollBackTen,    {.frame = 0}, nullptr, 0 }, // strip -10
    { 6, 751, 583,  25, 30,  0,    0, IMG(kImgChatArrows),          ScrollForwardTen, {.frame = 2}, nullptr, 0 }, // strip +10
    { 6, 725, 528,  25, 30,  0,    0, IMG(kImgChatArrows),          ScrollBackOne,    {.frame = 4}, nullptr, 0 }, // strip -1
    { 6, 751, 528,  25, 30,  0,    0, IMG(kImgChatArrows),          ScrollForwardOne, {.frame = 6}, nullptr, 0 }, // strip +1
    { 2, 145,  69, 510, 60,  0,    0, nullptr,                      nullptr,          {.frame = 0}, nullptr, 0 }, // banner
    { 9, 145,  69, 510, 60,  0,    0, nullptr,                      OpenAdLink,       {.frame = 0}, nullptr, 0 }, // banner click
};
static_assert(sizeof kLobbyTable / sizeof kLobbyTable[0] == 17, "17 lobby slots");

const ControlDescriptor kTopTextListDesc          = { 4,  28, 138, 354,  60,  0,    0, nullptr,                      nullptr,          {.frame = 0},                &kFont4, 2 };
const ControlDescriptor kChatPaneDesc             = { 4,  28, 410, 354, 298,  0,    0, IMG(kImgScrollbar),          nullptr,          {.scroll = &kChatPaneScroll}, &kFont4, 4 };
const ControlDescriptor kInputLineDesc            = { 1,  28, 450, 335,  32,  0,    0, nullptr,                      nullptr,          {.enter = SubmitInputLine},   &kFont4, 22 };
const ControlDescriptor kFigureStripDesc          = {12,  40, 591, 720,  75,  0,    0, nullptr,                      nullptr,          {.frame = 0},                nullptr, 0 };
const ControlDescriptor kLitButtonDesc            = { 6, 398, 474,  12,  13,  0,    0, IMG(kImgGemButton),          LitButton,        {.frame = 0},                nullptr, 4 };
const ControlDescriptor kLeftLogoDesc             = { 3,  84,  52, 147,  68,  0,    0, nullptr,                      nullptr,          {.logo = &kLogoRecord},      nullptr, 0 };
const ControlDescriptor kRightLogoDesc            = { 3, 726,  52, 147,  68,  0,    0, nullptr,                      nullptr,          {.logo = &kLogoRecord},      nullptr, 0 };
const ControlDescriptor kSidePanelBackgroundDesc  = { 2, 415, 447, 373, 373,  0,    0, IMG(kImgBlankBackground2),   nullptr,          {.frame = 0},                nullptr, 0 };
const ControlDescriptor kSidePanelTextBoxDesc     = { 4, 447, 398, 290, 269,  0,    0, nullptr,                      nullptr,          {.frame = 0},                &kFont4, 2 };
const ControlDescriptor kPanelMessageDesc         = { 4, 438, 300, 326, 150,  0,    0, nullptr,                      nullptr,          {.frame = 0},                &kFont2, 2 };
const ControlDescriptor kSmallPopupBackgroundDesc = { 2, 268, 350, 264, 176,  0,    0, IMG(kImgPopUpOk),            nullptr,          {.frame = 0},                nullptr, 0 };
const ControlDescriptor kSmallPopupOkDesc         = { 6, 351, 337,  96,  32, 13, 5102, IMG(kImgSmallPopupButton),   PopupButton,      {.frame = 0},                nullptr, 2 };
const ControlDescriptor kSmallPopupCancelDesc     = { 6, 351, 337,  96,  32, 13, 5103, IMG(kImgSmallPopupButton),   PopupButton,      {.frame = 0},                nullptr, 2 };
const ControlDescriptor kSmallPopupTextDesc       = { 4, 268, 320, 264, 120, 10,    8, nullptr,                      nullptr,          {.frame = 0},                &kFont7, 2 };
const ControlDescriptor kLargePopupBackgroundDesc = { 2, 158, 460, 485, 290,  0,    0, IMG(kImgPopUpLargest2),      nullptr,          {.frame = 0},                nullptr, 0 };
const ControlDescriptor kLargePopupButtonDesc     = { 6, 336, 454, 128,  35,  0, 5102, IMG(kImgMediumButtonBlank2), LargePopupConfirm, {.frame = 0},               nullptr, 0 };
const ControlDescriptor kLargePopupTitleDesc      = { 4, 158, 240, 485,  40,  0,    0, nullptr,                      nullptr,          {.frame = 0},                &kFont2, 2 };
const ControlDescriptor kLargePopupBodyDesc       = { 4, 172, 420, 457, 180, 10,    0, nullptr,                      nullptr,          {.frame = 0},                &kFont7, 0 };
const ControlDescriptor kEnterChatButtonDesc      = { 6,  27, 480, 120,  20,  0, 11126, IMG(kImgChatRightTopButtons), EnterChatLayout, {.frame = 0},               nullptr, 0 };
const ControlDescriptor kCharacterHelpButtonDesc  = { 6, 146, 480, 120,  20,  0, 5308, IMG(kImgChatRightTopButtons), HelpButton,       {.frame = 0},                nullptr, 0 };
const ControlDescriptor kCharacterPanelBoxDesc    = { 4, 143, 588, 230,  87,  0,    0, nullptr,                      nullptr,          {.frame = 0},                &kFont4, 0 };
// clang-format on

void CreateLobbySlots(int first, int last) {
    for (int i = first; i <= last; ++i)
        lobbySlots[i] = CreateControl(&kLobbyTable[i]);
}

void DestroyLobbySlots() {
    for (QvControl& slot : lobbySlots)
        if (slot) DestroyControl(&slot);
}
