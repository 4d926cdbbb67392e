#include "editor/store/sync_text.h"

namespace mr {

namespace {

bool StartsSegment(const TextCell& c) {
    return c.ch == kLineBreak || c.flag != 0;
}

}  // namespace

SyncText::SyncText(EditHistory& history) : history_(history), list_(kReserveBytes, this) {
    static_assert(kReserveBytes / sizeof(PagedList<TextCell>::Node) - 2 == kCapacity);
}

// ---------------------------------------------------------------------------
// Per-list operations: the running segment count and the cursor's segment.

void SyncText::Initialise(TextCell& head, TextCell& tail) {
    // The start and the end of the text behave like line breaks.
    head = TextCell{0, kLineBreak};
    tail = TextCell{0, kLineBreak};
}

void SyncText::AtHead() {
    segmentIndex_ = -1;
}

void SyncText::AtTail() {
    segmentIndex_ = segmentCount_ - 1;
}

void SyncText::StepForward(const TextCell& left, const TextCell& arrived) {
    if (arrived.flag != 0 || left.ch == kLineBreak) ++segmentIndex_;
}

void SyncText::StepBack(const TextCell& left, const TextCell& arrived) {
    if (arrived.ch == kLineBreak || left.flag != 0) --segmentIndex_;
}

void SyncText::UndoRemovedInserted(const ListEdit& e, TextCell& following) {
    segmentCount_ -= e.word6;
    if (e.word8 == kFixupFlagCleared) {
        following.flag = 1;
        ++segmentCount_;
    }
}

void SyncText::UndoReinsertedRemoved(const ListEdit& e, TextCell& following) {
    segmentCount_ += e.word5;
    if (e.word7 == kFixupFlagCleared) {
        following.flag = 1;
        ++segmentCount_;
    }
}

void SyncText::RedoRemovedDeleted(const ListEdit& e, TextCell& following) {
    segmentCount_ -= e.word5;
    if (e.word7 == kFixupFlagCleared) {
        following.flag = 0;
        --segmentCount_;
    }
}

void SyncText::RedoReinsertedInserted(const ListEdit& e, TextCell& following) {
    segmentCount_ += e.word6;
    if (e.word8 == kFixupFlagCleared) {
        following.flag = 0;
        --segmentCount_;
    }
}

// ---------------------------------------------------------------------------
// Loading.

bool SyncText::AppendLine(const char16_t* chars, int32_t length, const int32_t* syncOffsets, int32_t syncCount,
                          bool lineBreak) {
    if (length < 0 || syncCount < 0 || (length > 0 && !chars) || (syncCount > 0 && !syncOffsets)) return false;
    const int64_t total = int64_t{length} + (lineBreak ? 1 : 0);
    if (total == 0) return true;
    if (total > kCapacity || !list_.Reserve(static_cast<uint32_t>(total))) return false;

    list_.Seek(list_.Count() - 1);
    const List::NodeId first = list_.TakeNew(static_cast<uint32_t>(total));
    // The cell before the first new one decides whether it may carry a flag.
    char16_t before = list_.CursorValue().ch;
    int32_t starts = 0;
    int32_t k = 0;
    List::NodeId x = first;
    for (int32_t j = 0; j < total; ++j, x = list_.Next(x)) {
        TextCell c{0, j < length ? chars[j] : kLineBreak};
        if (j < length && k < syncCount && syncOffsets[k] == j) {
            // A point on a line start would duplicate the line's own segment
            // start (and break the counting), so it is consumed unflagged.
            if (before != kLineBreak) c.flag = 1;
            ++k;
        }
        if (StartsSegment(c)) ++starts;
        list_.Value(x) = c;
        before = c.ch;
    }
    list_.InsertAfterCursor(first, static_cast<uint32_t>(total));
    segmentCount_ += starts;
    return true;
}

void SyncText::Clear() {
    list_.Release();
    segmentCount_ = 1;
    segmentIndex_ = -1;
}

// ---------------------------------------------------------------------------
// Text mirroring.

bool SyncText::ValidReplace(int32_t deletePos, int32_t deleteCount, const char16_t* chars, int32_t insertPos,
                            int32_t insertCount) const {
    const int64_t n = list_.Count();
    if (deleteCount < 0 || insertCount < 0) return false;
    if (deleteCount > 0 && (deletePos < 0 || int64_t{deletePos} + deleteCount > n)) return false;
    if (insertCount > 0 && (!chars || insertPos < 0 || insertPos > n - deleteCount)) return false;
    return true;
}

bool SyncText::InsertText(int32_t pos, const char16_t* chars, int32_t count) {
    if (pos < 0 || pos > list_.Count()) return false;
    return Replace(-1, 0, chars, pos, count, kSubReplace);
}

bool SyncText::DeleteText(int32_t pos, int32_t count) {
    if (pos < 0 || pos > list_.Count()) return false;
    return Replace(pos, count, nullptr, -1, 0, kSubReplace);
}

bool SyncText::ReplaceText(int32_t deletePos, int32_t deleteCount, const char16_t* chars, int32_t insertPos,
                           int32_t insertCount) {
    return Replace(deletePos, deleteCount, chars, insertPos, insertCount, kSubReplace);
}

bool SyncText::TypeCharacter(int32_t pos, char16_t ch) {
    if (ch == kLineBreak) return InsertText(pos, &ch, 1);
    if (pos < 0 || pos > list_.Count()) return false;
    EditRecord* run = history_.CurrentRecord();
    if (run && run->tag == kEditText && run->subKind == kSubTyping && run->change.insertPos >= 0 &&
        int64_t{run->change.insertPos} + run->change.insertCount == pos) {
        if (!list_.Reserve(1)) return false;
        history_.DiscardRedo();
        history_.ChangedInPlace(history_.CurrentIndex());
        list_.Seek(pos - 1);
        const List::NodeId node = list_.TakeNew(1);
        list_.Value(node) = TextCell{0, ch};
        list_.InsertAfterCursor(node, 1);
        ++run->change.insertCount;
        return true;
    }
    return Replace(-1, 0, &ch, pos, 1, kSubTyping);
}

bool SyncText::Replace(int32_t deletePos, int32_t deleteCount, const char16_t* chars, int32_t insertPos,
                       int32_t insertCount, int32_t subKind) {
    if (!ValidReplace(deletePos, deleteCount, chars, insertPos, insertCount)) return false;
    if (deleteCount == 0 && insertCount == 0) return true;
    if (!list_.Reserve(static_cast<uint32_t>(insertCount))) return false;
    EditRecord* record = history_.NewRecord();
    if (!record) return false;
    ApplyReplace(deletePos, deleteCount, chars, insertPos, insertCount, subKind, record);
    return true;
}

void SyncText::ApplyReplace(int32_t deletePos, int32_t deleteCount, const char16_t* chars, int32_t insertPos,
                            int32_t insertCount, int32_t subKind, EditRecord* record) {
    int32_t removedStarts = 0;
    int32_t addedStarts = 0;
    int32_t deletionFixup = 0;
    int32_t insertionFixup = 0;
    if (deleteCount > 0) {
        list_.Seek(deletePos - 1);
        removedStarts = CountSegmentStarts(deletePos, deleteCount);
        list_.Seek(deletePos - 1);
        list_.RemoveAfterCursor(static_cast<uint32_t>(deleteCount));
        segmentCount_ -= removedStarts;
        // When the deletion leaves a flagged cell right after a line break
        // (or at the start), the flag goes. An insertion at the same place
        // puts text between them again, so then only the insertion's own
        // check applies.
        if (insertCount == 0 || insertPos != deletePos) {
            const List::NodeId after = list_.Next(list_.Cursor());
            if (list_.CursorValue().ch == kLineBreak && after != List::kTail && list_.Value(after).flag != 0) {
                list_.Value(after).flag = 0;
                --segmentCount_;
                deletionFixup = kFixupFlagCleared;
            }
        }
    }
    if (insertCount > 0) {
        const List::NodeId first = list_.TakeNew(static_cast<uint32_t>(insertCount));
        List::NodeId x = first;
        List::NodeId last = first;
        for (int32_t j = 0; j < insertCount; ++j) {
            list_.Value(x) = TextCell{0, chars[j]};
            if (chars[j] == kLineBreak) ++addedStarts;
            last = x;
            x = list_.Next(x);
        }
        list_.Seek(insertPos - 1);
        list_.InsertAfterCursor(first, static_cast<uint32_t>(insertCount));
        segmentCount_ += addedStarts;
        const List::NodeId after = list_.Next(last);
        if (chars[insertCount - 1] == kLineBreak && after != List::kTail && list_.Value(after).flag != 0) {
            list_.Value(after).flag = 0;
            --segmentCount_;
            insertionFixup = kFixupFlagCleared;
        }
    }
    record->tag = kEditText;
    record->subKind = subKind;
    record->change = ListEdit{deleteCount > 0 ? deletePos : -1,
                              deleteCount,
                              insertCount > 0 ? insertPos : -1,
                              insertCount,
                              removedStarts,
                              addedStarts,
                              deletionFixup,
                              insertionFixup};
}

// ---------------------------------------------------------------------------
// Syncpoints.

bool SyncText::CanSetSyncpoint(int32_t pos) {
    if (pos <= 0 || pos >= list_.Count()) return false;
    list_.Seek(pos);
    const TextCell& c = list_.CursorValue();
    if (c.flag != 0 || c.ch == u' ' || c.ch == u'\t' || c.ch == kLineBreak) return false;
    return CellBefore(list_.Cursor()).ch != kLineBreak;
}

bool SyncText::SetSyncpoint(int32_t pos) {
    return CanSetSyncpoint(pos) && ReflagCell(pos, 1);
}

bool SyncText::CanRemoveSyncpoint(int32_t pos) {
    if (pos < 0 || pos >= list_.Count()) return false;
    list_.Seek(pos);
    return list_.CursorValue().flag != 0;
}

bool SyncText::RemoveSyncpoint(int32_t pos) {
    return CanRemoveSyncpoint(pos) && ReflagCell(pos, 0);
}

bool SyncText::ReflagCell(int32_t pos, uint16_t flag) {
    // The cell is replaced by a copy, so that undo puts the original back.
    if (!list_.Reserve(1)) return false;
    EditRecord* record = history_.NewRecord();
    if (!record) return false;
    list_.Seek(pos);
    TextCell copy = list_.CursorValue();
    copy.flag = flag;
    const List::NodeId node = list_.TakeNew(1);
    list_.Value(node) = copy;
    list_.Seek(pos - 1);
    list_.RemoveAfterCursor(1);
    list_.InsertAfterCursor(node, 1);
    segmentCount_ += flag ? 1 : -1;
    record->tag = kEditText;
    record->subKind = kSubReplace;
    record->change = ListEdit{pos, 1, pos, 1, flag ? 0 : 1, flag ? 1 : 0, kFixupSyncpoint, 0};
    return true;
}

// ---------------------------------------------------------------------------
// Duplicate.

bool SyncText::FindLineRun(int32_t pos, LineRun* run) {
    const int32_t n = list_.Count();
    if (pos < 1 || pos >= n) return false;
    list_.Seek(pos);
    const List::NodeId dest = list_.Cursor();
    if (CellBefore(dest).ch != kLineBreak) return false;

    List::NodeId cand = list_.Next(List::kHead);
    int32_t candPos = 0;
    int32_t bestLength = 0;
    int32_t bestSource = -1;
    while (candPos < pos) {
        List::NodeId c = cand;
        int32_t cPos = candPos;
        List::NodeId d = dest;
        int32_t dPos = pos;
        int32_t length = 0;
        bool failed = false;
        for (;;) {
            // One line pair; the end of the text counts as a CR on the
            // destination side. Candidate lines end before pos (the cell
            // before pos is a CR), so the candidate side never reads past it.
            bool lineMatched = false;
            for (;;) {
                const char16_t cc = list_.Value(c).ch;
                const char16_t dc = dPos < n ? list_.Value(d).ch : kLineBreak;
                if (cc != dc) break;
                c = list_.Next(c);
                ++cPos;
                if (dPos < n) d = list_.Next(d);
                ++dPos;
                if (cc == kLineBreak) {
                    lineMatched = true;
                    break;
                }
            }
            if (!lineMatched) {
                failed = true;
                break;
            }
            length = cPos - candPos;
            if (dPos >= n) {
                // The destination side reached the end of the text: this run
                // is the result, whatever was kept before.
                const bool shortened = dPos > n;
                *run = LineRun{candPos, shortened ? length - 1 : length, shortened};
                return true;
            }
            if (cPos >= pos) break;  // the next candidate line is the destination
        }
        if (length > bestLength) {
            bestLength = length;
            bestSource = candPos;
        }
        if (!failed) break;
        // Go on with the line after the one in which the comparison failed.
        while (list_.Value(c).ch != kLineBreak) {
            c = list_.Next(c);
            ++cPos;
        }
        cand = list_.Next(c);
        candPos = cPos + 1;
    }
    if (bestLength == 0) return false;
    *run = LineRun{bestSource, bestLength, false};
    return true;
}

int32_t SyncText::CountSegmentStarts(int32_t pos, int32_t count) {
    if (pos < 0 || count <= 0 || pos >= list_.Count()) return 0;
    list_.Seek(pos);
    int32_t starts = 0;
    List::NodeId x = list_.Cursor();
    for (int32_t i = 0; i < count && x != List::kTail; ++i, x = list_.Next(x)) {
        if (StartsSegment(list_.Value(x))) ++starts;
    }
    return starts;
}

void SyncText::ApplyLineCopy(int32_t pos, const LineRun& run, EditRecord* record) {
    const uint32_t length = static_cast<uint32_t>(run.length);
    const int32_t removedStarts = CountSegmentStarts(pos, run.length);
    const List::NodeId first = list_.TakeNew(length);
    list_.Seek(run.source);
    int32_t copiedStarts = 0;
    List::NodeId from = list_.Cursor();
    List::NodeId to = first;
    for (uint32_t i = 0; i < length; ++i) {
        list_.Value(to) = list_.Value(from);
        if (StartsSegment(list_.Value(to))) ++copiedStarts;
        from = list_.Next(from);
        to = list_.Next(to);
    }
    list_.Seek(pos - 1);
    list_.RemoveAfterCursor(length);
    list_.InsertAfterCursor(first, length);
    segmentCount_ += copiedStarts - removedStarts;
    record->tag = kEditText;
    record->subKind = kSubReplace;
    record->change = ListEdit{pos, run.length, pos, run.length, removedStarts, copiedStarts, 0, 0};
}

// ---------------------------------------------------------------------------
// Undo and redo.

bool SyncText::Undo(EditRecord* record) {
    if (record->subKind == kSubTyping) record->subKind = kSubReplace;
    return list_.Undo(record->change);
}

bool SyncText::Redo(EditRecord* record) {
    return list_.Redo(record->change);
}

// ---------------------------------------------------------------------------
// Queries.

int32_t SyncText::SegmentOfCell(int32_t pos) {
    const int32_t n = list_.Count();
    if (n == 0) return 0;
    list_.Seek(pos < 0 ? 0 : pos);
    return segmentIndex_;
}

void SyncText::SeekSegment(int32_t segment) {
    const int64_t fromCursor =
        segment > segmentIndex_ ? int64_t{segment} - segmentIndex_ : int64_t{segmentIndex_} - segment;
    const int64_t fromHead = int64_t{segment} + 1;
    const int64_t fromTail = int64_t{segmentCount_} - 1 - segment;
    if (fromCursor > fromHead || fromCursor > fromTail) list_.Seek(fromHead <= fromTail ? -1 : list_.Count());
    while (segmentIndex_ < segment && list_.StepForward()) {
    }
    while (segmentIndex_ > segment && list_.StepBack()) {
    }
    // Now on a cell of the segment: back to its first cell.
    while (list_.CursorValue().flag == 0 && CellBefore(list_.Cursor()).ch != kLineBreak) list_.StepBack();
}

int32_t SyncText::SegmentStart(int32_t segment) {
    const int32_t n = list_.Count();
    if (n == 0 || segment < 0) return 0;
    if (segment >= segmentCount_) return n;
    SeekSegment(segment);
    return list_.CursorIndex();
}

int32_t SyncText::SegmentEnd(int32_t segment) {
    const int32_t n = list_.Count();
    if (n == 0 || segment < 0) return 0;
    if (segment >= segmentCount_) return n;
    SeekSegment(segment);
    if (list_.Cursor() == List::kTail) return n;
    for (;;) {
        if (list_.CursorValue().ch == kLineBreak) return list_.CursorIndex() + 1;
        const List::NodeId next = list_.Next(list_.Cursor());
        if (next == List::kTail || list_.Value(next).flag != 0) return list_.CursorIndex() + 1;
        list_.StepForward();
    }
}

bool SyncText::SegmentBeginsLine(int32_t segment) {
    if (list_.Count() == 0 || segment < 0 || segment >= segmentCount_) return true;
    SeekSegment(segment);
    return list_.Cursor() == List::kTail || list_.CursorValue().flag == 0;
}

int32_t SyncText::GetLineOfSegment(int32_t segment, char16_t* buffer, int32_t capacity, int32_t* segmentStart,
                                   int32_t* segmentEnd) {
    const int32_t start = SegmentStart(segment);
    const int32_t end = SegmentEnd(segment);
    int32_t lineStart = start;
    int32_t length = 0;
    if (list_.Count() > 0) {
        list_.Seek(start);
        List::NodeId x = list_.Cursor();
        while (CellBefore(x).ch != kLineBreak) {
            x = list_.Prev(x);
            --lineStart;
        }
        for (; x != List::kTail && list_.Value(x).ch != kLineBreak; x = list_.Next(x)) {
            if (length < capacity - 1) buffer[length] = list_.Value(x).ch;
            ++length;
        }
    }
    if (segmentStart) *segmentStart = start - lineStart;
    if (segmentEnd) *segmentEnd = (end < lineStart + length ? end : lineStart + length) - lineStart;
    if (capacity <= 0) return -1;
    if (length > capacity - 1) {
        buffer[capacity - 1] = 0;
        return -1;
    }
    buffer[length] = 0;
    return length;
}

int32_t SyncText::GetText(int32_t pos, int32_t count, char16_t* buffer) {
    const int32_t n = list_.Count();
    if (pos < 0 || pos > n || count < 0) {
        if (buffer) buffer[0] = 0;
        return 0;
    }
    if (count > n - pos) count = n - pos;
    if (count > 0) list_.Seek(pos);
    List::NodeId x = list_.Cursor();
    for (int32_t i = 0; i < count; ++i, x = list_.Next(x)) buffer[i] = list_.Value(x).ch;
    buffer[count] = 0;
    return count;
}

int32_t SyncText::GetCells(int32_t pos, int32_t count, TextCell* cells) {
    const int32_t n = list_.Count();
    if (pos < 0 || pos >= n || count <= 0) return 0;
    if (count > n - pos) count = n - pos;
    list_.Seek(pos);
    List::NodeId x = list_.Cursor();
    for (int32_t i = 0; i < count; ++i, x = list_.Next(x)) cells[i] = list_.Value(x);
    return count;
}

}  // namespace mr
