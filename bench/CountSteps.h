// What the children of bench_count share: the module loaded as the host loads
// it, the measured steps of a scripted visit, and the names, texts and sizes
// of the channel they fill.
//
// A step is counted between a zero and a dump of callgrind's counters, both
// made by scripted actions, and dumped under "<row>#<repeat>/<step>". Frame
// steps count the lobby's frame callback that runs between two actions (the
// run's --toggle-collect); action steps count a click or another callback of
// the module, collected for the length of the action.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "../host/standin/StandIn.h"
#include "Measure.h"

namespace bench {

// ---- the measured steps -------------------------------------------------------------
// Turns callgrind's instrumentation on (scripted): what runs before it is not
// even instrumented, so that setting up a large channel stays fast.
void StartCounting();
// The frame after the one that runs `before` (may be null) is counted as step 0 of `row`.
void MeasureFrame(const std::string& row, std::function<void()> before);
// The `frames` frames after the one that runs `before`, each a step of its own
// numbered from firstStep; `after` (may be null) runs right after the last one.
void MeasureFrames(const std::string& row, int frames, std::function<void()> before, int firstStep = 0,
                   std::function<void()> after = nullptr);
// The `frames` frames after the one that runs `before`, counted together as step 0.
void MeasureSpan(const std::string& row, int frames, std::function<void()> before);
// The action itself, as step `step` of `row`.
void MeasureAction(const std::string& row, int step, std::function<void()> action);
// Row names of a repeat: "<row>#<repeat>".
std::string Tagged(const std::string& row, int repeat);

// ---- the channel ----------------------------------------------------------------------
// Sizes of a real channel: character names of kMinName..kMaxName characters,
// accounts of kMinName..kMaxAccount, talk of kMinTalk..kMaxTalk.
constexpr int kMinName = 4, kMaxName = 15, kMaxAccount = 15, kMinTalk = 10, kMaxTalk = 120;
// One user in kOperatorEvery is an operator (flag 0x02); the others carry the
// plain users' flags in turn.
constexpr int kOperatorEvery = 25;

// Fill user i: "<character>*<account>", unique within a channel, lengths drawn
// from the ranges above; the same at every channel size.
std::string UserName(int i);
std::string CharacterName(int i);
uint32_t UserFlags(int i);
// A QvXP character description (realm West) of the user's character.
std::string UserDescription(int i);
// A line of exactly `length` characters, words of several lengths.
std::string TalkLine(int seed, int length);
// Joins `users` users (flags, names and descriptions above) after entering channel "Bench".
void FillChannel(int users);
// Mean length of the fill's character names and accounts, for the header.
double MeanNameLength(int users, bool account);

} // namespace bench
