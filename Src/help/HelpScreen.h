// The help screen: what the lobby's help buttons call; LeaveDialog closes it
// through the screen's row of the dialog table (core/Dialogs.h).
#pragma once

#include <cstdint>

// 1 while the help screen is on the screen.
extern int32_t helpOpen;
// Both lobby help buttons: opens the help screen.
int HelpButton(uint32_t arg);
void OpenHelpScreen();
// The help screen's OK button (and Escape): closes it.
int CloseHelpScreen(uint32_t arg);
