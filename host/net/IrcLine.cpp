// Lines of the chat server's protocol (IrcLine.h): cutting the byte stream
// into bounded lines and splitting a line into its fields.
//
// State: a LineBuffer's held bytes; a Message's copy of its line.
#include "IrcLine.h"

#include <cstring>

namespace net {

void LineBuffer::Append(const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        char c = bytes[i];
        if (discarding_) {
            if (c == '\n') discarding_ = false;
            continue;
        }
        if (c == 0) continue;
        held_.push_back(c);
        if (c == '\n') {
            open_ = 0;
        } else if (++open_ > kMaxLineText + 1) { // + 1: its CR
            // The line cannot be a protocol line: drop what came of it, and the rest up to its end.
            held_.resize(held_.size() - open_);
            open_ = 0;
            discarding_ = true;
            ++dropped_;
        }
    }
}

bool LineBuffer::Take(char* out, size_t size) {
    size_t feed = held_.find('\n', start_);
    if (feed == std::string::npos) {
        if (start_ > 0) { // keep the partial line alone
            held_.erase(0, start_);
            start_ = 0;
        }
        return false;
    }
    size_t end = feed;
    if (end > start_ && held_[end - 1] == '\r') --end;
    size_t length = end - start_;
    if (length >= size) length = size - 1;
    memcpy(out, held_.data() + start_, length);
    out[length] = 0;
    start_ = feed + 1;
    if (start_ == held_.size()) {
        held_.clear();
        start_ = 0;
    }
    return true;
}

void Message::Nick(char* out, size_t size) const {
    size_t n = strcspn(prefix, "!@");
    if (n >= size) n = size - 1;
    memcpy(out, prefix, n);
    out[n] = 0;
}

bool ParseMessage(const char* line, Message* msg) {
    CopyText(msg->text, sizeof msg->text, line);
    msg->prefix = "";
    msg->command = "";
    msg->count = 0;
    char* p = msg->text;
    if (*p == ':') {
        msg->prefix = ++p;
        p = strchr(p, ' ');
        if (!p) return false;
        *p++ = 0;
    }
    while (*p == ' ')
        ++p;
    if (!*p) return false;
    msg->command = p;
    p = strchr(p, ' ');
    while (p) {
        *p++ = 0;
        while (*p == ' ')
            ++p;
        if (!*p) break;
        if (*p == ':' || msg->count == kMaxParams - 1) {
            msg->params[msg->count++] = *p == ':' ? p + 1 : p;
            break;
        }
        msg->params[msg->count++] = p;
        p = strchr(p, ' ');
    }
    return true;
}

size_t CopyText(char* out, size_t size, const char* text) {
    if (size == 0) return 0;
    size_t n = text ? strnlen(text, size - 1) : 0;
    if (n) memcpy(out, text, n);
    out[n] = 0;
    return n;
}

size_t Utf8Cut(const char* text, size_t length, size_t count) {
    if (length <= count) return length;
    size_t n = count;
    // Step back over continuation bytes so that no character is split.
    while (n > 0 && ((unsigned char)text[n] & 0xC0) == 0x80)
        --n;
    return n;
}

std::string Lower(const std::string& text) {
    std::string s = text;
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

std::string HexOf(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool FromHex(const char* hex, size_t max, std::string* bytes) {
    bytes->clear();
    size_t n = strnlen(hex, 2 * max + 1);
    if (n % 2 || n > 2 * max) return false;
    for (size_t i = 0; i < n; i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes->push_back((char)(hi << 4 | lo));
    }
    return true;
}

} // namespace net
