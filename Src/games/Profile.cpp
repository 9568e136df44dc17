// The player profile panel in the right-hand panel: the three profile values
// of an account (sex, location, description) fetched from the chat service
// behind a wait message, shown for another player (view mode) or offered in
// three edit fields for the player's own account and stored with OK (edit
// mode), and the ladder button that looks the character up on the ladder.
//
// Owns profileMode, the fetch flags, the three value buffers, the lookup name
// with its two flags, the panel's control handles and its row of the lobby's
// dialog table.
#include <cstring>

#include "../core/Dialogs.h"
#include "../core/Lobby.h"
#include "../ladder/Ladder.h"
#include "Profile.h"

// ---- state ----------------------------------------------------------------------
enum {
    kValueCount = 3,
    kSexSize = QV_PROFILE_SEX_SIZE,
    kLocationSize = QV_PROFILE_LOCATION_SIZE,
    kDescriptionSize = QV_PROFILE_DESCRIPTION_SIZE
};
enum { kAccountSize = sizeof(LaunchRecord::accountName) + 1, kLabelCount = 4 };

int32_t profileMode;
static int32_t profileCancelled;
static int32_t profileArrived;
static int32_t profileFetching;

static char profileSex[kSexSize];
static char profileLocation[kLocationSize];
static char profileDescription[kDescriptionSize];
static char* profileBuffers[kValueCount];

char ladderLookupName[kLadderNameSize];
int32_t ladderFlagA, ladderFlagB;

static QvControl profileBackground, profileAccount, profileSexBox, profileLocationBox, profileDescriptionBox;
static QvControl profileCancel, profileOk, profileLadder, profileTitle;
static QvControl profileLabels[kLabelCount];

static const char* const kProfileKeys[kValueCount] = {QV_PROFILE_KEY_SEX, QV_PROFILE_KEY_LOCATION,
                                                      QV_PROFILE_KEY_DESCRIPTION};
static const uint32_t kProfileLimits[kValueCount] = {kSexSize, kLocationSize, kDescriptionSize};

enum { kStrPleaseWait = 5243, kStrOk = 5102, kStrCancel = 5103, kStrLadder = 5315 };
enum { kPollCount = 3, kPollFlag = 1, kRequestValue = 0 };

// ---- descriptors --------------------------------------------------------------------
static int ProfileOkButton(uint32_t arg);
static int ProfileCancelButton(uint32_t arg);
static int ProfileLadderButton(uint32_t arg);

#define IMG(i) (&screenImages[(i)])
// The two loads of the profile background: the view draws the second, the edit panel the first.
enum { kImgProfileFirst = kImgProfileView, kImgProfileSecond = kImgProfileEdit };

// clang-format off
//                                                      K   x    y    w    h  St  Text         Image                          onClick              Extra         Font     Fl
static const ControlDescriptor kViewBackgroundDesc  = { 2, 415, 447, 373, 373, 0, 0,          IMG(kImgProfileSecond),        nullptr,             {.frame = 0}, nullptr, 0 };
static const ControlDescriptor kAccountDesc         = { 4, 432, 147, 155,  12, 0, 0,          nullptr,                       nullptr,             {.frame = 0}, &kFont4, 0 };
static const ControlDescriptor kViewSexDesc         = { 4, 707, 147,  55,  12, 0, 0,          nullptr,                       nullptr,             {.frame = 0}, &kFont4, 0x22 };
static const ControlDescriptor kViewLocationDesc    = { 4, 432, 199, 259,  12, 0, 0,          nullptr,                       nullptr,             {.frame = 0}, &kFont4, 0x20 };
static const ControlDescriptor kViewDescriptionDesc = { 4, 432, 387, 327, 150, 0, 0,          nullptr,                       nullptr,             {.frame = 0}, &kFont4, 0 };
static const ControlDescriptor kEditBackgroundDesc  = { 2, 415, 447, 373, 373, 0, 0,          IMG(kImgProfileFirst),         nullptr,             {.frame = 0}, nullptr, 0 };
static const ControlDescriptor kEditSexDesc         = { 1, 707, 155,  55,  20, 0, 0,          nullptr,                       nullptr,             {.frame = 0}, &kFont4, 0 };
static const ControlDescriptor kEditLocationDesc    = { 1, 432, 207, 259,  20, 0, 0,          nullptr,                       nullptr,             {.frame = 0}, &kFont4, 0 };
static const ControlDescriptor kEditDescriptionDesc = { 1, 432, 387, 327, 150, 0, 0,          nullptr,                       nullptr,             {.frame = 0}, &kFont4, 8 };
static const ControlDescriptor kCancelDesc          = { 6, 433, 433,  96,  32, 0, kStrCancel, IMG(kImgCancelButtonBlank),    ProfileCancelButton, {.frame = 0}, nullptr, 0 };
static const ControlDescriptor kOkDesc              = { 6, 671, 433,  96,  32, 0, kStrOk,     IMG(kImgCancelButtonBlank),    ProfileOkButton,     {.frame = 0}, nullptr, 0 };
static const ControlDescriptor kLadderDesc          = { 6, 552, 433,  96,  32, 0, kStrLadder, IMG(kImgCancelButtonBlank),    ProfileLadderButton, {.frame = 0}, nullptr, 0 };
static const ControlDescriptor kLabelDescs[kLabelCount] = {
    { 4, 425, 129, 217, 12, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont1, 0 },
    { 4, 700, 129, 217, 12, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont1, 0 },
    { 4, 425, 180, 217, 12, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont1, 0 },
    { 4, 425, 230, 217, 12, 0, 0, nullptr, nullptr, {.frame = 0}, &kFont1, 0 },
};
static const ControlDescriptor kTitleDesc           = { 4, 400, 112, 400,  22, 0, 0,          nullptr,                       nullptr,             {.frame = 0}, &kFont2, 2 };
// clang-format on
#undef IMG
static const int32_t kLabelTexts[kLabelCount] = {5267, 5268, 5270, 5271};
enum { kStrTitle = 5266 };

// ---- fetching ---------------------------------------------------------------------------
static int CancelProfileWait(uint32_t) {
    profileCancelled = 1;
    return 1;
}

static int PollProfileFrame(uint32_t) {
    if (PollProfile(chatService, kPollCount, kPollFlag, profileBuffers, kProfileLimits)) profileArrived = 1;
    if (profileArrived || profileCancelled) EndScreenLoop();
    return 1;
}

// Reads the account's three values behind a wait message and clears the
// screen for the panel. 0 when no panel is to be shown: the player cancelled,
// or the wait ended otherwise (the quit button, say), in which case the
// lobby's own loop is ended too so that the visit ends as asked.
static int FetchProfile(const char* accountName) {
    ReleaseRightHandButtons();
    profileBuffers[0] = profileSex;
    profileBuffers[1] = profileLocation;
    profileBuffers[2] = profileDescription;
    for (char* value : profileBuffers)
        value[0] = 0;
    RequestProfile(chatService, accountName, kPollCount, kPollFlag, kProfileKeys, kRequestValue);
    profileCancelled = 0;
    profileArrived = 0;
    ShowWaitMessage(GetString(kStrPleaseWait), CancelProfileWait);
    profileFetching = 1;
    RunScreenLoop(PollProfileFrame);
    profileFetching = 0;
    CloseTransients();
    if (profileCancelled || !profileArrived) {
        if (resultCode != kResultNone) EndScreenLoop();
        return 0;
    }
    // Whatever the service wrote, each value ends inside its buffer.
    for (int i = 0; i < kValueCount; ++i)
        profileBuffers[i][kProfileLimits[i] - 1] = 0;
    LeaveDialog();
    return 1;
}

// ---- building ------------------------------------------------------------------------------
// One row per piece of the description; runs of CR and LF separate pieces.
static void AddDescriptionRows(QvControl box, const char* text) {
    char piece[kDescriptionSize];
    int i = 0;
    while (text[i]) {
        while (text[i] == '\r' || text[i] == '\n')
            ++i;
        int start = i;
        while (text[i] && text[i] != '\r' && text[i] != '\n')
            ++i;
        if (i == start) continue;
        TextCopyN(piece, sizeof piece, text + start, i - start);
        ListAddRow(box, piece);
    }
}

static QvControl CreateTextRow(const ControlDescriptor* desc, const char* text) {
    QvControl control = CreateControl(desc);
    ListAddRow(control, text);
    return control;
}

// Fields take one character less than their value's size, so what is typed
// fits the value with its terminator and is stored whole.
static QvControl CreateField(const ControlDescriptor* desc, const char* value, int size) {
    QvControl field = CreateControl(desc);
    EditSetText(field, value);
    EditSetMaxLength(field, size - 1);
    return field;
}

static void CreateLadderButton() {
    if (!ladderDisabled) profileLadder = CreateControl(&kLadderDesc);
}

static void CreateLabelsAndTitle() {
    for (int i = 0; i < kLabelCount; ++i) {
        profileLabels[i] = CreateControl(&kLabelDescs[i]);
        SetControlText(profileLabels[i], GetString(kLabelTexts[i]));
    }
    profileTitle = CreateControl(&kTitleDesc);
    SetControlText(profileTitle, GetString(kStrTitle));
}

static void StoreLookup(const char* characterName, int flagA, int flagB) {
    TextCopy(ladderLookupName, sizeof ladderLookupName, characterName);
    ladderFlagA = flagA != 0;
    ladderFlagB = flagB != 0;
}

static void OwnAccountName(char* dst, int size) {
    TextCopyN(dst, size, launch->accountName, sizeof launch->accountName);
}

// ---- the two panels ---------------------------------------------------------------------------
void ShowProfile(const char* userName, const char* characterName, int flagA, int flagB) {
    // A right click while a profile is being read waits its turn: the buffers
    // belong to the fetch under way.
    if (profileFetching) return;
    char account[kAccountSize], character[kLadderNameSize];
    TextCopy(account, sizeof account, AccountKey(userName));
    TextCopy(character, sizeof character, characterName);
    if (!FetchProfile(account)) return;
    profileMode = kProfileView;
    profileBackground = CreateControl(&kViewBackgroundDesc);
    profileAccount = CreateTextRow(&kAccountDesc, account);
    profileSexBox = CreateTextRow(&kViewSexDesc, profileSex);
    profileLocationBox = CreateTextRow(&kViewLocationDesc, profileLocation);
    profileDescriptionBox = CreateControl(&kViewDescriptionDesc);
    AddDescriptionRows(profileDescriptionBox, profileDescription);
    profileOk = CreateControl(&kOkDesc);
    SetCancelControl(profileOk);
    CreateLadderButton();
    CreateLabelsAndTitle();
    if (inputLine) SetFocus(inputLine);
    StoreLookup(character, flagA, flagB);
}

void EditOwnProfile(const char* characterName, int flagA, int flagB) {
    if (profileFetching) return;
    char account[kAccountSize], character[kLadderNameSize];
    OwnAccountName(account, sizeof account);
    TextCopy(character, sizeof character, characterName);
    if (!FetchProfile(account)) return;
    profileMode = kProfileEdit;
    profileBackground = CreateControl(&kEditBackgroundDesc);
    profileAccount = CreateTextRow(&kAccountDesc, account);
    profileSexBox = CreateField(&kEditSexDesc, profileSex, kSexSize);
    profileLocationBox = CreateField(&kEditLocationDesc, profileLocation, kLocationSize);
    profileDescriptionBox = CreateField(&kEditDescriptionDesc, profileDescription, kDescriptionSize);
    profileCancel = CreateControl(&kCancelDesc);
    SetCancelControl(profileCancel);
    profileOk = CreateControl(&kOkDesc);
    CreateLadderButton();
    CreateLabelsAndTitle();
    EditSetTabNext(profileSexBox, profileLocationBox);
    EditSetTabNext(profileLocationBox, profileDescriptionBox);
    EditSetTabNext(profileDescriptionBox, profileSexBox);
    if (!profileSex[0] && !profileLocation[0] && !profileDescription[0]) {
        SetFocus(profileSexBox);
    } else {
        SetFocus(profileDescriptionBox);
        EditSelectAll(profileDescriptionBox);
    }
    StoreLookup(character, flagA, flagB);
}

void CloseProfile() {
    if (profileMode != kProfileNone) {
        DestroyControl(&profileBackground);
        DestroyControl(&profileAccount);
        DestroyControl(&profileSexBox);
        DestroyControl(&profileLocationBox);
        DestroyControl(&profileDescriptionBox);
        DestroyControl(&profileCancel);
        for (QvControl& label : profileLabels)
            DestroyControl(&label);
        DestroyControl(&profileOk);
        DestroyControl(&profileLadder);
        DestroyControl(&profileTitle);
        profileMode = kProfileNone;
    }
    SetCancelControl(lobbySlots[kSlotQuit]);
    if (inputLine) SetFocus(inputLine);
}

const DialogRow kProfileDialog = {"profile", CloseProfile, nullptr, nullptr, kDialogOwnControls};

// ---- buttons -------------------------------------------------------------------------------------
static void FieldValue(QvControl field, char* dst, int size) {
    const Unicode* text = EditGetText(field);
    if (text)
        Unicode::unicode2Win(dst, text, size);
    else
        dst[0] = 0;
}

// Edit mode stores the three fields; a refused write keeps the panel and
// what was typed.
static int ProfileOkButton(uint32_t) {
    if (profileMode != kProfileEdit) {
        CloseProfile();
        return 1;
    }
    char sex[kSexSize], location[kLocationSize], description[kDescriptionSize], account[kAccountSize];
    FieldValue(profileSexBox, sex, sizeof sex);
    FieldValue(profileLocationBox, location, sizeof location);
    FieldValue(profileDescriptionBox, description, sizeof description);
    const char* values[kValueCount] = {sex, location, description};
    OwnAccountName(account, sizeof account);
    if (WriteProfile(chatService, account, kValueCount, kProfileKeys, values)) CloseProfile();
    return 1;
}

static int ProfileCancelButton(uint32_t) {
    CloseProfile();
    return 1;
}

static int ProfileLadderButton(uint32_t) {
    CloseProfile();
    OpenLadderView(LadderBaseFor(ladderFlagA, ladderFlagB));
    LookUpLadderPosition(ladderLookupName, ladderFlagA, ladderFlagB);
    return 1;
}
