// Expectations: what an "expect" line checks, against the stand-in's screen
// model, its recorded calls and the launch record. Each returns "" when it
// holds, otherwise a message saying what was expected and what was found.
#include <cstdio>
#include <cstdlib>

#include "../standin/StandIn.h"
#include "Scenario.h"

namespace qvhost {

// The chat pane and the input line of the chat layout.
static const int kPaneX = 28, kPaneY = 410;
static const int kInputX = 28, kInputY = 450;
static const int kColourMarkerId = 3994;

std::u16string ColourMarker() {
    return standin::StringText(kColourMarkerId);
}

std::u16string VisibleText(const std::u16string& stored) {
    std::u16string marker = ColourMarker();
    if (marker.empty()) return stored;
    std::u16string out;
    for (size_t i = 0; i < stored.size();) {
        if (stored.compare(i, marker.size(), marker) == 0 && i + marker.size() < stored.size()) {
            i += marker.size() + 1;
            continue;
        }
        out += stored[i++];
    }
    return out;
}

// ---- text lists ------------------------------------------------------------------
static std::string LinesFound(const standin::Control* list) {
    if (list->lines.empty()) return "the list is empty";
    std::string out = "its last lines are:";
    size_t first = list->lines.size() > 6 ? list->lines.size() - 6 : 0;
    for (size_t i = first; i < list->lines.size(); ++i)
        out += "\n    colour " + std::to_string(list->lines[i].colour) + " " +
               Quote(standin::Utf8(list->lines[i].text));
    return out;
}

enum LineMatch { kExact, kRaw, kContains };

static bool LineMatches(const standin::TextLine& line, int colour, const std::u16string& text,
                        LineMatch how) {
    if (colour >= 0 && line.colour != colour) return false;
    switch (how) {
    case kRaw:
        return line.text == text;
    case kContains:
        return VisibleText(line.text).find(text) != std::u16string::npos;
    default:
        return VisibleText(line.text) == text;
    }
}

static Run ListLineExpectation(int x, int y, int colour, const std::string& utf8, LineMatch how,
                               bool wanted) {
    return [=]() -> std::string {
        standin::Control* list = standin::FindAt(kTextList, x, y);
        std::string what = (how == kContains ? "a line containing " : "a line ") + Quote(utf8) +
                           (colour >= 0 ? " in colour " + std::to_string(colour) : "");
        std::string place = "the text list at " + std::to_string(x) + "," + std::to_string(y);
        if (!list) return wanted ? "expected " + what + " in " + place + ", but no such list exists" : "";
        std::u16string text = standin::Utf16(utf8);
        for (const standin::TextLine& line : list->lines) {
            if (!LineMatches(line, colour, text, how)) continue;
            if (wanted) return "";
            return "expected no " + what + " in " + place + ", found " + Quote(standin::Utf8(line.text));
        }
        if (!wanted) return "";
        return "expected " + what + " in " + place + "; " + LinesFound(list);
    };
}

// ---- controls ----------------------------------------------------------------------
static const char* const kStates[] = {"shown",   "hidden",   "enabled", "disabled",
                                      "pressed", "released", "present", "absent"};

static std::string ControlState(const standin::Control* c) {
    std::string s = c->shown ? "shown" : "hidden";
    s += c->enabled ? ", enabled" : ", disabled";
    s += c->pressed ? ", pressed" : ", released";
    return s;
}

static bool StateHolds(const standin::Control* c, const std::string& state) {
    if (state == "absent") return c == nullptr;
    if (!c) return false;
    if (state == "shown") return c->shown;
    if (state == "hidden") return !c->shown;
    if (state == "enabled") return c->enabled;
    if (state == "disabled") return !c->enabled;
    if (state == "pressed") return c->pressed;
    if (state == "released") return !c->pressed;
    return true; // present
}

static std::string ReadState(LineReader& reader) {
    std::string state = reader.Word("control state");
    for (const char* s : kStates)
        if (state == s) return state;
    ScenarioError(reader.where(),
                  "unknown control state " + state +
                      " (shown, hidden, enabled, disabled, pressed, released, present, absent)");
}

static Run ControlExpectation(std::function<standin::Control*()> find, const std::string& name,
                              const std::string& state) {
    return [=]() -> std::string {
        standin::Control* c = find();
        if (StateHolds(c, state)) return "";
        return "expected " + name + " " + state + ", found " +
               (c ? ControlState(c) : std::string("no such control"));
    };
}

// ---- recorded calls -------------------------------------------------------------------
static std::string CallText(const standin::Call& call) {
    std::string out = call.name + "(";
    for (size_t i = 0; i < call.args.size(); ++i)
        out += (i ? ", " : "") + Quote(call.args[i]);
    return out + ")";
}

// Given arguments are compared position by position; a bare * matches anything,
// and arguments the scenario leaves out are not compared.
static bool CallMatches(const standin::Call& call, const std::vector<Token>& args) {
    if (args.size() > call.args.size()) return false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (!args[i].quoted && args[i].text == "*") continue;
        if (call.args[i] != args[i].text) return false;
    }
    return true;
}

static std::string ArgsText(const std::vector<Token>& args) {
    std::string out;
    for (const Token& t : args)
        out += " " + (!t.quoted && t.text == "*" ? std::string("*") : Quote(t.text));
    return out;
}

// The libraries whose calls the stand-in records.
struct Library {
    const char* name; // as in standin::LibraryCall
    const char* what; // in messages
    std::vector<standin::Call> (*calls)();
};
static const Library kChat{"chat", "chat-service", standin::ChatCalls};
static const Library kRealm{"realm", "realm", standin::RealmCalls};
static const Library kToolkit{"toolkit", "toolkit", standin::ToolkitCalls};
static const Library kSound{"sound", "sound", standin::SoundCalls};
// Registry reads of the machine and the programs started (the banner link).
static const Library kMachine{"machine", "machine", standin::MachineCalls};

// At most this many calls are listed in a message.
static const size_t kListedCalls = 12;

enum CallCheck { kCalled, kNotCalled, kCount };

static Run CallExpectation(const Library& library, const std::string& name, const std::vector<Token>& args,
                           CallCheck check, long long count) {
    return [=]() -> std::string {
        std::vector<standin::Call> calls = library.calls();
        std::string service = library.what;
        int matched = 0;
        size_t sameNameCount = 0;
        std::string firstMatch;
        std::string sameName;
        for (const standin::Call& call : calls) {
            if (call.name != name) continue;
            if (sameNameCount++ < kListedCalls) sameName += "\n    " + CallText(call);
            if (!CallMatches(call, args)) continue;
            if (!matched++) firstMatch = CallText(call);
        }
        if (sameNameCount > kListedCalls)
            sameName += "\n    ... " + std::to_string(sameNameCount - kListedCalls) + " more";
        std::string wanted = name + ArgsText(args);
        if (check == kCalled && matched) return "";
        if (check == kNotCalled && !matched) return "";
        if (check == kCount && matched == count) return "";
        if (check == kNotCalled)
            return "expected no " + service + " call " + wanted + ", found " + firstMatch;
        std::string head = check == kCount ? "expected " + std::to_string(count) + " " + service + " calls " +
                                                 wanted + ", found " + std::to_string(matched)
                                           : "expected a " + service + " call " + wanted;
        if (!sameName.empty()) return head + "; the " + name + " calls were:" + sameName;
        std::string names;
        for (const standin::Call& call : calls)
            names += " " + call.name;
        return head + "; there was no " + name + " call" +
               (names.empty() ? " (no calls at all)" : "; calls:" + names);
    };
}

// One call of an "expect order" line: Name, or Name(arg,arg,...) with the
// arguments compared as in the call expectations.
struct OrderedCall {
    std::string name;
    std::vector<Token> args;
};

static OrderedCall ReadOrderedCall(LineReader& reader, const Token& token) {
    OrderedCall item;
    const std::string& t = token.text;
    size_t open = t.find('(');
    item.name = t.substr(0, open);
    if (item.name.empty()) ScenarioError(reader.where(), "a call name is missing in " + t);
    if (open == std::string::npos) return item;
    if (t.back() != ')') ScenarioError(reader.where(), "a call's arguments end in ): " + t);
    std::string inside = t.substr(open + 1, t.size() - open - 2);
    for (size_t start = 0; !inside.empty();) {
        size_t comma = inside.find(',', start);
        item.args.push_back(
            Token{inside.substr(start, comma == std::string::npos ? comma : comma - start), false});
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return item;
}

static std::string OrderedCallText(const OrderedCall& item) {
    if (item.args.empty()) return item.name;
    std::string out = item.name + "(";
    for (size_t i = 0; i < item.args.size(); ++i)
        out += (i ? "," : "") + item.args[i].text;
    return out + ")";
}

// Longer orders are named by their first and last call in messages.
static const size_t kListedOrder = 8;

// Holds when calls matching the items were recorded in that order, whatever
// came between them; each item is looked for after the call that matched the one before.
static Run OrderExpectation(const std::vector<OrderedCall>& items) {
    return [items]() -> std::string {
        std::vector<standin::LibraryCall> calls = standin::AllCalls();
        size_t next = 0;
        size_t after = 0; // number of calls before the one the last item matched, plus one
        for (size_t i = 0; i < calls.size() && next < items.size(); ++i) {
            if (calls[i].call.name != items[next].name || !CallMatches(calls[i].call, items[next].args))
                continue;
            ++next;
            after = i + 1;
        }
        if (next == items.size()) return "";
        const OrderedCall& missing = items[next];
        std::string out = "expected the calls in order";
        if (items.size() <= kListedOrder) {
            for (const OrderedCall& item : items)
                out += " " + OrderedCallText(item);
        } else {
            out += " (" + std::to_string(items.size()) + " of them, " + OrderedCallText(items.front()) +
                   " to " + OrderedCallText(items.back()) + ")";
        }
        out += "; " +
               (next ? "after call #" + std::to_string(after) + " (" + OrderedCallText(items[next - 1]) + ")"
                     : std::string("among the calls")) +
               " there was no " + OrderedCallText(missing);
        std::string found;
        size_t listed = 0;
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i].call.name == missing.name && listed++ < kListedCalls)
                found += "\n    #" + std::to_string(i + 1) + " " + CallText(calls[i].call);
        return out + (found.empty() ? "; there was no " + missing.name + " call at all"
                                    : "; the " + missing.name + " calls were:" + found);
    };
}

// ---- the expect lines ----------------------------------------------------------------------
static int ReadColour(LineReader& reader) {
    Token t = reader.Next("colour");
    if (!t.quoted && t.text == "*") return -1;
    return (int)ParseNumber(reader.where(), t.text, "colour (* for any)", 0, INT32_MAX);
}

static Run Result(LineReader& reader) {
    long long code = reader.Uint32("result code");
    reader.End();
    return [code]() -> std::string {
        uint32_t result = *ScenarioResult();
        if (result == (uint32_t)code) return "";
        return "expected result " + std::to_string(code) + ", found " + std::to_string(result);
    };
}

static Run RecordValue(LineReader& reader) {
    const Where where = reader.where();
    std::string field = reader.Word("field name");
    if (!IsRecordField(field) || field == "guardWord")
        ScenarioError(where, "unknown launch record field: " + field);
    std::string value = reader.Rest();
    CompareRecordField(ScenarioRecord(), field, value, where); // rejects a malformed value now
    return [=]() { return CompareRecordField(ScenarioRecord(), field, value, where); };
}

static Run Pane(LineReader& reader) {
    int colour = ReadColour(reader);
    std::string text = reader.Rest();
    return ListLineExpectation(kPaneX, kPaneY, colour, text, kExact, true);
}

static Run PaneRaw(LineReader& reader) {
    int colour = ReadColour(reader);
    std::string text = reader.Rest();
    return ListLineExpectation(kPaneX, kPaneY, colour, text, kRaw, true);
}

static Run NoPane(LineReader& reader) {
    std::string text = reader.Rest();
    return ListLineExpectation(kPaneX, kPaneY, -1, text, kExact, false);
}

static Run PaneContainsOrNot(LineReader& reader, bool wanted) {
    std::string text = reader.Rest();
    if (text.empty()) ScenarioError(reader.where(), "missing text");
    return ListLineExpectation(kPaneX, kPaneY, -1, text, kContains, wanted);
}

static Run PaneContains(LineReader& reader) {
    return PaneContainsOrNot(reader, true);
}

static Run NoPaneContains(LineReader& reader) {
    return PaneContainsOrNot(reader, false);
}

static Run TextAt(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    std::string text = reader.Rest();
    return ListLineExpectation(x, y, -1, text, kExact, true);
}

static Run ControlById(LineReader& reader) {
    int textId = reader.Int("string id");
    std::string state = ReadState(reader);
    reader.End();
    return ControlExpectation([textId]() { return standin::FindByTextId(textId); },
                              "the control labelled by string " + std::to_string(textId), state);
}

static Run ControlAt(LineReader& reader) {
    int k = reader.Int("control kind");
    int x = reader.Int("x");
    int y = reader.Int("y");
    std::string state = ReadState(reader);
    reader.End();
    return ControlExpectation([k, x, y]() { return standin::FindAt(k, x, y); },
                              "the kind-" + std::to_string(k) + " control at " + std::to_string(x) + "," +
                                  std::to_string(y),
                              state);
}

// "expect <library>call", "expect no<library>call" and "expect <library>calls": one
// parse for all of them, the row names the library and the check.
template <const Library& library, CallCheck check> static Run CallsOf(LineReader& reader) {
    long long count = check == kCount ? reader.Count("call count") : 0;
    std::string name = reader.Word("call name");
    std::vector<Token> args;
    Token t;
    while (reader.NextIf(&t))
        args.push_back(t);
    return CallExpectation(library, name, args, check, count);
}

static Run Order(LineReader& reader) {
    std::vector<OrderedCall> items;
    Token t;
    while (reader.NextIf(&t))
        items.push_back(ReadOrderedCall(reader, t));
    if (items.size() < 2) ScenarioError(reader.where(), "expect order takes two calls or more");
    return OrderExpectation(items);
}

static Run Input(LineReader& reader) {
    std::string text = reader.Rest();
    return [text]() -> std::string {
        standin::Control* edit = standin::FindAt(kEditBox, kInputX, kInputY);
        if (!edit) return "expected the input line to hold " + Quote(text) + ", but there is no input line";
        std::string found = standin::Utf8(edit->editText);
        if (found == text) return "";
        return "expected the input line to hold " + Quote(text) + ", found " + Quote(found);
    };
}

static Run Log(LineReader& reader) {
    std::string text = reader.Rest();
    return [text]() -> std::string {
        std::string found;
        for (const std::string& line : standin::LogLines()) {
            if (line == text) return "";
            found += "\n    " + Quote(line);
        }
        return "expected the log line " + Quote(text) + "; " +
               (found.empty() ? std::string("nothing was logged") : "the log holds:" + found);
    };
}

// The log holds no such line (a restore that must not have failed, say).
static Run NoLog(LineReader& reader) {
    std::string text = reader.Rest();
    return [text]() -> std::string {
        for (const std::string& line : standin::LogLines())
            if (line == text) return "expected no log line " + Quote(text) + ", but the log holds it";
        return "";
    };
}

static Run FigureLabel(LineReader& reader) {
    std::string text = reader.Rest();
    return [text]() -> std::string {
        std::u16string wanted = standin::Utf16(text);
        for (standin::Figure* f : standin::Figures())
            for (const std::u16string& label : f->labels)
                if (label == wanted) return "";
        return "expected a figure labelled " + Quote(text) + " among " +
               std::to_string(standin::LiveFigureCount()) + " live figures";
    };
}

static Run FigureCount(LineReader& reader) {
    long long n = reader.Count("figure count");
    reader.End();
    return [n]() -> std::string {
        int live = standin::LiveFigureCount();
        if (live == n) return "";
        return "expected " + std::to_string(n) + " live figures, found " + std::to_string(live);
    };
}

static Run EditAt(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    std::string text = reader.Rest();
    return [=]() -> std::string {
        standin::Control* edit = standin::FindAt(kEditBox, x, y);
        std::string place = std::to_string(x) + "," + std::to_string(y);
        if (!edit)
            return "expected the edit box at " + place + " to hold " + Quote(text) + ", but there is none";
        std::string found = standin::Utf8(edit->editText);
        if (found == text) return "";
        return "expected the edit box at " + place + " to hold " + Quote(text) + ", found " + Quote(found);
    };
}

// ---- list rows --------------------------------------------------------------------
// The list at x,y and its row, or a message saying what is missing.
static std::string FindRow(int x, int y, int row, const standin::Control** found) {
    standin::Control* list = standin::FindAt(kTextList, x, y);
    std::string place = "the list at " + std::to_string(x) + "," + std::to_string(y);
    if (!list) return "no list at " + std::to_string(x) + "," + std::to_string(y);
    if (row < 0 || (size_t)row >= list->rows.size())
        return place + " has " + std::to_string(list->rows.size()) + " rows, no row " + std::to_string(row);
    *found = list;
    return "";
}

// A cell's text: column 0 is the row's own text until a cell text replaces it.
static std::string CellText(const standin::Control& list, int row, int column) {
    if (standin::CellCount(list, (size_t)row) == 0) return column == 0 ? list.rows[(size_t)row].text : "";
    return standin::Utf8(standin::CellText(list, (size_t)row, (size_t)column));
}

static Run Cell(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    int row = reader.Int("row");
    int column = reader.Int("column");
    std::string text = reader.Rest();
    return [=]() -> std::string {
        const standin::Control* list = nullptr;
        std::string missing = FindRow(x, y, row, &list);
        if (!missing.empty()) return "expected " + Quote(text) + " in a cell: " + missing;
        std::string found = CellText(*list, row, column);
        if (found == text) return "";
        return "expected row " + std::to_string(row) + " column " + std::to_string(column) + " to read " +
               Quote(text) + ", found " + Quote(found);
    };
}

static Run RowColour(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    int row = reader.Int("row");
    int colour = reader.Int("colour");
    reader.End();
    return [=]() -> std::string {
        const standin::Control* list = nullptr;
        std::string missing = FindRow(x, y, row, &list);
        if (!missing.empty()) return "expected a row in colour " + std::to_string(colour) + ": " + missing;
        int found = list->rows[(size_t)row].colour;
        if (found == colour) return "";
        return "expected row " + std::to_string(row) + " in colour " + std::to_string(colour) + ", found " +
               std::to_string(found);
    };
}

static Run ListShape(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    int rows = reader.Count("rows");
    int top = reader.Int("top");
    reader.End();
    return [=]() -> std::string {
        standin::Control* list = standin::FindAt(kTextList, x, y);
        if (!list)
            return "expected a list at " + std::to_string(x) + "," + std::to_string(y) + ", found none";
        if ((int)list->rows.size() == rows && list->scrollTop == top) return "";
        return "expected " + std::to_string(rows) + " rows scrolled to " + std::to_string(top) + ", found " +
               std::to_string(list->rows.size()) + " rows scrolled to " + std::to_string(list->scrollTop);
    };
}

// ---- text lines by place --------------------------------------------------------------
// "expect line": the index-th line (from the end when negative) of the list at
// x,y has the colour and reads the stored text, colour codes included.
static Run LineAt(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    int index = reader.Int("line index");
    int colour = ReadColour(reader);
    std::string text = reader.Rest();
    return [=]() -> std::string {
        standin::Control* list = standin::FindAt(kTextList, x, y);
        std::string place = "the text list at " + std::to_string(x) + "," + std::to_string(y);
        std::string what = "line " + std::to_string(index) + " of " + place + " to read " + Quote(text) +
                           (colour >= 0 ? " in colour " + std::to_string(colour) : "");
        if (!list) return "expected " + what + ", but no such list exists";
        long long count = (long long)list->lines.size();
        long long at = index < 0 ? count + index : index;
        if (at < 0 || at >= count) return "expected " + what + "; it has " + std::to_string(count) + " lines";
        const standin::TextLine& line = list->lines[(size_t)at];
        if (LineMatches(line, colour, standin::Utf16(text), kRaw)) return "";
        return "expected " + what + ", found colour " + std::to_string(line.colour) + " " +
               Quote(standin::Utf8(line.text));
    };
}

static Run LineCount(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    int n = reader.Count("line count");
    reader.End();
    return [=]() -> std::string {
        standin::Control* list = standin::FindAt(kTextList, x, y);
        std::string place = "the text list at " + std::to_string(x) + "," + std::to_string(y);
        if (!list)
            return "expected " + std::to_string(n) + " lines in " + place + ", but no such list exists";
        if ((int)list->lines.size() == n) return "";
        return "expected " + std::to_string(n) + " lines in " + place + ", found " +
               std::to_string(list->lines.size()) + "; " + LinesFound(list);
    };
}

static Run ShowingOrNot(LineReader& reader, bool wanted) {
    int id = reader.Int("string id");
    reader.End();
    return [=]() -> std::string {
        if (standin::StringShown(id) == wanted) return "";
        return std::string(wanted ? "expected" : "expected no") + " control showing string " +
               std::to_string(id) + " " + Quote(standin::Utf8(standin::StringText(id))) +
               (wanted ? ", found none" : ", found one");
    };
}

static Run Showing(LineReader& reader) {
    return ShowingOrNot(reader, true);
}

static Run NotShowing(LineReader& reader) {
    return ShowingOrNot(reader, false);
}

static Run ButtonFrame(LineReader& reader) {
    int x = reader.Int("x");
    int y = reader.Int("y");
    int frame = reader.Int("frame");
    reader.End();
    return [=]() -> std::string {
        standin::Control* c = standin::FindAt(kButton, x, y);
        std::string what = "the button at " + std::to_string(x) + "," + std::to_string(y);
        if (!c) return "expected " + what + " to show frame " + std::to_string(frame) + ", but there is none";
        if (c->buttonFrame == frame) return "";
        return "expected " + what + " to show frame " + std::to_string(frame) + ", found " +
               std::to_string(c->buttonFrame);
    };
}

static Run BackgroundImage(LineReader& reader) {
    std::string path = reader.Rest();
    return [path]() -> std::string {
        std::string found = standin::ImagePath(standin::Background());
        if (found == path) return "";
        return "expected the background " + Quote(path) + ", found " + Quote(found);
    };
}

// ---- one figure ----------------------------------------------------------------------
// "expect figure": a live figure, found by its first label (the account, e.g.
// "*Kestrel") or as @n, the n-th live figure in creation order from 0.
static standin::Figure* FindFigureBy(const std::string& which) {
    std::vector<standin::Figure*> live = standin::Figures();
    if (which.size() > 1 && which[0] == '@') {
        size_t n = (size_t)std::strtoul(which.c_str() + 1, nullptr, 10);
        return n < live.size() ? live[n] : nullptr;
    }
    for (standin::Figure* f : live)
        if (f->labels[0] == standin::Utf16(which)) return f;
    return nullptr;
}

static std::string HexOf(const uint8_t* bytes, size_t n) {
    std::string out;
    char two[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%s%02x", i ? " " : "", bytes[i]);
        out += two;
    }
    return out;
}

static std::string TagText(uint32_t tag) {
    return std::string{(char)(tag >> 24), (char)(tag >> 16), (char)(tag >> 8), (char)tag};
}

// A figure field as a scenario writes it: numbers in decimal, the tag as its
// four characters, labels as texts, looks as hex bytes.
struct FigureField {
    const char* name;
    std::string (*read)(const standin::Figure& f);
};
// clang-format off
static const FigureField kFigureFields[] = {
    {"kind",     [](const standin::Figure& f) { return std::to_string(f.kind); }},
    {"mode",     [](const standin::Figure& f) { return std::to_string(f.mode); }},
    {"x",        [](const standin::Figure& f) { return std::to_string(f.x); }},
    {"frame",    [](const standin::Figure& f) { return std::to_string(f.frame); }},
    {"level",    [](const standin::Figure& f) { return std::to_string(f.level); }},
    {"param",    [](const standin::Figure& f) { return std::to_string(f.param); }},
    {"state",    [](const standin::Figure& f) { return std::to_string(f.flags); }},
    {"selected", [](const standin::Figure& f) { return std::to_string(f.flags >> 10 & 1); }},
    {"tag",      [](const standin::Figure& f) { return TagText(f.tag); }},
    {"label1",   [](const standin::Figure& f) { return standin::Utf8(f.labels[1]); }},
    {"label2",   [](const standin::Figure& f) { return standin::Utf8(f.labels[2]); }},
    {"label3",   [](const standin::Figure& f) { return standin::Utf8(f.labels[3]); }},
    {"lookA",    [](const standin::Figure& f) { return HexOf(f.lookA, 16); }},
    {"lookB",    [](const standin::Figure& f) { return HexOf(f.lookB, 16); }},
};
// clang-format on
static_assert(sizeof kFigureFields / sizeof kFigureFields[0] == 14, "one row per figure field");

static Run FigureValue(LineReader& reader) {
    std::string which = reader.Word("figure");
    std::string name = reader.Word("figure field");
    const FigureField* field = nullptr;
    for (const FigureField& f : kFigureFields)
        if (name == f.name) field = &f;
    if (!field) ScenarioError(reader.where(), "unknown figure field: " + name);
    std::string value = reader.Rest();
    bool hex = name == "lookA" || name == "lookB";
    bool number = !hex && name != "tag" && name.compare(0, 5, "label") != 0;
    if (hex) {
        std::vector<uint8_t> bytes = ParseHex(reader.where(), value);
        value = HexOf(bytes.data(), bytes.size());
    }
    if (number)
        value = std::to_string(ParseNumber(reader.where(), value, name.c_str(), INT32_MIN, UINT32_MAX));
    return [=]() -> std::string {
        standin::Figure* f = FindFigureBy(which);
        std::string what = "the figure " + Quote(which) + " to have " + name + " " + Quote(value);
        if (!f) return "expected " + what + ", but there is no such live figure";
        std::string found = field->read(*f);
        if (found == value) return "";
        return "expected " + what + ", found " + Quote(found);
    };
}

// clang-format off
extern const std::vector<LineKind> kExpectLines = {
    {"expect pane",           "<colour|*> <text...>",          kCheck,      Pane},
    {"expect paneraw",        "<colour|*> <text...>",          kCheck,      PaneRaw},
    {"expect panecontains",   "<text...>",                     kCheck,      PaneContains},
    {"expect nopane",         "<text...>",                     kCheck,      NoPane},
    {"expect nopanecontains", "<text...>",                     kCheck,      NoPaneContains},
    {"expect textat",         "<x> <y> <text...>",             kCheck,      TextAt},
    {"expect edit",           "<x> <y> <text...>",             kCheck,      EditAt},
    {"expect cell",           "<x> <y> <row> <column> <text...>", kCheck,   Cell},
    {"expect rowcolour",      "<x> <y> <row> <colour>",        kCheck,      RowColour},
    {"expect list",           "<x> <y> <rows> <top>",          kCheck,      ListShape},
    {"expect control",        "<stringId> <state>",            kCheck,      ControlById},
    {"expect controlat",      "<kind> <x> <y> <state>",        kCheck,      ControlAt},
    {"expect chatcall",       "<Name> [args...]",              kCheck,      CallsOf<kChat, kCalled>},
    {"expect nochatcall",     "<Name> [args...]",              kCheck,      CallsOf<kChat, kNotCalled>},
    {"expect chatcalls",      "<n> <Name> [args...]",          kCheck,      CallsOf<kChat, kCount>},
    {"expect realmcall",      "<Name> [args...]",              kCheck,      CallsOf<kRealm, kCalled>},
    {"expect norealmcall",    "<Name> [args...]",              kCheck,      CallsOf<kRealm, kNotCalled>},
    {"expect realmcalls",     "<n> <Name> [args...]",          kCheck,      CallsOf<kRealm, kCount>},
    {"expect machinecall",    "<Name> [args...]",              kCheck,      CallsOf<kMachine, kCalled>},
    {"expect nomachinecall",  "<Name> [args...]",              kCheck,      CallsOf<kMachine, kNotCalled>},
    {"expect machinecalls",   "<n> <Name> [args...]",          kCheck,      CallsOf<kMachine, kCount>},
    {"expect toolkitcall",    "<Name> [args...]",              kCheck,      CallsOf<kToolkit, kCalled>},
    {"expect notoolkitcall",  "<Name> [args...]",              kCheck,      CallsOf<kToolkit, kNotCalled>},
    {"expect toolkitcalls",   "<n> <Name> [args...]",          kCheck,      CallsOf<kToolkit, kCount>},
    {"expect soundcall",      "<Name> [args...]",              kCheck,      CallsOf<kSound, kCalled>},
    {"expect nosoundcall",    "<Name> [args...]",              kCheck,      CallsOf<kSound, kNotCalled>},
    {"expect soundcalls",     "<n> <Name> [args...]",          kCheck,      CallsOf<kSound, kCount>},
    {"expect order",          "<call> <call> [call...]",       kCheck,      Order},
    {"expect input",          "<text...>",                     kCheck,      Input},
    {"expect log",            "<text...>",                     kCheck,      Log},
    {"expect nolog",          "<text...>",                     kCheck,      NoLog},
    {"expect figurelabel",    "<text...>",                     kCheck,      FigureLabel},
    {"expect figures",        "<n>",                           kCheck,      FigureCount},
    {"expect figure",         "<label|@n> <field> <value...>", kCheck,      FigureValue},
    {"expect line",           "<x> <y> <index> <colour|*> <text...>", kCheck, LineAt},
    {"expect lines",          "<x> <y> <n>",                   kCheck,      LineCount},
    {"expect showing",        "<stringId>",                    kCheck,      Showing},
    {"expect notshowing",     "<stringId>",                    kCheck,      NotShowing},
    {"expect background",     "<path...>",                     kCheck,      BackgroundImage},
    {"expect buttonframe",    "<x> <y> <frame>",               kCheck,      ButtonFrame},
    {"expect result",         "<n>",                           kCheckAfter, Result},
    {"expect record",         "<field> <value>",               kCheck,      RecordValue},
};
// clang-format on

} // namespace qvhost
