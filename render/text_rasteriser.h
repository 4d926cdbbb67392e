#pragma once
// RasteriseLine: one lyrics line into one slot of the text texture. The
// platform draws the glyphs into the one-bit text bitmap (GlyphSurface: GDI
// on Windows); the outline dilation and the coverage reduction are the
// portable bit work of text_bits.h; the texture belongs to the presenter
// (SlotTarget).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "render/line_layout.h"
#include "render/text_bits.h"
#include "render/wipe.h"

namespace mr {

// The one-bit text bitmap and the font's text output.
class GlyphSurface {
public:
    virtual ~GlyphSurface() = default;
    virtual const TextCellGeometry& Geometry() const = 0;
    // The bitmap's rows (Geometry().bitmapRows rows of Geometry().stride bytes).
    virtual uint8_t* Bits() = 0;
    // Draws `text` white on black with its cell's top-left corner at bitmap
    // (x, y), and waits until the bits are written.
    virtual void DrawText(std::u16string_view text, int32_t x, int32_t y) = 0;
    // Metrics in the same font, the same selection as DrawText uses.
    virtual TextMetrics& Metrics() = 0;
};

// Write access to one slot of the text texture: W × 2M 8-bit pixels, glyph
// coverage in the first M rows, outline coverage in the next M.
class SlotTarget {
public:
    virtual ~SlotTarget() = default;
    // False when the slot cannot be written now (a texture that will not lock).
    virtual bool LockSlot(int slot, uint8_t** bits, ptrdiff_t* pitch) = 0;
    virtual void UnlockSlot(int slot) = 0;
};

// The gradient texture's 2M rows (opaque ARGB): rows 0 .. M - 1 the unsung
// gradient (ColorTop_0, ColorBottom_0, GradientTop_0, GradientBottom_0),
// rows M .. 2M - 1 the sung one (the values ending in _1).
void BuildPresetGradient(const DisplayPreset& preset, int32_t lineHeight, uint32_t* rows);

class TextRasteriser final : public LineRasteriser {
public:
    // `settings` (alignment, anti-aliasing, outline) and `areaWidth` (W, screen
    // pixels) as the text resources were built with. Borrows all three.
    TextRasteriser(GlyphSurface& surface, SlotTarget& target, const LayoutSettings& settings,
                   int32_t areaWidth);

    bool RasteriseLine(RowRecord& row, int slot) override;
    TextMetrics& Metrics() override { return surface_.Metrics(); }

private:
    GlyphSurface& surface_;
    SlotTarget& target_;
    const LayoutSettings& settings_;
    int32_t areaWidth_;
    std::vector<int32_t> extents_;
};

}  // namespace mr
