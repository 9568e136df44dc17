// Pictures of the lobby: the renderer draws the default lobby (a channel with
// three users, talk, a whisper and an emote) at its place and size, buttons in
// their states, the pane's lines in their colours with the colour codes acting
// and not printed, the figures with the selection aura, and the input the
// window hands to the controls under the pointer.
#include <gtest/gtest.h>

#include <unistd.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

#include "../host/render/Render.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

struct Picture {
    SDL_Surface* s;
    Picture() : s(SDL_CreateRGBSurfaceWithFormat(0, 800, 600, 32, SDL_PIXELFORMAT_ARGB8888)) {
        render::DrawScreen(s);
    }
    ~Picture() { SDL_FreeSurface(s); }
    uint32_t At(int x, int y) const {
        return ((const uint32_t*)((const uint8_t*)s->pixels + y * s->pitch))[x] & 0xffffff;
    }
    template <class F> static void Each(render::Rect r, F f) {
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                f(x, y);
    }
    // Pixels of r that have exactly that colour.
    int Count(render::Rect r, uint32_t rgb) const {
        int n = 0;
        Each(r, [&](int x, int y) { n += At(x, y) == rgb; });
        return n;
    }
    // Leftmost and rightmost column of r holding that colour, or with kLight
    // a light pixel (text in any light colour); -1, -1 when none.
    static constexpr uint32_t kLight = 0xff000000;
    std::pair<int, int> Span(render::Rect r, uint32_t rgb) const {
        int lo = -1, hi = -1;
        Each(r, [&](int x, int y) {
            uint32_t p = At(x, y);
            if (rgb == kLight ? (p >> 16 & 0xff) < 0x90 || (p >> 8 & 0xff) < 0x90 || (p & 0xff) < 0x90
                              : p != rgb)
                return;
            if (lo < 0 || x < lo) lo = x;
            hi = std::max(hi, x);
        });
        return {lo, hi};
    }
    int Differences(const Picture& other, render::Rect r) const {
        int n = 0;
        Each(r, [&](int x, int y) { n += At(x, y) != other.At(x, y); });
        return n;
    }
};

// Each test starts from an empty screen model, also when the file runs in one process.
class Render : public ::testing::Test {
  protected:
    void SetUp() override {
        standin::ResetAll();
        std::string error;
        ASSERT_TRUE(render::Init(render::Options{}, &error)) << error;
    }
    void TearDown() override { render::Shutdown(); }
};

// The default lobby: the channel, three users, talk in both colour pairs, a
// whisper and an emote; then `look` runs mid-visit and the player quits.
void DefaultLobby(std::function<void()> look) {
    Visit visit;
    Push(7, 0, "", "Lobby");
    Push(1, 0, "Arin*Tester", "TAHC");
    Push(1, 0, "Mira*Kestrel", "TAHC");
    Push(1, 0x08, "*Oskar", "TAHC");
    Push(5, 0, "Mira*Kestrel", "Hello everyone!");
    Push(5, 0x08, "*Oskar", "hi Mira");
    Push(4, 0, "*Oskar", "psst, over here");
    Push(23, 0, "Mira*Kestrel", "waves");
    standin::Frames(1);
    standin::Check(look);
    EXPECT_EQ(visit.Quit(), 4u);
}

// The band of pane line i (lines are 15 pixels high from the pane's top).
render::Rect PaneLine(int i) {
    render::Rect pane = render::ControlRect(*ChatPane());
    return {pane.x, pane.y + 1 + 15 * i, pane.w, 15};
}

} // namespace

// The picture file has the screen's size; y names a control's bottom edge; the
// pointer finds the topmost shown control that takes input; logos are centred
// on their place and stay on the screen.
TEST_F(Render, PictureFileAndControlPlaces) {
    std::string path = ::testing::TempDir() + "render_lobby_" + std::to_string(getpid()) + ".png";
    std::string error;
    DefaultLobby([&] {
        EXPECT_TRUE(render::WritePicture(path, &error)) << error;
        render::Rect pane = render::ControlRect(*ChatPane());
        EXPECT_EQ(pane.y, 410 - 298);
        EXPECT_EQ(pane.y + pane.h, 410);
        render::Rect input = render::ControlRect(*Input());
        EXPECT_TRUE(input.Contains(28, 449) && input.Contains(28, 418));
        EXPECT_FALSE(input.Contains(28, 450));
        EXPECT_EQ(render::ControlAt(733, 480), standin::FindByTextId(kQuitLabel));
        EXPECT_EQ(render::ControlAt(40, 440), Input());
        EXPECT_EQ(render::ControlAt(70, 550), standin::FindAt(kClickArea, 40, 591)); // the first figure cell
        EXPECT_EQ(render::ControlAt(5, 5), nullptr);
        EXPECT_EQ(render::ControlAt(737, 570), standin::FindAt(kButton, 725, 583)); // arrows above the strip
        for (int x : {84, 726}) {
            render::Rect r = render::ControlRect(*standin::FindAt(kLogo, x, 52));
            EXPECT_EQ(r.x + r.w / 2, x);
            EXPECT_TRUE(r.x >= 0 && r.x + r.w <= 800 && r.y >= 0) << x;
        }
    });
    SDL_Surface* back = IMG_Load(path.c_str());
    ASSERT_NE(back, nullptr) << IMG_GetError();
    EXPECT_EQ(back->w, 800);
    EXPECT_EQ(back->h, 600);
    SDL_FreeSurface(back);
    std::remove(path.c_str());
    EXPECT_FALSE(render::WritePicture("/nonexistent-dir/x.png", &error));
    EXPECT_NE(error.find("/nonexistent-dir/x.png"), std::string::npos);
}

TEST_F(Render, ButtonsStandOutLookDifferentInEachStateAndAreGoneWhenHidden) {
    DefaultLobby([] {
        Picture plain;
        int buttons = 0;
        for (standin::Control* c : render::DrawOrder()) {
            if (c->desc.kind != kButton) continue;
            ++buttons;
            render::Rect r = render::ControlRect(*c);
            int same = plain.Count(r, render::BackgroundColour());
            EXPECT_LT(same, r.w * r.h / 10)
                << "button #" << c->serial << " at " << c->desc.x << "," << c->desc.y;
        }
        EXPECT_GE(buttons, 11);
        standin::Control* quit = standin::FindByTextId(kQuitLabel);
        ASSERT_NE(quit, nullptr);
        ASSERT_TRUE(quit->enabled);
        render::Rect r = render::ControlRect(*quit);
        render::Rect around{r.x - 2, r.y - 2, r.w + 4, r.h + 4};
        struct Case {
            const char* name;
            std::function<void(standin::Control*, bool)> set;
        } const cases[] = {
            {"disabled", [](standin::Control* c, bool on) { c->enabled = !on; }},
            {"pressed", [](standin::Control* c, bool on) { c->pressed = on; }},
            {"lit", [](standin::Control* c, bool on) { c->buttonFrame = on ? 2 : 0; }},
        };
        std::optional<Picture> states[3];
        for (int i = 0; i < 3; ++i) {
            cases[i].set(quit, true);
            states[i].emplace();
            cases[i].set(quit, false);
            EXPECT_GT(states[i]->Differences(plain, around), r.w * r.h / 20) << cases[i].name;
            for (int j = 0; j < i; ++j)
                EXPECT_GT(states[i]->Differences(*states[j], around), 20)
                    << cases[i].name << " " << cases[j].name;
        }
        EXPECT_EQ(Picture().Differences(plain, around), 0); // back as it was
        ShowControl(quit->handle, 0);
        Picture hidden;
        EXPECT_EQ(render::ControlAt(733, 480), nullptr);
        ShowControl(quit->handle, 1);
        EXPECT_GT(hidden.Count(r, render::BackgroundColour()), r.w * r.h * 9 / 10);
    });
}

TEST_F(Render, PaneLinesInTheirColoursAndFiguresWithTheSelectionAura) {
    DefaultLobby([] {
        Picture p;
        // 0 channel joined (5), 1 Mira's talk (4 then 0), 2 Oskar's talk (3/3),
        // 3 the whisper (2), 4 the emote (5).
        EXPECT_GT(p.Count(PaneLine(0), render::Palette(5)), 20);
        EXPECT_GT(p.Count(PaneLine(2), render::Palette(3)), 20);
        EXPECT_EQ(p.Count(PaneLine(2), render::Palette(4)), 0);
        EXPECT_GT(p.Count(PaneLine(3), render::Palette(2)), 20);
        EXPECT_EQ(p.Count(PaneLine(3), render::Palette(5)), 0);
        EXPECT_GT(p.Count(PaneLine(4), render::Palette(5)), 20);
        EXPECT_EQ(p.Count(PaneLine(5), render::Palette(0)), 0); // nothing below the last line
        // "<Mira> " in blue, then the message in white; a colour code drawn as
        // text would put white (the line's colour 0) before the blue.
        auto prefix = p.Span(PaneLine(1), render::Palette(4));
        auto message = p.Span(PaneLine(1), render::Palette(0));
        ASSERT_GE(prefix.first, 0);
        ASSERT_GE(message.first, 0);
        EXPECT_LT(prefix.second, message.first);
        // Figures stand in their cells and the selection has an aura.
        render::Rect cell0{40, 491, 60, 100}, cell5{340, 491, 60, 100};
        EXPECT_LT(p.Count(cell0, render::BackgroundColour()), 60 * 100 * 9 / 10); // a figure stands there
        EXPECT_EQ(p.Count(cell5, render::BackgroundColour()), 60 * 100);          // an empty cell
        standin::ClickControl(standin::FindAt(kClickArea, 40, 591));
        Picture selected;
        EXPECT_GT(selected.Differences(p, cell0), 100);
        EXPECT_EQ(selected.Differences(p, {100, 491, 60, 100}), 0);
    });
}

// ---- controls made directly, as a dialog the lobby adds would make them -------------------------
namespace {

QvControl MakeControl(int kind, int x, int y, int w, int h, const ScrollPlacement* scroll = nullptr,
                      QvImage* image = nullptr, int flags = 0) {
    ControlDescriptor d{};
    d.flags = flags;
    d.kind = kind;
    d.x = x;
    d.y = y;
    d.width = w;
    d.height = h;
    d.extra.scroll = scroll;
    d.image = image;
    return CreateControl(&d);
}

void AddLine(QvControl list, const std::u16string& text, int colour) {
    std::vector<uint16_t> w(text.begin(), text.end());
    w.push_back(0);
    TextListAddLine(list, reinterpret_cast<const Unicode*>(w.data()), colour, 0, 1);
}

constexpr uint32_t kSelectedRow = 0x46508c, kSelection = 0x3c5aa0;

} // namespace

TEST_F(Render, ListRowsShowTheSelectionFromTheScrollPositionAndCellsTheirColumns) {
    QvControl list = MakeControl(kTextList, 100, 300, 200, 150); // rows 150..299
    ListSetRowCount(list, 10);                                   // 15 pixels a row
    for (const char* name : {"alpha", "beta", "gamma", "delta", "epsilon"})
        ListAddRow(list, name);
    ListSetSelection(list, 2);
    QvControl cells = MakeControl(kTextList, 400, 300, 200, 150);
    ListSetColumns(cells, 2);
    ListSetCellText(cells, "left", 0, 0);
    ListSetCellText(cells, "right", 0, 1);
    Picture p;
    EXPECT_GT(p.Count({100, 150 + 2 * 15, 200, 15}, kSelectedRow), 1000);
    EXPECT_EQ(p.Count({100, 150 + 1 * 15, 200, 15}, kSelectedRow), 0);
    // Text in both halves of the first row of cells.
    EXPECT_GT(p.Count({400, 150, 100, 15}, render::Palette(0)), 5);
    EXPECT_GT(p.Count({500, 150, 100, 15}, render::Palette(0)), 5);
    ListScrollTo(list, 1);
    Picture scrolled;
    EXPECT_GT(scrolled.Count({100, 150 + 1 * 15, 200, 15}, kSelectedRow), 1000);
    EXPECT_EQ(scrolled.Count({100, 150 + 2 * 15, 200, 15}, kSelectedRow), 0);
    EXPECT_EQ(render::ListRowAt(*standin::Find(list), 150 + 15 + 3), 2);
    EXPECT_EQ(render::ListRowAt(*standin::Find(list), 150 + 5 * 15), -1); // below the last row
    EXPECT_EQ(render::ListRowAt(*standin::Find(list), 140), -1);          // above the list
}

TEST_F(Render, EditBoxShowsCaretOnlyWithFocusAndTheSelection) {
    QvControl edit = MakeControl(kEditBox, 100, 200, 200, 24); // rows 176..199
    EditSetText(edit, "hello");
    render::Rect r{100, 176, 200, 24};
    Picture unfocused;
    SetFocus(edit);
    Picture focused;
    EXPECT_GT(focused.Differences(unfocused, r), 10); // frame colour and caret
    EXPECT_EQ(unfocused.Count(r, kSelection), 0);
    EditSelectAll(edit);
    Picture selected;
    EXPECT_GT(selected.Count(r, kSelection), 50);
}

TEST_F(Render, MarkersWithAnUnknownCharacterOrAtTheEnd) {
    std::u16string marker = standin::StringText(3994);
    ASSERT_FALSE(marker.empty());
    QvControl list = MakeControl(kTextList, 100, 300, 300, 150);
    AddLine(list, u"abc" + marker + u"xdef", 2); // unknown colour: the line keeps colour 2
    AddLine(list, u"abc", 1);                    // reference width
    AddLine(list, u"abc" + marker, 1);           // a final marker is text
    Picture p;
    EXPECT_GT(p.Count({100, 151, 300, 15}, render::Palette(2)), 20);
    EXPECT_EQ(p.Count({100, 151, 300, 15}, render::Palette(0)), 0);
    auto plain = p.Span({100, 166, 300, 15}, render::Palette(1));
    auto tail = p.Span({100, 181, 300, 15}, render::Palette(1));
    EXPECT_GT(tail.second, plain.second + 4);
}

// Long lines wrap in every box without columns, scrolling ones included (the help text).
TEST_F(Render, LongLinesWrapInBoxesAndPanesAlike) {
    ScrollPlacement bar{305, 300, 150};
    QvControl box = MakeControl(kTextList, 100, 300, 200, 150);
    QvControl pane = MakeControl(kTextList, 400, 300, 200, 150, &bar);
    std::u16string longLine = u"one two three four five six seven eight nine ten eleven twelve thirteen";
    AddLine(box, longLine, 0);
    AddLine(pane, longLine, 0);
    Picture p;
    EXPECT_GT(p.Count({100, 166, 200, 15}, render::Palette(0)), 10); // second screen line
    EXPECT_GT(p.Count({400, 166, 200, 15}, render::Palette(0)), 10);
    EXPECT_NE(p.At(310, 200), render::BackgroundColour()); // the pane's scroll bar
}

// A full pane shows its newest line at the bottom, a wrapped one too; scrolled
// back it stays where it was put while lines arrive.
TEST_F(Render, TheChatPaneFollowsItsNewestLineUnlessScrolledBack) {
    Visit visit;
    Push(7, 0, "", "Lobby");
    Push(1, 0, "Mira*Kestrel", "TAHC");
    for (int i = 0; i < 30; ++i)
        Push(5, 0, "Mira*Kestrel", "line " + std::to_string(i));
    Push(4, 0, "Mira*Kestrel", std::string(40, 'w') + " and the end of a long whisper that wraps");
    standin::Frames(2);
    standin::Check([] {
        standin::Control* pane = ChatPane();
        ASSERT_EQ(pane->lines.size(), 32u);
        EXPECT_EQ(pane->scrollTop, 32 - pane->visibleCount);
        Picture p;
        EXPECT_GT(p.Count(PaneLine(18), render::Palette(2)), 20); // the whisper's last piece
        EXPECT_EQ(p.Count(PaneLine(0), render::Palette(5)), 0);   // the join line is above
        ListScrollTo(pane->handle, 0);
    });
    Push(4, 0, "Mira*Kestrel", "psst");
    standin::Frames(2);
    standin::Check([] {
        EXPECT_EQ(ChatPane()->scrollTop, 0);
        Picture p;
        EXPECT_GT(p.Count(PaneLine(0), render::Palette(5)), 20);
        EXPECT_EQ(p.Count(PaneLine(18), render::Palette(2)), 0);
    });
    EXPECT_EQ(visit.Quit(), 4u);
}

// Lines added to a box that holds rows show among them, in the order added
// (a game's players with their class lines).
TEST_F(Render, LinesAndRowsOfOneBoxShowInTheOrderAdded) {
    QvControl box = MakeControl(kTextList, 100, 300, 150, 150); // 10 entries of 15 pixels
    ListAddRow(box, "Mirabelle Kestrel");
    TextBoxAddLine(box, "Level 12 Huntress", 5);
    ListAddRow(box, "Oskar the Warden");
    Picture p;
    EXPECT_GT(p.Count({100, 150, 150, 15}, render::Palette(0)), 10);
    EXPECT_EQ(p.Count({100, 150, 150, 15}, render::Palette(5)), 0);
    EXPECT_GT(p.Count({100, 165, 150, 15}, render::Palette(5)), 10);
    EXPECT_GT(p.Count({100, 180, 150, 15}, render::Palette(0)), 10);
    EXPECT_EQ(ListGetLineCount(box), 3);
}

// Cells stand in the columns the list was given: a column with a width holds
// numbers and shows them whole (the ladder's experience), the others reach to
// the next column (its names).
TEST_F(Render, CellsFillTheColumnsTheListWasGiven) {
    const int columnX[] = {0, 35, 165, 195, 220};
    QvControl ladder = MakeControl(kTextList, 100, 300, 313, 208); // 16 rows of 13 pixels
    ListSetRowCount(ladder, 16);
    ListSetColumns(ladder, 5);
    for (int column = 0; column < 5; ++column)
        ListSetColumnX(ladder, column, columnX[column]);
    for (int column : {0, 3, 4})
        ListSetColumnWidth(ladder, column, 16);
    ListAddRowWithData(ladder, "-", 2, 0, 0);
    const char* cells[] = {"1", "Champion Kalavenn", "hnt", "99", "8,808,000,000"};
    for (int column = 0; column < 5; ++column)
        ListSetCellText(ladder, cells[column], 0, column);
    // The same texts as lines of boxes of their own: how wide they are whole.
    QvControl name = MakeControl(kTextList, 100, 400, 300, 30),
              number = MakeControl(kTextList, 100, 450, 300, 30);
    TextBoxAddLine(name, cells[1], 0);
    TextBoxAddLine(number, cells[4], 0);
    Picture p;
    auto width = [&p](render::Rect r) {
        auto span = p.Span(r, Picture::kLight);
        return span.second - span.first;
    };
    EXPECT_GT(width({100, 370, 300, 30}), 60);
    EXPECT_NEAR(width({100 + 35, 92, 130, 13}), width({100, 370, 300, 30}), 1);
    EXPECT_NEAR(width({100 + 220, 92, 93, 13}), width({100, 420, 300, 30}), 1);
    // Numbers end at their column's right edge.
    EXPECT_GE(p.Span({100 + 220, 92, 93, 13}, Picture::kLight).second, 100 + 313 - 8);
}

// Flag 0x02 centres a box's text, flag 0x10 ends it at the box's x (a label left of its field).
TEST_F(Render, BoxFlagsAlignTheText) {
    auto label = [](int x, int y, int flags) {
        QvControl c = MakeControl(kTextList, x, y, 200, 22, nullptr, nullptr, flags);
        TextBoxAddLine(c, "Create Game", 0);
        return c;
    };
    label(496, 300, 0x02);
    QvControl right = label(632, 350, 0x10);
    Picture p;
    auto centred = p.Span({400, 278, 400, 22}, render::Palette(0));
    ASSERT_GE(centred.first, 0);
    EXPECT_NEAR((centred.first + centred.second) / 2, 596, 3);
    EXPECT_EQ(render::ControlRect(*standin::Find(right)).x, 632 - 200);
    auto ended = p.Span({400, 328, 400, 22}, render::Palette(0));
    EXPECT_LT(ended.second, 632);
    EXPECT_GT(ended.second, 632 - 8);
}

TEST_F(Render, OverlayOutlinesClickableAreasOnlyWhenAsked) {
    MakeControl(kClickArea, 100, 300, 200, 100);
    Picture plain;
    EXPECT_EQ(plain.Count({100, 200, 200, 100}, render::BackgroundColour()), 200 * 100);
    render::Options o;
    o.debugOverlay = true;
    std::string error;
    ASSERT_TRUE(render::Init(o, &error)) << error;
    Picture overlay;
    EXPECT_GT(overlay.Count({100, 200, 200, 1}, 0xff3cff), 50); // the dashed top edge
}

TEST_F(Render, ArtFolderPicturesReplaceTheFrames) {
    // A folder of this process's own: test programs of other builds may run at the same time.
    std::string dir = ::testing::TempDir() + "render_art_" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    SDL_Surface* art = SDL_CreateRGBSurfaceWithFormat(0, 16, 16, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(art, nullptr, SDL_MapRGB(art->format, 0x12, 0x9a, 0x34));
    ASSERT_EQ(IMG_SavePNG(art, (dir + "/panelart.png").c_str()), 0);
    SDL_FreeSurface(art);
    static QvImage image = LoadImage("DATA\\GLOBAL\\UI\\BIGMENU\\panelart", 0);
    static QvImage missing = LoadImage("DATA\\GLOBAL\\UI\\BIGMENU\\notthere", 0);
    MakeControl(kImageControl, 100, 300, 100, 100, nullptr, &image);
    MakeControl(kImageControl, 300, 300, 100, 100, nullptr, &missing);
    Picture framed;
    EXPECT_EQ(framed.Count({100, 200, 100, 100}, 0x129a34), 0);
    render::Options o;
    o.artDir = dir;
    std::string error;
    ASSERT_TRUE(render::Init(o, &error)) << error;
    Picture drawn;
    EXPECT_EQ(drawn.Count({100, 200, 100, 100}, 0x129a34), 100 * 100);
    EXPECT_EQ(drawn.Differences(framed, {300, 200, 100, 100}), 0); // no art: still the labelled frame
    std::filesystem::remove_all(dir);
}
