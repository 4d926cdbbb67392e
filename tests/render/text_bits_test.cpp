#include <gtest/gtest.h>

#include <vector>

#include "render/text_bits.h"
#include "render/text_rasteriser.h"
#include "tests/render/render_test_util.h"

namespace mr {
namespace {

TEST(render_text_bits, cell_geometry_from_the_space_height) {
    struct Case {
        int32_t h, width;
        bool aa;
        int32_t cell, line, bitmapWidth, rows;
    } cases[] = {
        {37, 500, true, 56, 14, 2080, 112},
        {36, 500, true, 52, 13, 2080, 104},
        {30, 500, false, 34, 34, 576, 68},
        {30, 1920, false, 34, 34, 1984, 68},
        {1, 1, true, 20, 5, 96, 40},
    };
    for (const Case& c : cases) {
        TextCellGeometry g;
        ASSERT_TRUE(ComputeCellGeometry(c.h, c.width, c.aa, &g)) << c.h;
        EXPECT_EQ(g.cellHeight, c.cell) << c.h;
        EXPECT_EQ(g.lineHeight, c.line) << c.h;
        EXPECT_EQ(g.bitmapWidth, c.bitmapWidth) << c.h;
        EXPECT_EQ(g.bitmapRows, c.rows) << c.h;
        EXPECT_EQ(g.stride * 8, g.bitmapWidth);
        EXPECT_EQ(g.textY, c.aa ? 8 : 2);
    }
    TextCellGeometry g;
    EXPECT_FALSE(ComputeCellGeometry(0, 500, true, &g));
    EXPECT_FALSE(ComputeCellGeometry(30, 0, true, &g));
    EXPECT_FALSE(ComputeCellGeometry(kMaxSpaceHeight + 1, 500, false, &g));
    EXPECT_FALSE(ComputeCellGeometry(30, kMaxTextAreaWidth + 1, false, &g));
}

// The packed dilation against the per-pixel one, over random bitmaps of
// several densities (sparse strokes to nearly solid), both modes, widths
// that do and do not fill whole words.
TEST(render_text_bits, packed_dilation_equals_the_per_pixel_dilation) {
    struct Case {
        int32_t h, width;
        bool aa;
    } shapes[] = {{37, 61, true}, {30, 97, false}, {5, 40, false}, {13, 33, true}, {60, 128, true}};
    const int densities[] = {1, 3, 10, 30, 60, 95};
    uint32_t seed = 1;
    for (const Case& s : shapes) {
        TextCellGeometry g;
        ASSERT_TRUE(ComputeCellGeometry(s.h, s.width, s.aa, &g));
        for (int density : densities) {
            for (int round = 0; round < 4; ++round, ++seed) {
                std::vector<uint8_t> packed = test::RandomGlyphBitmap(g, density, seed);
                std::vector<uint8_t> plain = packed;
                DilateOutline(packed.data(), g.stride, g.cellHeight, s.aa);
                test::PlainDilateOutline(plain.data(), g.stride, g.cellHeight, s.aa);
                ASSERT_EQ(packed, plain) << "h " << s.h << " aa " << s.aa << " density " << density
                                         << " seed " << seed;
            }
        }
    }
}

TEST(render_text_bits, reduction_counts_each_four_by_four_cell) {
    TextCellGeometry g;
    ASSERT_TRUE(ComputeCellGeometry(37, 9, true, &g));
    std::vector<uint8_t> bits(size_t(g.stride) * size_t(g.bitmapRows), 0);
    // Cell 0 full, cell 1 with 15 of 16, cell 2 with 1, cell 8 (odd last) full.
    auto fill = [&](int cell, int count) {
        int k = 0;
        for (int r = 0; r < 4; ++r) {
            for (int q = 0; q < 4; ++q) {
                if (k++ < count) {
                    test::SetBit(bits.data(), g.stride, 32 + 4 * cell + q, 4 + r);
                }
            }
        }
    };
    fill(0, 16);
    fill(1, 15);
    fill(2, 1);
    fill(8, 16);
    std::vector<uint8_t> out(size_t(9) * size_t(g.lineHeight * 2), 0x55);
    ReduceToCoverage(bits.data(), g.stride, g.cellHeight, true, 9, out.data(), 9);
    EXPECT_EQ(out[9 + 0], 255);
    EXPECT_EQ(out[9 + 1], 240);
    EXPECT_EQ(out[9 + 2], 16);
    EXPECT_EQ(out[9 + 3], 0);
    EXPECT_EQ(out[9 + 8], 255);
    EXPECT_EQ(out[0], 0);
}

TEST(render_text_bits, packed_reduction_equals_the_per_pixel_reduction) {
    const int32_t widths[] = {1, 7, 8, 9, 31, 100, 333};
    uint32_t seed = 100;
    for (bool aa : {true, false}) {
        for (int32_t w : widths) {
            for (int density : {2, 40, 90}) {
                TextCellGeometry g;
                ASSERT_TRUE(ComputeCellGeometry(aa ? 37 : 20, w, aa, &g));
                std::vector<uint8_t> bits = test::RandomGlyphBitmap(g, density, ++seed);
                // Random outline half as well.
                std::vector<uint8_t> lower = test::RandomGlyphBitmap(g, density, ++seed);
                std::copy(lower.begin(), lower.begin() + g.stride * g.cellHeight,
                          bits.begin() + g.stride * g.cellHeight);
                const int32_t rows = aa ? 2 * g.lineHeight : 2 * g.cellHeight;
                const ptrdiff_t pitch = w + 3;
                std::vector<uint8_t> packed(size_t(pitch) * size_t(rows), 0x77);
                std::vector<uint8_t> plain = packed;
                ReduceToCoverage(bits.data(), g.stride, g.cellHeight, aa, w, packed.data(), pitch);
                test::PlainReduceToCoverage(bits.data(), g.stride, g.cellHeight, aa, w, plain.data(), pitch);
                ASSERT_EQ(packed, plain) << "aa " << aa << " width " << w << " density " << density;
            }
        }
    }
}

TEST(render_text_bits, gradient_rows) {
    const uint32_t top = 0x0000FF;     // red
    const uint32_t bottom = 0xFF0000;  // blue
    std::vector<uint32_t> rows(14);

    // Half and half: no ramp.
    BuildGradientRows(top, bottom, 50, 50, 14, rows.data());
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(rows[i], i < 7 ? 0xFFFF0000u : 0xFF0000FFu) << i;
    }
    // One linear ramp, ending exactly on the bottom colour, truncated towards the top.
    BuildGradientRows(top, bottom, 0, 0, 14, rows.data());
    EXPECT_EQ(rows[0], 0xFFFF0000u);
    EXPECT_EQ(rows[13], 0xFF0000FFu);
    EXPECT_EQ(rows[1], 0xFF000000u | (uint32_t(255 - 255 / 13) << 16) | uint32_t(255 / 13));
    for (int i = 1; i < 14; ++i) {
        EXPECT_LE(rows[i] >> 16 & 0xFF, rows[i - 1] >> 16 & 0xFF);
        EXPECT_GE(rows[i] & 0xFF, rows[i - 1] & 0xFF);
    }
    // Exactly one row between the solid parts gets the bottom colour.
    std::vector<uint32_t> ten(10);
    BuildGradientRows(0xFFFFFF, 0x000000, 50, 40, 10, ten.data());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(ten[i], i < 5 ? 0xFFFFFFFFu : 0xFF000000u) << i;
    }
    // Out-of-range percentages are clamped.
    BuildGradientRows(top, bottom, 90, -5, 14, rows.data());
    EXPECT_EQ(rows[6], 0xFFFF0000u);
    EXPECT_EQ(rows[13], 0xFF0000FFu);
    EXPECT_EQ(OpaqueArgb(0x123456), 0xFF563412u);

    // The texture of a preset: unsung half first, sung half after it.
    DisplayPreset p{};
    p.ColorTop_0 = 0xFFFFFF;
    p.ColorBottom_0 = 0x708170;
    p.ColorTop_1 = 0xFFFFFF;
    p.ColorBottom_1 = 0x0000FF;
    p.GradientTop_1 = 50;
    p.GradientBottom_1 = 50;
    std::vector<uint32_t> texture(28);
    BuildPresetGradient(p, 14, texture.data());
    EXPECT_EQ(texture[0], 0xFFFFFFFFu);
    EXPECT_EQ(texture[13], 0xFF708170u);
    EXPECT_EQ(texture[14 + 6], 0xFFFFFFFFu);
    EXPECT_EQ(texture[14 + 7], 0xFFFF0000u);
}

}  // namespace
}  // namespace mr
