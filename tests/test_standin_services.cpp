// The stand-in's own services: Unicode conversions, the string table, the chat
// service table and its records, the realm client's scripted answers and
// logon, Pellick's blocks and fatal report, the registry file and the launch
// record.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <string>
#include <vector>

#include "../Src/platform/ChatService.h"
#include "../Src/platform/Corvel.h"
#include "../Src/platform/Os.h"
#include "../Src/platform/Pellick.h"
#include "../Src/platform/QvLang.h"
#include "../Src/platform/QvZendriClient.h"
#include "../host/standin/Internal.h"
#include "../host/standin/StandIn.h"

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

// Each test starts from the stand-in's defaults, also when the whole file runs
// in one process.
struct ResetBeforeEachTest : testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { ResetAll(); }
};
const bool resetRegistered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new ResetBeforeEachTest);
    return true;
}();

uint32_t U32At(const uint8_t* record, int offset) {
    uint32_t v;
    memcpy(&v, record + offset, 4);
    return v;
}

} // namespace

// ---- Unicode ---------------------------------------------------------------------

TEST(Unicode, Utf8RoundTripsThroughSixteenBitText) {
    const char* texts[] = {"plain", "caf\xC3\xA9", "\xE2\x82\xAC 5", "\xF0\x9F\x98\x80 smile", ""};
    for (const char* text : texts) {
        Unicode wide[64];
        char back[64];
        Unicode::utf8ToUnicode(wide, text, 64);
        Unicode::toUtf(back, wide, 64);
        EXPECT_STREQ(back, text);
    }
    Unicode wide[8];
    Unicode::utf8ToUnicode(wide, "\xF0\x9F\x98\x80", 8);
    EXPECT_EQ(U16(wide), u"\U0001F600"); // a surrogate pair
}

TEST(Unicode, InvalidUtf8BecomesReplacementCharacters) {
    struct Case {
        const char* in;
        std::u16string out;
    } cases[] = {
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
}

TEST(Unicode, Windows1252MapsTheHighControlRange) {
    Unicode wide[8];
    Unicode::win2Unicode(wide, "\x80\x9F\xE9\x8D", 8);
    EXPECT_EQ(U16(wide), u"\u20AC\u0178\u00E9\u008D");
    // Every byte survives the round trip.
    char all[256];
    for (int i = 1; i < 256; i++)
        all[i - 1] = (char)i;
    all[255] = 0;
    Unicode allWide[256];
    char back[256];
    Unicode::win2Unicode(allWide, all, 256);
    Unicode::unicode2Win(back, allWide, 256);
    EXPECT_EQ(memcmp(back, all, 256), 0);
    // Characters the code page lacks become '?', a surrogate pair one '?'.
    std::vector<Unicode> missing = Wide(u"a\u4E2D\U0001F600b");
    Unicode::unicode2Win(back, missing.data(), 256);
    EXPECT_STREQ(back, "a??b");
}

TEST(Unicode, SprintfFormatsThenWidensAsUtf8) {
    Unicode out[32];
    Unicode::sprintf(out, 32, "%d %s", 42, "caf\xC3\xA9");
    EXPECT_EQ(U16(out), u"42 caf\u00e9");
    Unicode::sprintf(out, 4, "%d", 123456);
    EXPECT_EQ(U16(out), u"123");
}

TEST(Unicode, StrstrAndStrlen) {
    std::vector<Unicode> hay = Wide(u"one two two");
    std::vector<Unicode> find = Wide(u"two");
    std::vector<Unicode> none = Wide(u"three");
    std::vector<Unicode> empty = Wide(u"");
    EXPECT_EQ(Unicode::strstr(hay.data(), find.data()), hay.data() + 4);
    EXPECT_EQ(Unicode::strstr(hay.data(), none.data()), nullptr);
    EXPECT_EQ(Unicode::strstr(hay.data(), empty.data()), hay.data());
    EXPECT_EQ(Unicode::strlen(hay.data()), 11);
    EXPECT_EQ(Unicode::strlen(nullptr), 0);
}

// ---- strings ------------------------------------------------------------------------

TEST(Strings, EveryIdTheLobbyNamesHasText) {
    const int ids[] = {3994,  4007,  4008,  4009,  4010,  4011,  4057,  5102,  5103,  5137,  5138,  5139,
                       5140,  5141,  5150,  5151,  5154,  5155,  5156,  5158,  5159,  5160,  5161,  5162,
                       5225,  5243,  5256,  5257,  5258,  5259,  5260,  5261,  5262,  5263,  5266,  5267,
                       5268,  5270,  5271,  5274,  5275,  5305,  5306,  5307,  5308,  5309,  5310,  5312,
                       5313,  5314,  5315,  5316,  5317,  5318,  5320,  5321,  5322,  5324,  5326,  5334,
                       5335,  5336,  5340,  5351,  5363,  5364,  5383,  10016, 10017, 10018, 10090, 10091,
                       10097, 10098, 10101, 10102, 10929, 10930, 11020, 11023, 11026, 11063, 11064, 11092,
                       11123, 11124, 11125, 11126, 21793, 21794, 686};
    for (int id : ids)
        EXPECT_FALSE(StringText(id).empty()) << id;
    // The help paragraphs: 686..787 and the later additions.
    for (int id = 686; id <= 787; id++)
        EXPECT_FALSE(StringText(id).empty()) << id;
    for (int id : {10004, 10005, 10006, 10007, 10008, 10009, 10010, 10011, 10012, 10013, 10014,
                   10015, 10092, 10093, 11041, 11042, 11043, 11046, 11047, 11048, 11060, 11061})
        EXPECT_FALSE(StringText(id).empty()) << id;
}

TEST(Strings, LookupsAndLoading) {
    EXPECT_EQ(StringText(5305), u"Send");
    EXPECT_EQ(StringText(3994), u"\u00FFc");
    EXPECT_EQ(U16(GetString(5351)), u"Your connection to Lanthorn has been lost.");
    // Class names by the class table's ids.
    EXPECT_EQ(StringText(4011), u"Huntress");
    EXPECT_EQ(StringText(4007), u"Berserker");
    EXPECT_EQ(StringText(10098), u"Shadowblade");
    // Unknown ids give an empty, non-null text.
    ASSERT_NE(GetString(99999), nullptr);
    EXPECT_EQ(GetString(99999)->ch, 0);

    EXPECT_FALSE(StringsLoaded());
    EXPECT_EQ(LoadModuleStrings(nullptr, 0), 1);
    EXPECT_TRUE(StringsLoaded());
    UnloadModuleStrings();
    EXPECT_FALSE(StringsLoaded());
    SetStringsLoadFails(true);
    EXPECT_EQ(LoadModuleStrings(nullptr, 0), 0);
    EXPECT_FALSE(StringsLoaded());
    EXPECT_EQ(GetLanguageNumber(), 0);
}

TEST(Strings, DriverConversions) {
    EXPECT_EQ(Utf16("caf\xC3\xA9 \xF0\x9F\x98\x80"), u"caf\u00e9 \U0001F600");
    EXPECT_EQ(Utf8(u"caf\u00e9 \U0001F600"), "caf\xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8(GetString(5102)), "OK");
}

// ---- chat service -----------------------------------------------------------------------

TEST(ChatService, TableHoldsExactlyTheListedSlots) {
    const int listed[] = {4, 5, 6, 7, 8, 9, 12, 13, 14, 15, 17, 21, 22, 26, 27, 29, 30, 31, 35, 41, 42, 43};
    ChatServiceTable* t = ChatTable();
    for (int i = 0; i < 44; i++) {
        bool isListed = std::find(std::begin(listed), std::end(listed), i) != std::end(listed);
        EXPECT_EQ(t->slot[i] != nullptr, isListed) << "slot " << i;
    }
}

TEST(ChatService, CallsAreRecordedWithTheirArguments) {
    ChatServiceTable* t = ChatTable();
    SendChatLine(t, "hello there");
    JoinChannel(t, "Trade", 1, 0);
    EnterChat(t, "Arin", "Realm,Arin", 0x25, "Lobby", 3);
    AnnounceGame(t, "game", nullptr, "", 7);
    IsConnected(t);
    uint32_t kind;
    uint8_t record[288];
    PollEvent(t, &kind, record);
    std::vector<Call> calls = ChatCalls();
    ASSERT_EQ(calls.size(), 4u); // IsConnected and PollEvent are not recorded
    EXPECT_EQ(calls[0].name, "SendChatLine");
    EXPECT_EQ(calls[0].args, std::vector<std::string>{"hello there"});
    EXPECT_EQ(calls[1].args, (std::vector<std::string>{"Trade", "1", "0"}));
    EXPECT_EQ(calls[2].args, (std::vector<std::string>{"Arin", "Realm,Arin", "37", "Lobby", "3"}));
    EXPECT_EQ(calls[3].args, (std::vector<std::string>{"game", "null", "", "7"}));
    EXPECT_EQ(ChatCallsNamed("JoinChannel").size(), 1u);
    ClearChatCalls();
    EXPECT_TRUE(ChatCalls().empty());
}

TEST(ChatService, ConnectionDropsAfterTheGivenNumberOfAnswers) {
    ChatServiceTable* t = ChatTable();
    EXPECT_EQ(IsConnected(t), 1);
    DropChatAfter(2);
    EXPECT_EQ(IsConnected(t), 1);
    EXPECT_EQ(IsConnected(t), 1);
    EXPECT_EQ(IsConnected(t), 0);
    EXPECT_EQ(IsConnected(t), 0);
    SetChatConnected(true);
    EXPECT_EQ(IsConnected(t), 1);
    SetChatConnected(false);
    EXPECT_EQ(IsConnected(t), 0);
}

TEST(ChatService, ChatEventRecordLayout) {
    PushChatEvent(5, 0x1008, "Arin*Tester", "hi all", 77);
    EXPECT_EQ(PendingChatEvents(), 1);
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
    EXPECT_EQ(PollEvent(ChatTable(), &kind, record), 0);
}

TEST(ChatService, OversizedNamesAndTextsAreCutWithinTheRecord) {
    PushChatEvent(5, 0, std::string(400, 'n'), "text");
    PushChatEvent(5, 0, "name", std::string(400, 't'));
    uint32_t kind;
    uint8_t record[288];
    ASSERT_EQ(PollEvent(ChatTable(), &kind, record), 1);
    size_t nameLen = strnlen((const char*)record + 24, 264);
    EXPECT_EQ(nameLen, 262u); // room is left for both terminators
    EXPECT_EQ(record[24 + nameLen + 1], 0);
    ASSERT_EQ(PollEvent(ChatTable(), &kind, record), 1);
    EXPECT_STREQ((const char*)record + 24, "name");
    EXPECT_EQ(strnlen((const char*)record + 29, 259), 258u);
    EXPECT_EQ(record[287], 0);

    // Raw records are copied byte for byte, cut or padded to 288.
    PushRawEvent(2, std::vector<uint8_t>(300, 0xAB));
    PushRawEvent(7, {1, 2, 3});
    ASSERT_EQ(PollEvent(ChatTable(), &kind, record), 1);
    EXPECT_EQ(kind, 2u);
    EXPECT_EQ(record[287], 0xAB);
    ASSERT_EQ(PollEvent(ChatTable(), &kind, record), 1);
    EXPECT_EQ(kind, 7u);
    EXPECT_EQ(record[2], 3);
    EXPECT_EQ(record[3], 0);
}

TEST(ChatService, AdvertisementRecordCarriesModuleOwnedTexts) {
    int before = LiveBlocks();
    PushAdEvent(12, "banner.gif", {'G', 'I', 'F'});
    EXPECT_EQ(LiveBlocks(), before + 2);
    uint32_t kind;
    uint8_t record[288];
    ASSERT_EQ(PollEvent(ChatTable(), &kind, record), 1);
    EXPECT_EQ(kind, 3u);
    EXPECT_EQ(U32At(record, 0), 12u);
    char* name = (char*)(uintptr_t)U32At(record, 8);
    char* second = (char*)(uintptr_t)U32At(record, 12);
    const uint8_t* data = (const uint8_t*)(uintptr_t)U32At(record, 16);
    EXPECT_STREQ(name, "banner.gif");
    EXPECT_EQ(U32At(record, 20), 3u);
    EXPECT_EQ(memcmp(data, "GIF", 3), 0);
    Free(name, __FILE__, __LINE__);
    Free(second, __FILE__, __LINE__);
    EXPECT_EQ(LiveBlocks(), before);

    // Unpolled advertisements give their texts back on reset.
    PushAdEvent(13, "b.jpg", {});
    internal::ResetServices();
    EXPECT_EQ(LiveBlocks(), before);
}

TEST(ChatService, ScriptedAnswers) {
    ChatServiceTable* t = ChatTable();
    EXPECT_STREQ(GetOwnName(t), "Arin*Tester");
    SetOwnName("*Other");
    EXPECT_STREQ(GetOwnName(t), "*Other");

    SetChannelList({"One", "Two"});
    const char* list = GetChannelList(t, 0x20);
    EXPECT_EQ(memcmp(list, "One\0Two\0\0", 9), 0);
    EXPECT_EQ(ChatCallsNamed("GetChannelList")[0].args[0], "32");

    SetRealmLogonData({9, 8, 7});
    const uint8_t* block = (const uint8_t*)GetRealmLogonData(t, "Realm", "password");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(U32At(block, 0), 3u);
    EXPECT_EQ(block[4], 9);
    SetRealmLogonData({}, false);
    EXPECT_EQ(GetRealmLogonData(t, "Realm", "password"), nullptr);

    SetGameBlock({}, false);
    EXPECT_EQ(GameListQuery(t, nullptr, nullptr, 0, 0), nullptr);
    SetGameBlock({2, 0, 0, 0, 'x'});
    EXPECT_EQ(U32At((const uint8_t*)GameListQuery(t, "a", "b", 1, 2), 0), 2u);

    uint32_t outcome = 7;
    SetQueueOutcome(false, 0);
    EXPECT_EQ(QueueQuery(t, &outcome), 0);
    SetQueueOutcome(true, 0);
    EXPECT_EQ(QueueQuery(t, &outcome), 1);
    EXPECT_EQ(outcome, 0u);

    EXPECT_EQ(GetAdInfo(t, 5), nullptr);
    SetAdInfo(5, {'u', 'r', 'l'});
    EXPECT_STREQ((const char*)GetAdInfo(t, 5), "url");
    SetAdInfo(5, {}, false);
    EXPECT_EQ(GetAdInfo(t, 5), nullptr);
}

TEST(ChatService, ProfileValuesAreCopiedWithinTheBufferSizes) {
    ChatServiceTable* t = ChatTable();
    const char* keys[] = {"profile\\sex", "profile\\location", "profile\\description"};
    char sex[8], location[40], description[200];
    char* buffers[] = {sex, location, description};
    const uint32_t sizes[] = {8, 40, 200};
    SetProfile("female", std::string(100, 'L'), "likes chat", false);
    EXPECT_EQ(RequestProfile(t, "*Friend", 3, 1, keys, 0), 1);
    EXPECT_EQ(PollProfile(t, 3, 1, buffers, sizes), 0);
    SetProfile("undecided", std::string(100, 'L'), "likes chat", true);
    EXPECT_EQ(PollProfile(t, 3, 1, buffers, sizes), 1);
    EXPECT_STREQ(sex, "undecid");
    EXPECT_EQ(strlen(location), 39u);
    EXPECT_STREQ(description, "likes chat");
    EXPECT_EQ(ChatCallsNamed("RequestProfile")[0].args,
              (std::vector<std::string>{"*Friend", "3", "1", keys[0], keys[1], keys[2], "0"}));

    const char* values[] = {"m", "here", "me"};
    SetProfileWriteResult(0);
    EXPECT_EQ(WriteProfile(t, "Tester", 3, keys, values), 0);
    EXPECT_EQ(StoredProfile()[1], std::string(100, 'L'));
    SetProfileWriteResult(1);
    EXPECT_EQ(WriteProfile(t, "Tester", 3, keys, values), 1);
    EXPECT_EQ(StoredProfile(), (std::vector<std::string>{"m", "here", "me"}));
}

namespace {
std::atomic<int> datedCalls{0};
std::atomic<int> clearCalls{0};
std::atomic<bool> cleared{false};
std::atomic<int> callsAfterClear{0};
int CountDated(uint32_t, const char*) {
    if (cleared) callsAfterClear++;
    datedCalls++;
    return 1;
}
int CountClear() {
    clearCalls++;
    return 1;
}
} // namespace

void ResetCounters() {
    datedCalls = 0;
    clearCalls = 0;
    cleared = false;
    callsAfterClear = 0;
}

TEST(ChatService, DatedMessagesGoThroughTheRegisteredHandlers) {
    ResetCounters();
    ChatServiceTable* t = ChatTable();
    EXPECT_FALSE(PushDatedMessage(100, "early"));
    EXPECT_FALSE(MessageHandlersRegistered());
    SetMessageHandlers(t, CountDated, CountClear);
    EXPECT_TRUE(MessageHandlersRegistered());
    EXPECT_TRUE(PushDatedMessage(100, "text"));
    EXPECT_TRUE(PushClearMessages());
    EXPECT_EQ(datedCalls, 1);
    EXPECT_EQ(clearCalls, 1);
    ClearMessageHandlers(t);
    EXPECT_FALSE(PushDatedMessage(100, "late"));
    EXPECT_EQ(datedCalls, 1);
}

TEST(ChatService, ProducerDeliversWhileRegisteredAndNeverAfterClear) {
    ResetCounters();
    ChatServiceTable* t = ChatTable();
    StartDatedProducer(5, 100);
    SetMessageHandlers(t, CountDated, CountClear);
    EXPECT_EQ(JoinDatedProducer(), 5);
    EXPECT_EQ(datedCalls, 5);

    // A long run cut short by ClearMessageHandlers.
    StartDatedProducer(1000000, 100);
    while (datedCalls < 50)
        std::this_thread::yield();
    ClearMessageHandlers(t);
    cleared = true;
    int delivered = JoinDatedProducer();
    EXPECT_LT(delivered, 1000000);
    EXPECT_EQ(callsAfterClear, 0);
}

TEST(ChatService, ProducerWithoutRegistrationEndsWhenJoined) {
    ResetCounters();
    StartDatedProducer(3, 100);
    EXPECT_EQ(JoinDatedProducer(), 0);
    EXPECT_EQ(datedCalls, 0);
}

// ---- realm client -------------------------------------------------------------------------

TEST(Realm, CreateAndJoinAreAnsweredAtTheNextPump) {
    EXPECT_EQ(RealmIsConnected(), 0);
    SetRealmConnected(true);
    RealmAutoAnswer(0, 0x2a);
    uint8_t create[71] = {};
    memcpy(create, "game", 4);
    memcpy(create + 16, "pw", 2);
    memset(create + 32, 'd', 32); // no terminator: read within the field
    create[65] = 0x20;
    create[68] = 1;
    create[69] = 255;
    create[70] = 4;
    RealmCreateGame(create, 17);
    EXPECT_EQ(RealmLastRequestId(), 17);
    EXPECT_EQ(RealmLastReplyId(), 0);
    EXPECT_EQ(RealmPump(), 1);
    EXPECT_EQ(RealmLastReplyId(), 17);
    EXPECT_EQ(RealmLastStatus(), 0);
    EXPECT_EQ(RealmPump(), 0);
    EXPECT_EQ(RealmCallsNamed("RealmCreateGame")[0].args,
              (std::vector<std::string>{"game", "pw", std::string(32, 'd'), "8192", "1", "255", "4", "17"}));

    RealmJoinGame("game", "pw", 18);
    EXPECT_EQ(RealmPump(), 1);
    EXPECT_EQ(RealmLastReplyId(), 18);
    EXPECT_EQ(RealmLastStatus(), 0x2a);

    RealmAutoAnswer(-1, -1);
    RealmJoinGame("game", "pw", 19);
    EXPECT_EQ(RealmPump(), 0);
    EXPECT_EQ(RealmLastReplyId(), 18);
    RealmReply(19, 3);
    EXPECT_EQ(RealmLastReplyId(), 19);
    EXPECT_EQ(RealmLastStatus(), 3);

    SetJoinReply(7, 0x0100007f, "info");
    EXPECT_EQ(RealmJoinReplyWord(), 7);
    EXPECT_EQ(RealmJoinReplyDword(), 0x0100007fu);
    EXPECT_STREQ(RealmJoinReplyText(), "info");
}

TEST(Realm, ListRepliesAreTakenAndReleased) {
    const uint8_t* record = nullptr;
    uint32_t size = 99;
    EXPECT_EQ(RealmNextListReply(&record, &size), 0);
    EXPECT_TRUE(RealmCallsNamed("RealmNextListReply").empty());
    PushListReply(4, 0x33, {1, 2, 3, 4});
    PushListReply(5, 0, {9});
    EXPECT_EQ(RealmNextListReply(&record, &size), 4);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(record[3], 4);
    EXPECT_EQ(RealmLastStatus(), 0x33);
    EXPECT_EQ(LiveListReplies(), 1);
    RealmReleaseReply();
    EXPECT_EQ(LiveListReplies(), 0);
    EXPECT_EQ(RealmNextListReply(&record, &size), 5);
    EXPECT_EQ(LiveListReplies(), 1);
}

TEST(Realm, QueueMessagesAndLadderHandlers) {
    SetRealmQueued(true, 3);
    EXPECT_EQ(RealmIsQueued(), 1);
    EXPECT_EQ(RealmQueuePosition(), 3);
    RealmLeaveQueue();
    EXPECT_EQ(RealmIsQueued(), 0);

    static std::string lastText;
    static int lastKey = 0;
    RealmSetMessageHandler([](int key, const char* text) {
        lastKey = key;
        lastText = text;
    });
    PushRealmMessage(2, "news");
    EXPECT_EQ(lastKey, 2);
    EXPECT_EQ(lastText, "news");

    static int entriesRow = -1;
    EXPECT_FALSE(PushLadderEntries(0, 1, 16, 0, std::vector<uint8_t>(28)));
    RealmSetLadderHandlers([](int firstRow, int, int, int, const void*) { entriesRow = firstRow; }, nullptr);
    EXPECT_TRUE(PushLadderEntries(32, 1, 16, 0, std::vector<uint8_t>(28)));
    EXPECT_EQ(entriesRow, 32);
    EXPECT_FALSE(PushLadderOther({}));

    std::vector<std::string> names;
    for (const Call& c : RealmCalls())
        names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"RealmIsQueued", "RealmQueuePosition", "RealmLeaveQueue",
                                               "RealmIsQueued", "RealmSetMessageHandler",
                                               "RealmSetLadderHandlers"}));
}

TEST(Realm, LogonSignalsItsHandleAfterTheScriptedFrames) {
    void* handle = RealmLogonEvent(0);
    EXPECT_EQ(OsWaitZero(handle), 0);
    const uint8_t data[] = {0xde, 0xad};
    RealmStartLogon(data, 2);
    EXPECT_EQ(RealmCallsNamed("RealmStartLogon")[0].args, (std::vector<std::string>{"dead", "2"}));
    internal::OnFrame();
    EXPECT_EQ(OsWaitZero(handle), 0);
    EXPECT_EQ(RealmIsConnected(), 0);
    internal::OnFrame();
    EXPECT_EQ(OsWaitZero(handle), 1);
    EXPECT_EQ(OsWaitZero(handle), 1); // stays signalled
    EXPECT_EQ(RealmIsConnected(), 1);
    EXPECT_EQ(RealmLastStatus(), 0);
    EXPECT_EQ(RealmSelectDone(), 1);

    // A failed logon and a dropped one leave the realm disconnected.
    SetRealmConnected(false);
    SetRealmLogon(1, 5, false);
    RealmStartLogon(data, 2);
    EXPECT_EQ(OsWaitZero(handle), 0); // reset by the new logon
    internal::OnFrame();
    EXPECT_EQ(OsWaitZero(handle), 1);
    EXPECT_EQ(RealmLastStatus(), 5);
    EXPECT_EQ(RealmIsConnected(), 0);
    EXPECT_EQ(RealmSelectDone(), 0);
    SetRealmLogon(0, 0, true, true);
    RealmStartLogon(data, 2);
    EXPECT_EQ(OsWaitZero(handle), 1);
    EXPECT_EQ(RealmIsConnected(), 0);

    SetRealmLogon(-1, 0);
    RealmStartLogon(data, 2);
    for (int i = 0; i < 50; i++)
        internal::OnFrame();
    EXPECT_EQ(OsWaitZero(handle), 0);
}

// ---- core and utility ------------------------------------------------------------------------

TEST(Pellick, LiveBlocksCountAllocations) {
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

TEST(PellickDeathTest, FatalReportEndsWithExitCodeMinusOne) {
    EXPECT_EXIT(FatalErrorReport(3282, "Entry.cpp", 42), testing::ExitedWithCode(255),
                "fatal error 3282 \\(Entry.cpp:42\\)");
}

TEST(PellickDeathTest, FreeingABlockTwiceIsFatal) {
    EXPECT_EXIT(
        {
            void* block = Allocate(8, "unit", 1);
            Free(block, "unit", 2);
            Free(block, "unit", 3);
        },
        testing::ExitedWithCode(255), "fatal error 9002 \\(unit:3\\)");
}

TEST(Pellick, SmallHelpers) {
    struct {
        const char* in;
        const char* out;
    } names[] = {
        {"  my game  ", "my game"},
        {"a\tb\x01"
         "c",
         "abc"},
        {"caf\xC3\xA9", "caf"},
        {"   ", ""},
        {"", ""},
    };
    for (auto& n : names) {
        char text[32];
        snprintf(text, sizeof text, "%s", n.in);
        CleanName(text);
        EXPECT_STREQ(text, n.out) << n.in;
    }
    const uint8_t packed[] = {0x34, 0x12};
    EXPECT_EQ(ReadPackedWord(packed), 0x1234);
    EXPECT_STREQ(AddressText(0x0100007f), "127.0.0.1");
    EXPECT_STREQ(AddressText(0xFFFEFDFC), "252.253.254.255");
    EXPECT_STREQ(LocalAddressText(), "127.0.0.1");

    LogLine("[QVMULTI]  a line");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"[QVMULTI]  a line"});
    EXPECT_EQ(IsFullContent(), 1);
    SetFullContent(false);
    EXPECT_EQ(IsFullContent(), 0);
}

TEST(Pellick, FilesAreWrittenThroughTheHandle) {
    std::string path = testing::TempDir() + "standin_file_test.bin";
    std::remove(path.c_str());
    void* file = FileCreate(path.c_str(), 0x40000000, 0, nullptr, 4, 0x08000000, nullptr);
    ASSERT_NE(file, nullptr);
    uint32_t written = 0;
    EXPECT_EQ(FileWrite(file, "abcdef", 6, &written, nullptr), 1);
    EXPECT_EQ(written, 6u);
    FileClose(file);
    EXPECT_EQ(std::filesystem::file_size(path), 6u);
    EXPECT_EQ(FileCreate("/nonexistent-dir/x/y", 0x40000000, 0, nullptr, 4, 0, nullptr), nullptr);
    std::remove(path.c_str());
}

TEST(Corvel, RegistryNumbersPersistInTheFile) {
    std::string path = testing::TempDir() + "standin_registry_test/registry.txt";
    std::filesystem::remove_all(testing::TempDir() + "standin_registry_test");
    SetRegistryPath(path);
    uint32_t value = 99;
    EXPECT_EQ(RegistryReadNumber("Quorvane", "MAX_PLAYER", 0, &value), 0);
    EXPECT_EQ(value, 99u);
    RegistryWriteNumber("Quorvane", "MAX_PLAYER", 0, 4);
    RegistryWriteNumber("Quorvane", "LVL_REST", 0, 666);
    RegistryWriteNumber("Quorvane", "MAX_PLAYER", 0, 8);
    EXPECT_EQ(RegistryReadNumber("Quorvane", "MAX_PLAYER", 0, &value), 1);
    EXPECT_EQ(value, 8u);
    EXPECT_EQ(RegistryReadNumber("Quorvane", "LVL_REST", 0, &value), 1);
    EXPECT_EQ(value, 666u);
    EXPECT_EQ(RegistryReadNumber("Other", "MAX_PLAYER", 0, &value), 0);
    std::filesystem::remove_all(testing::TempDir() + "standin_registry_test");
}

TEST(Corvel, HashIgnoresCaseAndStopsAtTheLength) {
    EXPECT_EQ(HashString("Secret", 6), HashString("sEcReT", 6));
    EXPECT_EQ(HashString("secret and more", 6), HashOf("SECRET"));
    EXPECT_NE(HashOf("secret"), HashOf("secreT1"));
    EXPECT_EQ(HashOf(""), 2166136261u);
}

// ---- launch record and reset ----------------------------------------------------------------

TEST(LaunchRecord, FilledAsTheHostDoes) {
    LaunchRecord record;
    memset(&record, 0x5A, sizeof record);
    FillLaunchRecord(&record);
    ChatServiceTable* table = record.chatService; // packed fields are copied before comparing
    uint32_t guardLength = record.guardWordLength;
    EXPECT_EQ(table, ChatTable());
    EXPECT_STREQ(record.accountName, "Tester");
    EXPECT_STREQ(record.characterName, "Arin");
    EXPECT_EQ(record.characterClass, 0);
    EXPECT_EQ(record.characterLevel, 12);
    EXPECT_STREQ(record.realmName, "");
    EXPECT_STREQ(record.channelName, "Lobby");
    EXPECT_STREQ(record.homeChannelName, "");
    EXPECT_EQ(record.accountKind, 0);
    EXPECT_EQ(guardLength, 0u);
    EXPECT_EQ(record.hostArea5[0], 0);
}

TEST(Reset, ResetAllForgetsScriptedInputAndCalls) {
    SendChatLine(ChatTable(), "x");
    PushChatEvent(1, 0, "a", "b");
    SetChatConnected(false);
    SetRealmConnected(true);
    RealmFinish();
    SetStringsLoadFails(true);
    LogLine("line");
    ResetAll();
    EXPECT_TRUE(ChatCalls().empty());
    EXPECT_EQ(PendingChatEvents(), 0);
    EXPECT_EQ(IsConnected(ChatTable()), 1);
    EXPECT_EQ(RealmIsConnected(), 0);
    EXPECT_TRUE(RealmCalls().empty());
    EXPECT_EQ(LoadModuleStrings(nullptr, 0), 1);
    EXPECT_TRUE(LogLines().empty());
}
