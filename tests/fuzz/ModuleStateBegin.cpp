// The first of the module's objects in the fuzz programs: its two variables mark
// where the module's writable data begins, one in each of the data sections
// (ModuleStateEnd.cpp marks the end; OpenVisit.cpp saves what lies between).
#include <cstdint>

extern "C" {
uint32_t qvModuleDataBegin = 1;
uint32_t qvModuleBssBegin;
}
