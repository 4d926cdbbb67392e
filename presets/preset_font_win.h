#pragma once
// The Windows view of a preset's font: PresetFont is laid out as LOGFONTW, so
// the record's font can be handed to GDI and the font chooser in place.
#include <windows.h>

#include <cstddef>

#include "presets/display_preset.h"

namespace mr {

static_assert(sizeof(PresetFont) == sizeof(LOGFONTW));
static_assert(offsetof(PresetFont, lfWeight) == offsetof(LOGFONTW, lfWeight));
static_assert(offsetof(PresetFont, lfItalic) == offsetof(LOGFONTW, lfItalic));
static_assert(offsetof(PresetFont, lfCharSet) == offsetof(LOGFONTW, lfCharSet));
static_assert(offsetof(PresetFont, lfPitchAndFamily) == offsetof(LOGFONTW, lfPitchAndFamily));
static_assert(offsetof(PresetFont, lfFaceName) == offsetof(LOGFONTW, lfFaceName));
static_assert(kPresetFaceUnits == LF_FACESIZE);

inline LOGFONTW* AsLogFont(PresetFont* font) { return reinterpret_cast<LOGFONTW*>(font); }
inline const LOGFONTW* AsLogFont(const PresetFont* font) { return reinterpret_cast<const LOGFONTW*>(font); }

}  // namespace mr
