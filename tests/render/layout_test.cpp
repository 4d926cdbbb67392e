#include <gtest/gtest.h>

#include <vector>

#include "render/line_layout.h"
#include "render/text_bits.h"
#include "render/text_rasteriser.h"
#include "tests/render/render_test_util.h"

namespace mr {
namespace {

using test::BuildDocument;
using test::EvenLines;
using test::RecordingRasteriser;

TEST(render_layout, row_arrangements) {
    struct Case {
        uint32_t line, count;
        int32_t n;
        bool scroll;
        std::vector<std::pair<int32_t, int32_t>> rows;  // (line, row) in list order
    } cases[] = {
        {5, 10, 4, false, {{5, 1}, {6, 2}, {7, 3}, {4, 0}}},
        {7, 8, 3, false, {{7, 1}, {6, 0}}},
        {0, 10, 4, false, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {5, 10, 4, true, {{5, 2}, {3, 0}, {4, 1}, {6, 3}, {7, 4}}},
        {0, 10, 5, true, {{0, 2}, {1, 3}, {2, 4}}},
        {9, 10, 3, true, {{9, 1}, {8, 0}}},
        {2, 10, 2, true, {{2, 0}, {3, 1}}},
        {3, 10, 2, true, {{3, 1}, {4, 0}}},
        {9, 10, 2, true, {{9, 1}, {8, 0}}},
        {8, 9, 2, true, {{8, 0}}},
        {5, 10, 1, true, {{5, 0}}},
        {5, 10, 1, false, {{5, 0}}},
        {4, 10, 8, true, {{4, 4}, {0, 0}, {1, 1}, {2, 2}, {3, 3}, {5, 5}, {6, 6}, {7, 7}, {8, 8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line << " n " << c.n << " scroll " << c.scroll);
        RowArrangement a;
        ArrangeRows(c.line, c.count, c.n, c.scroll, &a);
        ASSERT_EQ(a.count, int(c.rows.size()));
        int32_t lo = INT32_MAX, hi = INT32_MIN;
        for (int i = 0; i < a.count; ++i) {
            EXPECT_EQ(a.rows[i].line, c.rows[i].first) << i;
            EXPECT_EQ(a.rows[i].row, c.rows[i].second) << i;
            lo = std::min(lo, c.rows[i].first);
            hi = std::max(hi, c.rows[i].first);
        }
        EXPECT_EQ(a.firstLine, lo);
        EXPECT_EQ(a.lastLine, hi);
        EXPECT_LE(a.count, SlotCountFor(c.n, c.scroll));
    }
    EXPECT_EQ(SlotCountFor(4, true), 5);
    EXPECT_EQ(SlotCountFor(2, true), 2);
    EXPECT_EQ(SlotCountFor(4, false), 4);
}

TEST(render_layout, horizontal_placement_and_the_second_line_pair) {
    LayoutSettings s;
    s.lines = 2;
    s.antiAliased = true;
    s.hAlign = kAlignLeft;
    s.hOffset = 60;
    s.hAlignOdd = kAlignRight;
    s.hOffsetOdd = 120;
    const int32_t W = 500, w = 400;  // w in rasteriser pixels
    struct Case {
        int32_t hAlignOdd;
        int32_t lines;
        uint32_t line;
        int32_t x;
    } cases[] = {
        {kAlignRight, 2, 0, 240},                  // even: left, offset × 4
        {kAlignRight, 2, 1, 2000 - 480 - 400},     // odd: right pair
        {kAlignHCenter, 2, 1, 240},                 // second flag 0: the first pair
        {kAlignRight, 3, 1, 240},                  // only a two-line display alternates
    };
    for (const Case& c : cases) {
        s.hAlignOdd = c.hAlignOdd;
        s.lines = c.lines;
        EXPECT_EQ(HorizontalPlacement(s, c.line, w, W), c.x) << c.line << " " << c.lines;
    }
    s.hAlign = kAlignHCenter;
    s.antiAliased = false;
    s.lines = 1;
    EXPECT_EQ(HorizontalPlacement(s, 0, 100, 500), 200);
    EXPECT_EQ(HorizontalPlacement(s, 0, 700, 500), -100);
}

// A layout of one frame with its quads decoded.
struct Quad {
    float x0, x1, y0, y1;
    uint32_t color;
    float v0, v1;
};

struct Frame {
    LayoutResult result;
    std::vector<ColorVertex> outline;
    std::vector<GlyphVertex> glyph;

    std::vector<Quad> OutlineQuads(const RowDraw& d) const {
        std::vector<Quad> q;
        for (uint32_t i = d.outlineFirst; i < d.outlineFirst + d.outlineVertices; i += 6) {
            const ColorVertex* v = &outline[i];
            q.push_back({v[0].x, v[1].x, v[0].y, v[2].y, v[0].color, v[0].v, v[2].v});
        }
        return q;
    }
};

class LayoutRun {
public:
    LayoutRun(const std::vector<test::LineSpec>& lines, const LayoutSettings& settings, LayoutArea area)
        : texts_(doc_), rasteriser_(10) {
        BuildDocument(doc_, lines);
        layout_.Configure(settings, area);
    }
    Frame At(int32_t t, size_t capacity = 1000) {
        Frame f;
        f.outline.resize(capacity);
        f.glyph.resize(capacity);
        f.result = layout_.LayoutText(TablesOf(doc_, &texts_), cursor_, t, rasteriser_, f.outline.data(),
                                      capacity, f.glyph.data(), capacity);
        return f;
    }
    // The draw of the row showing `line`, or null.
    const RowDraw* DrawOf(const Frame& f, int32_t line) const {
        for (int i = 0; i < f.result.drawCount; ++i) {
            if (layout_.Slot(f.result.draws[i].slot).line == line) {
                return &f.result.draws[i];
            }
        }
        return nullptr;
    }
    TextLayout& layout() { return layout_; }
    RecordingRasteriser& rasteriser() { return rasteriser_; }

private:
    LyricsDocument doc_;
    DocumentLineTexts texts_;
    SyncCursor cursor_;
    TextLayout layout_;
    RecordingRasteriser rasteriser_;
};

LayoutSettings Settings(int32_t n, bool scroll) {
    LayoutSettings s;
    s.lines = n;
    s.scroll = scroll;
    s.outline = true;
    s.vAlign = kAlignTop;
    s.vOffset = 100;
    s.outlineColor[0] = 0x0000FF;
    s.outlineColor[1] = 0x00FF00;
    return s;
}

constexpr uint32_t kUnsung = 0xFFFF0000u;  // ARGB of outline colour 0 (COLORREF red)
constexpr uint32_t kSung = 0xFF00FF00u;

TEST(render_layout, a_paged_frame_highlights_sung_lines_and_splits_the_current_one) {
    // Twelve lines of one second each (line k from 1,000 + 1,000 k); n = 4
    // paged, line 5 half sung.
    LayoutRun run(EvenLines(12, 1000, 1000, 1000), Settings(4, false), LayoutArea{640, 480, 20});
    run.At(6500);  // rasterises two lines
    const Frame f = run.At(6500);  // the other two
    EXPECT_EQ(f.result.rasterised, 2);
    ASSERT_EQ(f.result.drawCount, 4);
    const Frame steady = run.At(6500);
    EXPECT_EQ(steady.result.rasterised, 0);
    EXPECT_EQ(steady.result.drawCount, 4);
    EXPECT_EQ(steady.result.outlineTriangles, 2u * 5);  // four rows, the current one split
    EXPECT_EQ(steady.result.glyphVertices, 6u * 5);

    const struct {
        int32_t line;
        int32_t row;
        std::vector<uint32_t> colours;
    } expect[] = {{4, 0, {kSung}}, {5, 1, {kSung, kUnsung}}, {6, 2, {kUnsung}}, {7, 3, {kUnsung}}};
    for (const auto& e : expect) {
        const RowDraw* d = run.DrawOf(steady, e.line);
        ASSERT_NE(d, nullptr) << e.line;
        const std::vector<Quad> q = steady.OutlineQuads(*d);
        ASSERT_EQ(q.size(), e.colours.size()) << e.line;
        for (size_t i = 0; i < q.size(); ++i) {
            EXPECT_EQ(q[i].color, e.colours[i]) << e.line;
            EXPECT_EQ(q[i].y0, 100.0f + 20 * e.row);
            EXPECT_EQ(q[i].y1, 120.0f + 20 * e.row);
        }
        EXPECT_EQ(q.front().x0, 0.0f);
        EXPECT_EQ(q.back().x1, 640.0f);
    }
    // "line 5": five letters of 10 pixels at offset 0, half elapsed: K = 25.
    const std::vector<Quad> current = steady.OutlineQuads(*run.DrawOf(steady, 5));
    EXPECT_EQ(current[0].x1, 25.0f);
    EXPECT_EQ(current[1].x0, 25.0f);
}

TEST(render_layout, never_more_than_two_rasterisations_per_frame) {
    LayoutRun run(EvenLines(12, 1000, 1000, 1000), Settings(4, false), LayoutArea{640, 480, 20});
    run.At(1500);
    run.At(1500);
    EXPECT_EQ(run.rasteriser().calls.size(), 4u);
    // A jump to a page none of whose lines is cached: two now, two next frame.
    run.rasteriser().calls.clear();
    Frame f = run.At(10500);  // line 9 of page 8 .. 11
    EXPECT_EQ(f.result.rasterised, 2);
    EXPECT_EQ(f.result.drawCount, 2);
    ASSERT_EQ(run.rasteriser().calls.size(), 2u);
    EXPECT_EQ(run.rasteriser().calls[0].first, 9);
    EXPECT_EQ(run.rasteriser().calls[1].first, 10);
    f = run.At(10500);
    EXPECT_EQ(f.result.rasterised, 2);
    EXPECT_EQ(f.result.drawCount, 4);

    // Through a whole song in every display kind.
    for (int32_t n : {1, 2, 3, 4, 8}) {
        for (bool scroll : {false, true}) {
            LayoutRun song(EvenLines(30, 1000, 1000, 900), Settings(n, scroll), LayoutArea{640, 480, 20});
            for (int32_t t = 0; t < 33000; t += 37) {
                const Frame g = song.At(t);
                ASSERT_LE(g.result.rasterised, kMaxRasterisedPerFrame) << n << " " << scroll << " " << t;
                ASSERT_LE(g.result.drawCount, SlotCountFor(n, scroll));
            }
            for (int i = 0; i < 5; ++i) {
                song.At(20000);
            }
            EXPECT_EQ(song.At(20000).result.rasterised, 0) << n << " " << scroll;
        }
    }
}

TEST(render_layout, scrolling_rows_are_clipped_to_the_block) {
    // n = 4 scrolling, M = 20, block from y = 100 to 180.
    LayoutRun run(EvenLines(12, 1000, 1000, 1000), Settings(4, true), LayoutArea{640, 480, 20});
    for (int i = 0; i < 3; ++i) {
        run.At(6250);
    }
    // Line 5 a quarter sung: s = 5. Lines 3 .. 7 in rows 0 .. 4.
    Frame f = run.At(6250);
    ASSERT_EQ(f.result.drawCount, 5);
    struct Row {
        int32_t line;
        float top, bottom;
        int32_t texelTop;
    } rows[] = {{3, 100, 115, 5}, {4, 115, 135, 0}, {5, 135, 155, 0}, {6, 155, 175, 0}, {7, 175, 180, 0}};
    for (const Row& r : rows) {
        const RowDraw* d = run.DrawOf(f, r.line);
        ASSERT_NE(d, nullptr) << r.line;
        const Quad q = f.OutlineQuads(*d)[0];
        EXPECT_EQ(q.y0, r.top) << r.line;
        EXPECT_EQ(q.y1, r.bottom) << r.line;
        // Outline half of slot u starts at texel row 2uM + M of a 5 × 40-row texture.
        const float expectV = (float(d->slot * 40 + 20 + r.texelTop) + 0.5f) / 200.0f;
        EXPECT_FLOAT_EQ(q.v0, expectV) << r.line;
        const GlyphVertex& g = f.glyph[d->glyphFirst];
        EXPECT_FLOAT_EQ(g.v0, (float(d->slot * 40 + r.texelTop) + 0.5f) / 200.0f) << r.line;
    }

    // Near the start the current line sits in row 2 and is the first line on
    // screen: it scrolls whole, nothing cuts it.
    LayoutRun start(EvenLines(12, 1000, 1000, 1000), Settings(4, true), LayoutArea{640, 480, 20});
    start.At(1500);
    start.At(1500);
    f = start.At(1500);  // s = 10
    const RowDraw* d = start.DrawOf(f, 0);
    ASSERT_NE(d, nullptr);
    const Quad q = f.OutlineQuads(*d)[0];
    EXPECT_EQ(q.y0, 130.0f);
    EXPECT_EQ(q.y1, 150.0f);
    // The last row (line 2, row 4) shows only what has scrolled into the block.
    const Quad last = f.OutlineQuads(*start.DrawOf(f, 2))[0];
    EXPECT_EQ(last.y0, 170.0f);
    EXPECT_EQ(last.y1, 180.0f);
}

TEST(render_layout, end_of_text_highlights_the_whole_width) {
    LayoutRun run({{u"ab cd", {{0, 1000, 1500}, {3, 1500, 2000}}}, {u"ef", {{0, 3000, 4000}}}},
                  Settings(1, false), LayoutArea{300, 200, 20});
    run.At(1700);
    Frame f = run.At(1750);  // second segment half sung: K = 30 + 10
    std::vector<Quad> q = f.OutlineQuads(f.result.draws[0]);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].x1, 40.0f);
    f = run.At(2200);  // complete, in the gap before line 1
    q = f.OutlineQuads(f.result.draws[0]);
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0].color, kSung);
    EXPECT_EQ(q[0].x1, 300.0f);
}

TEST(render_layout, nothing_without_times_and_no_quad_beyond_the_arrays) {
    LayoutRun empty({}, Settings(4, false), LayoutArea{640, 480, 20});
    Frame f = empty.At(1000);
    EXPECT_EQ(f.result.outlineTriangles, 0u);
    EXPECT_EQ(f.result.glyphVertices, 0u);
    EXPECT_TRUE(empty.rasteriser().calls.empty());

    // An empty line text is neither rasterised nor drawn.
    LayoutRun blank({{u"", {{0, 1000, 2000}}}, {u"x", {{0, 2000, 3000}}}}, Settings(2, true),
                    LayoutArea{640, 480, 20});
    f = blank.At(1500);
    EXPECT_EQ(f.result.drawCount, 1);
    ASSERT_EQ(blank.rasteriser().calls.size(), 1u);
    EXPECT_EQ(blank.rasteriser().calls[0].first, 1);

    // Room for one quad only: one quad written.
    LayoutRun tight(EvenLines(8, 1000, 1000, 1000), Settings(4, false), LayoutArea{640, 480, 20});
    tight.At(1500, 6);
    f = tight.At(1500, 6);
    EXPECT_EQ(f.result.outlineTriangles, 2u);
    EXPECT_EQ(f.result.glyphVertices, 6u);
}

TEST(render_layout, a_slot_that_cannot_be_written_is_retried) {
    // Real bit work through a box-drawing surface and a slot target in memory.
    LayoutSettings s = Settings(1, false);
    s.antiAliased = true;
    s.hAlign = kAlignLeft;
    s.hOffset = 10;
    test::BoxGlyphSurface surface(36, 200, true, 40);
    const TextCellGeometry& g = surface.Geometry();  // c = 52, M = 13
    test::MemorySlotTarget target(1, 200, g.lineHeight);
    TextRasteriser rasteriser(surface, target, s, 200);
    LyricsDocument doc;
    BuildDocument(doc, {{u"ab", {{0, 1000, 2000}}}});
    DocumentLineTexts texts(doc);
    TextLayout layout;
    layout.Configure(s, LayoutArea{200, 100, g.lineHeight});
    SyncCursor cursor;
    std::vector<ColorVertex> ov(64);
    std::vector<GlyphVertex> gv(64);

    target.failLocks = 1;
    LayoutResult r = layout.LayoutText(TablesOf(doc, &texts), cursor, 1500, rasteriser, ov.data(), 64, gv.data(), 64);
    EXPECT_EQ(r.rasterised, 1);
    EXPECT_EQ(r.drawCount, 0);
    EXPECT_EQ(layout.Slot(0).line, -1);
    EXPECT_EQ(target.unlocks, 0);

    r = layout.LayoutText(TablesOf(doc, &texts), cursor, 1500, rasteriser, ov.data(), 64, gv.data(), 64);
    EXPECT_EQ(r.rasterised, 1);
    ASSERT_EQ(r.drawCount, 1);
    EXPECT_EQ(layout.Slot(0).line, 0);
    EXPECT_EQ(layout.Slot(0).width, 80);
    EXPECT_EQ(layout.Slot(0).xOffset, 40);
    EXPECT_EQ(target.unlocks, 1);

    // Glyph boxes: "a" covers bitmap x 32 + 40 + 1 .. + 38 (screen 10.25 ..
    // 19.75), rows 8 .. 43 (screen rows 2 .. 10); "b" follows 40 pixels on.
    // The outline half holds the same glyphs widened by 8 bitmap pixels.
    const int32_t M = g.lineHeight;
    EXPECT_EQ(target.At(0, 15, 5), 255);
    EXPECT_EQ(target.At(0, 20, 5), 192);  // three of four columns of "b"
    EXPECT_EQ(target.At(0, 5, 5), 0);
    EXPECT_EQ(target.At(0, 40, 5), 0);
    EXPECT_EQ(target.At(0, 15, 0), 0);
    EXPECT_EQ(target.At(0, 15, M + 5), 255);
    EXPECT_EQ(target.At(0, 9, 5), 0);      // left of the glyph ...
    EXPECT_EQ(target.At(0, 9, M + 5), 255);  // ... the outline reaches
    EXPECT_EQ(target.At(0, 15, M + 0), 255);  // and above it
    EXPECT_EQ(target.At(0, 40, M + 5), 0);
    // Half sung: K = (40 + 40) / 4 = 20 screen pixels.
    EXPECT_EQ(ov[0].x, 0.0f);
    EXPECT_EQ(ov[1].x, 20.0f);
}

TEST(render_layout, preview_shows_the_current_line_in_one_slot) {
    LayoutSettings s;
    s.lines = 1;
    s.outline = true;
    s.outlineColor[0] = 0xC0C0C0;
    s.outlineColor[1] = 0xE0E0E0;
    s.textColor[0] = 0xFFFFFF;
    s.textColor[1] = 0x109000;
    // Ticks: "abcd" 100 .. 200, then "efgh" 300 .. 400; the editor changes the text later.
    struct Texts final : LineTextSource {
        std::u16string lines[2] = {u"abcd", u"efgh"};
        std::u16string_view LineText(uint32_t l) const override { return l < 2 ? std::u16string_view(lines[l]) : std::u16string_view(); }
    } texts;
    const SyncPoint syncs[] = {LineStartMarker(0), LineStartMarker(1)};
    const SyncTime times[] = {{100, 200}, {300, 400}};
    const LyricsLine lines[] = {{0, 0}, {1, 1}};
    const SyncTables tables{syncs, 2, times, 2, lines, 2, &texts};
    RecordingRasteriser rasteriser(10);
    SyncCursor cursor;
    TextLayout layout;
    std::vector<ColorVertex> v(24);

    struct Case {
        int32_t height, ticks;
        int rasterised;
        uint32_t vertices;
        float top;
        uint32_t firstColour;
    } cases[] = {
        {167, 150, 0, 0, 0, 0},                 // too low: no preview
        {300, 150, 1, 24, 223, 0xFFE0E0E0u},    // centred below y = 167, half sung
        {300, 160, 0, 24, 223, 0xFFE0E0E0u},    // same text: no rasterisation
        {180, 160, 1, 24, 167, 0xFFE0E0E0u},    // no room to centre (resized: slots emptied)
        {180, 249, 0, 12, 167, 0xFFE0E0E0u},    // a gap of 100: the line stays, complete ...
        {180, 250, 1, 12, 167, 0xFFC0C0C0u},    // ... until 50 before the next line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "height " << c.height << " ticks " << c.ticks);
        if (layout.Area().height != c.height) {
            layout.Configure(s, LayoutArea{400, c.height, 20});
        }
        const size_t before = rasteriser.calls.size();
        const LayoutResult r = layout.LayoutPreview(tables, cursor, c.ticks, rasteriser, v.data(), v.size());
        EXPECT_EQ(int(rasteriser.calls.size() - before), c.rasterised);
        EXPECT_EQ(r.outlineTriangles * 3 + r.glyphVertices, c.vertices);
        if (c.vertices) {
            EXPECT_EQ(v[0].y, c.top);
            EXPECT_EQ(v[2].y, c.top + 20);
            EXPECT_EQ(v[0].color, c.firstColour);
        }
        if (c.vertices == 24) {
            EXPECT_EQ(v[12].color, 0xFF009010u);  // text, sung part
            EXPECT_EQ(v[18].color, 0xFFFFFFFFu);  // text, unsung part
            // "abcd" (40 pixels) timed over ticks 100 .. 200.
            EXPECT_EQ(v[1].x, float(40 * (c.ticks - 100) / 100));
        }
    }
    // The editor edits the current line's text: rasterised again.
    texts.lines[1] = u"efgh!";
    rasteriser.calls.clear();
    layout.LayoutPreview(tables, cursor, 350, rasteriser, v.data(), v.size());
    EXPECT_EQ(rasteriser.calls.size(), 1u);
    layout.LayoutPreview(tables, cursor, 351, rasteriser, v.data(), v.size());
    EXPECT_EQ(rasteriser.calls.size(), 1u);
}

}  // namespace
}  // namespace mr

namespace mr {
namespace {

TEST(render_layout, a_texture_too_tall_for_the_device_falls_back_to_one_per_slot) {
    struct Case {
        int slots;
        int32_t lineHeight, maxHeight;
        SlotTextures expect;
    } cases[] = {
        {9, 41, 2048, SlotTextures::kShared},   // 738 rows
        {9, 120, 2048, SlotTextures::kPerSlot}, // 2,160 rows
        {9, 113, 2034, SlotTextures::kShared},  // exactly the limit
        {9, 113, 2033, SlotTextures::kPerSlot},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseSlotTextures(c.slots, c.lineHeight, c.maxHeight), c.expect) << c.lineHeight;
    }

    // Per-slot textures: every row samples its own 2M-row texture from row 0.
    LayoutSettings s;
    s.lines = 4;
    s.outline = true;
    LayoutArea area{640, 480, 20, SlotTextures::kPerSlot};
    LyricsDocument doc;
    test::BuildDocument(doc, test::EvenLines(8, 1000, 1000, 1000));
    DocumentLineTexts texts(doc);
    TextLayout layout;
    layout.Configure(s, area);
    test::RecordingRasteriser rasteriser(10);
    SyncCursor cursor;
    std::vector<ColorVertex> ov(100);
    std::vector<GlyphVertex> gv(100);
    layout.LayoutText(TablesOf(doc, &texts), cursor, 1500, rasteriser, ov.data(), 100, gv.data(), 100);
    const LayoutResult r =
        layout.LayoutText(TablesOf(doc, &texts), cursor, 1500, rasteriser, ov.data(), 100, gv.data(), 100);
    ASSERT_EQ(r.drawCount, 4);
    for (int i = 0; i < r.drawCount; ++i) {
        const RowDraw& d = r.draws[i];
        EXPECT_FLOAT_EQ(ov[d.outlineFirst].v, 20.5f / 40.0f);
        EXPECT_FLOAT_EQ(gv[d.glyphFirst].v0, 0.5f / 40.0f);
        EXPECT_EQ(d.outlineVertices % 6, 0u);
    }
    // The slots differ although the coordinates are the same.
    EXPECT_NE(r.draws[0].slot, r.draws[1].slot);
}

// Textures larger than what they hold (power-of-two devices): coordinates
// address the same texels, divided by the textures' extents.
TEST(render_layout, larger_textures_are_addressed_by_their_extents) {
    LayoutSettings s;
    s.lines = 4;
    s.outline = true;
    // 640 columns in 1024, four slots of 40 rows (160) in 256, 40 gradient rows in 64.
    LayoutArea area{640, 480, 20, SlotTextures::kShared, 1024, 256, 64};
    LyricsDocument doc;
    test::BuildDocument(doc, test::EvenLines(8, 1000, 1000, 1000));
    DocumentLineTexts texts(doc);
    TextLayout layout;
    layout.Configure(s, area);
    test::RecordingRasteriser rasteriser(10);
    SyncCursor cursor;
    std::vector<ColorVertex> ov(100);
    std::vector<GlyphVertex> gv(100);
    layout.LayoutText(TablesOf(doc, &texts), cursor, 1500, rasteriser, ov.data(), 100, gv.data(), 100);
    const LayoutResult r =
        layout.LayoutText(TablesOf(doc, &texts), cursor, 1500, rasteriser, ov.data(), 100, gv.data(), 100);
    ASSERT_EQ(r.drawCount, 4);
    for (int i = 0; i < r.drawCount; ++i) {
        const RowDraw& d = r.draws[i];
        const ColorVertex& o = ov[d.outlineFirst];
        EXPECT_FLOAT_EQ(o.u, (o.x + 0.5f) / 1024.0f);
        EXPECT_FLOAT_EQ(o.v, (float(d.slot * 40 + 20) + 0.5f) / 256.0f);
        const GlyphVertex& g = gv[d.glyphFirst];
        EXPECT_FLOAT_EQ(g.u0, (g.x + 0.5f) / 1024.0f);
        EXPECT_FLOAT_EQ(g.v0, (float(d.slot * 40) + 0.5f) / 256.0f);
        // The first glyph quad of a row is its sung part (or the unsung one
        // of a row not yet sung): gradient rows 20 .. 39 or 0 .. 19.
        EXPECT_TRUE(g.v1 == 20.5f / 64.0f || g.v1 == 0.5f / 64.0f) << g.v1;
    }
}

}  // namespace
}  // namespace mr
