// The stand-in sound library: QvSound records every call and plays nothing.
// Sound is always available.
//
// State: the call log.
#include <string>
#include <vector>

#include "Internal.h"
#include "Saved.h"
#include "StandIn.h"
#include "Toolkit.h"

namespace {

std::vector<standin::Call> soundCalls;

void Note(const char* name, std::vector<std::string> args = {}) {
    standin::internal::RecordCall("sound", soundCalls, name, std::move(args));
}

} // namespace

namespace standin {
std::vector<Call> SoundCalls() {
    return soundCalls;
}
} // namespace standin

namespace standin::toolkit {
void ResetSound() {
    soundCalls.clear();
}
} // namespace standin::toolkit

void SoundBegin() {
    Note("SoundBegin");
}
void SoundLoadClick(const char* path) {
    Note("SoundLoadClick", {path ? path : "null"});
}

int SoundIsAvailable() {
    Note("SoundIsAvailable");
    return 1;
}

void SoundSetClickEnabled(int enabled) {
    Note("SoundSetClickEnabled", {std::to_string(enabled)});
}
void SoundEnd() {
    Note("SoundEnd");
}

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {
namespace {
Grown grown;
}
Part SaveSound() {
    return Copy(soundCalls);
}
void RestoreSound(const Part& part) {
    RestoreLog(soundCalls, Copied<std::vector<standin::Call>>(part), grown.From(part));
    grown.Mark(part);
}
} // namespace standin::saved
