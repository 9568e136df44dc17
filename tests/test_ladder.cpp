// The ladder view: the kinds' tabs, headers and list, paging at most once a
// second, the rows a realm reply fills (hostile replies included), the tabs'
// refills, the realm that is not there and the view's end. (A character looked
// up on the ladder, paging by scrolling and a class tab: profile_ladder.scn.)
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

constexpr int kStandardLabel = 5318, kIroncladLabel = 5317, kIroncladExtLabel = 10090,
              kStandardExtLabel = 10091;
constexpr int kTabXs[8] = {427, 513, 550, 587, 624, 661, 698, 735};
const std::string kUnloaded = "-||||";

standin::Control* LadderList() {
    return standin::FindAt(kTextList, 434, 391);
}

void OpenKind(int label) {
    standin::Click(kLadderLabel);
    standin::Click(label);
}

void PressTab(int n) {
    standin::ClickAt(kButton, kTabXs[n], 149);
}

// A row's five cells joined by '|' (column 0 is the row's own text until set).
std::string RowText(const standin::Control& list, size_t row) {
    std::string out;
    for (size_t column = 0; column < 5; ++column)
        out += (column ? "|" : "") + standin::Utf8(standin::CellText(list, row, column));
    return out;
}

// What a check sees of the view: its rows as text, their colours, the tabs.
struct LadderLook {
    size_t rows = 0;
    int top = -1;
    Texts text;
    std::vector<int> colours;
    std::vector<bool> tabs;
    const std::string& Row(int row) const { return text.at((size_t)row); }
};

void SnapLadder(LadderLook* look) {
    standin::Frames(1);
    standin::Check([look] {
        *look = LadderLook();
        standin::Control* list = LadderList();
        if (!list) return;
        look->rows = list->rows.size();
        look->top = list->scrollTop;
        for (size_t row = 0; row < list->rows.size(); ++row) {
            look->text.push_back(RowText(*list, row));
            look->colours.push_back(list->rows[row].colour);
        }
        for (int x : kTabXs)
            if (standin::Control* tab = standin::FindAt(kButton, x, 149)) look->tabs.push_back(tab->pressed);
    });
}

// The page requests so far, "type@firstRow", after a tick's frame.
void ExpectPages(const Texts& pages, const char* why = "") {
    standin::Frames(1);
    standin::Check([pages, why] {
        Texts sent;
        for (const Texts& args : RealmArgs("RealmRequestLadderPage"))
            sent.push_back(args.at(0) + "@" + args.at(1));
        EXPECT_EQ(sent, pages) << why;
    });
}

// One LadderEntry with a name field of nameSize bytes (the name cut or padded with zeros).
std::vector<uint8_t> Entry(uint64_t experience, uint32_t flags, const std::string& name, int nameSize = 16) {
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

} // namespace

// The extended kinds have eight tabs, whose overall tab shows its whole label.
TEST(LadderView, EachKindShowsItsTitleTabsHeadersAndAnUnloadedList) {
    const std::string overall = "Gesamtwertung aller Klassen";
    const struct {
        int label, tabs, language;
        const char* firstHeader;
    } cases[] = {{kStandardLabel, 6, 0, "Rank"},
                 {kIroncladLabel, 6, 3, "Pos."},
                 {kStandardExtLabel, 8, 0, "Rank"},
                 {kIroncladExtLabel, 8, 3, "Pos."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Fresh();
        standin::SetLanguageNumber(c.language);
        if (c.tabs == 8) standin::SetStringText(5326, overall);
        Visit visit;
        LadderLook look;
        Texts labels;
        OpenKind(c.label);
        SnapLadder(&look);
        standin::Check([&] {
            labels.push_back(LabelAt(kTextList, 421, 136)); // the title
            for (int x : kTabXs)
                if (standin::FindAt(kTextList, x, 157)) labels.push_back(LabelAt(kTextList, x, 157));
            for (int x : {434, 468, 596, 640, 703})
                labels.push_back(LabelAt(kTextList, x, 162));
            labels.push_back(std::to_string(standin::FindAt(kTimer, 100, 0)->timerPeriod));
            EXPECT_EQ(RoleOf(standin::CancelControl()), "cancel") << "the back button";
        });
        visit.Quit();
        Texts want = {Text(c.label), c.tabs == 8 ? overall : "ALL", "HNT", "SPB", "GRV", "CRS", "BSK", "SHP",
                      "SHB"};
        want.resize(1 + c.tabs);
        want.insert(want.end(), {c.firstHeader, "Name", "Class", "Level", "Experience", "100"});
        EXPECT_EQ(labels, want);
        std::vector<bool> pressed(c.tabs, false);
        pressed[0] = true;
        EXPECT_EQ(look.tabs, pressed);
        EXPECT_EQ(look.rows, 1000u);
        EXPECT_EQ(look.Row(0), kUnloaded);
        EXPECT_EQ(look.Row(999), kUnloaded);
    }
}

// Paging once per page and once a second: ladder_pages.scn; a reply for row 16:
// ladder_reply.scn.

TEST(LadderView, TabsRefillTheirOwnListAndTheShownTabChangesNothing) {
    Visit visit;
    LadderLook sameTab, classTab, backToOverall;
    OpenKind(kIroncladExtLabel);
    standin::Check([] { standin::PushLadderPage(27, 0, 16); });
    PressTab(0);
    SnapLadder(&sameTab);
    PressTab(7);
    standin::Check([] { standin::PushLadderPage(27, 0, 16); });   // late, for the tab left
    standin::Check([] { standin::PushLadderPage(34, 192, 16); }); // rows past 200 are dropped
    SnapLadder(&classTab);
    standin::Wait(100);
    ExpectPages({"34@0"});
    PressTab(0);
    SnapLadder(&backToOverall);
    visit.Quit();
    EXPECT_EQ(sameTab.Row(0).substr(0, 2), "1|");
    EXPECT_EQ(sameTab.tabs, (std::vector<bool>{true, false, false, false, false, false, false, false}));
    EXPECT_EQ(classTab.rows, 200u);
    EXPECT_EQ(classTab.Row(0), kUnloaded) << "refilled, and the other type's reply ignored";
    EXPECT_EQ(classTab.text.back().substr(0, 4), "200|");
    EXPECT_EQ(classTab.tabs, (std::vector<bool>{false, false, false, false, false, false, false, true}));
    EXPECT_EQ(backToOverall.rows, 1000u);
    EXPECT_EQ(backToOverall.Row(999), kUnloaded);
}
// The realm client hands count entries whole (the stand-in pads the bytes given
// here with zeros and ends them at an unreadable page); a reply claiming more
// than the ladder holds, or a name field past 256 bytes, is not read at all.
TEST(LadderView, RepliesAreReadWithinTheirEntriesAndShownWithAll64Bits) {
    using Bytes = std::vector<uint8_t>;
    const Bytes nia = Entry(100, 0x0a0001, "Nia"), two = Join({nia, nia});
    const Bytes full = Join({Entry(5, 0x020000, "ABCD", 4), Entry(6, 0x020000, "EF", 4)});
    const Bytes big = Join(
        {Entry(1ull << 32, 0, "A"), Entry(0xffffffffull, 0, "B"), Entry(~0ull, 0, "C"), Entry(1, 0, "")});
    const Texts bigRows = {"1|A|hnt|0|4,294,967,296", "2|B|hnt|0|4,294,967,295",
                           "3|C|hnt|0|18,446,744,073,709,551,615", "4||hnt|0|1"};
    const std::string niaRow = "Nia|spb|10|100";
    constexpr int kMax = 0x7fffffff;
    struct Case {
        const char* what;
        int firstRow, count, nameSize;
        Bytes bytes;
        Texts rows; // from firstRow on
    } const cases[] = {
        {"a name filling its field", 0, 2, 4, full, {"1|ABCD|hnt|2|5", "2|EF|hnt|2|6"}},
        {"a class outside the table", 0, 1, 16, Entry(7, 0x030f09, "Zed"), {"1|Zed||3|7"}},
        {"a negative count", 0, -1, 16, nia, {kUnloaded}},
        {"a negative name size", 0, 1, -12, nia, {kUnloaded}},
        {"a name size past any name", 0, 1, kMax, nia, {kUnloaded}},
        {"a name size just past the bound", 0, 1, 257, Entry(3, 0, "Ash", 257), {kUnloaded}},
        {"a name size at the bound", 0, 1, 256, Entry(3, 0, "Ash", 256), {"1|Ash|hnt|0|3"}},
        {"a negative first row", -1, 1, 16, nia, {kUnloaded}},
        {"rows past the last one dropped", 998, 16, 16, two, {"999|" + niaRow, "1000|" + niaRow}},
        {"more entries than the ladder's rows", 0, 1001, 16, two, {kUnloaded, kUnloaded}},
        {"a count past any ladder", 998, kMax, 16, two, {kUnloaded, kUnloaded}},
        {"experience past 2^32", 0, 4, 16, big, bigRows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        Visit visit;
        LadderLook look;
        OpenKind(kIroncladLabel);
        standin::Check([&] { standin::PushLadderEntries(c.firstRow, c.count, c.nameSize, 9, c.bytes); });
        SnapLadder(&look);
        visit.Quit();
        EXPECT_EQ(look.rows, 1000u);
        int first = c.firstRow < 0 ? 0 : c.firstRow;
        for (size_t i = 0; i < c.rows.size(); ++i) {
            EXPECT_EQ(look.Row(first + (int)i), c.rows[i]) << "row " << first + i;
            EXPECT_NE(look.colours.at((size_t)first + i), 0) << "nobody was looked up";
        }
    }
}

// A realm gone when the ladder opens: ladder_realm_gone.scn.

TEST(LadderView, BackAndCancelLeaveTheViewAndLateRepliesFindNoList) {
    Visit visit;
    visit.record.guardWordHash = standin::HashOf("darn");
    visit.record.guardWordLength = 4;
    OpenKind(kStandardLabel);
    standin::Escape(); // the back button is the cancel control
    standin::Check([] {
        EXPECT_TRUE(standin::FindByTextId(kStandardLabel) && !LadderList()) << "the menu again";
        EXPECT_TRUE(standin::FindByTextId(kLadderLabel)->pressed);
    });
    standin::Click(kStandardLabel);
    Say("darn"); // the guard word's popup replaces the view
    standin::Check([] { standin::PushLadderEntries(0, 0, 16, 0, {}); });
    standin::Frames(1);
    standin::Check([] { EXPECT_EQ(PanelMessage(), nullptr) << "an empty reply after the view was closed"; });
    standin::Click(kLadderLabel);
    standin::Escape(); // the menu's cancel button
    standin::Check([] {
        EXPECT_FALSE(standin::FindByTextId(kStandardLabel));
        EXPECT_FALSE(standin::FindByTextId(kLadderLabel)->pressed);
        EXPECT_EQ(RoleOf(standin::CancelControl()), "quit");
    });
    visit.Quit();
}
