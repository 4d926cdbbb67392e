#pragma once
// EditHistory: the single undo/redo history of the editor document, a table
// of 40-byte EditRecords in one reserved range committed page by page. It
// knows the order of the records and whether the document differs from what
// was last saved; applying a record to its list is the document's job
// (SyncDocument::Undo and Redo).
//
// The document is "modified" exactly when its state is not the state it had
// at the last MarkSaved: the history remembers its position at the save, and
// forgets that the saved state can be reached again once a new record
// replaces the saved position or a record at or after it, or once the saved
// state is changed in place (a typing run extended, a live entry stretched).

#include <cstdint>

#include "editor/store/edit_record.h"

namespace mr {

class EditHistory {
public:
    static constexpr uint32_t kReserveBytes = 10485760;
    static constexpr uint32_t kCapacity = kReserveBytes / sizeof(EditRecord);  // 262,144 records

    EditHistory() = default;
    ~EditHistory();
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // Makes sure the next n NewRecord calls succeed, committing pages as
    // needed; changes nothing else. False when the range cannot be reserved
    // or committed or the capacity would be passed.
    bool Reserve(uint32_t n);
    // A fresh zeroed record after the current one: everything that could be
    // redone is discarded. Null (history unchanged) when no slot can be had.
    // The record stays owned by the history; the caller writes tag and body.
    EditRecord* NewRecord();
    // The record at the current index, or null when there is none.
    EditRecord* CurrentRecord();
    // Discards what could be redone without adding a record (a typing run was
    // extended).
    void DiscardRedo();
    // Notes that the states from record `since` on changed without a new
    // record (a typing run grew, a drag or a live entry changed the entries
    // its press made, with only text records after it).
    void ChangedInPlace(int32_t since);

    bool CanUndo() const { return current_ >= 0; }
    bool CanRedo() const { return current_ + 1 < redoLimit_; }
    // The record at the current index, then the index moves back; null when
    // nothing can be undone.
    EditRecord* StepBack();
    // The index moves forward, then the record there; null when nothing can
    // be redone.
    EditRecord* StepForward();

    // Releases the range; empty, unmodified history.
    void Clear();
    // The document was saved in its current state.
    void MarkSaved();
    bool IsModified() const { return !savedReachable_ || current_ != savedIndex_; }

    int32_t CurrentIndex() const { return current_; }
    int32_t RedoLimit() const { return redoLimit_; }
    uint32_t SlotsInUse() const { return slots_; }
    uint32_t CommittedBytes() const { return committed_; }

private:
    EditRecord* Slot(uint32_t i) const { return reinterpret_cast<EditRecord*>(base_) + i; }

    unsigned char* base_ = nullptr;
    uint32_t reserved_ = kReserveBytes;
    uint32_t committed_ = 0;
    uint32_t slots_ = 0;  // record slots in use
    uint32_t spare_ = 0;  // committed slots not yet in use
    int32_t current_ = -1;
    int32_t redoLimit_ = 0;
    int32_t savedIndex_ = -1;
    bool savedReachable_ = true;
};

// Told about each record that Undo or Redo has applied, while the document
// lock is held; the main frame implements it to bring its text pane and
// timeline up to date. Returning false stops the Undo or Redo after that
// record (the history stays consistent with the document).
class HistoryListener {
public:
    virtual ~HistoryListener() = default;
    virtual bool RecordUndone(const EditRecord& record) = 0;
    virtual bool RecordRedone(const EditRecord& record) = 0;
};

}  // namespace mr
