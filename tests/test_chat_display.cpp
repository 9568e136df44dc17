// The chat service's events as the channel shows them: the chat pane's lines,
// colours and colour codes, the whisper and talk forms, the channel join and
// the events that show nothing, and malformed records. Each test runs a lobby
// visit in the chat layout and looks at the screen mid-visit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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
void PushRaw(const std::vector<uint8_t>& bytes) {
    si::Check([=] { si::PushRawEvent(0, bytes); });
}

const int kQuitLabel = 5316;
const std::string kMarker = "\xC3\xBF"
                            "c"; // string 3994 of the stand-in's table

si::Control* Pane() {
    return si::FindAt(kTextList, 28, 410);
}
si::Control* TitleList() {
    return si::FindAt(kTextList, 28, 138);
}

// A QvDV/QvXP/QvST character description as the service sends it.
std::string Description(const char* tag, const std::string& realm, const std::string& character,
                        int classIndex, uint16_t status) {
    std::string s = {tag[3], tag[2], tag[1], tag[0]};
    s += realm + "," + character + ",";
    s += "\x01\x01";              // packed word, ignored
    s += std::string(11, '\x03'); // appearance
    s += (char)(classIndex + 1);  // class + 1
    s += std::string(11, '\x04'); // colours
    s += '\x0c';                  // level
    s += (char)(status & 0xff);   // status, low byte first
    s += (char)(status >> 8);
    s += "\x01\x01";     // extra word
    s += "\xff\xff\xff"; // realm byte and spares
    return s;
}

// Status word with a progress number in bits 8..12.
uint16_t Progress(int progress, uint16_t bits = 0) {
    return (uint16_t)(progress << 8 | bits);
}

struct Line {
    std::string text;
    int colour;
};

class ChatDisplay : public ::testing::Test {
  protected:
    LaunchRecord record{};
    std::vector<Line> pane;
    std::string title;
    std::vector<si::Figure> figures;
    void SetUp() override {
        si::ResetAll();
        si::FillLaunchRecord(&record);
    }
    // Runs everything scripted so far, then the checks, then quits.
    void Visit() {
        si::Frames(2);
        si::Check([this] {
            pane.clear();
            for (const si::TextLine& l : Pane()->lines)
                pane.push_back({si::Utf8(l.text), l.colour});
            title = TitleList()->lines.empty() ? "" : si::Utf8(TitleList()->lines.back().text);
            figures.clear();
            for (const si::Figure* f : si::Figures())
                figures.push_back(*f);
        });
        si::Click(kQuitLabel);
        si::RunVisit(QueryInterface(), &record);
        ASSERT_FALSE(si::LoopTimedOut());
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Line& l : pane)
            texts.push_back(l.text);
        return texts;
    }
};

TEST_F(ChatDisplay, WhisperShowsAccountAloneOrCharacterWithAccount) {
    Push(1, 0, "Nim*Acct", Description("QvXP", "West", "Nim", 2, Progress(4)));
    Push(4, 0, "*Lone", "hi there");
    Push(4, 0, "Bo*Acct2", "psst");
    Push(4, 0, "Nim*Acct", "with title");
    Visit();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"*Lone whispers: hi there", "Bo (*Acct2) whispers: psst",
                                                 "Slayer Nim (*Acct) whispers: with title"}));
    for (const Line& l : pane)
        EXPECT_EQ(l.colour, 2);
}

TEST_F(ChatDisplay, ReplyAddressesTheLastWhisperersAccount) {
    Push(4, 0, "Nim*Acct", "ping");
    si::Frames(1);
    si::Type("/r pong");
    si::Enter();
    Visit();
    std::vector<si::Call> sent = si::ChatCallsNamed("SendChatLine");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].args[0], "/w *Acct pong");
}

TEST_F(ChatDisplay, WhisperSentAndEmoteForms) {
    Push(10, 0, "Nim*Acct", "see you");
    Push(10, 0, "", "nobody");
    Push(23, 0, "Nim*Acct", "waves");
    Push(23, 0, "*Lone", "bows");
    Visit();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"You whisper to Nim: see you", "You whisper to : nobody",
                                                 "*Nim waves*", "**Lone bows*"}));
    EXPECT_EQ(pane[0].colour, 2);
    EXPECT_EQ(pane[2].colour, 5);
}

TEST_F(ChatDisplay, TalkColoursFollowTheSpeakersFlags) {
    struct Case {
        uint32_t flags;
        bool inList;
        int prefixColour, messageColour;
    } const cases[] = {
        {0x02, true, 0, 0}, {0x08, true, 3, 3}, {0x01, true, 3, 3},
        {0x20, true, 4, 0}, {0x00, true, 4, 0}, {0x02, false, 4, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "U" + std::to_string(n) + "*A" + std::to_string(n);
        if (c.inList) Push(1, c.flags, name, "CHAT");
        Push(5, c.flags, name, "hello");
        ++n;
    }
    Visit();
    ASSERT_EQ(pane.size(), std::size(cases));
    for (size_t i = 0; i < pane.size(); ++i) {
        const Case& c = cases[i];
        std::string expected = kMarker + std::to_string(c.prefixColour) + "<U" + std::to_string(i) + "> " +
                               kMarker + std::to_string(c.messageColour) + "hello";
        EXPECT_EQ(pane[i].text, expected) << "case " << i;
        EXPECT_EQ(pane[i].colour, c.messageColour) << "case " << i;
    }
}

TEST_F(ChatDisplay, TalkPrefixUsesTheWholeNameWithoutDisplayAndKeepsEmptyMessages) {
    Push(5, 0, "", "x");
    Push(5, 0, "*Lone", "");
    Push(5, 0, "mod@host*Acct", "y");
    Visit();
    EXPECT_EQ(Texts(), (std::vector<std::string>{kMarker + "4<> " + kMarker + "0x",
                                                 kMarker + "4<*Lone> " + kMarker + "0",
                                                 kMarker + "4<mod@host> " + kMarker + "0y"}));
}

TEST_F(ChatDisplay, ServiceColourCodesAreStrippedAndAFinalMarkerStays) {
    Push(6, 0, "", "red " + kMarker + "1alert");
    Push(6, 0, "", "a\xC3\xBF" + kMarker + "5c2b"); // a removal forms a new marker
    Push(6, 0, "", "ends with " + kMarker);
    Push(5, 0, "Nim*Acct", "\xFF" "c3sneaky"); // talk is code-page text: the marker is byte 0xff
    Visit();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"red alert", "ab", "ends with " + kMarker,
                                                 kMarker + "4<Nim> " + kMarker + "0sneaky"}));
}

TEST_F(ChatDisplay, TextEventsUseTheirColours) {
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
    for (const Case& c : cases)
        Push(c.number, 0, "Nim*Acct", c.number == 13 ? "Full" : c.number == 15 ? "Secret" : c.text);
    Visit();
    ASSERT_EQ(pane.size(), std::size(cases));
    for (size_t i = 0; i < pane.size(); ++i) {
        EXPECT_EQ(pane[i].text, cases[i].text);
        EXPECT_EQ(pane[i].colour, cases[i].colour);
    }
}

TEST_F(ChatDisplay, EventsWithoutBehaviourChangeNothing) {
    Push(1, 0, "Nim*Acct", "CHAT");
    for (uint32_t number : {0u, 8u, 11u, 12u, 16u, 17u, 20u, 24u, 25u, 1000u, 0xffffffffu})
        Push(number, 0, "Bo*Other", "CHAT");
    Visit();
    EXPECT_TRUE(pane.empty());
    EXPECT_EQ(title, " (1)");
    EXPECT_EQ(figures.size(), 1u);
}

TEST_F(ChatDisplay, JoinAndLeaveNoticesOnlyWhenSwitchedOn) {
    Push(2, 0, "Nim*Acct", Description("QvXP", "West", "Nim", 2, 0));
    Push(3, 0, "Nim*Acct", "");
    si::Frames(1);
    si::Type("/qvnotify");
    si::Enter();
    Push(2, 0, "Bo*Acct2", Description("QvXP", "West", "Bo", 2, 0));
    Push(2, 0, "*Lone", "CHAT");
    Push(3, 0, "Other*Acct2", ""); // same account, other character
    Push(3, 0, "X*Stranger", "");  // not in the channel
    Visit();
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 4u); // the qvnotify confirmation and three notices
    EXPECT_EQ(texts[1], "Bo has joined the channel.");
    EXPECT_EQ(texts[2], "*Lone has joined the channel.");
    EXPECT_EQ(texts[3], "Bo has left the channel.");
    EXPECT_EQ(pane[3].colour, 5);
    EXPECT_EQ(title, " (1)");
}

TEST_F(ChatDisplay, ChannelJoinResetsTheListAndWritesTheLaunchRecord) {
    record.homeChannelName[0] = 0;
    Push(1, 0, "Old*Acct", "CHAT");
    Push(7, 0, "", "Trade");
    std::string afterJoin;
    si::Frames(2);
    si::Check([&] { afterJoin = si::Utf8(TitleList()->lines.back().text); });
    Push(1, 0, "Nim*Acct", "CHAT");
    Push(1, 0, "*Lone", "CHAT");
    Visit();
    EXPECT_EQ(Texts(), std::vector<std::string>{"You have joined channel: Trade"});
    EXPECT_EQ(pane[0].colour, 5);
    EXPECT_EQ(afterJoin, "Trade (0)");
    EXPECT_EQ(title, "Trade (2)");
    EXPECT_STREQ(record.channelName, "Trade");
    EXPECT_STREQ(record.homeChannelName, "Trade");
}

TEST_F(ChatDisplay, ChannelJoinKeepsAHomeChannelAndCutsLongNames) {
    snprintf(record.homeChannelName, sizeof record.homeChannelName, "Home");
    // 40 bytes; the 31st and 32nd bytes form one two-byte character.
    std::string longName = std::string(30, 'c') + "\xC3\xA9" + std::string(8, 'd');
    Push(7, 0, "", longName);
    Visit();
    EXPECT_EQ(title.substr(title.size() - 4), " (0)");
    EXPECT_EQ(std::string(record.channelName), std::string(30, 'c')); // cut before the split character
    EXPECT_STREQ(record.homeChannelName, "Home");
}

TEST_F(ChatDisplay, ChannelToJoinRequestsTheJoinWithoutALine) {
    Push(14, 0, "", "Help");
    Visit();
    std::vector<si::Call> joins = si::ChatCallsNamed("JoinChannel");
    ASSERT_EQ(joins.size(), 1u);
    EXPECT_EQ(joins[0].args, (std::vector<std::string>{"Help", "1", "0"}));
    EXPECT_TRUE(pane.empty());
}

TEST_F(ChatDisplay, OwnLineEchoUsesTheOwnRecordWhenPresent) {
    si::Type("before");
    si::Enter();
    Push(1, 0x08, "Arin*Tester", "CHAT");
    si::Wait(2000);
    si::Type("after");
    si::Enter();
    Visit();
    EXPECT_EQ(Texts(), (std::vector<std::string>{kMarker + "4<Arin> " + kMarker + "0before",
                                                 kMarker + "3<Arin> " + kMarker + "3after"}));
}

// ---- malformed records ---------------------------------------------------------

TEST_F(ChatDisplay, RecordWithoutTerminatorsIsReadWithinItsBytes) {
    std::vector<uint8_t> bytes(288, 'A');
    bytes[0] = 4; // whisper
    std::fill(bytes.begin() + 1, bytes.begin() + 24, 0); // flags and second value 0
    PushRaw(bytes);
    bytes[0] = 1; // user present, name without terminator
    PushRaw(bytes);
    bytes[0] = 5; // talk from that user
    PushRaw(bytes);
    Visit();
    ASSERT_EQ(pane.size(), 2u);
    std::string name(49, 'A');
    EXPECT_EQ(pane[0].text, name + " (*" + name + ") whispers: ");
    EXPECT_EQ(pane[1].text, kMarker + "4<" + name + "> " + kMarker + "0");
    EXPECT_EQ(title, " (1)");
}

TEST_F(ChatDisplay, OverlongNamesAreCutAndStillFindTheirRecord) {
    std::string name = std::string(300, 'N') + "*Acct";
    Push(1, 0, name, "CHAT");
    Push(9, 0x08, name, "CHAT"); // update finds the cut name
    Push(1, 0, std::string(200, 'B'), "CHAT");
    Push(3, 0, std::string(200, 'B'), "");
    Visit();
    EXPECT_EQ(title, " (1)");
}

TEST_F(ChatDisplay, TruncatedDescriptionsAreNotRead) {
    // The description's fixed part would run past the record's end.
    std::vector<uint8_t> bytes(288, 0);
    bytes[0] = 1;
    std::string name = "Nim*Acct";
    std::copy(name.begin(), name.end(), bytes.begin() + 24);
    size_t at = 24 + name.size() + 1;
    std::string text = "PXvQ" + std::string(288 - at - 4 - 20, 'r') + ",Nim,";
    std::copy(text.begin(), text.end(), bytes.begin() + at);
    for (size_t i = at + text.size(); i < 288; ++i)
        bytes[i] = 0x05;
    PushRaw(bytes);
    Push(1, 0, "Bo*Acct2", "PXvQrealm,Bo"); // one comma only
    Push(1, 0, "Cy*Acct3", "PXvQ");         // the tag alone
    Visit();
    EXPECT_EQ(title, " (3)");
    ASSERT_EQ(figures.size(), 3u);
    const uint32_t unknown = 'U' << 24 | 'N' << 16 | 'K' << 8 | 'N';
    EXPECT_EQ(figures[0].kind, 7);
    EXPECT_EQ(figures[0].tag, unknown);
    EXPECT_EQ(figures[1].kind, 7);
    EXPECT_EQ(figures[1].tag, unknown);
    EXPECT_EQ(figures[1].labels[3], u""); // no realm read
    EXPECT_EQ(figures[2].kind, 24);
    EXPECT_EQ(figures[2].tag, unknown);
}

} // namespace
