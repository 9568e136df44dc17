// The chat buttons (send, whisper, emote, squelch, unsquelch) and the lit
// button, pressed through a lobby visit in the chat layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;
using Lines = std::vector<std::string>;

namespace {

void PressLitButton() {
    standin::ClickAt(kButton, 398, 474);
}

bool AnySelected(const Screen& s) {
    for (const standin::Figure& f : s.figures)
        if (f.flags & 0x400) return true;
    return false;
}

} // namespace

// A button pressed with a user selected: the line sent, whether it is echoed
// and whether the press clears the selection. Send sends like Enter; the
// others address the account, "*" added when the name has none; a slash line
// is never wrapped.
TEST(ChatButtons, ButtonsAddressTheSelectedAccount) {
    struct Case {
        const char* user;
        uint32_t flags;
        int label;
        const char *typed, *sent;
        bool clearsSelection, echoed = false;
    } const cases[] = {
        {"Nim*Acct", 0, kSendLabel, "hello all", "hello all", false, true},
        {"Nim*Acct", 0, kWhisperLabel, "psst", "/whisper *Acct psst", false},
        {"*Lone", 0, kWhisperLabel, "hi", "/whisper *Lone hi", false},
        {"Nim*Acct", 0, kWhisperLabel, "/who", "/who", false},
        {"Nim*Acct", 0, kSquelchLabel, "kept until sent", "/squelch *Acct", true},
        {"Plain", 0, kSquelchLabel, "kept until sent", "/squelch *Plain", true},
        {"*Lone", 0, kSquelchLabel, "kept until sent", "/squelch *Lone", true},
        {"Nim*Acct", 0x20, kUnsquelchLabel, "kept until sent", "/unsquelch *Acct", true},
    };
    uint32_t now = standin::kClockStart;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.user << " " << c.typed);
        standin::ResetAll();
        standin::SetNow(now += 100000); // well apart from the previous visit's press
        Visit visit;
        Screen after;
        AddAndSelect(c.user, c.flags);
        standin::Type(c.typed);
        standin::Click(c.label);
        Snap(&after);
        visit.Quit();
        EXPECT_EQ(SentLines(), Lines{c.sent});
        EXPECT_EQ(after.input, "");
        EXPECT_EQ(AnySelected(after), !c.clearsSelection);
        EXPECT_EQ(after.Texts(), c.echoed ? Lines{kMarker + "4<Arin> " + kMarker + "0" + c.typed} : Lines{});
    }
}

// The spacing is a difference of tick counts: it survives their wrapping.
TEST(ChatButtons, EmotesAndSquelchesShareOneSecondSpacing) {
    Visit visit;
    Screen refused, squelchRefused, squelched;
    AddAndSelect("Nim*Acct");
    standin::Type("waves");
    standin::Click(kEmoteLabel);
    standin::Wait(400);
    standin::Type("waves again");
    standin::Click(kEmoteLabel);
    Snap(&refused);
    standin::Click(kSquelchLabel);
    Snap(&squelchRefused);
    standin::Wait(600); // a full second after the first emote
    standin::Click(kSquelchLabel);
    Snap(&squelched);
    standin::Check([] { standin::SetNow(0xffff0000u); });
    standin::Type("one");
    standin::Click(kEmoteLabel);
    standin::Check([] { standin::SetNow(0x100u); }); // 65.8 s later, past the wrap
    standin::Type("two");
    standin::Click(kEmoteLabel);
    standin::Check([] { standin::SetNow(0x200u); }); // 256 ms after that
    standin::Type("three");
    standin::Click(kEmoteLabel);
    visit.Quit();
    EXPECT_EQ(SentLines(), (Lines{"/me waves", "/squelch *Acct", "/me one", "/me two"}));
    EXPECT_EQ(refused.input, "waves again");
    EXPECT_TRUE(AnySelected(squelchRefused));
    EXPECT_FALSE(AnySelected(squelched)) << "the squelch cleared the selection";
    EXPECT_EQ(squelched.input, "");
}

// An emote of a slash line does nothing, and does not use up the second; an
// emote goes through the history without an echo.
TEST(ChatButtons, EmoteGoesThroughTheHistoryWithoutEchoButNotOfASlashLine) {
    Visit visit;
    Screen before, refused, after, recalled;
    Snap(&before);
    standin::Type("/dance");
    standin::Click(kEmoteLabel);
    Snap(&refused);
    standin::Check([] { Input()->editText = u"bows"; });
    standin::Click(kEmoteLabel);
    Snap(&after);
    standin::Tab();
    Snap(&recalled);
    visit.Quit();
    EXPECT_EQ(refused.input, "/dance");
    EXPECT_EQ(SentLines(), Lines{"/me bows"});
    EXPECT_EQ(after.pane.size(), before.pane.size());
    EXPECT_EQ(recalled.input, "/me bows");
}

TEST(ChatButtons, SquelchWhileDisconnectedClearsSelectionAndShowsConnectionLost) {
    Visit visit;
    Screen after;
    bool lost = false;
    AddAndSelect("Nim*Acct");
    standin::Type("text");
    standin::Check([] { standin::SetChatConnected(false); });
    standin::Click(kSquelchLabel);
    Snap(&after);
    standin::Check([&] { lost = Showing(kConnectionLost); });
    standin::Click(kOkLabel);
    EXPECT_EQ(visit.Run(), 4u);
    EXPECT_TRUE(lost);
    EXPECT_TRUE(SentLines().empty());
    EXPECT_FALSE(AnySelected(after));
    EXPECT_EQ(after.input, "text");
}

TEST(ChatButtons, LitButtonStaysLitIntoTheNextVisit) {
    PressLitButton();
    Visit().Quit();
    standin::ResetAll();
    Visit visit;
    Screen next, out;
    Snap(&next);
    PressLitButton();
    Snap(&out);
    visit.Quit();
    EXPECT_EQ(next.litFrame, 2);
    EXPECT_EQ(out.Last(), Text(5335));
}

namespace {

// The module's generator, as documented with it: a linear congruential
// generator giving 0..32767, seeded with the tick count when the first user
// figure is made; that figure takes one value for its starting frame.
struct Generator {
    uint32_t state;
    int Next() {
        state = state * 214013u + 2531011u;
        return (int)((state >> 16) & 0x7fff);
    }
};

// What lighting prints, by the draws after the figure's.
enum Outcome {
    kBlaze,      // first draw 0: string 5336
    kMoo,        // first draw not 0, second and third 0: "Moooooooo!"
    kGlow,       // string 5334
    kGlowNearly, // string 5334 although one of the second and third draws is 0
};

// The first tick count from start on at which lighting gives outcome.
uint32_t SeedFor(Outcome want, uint32_t start) {
    for (uint32_t seed = start;; ++seed) {
        Generator g{seed};
        g.Next(); // the figure's frame
        Outcome outcome;
        if (g.Next() % 1000 == 0) {
            outcome = kBlaze;
        } else {
            bool second = g.Next() % 1000 == 0, third = g.Next() % 1000 == 0;
            outcome = second && third ? kMoo : second || third ? kGlowNearly : kGlow;
        }
        if (outcome == want) return seed;
    }
}

} // namespace

// Lights the button in a visit whose first figure is made at a tick count
// chosen so that the draws give the outcome (one process per outcome: the
// generator is seeded once), then puts it out.
struct LitOutcome {
    const char* name;
    Outcome outcome;
    std::u16string text;
    int colour;
};
void PrintTo(const LitOutcome& o, std::ostream* os) {
    *os << o.name;
}
class LitButtonText : public testing::TestWithParam<LitOutcome> {};

TEST_P(LitButtonText, FollowsTheGeneratorsDraws) {
    standin::SetNow(SeedFor(GetParam().outcome, standin::kClockStart));
    Visit visit;
    Screen before, lit, out;
    Push(1, 0, "Nim*Acct", "TAHC"); // the first figure seeds the generator
    Snap(&before);
    PressLitButton();
    Snap(&lit);
    PressLitButton();
    Snap(&out);
    visit.Quit();
    EXPECT_EQ(before.litFrame, 0);
    EXPECT_EQ(lit.litFrame, 2);
    ASSERT_EQ(lit.pane.size(), before.pane.size() + 1);
    EXPECT_EQ(lit.pane.back().text, GetParam().text);
    EXPECT_EQ(lit.pane.back().colour, GetParam().colour);
    EXPECT_EQ(lit.pane.back().a, 0);
    EXPECT_EQ(lit.pane.back().b, 1);
    EXPECT_EQ(out.litFrame, 0);
    ASSERT_EQ(out.pane.size(), lit.pane.size() + 1);
    EXPECT_EQ(out.Last(), Text(5335));
    EXPECT_EQ(out.pane.back().colour, 11);
}

INSTANTIATE_TEST_SUITE_P(ChatButtons, LitButtonText,
                         testing::Values(LitOutcome{"Blaze", kBlaze, standin::StringText(5336), 11},
                                         LitOutcome{"Moo", kMoo, u"Moooooooo!", 9},
                                         LitOutcome{"Glow", kGlow, standin::StringText(5334), 11},
                                         // the moo needs both draws 0
                                         LitOutcome{"GlowNearly", kGlowNearly, standin::StringText(5334),
                                                    11}),
                         [](const testing::TestParamInfo<LitOutcome>& info) { return info.param.name; });

// In a visit that starts in the chat layout, deselecting leaves the buttons as
// they were: whisper stays enabled and, with nobody selected, sends the line
// to the channel like send.
TEST(ChatButtons, WhisperAfterDeselectingSendsToTheChannel) {
    Visit visit;
    Screen selected, deselected;
    AddAndSelect("Nim*Acct");
    standin::Type("hello there");
    Snap(&selected);
    standin::ClickAt(kClickArea, 40, 591); // the selected cell deselects
    Snap(&deselected);
    standin::Click(kWhisperLabel);
    visit.Quit();
    EXPECT_TRUE(AnySelected(selected));
    EXPECT_FALSE(AnySelected(deselected));
    EXPECT_TRUE(deselected.squelch);
    EXPECT_EQ(SentLines(), Lines{"hello there"});
}
