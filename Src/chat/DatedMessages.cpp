// Dated messages of the character layout and the switch to the chat layout.
//
// The chat service pushes dated messages, and a clear request, from its own
// thread; these handlers only queue texts (ChatTextQueue.cpp) and never touch
// the toolkit. The frame loop drains the queue into the chat pane. The
// enter-chat button stops the messages and rebuilds the screen for chat.
#include "../core/Lobby.h"
#include "ChatTextQueue.h"

enum { kDateTextSize = 64, kWideDateSize = 256 };
enum { kColourDate = 0, kColourMessage = 4, kColourBlank = 0 };

// The user's long date for a local file time, as UTF-8 in buffer.
static void FormatLongDate(uint64_t localFileTime, char* buffer, int size) {
    Unicode wide[kWideDateSize];
    wide[0].ch = 0;
    OsFormatLongDate(localFileTime, wide, kWideDateSize);
    Unicode::toUtf(buffer, wide, size);
}

int OnDatedMessage(uint32_t unixTime, const char* text) {
    // A message without a time is one the service has nothing to show for.
    if (unixTime == 0) return 1;
    char date[kDateTextSize];
    FormatLongDate(OsUnixToLocalFileTime(unixTime), date, sizeof date);
    QueueChatText(date, kColourDate, 0);
    QueueChatText(text, kColourMessage, 0);
    QueueChatText("", kColourBlank, 0);
    return 1;
}

int OnClearMessages() {
    QueueChatText(nullptr, 0, 1);
    return 1;
}

// Adds the entry's text to the chat pane, one line per piece between line
// feeds; the text is the entry's own copy, so it is cut in place.
static void DrawChatText(char* text, int colour) {
    char* piece = text;
    for (;;) {
        char* feed = piece;
        while (*feed && *feed != '\n')
            ++feed;
        if (!*feed) {
            // A final line feed adds nothing more, but an empty text is one line.
            if (*piece || piece == text) TextBoxAddLine(chatPane, piece, colour);
            return;
        }
        *feed = 0;
        TextBoxAddLine(chatPane, piece, colour);
        piece = feed + 1;
    }
}

void DrainChatTextQueue() {
    if (!ChatTextWaiting()) return;
    while (ChatTextEntry* entry = TakeChatText()) {
        if (chatPane) {
            if (entry->clearFirst) TextListClear(chatPane);
            if (entry->text) DrawChatText(entry->text, entry->colour);
        }
        FreeChatText(entry);
        if (chatPane) ListScrollTo(chatPane, 0);
    }
}

int EnterChatLayout(uint32_t) {
    if (!IsConnected(chatService)) {
        ShowConnectionLost();
        return 1;
    }
    ClearMessageHandlers(chatService);
    // Whatever was queued before the handlers went away is wiped at the next drain.
    OnClearMessages();
    BuildChatControls();
    JoinChannel(chatService, "", 0, 0);
    LeaveDialog();
    ReleaseRightHandButtons();
    lobbyState = kLobbyIdle;
    return 1;
}

void BuildChatControls() {
    if (!chatNotEntered) return;
    chatNotEntered = 0;
    RemoveCharacterPanel();
    DestroyOwnFigure();
    SetBackground(screenImages[kImgLanthorn]);
    CreateLobbySlots(kSlotSend, kSlotEmote);
    CreateLobbySlots(kSlotBackTen, kSlotForwardOne);
    EnableControl(lobbySlots[kSlotChannel], 1);
    CreateChatSide();
}
