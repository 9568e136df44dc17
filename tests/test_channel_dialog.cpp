// The channel dialog: what it lists, and the name field with its OK button.
// (Single and double clicks in the list: channel_double_click.scn; confirming,
// cancelling and leaving it: channel_ok/enter/cancel/escape.scn.)
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

// What a check sees of the dialog and the lobby around it; roles as Roles().
struct Dialog {
    bool open = false, okEnabled = false;
    Texts rows;
    std::string field, roles;
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
        d->roles = Roles();
    });
}

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
