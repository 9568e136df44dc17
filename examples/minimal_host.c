/* A minimal host in C: loads the lobby module, fills a launch record, runs one
 * visit and reads the outcome. It compiles against include/QvMulti.h alone;
 * when it runs, the module loads the host's six libraries, which must sit next
 * to the module (Linux) or next to this program or the module (Windows); the
 * package's reference-host folder holds reference builds of them.
 *
 *   minimal_host [path of libQvMulti.so / QvMulti.dll]
 *
 * Its chat service is connected when the visit starts and refuses the chat
 * entry: the module builds the lobby screen through the host's libraries,
 * enters chat, finds the connection gone, tears the screen down and returns
 * QV_RESULT_LEAVE without running the screen loop. The program checks that
 * result, the calls its service received and that the module left the host's
 * own parts of the record alone; it exits with 0 when all hold.
 */
#include <stdio.h>
#include <string.h>

#include "../include/QvMulti.h"

#if defined(_WIN32)
#include <windows.h>
#define DEFAULT_MODULE "QvMulti.dll"
#else
#include <dlfcn.h>
#define DEFAULT_MODULE "./libQvMulti.so"
#endif

/* ---- the chat service ------------------------------------------------------ */

static int connected = 1;
static int enterChatCalls, leaveChatCalls, plainEntryCalls;
static uint32_t enterChatConstant, enterChatFlags;
static char enterChatChannel[32];

static int QV_CALL ServiceIsConnected(void) {
    return connected;
}

/* The service refuses the entry and closes the connection. */
static int QV_CALL ServiceEnterChat(const char* name, const char* realmAndName, uint32_t constant,
                                    const char* channel, uint32_t flags) {
    (void)name;
    (void)realmAndName;
    enterChatCalls++;
    enterChatConstant = constant;
    enterChatFlags = flags;
    snprintf(enterChatChannel, sizeof enterChatChannel, "%s", channel ? channel : "");
    connected = 0;
    return 0;
}

static int QV_CALL ServiceEnterChatPlain(void) {
    plainEntryCalls++;
    connected = 0;
    return 0;
}

static int QV_CALL ServiceLeaveChat(void) {
    leaveChatCalls++;
    return 1;
}

static int QV_CALL ServicePollEvent(uint32_t* kind, void* record) {
    (void)kind;
    (void)record;
    return 0;
}

static ChatServiceTable service;

static void FillService(void) {
    IsConnectedFn isConnected = ServiceIsConnected;
    EnterChatFn enterChat = ServiceEnterChat;
    EnterChatPlainFn enterChatPlain = ServiceEnterChatPlain;
    LeaveChatFn leaveChat = ServiceLeaveChat;
    PollEventFn pollEvent = ServicePollEvent;
    /* Function addresses go into the 32-bit slots as they are. */
    memcpy(&service.slot[kSlotIsConnected], &isConnected, sizeof(void*));
    memcpy(&service.slot[kSlotEnterChat], &enterChat, sizeof(void*));
    memcpy(&service.slot[kSlotEnterChatPlain], &enterChatPlain, sizeof(void*));
    memcpy(&service.slot[kSlotLeaveChat], &leaveChat, sizeof(void*));
    memcpy(&service.slot[kSlotPollEvent], &pollEvent, sizeof(void*));
}

/* ---- loading the module ---------------------------------------------------- */

/* Says why the module or its entry could not be had, in the system's words. */
#if defined(_WIN32)
static void ReportLoadError(const char* what, const char* path) {
    DWORD code = GetLastError();
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0,
                                  text, sizeof text, NULL);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        text[--length] = 0;
    fprintf(stderr, "%s %s: %s (error %lu)\n", what, path, length > 0 ? text : "no reason given",
            (unsigned long)code);
}
#else
static void ReportLoadError(const char* what, const char* path) {
    const char* why = dlerror();
    fprintf(stderr, "%s %s: %s\n", what, path, why ? why : "no reason given");
}
#endif

static QueryInterfaceFn LoadEntry(const char* path) {
    QueryInterfaceFn entry = NULL;
#if defined(_WIN32)
    /* The module's own folder is searched for the six host libraries. */
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        ReportLoadError("cannot load", path);
        return NULL;
    }
    FARPROC proc = GetProcAddress(module, QVMULTI_ENTRY_NAME);
#else
    void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        ReportLoadError("cannot load", path);
        return NULL;
    }
    void* proc = dlsym(module, QVMULTI_ENTRY_NAME);
#endif
    if (!proc) {
        ReportLoadError("no " QVMULTI_ENTRY_NAME " in", path);
        return NULL;
    }
    memcpy(&entry, &proc, sizeof entry);
    return entry;
}

/* ---- one visit ------------------------------------------------------------- */

static void Put(char* field, size_t size, const char* text) {
    snprintf(field, size, "%s", text);
}

/* The gaps between the listed fields belong to the host. */
#define HOST_AREAS(r)                                                                                        \
    {(r)->hostArea0, sizeof(r)->hostArea0}, {(r)->hostArea1, sizeof(r)->hostArea1},                          \
        {(r)->hostArea2, sizeof(r)->hostArea2}, {(r)->hostArea3, sizeof(r)->hostArea3},                      \
        {(r)->hostArea4, sizeof(r)->hostArea4}, {                                                            \
        (r)->hostArea5, sizeof(r)->hostArea5                                                                 \
    }
struct Area {
    uint8_t* bytes;
    size_t size;
};

static void SetHostAreas(LaunchRecord* r, int value) {
    struct Area areas[] = {HOST_AREAS(r)};
    for (size_t i = 0; i < sizeof areas / sizeof areas[0]; i++)
        memset(areas[i].bytes, value, areas[i].size);
}

static int HostAreasEqual(LaunchRecord* a, LaunchRecord* b) {
    struct Area x[] = {HOST_AREAS(a)}, y[] = {HOST_AREAS(b)};
    for (size_t i = 0; i < sizeof x / sizeof x[0]; i++)
        if (memcmp(x[i].bytes, y[i].bytes, x[i].size) != 0) return 0;
    return 1;
}

static int Check(int holds, const char* what) {
    printf("%s: %s\n", holds ? "ok  " : "FAIL", what);
    return holds;
}

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : DEFAULT_MODULE;
    QueryInterfaceFn query = LoadEntry(path);
    if (!query) return 2;
    const LobbyInterface* lobby = query();
    if (!lobby || !lobby->RunLobby) {
        fprintf(stderr, "%s returned no RunLobby\n", QVMULTI_ENTRY_NAME);
        return 2;
    }

    /* The host's own parts of the record carry a pattern the module must keep. */
    static LaunchRecord record;
    memset(&record, 0, sizeof record);
    SetHostAreas(&record, 0xa5);
    Put(record.accountName, sizeof record.accountName, "Tester");
    Put(record.characterName, sizeof record.characterName, "Arin");
    Put(record.channelName, sizeof record.channelName, "Lobby");
    Put(record.homeChannelName, sizeof record.homeChannelName, "Lobby");
    record.characterLevel = 12;
    FillService();
    record.chatService = &service;

    uint32_t result = lobby->RunLobby(&record);
    printf("RunLobby returned %u, nextAction %u\n", (unsigned)result, (unsigned)record.nextAction);

    int ok = 1;
    ok &= Check(result == QV_RESULT_LEAVE, "the visit ends with QV_RESULT_LEAVE");
    ok &= Check(enterChatCalls == 1 && plainEntryCalls == 0, "chat entered once, as a realm character");
    ok &= Check(enterChatConstant == QV_ENTER_CHAT_CONSTANT, "EnterChat got its constant");
    ok &= Check(enterChatFlags == QV_ENTER_CHAT_FLAG_CHANNEL, "EnterChat flags: a channel was named");
    ok &= Check(strcmp(enterChatChannel, "Lobby") == 0, "EnterChat got the channel");
    ok &= Check(leaveChatCalls == 0, "no LeaveChat without a screen loop");
    ok &= Check(record.nextAction == 0, "nextAction untouched");
    static LaunchRecord expected;
    memset(&expected, 0, sizeof expected);
    SetHostAreas(&expected, 0xa5);
    ok &= Check(HostAreasEqual(&record, &expected), "the host's areas of the record kept");
    return ok ? 0 : 1;
}
