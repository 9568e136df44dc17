// Bytes that the stand-in services hand to the module, placed so that they end
// exactly where an unreadable page begins: a read past what a service handed
// over faults at once, in every build and not only under a sanitizer.
//
// State: each EdgeBytes owns its mapping (the bytes' pages and the guard page).
#include <cstdlib>
#include <cstring>

#include "Internal.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace standin::internal {

namespace {

size_t PageSize() {
#ifdef _WIN32
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
#else
    return (size_t)sysconf(_SC_PAGESIZE);
#endif
}

// size bytes of pages, the last of them unreadable; null when that fails.
void* MapWithGuard(size_t size, size_t page) {
#ifdef _WIN32
    void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    DWORD old = 0;
    if (block && !VirtualProtect((char*)block + size - page, page, PAGE_NOACCESS, &old)) {
        VirtualFree(block, 0, MEM_RELEASE);
        return nullptr;
    }
    return block;
#else
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    if (mprotect((char*)block + size - page, page, PROT_NONE) != 0) {
        munmap(block, size);
        return nullptr;
    }
    return block;
#endif
}

void Unmap(void* block, size_t size) {
#ifdef _WIN32
    (void)size;
    VirtualFree(block, 0, MEM_RELEASE);
#else
    munmap(block, size);
#endif
}

} // namespace

EdgeBytes::~EdgeBytes() {
    Release();
}

const uint8_t* EdgeBytes::Hold(const void* bytes, size_t size) {
    Release();
    size_t page = PageSize();
    size_t mapped = (size + page - 1) / page * page + page;
    block = MapWithGuard(mapped, page);
    if (!block) abort(); // the stand-in cannot go on without its memory
    blockSize = mapped;
    start = (uint8_t*)block + (mapped - page - size);
    if (size) memcpy(start, bytes, size);
    return start;
}

void EdgeBytes::Release() {
    if (block) Unmap(block, blockSize);
    block = nullptr;
    blockSize = 0;
    start = nullptr;
}

} // namespace standin::internal
