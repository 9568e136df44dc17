// The OS layer under the module, tried for real on each build: temporary
// files, the chat-text lock against a second thread (the dated-message tests
// load it with a producer thread) and long dates; on Linux also the collection
// of started programs; on Windows the machine registry, the web-page handler
// and dated messages in the user's own language and code page. (The tick count
// the module reads is the host's clock: the lit button's draws and the chat
// buttons' spacing in test_chat_buttons.cpp depend on it to the millisecond.)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "../Src/platform/Os.h"
#include "support/LobbyTest.h"
#include "support/RecordingBrowser.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>
#endif

using namespace lobbytest;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kMonday11Jan1971 = 375u * 86400u; // 00:00 UTC

std::string TempDir() {
    char dir[260];
    int n = OsTempPath(dir, (int)sizeof dir);
    EXPECT_GT(n, 0) << "no temporary directory";
    return n > 0 ? std::string(dir, (size_t)n) : std::string();
}

} // namespace

// ---- temporary files ----------------------------------------------------------------

TEST(OsLayer, TemporaryFilesAreUniqueEmptyAndDeletedAndNeedADirectoryAndRoom) {
    std::string dir = TempDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(dir.back() == '/' || dir.back() == '\\') << dir << " ends without a separator";
    EXPECT_TRUE(fs::is_directory(dir)) << dir;

    char first[260], second[260];
    ASSERT_TRUE(OsTempFileName(dir.c_str(), "LanthornAd", first, (int)sizeof first));
    ASSERT_TRUE(OsTempFileName(dir.c_str(), "LanthornAd", second, (int)sizeof second));
    EXPECT_STRNE(first, second);
    for (const char* name : {first, second}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(std::string(name).rfind(dir, 0), 0u) << "made in the temporary directory";
        EXPECT_EQ(fs::path(name).filename().string().rfind("Lan", 0), 0u)
            << "named from the prefix's first three";
        ASSERT_TRUE(fs::exists(name));
        EXPECT_EQ(fs::file_size(name), 0u);
    }
    EXPECT_TRUE(OsDeleteFile(first));
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::exists(second)) << "only the named file goes";
    EXPECT_FALSE(OsDeleteFile(first)) << "a file already gone";
    EXPECT_TRUE(OsDeleteFile(second));
    EXPECT_FALSE(fs::exists(second));

    std::string missing = dir + "qv-no-such-directory" + dir.back();
    EXPECT_FALSE(OsTempFileName(missing.c_str(), "LanthornAd", first, (int)sizeof first));
    char tiny[8];
    EXPECT_FALSE(OsTempFileName(dir.c_str(), "LanthornAd", tiny, (int)sizeof tiny));
    char path[4];
    EXPECT_EQ(OsTempPath(path, (int)sizeof path), 0) << "a directory longer than the buffer is no directory";
}

// ---- the chat-text lock -----------------------------------------------------------------

TEST(OsLayer, ChatTextLockKeepsASecondThreadOutUntilLeft) {
    OsLock lock = OsLockCreate();
    ASSERT_NE(lock, nullptr);
    std::atomic<bool> entered{false};
    OsLockEnter(lock);
    std::thread other([&] {
        OsLockEnter(lock);
        entered = true;
        OsLockLeave(lock);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(entered) << "the second thread got in while the lock was held";
    OsLockLeave(lock);
    other.join();
    EXPECT_TRUE(entered);
    OsLockDelete(lock);
    OsLockDelete(nullptr); // no lock: nothing to delete
}

// ---- long dates ---------------------------------------------------------------------------

TEST(OsLayer, LongDateOfALocalTimeStaysInItsBuffer) {
    ASSERT_TRUE(InTimeZone("UTC"));
    uint64_t local = OsUnixToLocalFileTime(kMonday11Jan1971);
    EXPECT_EQ(local, (kMonday11Jan1971 + 11644473600ull) * 10000000ull) << "UTC is the local time";

    Unicode date[64];
    OsFormatLongDate(local, date, 64);
    EXPECT_EQ(standin::Utf8(date), "Monday, January 11, 1971");

    Unicode small[9];
    for (Unicode& u : small)
        u.ch = 0xAAAA;
    OsFormatLongDate(local, small, 8);
    EXPECT_EQ(standin::Utf8(small), "Monday,") << "cut to 7 characters and the terminator";
    EXPECT_EQ(small[8].ch, 0xAAAA) << "written past the buffer";
}

#if !defined(_WIN32)

// ---- started programs ----------------------------------------------------------------------

namespace {

// This process's children as /proc lists them: pid and state ('Z': ended, not collected).
std::vector<std::pair<pid_t, char>> Children() {
    std::vector<std::pair<pid_t, char>> children;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        size_t end = stat.rfind(')'); // the command may hold blanks and brackets
        char state = 0;
        long parent = 0;
        if (end != std::string::npos && sscanf(stat.c_str() + end + 1, " %c %ld", &state, &parent) == 2 &&
            parent == getpid())
            children.push_back({(pid_t)std::stol(name), state});
    }
    return children;
}

} // namespace

// Many web-page handlers may run at once; each start collects every one that has
// ended, however many were started, and only those.
TEST(OsLayerPosix, EveryStartedProgramIsCollectedOnceEnded) {
    standin::SetProcessStartsReal(true);
    constexpr size_t kRunning = 40;
    for (size_t i = 0; i < kRunning; ++i)
        ASSERT_EQ(OsStartProcess("sleep", "60"), 1);
    std::vector<std::pair<pid_t, char>> running = Children();
    ASSERT_EQ(running.size(), kRunning);
    for (const auto& [pid, state] : running)
        kill(pid, SIGKILL);
    size_t ended = 0;
    for (int wait = 0; wait < 1000 && ended < kRunning; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ended = 0;
        for (const auto& [pid, state] : Children())
            ended += state == 'Z';
    }
    ASSERT_EQ(ended, kRunning);

    ASSERT_EQ(OsStartProcess("sleep", "60"), 1);
    std::vector<std::pair<pid_t, char>> left = Children();
    for (const auto& [pid, state] : left) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    ASSERT_EQ(left.size(), 1u) << "ended programs left uncollected";
    EXPECT_NE(left[0].second, 'Z') << "only the program just started is left";
}

#endif

#if defined(_WIN32)

// ---- the machine registry ------------------------------------------------------------------

namespace {

// A key of this process's own under HKEY_LOCAL_MACHINE\SOFTWARE, removed after the test.
struct MachineKey {
    std::string path = "SOFTWARE\\QvMultiTests\\" + std::to_string(GetCurrentProcessId());
    HKEY key = nullptr;
    MachineKey() {
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
    }
    ~MachineKey() {
        RegCloseKey(key);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
    }
    void Set(const char* name, DWORD type, const std::string& bytes) {
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, (const BYTE*)bytes.data(), (DWORD)bytes.size()),
                  ERROR_SUCCESS);
    }
};

} // namespace

// Only text values are read; each comes back zero-terminated within the buffer.
TEST(OsLayerWin32, MachineStringsComeFromTheRegistry) {
    MachineKey machine;
    const std::string z(1, '\0');
    struct Row {
        const char* name; // null: the key's default value
        DWORD type;
        std::string stored; // bytes as stored, terminator included or not
        int read;
        std::string text;
    } rows[] = {
        {nullptr, REG_SZ, "QvTest.Page" + z, 1, "QvTest.Page"},
        {"command", REG_SZ, "\"C:\\Web\\browse.exe\" -page \"%1\"" + z, 1,
         "\"C:\\Web\\browse.exe\" -page \"%1\""},
        {"expand", REG_EXPAND_SZ, "%SystemRoot%\\browse.exe" + z, 1, "%SystemRoot%\\browse.exe"},
        {"unterminated", REG_SZ, "abc", 1, "abc"},
        {"empty", REG_SZ, z, 1, ""},
        {"number", REG_DWORD, std::string("\x05\x00\x00\x00", 4), 0, ""},
        {"binary", REG_BINARY, "abc" + z, 0, ""},
        {"long", REG_SZ, std::string(2000, 'a') + z, 0, ""},
    };
    for (const Row& row : rows)
        machine.Set(row.name, row.type, row.stored);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name ? row.name : "(default)");
        char buf[1024];
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(OsReadMachineString(machine.path.c_str(), row.name, buf, (int)sizeof buf), row.read);
        ASSERT_NE(std::memchr(buf, 0, sizeof buf), nullptr) << "not terminated";
        EXPECT_EQ(std::string(buf), row.text);
    }
    char buf[64];
    EXPECT_EQ(OsReadMachineString(machine.path.c_str(), "missing", buf, (int)sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(OsReadMachineString((machine.path + "\\missing").c_str(), nullptr, buf, (int)sizeof buf), 0);
    EXPECT_STREQ(buf, "");
}

// ---- starting the web-page handler ---------------------------------------------------------------

// The handler is found the way a link is opened: the class of ".html", then
// its open command; the started program sees exactly the line it was given.
TEST(OsLayerWin32, WebPageHandlerStartsWithTheExactCommandLine) {
    RecordingBrowser browser;
    char pageClass[1024], command[1024];
    ASSERT_EQ(OsReadMachineString("SOFTWARE\\Classes\\.html", nullptr, pageClass, (int)sizeof pageClass), 1);
    EXPECT_STREQ(pageClass, RecordingBrowser::kClass);
    std::string commandKey = std::string("SOFTWARE\\Classes\\") + pageClass + "\\shell\\open\\command";
    ASSERT_EQ(OsReadMachineString(commandKey.c_str(), nullptr, command, (int)sizeof command), 1);
    EXPECT_EQ(command, browser.command);

    const char* argument = "http://shop.example/a?b=1&c=%20";
    ASSERT_EQ(OsStartProcess(command, argument), 1);
    EXPECT_EQ(browser.WaitFor(1), (std::vector<std::string>{std::string(command) + " " + argument}));

    EXPECT_EQ(OsStartProcess("\"C:\\no such directory\\browser.exe\"", "http://shop.example/"), 0);
    EXPECT_EQ(OsStartProcess(command, std::string(1024, 'a').c_str()), 0)
        << "longer than a command line may be";
    EXPECT_EQ(browser.WaitFor(2, 500).size(), 1u) << "nothing more started";
}

namespace {

// Shows an advertisement whose link is that text.
void ShowAd(uint32_t id, const std::string& link) {
    std::vector<uint8_t> info(link.begin(), link.end());
    info.push_back(0);
    standin::SetAdInfo(id, info);
    standin::Check([=] { standin::PushAdEvent(id, "ad.gif", std::vector<uint8_t>{'G', 'I', 'F'}); });
    standin::Frames(1);
}

} // namespace

// A click on the banner opens its link in the prefix's own web-page handler,
// started with exactly the command line the module built; a link that would
// add an option to the browser starts nothing.
TEST(OsLayerWin32, BannerLinkStartsTheWebPageHandler) {
    RecordingBrowser browser;
    std::string dir = MakeTempDirectory("qvlink");
    ASSERT_FALSE(dir.empty());
    SetTempDirectory(dir.c_str());
    const std::string link = "https://shop.example/item?id=4&x=%20";
    Visit visit;
    ShowAd(41, "https://shop.example/ --load-extension=C:\\x");
    standin::ClickAt(kClickArea, 145, 69);
    std::string popup;
    standin::Check([&] { popup = PopupText(); });
    standin::Click(kOkLabel);
    ShowAd(42, link);
    standin::ClickAt(kClickArea, 145, 69);
    visit.Quit();
    SetTempDirectory(nullptr);
    std::error_code ignored;
    fs::remove_all(dir, ignored);

    EXPECT_EQ(popup, Text(5340));
    std::vector<std::string> clicks;
    for (const standin::Call& c : standin::ChatCallsNamed("NotifyAdClick"))
        clicks.push_back(c.args[0] + " " + c.args[1]);
    EXPECT_EQ(clicks, (std::vector<std::string>{"41 1", "42 0"}));
    EXPECT_EQ(browser.WaitFor(1), (std::vector<std::string>{browser.command + " " + link}));
    EXPECT_EQ(browser.WaitFor(2, 500).size(), 1u) << "the refused link started a program";
}

// ---- dated messages in the user's language ------------------------------------------------------

namespace {

constexpr uint32_t kMonday1Mar1971 = 424u * 86400u; // 00:00 UTC

// The 8-bit date line that a dated message at unixTime hands to the character
// layout's pane. The stand-in's text box widens 8-bit lines as Windows-1252;
// narrowed back the same way they are the bytes the module handed over.
std::string DateLine(uint32_t unixTime) {
    Visit visit;
    visit.SetChannel("");
    std::string line;
    standin::Enqueue([=] { EXPECT_TRUE(standin::PushDatedMessage(unixTime, "news")); });
    standin::Frames(1);
    standin::Check([&] {
        ASSERT_NE(ChatPane(), nullptr);
        const std::vector<standin::TextLine>& lines = ChatPane()->lines;
        ASSERT_EQ(lines.size(), 3u);
        std::vector<Unicode> wide;
        for (char16_t c : lines[0].text)
            wide.push_back(Unicode{(uint16_t)c});
        wide.push_back(Unicode{0});
        std::vector<char> bytes(wide.size());
        Unicode::unicode2Win(bytes.data(), wide.data(), (int)bytes.size());
        line = bytes.data();
    });
    visit.Quit();
    return line;
}

} // namespace

// Under Wine the user's locale and the system's code page are the ones the
// process starts with (tests/wine/test-properties.cmake gives these two theirs).
// The date is formatted in the code page and reaches the pane as UTF-8.
TEST(OsLayerWin32, DatedMessageInGermanFromCodePage1252) {
    ASSERT_TRUE(InTimeZone("UTC"));
    ASSERT_TRUE(InUserLocale(0x0407));
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_EQ(DateLine(kMonday1Mar1971), "Montag, 1. M\xC3\xA4rz 1971");
}

TEST(OsLayerWin32, DatedMessageInJapaneseFromCodePage932) {
    ASSERT_TRUE(InTimeZone("UTC"));
    ASSERT_TRUE(InUserLocale(0x0411));
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(DateLine(kMonday1Mar1971), "1971\xE5\xB9\xB4"
                                         "3\xE6\x9C\x88"
                                         "1\xE6\x97\xA5\xE6\x9C\x88\xE6\x9B\x9C\xE6\x97\xA5");
}

#endif

// ---- checks added after the mutation run (tools/mutate.py) ------------------------
#if !defined(_WIN32)
// A machine string read from the host ends within the size given: nothing past
// it is written, even when the value fills it exactly.
TEST(OsLayerPosixMutants, MachineStringStaysWithinItsSize) {
    standin::ResetAll();
    char buf[16];
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(OsReadMachineString("SOFTWARE\\Classes\\.html", nullptr, buf, 9), 1);
    EXPECT_STREQ(buf, "htmlfile");
    EXPECT_EQ(std::string(buf + 9, 7), std::string(7, 'x'));
}
#endif
