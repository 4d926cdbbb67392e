#pragma once
// PagedArray: a growable table of fixed-size elements that reserves one
// address range for its whole life and commits memory page by page as it
// grows. Elements never move on growth, so an element's address stays valid
// until the table is freed (or until an insertion or removal before it).
//
// Capacity is reserve / element size; an insertion beyond it fails like an
// exhausted commit, and a failed insertion leaves the table unchanged.

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace mr {

class PagedArrayBase {
public:
    PagedArrayBase(uint32_t reserveBytes, uint32_t elementSize)
        : reserve_(reserveBytes), elementSize_(elementSize) {}
    ~PagedArrayBase() { Free(); }
    PagedArrayBase(const PagedArrayBase&) = delete;
    PagedArrayBase& operator=(const PagedArrayBase&) = delete;

    uint32_t Count() const { return count_; }
    uint32_t Capacity() const { return reserve_ / elementSize_; }
    uint32_t Reserve() const { return reserve_; }
    uint32_t Committed() const { return committed_; }
    // Committed slots not yet in use.
    uint32_t FreeSlots() const { return free_; }
    // The unit in which tables commit memory: 64 KiB (the Windows allocation
    // granularity, a whole number of system pages). Fewer, larger commits
    // keep a reader's appends off the system-call path.
    static uint32_t CommitStep();

    // Releases the whole range; count, committed and free drop to 0, the
    // reserve size stays and the table can grow again.
    void Free();

protected:
    // Makes sure n more slots are committed. False (nothing changed) when the
    // capacity would be passed or the reservation or commit fails.
    bool Ensure(uint32_t n);
    // Appends n slots and returns the first; null on failure. The common case,
    // room already committed, stays inline: readers append one element per
    // sync point.
    void* AppendRaw(uint32_t n) {
        if (free_ < n && !Ensure(n)) return nullptr;
        void* p = At(count_);
        count_ += n;
        free_ -= n;
        return p;
    }
    // Inserts n slots at pos (≤ count), moving the tail up; null on failure.
    void* InsertRaw(uint32_t pos, uint32_t n);
    // Removes n slots at pos, moving the tail down; the freed slots return to free.
    void EraseRaw(uint32_t pos, uint32_t n);
    void* At(uint32_t i) const { return base_ + static_cast<size_t>(i) * elementSize_; }

    unsigned char* base_ = nullptr;
    uint32_t reserve_;
    uint32_t committed_ = 0;
    uint32_t count_ = 0;
    uint32_t free_ = 0;
    uint32_t elementSize_;
};

template <typename T>
class PagedArray : public PagedArrayBase {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved with memmove");

public:
    explicit PagedArray(uint32_t reserveBytes) : PagedArrayBase(reserveBytes, sizeof(T)) {}

    // Appends one element; returns it (its address stays valid) or null.
    T* Append(const T& value) {
        T* p = static_cast<T*>(AppendRaw(1));
        if (p) *p = value;
        return p;
    }
    // Appends n elements copied from values; returns the first or null.
    T* Append(const T* values, uint32_t n) {
        T* p = static_cast<T*>(AppendRaw(n));
        if (p && n) std::memcpy(static_cast<void*>(p), values, sizeof(T) * n);
        return p;
    }
    // Appends n uninitialised elements; returns the first or null.
    T* AppendSlots(uint32_t n) { return static_cast<T*>(AppendRaw(n)); }
    // Inserts n elements copied from values at pos; returns the first or null.
    T* Insert(uint32_t pos, const T* values, uint32_t n) {
        T* p = static_cast<T*>(InsertRaw(pos, n));
        if (p && n) std::memcpy(static_cast<void*>(p), values, sizeof(T) * n);
        return p;
    }
    void Erase(uint32_t pos, uint32_t n = 1) { EraseRaw(pos, n); }
    // Drops every element but keeps the committed pages.
    void Clear() {
        free_ += count_;
        count_ = 0;
    }

    // The first element, or null when the table is empty.
    T* Data() const { return count_ ? static_cast<T*>(At(0)) : nullptr; }
    T& operator[](uint32_t i) const { return *static_cast<T*>(At(i)); }
    T* begin() const { return static_cast<T*>(At(0)); }
    T* end() const { return static_cast<T*>(At(count_)); }
};

}  // namespace mr
