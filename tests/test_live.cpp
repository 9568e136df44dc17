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

// Whether a pane line is text, or holds both parts.
bool PaneHas(const std::string& text, const std::string& part = "") {
    for (const std::string& line : PaneLines())
        if (part.empty() ? line == text
                         : line.find(text) != std::string::npos && line.find(part) != std::string::npos)
            return true;
    return false;
}

// Types the line and presses Enter now (Say scripts it for later).
void SayNow(const std::string& line) {
    standin::TypeText(line.c_str());
    standin::PressEnter();
}

} // namespace

// ---- edit keys -----------------------------------------------------------------------------
TEST(EditKeys, BackspaceDeleteAndCaretMovesEditTheFocusedBoxAndRunTheChangeCallback) {
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
        standin::PressEditKey(standin::kKeyRight);  // stays at the end
        standin::PressEditKey(standin::kKeyDelete); // nothing after the caret
        EXPECT_EQ(InputText(), "bd");
        EXPECT_EQ(Input()->caret, 2);
        // A selected text goes at once; emptying the box disables Send, so the
        // lobby saw the change.
        EXPECT_TRUE(standin::FindByTextId(kSendLabel)->enabled);
        EditSelectAll(Input()->handle);
        EXPECT_TRUE(standin::EditAllSelected(Input()));
        standin::PressEditKey(standin::kKeyDelete);
        EXPECT_EQ(InputText(), "");
        EXPECT_FALSE(standin::EditAllSelected(Input()));
        EXPECT_FALSE(standin::EditAllSelected(ChatPane())); // not an edit box
        EXPECT_FALSE(standin::FindByTextId(kSendLabel)->enabled);
        standin::TypeText("a");
        EXPECT_TRUE(standin::FindByTextId(kSendLabel)->enabled);
        standin::PressEditKey(standin::kKeyBackspace);
        EXPECT_EQ(InputText(), "");
        EXPECT_FALSE(standin::FindByTextId(kSendLabel)->enabled);
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
TEST(Crowd, EnteringChatJoinsTheChannelWithThePlayerAndTheCrowdTheSeedPicks) {
    auto join = [](uint32_t seed) {
        std::vector<std::string> names;
        CrowdVisit visit(5, seed);
        standin::Frames(10);
        standin::Check([&names] {
            EXPECT_TRUE(PaneHas("You have joined channel: Lobby"));
            EXPECT_EQ(standin::Utf8(TitleList()->lines.back().text), "Lobby (6)");
            EXPECT_EQ(standin::LiveFigureCount(), 6);
            EXPECT_EQ(standin::CrowdUsers(), 5);
            for (standin::Figure* f : standin::Figures())
                names.push_back(standin::Utf8(f->labels[0]) + "/" + standin::Utf8(f->labels[1]));
        });
        EXPECT_EQ(visit.Quit(), 4u);
        return names;
    };
    std::vector<std::string> first = join(11);
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(join(11), first);
    EXPECT_NE(join(12), first);
}

// The crowd answers what the player sends like a chat server: whispers, a
// whisper to someone absent, squelch and unsquelch.
TEST(Crowd, AnswersWhispersAndSquelchesLikeAChatServer) {
    CrowdVisit visit(4);
    standin::Frames(8);
    std::string account;
    auto squelched = [&account] {
        for (standin::Figure* f : standin::Figures())
            if (standin::Utf8(f->labels[0]) == "*" + account) return (f->flags & (1u << 9)) != 0;
        ADD_FAILURE() << "no figure of " << account;
        return false;
    };
    standin::Check([&] {
        account = SomeCrowdAccount();
        ASSERT_FALSE(account.empty());
        EXPECT_FALSE(squelched());
        SayNow("/w *" + account + " hello there");
    });
    standin::Frames(3);
    standin::Check([&] {
        EXPECT_TRUE(PaneHas("You whisper to ", ": hello there"));
        SayNow("/squelch *" + account);
    });
    standin::Frames(3);
    standin::Check([&] {
        EXPECT_TRUE(squelched());
        SayNow("/unsquelch *" + account);
    });
    standin::Frames(3);
    standin::Check([&] { EXPECT_FALSE(squelched()); });
    standin::Wait(5000);
    standin::Frames(3);
    standin::Check([&account] { EXPECT_TRUE(PaneHas(" whispers: ", account)) << account; });
    Say("/w *Nobody99 are you there");
    standin::Frames(3);
    standin::Check([] { EXPECT_TRUE(PaneHas("That user is not logged on.")); });
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

// A right click on a crowd user's figure shows the profile the crowd answers
// once the lobby has asked for it (the wait message comes first).
TEST(Crowd, AnswersTheProfileOfTheUserClicked) {
    CrowdVisit visit(4);
    standin::Frames(8);
    int cellX = -1;
    standin::Check([&cellX] {
        for (standin::Figure* f : standin::Figures())
            if (standin::Utf8(f->labels[0]) != "*Tester" && f->x >= 0) cellX = 40 + (f->x - 40) / 60 * 60;
        ASSERT_GE(cellX, 40);
    });
    standin::Enqueue([&cellX] { standin::RightClickControl(standin::FindAt(kClickArea, cellX, 591)); });
    standin::Frames(5);
    standin::Check([] {
        standin::Control* description = standin::FindAt(kTextList, 432, 387);
        ASSERT_NE(description, nullptr) << "no profile panel";
        ASSERT_FALSE(description->rows.empty());
        EXPECT_FALSE(description->rows[0].text.empty());
        EXPECT_FALSE(Showing(kPleaseWait));
    });
    visit.Quit();
}

namespace {
std::vector<std::string> ladderNames;
void KeepLadderNames(int, int count, int nameSize, int, const void* entries) {
    const uint8_t* at = static_cast<const uint8_t*>(entries);
    uint32_t entry = (uint32_t)(sizeof(LadderEntryHead) + nameSize);
    for (int i = 0; i < count; ++i) {
        const char* name = (const char*)at + i * entry + sizeof(LadderEntryHead);
        ladderNames.push_back(std::string(name, strnlen(name, (size_t)nameSize)));
    }
}
void IgnoreLadderOther(const void*) {}
} // namespace

// The realm lists the crowd's games, closes the list, answers each game's
// details with its players, and serves the ladders with the player on them.
TEST(Crowd, TheRealmListsGamesWithTheirDetailsAndServesTheLadder) {
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
        EXPECT_EQ(record[4] | record[5] << 8, 9);
        EXPECT_FALSE(closed) << "a game after the closing reply";
        closed = record[0] | record[1] | record[2] | record[3];
        if (!closed)
            names.push_back(std::string((const char*)record + 28, strnlen((const char*)record + 28, 16)));
        RealmReleaseReply();
    }
    EXPECT_TRUE(closed);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], "crypt run");
    for (uint16_t g = 0; g < names.size(); ++g) {
        RealmRequestGameInfo(names[g].c_str(), (uint16_t)(20 + g));
        ASSERT_EQ(RealmNextListReply(&record, &size), 20 + g) << names[g];
        ASSERT_EQ(size, sizeof(GameInfoReply));
        GameInfoReply info;
        memcpy(&info, record, sizeof info);
        EXPECT_GE(info.playerCount, 1u);
        EXPECT_LE(info.playerCount, info.maxPlayers);
        EXPECT_NE(info.playerName[0][0], 0) << names[g];
        EXPECT_LT(info.playerClass[0], 7);
        RealmReleaseReply();
    }
    ladderNames.clear();
    RealmSetLadderHandlers(KeepLadderNames, IgnoreLadderOther);
    RealmRequestLadderPosition("Arin", 0, 0);
    RealmRequestLadderPage(0, 16);
    standin::AdvanceTime(1000);
    RealmPump();
    ASSERT_EQ(ladderNames.size(), 32u); // the player's page, then the page asked for
    EXPECT_EQ(ladderNames[41 % 16], "Arin");
    standin::StopCrowd();
}
