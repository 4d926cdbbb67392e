#pragma once
// The rasteriser's bit work: the geometry of the text cell, the outline
// dilation on the packed one-bit text bitmap, the reduction of that bitmap
// into 8-bit coverage, and the rows of the gradient texture.
//
// The text bitmap is top-down, one bit per pixel, most significant bit
// leftmost (the layout of a one-bit DIB section), `stride` bytes per row
// (a multiple of 4), 2 × cellHeight rows: the upper cellHeight rows hold the
// glyphs, the lower ones receive the outline. The first and the last 32
// pixels of every row are margin. Nothing here allocates.

#include <cstddef>
#include <cstdint>

namespace mr {

// Margin, in bitmap pixels, left of the text and at the right end of a row.
inline constexpr int32_t kTextMarginPixels = 32;
// Largest drawing-area width the text resources accept (pixels).
inline constexpr int32_t kMaxTextAreaWidth = 16384;
// Largest space height the text resources accept (bitmap pixels).
inline constexpr int32_t kMaxSpaceHeight = 8192;

struct TextCellGeometry {
    bool antiAliased = false;
    int32_t cellHeight = 0;   // c: bitmap rows of the glyph half
    int32_t lineHeight = 0;   // M: screen pixels of one displayed line
    int32_t bitmapWidth = 0;  // Wd: pixels per bitmap row
    int32_t bitmapRows = 0;   // 2c
    int32_t stride = 0;       // bytes per bitmap row (Wd / 8)
    int32_t textX = 0;        // left margin of the text in the bitmap
    int32_t textY = 0;        // top of the text in the bitmap
};

// Derives the cell from the height of one space in the font (`spaceHeight`,
// bitmap pixels: four times the screen size when anti-aliased) and the
// drawing area's width in screen pixels. Fails for a non-positive or
// oversized height or width.
bool ComputeCellGeometry(int32_t spaceHeight, int32_t areaWidth, bool antiAliased,
                         TextCellGeometry* out);

// Widens the glyph pixels of the upper half into the lower half: every glyph
// pixel (x, y) sets (x + dx, y + dy + c) for |dx| <= half-width(|dy|); the
// glyph pixels themselves are included. Half-widths are 2, 2, 1 for |dy| = 0..2
// plain, and 8, 8, 8, 7, 7, 6, 5, 4, 2 for |dy| = 0..8 anti-aliased (two
// screen pixels after the reduction). Glyph rows 2 .. c-3 (8 .. c-9
// anti-aliased) are read; the first and last 32-pixel word of each row are
// not. ORs into the lower half, which the caller has cleared.
void DilateOutline(uint8_t* bits, int32_t stride, int32_t cellHeight, bool antiAliased);

// The coverage of the whole bitmap (both halves) as `width` 8-bit pixels per
// row, written to `out` with `pitch` bytes per row. Anti-aliased: 2c / 4 rows,
// pixel (x, y) counts the k set bits of the 4 × 4 block at bitmap rows 4y..4y+3
// and columns 32 + 4x .. 32 + 4x + 3, alpha 255 when k = 16, else 16 × k.
// Plain: 2c rows, alpha 255 where bitmap pixel (32 + x, y) is set, else 0.
// The bitmap must be at least (width × 4 or width) + 64 pixels wide.
void ReduceToCoverage(const uint8_t* bits, int32_t stride, int32_t cellHeight, bool antiAliased,
                      int32_t width, uint8_t* out, ptrdiff_t pitch);

// One half of the gradient texture: `lineHeight` opaque ARGB rows from the
// COLORREF colours `top` and `bottom`, with `topPercent` of the rows solid top
// colour and `bottomPercent` solid bottom colour (each 0 to 50; clamped), and
// a ramp between them whose last row is the bottom colour.
void BuildGradientRows(uint32_t top, uint32_t bottom, int32_t topPercent, int32_t bottomPercent,
                       int32_t lineHeight, uint32_t* rows);

// COLORREF 0x00BBGGRR as opaque ARGB 0xFFRRGGBB.
inline constexpr uint32_t OpaqueArgb(uint32_t colorref) {
    return 0xFF000000u | ((colorref & 0xFFu) << 16) | (colorref & 0xFF00u) | ((colorref >> 16) & 0xFFu);
}

}  // namespace mr
