// Time mapping, hit areas, slider, nudge, wheel and time-text arithmetic.
#include "editor/timeline/timeline_geometry.h"

#include <gtest/gtest.h>

#include <string>

#include "editor/store/timing_list.h"

namespace mr::timeline {
namespace {

TEST(timeline_geometry, time_mapping_at_both_ends_and_past_an_hour) {
    struct Case {
        int32_t position, x;
        int64_t time;
    } cases[] = {
        {0, 250, 0},          {0, 0, -250},           {0, 999, 749},
        {360000, 250, 360000}, {360000, 0, 359750},    {2147483000, 1000, 2147483750},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TimeAt(c.position, c.x), c.time) << c.position << " " << c.x;
        EXPECT_EQ(ColumnOf(c.position, c.time), c.x);
    }
    // At position 0 the waveform starts at x = 250; at the end it stops at
    // the duration.
    EXPECT_FALSE(IsTimeVisible(-1, 0, 1000, 1000));
    EXPECT_TRUE(IsTimeVisible(0, 0, 1000, 1000));
    EXPECT_TRUE(IsTimeVisible(749, 0, 1000, 1000));
    EXPECT_FALSE(IsTimeVisible(750, 0, 1000, 1000));
    EXPECT_TRUE(IsTimeVisible(999, 900, 1000, 1000));
    EXPECT_FALSE(IsTimeVisible(1000, 900, 1000, 1000));
    EXPECT_FALSE(IsTimeVisible(649, 900, 1000, 1000));
    TimeSpan s = VisibleTimes(360100, 400000, 1000);
    EXPECT_EQ(s.first, 359850);
    EXPECT_EQ(s.last, 360850);
    s = VisibleTimes(0, 0, 1000);
    EXPECT_GE(s.first, s.last);
}

TEST(timeline_geometry, media_times_are_64_bit_and_positions_never_negative) {
    // 214.8 s: ticks × 100000 no longer fits 32 bits.
    EXPECT_EQ(TicksToMedia(21480), int64_t{2148000000});
    EXPECT_EQ(TicksToMedia(360000), int64_t{36000000000});
    EXPECT_EQ(MediaToTicks(int64_t{36000000000}), 360000);
    EXPECT_EQ(MediaToTicks(99999), 0);
    EXPECT_EQ(MediaToTicks(-5), 0);
    EXPECT_EQ(MediaToTicks(INT64_MAX), kLastTick - 1);
    struct Case {
        int64_t t;
        int32_t duration, want;
    } cases[] = {{-1, 100, 0}, {0, 100, 0}, {99, 100, 99}, {100, 100, 99}, {5, 0, 0}, {-5, 0, 0}};
    for (const Case& c : cases) EXPECT_EQ(ClampToDuration(c.t, c.duration), c.want) << c.t << " " << c.duration;
}

TEST(timeline_geometry, bands_select_the_tool_in_the_mask) {
    const uint32_t all = kToolRemove | kToolMove | kToolAdjust | kToolSplit | kToolMoveFollowing | kToolCombine |
                         kToolJumpHere;
    struct Case {
        int32_t y;
        uint32_t mask;
        int view;
        uint32_t tool;
    } cases[] = {
        {15, all, kLyricsView, 0},      {16, all, kLyricsView, 0},
        {20, all, kLyricsView, 0},      {21, all, kLyricsView, kToolRemove},
        {41, all, kLyricsView, kToolRemove}, {42, all, kLyricsView, kToolMove},
        {63, all, kLyricsView, kToolAdjust}, {83, all, kLyricsView, kToolAdjust},
        {84, all, kLyricsView, kToolSplit},  {104, kToolInsert | kToolJumpHere, kLyricsView, kToolInsert},
        {90, kToolJumpHere, kLyricsView, 0}, {105, all, kLyricsView, kToolMoveFollowing},
        {126, all, kLyricsView, kToolCombine}, {147, all, kLyricsView, kToolJumpHere},
        {166, all, kLyricsView, kToolJumpHere}, {167, all, kLyricsView, 0},
        {130, kToolRemove, kLyricsView, 0},  {30, all, kPictureView, 0},
        {70, all, kPictureView, kToolAdjust}, {150, all, kPictureView, kToolJumpHere},
    };
    for (const Case& c : cases) EXPECT_EQ(ToolOfBand(BandAt(c.y), c.mask, c.view), c.tool) << "y " << c.y;
    EXPECT_EQ(BandTopOfTool(kToolSplit), 84);
    EXPECT_EQ(BandTopOfTool(kToolDuplicate), -1);
}

TEST(timeline_geometry, top_strip_hit_areas_and_slider) {
    const int32_t w = 1000;
    struct Case {
        int32_t x, y;
        Hover h;
    } cases[] = {
        {669, 5, Hover::None},        {670, 5, Hover::OverBack},     {685, 15, Hover::OverBack},
        {686, 5, Hover::None},        {688, 0, Hover::OverForward},  {703, 5, Hover::OverForward},
        {706, 5, Hover::OverSlider},  {909, 5, Hover::OverSlider},   {910, 5, Hover::None},
        {700, 16, Hover::None},       {700, -1, Hover::None},
    };
    for (const Case& c : cases) EXPECT_EQ(TopStripHover(c.x, c.y, w), c.h) << c.x << "," << c.y;
    EXPECT_EQ(SliderValueAt(706, w), 0);
    EXPECT_EQ(SliderValueAt(708, w), 0);
    EXPECT_EQ(SliderValueAt(808, w), 100);
    EXPECT_EQ(SliderValueAt(909, w), 200);
    // Rounded up, capped at the last tick; the right end is the last tick.
    EXPECT_EQ(SliderTime(200, 1000), 999);
    EXPECT_EQ(SliderTime(1, 1000), 5);
    EXPECT_EQ(SliderTime(1, 1001), 6);
    EXPECT_EQ(SliderTime(0, 1000), 0);
    EXPECT_EQ(SliderTime(100, 0), 0);
    EXPECT_EQ(SliderTime(200, 2000000000), 1999999999);  // no 32-bit overflow
    EXPECT_EQ(SliderValueOf(999, 1000), 199);
    EXPECT_EQ(SliderValueOf(5, 0), 0);
}

TEST(timeline_geometry, nudge_steps_and_wheel_notches) {
    NudgeSteps steps;
    const int32_t want[] = {1, 2, 3, 4, 5, 6, 7, 8, 8, 8};
    for (int32_t w : want) EXPECT_EQ(steps.Next(), w);
    EXPECT_EQ(NudgePosition(3, -1, 5, 100), 0);
    EXPECT_EQ(NudgePosition(97, 1, 5, 100), 99);
    EXPECT_EQ(NudgePosition(50, 1, 8, 0), 0);

    struct Case {
        int32_t delta, notches, rest;
    } sequence[] = {{60, 0, 60}, {60, 1, 0}, {-360, -3, 0}, {-130, -1, -10}, {250, 2, 0}, {-119, 0, -119}};
    WheelAccumulator wheel;
    for (const Case& c : sequence) {
        EXPECT_EQ(wheel.Add(c.delta), c.notches) << c.delta;
        EXPECT_EQ(wheel.Rest(), c.rest);
    }
}

TEST(timeline_geometry, time_texts) {
    struct Case {
        int64_t ticks;
        const char16_t* text;
    } cases[] = {
        {0, u"00:00:00.00"},       {360000, u"01:00:00.00"}, {6000, u"00:01:00.00"}, {123456, u"00:20:34.56"},
        {359999, u"00:59:59.99"},  {-250, u"00:00:00.00"},   {36000000, u"99:59:59.99"},
        {int64_t{1} << 40, u"99:59:59.99"},
    };
    for (const Case& c : cases) {
        char16_t text[kTimeTextLength + 1];
        FormatTime(c.ticks, text);
        EXPECT_EQ(std::u16string(text), std::u16string(c.text)) << c.ticks;
        uint8_t g[kTimeTextLength];
        TimeGlyphs(c.ticks, g);
        for (uint8_t glyph : g) EXPECT_LT(glyph, kGlyphCount);
    }
    EXPECT_EQ(OpaqueArgb(0x00332211), 0xFF112233u);
}

}  // namespace
}  // namespace mr::timeline
