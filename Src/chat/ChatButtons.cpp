// The chat buttons under the input line (send, whisper, emote, squelch,
// unsquelch) and the small lit button beside the chat pane.
//
// Owns lastActionTime, the spacing shared by emote, squelch and unsquelch, and
// litButtonOn; both outlive visits. The buttons' handles live with the other
// lobby controls (core/Resources.cpp).
#include "../core/Lobby.h"

enum {
    kLineSize = 256,
    kEmoteSize = 300, // an emote's text before "/me " is put in front
    kActionSpacing = 1000,
    kLitColour = 11,
    kMooColour = 9,
};

uint32_t lastActionTime;
int32_t litButtonOn;

// The input line's text as 8-bit text; 0 when there is none.
static int ReadInputLine(char* line, int size) {
    const Unicode* text = inputLine ? EditGetText(inputLine) : nullptr;
    if (Unicode::strlen(text) == 0) return 0;
    Unicode::unicode2Win(line, text, size);
    return 1;
}

// Emote, squelch and unsquelch are accepted at most once a second. The time
// passed is taken as a difference so that the spacing survives the tick
// count wrapping around.
static int TakeActionTurn() {
    uint32_t now = OsTickCount();
    if (now - lastActionTime < kActionSpacing) return 0;
    lastActionTime = now;
    return 1;
}

int SendButton(uint32_t) {
    char line[kLineSize];
    if (ReadInputLine(line, sizeof line)) SendUserLine(0, line);
    return 1;
}

int WhisperButton(uint32_t) {
    char line[kLineSize];
    if (ReadInputLine(line, sizeof line)) SendUserLine(1, line);
    return 1;
}

int EmoteButton(uint32_t) {
    char text[kEmoteSize];
    if (!ReadInputLine(text, sizeof text)) return 1;
    if (text[0] == '/') return 1;
    if (!TakeActionTurn()) return 1;
    char line[kEmoteSize + 8];
    TextFormat(line, sizeof line, "/me %s", text);
    SendUserLine(0, line);
    return 1;
}

// Squelch and unsquelch go straight to the service: no history, no guard
// word, no echo.
static void SendUserCommand(const char* command) {
    if (!selectedUser) return;
    char name[sizeof selectedUser->userName + 1];
    TextCopyN(name, sizeof name, selectedUser->userName, sizeof selectedUser->userName);
    if (!TakeActionTurn()) return;
    char line[kLineSize];
    TextFormat(line, sizeof line, "%s *%s", command, AccountKey(name));
    DeselectUser();
    if (!IsConnected(chatService)) {
        ShowConnectionLost();
        return;
    }
    SendChatLine(chatService, line);
    if (inputLine) EditSetTextUnicode(inputLine, nullptr);
}

int SquelchButton(uint32_t) {
    SendUserCommand("/squelch");
    return 1;
}

int UnsquelchButton(uint32_t) {
    SendUserCommand("/unsquelch");
    return 1;
}

static void AddLitLine(const Unicode* text, int colour) {
    if (chatPane) TextListAddLine(chatPane, text, colour, 0, 1);
}

// One draw: a value of the module's generator modulo 1000.
static int DrawThousandth() {
    return RandomNext() % 1000;
}

int LitButton(uint32_t) {
    if (litButtonOn) {
        if (litButton) SetButtonFrame(litButton, 0);
        litButtonOn = 0;
        AddLitLine(GetString(5335), kLitColour);
        return 1;
    }
    if (litButton) SetButtonFrame(litButton, 2);
    litButtonOn = 1;
    if (DrawThousandth() == 0) {
        AddLitLine(GetString(5336), kLitColour);
        return 1;
    }
    int second = DrawThousandth();
    int third = DrawThousandth();
    if (second == 0 && third == 0) {
        Unicode moo[16];
        AddLitLine(Unicode::toUnicode(moo, "Moooooooo!", 16), kMooColour);
    } else {
        AddLitLine(GetString(5334), kLitColour);
    }
    return 1;
}

void CreateLitButton() {
    litButton = CreateControl(&kLitButtonDesc);
    if (litButtonOn) SetButtonFrame(litButton, 2);
}
