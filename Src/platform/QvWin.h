// QvWin: the host's UI toolkit as the lobby uses it.
//
// The module holds only opaque handles (controls, images, figures). Controls are
// made from 48-byte descriptors and destroyed through the address of the handle
// variable, which nulls it. Control callbacks take one 32-bit argument and
// return 1; edit-box key callbacks return 0 to consume a key and 1 to pass it on.
#pragma once

#include <cstdint>

#include "QvLang.h"

typedef struct QvControlRec* QvControl;
typedef struct QvImageRec* QvImage;
typedef struct QvFigureRec* QvFigure;

typedef int (*ControlCallback)(uint32_t arg);
// Enter in an edit box: the box's text (null or empty when nothing was typed).
typedef int (*EditEnterCallback)(const Unicode* text);
// A key in an edit box: the box, the caret position, the key character.
typedef int (*EditKeyCallback)(QvControl box, int caret, Unicode* key);
// The frame callback of a screen loop.
typedef int (*FrameCallback)(uint32_t arg);

// Placement of a list's scroll bar: x, y (bottom edge), height.
struct ScrollPlacement {
    int32_t x, y, height;
};
// Font pair: font number, then 0.
struct FontPair {
    int32_t font, reserved;
};
// Two-image logo animation.
struct LogoRecord {
    QvImage* first;
    QvImage* second;
    int32_t frames, speed;
};

// The descriptor's per-kind field at offset 36.
union DescriptorExtra {
    int32_t frame;                 // button: first frame in its image
    EditEnterCallback enter;       // edit box: the enter callback
    const ScrollPlacement* scroll; // list with scroll bar
    const LogoRecord* logo;        // logo animation
    const void* data;              // data-driven text
};

// Every control is created from one of these (offsets are binding).
struct ControlDescriptor {
    int32_t kind; // 1 edit, 2 image, 3 logo, 4 text list, 6 button, 7 data text, 8 timer, 9 area, 12 strip
    int32_t x, y; // left edge, bottom edge
    int32_t width, height;
    int32_t style;  // 0, 10 or 13
    int32_t textId; // label string id, 0 for none
    QvImage* image; // address of the image handle variable, or null
    ControlCallback onClick;
    DescriptorExtra extra;
    const FontPair* font;
    int32_t flags;
};
static_assert(sizeof(void*) == 4, "the lobby is a 32-bit module");
static_assert(sizeof(ControlDescriptor) == 48, "descriptor is twelve 32-bit fields");
static_assert(__builtin_offsetof(ControlDescriptor, image) == 28, "descriptor layout");
static_assert(__builtin_offsetof(ControlDescriptor, onClick) == 32, "descriptor layout");
static_assert(__builtin_offsetof(ControlDescriptor, extra) == 36, "descriptor layout");
static_assert(__builtin_offsetof(ControlDescriptor, font) == 40, "descriptor layout");
static_assert(__builtin_offsetof(ControlDescriptor, flags) == 44, "descriptor layout");

// Control kinds.
enum {
    kEditBox = 1,
    kImageControl = 2,
    kLogo = 3,
    kTextList = 4,
    kButton = 6,
    kDataText = 7,
    kTimer = 8,
    kClickArea = 9,
    kFigureStrip = 12,
};

// Mouse messages seen by click callbacks that receive a message record.
enum { kMsgLeftDown = 0x201, kMsgLeftUp = 0x202, kMsgRightUp = 0x205 };
// The record handed to hot-spot callbacks: the hot spot, then the message.
struct ClickRecord {
    QvControl control;
    uint32_t message;
};

struct ScreenRect {
    int32_t left, top, right, bottom;
};

// --- front end -------------------------------------------------------------
void FrontEndBegin();
void FrontEndSetMode(int mode);
void FrontEndEnd();
void* GetStringTableHandle(int fullContent);
void ReleaseFrontEndResources();

// --- controls --------------------------------------------------------------
QvControl CreateControl(const ControlDescriptor* desc);
void DestroyControl(QvControl* handle);
QvControl CreateHotSpot(int x, int y, int width, int height, int a, ControlCallback onClick, int b, int c,
                        int d, int e, int f);
void ShowControl(QvControl c, int shown);
void EnableControl(QvControl c, int enabled);
void SetButtonPressed(QvControl c, int pressed);
void SetButtonFrame(QvControl c, int frame);
void SetControlOnTop(QvControl c, int onTop);
void SetPopupBackgroundFlag(QvControl c, int flag);
void SetCancelControl(QvControl c);
void SetFocus(QvControl edit);
int IsControlEnabled(QvControl c);
int GetCheckState(QvControl c);
void SetRadioImage(QvControl button, QvImage image);

// --- text ------------------------------------------------------------------
void SetControlText(QvControl c, const Unicode* text);
void TextBoxAddLine(QvControl box, const char* text, int colourFlag);
void TextListAddLine(QvControl list, const Unicode* text, int colour, int a, int b);
void TextListClear(QvControl list);
void ListScrollTo(QvControl list, int position);

// --- edit boxes ------------------------------------------------------------
const Unicode* EditGetText(QvControl edit); // null when empty
void EditSetText(QvControl edit, const char* text);
void EditSetTextUnicode(QvControl edit, const Unicode* text); // null empties
void EditSelectAll(QvControl edit);
void EditSetMaxLength(QvControl edit, int characters);
void EditSetKeyCallback(QvControl edit, EditKeyCallback cb);
void EditSetChangeCallback(QvControl edit, ControlCallback cb);
void EditSetTabNext(QvControl edit, QvControl next);

// --- lists -----------------------------------------------------------------
void ListAddRow(QvControl list, const char* text);
void ListAddRowWithData(QvControl list, const char* text, int data, int colour, int flags);
int ListGetSelection(QvControl list);           // -1: none
void ListSetSelection(QvControl list, int row); // -1 clears
const Unicode* ListGetClicked(QvControl list);
const Unicode* ListGetRowText(QvControl list, int row, int column);
int ListGetTop(QvControl list);
int ListGetVisibleCount(QvControl list);
int ListGetLineCount(QvControl list);
int ListGetSelectedRow(QvControl list);
void ListSetRowCount(QvControl list, int rows);
void ListSetColumns(QvControl list, int columns);
void ListSetColumnX(QvControl list, int column, int x);
void ListSetColumnWidth(QvControl list, int column, int width);
void ListSetRowOffset(QvControl list, int dx, int dy);
void ListSetCellX(QvControl list, int row, int x);
void ListSetCellY(QvControl list, int row, int y);
void ListSetCellText(QvControl list, const char* text, int row, int column);
void ListSetCellText2(QvControl list, const Unicode* text, int row, int column);
// A row's own state: ListResetRow drops its cell texts and colour, ListSetRowColour sets the colour.
void ListResetRow(QvControl list, int row);
void ListSetRowColour(QvControl list, int row, int colour);
void TimerStart(QvControl timer, int period);
void TimerEnable(QvControl timer, int enabled);

// --- images and cursor -----------------------------------------------------
QvImage LoadImage(const char* path, int flags);
void FreeImage(QvImage image);
void SetBackground(QvImage image);
void SetCursor(QvImage image);
void SetAuraImages(QvImage squelch, QvImage select);

// --- figures ---------------------------------------------------------------
QvFigure CreateFigure(int kind, int mode, const uint8_t* lookA, const uint8_t* lookB);
void DestroyFigure(QvFigure figure, int flag);
void SetFigureX(QvFigure figure, int x);
void SetFigureParam(QvFigure figure, int value);
void SetFigureParam2(QvFigure figure, int value);
void SetFigureFrame(QvFigure figure, int frame);
int GetFigureFrameCount(QvFigure figure);
uint32_t GetFigureFlags(QvFigure figure);
void SetFigureFlags(QvFigure figure, uint32_t state);
void DrawFigureLabel(QvFigure figure, const Unicode* label1, const Unicode* label2, const Unicode* label3,
                     const Unicode* label4, int level, uint32_t tag);
const char* GetFigureTitle(int characterClass, int titleIndex, int flag);
void SetFigureLook(QvFigure figure, int kind, int mode, const uint8_t* lookA, const uint8_t* lookB);
const char* GetCharacterTitle(int characterClass, int progress, int flag04, int flag20);

// --- banner ----------------------------------------------------------------
void AdBannerSet(QvControl banner, const char* path, int typeLetter);
void AdBannerClear(QvControl banner);

// --- screen loop -----------------------------------------------------------
void RunScreenLoop(FrameCallback frame);
void EndScreenLoop();
int MouseInRect(const ScreenRect* rect);
