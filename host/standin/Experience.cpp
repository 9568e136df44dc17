// QvLang's experience numbers: decimal with a comma between groups of three
// digits ("9,000,000,000"), whatever the language number.
#include <string>

#include "../../Src/platform/QvLang.h"

Unicode* FormatExperience(Unicode* dst, int size, uint64_t experience) {
    if (!dst || size <= 0) return dst;
    std::string digits = std::to_string(experience);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return Unicode::toUnicode(dst, text.c_str(), size);
}
