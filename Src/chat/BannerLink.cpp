// The banner's link: a click on the banner asks the chat service for the
// advertisement's link and opens it with the machine's handler for web pages,
// found in the registry, then tells the service whether that worked.
//
// The link comes from the service and is untrusted. It is handed to the
// browser only when it is a plain web address ("http://" or "https://", no
// blank, quote or control character), so that it stays one argument and cannot
// add options or commands to the browser's command line; the command line is
// bounded to 1024 bytes and never goes through a shell. Owns no state.
#include "ChannelBanner.h"

#include <cstring>

#include "../core/Lobby.h"

enum {
    kMachineTextSize = 1024, // class name, key path and command line
    kLinkFailed = 5340,
};

static const char kClassesKey[] = "SOFTWARE\\Classes";

// 1 for a web address that is safe to hand over as one argument.
static int IsPlainWebLink(const char* link, int length) {
    if (strncmp(link, "http://", 7) != 0 && strncmp(link, "https://", 8) != 0) return 0;
    for (int i = 0; i < length; ++i) {
        unsigned char c = (unsigned char)link[i];
        if (c <= ' ' || c == 0x7f || c == '"' || c == '\'') return 0;
    }
    return 1;
}

// The ".html" handler's open command, read into command; 1 when found.
static int ReadBrowserCommand(char* command, int size) {
    char className[kMachineTextSize];
    char keyPath[kMachineTextSize];
    TextFormat(keyPath, sizeof keyPath, "%s\\.html", kClassesKey);
    if (!OsReadMachineString(keyPath, nullptr, className, sizeof className)) return 0;
    if (TextFormat(keyPath, sizeof keyPath, "%s\\%s\\shell\\open\\command", kClassesKey, className) >=
        (int)sizeof keyPath - 1)
        return 0;
    return OsReadMachineString(keyPath, nullptr, command, size);
}

// Starts the browser with the link; 1 when the process was started.
static int StartBrowser(const char* link, int linkLength) {
    if (!IsPlainWebLink(link, linkLength)) return 0;
    OsRaiseDesktop();
    char command[kMachineTextSize];
    if (!ReadBrowserCommand(command, sizeof command)) return 0;
    // The command, one space and the link must fit the 1024-byte command line.
    if (TextLengthWithin(command, sizeof command) + 1 + linkLength >= kMachineTextSize) return 0;
    return OsStartProcess(command, link);
}

int OpenAdLink(uint32_t) {
    const char* link = (const char*)GetAdInfo(chatService, currentAdId);
    if (!link) return 1;
    // A link that does not end within the command line's size is refused unread.
    int length = TextLengthWithin(link, kMachineTextSize);
    int started = length < kMachineTextSize && StartBrowser(link, length);
    if (!started) ShowMessage(GetString(kLinkFailed), nullptr);
    NotifyAdClick(chatService, currentAdId, started ? 0 : 1);
    return 1;
}
