// The record's layout is checked where it is declared; this unit keeps the
// header compiled on its own in every build.
#include "presets/display_preset.h"
