#pragma once
// The highlight wipe: how far, in rasteriser pixels from the text's left edge,
// the highlight has travelled through the current line, measured over a
// text-metrics interface (GDI on Windows, a fixed-width provider in tests).
//
// A character position is a UTF-16 unit; only U+0020 counts as a space.

#include <cstdint>
#include <string_view>
#include <vector>

namespace mr {

// ABC widths of one character, in rasteriser pixels: A and C may be
// negative (overhang), the advance is A + B + C.
struct AbcWidth {
    int32_t a = 0;
    int32_t b = 0;
    int32_t c = 0;
};

// Measures text in the font the lines are drawn with.
class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    // partial[i] = the extent of text[0 .. i] (i + 1 units), all from one
    // measuring call, so kerning is the same as when the whole text is
    // placed; partial[size - 1] is the text's width. `partial` has room for
    // text.size() values. False when the text cannot be measured.
    virtual bool PartialExtents(std::u16string_view text, int32_t* partial) = 0;
    // The ABC widths of one unit. False when they cannot be had.
    virtual bool CharWidths(char16_t unit, AbcWidth* widths) = 0;
};

// What one line's wipe needs, measured once when the line becomes current:
// prefix extents, advances and right overhangs per unit, the space advance.
// Sized to the line, whatever its length.
class LineMeasure {
public:
    LineMeasure();

    // Measures `text`. On failure the measure is empty (Valid() false).
    bool Measure(TextMetrics& metrics, std::u16string_view text);
    void Clear();
    bool Valid() const { return valid_; }
    // The text last measured (its units' address and length), for the
    // caller's "same line?" check.
    const char16_t* TextData() const { return data_; }
    uint32_t Length() const { return length_; }

    // Extent of text[0 .. count).
    int32_t Extent(uint32_t count) const { return count == 0 ? 0 : partial_[count - 1]; }
    // Overhang of unit i past its advance: -C when C < 0, else 0.
    int32_t Overhang(uint32_t i) const { return overhang_[i]; }
    int32_t Advance(uint32_t i) const { return advance_[i]; }
    int32_t SpaceAdvance() const { return spaceAdvance_; }
    bool IsSpace(uint32_t i) const { return space_[i] != 0; }

private:
    std::vector<int32_t> partial_;
    std::vector<int32_t> advance_;
    std::vector<int32_t> overhang_;
    std::vector<uint8_t> space_;
    int32_t spaceAdvance_ = 0;
    const char16_t* data_ = nullptr;
    uint32_t length_ = 0;
    bool valid_ = false;
};

struct WipePosition {
    bool wholeLine = false;  // the line's last segment is complete: highlight all of it
    int32_t x = 0;           // rasteriser pixels from the text's left edge
};

// The highlight position for segment [c0, c1) of the measured line with
// `elapsed` of `duration` gone (any time unit). Spaces cost no time: the
// highlight jumps across them. Within a segment the position never moves
// back, from the segment's start (after the previous glyph's overhang) to
// its end (after its last glyph's overhang).
WipePosition MeasureWipe(const LineMeasure& line, uint32_t c0, uint32_t c1, int32_t elapsed,
                         int32_t duration);

}  // namespace mr
