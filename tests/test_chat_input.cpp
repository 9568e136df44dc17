// The chat input line: sending, the lobby's own commands, the slash-line
// history, the guard word and Ctrl+N, driven through a lobby visit in the
// chat layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../host/standin/StandIn.h"

namespace si = standin;

namespace {

const int kQuitLabel = 5316;
const int kWhisperLabel = 5306;
const int kOkLabel = 5102;
const int kConnectionLost = 5351;

si::Control* Pane() {
    return si::FindAt(kTextList, 28, 410);
}
si::Control* Input() {
    return si::FindAt(kEditBox, 28, 450);
}

// What a check mid-visit sees.
struct Screen {
    std::vector<si::TextLine> pane;
    std::string input;
    bool inputShown = false;
};

Screen Look() {
    Screen s;
    if (si::Control* p = Pane()) s.pane = p->lines;
    if (si::Control* i = Input()) {
        s.input = si::Utf8(i->editText);
        s.inputShown = true;
    }
    return s;
}

std::vector<std::string> SentLines() {
    std::vector<std::string> lines;
    for (const si::Call& c : si::ChatCallsNamed("SendChatLine"))
        lines.push_back(c.args.empty() ? "" : c.args[0]);
    return lines;
}

// 1 when some live control shows the text of that string id (label or line).
bool Showing(int id) {
    std::u16string text = si::StringText(id);
    for (si::Control* c : si::Controls()) {
        if (c->label == text) return true;
        for (const si::TextLine& l : c->lines)
            if (l.text == text) return true;
    }
    return false;
}

std::string LastPaneLine(const Screen& s) {
    return s.pane.empty() ? "" : si::Utf8(s.pane.back().text);
}

class ChatInput : public ::testing::Test {
  protected:
    LaunchRecord record{};
    void SetUp() override {
        si::ResetAll();
        si::FillLaunchRecord(&record);
    }
    // Queues the line and Enter.
    static void Say(const std::string& line) {
        si::Type(line);
        si::Enter();
    }
    // Looks at the screen at this point of the script.
    static void Snap(Screen* s) {
        si::Check([s] { *s = Look(); });
    }
    // Selects the user in the first figure cell.
    static void SelectFirstUser() { si::ClickAt(kClickArea, 40, 591); }
    uint32_t Visit() {
        si::Click(kQuitLabel);
        uint32_t result = si::RunVisit(QueryInterface(), &record);
        EXPECT_FALSE(si::LoopTimedOut());
        return result;
    }
};

TEST_F(ChatInput, InputLineTakesTheFocusAndTwoHundredCharacters) {
    bool ready = false;
    si::Check([&] {
        si::Control* input = Input();
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(si::Focus(), input->handle);
        EXPECT_EQ(input->maxLength, 200);
        ready = true;
    });
    Visit();
    EXPECT_TRUE(ready);
}

TEST_F(ChatInput, PlainLineIsSentEchoedAndCleared) {
    Screen before, after;
    Snap(&before);
    Say("hello there");
    Snap(&after);
    Visit();
    EXPECT_EQ(SentLines(), std::vector<std::string>{"hello there"});
    ASSERT_EQ(after.pane.size(), before.pane.size() + 1);
    EXPECT_NE(LastPaneLine(after).find("hello there"), std::string::npos);
    EXPECT_EQ(after.input, "");
}

TEST_F(ChatInput, LineOfSpacesIsNeitherSentNorStored) {
    Screen before, after, recalled;
    Snap(&before);
    Say("   ");
    Snap(&after);
    si::Tab();
    Snap(&recalled);
    Visit();
    EXPECT_TRUE(SentLines().empty());
    EXPECT_EQ(after.pane.size(), before.pane.size());
    EXPECT_EQ(after.input, "");
    EXPECT_EQ(recalled.input, "");
}

TEST_F(ChatInput, EmptyEnterSendsNothing) {
    si::Enter();
    Visit();
    EXPECT_TRUE(SentLines().empty());
}

TEST_F(ChatInput, OtherSlashLinesReachTheServiceUnchangedWithoutEcho) {
    Screen before, after;
    Snap(&before);
    Say("/join  Some Channel");
    Say("/WHO x");
    Snap(&after);
    si::Tab();
    Screen recalled;
    Snap(&recalled);
    Visit();
    EXPECT_EQ(SentLines(), (std::vector<std::string>{"/join  Some Channel", "/WHO x"}));
    EXPECT_EQ(after.pane.size(), before.pane.size());
    EXPECT_EQ(after.input, "");
    EXPECT_EQ(recalled.input, "/WHO x");
}

TEST_F(ChatInput, HistoryKeepsTheTenNewestSlashLines) {
    for (int i = 1; i <= 11; ++i)
        Say("/cmd" + std::to_string(i));
    std::vector<Screen> walk(11);
    for (Screen& s : walk) {
        si::Tab();
        Snap(&s);
    }
    Visit();
    // Newest first, down to the second line; the first is gone and the walk
    // starts over.
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(walk[i].input, "/cmd" + std::to_string(11 - i)) << "Tab " << i + 1;
    EXPECT_EQ(walk[10].input, "/cmd11");
    EXPECT_EQ(SentLines().size(), 11u);
}

TEST_F(ChatInput, TabAfterEnterStartsFromTheNewestLine) {
    Say("/one");
    Say("/two");
    si::Tab();
    si::Tab(); // "/one"
    si::Type(" more");
    si::Enter(); // stores "/one more" and forgets the walk
    Screen s;
    si::Tab();
    Snap(&s);
    Visit();
    EXPECT_EQ(s.input, "/one more");
}

TEST_F(ChatInput, TabWithEmptyHistoryChangesNothing) {
    Screen empty, typed;
    si::Tab();
    Snap(&empty);
    si::Type("ab");
    si::Tab();
    Snap(&typed);
    Visit();
    EXPECT_EQ(empty.input, "");
    EXPECT_EQ(typed.input, "ab");
}

TEST_F(ChatInput, ReplyWithoutTargetSaysNobodyToReplyTo) {
    Screen s;
    Say("/r hello");
    Snap(&s);
    Visit();
    EXPECT_TRUE(SentLines().empty());
    ASSERT_FALSE(s.pane.empty());
    EXPECT_EQ(LastPaneLine(s), "Nobody to reply to!");
    EXPECT_EQ(s.pane.back().colour, 1);
    EXPECT_EQ(s.pane.back().a, 0);
    EXPECT_EQ(s.pane.back().b, 1);
}

// After a whisper from character Nim of account Acct, what each typed line
// sends (empty: nothing) and the line it leaves in the pane (empty: none).
struct ReplyCase {
    const char* typed;
    const char* sent;
    const char* paneLine;
};

TEST_F(ChatInput, ReplyCommandsAfterAWhisper) {
    const ReplyCase cases[] = {
        {"/r hi", "/w *Acct hi", ""},
        {"/r   two  words", "/w *Acct two  words", ""},
        {"/reply back at you", "/w *Acct back at you", ""},
        {"/R upper", "/w *Acct upper", ""},
        {"/Reply mixed", "/w *Acct mixed", ""},
        {"/r", "", "Correct usage is: /r (message)"},
        {"/reply   ", "", "Correct usage is: /reply (message)"},
        {"/REPLY", "", "Correct usage is: /reply (message)"},
        {"/rx y", "/rx y", ""},
        {"/r2 y", "/r2 y", ""},
        {"/replyy y", "/replyy y", ""},
    };
    si::PushChatEvent(4, 0, "Nim*Acct", "psst");
    si::Frames(1);
    const int n = sizeof cases / sizeof cases[0];
    std::vector<Screen> before(n), after(n);
    std::vector<size_t> sentBefore(n), sentAfter(n);
    for (int i = 0; i < n; ++i) {
        si::Check([&, i] {
            before[i] = Look();
            sentBefore[i] = SentLines().size();
        });
        Say(cases[i].typed);
        si::Check([&, i] {
            after[i] = Look();
            sentAfter[i] = SentLines().size();
        });
    }
    Visit();
    std::vector<std::string> sent = SentLines();
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE(cases[i].typed);
        if (cases[i].sent[0]) {
            ASSERT_EQ(sentAfter[i], sentBefore[i] + 1);
            EXPECT_EQ(sent[sentBefore[i]], cases[i].sent);
        } else {
            EXPECT_EQ(sentAfter[i], sentBefore[i]);
        }
        if (cases[i].paneLine[0]) {
            ASSERT_EQ(after[i].pane.size(), before[i].pane.size() + 1);
            EXPECT_EQ(LastPaneLine(after[i]), cases[i].paneLine);
            EXPECT_EQ(after[i].pane.back().colour, 1);
        } else {
            EXPECT_EQ(after[i].pane.size(), before[i].pane.size());
        }
        EXPECT_EQ(after[i].input, "");
    }
}

TEST_F(ChatInput, ReplyAddressesTheLatestWhisperersAccount) {
    si::PushChatEvent(4, 0, "Nim*Acct", "one");
    si::Frames(1);
    si::Check([] { si::PushChatEvent(4, 0, "*Other", "two"); });
    si::Frames(1);
    Say("/r ok");
    Visit();
    EXPECT_EQ(SentLines(), std::vector<std::string>{"/w *Other ok"});
}

TEST_F(ChatInput, ReplyWhileDisconnectedShowsConnectionLost) {
    si::PushChatEvent(4, 0, "Nim*Acct", "psst");
    si::Frames(1);
    si::Check([] { si::SetChatConnected(false); });
    Say("/r hi");
    bool lost = false;
    si::Check([&] { lost = Showing(kConnectionLost); });
    si::Click(kOkLabel);
    uint32_t result = si::RunVisit(QueryInterface(), &record);
    EXPECT_TRUE(lost);
    EXPECT_EQ(result, 4u);
    EXPECT_TRUE(SentLines().empty());
}

TEST_F(ChatInput, NotifyFlipsTheNoticesEvenWhileDisconnected) {
    Screen on, off, joined;
    si::Check([] { si::SetChatConnected(false); });
    Say("/qvnotify anything at all");
    Snap(&on);
    si::Check([] { si::SetChatConnected(true); });
    si::Check([] { si::PushChatEvent(2, 0, "Nim*Acct", "TAHC"); });
    si::Frames(1);
    Snap(&joined);
    Say("/QVNotify");
    Snap(&off);
    Visit();
    ASSERT_FALSE(on.pane.empty());
    EXPECT_EQ(LastPaneLine(on), "Player entering/leaving notifications are enabled.");
    EXPECT_EQ(on.pane.back().colour, 3);
    EXPECT_NE(LastPaneLine(joined).find("has joined the channel."), std::string::npos);
    ASSERT_FALSE(off.pane.empty());
    EXPECT_EQ(LastPaneLine(off), "Player entering/leaving notifications are disabled.");
    EXPECT_EQ(off.pane.back().colour, 3);
    EXPECT_TRUE(SentLines().empty());
}

TEST_F(ChatInput, NotifyNeedsTheWordAlone) {
    Say("/qvnotifyx");
    Visit();
    EXPECT_EQ(SentLines(), std::vector<std::string>{"/qvnotifyx"});
}

TEST_F(ChatInput, PlainLineWhileDisconnectedKeepsItsText) {
    Screen s;
    si::Check([] { si::SetChatConnected(false); });
    Say("still here");
    Snap(&s);
    bool lost = false;
    si::Check([&] { lost = Showing(kConnectionLost); });
    si::Click(kOkLabel);
    uint32_t result = si::RunVisit(QueryInterface(), &record);
    EXPECT_TRUE(lost);
    EXPECT_EQ(s.input, "still here");
    EXPECT_TRUE(SentLines().empty());
    EXPECT_EQ(result, 4u);
}

TEST_F(ChatInput, SlashLineWhileDisconnectedIsStoredAndCleared) {
    Screen s, recalled;
    si::Check([] { si::SetChatConnected(false); });
    Say("/who");
    Snap(&s);
    si::Check([] { si::SetChatConnected(true); }); // the popup stays; Tab still works
    si::Tab();
    Snap(&recalled);
    Visit();
    EXPECT_EQ(s.input, "");
    EXPECT_EQ(recalled.input, "/who");
    EXPECT_TRUE(SentLines().empty());
}

// Guard word "darn": refused only where it stands as a word of its own.
struct GuardCase {
    const char* line;
    bool refused;
};

TEST_F(ChatInput, GuardWordIsRefusedOnlyOnWordBoundaries) {
    record.guardWordHash = si::HashOf("darn");
    record.guardWordLength = 4;
    const GuardCase cases[] = {
        {"darn", true},    {"oh darn it", true}, {"darn!", true},  {"/me says darn", true}, {"darned", false},
        {"undarn", false}, {"2darn", false},     {"darn5", false}, {"nothing bad", false},
    };
    const int n = sizeof cases / sizeof cases[0];
    std::vector<bool> warned(n);
    std::vector<std::string> kept(n);
    for (int i = 0; i < n; ++i) {
        Say(cases[i].line);
        si::Check([&, i] {
            warned[i] = Showing(11063) && Showing(11064);
            kept[i] = Look().input;
        });
        if (cases[i].refused) si::Click(kOkLabel);
    }
    Visit();
    std::vector<std::string> expected;
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE(cases[i].line);
        EXPECT_EQ(warned[i], cases[i].refused);
        EXPECT_EQ(kept[i], cases[i].refused ? cases[i].line : "");
        if (!cases[i].refused) expected.push_back(cases[i].line);
    }
    EXPECT_EQ(SentLines(), expected);
}

TEST_F(ChatInput, ConfirmingTheGuardWarningEmptiesTheLineWithoutSending) {
    record.guardWordHash = si::HashOf("darn");
    record.guardWordLength = 4;
    Screen before, warned, confirmed, recalled;
    Snap(&before);
    Say("/shout darn");
    Snap(&warned);
    bool gone = false;
    si::Click(kOkLabel);
    Snap(&confirmed);
    si::Check([&] { gone = !Showing(11064); });
    si::Tab();
    Snap(&recalled);
    Visit();
    EXPECT_EQ(warned.input, "/shout darn");
    EXPECT_EQ(confirmed.input, "");
    EXPECT_TRUE(gone);
    EXPECT_EQ(recalled.input, ""); // a refused line is not stored
    EXPECT_EQ(confirmed.pane.size(), before.pane.size());
    EXPECT_TRUE(SentLines().empty());
}

TEST_F(ChatInput, GuardWordIsTestedOnTheTextNotTheWhisperWrap) {
    // The selected user's account is the guard word: the wrap holds it, the
    // typed text does not.
    record.guardWordHash = si::HashOf("Darn");
    record.guardWordLength = 4;
    si::PushChatEvent(1, 0, "Nim*Darn", "TAHC");
    si::Frames(1);
    SelectFirstUser();
    si::Type("hello");
    si::Click(kWhisperLabel);
    Visit();
    EXPECT_EQ(SentLines(), std::vector<std::string>{"/whisper *Darn hello"});
}

TEST_F(ChatInput, WhisperWrappedLineIsStoredAndNotEchoed) {
    Screen before, after, recalled;
    si::PushChatEvent(1, 0, "Nim*Acct", "TAHC");
    si::Frames(1);
    SelectFirstUser();
    Snap(&before);
    si::Type("a secret");
    si::Click(kWhisperLabel);
    Snap(&after);
    si::Tab();
    Snap(&recalled);
    Visit();
    EXPECT_EQ(SentLines(), std::vector<std::string>{"/whisper *Acct a secret"});
    EXPECT_EQ(after.pane.size(), before.pane.size());
    EXPECT_EQ(after.input, "");
    EXPECT_EQ(recalled.input, "/whisper *Acct a secret");
}

// Ctrl+N with the caret at a position of "hi there".
struct NameCase {
    const char* user;
    int caret;
    const char* result;
};

TEST_F(ChatInput, CtrlNInsertsTheSelectedCharacterNameAtTheCaret) {
    const NameCase cases[] = {
        {"Nim*Acct", 3, "hi Nimthere"}, {"Nim*Acct", 0, "Nimhi there"}, {"Nim*Acct", 8, "hi thereNim"},
        {"*Lone", 3, "hi *Lonethere"},  {"Plain", 8, "hi therePlain"},
    };
    const int n = sizeof cases / sizeof cases[0];
    std::vector<std::string> got(n);
    for (int i = 0; i < n; ++i) {
        si::Check([&, i] {
            si::PushChatEvent(7, 0, "", "Lobby"); // a fresh channel: no users, no selection
            si::PushChatEvent(1, 0, cases[i].user, "TAHC");
        });
        si::Frames(2);
        SelectFirstUser();
        si::Type("hi there");
        si::Check([&, i] { Input()->caret = cases[i].caret; });
        si::CtrlN();
        si::Check([&, i] { got[i] = Look().input; });
        si::Enter();
    }
    Visit();
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(got[i], cases[i].result) << cases[i].user << " at " << cases[i].caret;
}

TEST_F(ChatInput, CtrlNDoesNothingOnAnEmptyLineOrWithoutSelection) {
    Screen empty, unselected;
    si::PushChatEvent(1, 0, "Nim*Acct", "TAHC");
    si::Frames(1);
    si::CtrlN();
    Snap(&unselected); // nobody selected yet, nothing typed
    SelectFirstUser();
    si::CtrlN();
    Snap(&empty);
    si::Type("x");
    si::Check([] { Input()->caret = 1; });
    si::CtrlN();
    Screen typed;
    Snap(&typed);
    Visit();
    EXPECT_EQ(unselected.input, "");
    EXPECT_EQ(empty.input, "");
    EXPECT_EQ(typed.input, "xNim");
}

TEST_F(ChatInput, SentLineKeepsThePaneAtItsEnd) {
    for (int i = 0; i < 60; ++i)
        si::PushChatEvent(6, 0, "", "notice " + std::to_string(i));
    si::Frames(61);
    int lines = 0, shown = 0, top = -1;
    si::Check([] { Pane()->scrollTop = 0; });
    Say("/who");
    si::Check([&] {
        lines = (int)Pane()->lines.size();
        shown = Pane()->visibleCount;
        top = Pane()->scrollTop;
    });
    Visit();
    ASSERT_GT(shown, 0);
    ASSERT_GT(lines, shown);
    EXPECT_EQ(top, lines - shown);
}

} // namespace
