#pragma once
// Helpers of the display engine tests (and its benchmarks): documents built
// from line descriptions, a fixed-width metrics provider, a glyph surface that
// draws boxes, a slot target in memory, and plain per-pixel versions of the
// rasteriser's bit work to compare the packed versions against.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "lyrics/lyrics_document.h"
#include "render/text_rasteriser.h"

namespace mr::test {

// One segment of a described line: the unit where it starts and its time.
struct SegmentSpec {
    uint32_t offset;
    int32_t start;
    int32_t end;
};
struct LineSpec {
    std::u16string text;
    std::vector<SegmentSpec> segments;  // the first starts at offset 0 (the line marker)
};

// Fills an empty document with the lines; `timeLimit` (when given) keeps
// only that many times, as a file with fewer times than sync points.
void BuildDocument(LyricsDocument& doc, const std::vector<LineSpec>& lines, int64_t timeLimit = -1);

// `count` one-segment lines "line N", line k timed [start0 + k × step, + length).
std::vector<LineSpec> EvenLines(int count, int32_t start0, int32_t step, int32_t length);

// Every unit advances `advance` pixels; with `overhang`, each glyph also
// reaches that far past its advance (a negative C width, as italic faces).
class FixedWidthMetrics final : public TextMetrics {
public:
    explicit FixedWidthMetrics(int32_t advance, int32_t overhang = 0)
        : advance_(advance), overhang_(overhang) {}
    bool PartialExtents(std::u16string_view text, int32_t* partial) override;
    bool CharWidths(char16_t unit, AbcWidth* widths) override;
    int calls = 0;

private:
    int32_t advance_;
    int32_t overhang_;
};

// A glyph surface in memory: each non-space unit becomes a solid box of
// `advance - 2` × `spaceHeight` pixels at its advance position.
class BoxGlyphSurface final : public GlyphSurface {
public:
    BoxGlyphSurface(int32_t spaceHeight, int32_t areaWidth, bool antiAliased, int32_t advance);
    const TextCellGeometry& Geometry() const override { return geometry_; }
    uint8_t* Bits() override { return bits_.data(); }
    void DrawText(std::u16string_view text, int32_t x, int32_t y) override;
    TextMetrics& Metrics() override { return metrics_; }

private:
    TextCellGeometry geometry_;
    std::vector<uint8_t> bits_;
    FixedWidthMetrics metrics_;
    int32_t advance_;
    int32_t spaceHeight_;
};

// The text texture's slots in memory (W × 2M each); `failLocks` refuses that
// many lock attempts first.
class MemorySlotTarget final : public SlotTarget {
public:
    MemorySlotTarget(int slots, int32_t width, int32_t lineHeight);
    bool LockSlot(int slot, uint8_t** bits, ptrdiff_t* pitch) override;
    void UnlockSlot(int slot) override;
    uint8_t At(int slot, int32_t x, int32_t y) const { return texels_[slot][size_t(y) * size_t(width_) + size_t(x)]; }
    int failLocks = 0;
    int locks = 0;
    int unlocks = 0;

private:
    int32_t width_;
    std::vector<std::vector<uint8_t>> texels_;
};

// A rasteriser that only records what it was asked, with fixed-width metrics.
class RecordingRasteriser final : public LineRasteriser {
public:
    explicit RecordingRasteriser(int32_t advance) : metrics_(advance) {}
    bool RasteriseLine(RowRecord& row, int slot) override;
    TextMetrics& Metrics() override { return metrics_; }
    std::vector<std::pair<int32_t, int>> calls;  // (line, slot)
    int failNext = 0;

private:
    FixedWidthMetrics metrics_;
};

// Plain per-pixel versions of DilateOutline and ReduceToCoverage.
void PlainDilateOutline(uint8_t* bits, int32_t stride, int32_t cellHeight, bool antiAliased);
void PlainReduceToCoverage(const uint8_t* bits, int32_t stride, int32_t cellHeight, bool antiAliased,
                           int32_t width, uint8_t* out, ptrdiff_t pitch);

inline bool BitAt(const uint8_t* bits, int32_t stride, int32_t x, int32_t y) {
    return (bits[ptrdiff_t{y} * stride + x / 8] >> (7 - x % 8)) & 1;
}
inline void SetBit(uint8_t* bits, int32_t stride, int32_t x, int32_t y) {
    bits[ptrdiff_t{y} * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

// A text bitmap for the geometry, glyph half filled at random with density
// `percent`, from a fixed seed.
std::vector<uint8_t> RandomGlyphBitmap(const TextCellGeometry& g, int percent, uint32_t seed);

}  // namespace mr::test
