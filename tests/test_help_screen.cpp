// The help screen: its title and paragraphs before and after entering chat,
// closing it with OK, Escape or another dialog, and the cancel role. Each case
// opens the help in another layout and closes it another way.
#include <algorithm>

#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

constexpr int kHelpLabel = 5308, kHelpInChat = 686;

struct Help {
    bool open = false, channelPressed = false, okButton = false;
    std::string title, roles; // roles as Roles()
    std::vector<standin::TextLine> lines;
};

void Peek(Help* h) {
    standin::Check([h] {
        *h = Help();
        // The help text sits where the side panel's text box is; it is the one with a scroll bar.
        for (standin::Control* c : standin::Controls()) {
            h->open |= c->desc.kind == kImageControl &&
                       standin::ImagePath(c->image).find("HelpBckg") != std::string::npos;
            if (c->desc.kind == kTextList && c->desc.x == 447 && c->desc.y == 398 && c->desc.image)
                h->lines = c->lines;
        }
        h->title = LabelAt(kTextList, 400, 112);
        h->roles = Roles();
        h->okButton = standin::FindAt(kButton, 671, 433) != nullptr;
        if (standin::Control* channel = standin::FindByTextId(kChannelLabel))
            h->channelPressed = channel->pressed;
    });
}

bool IsSeparator(const standin::TextLine& line) {
    return line.text == u" " && line.colour == 0;
}

int Separators(const Help& h) {
    int n = 0;
    for (const standin::TextLine& line : h.lines)
        n += IsSeparator(line);
    return n;
}

bool ShowsId(const Help& h, int id) {
    for (const standin::TextLine& line : h.lines)
        if (line.text == standin::StringText(id)) return true;
    return false;
}

} // namespace

// Before entering chat only the common section shows, under string 5308; once
// in chat the chat section comes first and the title is string 686. OK, Escape
// and another dialog close the help; OK and Escape give Escape back to the quit
// button, so the next Escape leaves the lobby.
TEST(HelpScreen, SectionsFollowEnteringChatAndOkEscapeOrAnotherDialogClose) {
    enum How { kOk, kEscape, kChannel };
    const struct {
        const char* name;
        bool characterLayout, enterChat;
        int title, first, paragraphs, separators;
        How how;
    } cases[] = {
        {"character layout, OK", true, false, kHelpLabel, 702, 90, 44, kOk},
        {"after entering chat, Escape", true, true, kHelpInChat, 687, 106, 52, kEscape},
        {"chat layout, channel dialog", false, false, kHelpLabel, 702, 90, 44, kChannel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        Visit visit(c.characterLayout ? "" : "Lobby");
        if (c.enterChat) standin::Click(kEnterChatLabel);
        Help h, closed;
        if (c.characterLayout && !c.enterChat)
            standin::ClickAt(kButton, 146, 480); // the character layout's own help button
        else
            standin::Click(kHelpLabel);
        Peek(&h);
        if (c.how == kOk) standin::Click(kOkLabel);
        if (c.how == kEscape) standin::Escape();
        if (c.how == kChannel) standin::Click(kChannelLabel);
        Peek(&closed);
        if (c.how == kChannel) standin::Escape(); // closes the channel dialog
        standin::Escape();
        EXPECT_EQ(visit.Run(), 4u);
        ASSERT_TRUE(h.open);
        EXPECT_EQ(h.title, Text(c.title));
        ASSERT_FALSE(h.lines.empty());
        EXPECT_EQ(h.lines.front().text, standin::StringText(c.first));
        EXPECT_EQ(Separators(h), c.separators);
        EXPECT_EQ((int)h.lines.size() - Separators(h), c.paragraphs);
        EXPECT_TRUE(IsSeparator(h.lines.back())) << "the text ends with a separator";
        EXPECT_EQ(h.lines[h.lines.size() - 2].text, standin::StringText(787));
        EXPECT_EQ(ShowsId(h, 11060), c.enterChat);
        for (int hidden : {700, 725, 733, 747, 770, 776})
            EXPECT_FALSE(ShowsId(h, hidden)) << hidden;
        EXPECT_EQ(h.roles, c.characterLayout && !c.enterChat ? "none/ok" : "input/ok")
            << "the input line keeps the focus when it exists";
        EXPECT_FALSE(closed.open);
        EXPECT_EQ(closed.lines.size(), 0u);
        EXPECT_EQ(closed.channelPressed, c.how == kChannel);
        EXPECT_EQ(closed.okButton, c.how == kChannel);
        // The channel dialog has an OK button and a cancel role of its own.
        EXPECT_EQ(closed.roles, c.how == kChannel                   ? "edit 432,162/cancel"
                                : c.characterLayout && !c.enterChat ? "none/quit"
                                                                    : "input/quit");
    }
}

// ---- checks added after the mutation run (tools/mutate.py) ------------------------
// With both sections shown, every paragraph of the help text is a text of its
// own: none is empty and none comes twice.
TEST(HelpScreenMutants, EveryParagraphShowsOnce) {
    standin::ResetAll();
    Visit visit;
    visit.SetChannel("");
    standin::Click(kEnterChatLabel);
    standin::Click(kHelpLabel);
    Help h;
    Peek(&h);
    visit.Quit();
    std::vector<std::u16string> paragraphs;
    for (const standin::TextLine& line : h.lines)
        if (!IsSeparator(line)) paragraphs.push_back(line.text);
    ASSERT_EQ(paragraphs.size(), 106u);
    std::sort(paragraphs.begin(), paragraphs.end());
    EXPECT_EQ(std::adjacent_find(paragraphs.begin(), paragraphs.end()), paragraphs.end())
        << "a paragraph twice";
    EXPECT_FALSE(paragraphs.front().empty());
}
