// The lit button stays lit into the next visit. (The buttons pressed with a
// user selected, the one-second spacing of emotes and squelches, emotes of
// slash lines, whisper after deselecting and a squelch while disconnected:
// chat_buttons.scn; the lit button's texts by the generator's draws:
// lit_button_blaze, _moo, _glow and _glow_nearly.scn.)
#include <gtest/gtest.h>

#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

void PressLitButton() {
    standin::ClickAt(kButton, 398, 474);
}

} // namespace

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
