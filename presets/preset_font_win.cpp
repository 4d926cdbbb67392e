// Compiles the LOGFONTW layout checks in every Windows build.
#include "presets/preset_font_win.h"
