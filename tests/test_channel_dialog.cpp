// The channel dialog: what it lists, the name field and its OK button, single
// and double clicks in the list, confirming, cancelling and leaving it.
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

// What a check sees of the dialog and the lobby around it; roles as Roles().
struct Dialog {
    bool open = false, okEnabled = false, channelPressed = false;
    Texts rows;
    std::string field, title, roles;
    int selection = -1;
};
void Peek(Dialog* d) {
    standin::Check([d] {
        *d = Dialog{};
        if (standin::Control* list = standin::FindAt(kTextList, 432, 397)) {
            d->open = true;
            d->selection = list->selection;
            for (const standin::ListRow& row : list->rows)
                d->rows.push_back(row.text);
        }
        if (standin::Control* field = standin::FindAt(kEditBox, 432, 162))
            d->field = standin::Utf8(field->editText);
        if (standin::Control* ok = standin::FindAt(kButton, 671, 433)) d->okEnabled = ok->enabled;
        d->title = LabelAt(kTextList, 496, 114);
        d->channelPressed = standin::FindByTextId(kChannelLabel)->pressed;
        d->roles = Roles();
    });
}

using Calls = std::vector<Texts>;

} // namespace

// The home channel first, the current channel once, then the service's names
// without the current one; the home channel is not filtered from the service's
// names. The service is asked with the character flag 0x20. Its run carries no
// size and is handed over ending at an unreadable page: each name is read
// within 256 bytes, and a name that does not end there is listed cut to 255
// characters and ends the run.
TEST(ChannelDialog, ListsHomeCurrentAndTheServiceNamesReadWithinTheirBound) {
    using namespace std::string_literals;
    const std::string x(300, 'x'), y(255, 'y'), z(256, 'z');
    const struct {
        const char *channel, *home;
        uint16_t flags;
        std::string run;
        Texts rows;
    } cases[] = {
        {"Lobby", "", 0, "Lobby\0Trade\0Help\0\0"s, {"Lobby", "Trade", "Help"}},
        {"Lobby", "Lobby", 0x24, "Lobby\0Trade\0\0"s, {"Lobby", "Trade"}},
        {"Trade", "Home", 0, "Home\0Trade\0Help\0\0"s, {"Home", "Trade", "Home", "Help"}},
        {"", "Home", 0x20, "Lobby\0Home\0\0"s, {"Home", "Lobby", "Home"}},
        {"", "", 0, "\0"s, {}},
        {"Lobby", "", 0, "Trade\0"s + x, {"Lobby", "Trade", x.substr(0, 255)}}, // a run without its end
        {"Lobby", "", 0, y + "\0Help\0\0"s, {"Lobby", y, "Help"}},
        {"Lobby", "", 0, z + "\0Help\0\0"s, {"Lobby", z.substr(0, 255)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "channel '" << c.channel << "' home '" << c.home << "' run " << c.run.substr(0, 20));
        Fresh();
        standin::SetChannelListBytes(c.run);
        Visit visit(c.channel);
        visit.SetHome(c.home);
        visit.record.characterFlags = c.flags;
        if (!*c.channel) standin::Click(kEnterChatLabel); // the channel button works once in chat
        Dialog d;
        standin::Click(kChannelLabel);
        Peek(&d);
        visit.Quit();
        EXPECT_TRUE(d.open);
        EXPECT_EQ(d.rows, c.rows);
        EXPECT_EQ(ChatArgs("GetChannelList"), std::vector<Texts>{{std::to_string(c.flags & 0x20)}});
    }
}

// An empty field disables OK and Enter; typing enables it and drops the list's choice.
TEST(ChannelDialog, EmptyNameDisablesOkAndTypingClearsTheSelection) {
    Fresh();
    Visit visit;
    Push(7, 0, "", ""); // an empty channel name leaves the field empty
    Dialog empty, clicked, typed;
    standin::Click(kChannelLabel);
    Peek(&empty);
    standin::Enter();
    standin::Click(kOkLabel);
    standin::ClickRowAt(kTextList, 432, 397, 1);
    Peek(&clicked);
    standin::Check([] { SetFocus(standin::FindAt(kEditBox, 432, 162)->handle); }); // back into the field
    standin::Type("s");
    Peek(&typed);
    visit.Quit();
    EXPECT_FALSE(empty.okEnabled);
    EXPECT_EQ(clicked.selection, 1);
    EXPECT_EQ(clicked.field, "Trade");
    EXPECT_EQ(clicked.roles, "none/cancel");
    EXPECT_EQ(typed.selection, -1);
    EXPECT_EQ(typed.field, "Trades");
    EXPECT_TRUE(typed.okEnabled);
    EXPECT_TRUE(ChatArgs("JoinChannel").empty());
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
        EXPECT_EQ(ChatArgs("JoinChannel"), (c.joins ? Calls{{"Trade", "0", "0"}} : Calls{}));
        EXPECT_EQ(after.open, !c.joins);
        if (!c.joins) {
            EXPECT_EQ(after.field, c.secondRow == 1 ? "Trade" : "Help");
        }
    }
}

// The dialog opens with the joined channel in its field, selected (typing
// replaces it), the field takes 32 characters and Escape belongs to the
// dialog's cancel button. OK and Enter join the typed name; cancel and Escape
// only close. Either way the channel button is released, Escape goes back to
// the quit button and the focus to the input line.
TEST(ChannelDialog, OpensWithTheJoinedChannelAndConfirmJoinsCancelCloses) {
    const std::string typed = "Custom Place " + std::string(30, 'q'), joined = typed.substr(0, 32);
    enum How { kOk, kEnter, kCancel, kEscape };
    for (How how : {kOk, kEnter, kCancel, kEscape}) {
        SCOPED_TRACE(how);
        Fresh();
        Visit visit;
        Push(7, 0, "", "Trade");
        Dialog open, after;
        standin::Click(kChannelLabel);
        Peek(&open);
        standin::Type(typed);
        if (how == kOk) standin::Click(kOkLabel);
        if (how == kEnter) standin::Enter();
        if (how == kCancel) standin::Click(kCancelLabel);
        if (how == kEscape) standin::Escape();
        Peek(&after);
        visit.Quit();
        EXPECT_EQ(open.title, Text(5261));
        EXPECT_EQ(open.field, "Trade");
        EXPECT_EQ(open.roles, "edit 432,162/cancel");
        EXPECT_TRUE(open.okEnabled);
        EXPECT_TRUE(open.channelPressed);
        bool joins = how == kOk || how == kEnter;
        EXPECT_EQ(ChatArgs("JoinChannel"), (joins ? Calls{{joined, "0", "0"}} : Calls{}));
        EXPECT_FALSE(after.open);
        EXPECT_FALSE(after.channelPressed);
        EXPECT_EQ(after.roles, "input/quit");
    }
}
