// QvLang strings: the stand-in's English string table, the texts a test puts
// in place of some of its own, the table's load state and the UTF-8 / UTF-16
// helpers of the driver API.
//
// GetString answers from the table whether or not LoadModuleStrings has run, so
// a text looked up outside a visit is still readable; StringsLoaded() tells
// whether the module loaded it. Unknown ids give an empty text and are kept,
// so that a run can tell that the table lacks a text the module shows.
#include <map>
#include <set>
#include <string>

#include "../../Src/platform/QvLang.h"
#include "Services.h"
#include "Saved.h"
#include "StandIn.h"

namespace {

bool loadFails = false;
bool loaded = false;
int languageNumber = 0;
std::set<int> unknownIds;               // asked for since the reset, not in the table
std::map<int, std::u16string> replaced; // texts a test put in place of the table's

struct Entry {
    int id;
    const char* utf8;
};
const Entry kEntries[] = {
#include "StringTable.inc"
};

const std::map<int, std::u16string>& Table() {
    static const std::map<int, std::u16string> table = [] {
        std::map<int, std::u16string> t;
        for (const Entry& e : kEntries)
            t[e.id] = standin::Utf16(e.utf8);
        return t;
    }();
    return table;
}

} // namespace

const Unicode* GetString(int id) {
    static const uint16_t empty[1] = {0};
    auto own = replaced.find(id);
    if (own != replaced.end()) return reinterpret_cast<const Unicode*>(own->second.c_str());
    auto it = Table().find(id);
    if (it == Table().end()) {
        unknownIds.insert(id);
        return reinterpret_cast<const Unicode*>(empty);
    }
    return reinterpret_cast<const Unicode*>(it->second.c_str());
}

int LoadModuleStrings(void*, int) {
    if (loadFails) return 0;
    loaded = true;
    return 1;
}

void UnloadModuleStrings() {
    loaded = false;
}

int GetLanguageNumber() {
    return languageNumber;
}

namespace standin {

void SetLanguageNumber(int number) {
    languageNumber = number;
}

void SetStringsLoadFails(bool fails) {
    loadFails = fails;
}
bool StringsLoaded() {
    return loaded;
}

std::vector<int> UnknownStringIds() {
    return std::vector<int>(unknownIds.begin(), unknownIds.end());
}

std::vector<int> StringIds() {
    std::vector<int> ids;
    for (const auto& entry : Table())
        ids.push_back(entry.first);
    return ids;
}

void SetStringText(int id, const std::string& utf8) {
    replaced[id] = Utf16(utf8);
}

std::u16string StringText(int id) {
    auto own = replaced.find(id);
    if (own != replaced.end()) return own->second;
    auto it = Table().find(id);
    return it == Table().end() ? std::u16string() : it->second;
}

std::string Utf8(const std::u16string& s) {
    // Written into a buffer sized for the worst case (3 bytes a unit), then cut:
    // pane lines are converted on every chat line, so no growth step per byte.
    std::string out(s.size() * 3, '\0');
    char* o = out.data();
    for (size_t i = 0; i < s.size(); i++) {
        uint32_t c = s[i];
        if (c < 0x80) {
            *o++ = (char)c;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            i++;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            *o++ = (char)(0xC0 | (c >> 6));
            *o++ = (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *o++ = (char)(0xE0 | (c >> 12));
            *o++ = (char)(0x80 | ((c >> 6) & 0x3F));
            *o++ = (char)(0x80 | (c & 0x3F));
        } else { // a surrogate pair: two units in, four bytes out
            *o++ = (char)(0xF0 | (c >> 18));
            *o++ = (char)(0x80 | ((c >> 12) & 0x3F));
            *o++ = (char)(0x80 | ((c >> 6) & 0x3F));
            *o++ = (char)(0x80 | (c & 0x3F));
        }
    }
    out.resize((size_t)(o - out.data()));
    return out;
}

std::string Utf8(const Unicode* s) {
    std::u16string text;
    for (; s && s->ch; s++)
        text += (char16_t)s->ch;
    return Utf8(text);
}

std::u16string Utf16(const std::string& utf8) {
    // Same decoding as Unicode::utf8ToUnicode, without a size limit.
    std::u16string out;
    std::vector<Unicode> buf(utf8.size() * 2 + 1);
    Unicode::utf8ToUnicode(buf.data(), utf8.c_str(), (int)buf.size());
    for (const Unicode* p = buf.data(); p->ch; p++)
        out += (char16_t)p->ch;
    return out;
}

} // namespace standin

namespace standin::internal {

void ResetStrings() {
    loadFails = false;
    loaded = false;
    languageNumber = 0;
    unknownIds.clear();
    replaced.clear();
}

std::string Hex(const void* bytes, uint32_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    for (uint32_t i = 0; b && i < size; i++) {
        out += digits[b[i] >> 4];
        out += digits[b[i] & 15];
    }
    return out;
}

std::string Text(const char* text) {
    return text ? std::string(text) : std::string("null");
}

std::string Pointer(const void* p) {
    return p ? "ptr" : "null";
}

std::vector<Call> CallsNamed(const std::vector<Call>& calls, const std::string& name) {
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.name == name) out.push_back(c);
    return out;
}

} // namespace standin::internal

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {
namespace {
struct StringsPart {
    bool loadFails, loaded;
    int languageNumber;
    std::map<int, std::u16string> replaced;
};
} // namespace
Part SaveStrings() {
    return Copy(StringsPart{loadFails, loaded, languageNumber, replaced});
}
void RestoreStrings(const Part& part) {
    const StringsPart& p = Copied<StringsPart>(part);
    loadFails = p.loadFails;
    loaded = p.loaded;
    languageNumber = p.languageNumber;
    replaced = p.replaced;
}
} // namespace standin::saved
