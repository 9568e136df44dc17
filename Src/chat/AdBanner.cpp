// The advertising banner: each advertisement of the chat service is written to
// a temporary file and shown in the banner of either layout; its id is kept for
// the banner's click.
//
// Owns currentAdId and the name of the temporary file on show, both kept for
// the life of the loaded module. The last file stays on disk when the module
// ends; every new one replaces the previous file.
#include "ChannelBanner.h"

#include <cstring>

#include "../core/Lobby.h"

// ---- state ----------------------------------------------------------------------
uint32_t currentAdId;
static char previousAdFile[260];

enum {
    kPathSize = 260,
    kFileNameScan = 260,       // the record's file name is read at most this far
    kWriteAccess = 0x40000000, // generic write
    kOpenOrCreate = 4,         // the temporary file already exists, empty
    kSequentialScan = 0x08000000,
};

// The kind-3 record as the chat service fills it (little-endian, 32-bit pointers).
struct AdRecord {
    uint32_t adId;
    uint32_t unused;
    char* fileName;   // its extension gives the picture type; freed here
    char* secondText; // not read; freed here
    const void* data; // the picture file; stays with the service
    uint32_t dataSize;
};
static_assert(sizeof(AdRecord) == 24, "advertisement record layout");
static_assert(__builtin_offsetof(AdRecord, fileName) == 8, "advertisement record layout");
static_assert(__builtin_offsetof(AdRecord, data) == 16, "advertisement record layout");
static_assert(__builtin_offsetof(AdRecord, dataSize) == 20, "advertisement record layout");
static_assert(sizeof(AdRecord) <= kChatEventRecordSize, "the record fits the event buffer");

// The lower-case first character after the file name's last '.'; 0 when the
// name has no '.' (the toolkit then decides by itself what the picture is).
static int PictureTypeLetter(const char* fileName) {
    if (!fileName) return 0;
    int length = TextLengthWithin(fileName, kFileNameScan);
    const char* dot = nullptr;
    for (int i = 0; i < length; ++i)
        if (fileName[i] == '.') dot = fileName + i;
    if (!dot || dot + 1 >= fileName + length) return 0;
    int letter = (unsigned char)dot[1];
    return letter >= 'A' && letter <= 'Z' ? letter - 'A' + 'a' : letter;
}

// Writes the picture into the (already created) temporary file. A file that
// cannot be opened is left empty: the banner then shows what the toolkit makes of it.
static void WriteAdFile(const char* name, const AdRecord* ad) {
    void* file = FileCreate(name, kWriteAccess, 0, nullptr, kOpenOrCreate, kSequentialScan, nullptr);
    if (!file) return;
    uint32_t written = 0;
    if (ad->data && ad->dataSize) FileWrite(file, ad->data, ad->dataSize, &written, nullptr);
    FileClose(file);
}

// The banner is cleared first; the previous file goes once a new name is had,
// so a failure to get one leaves the banner empty and the old file on disk.
// The id changes and the texts are freed whatever happens.
void ShowAdBanner(const uint8_t* record) {
    AdRecord ad;
    memcpy(&ad, record, sizeof ad);
    AdBannerClear(lobbySlots[kSlotBanner]);
    char dir[kPathSize];
    if (OsTempPath(dir, sizeof dir) == 0) TextCopy(dir, sizeof dir, ".");
    char name[kPathSize];
    if (OsTempFileName(dir, "LanthornAd", name, sizeof name)) {
        if (previousAdFile[0]) OsDeleteFile(previousAdFile);
        WriteAdFile(name, &ad);
        AdBannerSet(lobbySlots[kSlotBanner], name, PictureTypeLetter(ad.fileName));
        TextCopy(previousAdFile, sizeof previousAdFile, name);
    }
    currentAdId = ad.adId;
    LOBBY_FREE(ad.fileName);
    LOBBY_FREE(ad.secondText);
}
