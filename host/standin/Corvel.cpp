// Corvel, the core library: registry numbers kept in a small text file and the
// string hash.
//
// The file holds one line per value, "key\value=number". It lives under the
// user's configuration directory ($XDG_CONFIG_HOME or $HOME/.config, then
// qvhost/registry.txt; %APPDATA%\qvhost\registry.txt on Windows) unless
// SetRegistryPath names another. Writes replace the file through a temporary
// file, so a reader never sees half of it. UseMemoryRegistry keeps the lines in
// memory instead, until the next reset: no file is read or written.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../../Src/platform/Corvel.h"
#include "Services.h"
#include "Saved.h"
#include "StandIn.h"

#if defined(_WIN32)
#include <process.h>
#define QV_PID _getpid()
#else
#include <unistd.h>
#define QV_PID getpid()
#endif

namespace {

std::string registryPath; // empty: the default place
bool inMemory = false;
std::vector<std::string> memoryLines; // the registry's lines while inMemory

std::string DefaultRegistryPath() {
#if defined(_WIN32)
    const char* appData = getenv("APPDATA");
    std::string dir = appData && *appData ? appData : ".";
    return dir + "\\qvhost\\registry.txt";
#else
    const char* xdg = getenv("XDG_CONFIG_HOME");
    std::string dir;
    if (xdg && *xdg) {
        dir = xdg;
    } else {
        const char* home = getenv("HOME");
        dir = std::string(home && *home ? home : ".") + "/.config";
    }
    return dir + "/qvhost/registry.txt";
#endif
}

std::string RegistryPath() {
    return registryPath.empty() ? DefaultRegistryPath() : registryPath;
}

std::string ValueKey(const char* key, const char* valueName) {
    return std::string(key ? key : "") + "\\" + (valueName ? valueName : "") + "=";
}

std::vector<std::string> ReadLines() {
    if (inMemory) return memoryLines;
    std::vector<std::string> lines;
    std::ifstream in(RegistryPath());
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

} // namespace

int RegistryReadNumber(const char* key, const char* valueName, int, uint32_t* number) {
    std::string prefix = ValueKey(key, valueName);
    for (const std::string& line : ReadLines()) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        const char* digits = line.c_str() + prefix.size();
        char* end = nullptr;
        unsigned long value = strtoul(digits, &end, 10);
        if (end == digits || *end) return 0;
        if (number) *number = (uint32_t)value;
        return 1;
    }
    return 0;
}

namespace {

// Replaces the value's line with entry, or drops it when entry is empty.
void StoreValue(const std::string& prefix, const std::string& entry) {
    std::vector<std::string> lines = ReadLines();
    bool replaced = false;
    for (std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            line = entry;
            replaced = true;
        }
    }
    if (!replaced && !entry.empty()) lines.push_back(entry);
    if (inMemory) {
        lines.erase(std::remove(lines.begin(), lines.end(), std::string()), lines.end());
        memoryLines = std::move(lines);
        return;
    }

    std::filesystem::path path(RegistryPath());
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    std::string temp = path.string() + ".tmp" + std::to_string(QV_PID);
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const std::string& line : lines)
            if (!line.empty()) out << line << "\n";
        if (!out) return;
    }
    std::filesystem::rename(temp, path, error);
    if (error) std::filesystem::remove(temp, error);
}

} // namespace

void RegistryWriteNumber(const char* key, const char* valueName, int, uint32_t number) {
    std::string prefix = ValueKey(key, valueName);
    StoreValue(prefix, prefix + std::to_string(number));
}

// FNV-1a over the lower-cased bytes, stopping early at a terminator.
uint32_t HashString(const char* text, int length) {
    uint32_t hash = 2166136261u;
    for (int i = 0; text && i < length && text[i]; i++) {
        unsigned char c = (unsigned char)text[i];
        if (c >= 'A' && c <= 'Z') c = (unsigned char)(c - 'A' + 'a');
        hash = (hash ^ c) * 16777619u;
    }
    return hash;
}

namespace standin {

void SetRegistryPath(const std::string& path) {
    registryPath = path;
    inMemory = false;
}

void UseMemoryRegistry() {
    inMemory = true;
    memoryLines.clear();
}

void ClearRegistryValue(const std::string& key, const std::string& valueName) {
    StoreValue(ValueKey(key.c_str(), valueName.c_str()), "");
}

uint32_t HashOf(const std::string& word) {
    return HashString(word.c_str(), (int)word.size());
}

} // namespace standin

namespace standin::internal {

void ResetCorvel() {
    registryPath.clear();
    inMemory = false;
    memoryLines.clear();
}

} // namespace standin::internal

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {
namespace {
struct RegistryPart {
    std::string registryPath;
    bool inMemory;
    std::vector<std::string> memoryLines;
};
} // namespace
Part SaveRegistry() {
    return Copy(RegistryPart{registryPath, inMemory, memoryLines});
}
void RestoreRegistry(const Part& part) {
    const RegistryPart& p = Copied<RegistryPart>(part);
    registryPath = p.registryPath;
    inMemory = p.inMemory;
    memoryLines = p.memoryLines;
}
} // namespace standin::saved
