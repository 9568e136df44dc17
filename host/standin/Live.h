// The stand-in driven live: what a window needs beyond the scripted driver of
// StandIn.h (a hook run every frame, the edit keys a person presses, the
// selection of an edit box, ending every loop when the window closes) and a
// crowd of simulated users that keeps the chat service and the realm busy.
#pragma once

#include <cstdint>
#include <functional>

#include "StandIn.h"

namespace standin {

// ---- frame hook (Script.cpp) -------------------------------------------------------
// Called once per frame of every screen loop, after the frame's scripted
// action. While a hook is set idle frames are not counted: the person at the
// window decides when the visit ends. Null removes it.
using FrameHook = std::function<void()>;
void SetFrameHook(FrameHook hook);
// Ends every running screen loop, as the idle limit does (LoopTimedOut stays false).
void EndAllScreenLoops();

// ---- edit keys (LiveKeys.cpp) -------------------------------------------------------
// Keys that change the focused edit box other than by typing a character. Each
// is first offered to the box's key callback (key codes 8, 127, 0x25, 0x27,
// 0x24, 0x23); a key passed on edits the box, and a change of the text runs the
// change callback.
enum EditKey { kKeyBackspace, kKeyDelete, kKeyLeft, kKeyRight, kKeyHome, kKeyEnd };
void PressEditKey(EditKey key);
// Whether the edit box's text is all selected (EditSelectAll; the next typed
// character replaces it).
bool EditAllSelected(const Control* edit);

// ---- crowd (Crowd.cpp) ---------------------------------------------------------------
// A live channel: the chat service answers EnterChat and JoinChannel with the
// channel joined and the users present, echoes whispers, emotes and squelches
// the player sends, and the crowd's users join, talk, whisper the player, emote
// and leave at a steady rate drawn from the seed. Profiles asked for are
// answered (the player's own as last written). The realm is connected, answers
// creates and joins with success, serves a few games with their details and
// players, and the ladders, on which most crowd characters and the player's own
// stand.
struct CrowdOptions {
    int users = 40;           // users in the channel when it is joined
    uint32_t seed = 1;        // the same seed gives the same crowd
    uint32_t periodMs = 1500; // one crowd event per period, on average
};
void StartCrowd(const CrowdOptions& options);
// Advances the crowd to the stand-in clock's time: answers the calls recorded
// since the last step and pushes the events that are due.
void StepCrowd();
void StopCrowd();
int CrowdUsers(); // users of the crowd now in the channel

} // namespace standin
