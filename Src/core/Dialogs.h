// The lobby's dialogs as core reaches them: one row per dialog, each defined by
// the dialog's own unit, and the table that LeaveDialog, CloseTransients and
// the frame loop walk (core/Popups.cpp). Core names no dialog's operations.
#pragma once

#include <cstdint>

// Where a dialog's controls live, and so who takes them down.
enum DialogHome {
    kDialogOwnControls, // its own controls (or core's own step): LeaveDialog closes it, in table order
    kDialogTransients,  // among the transients: CloseTransients forgets its handles
};

struct DialogRow {
    const char* name;
    // Takes the dialog down; does nothing when it is not open.
    void (*close)();
    // The realm's list and info replies while lobbyState is 3, by the record's
    // request id, and the request renewed every 15 s meanwhile; null: none.
    void (*routeReply)(uint16_t requestId, const uint8_t* record, uint32_t size);
    void (*renewRequest)();
    DialogHome home;
};

// Rows owned by the dialog units (and core's own steps, defined in core/Popups.cpp).
extern const DialogRow kCreateGameDialog; // games/CreateGame.cpp
extern const DialogRow kJoinGameDialog;   // games/JoinGame.cpp
extern const DialogRow kChannelDialog;    // chat/ChannelDialog.cpp
extern const DialogRow kTransientsStep;   // core/Popups.cpp
extern const DialogRow kLadderDialog;     // ladder/LadderView.cpp
extern const DialogRow kProfileDialog;    // games/Profile.cpp
extern const DialogRow kPanelMessageStep; // core/Popups.cpp
extern const DialogRow kHelpDialog;       // help/HelpScreen.cpp

enum { kLobbyDialogCount = 8 };
extern const DialogRow* const kLobbyDialogs[kLobbyDialogCount];
