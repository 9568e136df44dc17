// Hooks between the stand-in libraries (not used by tests or the module).
#pragma once

#include <cstddef>
#include <cstdint>

#include "StandIn.h"

namespace standin::internal {

// Toolkit and script (Toolkit.cpp, Script.cpp).
void ResetToolkit();
void ResetScript();
// Strings, services, core and utility (the other stand-in units).
void ResetServices();
// Called by the screen loop once per frame, before the frame callback: the realm
// stand-in advances its logon countdown here.
void OnFrame();
// The toolkit's screen loop calls this hook once per frame before the frame
// callback (null: none). The driver library sets it to OnFrame when it is
// loaded, so the toolkit library does not import the realm client's.
using ServicesHook = void (*)();
void SetServicesHook(ServicesHook hook);

// The log of every library's calls in order (CallLog.cpp). Library names:
// "chat", "realm", "toolkit", "sound".
void LogCall(const char* library, const std::vector<Call>& log); // after its call was appended to log
// Appends the call to the library's own log and enters it in the log of all calls.
// Inline, and the name passed through as given: it runs on every recorded call.
template <class Name>
inline void RecordCall(const char* library, std::vector<Call>& log, Name&& name,
                       std::vector<std::string>&& args) {
    log.push_back(Call{std::forward<Name>(name), std::move(args)});
    LogCall(library, log);
}
void ForgetCalls(const char* library); // when a library's own log is cleared
void ResetCallLog();

// Bytes handed to the module (EdgeBytes.cpp): a copy that ends right before an
// unreadable page, so that reading past what was handed over faults.
class EdgeBytes {
  public:
    EdgeBytes() = default;
    EdgeBytes(const EdgeBytes&) = delete;
    EdgeBytes& operator=(const EdgeBytes&) = delete;
    ~EdgeBytes();
    // Copies size bytes (none is fine); returns the copy, valid until the next Hold or Release.
    const uint8_t* Hold(const void* bytes, size_t size);
    const uint8_t* data() const { return start; } // null before the first Hold
    void Release();

  private:
    void* block = nullptr;
    size_t blockSize = 0;
    uint8_t* start = nullptr;
};

} // namespace standin::internal
