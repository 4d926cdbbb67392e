#pragma once
// PagedList: a doubly linked list whose nodes live in one address range,
// reserved at the first growth and committed in whole pages as the list grows.
// Nodes never move, and nodes taken out by an edit are kept on chains so that
// undo and redo only relink them and never allocate:
// - the free chain holds committed nodes not in use;
// - the removed chain holds nodes taken out by edits, most recent first;
// - the redo chain holds nodes taken out by undo, most recent first.
// A node is its value followed by two 32-bit links (node numbers inside the
// range), so a list of 4-byte values holds reserve / 12 − 2 nodes and a list
// of 8-byte values reserve / 16 − 2, on every platform.
//
// A cursor walks the list and keeps list-specific running values up to date
// through the per-list operations (PagedListOps): every single step calls the
// step operation, a jump to a sentinel the at-head or at-tail operation. Edits
// happen after the cursor, so the running values of the cursor node and of
// every node before it stay valid across an edit.
//
// Element indices run 0 … Count() − 1; the cursor index is −1 on the head
// sentinel and Count() on the tail sentinel. Nothing here locks or throws.

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "common/memory.h"

namespace mr {

// One recorded change of a list, as the undo history keeps it: deleteCount
// nodes taken out at deletePos, then insertCount new nodes put in at
// insertPos (element indices after the deletion; −1 means none), and four
// values whose meaning belongs to the list (segment counts and fix-up marks
// for the text, durations for the picture store).
struct ListEdit {
    int32_t deletePos;
    int32_t deleteCount;
    int32_t insertPos;
    int32_t insertCount;
    int32_t word5;
    int32_t word6;
    int32_t word7;
    int32_t word8;
};

// The per-list operations, in slot order. A list without running values
// implements Initialise only.
template <typename T>
class PagedListOps {
public:
    virtual ~PagedListOps() = default;
    // Gives the two sentinels their values, once the range is set up.
    virtual void Initialise(T& head, T& tail) = 0;
    // The cursor jumped to the head or to the tail sentinel.
    virtual void AtHead() {}
    virtual void AtTail() {}
    // The cursor moved one node forward (back) from `left` onto `arrived`.
    virtual void StepForward(const T& /*left*/, const T& /*arrived*/) {}
    virtual void StepBack(const T& /*left*/, const T& /*arrived*/) {}
    // Undo took the inserted nodes out after the cursor; `following` is the
    // node that now follows the cursor.
    virtual void UndoRemovedInserted(const ListEdit&, T& /*following*/) {}
    // Undo put the removed nodes back after the cursor; `following` is the
    // node after the re-inserted run.
    virtual void UndoReinsertedRemoved(const ListEdit&, T& /*following*/) {}
    // The mirror images for redo: the deleted nodes went back to the removed
    // chain (`following` now follows the cursor), and the inserted nodes came
    // back from the redo chain (`following` is the node after them).
    virtual void RedoRemovedDeleted(const ListEdit&, T& /*following*/) {}
    virtual void RedoReinsertedInserted(const ListEdit&, T& /*following*/) {}
};

namespace paged_list_detail {
// Makes at least `wantedNodes` whole nodes of `nodeSize` bytes committed at
// the start of the range *base (reserving `reserved` bytes first when *base
// is null), committing whole pages after *committed. On failure nothing is
// committed and a range reserved by this call is released again.
bool CommitNodes(unsigned char** base, uint32_t reserved, uint32_t* committed, uint32_t nodeSize,
                 uint32_t wantedNodes);
}  // namespace paged_list_detail

template <typename T>
class PagedList {
    static_assert(std::is_trivially_copyable_v<T>, "node values are copied as bytes");
    static_assert(alignof(T) <= 4, "links follow the value without padding");

public:
    using NodeId = uint32_t;
    static constexpr NodeId kHead = 0;
    static constexpr NodeId kTail = 1;
    static constexpr NodeId kNil = 0xFFFFFFFFu;

    struct Node {
        T value;
        NodeId next;
        NodeId prev;
    };

    // reserveBytes is the size of the range reserved at the first growth;
    // ops (not owned) must outlive the list.
    PagedList(uint32_t reserveBytes, PagedListOps<T>* ops) : ops_(ops), reserved_(reserveBytes) {}
    ~PagedList() { Release(); }
    PagedList(const PagedList&) = delete;
    PagedList& operator=(const PagedList&) = delete;

    // Nodes the range can hold besides the sentinels: the limit for the
    // elements plus the nodes kept on the removed and redo chains.
    uint32_t Capacity() const { return reserved_ / sizeof(Node) - 2; }
    int32_t Count() const { return count_; }
    uint32_t RemovedCount() const { return removedCount_; }
    uint32_t RedoCount() const { return redoCount_; }
    uint32_t FreeCount() const { return freeCount_; }
    uint32_t CommittedBytes() const { return committed_; }
    uint32_t HeaderBytes() const { return 2 * sizeof(Node); }
    bool IsReserved() const { return base_ != nullptr; }

    // Cursor and node access. Node ids stay valid until Release.
    NodeId Cursor() const { return cursor_; }
    int32_t CursorIndex() const { return cursorIndex_; }
    T& Value(NodeId n) const { return At(n).value; }
    T& CursorValue() const { return At(cursor_).value; }
    NodeId Next(NodeId n) const { return At(n).next; }
    NodeId Prev(NodeId n) const { return At(n).prev; }
    static bool IsSentinel(NodeId n) { return n == kHead || n == kTail; }

    // Moves the cursor to element k (clamped to −1 … Count()), walking from
    // the cursor, the head or the tail, whichever is nearest (ties prefer the
    // cursor). Nothing happens before the range is set up.
    void Seek(int32_t k);
    // One step with the step operation; false at the tail (head).
    bool StepForward();
    bool StepBack();

    // Makes sure n new values can be taken: the free chain plus the redo
    // chain (which the next TakeNew returns to the free chain) hold n nodes,
    // committing pages when they do not. The first growth reserves the range,
    // sets up the sentinels with the cursor on the head, and calls
    // Initialise. False, with nothing changed, when the capacity would be
    // passed or the range cannot be reserved or committed.
    bool Reserve(uint32_t n);
    // Returns the whole redo chain to the free chain (after a new edit nothing
    // can be redone) and takes n nodes from the free chain, linked by `next`
    // in order, for the caller to fill and insert. Reserve(n) must have
    // succeeded. Returns kNil for n = 0.
    NodeId TakeNew(uint32_t n);
    // Links a chain of n nodes (linked by `next`) after the cursor, which must
    // not be on the tail. The cursor and its index stay.
    void InsertAfterCursor(NodeId first, uint32_t n);
    // Moves the n nodes after the cursor to the front of the removed chain,
    // keeping their order. n must not pass the end.
    void RemoveAfterCursor(uint32_t n);
    // Returns a chain taken with TakeNew and not inserted to the free chain.
    void ReturnUnused(NodeId first, uint32_t n);

    // Undo of a replacement: the insertCount nodes at insertPos go to the
    // front of the redo chain, then deleteCount nodes from the front of the
    // removed chain go back in at deletePos; the adjust operations run after
    // each half that applies. Redo is the mirror image. A change that does not fit the
    // list (which the history never hands over) is refused with false.
    bool Undo(const ListEdit& e);
    bool Redo(const ListEdit& e);

    // Releases the range; the list is empty and unreserved again. The running
    // values of the list are the owner's to reset.
    void Release();

private:
    Node& At(NodeId n) const { return reinterpret_cast<Node*>(base_)[n]; }
    // Unlinks n nodes after the cursor; returns the first, *last the last.
    NodeId UnlinkAfterCursor(uint32_t n, NodeId* last);
    // Takes n nodes from the front of a singly linked chain.
    NodeId PopFront(NodeId* front, uint32_t n, NodeId* last);

    PagedListOps<T>* ops_;
    unsigned char* base_ = nullptr;
    NodeId cursor_ = kHead;
    NodeId free_ = kNil;
    NodeId removed_ = kNil;
    NodeId redoFirst_ = kNil;
    NodeId redoLast_ = kNil;
    uint32_t reserved_;
    uint32_t committed_ = 0;
    uint32_t carved_ = 0;  // nodes laid out in the committed bytes, sentinels included
    int32_t count_ = 0;
    uint32_t removedCount_ = 0;
    uint32_t redoCount_ = 0;
    uint32_t freeCount_ = 0;
    int32_t cursorIndex_ = -1;
};

template <typename T>
void PagedList<T>::Seek(int32_t k) {
    if (!base_) return;
    if (k < -1) k = -1;
    if (k > count_) k = count_;
    const int64_t fromCursor = k > cursorIndex_ ? int64_t{k} - cursorIndex_ : int64_t{cursorIndex_} - k;
    const int64_t fromHead = int64_t{k} + 1;
    const int64_t fromTail = int64_t{count_} - k;
    if (fromCursor > fromHead || fromCursor > fromTail) {
        if (fromHead <= fromTail) {
            cursor_ = kHead;
            cursorIndex_ = -1;
            ops_->AtHead();
        } else {
            cursor_ = kTail;
            cursorIndex_ = count_;
            ops_->AtTail();
        }
    }
    while (cursorIndex_ < k) StepForward();
    while (cursorIndex_ > k) StepBack();
}

template <typename T>
bool PagedList<T>::StepForward() {
    if (!base_ || cursor_ == kTail) return false;
    const NodeId left = cursor_;
    cursor_ = At(left).next;
    ++cursorIndex_;
    ops_->StepForward(At(left).value, At(cursor_).value);
    return true;
}

template <typename T>
bool PagedList<T>::StepBack() {
    if (!base_ || cursor_ == kHead) return false;
    const NodeId left = cursor_;
    cursor_ = At(left).prev;
    --cursorIndex_;
    ops_->StepBack(At(left).value, At(cursor_).value);
    return true;
}

template <typename T>
bool PagedList<T>::Reserve(uint32_t n) {
    const uint64_t available = uint64_t{freeCount_} + redoCount_;
    if (available >= n) return true;
    const bool first = base_ == nullptr;
    const uint64_t wanted = uint64_t{carved_} + (n - available) + (first ? 2 : 0);
    if (wanted > reserved_ / sizeof(Node)) return false;
    if (!paged_list_detail::CommitNodes(&base_, reserved_, &committed_, sizeof(Node),
                                        static_cast<uint32_t>(wanted))) {
        return false;
    }
    if (first) {
        Node& head = At(kHead);
        Node& tail = At(kTail);
        head.next = kTail;
        head.prev = kNil;
        tail.next = kNil;
        tail.prev = kHead;
        cursor_ = kHead;
        cursorIndex_ = -1;
        carved_ = 2;
        ops_->Initialise(head.value, tail.value);
    }
    uint32_t carved = committed_ / sizeof(Node);
    if (carved > reserved_ / sizeof(Node)) carved = reserved_ / sizeof(Node);
    // Thread the new nodes onto the front of the free chain, lowest first.
    for (uint32_t i = carved; i-- > carved_;) {
        At(i).next = free_;
        free_ = i;
    }
    freeCount_ += carved - carved_;
    carved_ = carved;
    return true;
}

template <typename T>
typename PagedList<T>::NodeId PagedList<T>::TakeNew(uint32_t n) {
    if (redoFirst_ != kNil) {
        At(redoLast_).next = free_;
        free_ = redoFirst_;
        freeCount_ += redoCount_;
        redoFirst_ = redoLast_ = kNil;
        redoCount_ = 0;
    }
    if (n == 0 || n > freeCount_) return kNil;
    NodeId last;
    const NodeId first = PopFront(&free_, n, &last);
    At(last).next = kNil;
    freeCount_ -= n;
    return first;
}

template <typename T>
void PagedList<T>::ReturnUnused(NodeId first, uint32_t n) {
    if (n == 0 || first == kNil) return;
    NodeId last = first;
    for (uint32_t i = 1; i < n; ++i) last = At(last).next;
    At(last).next = free_;
    free_ = first;
    freeCount_ += n;
}

template <typename T>
void PagedList<T>::InsertAfterCursor(NodeId first, uint32_t n) {
    if (n == 0) return;
    const NodeId after = At(cursor_).next;
    NodeId prev = cursor_;
    NodeId x = first;
    for (uint32_t i = 0; i < n; ++i) {
        At(x).prev = prev;
        At(prev).next = x;
        prev = x;
        x = At(x).next;
    }
    At(prev).next = after;
    At(after).prev = prev;
    count_ += static_cast<int32_t>(n);
}

template <typename T>
typename PagedList<T>::NodeId PagedList<T>::UnlinkAfterCursor(uint32_t n, NodeId* last) {
    const NodeId first = At(cursor_).next;
    NodeId l = first;
    for (uint32_t i = 1; i < n; ++i) l = At(l).next;
    const NodeId after = At(l).next;
    At(cursor_).next = after;
    At(after).prev = cursor_;
    count_ -= static_cast<int32_t>(n);
    *last = l;
    return first;
}

template <typename T>
typename PagedList<T>::NodeId PagedList<T>::PopFront(NodeId* front, uint32_t n, NodeId* last) {
    const NodeId first = *front;
    NodeId l = first;
    for (uint32_t i = 1; i < n; ++i) l = At(l).next;
    *front = At(l).next;
    *last = l;
    return first;
}

template <typename T>
void PagedList<T>::RemoveAfterCursor(uint32_t n) {
    if (n == 0) return;
    NodeId last;
    const NodeId first = UnlinkAfterCursor(n, &last);
    At(last).next = removed_;
    removed_ = first;
    removedCount_ += n;
}

template <typename T>
bool PagedList<T>::Undo(const ListEdit& e) {
    const bool inserts = e.insertPos >= 0 && e.insertCount > 0;
    const bool deletes = e.deletePos >= 0 && e.deleteCount > 0;
    if (!base_) return !inserts && !deletes;
    const int64_t afterRemoval = int64_t{count_} - (inserts ? e.insertCount : 0);
    if ((inserts && int64_t{e.insertPos} + e.insertCount > count_) ||
        (deletes && (static_cast<uint32_t>(e.deleteCount) > removedCount_ || e.deletePos > afterRemoval))) {
        return false;
    }
    if (inserts) {
        Seek(e.insertPos - 1);
        NodeId last;
        const NodeId first = UnlinkAfterCursor(static_cast<uint32_t>(e.insertCount), &last);
        At(last).next = redoFirst_;
        redoFirst_ = first;
        if (redoLast_ == kNil) redoLast_ = last;
        redoCount_ += static_cast<uint32_t>(e.insertCount);
        ops_->UndoRemovedInserted(e, At(At(cursor_).next).value);
    }
    if (deletes) {
        Seek(e.deletePos - 1);
        NodeId last;
        const NodeId first = PopFront(&removed_, static_cast<uint32_t>(e.deleteCount), &last);
        removedCount_ -= static_cast<uint32_t>(e.deleteCount);
        InsertAfterCursor(first, static_cast<uint32_t>(e.deleteCount));
        ops_->UndoReinsertedRemoved(e, At(At(last).next).value);
    }
    return true;
}

template <typename T>
bool PagedList<T>::Redo(const ListEdit& e) {
    const bool inserts = e.insertPos >= 0 && e.insertCount > 0;
    const bool deletes = e.deletePos >= 0 && e.deleteCount > 0;
    if (!base_) return !inserts && !deletes;
    const int64_t afterRemoval = int64_t{count_} - (deletes ? e.deleteCount : 0);
    if ((deletes && int64_t{e.deletePos} + e.deleteCount > count_) ||
        (inserts && (static_cast<uint32_t>(e.insertCount) > redoCount_ || e.insertPos > afterRemoval))) {
        return false;
    }
    if (deletes) {
        Seek(e.deletePos - 1);
        RemoveAfterCursor(static_cast<uint32_t>(e.deleteCount));
        ops_->RedoRemovedDeleted(e, At(At(cursor_).next).value);
    }
    if (inserts) {
        Seek(e.insertPos - 1);
        NodeId last;
        const NodeId first = PopFront(&redoFirst_, static_cast<uint32_t>(e.insertCount), &last);
        redoCount_ -= static_cast<uint32_t>(e.insertCount);
        if (redoFirst_ == kNil) redoLast_ = kNil;
        InsertAfterCursor(first, static_cast<uint32_t>(e.insertCount));
        ops_->RedoReinsertedInserted(e, At(At(last).next).value);
    }
    return true;
}

template <typename T>
void PagedList<T>::Release() {
    ReleaseRange(base_, reserved_);
    base_ = nullptr;
    cursor_ = kHead;
    free_ = removed_ = redoFirst_ = redoLast_ = kNil;
    committed_ = carved_ = 0;
    count_ = 0;
    removedCount_ = redoCount_ = freeCount_ = 0;
    cursorIndex_ = -1;
}

}  // namespace mr
