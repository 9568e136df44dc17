// A crowd of scripted real clients of the chat server: each one connects,
// joins the channel with a character description, answers the descriptions
// of newcomers, talks at a steady rate and, with a lifetime, leaves and is
// replaced by a new one. Loopback use, bounded in count (kCrowdMax) and time.
#pragma once

#include <cstdint>
#include <string>

namespace net {

constexpr int kCrowdMax = 500;

struct CrowdOptions {
    std::string host = "127.0.0.1";
    int port = 6667;
    std::string channel = "Lobby";
    int clients = 50;        // at most kCrowdMax
    int joinSpacingMs = 20;  // between two clients' connections
    int talkPeriodMs = 2000; // each client talks once per period, on average
    int lifetimeMs = 0;      // 0: stays; else leaves after about that long and another joins
    int talkForMs = 0;       // talk stops that long after the start (0: never)
    int runForMs = 3600000;  // the crowd quits after this long in any case
    uint32_t seed = 1;
};
// Every line a client says ends in " (<nick>-<serial>)": what a test counts.
struct CrowdCounts {
    int joined = 0; // clients that reached the channel
    int sent = 0;   // talk lines sent
    int failed = 0; // connections that failed or were closed by the server
};
// What a client says: one of these lines, picked at random each time.
constexpr int kCrowdTalkCount = 10;
extern const char* const kCrowdTalk[kCrowdTalkCount];
void StartCrowd(const CrowdOptions& options);
// Every client quits; waits for the crowd's thread.
void StopCrowd();
CrowdCounts Counts();

} // namespace net
