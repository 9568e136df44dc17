// The channel dialog: what it lists, the name field and its OK button, single
// and double clicks in the list, confirming, cancelling and leaving it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;
using Lines = std::vector<std::string>;

namespace {

constexpr int kChannelTitle = 5261;

standin::Control* ChannelList() {
    return standin::FindAt(kTextList, 432, 397);
}
standin::Control* NameField() {
    return standin::FindAt(kEditBox, 432, 162);
}
standin::Control* OkButton() {
    return standin::FindAt(kButton, 671, 433);
}
standin::Control* CancelButton() {
    return standin::FindAt(kButton, 433, 433);
}

Lines Rows() {
    Lines rows;
    if (standin::Control* list = ChannelList())
        for (const standin::ListRow& row : list->rows)
            rows.push_back(row.text);
    return rows;
}

void SetHome(Visit& visit, const char* name) {
    memset(visit.record.homeChannelName, 0, sizeof visit.record.homeChannelName);
    strncpy(visit.record.homeChannelName, name, sizeof visit.record.homeChannelName - 1);
}

// What a check sees of the dialog.
struct Dialog {
    bool open = false;
    Lines rows;
    std::string field;
    bool okEnabled = false, fieldFocused = false, channelPressed = false;
    int selection = -1;
    std::string title;
    QvControl cancel = nullptr, cancelButton = nullptr, quit = nullptr, focus = nullptr, input = nullptr;
};
Dialog LookAtDialog() {
    Dialog d;
    d.open = ChannelList() != nullptr;
    d.rows = Rows();
    if (standin::Control* field = NameField()) {
        d.field = standin::Utf8(field->editText);
        d.fieldFocused = standin::Focus() == field->handle;
    }
    if (standin::Control* ok = OkButton()) d.okEnabled = ok->enabled;
    if (standin::Control* list = ChannelList()) d.selection = list->selection;
    d.channelPressed = standin::FindByTextId(kChannelLabel)->pressed;
    if (standin::Control* title = standin::FindAt(kTextList, 496, 114)) d.title = standin::Utf8(title->label);
    if (standin::Control* cancel = CancelButton()) d.cancelButton = cancel->handle;
    d.cancel = standin::CancelControl();
    d.quit = standin::FindByTextId(kQuitLabel)->handle;
    d.focus = standin::Focus();
    if (standin::Control* input = Input()) d.input = input->handle;
    return d;
}
void Peek(Dialog* d) {
    standin::Check([d] { *d = LookAtDialog(); });
}

// A fresh stand-in, far in time from any click of an earlier visit in this
// process (the module keeps its last list click across visits).
void Fresh() {
    static uint32_t now = standin::kClockStart;
    standin::ResetAll();
    standin::SetNow(now += 100000);
}

std::vector<standin::Call> Joins() {
    return standin::ChatCallsNamed("JoinChannel");
}

} // namespace

// The home channel first, the current channel once, then the service's names
// without the current one; the home channel is not filtered from the service's names.
TEST(ChannelDialog, ListsHomeCurrentAndTheServiceNames) {
    struct Case {
        const char *channel, *home;
        Lines service, rows;
    } const cases[] = {
        {"Lobby", "", {"Lobby", "Trade", "Help"}, {"Lobby", "Trade", "Help"}},
        {"Lobby", "Lobby", {"Lobby", "Trade"}, {"Lobby", "Trade"}},
        {"Trade", "Home", {"Home", "Trade", "Help"}, {"Home", "Trade", "Home", "Help"}},
        {"", "Home", {"Lobby", "Home"}, {"Home", "Lobby", "Home"}},
        {"", "", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "channel '" << c.channel << "' home '" << c.home << "'");
        Fresh();
        standin::SetChannelList(c.service);
        Visit visit;
        visit.SetChannel(c.channel);
        SetHome(visit, c.home);
        if (!*c.channel) standin::Click(kEnterChatLabel); // the channel button works once in chat
        Dialog d;
        standin::Click(kChannelLabel);
        Peek(&d);
        visit.Quit();
        EXPECT_TRUE(d.open);
        EXPECT_EQ(d.rows, c.rows);
    }
}

TEST(ChannelDialog, AsksTheServiceWithTheCharacterFlag) {
    for (uint16_t flags : {0x0000, 0x0024}) {
        Fresh();
        Visit visit;
        visit.record.characterFlags = flags;
        standin::Click(kChannelLabel);
        visit.Quit();
        auto calls = standin::ChatCallsNamed("GetChannelList");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].args, Lines{std::to_string(flags & 0x20)});
    }
}

TEST(ChannelDialog, OpensWithTheJoinedChannelSelected) {
    Fresh();
    Visit visit;
    Push(7, 0, "", "Trade");
    Dialog d;
    standin::Click(kChannelLabel);
    Peek(&d);
    standin::Type("Quiet"); // the selected text is replaced
    Dialog typed;
    Peek(&typed);
    visit.Quit();
    EXPECT_EQ(d.field, "Trade");
    EXPECT_TRUE(d.fieldFocused);
    EXPECT_TRUE(d.okEnabled);
    EXPECT_TRUE(d.channelPressed);
    EXPECT_EQ(d.title, Text(kChannelTitle));
    ASSERT_NE(d.cancelButton, nullptr);
    EXPECT_EQ(d.cancel, d.cancelButton);
    EXPECT_EQ(typed.field, "Quiet");
}

TEST(ChannelDialog, EmptyNameDisablesOkAndEnter) {
    Fresh();
    Visit visit;
    Push(7, 0, "", ""); // an empty channel name leaves the field empty
    Dialog empty, typed;
    standin::Click(kChannelLabel);
    Peek(&empty);
    standin::Enter();
    standin::Click(kOkLabel);
    standin::Type("x");
    Peek(&typed);
    visit.Quit();
    EXPECT_TRUE(empty.open);
    EXPECT_FALSE(empty.okEnabled);
    EXPECT_TRUE(typed.okEnabled);
    EXPECT_TRUE(Joins().empty());
}

TEST(ChannelDialog, TypingClearsTheListSelection) {
    Fresh();
    Visit visit;
    Dialog clicked, typed;
    standin::Click(kChannelLabel);
    standin::ClickRowAt(kTextList, 432, 397, 1);
    Peek(&clicked);
    standin::Check([] { SetFocus(NameField()->handle); }); // the player clicks back into the field
    standin::Type("s");
    Peek(&typed);
    visit.Quit();
    EXPECT_EQ(clicked.selection, 1);
    EXPECT_EQ(clicked.field, "Trade");
    EXPECT_FALSE(clicked.fieldFocused);
    EXPECT_EQ(typed.selection, -1);
    EXPECT_EQ(typed.field, "Trades");
}

// Two presses on a row: a double click joins the name the first press put in
// the field; otherwise the second press is one more single click.
TEST(ChannelDialog, DoubleClickWithin500Ms) {
    struct Case {
        int secondRow;
        uint32_t gap;
        bool joins;
    } const cases[] = {{1, 0, true}, {1, 500, true}, {1, 501, false}, {2, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.secondRow << " after " << c.gap << " ms");
        Fresh();
        Visit visit;
        Dialog after;
        standin::Click(kChannelLabel);
        standin::ClickRowAt(kTextList, 432, 397, 1);
        standin::Check([gap = c.gap] { standin::AdvanceTime(gap); });
        standin::ClickRowAt(kTextList, 432, 397, c.secondRow);
        Peek(&after);
        visit.Quit();
        if (c.joins) {
            ASSERT_EQ(Joins().size(), 1u);
            EXPECT_EQ(Joins()[0].args, (Lines{"Trade", "0", "0"}));
            EXPECT_FALSE(after.open);
        } else {
            EXPECT_TRUE(Joins().empty());
            EXPECT_TRUE(after.open);
            EXPECT_EQ(after.field, c.secondRow == 1 ? "Trade" : "Help");
        }
    }
}

TEST(ChannelDialog, ConfirmJoinsAndCloses) {
    for (bool byEnter : {false, true}) {
        Fresh();
        Visit visit;
        Dialog after;
        standin::Click(kChannelLabel);
        standin::Type("Custom Place");
        if (byEnter)
            standin::Enter();
        else
            standin::Click(kOkLabel);
        Peek(&after);
        visit.Quit();
        ASSERT_EQ(Joins().size(), 1u);
        EXPECT_EQ(Joins()[0].args, (Lines{"Custom Place", "0", "0"}));
        EXPECT_FALSE(after.open);
        EXPECT_FALSE(after.channelPressed);
        EXPECT_EQ(after.cancel, after.quit);
        ASSERT_NE(after.input, nullptr);
        EXPECT_EQ(after.focus, after.input);
    }
}

TEST(ChannelDialog, CancelAndEscapeCloseWithoutJoining) {
    for (bool byEscape : {false, true}) {
        Fresh();
        Visit visit;
        Dialog after;
        standin::Click(kChannelLabel);
        if (byEscape)
            standin::Escape();
        else
            standin::Click(kCancelLabel);
        Peek(&after);
        visit.Quit();
        EXPECT_FALSE(after.open);
        EXPECT_FALSE(after.channelPressed);
        EXPECT_EQ(after.cancel, after.quit);
        ASSERT_NE(after.input, nullptr);
        EXPECT_EQ(after.focus, after.input);
        EXPECT_TRUE(Joins().empty());
    }
}

TEST(ChannelDialog, TheNameFieldTakes32Characters) {
    Fresh();
    Visit visit;
    standin::Click(kChannelLabel);
    standin::Type(std::string(40, 'n'));
    standin::Click(kOkLabel);
    visit.Quit();
    ASSERT_EQ(Joins().size(), 1u);
    EXPECT_EQ(Joins()[0].args[0], std::string(32, 'n'));
}
