#pragma once
// EditRecord: one entry of the editor's undo history, 40 bytes. A record
// describes a change in list positions and counts; the nodes it took out stay
// on the list's removed chain, so undo and redo only relink nodes.
//
// Header only, so that every list owner (text, timing, picture store) can fill
// records without linking the history.

#include <cstdint>

#include "common/paged_list.h"

namespace mr {

// Bits 0-15 of the tag: which list the record belongs to.
enum EditKind : uint32_t { kEditText = 1, kEditTiming = 2, kEditPictures = 3 };

// Tag bits 16-23 nonzero: redo continues with the next record; bits 24-31
// nonzero: undo continues with the previous record. A two-list step writes
// its text record with kRedoContinues and its timing record with
// kUndoContinues, so that one Undo or Redo takes both.
inline constexpr uint32_t kRedoContinues = 0x00010000u;
inline constexpr uint32_t kUndoContinues = 0x01000000u;
inline constexpr uint32_t kEditKindMask = 0x0000FFFFu;

// Sub-kinds (word 0).
enum EditSubKind : int32_t {
    kSubReplace = 1,        // deletion and/or insertion of nodes
    kSubTyping = 3,         // a typing run (becomes kSubReplace once undone)
    kSubMove = 4,           // one timing entry moved
    kSubMoveFollowing = 5,  // a timing entry and every later one moved
};

// Word 7 of a text record: a syncpoint flag was cleared by the deletion (1),
// or the record sets or removes a syncpoint (2). Word 8 = 1: the insertion
// cleared a flag.
inline constexpr int32_t kFixupFlagCleared = 1;
inline constexpr int32_t kFixupSyncpoint = 2;

struct EditRecord {
    uint32_t tag;
    int32_t subKind;  // word 0
    // Words 1-8. For kinds 1 and 2: delete position (−1 none) and count,
    // insert position (−1 none) and count, then
    // - text: word 5 segments removed, word 6 segments added, words 7 and 8
    //   the fix-up marks above;
    // - timing: word 7 the time (ticks) at which the operation was applied;
    //   for kSubMove and kSubMoveFollowing word 5 the entry index and word 6
    //   the start to swap in.
    // Kind 3 records follow the picture store's layout.
    ListEdit change;

    EditKind Kind() const { return static_cast<EditKind>(tag & kEditKindMask); }
    bool RedoContinues() const { return (tag & 0x00FF0000u) != 0; }
    bool UndoContinues() const { return (tag & 0xFF000000u) != 0; }
};
static_assert(sizeof(EditRecord) == 40, "history records are 40 bytes");

}  // namespace mr
