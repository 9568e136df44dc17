// The figure strip's layout under thousands of random changes: joins, shows
// of an account under another character, updates (priority changes
// included), leaves, channel joins that clear the list, arrow scrolls and
// cell clicks, each through a lobby visit. After every change each figure's x
// and state word, the first visible place, the arrows and the selection are
// compared with a layout the test computes from scratch: a stable sort by
// priority of the users in arrival order, then the visible cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "../Src/core/Lobby.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {

constexpr uint8_t kOwnRealmByte = 2;
constexpr uint16_t kOwnFlags = 0x0004;

struct User {
    int id = 0;
    std::string name; // as last shown or updated
    uint32_t flags = 0;
    uint16_t status = 0;
    uint8_t realmByte = 0;
    int lastX = -1; // the x last handed to the figure (-1: never shown)
};

int Priority(uint32_t flags) {
    return (flags & 0x02) ? 4 : (flags & 0x08) ? 3 : (flags & 0x01) ? 2 : (flags & 0x04) ? 1 : 0;
}

int Tier(uint16_t status) {
    int p = status >> 8 & 0x1f;
    if (status & 0x20) return p >= 15 ? 3 : p >= 10 ? 2 : p >= 5 ? 1 : 0;
    return p >= 12 ? 3 : p >= 8 ? 2 : p >= 4 ? 1 : 0;
}

// The channel as the test sees it: users in display order, the first visible
// place and the selected user's id (-1: none).
struct Channel {
    std::vector<User> users;
    int firstVisible = 0;
    int selected = -1;

    int Count() const { return (int)users.size(); }
    int Find(int id) const {
        for (int i = 0; i < Count(); ++i)
            if (users[i].id == id) return i;
        return -1;
    }
    void Sort() {
        std::stable_sort(users.begin(), users.end(),
                         [](const User& a, const User& b) { return Priority(a.flags) > Priority(b.flags); });
    }
    int Last() const { return Count() - kFigureCellCount; }
    // Scrolls by delta with the clamping of the arrows (0 re-clamps).
    void Scroll(int delta) {
        if (Count() <= kFigureCellCount) {
            firstVisible = 0;
            return;
        }
        firstVisible = std::clamp(firstVisible + delta, 0, Last());
    }
    bool Backward() const { return Count() > kFigureCellCount && firstVisible > 0; }
    bool Forward() const { return Count() > kFigureCellCount && firstVisible < Last(); }
    // A description read in full sets the status and realm byte; the flags
    // 0x08, 0x01, 0x04 and the marks end the parse with status 0 and keep the
    // realm byte.
    static void Apply(User& u, uint32_t flags, uint16_t status, uint8_t realmByte) {
        u.flags = flags;
        bool stops = !(flags & 0x02) && (flags & (0x08 | 0x01 | 0x04 | 0x1000 | 0x100000));
        u.status = stops ? 0 : status;
        if (!stops) u.realmByte = realmByte == 0xff ? 0 : realmByte;
    }
    uint32_t State(int position) const {
        const User& u = users[position];
        uint32_t state = 0;
        int tier = Tier(u.status);
        if (u.status & 0x08) state |= 0x10;
        if (u.status & 0x04) state |= 0x20;
        if (tier & 1) state |= 0x40;
        if (tier & 2) state |= 0x80;
        if (u.flags & 0x20) state |= 0x200;
        if (u.id == selected) state |= 0x400;
        if (u.flags & (0x01 | 0x08)) state |= 0x800;
        if (u.status & 0x20) state |= 0x1000;
        if (position >= firstVisible && position < firstVisible + kFigureCellCount) {
            state |= 0xf;
            if (position & 1) state |= 0x100;
        } else if (u.realmByte != kOwnRealmByte || ((kOwnFlags ^ u.status) & 0x24)) {
            state |= 0x2000;
        }
        return state;
    }
    // The x of every visible figure; hidden figures keep theirs.
    void Place() {
        for (int i = firstVisible; i < std::min(Count(), firstVisible + kFigureCellCount); ++i)
            users[i].lastX = 70 + 60 * (i - firstVisible);
    }
};

std::string Account(int id) {
    return "A" + std::to_string(id);
}

// A QvXP description with the realm byte at its place (third byte from the end).
std::string DescriptionWith(int id, uint16_t status, uint8_t realmByte) {
    std::string text = Description("QvXP", "C" + std::to_string(id), id % 7, status);
    text[text.size() - 3] = (char)realmByte;
    return text;
}

class RandomChanges {
  public:
    explicit RandomChanges(uint32_t seed) : random_(seed) {}

    // Scripts one random change and, after the frame that takes it, the
    // comparison; the change is drawn when its turn comes in the visit.
    void Step() {
        standin::Enqueue([this] { Change(); });
        standin::Check([this] {
            if (!testing::Test::HasFatalFailure()) Compare();
        });
    }

  private:
    static void Push(uint32_t number, uint32_t flags, const std::string& name, const std::string& text) {
        standin::PushChatEvent(number, flags, name, text);
    }
    static void ClickAt(int kind, int x, int y) {
        standin::Control* control = standin::FindAt(kind, x, y);
        ASSERT_NE(control, nullptr);
        standin::ClickControl(control);
    }

    void Change() {
        int roll = Pick(100);
        if (roll < 30 || channel_.Count() < 3) {
            Join();
        } else if (roll < 36) {
            ShowUnderAnotherCharacter();
        } else if (roll < 52) {
            Update();
        } else if (roll < 64) {
            Leave();
        } else if (roll < 65) {
            ClearByChannelJoin();
        } else if (roll < 80) {
            Scroll();
        } else {
            ClickCell();
        }
    }

    int Pick(int n) { return (int)(random_() % (uint32_t)n); }
    uint32_t Flags() {
        static const uint32_t kChoices[] = {0, 0, 0, 0x02, 0x08, 0x01, 0x04, 0x20, 0x22, 0x28, 0x1000};
        return kChoices[Pick((int)std::size(kChoices))];
    }
    uint16_t Status() {
        static const uint16_t kBits[] = {0, 0x04, 0x08, 0x0c, 0x20, 0x24};
        return (uint16_t)(kBits[Pick((int)std::size(kBits))] | Pick(32) << 8);
    }
    uint8_t RealmByte() {
        static const uint8_t kChoices[] = {0, kOwnRealmByte, 0xff, 7};
        return kChoices[Pick((int)std::size(kChoices))];
    }
    User& Someone() { return channel_.users[(size_t)Pick(channel_.Count())]; }

    // Draws new flags, status and realm byte for the user, applies them unless
    // an update names someone not in the list, lays the channel out again and
    // pushes the event (0: a join, 1 a show, 9 an update) that carries them.
    void Describe(User& u, uint32_t number) {
        uint32_t flags = Flags();
        uint16_t status = Status();
        uint8_t realm = RealmByte();
        std::string name = u.name;
        int id = u.id;
        if (number == 9 && Pick(8) == 0) {
            name = "Nobody*" + Account(id); // a name not in the list changes nothing
        } else {
            Channel::Apply(u, flags, status, realm);
            if (number == 0) channel_.users.push_back(u);
            channel_.Sort();
            if (number == 0) channel_.Scroll(0);
            channel_.Place();
        }
        Push(number == 0 ? (Pick(2) ? 1 : 2) : number, flags, name, DescriptionWith(id, status, realm));
    }
    void Join() {
        User u;
        u.id = nextId_++;
        u.name = "C" + std::to_string(u.id) + "*" + Account(u.id);
        Describe(u, 0);
    }
    // A show event for a known account under another character updates its
    // record in place, name included.
    void ShowUnderAnotherCharacter() {
        User& u = Someone();
        u.name = "D" + std::to_string(Pick(1000)) + "*" + Account(u.id);
        Describe(u, 1);
    }
    void Update() { Describe(Someone(), 9); }
    void Leave() {
        int at = Pick(channel_.Count());
        int id = channel_.users[(size_t)at].id;
        if (id == channel_.selected) channel_.selected = -1;
        channel_.users.erase(channel_.users.begin() + at);
        channel_.Scroll(0);
        channel_.Place();
        Push(3, 0, "Gone*" + Account(id), "");
    }
    void ClearByChannelJoin() {
        channel_.users.clear();
        channel_.firstVisible = 0;
        channel_.selected = -1;
        Push(7, 0, "", "Lobby");
    }
    void Scroll() {
        static const int kArrows[4][3] = {{725, 583, -10}, {751, 583, 10}, {725, 528, -1}, {751, 528, 1}};
        const int* arrow = kArrows[Pick(4)];
        // A disabled arrow takes no click.
        bool enabled = arrow[2] < 0 ? channel_.Backward() : channel_.Forward();
        if (enabled) {
            channel_.Scroll(arrow[2]);
            channel_.Place();
        }
        ClickAt(kButton, arrow[0], arrow[1]);
    }
    void ClickCell() {
        int cell = Pick(kFigureCellCount);
        int position = channel_.firstVisible + cell;
        int selectedAt = channel_.selected < 0 ? -1 : channel_.Find(channel_.selected);
        if (position == selectedAt)
            channel_.selected = -1;
        else if (position < channel_.Count())
            channel_.selected = channel_.users[(size_t)position].id;
        ClickAt(kClickArea, 40 + 60 * cell, 591);
    }

    void Compare() {
        ASSERT_EQ(standin::LiveFigureCount(), channel_.Count()) << "after change " << changes_;
        std::map<std::u16string, const standin::Figure*> byLabel;
        for (const standin::Figure* f : standin::Figures())
            byLabel[f->labels[0]] = f;
        for (int i = 0; i < channel_.Count(); ++i) {
            const User& u = channel_.users[(size_t)i];
            const standin::Figure* f = byLabel[standin::Utf16("*" + Account(u.id))];
            ASSERT_NE(f, nullptr) << Account(u.id);
            ASSERT_EQ(f->flags, channel_.State(i))
                << "state of " << Account(u.id) << " at " << i << ", change " << changes_;
            ASSERT_EQ(f->x, u.lastX) << "x of " << Account(u.id) << " at " << i << ", change " << changes_;
        }
        ASSERT_EQ(firstVisible, channel_.firstVisible) << "change " << changes_;
        Screen s = Look();
        ASSERT_EQ(s.arrows[0], channel_.Backward());
        ASSERT_EQ(s.arrows[1], channel_.Forward());
        int selectedAt = channel_.selected < 0 ? -1 : channel_.Find(channel_.selected);
        ASSERT_EQ(selectedIndex, selectedAt) << "change " << changes_;
        ASSERT_EQ(selectedUser != nullptr, selectedAt >= 0);
        ++changes_;
        mostUsers_ = std::max(mostUsers_, channel_.Count());
        if (channel_.firstVisible > 0) ++scrolled_;
        if (selectedAt >= 0) ++selected_;
    }

  public:
    int changes_ = 0, mostUsers_ = 0, scrolled_ = 0, selected_ = 0;

  private:
    std::mt19937 random_;
    Channel channel_;
    int nextId_ = 0;
};

class FigureLayout : public testing::TestWithParam<uint32_t> {};

} // namespace

TEST_P(FigureLayout, IncrementalLayoutMatchesAFullLayoutAfterEveryChange) {
    Visit visit;
    visit.record.characterRealmByte = kOwnRealmByte;
    visit.record.characterFlags = kOwnFlags;
    Push(7, 0, "", "Lobby");
    standin::Frames(1);
    RandomChanges changes(GetParam());
    for (int i = 0; i < 1500; ++i)
        changes.Step();
    visit.Quit();
    // Every change was compared, in a channel that needed the arrows and had a selection.
    EXPECT_EQ(changes.changes_, 1500);
    EXPECT_GT(changes.mostUsers_, 3 * kFigureCellCount);
    EXPECT_GT(changes.scrolled_, 100);
    EXPECT_GT(changes.selected_, 100);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FigureLayout, testing::Values(1u, 2u, 3u));
