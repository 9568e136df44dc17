// The chat service's events: the handler table indexed by event number and the
// dispatch of one polled kind-0 record. The handlers turn events into chat-pane
// lines and into changes of the channel user list.
//
// Owns joinLeaveNotices (toggled by the qvnotify command), replyTarget (the
// account of the last whisper's sender), joinedChannel (the channel most
// recently joined) and the copy of the record being handled. The record comes
// from the service and is untrusted: it is copied with a terminator behind its
// 288 bytes, so its texts end within the copy even when the service sent none,
// and user names are cut to the 49 bytes a user record holds.
#include <cstring>

#include "../core/Lobby.h"

int32_t joinLeaveNotices = 0;
char replyTarget[256];
char joinedChannel[256];
static uint8_t eventRecord[kChatEventRecordSize + 1];

enum { kLineSize = 640, kTitleSize = 128, kDisplaySize = 256 };
enum {
    kColourNormal = 0,
    kColourAlert = 1,
    kColourWhisper = 2,
    kColourNotice = 3,
    kColourChannel = 5,
};
static const int kRecordUserName = 24;
static const int kUserNameLimit = 49;

// Bytes of the record that a handler may read from text on: up to the end of
// the record when text points into it, else the text with its terminator.
static int RoomAfter(const char* text) {
    const char* record = (const char*)eventRecord;
    if (text >= record && text < record + kChatEventRecordSize)
        return (int)(record + kChatEventRecordSize - text);
    return TextLengthWithin(text, 0x7fffffff) + 1;
}

// Joins the pieces into line, cut to its size: the lines every chat event
// writes, built without a formatted print.
static void JoinPieces(char* line, int size, const char* const* pieces, int count) {
    int length = 0;
    line[0] = 0;
    for (int i = 0; i < count && length < size - 1; ++i)
        length += TextCopy(line + length, size - length, pieces[i]);
}

// The speaker: title text directly followed by the display name.
struct Speaker {
    char title[kTitleSize];
    char display[kDisplaySize];
    char text[kTitleSize + kDisplaySize];
};
static void ResolveFullSpeaker(const char* userName, Speaker* speaker) {
    ResolveSpeaker(userName, speaker->title, sizeof speaker->title, speaker->display,
                   sizeof speaker->display);
    int length = TextCopy(speaker->text, sizeof speaker->text, speaker->title);
    TextCopy(speaker->text + length, (int)sizeof speaker->text - length, speaker->display);
}

// ---- handlers ------------------------------------------------------------------------

static int IgnoreEvent(uint32_t, uint32_t, const char*, const char*) {
    return 0;
}

static int OnUserPresent(uint32_t userFlags, uint32_t, const char* userName, const char* text) {
    AddOrUpdateUser(userName, text, RoomAfter(text), userFlags);
    return 1;
}

static int OnUserJoined(uint32_t userFlags, uint32_t, const char* userName, const char* text) {
    ChannelUser* user = AddOrUpdateUser(userName, text, RoomAfter(text), userFlags);
    if (joinLeaveNotices) {
        char line[kLineSize];
        TextFormat(line, sizeof line, "%s has joined the channel.",
                   user && user->characterName[0] ? user->characterName : userName);
        AddChatLine(line, kColourChannel);
    }
    return 1;
}

// The notice is written while the user still stands in the channel.
static int OnUserLeft(uint32_t, uint32_t, const char* userName, const char*) {
    ChannelUser* user = FindUserByKey(userName);
    if (!user) return 1;
    if (joinLeaveNotices) {
        char line[kLineSize];
        TextFormat(line, sizeof line, "%s has left the channel.",
                   user->characterName[0] ? user->characterName : user->userName);
        AddChatLine(line, kColourChannel);
    }
    RemoveUser(user);
    return 1;
}

static int OnWhisperReceived(uint32_t, uint32_t, const char* userName, const char* text) {
    Speaker speaker;
    ResolveFullSpeaker(userName, &speaker);
    const char* key = AccountKey(userName);
    TextCopy(replyTarget, sizeof replyTarget, key);

    // A user without a character shows as the asterisk-prefixed account alone;
    // a nameless sender gets the same short form with an empty speaker.
    char line[kLineSize];
    int accountOnly = speaker.text[0] == '*' && strcmp(speaker.text + 1, key) == 0;
    if (accountOnly || speaker.display[0] == 0) {
        const char* const pieces[] = {speaker.text, " whispers: ", text};
        JoinPieces(line, sizeof line, pieces, 3);
    } else {
        const char* const pieces[] = {speaker.text, " (*", key, ") whispers: ", text};
        JoinPieces(line, sizeof line, pieces, 5);
    }
    AddChatLine(line, kColourWhisper);
    return 1;
}

static int OnTalk(uint32_t, uint32_t, const char* userName, const char* text) {
    Speaker speaker;
    ResolveFullSpeaker(userName, &speaker);
    int prefixColour, messageColour;
    SpeakerColours(FindUserByName(userName), &prefixColour, &messageColour);
    // "<speaker> ", built without the cost of a formatted print on every line.
    char prefix[kLineSize] = "<";
    int length = 1 + TextCopy(prefix + 1, sizeof prefix - 1, speaker.display[0] ? speaker.text : userName);
    TextCopy(prefix + length, (int)sizeof prefix - length, "> ");
    AddSpeakerLine(prefix, text, prefixColour, messageColour);
    return 1;
}

static int OnTextNotice(uint32_t, uint32_t, const char*, const char* text) {
    AddChatLine(text, kColourNotice);
    return 1;
}

static int OnTextAlert(uint32_t, uint32_t, const char*, const char* text) {
    AddChatLine(text, kColourAlert);
    return 1;
}

// Copies a channel name into a 32-byte field of the launch record; a longer
// name is cut at a character boundary of its UTF-8 text.
static void CopyChannelName(char* field, int size, const char* name) {
    int length = TextLengthWithin(name, size - 1);
    if (name[length] != 0)
        while (length > 0 && ((unsigned char)name[length] & 0xc0) == 0x80)
            --length;
    TextCopyN(field, size, name, length);
}

static int OnChannelJoined(uint32_t, uint32_t, const char*, const char* text) {
    char line[kLineSize];
    TextFormat(line, sizeof line, "You have joined channel: %s", text);
    AddChatLine(line, kColourChannel);

    TextCopy(joinedChannel, sizeof joinedChannel, text);
    if (launch) {
        CopyChannelName(launch->channelName, sizeof launch->channelName, text);
        if (launch->homeChannelName[0] == 0)
            CopyChannelName(launch->homeChannelName, sizeof launch->homeChannelName, text);
    }
    for (int cell = 0; cell < kFigureCellCount; ++cell)
        if (figureCells[cell]) EnableControl(figureCells[cell], 1);
    if (figureStripControl) ShowControl(figureStripControl, 0);
    ClearUsers();
    return 1;
}

static int OnUserUpdate(uint32_t userFlags, uint32_t, const char* userName, const char* text) {
    UpdateUserFlags(userName, text, RoomAfter(text), userFlags);
    return 1;
}

static int OnWhisperSent(uint32_t, uint32_t, const char* userName, const char* text) {
    Speaker speaker;
    ResolveFullSpeaker(userName, &speaker);
    char line[kLineSize];
    const char* const pieces[] = {"You whisper to ", speaker.display[0] ? speaker.text : AccountKey(userName),
                                  ": ", text};
    JoinPieces(line, sizeof line, pieces, 4);
    AddChatLine(line, kColourWhisper);
    return 1;
}

// "The channel "<name>" is full." or "... is restricted.", with the pointer to help.
static void ShowChannelRefusal(const char* channel, const char* reason) {
    char line[kLineSize];
    TextFormat(
        line, sizeof line,
        "The channel \"%s\" is %s. If you are having problems using Lanthorn commands, please click the "
        "Help button.",
        channel, reason);
    AddChatLine(line, kColourAlert);
}

static int OnChannelFull(uint32_t, uint32_t, const char*, const char* text) {
    ShowChannelRefusal(text, "full");
    return 1;
}

static int OnChannelToJoin(uint32_t, uint32_t, const char*, const char* text) {
    if (chatService) JoinChannel(chatService, text, 1, 0);
    LeaveDialog();
    ReleaseRightHandButtons();
    lobbyState = kLobbyIdle;
    return 1;
}

static int OnChannelRestricted(uint32_t, uint32_t, const char*, const char* text) {
    ShowChannelRefusal(text, "restricted");
    return 1;
}

static int OnEmote(uint32_t, uint32_t, const char* userName, const char* text) {
    Speaker speaker;
    ResolveFullSpeaker(userName, &speaker);
    char line[kLineSize];
    const char* const pieces[] = {"*", speaker.display[0] ? speaker.text : userName, " ", text, "*"};
    JoinPieces(line, sizeof line, pieces, 5);
    AddChatLine(line, kColourChannel);
    return 1;
}

// ---- the table and the dispatch ----------------------------------------------------------

const ChatEventHandler ChatEventTable[kChatEventCount] = {
    IgnoreEvent,         //  0 none
    OnUserPresent,       //  1 user present in channel
    OnUserJoined,        //  2 user joined
    OnUserLeft,          //  3 user left
    OnWhisperReceived,   //  4 whisper received
    OnTalk,              //  5 talk
    OnTextNotice,        //  6 text notice
    OnChannelJoined,     //  7 channel joined
    IgnoreEvent,         //  8
    OnUserUpdate,        //  9 user update
    OnWhisperSent,       // 10 whisper sent
    IgnoreEvent,         // 11
    IgnoreEvent,         // 12
    OnChannelFull,       // 13 channel full
    OnChannelToJoin,     // 14 channel to join
    OnChannelRestricted, // 15 channel restricted
    IgnoreEvent,         // 16
    IgnoreEvent,         // 17
    OnTextNotice,        // 18 text notice
    OnTextAlert,         // 19 text alert
    IgnoreEvent,         // 20
    OnTextNotice,        // 21 text notice
    OnTextNotice,        // 22 text notice
    OnEmote,             // 23 emote
};
static_assert(sizeof ChatEventTable / sizeof ChatEventTable[0] == kChatEventCount,
              "one handler per event number");

static uint32_t ReadWord(const uint8_t* bytes) {
    return (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
}

void DispatchChatEvent(const uint8_t* record) {
    if (!record) return;
    memcpy(eventRecord, record, kChatEventRecordSize);
    eventRecord[kChatEventRecordSize] = 0;

    uint32_t number = ReadWord(eventRecord);
    if (number >= kChatEventCount || !ChatEventTable[number]) return;
    uint32_t userFlags = ReadWord(eventRecord + 4);
    uint32_t second = ReadWord(eventRecord + 8);

    // The event text starts after the user name's terminator; a name that runs
    // to the end of the record leaves an empty text (the copy's terminator).
    const char* fullName = (const char*)eventRecord + kRecordUserName;
    int nameLength = TextLengthWithin(fullName, kChatEventRecordSize - kRecordUserName);
    const char* text = fullName + nameLength + (nameLength < kChatEventRecordSize - kRecordUserName ? 1 : 0);
    char userName[kUserNameLimit + 1];
    TextCopy(userName, sizeof userName, fullName);

    ChatEventTable[number](userFlags, second, userName, text);
}
