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

// An empty line or one of spaces is neither sent nor stored; Tab with nothing
// stored leaves the line as it is.
TEST(ChatInput, PlainLineIsSentEchoedAndClearedBlankLinesAreNot) {
    Visit visit;
    Screen before, spaces, recalled, typed, after;
    Snap(&before);
    standin::Enter(); // nothing typed
    Say("   ");
    Snap(&spaces);
    standin::Tab();
    Snap(&recalled);
    standin::Type("hello there");
    standin::Tab();
    Snap(&typed);
    standin::Enter();
    Snap(&after);
    visit.Quit();
    EXPECT_EQ(SentLines(), Lines{"hello there"});
    EXPECT_EQ(spaces.pane.size(), before.pane.size());
    EXPECT_EQ(spaces.input, "");
    EXPECT_EQ(recalled.input, "");
    EXPECT_EQ(typed.input, "hello there");
    ASSERT_EQ(after.pane.size(), before.pane.size() + 1);
    EXPECT_NE(after.Last().find("hello there"), std::string::npos);
    EXPECT_EQ(after.input, "");
}

// Slash lines other than the lobby's own go to the service as typed, are
// stored and not echoed; a sent line brings a scrolled-back pane to its end.
TEST(ChatInput, OtherSlashLinesReachTheServiceUnchangedWithoutEcho) {
    Visit visit;
    for (int i = 0; i < 60; ++i)
        standin::PushChatEvent(6, 0, "", "notice " + std::to_string(i));
    standin::Frames(61);
    Screen before, after, recalled;
    int shown = 0, top = -1;
    Snap(&before);
    standin::Check([] { ChatPane()->scrollTop = 0; });
    Say("/qvnotifyx"); // not the lobby's command: the word must stand alone
    Say("/join  Some Channel");
    Say("/WHO x");
    Snap(&after);
    standin::Check([&] {
        shown = ChatPane()->visibleCount;
        top = ChatPane()->scrollTop;
    });
    standin::Tab();
    Snap(&recalled);
    visit.Quit();
    EXPECT_EQ(SentLines(), (Lines{"/qvnotifyx", "/join  Some Channel", "/WHO x"}));
    EXPECT_EQ(after.pane.size(), before.pane.size());
    EXPECT_EQ(after.input, "");
    EXPECT_EQ(recalled.input, "/WHO x");
    ASSERT_GT(shown, 0);
    ASSERT_GT((int)after.pane.size(), shown);
    EXPECT_EQ(top, (int)after.pane.size() - shown);
}

// Tab walks newest first, down to the second line; the first is gone and the
// walk starts over. Enter ends the walk: the next Tab starts from the newest.
TEST(ChatInput, HistoryKeepsTheTenNewestSlashLines) {
    Visit visit;
    for (int i = 1; i <= 11; ++i)
        Say("/cmd" + std::to_string(i));
    std::vector<Screen> walk(12);
    for (Screen& s : walk) {
        standin::Tab();
        Snap(&s);
    }
    Say(" more"); // stores "/cmd10 more"
    Screen after;
    standin::Tab();
    Snap(&after);
    visit.Quit();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(walk[i].input, "/cmd" + std::to_string(11 - i)) << "Tab " << i + 1;
    EXPECT_EQ(walk[10].input, "/cmd11");
    EXPECT_EQ(walk[11].input, "/cmd10");
    EXPECT_EQ(after.input, "/cmd10 more");
    EXPECT_EQ(SentLines().size(), 12u);
}

// What each typed line sends (empty: nothing) and the red line it leaves in
// the pane (empty: none). The first comes before any whisper; the others after
// whispers from two accounts, the latest of which the reply addresses.
TEST(ChatInput, ReplyCommandsAnswerTheLatestWhisperer) {
    struct Case {
        const char *typed, *sent, *paneLine;
    } const cases[] = {
        {"/r hello", "", "Nobody to reply to!"},
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
    std::vector<Screen> before(n), after(n);
    std::vector<size_t> sentBefore(n), sentAfter(n);
    for (int i = 0; i < n; ++i) {
        if (i == 1) {
            Push(4, 0, "Old*Earlier", "first");
            Push(4, 0, "Nim*Acct", "psst");
        }
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
// any case. A refused line stays under the warning; confirming the warning
// empties the line, and nothing of it is sent, echoed or stored.
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
    Screen before, end;
    std::vector<bool> warned(n), gone(n);
    std::vector<std::string> kept(n), confirmed(n);
    Snap(&before);
    for (int i = 0; i < n; ++i) {
        Say(cases[i].line);
        standin::Check([&, i] {
            warned[i] = Showing(11063) && Showing(11064);
            kept[i] = Look().input;
        });
        if (!cases[i].refused) continue;
        standin::Click(kOkLabel);
        standin::Check([&, i] {
            confirmed[i] = Look().input;
            gone[i] = !Showing(11064);
        });
    }
    standin::Tab();
    Snap(&end);
    visit.Quit();
    Lines expected;
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE(cases[i].line);
        EXPECT_EQ(warned[i], cases[i].refused);
        EXPECT_EQ(kept[i], cases[i].refused ? cases[i].line : "");
        if (cases[i].refused) {
            EXPECT_EQ(confirmed[i], "");
            EXPECT_TRUE(gone[i]);
        } else {
            expected.push_back(cases[i].line);
        }
    }
    EXPECT_EQ(SentLines(), expected);
    EXPECT_EQ(end.pane.size(), before.pane.size() + expected.size()) << "only the sent lines are echoed";
    EXPECT_EQ(end.input, "") << "the refused slash line was not stored";
}

// The whisper wrap is stored like a slash line and not echoed. The guard word
// is tested on the typed text, not the wrap: the selected account is "Darn".
TEST(ChatInput, WhisperWrapIsStoredUnechoedAndNotGuardTested) {
    GuardedVisit visit;
    Screen before, after, recalled;
    AddAndSelect("Nim*Darn");
    Snap(&before);
    standin::Type("a secret");
    standin::Click(kWhisperLabel);
    Snap(&after);
    standin::Tab();
    Snap(&recalled);
    visit.Quit();
    EXPECT_EQ(SentLines(), Lines{"/whisper *Darn a secret"});
    EXPECT_EQ(after.pane.size(), before.pane.size());
    EXPECT_EQ(after.input, "");
    EXPECT_EQ(recalled.input, "/whisper *Darn a secret");
}

// Ctrl+N with the caret at a position of the typed text, each in a fresh
// channel; a null user: one is in the channel but nobody is selected.
TEST(ChatInput, CtrlNInsertsTheSelectedCharacterNameAtTheCaret) {
    struct Case {
        const char *user, *typed;
        int caret;
        const char* result;
    } const cases[] = {
        {"Nim*Acct", "hi there", 3, "hi Nimthere"},
        {"Nim*Acct", "hi there", 0, "Nimhi there"},
        {"Nim*Acct", "hi there", 8, "hi thereNim"},
        {"*Lone", "hi there", 3, "hi *Lonethere"},
        {"Plain", "hi there", 8, "hi therePlain"},
        {nullptr, "hi there", 3, "hi there"},
        {"Nim*Acct", "", 0, ""},
    };
    const int n = std::size(cases);
    Visit visit;
    std::vector<std::string> got(n);
    for (int i = 0; i < n; ++i) {
        Push(7, 0, "", "Lobby"); // a fresh channel: no users, no selection
        if (cases[i].user) {
            AddAndSelect(cases[i].user);
        } else {
            Push(1, 0, "Nim*Acct", "TAHC");
            standin::Frames(1);
        }
        standin::Type(cases[i].typed);
        standin::Check([&, i] { Input()->caret = cases[i].caret; });
        standin::CtrlN();
        standin::Check([&, i] { got[i] = Look().input; });
        standin::Enter();
    }
    visit.Quit();
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(got[i], cases[i].result) << (cases[i].user ? cases[i].user : "nobody") << " at "
                                           << cases[i].caret << " of \"" << cases[i].typed << "\"";
}
