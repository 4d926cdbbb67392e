#pragma once
// The editor's "Suggest Timing" command: times the untimed segments of the
// open lyrics, from a position to the end, from the vocal onsets of the
// decoded song, as one undoable history record.

#include <windows.h>

#include <cstdint>
#include <string>

#include "editor/store/sync_document.h"

namespace mr {

// Analyses the decoded song at wavePath (the PCM wave file the decode graph
// wrote) with a wait cursor, then appends suggested entries for every
// untimed segment, none starting before fromTicks (10 ms ticks) nor before
// the last entry's end, as one record (one Undo takes them all back). True
// when entries were added; false after telling the user why not in a
// message box owned by `owner` (a silent or unreadable song, every segment
// timed already, no room in the document), with the document unchanged.
bool RunSuggestTiming(HWND owner, SyncDocument& doc, const std::u16string& wavePath, int64_t fromTicks);

}  // namespace mr
