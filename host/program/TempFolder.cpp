// qvhost's own temporary folder (--own-temp): the tests run each scenario with
// it, so the advertisement file the module leaves behind at the end of a
// visit goes when the program ends instead of staying in the machine's
// temporary folder. Owns the folder's path.
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

#include "Scenario.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace qvhost {

namespace {

// Removes the folder when the program ends, by return from main or by exit
// (a module's fatal report ends the process through exit).
struct OwnFolder {
    std::filesystem::path path;
    ~OwnFolder() {
        if (path.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

OwnFolder folder;

void NameAsTemp(const std::string& dir) {
#if defined(_WIN32)
    // GetTempPath reads TMP first, then TEMP.
    SetEnvironmentVariableA("TMP", dir.c_str());
    SetEnvironmentVariableA("TEMP", dir.c_str());
#else
    setenv("TMPDIR", dir.c_str(), 1);
#endif
}

} // namespace

bool UseOwnTempFolder(std::string* error) {
    std::error_code failed;
    std::filesystem::path base = std::filesystem::temp_directory_path(failed);
    if (failed) {
        *error = "no temporary folder: " + failed.message();
        return false;
    }
    std::random_device seed;
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::filesystem::path dir = base / ("qvhost-" + std::to_string(seed() % 1000000000u));
        if (!std::filesystem::create_directory(dir, failed)) {
            if (failed) break;
            continue; // taken: try another name
        }
        folder.path = dir;
        NameAsTemp(dir.string());
        return true;
    }
    *error = "cannot make a temporary folder in " + base.string() + (failed ? ": " + failed.message() : "");
    return false;
}

} // namespace qvhost
