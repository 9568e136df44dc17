// The children of bench_count, each one visit run under callgrind, and the
// sizes they use (printed in the table's header).
#pragma once

namespace bench {

// Every measured work is done kRepeats times; the last one is reported, so
// that first-call costs (symbol binding, the stand-in's caches) stay out of
// its sums. The dialog table also shows the largest step of the first one.
constexpr int kRepeats = 3, kDialogRepeats = 2;
// The measured talk texts; the fill's probes are kProbes users.
constexpr int kTalkLength = 64, kWhisperLength = 40, kEmoteLength = 24, kProbes = 8;

// Chat events in a channel of `users` (or, with fillOnly, the fill itself).
void RunChatChild(int users, bool fillOnly);
// The dialogs with `rows` games, channels, ladder rows and users in the channel.
void RunDialogChild(int rows);

} // namespace bench
