// Setup lines: the launch record and the stand-in state (connections, the
// realm's answers, the registry, the service's data). Before the first step a
// setting applies at once; after it, it is a step of its own, so a connection
// can drop in the middle of a visit.
#include "../../Src/platform/Corvel.h"
#include "../standin/StandIn.h"
#include "Scenario.h"

namespace qvhost {

static bool ReadFlag(LineReader& reader, const char* what) {
    return reader.Number(what, 0, 1) == 1;
}

// "none", or hex bytes.
static std::vector<uint8_t> ReadBytesOrNone(LineReader& reader, bool* present) {
    std::string rest = reader.Rest();
    *present = rest != "none";
    return *present ? ParseHex(reader.where(), rest) : std::vector<uint8_t>();
}

// ---- the launch record ------------------------------------------------------------------
static Run Record(LineReader& reader) {
    SetRecordField(reader, ScenarioRecord());
    return Do([]() {});
}

// ---- connections ----------------------------------------------------------------------------
static Run ChatConnected(LineReader& reader) {
    bool on = ReadFlag(reader, "connected");
    reader.End();
    return Do([on]() { standin::SetChatConnected(on); });
}

static Run ChatDropAfter(LineReader& reader) {
    int calls = reader.Int("calls");
    reader.End();
    return Do([calls]() { standin::DropChatAfter(calls); });
}

static Run RealmConnected(LineReader& reader) {
    bool on = ReadFlag(reader, "connected");
    reader.End();
    return Do([on]() { standin::SetRealmConnected(on); });
}

// ---- the realm's answers ---------------------------------------------------------------------
static Run RealmAutoAnswer(LineReader& reader) {
    int create = reader.Int("create status");
    int join = reader.Int("join status");
    reader.End();
    return Do([create, join]() { standin::RealmAutoAnswer(create, join); });
}

static Run RealmJoinReply(LineReader& reader) {
    uint16_t word = reader.Uint16("word");
    uint32_t dword = reader.Uint32("dword");
    std::string text = reader.Rest();
    return Do([word, dword, text]() { standin::SetJoinReply(word, dword, text); });
}

static Run RealmLogon(LineReader& reader) {
    int frames = reader.Int("frames");
    int status = reader.Int("status");
    bool selectDone = true, drop = false;
    if (!reader.AtEnd()) selectDone = ReadFlag(reader, "selectDone");
    if (!reader.AtEnd()) drop = ReadFlag(reader, "dropDuringWait");
    reader.End();
    return Do([=]() { standin::SetRealmLogon(frames, status, selectDone, drop); });
}

static Run RealmQueued(LineReader& reader) {
    bool queued = ReadFlag(reader, "queued");
    int position = reader.AtEnd() ? 0 : reader.Int("position");
    reader.End();
    return Do([queued, position]() { standin::SetRealmQueued(queued, position); });
}

// The next create request waits in the realm's queue, moving up over time.
static Run RealmCreateQueue(LineReader& reader) {
    int position = reader.Int("position");
    uint32_t stepMs = reader.Uint32("milliseconds per place");
    int status = reader.Int("status");
    reader.End();
    return Do([=]() { standin::ScriptCreateQueue(position, stepMs, status); });
}

// ---- the host ------------------------------------------------------------------------------------
static Run Registry(LineReader& reader) {
    std::string key = reader.Word("registry key");
    std::string value = reader.Word("value name");
    Token number = reader.Next("number or none");
    reader.End();
    if (!number.quoted && number.text == "none")
        return Do([key, value]() { standin::ClearRegistryValue(key, value); });
    uint32_t n = (uint32_t)ParseNumber(reader.where(), number.text, "number", 0, UINT32_MAX);
    return Do([key, value, n]() { RegistryWriteNumber(key.c_str(), value.c_str(), 0, n); });
}

static Run RegistryPath(LineReader& reader) {
    std::string path = reader.Rest();
    return Do([path]() { standin::SetRegistryPath(path); });
}

static Run Strings(LineReader& reader) {
    std::string sub = reader.Word("fail or load");
    reader.End();
    if (sub != "fail" && sub != "load") ScenarioError(reader.where(), "strings fail|load");
    bool fails = sub == "fail";
    return Do([fails]() { standin::SetStringsLoadFails(fails); });
}

static Run FullContent(LineReader& reader) {
    bool full = ReadFlag(reader, "fullcontent");
    reader.End();
    return Do([full]() { standin::SetFullContent(full); });
}

static Run Clock(LineReader& reader) {
    uint32_t ms = reader.Uint32("tick count");
    reader.End();
    return Do([ms]() { standin::SetNow(ms); });
}

static Run FailFigures(LineReader& reader) {
    int n = reader.Count("count");
    reader.End();
    return Do([n]() { standin::FailNextFigures(n); });
}

static Run FigureFrames(LineReader& reader) {
    int n = reader.Count("count");
    reader.End();
    return Do([n]() { standin::SetFigureFrameCount(n); });
}

// ---- the chat service's data --------------------------------------------------------------------
static Run OwnName(LineReader& reader) {
    std::string name = reader.Rest();
    return Do([name]() { standin::SetOwnName(name); });
}

static Run Channels(LineReader& reader) {
    std::string list = reader.Rest();
    std::vector<std::string> names;
    size_t start = 0;
    while (!list.empty()) {
        size_t comma = list.find(',', start);
        names.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return Do([names]() { standin::SetChannelList(names); });
}

static Run LogonData(LineReader& reader) {
    bool present = false;
    std::vector<uint8_t> bytes = ReadBytesOrNone(reader, &present);
    return Do([bytes, present]() { standin::SetRealmLogonData(bytes, present); });
}

static Run GameBlock(LineReader& reader) {
    bool present = false;
    std::vector<uint8_t> bytes = ReadBytesOrNone(reader, &present);
    return Do([bytes, present]() { standin::SetGameBlock(bytes, present); });
}

static Run QueueOutcome(LineReader& reader) {
    bool done = ReadFlag(reader, "done");
    uint32_t outcome = reader.Uint32("outcome");
    reader.End();
    return Do([done, outcome]() { standin::SetQueueOutcome(done, outcome); });
}

static Run QueueWait(LineReader& reader) {
    int polls = reader.Count("polls");
    reader.End();
    return Do([polls]() { standin::SetQueueWait(polls); });
}

static Run AnnounceResult(LineReader& reader) {
    int result = reader.Int("result");
    reader.End();
    return Do([result]() { standin::SetAnnounceResult(result); });
}

static Run Profile(LineReader& reader) {
    std::string sex = reader.Word("sex");
    std::string location = reader.Word("location");
    std::string description = reader.Rest();
    return Do([=]() { standin::SetProfile(sex, location, description); });
}

static Run AdInfo(LineReader& reader) {
    uint32_t id = reader.Uint32("ad id");
    bool present = false;
    std::vector<uint8_t> bytes = ReadBytesOrNone(reader, &present);
    return Do([id, bytes, present]() { standin::SetAdInfo(id, bytes, present); });
}

// The link of an ad: its advertisement information is the link text with its terminator.
static Run AdLink(LineReader& reader) {
    uint32_t id = reader.Uint32("ad id");
    std::string link = reader.Rest();
    std::vector<uint8_t> bytes(link.begin(), link.end());
    bytes.push_back(0);
    return Do([id, bytes]() { standin::SetAdInfo(id, bytes, true); });
}

static Run MachineString(LineReader& reader) {
    std::string key = reader.Word("registry key");
    std::string value = reader.Rest();
    return Do([=]() { standin::SetMachineString(key, "", value, true); });
}

static Run NoMachineString(LineReader& reader) {
    std::string key = reader.Word("registry key");
    reader.End();
    return Do([=]() { standin::SetMachineString(key, "", "", false); });
}

static Run StartFails(LineReader& reader) {
    bool fails = ReadFlag(reader, "startfails");
    reader.End();
    return Do([fails]() { standin::SetProcessStartFails(fails); });
}

static Run ProfileWrite(LineReader& reader) {
    int result = reader.Int("result");
    reader.End();
    return Do([result]() { standin::SetProfileWriteResult(result); });
}

static Run Language(LineReader& reader) {
    int number = reader.Int("language number");
    reader.End();
    return Do([number]() { standin::SetLanguageNumber(number); });
}

static Run RealmLadder(LineReader& reader) {
    int delay = reader.Int("answer delay");
    reader.End();
    return Do([delay]() { standin::SetLadderAnswers(delay); });
}

static Run RealmLadderPlace(LineReader& reader) {
    int row = reader.Int("row");
    std::string name = reader.Rest();
    return Do([row, name]() { standin::PlaceOnLadder(name, row); });
}

// clang-format off
extern const std::vector<LineKind> kSettingLines = {
    {"record",          "<field> <value>",                                   kRecordLine, Record},
    {"chat connected",  "0|1",                                               kSetting,    ChatConnected},
    {"chat dropafter",  "<n>",                                               kSetting,    ChatDropAfter},
    {"realm connected", "0|1",                                               kSetting,    RealmConnected},
    {"realm autoanswer", "<create> <join>",                                  kSetting,    RealmAutoAnswer},
    {"realm joinreply", "<word> <dword> <text...>",                          kSetting,    RealmJoinReply},
    {"realm logon",     "<frames> <status> [selectDone [dropDuringWait]]",   kSetting,    RealmLogon},
    {"realm queued",    "0|1 [position]",                                    kSetting,    RealmQueued},
    {"realm ladder",    "<delayMs>",                                         kSetting,    RealmLadder},
    {"realm ladderplace", "<row> <name...>",                                 kSetting,    RealmLadderPlace},
    {"realm createqueue", "<position> <ms> <status>",                        kSetting,    RealmCreateQueue},
    {"registry",        "<key> <value> <n>|none",                            kSetting,    Registry},
    {"registrypath",    "<path>",                                            kSetting,    RegistryPath},
    {"strings",         "fail|load",                                         kSetting,    Strings},
    {"ownname",         "<name>",                                            kSetting,    OwnName},
    {"channels",        "<a,b,c>",                                           kSetting,    Channels},
    {"fullcontent",     "0|1",                                               kSetting,    FullContent},
    {"clock",           "<ms>",                                              kSetting,    Clock},
    {"failfigures",     "<n>",                                               kSetting,    FailFigures},
    {"figureframes",    "<n>",                                               kSetting,    FigureFrames},
    {"logondata",       "<hex...>|none",                                     kSetting,    LogonData},
    {"gameblock",       "<hex...>|none",                                     kSetting,    GameBlock},
    {"queueoutcome",    "<done> <outcome>",                                  kSetting,    QueueOutcome},
    {"queuewait",       "<n>",                                               kSetting,    QueueWait},
    {"announceresult",  "<n>",                                               kSetting,    AnnounceResult},
    {"profile",         "<sex> <location> <description...>",                 kSetting,    Profile},
    {"profilewrite",    "<result>",                                          kSetting,    ProfileWrite},
    {"language",        "<n>",                                               kSetting,    Language},
    {"adinfo",          "<id> <hex...>|none",                                kSetting,    AdInfo},
    {"adlink",          "<id> <text...>",                                    kSetting,    AdLink},
    {"machinestring",   "<key> <text...>",                                   kSetting,    MachineString},
    {"nomachinestring", "<key>",                                             kSetting,    NoMachineString},
    {"startfails",      "0|1",                                               kSetting,    StartFails},
};
// clang-format on

} // namespace qvhost
