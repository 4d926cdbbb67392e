#include "render/text_rasteriser.h"

#include <cstring>

namespace mr {

void BuildPresetGradient(const DisplayPreset& p, int32_t lineHeight, uint32_t* rows) {
    BuildGradientRows(p.ColorTop_0, p.ColorBottom_0, p.GradientTop_0, p.GradientBottom_0, lineHeight, rows);
    BuildGradientRows(p.ColorTop_1, p.ColorBottom_1, p.GradientTop_1, p.GradientBottom_1, lineHeight,
                      rows + lineHeight);
}

TextRasteriser::TextRasteriser(GlyphSurface& surface, SlotTarget& target, const LayoutSettings& settings,
                               int32_t areaWidth)
    : surface_(surface), target_(target), settings_(settings), areaWidth_(areaWidth) {
    extents_.reserve(260);
}

bool TextRasteriser::RasteriseLine(RowRecord& row, int slot) {
    const TextCellGeometry& g = surface_.Geometry();
    uint8_t* bits = surface_.Bits();
    if (!bits || g.stride <= 0) {
        return false;
    }
    std::memset(bits, 0, static_cast<size_t>(g.stride) * static_cast<size_t>(g.bitmapRows));

    // The width comes from the same measuring call the wipe uses, so the
    // highlight ends where the text ends.
    int32_t width = 0;
    if (!row.text.empty()) {
        extents_.resize(row.text.size());
        if (surface_.Metrics().PartialExtents(row.text, extents_.data())) {
            width = extents_.back();
        }
    }
    const int32_t x = HorizontalPlacement(settings_, static_cast<uint32_t>(row.line), width, areaWidth_);
    surface_.DrawText(row.text, x + g.textX, g.textY);
    if (settings_.outline) {
        DilateOutline(bits, g.stride, g.cellHeight, g.antiAliased);
    }

    uint8_t* texels = nullptr;
    ptrdiff_t pitch = 0;
    if (!target_.LockSlot(slot, &texels, &pitch)) {
        return false;
    }
    ReduceToCoverage(bits, g.stride, g.cellHeight, g.antiAliased, areaWidth_, texels, pitch);
    target_.UnlockSlot(slot);
    row.width = width;
    row.xOffset = x;
    return true;
}

}  // namespace mr
