#include "common/memory.h"

#include <sys/mman.h>
#include <unistd.h>

namespace mr {

size_t PageSize() {
    static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

void* ReserveRange(size_t bytes) {
    // PROT_NONE and MAP_NORESERVE: address space only, like MEM_RESERVE.
    void* p = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

bool CommitRange(void* at, size_t bytes) {
    return mprotect(at, bytes, PROT_READ | PROT_WRITE) == 0;
}

void ReleaseRange(void* base, size_t bytes) {
    if (base) munmap(base, bytes);
}

}  // namespace mr
