// The GDI side of the rasteriser under Wine: real fonts, real text output
// into the one-bit DIB section, the bit work on what GDI drew.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "render/gdi_text_win.h"
#include "render/line_layout.h"
#include "render/text_rasteriser.h"
#include "tests/render/render_test_util.h"

namespace mr {
namespace {

PresetFont Font(const char16_t* face, int32_t height, bool italic = false) {
    PresetFont f{};
    f.lfHeight = height;
    f.lfWeight = 400;
    f.lfItalic = italic ? 1 : 0;
    std::memcpy(f.lfFaceName, face, std::char_traits<char16_t>::length(face) * sizeof(char16_t));
    return f;
}

// Coverage statistics of one half of a slot.
struct HalfStats {
    int covered = 0;
    int32_t left = INT32_MAX;
    int32_t right = -1;
    int32_t top = INT32_MAX;
    int32_t bottom = -1;
};

HalfStats Stats(const test::MemorySlotTarget& t, int32_t width, int32_t firstRow, int32_t rows) {
    HalfStats s;
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (t.At(0, x, firstRow + y) != 0) {
                ++s.covered;
                s.left = std::min(s.left, x);
                s.right = std::max(s.right, x);
                s.top = std::min(s.top, y);
                s.bottom = std::max(s.bottom, y);
            }
        }
    }
    return s;
}

struct Rasterised {
    bool created = false;
    TextCellGeometry geometry;
    RowRecord row;
    HalfStats glyph, outline;
};

Rasterised RasteriseWith(const PresetFont& font, bool antiAliased, bool outline, std::u16string_view text) {
    const int32_t W = 400;
    Rasterised r;
    GdiTextSurface surface;
    r.created = surface.Create(nullptr, font, antiAliased, W);
    if (!r.created) {
        return r;
    }
    r.geometry = surface.Geometry();
    const int32_t M = r.geometry.lineHeight;
    LayoutSettings settings;
    settings.antiAliased = antiAliased;
    settings.outline = outline;
    settings.hAlign = kAlignLeft;
    settings.hOffset = 20;
    test::MemorySlotTarget target(1, W, M);
    TextRasteriser rasteriser(surface, target, settings, W);
    r.row.line = 0;
    r.row.text = text;
    EXPECT_TRUE(rasteriser.RasteriseLine(r.row, 0));
    r.glyph = Stats(target, W, 0, M);
    r.outline = Stats(target, W, M, M);
    return r;
}

TEST(render_gdi, a_line_has_glyphs_above_and_a_wider_outline_below) {
    struct Case {
        const char16_t* face;
        bool antiAliased;
        bool italic;
    } cases[] = {{u"Arial", true, false}, {u"Arial", false, false}, {u"Times New Roman", true, true},
                 {u"Tahoma", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.face, c.face + std::char_traits<char16_t>::length(c.face))
                                        << " aa " << c.antiAliased);
        const Rasterised r = RasteriseWith(Font(c.face, -32, c.italic), c.antiAliased, true, u"Hello world");
        ASSERT_TRUE(r.created);
        // A 32-pixel font: one displayed line of roughly that height.
        EXPECT_GT(r.geometry.lineHeight, 30);
        EXPECT_LT(r.geometry.lineHeight, 60);
        EXPECT_GT(r.row.width, 0);
        EXPECT_EQ(r.row.xOffset, c.antiAliased ? 80 : 20);
        ASSERT_GT(r.glyph.covered, 50);
        EXPECT_GT(r.outline.covered, r.glyph.covered);
        // The glyphs start near the placement's left edge (an italic face may
        // reach a little left of it) and end near the text's width (less the
        // last glyph's right bearing).
        const int32_t scale = c.antiAliased ? 4 : 1;
        EXPECT_GE(r.glyph.left, 16);
        EXPECT_LE(r.glyph.left, 26);
        EXPECT_LE(r.glyph.right, 20 + r.row.width / scale + 3);
        EXPECT_GE(r.glyph.right, 20 + r.row.width / scale - 12);
        // Outline: about two pixels further each way.
        EXPECT_LT(r.outline.left, r.glyph.left);
        EXPECT_GT(r.outline.right, r.glyph.right);
        EXPECT_LE(r.glyph.left - r.outline.left, 3);
        EXPECT_LT(r.outline.top, r.glyph.top);
        EXPECT_GT(r.outline.bottom, r.glyph.bottom);
    }
}

TEST(render_gdi, outline_off_leaves_the_lower_half_empty) {
    const Rasterised r = RasteriseWith(Font(u"Arial", -24), true, false, u"Quiet");
    ASSERT_TRUE(r.created);
    EXPECT_GT(r.glyph.covered, 20);
    EXPECT_EQ(r.outline.covered, 0);
}

TEST(render_gdi, a_face_missing_on_the_system_is_replaced_by_the_font_mapper) {
    const Rasterised missing = RasteriseWith(Font(u"No Such Face Mirelto", -32), true, true, u"Hello world");
    ASSERT_TRUE(missing.created);
    EXPECT_GT(missing.glyph.covered, 50);
    EXPECT_GT(missing.outline.covered, missing.glyph.covered);
    EXPECT_GT(missing.geometry.lineHeight, 30);
}

TEST(render_gdi, metrics_use_the_font_the_text_is_drawn_with) {
    GdiTextSurface plain;
    GdiTextSurface big;
    ASSERT_TRUE(plain.Create(nullptr, Font(u"Arial", -32), false, 400));
    ASSERT_TRUE(big.Create(nullptr, Font(u"Arial", -32), true, 400));
    const std::u16string text = u"Wipe me, gently";
    std::vector<int32_t> p(text.size()), b(text.size());
    ASSERT_TRUE(plain.Metrics().PartialExtents(text, p.data()));
    ASSERT_TRUE(big.Metrics().PartialExtents(text, b.data()));
    // Measured in the (four times larger) font, not the context's default.
    EXPECT_NEAR(double(b.back()) / p.back(), 4.0, 0.4);
    for (size_t i = 1; i < p.size(); ++i) {
        EXPECT_GE(p[i], p[i - 1]);
    }
    // The advances add up to the extent (no kerning in plain GDI output).
    LineMeasure m;
    ASSERT_TRUE(m.Measure(big.Metrics(), text));
    int32_t sum = 0;
    for (uint32_t i = 0; i < m.Length(); ++i) {
        sum += m.Advance(i);
    }
    EXPECT_NEAR(sum, b.back(), 4 * int(text.size()));
    EXPECT_GT(m.SpaceAdvance(), 0);
    // The wipe of the whole text ends at the text's width.
    const WipePosition w = MeasureWipe(m, 0, 4, 1000, 1000);
    EXPECT_EQ(w.x, m.Extent(4) + m.Overhang(3));
    // Measuring between rasterisations gives the same answer.
    test::MemorySlotTarget target(1, 400, big.Geometry().lineHeight);
    LayoutSettings settings;
    settings.antiAliased = true;
    TextRasteriser rasteriser(big, target, settings, 400);
    RowRecord row;
    row.text = text;
    ASSERT_TRUE(rasteriser.RasteriseLine(row, 0));
    EXPECT_EQ(row.width, b.back());
    std::vector<int32_t> again(text.size());
    ASSERT_TRUE(rasteriser.Metrics().PartialExtents(text, again.data()));
    EXPECT_EQ(again, b);
}

TEST(render_gdi, bad_sizes_fail_and_release) {
    GdiTextSurface s;
    EXPECT_FALSE(s.Create(nullptr, Font(u"Arial", -32), true, 0));
    EXPECT_FALSE(s.Ready());
    EXPECT_FALSE(s.Create(nullptr, Font(u"Arial", -32), false, kMaxTextAreaWidth + 1));
    EXPECT_FALSE(s.Ready());
    EXPECT_TRUE(s.Create(nullptr, Font(u"Arial", -32), false, 64));
    EXPECT_TRUE(s.Ready());
    s.Release();
    EXPECT_FALSE(s.Ready());
    EXPECT_EQ(s.Bits(), nullptr);
}

}  // namespace
}  // namespace mr
