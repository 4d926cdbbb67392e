#include "common/paged_list.h"

namespace mr::paged_list_detail {

bool CommitNodes(unsigned char** base, uint32_t reserved, uint32_t* committed, uint32_t nodeSize,
                 uint32_t wantedNodes) {
    const uint64_t needed = uint64_t{wantedNodes} * nodeSize;
    if (needed > reserved) return false;
    if (needed <= *committed) return true;
    const bool reservedHere = *base == nullptr;
    if (reservedHere) {
        *base = static_cast<unsigned char*>(ReserveRange(reserved));
        if (!*base) return false;
    }
    const uint64_t page = PageSize();
    uint64_t grow = (needed - *committed + page - 1) / page * page;
    // The last page may stick out of a reserve that is not page aligned.
    if (*committed + grow > reserved) grow = reserved - *committed;
    if (!CommitRange(*base + *committed, static_cast<size_t>(grow))) {
        if (reservedHere) {
            ReleaseRange(*base, reserved);
            *base = nullptr;
        }
        return false;
    }
    *committed += static_cast<uint32_t>(grow);
    return true;
}

}  // namespace mr::paged_list_detail
