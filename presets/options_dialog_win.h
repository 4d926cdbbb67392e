#pragma once
// The plug-ins' options dialog: a property sheet "Mirelto" with one page,
// "Options", that edits a snapshot of the preset store (the six presets, the
// delay and the lyrics folder) and hands it back when the sheet closes.
#include <windows.h>

#include "presets/preset_store.h"

namespace mr {

// Shows the sheet modally over parent (may be null) on the calling thread,
// which must be able to run a message loop. Returns what ApplySettings
// returns (the number of presets changed; 0 after Cancel), or 0 when the
// snapshot cannot be allocated or the store cannot load. Renderers notice
// the changes through the presets' Revision.
int ShowOptions(HWND parent, PresetStore& store);

}  // namespace mr
