// Scenario text: tokens, quoted texts, escapes, numbers and hex bytes.
//
// A token is a run of non-blank characters or a text in double quotes. A '#' at
// the start of a token begins a comment. Escapes work inside and outside quotes:
// \\ \" \# \n \r \t \xNN (one byte) and \m (the chat pane's colour marker).
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "../standin/StandIn.h"
#include "Scenario.h"

namespace qvhost {

void ScenarioError(const Where& where, const std::string& message) {
    std::fprintf(stderr, "%s\n", Printable(where.Text() + ": " + message).c_str());
    std::fflush(stderr);
    std::exit(2);
}

static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes the escape at text[*pos] (the character after the backslash) and
// appends it to out; *pos ends after the escape.
static void Unescape(const std::string& text, size_t* pos, std::string* out, const Where& where) {
    if (*pos >= text.size()) ScenarioError(where, "a backslash ends the line");
    char c = text[(*pos)++];
    switch (c) {
    case '\\':
        *out += '\\';
        return;
    case '"':
        *out += '"';
        return;
    case '#':
        *out += '#';
        return;
    case 'n':
        *out += '\n';
        return;
    case 'r':
        *out += '\r';
        return;
    case 't':
        *out += '\t';
        return;
    case 'm':
        *out += standin::Utf8(ColourMarker());
        return;
    case 'x': {
        int hi = *pos < text.size() ? HexDigit(text[*pos]) : -1;
        int lo = *pos + 1 < text.size() ? HexDigit(text[*pos + 1]) : -1;
        if (hi < 0 || lo < 0) ScenarioError(where, "\\x needs two hex digits");
        *out += (char)(hi * 16 + lo);
        *pos += 2;
        return;
    }
    default:
        ScenarioError(where, std::string("unknown escape \\") + c);
    }
}

void LineReader::SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r'))
        ++pos_;
}

bool LineReader::AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size() || text_[pos_] == '#';
}

bool LineReader::NextIf(Token* token) {
    if (AtEnd()) return false;
    token->text.clear();
    token->quoted = text_[pos_] == '"';
    if (token->quoted) {
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size()) ScenarioError(where_, "a quoted text is not closed");
            char c = text_[pos_++];
            if (c == '"') break;
            if (c == '\\')
                Unescape(text_, &pos_, &token->text, where_);
            else
                token->text += c;
        }
        return true;
    }
    while (pos_ < text_.size() && text_[pos_] != ' ' && text_[pos_] != '\t' && text_[pos_] != '\r') {
        char c = text_[pos_++];
        if (c == '\\')
            Unescape(text_, &pos_, &token->text, where_);
        else
            token->text += c;
    }
    return true;
}

Token LineReader::Next(const char* what) {
    Token token;
    if (!NextIf(&token)) ScenarioError(where_, std::string("missing ") + what);
    return token;
}

long long LineReader::Number(const char* what, long long low, long long high) {
    Token token = Next(what);
    return ParseNumber(where_, token.text, what, low, high);
}

std::string LineReader::Rest() {
    if (AtEnd()) return "";
    if (text_[pos_] == '"') {
        Token token;
        NextIf(&token);
        End();
        return token.text;
    }
    // Up to a comment ('#' after a blank) or the end, without trailing blanks.
    size_t end = pos_;
    size_t stop = text_.size();
    for (size_t i = pos_; i < text_.size(); ++i) {
        if (text_[i] == '#' && (text_[i - 1] == ' ' || text_[i - 1] == '\t')) {
            stop = i;
            break;
        }
    }
    end = stop;
    while (end > pos_ && (text_[end - 1] == ' ' || text_[end - 1] == '\t' || text_[end - 1] == '\r'))
        --end;
    std::string raw = text_.substr(pos_, end - pos_);
    pos_ = text_.size();
    std::string out;
    for (size_t i = 0; i < raw.size();) {
        char c = raw[i++];
        if (c == '\\')
            Unescape(raw, &i, &out, where_);
        else
            out += c;
    }
    return out;
}

void LineReader::End() {
    if (!AtEnd()) ScenarioError(where_, "unexpected text at the end of the line: " + text_.substr(pos_));
}

long long ParseNumber(const Where& where, const std::string& text, const char* what, long long low,
                      long long high) {
    if (text.empty()) ScenarioError(where, std::string("missing ") + what);
    size_t i = text[0] == '-' ? 1 : 0;
    bool hex = text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0;
    if (hex) i += 2;
    // Digits alone after the sign and prefix: no blanks, no second sign, no octal.
    bool digits = i < text.size();
    for (size_t d = i; d < text.size(); ++d)
        digits = digits && (hex ? HexDigit(text[d]) >= 0 : text[d] >= '0' && text[d] <= '9');
    if (!digits) ScenarioError(where, std::string(what) + " is not a number: " + text);
    errno = 0;
    long long value = std::strtoll(text.c_str(), nullptr, hex ? 16 : 10);
    if (errno == ERANGE || value < low || value > high)
        ScenarioError(where, std::string(what) + " is out of range (" + std::to_string(low) + " to " +
                                 std::to_string(high) + "): " + text);
    return value;
}

std::vector<uint8_t> ParseHex(const Where& where, const std::string& text) {
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == ',' || c == ':') continue;
        int d = HexDigit(c);
        if (d < 0) ScenarioError(where, "not a hex byte list: " + text);
        if (high < 0) {
            high = d;
        } else {
            bytes.push_back((uint8_t)(high * 16 + d));
            high = -1;
        }
    }
    if (high >= 0) ScenarioError(where, "odd number of hex digits: " + text);
    return bytes;
}

std::string Quote(const std::string& utf8) {
    std::string marker = standin::Utf8(ColourMarker());
    std::string out = "\"";
    for (size_t i = 0; i < utf8.size();) {
        if (!marker.empty() && utf8.compare(i, marker.size(), marker) == 0) {
            out += "\\m";
            i += marker.size();
            continue;
        }
        unsigned char c = (unsigned char)utf8[i++];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out + "\"";
}

// The length of the UTF-8 sequence at text[i] that is a printable character
// (not a C1 control, not overlong, no surrogate), or 0.
static size_t PrintableSequence(const std::string& text, size_t i) {
    unsigned char c = (unsigned char)text[i];
    size_t length = c >= 0xf0 && c <= 0xf4 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 && c < 0xe0 ? 2 : 0;
    if (c >= 0xf5 || length == 0 || i + length > text.size()) return 0;
    uint32_t code = c & (0x7f >> length);
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = (unsigned char)text[i + k];
        if ((next & 0xc0) != 0x80) return 0;
        code = code << 6 | (next & 0x3f);
    }
    static const uint32_t kLowest[] = {0, 0, 0xa0, 0x800, 0x10000};
    if (code < kLowest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return 0;
    return length;
}

std::string Printable(const std::string& text, bool keepLines) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = (unsigned char)text[i];
        bool plain = (c >= 0x20 && c != 0x7f) || (keepLines && c == '\n');
        size_t length = c >= 0x80 ? PrintableSequence(text, i) : plain ? 1 : 0;
        if (length > 0) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        out += hex;
        ++i;
    }
    return out;
}

} // namespace qvhost
