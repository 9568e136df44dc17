// The stand-in screen loop and its input drivers: RunScreenLoop/EndScreenLoop
// with nesting, the scripted action queue, the idle-frame limit, and the
// clicks, keys and typing that tests and the host program feed to the module.
//
// One frame of a loop: the services' per-frame work (internal::OnFrame), the
// frame callback, due timers, then the next queued action, if any. Actions go
// to whichever loop is innermost when they are taken. EndScreenLoop marks the
// innermost loop; the loop stops once the callback or action that asked has
// returned. With no action queued a loop counts idle frames; at kIdleFrameLimit
// in a row every running loop is ended so that the visit tears down, and
// LoopTimedOut() turns true.
//
// Input rules:
// - Clicks reach only shown and enabled controls. Buttons, areas and timers get
//   their handle as the callback argument; hot spots and lists get the address
//   of a ClickRecord (hot spots: button released, lists: button pressed). A
//   button whose descriptor flags have bit 0 latches: a click leaves it pressed
//   until the module releases it. A button with bit 1 (check boxes, radio
//   buttons) toggles: a click flips its pressed state before the callback.
// - Keys go to the focused edit box while it is shown and enabled. Each typed
//   character first goes to the key callback (0 consumes it; the callback may
//   change it); then Backspace (8) removes the selection or the character before
//   the caret and calls the change callback, other control characters are
//   dropped, the selection (EditSelectAll, SelectText) is removed, the character
//   is inserted at the caret unless the box is full (maxLength, 0 = no limit),
//   and the change callback runs. Only typing calls the change callback. Caret
//   keys: EditKeys.cpp.
//
// State: the running loops, the action queue, the idle count, the frame count,
// and the timed-out and failure flags.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>

#include "Internal.h"
#include "Live.h"
#include "Saved.h"
#include "StandIn.h"
#include "Toolkit.h"

namespace {

using standin::Control;
using standin::toolkit::KeyTarget;
using standin::toolkit::Record;

struct Loop {
    bool ended = false;
    FrameCallback frame = nullptr;
};

std::vector<Loop*> loops; // innermost last
std::deque<standin::Action> actions;
int idleFrames = 0;
uint64_t framesRun = 0;
bool timedOut = false;
bool unwinding = false; // a timeout is ending every running loop
bool scriptFailed = false;
// Loops of a program that hosts a visit (Saved.h), and a loop to start at its action step.
size_t loopFloor = 0;
bool startAtAction = false;
standin::internal::ServicesHook servicesHook = nullptr; // the services' per-frame work
standin::FrameHook frameHook;                           // a window's per-frame work (Live.h)

// Deeper nesting means a module that keeps opening wait loops: fail instead.
constexpr size_t kMaxLoopDepth = 16;
constexpr uint16_t kKeyBackspace = 8, kKeyTab = 9, kKeyCtrlN = 14;

void ScriptFailure(const std::string& what) {
    fprintf(stderr, "stand-in script: %s\n", what.c_str());
    scriptFailed = true;
}

uint32_t Arg(QvControl handle) {
    return (uint32_t) reinterpret_cast<uintptr_t>(handle);
}

bool Clickable(const Control& c) {
    return c.shown && c.enabled && c.desc.onClick;
}

// A button's or a click area's callback answers 1 (a list's answers as it
// likes); any other answer fails the script, naming the control.
void CheckAnswer(int answer, const ControlDescriptor& desc) {
    if (answer != 1)
        ScriptFailure("the callback of the kind-" + std::to_string(desc.kind) + " control at " +
                      std::to_string(desc.x) + "," + std::to_string(desc.y) + " answered " +
                      std::to_string(answer) + ", not 1");
}

int CallWithRecord(ControlCallback onClick, QvControl handle, uint32_t message) {
    ClickRecord record{handle, message};
    return onClick((uint32_t) reinterpret_cast<uintptr_t>(&record));
}

int ClampedCaret(const Control& c) {
    int size = (int)c.editText.size();
    return c.caret < 0 ? 0 : c.caret > size ? size : c.caret;
}

// Sends one key through the focused box's key callback; 1 when it was passed on.
// The box may be gone afterwards.
int OfferKey(Record* r, Unicode* key) {
    Control& c = r->model;
    c.caret = ClampedCaret(c);
    if (!c.keyCallback) return 1;
    return c.keyCallback(c.handle, c.caret, key);
}

void TypeCharacter(uint16_t ch) {
    Record* r = KeyTarget();
    if (!r) return;
    QvControl handle = r->model.handle;
    Unicode key{ch};
    if (!OfferKey(r, &key)) return;
    r = standin::toolkit::RecordOf(handle);
    if (!r) return;
    Control& c = r->model;
    int size = (int)c.editText.size();
    int from = std::min(std::max(c.selectFrom, 0), size), to = std::min(std::max(c.selectTo, 0), size);
    if (key.ch == kKeyBackspace) {
        c.selectFrom = c.selectTo = 0;
        if (from < to) {
            c.editText.erase((size_t)from, (size_t)(to - from));
            c.caret = from;
        } else {
            c.caret = ClampedCaret(c);
            if (c.caret == 0) return;
            c.editText.erase((size_t)--c.caret, 1);
        }
        if (c.changeCallback) c.changeCallback(Arg(handle));
        return;
    }
    if (key.ch < 0x20) return;
    if (from < to) {
        c.editText.erase((size_t)from, (size_t)(to - from));
        c.caret = from;
    }
    c.selectFrom = c.selectTo = 0;
    if (c.maxLength > 0 && (int)c.editText.size() >= c.maxLength) return;
    c.caret = ClampedCaret(c);
    c.editText.insert(c.editText.begin() + c.caret, (char16_t)key.ch);
    ++c.caret;
    if (c.changeCallback) c.changeCallback(Arg(handle));
}

// UTF-8 to UTF-16 code units; invalid bytes become U+FFFD.
std::u16string DecodeUtf8(const char* s) {
    std::u16string out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        uint32_t cp = 0xFFFD;
        int extra = 0;
        if (*p < 0x80)
            cp = *p;
        else if ((*p & 0xE0) == 0xC0)
            cp = *p & 0x1F, extra = 1;
        else if ((*p & 0xF0) == 0xE0)
            cp = *p & 0x0F, extra = 2;
        else if ((*p & 0xF8) == 0xF0)
            cp = *p & 0x07, extra = 3;
        ++p;
        int i = 0;
        for (; i < extra && (*p & 0xC0) == 0x80; ++i, ++p)
            cp = (cp << 6) | (*p & 0x3F);
        if (i < extra || cp > 0x10FFFF) cp = 0xFFFD;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back((char16_t)(0xD800 + (cp >> 10)));
            out.push_back((char16_t)(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back((char16_t)cp);
        }
    }
    return out;
}

// A scripted click aims at what the player sees: the latest shown control that
// matches (popups are created over what they cover), else the first match.
template <class Match> Control* ScriptTarget(Match match) {
    Control* first = nullptr;
    Control* shown = nullptr;
    for (Control* c : standin::Controls()) {
        if (!match(*c)) continue;
        if (!first) first = c;
        if (c->shown) shown = c;
    }
    return shown ? shown : first;
}

Control* PlaceTarget(int kind, int x, int y) {
    return ScriptTarget(
        [&](const Control& c) { return c.desc.kind == kind && c.desc.x == x && c.desc.y == y; });
}

std::string Place(int kind, int x, int y) {
    return "kind " + std::to_string(kind) + " at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

// Running loops above the hosting program's.
size_t LoopsAbove() {
    return loops.size() > loopFloor ? loops.size() - loopFloor : 0;
}

void EndAllLoops() {
    for (size_t i = loopFloor; i < loops.size(); ++i)
        loops[i]->ended = true;
}

struct LoopScope {
    Loop* loop;
    explicit LoopScope(Loop* l) : loop(l) { loops.push_back(l); }
    ~LoopScope() {
        loops.pop_back();
        if (loops.size() <= loopFloor) unwinding = false;
    }
};

} // namespace

namespace standin::internal {

void SetServicesHook(ServicesHook hook) {
    servicesHook = hook;
}

void ResetScript() {
    actions.clear();
    idleFrames = 0;
    framesRun = 0;
    timedOut = false;
    scriptFailed = false;
    // Loops that are running keep running; only their idle count starts over.
}

} // namespace standin::internal

// ---- screen loop (QvWin) --------------------------------------------------------------------
void RunScreenLoop(FrameCallback frame) {
    if (LoopsAbove() >= kMaxLoopDepth) {
        ScriptFailure("screen loops nested more than " + std::to_string(kMaxLoopDepth) +
                      " deep; loop not run");
        return;
    }
    Loop loop;
    loop.ended = unwinding;
    loop.frame = frame;
    LoopScope scope(&loop);
    bool atAction = startAtAction;
    startAtAction = false;
    while (!loop.ended) {
        if (!atAction) {
            if (servicesHook) servicesHook();
            if (frame) frame(0);
            ++framesRun;
            if (loop.ended) break;
            standin::toolkit::RunDueTimers();
            if (loop.ended) break;
        }
        atAction = false;
        if (!actions.empty()) {
            standin::Action action = std::move(actions.front());
            actions.pop_front();
            idleFrames = 0;
            if (action) action();
        } else if (frameHook) {
            idleFrames = 0;
        } else if (++idleFrames >= standin::kIdleFrameLimit) {
            fprintf(stderr, "stand-in script: %d idle frames with no action left; ending the visit\n",
                    standin::kIdleFrameLimit);
            timedOut = true;
            unwinding = true;
            idleFrames = 0;
            EndAllLoops();
        }
        if (frameHook && !loop.ended) frameHook();
    }
}

void EndScreenLoop() {
    if (!loops.empty()) loops.back()->ended = true;
}

namespace standin {

// ---- script (StandIn.h section 3) -------------------------------------------------------------
void Enqueue(Action action) {
    actions.push_back(std::move(action));
}
int PendingActions() {
    return (int)actions.size();
}
bool LoopTimedOut() {
    return timedOut;
}
int LoopDepth() {
    return (int)LoopsAbove();
}
uint64_t FramesRun() {
    return framesRun;
}
bool ScriptFailed() {
    return scriptFailed;
}

void SetFrameHook(FrameHook hook) {
    frameHook = std::move(hook);
}

void EndAllScreenLoops() {
    if (loops.size() <= loopFloor) return;
    unwinding = true;
    EndAllLoops();
}

void ClickControl(Control* c) {
    Record* r = toolkit::RecordOf(c);
    if (!r || !Clickable(r->model)) return;
    // The callback may destroy the control: take what is needed first.
    QvControl handle = r->model.handle;
    ControlCallback onClick = r->model.desc.onClick;
    const ControlDescriptor desc = r->model.desc; // the callback may destroy the control
    if (r->model.hotSpot) return CheckAnswer(CallWithRecord(onClick, handle, kMsgLeftUp), desc);
    if (r->model.desc.kind == kTextList) {
        CallWithRecord(onClick, handle, kMsgLeftDown);
        return;
    }
    if (r->model.desc.kind == kButton && (r->model.desc.flags & 1))
        r->model.pressed = true;
    else if (r->model.desc.kind == kButton && (r->model.desc.flags & 2))
        r->model.pressed = !r->model.pressed;
    CheckAnswer(onClick(Arg(handle)), desc);
}

void RightClickControl(Control* c) {
    Record* r = toolkit::RecordOf(c);
    if (!r || !r->model.hotSpot || !Clickable(r->model)) return;
    const ControlDescriptor desc = r->model.desc;
    CheckAnswer(CallWithRecord(r->model.desc.onClick, r->model.handle, kMsgRightUp), desc);
}

void DoubleClickControl(Control* c) {
    QvControl handle = toolkit::RecordOf(c) ? c->handle : nullptr;
    ClickControl(c);
    ClickControl(Find(handle));
}

void ClickListRow(Control* list, int row) {
    Record* r = toolkit::RecordOf(list);
    if (!r || !r->model.shown || !r->model.enabled) return;
    ListSetSelection(r->model.handle, row);
    ClickControl(&r->model);
}

void TickTimer(Control* timer) {
    Record* r = toolkit::RecordOf(timer);
    if (r && r->model.desc.onClick) r->model.desc.onClick(Arg(r->model.handle));
}

void TypeText(const char* utf8) {
    if (!utf8) return;
    if (!KeyTarget()) fprintf(stderr, "stand-in script: typing with no edit box taking keys\n");
    // Keys go wherever the focus is at each keystroke.
    for (char16_t ch : DecodeUtf8(utf8))
        TypeCharacter((uint16_t)ch);
}

void PressEnter() {
    Record* r = KeyTarget();
    if (!r || !r->model.desc.extra.enter) return;
    // The callback gets a copy: it may empty or destroy the box.
    std::vector<Unicode> text;
    toolkit::ToBuffer(text, r->model.editText);
    r->model.desc.extra.enter(text.data());
}

void PressEscape() {
    ClickControl(Find(CancelControl()));
}

void PressTab() {
    Record* r = KeyTarget();
    if (!r) return;
    QvControl handle = r->model.handle;
    Unicode key{kKeyTab};
    if (!OfferKey(r, &key)) return;
    r = toolkit::RecordOf(handle);
    if (r && r->model.tabNext && Find(r->model.tabNext)) SetFocus(r->model.tabNext);
}

void PressCtrlN() {
    Record* r = KeyTarget();
    if (!r) return;
    Unicode key{kKeyCtrlN};
    OfferKey(r, &key); // a key passed on does nothing in the box
}

// ---- scripted versions --------------------------------------------------------------------------
void Click(int textId) {
    Enqueue([textId] {
        Control* c = ScriptTarget([&](const Control& k) { return k.desc.textId == textId; });
        if (!c) return ScriptFailure("Click: no control labelled by string " + std::to_string(textId));
        ClickControl(c);
    });
}

void ClickAt(int kind, int x, int y) {
    Enqueue([=] {
        Control* c = PlaceTarget(kind, x, y);
        if (!c) return ScriptFailure("ClickAt: no control of " + Place(kind, x, y));
        ClickControl(c);
    });
}

void RightClickAt(int kind, int x, int y) {
    Enqueue([=] {
        Control* c = PlaceTarget(kind, x, y);
        if (!c) return ScriptFailure("RightClickAt: no control of " + Place(kind, x, y));
        RightClickControl(c);
    });
}

void ClickRowAt(int kind, int x, int y, int row) {
    Enqueue([=] {
        Control* c = PlaceTarget(kind, x, y);
        if (!c) return ScriptFailure("ClickRowAt: no control of " + Place(kind, x, y));
        ClickListRow(c, row);
    });
}

void Type(const std::string& utf8) {
    Enqueue([utf8] { TypeText(utf8.c_str()); });
}
void Enter() {
    Enqueue(PressEnter);
}
void Escape() {
    Enqueue(PressEscape);
}
void Tab() {
    Enqueue(PressTab);
}
void CtrlN() {
    Enqueue(PressCtrlN);
}

void Wait(uint32_t ms) {
    Enqueue([ms] { AdvanceTime(ms); });
}

void Frames(int n) {
    for (int i = 0; i < n; ++i)
        Enqueue([] {});
}

void Check(Action check) {
    Enqueue(std::move(check));
}

} // namespace standin

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {

namespace {
struct ScriptPart {
    std::deque<standin::Action> actions;
    int idleFrames;
    uint64_t framesRun;
    bool timedOut, scriptFailed;
};
} // namespace

Part SaveScript() {
    return std::make_shared<ScriptPart>(ScriptPart{actions, idleFrames, framesRun, timedOut, scriptFailed});
}
void RestoreScript(const Part& part) {
    const ScriptPart& p = *static_cast<const ScriptPart*>(part.get());
    actions = p.actions;
    idleFrames = p.idleFrames;
    framesRun = p.framesRun;
    timedOut = p.timedOut;
    scriptFailed = p.scriptFailed;
    unwinding = false;
}

std::deque<Action> TakeActions() {
    std::deque<Action> taken;
    taken.swap(actions);
    return taken;
}
void PutActions(std::deque<Action> queue) {
    actions = std::move(queue);
}
void SetLoopFloor(int depth) {
    loopFloor = depth > 0 ? (size_t)depth : 0;
}
void ForgetLoopsAbove(int depth) {
    if (depth >= 0 && loops.size() > (size_t)depth) loops.resize((size_t)depth);
    if (loops.size() <= loopFloor) unwinding = false;
}
void StartNextLoopAtAction() {
    startAtAction = true;
}
FrameCallback InnermostLoopFrame() {
    return loops.empty() ? nullptr : loops.back()->frame;
}

} // namespace standin::saved
