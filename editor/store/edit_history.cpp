#include "editor/store/edit_history.h"

#include <cstring>

#include "common/memory.h"

namespace mr {

EditHistory::~EditHistory() {
    ReleaseRange(base_, reserved_);
}

bool EditHistory::Reserve(uint32_t n) {
    // Slots after the current index are reused before new ones are appended.
    const uint64_t reusable = slots_ - static_cast<uint32_t>(current_ + 1);
    if (reusable + spare_ >= n) return true;
    const uint64_t neededSlots = uint64_t{slots_} + (n - reusable);
    if (neededSlots > kCapacity) return false;
    if (!base_) {
        base_ = static_cast<unsigned char*>(ReserveRange(reserved_));
        if (!base_) return false;
    }
    const uint64_t page = PageSize();
    const uint64_t neededBytes = neededSlots * sizeof(EditRecord);
    uint64_t grow = (neededBytes - committed_ + page - 1) / page * page;
    if (committed_ + grow > reserved_) grow = reserved_ - committed_;
    if (!CommitRange(base_ + committed_, static_cast<size_t>(grow))) return false;
    committed_ += static_cast<uint32_t>(grow);
    spare_ = committed_ / sizeof(EditRecord) - slots_;
    return true;
}

EditRecord* EditHistory::NewRecord() {
    if (!Reserve(1)) return nullptr;
    // A saved state at or after the slot being replaced can no longer be
    // reached.
    if (savedIndex_ > current_) savedReachable_ = false;
    ++current_;
    redoLimit_ = current_ + 1;
    if (static_cast<uint32_t>(current_) == slots_) {
        ++slots_;
        --spare_;
    }
    EditRecord* r = Slot(static_cast<uint32_t>(current_));
    std::memset(static_cast<void*>(r), 0, sizeof(EditRecord));
    return r;
}

EditRecord* EditHistory::CurrentRecord() {
    return current_ >= 0 ? Slot(static_cast<uint32_t>(current_)) : nullptr;
}

void EditHistory::DiscardRedo() {
    if (savedIndex_ > current_) savedReachable_ = false;
    redoLimit_ = current_ + 1;
}

void EditHistory::ChangedInPlace(int32_t since) {
    if (savedIndex_ >= since) savedReachable_ = false;
}

EditRecord* EditHistory::StepBack() {
    if (!CanUndo()) return nullptr;
    EditRecord* r = Slot(static_cast<uint32_t>(current_));
    --current_;
    return r;
}

EditRecord* EditHistory::StepForward() {
    if (!CanRedo()) return nullptr;
    ++current_;
    return Slot(static_cast<uint32_t>(current_));
}

void EditHistory::Clear() {
    ReleaseRange(base_, reserved_);
    base_ = nullptr;
    committed_ = 0;
    slots_ = 0;
    spare_ = 0;
    current_ = -1;
    redoLimit_ = 0;
    savedIndex_ = -1;
    savedReachable_ = true;
}

void EditHistory::MarkSaved() {
    savedIndex_ = current_;
    savedReachable_ = true;
}

}  // namespace mr
