// The thin OS layer: the few system calls the module makes itself.
//
// One Win32 implementation (OsWin32.cpp) and one POSIX implementation
// (OsPosix.cpp); exactly one is compiled into each build.
#pragma once

#include <cstdint>

#include "QvLang.h"

// Milliseconds since an arbitrary start; wraps like the system tick count.
uint32_t OsTickCount();

// The chat-text lock (a critical section / mutex).
typedef struct OsLockRec* OsLock;
OsLock OsLockCreate();
void OsLockEnter(OsLock lock);
void OsLockLeave(OsLock lock);
void OsLockDelete(OsLock lock);

// 1 when the wait handle is signalled now (a wait of zero time).
int OsWaitZero(void* handle);

// Reads a string value under the machine's registry hive (null value name: the
// key's default value) into buf; 1 when read. POSIX systems have no registry:
// there the host may keep one (a host program defines QvHostReadMachineString
// with the same arguments); without it only the web-page handler's two keys
// are answered, with the desktop's opener, xdg-open.
int OsReadMachineString(const char* keyPath, const char* valueName, char* buf, int size);
// Starts a program with a command and one argument; 1 when started. Windows:
// the command line is the command, one space and the argument (at most 1023
// bytes in all). POSIX: the command is split into words at blanks (double
// quotes keep a word together) and the argument is added as one more word; the
// program is started with that argument vector, never through a shell.
int OsStartProcess(const char* command, const char* argument);
// Brings the desktop to the foreground so a started browser shows on top.
void OsRaiseDesktop();

// Temporary files: the temp directory (0 when none), a new unique file made
// from dir and the first three characters of prefix (0 on failure), deletion.
int OsTempPath(char* buf, int size);
int OsTempFileName(const char* dir, const char* prefix, char* name, int size);
int OsDeleteFile(const char* path);

// Seconds since 1 January 1970 (UTC) to a local file time (100 ns units since
// 1601), and a local file time to the user's long date as 16-bit text.
uint64_t OsUnixToLocalFileTime(uint32_t unixSeconds);
int OsFormatLongDate(uint64_t localFileTime, Unicode* out, int size);
