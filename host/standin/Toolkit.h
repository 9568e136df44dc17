// Hooks between the stand-in toolkit (Toolkit.cpp) and its screen loop and
// input drivers (Script.cpp). Not used by tests or the module.
//
// Every control the module creates is a Record: the screen-model Control that
// tests inspect, plus what only the toolkit needs (text buffers handed back to
// the module, the selection state of an edit box, a list's current row, a
// timer's last tick).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "StandIn.h"

namespace standin::toolkit {

struct Record {
    Control model;
    int currentRow = -1;              // ListGetSelectedRow: last added or selected row
    uint32_t timerLast = 0;           // tick count of the last timer tick (or start)
    std::vector<Unicode> textBuffer;  // EditGetText
    std::vector<Unicode> clickBuffer; // ListGetClicked
    std::vector<Unicode> rowBuffer;   // ListGetRowText
    // Handed out (to be read or changed) since the toolkit was last put back
    // from a saved copy: only such records can differ from it (Saved.h).
    bool touched = false;
};

// The live record behind a handle or a model pointer; null for anything else
// (null, destroyed, never created). Every path to a record goes through these
// or marks what it hands out, so that putting the toolkit back from a copy
// visits only the records touched since.
Record* RecordOf(QvControl handle);
Record* RecordOf(const Control* control);

// The focused edit box when it takes keys (shown and enabled); null otherwise.
Record* KeyTarget();

// Ticks every started and enabled timer whose period has passed.
void RunDueTimers();

// 16-bit text helpers.
std::u16string FromUnicode(const Unicode* text);
void AssignUnicode(std::u16string& dst, const Unicode* text);

// Forgets a row's cell texts (it shows its own text again), keeping its room;
// ClearRows empties a list of its rows and cells, keeping the room of both.
void ResetCells(Control& list, ListRow& row);
void ClearRows(Control& list);
void ToBuffer(std::vector<Unicode>& buffer, const std::u16string& text);

// Forgets the sound calls (Sound.cpp; part of the toolkit's reset).
void ResetSound();

// Adds an entry to the toolkit call log.
void NoteToolkitCall(const std::string& name, std::vector<std::string> args = {});

} // namespace standin::toolkit
