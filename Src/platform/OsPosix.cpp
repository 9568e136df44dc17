// The OS layer on POSIX systems (the Linux build).
//
// The tick count is the boot-time clock in milliseconds, like the Windows tick
// count. There is no registry: the host may keep one, else only the web-page
// handler is answered (the desktop's opener). Started programs are remembered,
// however many run at once, and every start first collects those that have
// ended, so none is left behind as a zombie.
#include "Os.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <new>

extern char** environ;

// Dated messages reach past January 2038: the build uses 64-bit time.
static_assert(sizeof(time_t) == 8, "64-bit time_t");

uint32_t OsTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    // In 32 bits, which wrap like the tick count, without a 64-bit division.
    return (uint32_t)ts.tv_sec * 1000u + (uint32_t)ts.tv_nsec / 1000000u;
}

struct OsLockRec {
    pthread_mutex_t mutex;
};

OsLock OsLockCreate() {
    OsLock lock = new (std::nothrow) OsLockRec;
    if (lock) pthread_mutex_init(&lock->mutex, nullptr);
    return lock;
}
void OsLockEnter(OsLock lock) {
    pthread_mutex_lock(&lock->mutex);
}
void OsLockLeave(OsLock lock) {
    pthread_mutex_unlock(&lock->mutex);
}
void OsLockDelete(OsLock lock) {
    if (!lock) return;
    pthread_mutex_destroy(&lock->mutex);
    delete lock;
}

// Wait handles are file descriptors that become readable when signalled.
int OsWaitZero(void* handle) {
    pollfd p{(int)(intptr_t)handle, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

// A host that keeps a machine registry of its own defines this.
extern "C" int QvHostReadMachineString(const char* keyPath, const char* valueName, char* buf, int size)
    __attribute__((weak));

static const char kDesktopOpener[] = "xdg-open";

int OsReadMachineString(const char* keyPath, const char* valueName, char* buf, int size) {
    if (size <= 0) return 0;
    buf[0] = 0;
    if (QvHostReadMachineString) {
        int found = QvHostReadMachineString(keyPath, valueName, buf, size);
        buf[size - 1] = 0;
        if (!found) buf[0] = 0;
        return found ? 1 : 0;
    }
    // The web-page handler: ".html" names the opener, whose open command is itself.
    char commandKey[64];
    snprintf(commandKey, sizeof commandKey, "SOFTWARE\\Classes\\%s\\shell\\open\\command", kDesktopOpener);
    if (valueName || !keyPath) return 0;
    if (strcmp(keyPath, "SOFTWARE\\Classes\\.html") != 0 && strcmp(keyPath, commandKey) != 0) return 0;
    int n = snprintf(buf, (size_t)size, "%s", kDesktopOpener);
    if (n < 0 || n >= size) {
        buf[0] = 0;
        return 0;
    }
    return 1;
}

enum { kMaxWords = 32, kFirstChildRoom = 16 };
// Every program started and not collected yet. The table grows as needed, so a
// handler that keeps running never crowds out the ones started after it. Only
// these are waited for: the host may start programs of its own and collect
// them itself, so waiting for any child would take their exit from it.
static pid_t* startedChildren;
static int startedCount, startedRoom;

// Collects the programs started earlier that have ended (or that someone else
// collected: waitpid then fails, and the pid is forgotten as well).
static void ReapChildren() {
    int kept = 0;
    for (int i = 0; i < startedCount; ++i)
        if (waitpid(startedChildren[i], nullptr, WNOHANG) == 0) startedChildren[kept++] = startedChildren[i];
    startedCount = kept;
}

// 1 when the table has room for one more child; 0 when it cannot grow.
static int MakeRoomForChild() {
    if (startedCount < startedRoom) return 1;
    int room = startedRoom ? startedRoom * 2 : kFirstChildRoom;
    pid_t* grown = new (std::nothrow) pid_t[room];
    if (!grown) return 0;
    if (startedCount) memcpy(grown, startedChildren, sizeof(pid_t) * (size_t)startedCount);
    delete[] startedChildren;
    startedChildren = grown;
    startedRoom = room;
    return 1;
}

// Splits text into words at blanks, in place; a double-quoted stretch belongs
// to its word without the quotes. Returns the number of words, 0 when too many.
static int SplitWords(char* text, char** words, int maxWords) {
    int count = 0;
    char* in = text;
    while (*in) {
        while (*in == ' ' || *in == '\t')
            ++in;
        if (!*in) break;
        if (count == maxWords) return 0;
        char* out = in;
        words[count++] = out;
        int quoted = 0;
        for (; *in && (quoted || (*in != ' ' && *in != '\t')); ++in) {
            if (*in == '"')
                quoted = !quoted;
            else
                *out++ = *in;
        }
        int ended = *in != 0;
        *out = 0;
        if (ended) ++in;
        if (!ended) break;
    }
    return count;
}

// A program that could not be remembered would stay a zombie once it ends,
// so none is started then.
int OsStartProcess(const char* command, const char* argument) {
    ReapChildren();
    if (!MakeRoomForChild()) return 0;
    char text[1024];
    int n = snprintf(text, sizeof text, "%s", command);
    if (n < 0 || n >= (int)sizeof text) return 0;
    char* argv[kMaxWords + 2];
    int words = SplitWords(text, argv, kMaxWords);
    if (words == 0) return 0;
    argv[words] = const_cast<char*>(argument);
    argv[words + 1] = nullptr;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return 0;
    if (pid > 0) startedChildren[startedCount++] = pid;
    return 1;
}

void OsRaiseDesktop() {}

int OsTempPath(char* buf, int size) {
    const char* dir = getenv("TMPDIR");
    if (!dir || !*dir) dir = "/tmp";
    int n = snprintf(buf, (size_t)size, "%s/", dir);
    return (n > 0 && n < size) ? n : 0;
}

int OsTempFileName(const char* dir, const char* prefix, char* name, int size) {
    char stem[4] = {0};
    strncpy(stem, prefix, 3);
    size_t dirLength = strlen(dir);
    const char* separator = dirLength && dir[dirLength - 1] != '/' ? "/" : ""; // "." has none
    int n = snprintf(name, (size_t)size, "%s%s%sXXXXXX", dir, separator, stem);
    if (n <= 0 || n >= size) return 0;
    int fd = mkstemp(name);
    if (fd < 0) return 0;
    close(fd);
    return 1;
}

int OsDeleteFile(const char* path) {
    return path && *path && unlink(path) == 0;
}

uint64_t OsUnixToLocalFileTime(uint32_t unixSeconds) {
    time_t t = (time_t)unixSeconds;
    tm local{};
    localtime_r(&t, &local);
    int64_t offset = (int64_t)local.tm_gmtoff;
    return ((uint64_t)unixSeconds + 11644473600ull + (uint64_t)offset) * 10000000ull;
}

// The long date pattern by the order the user's short date puts its fields in:
// month first (the C locale's too), day first, or year first. The day takes
// only the digits it needs, as in the Windows long date ("January 1").
static const char* LongDatePattern(locale_t where) {
    const char* shortDate = nl_langinfo_l(D_FMT, where);
    const char* day = shortDate ? strstr(shortDate, "%d") : nullptr;
    if (!day && shortDate) day = strstr(shortDate, "%e");
    const char* month = shortDate ? strstr(shortDate, "%m") : nullptr;
    const char* year = shortDate ? strpbrk(shortDate, "yY") : nullptr;
    if (year && (!day || year < day) && (!month || year < month)) return "%Y %B %-d, %A";
    if (day && month && day < month) return "%A %-d %B %Y";
    return "%A, %B %-d, %Y";
}

// Text in the locale's character set to UTF-8 (in place when it is UTF-8 already).
static void ToUtf8(locale_t where, const char* text, char* out, size_t size) {
    const char* charset = nl_langinfo_l(CODESET, where);
    iconv_t convert = (iconv_t)-1;
    if (charset && strcmp(charset, "UTF-8") != 0) convert = iconv_open("UTF-8", charset);
    if (convert == (iconv_t)-1) {
        snprintf(out, size, "%s", text);
        return;
    }
    char* in = (char*)text;
    size_t inLeft = strlen(text), outLeft = size - 1;
    char* at = out;
    iconv(convert, &in, &inLeft, &at, &outLeft);
    *at = 0;
    iconv_close(convert);
}

// The user's locale (LC_ALL, LC_TIME, LANG) names the days and months and
// orders the fields; the C locale when the user's is not installed.
int OsFormatLongDate(uint64_t localFileTime, Unicode* out, int size) {
    time_t t = (time_t)(localFileTime / 10000000ull - 11644473600ull);
    tm when{};
    gmtime_r(&t, &when);
    locale_t where = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "", (locale_t)0);
    if (where == (locale_t)0) where = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "C", (locale_t)0);
    char text[256], utf8[512];
    text[0] = utf8[0] = 0;
    if (where != (locale_t)0) {
        size_t n = strftime_l(text, sizeof text, LongDatePattern(where), &when, where);
        text[n] = 0;
        ToUtf8(where, text, utf8, sizeof utf8);
        freelocale(where);
    }
    Unicode::utf8ToUnicode(out, utf8, size);
    return (int)strlen(utf8);
}
