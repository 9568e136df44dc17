// The channel user list and the user figure strip: what each user's
// description and flags make of the figure, the name memory behind speaker
// titles, the priority order, scrolling, selection and the fatal figure
// failure. Each test runs a lobby visit in the chat layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../host/standin/StandIn.h"

namespace si = standin;

namespace {

// Service input as a scripted step: each event is polled in the frame after
// it, in order with the clicks and keys around it.
void Push(uint32_t number, uint32_t flags, const std::string& name, const std::string& text) {
    si::Check([=] { si::PushChatEvent(number, flags, name, text); });
}

const int kQuitLabel = 5316;
const int kSquelchLabel = 5307;
const int kUnsquelchLabel = 5310;
const std::string kMarker = "\xC3\xBF"
                            "c";

std::string Description(const char* tag, const std::string& character, int classIndex, uint16_t status,
                        uint8_t firstAppearance = 3) {
    std::string s = {tag[3], tag[2], tag[1], tag[0]};
    s += "West," + character + ",";
    s += "\x01\x01";
    s += (char)firstAppearance;
    s += std::string(10, '\x03');
    s += (char)(classIndex + 1);
    s += std::string(11, '\x04');
    s += '\x0c';
    s += (char)(status & 0xff);
    s += (char)(status >> 8);
    s += "\x01\x01\xff\xff\xff";
    return s;
}
uint16_t Progress(int progress, uint16_t bits = 0) {
    return (uint16_t)(progress << 8 | bits);
}
std::string Name(int i) {
    return "C" + std::to_string(i) + "*A" + std::to_string(i);
}

struct Shot {
    std::vector<si::Figure> figures;
    std::vector<std::string> pane;
    std::string title;
    bool arrows[4] = {}; // -10, +10, -1, +1
    bool squelch = false, unsquelch = false;
};

class ChannelUsers : public ::testing::Test {
  protected:
    LaunchRecord record{};
    std::vector<Shot> shots;
    void SetUp() override {
        si::ResetAll();
        si::FillLaunchRecord(&record);
    }
    void Snap() {
        si::Frames(1);
        si::Check([this] {
            Shot s;
            for (const si::Figure* f : si::Figures())
                s.figures.push_back(*f);
            for (const si::TextLine& l : si::FindAt(kTextList, 28, 410)->lines)
                s.pane.push_back(si::Utf8(l.text));
            si::Control* title = si::FindAt(kTextList, 28, 138);
            if (!title->lines.empty()) s.title = si::Utf8(title->lines.back().text);
            const int places[4][2] = {{725, 583}, {751, 583}, {725, 528}, {751, 528}};
            for (int i = 0; i < 4; ++i)
                s.arrows[i] = si::FindAt(kButton, places[i][0], places[i][1])->enabled;
            s.squelch = si::FindByTextId(kSquelchLabel)->enabled;
            s.unsquelch = si::FindByTextId(kUnsquelchLabel)->enabled;
            shots.push_back(s);
        });
    }
    void Visit() {
        si::Click(kQuitLabel);
        si::RunVisit(QueryInterface(), &record);
        ASSERT_FALSE(si::LoopTimedOut());
    }
    // The figure whose first label is "*" + account.
    static const si::Figure* FigureOf(const Shot& s, const std::string& account) {
        for (const si::Figure& f : s.figures)
            if (f.labels[0] == si::Utf16("*" + account)) return &f;
        return nullptr;
    }
    static std::vector<int> Xs(const Shot& s) {
        std::vector<int> xs;
        for (const si::Figure& f : s.figures)
            xs.push_back(f.x);
        return xs;
    }
};

TEST_F(ChannelUsers, FigureKindFromFlagsAndTags) {
    struct Case {
        uint32_t flags;
        std::string text;
        int kind;
    } const cases[] = {
        {0, Description("QvXP", "Nim", 2, 0), 2},
        {0, Description("QvDV", "Nim", 2, 0x0c), 8},
        {0, Description("QvST", "Nim", 0, 0x0c), 9},
        {0, Description("QvXP", "Nim", 6, 0x0c), 9},
        {0, Description("QvXP", "Nim", 2, 0, 0), 7}, // zero first appearance byte
        {0x02, Description("QvXP", "Nim", 2, 0), 19},
        {0x02, "ZZZZ", 19},
        {0x08 | 0x01, "TAHC", 20},
        {0x01, "TAHC", 18},
        {0x04, "TAHC", 23},
        {0x1000, "TAHC", 21},
        {0x100000, "TAHC", 21},
        {0, "TAHC", 22},
        {0, "AROM", 13},
        {0, "HSOM", 13},
        {0, "AJOM", 13},
        {0, "XROM", 14},
        {0, "BLEK", 15},
        {0, "CLEK", 16},
        {0, "DLEK", 16},
        {0, "ARYP", 10},
        {0, "BRYP", 10},
        {0, "CRYP", 10},
        {0, "PXvQ", 24},
        {0, "ZZZZ", 7},
        {0, "abc", 7},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        Push(1, cases[i].flags, Name((int)i), cases[i].text);
    Snap();
    Visit();
    ASSERT_EQ(shots.size(), 1u);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const si::Figure* f = FigureOf(shots[0], "A" + std::to_string(i));
        ASSERT_NE(f, nullptr) << i;
        EXPECT_EQ(f->kind, cases[i].kind) << "case " << i;
    }
}

TEST_F(ChannelUsers, UnrecognisedTagGivesUnknownAndTheFullName) {
    Push(1, 0, "Nim*Acct", "ZZZZ");
    Push(1, 0x02, "Bo*Acct2", "ZZZZ");
    si::Frames(1);
    si::Type("/qvnotify");
    si::Enter();
    Push(2, 0, "Cy*Acct3", "ZZZZ");
    Snap();
    Visit();
    const Shot& s = shots[0];
    const uint32_t unknown = 'U' << 24 | 'N' << 16 | 'K' << 8 | 'N';
    EXPECT_EQ(FigureOf(s, "Acct")->tag, unknown);
    EXPECT_EQ(FigureOf(s, "Acct")->kind, 7);
    EXPECT_EQ(FigureOf(s, "Acct2")->kind, 19);
    EXPECT_EQ(s.pane.back(), "Cy*Acct3 has joined the channel."); // the character name is the full name
}

TEST_F(ChannelUsers, DescriptionFillsLookLabelsAndMode) {
    Push(1, 0, "Nim*Acct", Description("QvXP", "Nim", 3, 0x04));
    Push(1, 0, "*Lone", "TAHC");
    Snap();
    Visit();
    const si::Figure* nim = FigureOf(shots[0], "Acct");
    ASSERT_NE(nim, nullptr);
    EXPECT_EQ(nim->mode, 1); // status 0x04 without 0x08, kind below 5
    EXPECT_EQ(nim->lookA[0], 3);
    EXPECT_EQ(nim->lookA[11], 0xff);
    EXPECT_EQ(nim->lookB[10], 4);
    EXPECT_EQ(nim->labels[1], u"Nim");
    EXPECT_EQ(nim->labels[3], u"West");
    EXPECT_EQ(nim->level, 12);
    EXPECT_EQ(nim->param, 571);
    EXPECT_LT(nim->frame, nim->frameCount * 256);
    const si::Figure* lone = FigureOf(shots[0], "Lone");
    ASSERT_NE(lone, nullptr);
    EXPECT_EQ(lone->labels[1], u"");
    EXPECT_EQ(lone->level, 0);
    EXPECT_EQ(lone->mode, 5);
    EXPECT_EQ(lone->lookA[1], 1); // default look
    EXPECT_EQ(lone->lookB[0], 0xff);
}

TEST_F(ChannelUsers, TitleTierThresholds) {
    struct Case {
        uint16_t status;
        int tier;
    } const cases[] = {
        {Progress(15, 0x20), 3}, {Progress(14, 0x20), 2}, {Progress(10, 0x20), 2}, {Progress(9, 0x20), 1},
        {Progress(5, 0x20), 1},  {Progress(4, 0x20), 0},  {Progress(12), 3},       {Progress(11), 2},
        {Progress(10), 2},       {Progress(8), 2},        {Progress(7), 1},        {Progress(4), 1},
        {Progress(3), 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        Push(1, 0, Name((int)i), Description("QvXP", "C", 1, cases[i].status));
    Snap();
    Visit();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const si::Figure* f = FigureOf(shots[0], "A" + std::to_string(i));
        EXPECT_EQ((int)(f->flags >> 6 & 3), cases[i].tier) << "case " << i;
        EXPECT_EQ((f->flags & 0x1000) != 0, (cases[i].status & 0x20) != 0) << "case " << i;
    }
}

TEST_F(ChannelUsers, UpdateForAnotherCharacterOfTheAccountIsInPlace) {
    Push(1, 0, "N*A", Description("QvXP", "N", 1, Progress(4)));
    Push(5, 0, "N*A", "one");
    Push(1, 0, "M*A", Description("QvXP", "M", 1, Progress(4)));
    Push(5, 0, "M*A", "two"); // the memory still holds N's full name: no title
    Push(3, 0, "M*A", "");
    Push(1, 0, "M*A", Description("QvXP", "M", 1, Progress(4)));
    Push(5, 0, "M*A", "three");
    Snap();
    Visit();
    const Shot& s = shots[0];
    EXPECT_EQ(s.title, " (1)");
    ASSERT_EQ(s.pane.size(), 3u);
    EXPECT_EQ(s.pane[0], kMarker + "4<Slayer N> " + kMarker + "0one");
    EXPECT_EQ(s.pane[1], kMarker + "4<M> " + kMarker + "0two");
    EXPECT_EQ(s.pane[2], kMarker + "4<M> " + kMarker + "0three");
}

TEST_F(ChannelUsers, UpdateEventChangesOnlyAKnownUser) {
    Push(1, 0, "Nim*Acct", Description("QvXP", "Nim", 1, 0));
    Push(9, 0x20, "Nim*Acct", Description("QvXP", "Nim", 4, 0));
    Push(9, 0x20, "Other*Acct", Description("QvXP", "Other", 4, 0)); // not the exact name
    Snap();
    Visit();
    const si::Figure* f = FigureOf(shots[0], "Acct");
    EXPECT_EQ(f->kind, 4);
    EXPECT_TRUE(f->flags & 0x200); // squelched
    EXPECT_EQ(f->labels[1], u"Nim");
    EXPECT_EQ(shots[0].title, " (1)");
}

TEST_F(ChannelUsers, NameMemoryForgetsTheOldestAfter1024Accounts) {
    Push(1, 0, "Nim*First", Description("QvXP", "Nim", 1, Progress(8)));
    Push(5, 0, "Nim*First", "a");
    for (int i = 0; i < 1023; ++i)
        Push(1, 0, Name(i), "TAHC");
    Push(5, 0, "Nim*First", "b"); // 1024 accounts: still remembered
    Push(1, 0, "Last*Account", "TAHC");
    Push(5, 0, "Nim*First", "c");
    Snap();
    Visit();
    const Shot& s = shots[0];
    EXPECT_EQ(s.title, " (1025)");
    ASSERT_EQ(s.pane.size(), 3u);
    EXPECT_EQ(s.pane[0], kMarker + "4<Champion Nim> " + kMarker + "0a");
    EXPECT_EQ(s.pane[1], kMarker + "4<Champion Nim> " + kMarker + "0b");
    EXPECT_EQ(s.pane[2], kMarker + "4<Nim> " + kMarker + "0c");
}

TEST_F(ChannelUsers, StripOrdersByFlagsKeepingArrivalOrder) {
    const uint32_t flags[] = {0, 0x04, 0x01, 0x08, 0x02, 0, 0x02, 0x01};
    for (int i = 0; i < 8; ++i)
        Push(1, flags[i], Name(i), "TAHC");
    Snap();
    Visit();
    const int expectedOrder[] = {4, 6, 3, 2, 7, 1, 0, 5};
    for (int place = 0; place < 8; ++place) {
        const si::Figure* f = FigureOf(shots[0], "A" + std::to_string(expectedOrder[place]));
        EXPECT_EQ(f->x, 70 + 60 * place) << "place " << place;
        EXPECT_EQ(f->flags & 0x10f, place & 1 ? 0x10fu : 0x00fu) << "place " << place;
    }
}

TEST_F(ChannelUsers, TwelfthFigureStaysHiddenInPlace) {
    record.characterRealmByte = 0;
    for (int i = 0; i < 12; ++i)
        Push(1, 0, Name(i), Description("QvXP", "C", 1, 0x04));
    Snap();
    Visit();
    const si::Figure* twelfth = FigureOf(shots[0], "A11");
    EXPECT_EQ(twelfth->x, -1); // never placed
    EXPECT_EQ(twelfth->flags & 0xf, 0u);
    EXPECT_TRUE(twelfth->flags & 0x2000); // status 0x04 differs from the player's character
    EXPECT_EQ(FigureOf(shots[0], "A10")->x, 70 + 600);
}

TEST_F(ChannelUsers, ScrollingThirtyUsers) {
    for (int i = 0; i < 11; ++i)
        Push(1, 0, Name(i), "TAHC");
    si::ClickAt(kButton, 751, 583); // +10: nothing to scroll yet
    Snap();
    for (int i = 11; i < 30; ++i)
        Push(1, 0, Name(i), "TAHC");
    Snap();                         // 0
    si::ClickAt(kButton, 751, 583); // +10 -> 10
    Snap();
    si::ClickAt(kButton, 751, 583); // +10 -> 19
    si::ClickAt(kButton, 751, 528); // +1 stays 19
    Snap();
    si::ClickAt(kButton, 725, 583); // -10 -> 9
    si::ClickAt(kButton, 725, 528); // -1 -> 8
    si::ClickAt(kButton, 725, 528); // -1 -> 7
    si::ClickAt(kButton, 725, 583); // -10 -> 0
    Snap();
    Visit();
    ASSERT_EQ(shots.size(), 5u);
    auto firstVisible = [](const Shot& s) {
        for (size_t i = 0; i < s.figures.size(); ++i)
            if (s.figures[i].flags & 0xf) return (int)i; // creation order is list order here
        return -1;
    };
    EXPECT_EQ(firstVisible(shots[0]), 0);
    EXPECT_EQ(std::vector<bool>(shots[0].arrows, shots[0].arrows + 4), std::vector<bool>(4, false));
    EXPECT_EQ(firstVisible(shots[1]), 0);
    EXPECT_EQ(std::vector<bool>(shots[1].arrows, shots[1].arrows + 4),
              (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(firstVisible(shots[2]), 10);
    EXPECT_EQ(std::vector<bool>(shots[2].arrows, shots[2].arrows + 4), std::vector<bool>(4, true));
    EXPECT_EQ(firstVisible(shots[3]), 19);
    EXPECT_EQ(shots[3].figures[19].x, 70);
    EXPECT_EQ(std::vector<bool>(shots[3].arrows, shots[3].arrows + 4),
              (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(firstVisible(shots[4]), 0);
    EXPECT_EQ(std::vector<bool>(shots[4].arrows, shots[4].arrows + 4),
              (std::vector<bool>{false, true, false, true}));
}

TEST_F(ChannelUsers, SelectingDeselectingAndClicksBeyondTheList) {
    Push(1, 0, "Nim*Acct", "TAHC");
    Push(1, 0x20, "Bo*Acct2", "TAHC");
    Snap();                            // 0: nothing selected
    si::ClickAt(kClickArea, 40, 591);  // select Nim
    Snap();                            // 1
    si::ClickAt(kClickArea, 100, 591); // select the squelched Bo
    Snap();                            // 2
    si::ClickAt(kClickArea, 160, 591); // beyond the last user
    si::RightClickAt(kClickArea, 40, 591);
    Snap();                            // 3: still Bo
    si::ClickAt(kClickArea, 100, 591); // the selected cell deselects
    Snap();                            // 4
    Visit();
    ASSERT_EQ(shots.size(), 5u);
    auto selected = [](const Shot& s, const char* account) {
        return (FigureOf(s, account)->flags & 0x400) != 0;
    };
    EXPECT_FALSE(shots[0].squelch || shots[0].unsquelch);
    EXPECT_TRUE(selected(shots[1], "Acct"));
    EXPECT_TRUE(shots[1].squelch);
    EXPECT_FALSE(shots[1].unsquelch);
    EXPECT_FALSE(selected(shots[2], "Acct"));
    EXPECT_TRUE(selected(shots[2], "Acct2"));
    EXPECT_FALSE(shots[2].squelch);
    EXPECT_TRUE(shots[2].unsquelch);
    EXPECT_TRUE(selected(shots[3], "Acct2"));
    EXPECT_FALSE(selected(shots[3], "Acct"));
    EXPECT_FALSE(selected(shots[4], "Acct2"));
    EXPECT_FALSE(shots[4].squelch || shots[4].unsquelch);
}

TEST_F(ChannelUsers, SelectionFollowsItsUserWhenTheListMoves) {
    Push(1, 0, "Nim*Acct", "TAHC");
    Push(1, 0, "Bo*Acct2", "TAHC");
    si::ClickAt(kClickArea, 100, 591); // Bo, at place 1
    Push(1, 0x02, "Op*Ops", "TAHC");   // stands first: Bo moves to place 2
    si::Frames(1);
    si::ClickAt(kClickArea, 100, 591); // place 1 is Nim now: selects Nim
    Snap();
    Push(3, 0, "Nim*Acct", ""); // the selected user leaves
    Snap();
    Visit();
    EXPECT_TRUE(FigureOf(shots[0], "Acct")->flags & 0x400);
    EXPECT_FALSE(FigureOf(shots[0], "Acct2")->flags & 0x400);
    EXPECT_FALSE(shots[1].squelch);
    EXPECT_EQ(shots[1].title, " (2)");
}

TEST_F(ChannelUsers, FigureFailureFallsBackToTheNeutralFigure) {
    si::FailNextFigures(1);
    Push(1, 0, "Nim*Acct", Description("QvXP", "Nim", 2, 0x04));
    Snap();
    Visit();
    ASSERT_EQ(shots[0].figures.size(), 1u);
    EXPECT_EQ(shots[0].figures[0].kind, 7);
    EXPECT_EQ(shots[0].figures[0].mode, 5);
    EXPECT_EQ(shots[0].figures[0].lookA[1], 1);
}

TEST_F(ChannelUsers, SecondFigureFailureIsFatal) {
    EXPECT_EXIT(
        {
            si::FailNextFigures(2);
            Push(1, 0, "Nim*Acct", "TAHC");
            Visit();
        },
        ::testing::ExitedWithCode(255), "");
}

} // namespace
