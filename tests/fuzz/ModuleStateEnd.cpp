// The last of the module's objects in the fuzz programs: where the module's
// writable data ends (see ModuleStateBegin.cpp).
#include <cstdint>

extern "C" {
uint32_t qvModuleDataEnd = 1;
uint32_t qvModuleBssEnd;
}
