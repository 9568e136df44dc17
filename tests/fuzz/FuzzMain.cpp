// The libFuzzer program of one target, chosen by QV_FUZZ_TARGET at build time.
// Its inputs run inside one open visit (OpenVisit.h): libFuzzer's driver is
// started from the visit's first scripted step. With FUZZ_FRESH=1 every input
// runs in a fresh visit of its own instead, from the program's pristine state.
#include <cstdlib>
#include <cstring>

#include "FuzzTargets.h"
#include "OpenVisit.h"

extern "C" int LLVMFuzzerRunDriver(int* argc, char*** argv,
                                   int (*callback)(const uint8_t* data, size_t size));

namespace {

const fuzz::Target* target;

int RunInput(const uint8_t* data, size_t size) {
    target->run(data, size);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    target = fuzz::FindTarget(QV_FUZZ_TARGET);
    if (!target) abort();
    fuzz::SavePristineState();
    const char* fresh = getenv("FUZZ_FRESH");
    if (fresh && strcmp(fresh, "1") == 0) {
        fuzz::UseFreshVisits();
        return LLVMFuzzerRunDriver(&argc, &argv, RunInput);
    }
    fuzz::UseOpenVisit();
    fuzz::RunInOpenVisit([&] { return LLVMFuzzerRunDriver(&argc, &argv, RunInput); });
}
