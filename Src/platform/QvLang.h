// QvLang: the host's string library as the lobby uses it.
//
// Localized texts are looked up by numeric id; the module's own string table is
// loaded at the start of a visit and unloaded at its end. Texts handed to the
// toolkit are 16-bit `Unicode` strings (zero-terminated arrays of Unicode).
//
// Every converter and copy takes the size of its destination in elements,
// terminator included, and always terminates a destination of size >= 1.
#pragma once

#include <cstdint>

struct Unicode {
    uint16_t ch;

    // Copies src into dst (size elements); returns dst.
    static Unicode* strcpy(Unicode* dst, const Unicode* src, int size);
    // Appends src to dst (size elements in all); returns dst.
    static Unicode* strcat(Unicode* dst, const Unicode* src, int size);
    // Appends at most n characters of src to dst (size elements in all).
    static Unicode* strncat(Unicode* dst, const Unicode* src, int n, int size);
    // Number of characters before the terminator; 0 for null.
    static int strlen(const Unicode* s);
    // First occurrence of find in s, or null (an empty find matches at s).
    static const Unicode* strstr(const Unicode* s, const Unicode* find);
    // Formats an 8-bit printf format with its arguments and widens the result
    // (at most 1023 characters before widening).
    static Unicode* sprintf(Unicode* dst, int size, const char* fmt, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    // Widens 8-bit text byte by byte (ASCII / Latin-1).
    static Unicode* toUnicode(Unicode* dst, const char* src, int size);
    // Encodes 16-bit text as UTF-8 into size bytes; never splits a sequence.
    static char* toUtf(char* dst, const Unicode* src, int size);
    // Decodes UTF-8 (invalid bytes become U+FFFD).
    static Unicode* utf8ToUnicode(Unicode* dst, const char* src, int size);
    // Decodes Windows code page 1252 text.
    static Unicode* win2Unicode(Unicode* dst, const char* src, int size);
    // Encodes as Windows code page 1252 ('?' for characters it lacks).
    static char* unicode2Win(char* dst, const Unicode* src, int size);
};
static_assert(sizeof(Unicode) == 2, "Unicode characters are 16-bit");

// Text of a string id from the loaded tables; never null (an unknown id gives
// an empty text).
const Unicode* GetString(int id);
// Loads the module's string table from the handle the toolkit gave; 1 on success.
int LoadModuleStrings(void* tableHandle, int flags);
void UnloadModuleStrings();
// The host's language number (3 selects alternative column texts in the ladder).
int GetLanguageNumber();
// An experience value as the player's language writes numbers; returns dst.
Unicode* FormatExperience(Unicode* dst, int size, uint64_t experience);
