#include "common/memory.h"

#include <windows.h>

namespace mr {

size_t PageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

void* ReserveRange(size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS);
}

bool CommitRange(void* at, size_t bytes) {
    return VirtualAlloc(at, bytes, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

void ReleaseRange(void* base, size_t /*bytes*/) {
    if (base) VirtualFree(base, 0, MEM_RELEASE);
}

}  // namespace mr
