// The chat input line: sending, the lobby's own commands, the slash-line
// history, the guard word and Ctrl+N, driven through a lobby visit in the
// chat layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;
using Lines = std::vector<std::string>;

namespace {

// A visit whose guard word is "darn".
struct GuardedVisit : Visit {
    GuardedVisit() {
        record.guardWordHash = standin::HashOf("darn");
        record.guardWordLength = 4;
    }
};

} // namespace

TEST(ChatInput, PlainLineIsSentEchoedAndClearedBlankLinesAreNot) {
    Visit visit;
    Screen before, spaces, recalled, after;
    Snap(&before);
    standin::Enter(); // nothing typed
    Say("   ");       // a line of spaces is neither sent nor stored
    Snap(&spaces);
    standin::Tab();
    Snap(&recalled);
    Say("hello there");
    Snap(&after);
    visit.Quit();
    EXPECT_EQ(SentLines(), Lines{"hello there"});
    EXPECT_EQ(spaces.pane.size(), before.pane.size());
    EXPECT_EQ(spaces.input, "");
    EXPECT_EQ(recalled.input, "");
    ASSERT_EQ(after.pane.size(), before.pane.size() + 1);
    EXPECT_NE(after.Last().find("hello there"), std::string::npos);
    EXPECT_EQ(after.input, "");
}

TEST(ChatInput, OtherSlashLinesReachTheServiceUnchangedWithoutEcho) {
    Visit visit;
    Screen before, after, recalled;
    Snap(&before);
    Say("/qvnotifyx"); // not the lobby's command: the word must stand alone
    Say("/join  Some Channel");
    Say("/WHO x");
    Snap(&after);
    standin::Tab();
    Snap(&recalled);
    visit.Quit();
    EXPECT_EQ(SentLines(), (Lines{"/qvnotifyx", "/join  Some Channel", "/WHO x"}));
    EXPECT_EQ(after.pane.size(), before.pane.size());
    EXPECT_EQ(after.input, "");
    EXPECT_EQ(recalled.input, "/WHO x");
}

TEST(ChatInput, HistoryKeepsTheTenNewestSlashLines) {
    Visit visit;
    for (int i = 1; i <= 11; ++i)
        Say("/cmd" + std::to_string(i));
    std::vector<Screen> walk(11);
    for (Screen& s : walk) {
        standin::Tab();
        Snap(&s);
    }
    visit.Quit();
    // Newest first, down to the second line; the first is gone and the walk
    // starts over.
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(walk[i].input, "/cmd" + std::to_string(11 - i)) << "Tab " << i + 1;
    EXPECT_EQ(walk[10].input, "/cmd11");
    EXPECT_EQ(SentLines().size(), 11u);
}

TEST(ChatInput, TabAfterEnterStartsFromTheNewestLine) {
    Visit visit;
    Say("/one");
    Say("/two");
    standin::Tab();
    standin::Tab(); // "/one"
    Say(" more");   // stores "/one more" and forgets the walk
    Screen s;
    standin::Tab();
    Snap(&s);
    visit.Quit();
    EXPECT_EQ(s.input, "/one more");
}

TEST(ChatInput, TabWithEmptyHistoryChangesNothing) {
    Visit visit;
    Screen empty, typed;
    standin::Tab();
    Snap(&empty);
    standin::Type("ab");
    standin::Tab();
    Snap(&typed);
    visit.Quit();
    EXPECT_EQ(empty.input, "");
    EXPECT_EQ(typed.input, "ab");
}

TEST(ChatInput, ReplyWithoutTargetSaysNobodyToReplyTo) {
    Visit visit;
    Screen s;
    Say("/r hello");
    Snap(&s);
    visit.Quit();
    EXPECT_TRUE(SentLines().empty());
    ASSERT_FALSE(s.pane.empty());
    EXPECT_EQ(s.Last(), "Nobody to reply to!");
    EXPECT_EQ(s.pane.back().colour, 1);
    EXPECT_EQ(s.pane.back().a, 0);
    EXPECT_EQ(s.pane.back().b, 1);
}

// After a whisper from character Nim of account Acct, what each typed line
// sends (empty: nothing) and the line it leaves in the pane (empty: none).
TEST(ChatInput, ReplyCommandsAfterAWhisper) {
    struct Case {
        const char *typed, *sent, *paneLine;
    } const cases[] = {
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
    const int n = std::size(cases);
    Visit visit;
    Push(4, 0, "Nim*Acct", "psst");
    std::vector<Screen> before(n), after(n);
    std::vector<size_t> sentBefore(n), sentAfter(n);
    for (int i = 0; i < n; ++i) {
        Snap(&before[i]);
        standin::Check([&, i] { sentBefore[i] = SentLines().size(); });
        Say(cases[i].typed);
        Snap(&after[i]);
        standin::Check([&, i] { sentAfter[i] = SentLines().size(); });
    }
    visit.Quit();
    Lines sent = SentLines();
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
            EXPECT_EQ(after[i].Last(), cases[i].paneLine);
            EXPECT_EQ(after[i].pane.back().colour, 1);
        } else {
            EXPECT_EQ(after[i].pane.size(), before[i].pane.size());
        }
        EXPECT_EQ(after[i].input, "");
    }
}

TEST(ChatInput, ReplyAddressesTheLatestWhisperersAccount) {
    Visit visit;
    Push(4, 0, "Nim*Acct", "one");
    Push(4, 0, "*Other", "two");
    standin::Frames(1);
    Say("/r ok");
    visit.Quit();
    EXPECT_EQ(SentLines(), Lines{"/w *Other ok"});
}

// While the service is down: a plain line stays in the input line to be sent
// later; slash lines (the reply included) are stored and cleared. Each shows
// the connection-lost popup, whose button ends the visit.
TEST(ChatInput, LinesWhileDisconnectedShowConnectionLost) {
    struct Case {
        const char *line, *kept, *recalled;
    } const cases[] = {
        {"still here", "still here", "still here"},
        {"/r hi", "", "/r hi"},
        {"/who", "", "/who"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        standin::ResetAll();
        Visit visit;
        Push(4, 0, "Nim*Acct", "psst");
        standin::Frames(1);
        standin::Check([] { standin::SetChatConnected(false); });
        Say(c.line);
        Screen after, recalled;
        bool lost = false;
        Snap(&after);
        standin::Check([&] { lost = Showing(kConnectionLost); });
        standin::Tab(); // the popup leaves the input line working
        Snap(&recalled);
        standin::Click(kOkLabel);
        EXPECT_EQ(visit.Run(), 4u);
        EXPECT_TRUE(lost);
        EXPECT_TRUE(SentLines().empty());
        EXPECT_EQ(after.input, c.kept);
        EXPECT_EQ(recalled.input, c.recalled);
    }
}

TEST(ChatInput, NotifyFlipsTheNoticesEvenWhileDisconnected) {
    Visit visit;
    Screen on, off, joined;
    standin::Check([] { standin::SetChatConnected(false); });
    Say("/qvnotify anything at all");
    Snap(&on);
    standin::Check([] { standin::SetChatConnected(true); });
    Push(2, 0, "Nim*Acct", "TAHC");
    Snap(&joined);
    Say("/QVNotify");
    Snap(&off);
    visit.Quit();
    EXPECT_EQ(on.Last(), "Player entering/leaving notifications are enabled.");
    EXPECT_EQ(on.pane.back().colour, 3);
    EXPECT_NE(joined.Last().find("has joined the channel."), std::string::npos);
    EXPECT_EQ(off.Last(), "Player entering/leaving notifications are disabled.");
    EXPECT_EQ(off.pane.back().colour, 3);
    EXPECT_TRUE(SentLines().empty());
}

// Guard word "darn": refused only where it stands as a word of its own, in
// any case.
TEST(ChatInput, GuardWordIsRefusedOnlyOnWordBoundaries) {
    struct Case {
        const char* line;
        bool refused;
    } const cases[] = {
        {"darn", true},    {"oh darn it", true}, {"darn!", true},   {"/me says darn", true},
        {"x,darn.", true}, {"the DARN", true},   {"darned", false}, {"undarn", false},
        {"2darn", false},  {"darn5", false},     {"dar", false},    {"nothing bad", false},
    };
    const int n = std::size(cases);
    GuardedVisit visit;
    std::vector<bool> warned(n);
    std::vector<std::string> kept(n);
    for (int i = 0; i < n; ++i) {
        Say(cases[i].line);
        standin::Check([&, i] {
            warned[i] = Showing(11063) && Showing(11064);
            kept[i] = Look().input;
        });
        if (cases[i].refused) standin::Click(kOkLabel);
    }
    visit.Quit();
    Lines expected;
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE(cases[i].line);
        EXPECT_EQ(warned[i], cases[i].refused);
        EXPECT_EQ(kept[i], cases[i].refused ? cases[i].line : "");
        if (!cases[i].refused) expected.push_back(cases[i].line);
    }
    EXPECT_EQ(SentLines(), expected);
}

TEST(ChatInput, ConfirmingTheGuardWarningEmptiesTheLineWithoutSending) {
    GuardedVisit visit;
    Screen before, warned, confirmed, recalled;
    bool gone = false;
    Snap(&before);
    Say("/shout darn");
    Snap(&warned);
    standin::Click(kOkLabel);
    Snap(&confirmed);
    standin::Check([&] { gone = !Showing(11064); });
    standin::Tab();
    Snap(&recalled);
    visit.Quit();
    EXPECT_EQ(warned.input, "/shout darn");
    EXPECT_EQ(confirmed.input, "");
    EXPECT_TRUE(gone);
    EXPECT_EQ(recalled.input, ""); // a refused line is not stored
    EXPECT_EQ(confirmed.pane.size(), before.pane.size());
    EXPECT_TRUE(SentLines().empty());
}

TEST(ChatInput, GuardWordIsTestedOnTheTextNotTheWhisperWrap) {
    // The selected user's account is the guard word: the wrap holds it, the
    // typed text does not.
    GuardedVisit visit;
    AddAndSelect("Nim*Darn");
    standin::Type("hello");
    standin::Click(kWhisperLabel);
    visit.Quit();
    EXPECT_EQ(SentLines(), Lines{"/whisper *Darn hello"});
}

TEST(ChatInput, WhisperWrappedLineIsStoredAndNotEchoed) {
    Visit visit;
    Screen before, after, recalled;
    AddAndSelect("Nim*Acct");
    Snap(&before);
    standin::Type("a secret");
    standin::Click(kWhisperLabel);
    Snap(&after);
    standin::Tab();
    Snap(&recalled);
    visit.Quit();
    EXPECT_EQ(SentLines(), Lines{"/whisper *Acct a secret"});
    EXPECT_EQ(after.pane.size(), before.pane.size());
    EXPECT_EQ(after.input, "");
    EXPECT_EQ(recalled.input, "/whisper *Acct a secret");
}

// Ctrl+N with the caret at a position of "hi there".
TEST(ChatInput, CtrlNInsertsTheSelectedCharacterNameAtTheCaret) {
    struct Case {
        const char* user;
        int caret;
        const char* result;
    } const cases[] = {
        {"Nim*Acct", 3, "hi Nimthere"}, {"Nim*Acct", 0, "Nimhi there"}, {"Nim*Acct", 8, "hi thereNim"},
        {"*Lone", 3, "hi *Lonethere"},  {"Plain", 8, "hi therePlain"},
    };
    const int n = std::size(cases);
    Visit visit;
    std::vector<std::string> got(n);
    for (int i = 0; i < n; ++i) {
        Push(7, 0, "", "Lobby"); // a fresh channel: no users, no selection
        AddAndSelect(cases[i].user);
        standin::Type("hi there");
        standin::Check([&, i] { Input()->caret = cases[i].caret; });
        standin::CtrlN();
        standin::Check([&, i] { got[i] = Look().input; });
        standin::Enter();
    }
    visit.Quit();
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(got[i], cases[i].result) << cases[i].user << " at " << cases[i].caret;
}

TEST(ChatInput, CtrlNDoesNothingOnAnEmptyLineOrWithoutSelection) {
    Visit visit;
    Screen empty, unselected, typed;
    Push(1, 0, "Nim*Acct", "TAHC");
    standin::Frames(1);
    standin::CtrlN();
    Snap(&unselected); // nobody selected yet, nothing typed
    SelectFirstUser();
    standin::CtrlN();
    Snap(&empty);
    standin::Type("x");
    standin::Check([] { Input()->caret = 1; });
    standin::CtrlN();
    Snap(&typed);
    visit.Quit();
    EXPECT_EQ(unselected.input, "");
    EXPECT_EQ(empty.input, "");
    EXPECT_EQ(typed.input, "xNim");
}

TEST(ChatInput, SentLineKeepsThePaneAtItsEnd) {
    Visit visit;
    for (int i = 0; i < 60; ++i)
        standin::PushChatEvent(6, 0, "", "notice " + std::to_string(i));
    standin::Frames(61);
    int lines = 0, shown = 0, top = -1;
    standin::Check([] { ChatPane()->scrollTop = 0; });
    Say("/who");
    standin::Check([&] {
        lines = (int)ChatPane()->lines.size();
        shown = ChatPane()->visibleCount;
        top = ChatPane()->scrollTop;
    });
    visit.Quit();
    ASSERT_GT(shown, 0);
    ASSERT_GT(lines, shown);
    EXPECT_EQ(top, lines - shown);
}
