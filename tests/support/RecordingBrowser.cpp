#include "RecordingBrowser.h"

#if defined(_WIN32)

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

namespace lobbytest {

namespace {

void SetDefaultValue(const std::string& keyPath, const std::string& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS)
        << keyPath;
    EXPECT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::string ProgramDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

} // namespace

RecordingBrowser::RecordingBrowser() {
    command = "\"" + ProgramDirectory() + "html_recorder.exe\" --page";
    SetDefaultValue("SOFTWARE\\Classes\\.html", kClass);
    SetDefaultValue(std::string("SOFTWARE\\Classes\\") + kClass + "\\shell\\open\\command", command);
    char dir[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, dir);
    EXPECT_TRUE(n > 0 && n < MAX_PATH);
    log = std::string(dir, n) + "qv-browser-" + std::to_string(GetCurrentProcessId()) + ".log";
    DeleteFileA(log.c_str());
    EXPECT_TRUE(SetEnvironmentVariableA("QV_RECORDER_LOG", log.c_str()));
}

RecordingBrowser::~RecordingBrowser() {
    SetEnvironmentVariableA("QV_RECORDER_LOG", nullptr);
    DeleteFileA(log.c_str());
}

std::vector<std::string> RecordingBrowser::WaitFor(size_t count, int timeoutMs) const {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // Only whole lines: the recorder may be writing the last one.
        std::vector<std::string> lines;
        std::ifstream in(log, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        if (lines.size() >= count || std::chrono::steady_clock::now() >= until) return lines;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace lobbytest

#endif
