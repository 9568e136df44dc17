// Bounded text helpers (see Text.h). Owns no state.
#include "Text.h"

#include <cstdio>
#include <cstring>

// One bound per byte: a list of many rows copies many short texts.
int TextCopyN(char* dst, int size, const char* src, int count) {
    if (size <= 0) return 0;
    int limit = count < size - 1 ? count : size - 1, n = 0;
    if (src)
        for (; n < limit && src[n]; ++n)
            dst[n] = src[n];
    dst[n] = 0;
    return n;
}

int TextCopy(char* dst, int size, const char* src) {
    return TextCopyN(dst, size, src, size);
}

int TextAppend(char* dst, int size, const char* src) {
    if (size <= 0) return 0;
    int used = TextLengthWithin(dst, size - 1);
    return used + TextCopy(dst + used, size - used, src);
}

int TextFormat(char* dst, int size, const char* fmt, ...) {
    if (size <= 0) return 0;
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(dst, (size_t)size, fmt, ap);
    va_end(ap);
    if (n < 0) {
        dst[0] = 0;
        return 0;
    }
    return n < size ? n : size - 1;
}

// Built here: a row of a long list formats its numbers without the C
// library's printf machinery.
int TextDecimal(char* dst, int size, int32_t value) {
    char digits[12];
    int first = (int)sizeof digits;
    uint32_t rest = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    do {
        digits[--first] = (char)('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    if (value < 0) digits[--first] = '-';
    return TextCopyN(dst, size, digits + first, (int)sizeof digits - first);
}

int TextLengthWithin(const char* text, int max) {
    int n = 0;
    if (text)
        while (n < max && text[n])
            ++n;
    return n;
}

int UnicodeCopy(Unicode* dst, int size, const Unicode* src) {
    if (size <= 0) return 0;
    int n = 0;
    if (src)
        while (n < size - 1 && src[n].ch) {
            dst[n] = src[n];
            ++n;
        }
    dst[n].ch = 0;
    return n;
}

const char* AccountKey(const char* userName) {
    const char* star = strchr(userName, '*');
    if (star && star[1]) return star + 1;
    return userName;
}

int CharacterPart(char* dst, int size, const char* userName) {
    const char* star = strchr(userName, '*');
    int count = star ? (int)(star - userName) : (int)strlen(userName);
    return TextCopyN(dst, size, userName, count);
}
