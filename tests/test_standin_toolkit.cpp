// The stand-in host's toolkit and screen loop, on their own: loop nesting and
// the idle limit, typing and keys, clicks, handles that outlive their controls,
// lists, timers, figure failure injection and the virtual boot clock.
#include <gtest/gtest.h>
#include <time.h>

#include <string>
#include <vector>

#include "../Src/platform/QvSound.h"
#include "../host/standin/StandIn.h"

using namespace standin;

namespace {

int frames = 0;
int CountFrame(uint32_t) {
    ++frames;
    return 0;
}
int EndAtOnce(uint32_t) {
    ++frames;
    EndScreenLoop();
    return 0;
}

int deepest = 0;
int NestForever(uint32_t) {
    if (LoopDepth() > deepest) deepest = LoopDepth();
    RunScreenLoop(NestForever);
    EndScreenLoop();
    return 0;
}

// What the edit-box and click callbacks saw.
std::vector<int> carets;
std::vector<int> keys;
int changes = 0;
std::u16string entered;
bool enteredNull = false;
std::vector<uint32_t> clickArgs;
std::vector<ClickRecord> clickRecords;

int FilterKeys(QvControl, int caret, Unicode* key) {
    carets.push_back(caret);
    keys.push_back(key->ch);
    if (key->ch == 'x' || key->ch == 9) return 0; // consumed
    if (key->ch == 'q') key->ch = 'Q';            // changed on the way in
    return 1;
}
int CountChange(uint32_t) {
    ++changes;
    return 1;
}
int OnEnter(const Unicode* text) {
    enteredNull = text == nullptr;
    entered.clear();
    for (int i = 0; text && text[i].ch; ++i)
        entered.push_back((char16_t)text[i].ch);
    return 1;
}
int OnClick(uint32_t arg) {
    clickArgs.push_back(arg);
    return 1;
}
int OnRecord(uint32_t arg) {
    clickRecords.push_back(*reinterpret_cast<const ClickRecord*>((uintptr_t)arg));
    return 1;
}

ControlDescriptor Desc(int kind, int x, int y, int width, int height) {
    ControlDescriptor d{};
    d.kind = kind;
    d.x = x;
    d.y = y;
    d.width = width;
    d.height = height;
    return d;
}

QvControl MakeEditBox() {
    ControlDescriptor d = Desc(kEditBox, 28, 450, 335, 32);
    d.extra.enter = OnEnter;
    QvControl box = CreateControl(&d);
    EditSetKeyCallback(box, FilterKeys);
    EditSetChangeCallback(box, CountChange);
    return box;
}

QvControl MakeButton(int textId, int x, int y, ControlCallback cb = OnClick) {
    ControlDescriptor d = Desc(kButton, x, y, 80, 20);
    d.textId = textId;
    d.onClick = cb;
    return CreateControl(&d);
}

std::u16string TextOf(QvControl box) {
    std::u16string s;
    const Unicode* t = EditGetText(box);
    for (int i = 0; t && t[i].ch; ++i)
        s.push_back((char16_t)t[i].ch);
    return s;
}

class StandInToolkit : public testing::Test {
  protected:
    void SetUp() override {
        ResetAll();
        frames = deepest = changes = 0;
        carets.clear();
        keys.clear();
        clickArgs.clear();
        clickRecords.clear();
        entered.clear();
        enteredNull = false;
    }
};

} // namespace

// ---- screen loop -----------------------------------------------------------------------------------

TEST_F(StandInToolkit, EndScreenLoopTakesEffectWhenTheFrameCallbackReturns) {
    RunScreenLoop(EndAtOnce);
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(FramesRun(), 1u);
    EXPECT_EQ(LoopDepth(), 0);
    EXPECT_FALSE(LoopTimedOut());
}

TEST_F(StandInToolkit, ActionsRunInTheInnermostLoop) {
    std::vector<std::string> trace;
    Check([&] {
        trace.push_back("open at " + std::to_string(LoopDepth()));
        RunScreenLoop(CountFrame);
        trace.push_back("back at " + std::to_string(LoopDepth()));
    });
    Check([&] {
        trace.push_back("end at " + std::to_string(LoopDepth()));
        EndScreenLoop();
    });
    Check([&] {
        trace.push_back("end at " + std::to_string(LoopDepth()));
        EndScreenLoop();
    });
    RunScreenLoop(CountFrame);
    EXPECT_EQ(trace, (std::vector<std::string>{"open at 1", "end at 2", "back at 1", "end at 1"}));
    EXPECT_EQ(frames, 3); // outer, inner, outer
    EXPECT_EQ(PendingActions(), 0);
    EXPECT_FALSE(LoopTimedOut());
    EXPECT_FALSE(ScriptFailed());
}

TEST_F(StandInToolkit, IdleLimitEndsEveryRunningLoop) {
    Check([] { RunScreenLoop(CountFrame); }); // a wait loop that nothing ends
    RunScreenLoop(CountFrame);
    EXPECT_TRUE(LoopTimedOut());
    EXPECT_EQ(LoopDepth(), 0);
    EXPECT_EQ(frames, 1 + kIdleFrameLimit) << "the outer loop runs no frame after the time-out";

    // Loops run normally again once everything has unwound.
    frames = 0;
    RunScreenLoop(EndAtOnce);
    EXPECT_EQ(frames, 1);
}

TEST_F(StandInToolkit, ActionsResetTheIdleCount) {
    Frames(kIdleFrameLimit);
    Check([] { EndScreenLoop(); });
    RunScreenLoop(CountFrame);
    EXPECT_FALSE(LoopTimedOut());
    EXPECT_EQ(frames, kIdleFrameLimit + 1);
}

TEST_F(StandInToolkit, RunawayNestingFailsCleanly) {
    RunScreenLoop(NestForever);
    EXPECT_EQ(deepest, 16);
    EXPECT_TRUE(ScriptFailed());
    EXPECT_EQ(LoopDepth(), 0);
}

// ---- typing and keys ---------------------------------------------------------------------------------

TEST_F(StandInToolkit, TypingRespectsFocusKeyCallbackAndMaxLength) {
    QvControl box = MakeEditBox();
    EditSetMaxLength(box, 5);
    TypeText("ab");
    EXPECT_EQ(EditGetText(box), nullptr) << "no focus, no typing";

    SetFocus(box);
    TypeText("axqcdefg");
    EXPECT_EQ(TextOf(box), u"aQcde");
    EXPECT_EQ(changes, 5) << "only inserted characters change the text";
    EXPECT_EQ(keys.size(), 8u) << "every key reaches the key callback, even when the box is full";
    EXPECT_EQ(carets, (std::vector<int>{0, 1, 1, 2, 3, 4, 5, 5}));
    EXPECT_EQ(Find(box)->caret, 5);

    EnableControl(box, 0);
    TypeText("z");
    EXPECT_EQ(keys.size(), 8u) << "a disabled box takes no keys";
}

TEST_F(StandInToolkit, TypingDecodesUtf8AndInsertsAtTheCaret) {
    QvControl box = MakeEditBox();
    SetFocus(box);
    EditSetText(box, "ac");
    EXPECT_EQ(changes, 0) << "programmatic sets do not call the change callback";
    Find(box)->caret = 1;
    TypeText("b\xC3\xBC"); // "b" and U+00FC
    EXPECT_EQ(TextOf(box), u"ab\u00fcc");

    EditSelectAll(box);
    TypeText("n");
    EXPECT_EQ(TextOf(box), u"n") << "a selected text is replaced";
}

TEST_F(StandInToolkit, EditTextsAndEnter) {
    QvControl box = MakeEditBox();
    SetFocus(box);
    EditSetText(box, "caf\xE9"); // Windows-1252
    EXPECT_EQ(TextOf(box), u"caf\u00e9");
    EXPECT_EQ(Find(box)->caret, 4);

    PressEnter();
    EXPECT_EQ(entered, u"caf\u00e9");

    EditSetTextUnicode(box, EditGetText(box)); // its own buffer
    EXPECT_EQ(TextOf(box), u"caf\u00e9");
    EditSetTextUnicode(box, nullptr);
    EXPECT_EQ(EditGetText(box), nullptr);
    PressEnter();
    EXPECT_FALSE(enteredNull);
    EXPECT_EQ(entered, u"");
}

TEST_F(StandInToolkit, TabAndCtrlNGoThroughTheKeyCallback) {
    QvControl first = MakeEditBox();
    ControlDescriptor d = Desc(kEditBox, 28, 500, 100, 20);
    QvControl second = CreateControl(&d);
    EditSetTabNext(first, second);
    EditSetTabNext(second, first);

    SetFocus(first);
    PressTab(); // FilterKeys consumes the tab
    EXPECT_EQ(Focus(), first);
    PressCtrlN();
    EXPECT_EQ(keys, (std::vector<int>{9, 14}));
    EXPECT_EQ(EditGetText(first), nullptr) << "neither key is inserted";

    SetFocus(second); // no key callback: the tab is passed on
    PressTab();
    EXPECT_EQ(Focus(), first);
}

// ---- clicks
// ------------------------------------------------------------------------------------------------

TEST_F(StandInToolkit, ClicksReachOnlyShownEnabledControls) {
    QvControl button = MakeButton(5316, 693, 490);
    Control* c = Find(button);
    EnableControl(button, 0);
    ClickControl(c);
    ShowControl(button, 0);
    EnableControl(button, 1);
    ClickControl(c);
    EXPECT_TRUE(clickArgs.empty());

    ShowControl(button, 1);
    ClickControl(c);
    ASSERT_EQ(clickArgs.size(), 1u);
    EXPECT_EQ(clickArgs[0], (uint32_t)(uintptr_t)button);

    SetCancelControl(button);
    PressEscape();
    EXPECT_EQ(clickArgs.size(), 2u);
}

TEST_F(StandInToolkit, HotSpotsGetAMessageRecord) {
    QvControl cell = CreateHotSpot(40, 591, 60, 100, 0, OnRecord, 0, 0, 4, 0, 0);
    Control* c = Find(cell);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->hotSpot);
    EXPECT_EQ(c->desc.kind, kClickArea);
    ClickControl(c);
    RightClickControl(c);
    ASSERT_EQ(clickRecords.size(), 2u);
    EXPECT_EQ(clickRecords[0].control, cell);
    EXPECT_EQ(clickRecords[0].message, (uint32_t)kMsgLeftUp);
    EXPECT_EQ(clickRecords[1].message, (uint32_t)kMsgRightUp);
}

TEST_F(StandInToolkit, ScriptedClickAimsAtTheShownControlAndReportsAMissingOne) {
    QvControl hidden = MakeButton(5102, 351, 337);
    QvControl shown = MakeButton(5102, 336, 454);
    QvControl later = MakeButton(5102, 10, 10);
    ShowControl(hidden, 0);
    ShowControl(later, 0);
    Click(5102);
    Check([] { EXPECT_FALSE(ScriptFailed()); });
    Click(4242);
    Check([] { EndScreenLoop(); });
    RunScreenLoop(CountFrame);
    ASSERT_EQ(clickArgs.size(), 1u);
    EXPECT_EQ(clickArgs[0], (uint32_t)(uintptr_t)shown);
    EXPECT_TRUE(ScriptFailed());
}

// ---- handles
// -------------------------------------------------------------------------------------------------

TEST_F(StandInToolkit, DestroyControlNullsTheVariableAndForgetsTheHandle) {
    QvControl box = MakeEditBox();
    QvControl kept = box;
    SetFocus(box);
    SetCancelControl(box);
    DestroyControl(&box);
    EXPECT_EQ(box, nullptr);
    EXPECT_EQ(Find(kept), nullptr);
    EXPECT_EQ(LiveControlCount(), 0);
    EXPECT_EQ(Focus(), nullptr);
    EXPECT_EQ(CancelControl(), nullptr);
    DestroyControl(&box); // null: nothing happens
    DestroyControl(nullptr);

    // The stale handle is unknown to every operation.
    EditSetText(kept, "x");
    EXPECT_EQ(EditGetText(kept), nullptr);
    EXPECT_EQ(IsControlEnabled(kept), 0);
    EXPECT_EQ(ListGetSelection(kept), -1);
    SetFocus(kept);
    EXPECT_EQ(Focus(), nullptr);
    TextListAddLine(kept, nullptr, 0, 0, 0);
    ClickControl(reinterpret_cast<Control*>(&kept)); // not a model pointer
    QvControl next = MakeEditBox();
    EXPECT_NE(next, kept) << "handles are not reused";
    EXPECT_EQ(LiveControlCount(), 1);
}

TEST_F(StandInToolkit, ImagesAreSeparateHandlesPerLoad) {
    QvImage a = LoadImage("DATA\\GLOBAL\\UI\\BIGMENU\\numberarrows", 0);
    QvImage b = LoadImage("DATA\\GLOBAL\\UI\\BIGMENU\\numberarrows", 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(LiveImageCount(), 2);
    FreeImage(a);
    FreeImage(a);
    EXPECT_EQ(LiveImageCount(), 1);
    EXPECT_EQ(ImagePath(b), "DATA\\GLOBAL\\UI\\BIGMENU\\numberarrows");
    EXPECT_EQ(ImageLoads().size(), 2u);
}

// ---- lists and timers
// ------------------------------------------------------------------------------------------

TEST_F(StandInToolkit, ListsKeepRowsCellsAndTheirVisibleCount) {
    ControlDescriptor d = Desc(kTextList, 28, 410, 354, 298);
    QvControl list = CreateControl(&d);
    EXPECT_EQ(ListGetVisibleCount(list), 19);
    ListSetRowCount(list, 16);
    EXPECT_EQ(ListGetVisibleCount(list), 16);

    ListAddRowWithData(list, "-", 3, 4, 0);
    EXPECT_EQ(ListGetLineCount(list), 3);
    ListAddRow(list, "Game");
    EXPECT_EQ(ListGetSelectedRow(list), 3) << "the row just added";
    Unicode two[] = {{'2'}, {0}};
    ListSetCellText2(list, two, 3, 1);
    EXPECT_EQ(Find(list)->rows[3].cells, (std::vector<std::u16string>{u"Game", u"2"}));
    EXPECT_EQ(ListGetRowText(list, 0, 0)[0].ch, '-');
    EXPECT_EQ(ListGetRowText(list, 4, 0), nullptr);

    EXPECT_EQ(ListGetClicked(list), nullptr);
    ListSetSelection(list, 3);
    EXPECT_EQ(ListGetClicked(list)[0].ch, 'G');
    TextListClear(list);
    EXPECT_EQ(ListGetSelection(list), -1);
    EXPECT_EQ(ListGetLineCount(list), 0);
}

TEST_F(StandInToolkit, ControlTextOnATextBoxAddsAParagraph) {
    ControlDescriptor d = Desc(kTextList, 447, 398, 290, 269);
    QvControl box = CreateControl(&d);
    Unicode one[] = {{'A'}, {0}}, two[] = {{'B'}, {0}};
    SetControlText(box, one);
    SetControlText(box, two);
    TextBoxAddLine(box, " ", 0);
    Control* c = Find(box);
    ASSERT_EQ(c->lines.size(), 3u);
    EXPECT_EQ(c->lines[0].text, u"A");
    EXPECT_EQ(c->lines[1].text, u"B");
    EXPECT_EQ(c->label, u"B");
}

TEST_F(StandInToolkit, StartedTimersTickWhenTheirPeriodHasPassed) {
    ControlDescriptor d = Desc(kTimer, 1, 0, 0, 0);
    d.onClick = OnClick;
    QvControl timer = CreateControl(&d);
    QvControl idle = CreateControl(&d); // never started: never ticks
    TimerStart(timer, 1000);
    TimerEnable(timer, 1);
    Frames(3);
    Check([] { EXPECT_TRUE(clickArgs.empty()); });
    Wait(1000);
    Frames(1);
    Check([] { EndScreenLoop(); });
    RunScreenLoop(CountFrame);
    EXPECT_EQ(clickArgs, (std::vector<uint32_t>{(uint32_t)(uintptr_t)timer}));

    TickTimer(Find(idle));
    EXPECT_EQ(clickArgs.size(), 2u);
}

// ---- figures, titles and the pointer
// -----------------------------------------------------------------------

TEST_F(StandInToolkit, FigureFailuresAreInjectedOneCallEach) {
    const uint8_t look[16] = {0, 1};
    FailNextFigures(2);
    SetFigureFrameCount(3);
    EXPECT_EQ(CreateFigure(2, 5, look, look), nullptr);
    EXPECT_EQ(CreateFigure(7, 5, look, look), nullptr);
    QvFigure f = CreateFigure(7, 5, look, look);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(GetFigureFrameCount(f), 3);
    EXPECT_EQ(FindFigure(f)->lookA[1], 1);
    EXPECT_EQ(LiveFigureCount(), 1);
    DestroyFigure(f, 1);
    EXPECT_EQ(LiveFigureCount(), 0);
    EXPECT_EQ(GetFigureFlags(f), 0u);
}

TEST_F(StandInToolkit, TitlesAreFixedTexts) {
    EXPECT_STREQ(GetFigureTitle(0, 0, 0), "");
    EXPECT_STREQ(GetFigureTitle(3, 1, 0), "Slayer ");
    EXPECT_STREQ(GetFigureTitle(3, 6, 1), "Sovereign ");
    EXPECT_EQ(GetCharacterTitle(0, 3, 0, 0), nullptr);
    EXPECT_STREQ(GetCharacterTitle(0, 4, 0, 0), "Slayer ");
    EXPECT_STREQ(GetCharacterTitle(0, 12, 1, 0), "Sovereign ");
}

TEST_F(StandInToolkit, PointerStartsOutsideTheBanner) {
    ScreenRect banner{145, 11, 655, 71};
    EXPECT_EQ(MouseInRect(&banner), 0);
    SetPointer(145, 11);
    EXPECT_NE(MouseInRect(&banner), 0);
    SetPointer(655, 40);
    EXPECT_EQ(MouseInRect(&banner), 0);
}

// ---- clock
// -------------------------------------------------------------------------------------------------------

TEST_F(StandInToolkit, BootClockIsTheVirtualClock) {
    SetNow(kClockStart);
    timespec ts{};
    ASSERT_EQ(clock_gettime(CLOCK_BOOTTIME, &ts), 0);
    EXPECT_EQ(ts.tv_sec * 1000 + ts.tv_nsec / 1000000, (long long)kClockStart);
    AdvanceTime(1500);
    ASSERT_EQ(clock_gettime(CLOCK_BOOTTIME, &ts), 0);
    EXPECT_EQ(ts.tv_sec * 1000 + ts.tv_nsec / 1000000, (long long)kClockStart + 1500);

    ASSERT_EQ(clock_gettime(CLOCK_REALTIME, &ts), 0);
    EXPECT_GT(ts.tv_sec, 1600000000) << "other clocks stay real";
}

TEST_F(StandInToolkit, SoundIsAvailableAndRecorded) {
    SoundBegin();
    EXPECT_EQ(SoundIsAvailable(), 1);
    SoundLoadClick("data\\global\\sfx\\cursor\\button.wav");
    std::vector<Call> calls = SoundCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].name, "SoundLoadClick");
    EXPECT_EQ(calls[2].args, (std::vector<std::string>{"data\\global\\sfx\\cursor\\button.wav"}));
}
