// The lobby in a window a person uses (qvhost --window): an 800x600 SDL2
// window hooked into the stand-in's screen loop. Every frame it takes the
// window's input, lets the stand-in clock follow real time, runs the caller's
// per-frame work, draws the screen model and waits for the next frame.
//
// Input: a left click activates the control under the pointer when the button
// is released over it (edit boxes take the focus, list rows are selected and
// clicked when pressed); a right click goes to the figure strip's cells; the
// wheel scrolls the list under the pointer; typed text and Backspace, Delete,
// the arrows, Home, End go to the focused edit box; Enter, Tab and Ctrl+N as
// the script's keys; Escape to the cancel control; F12 writes a picture. Closing the window clicks
// the quit button, or ends the visit by force when that cannot be clicked or
// the visit still runs two seconds later.
#pragma once

#include <functional>
#include <string>

namespace render {

struct WindowOptions {
    int fps = 60;
    // The stand-in clock follows real time once no scripted step is left, so
    // a scenario's own waits keep their meaning while it runs.
    bool liveClock = true;
    std::function<void()> everyFrame; // after the input, before drawing
    std::string pictureDir;           // F12 writes window-<n>.png there ("": the current folder)
};

// Opens the window and installs the frame hook (render::Init first). False with
// *error set, also when there is no display to show it on.
bool OpenWindow(const WindowOptions& options, std::string* error);
// Removes the hook and closes the window.
void CloseWindow();

} // namespace render
