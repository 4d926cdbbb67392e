// The Winamp module's rules: which saved frame rectangles are used, and what
// each command asks of the renderer.
#include <gtest/gtest.h>

#include "hosts/winamp/vis_rules.h"

namespace mr::winamp {
namespace {

TEST(vis_rules, saved_frame_rectangles_must_reach_into_the_screen_and_fit_it) {
    const ScreenRect screen{0, 0, 1280, 1024};
    const ScreenRect twoMonitors{-1920, 0, 1280, 1080};
    struct Case {
        ScreenRect saved, screen;
        bool usable;
    };
    const Case cases[] = {
        {{100, 100, 375, 216}, screen, true},
        {{1275, 100, 1550, 216}, screen, false},     // 5 pixels inside the right edge
        {{1269, 100, 1544, 216}, screen, true},      // 11 pixels inside
        {{-265, 100, 10, 216}, screen, false},       // right edge only 10 pixels in
        {{100, -106, 375, 10}, screen, false},
        {{100, 100, 131, 216}, screen, false},       // 31 wide
        {{100, 100, 132, 132}, screen, true},        // 32 x 32
        {{0, 0, 1281, 500}, screen, false},          // wider than the screen
        {{-1800, 100, -1500, 300}, screen, false},   // on a monitor that is gone
        {{-1800, 100, -1500, 300}, twoMonitors, true},  // on the secondary monitor
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, screen, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SavedFrameUsable(c.saved, c.screen), c.usable) << c.saved.left << "," << c.saved.right;
}

TEST(vis_rules, commands) {
    struct Case {
        unsigned id, high;
        int current;
        bool random;
        int report, setRandom;
        bool select;
        int index;
    };
    const Case cases[] = {
        {2003, 0, 1, false, -1, -1, true, 3},
        {2003, 0, 3, true, -1, -1, false, 0},    // already current: nothing, random kept
        {2010, 0, 2, false, 1, 1, true, -1},
        {2010, 0, 2, true, -1, -1, true, -1},
        {40382, 0, 4, false, -1, -1, true, 5},
        {40382, 0, 5, false, -1, -1, true, 0},
        {40383, 0, 0, false, -1, -1, true, 5},
        {40383, 0, 3, false, -1, -1, true, 2},
        {40384, 0xFFFF, 2, false, 1, 1, false, 0},  // random on, same preset
        {40384, 0xFFFF, 2, true, -1, -1, false, 0},
        {40384, 1, 2, false, -1, 1, true, -1},
        {40384, 0, 2, true, -1, 0, true, -1},
        {40384, 0, 2, false, -1, -1, false, 0},     // no change of state
    };
    for (const Case& c : cases) {
        const CommandEffect e = PresetCommand(c.id, c.high, c.current, c.random);
        EXPECT_TRUE(e.handled);
        EXPECT_EQ(e.reportRandom, c.report) << c.id;
        EXPECT_EQ(e.setRandom, c.setRandom) << c.id;
        EXPECT_EQ(e.select, c.select) << c.id;
        if (c.select) {
            EXPECT_EQ(e.selectIndex, c.index) << c.id;
        }
    }
    EXPECT_TRUE(PresetCommand(40389, 0, 0, false).fullScreen);
    EXPECT_TRUE(PresetCommand(40390, 0, 0, false).options);
    EXPECT_TRUE(PresetCommand(40391, 0, 0, false).menu);
    EXPECT_FALSE(PresetCommand(40392, 0, 0, false).handled);
    EXPECT_FALSE(PresetCommand(2006, 0, 0, false).handled);
}

}  // namespace
}  // namespace mr::winamp
