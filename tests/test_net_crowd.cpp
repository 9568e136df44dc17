// A crowd of 200 real clients of a chat server joins the player's channel
// and talks for 10 s: every line said reaches the chat pane exactly once.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <regex>

#include "../host/net/IrcCrowd.h"
#include "net/NetTest.h"

using namespace nettest;

namespace {

constexpr int kClients = 200, kTalkMs = 10000;

// The crowd's lines end in "(<nick>-<serial>)": how often each one is in the pane.
std::map<std::string, int> CrowdLinesShown() {
    static const std::regex token("\\(([A-Za-z]+[0-9]+_*-[0-9]+)\\)$");
    std::map<std::string, int> shown;
    std::smatch m;
    for (const std::string& line : lobbytest::PaneLines())
        if (std::regex_search(line, m, token)) ++shown[m[1]];
    return shown;
}

TEST(NetCrowd, TwoHundredClientsTalkingForTenSecondsLoseAndRepeatNoLine) {
    if (!net::ServerInstalled()) GTEST_SKIP() << "ngircd is not installed (tools/setup.sh)";
    LocalServer server;
    ASSERT_TRUE(server.Up()) << server.error;
    standin::ResetAll();
    net::Options arin = Player(server.server.port, "Arin", "Thalia", 1);
    std::string error;
    ASSERT_TRUE(net::Connect(arin, &error)) << error;
    LaunchRecord record{};
    FillRecord(&record, arin, "Lobby");
    auto started = std::chrono::steady_clock::now();
    auto since = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                     started)
            .count();
    };
    std::map<std::string, int> shown;
    net::CrowdCounts counts;
    Script s;
    s.Then(
        "joining Lobby", [] { return PaneHas("You have joined channel: Lobby"); },
        [&] {
            net::CrowdOptions o;
            o.port = server.server.port;
            o.clients = kClients;
            o.joinSpacingMs = 10;
            o.talkPeriodMs = 2000;
            o.talkForMs = kTalkMs;
            started = std::chrono::steady_clock::now();
            net::StartCrowd(o);
        });
    // Done talking, and every line in (or the script times out).
    s.Then(
        "every line said",
        [&] {
            if (since() < kTalkMs + 500) return false;
            counts = net::Counts();
            shown = CrowdLinesShown();
            return (int)shown.size() >= counts.sent;
        },
        [] { Click(lobbytest::kQuitLabel); });
    uint32_t result = s.Run(&record, 60000);
    net::StopCrowd();
    int duplicated = 0;
    for (const auto& entry : shown)
        duplicated += entry.second - 1;
    int lost = counts.sent - (int)shown.size();
    printf("crowd: %d clients joined, %d failed; lines sent %d, shown %zu, lost %d, duplicated %d\n",
           counts.joined, counts.failed, counts.sent, shown.size(), lost, duplicated);
    EXPECT_EQ(s.failure, "");
    EXPECT_EQ(result, 4u);
    EXPECT_EQ(counts.joined, kClients);
    EXPECT_EQ(counts.failed, 0);
    EXPECT_GT(counts.sent, kClients * kTalkMs / 2000 / 2);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(duplicated, 0);
    net::Disconnect();
    EXPECT_EQ(standin::LiveBlocks(), 0);
}

} // namespace
