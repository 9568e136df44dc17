// Editing keys a person at the window presses in the focused edit box (Live.h):
// backspace, delete and the caret moves. Typing characters, Enter, Tab and
// Escape stay with the script driver (Script.cpp).
//
// Each key goes to the box's key callback first, with the caret, as typed
// characters do; 0 consumes it. A key passed on edits the box: a selection
// (EditSelectAll, SelectText) is removed by backspace or delete, dropped by a
// caret move; a change of the text runs the change callback.
//
// State: none of its own (the boxes are the toolkit's records).
#include <algorithm>

#include "Live.h"
#include "Toolkit.h"

namespace {

using standin::toolkit::Record;

constexpr uint16_t kKeyCodes[] = {8, 127, 0x25, 0x27, 0x24, 0x23};

int Clamp(int position, int size) {
    return std::min(std::max(position, 0), size);
}

} // namespace

namespace standin {

void PressEditKey(EditKey key) {
    Record* r = toolkit::KeyTarget();
    if (!r) return;
    QvControl handle = r->model.handle;
    if (r->model.keyCallback) {
        Control& c = r->model;
        c.caret = Clamp(c.caret, (int)c.editText.size());
        Unicode code{kKeyCodes[key]};
        if (!c.keyCallback(handle, c.caret, &code)) return;
        r = toolkit::RecordOf(handle); // the callback may have destroyed the box
        if (!r) return;
    }
    Control& box = r->model;
    int size = (int)box.editText.size();
    box.caret = Clamp(box.caret, size);
    int from = Clamp(box.selectFrom, size), to = Clamp(box.selectTo, size);
    box.selectFrom = box.selectTo = 0;
    bool changed = false;
    if ((key == kKeyBackspace || key == kKeyDelete) && from < to) {
        box.editText.erase((size_t)from, (size_t)(to - from));
        box.caret = from;
        changed = true;
    } else if (key == kKeyBackspace && box.caret > 0) {
        box.editText.erase((size_t)--box.caret, 1);
        changed = true;
    } else if (key == kKeyDelete && box.caret < size) {
        box.editText.erase((size_t)box.caret, 1);
        changed = true;
    } else if (key == kKeyLeft && box.caret > 0) {
        --box.caret;
    } else if (key == kKeyRight && box.caret < size) {
        ++box.caret;
    } else if (key == kKeyHome) {
        box.caret = 0;
    } else if (key == kKeyEnd) {
        box.caret = size;
    }
    if (changed && box.changeCallback) box.changeCallback((uint32_t) reinterpret_cast<uintptr_t>(handle));
}

bool EditAllSelected(const Control* edit) {
    Record* r = toolkit::RecordOf(edit);
    if (!r || r->model.desc.kind != kEditBox) return false;
    const Control& c = r->model;
    return !c.editText.empty() && c.selectFrom <= 0 && c.selectTo >= (int)c.editText.size();
}

} // namespace standin
