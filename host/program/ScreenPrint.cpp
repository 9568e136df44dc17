// Printing the stand-in's screen model and recorded calls as UTF-8 text.
#include <cstdio>

#include "../standin/StandIn.h"
#include "Scenario.h"

namespace qvhost {

static std::string KindName(const standin::Control* c) {
    if (c->hotSpot) return "hotspot";
    switch (c->desc.kind) {
    case kEditBox:
        return "edit";
    case kImageControl:
        return "image";
    case kLogo:
        return "logo";
    case kTextList:
        return "list";
    case kButton:
        return "button";
    case kDataText:
        return "datatext";
    case kTimer:
        return "timer";
    case kClickArea:
        return "area";
    case kFigureStrip:
        return "strip";
    default:
        return "kind" + std::to_string(c->desc.kind);
    }
}

static std::string Stem(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

static std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", v);
    return text;
}

static std::string ImageName(QvImage image) {
    std::string path = image ? standin::ImagePath(image) : "";
    return path.empty() ? std::string("none") : Stem(path);
}

// The descriptor's style, font and flags, and its per-kind extra value.
// Hot spots have no descriptor of their own: their arguments are in the toolkit calls.
static std::string DescriptorText(const standin::Control* c) {
    const ControlDescriptor& d = c->desc;
    if (c->hotSpot) return "";
    std::string out = "      style " + std::to_string(d.style) + " font " +
                      (c->font < 0 ? std::string("none") : std::to_string(c->font)) + " flags " +
                      Hex((uint32_t)d.flags);
    switch (d.kind) {
    case kButton:
        out += " first frame " + std::to_string(d.extra.frame);
        break;
    case kEditBox:
        out += d.extra.enter ? " enter callback" : " no enter callback";
        break;
    case kTextList:
        if (c->hasScroll)
            out += " scroll bar at " + std::to_string(c->scroll.x) + "," + std::to_string(c->scroll.y) +
                   " height " + std::to_string(c->scroll.height);
        out += " top " + std::to_string(c->scrollTop) + " shows " + std::to_string(c->visibleCount);
        break;
    case kLogo:
        if (c->hasLogo)
            out += " logo " + ImageName(c->logoFirst) + " " + ImageName(c->logoSecond) + " frames " +
                   std::to_string(c->logoFrames) + " speed " + std::to_string(c->logoSpeed);
        break;
    case kDataText:
        out += d.extra.data ? " data" : " no data";
        break;
    default:
        break;
    }
    return out + "\n";
}

static bool SameRow(const standin::Control& list, size_t a, size_t b) {
    const standin::ListRow &x = list.rows[a], &y = list.rows[b];
    size_t cells = standin::CellCount(list, a);
    if (x.text != y.text || cells != standin::CellCount(list, b) || x.data != y.data || x.colour != y.colour)
        return false;
    for (size_t c = 0; c < cells; ++c)
        if (standin::CellText(list, a, c) != standin::CellText(list, b, c)) return false;
    return true;
}

static std::string ControlText(const standin::Control* c) {
    char head[160];
    std::snprintf(head, sizeof head, "  #%d %s(%d) at %d,%d %dx%d", c->serial, KindName(c).c_str(),
                  c->desc.kind, c->desc.x, c->desc.y, c->desc.width, c->desc.height);
    std::string out = head;
    out += c->shown ? " shown" : " hidden";
    out += c->enabled ? " enabled" : " disabled";
    if (c->pressed) out += " pressed";
    if (c->onTop) out += " on-top";
    if (c->buttonFrame) out += " frame=" + std::to_string(c->buttonFrame);
    if (c->handle && c->handle == standin::Focus()) out += " focus";
    if (c->handle && c->handle == standin::CancelControl()) out += " cancel";
    if (c->desc.textId) out += " text#" + std::to_string(c->desc.textId);
    if (!c->label.empty()) out += " label " + Quote(standin::Utf8(c->label));
    std::string image = c->image ? standin::ImagePath(c->image) : "";
    if (!image.empty()) out += " image " + Stem(image);
    if (!c->bannerPath.empty())
        out += " banner " + Quote(c->bannerPath) + " type " + std::string(1, (char)c->bannerLetter);
    out += "\n" + DescriptorText(c);
    if (c->desc.kind == kEditBox) {
        out += "      edit " + Quote(standin::Utf8(c->editText)) + " caret " + std::to_string(c->caret);
        if (c->selectFrom < c->selectTo)
            out += " selected " + std::to_string(c->selectFrom) + " to " + std::to_string(c->selectTo);
        out += " max " + std::to_string(c->maxLength) + "\n";
    }
    // Lines and rows in the order they were added (a text box can hold both).
    size_t line = 0;
    for (size_t i = 0; i <= c->rows.size(); ++i) {
        for (; line < c->lines.size() && (i == c->rows.size() || c->lines[line].order < c->rows[i].order);
             ++line)
            out += "      colour " + std::to_string(c->lines[line].colour) + " " +
                   Quote(standin::Utf8(c->lines[line].text)) + "\n";
        if (i == c->rows.size()) break;
        const standin::ListRow& row = c->rows[i];
        // A run of alike rows (a ladder's unloaded rows) is printed once.
        size_t last = i;
        while (last + 1 < c->rows.size() && (int)last + 1 != c->selection && (int)i != c->selection &&
               SameRow(*c, last + 1, i))
            ++last;
        out += "      row " + std::to_string(i) + (last > i + 1 ? ".." + std::to_string(last) : "");
        if (last == i + 1) last = i;
        i = last;
        if ((int)i == c->selection) out += " (selected)";
        out += " " + Quote(row.text);
        for (size_t cell = 0; cell < standin::CellCount(*c, i); ++cell)
            out += " | " + Quote(standin::Utf8(standin::CellText(*c, i, cell)));
        out += " data " + std::to_string(row.data) + " colour " + std::to_string(row.colour) + "\n";
    }
    return out;
}

static std::string ByteHex(uint8_t b) {
    char text[4];
    std::snprintf(text, sizeof text, "%02x", b);
    return text;
}

static std::string FigureText(const standin::Figure* f) {
    char head[160];
    std::snprintf(head, sizeof head, "  figure kind %d mode %d x %d frame %d flags 0x%x level %d", f->kind,
                  f->mode, f->x, f->frame, f->flags, f->level);
    std::string out = head;
    out += " labels";
    for (const std::u16string& label : f->labels)
        out += " " + Quote(standin::Utf8(label));
    out += "\n      param " + std::to_string(f->param) + " param2 " + std::to_string(f->param2) + " look";
    for (uint8_t b : f->lookA)
        out += " " + ByteHex(b);
    out += " /";
    for (uint8_t b : f->lookB)
        out += " " + ByteHex(b);
    return out + "\n";
}

std::string ScreenText() {
    std::string out;
    std::string background = standin::ImagePath(standin::Background());
    std::string cursor = standin::ImagePath(standin::Cursor());
    out += "  background " + (background.empty() ? std::string("none") : Stem(background)) + ", cursor " +
           (cursor.empty() ? std::string("none") : Stem(cursor)) + "\n";
    std::vector<const standin::Control*> controls = standin::ControlsToRead();
    if (controls.empty()) out += "  (no controls)\n";
    for (const standin::Control* c : controls)
        out += ControlText(c);
    for (const standin::Figure* f : standin::Figures())
        out += FigureText(f);
    return out;
}

static std::string CallText(const standin::Call& call) {
    std::string out = call.name + "(";
    for (size_t i = 0; i < call.args.size(); ++i)
        out += (i ? ", " : "") + Quote(call.args[i]);
    return out + ")";
}

static std::string CallListText(const std::vector<standin::Call>& calls) {
    std::string out;
    for (const standin::Call& call : calls)
        out += "  " + CallText(call) + "\n";
    if (calls.empty()) out += "  (none)\n";
    return out;
}

std::string AllCallsText() {
    std::vector<standin::LibraryCall> calls = standin::AllCalls();
    std::string out = "every call in order:\n";
    for (size_t i = 0; i < calls.size(); ++i)
        out += "  #" + std::to_string(i + 1) + " " + calls[i].library + " " + CallText(calls[i].call) + "\n";
    if (calls.empty()) out += "  (none)\n";
    return out;
}

std::string CallsText() {
    std::string out = "chat-service calls:\n" + CallListText(standin::ChatCalls());
    out += "realm calls:\n" + CallListText(standin::RealmCalls());
    out += "machine calls:\n" + CallListText(standin::MachineCalls());
    std::vector<std::string> log = standin::LogLines();
    if (!log.empty()) {
        out += "log lines:\n";
        for (const std::string& line : log)
            out += "  " + Quote(line) + "\n";
    }
    return out;
}

} // namespace qvhost
