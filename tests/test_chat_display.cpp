// The chat service's events as the channel shows them: the chat pane's lines,
// colours and colour codes, the whisper and talk forms, the channel join and
// the events that show nothing, and malformed records. Each test runs a lobby
// visit in the chat layout and looks at the screen mid-visit.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;
using Texts = std::vector<std::string>;

namespace {

// "<marker>P<Name> <marker>Mtext": a talk line with prefix and message colours.
std::string TalkLine(int prefix, const std::string& name, int message, const std::string& text) {
    return kMarker + std::to_string(prefix) + "<" + name + "> " + kMarker + std::to_string(message) + text;
}

} // namespace

// Whispers show the character with the account; sent whispers and emotes
// name the character. (The account alone, a title from the name memory and
// the colours: channel.scn.)
TEST(ChatDisplay, WhisperAndEmoteForms) {
    Visit visit;
    Push(4, 0, "Bo*Acct2", "psst");
    Push(10, 0, "Ed*Acct4", "see you");
    Push(10, 0, "", "nobody");
    Push(23, 0, "Ed*Acct4", "waves");
    Push(23, 0, "*Lone", "bows");
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(s.Texts(), (Texts{"Bo (*Acct2) whispers: psst", "You whisper to Ed: see you",
                                "You whisper to : nobody", "*Ed waves*", "**Lone bows*"}));
}

TEST(ChatDisplay, TalkColoursFollowTheSpeakersFlags) {
    struct Case {
        uint32_t flags;
        bool inList;
        int prefixColour, messageColour;
    } const cases[] = {
        {0x02, true, 0, 0}, {0x08, true, 3, 3}, {0x01, true, 3, 3},
        {0x20, true, 4, 0}, {0x00, true, 4, 0}, {0x02, false, 4, 0},
    };
    Visit visit;
    for (size_t i = 0; i < std::size(cases); ++i) {
        if (cases[i].inList) Push(1, cases[i].flags, UserName((int)i), "CHAT");
        Push(5, cases[i].flags, UserName((int)i), "hello");
    }
    Screen s = LookThenQuit(visit);
    ASSERT_EQ(s.pane.size(), std::size(cases));
    for (size_t i = 0; i < s.pane.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(s.Texts()[i], TalkLine(c.prefixColour, "C" + std::to_string(i), c.messageColour, "hello"))
            << "case " << i;
        EXPECT_EQ(s.pane[i].colour, c.messageColour) << "case " << i;
    }
}

TEST(ChatDisplay, TalkPrefixUsesTheWholeNameWithoutDisplayAndKeepsEmptyMessages) {
    Visit visit;
    Push(5, 0, "", "x");
    Push(5, 0, "*Lone", "");
    Push(5, 0, "mod@host*Acct", "y");
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(s.Texts(),
              (Texts{TalkLine(4, "", 0, "x"), TalkLine(4, "*Lone", 0, ""), TalkLine(4, "mod@host", 0, "y")}));
}

// (Talk, code-page text whose marker is byte 0xff: channel.scn.)
TEST(ChatDisplay, ServiceColourCodesAreStrippedAndAFinalMarkerStays) {
    Visit visit;
    Push(6, 0, "", "red " + kMarker + "1alert");
    Push(6, 0, "", "a\xC3\xBF" + kMarker + "5c2b"); // a removal forms a new marker
    Push(6, 0, "", "ends with " + kMarker);
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(s.Texts(), (Texts{"red alert", "ab", "ends with " + kMarker}));
}

TEST(ChatDisplay, TextEventsUseTheirColours) {
    struct Case {
        uint32_t number;
        std::string text;
        int colour;
    } const cases[] = {
        {6, "notice six", 3},
        {18, "notice eighteen", 3},
        {19, "alert", 1},
        {21, "notice twenty-one", 3},
        {22, "notice twenty-two", 3},
        {13,
         "The channel \"Full\" is full. If you are having problems using Lanthorn commands, please click the "
         "Help button.",
         1},
        {15,
         "The channel \"Secret\" is restricted. If you are having problems using Lanthorn commands, please "
         "click the Help button.",
         1},
    };
    Visit visit;
    for (const Case& c : cases)
        Push(c.number, 0, "Nim*Acct", c.number == 13 ? "Full" : c.number == 15 ? "Secret" : c.text);
    Screen s = LookThenQuit(visit);
    ASSERT_EQ(s.pane.size(), std::size(cases));
    for (size_t i = 0; i < s.pane.size(); ++i) {
        EXPECT_EQ(s.Texts()[i], cases[i].text);
        EXPECT_EQ(s.pane[i].colour, cases[i].colour);
    }
}

// Events without a behaviour, numbers 24 and up, and records of kinds other
// than chat events are consumed and change nothing.
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

// A leave notice is written while the user still stands in the channel (so it
// names the character described), before the title drops its count.
TEST(ChatDisplay, JoinAndLeaveNoticesOnlyWhenSwitchedOn) {
    Visit visit;
    Push(2, 0, "Nim*Acct", Description("QvXP", "Nim", 2, 0));
    Push(3, 0, "Nim*Acct", "");
    standin::Frames(1);
    Say("/qvnotify");
    Push(2, 0, "Bo*Acct2", Description("QvXP", "Bo", 2, 0));
    Push(2, 0, "*Lone", "CHAT");
    Push(3, 0, "X*Stranger", "");  // not in the channel
    Push(3, 0, "Other*Acct2", ""); // same account, other character
    Screen s = LookThenQuit(visit);
    Texts texts = s.Texts();
    ASSERT_EQ(texts.size(), 4u); // the qvnotify confirmation and three notices
    EXPECT_EQ(
        Texts(texts.begin() + 1, texts.end()),
        (Texts{"Bo has joined the channel.", "*Lone has joined the channel.", "Bo has left the channel."}));
    EXPECT_EQ(s.pane[3].colour, 5);
    EXPECT_LT(s.pane[3].order, s.titleSerial) << "the title with the new count is written after the notice";
    EXPECT_EQ(s.title, " (1)");
}

// The service's request to join a channel is passed on without a line. Each
// join empties the user list; an empty home channel takes the first channel
// joined and keeps it. A long name is cut to the record's field. (The request's
// arguments, the join line's colour, the emptied title and the record naming
// the new channel: channel.scn.)
TEST(ChatDisplay, ChannelJoinResetsTheListAndWritesTheLaunchRecord) {
    Visit visit;
    visit.record.homeChannelName[0] = 0;
    Push(14, 0, "", "Help");
    const std::string cut(30, 'c'); // of 40 bytes; the 31st and 32nd form one two-byte character
    Push(7, 0, "", cut + "\xC3\xA9" + std::string(8, 'd'));
    Screen first;
    std::string firstChannel, firstHome;
    Snap(&first);
    standin::Check([&] {
        firstChannel = visit.record.channelName;
        firstHome = visit.record.homeChannelName;
    });
    Push(1, 0, "Old*Acct", "CHAT");
    Push(7, 0, "", "Trade");
    Push(1, 0, "Nim*Acct", "CHAT");
    Push(1, 0, "*Lone", "CHAT");
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(first.title.substr(first.title.size() - 4), " (0)");
    EXPECT_EQ(firstChannel, cut) << "cut before the split character";
    EXPECT_EQ(firstHome, cut);
    EXPECT_EQ(standin::ChatCallsNamed("JoinChannel").size(), 1u);
    ASSERT_EQ(s.pane.size(), 2u) << "a line for each join, none for the request";
    EXPECT_EQ(s.Last(), "You have joined channel: Trade");
    EXPECT_EQ(s.title, "Trade (2)") << "Old went with the join";
    EXPECT_EQ(visit.record.homeChannelName, cut);
}

TEST(ChatDisplay, OwnLineEchoUsesTheOwnRecordWhenPresent) {
    Visit visit;
    Say("before");
    Push(1, 0x08, "Arin*Tester", "CHAT");
    standin::Wait(2000);
    Say("after");
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(s.Texts(), (Texts{TalkLine(4, "Arin", 0, "before"), TalkLine(3, "Arin", 3, "after")}));
}

// ---- malformed records ---------------------------------------------------------

TEST(ChatDisplay, RecordWithoutTerminatorsIsReadWithinItsBytes) {
    Visit visit;
    std::vector<uint8_t> bytes(288, 'A');
    bytes[0] = 4;                                        // whisper
    std::fill(bytes.begin() + 1, bytes.begin() + 24, 0); // flags and second value 0
    PushRaw(bytes);
    bytes[0] = 1; // user present, name without terminator
    PushRaw(bytes);
    bytes[0] = 5; // talk from that user
    PushRaw(bytes);
    Screen s = LookThenQuit(visit);
    std::string name(49, 'A');
    EXPECT_EQ(s.Texts(), (Texts{name + " (*" + name + ") whispers: ", TalkLine(4, name, 0, "")}));
    EXPECT_EQ(s.title, " (1)");
}

TEST(ChatDisplay, OverlongNamesAreCutAndStillFindTheirRecord) {
    Visit visit;
    std::string name = std::string(300, 'N') + "*Acct";
    Push(1, 0, name, "CHAT");
    Push(9, 0x08, name, "CHAT"); // update finds the cut name
    Push(1, 0, std::string(200, 'B'), "CHAT");
    Push(3, 0, std::string(200, 'B'), "");
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(s.title, " (1)");
    ASSERT_EQ(s.figures.size(), 1u);
    EXPECT_EQ(s.figures[0].kind, 20) << "the update's flags reached the cut name's record";
}

TEST(ChatDisplay, TruncatedDescriptionsAreNotRead) {
    Visit visit;
    // The description's fixed part would run past the record's end.
    std::vector<uint8_t> bytes(288, 0);
    bytes[0] = 1;
    std::string name = "Nim*Acct";
    std::copy(name.begin(), name.end(), bytes.begin() + 24);
    size_t at = 24 + name.size() + 1;
    std::string text = "PXvQ" + std::string(288 - at - 4 - 20, 'r') + ",Nim,";
    std::copy(text.begin(), text.end(), bytes.begin() + at);
    std::fill(bytes.begin() + at + text.size(), bytes.end(), 0x05);
    PushRaw(bytes);
    Push(1, 0, "Bo*Acct2", "PXvQrealm,Bo"); // one comma only
    Push(1, 0, "Cy*Acct3", "PXvQ");         // the tag alone
    Screen s = LookThenQuit(visit);
    EXPECT_EQ(s.title, " (3)");
    ASSERT_EQ(s.figures.size(), 3u);
    const uint32_t unknown = 'U' << 24 | 'N' << 16 | 'K' << 8 | 'N';
    for (const standin::Figure& f : s.figures)
        EXPECT_EQ(f.tag, unknown);
    EXPECT_EQ(s.figures[0].kind, 7);
    EXPECT_EQ(s.figures[1].kind, 7);
    EXPECT_EQ(s.figures[1].labels[3], u""); // no realm read
    EXPECT_EQ(s.figures[2].kind, 24);
}
