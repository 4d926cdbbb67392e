#include "common/frame_pattern.h"

#include <gtest/gtest.h>

namespace mr {
namespace {

TEST(frame_pattern, common_rates_keep_their_pattern) {
    struct Case {
        uint32_t rate, p0, p1, p2, p3;
    };
    for (const Case c : {Case{44100, 441, 441, 441, 441}, Case{22050, 220, 221, 220, 221},
                         Case{11025, 110, 110, 110, 111}, Case{8000, 80, 80, 80, 80}, Case{48000, 480, 480, 480, 480},
                         Case{32025, 320, 320, 320, 321}, Case{25, 0, 0, 0, 1}, Case{50, 0, 1, 0, 1}}) {
        SCOPED_TRACE(c.rate);
        const FramePattern p = MakeFramePattern(c.rate);
        EXPECT_EQ(p.blockFrames, c.rate / 25);
        EXPECT_EQ(p.step[0], c.p0);
        EXPECT_EQ(p.step[1], c.p1);
        EXPECT_EQ(p.step[2], c.p2);
        EXPECT_EQ(p.step[3], c.p3);
    }
}

TEST(frame_pattern, rates_of_remainder_75_add_up_to_a_whole_block) {
    const FramePattern p = MakeFramePattern(22075);
    EXPECT_EQ(p.blockFrames, 883u);
    EXPECT_EQ(p.step[0] + p.step[1] + p.step[2] + p.step[3], 883u);
    EXPECT_EQ(p.step[0], 220u);
    EXPECT_EQ(p.step[3], 221u);
    // Every multiple of 25: blocks add up, and no 10 ms strays more than a
    // frame from the exact position, so positions never drift.
    for (uint32_t rate = 25; rate <= 200000; rate += 25) {
        const FramePattern q = MakeFramePattern(rate);
        ASSERT_EQ(q.step[0] + q.step[1] + q.step[2] + q.step[3], rate / 25) << rate;
        for (int64_t tick = 0; tick < 12; ++tick) {
            const double exact = tick * rate / 100.0;
            const double got = static_cast<double>(FramesAt(q, tick * kUnitsPerTick));
            ASSERT_LE(exact - got, 1.0) << rate << " " << tick;
            ASSERT_LE(got, exact) << rate << " " << tick;
        }
    }
}

TEST(frame_pattern, times_resolve_down_to_10_ms) {
    const FramePattern p = MakeFramePattern(22050);
    EXPECT_EQ(FramesAt(p, 0), 0u);
    EXPECT_EQ(FramesAt(p, -5), 0u);
    EXPECT_EQ(FramesAt(p, 99999), 0u);
    EXPECT_EQ(FramesAt(p, 100000), 220u);
    EXPECT_EQ(FramesAt(p, 250000), 441u);
    EXPECT_EQ(FramesAt(p, 399999), 661u);
    EXPECT_EQ(FramesAt(p, 400000), 882u);
    // 12.345 s at 44100 Hz starts where 12.34 s does.
    const FramePattern q = MakeFramePattern(44100);
    EXPECT_EQ(FramesAt(q, 123450000), FramesAt(q, 123400000));
    EXPECT_EQ(FramesAt(q, 123400000), 544194u);
    // Far beyond any file: saturates instead of wrapping.
    EXPECT_EQ(FramesAt(MakeFramePattern(4294967275u), INT64_MAX), UINT64_MAX);
}

TEST(frame_pattern, durations_round_up_to_10_ms_and_cover_every_frame) {
    EXPECT_EQ(RoundedDuration(1000, 8000), 1300000);  // 125 ms
    EXPECT_EQ(RoundedDuration(441, 44100), 100000);
    EXPECT_EQ(RoundedDuration(442, 44100), 200000);
    EXPECT_EQ(RoundedDuration(1, 44100), 100000);
    EXPECT_EQ(RoundedDuration(0, 44100), 0);
    EXPECT_EQ(RoundedDuration(100, 0), 0);
    EXPECT_EQ(RoundedDuration(0xFFFFFFFFu, 25), 0xFFFFFFFFull * 4 * kUnitsPerTick);
    for (uint32_t rate : {8000u, 11025u, 22050u, 22075u, 44100u, 48000u})
        for (uint64_t frames = 1; frames < 3000; frames += 37) {
            const int64_t d = RoundedDuration(frames, rate);
            EXPECT_GE(FramesAt(MakeFramePattern(rate), d), frames) << rate << " " << frames;
            EXPECT_LT(FramesAt(MakeFramePattern(rate), d - kUnitsPerTick), frames) << rate << " " << frames;
        }
}

}  // namespace
}  // namespace mr
