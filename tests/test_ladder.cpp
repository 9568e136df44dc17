// The ladder view: the menu of kinds, the view's tabs, headers and list, paging
// at most once a second, the rows a realm reply fills (hostile replies
// included), the tabs' refills and the realm that is not there. Each test runs
// a lobby visit in the chat layout and clicks as the player would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

constexpr int kStandardLabel = 5318, kIroncladLabel = 5317, kIroncladExtLabel = 10090,
              kStandardExtLabel = 10091;
constexpr int kTabXs[8] = {427, 513, 550, 587, 624, 661, 698, 735};

standin::Control* LadderList() {
    return standin::FindAt(kTextList, 434, 391);
}
standin::Control* Tab(int n) {
    return standin::FindAt(kButton, kTabXs[n], 149);
}

void OpenKind(int label) {
    standin::Click(kLadderLabel);
    standin::Click(label);
}

// A cell as the list shows it (column 0 is the row's own text until set).
std::string Cell(const standin::Control* list, int row, int column) {
    const standin::ListRow& r = list->rows.at((size_t)row);
    if (r.cells.empty()) return column == 0 ? r.text : "";
    return (size_t)column < r.cells.size() ? standin::Utf8(r.cells[(size_t)column]) : "";
}

// What the test reads of the view at one moment.
struct LadderLook {
    bool present = false;
    size_t rows = 0;
    int top = 0;
    std::vector<std::vector<std::string>> cells; // rows 0..47, five columns each
    std::vector<int> colours;
    std::vector<bool> tabsPressed; // existing tabs only
};

LadderLook LookAtLadder() {
    LadderLook look;
    standin::Control* list = LadderList();
    if (!list) return look;
    look.present = true;
    look.rows = list->rows.size();
    look.top = list->scrollTop;
    for (int row = 0; row < 48 && row < (int)list->rows.size(); ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < 5; ++column)
            cells.push_back(Cell(list, row, column));
        look.cells.push_back(cells);
        look.colours.push_back(list->rows[(size_t)row].colour);
    }
    for (int n = 0; n < 8; ++n)
        if (standin::Control* tab = Tab(n)) look.tabsPressed.push_back(tab->pressed);
    return look;
}

void SnapLadder(LadderLook* look) {
    standin::Frames(1);
    standin::Check([look] { *look = LookAtLadder(); });
}

std::vector<std::string> PageRequests() {
    std::vector<std::string> out;
    for (const standin::Call& c : standin::RealmCallsNamed("RealmRequestLadderPage"))
        out.push_back(c.args.at(0) + "@" + c.args.at(1));
    return out;
}

// One LadderEntry with a name field of nameSize bytes (the name cut or padded with zeros).
std::vector<uint8_t> Entry(uint64_t experience, uint32_t flags, const std::string& name, int nameSize) {
    std::vector<uint8_t> e;
    for (uint64_t word : {experience & 0xffffffffu, experience >> 32, (uint64_t)flags})
        for (int i = 0; i < 4; ++i)
            e.push_back((uint8_t)(word >> (8 * i)));
    for (int i = 0; i < nameSize; ++i)
        e.push_back(i < (int)name.size() ? (uint8_t)name[(size_t)i] : 0);
    return e;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const std::vector<uint8_t>& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const std::vector<std::string> kUnloaded = {"-", "", "", "", ""};

} // namespace

TEST(LadderView, MenuOffersFourKindsAndCancelRestoresTheLobby) {
    Visit visit;
    Screen unused;
    bool menuShown = false, ladderPressed = false, cancelIsMenu = false;
    bool afterCancel[3] = {};
    standin::Click(kLadderLabel);
    standin::Check([&] {
        menuShown = Showing(kIroncladLabel) && standin::FindByTextId(kStandardLabel) &&
                    standin::FindByTextId(kIroncladExtLabel) && standin::FindByTextId(kStandardExtLabel);
        ladderPressed = standin::FindByTextId(kLadderLabel)->pressed;
        cancelIsMenu = standin::CancelControl() == standin::FindAt(kButton, 433, 433)->handle;
    });
    standin::Escape();
    standin::Check([&] {
        afterCancel[0] = standin::FindByTextId(kStandardLabel) == nullptr;
        afterCancel[1] = !standin::FindByTextId(kLadderLabel)->pressed;
        afterCancel[2] = standin::CancelControl() == standin::FindByTextId(kQuitLabel)->handle;
    });
    visit.Quit();
    EXPECT_TRUE(menuShown);
    EXPECT_TRUE(ladderPressed);
    EXPECT_TRUE(cancelIsMenu);
    EXPECT_TRUE(afterCancel[0]) << "the menu is gone";
    EXPECT_TRUE(afterCancel[1]) << "the ladder button is released";
    EXPECT_TRUE(afterCancel[2]) << "Escape belongs to quit again";
}

TEST(LadderView, EachKindShowsItsTitleTabsHeadersAndAnUnloadedList) {
    struct Case {
        int label, tabs, language;
        const char* firstHeader;
    } const cases[] = {
        {kStandardLabel, 6, 0, "Rank"},
        {kIroncladLabel, 6, 3, "Pos."},
        {kStandardExtLabel, 8, 0, "Rank"},
        {kIroncladExtLabel, 8, 3, "Pos."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        standin::ResetAll();
        standin::SetLanguageNumber(c.language);
        Visit visit;
        LadderLook look;
        std::vector<std::string> labels, headers;
        bool titled = false, backIsCancel = false;
        int timerPeriod = 0;
        OpenKind(c.label);
        SnapLadder(&look);
        standin::Check([&] {
            for (int n = 0; n < 8; ++n) {
                standin::Control* label = standin::FindAt(kTextList, kTabXs[n], 157);
                if (label) labels.push_back(standin::Utf8(label->label));
            }
            for (int x : {434, 468, 596, 640, 703})
                headers.push_back(standin::Utf8(standin::FindAt(kTextList, x, 162)->label));
            titled = standin::Utf8(standin::FindAt(kTextList, 421, 136)->label) == Text(c.label);
            backIsCancel = standin::CancelControl() == standin::FindAt(kButton, 433, 433)->handle;
            timerPeriod = standin::FindAt(kTimer, 100, 0)->timerPeriod;
        });
        visit.Quit();
        std::vector<bool> pressed(c.tabs, false);
        pressed[0] = true;
        EXPECT_EQ(look.tabsPressed, pressed);
        std::vector<std::string> wantLabels = {"ALL", "HNT", "SPB", "GRV", "CRS", "BSK", "SHP", "SHB"};
        wantLabels.resize(c.tabs);
        EXPECT_EQ(labels, wantLabels);
        EXPECT_EQ(headers, (std::vector<std::string>{c.firstHeader, "Name", "Class", "Level", "Experience"}));
        EXPECT_TRUE(titled);
        EXPECT_TRUE(backIsCancel);
        EXPECT_EQ(timerPeriod, 100);
        EXPECT_EQ(look.rows, 1000u);
        EXPECT_EQ(look.cells.at(0), kUnloaded);
        EXPECT_EQ(look.cells.at(47), kUnloaded);
        EXPECT_EQ(standin::RealmCallsNamed("RealmSetLadderHandlers").size(), 1u);
    }
}

TEST(LadderView, PagesAreAskedForOncePerPageAndAtMostOnceASecond) {
    Visit visit;
    std::vector<std::string> afterFirst, atOneSecond, afterScroll, afterIdle;
    OpenKind(kIroncladLabel);
    standin::Wait(100); // the first tick
    standin::Frames(1);
    standin::Check([&] { afterFirst = PageRequests(); });
    // The player scrolls to row 40; the request must wait a full second.
    standin::Check([] { ListScrollTo(LadderList()->handle, 40); });
    standin::Wait(1000); // the timer ticks exactly 1000 ms after the request
    standin::Frames(1);
    standin::Check([&] { atOneSecond = PageRequests(); });
    standin::Wait(100);
    standin::Frames(1);
    standin::Check([&] { afterScroll = PageRequests(); });
    standin::Wait(3000);
    standin::Frames(2);
    standin::Check([&] { afterIdle = PageRequests(); });
    visit.Quit();
    EXPECT_EQ(afterFirst, (std::vector<std::string>{"9@0"}));
    EXPECT_EQ(atOneSecond, afterFirst) << "exactly 1000 ms after the request is still too soon";
    EXPECT_EQ(afterScroll, (std::vector<std::string>{"9@0", "9@32"}));
    EXPECT_EQ(afterIdle, afterScroll) << "the same page is not asked for twice";
}

TEST(LadderView, AReplyForRow16FillsPlaces17To32) {
    Visit visit;
    LadderLook look;
    OpenKind(kStandardLabel);
    standin::Check([] { standin::PushLadderPage(0, 16, 16); });
    SnapLadder(&look);
    visit.Quit();
    ASSERT_EQ(look.cells.size(), 48u);
    EXPECT_EQ(look.cells[15], kUnloaded);
    // Place 17: class (16 * 3) % 7 = 6, progress 16 (the third title), level 98.
    EXPECT_EQ(look.cells[16], (std::vector<std::string>{"17", "Patriarch " + standin::LadderName(0, 16),
                                                        "shb", "98", "8,904,000,000"}));
    EXPECT_EQ(look.colours[16], 4);
    EXPECT_EQ(look.colours[17], 5) << "a marked entry";
    EXPECT_EQ(look.cells[17][0], "18");
    EXPECT_EQ(look.cells[31][0], "32");
    EXPECT_EQ(look.cells[31][1], "Patriarch " + standin::LadderName(0, 31));
    EXPECT_EQ(look.cells[32], kUnloaded);
    EXPECT_EQ(look.top, 0) << "a page reply does not scroll";
}

TEST(LadderView, ClassTabsHold200RowsAndDropRowsPastTheLimit) {
    Visit visit;
    LadderLook overall, classTab;
    OpenKind(kStandardLabel);
    standin::Check([] { standin::PushLadderPage(0, 992, 16); }); // places 993..1000
    SnapLadder(&overall);
    standin::Check([&] {
        overall.cells.push_back({Cell(LadderList(), 999, 0), Cell(LadderList(), 999, 2)});
    });
    standin::ClickAt(kButton, kTabXs[2], 149);
    standin::Check([] { standin::PushLadderPage(2, 192, 16); });
    SnapLadder(&classTab);
    standin::Check([&] {
        classTab.cells.push_back({Cell(LadderList(), 199, 0), Cell(LadderList(), 199, 2)});
    });
    visit.Quit();
    EXPECT_EQ(overall.rows, 1000u);
    EXPECT_EQ(overall.cells.back(), (std::vector<std::string>{"1000", "spb"}));
    EXPECT_EQ(classTab.rows, 200u) << "rows 200..207 of the reply are dropped";
    EXPECT_EQ(classTab.cells.back(), (std::vector<std::string>{"200", "spb"}));
    EXPECT_EQ(classTab.cells.at(0), kUnloaded) << "the tab emptied the list";
}

TEST(LadderView, PressingTheShownTabKeepsTheListAnotherTabRefillsAndAsksForItsFirstPage) {
    Visit visit;
    LadderLook sameTab, otherTab, backToOverall;
    std::vector<std::string> requests;
    OpenKind(kIroncladExtLabel);
    standin::Check([] { standin::PushLadderPage(27, 0, 16); });
    standin::ClickAt(kButton, kTabXs[0], 149);
    SnapLadder(&sameTab);
    standin::ClickAt(kButton, kTabXs[7], 149);
    standin::Check([] { standin::PushLadderPage(27, 0, 16); }); // a late reply for the tab left
    SnapLadder(&otherTab);
    standin::Wait(100);
    standin::Frames(1);
    standin::Check([&] { requests = PageRequests(); });
    standin::ClickAt(kButton, kTabXs[0], 149);
    SnapLadder(&backToOverall);
    visit.Quit();
    EXPECT_EQ(sameTab.cells[0][0], "1");
    EXPECT_EQ(sameTab.tabsPressed,
              (std::vector<bool>{true, false, false, false, false, false, false, false}));
    EXPECT_EQ(otherTab.rows, 200u);
    EXPECT_EQ(otherTab.cells[0], kUnloaded) << "refilled, and the other type's reply ignored";
    EXPECT_EQ(otherTab.tabsPressed,
              (std::vector<bool>{false, false, false, false, false, false, false, true}));
    EXPECT_EQ(requests, (std::vector<std::string>{"34@0"}));
    EXPECT_EQ(backToOverall.rows, 1000u);
    EXPECT_EQ(backToOverall.cells[0], kUnloaded);
}

TEST(LadderView, HostileRepliesAreReadWithinTheirBytes) {
    const std::vector<uint8_t> plain = Entry(100, 0x0a0001, "Nia", 16);
    struct Case {
        const char* what;
        int firstRow, count, nameSize;
        std::vector<uint8_t> bytes;
        std::vector<std::vector<std::string>> rows; // rows 0.. as shown
    } const cases[] = {
        {"a page shorter than its count",
         0,
         16,
         16,
         Join({plain, plain}),
         {{"1", "Nia", "spb", "10", "100"}, {"2", "Nia", "spb", "10", "100"}, kUnloaded}},
        {"a last entry cut short",
         0,
         3,
         16,
         Join({plain, std::vector<uint8_t>(plain.begin(), plain.end() - 1)}),
         {{"1", "Nia", "spb", "10", "100"}, kUnloaded}},
        {"a name filling its field",
         0,
         2,
         4,
         Join({Entry(5, 0x020000, "ABCD", 4), Entry(6, 0x020000, "EF", 4)}),
         {{"1", "ABCD", "hnt", "2", "5"}, {"2", "EF", "hnt", "2", "6"}}},
        {"a class outside the table", 0, 1, 16, Entry(7, 0x030f09, "Zed", 16), {{"1", "Zed", "", "3", "7"}}},
        {"a negative count", 0, -1, 16, plain, {kUnloaded}},
        {"a negative name size", 0, 1, -12, plain, {kUnloaded}},
        {"a name size larger than the reply", 0, 1, 0x7fffffff, plain, {kUnloaded}},
        {"a negative first row", -1, 1, 16, plain, {kUnloaded}},
        {"a count that overflows the rows", 998, 0x7fffffff, 16, Join({plain, plain, plain}), {kUnloaded}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        standin::ResetAll();
        Visit visit;
        LadderLook look;
        std::string last[2];
        OpenKind(kIroncladLabel);
        standin::Check([&] { standin::PushLadderEntries(c.firstRow, c.count, c.nameSize, 9, c.bytes); });
        SnapLadder(&look);
        standin::Check([&] {
            last[0] = Cell(LadderList(), 998, 0);
            last[1] = Cell(LadderList(), 999, 1);
        });
        visit.Quit();
        ASSERT_TRUE(look.present);
        EXPECT_EQ(look.rows, 1000u);
        for (size_t row = 0; row < c.rows.size(); ++row)
            EXPECT_EQ(look.cells.at(row), c.rows[row]) << "row " << row;
        if (c.firstRow == 998) {
            EXPECT_EQ(last[0], "999");
            EXPECT_EQ(last[1], "Nia");
        }
    }
}

TEST(LadderView, ExperienceIsShownWithAll64Bits) {
    Visit visit;
    LadderLook look;
    OpenKind(kStandardLabel);
    standin::Check([] {
        standin::PushLadderEntries(
            0, 4, 8, 0,
            Join({Entry(1ull << 32, 0x010000, "Top", 8), Entry(0xffffffffull, 0x010000, "Two", 8),
                  Entry(~0ull, 0x010000, "Max", 8), Entry(1, 0x010000, "", 8)}));
    });
    SnapLadder(&look);
    visit.Quit();
    EXPECT_EQ(look.cells.at(0)[4], "4,294,967,296");
    EXPECT_EQ(look.cells.at(1)[4], "4,294,967,295");
    EXPECT_EQ(look.cells.at(2)[4], "18,446,744,073,709,551,615");
    EXPECT_EQ(look.cells.at(3)[0], "4");
    EXPECT_EQ(look.cells.at(3)[1], "");
    EXPECT_EQ(look.colours.at(3), 4) << "an empty name is not the looked-up one when none was asked for";
}

TEST(LadderView, ARealmThatShouldBeThereButIsNotShowsAMessageInstead) {
    Visit visit;
    visit.SetRealm("West");
    LadderLook look;
    bool message = false;
    standin::Frames(3); // the realm logon finishes
    standin::Check([] { standin::SetRealmConnected(false); });
    OpenKind(kStandardLabel);
    SnapLadder(&look);
    standin::Check([&] {
        message = PanelMessage() && !PanelMessage()->lines.empty() &&
                  standin::Utf8(PanelMessage()->lines.back().text) == Text(5139);
    });
    visit.Quit();
    EXPECT_FALSE(look.present);
    EXPECT_TRUE(message);
}

TEST(LadderView, BackReturnsToTheMenuAndLateRepliesFindNoList) {
    Visit visit;
    visit.record.guardWordHash = standin::HashOf("darn");
    visit.record.guardWordLength = 4;
    bool menuAgain = false, noPanel = false;
    OpenKind(kStandardLabel);
    standin::Escape(); // the back button is the cancel control
    standin::Check([&] {
        menuAgain = standin::FindByTextId(kStandardLabel) && !LadderList() &&
                    standin::FindByTextId(kLadderLabel)->pressed;
    });
    standin::Click(kStandardLabel);
    // The guard word's popup replaces the view; a reply that comes after it
    // has nothing to fill.
    Say("darn");
    standin::Check([] { standin::PushLadderEntries(0, 0, 16, 0, {}); });
    standin::Frames(1);
    standin::Check([&] { noPanel = PanelMessage() == nullptr; });
    visit.Quit();
    EXPECT_TRUE(menuAgain);
    EXPECT_TRUE(noPanel) << "an empty reply after the view was closed shows nothing";
}
