// The stand-in toolkit: QvWin's controls, texts, edit boxes, lists, timers,
// images, cursor, figures, banner and front end, kept as a model of the screen
// that tests inspect (StandIn.h section 2).
//
// Handles are opaque tokens, never addresses: each control, image and figure
// gets a fresh value that is not reused, so a handle kept after its object was
// destroyed is simply unknown. Every operation ignores null and unknown handles.
//
// Choices where the real toolkit's behaviour is not visible to the module:
// - SetControlText sets the label; on a text box (kind 4) it also appends the
//   text as a new paragraph (the help screen fills its box that way).
// - Programmatic edit-box changes (EditSetText, EditSetTextUnicode) move the
//   caret to the end, ignore the length limit and do not call the change
//   callback; only typing does (Script.cpp).
// - ListAddRowWithData (list, text, count, colour, flags) adds count rows (at
//   least one) showing text: the ladder fills its list with one call.
// - ListSetRowCount also sets how many rows the list shows at once; a text box
//   shows height / 15 lines until then (the chat pane, 298 high, shows 19).
// - A text box's lines and rows form one sequence (by `order`); the scroll
//   position and ListGetLineCount count both. A line added to a box whose view
//   reaches its last entry keeps the view at the end (the chat pane follows its
//   newest line); a box scrolled back stays where it is. Rows do not move it.
// - ListSetColumnX and ListSetColumnWidth are kept per column for drawing.
// - ListGetRowText reads a cell; column 0 is the row's own text until a cell
//   text replaces it. ListGetSelectedRow is the row last added or selected.
// - A timer ticks once per frame at most, when started, enabled and its period
//   has passed (RunDueTimers, called by the screen loop).
// - Titles: see FigureTitleText.
//
// State: the live controls, images and figures, the focus, cancel control,
// background, cursor, pointer, aura images, figure failure injection and the
// toolkit call log.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>

#include "Internal.h"
#include "Saved.h"
#include "StandIn.h"
#include "Toolkit.h"

namespace {

using standin::Call;
using standin::Control;
using standin::Figure;
using standin::toolkit::Record;

// Handle values: a distinct range per kind of object, 8 apart, never reused.
constexpr uintptr_t kControlBase = 0x40000000u, kImageBase = 0x50000000u, kFigureBase = 0x60000000u;
uintptr_t nextControlValue = kControlBase, nextImageValue = kImageBase, nextFigureValue = kFigureBase;
int nextSerial = 1;

std::map<uintptr_t, std::unique_ptr<Record>> controls; // by handle value = creation order
// The control looked up last: the module fills a list with a run of calls on it.
uintptr_t lastValue = 0;
Record* lastRecord = nullptr;
// The records of destroyed controls, still in their map nodes, for the next
// controls made: a dialog opened and closed again allocates no record.
std::vector<decltype(controls)::node_type> spareRecords;
constexpr size_t kSpareRecords = 256;
// Records handed out since the last put-back from a copy, by handle value.
std::vector<uintptr_t> touchedValues;
// The timers' handle values in creation order; rebuilt after controls come or go.
std::vector<uintptr_t> timerValues;
bool timersKnown = false;
QvControl focus = nullptr, cancelControl = nullptr;

std::map<uintptr_t, std::string> imagePaths; // every image loaded since the last reset
std::set<uintptr_t> liveImages;
std::vector<std::string> imageLoads;
QvImage background = nullptr, cursor = nullptr, squelchAura = nullptr, selectAura = nullptr;
int pointerX = 0, pointerY = 0;

// Hashed: a channel of thousands of users looks its figures up on every change.
std::unordered_map<uintptr_t, std::unique_ptr<Figure>> figures;
int figureFailures = 0;
int figureFrameCount = 8;

std::vector<Call> toolkitCalls;
int stringTableToken = 0;
int lineOrder = 0; // last order given to a text line or list row

// Longest 16-bit text taken from the module (guards against a missing terminator).
constexpr size_t kMaxText = 65536;
// Most rows one list call may add or address.
constexpr int kMaxRows = 100000;

uintptr_t Value(const void* handle) {
    return reinterpret_cast<uintptr_t>(handle);
}

// A record for a new control, empty, in the map under value.
Record& MakeRecord(uintptr_t value) {
    timersKnown = false;
    if (spareRecords.empty()) return *(controls[value] = std::make_unique<Record>());
    auto node = std::move(spareRecords.back());
    spareRecords.pop_back();
    node.key() = value;
    *node.mapped() = Record();
    return *controls.insert(std::move(node)).position->second;
}

void DropRecord(decltype(controls)::iterator it) {
    timersKnown = false;
    if (spareRecords.size() < kSpareRecords)
        spareRecords.push_back(controls.extract(it));
    else
        controls.erase(it);
}

Record* Touch(uintptr_t value, Record* r) {
    if (r && !r->touched) {
        r->touched = true;
        touchedValues.push_back(value);
    }
    return r;
}

Control* ModelOf(QvControl handle) {
    Record* r = standin::toolkit::RecordOf(handle);
    return r ? &r->model : nullptr;
}

// Short texts (list rows, cells) are converted on the stack.
constexpr size_t kShortText = 64;

// 8-bit text into dst, whose room is reused. Plain ASCII is the same in
// 16 bits; other texts go through the code page.
void AssignWide(std::u16string& dst, const char* text) {
    size_t n = text ? strnlen(text, kMaxText) : 0;
    if (n < kShortText) {
        char16_t units[kShortText];
        size_t i = 0;
        for (; i < n && (unsigned char)text[i] < 0x80; ++i)
            units[i] = (char16_t)text[i];
        if (i == n) {
            dst.clear();
            dst.append(units, n);
            return;
        }
    }
    Unicode shortText[kShortText];
    std::vector<Unicode> longText;
    Unicode* wide = shortText;
    if (n >= kShortText) {
        longText.resize(n + 1);
        wide = longText.data();
    }
    Unicode::win2Unicode(wide, text ? text : "", (int)(n + 1));
    standin::toolkit::AssignUnicode(dst, wide);
}

std::u16string Widen1252(const char* text) {
    std::u16string s;
    if (text) AssignWide(s, text);
    return s;
}

std::string Decimal(long long v) {
    return std::to_string(v);
}

// Row `row` of a list, adding empty rows up to it; null for a row out of range.
standin::ListRow* RowAt(Control* list, int row) {
    if (row < 0 || row >= kMaxRows) return nullptr;
    if ((size_t)row >= list->rows.size()) list->rows.resize((size_t)row + 1);
    return &list->rows[(size_t)row];
}

// ---- cell storage ----
// A list's cell texts lie in its one arena, cellText, its rows' cells in runs
// of spans, cellSpans, both growing by doubling and keeping their room when the
// list is cleared: neither a first fill nor a refill allocates per row. A text
// replaced by a longer one, or a reset row's texts, leave dead room behind;
// once that is most of a large arena, the live texts are packed again. A
// destroyed list leaves its room to the next list filled, so that a dialog's
// list made anew fills without growing either.
constexpr size_t kMaxColumns = 256, kPackFrom = 4096, kMaxSpareRows = 16384;
std::u16string scratch; // a cell text being converted
struct SpareRoom {
    std::vector<standin::ListRow> rows;
    std::u16string cellText;
    std::vector<standin::CellSpan> cellSpans;
} spare;

// Keeps the room of a list being destroyed when it is more than the spare one.
void KeepRoom(Control& list) {
    if (list.rows.capacity() <= spare.rows.capacity() || list.rows.capacity() > kMaxSpareRows) return;
    standin::toolkit::ClearRows(list);
    spare.rows.swap(list.rows);
    spare.cellText.swap(list.cellText);
    spare.cellSpans.swap(list.cellSpans);
}

// A list about to get its first row takes the spare room.
void TakeRoom(Control& list) {
    if (list.rows.capacity() > 0 || spare.rows.capacity() == 0) return;
    list.rows.swap(spare.rows);
    if (list.cellText.capacity() < spare.cellText.capacity()) list.cellText.swap(spare.cellText);
    if (list.cellSpans.capacity() < spare.cellSpans.capacity()) list.cellSpans.swap(spare.cellSpans);
    spare = SpareRoom{};
}

// Packs every row's cells and their texts anew, in row order.
void PackCells(Control* list) {
    std::u16string text;
    std::vector<standin::CellSpan> spans;
    text.reserve(list->cellText.size() - list->deadCellText);
    for (standin::ListRow& row : list->rows) {
        if (row.cellRoom == 0) continue;
        uint32_t first = (uint32_t)spans.size();
        for (size_t c = 0; c < row.cellRoom; ++c) {
            standin::CellSpan span = list->cellSpans[row.firstCell + c];
            if (span.length != standin::kNoCellText) {
                text.append(list->cellText, span.offset, span.length);
                span.offset = (uint32_t)(text.size() - span.length);
            }
            spans.push_back(span);
        }
        row.firstCell = first;
    }
    list->cellText.swap(text);
    list->cellSpans.swap(spans);
    list->deadCellText = 0;
}

// The span of the cell at column, the row given room for every column of the
// list (and more when it needs them); the cells between stay without text.
standin::CellSpan* CellAt(Control* list, int row, int column) {
    if (column < 0 || column >= (int)kMaxColumns) return nullptr;
    standin::ListRow* r = RowAt(list, row);
    if (!r) return nullptr;
    if (column >= r->cellRoom) {
        size_t room = std::min(kMaxColumns, (size_t)std::max(column + 1, list->columns));
        uint32_t first = (uint32_t)list->cellSpans.size();
        list->cellSpans.resize(first + room);
        std::copy_n(list->cellSpans.begin() + r->firstCell, r->cellCount, list->cellSpans.begin() + first);
        r->firstCell = first;
        r->cellRoom = (uint16_t)room;
    }
    if (column >= r->cellCount) r->cellCount = (uint16_t)(column + 1);
    return &list->cellSpans[r->firstCell + (size_t)column];
}

// The cell's text becomes the n units that write(dst) puts at dst: in its own
// place when it fits, else at the end of the arena.
template <typename Write> void SetCell(Control* list, int row, int column, size_t n, Write write) {
    if (list->deadCellText > kPackFrom && list->deadCellText * 2 > list->cellText.size()) PackCells(list);
    standin::CellSpan* span = CellAt(list, row, column);
    if (!span) return;
    if (span->length != standin::kNoCellText && n <= span->length) {
        list->deadCellText += span->length - n;
    } else {
        if (span->length != standin::kNoCellText) list->deadCellText += span->length;
        span->offset = (uint32_t)list->cellText.size();
        list->cellText.resize(list->cellText.size() + n);
    }
    span->length = (uint32_t)n;
    write(&list->cellText[span->offset]);
}

// Called after a line was added: a view that showed the box's last entry
// before follows to the new end.
void FollowNewLine(Control* m) {
    int count = (int)(m->lines.size() + m->rows.size()), shown = std::max(1, m->visibleCount);
    if (m->scrollTop + shown >= count - 1) m->scrollTop = std::max(0, count - shown);
}

void AddLine(Control* m, standin::TextLine line) {
    line.order = ++lineOrder;
    m->lines.push_back(std::move(line));
    FollowNewLine(m);
}

// Column settings, with unset columns before `column` filled with -1.
void SetColumnValue(std::vector<int>& values, int column, int value) {
    if (column < 0 || column >= 256) return;
    if ((size_t)column >= values.size()) values.resize((size_t)column + 1, -1);
    values[(size_t)column] = value;
}

// Titles by title index: 1 to 3 the three tiers, 4 to 6 the same tiers of a
// character with status 0x04. The class and the flag do not change the text.
const char* const kTitles[] = {"",          "Slayer ", "Champion ", "Patriarch ",
                               "Guardian ", "Warden ", "Sovereign "};

const char* FigureTitleText(int titleIndex) {
    if (titleIndex < 1 || titleIndex > 6) return "";
    return kTitles[titleIndex];
}

Figure* FigureOf(QvFigure handle) {
    auto it = figures.find(Value(handle));
    return (handle && it != figures.end()) ? it->second.get() : nullptr;
}

void CopyLook(uint8_t (&dst)[16], const uint8_t* src) {
    if (src)
        memcpy(dst, src, sizeof dst);
    else
        memset(dst, 0, sizeof dst);
}

QvControl AddControl(const ControlDescriptor& desc, bool hotSpot) {
    nextControlValue += 8;
    QvControl handle = reinterpret_cast<QvControl>(nextControlValue);
    Control& c = MakeRecord(nextControlValue).model;
    c.handle = handle;
    c.serial = nextSerial++;
    c.desc = desc;
    c.hotSpot = hotSpot;
    c.image = desc.image ? *desc.image : nullptr;
    if (desc.textId != 0) c.label = standin::toolkit::FromUnicode(GetString(desc.textId));
    if (desc.kind == kTextList) c.visibleCount = desc.height / 15;
    if (desc.font) c.font = desc.font->font;
    if (desc.kind == kTextList && desc.extra.scroll) {
        c.hasScroll = true;
        c.scroll = *desc.extra.scroll;
    }
    if (desc.kind == kLogo && desc.extra.logo) {
        const LogoRecord& logo = *desc.extra.logo;
        c.hasLogo = true;
        c.logoFirst = logo.first ? *logo.first : nullptr;
        c.logoSecond = logo.second ? *logo.second : nullptr;
        c.logoFrames = logo.frames;
        c.logoSpeed = logo.speed;
    }
    return handle;
}

} // namespace

// ---- internal hooks -----------------------------------------------------------------
namespace standin::toolkit {

void ResetCells(Control& list, standin::ListRow& row) {
    for (size_t c = 0; c < row.cellCount; ++c) {
        standin::CellSpan& span = list.cellSpans[row.firstCell + c];
        if (span.length != standin::kNoCellText) list.deadCellText += span.length;
        span = standin::CellSpan{};
    }
    row.cellCount = 0;
}

void ClearRows(Control& list) {
    list.rows.clear();
    list.cellText.clear();
    list.cellSpans.clear();
    list.deadCellText = 0;
}

Record* RecordOf(QvControl handle) {
    if (!handle) return nullptr;
    if (Value(handle) == lastValue) return Touch(lastValue, lastRecord);
    auto it = controls.find(Value(handle));
    if (it == controls.end()) return nullptr;
    lastValue = it->first;
    lastRecord = it->second.get();
    return Touch(lastValue, lastRecord);
}

Record* RecordOf(const Control* control) {
    if (!control) return nullptr;
    for (auto& [value, rec] : controls)
        if (&rec->model == control) return Touch(value, rec.get());
    return nullptr;
}

void RunDueTimers() {
    if (!timersKnown) {
        timerValues.clear();
        for (auto& [value, rec] : controls)
            if (rec->model.desc.kind == kTimer) timerValues.push_back(value);
        timersKnown = true;
    }
    uint32_t now = standin::Now();
    // A tick may create or destroy timers: the due ones are taken first, and
    // each is looked up again before it ticks (which marks it touched).
    QvControl dueNow[16];
    std::vector<QvControl> dueMore;
    size_t due = 0;
    for (uintptr_t value : timerValues) {
        Record* rec = controls.find(value)->second.get();
        Control& c = rec->model;
        if (!c.timerEnabled || c.timerPeriod <= 0 || !c.desc.onClick) continue;
        if (now - rec->timerLast < (uint32_t)c.timerPeriod) continue;
        rec->timerLast = now;
        if (due < 16)
            dueNow[due] = c.handle;
        else
            dueMore.push_back(c.handle);
        ++due;
    }
    for (size_t i = 0; i < due; ++i) {
        QvControl h = i < 16 ? dueNow[i] : dueMore[i - 16];
        if (Control* c = ModelOf(h)) c->desc.onClick((uint32_t)Value(h));
    }
}

std::u16string FromUnicode(const Unicode* text) {
    std::u16string s;
    AssignUnicode(s, text);
    return s;
}

// Set at its length in one go; dst keeps its room when the text fits.
void AssignUnicode(std::u16string& dst, const Unicode* text) {
    size_t n = 0;
    while (text && n < kMaxText && text[n].ch)
        ++n;
    if (n < kShortText) {
        char16_t units[kShortText];
        for (size_t i = 0; i < n; ++i)
            units[i] = (char16_t)text[i].ch;
        dst.clear();
        dst.append(units, n);
        return;
    }
    dst.resize(n);
    for (size_t i = 0; i < n; ++i)
        dst[i] = (char16_t)text[i].ch;
}

void ToBuffer(std::vector<Unicode>& buffer, const std::u16string& text) {
    buffer.resize(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i)
        buffer[i].ch = (uint16_t)text[i];
    buffer[text.size()].ch = 0;
}

void NoteToolkitCall(const std::string& name, std::vector<std::string> args) {
    standin::internal::RecordCall("toolkit", toolkitCalls, name, std::move(args));
}

} // namespace standin::toolkit

namespace standin::internal {

// Forgets the screen model. Handle values keep counting, so handles from before
// the reset stay unknown.
void ResetToolkit() {
    controls.clear();
    touchedValues.clear();
    timersKnown = false;
    lastValue = 0;
    lastRecord = nullptr;
    focus = cancelControl = nullptr;
    imagePaths.clear();
    liveImages.clear();
    imageLoads.clear();
    background = cursor = squelchAura = selectAura = nullptr;
    pointerX = pointerY = 0;
    figures.clear();
    figureFailures = 0;
    figureFrameCount = 8;
    toolkitCalls.clear();
}

} // namespace standin::internal

// ---- screen model (StandIn.h section 2) ---------------------------------------------
namespace standin {

std::vector<Control*> Controls() {
    std::vector<Control*> all;
    for (auto& [value, rec] : controls)
        all.push_back(&Touch(value, rec.get())->model);
    return all;
}

std::vector<const Control*> ControlsToRead() {
    std::vector<const Control*> all;
    for (auto& [value, rec] : controls)
        all.push_back(&rec->model);
    return all;
}

Control* Find(QvControl handle) {
    return ModelOf(handle);
}

bool StringShown(int id) {
    std::u16string text = StringText(id);
    for (auto& [value, rec] : controls) {
        if (rec->model.label == text) return true;
        for (const TextLine& l : rec->model.lines)
            if (l.text == text) return true;
    }
    return false;
}

size_t CellCount(const Control& list, size_t row) {
    return row < list.rows.size() ? list.rows[row].cellCount : 0;
}

std::u16string CellText(const Control& list, size_t row, size_t column) {
    if (row >= list.rows.size()) return std::u16string();
    const ListRow& r = list.rows[row];
    if (column < r.cellCount) {
        const CellSpan& span = list.cellSpans[r.firstCell + column];
        if (span.length != kNoCellText) return list.cellText.substr(span.offset, span.length);
    }
    return column == 0 ? Widen1252(r.text.c_str()) : std::u16string();
}

Control* FindByTextId(int textId) {
    for (auto& [value, rec] : controls)
        if (rec->model.desc.textId == textId) return &Touch(value, rec.get())->model;
    return nullptr;
}

Control* FindAt(int kind, int x, int y) {
    for (auto& [value, rec] : controls) {
        const ControlDescriptor& d = rec->model.desc;
        if (d.kind == kind && d.x == x && d.y == y) return &Touch(value, rec.get())->model;
    }
    return nullptr;
}

int LiveControlCount() {
    return (int)controls.size();
}
QvControl Focus() {
    return focus;
}
QvControl CancelControl() {
    return cancelControl;
}
QvImage Background() {
    return background;
}
QvImage Cursor() {
    return cursor;
}

std::string ImagePath(QvImage image) {
    auto it = imagePaths.find(Value(image));
    return (image && it != imagePaths.end()) ? it->second : std::string();
}

std::vector<std::string> ImageLoads() {
    return imageLoads;
}
int LiveImageCount() {
    return (int)liveImages.size();
}

void SetPointer(int x, int y) {
    pointerX = x;
    pointerY = y;
}

QvImage SquelchAuraImage() {
    return squelchAura;
}
QvImage SelectAuraImage() {
    return selectAura;
}

std::vector<Figure*> Figures() {
    std::vector<Figure*> all;
    for (auto& [value, f] : figures)
        all.push_back(f.get());
    // Handle values grow with each figure made.
    std::sort(all.begin(), all.end(), [](const Figure* a, const Figure* b) { return a->handle < b->handle; });
    return all;
}

Figure* FindFigure(QvFigure handle) {
    return FigureOf(handle);
}
int LiveFigureCount() {
    return (int)figures.size();
}
void FailNextFigures(int n) {
    figureFailures = n > 0 ? n : 0;
}
void SetFigureFrameCount(int n) {
    figureFrameCount = n;
}

std::vector<Call> ToolkitCalls() {
    return toolkitCalls;
}

} // namespace standin

// ---- front end ------------------------------------------------------------------------
void FrontEndBegin() {
    standin::toolkit::NoteToolkitCall("FrontEndBegin");
}
void FrontEndSetMode(int mode) {
    standin::toolkit::NoteToolkitCall("FrontEndSetMode", {Decimal(mode)});
}
void FrontEndEnd() {
    standin::toolkit::NoteToolkitCall("FrontEndEnd");
}

void* GetStringTableHandle(int fullContent) {
    standin::toolkit::NoteToolkitCall("GetStringTableHandle", {Decimal(fullContent)});
    return &stringTableToken;
}

// The front end owns every figure it made: what the lobby still holds at the
// end of a visit (the player's own figure in the character layout) goes here.
void ReleaseFrontEndResources() {
    standin::toolkit::NoteToolkitCall("ReleaseFrontEndResources");
    figures.clear();
}

// ---- controls ------------------------------------------------------------------------------
QvControl CreateControl(const ControlDescriptor* desc) {
    if (!desc) return nullptr;
    return AddControl(*desc, false);
}

void DestroyControl(QvControl* handle) {
    if (!handle) return;
    QvControl h = *handle;
    *handle = nullptr;
    if (!h) return;
    Control* m = ModelOf(h);
    // Kind and place name the control, so that a scenario can follow the order
    // in which a lobby step takes its controls down.
    if (m) {
        standin::toolkit::NoteToolkitCall("DestroyControl",
                                          {Decimal(m->desc.kind), Decimal(m->desc.x), Decimal(m->desc.y)});
        KeepRoom(*m);
    }
    if (auto it = controls.find(Value(h)); it != controls.end()) DropRecord(it);
    if (lastValue == Value(h)) {
        lastValue = 0;
        lastRecord = nullptr;
    }
    if (focus == h) focus = nullptr;
    if (cancelControl == h) cancelControl = nullptr;
}

QvControl CreateHotSpot(int x, int y, int width, int height, int a, ControlCallback onClick, int b, int c,
                        int d, int e, int f) {
    ControlDescriptor desc{};
    desc.kind = kClickArea;
    desc.x = x;
    desc.y = y;
    desc.width = width;
    desc.height = height;
    desc.onClick = onClick;
    standin::toolkit::NoteToolkitCall("CreateHotSpot",
                                      {Decimal(x), Decimal(y), Decimal(width), Decimal(height), Decimal(a),
                                       onClick ? "callback" : "null", Decimal(b), Decimal(c), Decimal(d),
                                       Decimal(e), Decimal(f)});
    return AddControl(desc, true);
}

void ShowControl(QvControl c, int shown) {
    if (Control* m = ModelOf(c)) m->shown = shown != 0;
}
void EnableControl(QvControl c, int enabled) {
    if (Control* m = ModelOf(c)) m->enabled = enabled != 0;
}
void SetButtonPressed(QvControl c, int pressed) {
    if (Control* m = ModelOf(c)) m->pressed = pressed != 0;
}
void SetButtonFrame(QvControl c, int frame) {
    if (Control* m = ModelOf(c)) m->buttonFrame = frame;
}
void SetControlOnTop(QvControl c, int onTop) {
    if (Control* m = ModelOf(c)) m->onTop = onTop != 0;
}
void SetPopupBackgroundFlag(QvControl c, int flag) {
    if (Control* m = ModelOf(c)) m->popupBackground = flag != 0;
}
void SetCancelControl(QvControl c) {
    if (!c || ModelOf(c)) cancelControl = c;
}
void SetFocus(QvControl edit) {
    if (!edit || ModelOf(edit)) focus = edit;
}
int IsControlEnabled(QvControl c) {
    Control* m = ModelOf(c);
    return m && m->enabled ? 1 : 0;
}
int GetCheckState(QvControl c) {
    Control* m = ModelOf(c);
    return m && m->pressed ? 1 : 0;
}
void SetRadioImage(QvControl button, QvImage image) {
    if (Control* m = ModelOf(button)) m->image = image;
}

// ---- text ----------------------------------------------------------------------------------
void SetControlText(QvControl c, const Unicode* text) {
    Control* m = ModelOf(c);
    if (!m) return;
    m->label = standin::toolkit::FromUnicode(text);
    if (m->desc.kind == kTextList) AddLine(m, standin::TextLine{m->label, 0, 0, 0, 0});
}

void TextBoxAddLine(QvControl box, const char* text, int colourFlag) {
    if (Control* m = ModelOf(box)) AddLine(m, standin::TextLine{Widen1252(text), colourFlag, 0, 0, 0});
}

void TextListAddLine(QvControl list, const Unicode* text, int colour, int a, int b) {
    Control* m = ModelOf(list);
    if (!m) return;
    AddLine(m, standin::TextLine{standin::toolkit::FromUnicode(text), colour, a, b, 0});
    standin::toolkit::NoteToolkitCall(
        "TextListAddLine", {standin::Utf8(m->lines.back().text), Decimal(colour), Decimal(a), Decimal(b)});
}

void TextListClear(QvControl list) {
    Record* r = standin::toolkit::RecordOf(list);
    if (!r) return;
    r->model.lines.clear();
    standin::toolkit::ClearRows(r->model);
    r->model.selection = -1;
    r->model.scrollTop = 0;
    r->currentRow = -1;
}

void ListScrollTo(QvControl list, int position) {
    if (Control* m = ModelOf(list)) m->scrollTop = position > 0 ? position : 0;
}

// ---- edit boxes ----------------------------------------------------------------------------
const Unicode* EditGetText(QvControl edit) {
    Record* r = standin::toolkit::RecordOf(edit);
    if (!r || r->model.editText.empty()) return nullptr;
    standin::toolkit::ToBuffer(r->textBuffer, r->model.editText);
    return r->textBuffer.data();
}

static void ReplaceEditText(Record* r, std::u16string text) {
    r->model.editText = std::move(text);
    r->model.caret = (int)r->model.editText.size();
    r->model.selectFrom = r->model.selectTo = 0;
}

void EditSetText(QvControl edit, const char* text) {
    if (Record* r = standin::toolkit::RecordOf(edit)) ReplaceEditText(r, Widen1252(text));
}

void EditSetTextUnicode(QvControl edit, const Unicode* text) {
    // The text is copied before the box changes: it may be the box's own buffer.
    if (Record* r = standin::toolkit::RecordOf(edit)) ReplaceEditText(r, standin::toolkit::FromUnicode(text));
}

void EditSelectAll(QvControl edit) {
    if (Control* m = ModelOf(edit)) {
        m->selectFrom = 0;
        m->selectTo = (int)m->editText.size();
    }
}

void EditSetMaxLength(QvControl edit, int characters) {
    if (Control* m = ModelOf(edit)) m->maxLength = characters > 0 ? characters : 0;
}
void EditSetKeyCallback(QvControl edit, EditKeyCallback cb) {
    if (Control* m = ModelOf(edit)) m->keyCallback = cb;
}
void EditSetChangeCallback(QvControl edit, ControlCallback cb) {
    if (Control* m = ModelOf(edit)) m->changeCallback = cb;
}
void EditSetTabNext(QvControl edit, QvControl next) {
    if (Control* m = ModelOf(edit)) m->tabNext = next;
}

// ---- lists ---------------------------------------------------------------------------------
void ListAddRow(QvControl list, const char* text) {
    ListAddRowWithData(list, text, 1, 0, 0);
}

void ListAddRowWithData(QvControl list, const char* text, int data, int colour, int flags) {
    Record* r = standin::toolkit::RecordOf(list);
    if (!r) return;
    int count = data > 1 ? data : 1;
    TakeRoom(r->model);
    if (count > kMaxRows - (int)r->model.rows.size()) count = kMaxRows - (int)r->model.rows.size();
    // A run of rows takes its room at once; single rows grow the list geometrically.
    if (count > 1) r->model.rows.reserve(r->model.rows.size() + (size_t)count);
    size_t length = text ? strnlen(text, kMaxText) : 0;
    for (int i = 0; i < count; ++i) {
        standin::ListRow& row = r->model.rows.emplace_back();
        row.text.assign(text ? text : "", length);
        row.data = data;
        row.colour = colour;
        row.order = ++lineOrder;
    }
    r->currentRow = (int)r->model.rows.size() - 1;
    (void)flags;
}

int ListGetSelection(QvControl list) {
    Control* m = ModelOf(list);
    return m ? m->selection : -1;
}

void ListSetSelection(QvControl list, int row) {
    Record* r = standin::toolkit::RecordOf(list);
    if (!r) return;
    r->model.selection = (row >= 0 && (size_t)row < r->model.rows.size()) ? row : -1;
    if (r->model.selection >= 0) r->currentRow = r->model.selection;
}

const Unicode* ListGetClicked(QvControl list) {
    Record* r = standin::toolkit::RecordOf(list);
    if (!r || r->model.selection < 0 || (size_t)r->model.selection >= r->model.rows.size()) return nullptr;
    standin::toolkit::ToBuffer(r->clickBuffer, standin::CellText(r->model, (size_t)r->model.selection, 0));
    return r->clickBuffer.data();
}

const Unicode* ListGetRowText(QvControl list, int row, int column) {
    Record* r = standin::toolkit::RecordOf(list);
    if (!r || row < 0 || (size_t)row >= r->model.rows.size() || column < 0) return nullptr;
    standin::toolkit::ToBuffer(r->rowBuffer, standin::CellText(r->model, (size_t)row, (size_t)column));
    return r->rowBuffer.data();
}

int ListGetTop(QvControl list) {
    Control* m = ModelOf(list);
    return m ? m->scrollTop : 0;
}

int ListGetVisibleCount(QvControl list) {
    Control* m = ModelOf(list);
    return m ? m->visibleCount : 0;
}

// Lines and rows together: one sequence on the screen.
int ListGetLineCount(QvControl list) {
    Control* m = ModelOf(list);
    return m ? (int)(m->lines.size() + m->rows.size()) : 0;
}

int ListGetSelectedRow(QvControl list) {
    Record* r = standin::toolkit::RecordOf(list);
    return r ? r->currentRow : -1;
}

void ListSetRowCount(QvControl list, int rows) {
    if (Control* m = ModelOf(list)) m->rowCount = m->visibleCount = rows > 0 ? rows : 0;
}

void ListSetColumns(QvControl list, int columns) {
    if (Control* m = ModelOf(list)) m->columns = columns;
}

void ListSetColumnX(QvControl list, int column, int x) {
    Control* m = ModelOf(list);
    if (!m) return;
    SetColumnValue(m->columnX, column, x);
    standin::toolkit::NoteToolkitCall("ListSetColumnX", {Decimal(column), Decimal(x)});
}

void ListSetColumnWidth(QvControl list, int column, int width) {
    Control* m = ModelOf(list);
    if (!m) return;
    SetColumnValue(m->columnWidth, column, width);
    standin::toolkit::NoteToolkitCall("ListSetColumnWidth", {Decimal(column), Decimal(width)});
}

void ListSetRowOffset(QvControl list, int dx, int dy) {
    if (ModelOf(list)) standin::toolkit::NoteToolkitCall("ListSetRowOffset", {Decimal(dx), Decimal(dy)});
}

void ListSetCellX(QvControl list, int row, int x) {
    Control* m = ModelOf(list);
    if (!m) return;
    RowAt(m, row);
    standin::toolkit::NoteToolkitCall("ListSetCellX", {Decimal(row), Decimal(x)});
}

void ListSetCellY(QvControl list, int row, int y) {
    Control* m = ModelOf(list);
    if (!m) return;
    RowAt(m, row);
    standin::toolkit::NoteToolkitCall("ListSetCellY", {Decimal(row), Decimal(y)});
}

void ListSetCellText(QvControl list, const char* text, int row, int column) {
    Control* m = ModelOf(list);
    if (!m) return;
    AssignWide(scratch, text);
    SetCell(m, row, column, scratch.size(), [](char16_t* dst) { scratch.copy(dst, scratch.size()); });
}

void ListSetCellText2(QvControl list, const Unicode* text, int row, int column) {
    Control* m = ModelOf(list);
    if (!m) return;
    size_t n = 0;
    while (text && n < kMaxText && text[n].ch)
        ++n;
    SetCell(m, row, column, n, [text, n](char16_t* dst) {
        for (size_t i = 0; i < n; ++i)
            dst[i] = (char16_t)text[i].ch;
    });
}

void TimerStart(QvControl timer, int period) {
    Record* r = standin::toolkit::RecordOf(timer);
    if (!r) return;
    r->model.timerPeriod = period;
    r->timerLast = standin::Now();
}

void TimerEnable(QvControl timer, int enabled) {
    Record* r = standin::toolkit::RecordOf(timer);
    if (!r) return;
    if (enabled && !r->model.timerEnabled) r->timerLast = standin::Now();
    r->model.timerEnabled = enabled != 0;
}

// ---- images and cursor -----------------------------------------------------------------------
QvImage LoadImage(const char* path, int flags) {
    standin::toolkit::NoteToolkitCall(
        "LoadImage",
        {path ? std::string(path, strnlen(path, kMaxText)) : std::string("null"), Decimal(flags)});
    if (!path) return nullptr;
    nextImageValue += 8;
    std::string p(path, strnlen(path, kMaxText));
    imagePaths[nextImageValue] = p;
    liveImages.insert(nextImageValue);
    imageLoads.push_back(p);
    return reinterpret_cast<QvImage>(nextImageValue);
}

void FreeImage(QvImage image) {
    liveImages.erase(Value(image));
}
void SetBackground(QvImage image) {
    background = image;
}
void SetCursor(QvImage image) {
    cursor = image;
}

void SetAuraImages(QvImage squelch, QvImage select) {
    squelchAura = squelch;
    selectAura = select;
    standin::toolkit::NoteToolkitCall("SetAuraImages",
                                      {standin::ImagePath(squelch), standin::ImagePath(select)});
}

// ---- figures ----------------------------------------------------------------------------------
// Kinds 0..24 are drawable; any other kind fails like a missing figure.
QvFigure CreateFigure(int kind, int mode, const uint8_t* lookA, const uint8_t* lookB) {
    if (kind < 0 || kind > 24) return nullptr;
    if (figureFailures > 0) {
        --figureFailures;
        return nullptr;
    }
    auto f = std::make_unique<Figure>();
    nextFigureValue += 8;
    f->handle = reinterpret_cast<QvFigure>(nextFigureValue);
    f->kind = kind;
    f->mode = mode;
    CopyLook(f->lookA, lookA);
    CopyLook(f->lookB, lookB);
    f->frameCount = figureFrameCount;
    QvFigure handle = f->handle;
    figures[nextFigureValue] = std::move(f);
    return handle;
}

void DestroyFigure(QvFigure figure, int flag) {
    (void)flag;
    if (figure) figures.erase(Value(figure));
}

void SetFigureX(QvFigure figure, int x) {
    if (Figure* f = FigureOf(figure)) f->x = x;
}
void SetFigureParam(QvFigure figure, int value) {
    Figure* f = FigureOf(figure);
    if (!f) return;
    f->param = value;
    standin::toolkit::NoteToolkitCall("SetFigureParam", {Decimal(value)});
}
void SetFigureParam2(QvFigure figure, int value) {
    Figure* f = FigureOf(figure);
    if (!f) return;
    f->param2 = value;
    standin::toolkit::NoteToolkitCall("SetFigureParam2", {Decimal(value)});
}
void SetFigureFrame(QvFigure figure, int frame) {
    if (Figure* f = FigureOf(figure)) f->frame = frame;
}
int GetFigureFrameCount(QvFigure figure) {
    Figure* f = FigureOf(figure);
    return f ? f->frameCount : 0;
}
uint32_t GetFigureFlags(QvFigure figure) {
    Figure* f = FigureOf(figure);
    return f ? f->flags : 0;
}
void SetFigureFlags(QvFigure figure, uint32_t state) {
    if (Figure* f = FigureOf(figure)) {
        f->flags = state;
        f->hasState = true;
    }
}

void DrawFigureLabel(QvFigure figure, const Unicode* label1, const Unicode* label2, const Unicode* label3,
                     const Unicode* label4, int level, uint32_t tag) {
    Figure* f = FigureOf(figure);
    if (!f) return;
    const Unicode* labels[4] = {label1, label2, label3, label4};
    for (int i = 0; i < 4; ++i)
        f->labels[i] = standin::toolkit::FromUnicode(labels[i]);
    f->level = level;
    f->tag = tag;
}

// Never null: title index 0 or one out of range gives an empty text.
const char* GetFigureTitle(int characterClass, int titleIndex, int flag) {
    (void)characterClass;
    (void)flag;
    return FigureTitleText(titleIndex);
}

void SetFigureLook(QvFigure figure, int kind, int mode, const uint8_t* lookA, const uint8_t* lookB) {
    Figure* f = FigureOf(figure);
    if (!f) return;
    f->kind = kind;
    f->mode = mode;
    CopyLook(f->lookA, lookA);
    CopyLook(f->lookB, lookB);
}

// No title below progress 4; then tier 1 (4..7), 2 (8..11) or 3 (12 and more),
// moved to titles 4..6 when flag04 is set: the same texts as GetFigureTitle.
const char* GetCharacterTitle(int characterClass, int progress, int flag04, int flag20) {
    (void)characterClass;
    (void)flag20;
    if (progress < 4) return nullptr;
    int tier = progress >= 12 ? 3 : progress >= 8 ? 2 : 1;
    return FigureTitleText(tier + (flag04 ? 3 : 0));
}

// ---- banner -------------------------------------------------------------------------------------
void AdBannerSet(QvControl banner, const char* path, int typeLetter) {
    Control* m = ModelOf(banner);
    if (!m) return;
    m->bannerPath = path ? std::string(path, strnlen(path, kMaxText)) : std::string();
    m->bannerLetter = typeLetter;
}

void AdBannerClear(QvControl banner) {
    Control* m = ModelOf(banner);
    if (!m) return;
    m->bannerPath.clear();
    m->bannerLetter = 0;
}

// ---- pointer ----------------------------------------------------------------------------------------
// Inside means left <= x < right and top <= y < bottom.
int MouseInRect(const ScreenRect* rect) {
    if (!rect) return 0;
    return pointerX >= rect->left && pointerX < rect->right && pointerY >= rect->top &&
           pointerY < rect->bottom;
}

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {

namespace {
struct ToolkitPart {
    uintptr_t nextControlValue, nextImageValue, nextFigureValue;
    int nextSerial;
    std::map<uintptr_t, Record> controls;
    QvControl focus, cancelControl;
    std::map<uintptr_t, std::string> imagePaths;
    std::set<uintptr_t> liveImages;
    std::vector<std::string> imageLoads;
    QvImage background, cursor, squelchAura, selectAura;
    int pointerX, pointerY;
    std::unordered_map<uintptr_t, Figure> figures;
    int figureFailures, figureFrameCount;
    std::vector<Call> toolkitCalls;
    int stringTableToken, lineOrder;
};
Grown grown;

// Puts live (records by handle value) back to saved in place: a record live
// then and now is assigned its saved value, so its texts and lists keep their
// room; one made since is dropped, one destroyed since is made again.
template <class Live, class Saved> void PutBackRecords(Live& live, const Saved& saved) {
    for (auto it = live.begin(); it != live.end();)
        it = saved.count(it->first) ? std::next(it) : live.erase(it);
    for (auto& [value, record] : saved) {
        auto& slot = live[value];
        if (slot)
            *slot = record;
        else
            slot = std::make_unique<typename Saved::mapped_type>(record);
    }
}

// The controls put back from saved. Grown from it (put back from this copy
// last, nothing reset since), a record no one was handed since is as saved:
// only the controls made since are dropped, the touched ones assigned, and
// destroyed ones made again. Otherwise every record is put back.
void PutBackControls(const std::map<uintptr_t, Record>& saved, uintptr_t savedNextValue,
                     bool grownFromSaved) {
    if (!grownFromSaved) {
        PutBackRecords(controls, saved);
    } else {
        // Handle values count up from the saved counter: those above it are new.
        while (!controls.empty() && controls.rbegin()->first > savedNextValue)
            DropRecord(std::prev(controls.end()));
        if (controls.size() != saved.size()) {
            for (auto& [value, record] : saved)
                if (!controls.count(value)) MakeRecord(value) = record;
        }
        for (uintptr_t value : touchedValues) {
            auto live = controls.find(value);
            auto was = saved.find(value);
            if (live != controls.end() && was != saved.end()) *live->second = was->second;
        }
    }
    // Saved records are untouched: every record is now as its copy.
    touchedValues.clear();
    timersKnown = false;
}
} // namespace

std::string ToolkitRecordsText() {
    std::string out;
    for (auto& [value, rec] : controls)
        out += "  record " + Decimal((long long)value) + " row " + Decimal(rec->currentRow) + " tick " +
               Decimal(rec->timerLast) + "\n";
    return out;
}

Part SaveToolkit() {
    auto p = std::make_shared<ToolkitPart>();
    p->nextControlValue = nextControlValue;
    p->nextImageValue = nextImageValue;
    p->nextFigureValue = nextFigureValue;
    p->nextSerial = nextSerial;
    for (auto& [value, rec] : controls)
        p->controls.emplace(value, *rec).first->second.touched = false;
    p->focus = focus;
    p->cancelControl = cancelControl;
    p->imagePaths = imagePaths;
    p->liveImages = liveImages;
    p->imageLoads = imageLoads;
    p->background = background;
    p->cursor = cursor;
    p->squelchAura = squelchAura;
    p->selectAura = selectAura;
    p->pointerX = pointerX;
    p->pointerY = pointerY;
    for (auto& [value, figure] : figures)
        p->figures.emplace(value, *figure);
    p->figureFailures = figureFailures;
    p->figureFrameCount = figureFrameCount;
    p->toolkitCalls = toolkitCalls;
    p->stringTableToken = stringTableToken;
    p->lineOrder = lineOrder;
    return p;
}

void RestoreToolkit(const Part& part) {
    const ToolkitPart& p = *static_cast<const ToolkitPart*>(part.get());
    bool fromPart = grown.From(part);
    grown.Mark(part);
    nextControlValue = p.nextControlValue;
    nextImageValue = p.nextImageValue;
    nextFigureValue = p.nextFigureValue;
    nextSerial = p.nextSerial;
    PutBackControls(p.controls, p.nextControlValue, fromPart);
    lastValue = 0; // the record it pointed at may be gone
    lastRecord = nullptr;
    focus = p.focus;
    cancelControl = p.cancelControl;
    // Handles are never reused: no load since, and as many live, is no change.
    if (!fromPart || imagePaths.size() != p.imagePaths.size() || liveImages.size() != p.liveImages.size() ||
        imageLoads.size() != p.imageLoads.size()) {
        imagePaths = p.imagePaths;
        liveImages = p.liveImages;
        imageLoads = p.imageLoads;
    }
    background = p.background;
    cursor = p.cursor;
    squelchAura = p.squelchAura;
    selectAura = p.selectAura;
    pointerX = p.pointerX;
    pointerY = p.pointerY;
    PutBackRecords(figures, p.figures);
    figureFailures = p.figureFailures;
    figureFrameCount = p.figureFrameCount;
    RestoreLog(toolkitCalls, p.toolkitCalls, fromPart);
    stringTableToken = p.stringTableToken;
    lineOrder = p.lineOrder;
}

} // namespace standin::saved
