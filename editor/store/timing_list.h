#pragma once
// TimingList: the segment times of the editor document, one TimingEntry per
// segment in segment order (entry i times segment i; segments past the last
// entry are untimed), as a PagedList. Times are ticks of 10 ms. Entries keep
// start < end and start ≥ the previous entry's end; every entry a tool makes
// lasts at least 4 ticks.
//
// The timeline calls ToolsAt on hover, one Begin or one-shot operation on a
// press and the matching Drag operation on every move while the button is
// held. Every change obtains one history record of kind timing and changes
// nothing when it cannot; an operation whose precondition does not hold
// changes nothing and returns false. Drags and the live extension change the
// entries made by the last Begin or insertion in place, and only while no
// other timing change, undo or redo came in between. Not locked:
// SyncDocument serialises access.

#include <cstdint>

#include "common/paged_list.h"
#include "editor/store/edit_history.h"

namespace mr {

struct TimingEntry {
    int32_t start;  // ticks
    int32_t end;    // ticks
};

// Timeline tools, as bits of a tool set.
enum TimelineTool : uint32_t {
    kToolInsert = 1,
    kToolRemove = 2,
    kToolCombine = 4,
    kToolSplit = 8,
    kToolAdjust = 16,
    kToolMove = 32,
    kToolMoveFollowing = 64,  // "Move ++"
    kToolDuplicate = 128,
    kToolJumpHere = 256,
};

// The shortest entry a tool makes, in ticks.
inline constexpr int32_t kMinEntryTicks = 4;
// Length of an entry made by the Insert tool, and of a fresh live entry.
inline constexpr int32_t kInsertTicks = 20;
// No entry ends after this tick: the start of the tail sentinel, which acts
// as the entry after the last one.
inline constexpr int32_t kLastTick = 2147483646;

// What Duplicate's timing half will do, worked out before anything changes.
struct DuplicatePlan {
    int32_t dest;
    int32_t source;
    int32_t count;    // entries copied
    int32_t offset;   // ticks added to each copied entry
    int32_t removed;  // entries replaced from dest on (at least 1)
    int32_t oldStart;
};

class TimingList final : private PagedListOps<TimingEntry> {
public:
    static constexpr uint32_t kReserveBytes = 10485760;
    static constexpr int32_t kCapacity = 655358;

    explicit TimingList(EditHistory& history);
    TimingList(const TimingList&) = delete;
    TimingList& operator=(const TimingList&) = delete;

    // Loading (no record): appends an entry, raising its start to the end of
    // the entry before and its end to at least start + 4.
    bool AppendRaised(int32_t start, int32_t end);
    // Empties the list and releases its range; the tool values are reset.
    void Clear();

    // Queries (t in ticks).
    int32_t Count() const { return list_.Count(); }
    // True with the index of the entry with start ≤ t < end; false with the
    // index of the first entry after t, or −1 when none follows.
    bool FindTiming(int32_t t, int32_t* index);
    bool GetTiming(int32_t index, int32_t* start, int32_t* end);
    // False inside an entry and before 0; otherwise true when an entry of at
    // least 4 ticks fits before the next entry.
    bool CanInsertTiming(int32_t t);
    // The TimelineTool bits that apply at t (Jump here is the timeline's).
    uint32_t ToolsAt(int32_t t);

    // One-shot tools. InsertTiming puts {t, min(t + 20, next start)} in;
    // StartLiveTiming puts {t, min(t + 4, next start)} in and returns its
    // index; ExtendLiveTiming stretches that entry's end to t (at most to the
    // next start), without a record.
    bool InsertTiming(int32_t t);
    bool StartLiveTiming(int32_t t, int32_t* index);
    bool ExtendLiveTiming(int32_t t);
    bool RemoveTiming(int32_t t);
    bool CombineTiming(int32_t t);
    bool SplitTiming(int32_t t);

    // Drag tools: the Begin operation records, the Drag operation changes the
    // entries in place (t may lie anywhere, also before 0).
    bool BeginAdjust(int32_t t);
    bool DragAdjust(int32_t t);
    bool BeginMove(int32_t t);
    bool DragMove(int32_t t);
    bool BeginMoveFollowing(int32_t t);
    bool DragMoveFollowing(int32_t t);

    // Copies count entries from source on to dest (offset so that the first
    // copy starts where entry dest starts), replacing entry dest and every
    // later entry that starts before the last copy ends.
    bool DuplicateTiming(int32_t dest, int32_t source, int32_t count);
    // The same in two halves, for Duplicate's two-record step: Plan checks
    // and reserves (no visible change), Apply fills a record the caller got.
    bool PlanDuplicate(int32_t dest, int32_t source, int32_t count, DuplicatePlan* plan);
    void ApplyDuplicate(const DuplicatePlan& plan, EditRecord* record);

    // Appends count entries after the last one as one record (a batch of
    // suggested times, undone and redone as one step). Each must start no
    // earlier than the entry before it ends, last at least kMinEntryTicks and
    // end by kLastTick, and the list must have room; otherwise, or for
    // count < 1, nothing changes and the result is false.
    bool AppendTimings(const TimingEntry* entries, int32_t count);

    // Undo and redo of a timing record; they end any drag or live entry.
    bool Undo(EditRecord* record);
    bool Redo(EditRecord* record);

    // The values the timeline draws and drags with.
    uint32_t LastTool() const { return lastTool_; }
    int32_t LastIndex() const { return lastIndex_; }
    int32_t DragValue() const { return dragValue_; }

private:
    using List = PagedList<TimingEntry>;

    void Initialise(TimingEntry& head, TimingEntry& tail) override;

    // The node of entry i (head sentinel for −1, tail for Count()).
    List::NodeId NodeAt(int32_t i);
    TimingEntry& Entry(List::NodeId n) const { return list_.Value(n); }
    // Inserts one new entry at i with its record.
    bool InsertEntry(int32_t i, TimingEntry value, int32_t t, uint32_t tool);
    // Replaces removeCount entries at i by the given ones, with a record.
    bool ReplaceEntries(int32_t i, int32_t removeCount, const TimingEntry* values, int32_t insertCount, int32_t t,
                        uint32_t tool, int32_t lastIndex);
    bool BeginShift(int32_t t, uint32_t tool, int32_t subKind);
    // Shifts `count` entries from node n on (all later ones for −1).
    void Shift(List::NodeId n, int64_t delta, bool following);
    // A drag or a live extension changed the entries of the gesture's record.
    void ChangedInPlace() { history_.ChangedInPlace(openerIndex_); }
    // Opens the gesture of the record just made.
    void OpenInPlace() {
        inPlaceOpen_ = true;
        openerIndex_ = history_.CurrentIndex();
    }

    EditHistory& history_;
    List list_;
    uint32_t lastTool_ = 0;
    int32_t lastIndex_ = -1;
    int32_t dragValue_ = 0;
    // The entries the last tool made may still be changed in place by its
    // drag or live extension: no timing change, undo or redo came after it
    // (text records may, and leave the entries alone).
    bool inPlaceOpen_ = false;
    int32_t openerIndex_ = -1;  // history index of that tool's record
};

}  // namespace mr
