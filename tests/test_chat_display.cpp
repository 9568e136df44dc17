// Chat events without a behaviour, numbers 24 and up, and records of other
// kinds (one longer than the record buffer) are consumed and change nothing.
// (The pane's lines, colours and colour codes, the whisper, talk, notice and
// join forms: chat_display.scn; malformed chat records: chat_malformed.scn.)
#include <gtest/gtest.h>

#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;

TEST(ChatDisplay, EventsWithoutBehaviourChangeNothing) {
    Visit visit;
    Push(1, 0, "Nim*Acct", "CHAT");
    for (uint32_t number : {0u, 8u, 11u, 12u, 16u, 17u, 20u, 24u, 25u, 1000u, 0xffffffffu})
        Push(number, 0, "Bo*Other", "CHAT");
    standin::Check([] {
        standin::PushRawEvent(2, {0, 0, 0, 0, 'h', 'i', 0});
        standin::PushRawEvent(7, std::vector<uint8_t>(400, 0xff));
        standin::PushRawEvent(0, {}); // no bytes at all: an all-zero record
    });
    standin::Frames(3);
    standin::Check([] { EXPECT_EQ(standin::PendingChatEvents(), 0); });
    Screen s = LookThenQuit(visit);
    EXPECT_TRUE(s.pane.empty());
    EXPECT_EQ(s.title, " (1)");
    EXPECT_EQ(s.figures.size(), 1u);
}
