#pragma once
// DisplayPreset: one of the six named looks of the player plug-ins, as the
// preset store holds it and hands it to the display engine. A plain record of
// exactly 1380 bytes with the same layout in 32- and 64-bit builds (all
// integers 32-bit, texts UTF-16), so it can be copied with memcpy, compared
// byte by byte and embedded in the settings exchange block.
//
// Units: Delay in ms (subtracted from the playback position), TextPoint in
// tenths of a point, gradient percentages in percent of the line height,
// offsets in pixels, colours as COLORREF (0x00BBGGRR).

#include <cstddef>
#include <cstdint>

namespace mr {

inline constexpr int kPresetCount = 6;
inline constexpr int kPresetPathUnits = 260;     // LyricsPath, ImagePath (UTF-16 units, terminator included)
inline constexpr int kPresetNameUnits = 64;      // PresetName (UTF-16 units, terminator included)
inline constexpr int kPresetFaceUnits = 32;      // PresetFont::lfFaceName (LF_FACESIZE)

// Accepted ranges of the stored values.
inline constexpr int32_t kPresetDelayMin = -5000;
inline constexpr int32_t kPresetDelayMax = 5000;
inline constexpr int32_t kPresetTextPointMin = 60;
inline constexpr int32_t kPresetTextPointMax = 1440;
inline constexpr int32_t kPresetDisplayLineMin = 1;
inline constexpr int32_t kPresetDisplayLineMax = 8;
inline constexpr int32_t kPresetGradientMax = 50;
inline constexpr int32_t kPresetOffsetMax = 500;
inline constexpr int32_t kPresetOutlineMax = 3;
inline constexpr int32_t kPresetAlignFlagMax = 2;
inline constexpr int32_t kPresetImagePosFlagMax = 4;
inline constexpr uint32_t kPresetColorLimit = 0x1000000;  // colours must be below this
inline constexpr int32_t kPresetBoldWeight = 700;
inline constexpr int32_t kPresetNormalWeight = 400;

// Horizontal alignment (TextHAlignFlag, TextHAlignFlag_, ImageHAlignFlag).
inline constexpr int32_t kAlignHCenter = 0;
inline constexpr int32_t kAlignLeft = 1;
inline constexpr int32_t kAlignRight = 2;
// Vertical alignment (TextVAlignFlag, ImageVAlignFlag).
inline constexpr int32_t kAlignVCenter = 0;
inline constexpr int32_t kAlignTop = 1;
inline constexpr int32_t kAlignBottom = 2;
// Picture placement (ImagePosFlag).
inline constexpr int32_t kImageFill = 0;
inline constexpr int32_t kImageFit = 1;
inline constexpr int32_t kImageStretch = 2;
inline constexpr int32_t kImageTile = 3;
inline constexpr int32_t kImageCenter = 4;

// The font, laid out exactly as Win32's LOGFONTW (92 bytes) so that Windows
// code may pass it where a LOGFONTW is expected (presets/preset_font_win.h
// checks the match). Member names follow LOGFONTW's.
struct PresetFont {
    int32_t lfHeight;       // pixels; negative: character height
    int32_t lfWidth;
    int32_t lfEscapement;
    int32_t lfOrientation;
    int32_t lfWeight;       // 400 normal, 700 bold
    uint8_t lfItalic;
    uint8_t lfUnderline;
    uint8_t lfStrikeOut;
    uint8_t lfCharSet;
    uint8_t lfOutPrecision;
    uint8_t lfClipPrecision;
    uint8_t lfQuality;
    uint8_t lfPitchAndFamily;
    char16_t lfFaceName[kPresetFaceUnits];  // NUL-terminated
};

struct DisplayPreset {
    int32_t AntiAliased;        // 0-1: 4 x 4 supersampled text
    int32_t Outline;            // 0-3: outline on when non-zero
    int32_t Scroll;             // 0-1: smooth scrolling instead of pages
    int32_t SlideShow;          // 0-1: random pictures from the picture folder
    int32_t DisplayLine;        // 1-8: lines on screen
    int32_t Delay;              // -5000..5000 ms (global, copied into every preset)
    int32_t TextPoint;          // 60-1440 tenths of a point
    int32_t GradientTop_0;      // 0-50 % in solid top colour, unsung
    int32_t GradientTop_1;      // sung
    int32_t GradientBottom_0;   // 0-50 % in solid bottom colour, unsung
    int32_t GradientBottom_1;   // sung
    int32_t TextHAlignOffset;   // 0-500 px from the aligned edge
    int32_t TextHAlignOffset_;  // same for odd lines of a two-line display
    int32_t TextVAlignOffset;   // 0-500 px from the top or bottom edge
    int32_t ImageHAlignOffset;  // 0-500, stored and edited only
    int32_t ImageVAlignOffset;  // 0-500, stored and edited only
    int32_t Revision;           // change counter, never stored: 1 when loaded
    int32_t TextHAlignFlag;     // kAlignHCenter / kAlignLeft / kAlignRight
    int32_t TextHAlignFlag_;    // same for odd lines of a two-line display
    int32_t TextVAlignFlag;     // kAlignVCenter / kAlignTop / kAlignBottom
    int32_t ImageHAlignFlag;    // stored and edited only
    int32_t ImageVAlignFlag;    // stored and edited only
    int32_t ImagePosFlag;       // kImageFill ... kImageCenter
    uint32_t ColorTop_0;        // glyph top colour, unsung
    uint32_t ColorTop_1;        // sung
    uint32_t ColorBottom_0;     // glyph bottom colour, unsung
    uint32_t ColorBottom_1;     // sung
    uint32_t ColorOutline_0;    // outline colour, unsung
    uint32_t ColorOutline_1;    // sung
    uint32_t ColorBack;         // background colour
    PresetFont Font;
    char16_t LyricsPath[kPresetPathUnits];  // user's lyrics folder (global), NUL-terminated
    char16_t ImagePath[kPresetPathUnits];   // picture file or folder, NUL-terminated
    char16_t PresetName[kPresetNameUnits];  // display name, NUL-terminated, never empty
};

static_assert(sizeof(PresetFont) == 92);
static_assert(offsetof(PresetFont, lfWeight) == 16);
static_assert(offsetof(PresetFont, lfItalic) == 20);
static_assert(offsetof(PresetFont, lfCharSet) == 23);
static_assert(offsetof(PresetFont, lfFaceName) == 28);

static_assert(sizeof(DisplayPreset) == 1380);
static_assert(alignof(DisplayPreset) == 4);
static_assert(offsetof(DisplayPreset, AntiAliased) == 0);
static_assert(offsetof(DisplayPreset, Outline) == 4);
static_assert(offsetof(DisplayPreset, Scroll) == 8);
static_assert(offsetof(DisplayPreset, SlideShow) == 12);
static_assert(offsetof(DisplayPreset, DisplayLine) == 16);
static_assert(offsetof(DisplayPreset, Delay) == 20);
static_assert(offsetof(DisplayPreset, TextPoint) == 24);
static_assert(offsetof(DisplayPreset, GradientTop_0) == 28);
static_assert(offsetof(DisplayPreset, GradientTop_1) == 32);
static_assert(offsetof(DisplayPreset, GradientBottom_0) == 36);
static_assert(offsetof(DisplayPreset, GradientBottom_1) == 40);
static_assert(offsetof(DisplayPreset, TextHAlignOffset) == 44);
static_assert(offsetof(DisplayPreset, TextHAlignOffset_) == 48);
static_assert(offsetof(DisplayPreset, TextVAlignOffset) == 52);
static_assert(offsetof(DisplayPreset, ImageHAlignOffset) == 56);
static_assert(offsetof(DisplayPreset, ImageVAlignOffset) == 60);
static_assert(offsetof(DisplayPreset, Revision) == 64);
static_assert(offsetof(DisplayPreset, TextHAlignFlag) == 68);
static_assert(offsetof(DisplayPreset, TextHAlignFlag_) == 72);
static_assert(offsetof(DisplayPreset, TextVAlignFlag) == 76);
static_assert(offsetof(DisplayPreset, ImageHAlignFlag) == 80);
static_assert(offsetof(DisplayPreset, ImageVAlignFlag) == 84);
static_assert(offsetof(DisplayPreset, ImagePosFlag) == 88);
static_assert(offsetof(DisplayPreset, ColorTop_0) == 92);
static_assert(offsetof(DisplayPreset, ColorTop_1) == 96);
static_assert(offsetof(DisplayPreset, ColorBottom_0) == 100);
static_assert(offsetof(DisplayPreset, ColorBottom_1) == 104);
static_assert(offsetof(DisplayPreset, ColorOutline_0) == 108);
static_assert(offsetof(DisplayPreset, ColorOutline_1) == 112);
static_assert(offsetof(DisplayPreset, ColorBack) == 116);
static_assert(offsetof(DisplayPreset, Font) == 120);
static_assert(offsetof(DisplayPreset, LyricsPath) == 212);
static_assert(offsetof(DisplayPreset, ImagePath) == 732);
static_assert(offsetof(DisplayPreset, PresetName) == 1252);

// The settings exchange block between the preset store and the options
// dialog: 8820 bytes.
struct PresetSettings {
    uint32_t changed;    // non-zero: the dialog's OK was pressed, apply the block
    uint32_t reserved[2];
    uint32_t currentPreset;  // 0-5
    int32_t Delay;           // ms
    char16_t LyricsPath[kPresetPathUnits];
    DisplayPreset presets[kPresetCount];
};

static_assert(sizeof(PresetSettings) == 8820);
static_assert(offsetof(PresetSettings, Delay) == 16);
static_assert(offsetof(PresetSettings, LyricsPath) == 20);
static_assert(offsetof(PresetSettings, presets) == 540);

}  // namespace mr
