// The stand-in driven live, as the window drives it: the edit keys a person
// presses, the frame hook that lifts the idle limit, and the simulated crowd
// that answers the lobby like a chat server and a realm.
#include <gtest/gtest.h>

#include <cstring>

#include "../Src/platform/QvZendriClient.h"
#include "../host/standin/Live.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

std::string InputText() {
    return standin::Utf8(Input()->editText);
}

// A visit whose frames step the crowd, as the window's frame hook does.
struct CrowdVisit : Visit {
    explicit CrowdVisit(int users, uint32_t seed = 1, uint32_t period = 1500) {
        standin::ResetAll();
        standin::CrowdOptions o;
        o.users = users;
        o.seed = seed;
        o.periodMs = period;
        standin::StartCrowd(o);
        standin::SetFrameHook(standin::StepCrowd);
    }
    ~CrowdVisit() {
        standin::SetFrameHook(nullptr);
        standin::StopCrowd();
    }
};

// The account of the first figure that is not the player's ("" when none).
std::string SomeCrowdAccount() {
    for (standin::Figure* f : standin::Figures()) {
        std::string label = standin::Utf8(f->labels[0]);
        if (label != "*Tester" && label.size() > 1) return label.substr(1);
    }
    return "";
}

bool PaneHas(const std::string& text) {
    for (const std::string& line : PaneLines())
        if (line == text) return true;
    return false;
}

} // namespace

// ---- edit keys -----------------------------------------------------------------------------
TEST(EditKeys, BackspaceDeleteAndCaretMovesEditTheFocusedBox) {
    Visit visit;
    standin::Type("abcd");
    standin::Check([] {
        standin::PressEditKey(standin::kKeyLeft);
        standin::PressEditKey(standin::kKeyBackspace); // removes c
        EXPECT_EQ(InputText(), "abd");
        EXPECT_EQ(Input()->caret, 2);
        standin::PressEditKey(standin::kKeyHome);
        standin::PressEditKey(standin::kKeyBackspace); // nothing before the caret
        standin::PressEditKey(standin::kKeyDelete);    // removes a
        EXPECT_EQ(InputText(), "bd");
        EXPECT_EQ(Input()->caret, 0);
        standin::PressEditKey(standin::kKeyEnd);
        standin::PressEditKey(standin::kKeyDelete); // nothing after the caret
        EXPECT_EQ(InputText(), "bd");
        EXPECT_EQ(Input()->caret, 2);
        standin::PressEditKey(standin::kKeyRight); // stays at the end
        EXPECT_EQ(Input()->caret, 2);
    });
    visit.Quit();
}

TEST(EditKeys, EmptyingTheBoxRunsTheChangeCallback) {
    Visit visit;
    standin::Type("a");
    standin::Check([] {
        EXPECT_TRUE(standin::FindByTextId(kSendLabel)->enabled);
        standin::PressEditKey(standin::kKeyBackspace);
        EXPECT_EQ(InputText(), "");
        EXPECT_FALSE(standin::FindByTextId(kSendLabel)->enabled); // the lobby saw the change
    });
    visit.Quit();
}

TEST(EditKeys, ASelectedTextGoesAtOnce) {
    Visit visit;
    standin::Type("hello");
    standin::Check([] {
        EditSelectAll(Input()->handle);
        EXPECT_TRUE(standin::EditAllSelected(Input()));
        standin::PressEditKey(standin::kKeyDelete);
        EXPECT_EQ(InputText(), "");
        EXPECT_FALSE(standin::EditAllSelected(Input()));
        EXPECT_FALSE(standin::EditAllSelected(ChatPane())); // not an edit box
    });
    visit.Quit();
}

// ---- frame hook ------------------------------------------------------------------------------
TEST(FrameHook, LiftsTheIdleLimitUntilEveryLoopIsEnded) {
    Visit visit;
    int frames = 0;
    standin::SetFrameHook([&frames] {
        if (++frames == standin::kIdleFrameLimit + 500) standin::EndAllScreenLoops();
    });
    EXPECT_EQ(standin::RunVisit(QueryInterface(), &visit.record), 0u); // ended from outside: no result
    standin::SetFrameHook(nullptr);
    EXPECT_EQ(frames, standin::kIdleFrameLimit + 500);
    EXPECT_FALSE(standin::LoopTimedOut());
    EXPECT_EQ(standin::LoopDepth(), 0);
}

// ---- crowd ------------------------------------------------------------------------------------
TEST(Crowd, EnteringChatJoinsTheChannelWithThePlayerAndTheCrowd) {
    CrowdVisit visit(5);
    standin::Frames(10);
    standin::Check([] {
        EXPECT_TRUE(PaneHas("You have joined channel: Lobby"));
        EXPECT_EQ(standin::Utf8(TitleList()->lines.back().text), "Lobby (6)");
        EXPECT_EQ(standin::LiveFigureCount(), 6);
        EXPECT_EQ(standin::CrowdUsers(), 5);
    });
    EXPECT_EQ(visit.Quit(), 4u);
}

TEST(Crowd, TheSeedDecidesWhoIsThere) {
    auto names = [](uint32_t seed) {
        std::vector<std::string> out;
        CrowdVisit visit(6, seed);
        standin::Frames(10);
        standin::Check([&out] {
            for (standin::Figure* f : standin::Figures())
                out.push_back(standin::Utf8(f->labels[0]) + "/" + standin::Utf8(f->labels[1]));
        });
        visit.Quit();
        return out;
    };
    std::vector<std::string> first = names(11);
    ASSERT_EQ(first.size(), 7u);
    EXPECT_EQ(names(11), first);
    EXPECT_NE(names(12), first);
}

TEST(Crowd, WhispersAreSentAndAnswered) {
    CrowdVisit visit(4);
    standin::Frames(8);
    std::string account;
    standin::Check([&account] {
        account = SomeCrowdAccount();
        ASSERT_FALSE(account.empty());
        standin::TypeText(("/w *" + account + " hello there").c_str());
        standin::PressEnter();
    });
    standin::Frames(3);
    standin::Check([&account] {
        bool sent = false;
        for (const std::string& line : PaneLines())
            sent |= line.find("You whisper to ") == 0 && line.find(": hello there") != std::string::npos;
        EXPECT_TRUE(sent);
    });
    standin::Wait(5000);
    standin::Frames(3);
    standin::Check([&account] {
        bool answered = false;
        for (const std::string& line : PaneLines())
            answered |=
                line.find("whispers: ") != std::string::npos && line.find(account) != std::string::npos;
        EXPECT_TRUE(answered) << account;
    });
    visit.Quit();
}

TEST(Crowd, WhisperToSomeoneAbsentGetsANotice) {
    CrowdVisit visit(2);
    standin::Frames(5);
    Say("/w *Nobody99 are you there");
    standin::Frames(3);
    standin::Check([] { EXPECT_TRUE(PaneHas("That user is not logged on.")); });
    visit.Quit();
}

TEST(Crowd, SquelchAndUnsquelchChangeTheUsersFlags) {
    CrowdVisit visit(3);
    standin::Frames(6);
    std::string account;
    auto squelched = [&account] {
        for (standin::Figure* f : standin::Figures())
            if (standin::Utf8(f->labels[0]) == "*" + account) return (f->flags & (1u << 9)) != 0;
        ADD_FAILURE() << "no figure of " << account;
        return false;
    };
    standin::Check([&] {
        account = SomeCrowdAccount();
        EXPECT_FALSE(squelched());
        standin::TypeText(("/squelch *" + account).c_str());
        standin::PressEnter();
    });
    standin::Frames(3);
    standin::Check([&] {
        EXPECT_TRUE(squelched());
        standin::TypeText(("/unsquelch *" + account).c_str());
        standin::PressEnter();
    });
    standin::Frames(3);
    standin::Check([&] { EXPECT_FALSE(squelched()); });
    visit.Quit();
}

TEST(Crowd, TalksAtASteadyRate) {
    // One event a second on average, spaced 0.5 to 1.5 s: 60 s give 40 to 120
    // events, each one pane line once join and leave notices are on.
    CrowdVisit visit(10, 3, 1000);
    standin::Frames(15);
    Say("/qvnotify");
    size_t before = 0;
    standin::Frames(2);
    standin::Check([&before] { before = PaneLines().size(); });
    for (int s = 0; s < 60; ++s) {
        standin::Wait(1000);
        standin::Frames(2);
    }
    standin::Frames(20);
    standin::Check([&before] {
        size_t lines = PaneLines().size() - before;
        EXPECT_GE(lines, 40u);
        EXPECT_LE(lines, 121u);
        EXPECT_GE(standin::CrowdUsers(), 10 * 3 / 4);
        EXPECT_LE(standin::CrowdUsers(), 10 * 5 / 4 + 1);
    });
    visit.Quit();
}

TEST(Crowd, TheRealmListsGamesAndCloseTheList) {
    standin::ResetAll();
    standin::CrowdOptions o;
    standin::StartCrowd(o);
    EXPECT_TRUE(RealmIsConnected());
    RealmRequestGameList(nullptr, 9);
    standin::StepCrowd();
    std::vector<std::string> names;
    bool closed = false;
    const uint8_t* record = nullptr;
    uint32_t size = 0;
    while (RealmNextListReply(&record, &size) == 9) {
        ASSERT_GE(size, 76u);
        uint32_t end = 0;
        uint16_t id = 0;
        memcpy(&end, record, 4);
        memcpy(&id, record + 4, 2);
        EXPECT_EQ(id, 9);
        EXPECT_FALSE(closed) << "a game after the closing reply";
        if (end)
            closed = true;
        else
            names.push_back(std::string((const char*)record + 28, strnlen((const char*)record + 28, 16)));
        RealmReleaseReply();
    }
    EXPECT_TRUE(closed);
    EXPECT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], "crypt run");
    standin::StopCrowd();
}
