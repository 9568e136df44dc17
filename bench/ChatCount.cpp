// bench_count's chat child: a channel of N users, then every chat event a few
// times, each in a measured frame, and the 15 s chat tick, which also proves
// that the module runs on the stand-in's clock. Events are about probe users
// whose names are the same at every channel size, so that the counts compare
// the channel's size and not the names' length. State: none.
#include <cstdio>
#include <cstdlib>

#include "BenchChannel.h"
#include "CountChild.h"
#include "CountSteps.h"

namespace si = standin;

namespace bench {

namespace {

const int kQuitLabel = 5316;
// Past every fill index (10000 users), below the 26^3 names told apart by their first letters.
const int kProbe = 17000;

std::string Probe(int k) {
    return UserName(kProbe + k);
}

// The module's timers run on the stand-in's clock: 15 s of it make the next
// frame run the chat tick (PeriodicTick). On the machine's own clock the
// frame would not, and the counts of every timer-driven step would depend on
// the machine's speed.
void MeasureChatTick() {
    static size_t ticksBefore = 0;
    MeasureFrame(Tagged("chat tick", 0), [] {
        ticksBefore = si::ChatCallsNamed("PeriodicTick").size();
        si::AdvanceTime(15000);
    });
    si::Enqueue([] {
        if (si::ChatCallsNamed("PeriodicTick").size() == ticksBefore + 1) return;
        fprintf(stderr, "15 s of the stand-in's clock ran no chat tick: the module reads another clock\n");
        exit(3);
    });
}

void MeasureEvents(int r) {
    // Speakers and updated users among the latest arrivals; none of them
    // leaves or changes group. An operator's update moves its user to the
    // front of the strip; an operator joins at the front and leaves again.
    std::string speaker = Probe(0), updated = Probe(1), promoted = Probe(2 + r), joiner = Probe(8 + r);
    MeasureFrame(Tagged("idle frame", r), nullptr);
    MeasureFrame(Tagged("talk", r), [=] { si::PushChatEvent(5, 0, speaker, TalkLine(r, kTalkLength)); });
    MeasureFrame(Tagged("long talk", r), [=] { si::PushChatEvent(5, 0, speaker, TalkLine(r, kMaxTalk)); });
    MeasureFrame(Tagged("whisper", r),
                 [=] { si::PushChatEvent(4, 0, speaker, TalkLine(r, kWhisperLength)); });
    MeasureFrame(Tagged("emote", r), [=] { si::PushChatEvent(23, 0, speaker, TalkLine(r, kEmoteLength)); });
    MeasureFrame(Tagged("user update", r),
                 [=] { si::PushChatEvent(9, 0, updated, UserDescription(kProbe + 1)); });
    MeasureFrame(Tagged("update to operator", r),
                 [=] { si::PushChatEvent(9, 0x02, promoted, UserDescription(kProbe + 2 + r)); });
    MeasureFrame(Tagged("join", r),
                 [=] { si::PushChatEvent(2, 0x02, joiner, UserDescription(kProbe + 8 + r)); });
    MeasureFrame(Tagged("leave", r), [=] { si::PushChatEvent(3, 0, joiner, ""); });
}

} // namespace

void RunChatChild(int users, bool fillOnly) {
    LaunchRecord record{};
    si::FillLaunchRecord(&record);
    if (fillOnly) {
        StartCounting();
        MeasureSpan("fill#0", users + 2, [users] { FillChannel(users); });
    } else {
        FillChannel(users);
        for (int k = 0; k < kProbes; ++k)
            si::PushChatEvent(1, 0, Probe(k), UserDescription(kProbe + k));
        si::Frames(users + kProbes + 2);
        StartCounting();
        for (int r = 0; r < kRepeats; ++r)
            MeasureEvents(r);
        MeasureChatTick();
    }
    si::Click(kQuitLabel);
    si::RunVisit(Lobby(), &record);
    if (si::LoopTimedOut() || si::PendingChatEvents() != 0) {
        fprintf(stderr, "the visit did not take every event\n");
        exit(4);
    }
}

} // namespace bench
