// The OS layer on POSIX systems (the Linux build).
//
// The tick count is the boot-time clock in milliseconds, like the Windows tick
// count; the registry does not exist here, so registry reads find nothing.
#include "Os.h"

#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <new>

extern char** environ;

uint32_t OsTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return (uint32_t)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
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

int OsReadMachineString(const char*, const char*, char* buf, int size) {
    if (size > 0) buf[0] = 0;
    return 0;
}

int OsStartProcess(const char* commandLine) {
    pid_t pid;
    const char* argv[] = {"/bin/sh", "-c", commandLine, nullptr};
    return posix_spawn(&pid, "/bin/sh", nullptr, nullptr, (char* const*)argv, environ) == 0;
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
    int n = snprintf(name, (size_t)size, "%s%sXXXXXX", dir, stem);
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

int OsFormatLongDate(uint64_t localFileTime, Unicode* out, int size) {
    time_t t = (time_t)(localFileTime / 10000000ull - 11644473600ull);
    tm when{};
    gmtime_r(&t, &when);
    char text[128];
    size_t n = strftime(text, sizeof text, "%A, %B %d, %Y", &when);
    text[n] = 0;
    Unicode::utf8ToUnicode(out, text, size);
    return (int)n;
}
