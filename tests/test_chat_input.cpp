// The chat input line: sending, the lobby's own commands, the slash-line
// history, the guard word and Ctrl+N, driven through a lobby visit in the
// chat layout. (A talk line sent, echoed and emptied, "/qvnotify" turning the
// notices on: chat_input.scn.)
#include <gtest/gtest.h>

#include <memory>
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

// What a scripted step did: the lines it sent, the pane lines it added (texts
// and colours) and the input line after it.
struct Effect {
    Lines sent, shown;
    std::vector<int> colours;
    std::string input;
};

// Scripts step (typing, keys, clicks) and records its effect a frame later.
template <class Step> void Record(Effect* e, Step step) {
    auto before = std::make_shared<std::pair<size_t, size_t>>();
    standin::Check([=] { *before = {SentLines().size(), Look().pane.size()}; });
    step();
    standin::Frames(1);
    standin::Check([=] {
        Lines sent = SentLines();
        e->sent.assign(sent.begin() + (long)before->first, sent.end());
        Screen s = Look();
        for (size_t i = before->second; i < s.pane.size(); ++i) {
            e->shown.push_back(standin::Utf8(s.pane[i].text));
            e->colours.push_back(s.pane[i].colour);
        }
        e->input = s.input;
    });
}

} // namespace

// An empty line or one of spaces is neither sent nor stored; Tab with nothing
// stored leaves the line as it is.
TEST(ChatInput, BlankLinesAreNeitherSentNorStored) {
    Visit visit;
    Effect blank, typed;
    Record(&blank, [] {
        standin::Enter(); // nothing typed
        Say("   ");
        standin::Tab();
    });
    Record(&typed, [] {
        standin::Type("hello there");
        standin::Tab();
    });
    visit.Quit();
    EXPECT_TRUE(SentLines().empty());
    EXPECT_TRUE(blank.shown.empty());
    EXPECT_EQ(blank.input, "");
    EXPECT_EQ(typed.input, "hello there");
}

// Slash lines other than the lobby's own go to the service as typed, are
// stored and not echoed; a sent line brings a scrolled-back pane to its end.
TEST(ChatInput, OtherSlashLinesReachTheServiceUnchangedWithoutEcho) {
    Visit visit;
    for (int i = 0; i < 60; ++i)
        standin::PushChatEvent(6, 0, "", "notice " + std::to_string(i));
    standin::Frames(61);
    standin::Check([] { ChatPane()->scrollTop = 0; });
    Effect slash, recalled;
    int top = -1, end = -1;
    Record(&slash, [] {
        Say("/qvnotifyx"); // not the lobby's command: the word must stand alone
        Say("/join  Some Channel");
        Say("/WHO x");
    });
    standin::Check([&] {
        top = ChatPane()->scrollTop;
        end = (int)ChatPane()->lines.size() - ChatPane()->visibleCount;
    });
    Record(&recalled, [] { standin::Tab(); });
    visit.Quit();
    EXPECT_EQ(slash.sent, (Lines{"/qvnotifyx", "/join  Some Channel", "/WHO x"}));
    EXPECT_TRUE(slash.shown.empty());
    EXPECT_EQ(slash.input, "");
    EXPECT_EQ(recalled.input, "/WHO x");
    ASSERT_GT(end, 0);
    EXPECT_EQ(top, end);
}

// Tab walks newest first, down to the second line; the first is gone and the
// walk starts over. Enter ends the walk: the next Tab starts from the newest.
TEST(ChatInput, HistoryKeepsTheTenNewestSlashLines) {
    Visit visit;
    for (int i = 1; i <= 11; ++i)
        Say("/cmd" + std::to_string(i));
    std::vector<Effect> walk(13);
    for (int i = 0; i < 13; ++i) {
        if (i == 12) Say(" more"); // stores "/cmd10 more"
        Record(&walk[(size_t)i], [] { standin::Tab(); });
    }
    visit.Quit();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(walk[(size_t)i].input, "/cmd" + std::to_string(11 - i)) << "Tab " << i + 1;
    EXPECT_EQ(walk[10].input, "/cmd11");
    EXPECT_EQ(walk[11].input, "/cmd10");
    EXPECT_EQ(walk[12].input, "/cmd10 more");
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
    const size_t n = std::size(cases);
    Visit visit;
    std::vector<Effect> got(n);
    for (size_t i = 0; i < n; ++i) {
        if (i == 1) {
            Push(4, 0, "Old*Earlier", "first");
            Push(4, 0, "Nim*Acct", "psst");
            standin::Frames(2);
        }
        Record(&got[i], [&] { Say(cases[i].typed); });
    }
    visit.Quit();
    for (size_t i = 0; i < n; ++i) {
        SCOPED_TRACE(cases[i].typed);
        EXPECT_EQ(got[i].sent, cases[i].sent[0] ? Lines{cases[i].sent} : Lines{});
        EXPECT_EQ(got[i].shown, cases[i].paneLine[0] ? Lines{cases[i].paneLine} : Lines{});
        EXPECT_EQ(got[i].colours, std::vector<int>(got[i].shown.size(), 1));
        EXPECT_EQ(got[i].input, "");
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
        Effect said, recalled;
        bool lost = false;
        Record(&said, [&] { Say(c.line); });
        standin::Check([&] { lost = Showing(kConnectionLost); });
        Record(&recalled, [] { standin::Tab(); }); // the popup leaves the input line working
        standin::Click(kOkLabel);
        EXPECT_EQ(visit.Run(), 4u);
        EXPECT_TRUE(lost);
        EXPECT_TRUE(SentLines().empty());
        EXPECT_EQ(said.input, c.kept);
        EXPECT_EQ(recalled.input, c.recalled);
    }
}

// "/qvnotify", in any case and with anything after it, flips the notices
// without the service, also while it is down.
TEST(ChatInput, NotifyFlipsTheNoticesEvenWhileDisconnected) {
    Visit visit;
    Effect on, off;
    standin::Check([] { standin::SetChatConnected(false); });
    Record(&on, [] { Say("/qvnotify anything at all"); });
    standin::Check([] { standin::SetChatConnected(true); });
    Record(&off, [] { Say("/QVNotify"); });
    visit.Quit();
    EXPECT_EQ(on.shown, Lines{"Player entering/leaving notifications are enabled."});
    EXPECT_EQ(off.shown, Lines{"Player entering/leaving notifications are disabled."});
    EXPECT_EQ(off.colours, std::vector<int>{3});
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
    Effect whisper, recalled;
    AddAndSelect("Nim*Darn");
    Record(&whisper, [] {
        standin::Type("a secret");
        standin::Click(kWhisperLabel);
    });
    Record(&recalled, [] { standin::Tab(); });
    visit.Quit();
    EXPECT_EQ(whisper.sent, Lines{"/whisper *Darn a secret"});
    EXPECT_TRUE(whisper.shown.empty());
    EXPECT_EQ(whisper.input, "");
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
