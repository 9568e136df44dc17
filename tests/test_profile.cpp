// The player profile panel: the fetch behind the wait message, the view of
// another player's profile, the edit panel of the player's own, and the ladder
// button's lookup. Each test right-clicks a figure of the user strip in a
// chat-layout visit, as the player does. (Storing the own profile, a refused
// store and reading it back: profile_edit.scn.)
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

// A user of this game in the channel; status bits 0x04 and 0x20 are the lookup's flags.
void AddUser(const std::string& name, uint16_t status = 0) {
    std::string character = name.substr(0, name.find('*'));
    Push(1, 0, name, character.empty() ? "TAHC" : Description("QvXP", character, 2, status));
    standin::Frames(1);
}

void RightClickCell(int cell) {
    standin::RightClickAt(kClickArea, 40 + 60 * cell, 591);
}

// The panel as a check sees it: the view's rows, each list's rows joined by '|'.
struct Panel {
    bool present = false;
    Texts view; // account, sex, location, description rows
};

std::string Joined(const standin::Control* c) {
    std::string out;
    for (size_t i = 0; c && i < c->rows.size(); ++i)
        out += (i ? "|" : "") + c->rows[i].text;
    return out;
}

void SnapPanel(Panel* p) {
    standin::Frames(1);
    standin::Check([p] {
        *p = Panel();
        if (!(p->present = standin::FindAt(kTextList, 400, 112) != nullptr)) return;
        for (int xy : {432147, 707147, 432199, 432387})
            if (standin::Control* c = standin::FindAt(kTextList, xy / 1000, xy % 1000))
                p->view.push_back(Joined(c));
    });
}

// A service that fills every buffer to its last byte, with no terminator.
int FillingPoll(int count, int, char* const* buffers, const uint32_t* sizes) {
    for (int i = 0; i < count && i < 3; ++i)
        memset(buffers[i], 'x', sizes[i]);
    return 1;
}

} // namespace

// Another player's profile, read only: profile_view.scn, profile_view_noladder.scn.

// The own profile's fields, their limits, tab order and focus rule:
// profile_own_empty/location/filled.scn.

TEST(Profile, TheWaitCanBeCancelledOrQuitAndIgnoresOtherRightClicks) {
    for (const char* how : {"cancel", "quit", "other user"}) {
        SCOPED_TRACE(how);
        standin::ResetAll();
        standin::SetProfile("m", "", "", false); // the service does not answer yet
        Visit visit;
        Panel panel;
        std::string waiting;
        AddUser("Mira*Kestrel");
        AddUser("Nim*Oskar");
        RightClickCell(0);
        standin::Check([&] { waiting = PopupText(); });
        if (std::string(how) == "quit") {
            standin::Escape(); // the quit button is the cancel control while the popup shows
            EXPECT_EQ(visit.Run(), 4u);
            EXPECT_EQ(standin::FindAt(kTextList, 400, 112), nullptr);
            continue;
        }
        if (std::string(how) == "cancel") standin::Click(kCancelLabel);
        if (std::string(how) == "other user") {
            RightClickCell(1);
            standin::Check([] { standin::SetProfile("m", "", "", true); });
        }
        SnapPanel(&panel);
        EXPECT_EQ(visit.Quit(), 4u);
        EXPECT_EQ(waiting, Text(kPleaseWait));
        EXPECT_EQ(standin::ChatCallsNamed("RequestProfile").size(), 1u);
        EXPECT_EQ(panel.present, std::string(how) == "other user");
        if (panel.present) {
            EXPECT_EQ(panel.view.at(0), "Kestrel") << "the first fetch's profile";
        }
    }
}

TEST(Profile, ValuesStayWithinTheirBuffersWhateverTheServiceWrites) {
    Visit visit;
    standin::ChatTable()->slot[kSlotPollProfile] = reinterpret_cast<void*>(FillingPoll);
    Panel view;
    AddUser("Mira*Kestrel");
    RightClickCell(0);
    SnapPanel(&view);
    visit.Quit();
    EXPECT_EQ(view.view,
              (Texts{"Kestrel", std::string(7, 'x'), std::string(39, 'x'), std::string(199, 'x')}));
}

namespace {

// The lookup's outcome: the view's title, scroll, and row 37 with its colour, or the panel message.
std::string LadderOutcome() {
    if (PanelMessage() && !PanelMessage()->lines.empty())
        return standin::Utf8(PanelMessage()->lines.back().text);
    standin::Control* list = standin::FindAt(kTextList, 434, 391);
    if (!list) return "no view";
    const standin::ListRow& row = list->rows.at(37);
    return standin::Utf8(standin::FindAt(kTextList, 421, 136)->label) + " top " +
           std::to_string(list->scrollTop) + " row " +
           (standin::CellCount(*list, 37) > 1 ? standin::Utf8(standin::CellText(*list, 37, 1)) : row.text) +
           " colour " + std::to_string(row.colour) + " next colour " +
           std::to_string(list->rows.at(38).colour);
}

// How the lookup is answered: at once; after more than a second; or by hand,
// a reply for a row past the ladder first.
enum Reply { kAtOnce, kLate, kStrayFirst };

std::string LookUp(uint16_t status, bool placed, Reply answer) {
    if (placed) standin::PlaceOnLadder("Mira", 37);
    standin::SetLadderAnswers(answer == kAtOnce ? 0 : -1);
    Visit visit;
    std::string outcome, lookup;
    AddUser("Mira*Kestrel", status);
    RightClickCell(0);
    standin::Frames(1);
    standin::ClickAt(kButton, 552, 433);
    if (answer == kLate) { // no answer within a second: the timer asks for page 0 first
        standin::Wait(1100);
        standin::Frames(1);
    }
    if (answer == kStrayFirst) standin::Check([] { standin::PushLadderEntries(1000, 1, 16, 0, {}); });
    if (answer != kAtOnce) standin::Check([] { standin::PushLadderPage(0, 32, 16); });
    standin::Frames(2);
    standin::Check([&] { outcome = LadderOutcome(); });
    visit.Quit();
    for (const standin::Call& c : standin::RealmCallsNamed("RealmRequestLadderPosition"))
        lookup += c.args.at(0) + " " + c.args.at(1) + " " + c.args.at(2) + "; ";
    for (const standin::Call& c : standin::RealmCallsNamed("RealmRequestLadderPage"))
        lookup += "page " + c.args.at(0) + "@" + c.args.at(1) + "; ";
    return lookup + outcome;
}

} // namespace

TEST(Profile, TheLadderButtonLooksTheCharacterUpOnTheLadderItsFlagsChoose) {
    struct Case {
        uint16_t status;
        bool placed;
        Reply answer;
        std::string outcome;
    } const cases[] = {
        {0x0000, true, kAtOnce, "Mira 0 0; Ironclad Ladder top 32 row Guardian Mira colour 0 next colour 4"},
        {0x0004, true, kAtOnce, "Mira 1 0; Standard Ladder top 32 row Slayer Mira colour 0 next colour 4"},
        {0x0020, true, kAtOnce,
         "Mira 0 1; Ironclad Ladder (extended) top 32 row Guardian Mira colour 0 next colour 4"},
        {0x0024, true, kAtOnce,
         "Mira 1 1; Standard Ladder (extended) top 32 row Slayer Mira colour 0 next colour 4"},
        {0x0004, false, kAtOnce, "Mira 1 0; Player 'Mira' is not on the ladder."},
        // A late lookup reply fills its rows (its type still matches) without scrolling.
        {0x0004, true, kLate,
         "Mira 1 0; page 0@0; Standard Ladder top 0 row Slayer Mira colour 0 next colour 4"},
        // A reply for a row outside the ladder neither scrolls nor ends the wait.
        {0x0004, true, kStrayFirst,
         "Mira 1 0; Standard Ladder top 32 row Slayer Mira colour 0 next colour 4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outcome);
        standin::ResetAll();
        EXPECT_EQ(LookUp(c.status, c.placed, c.answer), c.outcome);
    }
}
