#include "render/slides/picture_list.h"

namespace mr {

void PictureList::Clear() {
    LockGuard hold(lock_);
    pool_.Clear();
    table_.Clear();
    ++generation_;
}

bool PictureList::Append(std::u16string_view path) {
    LockGuard hold(lock_);
    uint32_t offset = kEmptyEntry;
    if (!path.empty()) {
        if (path.size() >= pool_.Capacity()) return false;
        offset = pool_.Count();
        char16_t* at = pool_.AppendSlots(static_cast<uint32_t>(path.size()) + 1);
        if (!at) return false;
        path.copy(at, path.size());
        at[path.size()] = u'\0';
    }
    if (!table_.Append(offset)) {
        if (offset != kEmptyEntry) pool_.Erase(offset, static_cast<uint32_t>(path.size()) + 1);
        return false;
    }
    return true;
}

uint32_t PictureList::Count() const {
    LockGuard hold(lock_);
    return table_.Count();
}

bool PictureList::Copy(uint32_t index, std::u16string* path, uint32_t* generation) const {
    LockGuard hold(lock_);
    if (index >= table_.Count() || table_[index] == kEmptyEntry) return false;
    path->assign(&pool_[table_[index]]);
    *generation = generation_;
    return true;
}

void PictureList::Drop(uint32_t index, uint32_t generation) {
    LockGuard hold(lock_);
    if (generation != generation_ || index >= table_.Count()) return;
    if (index == 0) {
        table_[0] = kEmptyEntry;
    } else {
        table_.Erase(index);
    }
    ++generation_;
}

}  // namespace mr
