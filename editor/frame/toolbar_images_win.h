#pragma once
// The toolbar's image list: one picture per toolbar button, in this order.

#include <windows.h>
#include <commctrl.h>

namespace mr {

enum class ToolbarImage {
    New, Open, Save, Mode, Cut, Copy, Paste, Undo, Redo, Information, Duplicate, SetSyncpoint, RemoveSyncpoint,
    SlowDown, PlayX, PlayXX, Play, Pause, Stop, SuggestTiming, Count
};

// Images of size x size pixels (16 at 96 dpi); null when the list or a
// bitmap cannot be made. The caller destroys the list.
HIMAGELIST CreateToolbarImages(int size);

}  // namespace mr
