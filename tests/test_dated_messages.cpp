// Dated messages in the character layout, the chat-text queue that carries
// them from the chat service's thread to the chat pane, and the enter-chat
// button's switch to the chat layout.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "../Src/core/Lobby.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

using Lines = std::vector<std::string>;

// Monday, 11 January 1971, 00:00 UTC. Two-digit days read the same in the long
// dates of both OS layers.
constexpr uint32_t kMonday11Jan1971 = 375u * 86400u;

// A visit in the character layout, in the given local time zone.
struct CharacterVisit : Visit {
    explicit CharacterVisit(const char* tz = "UTC") {
        SetChannel("");
        EXPECT_TRUE(InTimeZone(tz));
    }
};

// Pushes a dated message now and lets one frame drain it.
void PushAndDrain(uint32_t time, const std::string& text) {
    standin::Enqueue([=] { EXPECT_TRUE(standin::PushDatedMessage(time, text)); });
    standin::Frames(1);
}

} // namespace

TEST(DatedMessages, DateTextAndBlankLineInTheirColours) {
    CharacterVisit visit;
    PushAndDrain(kMonday11Jan1971, "Welcome back");
    standin::Check([] {
        EXPECT_EQ(PaneLines(), (Lines{"Monday, January 11, 1971", "Welcome back", ""}));
        EXPECT_EQ(PaneColours(), (std::vector<int>{0, 4, 0}));
    });
    visit.Quit();
}

TEST(DatedMessages, DateFollowsTheLocalTimeZone) {
    CharacterVisit visit("EST5");
    PushAndDrain(kMonday11Jan1971, "late");
    standin::Check([] {
        ASSERT_FALSE(PaneLines().empty());
        EXPECT_EQ(PaneLines()[0], "Sunday, January 10, 1971");
    });
    visit.Quit();
}

TEST(DatedMessages, TimeZeroShowsNothing) {
    CharacterVisit visit;
    PushAndDrain(0, "never shown");
    standin::Check([] { EXPECT_TRUE(PaneLines().empty()); });
    PushAndDrain(kMonday11Jan1971, "shown");
    standin::Check([] { EXPECT_EQ(PaneLines().size(), 3u); });
    visit.Quit();
}

// How line feeds split a message into pane lines.
TEST(DatedMessages, LineFeedsSplitTheText) {
    struct Row {
        const char* text;
        Lines lines;
    } rows[] = {
        {"one\n\ntwo", {"one", "", "two"}}, {"one\ntwo\n", {"one", "two"}}, {"\n", {""}}, {"", {""}},
        {"a\n\n\nb", {"a", "", "", "b"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        standin::ResetAll();
        CharacterVisit visit;
        PushAndDrain(kMonday11Jan1971, row.text);
        standin::Check([&] {
            Lines lines = PaneLines();
            ASSERT_EQ(lines.size(), row.lines.size() + 2);
            EXPECT_EQ(Lines(lines.begin() + 1, lines.end() - 1), row.lines);
            EXPECT_EQ(lines.back(), "") << "the blank line after the message";
        });
        visit.Quit();
    }
}

TEST(DatedMessages, ClearRequestEmptiesThePane) {
    CharacterVisit visit;
    PushAndDrain(kMonday11Jan1971, "old");
    standin::Enqueue([] {
        EXPECT_TRUE(standin::PushClearMessages());
        EXPECT_TRUE(standin::PushDatedMessage(kMonday11Jan1971, "new"));
    });
    standin::Frames(1);
    standin::Check([] { EXPECT_EQ(PaneLines(), (Lines{"Monday, January 11, 1971", "new", ""})); });
    visit.Quit();
}

TEST(DatedMessages, HandlersLiveOnlyAroundTheLoopOfTheCharacterLayout) {
    {
        CharacterVisit visit;
        EXPECT_FALSE(standin::MessageHandlersRegistered());
        standin::Check([] { EXPECT_TRUE(standin::MessageHandlersRegistered()); });
        visit.Quit();
        EXPECT_FALSE(standin::MessageHandlersRegistered());
        EXPECT_EQ(standin::ChatCallsNamed("ClearMessageHandlers").size(), 1u);
    }
    standin::ResetAll();
    Visit chat; // channel "Lobby"
    standin::Check([] { EXPECT_FALSE(standin::MessageHandlersRegistered()); });
    chat.Quit();
    EXPECT_TRUE(standin::ChatCallsNamed("SetMessageHandlers").empty());
}

TEST(DatedMessages, MessagesLeftInTheQueueAreFreedWithTheLock) {
    CharacterVisit visit;
    standin::Enqueue([] {
        for (int i = 0; i < 5; ++i)
            standin::PushDatedMessage(kMonday11Jan1971 + i, "undrawn");
        standin::ClickControl(standin::FindByTextId(kQuitLabel));
    });
    EXPECT_EQ(visit.Run(), 4u);
    EXPECT_EQ(standin::LiveBlocks(), 0);
}

// A producer thread pushes 100000 messages while the lobby loop drains them.
TEST(DatedMessages, ProducerThreadLosesNothingAndKeepsOrder) {
    static constexpr int kCount = 100000;
    CharacterVisit visit;
    standin::StartDatedProducer(kCount, kMonday11Jan1971);
    standin::Frames(300);
    standin::Enqueue([] { EXPECT_EQ(standin::JoinDatedProducer(), kCount); });
    standin::Frames(1);
    standin::Check([] {
        Lines lines = PaneLines();
        ASSERT_EQ(lines.size(), 3u * kCount);
        for (int i = 0; i < kCount; ++i) {
            ASSERT_EQ(lines[3 * i], "Monday, January 11, 1971") << i;
            ASSERT_EQ(lines[3 * i + 1], "message " + std::to_string(i));
            ASSERT_EQ(lines[3 * i + 2], "") << i;
        }
    });
    visit.Quit();
    EXPECT_EQ(standin::LiveBlocks(), 0);
}

// ---- the switch to the chat layout ----------------------------------------------------

TEST(EnterChat, MessageQueuedBeforeTheSwitchIsWipedAndChatControlsAppear) {
    CharacterVisit visit;
    PushAndDrain(kMonday11Jan1971, "drawn before");
    standin::Enqueue([] {
        EXPECT_TRUE(standin::PushDatedMessage(kMonday11Jan1971, "queued just before"));
        standin::ClickControl(standin::FindByTextId(kEnterChatLabel));
        EXPECT_FALSE(standin::MessageHandlersRegistered());
        EXPECT_FALSE(standin::PushDatedMessage(kMonday11Jan1971, "too late"));
    });
    standin::Frames(1);
    standin::Check([] {
        EXPECT_TRUE(PaneLines().empty()) << "the chat layout starts with an empty pane";
        ExpectChatLayout();
        EXPECT_EQ(standin::LiveFigureCount(), 0);
        auto join = standin::ChatCallsNamed("JoinChannel");
        ASSERT_EQ(join.size(), 1u);
        EXPECT_EQ(join[0].args, (std::vector<std::string>{"", "0", "0"}));
    });
    EXPECT_EQ(visit.Quit(), 4u);
    EXPECT_EQ(standin::ChatCallsNamed("ClearMessageHandlers").size(), 1u) << "removed once, by the switch";
    EXPECT_EQ(standin::LiveControlCount(), 0);
    EXPECT_EQ(standin::LiveFigureCount(), 0);
    EXPECT_EQ(standin::LiveBlocks(), 0);
}

TEST(EnterChat, WhileDisconnectedShowsConnectionLostAndChangesNothing) {
    CharacterVisit visit;
    standin::Enqueue([] {
        standin::SetChatConnected(false);
        standin::ClickControl(standin::FindByTextId(kEnterChatLabel));
    });
    standin::Check([] {
        EXPECT_EQ(PopupText(), Text(kConnectionLost));
        EXPECT_NE(standin::FindByTextId(kEnterChatLabel), nullptr);
        EXPECT_NE(standin::FindAt(kTextList, 143, 588), nullptr);
        EXPECT_EQ(standin::LiveFigureCount(), 1);
        EXPECT_EQ(Input(), nullptr);
        EXPECT_TRUE(standin::MessageHandlersRegistered());
        EXPECT_TRUE(standin::ChatCallsNamed("JoinChannel").empty());
        EXPECT_FALSE(standin::FindByTextId(kChannelLabel)->enabled);
    });
    standin::Click(kOkLabel); // the popup's button ends the visit
    EXPECT_EQ(visit.Run(), 4u);
}
