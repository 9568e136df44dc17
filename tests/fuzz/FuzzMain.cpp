// The libFuzzer entry of one target, chosen by QV_FUZZ_TARGET at build time.
#include <cstdlib>

#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::Target* target = fuzz::FindTarget(QV_FUZZ_TARGET);
    if (!target) abort();
    target->run(data, size);
    return 0;
}
