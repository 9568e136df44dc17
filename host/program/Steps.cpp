// Step lines: the player's actions (clicks, keys, typing, time passing) and the
// services' input (chat events, advertisements, dated messages, realm replies).
// Each is one step of the stand-in's screen loop, one frame; a step that finds
// nothing to act on is a failure of its line.
#include <cstdio>

#include "../standin/StandIn.h"
#include "Scenario.h"

namespace qvhost {

static std::string Place(int x, int y) {
    return std::to_string(x) + "," + std::to_string(y);
}

// ---- clicks -----------------------------------------------------------------------------------
static Run Click(LineReader& reader) {
    int textId = reader.Int("string id");
    reader.End();
    return [textId]() -> std::string {
        standin::Control* c = standin::FindByTextId(textId);
        if (!c) return "no control labelled by string " + std::to_string(textId) + " to click";
        standin::ClickControl(c);
        return "";
    };
}

// clickat, rightclickat and doubleclickat: the row names the click.
template <void (*click)(standin::Control*)> static Run ClickByPlace(LineReader& reader) {
    int kind = reader.Int("control kind");
    int x = reader.Int("x");
    int y = reader.Int("y");
    reader.End();
    return [=]() -> std::string {
        standin::Control* c = standin::FindAt(kind, x, y);
        if (!c) return "no kind-" + std::to_string(kind) + " control at " + Place(x, y) + " to click";
        click(c);
        return "";
    };
}

static Run ClickRow(LineReader& reader) {
    int kind = reader.Int("control kind");
    int x = reader.Int("x");
    int y = reader.Int("y");
    int row = reader.Int("row");
    reader.End();
    return [=]() -> std::string {
        standin::Control* c = standin::FindAt(kind, x, y);
        if (!c) return "no kind-" + std::to_string(kind) + " list at " + Place(x, y) + " to click";
        standin::ClickListRow(c, row);
        return "";
    };
}

static Run Tick(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    reader.End();
    return [=]() -> std::string {
        standin::Control* c = standin::FindAt(kTimer, x, y);
        if (!c) return "no timer at " + Place(x, y) + " to tick";
        standin::TickTimer(c);
        return "";
    };
}

// ---- keys ----------------------------------------------------------------------------------------
static Run Type(LineReader& reader) {
    std::string text = reader.Rest();
    return [text]() -> std::string {
        // Typed all the same, so that the failure shows what the module did with it.
        bool focus = standin::Focus() != nullptr;
        standin::TypeText(text.c_str());
        return focus ? "" : "no edit box has the focus to type into";
    };
}

// enter, escape, tab and ctrln: the row names the key.
template <void (*press)()> static Run Key(LineReader& reader) {
    reader.End();
    return Do(press);
}

// A key that acts on the focused edit box; a failure without one.
static Run CaretStep(void (*press)()) {
    return [press]() -> std::string {
        if (!standin::Focus()) return "no edit box has the focus for the key";
        press();
        return "";
    };
}

// Caret keys: key left, right, home or end.
static Run CaretKey(LineReader& reader) {
    static const struct {
        const char* name;
        void (*press)();
    } kCaretKeys[] = {{"left", standin::PressLeft},
                      {"right", standin::PressRight},
                      {"home", standin::PressHome},
                      {"end", standin::PressEnd}};
    std::string name = reader.Word("key name");
    reader.End();
    for (const auto& key : kCaretKeys)
        if (name == key.name) return CaretStep(key.press);
    ScenarioError(reader.where(), "unknown key " + name + " (left, right, home, end)");
}

static Run Select(LineReader& reader) {
    int from = reader.Int("first character");
    int to = reader.Int("end");
    reader.End();
    return [from, to]() -> std::string {
        if (!standin::Focus()) return "no edit box has the focus to select in";
        standin::SelectText(from, to);
        return "";
    };
}

// ---- time, the pointer, the screen ---------------------------------------------------------------
static Run Wait(LineReader& reader) {
    uint32_t ms = reader.Uint32("milliseconds");
    reader.End();
    return Do([ms]() { standin::AdvanceTime(ms); });
}

// n steps: the n-1 before this line's own step are enqueued here.
static Run Frames(LineReader& reader) {
    long long n = reader.Number("frame count", 1, 100000);
    reader.End();
    EnqueueIdleSteps(reader.where(), (int)n - 1);
    return Do([]() {});
}

static Run Pointer(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    reader.End();
    return Do([x, y]() { standin::SetPointer(x, y); });
}

// With --png each show line is also a picture.
static Run Show(LineReader& reader) {
    reader.End();
    Where where = reader.where();
    return [where]() {
        ShowScreen(where);
        return TakeLinePicture(where);
    };
}

static Run Picture(LineReader& reader) {
    std::string name = reader.Word("picture name");
    reader.End();
    if (name.empty() || name[0] == '.' || name.find_first_of("/\\") != std::string::npos)
        ScenarioError(reader.where(), "a picture name is a file name without folders");
    return [name]() { return TakePicture(name); };
}

// ---- chat-service input ------------------------------------------------------------------------
static Run Event(LineReader& reader) {
    uint32_t number = reader.Uint32("event number");
    uint32_t flags = reader.Uint32("user flags");
    Token name = reader.Next("user name (- for none)");
    std::string user = !name.quoted && name.text == "-" ? "" : name.text;
    std::string text = reader.Rest();
    return Do([=]() { standin::PushChatEvent(number, flags, user, text); });
}

static Run RawEvent(LineReader& reader) {
    uint32_t kind = reader.Uint32("record kind");
    std::vector<uint8_t> bytes = ParseHex(reader.where(), reader.Rest());
    // The service writes a record into the module's buffer of that size; more
    // would not fit, and cutting it off would hide the scenario's mistake.
    if (bytes.size() > QV_EVENT_RECORD_SIZE)
        ScenarioError(reader.where(), "rawevent takes at most " + std::to_string(QV_EVENT_RECORD_SIZE) +
                                          " bytes (the event record's size), found " +
                                          std::to_string(bytes.size()));
    return Do([kind, bytes]() { standin::PushRawEvent(kind, bytes); });
}

static Run Ad(LineReader& reader) {
    uint32_t adId = reader.Uint32("ad id");
    std::string fileName = reader.Word("file name");
    std::string data = reader.Rest();
    std::vector<uint8_t> bytes(data.begin(), data.end());
    return Do([=]() { standin::PushAdEvent(adId, fileName, bytes); });
}

static Run Dated(LineReader& reader) {
    uint32_t when = reader.Uint32("unix time");
    std::string text = reader.Rest();
    return [=]() -> std::string {
        return standin::PushDatedMessage(when, text) ? "" : "no dated-message handler is registered";
    };
}

static Run ClearDated(LineReader& reader) {
    reader.End();
    return []() -> std::string {
        return standin::PushClearMessages() ? "" : "no dated-message handler is registered";
    };
}

// ---- realm input ----------------------------------------------------------------------------------
// A request id, or "last": the id of the last request when the step runs.
static uint16_t RequestIdOf(LineReader& reader, bool* last) {
    Token t = reader.Next("request id or last");
    *last = !t.quoted && t.text == "last";
    return *last ? 0 : (uint16_t)ParseNumber(reader.where(), t.text, "request id", 0, UINT16_MAX);
}

static Run RealmReply(LineReader& reader) {
    bool last = false;
    uint16_t id = RequestIdOf(reader, &last);
    int status = reader.Int("status");
    reader.End();
    return Do([=]() { standin::RealmReply(last ? standin::RealmLastRequestId() : id, status); });
}

static Run RealmListReply(LineReader& reader) {
    bool last = false;
    uint16_t id = RequestIdOf(reader, &last);
    int status = reader.Int("status");
    std::vector<uint8_t> bytes = ParseHex(reader.where(), reader.Rest());
    return Do([=]() { standin::PushListReply(last ? standin::RealmLastRequestId() : id, status, bytes); });
}

static Run RealmMessage(LineReader& reader) {
    int key = reader.Int("message key");
    std::string text = reader.Rest();
    return Do([key, text]() { standin::PushRealmMessage(key, text); });
}

static Run RealmLadderPage(LineReader& reader) {
    int type = reader.Int("ladder type");
    int firstRow = reader.Int("first row");
    int count = reader.Int("count");
    reader.End();
    return [=]() -> std::string {
        return standin::PushLadderPage(type, firstRow, count) ? "" : "no ladder handler is registered";
    };
}

static Run RealmLadderReply(LineReader& reader) {
    int firstRow = reader.Int("first row");
    int count = reader.Int("count");
    int nameSize = reader.Int("name size");
    int type = reader.Int("ladder type");
    std::vector<uint8_t> bytes = ParseHex(reader.where(), reader.Rest());
    return [=]() -> std::string {
        return standin::PushLadderEntries(firstRow, count, nameSize, type, bytes)
                   ? ""
                   : "no ladder handler is registered";
    };
}

// The player scrolls a list so that the row is its first visible one.
static Run Scroll(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    int row = reader.Int("row");
    reader.End();
    return [=]() -> std::string {
        standin::Control* c = standin::FindAt(kTextList, x, y);
        if (!c) return "no list at " + Place(x, y) + " to scroll";
        ListScrollTo(c->handle, row);
        return "";
    };
}

// clang-format off
extern const std::vector<LineKind> kStepLines = {
    {"click",           "<stringId>",                         kStep, Click},
    {"clickat",         "<kind> <x> <y>",                     kStep, ClickByPlace<standin::ClickControl>},
    {"rightclickat",    "<kind> <x> <y>",                     kStep, ClickByPlace<standin::RightClickControl>},
    {"doubleclickat",   "<kind> <x> <y>",                     kStep, ClickByPlace<standin::DoubleClickControl>},
    {"clickrow",        "<kind> <x> <y> <row>",               kStep, ClickRow},
    {"tick",            "<x> <y>",                            kStep, Tick},
    {"scroll",          "<x> <y> <row>",                      kStep, Scroll},
    {"type",            "<text...>",                          kStep, Type},
    {"enter",           "",                                   kStep, Key<standin::PressEnter>},
    {"escape",          "",                                   kStep, Key<standin::PressEscape>},
    {"tab",             "",                                   kStep, Key<standin::PressTab>},
    {"ctrln",           "",                                   kStep, Key<standin::PressCtrlN>},
    {"key",             "left|right|home|end",                kStep, CaretKey},
    {"select",          "<from> <to>",                        kStep, Select},
    {"wait",            "<ms>",                               kStep, Wait},
    {"frames",          "<n>",                                kStep, Frames},
    {"pointer",         "<x> <y>",                            kStep, Pointer},
    {"show",            "",                                   kStep, Show},
    {"picture",         "<name>",                             kStep, Picture},
    {"event",           "<number> <flags> <userName|-> <text...>", kStep, Event},
    {"rawevent",        "<kind> <hex...>",                    kStep, RawEvent},
    {"ad",              "<adId> <fileName> <data...>",        kStep, Ad},
    {"dated",           "<unixTime> <text...>",               kStep, Dated},
    {"cleardated",      "",                                   kStep, ClearDated},
    {"realm reply",     "<id|last> <status>",                 kStep, RealmReply},
    {"realm listreply", "<id|last> <status> <hex...>",        kStep, RealmListReply},
    {"realm message",   "<key> <text...>",                    kStep, RealmMessage},
    {"realm ladderpage", "<type> <firstRow> <count>",         kStep, RealmLadderPage},
    {"realm ladderreply", "<firstRow> <count> <nameSize> <type> <hex...>", kStep, RealmLadderReply},
};
// clang-format on

} // namespace qvhost
