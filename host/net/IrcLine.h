// Lines of the chat server's protocol (RFC 2812): the byte stream cut into
// lines, and one line split into its prefix, command and parameters.
//
// Everything the server sends is untrusted. A line is at most 512 bytes with
// its CR LF; a longer one is dropped whole (up to its line feed) and counted. A
// line whose end has not arrived yet is held until it completes. NUL bytes
// are dropped. Every field of a parsed message lies in the message's own
// buffer and is zero-terminated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace net {

constexpr size_t kMaxLine = 512;     // with CR LF
constexpr size_t kMaxLineText = 510; // without
constexpr int kMaxParams = 15;

// Cuts received bytes into lines.
class LineBuffer {
  public:
    // Takes received bytes.
    void Append(const char* bytes, size_t count);
    // The next complete line, without its CR LF, into out (size kMaxLine at
    // least); false when none is complete.
    bool Take(char* out, size_t size);
    size_t Held() const { return held_.size() - start_; }
    int Dropped() const { return dropped_; } // overlong lines discarded so far

  private:
    std::string held_;
    size_t start_ = 0;        // first byte not yet taken
    size_t open_ = 0;         // bytes of the line not yet ended
    bool discarding_ = false; // inside an overlong line: skipping to its line feed
    int dropped_ = 0;
};

// One line: ":prefix COMMAND p1 p2 ... :trailing". The fields point into text.
struct Message {
    char text[kMaxLine];
    const char* prefix = "";  // "" when the line has none
    const char* command = ""; // upper case as sent; numerics are three digits
    const char* params[kMaxParams] = {};
    int count = 0;
    // Parameter i, or "" when absent.
    const char* Param(int i) const { return i >= 0 && i < count ? params[i] : ""; }
    // The nick of the prefix (before '!'), into out; "" when no prefix.
    void Nick(char* out, size_t size) const;
};

// Splits a line (without CR LF) into msg; false for an empty or malformed line.
bool ParseMessage(const char* line, Message* msg);

// Bounded copy that always terminates (size > 0); returns the length copied.
size_t CopyText(char* out, size_t size, const char* text);
// The first count bytes of text at a UTF-8 character boundary: the length to keep.
size_t Utf8Cut(const char* text, size_t length, size_t count);
// Lower-case ASCII, for comparing nicks and channel names.
std::string Lower(const std::string& text);

// Hex of bytes, and back (false on an odd length or a non-hex digit; at most
// max bytes are decoded).
std::string HexOf(const std::string& bytes);
bool FromHex(const char* hex, size_t max, std::string* bytes);

} // namespace net
