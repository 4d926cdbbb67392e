#pragma once
// Address-space reservation and page commits: the primitive under PagedArray
// and PagedList, whose elements must never move once handed out.

#include <cstddef>

namespace mr {

// The system page size in bytes (4096 on the platforms we build for).
size_t PageSize();

// Reserves `bytes` of address space without committing memory. Returns the
// start of the range, or null when the reservation fails.
void* ReserveRange(size_t bytes);

// Commits `bytes` (a multiple of the page size) at `at`, which lies inside a
// range returned by ReserveRange and is page aligned. Committed memory reads
// as zeros. Returns false when the commit fails; nothing is committed then.
bool CommitRange(void* at, size_t bytes);

// Releases a whole range returned by ReserveRange (committed pages included).
// `bytes` is the size that was reserved. Null is ignored.
void ReleaseRange(void* base, size_t bytes);

}  // namespace mr
