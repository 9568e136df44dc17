// The realm message panel on the right of the lobby across visits. (Restoring
// the realm connection before chat: realm_restore_*.scn.)
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

standin::Control* SideBackground() {
    return standin::FindAt(kImageControl, 415, 447);
}

std::string SidePanelText() {
    standin::Control* box = SidePanelTextBox();
    if (!box || box->lines.empty()) return "<none>";
    return standin::Utf8(box->lines.back().text);
}

} // namespace

// The messages' order, their cut and the background: realm_messages.scn.
TEST(RealmMessages, EachVisitStartsWithTheBlankBackgroundAndAnEmptyLine) {
    Visit first;
    standin::Enqueue([] { standin::PushRealmMessage(1, "old news"); });
    first.Quit();
    EXPECT_EQ(standin::LiveBlocks(), 0) << "the list is freed at the end of the visit";
    Visit second;
    standin::Check([] {
        ASSERT_NE(SideBackground(), nullptr);
        EXPECT_TRUE(SideBackground()->shown);
        ASSERT_NE(SidePanelTextBox(), nullptr);
        ASSERT_EQ(SidePanelTextBox()->lines.size(), 1u);
        EXPECT_EQ(SidePanelText(), "");
        EXPECT_EQ(SidePanelTextBox()->lines[0].colour, 1);
    });
    second.Quit();
}
