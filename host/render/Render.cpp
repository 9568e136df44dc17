// Drawing the stand-in's screen model (Render.h): background, controls by
// kind, the user figures of the strip, popups on top, and the debug overlay.
//
// Every control is drawn from what the screen model holds, by kind, so a
// dialog the lobby has not had before is drawn without changes here:
//   edit box     dark field, text, the caret while focused, a whole-text selection
//   image, logo  the picture: a framed area labelled with the image's stem (or the art)
//   text list    lines in their colours and rows with cells in their columns,
//                one sequence in the order added, from the scroll position (a
//                view at the end shows the newest line at the bottom); long
//                lines wrap unless the list has columns; the selected row lit;
//                a scroll bar where the descriptor places one; flag 0x02 or
//                style 10 centres the text, flag 0x10 ends it at the right edge;
//                only lists that scroll, take clicks or hold rows get a dark ground
//   button       bevelled face with its label and image stem; disabled, pressed,
//                lit (frame 2) and cancel control each look different
//   data text    framed area with its texts
//   strip        a dark band while shown
//   areas, hot spots, timers: nothing, except in the debug overlay
//
// State: the options, the open fonts by size, the cache of drawn texts and of
// art pictures.
#include "Render.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "../standin/Live.h"

namespace render {
namespace {

Options options;
bool ready = false;
std::map<std::pair<int, bool>, TTF_Font*> fonts; // (size, bold)
using TextKey = std::tuple<std::string, int, bool, uint32_t>;
std::map<TextKey, SDL_Surface*> textCache;
std::map<std::string, SDL_Surface*> artCache; // by image path; null: no art for it

constexpr size_t kTextCacheLimit = 4000;
constexpr int kLineHeight = 15;
constexpr int kDefaultFeet = 571;
constexpr uint32_t kBackground = 0x1c1824;
constexpr int kStyleCentred = 10;
// Text box flags: centred text, and text that ends at the box's right edge
// (the box then lies left of its x).
constexpr uint32_t kFlagCentred = 0x02, kFlagRightAligned = 0x10;
constexpr uint32_t kStateVisible = 0xF, kStateSquelched = 1u << 9, kStateSelected = 1u << 10,
                   kStateMarked = 1u << 11;

const uint32_t kPalette[] = {0xe6e6e6, 0xeb5546, 0x6ed26e, 0xebc85a, 0x78aaf5, 0xc38ceb, 0x969696,
                             0xf0963c, 0xb4963c, 0xffe178, 0x5ad2dc, 0xaaebf0, 0xf08cbe};
// Tints of the seven character classes, then of the other figure kinds.
const uint32_t kClassTint[] = {0x50aa5a, 0x5a82e6, 0x966ec8, 0xdcc878, 0xc8503c, 0xa07846, 0x5a5a6e};

// ---- pixels -----------------------------------------------------------------------------
struct Canvas {
    SDL_Surface* s;
    Rect clip{0, 0, kScreenWidth, kScreenHeight};
};

Uint8 R(uint32_t rgb) {
    return (Uint8)(rgb >> 16);
}
Uint8 G(uint32_t rgb) {
    return (Uint8)(rgb >> 8);
}
Uint8 B(uint32_t rgb) {
    return (Uint8)rgb;
}

void Fill(Canvas& c, Rect r, uint32_t rgb) {
    SDL_Rect sr{r.x, r.y, r.w, r.h};
    SDL_FillRect(c.s, &sr, SDL_MapRGB(c.s->format, R(rgb), G(rgb), B(rgb)));
}

// Mixes rgb into the pixels of r with alpha 0..255.
void Blend(Canvas& c, Rect r, uint32_t rgb, int alpha) {
    int x0 = std::max({r.x, 0, c.clip.x}), y0 = std::max({r.y, 0, c.clip.y});
    int x1 = std::min({r.x + r.w, c.s->w, c.clip.x + c.clip.w}),
        y1 = std::min({r.y + r.h, c.s->h, c.clip.y + c.clip.h});
    if (x0 >= x1 || y0 >= y1) return;
    SDL_LockSurface(c.s);
    for (int y = y0; y < y1; ++y) {
        Uint32* row = (Uint32*)((Uint8*)c.s->pixels + y * c.s->pitch);
        for (int x = x0; x < x1; ++x) {
            Uint8 pr, pg, pb;
            SDL_GetRGB(row[x], c.s->format, &pr, &pg, &pb);
            auto mix = [alpha](Uint8 a, Uint8 b) { return (Uint8)((a * (255 - alpha) + b * alpha) / 255); };
            row[x] = SDL_MapRGB(c.s->format, mix(pr, R(rgb)), mix(pg, G(rgb)), mix(pb, B(rgb)));
        }
    }
    SDL_UnlockSurface(c.s);
}

void Frame(Canvas& c, Rect r, uint32_t rgb, int thickness = 1) {
    Fill(c, {r.x, r.y, r.w, thickness}, rgb);
    Fill(c, {r.x, r.y + r.h - thickness, r.w, thickness}, rgb);
    Fill(c, {r.x, r.y, thickness, r.h}, rgb);
    Fill(c, {r.x + r.w - thickness, r.y, thickness, r.h}, rgb);
}

// Filled ellipse (alpha 255: opaque) or, with ring > 0, a ring of that width.
void Ellipse(Canvas& c, int cx, int cy, int rx, int ry, uint32_t rgb, int alpha = 255, int ring = 0) {
    for (int dy = -ry; dy <= ry; ++dy) {
        double t = 1.0 - (double)dy * dy / ((double)ry * ry);
        int half = (int)(rx * SDL_sqrt(t < 0 ? 0 : t) + 0.5);
        if (ring > 0) {
            double ti = 1.0 - (double)dy * dy / ((double)(ry - ring) * (ry - ring) + 0.01);
            int inner = ry - ring > 0 && ti > 0 ? (int)((rx - ring) * SDL_sqrt(ti)) : 0;
            Blend(c, {cx - half, cy + dy, half - inner, 1}, rgb, alpha);
            Blend(c, {cx + inner, cy + dy, half - inner + 1, 1}, rgb, alpha);
        } else {
            Blend(c, {cx - half, cy + dy, 2 * half + 1, 1}, rgb, alpha);
        }
    }
}

// A straight line of width w (short strokes of the figures).
void Stroke(Canvas& c, int x0, int y0, int x1, int y1, uint32_t rgb, int w = 2) {
    int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0)) + 1;
    for (int i = 0; i <= steps; ++i) {
        int x = x0 + (x1 - x0) * i / steps, y = y0 + (y1 - y0) * i / steps;
        Blend(c, {x - w / 2, y - w / 2, w, w}, rgb, 255);
    }
}

// ---- text ----------------------------------------------------------------------------------
TTF_Font* Font(int size, bool bold = false) {
    auto it = fonts.find({size, bold});
    if (it != fonts.end()) return it->second;
    std::string path = options.fontPath;
    if (path.empty() || bold)
        path = bold ? "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
                    : "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    TTF_Font* font = TTF_OpenFont(path.c_str(), size);
    if (!font && bold) font = Font(size, false);
    fonts[{size, bold}] = font;
    return font;
}

SDL_Surface* TextSurface(const std::string& utf8, int size, bool bold, uint32_t rgb) {
    if (utf8.empty()) return nullptr;
    TextKey key{utf8, size, bold, rgb};
    auto it = textCache.find(key);
    if (it != textCache.end()) return it->second;
    if (textCache.size() >= kTextCacheLimit) {
        for (auto& [k, surface] : textCache)
            SDL_FreeSurface(surface);
        textCache.clear();
    }
    TTF_Font* font = Font(size, bold);
    SDL_Surface* s =
        font ? TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{R(rgb), G(rgb), B(rgb), 255}) : nullptr;
    textCache[key] = s;
    return s;
}

int TextWidth(const std::string& utf8, int size, bool bold = false) {
    int w = 0, h = 0;
    TTF_Font* font = Font(size, bold);
    if (!font || utf8.empty() || TTF_SizeUTF8(font, utf8.c_str(), &w, &h) != 0) return 0;
    return w;
}

// Draws text with its top-left corner at x, y, clipped to the canvas clip; returns its width.
int Text(Canvas& c, int x, int y, const std::string& utf8, int size, uint32_t rgb, bool bold = false) {
    SDL_Surface* s = TextSurface(utf8, size, bold, rgb);
    if (!s) return 0;
    SDL_Rect clip{c.clip.x, c.clip.y, c.clip.w, c.clip.h};
    SDL_SetClipRect(c.s, &clip);
    SDL_Rect dst{x, y, s->w, s->h};
    SDL_BlitSurface(s, nullptr, c.s, &dst);
    SDL_SetClipRect(c.s, nullptr);
    return s->w;
}

void CentredText(Canvas& c, Rect r, const std::string& utf8, int size, uint32_t rgb, bool bold = false) {
    int w = TextWidth(utf8, size, bold);
    TTF_Font* font = Font(size, bold);
    int h = font ? TTF_FontHeight(font) : size;
    Text(c, r.x + (r.w - w) / 2, r.y + (r.h - h) / 2, utf8, size, rgb, bold);
}

struct ClipScope {
    Canvas& c;
    Rect saved;
    ClipScope(Canvas& canvas, Rect r) : c(canvas), saved(canvas.clip) {
        int x0 = std::max(r.x, saved.x), y0 = std::max(r.y, saved.y);
        int x1 = std::min(r.x + r.w, saved.x + saved.w), y1 = std::min(r.y + r.h, saved.y + saved.h);
        c.clip = {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
    }
    ~ClipScope() { c.clip = saved; }
};

int FontSize(const standin::Control& control) {
    if (!control.desc.font) return 11;
    switch (control.desc.font->font) {
    case 0:
        return 10;
    case 1:
        return 15;
    case 2:
        return 13;
    case 3:
        return 12;
    case 7:
        return 12;
    default:
        return 11;
    }
}

// Colour of the marker's following character ('0'..'9', 'a'..'c'); -1 keeps the colour.
int MarkerColour(char16_t ch) {
    if (ch >= u'0' && ch <= u'9') return ch - u'0';
    if (ch >= u'a' && ch <= u'c') return 10 + (ch - u'a');
    return -1;
}

// A pane line in its colour runs, the markers removed (a marker ending the line stays text).
std::vector<std::pair<std::u16string, int>> ColourRuns(const std::u16string& line, int colour) {
    static const std::u16string marker = standin::StringText(3994);
    std::vector<std::pair<std::u16string, int>> runs{{u"", colour}};
    for (size_t i = 0; i < line.size();) {
        if (!marker.empty() && line.compare(i, marker.size(), marker) == 0 &&
            i + marker.size() < line.size()) {
            int next = MarkerColour(line[i + marker.size()]);
            if (next >= 0) runs.push_back({u"", next});
            i += marker.size() + 1;
            continue;
        }
        runs.back().first += line[i++];
    }
    return runs;
}

void ColouredLine(Canvas& c, int x, int y, const std::u16string& line, int colour, int size) {
    for (auto& [text, col] : ColourRuns(line, colour))
        x += Text(c, x, y, standin::Utf8(text), size, Palette(col));
}

int ColouredWidth(const std::u16string& line, int colour, int size) {
    int w = 0;
    for (auto& [text, col] : ColourRuns(line, colour))
        w += TextWidth(standin::Utf8(text), size);
    return w;
}

// ---- images --------------------------------------------------------------------------------
std::string Stem(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

SDL_Surface* Art(QvImage image) {
    std::string path = standin::ImagePath(image);
    if (options.artDir.empty() || path.empty()) return nullptr;
    auto it = artCache.find(path);
    if (it != artCache.end()) return it->second;
    SDL_Surface* found = nullptr;
    std::string stem = Stem(path), lower = stem;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char ch) { return (char)tolower(ch); });
    static const char* const kExtensions[] = {".png", ".bmp", ".jpg", ".tga", ".gif", ".pcx"};
    for (const std::string& name : {stem, lower})
        for (const char* ext : kExtensions)
            if (!found) found = IMG_Load((options.artDir + "/" + name + ext).c_str());
    artCache[path] = found;
    return found;
}

// Frame `frame` of a picture holding `frames` frames stacked top to bottom (0: as
// many as r's height fits), scaled into r.
bool DrawArt(Canvas& c, QvImage image, Rect r, int frame = 0, int frames = 1) {
    SDL_Surface* art = Art(image);
    if (!art) return false;
    if (frames == 0) frames = r.h > 0 ? std::max(1, art->h / r.h) : 1;
    int fh = frames > 1 ? art->h / frames : art->h;
    if (fh <= 0 || frame < 0 || frame >= frames) frame = 0;
    SDL_Rect src{0, frame * fh, art->w, fh > 0 ? fh : art->h}, dst{r.x, r.y, r.w, r.h};
    SDL_Rect clip{c.clip.x, c.clip.y, c.clip.w, c.clip.h};
    SDL_SetClipRect(c.s, &clip);
    SDL_BlitScaled(art, &src, c.s, &dst);
    SDL_SetClipRect(c.s, nullptr);
    return true;
}

void ImageArea(Canvas& c, Rect r, QvImage image, const std::string& label) {
    if (DrawArt(c, image, r)) return;
    Fill(c, r, 0x302a3e);
    Frame(c, r, 0x786c96);
    ClipScope clip(c, r);
    Text(c, r.x + 4, std::max(r.y, 0) + 2, label, 9, 0x9a8cb4); // areas may start above the screen
}

// ---- controls ------------------------------------------------------------------------------
void DrawImageControl(Canvas& c, const standin::Control& k, Rect r) {
    if (!k.bannerPath.empty()) {
        SDL_Surface* ad = IMG_Load(k.bannerPath.c_str());
        if (ad) {
            SDL_Rect dst{r.x, r.y, r.w, r.h};
            SDL_BlitScaled(ad, nullptr, c.s, &dst);
            SDL_FreeSurface(ad);
            return;
        }
        Fill(c, r, 0x2a3640);
        Frame(c, r, 0x6a96b4);
        ClipScope clip(c, r);
        CentredText(c, r, "banner: " + Stem(k.bannerPath) + " (" + std::string(1, (char)k.bannerLetter) + ")",
                    11, 0xb4d2e6);
        return;
    }
    if (k.image) return ImageArea(c, r, k.image, Stem(standin::ImagePath(k.image)));
    Frame(c, r, 0x3c3650); // an image control with nothing to show yet (the banner before an ad)
}

void DrawLogo(Canvas& c, const standin::Control& k, Rect r) {
    QvImage first = k.desc.extra.logo && k.desc.extra.logo->first ? *k.desc.extra.logo->first : nullptr;
    ImageArea(c, r, first, first ? Stem(standin::ImagePath(first)) : std::string("logo"));
}

void DrawScrollBar(Canvas& c, const ScrollPlacement& p, int top, int visible, int total) {
    Rect bar{p.x, p.y - p.height, 12, p.height};
    Fill(c, bar, 0x242030);
    Frame(c, bar, 0x5a5070);
    if (total <= visible || total <= 0) return;
    int thumbH = std::max(10, bar.h * visible / total);
    int thumbY = bar.y + (bar.h - thumbH) * std::min(top, total - visible) / std::max(1, total - visible);
    Fill(c, {bar.x + 2, thumbY, 8, thumbH}, 0x8c7caa);
}

// ---- text boxes and lists -------------------------------------------------------------------
// A text box shows its lines and rows as one sequence, in the order they were
// added; each entry takes one unit of height, a wrapped line one per piece.
struct Entry {
    const standin::TextLine* line = nullptr; // a line, or
    const standin::ListRow* row = nullptr;   // a row (rowIndex: its place among the rows)
    int rowIndex = -1;
};

std::vector<Entry> Entries(const standin::Control& k) {
    std::vector<Entry> all;
    all.reserve(k.lines.size() + k.rows.size());
    size_t l = 0, w = 0;
    while (l < k.lines.size() || w < k.rows.size()) {
        bool takeLine = w == k.rows.size() || (l < k.lines.size() && k.lines[l].order < k.rows[w].order);
        if (takeLine)
            all.push_back({&k.lines[l++], nullptr, -1});
        else
            all.push_back({nullptr, &k.rows[w], (int)w}), ++w;
    }
    return all;
}

int ShownEntries(const standin::Control& k, Rect r) {
    return k.visibleCount > 0 ? k.visibleCount : std::max(1, r.h / kLineHeight);
}

int UnitHeight(const standin::Control& k, Rect r) {
    return std::max(12, r.h / ShownEntries(k, r));
}

// Lists of several columns keep one screen line per row and per line.
bool HasColumns(const standin::Control& k) {
    return k.columns > 1 || k.columnX.size() > 1;
}

// Splits a line into pieces no wider than width (at blanks where it can).
std::vector<std::u16string> Wrap(const std::u16string& line, int colour, int size, int width) {
    std::vector<std::u16string> out;
    std::u16string rest = line;
    while (!rest.empty() && ColouredWidth(rest, colour, size) > width) {
        // The longest prefix that fits (at least one character), by halving.
        size_t fits = 1, over = rest.size();
        while (over - fits > 1) {
            size_t mid = (fits + over) / 2;
            (ColouredWidth(rest.substr(0, mid), colour, size) <= width ? fits : over) = mid;
        }
        size_t cut = fits;
        size_t blank = rest.rfind(u' ', cut);
        if (blank != std::u16string::npos && blank > 0) cut = blank + 1;
        out.push_back(rest.substr(0, cut));
        rest.erase(0, cut);
    }
    if (!rest.empty() || out.empty()) out.push_back(rest);
    return out;
}

// A label's text fits its height.
int ListFontSize(const standin::Control& k, Rect r) {
    return std::min(FontSize(k), std::max(7, r.h - 3));
}

// One screen line of a text box: a piece of a line, or a row, at its top y.
struct ScreenLine {
    Entry entry;
    std::u16string piece;
    int y = 0;
};

std::vector<ScreenLine> Pieces(const standin::Control& k, const Entry& e, int size, int width) {
    if (e.row) return {ScreenLine{e, u"", 0}};
    std::vector<ScreenLine> out;
    if (HasColumns(k)) return {ScreenLine{e, e.line->text, 0}};
    for (std::u16string& piece : Wrap(e.line->text, e.line->colour, size, width))
        out.push_back(ScreenLine{e, std::move(piece), 0});
    return out;
}

// What the box shows: from its scroll position down; a view at its end whose
// wrapped lines overflow the box shows the last lines instead, the newest at
// the bottom, so a pane that follows its new lines always shows the newest.
std::vector<ScreenLine> Layout(const standin::Control& k, Rect r, int size) {
    std::vector<Entry> entries = Entries(k);
    int total = (int)entries.size(), unit = UnitHeight(k, r), room = std::max(1, r.h / unit);
    int top = std::clamp(k.scrollTop, 0, total);
    std::vector<ScreenLine> shown;
    for (int i = top; i < total && (int)shown.size() <= room; ++i)
        for (ScreenLine& s : Pieces(k, entries[(size_t)i], size, r.w - 6))
            shown.push_back(std::move(s));
    bool atEnd = top >= total - ShownEntries(k, r);
    if (atEnd && (int)shown.size() > room) {
        shown.clear();
        for (int i = total - 1; i >= top && (int)shown.size() < room; --i) {
            std::vector<ScreenLine> pieces = Pieces(k, entries[(size_t)i], size, r.w - 6);
            shown.insert(shown.begin(), pieces.begin(), pieces.end());
        }
        shown.erase(shown.begin(), shown.end() - std::min<long>((long)shown.size(), room));
    }
    if ((int)shown.size() > room) shown.resize((size_t)room);
    for (size_t i = 0; i < shown.size(); ++i)
        shown[i].y = r.y + (int)i * unit;
    return shown;
}

// Where a text of that width starts: flag 0x02 (or style 10) centres it, flag
// 0x10 puts its end at the right edge; otherwise it starts at the left.
int AlignedX(const standin::Control& k, Rect r, int width) {
    if (k.desc.flags & kFlagRightAligned) return r.x + r.w - 3 - width;
    if ((k.desc.flags & kFlagCentred) || k.desc.style == kStyleCentred) return r.x + (r.w - width) / 2;
    return r.x + 3;
}

// Left and right edge of a column, inside the list: from its x (ListSetColumnX;
// unset columns share the width evenly) to the next column's x or the list's
// end, widened to its width when one is set.
std::pair<int, int> ColumnSpan(const standin::Control& k, Rect r, size_t col, size_t columns) {
    auto left = [&](size_t c) {
        if (c < k.columnX.size() && k.columnX[c] >= 0) return k.columnX[c];
        return (int)c * r.w / (int)columns;
    };
    int x = left(col), right = r.w;
    for (size_t next = 0; next < columns; ++next)
        if (next != col && left(next) > x) right = std::min(right, left(next));
    if (col < k.columnWidth.size() && k.columnWidth[col] > 0) right = std::max(right, x + k.columnWidth[col]);
    return {x, std::min(right, r.w)};
}

// A row's cells in their columns. A column given a width holds numbers: its
// text ends at the column's right edge. A list of one column aligns its rows
// as its lines.
void DrawRow(Canvas& c, const standin::Control& k, Rect r, const ScreenLine& s, int unit, int size) {
    const standin::ListRow& row = *s.entry.row;
    size_t index = (size_t)s.entry.rowIndex;
    Rect rr{r.x, s.y, r.w, unit};
    if (s.entry.rowIndex == k.selection) Fill(c, rr, 0x46508c);
    size_t columns =
        std::max<size_t>({1, (size_t)std::max(0, k.columns), standin::CellCount(k, index), k.columnX.size()});
    int textY = rr.y + (unit - size - 4) / 2;
    for (size_t col = 0; col < columns; ++col) {
        std::string text = standin::Utf8(standin::CellText(k, index, col));
        if (text.empty()) continue;
        int width = TextWidth(text, size);
        if (columns == 1) {
            Text(c, AlignedX(k, rr, width), textY, text, size, Palette(row.colour));
            continue;
        }
        auto [left, right] = ColumnSpan(k, r, col, columns);
        bool numbers = col < k.columnWidth.size() && k.columnWidth[col] > 0;
        ClipScope clip(c, {rr.x + left, rr.y, right - left - 2, rr.h});
        int x = numbers ? rr.x + right - 4 - width : rr.x + left + 3;
        Text(c, x, textY, text, size, Palette(row.colour));
    }
}

void DrawTextList(Canvas& c, const standin::Control& k, Rect r) {
    const ScrollPlacement* scroll = k.desc.extra.scroll;
    // Panes and lists that take clicks or scroll get a darker ground; labels,
    // titles and popup texts lie on whatever is under them.
    if (scroll || k.desc.onClick || !k.rows.empty()) Blend(c, r, 0x000000, 90);
    int size = ListFontSize(k, r);
    int unit = UnitHeight(k, r);
    ClipScope clip(c, r);
    for (const ScreenLine& s : Layout(k, r, size)) {
        if (s.entry.row) {
            DrawRow(c, k, r, s, unit, size);
            continue;
        }
        int x = AlignedX(k, r, ColouredWidth(s.piece, s.entry.line->colour, size));
        ColouredLine(c, x, s.y + 1, s.piece, s.entry.line->colour, size);
    }
    if (scroll) {
        ClipScope whole(c, {0, 0, kScreenWidth, kScreenHeight});
        DrawScrollBar(c, *scroll, k.scrollTop, ShownEntries(k, r), (int)(k.lines.size() + k.rows.size()));
    }
}

void DrawEdit(Canvas& c, const standin::Control& k, Rect r) {
    bool focused = k.handle && k.handle == standin::Focus();
    Fill(c, r, k.enabled ? 0x0c0c12 : 0x24242a);
    Frame(c, r, focused ? 0xe6c864 : 0x5a5470);
    int size = FontSize(k);
    std::string text = standin::Utf8(k.editText);
    int caret = std::clamp(k.caret, 0, (int)k.editText.size());
    int caretX = TextWidth(standin::Utf8(k.editText.substr(0, (size_t)caret)), size);
    int shift = std::max(0, caretX - (r.w - 10)); // keep the caret in view
    TTF_Font* font = Font(size);
    int h = font ? TTF_FontHeight(font) : size;
    int y = r.y + (r.h - h) / 2;
    ClipScope clip(c, {r.x + 2, r.y + 2, r.w - 4, r.h - 4});
    if (standin::EditAllSelected(&k)) Fill(c, {r.x + 4 - shift, y, TextWidth(text, size), h}, 0x3c5aa0);
    Text(c, r.x + 4 - shift, y, text, size, k.enabled ? 0xebebeb : 0x8c8c96);
    if (focused) Fill(c, {r.x + 4 - shift + caretX, y, 1, h}, 0xffffff);
}

// Direction arrows of a picture-only button: frames 0, 4 point back, 2, 6 forward;
// frames 0 and 2 are the big steps (two heads).
void DrawArrowGlyph(Canvas& c, Rect r, int frame, uint32_t rgb) {
    bool back = (frame / 2) % 2 == 0, big = frame < 4;
    int cx = r.x + r.w / 2, cy = r.y + r.h / 2;
    for (int offset : big ? std::vector<int>{-4, 4} : std::vector<int>{0}) {
        int tip = back ? cx + offset - 3 : cx + offset + 3;
        for (int i = 0; i < 6; ++i)
            Fill(c, {back ? tip + i : tip - i, cy - i, 1, 2 * i + 1}, rgb);
    }
}

void DrawButton(Canvas& c, const standin::Control& k, Rect r) {
    uint32_t face = !k.enabled ? 0x343236 : k.pressed ? 0x382c1a : 0x56462c;
    uint32_t light = !k.enabled ? 0x504e52 : k.pressed ? 0x28200f : 0x967d50;
    uint32_t dark = !k.enabled ? 0x222024 : k.pressed ? 0x96784a : 0x282014;
    uint32_t ink = !k.enabled ? 0x78767c : 0xf0e6d2;
    // Button art holds its frames one under the other, two per button (up, pressed).
    if (!DrawArt(c, k.image, r, k.desc.extra.frame + (k.pressed ? 1 : 0), 0)) {
        Fill(c, r, face);
        Fill(c, {r.x, r.y, r.w, 1}, light);
        Fill(c, {r.x, r.y, 1, r.h}, light);
        Fill(c, {r.x, r.y + r.h - 1, r.w, 1}, dark);
        Fill(c, {r.x + r.w - 1, r.y, 1, r.h}, dark);
    } else if (!k.enabled) {
        Blend(c, r, 0x000000, 120);
    }
    if (k.buttonFrame == 2) Frame(c, {r.x - 1, r.y - 1, r.w + 2, r.h + 2}, 0xffc83c, 2);
    if (k.handle && k.handle == standin::CancelControl()) {
        for (int i = 0; i < 5; ++i)
            Fill(c, {r.x + r.w - 6 + i, r.y + 1, 5 - i, 1}, 0xd25046); // a red corner: Escape
    }
    std::string stem = Stem(standin::ImagePath(k.image));
    ClipScope clip(c, r);
    int dx = k.pressed ? 1 : 0;
    Rect inner{r.x + dx, r.y + dx, r.w, r.h};
    if (!k.label.empty()) {
        int size = std::clamp(r.h - 8, 8, 12);
        CentredText(c, inner, standin::Utf8(k.label), size, ink, true);
        if (r.h >= 28 && !stem.empty()) Text(c, r.x + 3, r.y + 1, stem, 7, 0x8c826e);
    } else if (stem.find("arrow") != std::string::npos) {
        DrawArrowGlyph(c, inner, k.desc.extra.frame, ink);
    } else if (r.w >= 30) {
        CentredText(c, inner, stem, 8, ink);
    } else if (k.buttonFrame == 2) {
        Fill(c, {r.x + 2, r.y + 2, r.w - 4, r.h - 4}, 0xffc83c);
    }
}

void DrawDataText(Canvas& c, const standin::Control& k, Rect r) {
    Frame(c, r, 0x5a5470);
    ClipScope clip(c, r);
    int y = r.y + 2;
    if (!k.label.empty()) y += Text(c, r.x + 3, y, standin::Utf8(k.label), FontSize(k), Palette(0)) ? 15 : 0;
    for (const standin::TextLine& line : k.lines) {
        ColouredLine(c, r.x + 3, y, line.text, line.colour, FontSize(k));
        y += kLineHeight;
    }
}

void DrawControl(Canvas& c, const standin::Control& k) {
    if (k.hotSpot) return;
    Rect r = ControlRect(k);
    switch (k.desc.kind) {
    case kEditBox:
        return DrawEdit(c, k, r);
    case kImageControl:
        return DrawImageControl(c, k, r);
    case kLogo:
        return DrawLogo(c, k, r);
    case kTextList:
        return DrawTextList(c, k, r);
    case kButton:
        return DrawButton(c, k, r);
    case kDataText:
        return DrawDataText(c, k, r);
    case kFigureStrip:
        return Blend(c, r, 0x000000, 60);
    default:
        return; // timers and clickable areas are invisible
    }
}

// ---- figures -------------------------------------------------------------------------------
uint32_t Tint(int kind) {
    if (kind >= 0 && kind <= 6) return kClassTint[kind];
    switch (kind) {
    case 7:
        return 0x969696;
    case 8:
    case 9:
        return 0xc8dcf0;
    case 18:
        return 0xe6b43c;
    case 19:
        return 0xf0f0ff;
    case 20:
        return 0x78c8f0;
    case 21:
        return 0xc878c8;
    case 23:
        return 0x96dc96;
    case 24:
        return 0x7896b4;
    default:
        return 0xb4a078; // figures of other products
    }
}

void Humanoid(Canvas& c, int x, int feet, uint32_t tint, bool ghost) {
    int alpha = ghost ? 110 : 255;
    Ellipse(c, x, feet - 46, 6, 6, tint, alpha); // head
    for (int i = 0; i < 22; ++i)                 // body, shoulders to hips
        Blend(c, {x - 8 + i / 6, feet - 38 + i, 17 - 2 * (i / 6), 1}, tint, alpha);
    Blend(c, {x - 6, feet - 16, 5, 16}, tint, alpha); // legs
    Blend(c, {x + 2, feet - 16, 5, 16}, tint, alpha);
    Blend(c, {x - 12, feet - 37, 4, 18}, tint, alpha); // arms
    Blend(c, {x + 9, feet - 37, 4, 18}, tint, alpha);
}

// What each class carries, so that kinds differ by outline and not only by colour.
void Accessory(Canvas& c, int kind, int x, int feet) {
    const uint32_t wood = 0x8c6e46, steel = 0xc8c8d2;
    switch (kind) {
    case 0: // bow
        Stroke(c, x + 16, feet - 50, x + 20, feet - 30, wood);
        Stroke(c, x + 20, feet - 30, x + 16, feet - 10, wood);
        Stroke(c, x + 16, feet - 50, x + 16, feet - 10, 0xdcdcdc, 1);
        break;
    case 1: // staff with an orb
        Stroke(c, x - 15, feet - 56, x - 15, feet, wood);
        Ellipse(c, x - 15, feet - 58, 4, 4, 0x78c8ff);
        break;
    case 2: // staff with a skull
        Stroke(c, x - 15, feet - 54, x - 15, feet, 0x5a4a3a);
        Ellipse(c, x - 15, feet - 57, 4, 4, 0xe6e6d2);
        break;
    case 3: // shield
        Fill(c, {x - 20, feet - 38, 9, 16}, steel);
        Frame(c, {x - 20, feet - 38, 9, 16}, 0xdcb450);
        break;
    case 4: // axe
        Stroke(c, x + 14, feet - 48, x + 14, feet - 14, wood);
        Fill(c, {x + 15, feet - 50, 7, 9}, steel);
        break;
    case 5: // ears of the beast
        Stroke(c, x - 5, feet - 52, x - 8, feet - 58, 0x6e5030);
        Stroke(c, x + 5, feet - 52, x + 8, feet - 58, 0x6e5030);
        break;
    case 6: // dagger
        Stroke(c, x + 13, feet - 22, x + 19, feet - 32, steel);
        break;
    case 19: // operator's crown
        Fill(c, {x - 6, feet - 56, 13, 3}, 0xffd23c);
        Stroke(c, x - 6, feet - 56, x - 6, feet - 60, 0xffd23c);
        Stroke(c, x, feet - 56, x, feet - 61, 0xffd23c);
        Stroke(c, x + 6, feet - 56, x + 6, feet - 60, 0xffd23c);
        break;
    case 24: // hood
        Ellipse(c, x, feet - 48, 8, 7, 0x3c5064, 255, 2);
        break;
    default:
        if (kind >= 18 && kind <= 23) Ellipse(c, x, feet - 30, 3, 3, 0xffffff); // a badge
        break;
    }
}

// Figures of other products: a plain block with a speech mark.
void ProductFigure(Canvas& c, int x, int feet, uint32_t tint) {
    Fill(c, {x - 9, feet - 44, 18, 44}, tint);
    Frame(c, {x - 9, feet - 44, 18, 44}, 0x3c3428);
    Fill(c, {x + 6, feet - 58, 14, 9}, 0xf0f0f0);
    Fill(c, {x + 8, feet - 49, 3, 3}, 0xf0f0f0);
}

void DrawFigure(Canvas& c, const standin::Figure& f) {
    int x = f.x, feet = (f.param > 100 && f.param < kScreenHeight) ? f.param : kDefaultFeet;
    bool squelched = f.flags & kStateSquelched, selected = f.flags & kStateSelected;
    QvImage select = standin::SelectAuraImage(), squelch = standin::SquelchAuraImage();
    if (selected && !DrawArt(c, select, {x - 26, feet - 66, 52, 72})) {
        Ellipse(c, x, feet - 28, 20, 36, 0xffd250, 55);
        Ellipse(c, x, feet, 22, 6, 0xffd250, 230, 2);
    }
    uint32_t tint = Tint(f.kind);
    bool product = f.kind == 10 || (f.kind >= 13 && f.kind <= 16) || f.kind == 22;
    if (product)
        ProductFigure(c, x, feet, tint);
    else
        Humanoid(c, x, feet, tint, f.kind == 8 || f.kind == 9);
    Accessory(c, f.kind, x, feet);
    if (f.flags & kStateMarked) Ellipse(c, x + 12, feet - 50, 3, 3, 0x78c8f0);
    if (squelched && !DrawArt(c, squelch, {x - 26, feet - 66, 52, 72})) {
        Ellipse(c, x, feet - 28, 20, 36, 0xdc3c32, 70);
        Stroke(c, x - 14, feet - 56, x + 14, feet - 4, 0xdc3c32, 3);
    }
    // Labels: the character name and label 3 above the head, the account and
    // the realm below the feet, each cut to the figure's cell.
    ClipScope clip(c, {x - 30, 0, 60, kScreenHeight});
    std::string name = standin::Utf8(f.labels[1]);
    if (f.level > 0) name += (name.empty() ? "" : " ") + std::to_string(f.level);
    auto centred = [&](const std::string& text, int y, uint32_t rgb) {
        Text(c, x - TextWidth(text, 9) / 2, y, text, 9, rgb);
    };
    centred(name, feet - 70, 0xf0e6c8);
    centred(standin::Utf8(f.labels[2]), feet - 81, 0xc8c8c8);
    centred(standin::Utf8(f.labels[0]), feet + 1, 0xc8c8d2);
    centred(standin::Utf8(f.labels[3]), feet + 11, 0x9696aa);
}

bool FigureShown(const standin::Figure& f) {
    if (f.x < 0) return false;
    return !f.hasState || (f.flags & kStateVisible) == kStateVisible;
}

// ---- debug overlay ------------------------------------------------------------------------------
void DrawOverlay(Canvas& c) {
    int timerY = 4;
    for (standin::Control* k : standin::Controls()) {
        if (k->desc.kind == kTimer) {
            std::string t = "timer #" + std::to_string(k->serial) + " " + std::to_string(k->timerPeriod) +
                            " ms" + (k->timerEnabled ? " on" : " off");
            Fill(c, {4, timerY, TextWidth(t, 9) + 6, 13}, 0x003c46);
            Text(c, 7, timerY, t, 9, 0x5ae6f0);
            timerY += 14;
            continue;
        }
        if (!k->hotSpot && k->desc.kind != kClickArea) continue;
        Rect r = ControlRect(*k);
        uint32_t rgb = !k->shown ? 0x643c64 : k->enabled ? 0xff3cff : 0x963c96;
        for (int i = 0; i < r.w; i += 4) {
            Fill(c, {r.x + i, r.y, 2, 1}, rgb);
            Fill(c, {r.x + i, r.y + r.h - 1, 2, 1}, rgb);
        }
        for (int i = 0; i < r.h; i += 4) {
            Fill(c, {r.x, r.y + i, 1, 2}, rgb);
            Fill(c, {r.x + r.w - 1, r.y + i, 1, 2}, rgb);
        }
        Text(c, r.x + 2, r.y + r.h - 11, (k->hotSpot ? "spot #" : "area #") + std::to_string(k->serial), 7,
             rgb);
    }
}

} // namespace

// ---- public ------------------------------------------------------------------------------------
uint32_t Palette(int colour) {
    if (colour < 0 || colour >= (int)(sizeof kPalette / sizeof kPalette[0])) return kPalette[0];
    return kPalette[colour];
}

uint32_t BackgroundColour() {
    return kBackground;
}

Rect ControlRect(const standin::Control& k) {
    const ControlDescriptor& d = k.desc;
    if (d.kind == kLogo) return Rect{d.x - d.width / 2, d.y - d.height / 2, d.width, d.height};
    if (d.kind == kTextList && (d.flags & kFlagRightAligned))
        return Rect{d.x - d.width, d.y - d.height, d.width, d.height};
    return Rect{d.x, d.y - d.height, d.width, d.height};
}

std::vector<standin::Control*> DrawOrder() {
    std::vector<standin::Control*> order;
    for (int top = 0; top < 2; ++top)
        for (standin::Control* k : standin::Controls())
            if (k->shown && k->onTop == (top == 1)) order.push_back(k);
    return order;
}

standin::Control* ControlAt(int x, int y) {
    std::vector<standin::Control*> order = DrawOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        standin::Control* k = *it;
        if (k->desc.kind == kTimer) continue;
        if (!k->desc.onClick && k->desc.kind != kEditBox) continue;
        if (ControlRect(*k).Contains(x, y)) return k;
    }
    return nullptr;
}

int ListRowAt(const standin::Control& list, int y) {
    Rect r = ControlRect(list);
    int unit = UnitHeight(list, r);
    for (const ScreenLine& s : Layout(list, r, ListFontSize(list, r)))
        if (y >= s.y && y < s.y + unit) return s.entry.row ? s.entry.rowIndex : -1;
    return -1;
}

bool Init(const Options& opts, std::string* error) {
    Shutdown();
    options = opts;
    if (TTF_Init() != 0) {
        *error = std::string("cannot start the font library: ") + TTF_GetError();
        return false;
    }
    IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG);
    ready = true;
    if (!Font(11)) {
        *error = "cannot open the font " +
                 (options.fontPath.empty() ? std::string("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")
                                           : options.fontPath) +
                 ": " + TTF_GetError();
        Shutdown();
        return false;
    }
    return true;
}

void Shutdown() {
    for (auto& [key, surface] : textCache)
        SDL_FreeSurface(surface);
    textCache.clear();
    for (auto& [path, surface] : artCache)
        if (surface) SDL_FreeSurface(surface);
    artCache.clear();
    for (auto& [key, font] : fonts)
        if (font) TTF_CloseFont(font);
    fonts.clear();
    if (ready) {
        IMG_Quit();
        TTF_Quit();
    }
    ready = false;
}

void DrawScreen(SDL_Surface* target) {
    Canvas c{target};
    Fill(c, {0, 0, kScreenWidth, kScreenHeight}, kBackground);
    QvImage background = standin::Background();
    if (background && !DrawArt(c, background, {0, 0, kScreenWidth, kScreenHeight})) {
        Frame(c, {0, 0, kScreenWidth, kScreenHeight}, 0x3c3450);
        std::string label = "background: " + Stem(standin::ImagePath(background));
        Text(c, kScreenWidth - TextWidth(label, 9) - 6, kScreenHeight - 14, label, 9, 0x5a5070);
    }
    std::vector<standin::Control*> order = DrawOrder();
    size_t firstTop = 0;
    while (firstTop < order.size() && !order[firstTop]->onTop)
        ++firstTop;
    for (size_t i = 0; i < firstTop; ++i)
        DrawControl(c, *order[i]);
    for (const standin::Figure* f : standin::Figures())
        if (FigureShown(*f)) DrawFigure(c, *f);
    for (size_t i = firstTop; i < order.size(); ++i)
        DrawControl(c, *order[i]);
    if (options.debugOverlay) DrawOverlay(c);
}

bool WritePicture(const std::string& path, std::string* error) {
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormat(0, kScreenWidth, kScreenHeight, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) {
        *error = SDL_GetError();
        return false;
    }
    DrawScreen(s);
    bool ok = IMG_SavePNG(s, path.c_str()) == 0;
    if (!ok) *error = "cannot write " + path + ": " + IMG_GetError();
    SDL_FreeSurface(s);
    return ok;
}

} // namespace render
