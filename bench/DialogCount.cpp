// bench_count's dialog child: a chat-layout visit on a connected realm with N
// users in the channel, N realm games, N channels offered by the chat service
// and N ladder rows, where every dialog is opened and worked twice (the second
// time is measured). Frames count the lobby's frame callback, clicks the
// module's callback. State: none.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "CountChild.h"
#include "CountSteps.h"

namespace si = standin;

namespace bench {

namespace {

enum Label {
    kCreateLabel = 5312,
    kJoinLabel = 5313,
    kChannelLabel = 5314,
    kLadderLabel = 5315,
    kQuitLabel = 5316,
    kHelpLabel = 5308,
    kOverallLadderLabel = 5318,
};
constexpr int kLadderPage = 16, kFirstClassTabX = 513;

// Names of other things than users, as long as theirs and told apart the same way.
std::string GameName(int i) {
    return CharacterName(12000 + i);
}
std::string ChannelName(int i) {
    return CharacterName(14000 + i);
}

si::RealmGame Game(int i) {
    si::RealmGame game;
    game.id = (uint16_t)(i + 1);
    game.players = (uint16_t)(1 + i % 8);
    game.name = GameName(i);
    game.description = TalkLine(i, kMinTalk + i % 22);
    game.elapsedSeconds = 600 + 37u * (uint32_t)i;
    game.level = (uint8_t)(20 + i % 60);
    game.difference = (uint8_t)(i % 3 == 0 ? 255 : 5 + i % 10);
    for (int k = 0; k < game.players; ++k)
        game.playerList.push_back({CharacterName(i * 8 + k), (uint16_t)(k % 7), (uint16_t)(10 + k * 9)});
    return game;
}

void Script(int rows) {
    std::vector<std::string> channels;
    for (int i = 0; i < rows; ++i) {
        si::AddRealmGame(Game(i));
        channels.push_back(ChannelName(i));
    }
    si::SetChannelList(channels);
    si::SetProfile("m", "Westhold", TalkLine(1, 80));
}

void ClickLabel(int textId) {
    si::ClickControl(si::FindByTextId(textId));
}

// Escape closes what is open; with nothing open it would quit.
void Close() {
    si::Enqueue([] {
        si::Control* quit = si::FindByTextId(kQuitLabel);
        if (!quit || si::CancelControl() != quit->handle) si::PressEscape();
    });
}

size_t Taken() {
    return si::RealmCallsNamed("RealmNextListReply").size();
}

// The 15 s refresh asks the realm again: on the machine's own clock it would not.
void CheckRefreshAsked(size_t before) {
    if (si::RealmCallsNamed("RealmRequestGameList").size() == before + 1) return;
    fprintf(stderr, "15 s of the stand-in's clock ran no list refresh: the module reads another clock\n");
    exit(3);
}

// The measured frames took every reply up to the new list's end marker, and
// the list shows every game. A realm without games (the run with no rows)
// does not answer at all.
void CheckListShown(const char* work, size_t takenBefore, int replies, int rows) {
    si::Control* list = si::FindAt(kTextList, 432, 393);
    size_t expected = takenBefore + (size_t)(rows > 0 ? replies : 0);
    if (Taken() == expected && list && (int)list->rows.size() == rows) return;
    fprintf(stderr, "the %s frames did not end with the list of its %d games rebuilt\n", work, rows);
    exit(3);
}

// The realm answers a list request with one reply a game and an end marker,
// taken one a frame. The first frame after the opening takes the opening's
// first reply and asks again (the 15 s tick is due); the next rows frames drop
// the opening's other replies as stale, then come the new list's rows replies
// and its end marker, whose frame rebuilds the list. The refresh asks in its
// first frame and rebuilds in its (rows + 2)th. A row is selected between
// them, so the refresh keeps a selection.
void JoinList(int rows, int r) {
    static size_t asked = 0, taken = 0;
    MeasureFrames(
        Tagged("join list", r), 2 * rows + 2,
        [] {
            taken = Taken();
            ClickLabel(kJoinLabel);
        },
        0, [rows] { CheckListShown("join list", taken, 2 * rows + 2, rows); });
    MeasureAction(Tagged("game info", r), 0,
                  [rows] { si::ClickListRow(si::FindAt(kTextList, 432, 393), rows / 2); });
    MeasureFrames(
        Tagged("game info", r), 2, [] { si::AdvanceTime(1000); }, 1);
    MeasureFrames(
        Tagged("refresh", r), rows + 2,
        [] {
            asked = si::RealmCallsNamed("RealmRequestGameList").size();
            taken = Taken();
            si::AdvanceTime(15000);
        },
        0,
        [rows] {
            CheckRefreshAsked(asked);
            CheckListShown("refresh", taken, rows + 1, rows);
        });
    Close();
}

// A page of ladder rows that all take the same work to show: names of one
// length, and class, level and mark repeating every ten places, so that 10,
// 100 and 1000 rows hold the same mix (the stand-in's generated ladder has
// longer names and titles further down). Only the place's digits grow.
bool PushUniformLadderPage(int first, int count) {
    std::vector<uint8_t> entries;
    for (int row = first; row < first + count; ++row) {
        uint64_t experience = 9000000000ull - 6000000ull * (uint64_t)row;
        uint32_t flags =
            (uint32_t)(row % 10 % 7) | (row % 5 == 2 ? 0x10u : 0u) | (uint32_t)(50 + row % 10) << 16;
        uint32_t words[3] = {(uint32_t)experience, (uint32_t)(experience >> 32), flags};
        char name[si::kLadderNameSize] = "Ladderaaaa";
        for (int k = 0, n = row; k < 4; ++k, n /= 26)
            name[9 - k] = (char)('a' + n % 26);
        entries.insert(entries.end(), (const uint8_t*)words, (const uint8_t*)words + sizeof words);
        entries.insert(entries.end(), name, name + sizeof name);
    }
    return si::PushLadderEntries(first, count, si::kLadderNameSize, 0, entries);
}

// The view opened, its rows loaded page by page as the realm answers, a page
// sent again, then the first class tab.
void Ladder(int rows, int r) {
    si::Click(kLadderLabel);
    MeasureAction(Tagged("ladder view opened", r), 0, [] { ClickLabel(kOverallLadderLabel); });
    for (int first = 0, page = 0; first < rows; first += kLadderPage, ++page) {
        int count = rows - first < kLadderPage ? rows - first : kLadderPage;
        MeasureAction(Tagged("full ladder", r), page, [=] { PushUniformLadderPage(first, count); });
    }
    MeasureAction(Tagged("ladder page", r), 0, [] { PushUniformLadderPage(0, kLadderPage); });
    MeasureAction(Tagged("class tab", r), 0,
                  [] { si::ClickControl(si::FindAt(kButton, kFirstClassTabX, 149)); });
    Close(); // back to the menu
    Close();
}

void SimpleDialogs(int r) {
    MeasureAction(Tagged("channel dialog", r), 0, [] { ClickLabel(kChannelLabel); });
    Close();
    MeasureAction(Tagged("create", r), 0, [] { ClickLabel(kCreateLabel); });
    Close();
    MeasureAction(Tagged("profile", r), 0, [] { si::RightClickControl(si::FindAt(kClickArea, 40, 591)); });
    Close();
    MeasureAction(Tagged("help", r), 0, [] { ClickLabel(kHelpLabel); });
    Close();
}

} // namespace

void RunDialogChild(int rows) {
    LaunchRecord record{};
    si::FillLaunchRecord(&record);
    memset(record.realmName, 0, sizeof record.realmName);
    strncpy(record.realmName, "Zendri", sizeof record.realmName - 1);
    record.accountKind = 2;
    si::SetRealmConnected(true);
    Script(rows);
    FillChannel(rows);
    si::Frames(rows + 2);
    StartCounting();
    for (int r = 0; r < kDialogRepeats; ++r) {
        // The timers that are due run before the measured work, not in it.
        si::Wait(20000);
        si::Frames(2);
        JoinList(rows, r);
        Ladder(rows, r);
        SimpleDialogs(r);
    }
    si::Click(kQuitLabel);
    si::RunVisit(Lobby(), &record);
    if (si::LoopTimedOut() || si::ScriptFailed() || si::PendingActions() != 0) {
        fprintf(stderr, "the dialog visit did not run every step\n");
        exit(4);
    }
}

} // namespace bench
