#include <gtest/gtest.h>

#include <string>

#include "render/wipe.h"
#include "tests/render/render_test_util.h"

namespace mr {
namespace {

using test::FixedWidthMetrics;

constexpr int32_t kAdvance = 10;

LineMeasure Measured(std::u16string_view text, int32_t advance = kAdvance, int32_t overhang = 0) {
    FixedWidthMetrics metrics(advance, overhang);
    LineMeasure m;
    EXPECT_TRUE(m.Measure(metrics, text));
    return m;
}

TEST(render_wipe, two_words_over_1100_ms_jump_the_space) {
    // "hello world" is one segment timed over 1,100 ms.
    const LineMeasure m = Measured(u"hello world");
    struct Case {
        int32_t elapsed;
        int32_t x;
        bool whole;
    } cases[] = {
        {0, 0, false},
        {110, 10, false},   // one of ten letters
        {549, 49, false},   // inside the first word's last letter
        {550, 50 + kAdvance, false},  // half the letters, plus the space once passed
        {660, 60 + kAdvance, false},
        {1099, 99 + kAdvance, false},
        {1100, 0, true},    // the text's last segment complete: the whole line
    };
    for (const Case& c : cases) {
        const WipePosition w = MeasureWipe(m, 0, 11, c.elapsed, 1100);
        EXPECT_EQ(w.wholeLine, c.whole) << c.elapsed;
        EXPECT_EQ(w.x, c.x) << c.elapsed;
    }
}

TEST(render_wipe, later_segments_start_after_the_text_before_them) {
    // Segments "one " [0, 4), "two" [4, 7), " three" [7, 13).
    const LineMeasure m = Measured(u"one two three");
    struct Case {
        uint32_t c0, c1;
        int32_t elapsed, duration;
        int32_t x;
        bool whole;
    } cases[] = {
        {4, 7, 0, 300, 40, false},    // not begun: after "one "
        {4, 7, 100, 300, 50, false},  // one of three letters
        {4, 7, 300, 300, 70, false},  // complete, not the text's end: after "two"
        {7, 13, 250, 500, 70 + 10 + 25, false},  // leading space passed at once
        {7, 13, 500, 500, 0, true},
    };
    for (const Case& c : cases) {
        const WipePosition w = MeasureWipe(m, c.c0, c.c1, c.elapsed, c.duration);
        EXPECT_EQ(w.x, c.x) << c.c0 << " " << c.elapsed;
        EXPECT_EQ(w.wholeLine, c.whole) << c.c0 << " " << c.elapsed;
    }
}

TEST(render_wipe, never_moves_back_within_a_segment_with_overhanging_glyphs) {
    // Every glyph reaches 6 pixels past its advance (an italic face): the
    // segment starts after the previous glyph's overhang, and the first
    // steps of the wipe must not fall behind that.
    const LineMeasure m = Measured(u"abcdefgh ijk", kAdvance, 6);
    const uint32_t spans[][2] = {{0, 3}, {3, 6}, {6, 12}, {2, 4}};
    for (const auto& span : spans) {
        const int32_t d = 1000;
        int32_t previous = MeasureWipe(m, span[0], span[1], 0, d).x;
        if (span[0] > 0) {
            EXPECT_EQ(previous, int32_t(span[0]) * kAdvance + 6);
        }
        for (int32_t e = 1; e <= d; ++e) {
            const WipePosition w = MeasureWipe(m, span[0], span[1], e, d);
            if (w.wholeLine) {
                continue;
            }
            ASSERT_GE(w.x, previous) << span[0] << " at " << e;
            previous = w.x;
        }
        if (span[1] < 12) {
            EXPECT_EQ(previous, int32_t(span[1]) * kAdvance + 6);
        }
    }
}

TEST(render_wipe, long_lines_and_long_segments) {
    // A line of 400 units (beyond any fixed table) with wide supersampled
    // glyphs: b × e passes 32 bits.
    std::u16string text(400, u'x');
    const LineMeasure m = Measured(text, 4000);
    EXPECT_EQ(m.Length(), 400u);
    const WipePosition half = MeasureWipe(m, 0, 400, 300000, 600000);
    EXPECT_EQ(half.x, 200 * 4000);
    const WipePosition late = MeasureWipe(m, 300, 400, 0, 1000);
    EXPECT_EQ(late.x, 300 * 4000);
    const WipePosition end = MeasureWipe(m, 300, 350, 1000, 1000);
    EXPECT_EQ(end.x, 350 * 4000);
}

TEST(render_wipe, degenerate_spans_and_measures) {
    const LineMeasure m = Measured(u"abc");
    EXPECT_EQ(MeasureWipe(m, 9, 12, 5, 10).x, 30);  // span past the text: clamped
    EXPECT_EQ(MeasureWipe(m, 2, 1, 5, 10).x, 20);   // c1 < c0
    EXPECT_TRUE(MeasureWipe(m, 0, 3, 10, 0).wholeLine);
    const LineMeasure spaces = Measured(u"   ");
    EXPECT_EQ(MeasureWipe(spaces, 0, 3, 5, 10).x, 30);  // no letters: all spaces passed
    LineMeasure none;
    EXPECT_FALSE(none.Valid());
    EXPECT_EQ(MeasureWipe(none, 0, 3, 5, 10).x, 0);
    const LineMeasure empty = Measured(u"");
    EXPECT_TRUE(MeasureWipe(empty, 0, 0, 5, 5).wholeLine);
}

}  // namespace
}  // namespace mr
