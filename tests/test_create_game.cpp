// The create-game dialog: field rules, remembered settings, difficulty
// unlocking, the level restriction, the request in both modes and the realm's
// answers; the creation queue screen and the withdrawal of a queued creation.
#include <unistd.h>

#include "../Src/games/CreateGame.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

constexpr int kCreateButtonLabel = 5150;

// A chat-layout visit on a connected realm (unless open) whose remembered
// settings live in a registry of its own.
struct CreateVisit : Visit {
    explicit CreateVisit(bool open = false) {
        std::string path = testing::TempDir() + "qvcreate_" + std::to_string(getpid()) + ".txt";
        std::remove(path.c_str());
        standin::SetRegistryPath(path);
        standin::SetRealmConnected(!open);
        if (!open) SetRealm("Zendri");
    }
};

standin::Control* Slot(int slot) {
    return standin::Find(createGameControls[slot]);
}
std::string TextOf(int slot) {
    return Slot(slot) ? standin::Utf8(Slot(slot)->editText) : "<no field>";
}
int LineColour(int slot) {
    return Slot(slot) && !Slot(slot)->lines.empty() ? Slot(slot)->lines.back().colour : -1;
}
uint32_t Setting(const char* name) {
    uint32_t value = 0;
    return RegistryReadNumber(kSettingsKey, name, 0, &value) ? value : 0xdeadu;
}
void Remember(const char* name, uint32_t value) {
    standin::Enqueue([=] { RegistryWriteNumber(kSettingsKey, name, 0, value); });
}

// Focuses a field and types into it ("\b" is Backspace).
void TypeInto(int slot, const std::string& text) {
    standin::Enqueue([slot, text] {
        SetFocus(createGameControls[slot]);
        standin::TypeText(text.c_str());
    });
}

void OpenAndName(const char* name = "Duel") {
    standin::Click(kCreateLabel);
    TypeInto(kCgNameField, name);
}

// The position line as stored: string 11026, the colour marker with colour 0,
// then the position and a space.
void ExpectPosition(int position) {
    standin::Control* text = Slot(kQueuePositionText);
    ASSERT_TRUE(text && !text->lines.empty());
    EXPECT_EQ(standin::Utf8(text->lines.back().text),
              Text(11026) + kMarker + "0" + std::to_string(position) + " ");
}

// Name and arguments of the realm call recorded right after the last call of that name.
std::string CallAfter(const std::string& name) {
    auto calls = standin::RealmCalls();
    for (size_t i = calls.size(); i-- > 0;)
        if (calls[i].name == name && i + 1 < calls.size()) {
            std::string text = calls[i + 1].name;
            for (const std::string& arg : calls[i + 1].args)
                text += " " + arg;
            return text;
        }
    return "<none>";
}

Texts LastCreate() {
    auto creates = RealmArgs("RealmCreateGame");
    return creates.empty() ? Texts() : creates.back();
}

// The dialog and the queue screen are gone, the lobby has its buttons back
// (the create button is checked only after Escape from the queue screen).
void ExpectPlainLobby(bool createReleased = true) {
    for (QvControl c : createGameControls)
        EXPECT_EQ(c, nullptr);
    EXPECT_TRUE(!createReleased || !standin::FindByTextId(kCreateLabel)->pressed);
    EXPECT_EQ(standin::CancelControl(), standin::FindByTextId(kQuitLabel)->handle);
}

} // namespace

// The fields' characters and lengths: create_game_fields.scn.
// The released level restriction: create_game_no_level.scn.

// Absent settings are written with their defaults. (Remembered ones within
// their bounds and the arrows stopping at them: create_game_remembered.scn.)
TEST(CreateGameDialog, AbsentSettingsAreWrittenWithTheirDefaults) {
    CreateVisit visit;
    standin::Click(kCreateLabel);
    standin::Check([] {
        EXPECT_EQ(Setting("MAX_PLAYER"), 4u);
        EXPECT_EQ(Setting("DIFF_LEVEL"), 0u);
        EXPECT_EQ(Setting("LVL_REST"), 4u);
        EXPECT_TRUE(Slot(kCgLevelCheckBox)->pressed);
        EXPECT_EQ(TextOf(kCgLevelField), "4");
    });
    visit.Quit();
}

TEST(CreateGameDialog, DifficultiesUnlockWithProgress) {
    CreateVisit visit;
    const struct {
        int progress;
        uint16_t flags;
        uint32_t remembered;
        int selected;
        bool open1, open2;
    } cases[] = {
        {4, 0, 1, 1, true, false},    {4, 0, 2, 0, true, false},    {4, 0x20, 1, 0, false, false},
        {5, 0x20, 1, 1, true, false}, {8, 0, 2, 2, true, true},     {9, 0x20, 2, 0, true, false},
        {10, 0x20, 2, 2, true, true}, {31, 0x04, 0, 0, true, true},
    };
    for (const auto& c : cases) {
        standin::Enqueue([&visit, c] { visit.record.characterFlags = Progress(c.progress, c.flags); });
        Remember("DIFF_LEVEL", c.remembered);
        standin::Click(kCreateLabel);
        standin::Check([&visit, c] {
            bool open[3] = {true, c.open1, c.open2};
            for (int d = 0; d < 3; ++d) {
                standin::Control* button = Slot(kCgDifficulty0 + d);
                EXPECT_EQ(button->enabled, open[d]) << c.progress << " " << d;
                EXPECT_EQ(button->pressed, d == c.selected) << c.progress << " " << d;
                EXPECT_EQ(standin::ImagePath(button->image).ends_with("radiobuttonGrey"), !open[d]);
                EXPECT_EQ(LineColour(kCgDifficultyLabel0 + d), open[d] ? 4 : 5);
            }
            EXPECT_EQ(selectedDifficulty, c.selected);
            EXPECT_EQ(visit.record.gameDifficulty, c.selected);
        });
    }
    visit.Quit();
}

// The tab chains of both modes and Escape's plain lobby: create_game_tabs.scn,
// create_game_tabs_open.scn.

// The request resets the realm client first and carries the cleaned fields; the
// settings are remembered. (The record of the game made: create_game.scn.)
TEST(CreateGameRequest, RealmRecordHoldsTheCleanedFieldsAndTheSettingsAreRemembered) {
    CreateVisit visit;
    visit.record.characterFlags = Progress(8);
    OpenAndName("Duel");
    TypeInto(kCgPasswordField, " pw ");
    TypeInto(kCgDescriptionField, "friendly");
    TypeInto(kCgPlayersField, "\b7");
    TypeInto(kCgLevelField, "\b300"); // a level difference above 99 is corrected to 99
    standin::ClickAt(kButton, 698, 381);
    standin::Click(kCreateButtonLabel);
    standin::Check([&visit] {
        EXPECT_EQ(lobbyState, kLobbyCreatePending);
        EXPECT_EQ(pendingRequestId, standin::RealmLastRequestId());
        EXPECT_EQ(visit.NextAction(), 2u);
        EXPECT_STREQ(visit.record.gamePassword, "pw");
        EXPECT_TRUE(CallAfter("RealmReset").starts_with("RealmCreateGame"))
            << "reset right before the request";
    });
    standin::Click(kCancelLabel); // ends the wait
    visit.Quit();
    EXPECT_EQ(LastCreate(), (Texts{"Duel", "pw", "friendly", "8192", "1", "99", "7", "2"}));
    EXPECT_EQ(Setting("MAX_PLAYER"), 7u);
    EXPECT_EQ(Setting("DIFF_LEVEL"), 2u);
    EXPECT_EQ(Setting("LVL_REST"), 99u);
}

// Each failed status's message and a realm that is down: create_game_refused.scn.
// An open game's announcement and start: create_open_00/04/20/24.scn; a refusal
// of the service's queue: create_open_refused.scn.

// A creation is withdrawn from the wait popup's Cancel, or by Escape from the
// queue screen, which replaces the dialog and locks Join; either way a status
// the realm sends anyway is shown. (The position's re-reading on the screen's
// tick, the Cancel button and the hidden side panel: create_game.scn.)
TEST(CreationQueue, CancelledWaitOrEscapedQueueWithdrawsButALateStatusIsStillShown) {
    for (bool queued : {false, true}) {
        SCOPED_TRACE(queued ? "queued" : "waiting");
        Fresh();
        CreateVisit visit;
        if (queued) standin::ScriptCreateQueue(3, 1000, 0x20);
        OpenAndName();
        standin::Click(kCreateButtonLabel);
        standin::Check([queued] {
            EXPECT_EQ(createGameControls[kCgNameField], nullptr) << "the dialog made way";
            EXPECT_FALSE(standin::FindByTextId(kJoinLabel)->enabled);
            EXPECT_EQ(standin::LoopDepth(), queued ? 1 : 2) << "the wait runs its own loop";
            EXPECT_EQ(PopupText(), queued ? "" : Text(kPleaseWait));
            if (!queued) return;
            ASSERT_EQ(Slot(kQueuePositionText)->lines.size(), 3u);
            EXPECT_EQ(standin::Utf8(Slot(kQueuePositionText)->lines[0].text), Text(11023));
            EXPECT_EQ(standin::Utf8(Slot(kQueuePositionText)->lines[1].text), " ");
            ExpectPosition(3);
        });
        queued ? standin::Escape() : standin::Click(kCancelLabel);
        standin::Check([queued] {
            EXPECT_EQ(standin::LoopDepth(), 1);
            EXPECT_EQ(CallAfter("RealmLeaveQueue"), "RealmReset 0");
            ExpectPlainLobby(queued);
            EXPECT_EQ(PopupText(), "");
            EXPECT_TRUE(SidePanelTextBox()->shown);
            EXPECT_EQ(lobbyState, kLobbyCreatePending);
            EXPECT_TRUE(standin::FindByTextId(kJoinLabel)->enabled) << "a withdrawn creation waits no more";
        });
        standin::Wait(5000);
        standin::Check([] { EXPECT_EQ(PanelMessage(), nullptr) << "a withdrawn request is never answered"; });
        Answer(queued ? 0x20 : 0x1f); // unless the realm answers it anyway
        standin::Check([queued] {
            EXPECT_EQ(lobbyState, kLobbyIdle);
            EXPECT_EQ(PanelText(), Text(queued ? 5139 : 5138));
        });
        visit.Quit();
        EXPECT_EQ(RealmArgs("RealmLeaveQueue").size(), 1u) << "nothing left to withdraw at the end";
    }
}

// Join locked while a queued creation and its join wait: create_queue_join_lock.scn.

TEST(CreationQueue, TheVisitEndWithdrawsAWaitingCreation) {
    CreateVisit visit;
    standin::SetRealmQueued(true, 4); // an earlier creation still waits
    standin::Click(kCreateLabel);
    standin::Check([] { ExpectPosition(4); });
    EXPECT_EQ(visit.Quit(), 4u);
    EXPECT_EQ(RealmArgs("RealmLeaveQueue").size(), 1u);
    EXPECT_EQ(CallAfter("RealmLeaveQueue"), "RealmReset 0");
    EXPECT_EQ(standin::LiveControlCount(), 0);
}

// ---- checks added after the mutation run (tools/mutate.py) ------------------------
// A description as long as the field admits (32 characters) reaches the realm
// cut to the record's 31 and their terminator.
TEST(CreateGameMutants, FullDescriptionIsCutToTheRecord) {
    CreateVisit visit;
    const std::string full(32, 'd');
    OpenAndName("Duel");
    TypeInto(kCgDescriptionField, full);
    standin::Click(kCreateButtonLabel);
    standin::Click(kCancelLabel);
    visit.Quit();
    std::vector<std::string> create = LastCreate();
    ASSERT_GE(create.size(), 3u);
    EXPECT_EQ(create[2], full.substr(0, 31));
}

// The name field admits the letters at both ends of each range.
TEST(CreateGameMutants, NameAdmitsAToZ) {
    CreateVisit visit;
    OpenAndName("AZaz09");
    std::string shown;
    standin::Check([&shown] { shown = TextOf(kCgNameField); });
    visit.Quit();
    EXPECT_EQ(shown, "AZaz09");
}
