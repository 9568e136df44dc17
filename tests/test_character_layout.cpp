// The character layout: the panel that describes the player's character, the
// character's own figure, and what a whole visit in that layout leaves behind.
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
standin::Control* TopTextList() {
    return standin::FindAt(kTextList, 28, 138);
}

std::string PanelLine(size_t index) {
    standin::Control* box = PanelBox();
    if (!box || index >= box->lines.size()) return "<missing>";
    return standin::Utf8(box->lines[index].text);
}

struct CharacterVisit : Visit {
    CharacterVisit() { SetChannel(""); }
};

} // namespace

// The panel's lines by level, class and progress (bits 8..12 of characterFlags).
TEST(CharacterPanel, LinesFollowLevelClassAndProgress) {
    struct Row {
        uint8_t level, characterClass;
        uint16_t characterFlags;
        const char* levelText;
        int classId, difficultyId;
    } rows[] = {
        {0, 0, 0x0000, " 1", 4011, 11125},     // level 0 shows as 1
        {12, 1, 0x0300, " 12", 4010, 11125},   // progress 3 / 4
        {99, 2, 0x0400, " 99", 4009, 5156},    // progress 4 / 4
        {1, 3, 0x0800, " 1", 4008, 5155},      // progress 8 / 4
        {7, 4, 0x0A20, " 7", 4007, 5155},      // progress 10 / 5 with 0x0020
        {255, 5, 0x0C00, " 255", 10097, 5154}, // progress 12 / 4
        {30, 6, 0x1F20, " 30", 10098, 5154},   // progress 31 / 5
        {30, 7, 0x0000, " 30", 5383, 11125},   // class outside 0..6
        {30, 9, 0x0000, " 30", 5383, 11125},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "class " << (int)row.characterClass << " flags " << row.characterFlags);
        standin::ResetAll();
        CharacterVisit visit;
        visit.record.characterLevel = row.level;
        visit.record.characterClass = row.characterClass;
        visit.record.characterFlags = row.characterFlags;
        standin::Check([&] {
            ASSERT_NE(PanelBox(), nullptr);
            ASSERT_EQ(PanelBox()->lines.size(), 4u);
            EXPECT_EQ(PanelLine(1), Text(4057) + row.levelText + Text(row.classId));
            EXPECT_EQ(PanelLine(2), Text(11124));
            EXPECT_EQ(PanelLine(3), Text(row.difficultyId));
            for (size_t i = 1; i < 4; ++i)
                EXPECT_EQ(PanelBox()->lines[i].colour, 0);
        });
        standin::Click(5316);
        visit.Run();
    }
}

TEST(CharacterPanel, FirstLineIsTitleAndNameColouredByFigureFlag) {
    for (uint16_t figureFlags : {0x0000, 0x0004}) {
        standin::ResetAll();
        CharacterVisit visit;
        visit.record.figureFlags = figureFlags;
        visit.record.characterFlags = 0x0A00;
        std::string title = GetCharacterTitle(visit.record.characterClass, 10, 0, 0);
        standin::Check([&] {
            ASSERT_NE(PanelBox(), nullptr);
            EXPECT_EQ(PanelLine(0), title + "Arin");
            EXPECT_EQ(PanelBox()->lines[0].colour, figureFlags ? 1 : 0);
        });
        standin::Click(5316);
        visit.Run();
    }
}

TEST(CharacterPanel, NoTitleLeavesTheNameAlone) {
    CharacterVisit visit;
    visit.record.characterFlags = 0; // no progress: the stand-in has no title to give
    const char* title = GetCharacterTitle(0, 0, 0, 0);
    ASSERT_TRUE(title == nullptr || !*title);
    standin::Check([] { EXPECT_EQ(PanelLine(0), "Arin"); });
    standin::Click(5316);
    visit.Run();
}

TEST(CharacterPanel, ButtonsTopTextAndChannelState) {
    CharacterVisit visit;
    standin::Check([] {
        for (int id : {5312, 5313, 5314, 5315, 5316, 11126})
            EXPECT_NE(standin::FindByTextId(id), nullptr) << id;
        for (int id : {5305, 5306, 5307, 5309, 5310})
            EXPECT_EQ(standin::FindByTextId(id), nullptr) << id;
        standin::Control* help = standin::FindAt(kButton, 146, 480);
        ASSERT_NE(help, nullptr) << "the layout's own help button";
        EXPECT_EQ(help->desc.textId, 5308);
        EXPECT_NE(standin::FindAt(kImageControl, 145, 69), nullptr) << "banner";
        EXPECT_NE(standin::FindAt(kClickArea, 145, 69), nullptr) << "banner click";
        EXPECT_FALSE(standin::FindByTextId(5314)->enabled);
        ASSERT_NE(TopTextList(), nullptr);
        ASSERT_EQ(TopTextList()->lines.size(), 1u);
        EXPECT_EQ(standin::Utf8(TopTextList()->lines[0].text), Text(11123));
        EXPECT_EQ(TopTextList()->lines[0].colour, 3);
    });
    standin::Click(5316);
    visit.Run();
}

// The own figure's mode: 1 only for figure flag 0x0004 without 0x0008, and for
// the two later classes only with the full game content.
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
        for (int i = 0; i < 16; ++i) {
            visit.record.figureLookA[i] = (uint8_t)(i + 1);
            visit.record.figureLookB[i] = (uint8_t)(0x80 + i);
        }
        standin::Check([&] {
            ASSERT_EQ(standin::LiveFigureCount(), 1);
            standin::Figure* figure = standin::Figures()[0];
            EXPECT_EQ(figure->kind, row.characterClass);
            EXPECT_EQ(figure->mode, row.mode);
            EXPECT_EQ(figure->x, 66);
            EXPECT_EQ(figure->param, 0x23b);
            EXPECT_EQ(figure->param2, 0);
            EXPECT_EQ(figure->frame, 0);
            EXPECT_EQ(0, memcmp(figure->lookA, visit.record.figureLookA, 16));
            EXPECT_EQ(0, memcmp(figure->lookB, visit.record.figureLookB, 16));
        });
        standin::Click(5316);
        visit.Run();
    }
}

TEST(OwnFigure, AFigureThatCannotBeMadeLeavesThePanel) {
    standin::FailNextFigures(1);
    CharacterVisit visit;
    standin::Check([] {
        EXPECT_EQ(standin::LiveFigureCount(), 0);
        EXPECT_NE(PanelBox(), nullptr);
    });
    standin::Click(5316);
    EXPECT_EQ(visit.Run(), 4u);
}

TEST(CharacterVisit, FullVisitLeavesNothingBehind) {
    CharacterVisit visit;
    standin::Click(5316);
    EXPECT_EQ(visit.Run(), 4u);
    EXPECT_EQ(standin::LiveControlCount(), 0);
    EXPECT_EQ(standin::LiveFigureCount(), 0);
    EXPECT_EQ(standin::LiveImageCount(), 0);
    EXPECT_EQ(standin::LiveBlocks(), 0);
}

TEST(CharacterVisit, SecondVisitInChatLayoutStartsFromTheRecord) {
    CharacterVisit first;
    standin::Click(11126);
    standin::Click(5316);
    first.Run();
    Visit second; // channel "Lobby"
    standin::Check([] {
        EXPECT_EQ(standin::FindByTextId(11126), nullptr);
        EXPECT_TRUE(standin::FindByTextId(5314)->enabled);
        EXPECT_EQ(PanelBox(), nullptr);
        EXPECT_EQ(standin::LiveFigureCount(), 0);
    });
    standin::Click(5316);
    EXPECT_EQ(second.Run(), 4u);
}
