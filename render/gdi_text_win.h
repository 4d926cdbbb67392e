#pragma once
// The GDI side of the rasteriser: a memory device context, the preset's font
// (never anti-aliased by GDI; four times the size when the text is
// supersampled), the one-bit DIB section the lines are drawn into, and the
// font's metrics. Each call selects what it needs and restores the context's
// selections before it returns, so measuring always uses the font the text
// is drawn with.

#include <windows.h>

#include <cstdint>

#include "presets/display_preset.h"
#include "render/text_rasteriser.h"

namespace mr {

class GdiTextSurface final : public GlyphSurface, private TextMetrics {
public:
    GdiTextSurface() = default;
    ~GdiTextSurface() override;
    GdiTextSurface(const GdiTextSurface&) = delete;
    GdiTextSurface& operator=(const GdiTextSurface&) = delete;

    // Builds the context (compatible with `referenceDc`, the screen when
    // null), the font, the cell geometry from the height of one space, and
    // the bitmap for an area `areaWidth` screen pixels wide. On failure
    // releases everything made so far and returns false. A face the system
    // lacks is replaced by GDI's font mapper, as for any other GDI text.
    bool Create(HDC referenceDc, const PresetFont& font, bool antiAliased, int32_t areaWidth);
    // Releases the bitmap, the font and the context.
    void Release();
    bool Ready() const { return bitmap_ != nullptr; }

    const TextCellGeometry& Geometry() const override { return geometry_; }
    uint8_t* Bits() override { return bits_; }
    void DrawText(std::u16string_view text, int32_t x, int32_t y) override;
    TextMetrics& Metrics() override { return *this; }

private:
    bool PartialExtents(std::u16string_view text, int32_t* partial) override;
    bool CharWidths(char16_t unit, AbcWidth* widths) override;

    HDC dc_ = nullptr;
    HFONT font_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    uint8_t* bits_ = nullptr;
    TextCellGeometry geometry_;
};

}  // namespace mr
