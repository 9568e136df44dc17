// The character layout: the panel that describes the player's character, the
// character's own figure, and the next visit after a switch to chat, each a
// table of visits. (The layout's controls, background and top text:
// character_layout.scn; a figure that cannot be made: character_no_figure.scn.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../Src/core/Lobby.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

standin::Control* PanelBox() {
    return standin::FindAt(kTextList, 143, 588);
}

std::string PanelLine(size_t index) {
    return standin::Utf8(PanelBox()->lines[index].text);
}

struct CharacterVisit : Visit {
    CharacterVisit() { SetChannel(""); }
};

} // namespace

// The panel's lines by level, class, progress (bits 8..12 of characterFlags)
// and the figure flag 0x0004 that colours the first line. The first line's
// title is the stand-in's text for the progress (none below 4).
TEST(CharacterPanel, LinesFollowLevelClassAndProgress) {
    struct Row {
        uint8_t level, characterClass;
        uint16_t characterFlags, figureFlags;
        const char *firstLine, *levelText;
        int classId, difficultyId;
    } rows[] = {
        {0, 0, 0x0000, 0x0000, "Arin", " 1", 4011, 11125},               // level 0 shows as 1, no title
        {12, 1, 0x0300, 0x0004, "Arin", " 12", 4010, 11125},             // progress 3 / 4
        {99, 2, 0x0400, 0x0000, "Slayer Arin", " 99", 4009, 5156},       // progress 4 / 4
        {1, 3, 0x0800, 0x0004, "Champion Arin", " 1", 4008, 5155},       // progress 8 / 4
        {7, 4, 0x0A20, 0x0000, "Champion Arin", " 7", 4007, 5155},       // progress 10 / 5 with 0x0020
        {7, 4, 0x0820, 0x0000, "Champion Arin", " 7", 4007, 5156},       // progress 8 / 5 with 0x0020
        {255, 5, 0x0C00, 0x0000, "Patriarch Arin", " 255", 10097, 5154}, // progress 12 / 4
        {30, 6, 0x1F20, 0x0000, "Patriarch Arin", " 30", 10098, 5154},   // progress 31 / 5
        {30, 7, 0x0A04, 0x0000, "Warden Arin", " 30", 5383, 5155},       // class outside 0..6, status 0x04
        {30, 9, 0x0000, 0x0000, "Arin", " 30", 5383, 11125},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "class " << (int)row.characterClass << " flags " << row.characterFlags);
        standin::ResetAll();
        CharacterVisit visit;
        visit.record.characterLevel = row.level;
        visit.record.characterClass = row.characterClass;
        visit.record.characterFlags = row.characterFlags;
        visit.record.figureFlags = row.figureFlags;
        standin::Check([&] {
            ASSERT_NE(PanelBox(), nullptr);
            ASSERT_EQ(PanelBox()->lines.size(), 4u);
            EXPECT_EQ(PanelLine(0), row.firstLine);
            EXPECT_EQ(PanelLine(1), Text(4057) + row.levelText + Text(row.classId));
            EXPECT_EQ(PanelLine(2), Text(11124));
            EXPECT_EQ(PanelLine(3), Text(row.difficultyId));
            for (size_t i = 0; i < 4; ++i)
                EXPECT_EQ(PanelBox()->lines[i].colour, i == 0 && row.figureFlags ? 1 : 0) << i;
        });
        visit.Quit();
    }
}

// The own figure's mode: 1 only for figure flag 0x0004 without 0x0008, and for
// the two later classes only with the full game content. (Its parameters: character.scn.)
TEST(OwnFigure, ModeAndPlacement) {
    struct Row {
        uint16_t figureFlags;
        uint8_t characterClass;
        bool fullContent;
        int mode;
    } rows[] = {
        {0x0004, 0, false, 1}, {0x0004, 4, false, 1}, {0x0004, 5, false, 5}, {0x0004, 6, true, 1},
        {0x000C, 0, true, 5},  {0x0008, 0, true, 5},  {0x0000, 2, true, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "flags " << row.figureFlags << " class " << (int)row.characterClass);
        standin::ResetAll();
        standin::SetFullContent(row.fullContent);
        CharacterVisit visit;
        visit.record.figureFlags = row.figureFlags;
        visit.record.characterClass = row.characterClass;
        for (uint8_t i = 0; i < 16; ++i)
            visit.record.figureLookA[i] = visit.record.figureLookB[15 - i] = (uint8_t)(i + 1);
        standin::Check([&] {
            ASSERT_EQ(standin::LiveFigureCount(), 1);
            standin::Figure* figure = standin::Figures()[0];
            EXPECT_EQ(figure->kind, row.characterClass);
            EXPECT_EQ(figure->mode, row.mode);
            EXPECT_EQ(figure->x, 66);
            EXPECT_EQ(figure->frame, 0);
            EXPECT_EQ(0, memcmp(figure->lookA, visit.record.figureLookA, 16));
            EXPECT_EQ(0, memcmp(figure->lookB, visit.record.figureLookB, 16));
        });
        visit.Quit();
    }
}

TEST(CharacterVisit, SecondVisitInChatLayoutStartsFromTheRecord) {
    CharacterVisit first;
    standin::Click(kEnterChatLabel);
    first.Quit();
    Visit second; // channel "Lobby"
    standin::Check([] {
        ExpectChatLayout();
        EXPECT_EQ(standin::LiveFigureCount(), 0);
    });
    EXPECT_EQ(second.Quit(), 4u);
}
