// Editing keys of the focused edit box (Live.h): backspace, delete, the caret
// moves. Typing characters, Enter, Tab and Escape stay with the script driver
// (Script.cpp); these are what a person at a window needs besides.
//
// Each key goes to the box's key callback first, with the caret, as typed
// characters do; 0 consumes it. A key passed on edits the box; a change of the
// text clears a whole-text selection and runs the change callback.
//
// State: none of its own (the boxes are the toolkit's records).
#include "Live.h"
#include "Toolkit.h"

namespace {

using standin::toolkit::Record;

constexpr uint16_t kKeyCodes[] = {8, 127, 0x25, 0x27, 0x24, 0x23};

Record* FocusedBox() {
    Record* r = standin::toolkit::RecordOf(standin::Focus());
    if (!r || r->model.desc.kind != kEditBox || !r->model.shown || !r->model.enabled) return nullptr;
    return r;
}

int Clamp(int caret, int size) {
    return caret < 0 ? 0 : caret > size ? size : caret;
}

} // namespace

namespace standin {

void PressEditKey(EditKey key) {
    Record* r = FocusedBox();
    if (!r) return;
    QvControl handle = r->model.handle;
    Control& c = r->model;
    int size = (int)c.editText.size();
    c.caret = Clamp(c.caret, size);
    if (c.keyCallback) {
        Unicode code{kKeyCodes[key]};
        if (!c.keyCallback(handle, c.caret, &code)) return;
        r = toolkit::RecordOf(handle); // the callback may have destroyed the box
        if (!r) return;
    }
    Control& box = r->model;
    size = (int)box.editText.size();
    box.caret = Clamp(box.caret, size);
    bool changed = false;
    if ((key == kKeyBackspace || key == kKeyDelete) && r->allSelected) {
        changed = size > 0;
        box.editText.clear();
        box.caret = 0;
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
    r->allSelected = false;
    if (changed && box.changeCallback) box.changeCallback((uint32_t) reinterpret_cast<uintptr_t>(handle));
}

bool EditAllSelected(const Control* edit) {
    Record* r = toolkit::RecordOf(edit);
    return r && r->allSelected;
}

} // namespace standin
