// The frame the timeline draws: waveform columns in the colours of the
// entries at their times, the cursors, the strips and the labels.
#include "editor/timeline/timeline_scene.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "editor/store/sync_document.h"
#include "editor/timeline/timeline_sprites.h"
#include "tests/editor/editor_test_util.h"

namespace mr::timeline {
namespace {

constexpr int32_t kDuration = 2000;
const SceneColors kColors{0xFF0000FF, 0xFF00FF00, 0xFF808080, 0xFFFF0000};

struct Column {
    float y0, y1;
    uint32_t color;
};

// The vertical lines of the frame by column, the cursors apart.
std::map<int, Column> Columns(const TimelineScene& scene) {
    std::map<int, Column> out;
    const auto& v = scene.Lines();
    for (size_t i = 0; i + 1 < v.size(); i += 2)
        if (v[i].x == v[i + 1].x && v[i].color != kColors.cursor)
            out[static_cast<int>(v[i].x)] = {v[i].y, v[i + 1].y, v[i].color};
    return out;
}

TEST(timeline_scene, waveform_columns_take_the_entry_colours) {
    SyncDocument doc;
    test::Load(doc, u"a|b|c", {{100, 200}, {200, 300}, {400, 500}});
    std::vector<int8_t> peaks(2 * kDuration, 0);
    for (int t = 0; t < kDuration; ++t) {
        peaks[2 * t] = static_cast<int8_t>(t % 60 + 1);
        peaks[2 * t + 1] = static_cast<int8_t>(-(t % 50));
    }
    peaks[2 * 420] = peaks[2 * 420 + 1] = 0;  // a silent column is skipped
    TimelineInput in(doc);
    in.SetSize(1000, 170);
    in.SetWaveform(peaks.data(), kDuration);
    in.SetGraphMode(kGraphReady);
    in.UpdatePosition(TicksToMedia(150));

    TimelineScene scene;
    scene.Build(doc, in.State(), kColors);
    auto cols = Columns(scene);
    struct Case {
        int64_t t;
        uint32_t color;
    } cases[] = {{0, kColors.gap},      {99, kColors.gap},     {100, kColors.entryEven}, {199, kColors.entryEven},
                 {200, kColors.entryOdd}, {299, kColors.entryOdd}, {300, kColors.gap},    {450, kColors.entryEven},
                 {500, kColors.gap},    {899, kColors.gap}};
    for (const Case& c : cases) {
        int x = static_cast<int>(ColumnOf(150, c.t));
        ASSERT_TRUE(cols.count(x)) << c.t;
        EXPECT_EQ(cols[x].color, c.color) << c.t;
        EXPECT_EQ(cols[x].y0, static_cast<float>(kZeroRow - peaks[2 * c.t])) << c.t;
        EXPECT_EQ(cols[x].y1, static_cast<float>(kZeroRow + 1 - peaks[2 * c.t + 1])) << c.t;
    }
    EXPECT_FALSE(cols.count(static_cast<int>(ColumnOf(150, 420))));
    // Columns 100 … 999 hold times 0 … 899; nothing left of time 0.
    EXPECT_EQ(cols.begin()->first, 100);
    EXPECT_EQ(cols.rbegin()->first, 999);
    EXPECT_EQ(cols.size(), 899u);

    // Suggested entries (1 and 2) take their own colour, in the waveform
    // and in the timing strip.
    in.MarkSuggested(1, 3);
    scene.Build(doc, in.State(), kColors);
    cols = Columns(scene);
    EXPECT_EQ(cols[static_cast<int>(ColumnOf(150, 150))].color, kColors.entryEven);
    EXPECT_EQ(cols[static_cast<int>(ColumnOf(150, 250))].color, kColors.suggested);
    EXPECT_EQ(cols[static_cast<int>(ColumnOf(150, 450))].color, kColors.suggested);
    in.MarkSuggested(0, 0);

    // At position 0 the waveform starts at the play cursor; in another view
    // the whole waveform is one colour.
    in.UpdatePosition(0);
    in.SetViewMode(7);
    scene.Build(doc, in.State(), kColors);
    cols = Columns(scene);
    EXPECT_EQ(cols.begin()->first, kPlayX);
    for (auto& [x, c] : cols) EXPECT_EQ(c.color, kColors.gap) << x;
}

TEST(timeline_scene, cursors_strips_and_labels) {
    SyncDocument doc;
    test::Load(doc, u"a|b|c", {{100, 200}, {200, 300}});
    std::vector<int8_t> peaks(2 * kDuration, 1);
    TimelineInput in(doc);
    in.SetSize(1000, 170);
    in.SetWaveform(peaks.data(), kDuration);
    in.SetGraphMode(kGraphReady);
    in.UpdatePosition(TicksToMedia(150));
    TimelineScene scene;

    // Unfocused: the short play cursor, no mouse line, no labels.
    in.MouseMove(ColumnOf(150, 250), 130, 0);
    scene.Build(doc, in.State(), kColors);
    int cursorLines = 0;
    for (size_t i = 0; i < scene.Lines().size(); i += 2) {
        const LineVertex& v = scene.Lines()[i];
        if (v.color != kColors.cursor) continue;
        ++cursorLines;
        if (v.x == kPlayX && scene.Lines()[i + 1].x == kPlayX) {
            EXPECT_EQ(v.y, 73.0f);
        }
    }
    EXPECT_EQ(cursorLines, 2);
    const int unfocusedTriangles = scene.TriangleCount();

    // Focused: the mouse line and one label per tool in the mask.
    in.Focus(true);
    in.MouseMove(ColumnOf(150, 250), 130, 0);
    const uint32_t mask = in.State().toolMask;
    ASSERT_TRUE(mask & kToolCombine);
    scene.Build(doc, in.State(), kColors);
    cursorLines = 0;
    for (size_t i = 0; i < scene.Lines().size(); i += 2)
        if (scene.Lines()[i].color == kColors.cursor) ++cursorLines;
    EXPECT_EQ(cursorLines, 3);
    int labels = 0, tools = 0;
    for (const ToolName& tn : kToolNames)
        if (mask & tn.tool) ++tools;
    for (size_t i = 0; i < scene.Sprites().size(); i += 6)
        if ((scene.Sprites()[i].color >> 24) == kLabelAlpha) ++labels;
    EXPECT_EQ(labels, tools);
    // Labels sit left of the mouse once it is 90 pixels in.
    for (size_t i = 0; i < scene.Sprites().size(); i += 6)
        if ((scene.Sprites()[i].color >> 24) == kLabelAlpha) {
            EXPECT_FLOAT_EQ(scene.Sprites()[i].x, static_cast<float>(ColumnOf(150, 250) - 90) - 0.5f);
        }
    // The timing strip: one bar per visible entry on row 157.
    int bars = 0;
    for (size_t i = 0; i < scene.Sprites().size(); i += 6) {
        const SpriteVertex& v = scene.Sprites()[i];
        if (v.y == kStripUpperRow - 0.5f) {
            ++bars;
            EXPECT_TRUE(v.color == kColors.entryEven || v.color == kColors.entryOdd);
        }
    }
    EXPECT_EQ(bars, 2);
    EXPECT_GT(scene.TriangleCount(), unfocusedTriangles);
}

TEST(timeline_scene, sprite_table_stays_inside_the_texture) {
    std::vector<SpriteRect> rects = {kSwatch, kCreatingCaption, StepIcon(false, false), StepIcon(true, true)};
    for (int g = 0; g < kGlyphCount; ++g) rects.push_back(Glyph(g));
    for (const ToolName& tn : kToolNames) {
        rects.push_back(Caption(tn.tool));
        rects.push_back(Label(tn.tool, false));
        rects.push_back(Label(tn.tool, true));
    }
    for (const SpriteRect& r : rects) {
        EXPECT_GT(r.w, 0);
        EXPECT_GE(r.x, 0);
        EXPECT_LE(r.x + r.w, kAtlasSize);
        EXPECT_LE(r.y + r.h, kAtlasSize);
    }
    // No two pictures share a texel.
    for (size_t i = 0; i < rects.size(); ++i)
        for (size_t j = i + 1; j < rects.size(); ++j) {
            const SpriteRect &a = rects[i], &b = rects[j];
            bool apart = a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y || b.y + b.h <= a.y;
            EXPECT_TRUE(apart) << i << " " << j;
        }
}

}  // namespace
}  // namespace mr::timeline
