// QvLang's Unicode class: bounded copies and the converters between 16-bit
// text and UTF-8, Latin-1 and Windows code page 1252.
//
// Every size is the destination's capacity in elements, terminator included;
// a destination of size >= 1 is always terminated and never overrun. Decoding
// stops early rather than store half of a character.
#include <cstdarg>
#include <cstdio>

#include "../../Src/platform/QvLang.h"

namespace {

// Code page 1252 bytes 0x80..0x9F; the five undefined bytes keep their value.
const uint16_t kWin1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

const uint16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(uint32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(uint32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

int Win1252Byte(uint16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int i = 0; i < 32; i++)
        if (kWin1252High[i] == c) return 0x80 + i;
    return -1;
}

// Decodes one UTF-8 character at s; *used gets the bytes it took (at least 1).
// Invalid or incomplete sequences give U+FFFD for their longest valid prefix.
uint32_t DecodeUtf8(const unsigned char* s, int* used) {
    unsigned char b = s[0];
    int need;
    uint32_t c, min;
    if (b < 0x80) {
        *used = 1;
        return b;
    } else if (b >= 0xC2 && b <= 0xDF) {
        need = 1, c = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2, c = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3, c = b & 0x07, min = 0x10000;
    } else {
        *used = 1;
        return kReplacement;
    }
    int i = 1;
    for (; i <= need; i++) {
        unsigned char t = s[i];
        if ((t & 0xC0) != 0x80) break;
        uint32_t next = (c << 6) | (t & 0x3F);
        // Reject overlong forms, encoded surrogates and values past U+10FFFF as
        // soon as the second byte shows them.
        if (i == 1 && need >= 2) {
            uint32_t top = next << (6 * (need - 1));
            if (top < min || (top >= 0xD800 && top <= 0xDFFF) || top > 0x10FFFF) break;
        }
        c = next;
    }
    *used = i;
    return i == need + 1 ? c : kReplacement;
}

} // namespace

Unicode* Unicode::strcpy(Unicode* dst, const Unicode* src, int size) {
    if (!dst || size <= 0) return dst;
    int i = 0;
    for (; src && i < size - 1 && src[i].ch; i++)
        dst[i] = src[i];
    dst[i].ch = 0;
    return dst;
}

Unicode* Unicode::strcat(Unicode* dst, const Unicode* src, int size) {
    return strncat(dst, src, size, size);
}

Unicode* Unicode::strncat(Unicode* dst, const Unicode* src, int n, int size) {
    if (!dst || size <= 0) return dst;
    int len = 0;
    while (len < size - 1 && dst[len].ch)
        len++;
    for (int i = 0; src && i < n && len < size - 1 && src[i].ch; i++)
        dst[len++] = src[i];
    dst[len].ch = 0;
    return dst;
}

int Unicode::strlen(const Unicode* s) {
    int n = 0;
    while (s && s[n].ch)
        n++;
    return n;
}

const Unicode* Unicode::strstr(const Unicode* s, const Unicode* find) {
    if (!s) return nullptr;
    if (!find || !find[0].ch) return s;
    for (; s->ch; s++) {
        int i = 0;
        while (find[i].ch && s[i].ch == find[i].ch)
            i++;
        if (!find[i].ch) return s;
    }
    return nullptr;
}

Unicode* Unicode::sprintf(Unicode* dst, int size, const char* fmt, ...) {
    char buf[1024];
    buf[0] = 0;
    if (fmt) {
        va_list args;
        va_start(args, fmt);
        vsnprintf(buf, sizeof buf, fmt, args);
        va_end(args);
    }
    return utf8ToUnicode(dst, buf, size);
}

Unicode* Unicode::toUnicode(Unicode* dst, const char* src, int size) {
    if (!dst || size <= 0) return dst;
    int i = 0;
    for (; src && i < size - 1 && src[i]; i++)
        dst[i].ch = (unsigned char)src[i];
    dst[i].ch = 0;
    return dst;
}

char* Unicode::toUtf(char* dst, const Unicode* src, int size) {
    if (!dst || size <= 0) return dst;
    int out = 0;
    for (int i = 0; src && src[i].ch; i++) {
        uint32_t c = src[i].ch;
        int take = 1;
        if (IsHighSurrogate(c) && IsLowSurrogate(src[i + 1].ch)) {
            c = 0x10000 + ((c - 0xD800) << 10) + (src[i + 1].ch - 0xDC00);
            take = 2;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacement;
        }
        unsigned char seq[4];
        int n;
        if (c < 0x80) {
            seq[0] = (unsigned char)c, n = 1;
        } else if (c < 0x800) {
            seq[0] = (unsigned char)(0xC0 | (c >> 6)), seq[1] = (unsigned char)(0x80 | (c & 0x3F)), n = 2;
        } else if (c < 0x10000) {
            seq[0] = (unsigned char)(0xE0 | (c >> 12));
            seq[1] = (unsigned char)(0x80 | ((c >> 6) & 0x3F));
            seq[2] = (unsigned char)(0x80 | (c & 0x3F));
            n = 3;
        } else {
            seq[0] = (unsigned char)(0xF0 | (c >> 18));
            seq[1] = (unsigned char)(0x80 | ((c >> 12) & 0x3F));
            seq[2] = (unsigned char)(0x80 | ((c >> 6) & 0x3F));
            seq[3] = (unsigned char)(0x80 | (c & 0x3F));
            n = 4;
        }
        if (out + n > size - 1) break;
        for (int k = 0; k < n; k++)
            dst[out++] = (char)seq[k];
        i += take - 1;
    }
    dst[out] = 0;
    return dst;
}

Unicode* Unicode::utf8ToUnicode(Unicode* dst, const char* src, int size) {
    if (!dst || size <= 0) return dst;
    int out = 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    while (s && *s) {
        if (*s < 0x80) { // plain ASCII, the common case of chat text
            if (out + 1 > size - 1) break;
            dst[out++].ch = *s++;
            continue;
        }
        int used;
        uint32_t c = DecodeUtf8(s, &used);
        if (c >= 0x10000) {
            if (out + 2 > size - 1) break;
            c -= 0x10000;
            dst[out++].ch = (uint16_t)(0xD800 + (c >> 10));
            dst[out++].ch = (uint16_t)(0xDC00 + (c & 0x3FF));
        } else {
            if (out + 1 > size - 1) break;
            dst[out++].ch = (uint16_t)c;
        }
        s += used;
    }
    dst[out].ch = 0;
    return dst;
}

Unicode* Unicode::win2Unicode(Unicode* dst, const char* src, int size) {
    if (!dst || size <= 0) return dst;
    int i = 0;
    for (; src && i < size - 1 && src[i]; i++) {
        unsigned char b = (unsigned char)src[i];
        dst[i].ch = (b >= 0x80 && b <= 0x9F) ? kWin1252High[b - 0x80] : b;
    }
    dst[i].ch = 0;
    return dst;
}

char* Unicode::unicode2Win(char* dst, const Unicode* src, int size) {
    if (!dst || size <= 0) return dst;
    int out = 0;
    for (int i = 0; src && src[i].ch && out < size - 1; i++) {
        uint16_t c = src[i].ch;
        // A surrogate pair is one character that the code page lacks.
        if (IsHighSurrogate(c) && IsLowSurrogate(src[i + 1].ch)) i++;
        int b = Win1252Byte(c);
        dst[out++] = (char)(b < 0 ? '?' : b);
    }
    dst[out] = 0;
    return dst;
}
