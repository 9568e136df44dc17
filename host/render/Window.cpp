// The window (Window.h): SDL2 window, its frame hook, and input dispatch to the
// stand-in's controls through the driver API.
//
// State: the window, its drawing surface, the options, the control the left
// button went down on, the last frame's time, and when the window was closed.
#include "Window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "../standin/Live.h"
#include "Render.h"

namespace render {
namespace {

SDL_Window* window = nullptr;
SDL_Surface* canvas = nullptr;
SDL_Cursor* handCursor = nullptr;
WindowOptions options;
QvControl pressedControl = nullptr;
uint32_t lastTicks = 0, frameStart = 0, closedAt = 0;
bool closed = false;
int picturesTaken = 0;
bool shownOnce = false;
constexpr const char* kTitle = "QvMulti lobby (stand-in host)";

constexpr int kQuitLabel = 5316;
constexpr uint32_t kCloseGraceMs = 2000;
constexpr int kWheelLines = 3;

void PressLeft(int x, int y) {
    standin::Control* k = ControlAt(x, y);
    pressedControl = nullptr;
    if (!k || !k->enabled) return;
    if (k->desc.kind == kEditBox) return SetFocus(k->handle);
    if (k->desc.kind == kTextList) {
        int row = ListRowAt(*k, y);
        if (row >= 0) standin::ClickListRow(k, row);
        return;
    }
    pressedControl = k->handle;
}

void ReleaseLeft(int x, int y) {
    standin::Control* k = ControlAt(x, y);
    if (k && pressedControl && k->handle == pressedControl) standin::ClickControl(k);
    pressedControl = nullptr;
}

void ReleaseRight(int x, int y) {
    if (standin::Control* k = ControlAt(x, y)) standin::RightClickControl(k);
}

void Wheel(int x, int y, int steps) {
    std::vector<standin::Control*> order = DrawOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        standin::Control* k = *it;
        if (k->desc.kind != kTextList || !ControlRect(*k).Contains(x, y)) continue;
        int count = ListGetLineCount(k->handle), shown = std::max(1, ListGetVisibleCount(k->handle));
        int top = std::clamp(ListGetTop(k->handle) - steps * kWheelLines, 0, std::max(0, count - shown));
        ListScrollTo(k->handle, top);
        return;
    }
}

void Close() {
    if (closed) return standin::EndAllScreenLoops();
    closed = true;
    closedAt = SDL_GetTicks();
    standin::Control* quit = standin::FindByTextId(kQuitLabel);
    if (quit && quit->shown && quit->enabled)
        standin::ClickControl(quit);
    else
        standin::EndAllScreenLoops();
}

void Key(const SDL_KeyboardEvent& e) {
    bool ctrl = (e.keysym.mod & KMOD_CTRL) != 0;
    switch (e.keysym.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return standin::PressEnter();
    case SDLK_ESCAPE:
        return standin::PressEscape();
    case SDLK_TAB:
        return standin::PressTab();
    case SDLK_BACKSPACE:
        return standin::PressEditKey(standin::kKeyBackspace);
    case SDLK_DELETE:
        return standin::PressEditKey(standin::kKeyDelete);
    case SDLK_LEFT:
        return standin::PressEditKey(standin::kKeyLeft);
    case SDLK_RIGHT:
        return standin::PressEditKey(standin::kKeyRight);
    case SDLK_HOME:
        return standin::PressEditKey(standin::kKeyHome);
    case SDLK_END:
        return standin::PressEditKey(standin::kKeyEnd);
    case SDLK_n:
        if (ctrl) standin::PressCtrlN();
        return;
    case SDLK_F12: {
        std::string path = (options.pictureDir.empty() ? std::string(".") : options.pictureDir) + "/window-" +
                           std::to_string(++picturesTaken) + ".png";
        std::string error;
        if (!WritePicture(path, &error)) SDL_Log("%s", error.c_str());
        return;
    }
    default:
        return;
    }
}

void Dispatch(const SDL_Event& e) {
    switch (e.type) {
    case SDL_QUIT:
        return Close();
    case SDL_MOUSEMOTION:
        return standin::SetPointer(e.motion.x, e.motion.y);
    case SDL_MOUSEBUTTONDOWN:
        standin::SetPointer(e.button.x, e.button.y);
        if (e.button.button == SDL_BUTTON_LEFT) PressLeft(e.button.x, e.button.y);
        return;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT) ReleaseLeft(e.button.x, e.button.y);
        if (e.button.button == SDL_BUTTON_RIGHT) ReleaseRight(e.button.x, e.button.y);
        return;
    case SDL_MOUSEWHEEL: {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        return Wheel(x, y, e.wheel.y);
    }
    case SDL_TEXTINPUT:
        return standin::TypeText(e.text.text);
    case SDL_KEYDOWN:
        return Key(e.key);
    default:
        return;
    }
}

// One frame of the window, run by the stand-in's screen loop.
void Frame() {
    SDL_Event e;
    while (window && SDL_PollEvent(&e))
        Dispatch(e);
    uint32_t now = SDL_GetTicks();
    if (options.liveClock && standin::PendingActions() == 0) standin::AdvanceTime(now - lastTicks);
    lastTicks = now;
    if (closed && now - closedAt > kCloseGraceMs) standin::EndAllScreenLoops();
    if (options.everyFrame) options.everyFrame();
    DrawScreen(canvas);
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface) {
        SDL_BlitSurface(canvas, nullptr, surface, nullptr);
        SDL_UpdateWindowSurface(window);
    }
    if (!shownOnce) {
        // The title tells whoever waits for the window (a test with xdotool)
        // that the lobby is built and drawn.
        SDL_SetWindowTitle(window, kTitle);
        shownOnce = true;
    }
    bool overBanner = standin::ImagePath(standin::Cursor()).find("lrotate") != std::string::npos;
    SDL_SetCursor(overBanner && handCursor ? handCursor : SDL_GetDefaultCursor());
    uint32_t period = 1000u / (uint32_t)std::max(1, options.fps);
    uint32_t spent = SDL_GetTicks() - frameStart;
    if (spent < period) SDL_Delay(period - spent);
    frameStart = SDL_GetTicks();
}

} // namespace

// True when the video driver SDL settled on shows nothing: without a display
// SDL falls back to drawing off screen, and the lobby would run unseen until
// killed. A driver asked for by name (SDL_VIDEODRIVER) is taken as it is.
static bool DriverShowsNothing() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || SDL_getenv("SDL_VIDEODRIVER")) return false;
    return SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0;
}

static bool Set(const char* name) {
    const char* value = SDL_getenv(name);
    return value && *value;
}

static std::string NoDisplay() {
    std::string why = Set("DISPLAY") ? std::string("DISPLAY ") + SDL_getenv("DISPLAY") + " cannot be opened"
                                     : std::string("DISPLAY is not set");
    return "cannot open a window: no display to show it on (" + why +
           "); --window needs an X or Wayland display, --png writes pictures without one";
}

bool OpenWindow(const WindowOptions& opts, std::string* error) {
    options = opts;
    // Nothing to try without a display named (SDL would only add its own noise).
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("SDL_VIDEODRIVER")) {
        *error = NoDisplay();
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *error = std::string("cannot open a window: ") + SDL_GetError();
        return false;
    }
    if (DriverShowsNothing()) {
        *error = NoDisplay();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    shownOnce = false;
    // QV_WINDOW_POS="x,y" places the window (two players' windows side by side).
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    if (const char* at = getenv("QV_WINDOW_POS")) sscanf(at, "%d,%d", &x, &y);
    window = SDL_CreateWindow("QvMulti (starting)", x, y, kScreenWidth, kScreenHeight, SDL_WINDOW_SHOWN);
    canvas = SDL_CreateRGBSurfaceWithFormat(0, kScreenWidth, kScreenHeight, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!window || !canvas) {
        *error = std::string("cannot open a window: ") + SDL_GetError();
        CloseWindow();
        return false;
    }
    handCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
    SDL_StartTextInput();
    closed = false;
    pressedControl = nullptr;
    lastTicks = frameStart = SDL_GetTicks();
    standin::SetFrameHook(Frame);
    return true;
}

void CloseWindow() {
    standin::SetFrameHook(nullptr);
    if (handCursor) SDL_FreeCursor(handCursor);
    handCursor = nullptr;
    if (canvas) SDL_FreeSurface(canvas);
    canvas = nullptr;
    if (window) SDL_DestroyWindow(window);
    window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

} // namespace render
