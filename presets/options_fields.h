#pragma once
// How the options dialog turns what the user typed into preset values, and
// how it shows a font. Portable so that the rules are tested natively; the
// dialog itself only moves text between these and its controls.

#include <cstdint>
#include <string>
#include <string_view>

#include "presets/display_preset.h"

namespace mr {

// A pixel offset: read as an unsigned decimal number; not a number or
// negative -> 0, above 500 -> 500.
int32_t ParseOffsetField(std::u16string_view text);
// The delay in ms: a signed decimal number; not a number -> 0, limited to the
// range the store reads back (-5000 ... 5000) so a saved delay never reverts.
int32_t ParseDelayField(std::u16string_view text);
// A gradient percentage: not a number -> 0, limited to 0 ... 50.
int32_t ParseGradientField(std::u16string_view text);
// The font chooser's point size (tenths) limited to what the store accepts.
int32_t ClampTextPoint(int32_t tenths);

// "Regular", "Italic", "Bold" or "Bold Italic" (bold from weight 700 on).
std::u16string FontStyleText(const PresetFont& font);
// The size in points: "24" or "12.5" (tenths shown only when not zero).
std::u16string FontSizeText(int32_t textPoint);
// "Preset #n" for index 0-5.
std::u16string DefaultPresetName(int index);

// Decimal text of a value, for filling the edits.
std::u16string DecimalText(int64_t value);

}  // namespace mr
