// What the benchmarks put in a channel: character descriptions as the chat
// service sends them.
#pragma once

#include <string>

namespace bench {

// A QvXP character description: realm West, the character's name, class and
// progress, and the appearance bytes every benchmark user shares.
inline std::string Description(const std::string& character, int classIndex, int progress) {
    std::string s = "PXvQ";
    s += "West," + character + ",";
    s += "\x01\x01";
    s += std::string(11, '\x03');
    s += (char)(classIndex + 1);
    s += std::string(11, '\x04');
    s += '\x0c';
    s += (char)0x01;
    s += (char)(progress & 0x1f);
    s += "\x01\x01\xff\xff\xff";
    return s;
}

} // namespace bench
