#include "common/paged_array.h"

#include "common/memory.h"

namespace mr {

void PagedArrayBase::Free() {
    ReleaseRange(base_, reserve_);
    base_ = nullptr;
    committed_ = 0;
    count_ = 0;
    free_ = 0;
}

uint32_t PagedArrayBase::CommitStep() {
    const size_t page = PageSize();
    return static_cast<uint32_t>(page > 65536 ? page : 65536 / page * page);
}

bool PagedArrayBase::Ensure(uint32_t n) {
    if (free_ >= n) return true;
    const uint64_t needed = (static_cast<uint64_t>(count_) + n) * elementSize_;
    if (needed > reserve_) return false;
    if (!base_) {
        base_ = static_cast<unsigned char*>(ReserveRange(reserve_));
        if (!base_) return false;
    }
    const uint64_t step = CommitStep();
    uint64_t grow = (needed - committed_ + step - 1) / step * step;
    // The last step may stick out of the reserve.
    if (committed_ + grow > reserve_) grow = reserve_ - committed_;
    if (!CommitRange(base_ + committed_, static_cast<size_t>(grow))) return false;
    committed_ += static_cast<uint32_t>(grow);
    free_ = committed_ / elementSize_ - count_;
    return true;
}

void* PagedArrayBase::InsertRaw(uint32_t pos, uint32_t n) {
    if (pos > count_ || !Ensure(n)) return nullptr;
    std::memmove(At(pos + n), At(pos), static_cast<size_t>(count_ - pos) * elementSize_);
    count_ += n;
    free_ -= n;
    return At(pos);
}

void PagedArrayBase::EraseRaw(uint32_t pos, uint32_t n) {
    if (pos >= count_) return;
    if (n > count_ - pos) n = count_ - pos;
    std::memmove(At(pos), At(pos + n), static_cast<size_t>(count_ - pos - n) * elementSize_);
    count_ -= n;
    free_ += n;
}

}  // namespace mr
