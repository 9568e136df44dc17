// The channel user list and the user figure strip: what each user's
// description and flags make of the figure, the name memory behind speaker
// titles, the priority order, scrolling, selection and the fatal figure
// failure. Each test runs a lobby visit in the chat layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

// The first figure shown (creation order is list order here), then the four
// arrows' enabled states: -10, +10, -1, +1.
std::vector<int> FirstShownAndArrows(const Screen& s) {
    int first = -1;
    for (size_t i = 0; i < s.figures.size() && first < 0; ++i)
        if (s.figures[i].flags & 0xf) first = (int)i;
    return {first, s.arrows[0], s.arrows[1], s.arrows[2], s.arrows[3]};
}

bool Selected(const Screen& s, const char* account) {
    return (s.FigureOf(account)->flags & 0x400) != 0;
}

} // namespace

TEST(ChannelUsers, FigureKindFromFlagsAndTags) {
    struct Case {
        uint32_t flags;
        std::string text;
        int kind;
    } const cases[] = {
        {0, Description("QvXP", "Nim", 2, 0), 2},
        {0, Description("QvDV", "Nim", 2, 0x0c), 8},
        {0, Description("QvST", "Nim", 0, 0x0c), 9},
        {0, Description("QvXP", "Nim", 6, 0x0c), 9},
        {0, Description("QvXP", "Nim", 2, 0, "West", 0), 7}, // zero first appearance byte
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
    Visit visit;
    for (size_t i = 0; i < std::size(cases); ++i)
        Push(1, cases[i].flags, UserName((int)i), cases[i].text);
    Screen s = LookThenQuit(visit);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const standin::Figure* f = s.FigureOf("A" + std::to_string(i));
        ASSERT_NE(f, nullptr) << i;
        EXPECT_EQ(f->kind, cases[i].kind) << "case " << i;
    }
}

TEST(ChannelUsers, UnrecognisedTagGivesUnknownAndTheFullName) {
    Visit visit;
    Push(1, 0, "Nim*Acct", "ZZZZ");
    standin::Frames(1);
    Say("/qvnotify");
    Push(2, 0, "Cy*Acct3", "ZZZZ");
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(s.FigureOf("Acct")->tag, (uint32_t)('U' << 24 | 'N' << 16 | 'K' << 8 | 'N'));
    EXPECT_EQ(s.Last(), "Cy*Acct3 has joined the channel."); // the character name is the full name
}

TEST(ChannelUsers, DescriptionFillsLookLabelsAndMode) {
    Visit visit;
    Push(1, 0, "Nim*Acct", Description("QvXP", "Nim", 3, 0x04));
    Push(1, 0, "*Lone", "TAHC");
    Screen s = LookThenQuit(visit);
    const standin::Figure* nim = s.FigureOf("Acct");
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
    const standin::Figure* lone = s.FigureOf("Lone");
    ASSERT_NE(lone, nullptr);
    EXPECT_EQ(lone->labels[1], u"");
    EXPECT_EQ(lone->level, 0);
    EXPECT_EQ(lone->mode, 5);
    EXPECT_EQ(lone->lookA[1], 1); // default look
    EXPECT_EQ(lone->lookB[0], 0xff);
}

TEST(ChannelUsers, TitleTierThresholds) {
    struct Case {
        uint16_t status;
        int tier;
    } const cases[] = {
        {Progress(15, 0x20), 3}, {Progress(14, 0x20), 2}, {Progress(10, 0x20), 2}, {Progress(9, 0x20), 1},
        {Progress(5, 0x20), 1},  {Progress(4, 0x20), 0},  {Progress(12), 3},       {Progress(11), 2},
        {Progress(10), 2},       {Progress(8), 2},        {Progress(7), 1},        {Progress(4), 1},
        {Progress(3), 0},
    };
    Visit visit;
    for (size_t i = 0; i < std::size(cases); ++i)
        Push(1, 0, UserName((int)i), Description("QvXP", "C", 1, cases[i].status));
    Screen s = LookThenQuit(visit);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const standin::Figure* f = s.FigureOf("A" + std::to_string(i));
        EXPECT_EQ((int)(f->flags >> 6 & 3), cases[i].tier) << "case " << i;
        EXPECT_EQ((f->flags & 0x1000) != 0, (cases[i].status & 0x20) != 0) << "case " << i;
    }
}

TEST(ChannelUsers, UpdateForAnotherCharacterOfTheAccountIsInPlace) {
    Visit visit;
    Push(1, 0, "N*A", Description("QvXP", "N", 1, Progress(4)));
    Push(5, 0, "N*A", "one");
    Push(1, 0, "M*A", Description("QvXP", "M", 1, Progress(4)));
    Push(5, 0, "M*A", "two"); // the memory still holds N's full name: no title
    Push(3, 0, "M*A", "");
    Push(1, 0, "M*A", Description("QvXP", "M", 1, Progress(4)));
    Push(5, 0, "M*A", "three");
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(s.title, " (1)");
    EXPECT_EQ(s.Texts(), (std::vector<std::string>{kMarker + "4<Slayer N> " + kMarker + "0one",
                                                   kMarker + "4<M> " + kMarker + "0two",
                                                   kMarker + "4<M> " + kMarker + "0three"}));
}

TEST(ChannelUsers, UpdateEventChangesOnlyAKnownUser) {
    Visit visit;
    Push(1, 0, "Nim*Acct", Description("QvXP", "Nim", 1, 0));
    Push(9, 0x20, "Nim*Acct", Description("QvXP", "Nim", 4, 0));
    Push(9, 0x20, "Other*Acct", Description("QvXP", "Other", 4, 0)); // not the exact name
    Screen s = LookThenQuit(visit);
    const standin::Figure* f = s.FigureOf("Acct");
    EXPECT_EQ(f->kind, 4);
    EXPECT_TRUE(f->flags & 0x200); // squelched
    EXPECT_EQ(f->labels[1], u"Nim");
    EXPECT_EQ(s.title, " (1)");
}

TEST(ChannelUsers, NameMemoryForgetsTheOldestAfter1024Accounts) {
    Visit visit;
    Push(1, 0, "Nim*First", Description("QvXP", "Nim", 1, Progress(8)));
    Push(5, 0, "Nim*First", "a");
    for (int i = 0; i < 1023; ++i)
        Push(1, 0, UserName(i), "TAHC");
    Push(5, 0, "Nim*First", "b"); // 1024 accounts: still remembered
    Push(1, 0, "Last*Account", "TAHC");
    Push(5, 0, "Nim*First", "c");
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(s.title, " (1025)");
    EXPECT_EQ(s.Texts(), (std::vector<std::string>{kMarker + "4<Champion Nim> " + kMarker + "0a",
                                                   kMarker + "4<Champion Nim> " + kMarker + "0b",
                                                   kMarker + "4<Nim> " + kMarker + "0c"}));
}

TEST(ChannelUsers, StripOrdersByFlagsKeepingArrivalOrder) {
    const uint32_t flags[] = {0, 0x04, 0x01, 0x08, 0x02, 0, 0x02, 0x01};
    Visit visit;
    for (int i = 0; i < 8; ++i)
        Push(1, flags[i], UserName(i), "TAHC");
    Screen s = LookThenQuit(visit);
    const int expectedOrder[] = {4, 6, 3, 2, 7, 1, 0, 5};
    for (int place = 0; place < 8; ++place) {
        const standin::Figure* f = s.FigureOf("A" + std::to_string(expectedOrder[place]));
        EXPECT_EQ(f->x, 70 + 60 * place) << "place " << place;
        EXPECT_EQ(f->flags & 0x10f, place & 1 ? 0x10fu : 0x00fu) << "place " << place;
    }
}

TEST(ChannelUsers, TwelfthFigureStaysHiddenInPlace) {
    Visit visit;
    visit.record.characterRealmByte = 0;
    for (int i = 0; i < 12; ++i)
        Push(1, 0, UserName(i), Description("QvXP", "C", 1, 0x04));
    Screen s = LookThenQuit(visit);
    const standin::Figure* twelfth = s.FigureOf("A11");
    EXPECT_EQ(twelfth->x, -1); // never placed
    EXPECT_EQ(twelfth->flags & 0xf, 0u);
    EXPECT_TRUE(twelfth->flags & 0x2000); // status 0x04 differs from the player's character
    EXPECT_EQ(s.FigureOf("A10")->x, 70 + 600);
}

TEST(ChannelUsers, ScrollingThirtyUsers) {
    Visit visit;
    Screen s[5];
    for (int i = 0; i < 11; ++i)
        Push(1, 0, UserName(i), "TAHC");
    standin::ClickAt(kButton, 751, 583); // +10: nothing to scroll yet
    Snap(&s[0]);
    for (int i = 11; i < 30; ++i)
        Push(1, 0, UserName(i), "TAHC");
    Snap(&s[1]);                         // 0
    standin::ClickAt(kButton, 751, 583); // +10 -> 10
    Snap(&s[2]);
    standin::ClickAt(kButton, 751, 583); // +10 -> 19
    standin::ClickAt(kButton, 751, 528); // +1 stays 19
    Snap(&s[3]);
    standin::ClickAt(kButton, 725, 583); // -10 -> 9
    standin::ClickAt(kButton, 725, 528); // -1 -> 8
    standin::ClickAt(kButton, 725, 528); // -1 -> 7
    standin::ClickAt(kButton, 725, 583); // -10 -> 0
    Snap(&s[4]);
    visit.Quit();
    EXPECT_EQ(FirstShownAndArrows(s[0]), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(FirstShownAndArrows(s[1]), (std::vector<int>{0, 0, 1, 0, 1}));
    EXPECT_EQ(FirstShownAndArrows(s[2]), (std::vector<int>{10, 1, 1, 1, 1}));
    EXPECT_EQ(FirstShownAndArrows(s[3]), (std::vector<int>{19, 1, 0, 1, 0}));
    EXPECT_EQ(s[3].figures[19].x, 70);
    EXPECT_EQ(FirstShownAndArrows(s[4]), (std::vector<int>{0, 0, 1, 0, 1}));
}

TEST(ChannelUsers, SelectingDeselectingAndClicksBeyondTheList) {
    Visit visit;
    Screen s[5];
    Push(1, 0, "Nim*Acct", "TAHC");
    Push(1, 0x20, "Bo*Acct2", "TAHC");
    Snap(&s[0]);                           // nothing selected
    standin::ClickAt(kClickArea, 40, 591); // select Nim
    Snap(&s[1]);
    standin::ClickAt(kClickArea, 100, 591); // select the squelched Bo
    Snap(&s[2]);
    standin::ClickAt(kClickArea, 160, 591); // beyond the last user
    standin::RightClickAt(kClickArea, 40, 591);
    Snap(&s[3]);                            // still Bo
    standin::ClickAt(kClickArea, 100, 591); // the selected cell deselects
    Snap(&s[4]);
    visit.Quit();
    EXPECT_FALSE(s[0].squelch || s[0].unsquelch);
    EXPECT_TRUE(Selected(s[1], "Acct"));
    EXPECT_TRUE(s[1].squelch);
    EXPECT_FALSE(s[1].unsquelch);
    EXPECT_FALSE(Selected(s[2], "Acct"));
    EXPECT_TRUE(Selected(s[2], "Acct2"));
    EXPECT_FALSE(s[2].squelch);
    EXPECT_TRUE(s[2].unsquelch) << "a squelched user enables Unsquelch";
    EXPECT_TRUE(Selected(s[3], "Acct2"));
    EXPECT_FALSE(Selected(s[3], "Acct"));
    EXPECT_FALSE(Selected(s[4], "Acct2"));
    EXPECT_TRUE(s[4].unsquelch) << "deselecting leaves the buttons in a chat-layout visit";
}

TEST(ChannelUsers, SelectionFollowsItsUserWhenTheListMoves) {
    Visit visit;
    Screen s[2];
    Push(1, 0, "Nim*Acct", "TAHC");
    Push(1, 0, "Bo*Acct2", "TAHC");
    standin::ClickAt(kClickArea, 100, 591); // Bo, at place 1
    Push(1, 0x02, "Op*Ops", "TAHC");        // stands first: Bo moves to place 2
    standin::Frames(1);
    standin::ClickAt(kClickArea, 100, 591); // place 1 is Nim now: selects Nim
    Snap(&s[0]);
    Push(3, 0, "Nim*Acct", ""); // the selected user leaves
    Snap(&s[1]);
    visit.Quit();
    EXPECT_TRUE(Selected(s[0], "Acct"));
    EXPECT_FALSE(Selected(s[0], "Acct2"));
    EXPECT_FALSE(Selected(s[1], "Acct2"));
    EXPECT_EQ(s[1].figures.size(), 2u);
    EXPECT_EQ(s[1].title, " (2)");
}

TEST(ChannelUsers, FigureFailureFallsBackToTheNeutralFigure) {
    Visit visit;
    standin::FailNextFigures(1);
    Push(1, 0, "Nim*Acct", Description("QvXP", "Nim", 2, 0x04));
    Screen s = LookThenQuit(visit);
    ASSERT_EQ(s.figures.size(), 1u);
    EXPECT_EQ(s.figures[0].kind, 7);
    EXPECT_EQ(s.figures[0].mode, 5);
    EXPECT_EQ(s.figures[0].lookA[1], 1);
}

TEST(ChannelUsersDeathTest, SecondFigureFailureIsFatal) {
    EXPECT_EXIT(
        {
            Visit visit;
            standin::FailNextFigures(2);
            Push(1, 0, "Nim*Acct", "TAHC");
            visit.Quit();
        },
        testing::ExitedWithCode(kFatalExitCode), "fatal error");
}

// Class bytes outside 1..7 are taken as they come: value 9 and the other
// special classes with status 0x04 and 0x08, and a class value no figure
// exists for, which falls back to the neutral figure but keeps the realm.
TEST(ChannelUsers, ClassValuesBeyondTheSevenClasses) {
    struct Case {
        int classValue;
        uint16_t status;
        int kind;
    } const cases[] = {
        {9, 0x0c, 9},  // no class has 9, yet it gets the second special figure
        {7, 0x0c, 8},  // any other value the first
        {-1, 0x0c, 8}, // class byte 0
        {30, 0, 7},    // kind 30 cannot be drawn: the neutral figure
    };
    Visit visit;
    for (size_t i = 0; i < std::size(cases); ++i)
        Push(1, 0, UserName((int)i), Description("QvXP", "Nim", cases[i].classValue, cases[i].status));
    Screen s = LookThenQuit(visit);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const standin::Figure* f = s.FigureOf("A" + std::to_string(i));
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->kind, cases[i].kind);
        EXPECT_EQ(f->labels[3], u"West") << "the realm label stays";
        EXPECT_EQ(f->tag, 0x51765850u) << "QvXP";
    }
}

// A zero first appearance byte makes the description an unrecognised tag: the
// realm and character names read before it stay.
TEST(ChannelUsers, ZeroFirstAppearanceByteKeepsRealmAndCharacter) {
    Visit visit;
    Say("/qvnotify");
    Push(2, 0x02, "Nim*Acct", Description("QvXP", "Nim", 2, 0, "West", 0));
    Push(2, 0, "Bo*Acct2", Description("QvXP", "Bo", 2, 0, "East", 0));
    Screen s = LookThenQuit(visit);
    const standin::Figure* flagged = s.FigureOf("Acct");
    const standin::Figure* plain = s.FigureOf("Acct2");
    ASSERT_TRUE(flagged && plain);
    EXPECT_EQ(flagged->kind, 19);
    EXPECT_EQ(flagged->tag, 0x51765850u) << "a kind fixed by flag 0x02 keeps the tag";
    EXPECT_EQ(flagged->labels[3], u"West");
    EXPECT_EQ(flagged->lookA[1], 1) << "the default look";
    EXPECT_EQ(plain->kind, 7);
    EXPECT_EQ(plain->tag, 0x554e4b4eu) << "UNKN";
    EXPECT_EQ(plain->labels[3], u"East");
    auto texts = s.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Nim has joined the channel."), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Bo*Acct2 has joined the channel."), texts.end());
}

// The leave notice is written while the user still stands in the channel,
// before the title drops its count.
TEST(ChannelUsers, LeaveNoticeComesBeforeTheRemoval) {
    Visit visit;
    Say("/qvnotify");
    Push(1, 0, "Nim*Acct", Description("QvXP", "Nim", 2, 0));
    Push(3, 0, "Nim*Acct", "");
    Screen s = LookThenQuit(visit);
    ASSERT_FALSE(s.pane.empty());
    EXPECT_EQ(s.Last(), "Nim has left the channel.");
    EXPECT_TRUE(s.figures.empty());
    int notice = s.pane.back().order;
    EXPECT_LT(notice, s.titleSerial) << "the title with the new count is written after the notice";
}

// A talk line's name is looked up ignoring case, in the name memory and in the
// channel; of two users whose names differ only in case the one standing first
// in the strip gives the title, whatever their arrival order.
TEST(ChannelUsers, SpeakerFoundIgnoringCaseIsTheFirstInTheStrip) {
    Visit visit;
    Push(1, 0, "Nim*acct", Description("QvXP", "Nim", 1, Progress(4)));     // Slayer
    Push(1, 0, "NIM*ACCT", Description("QvXP", "NIM", 1, Progress(12)));    // Patriarch
    Push(5, 0, "nim*Acct", "first");                                        // arrival order: Nim*acct
    Push(9, 0x02, "NIM*ACCT", Description("QvXP", "NIM", 1, Progress(12))); // now stands first
    Push(5, 0, "nim*Acct", "second");
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(s.Texts(), (std::vector<std::string>{kMarker + "4<Slayer nim> " + kMarker + "0first",
                                                   kMarker + "4<Patriarch nim> " + kMarker + "0second"}));
}
