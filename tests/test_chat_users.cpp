// The channel user list and the user figure strip: what each user's
// description and flags make of the figure, the name memory behind speaker
// titles, selection and the squelch buttons, and the fatal figure failure.
// Each test runs a lobby visit in the chat layout. The strip's order, places,
// scrolling and selection tracking under many changes: test_figure_layout.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

bool Selected(const Screen& s, const char* account) {
    return (s.FigureOf(account)->flags & 0x400) != 0;
}

} // namespace

// The figure kind by user flags and description; class bytes outside 1..7
// are taken as they come. Described users keep their realm label and tag,
// even where the class has no figure and the neutral one stands in.
TEST(ChannelUsers, FigureKindFromFlagsAndTags) {
    struct Case {
        uint32_t flags;
        std::string text;
        int kind;
        bool described = false;
    } const cases[] = {
        {0, Description("QvXP", "Nim", 2, 0), 2, true},
        {0, Description("QvDV", "Nim", 2, 0x0c), 8},
        {0, Description("QvST", "Nim", 0, 0x0c), 9},
        {0, Description("QvXP", "Nim", 6, 0x0c), 9, true},
        {0, Description("QvXP", "Nim", 9, 0x0c), 9, true},  // no class has 9: the second special figure
        {0, Description("QvXP", "Nim", 7, 0x0c), 8, true},  // any other value the first
        {0, Description("QvXP", "Nim", -1, 0x0c), 8, true}, // class byte 0
        {0, Description("QvXP", "Nim", 30, 0), 7, true},    // kind 30 cannot be drawn
        {0x02, Description("QvXP", "Nim", 2, 0), 19, true},
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
        SCOPED_TRACE(testing::Message() << "case " << i);
        const standin::Figure* f = s.FigureOf("A" + std::to_string(i));
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->kind, cases[i].kind);
        if (!cases[i].described) continue;
        EXPECT_EQ(f->labels[3], u"West");
        EXPECT_EQ(f->tag, 0x51765850u) << "QvXP";
    }
}

// An unrecognised tag, or a zero first appearance byte (which makes the
// description unrecognised), gives the tag UNKN and the neutral figure, and
// the notices name the user in full; the realm and character names read
// before the zero byte stay, and a kind fixed by flag 0x02 keeps the tag.
TEST(ChannelUsers, UnrecognisedDescriptionsGiveTheUnknownTag) {
    Visit visit;
    Say("/qvnotify");
    Push(2, 0x02, "Nim*Acct", Description("QvXP", "Nim", 2, 0, "West", 0));
    Push(2, 0, "Bo*Acct2", Description("QvXP", "Bo", 2, 0, "East", 0));
    Push(2, 0, "Cy*Acct3", "ZZZZ");
    Screen s = LookThenQuit(visit);
    const standin::Figure* flagged = s.FigureOf("Acct");
    const standin::Figure* plain = s.FigureOf("Acct2");
    const standin::Figure* unknown = s.FigureOf("Acct3");
    ASSERT_TRUE(flagged && plain && unknown);
    EXPECT_EQ(flagged->kind, 19);
    EXPECT_EQ(flagged->tag, 0x51765850u) << "QvXP";
    EXPECT_EQ(flagged->labels[3], u"West");
    EXPECT_EQ(flagged->lookA[1], 1) << "the default look";
    EXPECT_EQ(plain->kind, 7);
    EXPECT_EQ(plain->labels[3], u"East");
    EXPECT_EQ(plain->tag, 0x554e4b4eu) << "UNKN";
    EXPECT_EQ(unknown->tag, 0x554e4b4eu) << "UNKN";
    EXPECT_EQ(s.Texts(),
              (std::vector<std::string>{"Player entering/leaving notifications are enabled.",
                                        "Nim has joined the channel.", "Bo*Acct2 has joined the channel.",
                                        "Cy*Acct3 has joined the channel."}));
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

// The squelch buttons follow the selected user's squelch flag; a right click
// selects nobody. (Selecting, deselecting and clicks beyond the list under many
// changes: test_figure_layout.cpp; the buttons after deselecting: channel.scn.)
TEST(ChannelUsers, SquelchButtonsFollowTheSelectedUser) {
    Visit visit;
    Screen s[4];
    Push(1, 0, "Nim*Acct", "TAHC");
    Push(1, 0x20, "Bo*Acct2", "TAHC");
    Snap(&s[0]);                           // nothing selected
    standin::ClickAt(kClickArea, 40, 591); // Nim
    Snap(&s[1]);
    standin::ClickAt(kClickArea, 100, 591); // the squelched Bo
    Snap(&s[2]);
    standin::RightClickAt(kClickArea, 40, 591);
    Snap(&s[3]);
    visit.Quit();
    EXPECT_FALSE(s[0].squelch || s[0].unsquelch);
    EXPECT_TRUE(s[1].squelch);
    EXPECT_FALSE(s[1].unsquelch);
    EXPECT_FALSE(s[2].squelch);
    EXPECT_TRUE(s[2].unsquelch);
    EXPECT_TRUE(Selected(s[3], "Acct2"));
    EXPECT_FALSE(Selected(s[3], "Acct"));
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

// ---- checks added after the mutation run (tools/mutate.py) ------------------------
// The longest realm name a description can hold (31 characters) shows whole
// on the user's figure.
TEST(ChannelUsersMutants, LongestRealmNameShowsWhole) {
    Visit visit;
    Push(1, 0, UserName(0), Description("QvXP", "C0", 1, Progress(1), std::string(31, 'R')));
    Screen s = LookThenQuit(visit);
    const standin::Figure* f = s.FigureOf("A0");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->labels[3], std::u16string(31, u'R'));
}

// Each of the three described products shows the character's level (12 in the
// descriptions of the tests).
TEST(ChannelUsersMutants, EveryDescribedProductShowsTheLevel) {
    const char* const tags[] = {"QvDV", "QvXP", "QvST"};
    Visit visit;
    for (int i = 0; i < 3; ++i)
        Push(1, 0, UserName(i), Description(tags[i], "C", 1, 0));
    Screen s = LookThenQuit(visit);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(tags[i]);
        const standin::Figure* f = s.FigureOf("A" + std::to_string(i));
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->level, 12);
    }
}
