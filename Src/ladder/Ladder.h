// The ladder view as the rest of the lobby reaches it: the lobby's ladder
// button and the view opened on a kind (or on a looked-up character).
#pragma once

#include <cstdint>

// Kind bases: the realm's ladder types are base + tab.
enum {
    kLadderBaseStandard = 0,
    kLadderBaseIronclad = 9,
    kLadderBaseStandardExt = 19,
    kLadderBaseIroncladExt = 27
};

// The lobby's ladder button (slot 9): the menu of the four kinds.
int LadderButton(uint32_t arg);
// The view of a kind, on its overall tab; a realm that should be there but is
// not gives panel message 5139 and no view.
void OpenLadderView(int base);
// Asks the realm where the character stands; the reply fills and scrolls the
// view opened just before. Does nothing without a view.
void LookUpLadderPosition(const char* name, int flagA, int flagB);
// The kind base for a character's two status flags (0x04 as A, 0x20 as B).
int LadderBaseFor(int flagA, int flagB);
// Realm reply handler (also reached by tests through the stand-in realm).
void OnLadderEntries(int firstRow, int count, int nameSize, int type, const void* entries);
