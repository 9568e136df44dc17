// The player profile panel: the fetch behind the wait message, the view of
// another player's profile, the edit panel of the player's own, storing it,
// and the ladder button's lookup. Each test right-clicks a figure of the user
// strip in a chat-layout visit, as the player does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;
using Texts = std::vector<std::string>;

namespace {

const Texts kKeys = {"profile\\sex", "profile\\location", "profile\\description"};

// A user of this game in the channel; status bits 0x04 and 0x20 are the lookup's flags.
void AddUser(const std::string& name, uint16_t status = 0) {
    std::string character = name.substr(0, name.find('*'));
    Push(1, 0, name, character.empty() ? "TAHC" : Description("QvXP", character, 2, status));
    standin::Frames(1);
}

void RightClickCell(int cell) {
    standin::RightClickAt(kClickArea, 40 + 60 * cell, 591);
}

Texts Rows(const standin::Control* c) {
    Texts rows;
    if (c)
        for (const standin::ListRow& r : c->rows)
            rows.push_back(r.text);
    return rows;
}

// The panel as a check sees it.
struct Panel {
    bool present = false, edit = false, ladderButton = false;
    Texts account, sex, location, description; // view rows
    std::string fields[3];                     // edit texts
    int maxLengths[3] = {};
    QvControl fieldHandles[3] = {};
    QvControl tabNext[3] = {};
    QvControl focus = nullptr, cancel = nullptr, ok = nullptr, cancelButton = nullptr;
    Texts labels;
};

Panel LookAtPanel() {
    Panel p;
    p.focus = standin::Focus();
    p.cancel = standin::CancelControl();
    standin::Control* title = standin::FindAt(kTextList, 400, 112);
    p.present = title != nullptr;
    if (!p.present) return p;
    p.account = Rows(standin::FindAt(kTextList, 432, 147));
    p.sex = Rows(standin::FindAt(kTextList, 707, 147));
    p.location = Rows(standin::FindAt(kTextList, 432, 199));
    p.description = Rows(standin::FindAt(kTextList, 432, 387));
    const int places[3][2] = {{707, 155}, {432, 207}, {432, 387}};
    for (int i = 0; i < 3; ++i)
        if (standin::Control* f = standin::FindAt(kEditBox, places[i][0], places[i][1])) {
            p.edit = true;
            p.fields[i] = standin::Utf8(f->editText);
            p.maxLengths[i] = f->maxLength;
            p.fieldHandles[i] = f->handle;
            p.tabNext[i] = f->tabNext;
        }
    p.ladderButton = standin::FindAt(kButton, 552, 433) != nullptr;
    if (standin::Control* ok = standin::FindAt(kButton, 671, 433)) p.ok = ok->handle;
    if (standin::Control* c = standin::FindAt(kButton, 433, 433)) p.cancelButton = c->handle;
    for (int x_y : {425129, 700129, 425180, 425230})
        if (standin::Control* l = standin::FindAt(kTextList, x_y / 1000, x_y % 1000))
            p.labels.push_back(standin::Utf8(l->label));
    p.labels.push_back(standin::Utf8(title->label));
    return p;
}

void SnapPanel(Panel* p) {
    standin::Frames(1);
    standin::Check([p] { *p = LookAtPanel(); });
}

Texts ArgsOf(const char* name, size_t index = 0) {
    std::vector<standin::Call> calls = standin::ChatCallsNamed(name);
    return index < calls.size() ? calls[index].args : Texts{};
}

Texts Concat(Texts a, const Texts& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

QvControl InputHandle() {
    return Input() ? Input()->handle : nullptr;
}

} // namespace

TEST(Profile, AnotherPlayersProfileIsShownReadOnly) {
    struct Case {
        const char* user;
        const char* account;
    } const cases[] = {
        {"Mira*Kestrel", "Kestrel"},
        {"*Oskar", "Oskar"},
        {"Oskar*", "Oskar*"}, // an asterisk with nothing after it is part of the name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        standin::ResetAll();
        standin::SetProfile("m", "Westhold", "one\ntwo\r\n\r\nthree\r");
        Visit visit;
        Panel panel;
        QvControl input = nullptr;
        AddUser(c.user);
        standin::Click(kLadderLabel); // pressed now; the fetch releases it
        RightClickCell(0);
        SnapPanel(&panel);
        bool ladderReleased = false;
        standin::Check([&] {
            input = InputHandle();
            ladderReleased = !standin::FindByTextId(kLadderLabel)->pressed;
        });
        visit.Quit();
        EXPECT_EQ(ArgsOf("RequestProfile"), Concat(Concat({c.account, "3", "1"}, kKeys), {"0"}));
        EXPECT_EQ(ArgsOf("PollProfile"), (Texts{"3", "1", "8", "40", "200"}));
        ASSERT_TRUE(panel.present);
        EXPECT_FALSE(panel.edit);
        EXPECT_EQ(panel.account, Texts{c.account});
        EXPECT_EQ(panel.sex, Texts{"m"});
        EXPECT_EQ(panel.location, Texts{"Westhold"});
        EXPECT_EQ(panel.description, (Texts{"one", "two", "three"}));
        EXPECT_EQ(panel.labels, (Texts{"Account", "Sex", "Location", "Description", "Player Profile"}));
        EXPECT_TRUE(panel.ladderButton);
        EXPECT_EQ(panel.cancel, panel.ok) << "OK is the cancel control";
        EXPECT_EQ(panel.cancelButton, nullptr) << "no Cancel button in view mode";
        EXPECT_EQ(panel.focus, input);
        EXPECT_TRUE(ladderReleased);
    }
}

TEST(Profile, OwnProfileIsEditableWithTabOrderAndFocusRule) {
    struct Case {
        const char *sex, *location, *description;
        bool sexFocused;
    } const cases[] = {
        {"", "", "", true},
        {"", "Westhold", "", false},
        {"f", "", "line one\nline two", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        standin::ResetAll();
        standin::SetProfile(c.sex, c.location, c.description);
        Visit visit;
        Panel panel;
        std::string typed;
        AddUser("Arin*Tester");
        RightClickCell(0);
        SnapPanel(&panel);
        standin::Type("Z"); // replaces a selected text, else adds to it
        standin::Check([&] { typed = standin::Utf8(standin::Find(standin::Focus())->editText); });
        visit.Quit();
        EXPECT_EQ(ArgsOf("RequestProfile").at(0), "Tester");
        ASSERT_TRUE(panel.present);
        ASSERT_TRUE(panel.edit);
        EXPECT_EQ(panel.account, Texts{"Tester"});
        EXPECT_EQ(panel.fields[0], c.sex);
        EXPECT_EQ(panel.fields[1], c.location);
        EXPECT_EQ(panel.fields[2], c.description);
        EXPECT_EQ(panel.maxLengths[0], 7);
        EXPECT_EQ(panel.maxLengths[1], 39);
        EXPECT_EQ(panel.maxLengths[2], 199);
        EXPECT_EQ(panel.tabNext[0], panel.fieldHandles[1]);
        EXPECT_EQ(panel.tabNext[1], panel.fieldHandles[2]);
        EXPECT_EQ(panel.tabNext[2], panel.fieldHandles[0]);
        EXPECT_EQ(panel.cancel, panel.cancelButton) << "Cancel is the cancel control";
        EXPECT_NE(panel.ok, nullptr);
        EXPECT_TRUE(panel.ladderButton);
        EXPECT_EQ(panel.focus, panel.fieldHandles[c.sexFocused ? 0 : 2]);
        EXPECT_EQ(typed, "Z") << "an empty sex field, or the description's selected text, is replaced";
    }
}

TEST(Profile, OkStoresTheFieldsAndARefusedWriteKeepsThePanel) {
    Visit visit;
    Panel refused, stored;
    AddUser("Arin*Tester");
    RightClickCell(0);
    standin::Type("female!!!"); // the sex field takes 7 characters
    standin::Tab();
    standin::Type("Westhold");
    standin::Tab();
    standin::Type("hello");
    standin::Check([] { standin::SetProfileWriteResult(0); });
    standin::ClickAt(kButton, 671, 433);
    SnapPanel(&refused);
    standin::Check([] { standin::SetProfileWriteResult(1); });
    standin::ClickAt(kButton, 671, 433);
    SnapPanel(&stored);
    QvControl input = nullptr, quit = nullptr;
    standin::Check([&] {
        input = InputHandle();
        quit = standin::FindByTextId(kQuitLabel)->handle;
    });
    visit.Quit();
    Texts write = Concat(Concat({"Tester", "3"}, kKeys), {"female!", "Westhold", "hello"});
    EXPECT_EQ(ArgsOf("WriteProfile", 0), write);
    EXPECT_EQ(ArgsOf("WriteProfile", 1), write);
    ASSERT_TRUE(refused.present) << "a refused write keeps the panel";
    EXPECT_EQ(refused.fields[0], "female!");
    EXPECT_EQ(refused.fields[2], "hello");
    EXPECT_FALSE(stored.present);
    EXPECT_EQ(standin::StoredProfile(), (Texts{"female!", "Westhold", "hello"}));
    EXPECT_EQ(stored.focus, input);
    EXPECT_EQ(stored.cancel, quit);
}

TEST(Profile, EscapeClosesEitherPanelAndGivesEscapeBackToQuit) {
    for (const char* user : {"Mira*Kestrel", "Arin*Tester"}) {
        SCOPED_TRACE(user);
        standin::ResetAll();
        Visit visit;
        Panel open, closed;
        bool quitCancels = false;
        AddUser(user);
        RightClickCell(0);
        SnapPanel(&open);
        standin::Escape();
        SnapPanel(&closed);
        standin::Check(
            [&] { quitCancels = standin::CancelControl() == standin::FindByTextId(kQuitLabel)->handle; });
        visit.Quit();
        EXPECT_TRUE(open.present);
        EXPECT_FALSE(closed.present);
        EXPECT_TRUE(quitCancels);
        EXPECT_TRUE(standin::ChatCallsNamed("WriteProfile").empty());
    }
}

TEST(Profile, NoLadderButtonWhenTheLadderIsDisabled) {
    for (const char* user : {"Mira*Kestrel", "Arin*Tester"}) {
        SCOPED_TRACE(user);
        standin::ResetAll();
        Visit visit;
        visit.record.accountKind = 4;
        Panel panel;
        AddUser(user);
        RightClickCell(0);
        SnapPanel(&panel);
        visit.Quit();
        ASSERT_TRUE(panel.present);
        EXPECT_FALSE(panel.ladderButton);
    }
}

TEST(Profile, CancellingTheWaitShowsNoPanel) {
    standin::SetProfile("m", "", "", false); // the service never answers
    Visit visit;
    Panel panel;
    bool waiting = false, popupGone = false;
    AddUser("Mira*Kestrel");
    RightClickCell(0);
    standin::Check([&] { waiting = PopupText() == Text(kPleaseWait); });
    standin::Click(kCancelLabel);
    SnapPanel(&panel);
    standin::Check([&] { popupGone = PopupText().empty(); });
    uint32_t result = visit.Quit();
    EXPECT_TRUE(waiting);
    EXPECT_FALSE(panel.present);
    EXPECT_TRUE(popupGone);
    EXPECT_GE(standin::ChatCallsNamed("PollProfile").size(), 1u);
    EXPECT_EQ(result, 4u) << "the lobby runs on until quit";
}

TEST(Profile, QuitDuringTheWaitEndsTheVisit) {
    standin::SetProfile("m", "", "", false);
    Visit visit;
    AddUser("Mira*Kestrel");
    RightClickCell(0);
    standin::Frames(2);
    standin::Escape(); // the quit button is the cancel control while the wait popup shows
    EXPECT_EQ(visit.Run(), 4u);
    EXPECT_EQ(standin::FindAt(kTextList, 400, 112), nullptr);
}

TEST(Profile, ARightClickWhileAProfileIsReadWaitsItsTurn) {
    standin::SetProfile("m", "Westhold", "", false);
    Visit visit;
    Panel panel;
    AddUser("Mira*Kestrel");
    AddUser("Nim*Oskar");
    RightClickCell(0);
    RightClickCell(1);
    standin::Check([] { standin::SetProfile("m", "Westhold", "", true); });
    SnapPanel(&panel);
    visit.Quit();
    EXPECT_EQ(standin::ChatCallsNamed("RequestProfile").size(), 1u);
    EXPECT_EQ(panel.account, Texts{"Kestrel"});
}

// A service that fills every buffer to its last byte, terminator or not.
static int FillingPoll(int count, int, char* const* buffers, const uint32_t* sizes) {
    for (int i = 0; i < count && i < 3; ++i)
        memset(buffers[i], 'x', sizes[i]);
    return 1;
}

TEST(Profile, ValuesStayWithinTheirBuffersWhateverTheServiceWrites) {
    Visit visit;
    standin::ChatTable()->slot[kSlotPollProfile] = reinterpret_cast<void*>(FillingPoll);
    Panel view;
    AddUser("Mira*Kestrel");
    RightClickCell(0);
    SnapPanel(&view);
    visit.Quit();
    ASSERT_TRUE(view.present);
    EXPECT_EQ(view.sex, Texts{std::string(7, 'x')});
    EXPECT_EQ(view.location, Texts{std::string(39, 'x')});
    EXPECT_EQ(view.description, Texts{std::string(199, 'x')});
}

// ---- the ladder button -------------------------------------------------------------------

namespace {

struct LadderSight {
    bool panel = false;
    int top = -1;
    std::string title, rowText, message;
    int rowColour = -1, otherColour = -1;
};

void SnapLadderSight(LadderSight* s, int row) {
    standin::Frames(1);
    standin::Check([s, row] {
        s->panel = standin::FindAt(kTextList, 400, 112) != nullptr;
        if (standin::Control* title = standin::FindAt(kTextList, 421, 136))
            s->title = standin::Utf8(title->label);
        if (standin::Control* list = standin::FindAt(kTextList, 434, 391)) {
            s->top = list->scrollTop;
            const standin::ListRow& r = list->rows.at((size_t)row);
            s->rowText = r.cells.size() > 1 ? standin::Utf8(r.cells[1]) : r.text;
            s->rowColour = r.colour;
            s->otherColour = list->rows.at((size_t)row + 1).colour;
        }
        if (PanelMessage() && !PanelMessage()->lines.empty())
            s->message = standin::Utf8(PanelMessage()->lines.back().text);
    });
}

} // namespace

TEST(Profile, TheLadderButtonLooksTheCharacterUpOnTheLadderItsFlagsChoose) {
    struct Case {
        uint16_t status;
        int titleId;
        const char* flags;
    } const cases[] = {
        {0x0000, 5317, "0 0"},
        {0x0004, 5318, "1 0"},
        {0x0020, 10090, "0 1"},
        {0x0024, 10091, "1 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        standin::ResetAll();
        standin::SetLadderAnswers(0);
        standin::PlaceOnLadder("Mira", 37);
        Visit visit;
        LadderSight sight;
        AddUser("Mira*Kestrel", c.status);
        RightClickCell(0);
        standin::Frames(1);
        standin::Click(kLadderLabel); // the panel's button, the latest with that label
        SnapLadderSight(&sight, 37);
        visit.Quit();
        std::vector<standin::Call> lookups = standin::RealmCallsNamed("RealmRequestLadderPosition");
        ASSERT_EQ(lookups.size(), 1u);
        EXPECT_EQ(lookups[0].args.at(0) + " " + lookups[0].args.at(1) + " " + lookups[0].args.at(2),
                  std::string("Mira ") + c.flags);
        EXPECT_FALSE(sight.panel) << "the profile closed";
        EXPECT_EQ(sight.title, Text(c.titleId));
        EXPECT_EQ(sight.top, 32) << "scrolled to the reply's first row";
        EXPECT_EQ(sight.rowColour, 0) << "the looked-up character";
        EXPECT_NE(sight.otherColour, 0);
        EXPECT_NE(sight.rowText.find("Mira"), std::string::npos);
    }
}

TEST(Profile, ACharacterNotOnTheLadderIsNamedInAMessage) {
    standin::SetLadderAnswers(0);
    Visit visit;
    LadderSight sight;
    AddUser("Mira*Kestrel");
    RightClickCell(0);
    standin::Frames(1);
    standin::Click(kLadderLabel);
    SnapLadderSight(&sight, 0);
    visit.Quit();
    EXPECT_EQ(sight.message, "Player 'Mira' is not on the ladder.");
    EXPECT_EQ(sight.top, -1) << "the message replaced the view";
}

TEST(Profile, ALateLookupReplyFillsItsRowsWithoutScrolling) {
    standin::PlaceOnLadder("Mira", 37);
    Visit visit;
    LadderSight sight;
    std::vector<standin::Call> pages;
    AddUser("Mira*Kestrel", 0x0004);
    RightClickCell(0);
    standin::Frames(1);
    standin::Click(kLadderLabel);
    standin::Wait(1100); // no answer within a second: the timer asks for page 0
    standin::Frames(1);
    standin::Check([&] { pages = standin::RealmCallsNamed("RealmRequestLadderPage"); });
    standin::Check([] { standin::PushLadderPage(0, 32, 16); });
    SnapLadderSight(&sight, 37);
    visit.Quit();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].args, (Texts{"0", "0"}));
    EXPECT_EQ(sight.top, 0);
    EXPECT_EQ(sight.rowColour, 0);
}

TEST(Profile, OpeningAnotherDialogClosesThePanel) {
    Visit visit;
    Panel open, after;
    bool menu = false;
    AddUser("Mira*Kestrel");
    RightClickCell(0);
    SnapPanel(&open);
    standin::ClickAt(kButton, 614, 490); // the lobby's ladder button
    SnapPanel(&after);
    standin::Check([&] { menu = standin::FindByTextId(5318) != nullptr; });
    visit.Quit();
    EXPECT_TRUE(open.present);
    EXPECT_FALSE(after.present);
    EXPECT_TRUE(menu);
}
