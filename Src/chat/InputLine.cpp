// The chat input line and the send path of everything the player types or
// sends with the chat buttons: the whisper wrap, the guard-word refusal, the
// lobby's own commands ("/r", "/reply", "/qvnotify"), the history of the last
// ten slash lines (recalled with Tab) and the name insertion of Ctrl+N.
//
// Owns pendingLine, commandHistory, historyCount and historyCursor. The input
// line's handle lives with the other lobby controls (core/Resources.cpp);
// replyTarget and joinLeaveNotices belong to the chat events (ComCallback).
#include "../core/Lobby.h"

#include <cctype>

enum {
    kHistoryEntries = 10,
    kLineSize = 256,    // 8-bit lines: 255 characters and the terminator
    kPendingSize = 512, // room for a whisper wrap around a full line
    kInputMaxLength = 200,
    kKeyTab = 9,
    kKeyCtrlN = 14,
};

static char pendingLine[kPendingSize];
static char commandHistory[kHistoryEntries][kLineSize];
static int32_t historyCount;
static int32_t historyCursor = -1;

static const char kNobodyToReply[] = "Nobody to reply to!";
static const char kReplyUsage[] = "Correct usage is: %s (message)";
static const char kNoticesOn[] = "Player entering/leaving notifications are enabled.";
static const char kNoticesOff[] = "Player entering/leaving notifications are disabled.";

static int DispatchPendingLine();
static void HandleSlashLine(const char* line);
static int TryReplyCommand(const char* word, const char* line);
static int TryNotifyCommand(const char* word, const char* line);
static int MatchCommandWord(const char* word, const char* text);
static int InputKeyFilter(QvControl box, int caret, Unicode* key);

void CreateInputLine() {
    inputLine = CreateControl(&kInputLineDesc);
    EditSetKeyCallback(inputLine, InputKeyFilter);
    EditSetChangeCallback(inputLine, RefreshChatButtonsCallback);
    SetFocus(inputLine);
    EditSetMaxLength(inputLine, kInputMaxLength);
}

void ClearHistory() {
    for (int i = 0; i < kHistoryEntries; ++i)
        commandHistory[i][0] = 0;
    historyCursor = -1;
    historyCount = 0;
}

int SubmitInputLine(const Unicode* text) {
    historyCursor = -1;
    if (Unicode::strlen(text) == 0) return 0;
    char line[kLineSize];
    Unicode::unicode2Win(line, text, sizeof line);
    const char* p = line;
    while (*p == ' ')
        ++p;
    if (*p == 0) {
        // A line of spaces is neither sent nor stored.
        if (inputLine) EditSetTextUnicode(inputLine, nullptr);
        return 1;
    }
    return SendUserLine(0, line);
}

int SendUserLine(int whisper, const char* text) {
    if (whisper && text[0] != '/' && selectedUser) {
        char name[sizeof selectedUser->userName + 1];
        TextCopyN(name, sizeof name, selectedUser->userName, sizeof selectedUser->userName);
        TextFormat(pendingLine, sizeof pendingLine, "/whisper *%s %s", AccountKey(name), text);
    } else {
        TextCopy(pendingLine, sizeof pendingLine, text);
    }
    // The player's own words are tested, not the wrap around them.
    if (ContainsGuardWord(text)) {
        ShowLargeMessage(GetString(11063), GetString(11064));
        pendingLine[0] = 0;
        return 0;
    }
    return DispatchPendingLine();
}

static int DispatchPendingLine() {
    if (pendingLine[0] == '/') {
        HandleSlashLine(pendingLine);
    } else if (!IsConnected(chatService)) {
        // The player keeps the line to send it again later.
        ShowConnectionLost();
        return 1;
    } else {
        SendChatLine(chatService, pendingLine);
        EchoOwnLine(pendingLine);
    }
    EmptyInputLine();
    return 1;
}

void EmptyInputLine() {
    if (inputLine) EditSetTextUnicode(inputLine, nullptr);
    if (!chatPane) return;
    int lines = ListGetLineCount(chatPane);
    int shown = ListGetVisibleCount(chatPane);
    if (lines > shown) ListScrollTo(chatPane, lines - shown);
}

void ConfirmGuardWarning() {
    EmptyInputLine();
}

static void HandleSlashLine(const char* line) {
    // Every slash line is remembered, the lobby's own commands included.
    for (int i = kHistoryEntries - 1; i > 0; --i)
        TextCopy(commandHistory[i], kLineSize, commandHistory[i - 1]);
    TextCopy(commandHistory[0], kLineSize, line);
    if (historyCount < kHistoryEntries) ++historyCount;

    if (TryReplyCommand("/r", line)) return;
    if (TryReplyCommand("/reply", line)) return;
    if (TryNotifyCommand("/qvnotify", line)) return;
    if (IsConnected(chatService))
        SendChatLine(chatService, line);
    else
        ShowConnectionLost();
}

// A command word stands alone: "/r" must not take "/rx" or "/r2".
static int IsCommand(const char* word, const char* line) {
    if (MatchCommandWord(word, line) != 0) return 0;
    char next = line[TextLengthWithin(word, kLineSize)];
    return next == ' ' || next == 0;
}

static int TryReplyCommand(const char* word, const char* line) {
    if (!IsCommand(word, line)) return 0;
    if (replyTarget[0] == 0) {
        AddChatLine(kNobodyToReply, 1);
        return 1;
    }
    // The message starts at the second space-separated piece and keeps its
    // inner spaces as typed.
    const char* message = line + TextLengthWithin(word, kLineSize);
    while (*message == ' ')
        ++message;
    if (*message == 0) {
        char usage[kLineSize];
        TextFormat(usage, sizeof usage, kReplyUsage, word);
        AddChatLine(usage, 1);
        return 1;
    }
    if (!IsConnected(chatService)) {
        ShowConnectionLost();
        return 1;
    }
    char target[sizeof replyTarget];
    TextCopy(target, sizeof target, replyTarget);
    char whisper[kLineSize];
    TextFormat(whisper, sizeof whisper, "/w *%s %s", target, message);
    SendChatLine(chatService, whisper);
    return 1;
}

static int TryNotifyCommand(const char* word, const char* line) {
    if (!IsCommand(word, line)) return 0;
    joinLeaveNotices = !joinLeaveNotices;
    AddChatLine(joinLeaveNotices ? kNoticesOn : kNoticesOff, 3);
    return 1;
}

static int MatchCommandWord(const char* word, const char* text) {
    int length = TextLengthWithin(word, kLineSize);
    if (TextLengthWithin(text, length) < length) return -1;
    for (int i = 0; i < length; ++i) {
        int a = toupper((unsigned char)word[i]);
        int b = toupper((unsigned char)text[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    return 0;
}

static void RecallHistory(QvControl box) {
    if (historyCount <= 0) return;
    if (++historyCursor >= historyCount) historyCursor = 0;
    EditSetText(box, commandHistory[historyCursor]);
}

// Puts the selected user's character name in at the caret.
static void InsertSelectedName(QvControl box, int caret) {
    const Unicode* current = EditGetText(box);
    if (!current || !selectedUser) return;
    char userName[sizeof selectedUser->userName + 1];
    TextCopyN(userName, sizeof userName, selectedUser->userName, sizeof selectedUser->userName);
    char name[sizeof userName];
    if (CharacterPart(name, sizeof name, userName) == 0) TextCopy(name, sizeof name, userName);
    char text[kLineSize];
    int textLength = TextLengthWithin(Unicode::unicode2Win(text, current, sizeof text), kLineSize);
    int nameLength = TextLengthWithin(name, sizeof name);
    if (textLength + nameLength > kLineSize - 1) return;
    if (caret < 0) caret = 0;
    if (caret > textLength) caret = textLength;
    char result[kLineSize];
    TextCopyN(result, sizeof result, text, caret);
    TextAppend(result, sizeof result, name);
    TextAppend(result, sizeof result, text + caret);
    EditSetText(box, result);
}

static int InputKeyFilter(QvControl box, int caret, Unicode* key) {
    if (!key) return 1;
    if (key->ch == kKeyTab) {
        RecallHistory(box);
        return 0;
    }
    if (key->ch == kKeyCtrlN) {
        InsertSelectedName(box, caret);
        return 0;
    }
    return 1;
}
