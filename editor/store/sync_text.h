#pragma once
// SyncText: the lyrics text of the editor document as a PagedList of cells,
// one per UTF-16 unit, each with a syncpoint flag. Line breaks are single CR
// cells. A segment starts at the first cell, after every CR and at every
// flagged cell, so a non-empty text has 1 + CRs + flags segments; no flagged
// cell directly follows a CR (the line start is a segment start already), and
// every edit here keeps it so, recording the flags it cleared.
//
// Positions are cell indices (0 … CellCount(); CellCount() is the end of the
// text), segments are segment indices from 0. Every change obtains one record
// of kind text from the history and changes nothing when it cannot; failed
// preconditions and out-of-range arguments are refused with false. Queries
// move the cursor (sequential segment queries cost a few steps each) and
// never fail. Not locked: SyncDocument serialises access.

#include <cstdint>

#include "common/paged_list.h"
#include "editor/store/edit_history.h"

namespace mr {

inline constexpr char16_t kLineBreak = 13;

struct TextCell {
    uint16_t flag;  // 1: a segment starts at this character (a syncpoint)
    char16_t ch;    // UTF-16 code unit; 13 for a line break
};
static_assert(sizeof(TextCell) == 4, "text cells are 4 bytes");

// A run of whole lines before a destination line that equals it (and the
// lines after it), found by FindLineRun.
struct LineRun {
    int32_t source;   // position of the run's first cell
    int32_t length;   // cells to copy, CRs included
    bool shortened;   // the run's last CR stands for the end of the text
};

class SyncText final : private PagedListOps<TextCell> {
public:
    static constexpr uint32_t kReserveBytes = 10485760;
    // Cells in the text plus those kept for undo and redo.
    static constexpr int32_t kCapacity = 873811;

    explicit SyncText(EditHistory& history);
    SyncText(const SyncText&) = delete;
    SyncText& operator=(const SyncText&) = delete;

    // Loading (no history record). Appends a line: its characters, a flag on
    // each cell whose index in the line equals the next not yet matched value
    // of `syncOffsets` (a value that does not match in order, a negative one
    // or 0 blocks the remaining ones), then a CR when lineBreak is set.
    // False, with nothing added, when the line does not fit.
    bool AppendLine(const char16_t* chars, int32_t length, const int32_t* syncOffsets, int32_t syncCount,
                    bool lineBreak);
    // Empties the text and releases its range: one (empty) segment again.
    void Clear();

    // Text mirroring. InsertText puts count unflagged cells before pos;
    // DeleteText takes count cells at pos out; ReplaceText deletes and then
    // inserts (insertPos counts in the text after the deletion) in one record.
    // Nothing to delete or insert is a success without a record.
    bool InsertText(int32_t pos, const char16_t* chars, int32_t count);
    bool DeleteText(int32_t pos, int32_t count);
    bool ReplaceText(int32_t deletePos, int32_t deleteCount, const char16_t* chars, int32_t insertPos,
                     int32_t insertCount);
    // One typed character. It extends the current record when that is an
    // unlinked typing run of this text ending at pos (no new record; what
    // could be redone is discarded); a line break is inserted as InsertText.
    bool TypeCharacter(int32_t pos, char16_t ch);

    // Syncpoints at a cell.
    bool CanSetSyncpoint(int32_t pos);
    bool SetSyncpoint(int32_t pos);
    bool CanRemoveSyncpoint(int32_t pos);
    bool RemoveSyncpoint(int32_t pos);

    // The run search of Duplicate for the line starting at pos (pos ≥ 1, the
    // cell before it a CR). False when no whole line matches.
    bool FindLineRun(int32_t pos, LineRun* run);
    // Segment starts (CR or flagged cells) among count cells from pos.
    int32_t CountSegmentStarts(int32_t pos, int32_t count);
    // Makes sure n cells can be created (no visible change).
    bool ReserveCells(int32_t n) { return n >= 0 && list_.Reserve(static_cast<uint32_t>(n)); }
    // The text half of Duplicate, into a record the caller obtained after
    // ReserveCells(run.length) succeeded: replaces the run.length cells at pos
    // by copies of the run's cells, flags included. Fills the record as a
    // kSubReplace text record (tag kEditText).
    void ApplyLineCopy(int32_t pos, const LineRun& run, EditRecord* record);

    // Undo and redo of a text record (kSubTyping turns into kSubReplace).
    bool Undo(EditRecord* record);
    bool Redo(EditRecord* record);

    // Queries.
    int32_t CellCount() const { return list_.Count(); }
    // 0 for an empty text.
    int32_t SegmentCount() const { return list_.Count() == 0 ? 0 : segmentCount_; }
    // Segment of the cell at pos (pos = CellCount(): the last segment).
    int32_t SegmentOfCell(int32_t pos);
    // First cell of the segment; CellCount() for a segment past the end, 0
    // for an empty text or a negative segment.
    int32_t SegmentStart(int32_t segment);
    // One past the segment's last cell (the CR that ends a line belongs to
    // the segment before it).
    int32_t SegmentEnd(int32_t segment);
    // True when the segment's first cell is not flagged; true for an empty
    // text and for a segment past the end.
    bool SegmentBeginsLine(int32_t segment);
    // The line holding the segment, without its CR, NUL-terminated into
    // buffer (capacity units), and the segment's start and end offsets in it.
    // Returns the line length, or −1 when it does not fit (the buffer then
    // holds the first capacity − 1 units).
    int32_t GetLineOfSegment(int32_t segment, char16_t* buffer, int32_t capacity, int32_t* segmentStart,
                             int32_t* segmentEnd);
    // Up to count units from pos into buffer (count + 1 units), NUL-terminated;
    // returns the number of units copied.
    int32_t GetText(int32_t pos, int32_t count, char16_t* buffer);
    // Up to count cells from pos; returns the number copied.
    int32_t GetCells(int32_t pos, int32_t count, TextCell* cells);

    // Internal counters, for tests.
    uint32_t RemovedCells() const { return list_.RemovedCount(); }
    uint32_t RedoCells() const { return list_.RedoCount(); }

private:
    using List = PagedList<TextCell>;

    void Initialise(TextCell& head, TextCell& tail) override;
    void AtHead() override;
    void AtTail() override;
    void StepForward(const TextCell& left, const TextCell& arrived) override;
    void StepBack(const TextCell& left, const TextCell& arrived) override;
    void UndoRemovedInserted(const ListEdit& e, TextCell& following) override;
    void UndoReinsertedRemoved(const ListEdit& e, TextCell& following) override;
    void RedoRemovedDeleted(const ListEdit& e, TextCell& following) override;
    void RedoReinsertedInserted(const ListEdit& e, TextCell& following) override;

    // Checks a replacement's arguments against the text.
    bool ValidReplace(int32_t deletePos, int32_t deleteCount, const char16_t* chars, int32_t insertPos,
                      int32_t insertCount) const;
    // Reserves, obtains a record and applies a checked replacement.
    bool Replace(int32_t deletePos, int32_t deleteCount, const char16_t* chars, int32_t insertPos,
                 int32_t insertCount, int32_t subKind);
    void ApplyReplace(int32_t deletePos, int32_t deleteCount, const char16_t* chars, int32_t insertPos,
                      int32_t insertCount, int32_t subKind, EditRecord* record);
    // Replaces the cell at pos by a copy with the given flag (a syncpoint
    // set or removed), with its record.
    bool ReflagCell(int32_t pos, uint16_t flag);
    // Puts the cursor on the first cell of the segment (the tail for the
    // empty segment after a final CR). The segment must exist.
    void SeekSegment(int32_t segment);
    // The cell before node n; the head sentinel (a CR) before the first cell.
    const TextCell& CellBefore(List::NodeId n) const { return list_.Value(list_.Prev(n)); }

    EditHistory& history_;
    List list_;
    int32_t segmentCount_ = 1;    // 1 + CRs + flags
    int32_t segmentIndex_ = -1;   // segment of the cursor's cell
};

}  // namespace mr
