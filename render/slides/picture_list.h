#pragma once
// PictureList: the pictures the scanner found, shared by the scanner (which
// appends) and the loader (which copies paths out and drops entries that
// fail). Every operation takes the list's own lock, so callers never hold it
// while they decode.
//
// Entry 0 is the single picture file the preset names, or empty when the
// preset names a folder; entries 1 … Count() − 1 are the folder's files.
// Paths live in a string pool that reserves its range once; a dropped entry's
// characters stay in the pool until the next Clear.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/lock.h"
#include "common/paged_array.h"

namespace mr {

class PictureList {
public:
    static constexpr uint32_t kPoolReserve = 0xB00000;   // bytes of UTF-16 paths
    static constexpr uint32_t kTableReserve = 0x100000;  // bytes of path references (262,144 entries)

    PictureList() : pool_(kPoolReserve), table_(kTableReserve) {}
    PictureList(const PictureList&) = delete;
    PictureList& operator=(const PictureList&) = delete;

    // Empties the list and the pool (pages stay committed).
    void Clear();
    // Appends an entry; an empty path makes an empty entry (entry 0 of a
    // folder). False when the pool or the table is full.
    bool Append(std::u16string_view path);
    // Entries, entry 0 included (0 before the first scan).
    uint32_t Count() const;
    // Copies entry `index` into *path and returns the list's generation,
    // which changes whenever an entry is dropped or the list is cleared. False
    // for an index out of range or an empty entry.
    bool Copy(uint32_t index, std::u16string* path, uint32_t* generation) const;
    // Drops entry `index` if the list is still the generation Copy returned
    // (otherwise the index may name another file now). Entry 0 is emptied
    // rather than removed, so the folder's files keep their indexes.
    void Drop(uint32_t index, uint32_t generation);

private:
    static constexpr uint32_t kEmptyEntry = 0xFFFFFFFFu;

    mutable ReentrantLock lock_;
    PagedArray<char16_t> pool_;
    PagedArray<uint32_t> table_;  // pool offset of each path, or kEmptyEntry
    uint32_t generation_ = 0;
};

}  // namespace mr
