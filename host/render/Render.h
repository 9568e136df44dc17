// The stand-in toolkit's drawing: the screen model of StandIn.h drawn into an
// 800x600 picture with SDL2 (software surfaces), DejaVu text through SDL2_ttf,
// optional art through SDL2_image. The pictures of qvhost --png and the window
// of qvhost --window both come from DrawScreen.
//
// Coordinates are the toolkit's: x is a control's left edge and y its BOTTOM
// edge, so a control covers x .. x+width-1 and y-height .. y-1 (the chat pane
// at 28,410, 298 high, spans rows 112 to 409). Two kinds are placed otherwise:
// a logo animation is centred on its x and y, and a text box with flag 0x10
// (text that ends at x, such as a label left of its field) lies left of its x,
// covering x-width .. x-1. Figures stand on the strip with
// their centre at the figure's x and their feet on the row given by the
// figure's first parameter (571 for every figure the lobby makes).
//
// Colour numbers of text lines and rows (Palette): 0 white, 1 red, 2 green,
// 3 gold, 4 blue, 5 violet, 6 grey, 7 orange, 8 dark gold, 9 bright gold,
// 10 cyan, 11 light cyan, 12 pink; any other number is white. Inside a line the
// chat pane's colour marker (string 3994) and the character after it switch
// the colour for the rest of the line: '0'..'9' the colours 0 to 9, 'a'..'c'
// 10 to 12; any other character keeps the colour. Neither is ever drawn.
//
// Images are the game host's art and not part of this repository: each image
// is drawn as a framed area labelled with its file stem, unless an art folder
// holds a picture of that stem (any format SDL2_image reads; the stem's case is
// tried as given and in lower case).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../standin/StandIn.h"

struct SDL_Surface;

namespace render {

constexpr int kScreenWidth = 800, kScreenHeight = 600;

struct Options {
    std::string artDir;        // "" for none
    std::string fontPath;      // "" for the system's DejaVu Sans
    bool debugOverlay = false; // hot spots, clickable areas and timers outlined
};

// Opens the fonts (and remembers the art folder). False with *error set when no
// font could be opened. Safe to call again; Shutdown releases everything.
bool Init(const Options& options, std::string* error);
void Shutdown();

// Draws the whole screen model into target (at least 800x600, 32-bit).
void DrawScreen(SDL_Surface* target);
// Draws the screen into a new picture and writes it as PNG.
bool WritePicture(const std::string& path, std::string* error);

// ---- geometry and colours, shared with the window's input ------------------------
struct Rect {
    int x = 0, y = 0, w = 0, h = 0; // top-left corner and size, in screen pixels
    bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};
Rect ControlRect(const standin::Control& control);
// Drawing order: shown controls in creation order, those set on top after the
// others. Hidden controls are not listed.
std::vector<standin::Control*> DrawOrder();
// The topmost shown control under the point that takes input (a callback, or
// an edit box); null when none.
standin::Control* ControlAt(int x, int y);
// Row of a list under the point (-1 when none).
int ListRowAt(const standin::Control& list, int y);
// The palette colour of a colour number as 0xRRGGBB.
uint32_t Palette(int colour);
// The background colour where no control is drawn, as 0xRRGGBB.
uint32_t BackgroundColour();

} // namespace render
