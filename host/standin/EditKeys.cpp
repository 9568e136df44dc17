// Keys that move the caret of the focused edit box, and selecting part of its
// text, so that edits at the caret can be scripted. Caret keys are handled by
// the box itself: the module's key callback sees typed characters only.
#include <algorithm>

#include "StandIn.h"
#include "Toolkit.h"

namespace standin::toolkit {

Record* KeyTarget() {
    Record* r = RecordOf(Focus());
    if (!r || r->model.desc.kind != kEditBox || !r->model.shown || !r->model.enabled) return nullptr;
    return r;
}

} // namespace standin::toolkit

namespace {

int Clamp(int position, const standin::Control& c) {
    return std::min(std::max(position, 0), (int)c.editText.size());
}

// Moves the caret to where(caret, text length) and drops the selection.
template <class Where> void MoveCaret(Where where) {
    standin::toolkit::Record* r = standin::toolkit::KeyTarget();
    if (!r) return;
    standin::Control& c = r->model;
    c.caret = Clamp(where(Clamp(c.caret, c), (int)c.editText.size()), c);
    c.selectFrom = c.selectTo = 0;
}

} // namespace

namespace standin {

void PressLeft() {
    MoveCaret([](int caret, int) { return caret - 1; });
}

void PressRight() {
    MoveCaret([](int caret, int) { return caret + 1; });
}

void PressHome() {
    MoveCaret([](int, int) { return 0; });
}

void PressEnd() {
    MoveCaret([](int, int size) { return size; });
}

void SelectText(int from, int to) {
    toolkit::Record* r = toolkit::KeyTarget();
    if (!r) return;
    Control& c = r->model;
    c.selectFrom = Clamp(std::min(from, to), c);
    c.selectTo = Clamp(std::max(from, to), c);
    c.caret = Clamp(to, c);
}

} // namespace standin
