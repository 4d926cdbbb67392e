#pragma once
// The rules behind the editor's Information and Options dialogs, kept apart
// from the dialogs so they are tested without a display: what each value may
// hold, what "Reset All" restores, and whether OK changed anything.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/files/save_types.h"
#include "editor/frame/editor_settings.h"

namespace mr {

// Title, Artist and Album are kept to 259 units: the readers ignore an
// information value of 260 units or more, so a longer one would be saved
// but lost on the next open.
inline constexpr size_t kInformationFieldUnits = 259;

// The font sizes the settings accept, in tenths of a point.
inline constexpr int32_t kTextPointMin = 60, kTextPointMax = 180;
inline constexpr int32_t kLyricsPointMin = 60, kLyricsPointMax = 720;

// Stores the three texts, each cut to kInformationFieldUnits; true when any
// stored field now differs from before.
bool ApplyInformation(SaveFields* fields, std::u16string_view title, std::u16string_view artist,
                      std::u16string_view album);

// Restores what the Options dialog shows to its first-run values: both
// fonts (face, size, weight, italic, character set; heights at the record's
// dpi), anti-aliasing and every colour. The window, the mode switches and the
// current files stay.
void ResetEditorAppearance(EditorSettings* settings);

// Brings what the Options dialog edits into the ranges the settings accept:
// sizes clamped (and the heights recomputed at the record's dpi), weights to
// 400 or 700, italic and anti-aliasing to 0 or 1, colours to 24 bits, faces
// cut to what the registry value holds (an empty face becomes "Arial", as
// the load does for a face it cannot use).
void ClampEditorAppearance(EditorSettings* settings);

// True when the two records differ in anything the Options dialog edits.
bool AppearanceDiffers(const EditorSettings& a, const EditorSettings& b);

// Copies what the Options dialog edits from one record to another and
// nothing else (the caller's current files and window stay as they are).
void CopyEditorAppearance(const EditorSettings& from, EditorSettings* to);

// A size typed in points: digits with at most one decimal ("12", "12.5",
// "9,5"), blanks around it allowed. Gives tenths of a point; false for
// anything else (the value is then left alone).
bool ParsePointSize(std::u16string_view text, int32_t* tenths);

// Tenths of a point as the dialog shows them: "12" or "12.5".
std::u16string FormatPointSize(int32_t tenths);

}  // namespace mr
