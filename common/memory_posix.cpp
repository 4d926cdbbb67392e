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
    if (mprotect(at, bytes, PROT_READ | PROT_WRITE) != 0) return false;
#ifdef MADV_POPULATE_WRITE
    // Committed pages are written next; fault them in with one call instead of
    // one trap per page (a trap is expensive in virtual machines). A kernel
    // without the advice leaves them to be faulted on first touch.
    madvise(at, bytes, MADV_POPULATE_WRITE);
#endif
    return true;
}

void ReleaseRange(void* base, size_t bytes) {
    if (base) munmap(base, bytes);
}

}  // namespace mr
