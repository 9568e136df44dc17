// The ladder view: the menu of the four ladder kinds, the view of one kind with
// its class tabs, five column headers and a list of up to 1000 ranked
// characters, filled from the realm a page of 16 rows at a time (at most one
// request a second) as the player scrolls, and the position lookup that the
// profile panel starts.
//
// Owns the view state: the list and tab handles, the type shown, the paging
// state (ladderTopRow, lastRequestedTop, pageStart, lastPageStart,
// nextLadderRequestTime), the row limit and the looked-up name. Every control
// of the menu and the view is a transient control, so its row of the lobby's
// dialog table only forgets the handles.
#include <cstring>

#include "../core/Dialogs.h"
#include "../core/Lobby.h"
#include "../games/Profile.h"
#include "Ladder.h"

// ---- state ----------------------------------------------------------------------
enum { kTabCount = 8 };

static QvControl ladderList; // null while no view exists
static QvControl ladderTabs[kTabCount];
static int32_t ladderHasEightTabs;
static uint8_t currentLadderType;
static int32_t ladderTopRow;     // page start the view wants; -1 while a lookup waits
static int32_t lastRequestedTop; // ladderTopRow at the last request; -2 after a refill
static int32_t pageStart = -1, lastPageStart = -1;
static uint32_t nextLadderRequestTime;
static int32_t ladderRowLimit;
static char lookedUpName[kLadderNameSize];

enum {
    kPageRows = 16,
    kOverallRows = 1000,
    kClassRows = 200,
    kRequestGapMs = 1000,
    kTopUnset = -1,
    kRefilled = -2,
    kColourLookedUp = 0,
    kColourPlain = 4,
    kColourMarked = 5,
    kClassCount = 7,
    kEntryHead = sizeof(LadderEntryHead), // experience (two halves) and flags before the name
    kCellText = 256,
    kMaxNameSize = kCellText, // a wider name field than a cell's text holds no character's name
    kFatalBadLadderType = 6535,
    kStrRealmUnreachable = 5139,
    kStrMenuTitle = 5317,
    kStrCancel = 5103,
    kStrOverallTab = 5326,
    kLanguageAltHeader = 3,
    kStrAltRankHeader = 11092,
};

// LadderEntry flags.
enum : uint32_t {
    kEntryClassMask = QV_LADDER_CLASS_MASK,
    kEntryMarked = QV_LADDER_MARKED,
    kEntryTitleA = QV_LADDER_TITLE_A,
    kEntryTitleB = QV_LADDER_TITLE_B,
};

// ---- kinds ----------------------------------------------------------------------
struct LadderKind {
    int32_t base;    // types base .. base + 7
    int32_t tabs;    // 6 or 8
    int32_t titleId; // menu button and view title
};
// clang-format off
static const LadderKind kLadderKinds[] = {
//     base                     tabs  title
    { kLadderBaseStandard,        6,   5318 },
    { kLadderBaseIronclad,        6,   5317 },
    { kLadderBaseStandardExt,     8,  10091 },
    { kLadderBaseIroncladExt,     8,  10090 },
};
// clang-format on
static_assert(sizeof kLadderKinds / sizeof kLadderKinds[0] == 4, "four ladder kinds");

static const char* const kClassCodes[kClassCount] = {"hnt", "spb", "grv", "crs", "bsk", "shp", "shb"};
static const char* const kTabLabels[kTabCount] = {nullptr, "HNT", "SPB", "GRV", "CRS", "BSK", "SHP", "SHB"};

// The kind whose eight types hold type; a type of no kind is fatal.
static const LadderKind* KindOfType(int type) {
    for (const LadderKind& kind : kLadderKinds)
        if (type >= kind.base && type < kind.base + kTabCount) return &kind;
    LOBBY_FATAL(kFatalBadLadderType);
}

static int LadderTypeFor(int type, int tab) {
    return KindOfType(type)->base + tab;
}

int LadderBaseFor(int flagA, int flagB) {
    if (flagA && flagB) return kLadderBaseStandardExt;
    if (flagB) return kLadderBaseIroncladExt;
    if (flagA) return kLadderBaseStandard;
    return kLadderBaseIronclad;
}

static int TabsShown() {
    return ladderHasEightTabs ? kTabCount : 6;
}

// ---- callbacks (declared for the tables) -------------------------------------------
template <int base> static int ChooseLadderKind(uint32_t arg);
template <int tab> static int LadderTab(uint32_t arg);
static int LadderMenuCancel(uint32_t arg);
static int LadderBack(uint32_t arg);
static int LadderTimer(uint32_t arg);

// ---- descriptors --------------------------------------------------------------------
#define IMG(i) (&screenImages[(i)])
static const ScrollPlacement kLadderScroll = {756, 391, 238};

// clang-format off
static const ControlDescriptor kMenuBackgroundDesc = { 2, 415, 447, 373, 373, 0, 0, IMG(kImgLadderChoice), nullptr, {.frame = 0}, nullptr, 0 };
static const ControlDescriptor kMenuTitleDesc      = { 4, 496, 112, 200,  22, 0, 0, nullptr,               nullptr, {.frame = 0}, &kFont2, 2 };
static const ControlDescriptor kKindButtonDescs[] = {
//    K   x    y    w    h  St  Text   Image                      onClick                                     Extra         Font     Fl
    { 6, 463, 188, 272, 32, 0,  5317, IMG(kImgWideButtonBlank),  ChooseLadderKind<kLadderBaseIronclad>,     {.frame = 0}, nullptr, 0 },
    { 6, 463, 238, 272, 32, 0,  5318, IMG(kImgWideButtonBlank),  ChooseLadderKind<kLadderBaseStandard>,     {.frame = 0}, nullptr, 0 },
    { 6, 463, 288, 272, 32, 0, 10090, IMG(kImgWideButtonBlank),  ChooseLadderKind<kLadderBaseIroncladExt>,  {.frame = 0}, nullptr, 0 },
    { 6, 463, 338, 272, 32, 0, 10091, IMG(kImgWideButtonBlank),  ChooseLadderKind<kLadderBaseStandardExt>,  {.frame = 0}, nullptr, 0 },
};
static const ControlDescriptor kMenuCancelDesc     = { 6, 433, 433,  96,  32, 0, kStrCancel, IMG(kImgCancelButtonBlank), LadderMenuCancel, {.frame = 0}, nullptr, 0 };

static const ControlDescriptor kViewBackgroundDesc = { 2, 415, 447, 373, 373, 0, 0, IMG(kImgLadderBackground), nullptr, {.frame = 0}, nullptr, 0 };
static const ControlDescriptor kViewTitleDesc      = { 4, 421, 136, 350,  50, 0, 0, nullptr,                   nullptr, {.frame = 0}, &kFont7, 2 };
static const ControlDescriptor kHeaderDescs[] = {
    { 4, 434, 162, 217, 12, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont4, 0 },
    { 4, 468, 162, 217, 12, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont4, 0 },
    { 4, 596, 162, 217, 12, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont4, 0 },
    { 4, 640, 162, 217, 12, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont4, 0 },
    { 4, 703, 162, 217, 12, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont4, 0 },
};
static const ControlDescriptor kLadderListDesc     = { 4, 434, 391, 313, 218, 0, 0, IMG(kImgJoinGameScrollbars), nullptr, {.scroll = &kLadderScroll}, &kFont4, 4 };
static const ControlDescriptor kBackButtonDesc     = { 6, 433, 433,  96,  32, 0, kStrCancel, IMG(kImgCancelButtonBlank), LadderBack, {.frame = 0}, nullptr, 0 };
static const ControlDescriptor kTabDescs[kTabCount] = {
    { 6, 427, 149, 85, 29, 0, 0, IMG(kImgOverallTab),     LadderTab<0>, {.frame = 0}, nullptr, 2 },
    { 6, 513, 149, 36, 29, 0, 0, IMG(kImgClassTab0 + 0),  LadderTab<1>, {.frame = 0}, nullptr, 2 },
    { 6, 550, 149, 36, 29, 0, 0, IMG(kImgClassTab0 + 1),  LadderTab<2>, {.frame = 0}, nullptr, 2 },
    { 6, 587, 149, 36, 29, 0, 0, IMG(kImgClassTab0 + 2),  LadderTab<3>, {.frame = 0}, nullptr, 2 },
    { 6, 624, 149, 36, 29, 0, 0, IMG(kImgClassTab0 + 3),  LadderTab<4>, {.frame = 0}, nullptr, 2 },
    { 6, 661, 149, 36, 29, 0, 0, IMG(kImgClassTab0 + 4),  LadderTab<5>, {.frame = 0}, nullptr, 2 },
    { 6, 698, 149, 36, 29, 0, 0, IMG(kImgClassTab0 + 5),  LadderTab<6>, {.frame = 0}, nullptr, 2 },
    { 6, 735, 149, 36, 29, 0, 0, IMG(kImgClassTab0 + 6),  LadderTab<7>, {.frame = 0}, nullptr, 2 },
};
static const ControlDescriptor kTabLabelDescs[kTabCount] = {
    { 4, 427, 157, 85, 29, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont0, 2 },
    { 4, 513, 157, 36, 29, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont0, 2 },
    { 4, 550, 157, 36, 29, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont0, 2 },
    { 4, 587, 157, 36, 29, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont0, 2 },
    { 4, 624, 157, 36, 29, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont0, 2 },
    { 4, 661, 157, 36, 29, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont0, 2 },
    { 4, 698, 157, 36, 29, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont0, 2 },
    { 4, 735, 157, 36, 29, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont0, 2 },
};
// The timer's x field is its period in ms.
static const ControlDescriptor kLadderTimerDesc    = { 8, 100, 0, 0, 0, 0, 0, nullptr, LadderTimer, {.frame = 0}, nullptr, 0 };
// clang-format on
#undef IMG
static_assert(sizeof kKindButtonDescs / sizeof kKindButtonDescs[0] == 4, "four kind buttons");
static_assert(sizeof kHeaderDescs / sizeof kHeaderDescs[0] == 5, "five column headers");

// List columns: x offsets, and the three narrow ones.
static const int32_t kColumnX[] = {0, 35, 165, 195, 220};
static const int32_t kNarrowColumns[] = {0, 3, 4};
enum { kColumnCount = 5, kNarrowWidth = 16 };
static_assert(sizeof kColumnX / sizeof kColumnX[0] == kColumnCount, "five columns");

// ---- building ------------------------------------------------------------------------
static QvControl AddLadderControl(const ControlDescriptor* desc) {
    QvControl control = CreateControl(desc);
    AddTransient(control);
    return control;
}

static void AddTextControl(const ControlDescriptor* desc, const Unicode* text) {
    SetControlText(AddLadderControl(desc), text);
}

static void OpenLadderMenu() {
    AddLadderControl(&kMenuBackgroundDesc);
    AddTextControl(&kMenuTitleDesc, GetString(kStrMenuTitle));
    for (const ControlDescriptor& desc : kKindButtonDescs)
        AddLadderControl(&desc);
    SetCancelControl(AddLadderControl(&kMenuCancelDesc));
}

static void CreateTabs() {
    for (int tab = 0; tab < TabsShown(); ++tab) {
        ladderTabs[tab] = AddLadderControl(&kTabDescs[tab]);
        SetButtonPressed(ladderTabs[tab], tab == 0);
        if (tab == 0) {
            AddTextControl(&kTabLabelDescs[tab], GetString(kStrOverallTab)); // whole, however long
            continue;
        }
        Unicode label[8];
        Unicode::toUnicode(label, kTabLabels[tab], 8);
        AddTextControl(&kTabLabelDescs[tab], label);
    }
}

static void CreateHeaders() {
    const int32_t ids[kColumnCount] = {GetLanguageNumber() == kLanguageAltHeader ? kStrAltRankHeader : 5320,
                                       5321, 5322, 4057, 5324};
    for (int column = 0; column < kColumnCount; ++column)
        AddTextControl(&kHeaderDescs[column], GetString(ids[column]));
}

static void SetUpList() {
    ListSetRowCount(ladderList, kPageRows);
    ListSetColumns(ladderList, kColumnCount);
    ListSetRowOffset(ladderList, 0, -6);
    for (int column = 0; column < kColumnCount; ++column)
        ListSetColumnX(ladderList, column, kColumnX[column]);
    for (int32_t column : kNarrowColumns)
        ListSetColumnWidth(ladderList, column, kNarrowWidth);
}

// Every row back to "-", scrolled to the top; the next tick asks for page 0.
static void RefillLadderList() {
    TextListClear(ladderList);
    ListAddRowWithData(ladderList, "-", ladderRowLimit, kColourPlain, 0);
    ListScrollTo(ladderList, 0);
    lastRequestedTop = kRefilled;
}

// Replies of other kinds carry nothing the view shows.
static void IgnoreLadderRecord(const void*) {}

void OpenLadderView(int base) {
    const LadderKind* kind = KindOfType(base);
    ladderHasEightTabs = kind->tabs == kTabCount;
    for (QvControl& tab : ladderTabs)
        tab = nullptr;
    ladderList = nullptr;
    ladderRowLimit = kOverallRows;
    if (launch->realmName[0] && !RealmIsConnected()) {
        ShowPanelMessage(GetString(kStrRealmUnreachable), nullptr);
        return;
    }
    AddLadderControl(&kViewBackgroundDesc);
    AddTextControl(&kViewTitleDesc, GetString(kind->titleId));
    CreateTabs();
    SetCancelControl(AddLadderControl(&kBackButtonDesc));
    CreateHeaders();
    ladderList = AddLadderControl(&kLadderListDesc);
    SetUpList();
    RefillLadderList();
    QvControl timer = AddLadderControl(&kLadderTimerDesc);
    TimerStart(timer, kLadderTimerDesc.x);
    TimerEnable(timer, 1);
    lookedUpName[0] = 0;
    lastRequestedTop = kRefilled;
    RealmSetLadderHandlers(OnLadderEntries, IgnoreLadderRecord);
}

// Once the view's transient controls are gone, late replies and timer ticks
// must find no list.
static void ForgetLadderList() {
    ladderList = nullptr;
    for (QvControl& tab : ladderTabs)
        tab = nullptr;
}

const DialogRow kLadderDialog = {"ladder", ForgetLadderList, nullptr, nullptr, kDialogTransients};

// ---- buttons ---------------------------------------------------------------------------
int LadderButton(uint32_t) {
    ReleaseRightHandButtonsExcept(kSlotLadder);
    LeaveDialog();
    OpenLadderMenu();
    return 1;
}

template <int base> static int ChooseLadderKind(uint32_t) {
    LeaveDialog();
    OpenLadderView(base);
    currentLadderType = (uint8_t)base;
    ladderTopRow = 0;
    return 1;
}

static int LadderMenuCancel(uint32_t) {
    ResetLobbyButtons();
    LeaveDialog();
    return 1;
}

static int LadderBack(uint32_t) {
    ReleaseRightHandButtonsExcept(kSlotLadder);
    LeaveDialog();
    OpenLadderMenu();
    return 1;
}

// Pressing the tab already shown changes nothing; another tab starts its
// ladder from an empty list.
static void PressLadderTab(int tab) {
    if (tab >= TabsShown() || !ladderList) return;
    for (int other = 0; other < TabsShown(); ++other)
        SetButtonPressed(ladderTabs[other], 0);
    SetButtonPressed(ladderTabs[tab], 1);
    if (currentLadderType == LadderTypeFor(currentLadderType, tab)) return;
    ladderRowLimit = tab == 0 ? kOverallRows : kClassRows;
    RefillLadderList();
    currentLadderType = (uint8_t)LadderTypeFor(currentLadderType, tab);
    ladderTopRow = 0;
}

template <int tab> static int LadderTab(uint32_t) {
    PressLadderTab(tab);
    return 1;
}

// ---- paging ------------------------------------------------------------------------------
// 1 while the last request is less than a second old. Counted from the
// request, so the comparison survives the tick count wrapping.
static int RequestTooSoon(uint32_t now) {
    return nextLadderRequestTime - now <= kRequestGapMs;
}

static int RowUnloaded(int row) {
    const Unicode* cell = ListGetRowText(ladderList, row, 0);
    if (!cell) return 0;
    char text[8];
    Unicode::unicode2Win(text, cell, sizeof text);
    return strcmp(text, "-") == 0;
}

// Asks for the page of the first unloaded row in view, once per page and at
// most once a second.
static int LadderTimer(uint32_t) {
    uint32_t now = OsTickCount();
    if (!ladderList || RequestTooSoon(now)) return 1;
    int top = ListGetTop(ladderList);
    int end = top + ListGetVisibleCount(ladderList);
    if (end > ladderRowLimit) end = ladderRowLimit;
    for (int row = top; row < end; ++row) {
        if (!RowUnloaded(row)) continue;
        pageStart = ladderTopRow = row - row % kPageRows;
        break;
    }
    if (pageStart < 0) return 1; // nothing unloaded was ever in view
    if (lastRequestedTop == ladderTopRow && pageStart == lastPageStart) return 1;
    RealmRequestLadderPage(currentLadderType, pageStart);
    nextLadderRequestTime = now + kRequestGapMs;
    lastRequestedTop = ladderTopRow;
    lastPageStart = pageStart;
    return 1;
}

void LookUpLadderPosition(const char* name, int flagA, int flagB) {
    if (!ladderList) return;
    TextCopy(lookedUpName, sizeof lookedUpName, name);
    currentLadderType = (uint8_t)LadderBaseFor(flagA, flagB);
    ladderTopRow = kTopUnset;
    RealmRequestLadderPosition(name, flagA, flagB);
    nextLadderRequestTime = OsTickCount() + kRequestGapMs;
}

// ---- replies -------------------------------------------------------------------------------
static uint32_t ReadWord32(const uint8_t* bytes) {
    uint32_t value;
    memcpy(&value, bytes, sizeof value);
    return value;
}

static void ShowNotOnLadder() {
    Unicode text[kCellText];
    Unicode::sprintf(text, kCellText, "Player '%s' is not on the ladder.", ladderLookupName);
    ShowPanelMessage(text, nullptr);
}

// One row from one entry; entry holds kEntryHead + nameSize readable bytes.
static void ShowLadderEntry(int row, const uint8_t* entry, int nameSize) {
    uint64_t experience = (uint64_t)ReadWord32(entry + offsetof(LadderEntryHead, experienceHigh)) << 32 |
                          ReadWord32(entry + offsetof(LadderEntryHead, experienceLow));
    uint32_t flags = ReadWord32(entry + offsetof(LadderEntryHead, flags));
    int classIndex = (int)(flags & kEntryClassMask);
    int progress = (int)(flags >> 8 & 0x1f);
    int level = (int)(flags >> 16 & 0xff);
    char name[kLadderNameSize];
    TextCopyN(name, sizeof name, (const char*)entry + kEntryHead, nameSize);

    int colour = (flags & kEntryMarked) ? kColourMarked : kColourPlain;
    if (lookedUpName[0] && strcmp(name, lookedUpName) == 0) colour = kColourLookedUp;
    ListResetRow(ladderList, row);
    ListSetRowColour(ladderList, row, colour);

    char text[kCellText];
    TextDecimal(text, sizeof text, row + 1);
    ListSetCellText(ladderList, text, row, 0);
    // The host's title table has no row for a class it does not know. The
    // name goes right after the title, whose length is known.
    int used = 0;
    if (classIndex < kClassCount)
        used = TextCopy(text, sizeof text,
                        GetCharacterTitle(classIndex, progress, flags & kEntryTitleA, flags & kEntryTitleB));
    TextCopy(text + used, (int)sizeof text - used, name);
    ListSetCellText(ladderList, text, row, 1);
    ListSetCellText(ladderList, classIndex < kClassCount ? kClassCodes[classIndex] : "", row, 2);
    TextDecimal(text, sizeof text, level);
    ListSetCellText(ladderList, text, row, 3);
    Unicode shown[kCellText];
    FormatExperience(shown, kCellText, experience);
    ListSetCellText2(ladderList, shown, row, 4);
}

// The reply is untrusted. The realm client hands count entries of kEntryHead +
// nameSize bytes each, so a page longer than the ladder, or with a name field
// wider than any name, is refused before anything is read; a first row outside
// the ladder neither scrolls the list nor moves the wanted page.
void OnLadderEntries(int firstRow, int count, int nameSize, int type, const void* entries) {
    if (!ladderList) return;
    if (count == 0) {
        ShowNotOnLadder();
        return;
    }
    if (type != currentLadderType) return;
    if (!entries || count < 0 || count > ladderRowLimit || nameSize < 0 || nameSize > kMaxNameSize) return;
    if (firstRow < 0 || firstRow >= ladderRowLimit) return;
    if (ladderTopRow == kTopUnset) {
        ListScrollTo(ladderList, firstRow);
        lastRequestedTop = ladderTopRow = firstRow;
    }
    // Both at most ladderRowLimit, so neither the end nor the extent can overflow.
    int end = firstRow + count < ladderRowLimit ? firstRow + count : ladderRowLimit;
    const uint8_t* entry = (const uint8_t*)entries;
    for (int row = firstRow; row < end; ++row, entry += kEntryHead + nameSize)
        ShowLadderEntry(row, entry, nameSize);
}
