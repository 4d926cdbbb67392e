#pragma once
// The preset store's view of a real Windows screen: TrueType families found
// through GDI's font enumeration, the screen's vertical resolution, and paths
// checked against the file system.
#include "presets/preset_store.h"

namespace mr {

// One instance for the process; stateless, so any thread may use it.
PresetEnvironment& ScreenPresetEnvironment();

}  // namespace mr
