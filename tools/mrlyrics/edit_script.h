#pragma once
// The interpreter behind "mrlyrics edit": runs a script of editing operations
// against the editor's document store, one operation per line, for
// reproducing editor bugs and for batch work.
//
// Lines: blank ones and those starting with '#' are skipped; otherwise an
// operation name and its arguments, separated by blanks. Positions are cell
// indices, times ticks (signed: a drag left of the timeline's zero is
// negative), TEXT a JSON string literal (a line break is "\r"):
//   insert-text POS TEXT         delete-text POS COUNT
//   replace-text DPOS DCOUNT IPOS TEXT
//   type POS TEXT                (one typed character per UTF-16 unit)
//   set-syncpoint POS            remove-syncpoint POS      duplicate-lines POS
//   insert-timing T  remove-timing T  combine-timing T  split-timing T
//   adjust T0 T1 ...  move T0 T1 ...  move-following T0 T1 ...
//                                (the press at T0, then one drag per time)
//   live-start T  live-extend T  undo  redo  mark-saved  dump
// Each operation prints {"op": NAME, "ok": BOOL} on a line of its own; dump
// prints the document's state instead.

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/store/sync_document.h"

namespace mr::tool {

// Limits of a script: longer lines or more lines are refused as malformed.
inline constexpr size_t kMaxScriptLineBytes = 1 << 20;
inline constexpr int kMaxDragTimes = 100000;

// Runs the script (UTF-8) against doc, appending the output lines to *out.
// Returns true when every line was understood; false at the first malformed
// line, with *error naming the line ("line 3: ...") and *out holding what
// the lines before it printed.
bool RunEditScript(SyncDocument& doc, std::string_view script, std::string* out, std::string* error);

// The document's state as one JSON object (no line break): text (cells, line
// breaks as "\r"), flags (positions of flagged cells), segments, timings
// [[start, end], ...] in ticks, canUndo, canRedo, modified, lastTool,
// lastIndex.
std::string DumpEditState(SyncDocument& doc);

}  // namespace mr::tool
