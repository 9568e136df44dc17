// The chat buttons (send, whisper, emote, squelch, unsquelch) and the lit
// button, pressed through a lobby visit in the chat layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../host/standin/StandIn.h"

namespace si = standin;

namespace {

const int kQuitLabel = 5316;
const int kSendLabel = 5305;
const int kWhisperLabel = 5306;
const int kSquelchLabel = 5307;
const int kEmoteLabel = 5309;
const int kUnsquelchLabel = 5310;
const int kOkLabel = 5102;
const int kConnectionLost = 5351;

si::Control* Pane() {
    return si::FindAt(kTextList, 28, 410);
}
si::Control* Input() {
    return si::FindAt(kEditBox, 28, 450);
}
si::Control* LitButton() {
    return si::FindAt(kButton, 398, 474);
}
si::Control* Button(int label) {
    return si::FindByTextId(label);
}

std::vector<std::string> SentLines() {
    std::vector<std::string> lines;
    for (const si::Call& c : si::ChatCallsNamed("SendChatLine"))
        lines.push_back(c.args.empty() ? "" : c.args[0]);
    return lines;
}

bool Showing(int id) {
    std::u16string text = si::StringText(id);
    for (si::Control* c : si::Controls()) {
        if (c->label == text) return true;
        for (const si::TextLine& l : c->lines)
            if (l.text == text) return true;
    }
    return false;
}

// The state of the buttons and lines at one point of a visit.
struct Screen {
    std::vector<si::TextLine> pane;
    std::string input;
    bool squelchEnabled = false, unsquelchEnabled = false, whisperEnabled = false;
    int litFrame = -1;
};

Screen Look() {
    Screen s;
    if (si::Control* p = Pane()) s.pane = p->lines;
    if (si::Control* i = Input()) s.input = si::Utf8(i->editText);
    if (si::Control* b = Button(kSquelchLabel)) s.squelchEnabled = b->enabled;
    if (si::Control* b = Button(kUnsquelchLabel)) s.unsquelchEnabled = b->enabled;
    if (si::Control* b = Button(kWhisperLabel)) s.whisperEnabled = b->enabled;
    if (si::Control* b = LitButton()) s.litFrame = b->buttonFrame;
    return s;
}

class ChatButtons : public ::testing::Test {
  protected:
    LaunchRecord record{};
    void SetUp() override {
        si::ResetAll();
        si::FillLaunchRecord(&record);
    }
    static void Snap(Screen* s) {
        si::Check([s] { *s = Look(); });
    }
    // Puts a user in the channel (before the visit) and selects it.
    static void AddAndSelect(const std::string& name, uint32_t flags = 0) {
        si::PushChatEvent(1, flags, name, "TAHC");
        si::Frames(1);
        si::ClickAt(kClickArea, 40, 591);
    }
    uint32_t Visit() {
        si::Click(kQuitLabel);
        uint32_t result = si::RunVisit(QueryInterface(), &record);
        EXPECT_FALSE(si::LoopTimedOut());
        return result;
    }
};

TEST_F(ChatButtons, SendSendsTheLineLikeEnter) {
    Screen before, after;
    Snap(&before);
    si::Type("hello all");
    si::Click(kSendLabel);
    Snap(&after);
    Visit();
    EXPECT_EQ(SentLines(), std::vector<std::string>{"hello all"});
    ASSERT_EQ(after.pane.size(), before.pane.size() + 1);
    EXPECT_NE(si::Utf8(after.pane.back().text).find("hello all"), std::string::npos);
    EXPECT_EQ(after.input, "");
}

TEST_F(ChatButtons, WhisperWithoutSelectionSendsToTheChannel) {
    si::Type("to everyone");
    si::Check([] { Button(kWhisperLabel)->enabled = true; }); // pressed as if enabled
    si::Click(kWhisperLabel);
    Visit();
    EXPECT_EQ(SentLines(), std::vector<std::string>{"to everyone"});
}

TEST_F(ChatButtons, WhisperWrapsTheLineForTheSelectedAccount) {
    Screen after;
    AddAndSelect("Nim*Acct");
    si::Type("psst");
    si::Click(kWhisperLabel);
    Snap(&after);
    si::Type("/who");
    si::Click(kWhisperLabel); // a slash line is never wrapped
    Visit();
    EXPECT_EQ(SentLines(), (std::vector<std::string>{"/whisper *Acct psst", "/who"}));
    EXPECT_EQ(after.input, "");
}

TEST_F(ChatButtons, WhisperToUserWithoutCharacterUsesTheAccount) {
    AddAndSelect("*Lone");
    si::Type("hi");
    si::Click(kWhisperLabel);
    Visit();
    EXPECT_EQ(SentLines(), std::vector<std::string>{"/whisper *Lone hi"});
}

TEST_F(ChatButtons, EmotesAndSquelchesShareOneSecondSpacing) {
    Screen refused, squelchRefused;
    AddAndSelect("Nim*Acct");
    si::Type("waves");
    si::Click(kEmoteLabel);
    si::Wait(400);
    si::Type("waves again");
    si::Click(kEmoteLabel);
    Snap(&refused);
    si::Click(kSquelchLabel);
    Snap(&squelchRefused);
    si::Wait(600); // a full second after the first emote
    si::Click(kSquelchLabel);
    Screen squelched;
    Snap(&squelched);
    Visit();
    EXPECT_EQ(SentLines(), (std::vector<std::string>{"/me waves", "/squelch *Acct"}));
    EXPECT_EQ(refused.input, "waves again");
    EXPECT_TRUE(squelchRefused.squelchEnabled); // still selected
    EXPECT_FALSE(squelched.squelchEnabled);     // the squelch cleared the selection
    EXPECT_EQ(squelched.input, "");
}

TEST_F(ChatButtons, EmoteGoesThroughTheHistoryWithoutEcho) {
    Screen before, after, recalled;
    Snap(&before);
    si::Type("bows");
    si::Click(kEmoteLabel);
    Snap(&after);
    si::Tab();
    Snap(&recalled);
    Visit();
    EXPECT_EQ(SentLines(), std::vector<std::string>{"/me bows"});
    EXPECT_EQ(after.pane.size(), before.pane.size());
    EXPECT_EQ(recalled.input, "/me bows");
}

TEST_F(ChatButtons, EmoteOfASlashLineDoesNothing) {
    Screen after;
    si::Type("/dance");
    si::Click(kEmoteLabel);
    Snap(&after);
    si::Type("!");
    si::Check([] { Input()->editText = u"smiles"; });
    si::Click(kEmoteLabel); // the refused press did not use up the second
    Visit();
    EXPECT_EQ(after.input, "/dance");
    EXPECT_EQ(SentLines(), std::vector<std::string>{"/me smiles"});
}

TEST_F(ChatButtons, SpacingSurvivesTheTickCountWrapping) {
    si::Check([] { si::SetNow(0xffff0000u); });
    si::Type("one");
    si::Click(kEmoteLabel);
    si::Check([] { si::SetNow(0x100u); }); // 65.8 s later, past the wrap
    si::Type("two");
    si::Click(kEmoteLabel);
    si::Check([] { si::SetNow(0x200u); }); // 256 ms after that
    si::Type("three");
    si::Click(kEmoteLabel);
    Visit();
    EXPECT_EQ(SentLines(), (std::vector<std::string>{"/me one", "/me two"}));
}

// Squelch and unsquelch: the user's name and flags, the button, the line sent.
struct SquelchCase {
    const char* user;
    uint32_t flags;
    int label;
    const char* sent;
};

TEST_F(ChatButtons, SquelchAndUnsquelchAddressTheAccount) {
    const SquelchCase cases[] = {
        {"Nim*Acct", 0, kSquelchLabel, "/squelch *Acct"},
        {"Plain", 0, kSquelchLabel, "/squelch *Plain"},
        {"*Lone", 0, kSquelchLabel, "/squelch *Lone"},
        {"Nim*Acct", 0x20, kUnsquelchLabel, "/unsquelch *Acct"},
    };
    uint32_t now = si::kClockStart;
    for (const SquelchCase& c : cases) {
        SCOPED_TRACE(c.user);
        si::ResetAll();
        si::FillLaunchRecord(&record);
        now += 100000; // well apart from the previous visit's press
        si::SetNow(now);
        Screen after;
        AddAndSelect(c.user, c.flags);
        si::Type("kept until sent");
        si::Click(c.label);
        Snap(&after);
        Visit();
        EXPECT_EQ(SentLines(), std::vector<std::string>{c.sent});
        EXPECT_EQ(after.input, "");
        EXPECT_FALSE(after.squelchEnabled);
        EXPECT_FALSE(after.unsquelchEnabled);
    }
}

TEST_F(ChatButtons, SquelchWhileDisconnectedClearsSelectionAndShowsConnectionLost) {
    Screen after;
    AddAndSelect("Nim*Acct");
    si::Type("text");
    si::Check([] { si::SetChatConnected(false); });
    si::Click(kSquelchLabel);
    Snap(&after);
    bool lost = false;
    si::Check([&] { lost = Showing(kConnectionLost); });
    si::Click(kOkLabel);
    uint32_t result = si::RunVisit(QueryInterface(), &record);
    EXPECT_TRUE(lost);
    EXPECT_EQ(result, 4u);
    EXPECT_TRUE(SentLines().empty());
    EXPECT_FALSE(after.squelchEnabled);
    EXPECT_EQ(after.input, "text");
}

// The three texts a lit button can print when lit.
bool IsLightingLine(const si::TextLine& line) {
    if (line.colour == 11) return line.text == si::StringText(5334) || line.text == si::StringText(5336);
    return line.colour == 9 && line.text == u"Moooooooo!";
}

TEST_F(ChatButtons, LitButtonPrintsALightingTextThenGoesOut) {
    Screen before, lit, out;
    Snap(&before);
    si::ClickAt(kButton, 398, 474);
    Snap(&lit);
    si::ClickAt(kButton, 398, 474);
    Snap(&out);
    Visit();
    EXPECT_EQ(before.litFrame, 0);
    EXPECT_EQ(lit.litFrame, 2);
    ASSERT_EQ(lit.pane.size(), before.pane.size() + 1);
    EXPECT_TRUE(IsLightingLine(lit.pane.back())) << si::Utf8(lit.pane.back().text);
    EXPECT_EQ(lit.pane.back().a, 0);
    EXPECT_EQ(lit.pane.back().b, 1);
    EXPECT_EQ(out.litFrame, 0);
    ASSERT_EQ(out.pane.size(), lit.pane.size() + 1);
    EXPECT_EQ(out.pane.back().text, si::StringText(5335));
    EXPECT_EQ(out.pane.back().colour, 11);
}

TEST_F(ChatButtons, LitButtonStaysLitIntoTheNextVisit) {
    si::ClickAt(kButton, 398, 474);
    Visit();
    si::ResetAll();
    Screen next;
    Snap(&next);
    si::ClickAt(kButton, 398, 474);
    Screen out;
    Snap(&out);
    Visit();
    EXPECT_EQ(next.litFrame, 2);
    ASSERT_FALSE(out.pane.empty());
    EXPECT_EQ(out.pane.back().text, si::StringText(5335));
}

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

// Lights the button in a visit whose first figure is made at a tick count
// chosen so that the draws give outcome; returns the line printed.
si::TextLine LightWithSeed(LaunchRecord* record, Outcome outcome) {
    si::SetNow(SeedFor(outcome, si::kClockStart));
    si::PushChatEvent(1, 0, "Nim*Acct", "TAHC"); // the first figure seeds the generator
    si::Frames(1);
    si::ClickAt(kButton, 398, 474);
    si::TextLine line;
    si::Check([&] {
        if (!Pane()->lines.empty()) line = Pane()->lines.back();
    });
    si::Click(kQuitLabel);
    si::RunVisit(QueryInterface(), record);
    return line;
}

TEST_F(ChatButtons, LitButtonRarestTextComesWhenTheFirstDrawIsZero) {
    si::TextLine line = LightWithSeed(&record, kBlaze);
    EXPECT_EQ(line.text, si::StringText(5336));
    EXPECT_EQ(line.colour, 11);
}

TEST_F(ChatButtons, LitButtonMoosWhenTheNextTwoDrawsAreZero) {
    si::TextLine line = LightWithSeed(&record, kMoo);
    EXPECT_EQ(line.text, u"Moooooooo!");
    EXPECT_EQ(line.colour, 9);
}

TEST_F(ChatButtons, LitButtonCommonTextOtherwise) {
    si::TextLine line = LightWithSeed(&record, kGlow);
    EXPECT_EQ(line.text, si::StringText(5334));
    EXPECT_EQ(line.colour, 11);
}

TEST_F(ChatButtons, LitButtonMooNeedsBothDrawsZero) {
    si::TextLine line = LightWithSeed(&record, kGlowNearly);
    EXPECT_EQ(line.text, si::StringText(5334));
    EXPECT_EQ(line.colour, 11);
}

} // namespace
