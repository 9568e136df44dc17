// Dated messages in the character layout, the chat-text queue that carries
// them from the chat service's thread to the chat pane, and the enter-chat
// button's switch to the chat layout.
#include <cstdlib>
#include <ctime>

#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

using Lines = Texts;

constexpr uint32_t kNewYear1971 = 365u * 86400u; // Friday, 1 January 1971, 00:00 UTC
const std::string kNewYear1971Date = UsLongDate("Friday", "January", 1, 1971);

// A visit in the character layout, in the given local time zone and the default locale.
struct CharacterVisit : Visit {
    explicit CharacterVisit(const char* tz = "UTC") : Visit("") {
        EXPECT_TRUE(InTimeZone(tz));
        EXPECT_TRUE(InDefaultLocale());
    }
};

// Pushes a dated message now and lets one frame drain it.
void PushAndDrain(uint32_t time, const std::string& text) {
    standin::Enqueue([=] { EXPECT_TRUE(standin::PushDatedMessage(time, text)); });
    standin::Frames(1);
}

} // namespace

constexpr uint32_t kNewYear2040 = 2208988800u;               // Sunday, 1 January 2040, 00:00 UTC
constexpr uint32_t kMarch2040 = kNewYear2040 + 60u * 86400u; // Thursday, 1 March 2040

// A message shows as its date, its text and a blank line; dates run past 2038
// to the last second of the unsigned time, and time 0 shows nothing.
TEST(DatedMessages, DateTextAndBlankLineInTheirColours) {
    CharacterVisit visit;
    PushAndDrain(0, "never shown");
    PushAndDrain(kNewYear1971, "Welcome back");
    PushAndDrain(kNewYear2040, "far ahead");
    PushAndDrain(0xffffffffu, "last second");
    standin::Check([] {
        EXPECT_EQ(PaneLines(),
                  (Lines{kNewYear1971Date, "Welcome back", "", UsLongDate("Sunday", "January", 1, 2040),
                         "far ahead", "", UsLongDate("Sunday", "February", 7, 2106), "last second", ""}));
        EXPECT_EQ(PaneColours(), (std::vector<int>{0, 4, 0, 0, 4, 0, 0, 4, 0}));
    });
    visit.Quit();
}

TEST(DatedMessages, DateFollowsTheLocalTimeZone) {
    CharacterVisit visit("EST5");
    PushAndDrain(kNewYear1971, "late");
    standin::Check([] { EXPECT_EQ(PaneLines(), (Lines{"Thursday, December 31, 1970", "late", ""})); });
    visit.Quit();
}

#if !defined(_WIN32)
// The user's locale names the days and months and orders the fields, and its
// character set is turned into UTF-8 (handed on as bytes, so the pane's lines
// are read back byte for byte). The locale is made for the test.
TEST(DatedMessages, LongDateFollowsTheUserLocale) {
    std::string dir = testing::TempDir() + "qvlocales";
    std::string make = "mkdir -p " + dir + " && localedef -i de_DE -f ISO-8859-1 " + dir +
                       "/de_DE.ISO-8859-1 >/dev/null 2>&1";
    if (system(make.c_str()) != 0) GTEST_SKIP() << "localedef or the de_DE locale source is missing";
    CharacterVisit visit;
    setenv("LOCPATH", dir.c_str(), 1);
    setenv("LC_ALL", "de_DE.ISO-8859-1", 1);
    PushAndDrain(kMarch2040, "latin");
    PushAndDrain(kNewYear2040, "again");
    std::vector<std::string> bytes;
    standin::Check([&] {
        for (const standin::TextLine& line : ChatPane()->lines)
            bytes.push_back(std::string(line.text.begin(), line.text.end()));
    });
    visit.Quit();
    unsetenv("LOCPATH");
    EXPECT_EQ(bytes,
              (Lines{"Donnerstag 1 M\xc3\xa4rz 2040", "latin", "", "Sonntag 1 Januar 2040", "again", ""}));
}
#endif // Windows: the German and Japanese dated messages of test_os_layer.cpp

// How line feeds split a message into pane lines (between its date and the
// blank line after it); a clear request empties the pane.
TEST(DatedMessages, LineFeedsSplitTheTextAndAClearRequestEmptiesThePane) {
    const struct {
        const char* text;
        Lines lines;
    } rows[] = {
        {"one\n\ntwo", {"one", "", "two"}}, {"one\ntwo\n", {"one", "two"}}, {"\n", {""}}, {"", {""}},
        {"a\n\n\nb", {"a", "", "", "b"}},
    };
    CharacterVisit visit;
    Lines expected;
    for (const auto& row : rows) {
        PushAndDrain(kNewYear1971, row.text);
        expected.push_back(kNewYear1971Date);
        expected.insert(expected.end(), row.lines.begin(), row.lines.end());
        expected.push_back("");
    }
    standin::Check([&] { EXPECT_EQ(PaneLines(), expected); });
    standin::Enqueue([] {
        EXPECT_TRUE(standin::PushClearMessages());
        EXPECT_TRUE(standin::PushDatedMessage(kNewYear1971, "new"));
    });
    standin::Frames(1);
    standin::Check([] { EXPECT_EQ(PaneLines(), (Lines{kNewYear1971Date, "new", ""})); });
    visit.Quit();
}

// The handlers are set only around the character layout's loop (the chat
// layout sets none: see the teardown tests of the lobby visit); messages still
// queued when it ends are freed with the lock.
TEST(DatedMessages, HandlersLiveOnlyAroundTheLoopAndQueuedMessagesAreFreed) {
    CharacterVisit visit;
    EXPECT_FALSE(standin::MessageHandlersRegistered());
    standin::Enqueue([] {
        EXPECT_TRUE(standin::MessageHandlersRegistered());
        for (int i = 0; i < 5; ++i)
            standin::PushDatedMessage(kNewYear1971 + i, "undrawn");
        standin::ClickControl(standin::FindByTextId(kQuitLabel));
    });
    EXPECT_EQ(visit.Run(), 4u);
    EXPECT_FALSE(standin::MessageHandlersRegistered());
    EXPECT_EQ(ChatArgs("ClearMessageHandlers").size(), 1u);
    EXPECT_EQ(standin::LiveBlocks(), 0);
}

// A producer thread pushes 100000 messages while the lobby loop drains them.
TEST(DatedMessages, ProducerThreadLosesNothingAndKeepsOrder) {
    static constexpr int kCount = 100000;
    CharacterVisit visit;
    standin::StartDatedProducer(kCount, kNewYear1971);
    standin::Frames(300);
    standin::Enqueue([] { EXPECT_EQ(standin::JoinDatedProducer(), kCount); });
    standin::Frames(1);
    standin::Check([] {
        Lines lines = PaneLines();
        ASSERT_EQ(lines.size(), 3u * kCount);
        for (int i = 0; i < kCount; ++i) {
            ASSERT_EQ(lines[3 * i], kNewYear1971Date) << i;
            ASSERT_EQ(lines[3 * i + 1], "message " + std::to_string(i));
            ASSERT_EQ(lines[3 * i + 2], "") << i;
        }
    });
    visit.Quit();
    EXPECT_EQ(standin::LiveBlocks(), 0);
}

// The switch wipes what was drawn and queued (character.scn) and brings the
// chat layout; a message pushed after it is refused.
TEST(EnterChat, MessageQueuedBeforeTheSwitchIsWipedAndChatControlsAppear) {
    CharacterVisit visit;
    PushAndDrain(kNewYear1971, "drawn before");
    standin::Enqueue([] {
        EXPECT_TRUE(standin::PushDatedMessage(kNewYear1971, "queued just before"));
        standin::ClickControl(standin::FindByTextId(kEnterChatLabel));
        EXPECT_FALSE(standin::MessageHandlersRegistered());
        EXPECT_FALSE(standin::PushDatedMessage(kNewYear1971, "too late"));
    });
    standin::Frames(1);
    standin::Check([] {
        EXPECT_TRUE(PaneLines().empty()) << "the chat layout starts with an empty pane";
        ExpectChatLayout();
    });
    EXPECT_EQ(visit.Quit(), 4u);
    EXPECT_EQ(ChatArgs("ClearMessageHandlers").size(), 2u)
        << "by the switch, and again at the end: no channel-joined event named a channel";
    EXPECT_EQ(standin::LiveControlCount(), 0);
    EXPECT_EQ(standin::LiveFigureCount(), 0);
    EXPECT_EQ(standin::LiveBlocks(), 0);
}

// The enter-chat button while disconnected: enter_chat_lost.scn.

// ---- checks added after the mutation run (tools/mutate.py) ------------------------
// More dated messages than the pane shows: after each drain the pane is back
// at its first line rather than following the newest.
TEST(DatedMessagesMutants, PaneShowsItsFirstLineAfterEachDrain) {
    CharacterVisit visit;
    for (int i = 0; i < 20; ++i)
        PushAndDrain(kNewYear1971, "message " + std::to_string(i));
    size_t lines = 0;
    int top = -1;
    standin::Check([&] {
        lines = ChatPane()->lines.size();
        top = ChatPane()->scrollTop;
    });
    visit.Quit();
    EXPECT_EQ(lines, 60u);
    EXPECT_EQ(top, 0);
}
