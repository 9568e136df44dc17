// The realm message panel: the latest text of each numbered realm message,
// joined in number order in the side-panel text box.
//
// Owns realmMessages, a list of nodes from Pellick's allocator in ascending
// key order with at most one node per key. Texts from the realm are untrusted:
// each is cut to 511 characters on arrival.
#include "Lobby.h"

enum { kRealmTextSize = 512 };

struct RealmMessage {
    char text[kRealmTextSize];
    int32_t key;
    RealmMessage* next;
};
static_assert(sizeof(RealmMessage) == 520, "realm message node");

static RealmMessage* realmMessages;

// The node for key, inserted in key order when there is none yet; null when
// no memory is left.
static RealmMessage* FindOrAddMessage(int key) {
    RealmMessage** link = &realmMessages;
    while (*link && (*link)->key < key)
        link = &(*link)->next;
    if (*link && (*link)->key == key) return *link;
    RealmMessage* node = (RealmMessage*)LOBBY_ALLOC(sizeof(RealmMessage));
    if (!node) return nullptr;
    node->text[0] = 0;
    node->key = key;
    node->next = *link;
    *link = node;
    return node;
}

void OnRealmMessage(int key, const char* text) {
    RealmMessage* node = FindOrAddMessage(key);
    if (!node) return;
    TextCopy(node->text, kRealmTextSize, text);
    node->text[kRealmTextSize - 1] = 0;
    ShowRealmMessages();
}

void ShowRealmMessages() {
    if (!sidePanelTextBox) return;
    char joined[kRealmTextSize];
    joined[0] = 0;
    int length = 0;
    for (RealmMessage* node = realmMessages; node && length < kRealmTextSize - 1; node = node->next)
        length = TextAppend(joined, sizeof joined, node->text);
    // The blank background fills the panel only while there is nothing to read.
    if (sidePanelBackground) ShowControl(sidePanelBackground, joined[0] == 0);
    Unicode wide[kRealmTextSize];
    Unicode::utf8ToUnicode(wide, joined, kRealmTextSize);
    // The panel shows the joined text alone, not every earlier version of it.
    TextListClear(sidePanelTextBox);
    TextListAddLine(sidePanelTextBox, wide, 1, 0, 0);
}

void FreeRealmMessages() {
    while (RealmMessage* node = realmMessages) {
        realmMessages = node->next;
        LOBBY_FREE(node);
    }
}
