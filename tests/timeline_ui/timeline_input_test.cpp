// The timeline's input state machine over a real document: tools offered and
// applied, live tapping with the mouse and the keyboard, the step buttons and
// their thread, the slider, the wheel, and the bounds of each.
#include "editor/timeline/timeline_input.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "common/lock.h"
#include "editor/store/sync_document.h"
#include "tests/editor/editor_test_util.h"
#include "tests/timeline_ui/test_thread.h"

namespace mr::timeline {
namespace {

using test::Entries;

constexpr int32_t kWidth = 1000;
constexpr int32_t kDuration = 3000;

class TimelineInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        peaks_.assign(2 * kDuration, 0);
        in_.SetSize(kWidth, 170);
        in_.SetWaveform(peaks_.data(), kDuration);
        in_.SetGraphMode(kGraphReady);
        in_.Focus(true);
    }
    // Entries {100,200} {200,300} {400,500} under a text of four segments.
    void LoadThree() { test::Load(doc_, u"a|b|c\rd", {{100, 200}, {200, 300}, {400, 500}}); }
    void At(int64_t ticks) { in_.UpdatePosition(TicksToMedia(ticks)); }
    // The column of time t at the current position.
    int32_t X(int64_t t) { return static_cast<int32_t>(ColumnOf(in_.State().position, t)); }
    void Play() { in_.SetPlayState(kStatePlaying); }

    SyncDocument doc_;
    TimelineInput in_{doc_};
    std::vector<int8_t> peaks_;
};

bool Has(const TimelineActions& a, uint32_t message, int64_t w, int64_t l) {
    for (int i = 0; i < a.messageCount; ++i)
        if (a.messages[i].message == message && a.messages[i].wParam == w && a.messages[i].lParam == l) return true;
    return false;
}

TEST_F(TimelineInputTest, hover_offers_the_tool_of_each_band_near_entry_edges) {
    LoadThree();
    At(150);
    struct Case {
        int64_t t;
        int32_t y;
        uint32_t tool;
    } cases[] = {
        {150, 30, kToolRemove},  {150, 50, kToolMove},     {150, 70, kToolAdjust},
        {150, 90, kToolSplit},   {150, 110, kToolMoveFollowing}, {150, 130, 0},  // first entry: no Combine
        {150, 150, kToolJumpHere}, {150, 18, 0},
        {103, 90, 0},            {104, 90, kToolSplit},    {196, 90, kToolSplit}, {197, 90, 0},
        {250, 130, kToolCombine}, {350, 90, kToolInsert},   {396, 90, kToolInsert}, {397, 90, 0},
        {450, 130, 0},           {-10, 150, 0},            {kDuration, 150, 0},
    };
    for (const Case& c : cases) {
        in_.MouseMove(X(c.t), c.y, 0);
        EXPECT_EQ(in_.State().tool, c.tool) << "t " << c.t << " y " << c.y;
    }
    // The picture view acts in two bands only; other views not at all.
    in_.SetViewMode(kPictureView);
    in_.MouseMove(X(150), 30, 0);
    EXPECT_EQ(in_.State().tool, 0u);
    in_.MouseMove(X(150), 150, 0);
    EXPECT_EQ(in_.State().tool, uint32_t{kToolJumpHere});
    in_.SetViewMode(5);
    in_.MouseMove(X(150), 150, 0);
    EXPECT_EQ(in_.State().toolMask, 0u);
    // Nothing is editable before the playback graph is ready.
    in_.SetViewMode(kLyricsView);
    in_.SetGraphMode(kGraphDecoding);
    in_.MouseMove(X(150), 30, 0);
    EXPECT_EQ(in_.State().toolMask, 0u);
}

TEST_F(TimelineInputTest, presses_apply_tools_and_tell_the_frame) {
    LoadThree();
    At(150);
    // Without the focus a press only takes it.
    in_.Focus(false);
    in_.MouseMove(X(350), 90, 0);
    TimelineActions a = in_.LeftDown(X(350), 90, kKeyLeft);
    EXPECT_TRUE(a.takeFocus);
    EXPECT_FALSE(a.takeCapture);
    EXPECT_EQ(doc_.TimingCount(), 3);
    in_.Focus(true);

    // A tool applied by hand ends the suggestions' marking.
    in_.MarkSuggested(0, 3);
    a = in_.LeftDown(X(350), 90, kKeyLeft);
    EXPECT_EQ(in_.State().suggestedEnd, 0);
    EXPECT_TRUE(a.takeCapture);
    EXPECT_TRUE(Has(a, kMsgTimingApplied, 1, -1));
    a = in_.LeftUp(X(350), 90);
    EXPECT_TRUE(a.releaseCapture);
    EXPECT_EQ(test::Timings(doc_), (Entries{{100, 200}, {200, 300}, {350, 370}, {400, 500}}));

    // Shift or a second button: no press.
    a = in_.LeftDown(X(150), 30, kKeyLeft | kKeyShift);
    EXPECT_FALSE(a.takeCapture);
    // Remove with Control held.
    in_.MouseMove(X(150), 30, 0);
    a = in_.LeftDown(X(150), 30, kKeyLeft | kKeyControl);
    EXPECT_TRUE(Has(a, kMsgTimingApplied, 1, -1));
    in_.LeftUp(X(150), 30);
    EXPECT_EQ(doc_.TimingCount(), 3);

    // Adjust dragged: the end of the first entry moves right, pushing the next.
    in_.MouseMove(X(250), 70, 0);
    ASSERT_EQ(in_.State().tool, uint32_t{kToolAdjust});
    in_.LeftDown(X(250), 70, kKeyLeft);
    in_.MouseMove(X(320), 70, kKeyLeft);
    in_.LeftUp(X(320), 70);
    EXPECT_EQ(test::Timings(doc_), (Entries{{200, 320}, {350, 370}, {400, 500}}));

    // Jump here moves the position within the song and asks for a seek.
    in_.MouseMove(X(2000), 150, 0);
    EXPECT_EQ(in_.GetStartTime(), TicksToMedia(2000));
    a = in_.LeftDown(X(2000), 150, kKeyLeft);
    EXPECT_TRUE(Has(a, kMsgSeek, kSeekMove, -1));
    in_.LeftUp(X(2000), 150);
    EXPECT_EQ(in_.State().position, 2000);
}

TEST_F(TimelineInputTest, tap_release_tap_while_playing_records_touching_entries) {
    test::Load(doc_, u"a|b|c");
    At(1000);
    Play();
    in_.MouseMove(300, 90, 0);
    ASSERT_EQ(in_.State().tool, uint32_t{kToolInsert});
    TimelineActions a = in_.LeftDown(300, 90, kKeyLeft);
    EXPECT_TRUE(Has(a, kMsgTimingApplied, 1, 0));
    // The release leaves the capture mode first, so the capture-changed that
    // releasing raises does not end the recording.
    a = in_.LeftUp(300, 90);
    EXPECT_TRUE(a.releaseCapture);
    in_.CaptureLost();
    At(1050);
    EXPECT_EQ(test::Timings(doc_), (Entries{{1000, 1050}}));
    a = in_.LeftDown(300, 90, kKeyLeft);
    EXPECT_TRUE(Has(a, kMsgTimingApplied, 1, 1));
    in_.LeftUp(300, 90);
    in_.CaptureLost();
    At(1100);
    EXPECT_EQ(test::Timings(doc_), (Entries{{1000, 1050}, {1050, 1100}}));

    // The tap key does the same at the play position, wherever the mouse is;
    // its auto-repeat taps nothing.
    in_.MouseLeave();
    a = in_.KeyDown(kVkSpace, false);
    EXPECT_TRUE(Has(a, kMsgTimingApplied, 1, 2));
    At(1130);
    EXPECT_EQ(in_.KeyDown(kVkSpace, true).messageCount, 0);
    in_.KeyDown(kVkReturn, false);
    At(1180);
    EXPECT_EQ(test::Timings(doc_), (Entries{{1000, 1050}, {1050, 1100}, {1100, 1130}, {1130, 1180}}));
    EXPECT_EQ(in_.KeyDown('A', false).messageCount, 0);

    // A capture lost while the button is held ends the recording.
    in_.MouseMove(300, 90, 0);
    in_.LeftDown(300, 90, kKeyLeft);
    in_.CaptureLost();
    At(1250);
    EXPECT_EQ(test::Timings(doc_).back(), (std::pair<int32_t, int32_t>{1180, 1184}));

    // Not playing, or not focused: the key taps nothing.
    in_.Focus(false);
    EXPECT_EQ(in_.KeyDown(kVkSpace, false).messageCount, 0);
    in_.Focus(true);
    in_.SetPlayState(kStatePaused);
    EXPECT_EQ(in_.KeyDown(kVkSpace, false).messageCount, 0);
    EXPECT_EQ(doc_.TimingCount(), 5);
}

TEST_F(TimelineInputTest, right_press_while_recording_only_stops_it) {
    test::Load(doc_, u"a|b");
    At(500);
    Play();
    in_.KeyDown(kVkSpace, false);
    TimelineActions a = in_.RightDown(300, 90, kKeyRight);
    EXPECT_TRUE(a.takeCapture);
    EXPECT_EQ(a.messageCount, 0);
    in_.RightUp();
    At(600);
    EXPECT_EQ(test::Timings(doc_), (Entries{{500, 504}}));
    // The next right press toggles play and pause.
    a = in_.RightDown(300, 90, kKeyRight);
    EXPECT_TRUE(Has(a, kMsgTogglePlay, 0, 0));
    EXPECT_TRUE(in_.RightUp().releaseCapture);
}

TEST_F(TimelineInputTest, step_buttons_nudge_and_end_without_waiting_under_the_lock) {
    At(100);
    const int32_t fwd = StepForwardColumns(kWidth).left + 2;
    in_.MouseMove(fwd, 5, 0);
    TimelineActions a = in_.LeftDown(fwd, 5, kKeyLeft);
    EXPECT_EQ(a.startNudge, 1);
    EXPECT_TRUE(Has(a, kMsgSeek, kSeekPauseForStep, -1));
    EXPECT_FALSE(a.redraw);
    const int32_t want[] = {101, 103, 106, 110, 115, 121, 128, 136, 144};
    for (int32_t w : want) {
        TimelineActions step;
        ASSERT_TRUE(in_.NudgeStep(&step));
        EXPECT_EQ(in_.State().position, w);
        EXPECT_TRUE(step.redraw);
    }
    a = in_.LeftUp(fwd, 5);
    EXPECT_TRUE(a.joinNudge);
    EXPECT_TRUE(Has(a, kMsgSeek, kSeekStepEnded, -1));
    TimelineActions none;
    EXPECT_FALSE(in_.NudgeStep(&none));

    // Backwards stops at 0. A step thread runs while the UI thread releases
    // the button: the release returns with the lock free, then the thread is
    // waited for (a watchdog catches a deadlock).
    const int32_t back = StepBackColumns(kWidth).left;
    in_.MouseMove(back, 5, 0);
    a = in_.LeftDown(back, 5, kKeyLeft);
    ASSERT_EQ(a.startNudge, -1);
    std::atomic<int> steps{0};
    {
        test::TestThread nudge([&] {
            TimelineActions s;
            while (in_.NudgeStep(&s)) {
                ++steps;
                test::SleepMs(1);
            }
        });
        while (steps.load() < 30) test::SleepMs(1);
        EXPECT_EQ(in_.State().position, 0);
        std::atomic<bool> joinAsked{false};
        test::TestThread ui([&] {
            LockGuard held(doc_.DocumentLock());  // as a window handler holds it
            joinAsked = in_.LeftUp(back, 5).joinNudge;
        });
        ASSERT_TRUE(ui.Join(10000));
        EXPECT_TRUE(joinAsked.load());
        ASSERT_TRUE(nudge.Join(10000));
    }

    // A capture lost while stepping ends the stepping too.
    in_.LeftDown(back, 5, kKeyLeft);
    a = in_.CaptureLost();
    EXPECT_TRUE(a.joinNudge);
    EXPECT_TRUE(Has(a, kMsgSeek, kSeekStepEnded, -1));
    EXPECT_FALSE(in_.NudgeRunning());
}

TEST_F(TimelineInputTest, slider_sets_the_position_on_release) {
    At(10);
    const int32_t right = SliderHitColumns(kWidth).right;
    in_.MouseMove(right, 5, 0);
    in_.LeftDown(right, 5, kKeyLeft);
    EXPECT_EQ(in_.State().sliderValue, 200);
    EXPECT_EQ(in_.GetStartTime(), TicksToMedia(kDuration - 1));
    in_.MouseMove(SliderOrigin(kWidth) + 50, 5, kKeyLeft);
    EXPECT_EQ(in_.GetStartTime(), TicksToMedia(750));
    in_.MouseMove(right + 40, 5, kKeyLeft);
    TimelineActions a = in_.LeftUp(right + 40, 5);
    EXPECT_TRUE(Has(a, kMsgSeek, kSeekMove, -1));
    EXPECT_EQ(in_.State().position, kDuration - 1);
    EXPECT_EQ(in_.State().sliderValue, -1);

    // Past 214.7 s the start time still fits: 64-bit media times.
    std::vector<int8_t> longPeaks(2 * 50000, 0);
    in_.SetWaveform(longPeaks.data(), 50000);
    At(49999);
    EXPECT_EQ(in_.GetStartTime(), int64_t{4999900000});
    // No waveform: every position stays 0.
    in_.SetWaveform(nullptr, 0);
    in_.MouseMove(right, 5, 0);
    in_.LeftDown(right, 5, kKeyLeft);
    in_.LeftUp(right, 5);
    EXPECT_EQ(in_.State().position, 0);
    in_.MouseMove(600, 150, 0);
    EXPECT_EQ(in_.State().toolMask, 0u);
    EXPECT_EQ(in_.GetStartTime(), 0);
}

TEST_F(TimelineInputTest, wheel_moves_between_entry_starts_within_bounds) {
    struct Case {
        int32_t from, delta;
        uint32_t keys;
        int32_t to;      // position after; from when nothing moves
        int32_t index;   // entry index sent, −2 when nothing is sent
    } cases[] = {
        {150, -120, 0, 200, 1}, {100, -120, 0, 200, 1}, {350, -120, 0, 400, 2},  {150, -240, 0, 400, 2},
        {150, -1200, 0, 400, 2}, {450, -120, 0, 450, -2}, {600, -120, 0, 600, -2}, {150, 120, 0, 100, 0},
        {200, 120, 0, 100, 0},  {250, 120, 0, 200, 1},  {350, 120, 0, 200, 1},    {600, 120, 0, 400, 2},
        {600, 360, 0, 100, 0},  {100, 120, 0, 100, -2}, {150, -120, kKeyShift, 151, -1},
        {150, 240, kKeyShift, 148, -1}, {0, 120, kKeyShift, 0, -2}, {150, -60, 0, 150, -2},
    };
    LoadThree();
    for (const Case& c : cases) {
        At(c.from);
        in_.SetGraphMode(kGraphReady);  // clears the wheel's remainder
        At(c.from);
        TimelineActions a = in_.Wheel(c.delta, 400, 90, c.keys);
        EXPECT_EQ(in_.State().position, c.to) << c.from << " " << c.delta;
        if (c.index == -2) {
            EXPECT_EQ(a.messageCount, 0) << c.from << " " << c.delta;
        } else {
            EXPECT_TRUE(Has(a, kMsgSeek, kSeekMove, c.index)) << c.from << " " << c.delta;
        }
    }
    // Not while playing, with a button held or outside the editing area.
    At(150);
    EXPECT_EQ(in_.Wheel(-120, 400, 10, 0).messageCount, 0);
    EXPECT_EQ(in_.Wheel(-120, 400, 90, kKeyLeft).messageCount, 0);
    Play();
    EXPECT_EQ(in_.Wheel(-120, 400, 90, 0).messageCount, 0);
}

TEST_F(TimelineInputTest, wheel_without_entries_stays) {
    At(150);
    TimelineActions a = in_.Wheel(-120, 400, 90, 0);
    EXPECT_EQ(a.messageCount, 0);
    a = in_.Wheel(120, 400, 90, 0);
    EXPECT_EQ(a.messageCount, 0);
    EXPECT_EQ(in_.State().position, 150);
}

TEST_F(TimelineInputTest, positions_modes_and_focus) {
    in_.SetGraphMode(kGraphDecoding);
    in_.UpdatePosition(42);
    EXPECT_EQ(in_.State().position, 42);
    in_.UpdatePosition(250);
    EXPECT_EQ(in_.State().position, 100);
    in_.SetGraphMode(kGraphReady);
    EXPECT_EQ(in_.State().position, 0);
    in_.UpdatePosition(int64_t{3000000000000});  // 8 h 20 min
    EXPECT_EQ(in_.State().position, 30000000);
    in_.SetPlayState(kStatePaused);
    EXPECT_EQ(in_.State().position, 30000000);
    in_.SetPlayState(kStateStopped);
    EXPECT_EQ(in_.State().position, 0);

    TimelineActions a = in_.Focus(false);
    EXPECT_TRUE(Has(a, kMsgCommand, (0x200 << 16) | 1005, 0));
    a = in_.Focus(true);
    EXPECT_TRUE(Has(a, kMsgCommand, (0x100 << 16) | 1005, 0));
    // Destruction ends any recording and stepping.
    a = in_.Shutdown();
    EXPECT_FALSE(in_.NudgeRunning());
}

}  // namespace
}  // namespace mr::timeline
