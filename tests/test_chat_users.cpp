// The channel users' name memory, which forgets the oldest of more than 1024
// accounts, and the fatal failure of the neutral figure. (Figure kinds,
// descriptions, updates, speaker titles, the squelch buttons and the first
// figure failure: channel_users.scn; the strip's order, places, scrolling,
// selection and state words under many changes: test_figure_layout.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;

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
