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
