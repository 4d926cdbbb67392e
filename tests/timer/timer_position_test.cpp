// The position the render timer reports for a sample.
#include <gtest/gtest.h>

#include <climits>

#include "audio/timer/timer_position.h"

namespace mr::audio {
namespace {

constexpr int64_t kSecond = 10000000;

TEST(timer_position, the_segment_start_is_added) {
    EXPECT_EQ(ReportedPosition(10 * kSecond, 400000, false), 10 * kSecond + 400000);
    EXPECT_EQ(ReportedPosition(0, 0, false), 0);
}

TEST(timer_position, slowed_playback_halves_the_stretched_stream_time) {
    // A sample ending at 4.04 s of the stretched stream of a segment that
    // starts at 10 s stands for 12.02 s of the media.
    EXPECT_EQ(ReportedPosition(10 * kSecond, 40400000, true), 120200000);
    EXPECT_EQ(ReportedPosition(0, 3, true), 1);    // truncated
    EXPECT_EQ(ReportedPosition(0, -3, true), -1);  // towards zero
}

TEST(timer_position, extreme_times_saturate) {
    EXPECT_EQ(ReportedPosition(LLONG_MAX, 1, false), LLONG_MAX);
    EXPECT_EQ(ReportedPosition(LLONG_MIN, -1, false), LLONG_MIN);
    EXPECT_EQ(ReportedPosition(LLONG_MAX, LLONG_MAX, true), LLONG_MAX);
}

}  // namespace
}  // namespace mr::audio
