// Linked into every test program (not through the support library, whose
// objects are linked only when used): the program's own temporary folder,
// made before main and removed after it, so that what the module leaves there
// (its last advertisement file) goes with it.
#include "Platform.h"

namespace {

struct ProgramTempFolder {
    ProgramTempFolder() { lobbytest::StartProgramTempFolder(); }
    ~ProgramTempFolder() { lobbytest::EndProgramTempFolder(); }
};

const ProgramTempFolder programTempFolder;

} // namespace
