// The chat pane: the two append operations, the inline colour codes that the
// module writes and strips, the character-set conversions, and the local echo
// of the player's own talk line. The pane itself (chatPane) is a toolkit text
// list that stores and scrolls the lines; this unit only appends to it and owns
// no state of its own.
#include <cstring>

#include "../core/Lobby.h"

// Working buffers: 576 characters per converted text; a colour code is the
// marker (a short string-table text) and one digit.
enum { kPaneTextSize = 576, kColourCodeSize = 64, kPaneLineSize = 2 * kPaneTextSize + 2 * kColourCodeSize };
enum { kColourMarkerId = 3994 };
enum { kPrefixSize = 320 };

static const Unicode* ColourMarker() {
    return GetString(kColourMarkerId);
}

// Converted texts are cut below 500 characters: the strip and colour-code
// operations are only defined for texts that short.
static void CutToChatLimit(Unicode* text) {
    if (Unicode::strlen(text) > kChatTextLimit) text[kChatTextLimit].ch = 0;
}

// Appends the marker and the colour's digits at text + at; returns the new length.
static int AppendColourCode(Unicode* text, int at, int size, const Unicode* marker, int colour) {
    at += UnicodeCopy(text + at, size - at, marker);
    char digits[12];
    int n = 0;
    unsigned value = colour < 0 ? 0u - (unsigned)colour : (unsigned)colour;
    do {
        digits[n++] = (char)('0' + value % 10);
        value /= 10;
    } while (value && n < 11);
    if (colour < 0 && n < 11) digits[n++] = '-';
    while (n > 0 && at < size - 1)
        text[at++].ch = (uint16_t)digits[--n];
    text[at].ch = 0;
    return at;
}

static void StripMarkedCodes(Unicode* text, const Unicode* marker);

void StripColourCodes(Unicode* text) {
    StripMarkedCodes(text, ColourMarker());
}

static void StripMarkedCodes(Unicode* text, const Unicode* marker) {
    int markerLength = marker ? Unicode::strlen(marker) : 0;
    // An empty marker would match everywhere and remove the whole text.
    if (!text || markerLength == 0) return;
    int length = Unicode::strlen(text);
    int from = 0;
    for (;;) {
        const Unicode* hit = Unicode::strstr(text + from, marker);
        if (!hit) return;
        int at = (int)(hit - text);
        int after = at + markerLength;
        if (after >= length) return; // a marker that ends the text stays
        memmove(text + at, text + after + 1, (size_t)(length - after) * sizeof(Unicode));
        length -= markerLength + 1;
        // A removal can only form a new marker that overlaps the joint, so the
        // search from the start of the text resumes just before it.
        from = at > markerLength - 1 ? at - (markerLength - 1) : 0;
    }
}

void AddChatLine(const char* utf8Text, int colour) {
    Unicode line[kPaneTextSize];
    Unicode::utf8ToUnicode(line, utf8Text ? utf8Text : "", kPaneTextSize);
    CutToChatLimit(line);
    StripColourCodes(line);
    if (chatPane) TextListAddLine(chatPane, line, colour, 0, 1);
}

void AddSpeakerLine(const char* prefix, const char* message, int prefixColour, int messageColour) {
    Unicode prefixText[kPaneTextSize], messageText[kPaneTextSize];
    Unicode::win2Unicode(prefixText, prefix ? prefix : "", kPaneTextSize);
    Unicode::win2Unicode(messageText, message ? message : "", kPaneTextSize);
    CutToChatLimit(prefixText);
    CutToChatLimit(messageText);
    const Unicode* marker = ColourMarker();
    StripMarkedCodes(prefixText, marker);
    StripMarkedCodes(messageText, marker);

    // marker, prefix colour, prefix, marker, message colour, message; each
    // piece is copied at the known end of the line.
    Unicode line[kPaneLineSize];
    int at = AppendColourCode(line, 0, kPaneLineSize, marker, prefixColour);
    at += UnicodeCopy(line + at, kPaneLineSize - at, prefixText);
    at = AppendColourCode(line, at, kPaneLineSize, marker, messageColour);
    UnicodeCopy(line + at, kPaneLineSize - at, messageText);
    if (chatPane) TextListAddLine(chatPane, line, messageColour, 0, 1);
}

void SpeakerColours(const ChannelUser* user, int* prefixColour, int* messageColour) {
    uint32_t flags = user ? user->userFlags : 0;
    if (flags & 0x02) {
        *prefixColour = 0;
        *messageColour = 0;
    } else if (flags & (0x01 | 0x08)) {
        *prefixColour = 3;
        *messageColour = 3;
    } else {
        *prefixColour = 4;
        *messageColour = 0;
    }
}

void EchoOwnLine(const char* text) {
    char own[256];
    TextCopy(own, sizeof own, chatService ? GetOwnName(chatService) : nullptr);

    // The service shows the own name like any user name (character*account),
    // so its account key is what a record of the player carries.
    const char* ownKey = AccountKey(own);
    const ChannelUser* found = nullptr;
    for (const ChannelUser* user = channelUsers; user && !found; user = user->next)
        if (strcmp(AccountKey(user->userName), ownKey) == 0) found = user;

    char name[256];
    TextCopy(name, sizeof name, found ? found->userName : own);
    int prefixColour, messageColour;
    SpeakerColours(found, &prefixColour, &messageColour);

    char title[128], display[256], prefix[kPrefixSize];
    ResolveSpeaker(name, title, sizeof title, display, sizeof display);
    if (display[0] && title[0])
        TextFormat(prefix, sizeof prefix, "<%s%s> ", title, display);
    else if (display[0])
        TextFormat(prefix, sizeof prefix, "<%s> ", display);
    else
        TextFormat(prefix, sizeof prefix, "<%s> ", name);
    AddSpeakerLine(prefix, text, prefixColour, messageColour);
}

void KeepChatPaneAtEnd() {
    if (!chatPane) return;
    int lines = ListGetLineCount(chatPane);
    int shown = ListGetVisibleCount(chatPane);
    if (lines > shown) ListScrollTo(chatPane, lines - shown);
}
