// Bounded text helpers used everywhere in the module.
//
// Every destination is given with its size in bytes (or 16-bit elements) and is
// always zero-terminated when the size is at least 1. strcpy, strcat and sprintf
// are never used in this module.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "../platform/QvLang.h"

// Copies src (null reads as empty) into dst; returns the length copied.
int TextCopy(char* dst, int size, const char* src);
// Copies at most count bytes of src.
int TextCopyN(char* dst, int size, const char* src, int count);
// Appends src to the text already in dst.
int TextAppend(char* dst, int size, const char* src);
// printf into dst, cut to size; returns the length written.
int TextFormat(char* dst, int size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
// value in decimal, cut to size like TextFormat; returns the length written.
int TextDecimal(char* dst, int size, int32_t value);
// Length of a text read within at most max bytes (no terminator needed).
int TextLengthWithin(const char* text, int max);
// 16-bit text from a string id, copied into a bounded buffer.
int UnicodeCopy(Unicode* dst, int size, const Unicode* src);

// accountKey of a user name: the text after the first '*' when not empty, else
// the whole name. characterPart: the text before the first '*', else the whole name.
const char* AccountKey(const char* userName);
int CharacterPart(char* dst, int size, const char* userName);
