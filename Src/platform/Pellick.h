// Pellick: the host's utility library as the lobby uses it.
#pragma once

#include <cstdint>

void* Allocate(uint32_t size, const char* unit, int line);
void Free(void* block, const char* unit, int line);
// Reports a state that cannot occur in a sound run and ends the process with
// exit code -1.
[[noreturn]] void FatalErrorReport(int number, const char* unit, int line);
void LogLine(const char* text);
int IsFullContent();
// Decodes a two-byte packed word of the user description.
uint16_t ReadPackedWord(const uint8_t* bytes);

void* FileCreate(const char* name, uint32_t access, uint32_t share, void* security, uint32_t disposition,
                 uint32_t flags, void* templateFile); // null on failure
int FileWrite(void* file, const void* data, uint32_t size, uint32_t* written, void* overlapped);
void FileClose(void* file);

void CleanName(char* text);                // cleans a game name or password in place
const char* AddressText(uint32_t address); // text of a network address
const char* LocalAddressText();            // this machine's address
