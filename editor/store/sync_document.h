#pragma once
// SyncDocument: the editor's single in-memory document — the lyrics text with
// its syncpoints (SyncText), the segment times (TimingList), the slide-show
// pictures (PictureStore) and the undo history (EditHistory) — behind one
// re-entrant document lock. Every entry
// point below takes the lock for its whole duration, so the UI thread, the
// playback graph's streaming thread and the timeline's nudge thread can all
// call in; a caller that holds the lock (through DocumentLock) may call any
// of them again from inside.
//
// Positions are cell indices, segments segment indices, times ticks (10 ms).
// Changes return false and change nothing when their precondition fails,
// when no history record can be had or when a list cannot grow. Queries never
// fail; on an empty text they answer 0 or false.

#include <cstdint>

#include "common/lock.h"
#include "editor/store/edit_history.h"
#include "editor/store/picture_store.h"
#include "editor/store/sync_text.h"
#include "editor/store/timing_list.h"

namespace mr {

class LyricsDocument;

class SyncDocument {
public:
    SyncDocument();
    ~SyncDocument();
    SyncDocument(const SyncDocument&) = delete;
    SyncDocument& operator=(const SyncDocument&) = delete;

    // The document lock, for a caller that runs several calls as one; and
    // the lock around the hand-over of one picture request to the preview's
    // loader (always taken after the document lock).
    ReentrantLock& DocumentLock() { return lock_; }
    ReentrantLock& PictureRequestLock() { return pictureLock_; }
    // The frame that is told about every record Undo and Redo apply (not
    // owned; null: nobody is told).
    void SetHistoryListener(HistoryListener* listener);

    // --- Loading and clearing (not recorded in the history; after a load
    // nothing can be redone).

    // Appends the document's lines: characters as cells, a flag where a sync
    // point of the line (after its start marker) matches the character's
    // offset in order, a CR after every line but the last; an empty last line
    // is dropped. False at the first line that cannot be stored (the lines
    // before it stay).
    bool LoadText(const LyricsDocument& doc);
    // Appends the document's sync times, milliseconds / 10 (toward zero) as
    // ticks; every entry lasts at least 4 ticks and starts no earlier than
    // the previous one ends.
    bool LoadTimes(const LyricsDocument& doc);
    // Empties text, timing entries, pictures and history, releasing their
    // ranges (the pictures' temporary file stays, emptied).
    void ClearSyncDocument();

    // --- Text mirroring (each change one history record of kind text).

    bool InsertText(int32_t pos, const char16_t* chars, int32_t count);
    bool DeleteText(int32_t pos, int32_t count);
    // Deletes deleteCount cells at deletePos, then inserts insertCount
    // characters at insertPos (a position in the text after the deletion).
    bool ReplaceText(int32_t deletePos, int32_t deleteCount, const char16_t* chars, int32_t insertPos,
                     int32_t insertCount);
    // One typed character; consecutive ones at the end of the current typing
    // run extend its record.
    bool TypeCharacter(int32_t pos, char16_t ch);

    // --- Syncpoints and Duplicate (text pane commands at the caret).

    bool CanSetSyncpoint(int32_t pos);
    bool SetSyncpoint(int32_t pos);
    bool CanRemoveSyncpoint(int32_t pos);
    bool RemoveSyncpoint(int32_t pos);
    // The line starting at pos takes the syncpoints of the earlier line(s) it
    // equals, and, when its segment is timed, the timing pattern of those
    // lines (one text record and one timing record, undone and redone as one
    // step).
    bool CanDuplicateLines(int32_t pos);
    bool DuplicateLines(int32_t pos);

    // --- Text queries.

    int32_t CellCount();
    // 0 for an empty text (status bar "LC: %d").
    int32_t SegmentCount();
    int32_t SegmentOfCell(int32_t pos);
    int32_t SegmentStart(int32_t segment);
    int32_t SegmentEnd(int32_t segment);
    bool SegmentBeginsLine(int32_t segment);
    // The segment's line (without CR) NUL-terminated into buffer, with the
    // segment's offsets in it; the line length, or −1 when it does not fit.
    int32_t GetLineOfSegment(int32_t segment, char16_t* buffer, int32_t capacity, int32_t* segmentStart,
                             int32_t* segmentEnd);
    // Up to count units from pos into buffer (count + 1 units),
    // NUL-terminated; returns the units copied. GetTextUnlocked is for
    // callers that hold the lock already.
    int32_t GetText(int32_t pos, int32_t count, char16_t* buffer);
    int32_t GetTextUnlocked(int32_t pos, int32_t count, char16_t* buffer);
    int32_t GetCells(int32_t pos, int32_t count, TextCell* cells);

    // --- Timing layer (ticks).

    // Status bar "TC: %d".
    int32_t TimingCount();
    bool FindTiming(int32_t t, int32_t* index);
    bool GetTiming(int32_t index, int32_t* start, int32_t* end);
    bool CanInsertTiming(int32_t t);
    uint32_t ToolsAt(int32_t t);
    bool InsertTiming(int32_t t);
    bool StartLiveTiming(int32_t t, int32_t* index);
    bool ExtendLiveTiming(int32_t t);
    bool RemoveTiming(int32_t t);
    bool CombineTiming(int32_t t);
    bool SplitTiming(int32_t t);
    bool BeginAdjust(int32_t t);
    bool DragAdjust(int32_t t);
    bool BeginMove(int32_t t);
    bool DragMove(int32_t t);
    bool BeginMoveFollowing(int32_t t);
    bool DragMoveFollowing(int32_t t);
    bool DuplicateTiming(int32_t dest, int32_t source, int32_t count);
    // Appends timing entries after the last one as one history record
    // (TimingList::AppendTimings): the suggested times of untimed segments.
    bool AppendTimings(const TimingEntry* entries, int32_t count);
    uint32_t LastTool();
    int32_t LastIndex();
    int32_t DragValue();

    // --- Pictures (PictureStore; durations and times in ticks). The changes
    // but AddDocumentPicture and SetPictureState make one record of kind 3.

    // Appends slide image `index` of `lyrics` (the open flow; no record, and
    // nothing can be redone afterwards).
    bool AddDocumentPicture(LyricsDocument& lyrics, uint32_t index);
    bool AddPictureFiles(std::u16string_view list, int32_t position);
    bool RemovePictures(int32_t position, int32_t count);
    bool MovePictures(int32_t from, int32_t to, int32_t count);
    bool SetPictureState(int32_t index, uint32_t ordinal, bool decoded);
    int32_t FindPictureAt(int32_t t);
    int64_t PictureStartTime(int32_t index);
    bool CanAdjustPictureAt(int32_t t);
    bool BeginPictureAdjust(int32_t t);
    bool DragPictureAdjust(int32_t t);
    bool GetPicture(int32_t index, PictureInfo* info);
    bool GetPictureData(int32_t index, PictureInfo* info, PictureBytes* bytes);
    bool ReadPictureBytes(uint32_t offset, uint32_t size, PictureBytes* bytes);
    int32_t PictureCount();
    uint32_t PictureTotal();
    // The store itself, for a caller that holds the lock (tests, the writers).
    PictureStore& Pictures() { return pictures_; }

    // --- History.

    // Undo takes back records until one without the undo-continues mark (Redo
    // the mirror image), telling the listener after each; false when nothing
    // could be undone (redone) or the listener refused a record.
    bool Undo();
    bool Redo();
    bool CanUndo();
    bool CanRedo();
    // The document was saved as it is now.
    void MarkSaved();
    // True exactly when the document differs from the state last saved (or
    // loaded).
    bool IsModified();

private:
    bool Apply(EditRecord* record, bool undo);

    ReentrantLock lock_;
    ReentrantLock pictureLock_;
    EditHistory history_;
    SyncText text_;
    TimingList timing_;
    PictureStore pictures_;
    HistoryListener* listener_ = nullptr;
};

}  // namespace mr
