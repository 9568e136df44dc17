// Corvel: the host's core library (registry numbers and the string hash).
#pragma once

#include <cstdint>

// 1 when the value exists and was read into *number.
int RegistryReadNumber(const char* key, const char* valueName, int reserved, uint32_t* number);
void RegistryWriteNumber(const char* key, const char* valueName, int reserved, uint32_t number);
// Hash of the first length characters of text; the host hashes the guard word
// with the same function.
uint32_t HashString(const char* text, int length);
