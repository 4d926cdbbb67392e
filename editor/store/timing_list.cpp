#include "editor/store/timing_list.h"

#include <algorithm>

namespace mr {

TimingList::TimingList(EditHistory& history) : history_(history), list_(kReserveBytes, this) {
    static_assert(kReserveBytes / sizeof(PagedList<TimingEntry>::Node) - 2 == kCapacity);
}

void TimingList::Initialise(TimingEntry& head, TimingEntry& tail) {
    // The entry before the first ends at 0; the entry after the last starts
    // at kLastTick.
    head = TimingEntry{-1, 0};
    tail = TimingEntry{kLastTick, kLastTick + 1};
}

TimingList::List::NodeId TimingList::NodeAt(int32_t i) {
    list_.Seek(i);
    return list_.Cursor();
}

// ---------------------------------------------------------------------------
// Loading.

bool TimingList::AppendRaised(int32_t start, int32_t end) {
    if (list_.Count() > 0) start = std::max(start, Entry(list_.Prev(List::kTail)).end);
    if (int64_t{start} + kMinEntryTicks > kLastTick) return false;
    end = std::max(end, start + kMinEntryTicks);
    if (end > kLastTick) end = kLastTick;
    if (!list_.Reserve(1)) return false;
    list_.Seek(list_.Count() - 1);
    const List::NodeId node = list_.TakeNew(1);
    Entry(node) = TimingEntry{start, end};
    list_.InsertAfterCursor(node, 1);
    return true;
}

void TimingList::Clear() {
    list_.Release();
    lastTool_ = 0;
    lastIndex_ = -1;
    dragValue_ = 0;
    inPlaceOpen_ = false;
}

// ---------------------------------------------------------------------------
// Queries.

bool TimingList::FindTiming(int32_t t, int32_t* index) {
    if (list_.Count() == 0) {
        *index = -1;
        return false;
    }
    // Onto the first entry that ends after t (entries are ordered, so both
    // their starts and their ends rise).
    if (list_.Cursor() == List::kHead) list_.StepForward();
    while (list_.Cursor() != List::kTail && list_.CursorValue().end <= t) list_.StepForward();
    while (list_.Prev(list_.Cursor()) != List::kHead && Entry(list_.Prev(list_.Cursor())).end > t) list_.StepBack();
    if (list_.Cursor() == List::kTail) {
        *index = -1;
        return false;
    }
    *index = list_.CursorIndex();
    return list_.CursorValue().start <= t;
}

bool TimingList::GetTiming(int32_t index, int32_t* start, int32_t* end) {
    if (index < 0 || index >= list_.Count()) return false;
    const TimingEntry& e = Entry(NodeAt(index));
    *start = e.start;
    *end = e.end;
    return true;
}

bool TimingList::CanInsertTiming(int32_t t) {
    if (t < 0) return false;
    int32_t i;
    if (FindTiming(t, &i)) return false;
    const int32_t next = i < 0 ? kLastTick : list_.CursorValue().start;
    return int64_t{t} + kMinEntryTicks <= next;
}

uint32_t TimingList::ToolsAt(int32_t t) {
    int32_t i;
    if (!FindTiming(t, &i)) return CanInsertTiming(t) ? uint32_t{kToolInsert} : 0u;
    const List::NodeId node = list_.Cursor();
    const TimingEntry e = Entry(node);
    const bool hasP = list_.Prev(node) != List::kHead;
    const bool hasN = list_.Next(node) != List::kTail;
    const TimingEntry p = Entry(list_.Prev(node));
    const TimingEntry n = Entry(list_.Next(node));

    uint32_t tools = kToolRemove | kToolMoveFollowing;
    if (hasP && e.start == p.end) tools |= kToolCombine;
    bool adjust;
    bool move;
    if (!hasN) {
        adjust = move = true;  // the only entry, or the last one
    } else if (hasP) {
        adjust = int64_t{n.end} - p.start > 12;
        move = p.end < e.start || e.end < n.start;
    } else {
        adjust = int64_t{n.end} - e.start > 8;
        move = e.start >= 1 || e.end < n.start;
    }
    if (adjust) tools |= kToolAdjust;
    if (move) tools |= kToolMove;
    if (int64_t{e.start} + kMinEntryTicks <= t && int64_t{t} + kMinEntryTicks <= e.end) tools |= kToolSplit;
    return tools;
}

// ---------------------------------------------------------------------------
// One-shot tools.

bool TimingList::ReplaceEntries(int32_t i, int32_t removeCount, const TimingEntry* values, int32_t insertCount,
                                int32_t t, uint32_t tool, int32_t lastIndex) {
    if (!list_.Reserve(static_cast<uint32_t>(insertCount))) return false;
    EditRecord* record = history_.NewRecord();
    if (!record) return false;
    const List::NodeId first = list_.TakeNew(static_cast<uint32_t>(insertCount));
    List::NodeId x = first;
    for (int32_t k = 0; k < insertCount; ++k, x = list_.Next(x)) Entry(x) = values[k];
    list_.Seek(i - 1);
    list_.RemoveAfterCursor(static_cast<uint32_t>(removeCount));
    list_.InsertAfterCursor(first, static_cast<uint32_t>(insertCount));
    record->tag = kEditTiming;
    record->subKind = kSubReplace;
    record->change = ListEdit{removeCount > 0 ? i : -1, removeCount, insertCount > 0 ? i : -1, insertCount, 0, 0, t, 0};
    lastTool_ = tool;
    lastIndex_ = lastIndex;
    dragValue_ = 0;
    inPlaceOpen_ = false;
    if (tool == kToolInsert || tool == kToolAdjust) OpenInPlace();
    return true;
}

bool TimingList::AppendTimings(const TimingEntry* entries, int32_t count) {
    if (!entries || count < 1 || count > kCapacity - list_.Count()) return false;
    int32_t previousEnd = 0;
    if (list_.Count() > 0) {
        list_.Seek(list_.Count() - 1);
        previousEnd = list_.CursorValue().end;
    }
    for (int32_t k = 0; k < count; ++k) {
        const TimingEntry& e = entries[k];
        if (e.start < previousEnd || int64_t{e.end} - e.start < kMinEntryTicks || e.end > kLastTick) return false;
        previousEnd = e.end;
    }
    const int32_t at = list_.Count();
    return ReplaceEntries(at, 0, entries, count, entries[0].start, 0, at + count - 1);
}

bool TimingList::InsertEntry(int32_t i, TimingEntry value, int32_t t, uint32_t tool) {
    return ReplaceEntries(i, 0, &value, 1, t, tool, i);
}

bool TimingList::InsertTiming(int32_t t) {
    if (!CanInsertTiming(t)) return false;
    int32_t i;
    FindTiming(t, &i);
    const int32_t next = i < 0 ? kLastTick : list_.CursorValue().start;
    if (i < 0) i = list_.Count();
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(int64_t{t} + kInsertTicks, next));
    return InsertEntry(i, TimingEntry{t, end}, t, kToolInsert);
}

bool TimingList::StartLiveTiming(int32_t t, int32_t* index) {
    if (!CanInsertTiming(t)) return false;
    int32_t i;
    FindTiming(t, &i);
    const int32_t next = i < 0 ? kLastTick : list_.CursorValue().start;
    if (i < 0) i = list_.Count();
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(int64_t{t} + kMinEntryTicks, next));
    if (!InsertEntry(i, TimingEntry{t, end}, t, kToolInsert)) return false;
    if (index) *index = i;
    return true;
}

bool TimingList::ExtendLiveTiming(int32_t t) {
    if (!inPlaceOpen_ || lastTool_ != kToolInsert || lastIndex_ < 0 || lastIndex_ >= list_.Count()) return false;
    const List::NodeId node = NodeAt(lastIndex_);
    TimingEntry& e = Entry(node);
    const int32_t end = std::max(e.end, std::min(t, Entry(list_.Next(node)).start));
    if (end != e.end) {
        e.end = end;
        ChangedInPlace();
    }
    return true;
}

bool TimingList::RemoveTiming(int32_t t) {
    int32_t i;
    if (!FindTiming(t, &i)) return false;
    return ReplaceEntries(i, 1, nullptr, 0, t, kToolRemove, i);
}

bool TimingList::CombineTiming(int32_t t) {
    if (!(ToolsAt(t) & kToolCombine)) return false;
    int32_t i;
    FindTiming(t, &i);
    const List::NodeId node = list_.Cursor();
    const TimingEntry combined{Entry(list_.Prev(node)).start, Entry(node).end};
    return ReplaceEntries(i - 1, 2, &combined, 1, t, kToolCombine, i - 1);
}

bool TimingList::SplitTiming(int32_t t) {
    if (!(ToolsAt(t) & kToolSplit)) return false;
    int32_t i;
    FindTiming(t, &i);
    const TimingEntry e = list_.CursorValue();
    const TimingEntry halves[2] = {{e.start, t}, {t, e.end}};
    return ReplaceEntries(i, 1, halves, 2, t, kToolSplit, i);
}

// ---------------------------------------------------------------------------
// Drag tools.

bool TimingList::BeginAdjust(int32_t t) {
    if (!(ToolsAt(t) & kToolAdjust)) return false;
    int32_t i;
    FindTiming(t, &i);
    // A snapshot of the entry and its neighbours goes out to the removed
    // chain and copies take its place, so that undo puts the snapshot back
    // over whatever the drag makes of the copies.
    const int32_t first = std::max(i - 1, 0);
    const int32_t last = std::min(i + 1, list_.Count() - 1);
    TimingEntry snapshot[3];
    List::NodeId x = NodeAt(first);
    for (int32_t k = first; k <= last; ++k, x = list_.Next(x)) snapshot[k - first] = Entry(x);
    if (!ReplaceEntries(first, last - first + 1, snapshot, last - first + 1, t, kToolAdjust, i)) return false;
    dragValue_ = 0;
    return true;
}

bool TimingList::DragAdjust(int32_t t) {
    if (!inPlaceOpen_ || lastTool_ != kToolAdjust || lastIndex_ < 0 || lastIndex_ >= list_.Count()) return false;
    const List::NodeId node = NodeAt(lastIndex_);
    TimingEntry& e = Entry(node);
    const bool hasP = list_.Prev(node) != List::kHead;
    const bool hasN = list_.Next(node) != List::kTail;
    TimingEntry& p = Entry(list_.Prev(node));
    TimingEntry& n = Entry(list_.Next(node));
    const TimingEntry before = e;
    const TimingEntry pBefore = p;
    const TimingEntry nBefore = n;

    // Neither edge passes the other: the entry keeps at least 4 ticks, and a
    // neighbour pushed back keeps at least 4 ticks too.
    auto startLeft = [&](int32_t x) {
        x = std::max(x, hasP ? p.start + kMinEntryTicks : 0);
        x = std::min(x, e.end - kMinEntryTicks);
        if (hasP && p.end > x) p.end = x;
        e.start = x;
    };
    auto startRight = [&](int32_t x) {
        x = std::min(x, e.end - kMinEntryTicks);
        if (hasP && p.end == e.start) p.end = x;
        e.start = x;
    };
    auto endRight = [&](int32_t x) {
        x = std::min(x, hasN ? n.end - kMinEntryTicks : kLastTick);
        x = std::max(x, e.start + kMinEntryTicks);
        if (hasN && n.start < x) n.start = x;
        e.end = x;
    };
    auto endLeft = [&](int32_t x) {
        x = std::max(x, e.start + kMinEntryTicks);
        if (hasN && n.start == e.end) n.start = x;
        e.end = x;
    };

    switch (dragValue_) {
        case 0:
            if (t < e.start) {
                startLeft(t);
                dragValue_ = 1;
            } else if (t > e.end) {
                endRight(t);
                dragValue_ = 2;
            }
            break;
        case 1:
            if (t < e.start) {
                startLeft(t);
            } else if (t > e.start) {
                startRight(t);
            }
            break;
        default:
            if (t > e.end) {
                endRight(t);
            } else if (t < e.end) {
                endLeft(t);
            }
            break;
    }
    if (e.start != before.start || e.end != before.end || p.end != pBefore.end || n.start != nBefore.start) {
        ChangedInPlace();
    }
    return true;
}

bool TimingList::BeginShift(int32_t t, uint32_t tool, int32_t subKind) {
    int32_t i;
    if (!FindTiming(t, &i)) return false;
    const int32_t start = list_.CursorValue().start;
    EditRecord* record = history_.NewRecord();
    if (!record) return false;
    record->tag = kEditTiming;
    record->subKind = subKind;
    record->change = ListEdit{-1, 0, -1, 0, i, start, t, 0};
    lastTool_ = tool;
    lastIndex_ = i;
    dragValue_ = t - start;  // the grab offset; t lies inside the entry
    OpenInPlace();
    return true;
}

bool TimingList::BeginMove(int32_t t) {
    return (ToolsAt(t) & kToolMove) && BeginShift(t, kToolMove, kSubMove);
}

bool TimingList::BeginMoveFollowing(int32_t t) {
    return (ToolsAt(t) & kToolMoveFollowing) && BeginShift(t, kToolMoveFollowing, kSubMoveFollowing);
}

void TimingList::Shift(List::NodeId n, int64_t delta, bool following) {
    if (delta == 0) return;
    do {
        Entry(n).start = static_cast<int32_t>(Entry(n).start + delta);
        Entry(n).end = static_cast<int32_t>(Entry(n).end + delta);
        n = list_.Next(n);
    } while (following && n != List::kTail);
}

bool TimingList::DragMove(int32_t t) {
    if (!inPlaceOpen_ || lastTool_ != kToolMove || lastIndex_ < 0 || lastIndex_ >= list_.Count()) return false;
    const List::NodeId node = NodeAt(lastIndex_);
    const TimingEntry e = Entry(node);
    // The head sentinel ends at 0 and the tail sentinel starts at kLastTick,
    // so the first entry stops at 0 and the last one at the end of time.
    const TimingEntry p = Entry(list_.Prev(node));
    const TimingEntry n = Entry(list_.Next(node));
    const int64_t s = int64_t{t} - dragValue_;
    int64_t delta = s - e.start;
    if (s < p.end) {
        delta = int64_t{p.end} - e.start;
    } else if (e.end + delta > n.start) {
        delta = int64_t{n.start} - e.end;
    }
    Shift(node, delta, false);
    if (delta != 0) ChangedInPlace();
    return true;
}

bool TimingList::DragMoveFollowing(int32_t t) {
    if (!inPlaceOpen_ || lastTool_ != kToolMoveFollowing || lastIndex_ < 0 || lastIndex_ >= list_.Count()) {
        return false;
    }
    const List::NodeId node = NodeAt(lastIndex_);
    const TimingEntry e = Entry(node);
    const TimingEntry p = Entry(list_.Prev(node));
    int64_t delta = int64_t{t} - dragValue_ - e.start;
    delta = std::max<int64_t>(delta, int64_t{p.end} - e.start);
    // The last entry must not run past the end of time.
    delta = std::min<int64_t>(delta, int64_t{kLastTick} - Entry(list_.Prev(List::kTail)).end);
    Shift(node, delta, true);
    if (delta != 0) ChangedInPlace();
    return true;
}

// ---------------------------------------------------------------------------
// Duplicate.

bool TimingList::PlanDuplicate(int32_t dest, int32_t source, int32_t count, DuplicatePlan* plan) {
    const int32_t n = list_.Count();
    if (count < 1 || source < 0 || dest < 0 || dest >= n || int64_t{source} + count > n) return false;
    const int32_t destStart = Entry(NodeAt(dest)).start;
    const int64_t offset = int64_t{destStart} - Entry(NodeAt(source)).start;
    const int64_t lastEnd = Entry(NodeAt(source + count - 1)).end + offset;
    // Copies that would run past the end of time are refused.
    if (lastEnd > kLastTick) return false;
    int32_t removed = 0;
    for (List::NodeId x = NodeAt(dest); x != List::kTail && (removed == 0 || Entry(x).start < lastEnd);
         x = list_.Next(x)) {
        ++removed;
    }
    if (!list_.Reserve(static_cast<uint32_t>(count))) return false;
    *plan = DuplicatePlan{dest, source, count, static_cast<int32_t>(offset), removed, destStart};
    return true;
}

void TimingList::ApplyDuplicate(const DuplicatePlan& plan, EditRecord* record) {
    const List::NodeId first = list_.TakeNew(static_cast<uint32_t>(plan.count));
    List::NodeId from = NodeAt(plan.source);
    List::NodeId to = first;
    for (int32_t k = 0; k < plan.count; ++k) {
        const TimingEntry e = Entry(from);
        Entry(to) = TimingEntry{e.start + plan.offset, e.end + plan.offset};
        from = list_.Next(from);
        to = list_.Next(to);
    }
    list_.Seek(plan.dest - 1);
    list_.RemoveAfterCursor(static_cast<uint32_t>(plan.removed));
    list_.InsertAfterCursor(first, static_cast<uint32_t>(plan.count));
    record->tag = kEditTiming;
    record->subKind = kSubReplace;
    record->change = ListEdit{plan.dest, plan.removed, plan.dest, plan.count, 0, 0, plan.oldStart, 0};
    lastTool_ = kToolDuplicate;
    lastIndex_ = plan.dest;
    dragValue_ = 0;
    inPlaceOpen_ = false;
}

bool TimingList::DuplicateTiming(int32_t dest, int32_t source, int32_t count) {
    DuplicatePlan plan;
    if (!PlanDuplicate(dest, source, count, &plan)) return false;
    EditRecord* record = history_.NewRecord();
    if (!record) return false;
    ApplyDuplicate(plan, record);
    return true;
}

// ---------------------------------------------------------------------------
// Undo and redo.

bool TimingList::Undo(EditRecord* record) {
    inPlaceOpen_ = false;
    if (record->subKind == kSubMove || record->subKind == kSubMoveFollowing) {
        // Moves are undone and redone by swapping the entry's start.
        const int32_t i = record->change.word5;
        if (i < 0 || i >= list_.Count()) return false;
        const List::NodeId node = NodeAt(i);
        const int32_t start = Entry(node).start;
        Shift(node, int64_t{record->change.word6} - start, record->subKind == kSubMoveFollowing);
        record->change.word6 = start;
        return true;
    }
    return list_.Undo(record->change);
}

bool TimingList::Redo(EditRecord* record) {
    if (record->subKind == kSubMove || record->subKind == kSubMoveFollowing) return Undo(record);
    inPlaceOpen_ = false;
    return list_.Redo(record->change);
}

}  // namespace mr
