#include "editor/store/sync_document.h"

#include "lyrics/lyrics_document.h"

namespace mr {

SyncDocument::SyncDocument() : text_(history_), timing_(history_), pictures_(history_) {}

SyncDocument::~SyncDocument() = default;

void SyncDocument::SetHistoryListener(HistoryListener* listener) {
    LockGuard g(lock_);
    listener_ = listener;
}

// ---------------------------------------------------------------------------
// Loading and clearing.

bool SyncDocument::LoadText(const LyricsDocument& doc) {
    LockGuard g(lock_);
    // New cells may reuse the nodes kept for redo, so nothing can be redone
    // after a load (the open flow loads into a cleared document anyway).
    history_.DiscardRedo();
    const LyricsLine* lines = doc.GetLines();
    const SyncPoint* syncs = doc.GetSyncPoints();
    const uint32_t syncCount = doc.GetSyncCount();
    uint32_t lineCount = doc.GetLineCount();
    if (lineCount > 0 && doc.GetTextLength(lines[lineCount - 1].textIndex) == 0) --lineCount;
    for (uint32_t i = 0; i < lineCount; ++i) {
        const char16_t* chars = doc.GetText(lines[i].textIndex);
        const uint32_t length = chars ? doc.GetTextLength(lines[i].textIndex) : 0;
        // The line's points run to the next line's first point; a damaged
        // table whose lines do not ascend gives a line no points.
        uint32_t first = lines[i].firstSync;
        uint32_t end = i + 1 < doc.GetLineCount() ? lines[i + 1].firstSync : syncCount;
        if (end > syncCount) end = syncCount;
        if (first < end && IsLineStart(syncs[first])) ++first;
        const uint32_t points = first < end ? end - first : 0;
        // Sync point values read as signed offsets: a line-start marker is
        // negative and never matches a character.
        const int32_t* offsets = points ? reinterpret_cast<const int32_t*>(syncs + first) : nullptr;
        if (length > static_cast<uint32_t>(SyncText::kCapacity) ||
            !text_.AppendLine(chars, static_cast<int32_t>(length), offsets, static_cast<int32_t>(points),
                              i + 1 < lineCount)) {
            return false;
        }
    }
    return true;
}

bool SyncDocument::LoadTimes(const LyricsDocument& doc) {
    LockGuard g(lock_);
    history_.DiscardRedo();
    const SyncTime* times = doc.GetSyncTimes();
    for (uint32_t k = 0; k < doc.GetSyncTimeCount(); ++k) {
        if (!timing_.AppendRaised(times[k].start / 10, times[k].end / 10)) return false;
    }
    return true;
}

void SyncDocument::ClearSyncDocument() {
    LockGuard g(lock_);
    text_.Clear();
    timing_.Clear();
    pictures_.ClearPictures();
    history_.Clear();
}

// ---------------------------------------------------------------------------
// Text.

bool SyncDocument::InsertText(int32_t pos, const char16_t* chars, int32_t count) {
    LockGuard g(lock_);
    return text_.InsertText(pos, chars, count);
}

bool SyncDocument::DeleteText(int32_t pos, int32_t count) {
    LockGuard g(lock_);
    return text_.DeleteText(pos, count);
}

bool SyncDocument::ReplaceText(int32_t deletePos, int32_t deleteCount, const char16_t* chars, int32_t insertPos,
                               int32_t insertCount) {
    LockGuard g(lock_);
    return text_.ReplaceText(deletePos, deleteCount, chars, insertPos, insertCount);
}

bool SyncDocument::TypeCharacter(int32_t pos, char16_t ch) {
    LockGuard g(lock_);
    return text_.TypeCharacter(pos, ch);
}

bool SyncDocument::CanSetSyncpoint(int32_t pos) {
    LockGuard g(lock_);
    return text_.CanSetSyncpoint(pos);
}

bool SyncDocument::SetSyncpoint(int32_t pos) {
    LockGuard g(lock_);
    return text_.SetSyncpoint(pos);
}

bool SyncDocument::CanRemoveSyncpoint(int32_t pos) {
    LockGuard g(lock_);
    return text_.CanRemoveSyncpoint(pos);
}

bool SyncDocument::RemoveSyncpoint(int32_t pos) {
    LockGuard g(lock_);
    return text_.RemoveSyncpoint(pos);
}

bool SyncDocument::CanDuplicateLines(int32_t pos) {
    LockGuard g(lock_);
    LineRun run;
    return text_.FindLineRun(pos, &run);
}

bool SyncDocument::DuplicateLines(int32_t pos) {
    LockGuard g(lock_);
    LineRun run;
    if (!text_.FindLineRun(pos, &run)) return false;
    const int32_t dest = text_.SegmentOfCell(pos);
    const int32_t source = text_.SegmentOfCell(run.source);
    // The copied lines hold as many segments as segment starts among their
    // cells, plus the last one when the run's final CR was the end of the
    // text (it is not copied).
    const int32_t copied = text_.CountSegmentStarts(run.source, run.length) + (run.shortened ? 1 : 0);
    // The timing pattern follows only when the destination segment is timed;
    // otherwise the syncpoints alone are copied.
    const bool timed = dest < timing_.Count();
    DuplicatePlan plan;
    if (!text_.ReserveCells(run.length)) return false;
    if (timed && !timing_.PlanDuplicate(dest, source, copied, &plan)) return false;
    if (!history_.Reserve(timed ? 2 : 1)) return false;
    EditRecord* textRecord = history_.NewRecord();
    text_.ApplyLineCopy(pos, run, textRecord);
    if (!timed) return true;
    textRecord->tag |= kRedoContinues;
    EditRecord* timingRecord = history_.NewRecord();
    timing_.ApplyDuplicate(plan, timingRecord);
    timingRecord->tag |= kUndoContinues;
    return true;
}

int32_t SyncDocument::CellCount() {
    LockGuard g(lock_);
    return text_.CellCount();
}

int32_t SyncDocument::SegmentCount() {
    LockGuard g(lock_);
    return text_.SegmentCount();
}

int32_t SyncDocument::SegmentOfCell(int32_t pos) {
    LockGuard g(lock_);
    return text_.SegmentOfCell(pos);
}

int32_t SyncDocument::SegmentStart(int32_t segment) {
    LockGuard g(lock_);
    return text_.SegmentStart(segment);
}

int32_t SyncDocument::SegmentEnd(int32_t segment) {
    LockGuard g(lock_);
    return text_.SegmentEnd(segment);
}

bool SyncDocument::SegmentBeginsLine(int32_t segment) {
    LockGuard g(lock_);
    return text_.SegmentBeginsLine(segment);
}

int32_t SyncDocument::GetLineOfSegment(int32_t segment, char16_t* buffer, int32_t capacity, int32_t* segmentStart,
                                       int32_t* segmentEnd) {
    LockGuard g(lock_);
    return text_.GetLineOfSegment(segment, buffer, capacity, segmentStart, segmentEnd);
}

int32_t SyncDocument::GetText(int32_t pos, int32_t count, char16_t* buffer) {
    LockGuard g(lock_);
    return text_.GetText(pos, count, buffer);
}

int32_t SyncDocument::GetTextUnlocked(int32_t pos, int32_t count, char16_t* buffer) {
    return text_.GetText(pos, count, buffer);
}

int32_t SyncDocument::GetCells(int32_t pos, int32_t count, TextCell* cells) {
    LockGuard g(lock_);
    return text_.GetCells(pos, count, cells);
}

// ---------------------------------------------------------------------------
// Timing.

int32_t SyncDocument::TimingCount() {
    LockGuard g(lock_);
    return timing_.Count();
}

bool SyncDocument::FindTiming(int32_t t, int32_t* index) {
    LockGuard g(lock_);
    return timing_.FindTiming(t, index);
}

bool SyncDocument::GetTiming(int32_t index, int32_t* start, int32_t* end) {
    LockGuard g(lock_);
    return timing_.GetTiming(index, start, end);
}

bool SyncDocument::CanInsertTiming(int32_t t) {
    LockGuard g(lock_);
    return timing_.CanInsertTiming(t);
}

uint32_t SyncDocument::ToolsAt(int32_t t) {
    LockGuard g(lock_);
    return timing_.ToolsAt(t);
}

bool SyncDocument::InsertTiming(int32_t t) {
    LockGuard g(lock_);
    return timing_.InsertTiming(t);
}

bool SyncDocument::StartLiveTiming(int32_t t, int32_t* index) {
    LockGuard g(lock_);
    return timing_.StartLiveTiming(t, index);
}

bool SyncDocument::ExtendLiveTiming(int32_t t) {
    LockGuard g(lock_);
    return timing_.ExtendLiveTiming(t);
}

bool SyncDocument::RemoveTiming(int32_t t) {
    LockGuard g(lock_);
    return timing_.RemoveTiming(t);
}

bool SyncDocument::CombineTiming(int32_t t) {
    LockGuard g(lock_);
    return timing_.CombineTiming(t);
}

bool SyncDocument::SplitTiming(int32_t t) {
    LockGuard g(lock_);
    return timing_.SplitTiming(t);
}

bool SyncDocument::BeginAdjust(int32_t t) {
    LockGuard g(lock_);
    return timing_.BeginAdjust(t);
}

bool SyncDocument::DragAdjust(int32_t t) {
    LockGuard g(lock_);
    return timing_.DragAdjust(t);
}

bool SyncDocument::BeginMove(int32_t t) {
    LockGuard g(lock_);
    return timing_.BeginMove(t);
}

bool SyncDocument::DragMove(int32_t t) {
    LockGuard g(lock_);
    return timing_.DragMove(t);
}

bool SyncDocument::BeginMoveFollowing(int32_t t) {
    LockGuard g(lock_);
    return timing_.BeginMoveFollowing(t);
}

bool SyncDocument::DragMoveFollowing(int32_t t) {
    LockGuard g(lock_);
    return timing_.DragMoveFollowing(t);
}

bool SyncDocument::DuplicateTiming(int32_t dest, int32_t source, int32_t count) {
    LockGuard g(lock_);
    return timing_.DuplicateTiming(dest, source, count);
}

bool SyncDocument::AppendTimings(const TimingEntry* entries, int32_t count) {
    LockGuard g(lock_);
    return timing_.AppendTimings(entries, count);
}

uint32_t SyncDocument::LastTool() {
    LockGuard g(lock_);
    return timing_.LastTool();
}

int32_t SyncDocument::LastIndex() {
    LockGuard g(lock_);
    return timing_.LastIndex();
}

int32_t SyncDocument::DragValue() {
    LockGuard g(lock_);
    return timing_.DragValue();
}

// ---------------------------------------------------------------------------
// Pictures.

bool SyncDocument::AddDocumentPicture(LyricsDocument& lyrics, uint32_t index) {
    LockGuard g(lock_);
    return pictures_.AddDocumentPicture(lyrics, index);
}

bool SyncDocument::AddPictureFiles(std::u16string_view list, int32_t position) {
    LockGuard g(lock_);
    return pictures_.AddPictureFiles(list, position);
}

bool SyncDocument::RemovePictures(int32_t position, int32_t count) {
    LockGuard g(lock_);
    return pictures_.RemovePictures(position, count);
}

bool SyncDocument::MovePictures(int32_t from, int32_t to, int32_t count) {
    LockGuard g(lock_);
    return pictures_.MovePictures(from, to, count);
}

bool SyncDocument::SetPictureState(int32_t index, uint32_t ordinal, bool decoded) {
    LockGuard g(lock_);
    return pictures_.SetPictureState(index, ordinal, decoded);
}

int32_t SyncDocument::FindPictureAt(int32_t t) {
    LockGuard g(lock_);
    return pictures_.FindPictureAt(t);
}

int64_t SyncDocument::PictureStartTime(int32_t index) {
    LockGuard g(lock_);
    return pictures_.PictureStartTime(index);
}

bool SyncDocument::CanAdjustPictureAt(int32_t t) {
    LockGuard g(lock_);
    return pictures_.CanAdjustPictureAt(t);
}

bool SyncDocument::BeginPictureAdjust(int32_t t) {
    LockGuard g(lock_);
    return pictures_.BeginPictureAdjust(t);
}

bool SyncDocument::DragPictureAdjust(int32_t t) {
    LockGuard g(lock_);
    return pictures_.DragPictureAdjust(t);
}

bool SyncDocument::GetPicture(int32_t index, PictureInfo* info) {
    LockGuard g(lock_);
    return pictures_.GetPicture(index, info);
}

bool SyncDocument::GetPictureData(int32_t index, PictureInfo* info, PictureBytes* bytes) {
    LockGuard g(lock_);
    return pictures_.GetPictureData(index, info, bytes);
}

bool SyncDocument::ReadPictureBytes(uint32_t offset, uint32_t size, PictureBytes* bytes) {
    LockGuard g(lock_);
    return pictures_.ReadPictureBytes(offset, size, bytes);
}

int32_t SyncDocument::PictureCount() {
    LockGuard g(lock_);
    return pictures_.PictureCount();
}

uint32_t SyncDocument::PictureTotal() {
    LockGuard g(lock_);
    return pictures_.PictureTotal();
}

// ---------------------------------------------------------------------------
// History.

bool SyncDocument::Apply(EditRecord* record, bool undo) {
    switch (record->Kind()) {
        case kEditText:
            return undo ? text_.Undo(record) : text_.Redo(record);
        case kEditTiming:
            return undo ? timing_.Undo(record) : timing_.Redo(record);
        case kEditPictures:
            return undo ? pictures_.Undo(record) : pictures_.Redo(record);
        default:
            // No other kind is ever written.
            return true;
    }
}

bool SyncDocument::Undo() {
    LockGuard g(lock_);
    if (!history_.CanUndo()) return false;
    for (;;) {
        EditRecord* record = history_.StepBack();
        if (!Apply(record, true)) return false;
        if (listener_ && !listener_->RecordUndone(*record)) return false;
        if (!record->UndoContinues() || !history_.CanUndo()) return true;
    }
}

bool SyncDocument::Redo() {
    LockGuard g(lock_);
    if (!history_.CanRedo()) return false;
    for (;;) {
        EditRecord* record = history_.StepForward();
        if (!Apply(record, false)) return false;
        if (listener_ && !listener_->RecordRedone(*record)) return false;
        if (!record->RedoContinues() || !history_.CanRedo()) return true;
    }
}

bool SyncDocument::CanUndo() {
    LockGuard g(lock_);
    return history_.CanUndo();
}

bool SyncDocument::CanRedo() {
    LockGuard g(lock_);
    return history_.CanRedo();
}

void SyncDocument::MarkSaved() {
    LockGuard g(lock_);
    history_.MarkSaved();
}

bool SyncDocument::IsModified() {
    LockGuard g(lock_);
    return history_.IsModified();
}

}  // namespace mr
