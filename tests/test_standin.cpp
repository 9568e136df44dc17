// The stand-in host's own guarantees that the module's tests lean on without
// seeing them: bounded, terminated Unicode conversions and the handling of
// invalid UTF-8; the 288-byte chat event record; the profile copies staying
// within their buffers; no dated message after ClearMessageHandlers; the idle
// limit and the script failure flag; list cells reused across lists;
// Pellick's block count and fatal report; the registry file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "../Src/platform/ChatService.h"
#include "../Src/platform/Corvel.h"
#include "../Src/platform/Pellick.h"
#include "../Src/platform/QvLang.h"
#include "../Src/platform/QvWin.h"
#include "../host/standin/StandIn.h"
#include "support/Platform.h"

using namespace standin;

namespace {

std::u16string U16(const Unicode* s) {
    std::u16string out;
    for (; s->ch; s++)
        out += (char16_t)s->ch;
    return out;
}

std::vector<Unicode> Wide(const std::u16string& s) {
    std::vector<Unicode> out;
    for (char16_t c : s)
        out.push_back(Unicode{(uint16_t)c});
    out.push_back(Unicode{0});
    return out;
}

uint32_t U32At(const uint8_t* record, int offset) {
    uint32_t v;
    memcpy(&v, record + offset, 4);
    return v;
}

// Each test starts from the stand-in's defaults, also when the file runs in one process.
class StandIn : public testing::Test {
  protected:
    void SetUp() override { ResetAll(); }
};

} // namespace

// ---- Unicode ---------------------------------------------------------------------

TEST(Unicode, Utf8RoundTripsAndInvalidBytesBecomeReplacementCharacters) {
    for (const char* text : {"plain", "caf\xC3\xA9", "\xE2\x82\xAC 5", "\xF0\x9F\x98\x80 smile", ""}) {
        Unicode wide[64];
        char back[64];
        Unicode::utf8ToUnicode(wide, text, 64);
        Unicode::toUtf(back, wide, 64);
        EXPECT_STREQ(back, text);
    }
    struct Case {
        const char* in;
        std::u16string out;
    } cases[] = {
        {"\xF0\x9F\x98\x80", u"\U0001F600"},               // a surrogate pair
        {"a\x80z", u"a\uFFFDz"},                           // lone continuation byte
        {"a\xC3", u"a\uFFFD"},                             // cut at the end
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong two-byte form
        {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},           // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"\xE2\x82x", u"\uFFFDx"},                         // incomplete sequence, then ASCII
    };
    for (const Case& c : cases) {
        Unicode wide[16];
        Unicode::utf8ToUnicode(wide, c.in, 16);
        EXPECT_EQ(U16(wide), c.out) << c.in;
    }
}

TEST(Unicode, ConvertersStayWithinTheirSizeAndTerminate) {
    // toUtf never stores part of a sequence.
    std::vector<Unicode> src = Wide(u"a\u00e9\u20ac");
    char out[8];
    memset(out, 'X', sizeof out);
    Unicode::toUtf(out, src.data(), 3); // "a" + 2 bytes of e-acute would need 4
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(out[2], 'X');
    Unicode::toUtf(out, src.data(), 6); // the euro sign's 3 bytes do not fit
    EXPECT_STREQ(out, "a\xC3\xA9");
    // A surrogate pair is not split either.
    Unicode pair[4];
    Unicode::utf8ToUnicode(pair, "\xF0\x9F\x98\x80", 2);
    EXPECT_EQ(Unicode::strlen(pair), 0);
    // Size 1 gives an empty text; size 0 writes nothing.
    Unicode one[2] = {{'Q'}, {'Q'}};
    Unicode::utf8ToUnicode(one, "abc", 1);
    EXPECT_EQ(one[0].ch, 0);
    EXPECT_EQ(one[1].ch, 'Q');
    Unicode untouched[1] = {{'Q'}};
    Unicode::win2Unicode(untouched, "abc", 0);
    EXPECT_EQ(untouched[0].ch, 'Q');

    Unicode dst[6];
    Unicode::toUnicode(dst, "abcdefgh", 6);
    EXPECT_EQ(U16(dst), u"abcde");
    std::vector<Unicode> more = Wide(u"XYZ");
    Unicode::strcat(dst, more.data(), 6); // already full
    EXPECT_EQ(U16(dst), u"abcde");
    Unicode::toUnicode(dst, "ab", 6);
    Unicode::strncat(dst, more.data(), 2, 6);
    EXPECT_EQ(U16(dst), u"abXY");
    Unicode::strcat(dst, more.data(), 6);
    EXPECT_EQ(U16(dst), u"abXYX");
    Unicode::strcpy(dst, more.data(), 3);
    EXPECT_EQ(U16(dst), u"XY");
    Unicode::sprintf(dst, 4, "%d", 123456);
    EXPECT_EQ(U16(dst), u"123");
}

TEST(Unicode, Windows1252MapsTheHighControlRangeAndMarksWhatItLacks) {
    Unicode wide[8];
    Unicode::win2Unicode(wide, "\x80\x9F\xE9\x8D", 8);
    EXPECT_EQ(U16(wide), u"\u20AC\u0178\u00E9\u008D");
    char all[256];
    for (int i = 1; i < 256; i++)
        all[i - 1] = (char)i;
    all[255] = 0;
    Unicode allWide[256];
    char back[256];
    Unicode::win2Unicode(allWide, all, 256);
    Unicode::unicode2Win(back, allWide, 256);
    EXPECT_EQ(memcmp(back, all, 256), 0) << "every byte survives the round trip";
    std::vector<Unicode> missing = Wide(u"a\u4E2D\U0001F600b");
    Unicode::unicode2Win(back, missing.data(), 256);
    EXPECT_STREQ(back, "a??b") << "a surrogate pair gives one '?'";
}

// ---- chat service -----------------------------------------------------------------------

TEST_F(StandIn, ChatEventRecordLayoutAndCuts) {
    PushChatEvent(5, 0x1008, "Arin*Tester", "hi all", 77);
    PushChatEvent(5, 0, std::string(400, 'n'), "text");
    PushChatEvent(5, 0, "name", std::string(400, 't'));
    PushRawEvent(2, std::vector<uint8_t>(300, 0xAB)); // cut to 288
    PushRawEvent(7, {1, 2, 3});                       // padded with zeros
    uint32_t kind = 99;
    uint8_t record[288];
    memset(record, 0xEE, sizeof record);
    ASSERT_EQ(PollEvent(ChatTable(), &kind, record), 1);
    EXPECT_EQ(kind, 0u);
    EXPECT_EQ(U32At(record, 0), 5u);
    EXPECT_EQ(U32At(record, 4), 0x1008u);
    EXPECT_EQ(U32At(record, 8), 77u);
    for (int i = 12; i < 24; i++)
        EXPECT_EQ(record[i], 0) << i;
    EXPECT_STREQ((const char*)record + 24, "Arin*Tester");
    EXPECT_STREQ((const char*)record + 24 + 12, "hi all");

    ASSERT_EQ(PollEvent(ChatTable(), &kind, record), 1);
    size_t nameLen = strnlen((const char*)record + 24, 264);
    EXPECT_EQ(nameLen, 262u); // room is left for both terminators
    EXPECT_EQ(record[24 + nameLen + 1], 0);
    ASSERT_EQ(PollEvent(ChatTable(), &kind, record), 1);
    EXPECT_STREQ((const char*)record + 24, "name");
    EXPECT_EQ(strnlen((const char*)record + 29, 259), 258u);
    EXPECT_EQ(record[287], 0);

    ASSERT_EQ(PollEvent(ChatTable(), &kind, record), 1);
    EXPECT_EQ(kind, 2u);
    EXPECT_EQ(record[287], 0xAB);
    ASSERT_EQ(PollEvent(ChatTable(), &kind, record), 1);
    EXPECT_EQ(kind, 7u);
    EXPECT_EQ(record[2], 3);
    EXPECT_EQ(record[3], 0);
    EXPECT_EQ(PollEvent(ChatTable(), &kind, record), 0);
}

TEST_F(StandIn, ProfileValuesAreCopiedWithinTheBufferSizes) {
    const char* keys[] = {"profile\\sex", "profile\\location", "profile\\description"};
    char sex[8], location[40], description[200];
    char* buffers[] = {sex, location, description};
    const uint32_t sizes[] = {8, 40, 200};
    SetProfile("undecided", std::string(100, 'L'), "likes chat");
    EXPECT_EQ(RequestProfile(ChatTable(), "*Friend", 3, 1, keys, 0), 1);
    EXPECT_EQ(PollProfile(ChatTable(), 3, 1, buffers, sizes), 1);
    EXPECT_STREQ(sex, "undecid");
    EXPECT_EQ(strlen(location), 39u);
    EXPECT_STREQ(description, "likes chat");
}

namespace {
std::atomic<int> datedCalls{0}, callsAfterClear{0};
std::atomic<bool> cleared{false};
int CountDated(uint32_t, const char*) {
    if (cleared) callsAfterClear++;
    datedCalls++;
    return 1;
}
} // namespace

// The module frees its queue's lock right after ClearMessageHandlers: no
// message may arrive after it, from the calling thread or the producer's.
TEST_F(StandIn, DatedMessagesOnlyBetweenSetAndClearMessageHandlers) {
    ChatServiceTable* t = ChatTable();
    EXPECT_FALSE(PushDatedMessage(100, "early"));
    SetMessageHandlers(t, CountDated, [] { return 1; });
    EXPECT_TRUE(PushDatedMessage(100, "text"));
    EXPECT_EQ(datedCalls, 1);
    StartDatedProducer(1000000, 100);
    while (datedCalls < 50)
        std::this_thread::yield();
    ClearMessageHandlers(t);
    cleared = true;
    EXPECT_LT(JoinDatedProducer(), 1000000);
    EXPECT_FALSE(PushDatedMessage(100, "late"));
    EXPECT_EQ(callsAfterClear, 0);
}

// ---- screen loop --------------------------------------------------------------------------

namespace {
int frames = 0;
int CountFrame(uint32_t) {
    ++frames;
    return 0;
}
int NestForever(uint32_t) {
    RunScreenLoop(NestForever);
    EndScreenLoop();
    return 0;
}
} // namespace

TEST_F(StandIn, IdleLimitEndsEveryRunningLoop) {
    frames = 0;
    Check([] { RunScreenLoop(CountFrame); }); // a wait loop that nothing ends
    RunScreenLoop(CountFrame);
    EXPECT_TRUE(LoopTimedOut());
    EXPECT_EQ(LoopDepth(), 0);
    EXPECT_EQ(frames, 1 + kIdleFrameLimit) << "the outer loop runs no frame after the time-out";
}

TEST_F(StandIn, RunawayNestingAndMissedClicksFailTheScript) {
    RunScreenLoop(NestForever);
    EXPECT_TRUE(ScriptFailed());
    EXPECT_EQ(LoopDepth(), 0);

    ResetAll();
    Click(4242); // no such control
    Check([] { EndScreenLoop(); });
    RunScreenLoop(CountFrame);
    EXPECT_TRUE(ScriptFailed());
}

// ---- toolkit lists ----------------------------------------------------------------------------
namespace {

QvControl MakeList(int columns) {
    ControlDescriptor d{};
    d.kind = kTextList;
    d.height = 150;
    QvControl list = CreateControl(&d);
    ListSetColumns(list, columns);
    return list;
}

// Every cell of every row, "|" between cells, " / " between rows.
std::string CellsOf(QvControl list) {
    std::string out;
    const Control& model = *Find(list);
    for (size_t row = 0; row < model.rows.size(); ++row) {
        out += out.empty() ? "" : " / ";
        for (size_t i = 0; i < CellCount(model, row); ++i)
            out += (i ? "|" : "") + Utf8(CellText(model, row, i));
    }
    return out;
}

} // namespace

// Cleared, reset and destroyed rows leave their cells to later rows: none of
// their texts shows again, whatever the shape of the list that takes them. A
// text set again, shorter or longer, shows alone, also once the room the old
// texts left behind has been packed away.
TEST_F(StandIn, ReusedListCellsStartEmpty) {
    QvControl wide = MakeList(5), narrow = MakeList(2);
    ListAddRowWithData(wide, "-", 2, 4, 0);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 5; ++column)
            ListSetCellText(wide, ("w" + std::to_string(row) + std::to_string(column)).c_str(), row, column);
    ListResetRow(wide, 1);
    ListSetCellText(wide, "again", 1, 2);
    EXPECT_EQ(CellsOf(wide), "w00|w01|w02|w03|w04 / -||again");
    for (int i = 0; i < 400; ++i)
        ListSetCellText(wide, i % 2 ? "x" : std::string(40, 'y').c_str(), 0, 1);
    ListSetCellText(wide, "longer than w03", 0, 3);
    EXPECT_EQ(CellsOf(wide), "w00|x|w02|longer than w03|w04 / -||again");
    DestroyControl(&wide);
    for (const char* name : {"Duel", "Raid of the long night"}) {
        ListAddRow(narrow, name);
        Unicode count[] = {{'7'}, {0}};
        ListSetCellText2(narrow, count, ListGetSelectedRow(narrow), 1);
    }
    EXPECT_EQ(CellsOf(narrow), "Duel|7 / Raid of the long night|7");
    TextListClear(narrow);
    ListAddRow(narrow, "Twin");
    ListSetCellText(narrow, "", 0, 3);
    EXPECT_EQ(CellsOf(narrow), "Twin|||");
}

// ---- core and utility ------------------------------------------------------------------------

TEST_F(StandIn, LiveBlocksCountAllocations) {
    int before = LiveBlocks();
    void* a = Allocate(16, __FILE__, __LINE__);
    void* b = Allocate(0, __FILE__, __LINE__);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(LiveBlocks(), before + 2);
    Free(a, __FILE__, __LINE__);
    Free(nullptr, __FILE__, __LINE__);
    EXPECT_EQ(LiveBlocks(), before + 1);
    Free(b, __FILE__, __LINE__);
    EXPECT_EQ(LiveBlocks(), before);
}

TEST(PellickDeathTest, FatalReportAndDoubleFreeEndWithExitCodeMinusOne) {
    EXPECT_EXIT(FatalErrorReport(3282, "Entry.cpp", 42), testing::ExitedWithCode(lobbytest::kFatalExitCode),
                "fatal error 3282 \\(Entry.cpp:42\\)");
    EXPECT_EXIT(
        {
            void* block = Allocate(8, "unit", 1);
            Free(block, "unit", 2);
            Free(block, "unit", 3);
        },
        testing::ExitedWithCode(lobbytest::kFatalExitCode), "fatal error 9002 \\(unit:3\\)");
}

// Numbers persist in the registry file; the memory registry writes none and ends with the reset.
TEST_F(StandIn, RegistryNumbersPersistInTheFileOrInMemory) {
    std::string dir = testing::TempDir() + "standin_registry_test_" + std::to_string(getpid());
    std::filesystem::remove_all(dir);
    SetRegistryPath(dir + "/registry.txt");
    uint32_t value = 99;
    EXPECT_EQ(RegistryReadNumber("Quorvane", "MAX_PLAYER", 0, &value), 0);
    EXPECT_EQ(value, 99u);
    RegistryWriteNumber("Quorvane", "MAX_PLAYER", 0, 4);
    RegistryWriteNumber("Quorvane", "LVL_REST", 0, 666);
    RegistryWriteNumber("Quorvane", "MAX_PLAYER", 0, 8);
    EXPECT_TRUE(std::filesystem::exists(dir + "/registry.txt"));
    EXPECT_EQ(RegistryReadNumber("Quorvane", "MAX_PLAYER", 0, &value), 1);
    EXPECT_EQ(value, 8u);
    EXPECT_EQ(RegistryReadNumber("Quorvane", "LVL_REST", 0, &value), 1);
    EXPECT_EQ(value, 666u);
    EXPECT_EQ(RegistryReadNumber("Other", "MAX_PLAYER", 0, &value), 0);
    std::filesystem::remove_all(dir);

    UseMemoryRegistry();
    RegistryWriteNumber("Quorvane", "MAX_PLAYER", 0, 4);
    RegistryWriteNumber("Quorvane", "MAX_PLAYER", 0, 6);
    EXPECT_EQ(RegistryReadNumber("Quorvane", "MAX_PLAYER", 0, &value), 1);
    EXPECT_EQ(value, 6u);
    ClearRegistryValue("Quorvane", "MAX_PLAYER");
    EXPECT_EQ(RegistryReadNumber("Quorvane", "MAX_PLAYER", 0, &value), 0);
    RegistryWriteNumber("Quorvane", "LVL_REST", 0, 12);
    EXPECT_FALSE(std::filesystem::exists(dir));
    ResetAll();
    UseMemoryRegistry();
    EXPECT_EQ(RegistryReadNumber("Quorvane", "LVL_REST", 0, &value), 0);
}
