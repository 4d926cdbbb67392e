// The timeline window under Wine: a real MRScopeWnd child with its Direct3D
// device, driven by window messages. Pixels are read from the back buffer
// before each Present (a Direct3D child window cannot be read back from the
// screen under Wine).
#include "editor/timeline/timeline_window_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "editor/store/sync_document.h"
#include "editor/timeline/line_preview_win.h"
#include "tests/editor/editor_test_util.h"
#include "tests/timeline_ui/test_thread.h"

namespace mr::timeline {
namespace {

using test::Entries;

constexpr int32_t kDuration = 3000;
const uint32_t kScope[4] = {0x0000FF, 0x00FF00, 0x808080, 0xFF0000};  // COLORREF

// Ends the test program when a step does not return in time: a deadlock
// fails the run instead of hanging it.
class Watchdog {
public:
    Watchdog() : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), thread_([this] {
                     if (WaitForSingleObject(done_, 20000) != WAIT_OBJECT_0) {
                         fprintf(stderr, "watchdog: the timeline did not return\n");
                         ExitProcess(3);
                     }
                 }) {}
    ~Watchdog() {
        SetEvent(done_);
        thread_.Join(30000);
        CloseHandle(done_);
    }

private:
    HANDLE done_;
    test::TestThread thread_;
};

void Pump(int ms) {
    DWORD end = GetTickCount() + ms;
    do {
        // The frame messages stay queued for the test to read.
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 1042, PM_REMOVE) || PeekMessageW(&m, nullptr, 1048, 0xFFFFFFFF, PM_REMOVE))
            DispatchMessageW(&m);
        Sleep(5);
    } while (GetTickCount() < end);
}

// Frame messages the timeline posted to `parent`, oldest first.
std::vector<MSG> Posted(HWND parent) {
    std::vector<MSG> out;
    MSG m;
    while (PeekMessageW(&m, parent, 1043, 1047, PM_REMOVE)) out.push_back(m);
    return out;
}

bool HasPosted(const std::vector<MSG>& v, UINT message, WPARAM w) {
    for (const MSG& m : v)
        if (m.message == message && m.wParam == w) return true;
    return false;
}

// One window and device for the whole suite (creating a device under Wine
// takes seconds); each test starts from the same document and state.
class TimelineWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        doc_ = new SyncDocument;
        tw_ = new TimelineWindow(*doc_);
        parent_ = CreateWindowExW(0, L"STATIC", L"timeline host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1100, 300,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (parent_) window_ = tw_->Create(parent_, GetModuleHandleW(nullptr));
        peaks_ = new std::vector<int8_t>(2 * kDuration, 0);
        for (int t = 0; t < kDuration; ++t) (*peaks_)[2 * t] = 20, (*peaks_)[2 * t + 1] = -20;
    }
    static void TearDownTestSuite() {
        delete tw_;
        if (parent_) DestroyWindow(parent_);
        delete doc_;
        delete peaks_;
    }
    void SetUp() override {
        ASSERT_TRUE(window_);
        RECT rc{};
        GetClientRect(window_, &rc);
        if (rc.right != 1000 || rc.bottom != 170) SetWindowPos(window_, nullptr, 0, 0, 1000, 170, SWP_NOZORDER);
        Pump(20);
        ASSERT_TRUE(tw_->Device().HasDevice());
        doc_->ClearSyncDocument();
        test::Load(*doc_, u"a|b|c\rd|e|f", {{100, 200}, {200, 300}, {400, 500}});
        tw_->SetColors(kScope);
        tw_->SetWaveform(peaks_->data(), kDuration);
        tw_->SetGraphMode(kGraphReady);
        tw_->SetPlayState(kStateStopped);
        tw_->Device().KeepBackBuffer(true);
        SetFocus(nullptr);
        Pump(10);
        Posted(parent_);
    }
    uint32_t Pixel(int x, int y) {
        const auto& b = tw_->Device().BackBuffer();
        size_t w = tw_->Device().Width();
        return b.empty() ? 0 : b[size_t(y) * w + x] & 0xFFFFFF;
    }
    void Send(UINT message, WPARAM wp, int x, int y) { SendMessageW(window_, message, wp, MAKELPARAM(x, y)); }

    static SyncDocument* doc_;
    static TimelineWindow* tw_;
    static std::vector<int8_t>* peaks_;
    static HWND parent_;
    static HWND window_;
};
SyncDocument* TimelineWindowTest::doc_ = nullptr;
TimelineWindow* TimelineWindowTest::tw_ = nullptr;
std::vector<int8_t>* TimelineWindowTest::peaks_ = nullptr;
HWND TimelineWindowTest::parent_ = nullptr;
HWND TimelineWindowTest::window_ = nullptr;

TEST_F(TimelineWindowTest, frame_shows_waveform_in_entry_colours_and_survives_a_reset) {
    tw_->UpdatePosition(TicksToMedia(150));
    ASSERT_EQ(tw_->Device().Width(), 1000u);
    struct Case {
        int x, y;
        uint32_t rgb;
    } cases[] = {
        {220, 83, 0xFF0000},  // t 120: entry 0, ScopeColor0
        {350, 70, 0x00FF00},  // t 250: entry 1, ScopeColor1
        {450, 95, 0x808080},  // t 350: a gap, ScopeColor2
        {220, 130, 0xFFFFFF}, // beyond the peaks: background
        {450, 40, 0xFFFFFF},
        {250, 90, 0x0000FF},  // the play cursor, ScopeColor3
        {220, 158, 0xFF0000}, // the timing strip under entry 0
        {350, 158, 0x00FF00},
    };
    for (const Case& c : cases) EXPECT_EQ(Pixel(c.x, c.y), c.rgb) << c.x << "," << c.y;

    // A resize resets the device; the next frame has the new size.
    const int resets = tw_->Device().Resets();
    SetWindowPos(window_, nullptr, 0, 0, 900, 170, SWP_NOZORDER);
    Pump(20);
    EXPECT_GT(tw_->Device().Resets(), resets);
    tw_->Draw();
    EXPECT_EQ(tw_->Device().Width(), 900u);
    EXPECT_EQ(Pixel(220, 83), 0xFF0000u);
    EXPECT_EQ(tw_->LostFrames(), tw_->Recoveries());
}

// Pixels of one RGB colour in rows y0 .. y1 − 1: how many, and the leftmost
// and rightmost column.
struct ColourSpan {
    int count = 0, left = 1 << 30, right = -1;
};

TEST_F(TimelineWindowTest, preview_draws_the_current_line_below_the_timeline_when_tall_enough) {
    doc_->ClearSyncDocument();
    test::Load(*doc_, u"WWWW|MMMM\rnext", {{100, 200}, {200, 300}, {400, 500}});
    PreviewStyle style;
    style.face = u"Arial";
    style.weight = 700;
    style.textColor[0] = 0x00FFFF;     // unsung: yellow
    style.textColor[1] = 0xFF00FF;     // sung: magenta
    style.outlineColor[0] = 0x404000;  // unsung outline: dark cyan
    style.outlineColor[1] = 0x000080;  // sung outline: dark red
    LinePreview preview(*doc_);
    preview.SetStyle(style);
    tw_->SetPreview(&preview);
    auto span = [&](uint32_t rgb, int y0, int y1) {
        ColourSpan s;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < int(tw_->Device().Width()); ++x)
                if (Pixel(x, y) == rgb) ++s.count, s.left = std::min(s.left, x), s.right = std::max(s.right, x);
        return s;
    };

    // 167 pixels high: no room for the preview, nothing is drawn.
    SetWindowPos(window_, nullptr, 0, 0, 1000, 167, SWP_NOZORDER);
    Pump(20);
    tw_->UpdatePosition(TicksToMedia(250));
    EXPECT_EQ(preview.DrawnFrames(), 0);
    EXPECT_EQ(span(0xFF00FF, 0, 167).count, 0);

    // Taller: at 250 the first segment is sung and the second half-way.
    SetWindowPos(window_, nullptr, 0, 0, 1000, 240, SWP_NOZORDER);
    Pump(20);
    tw_->UpdatePosition(TicksToMedia(250));
    ASSERT_EQ(tw_->Device().Height(), 240u);
    ASSERT_GT(preview.DrawnFrames(), 0);
    const ColourSpan sung = span(0xFF00FF, 167, 240), unsung = span(0xFFFF00, 167, 240);
    EXPECT_GT(sung.count, 50);
    EXPECT_GT(unsung.count, 50);
    EXPECT_LT(sung.right, unsung.left);
    EXPECT_GT(span(0x800000, 167, 240).count, 0);  // both outlines
    EXPECT_GT(span(0x004040, 167, 240).count, 0);
    EXPECT_EQ(span(0xFF00FF, 0, 167).count, 0);    // nothing above the preview's part
    // Centred: as much room left of the text as right of it, within a glyph's outline.
    const int left = std::min(sung.left, unsung.left), right = std::max(sung.right, unsung.right);
    EXPECT_NEAR(left, 999 - right, 8);
    EXPECT_EQ(Pixel(120, 83), 0xFF0000u);  // the waveform is still there: t 120, entry 0

    // The same line again is not rasterised again; a changed text is, once.
    const int rasterised = preview.Rasterised();
    tw_->UpdatePosition(TicksToMedia(280));
    EXPECT_EQ(preview.Rasterised(), rasterised);
    ASSERT_TRUE(doc_->InsertText(0, u"M", 1));
    tw_->UpdatePosition(TicksToMedia(280));
    tw_->UpdatePosition(TicksToMedia(290));
    EXPECT_EQ(preview.Rasterised(), rasterised + 1);

    // A new style shows on the next frame; while the audio is decoded the
    // position is a percentage and no line is shown.
    style.textColor[1] = 0x00FF00;
    preview.SetStyle(style);
    tw_->UpdatePosition(TicksToMedia(290));
    EXPECT_EQ(span(0xFF00FF, 167, 240).count, 0);
    EXPECT_GT(span(0x00FF00, 167, 240).count, 50);
    tw_->SetGraphMode(kGraphDecoding);
    tw_->UpdatePosition(50);
    EXPECT_EQ(span(0x00FF00, 167, 240).count, 0);
    EXPECT_EQ(span(0xFFFF00, 167, 240).count, 0);
    tw_->SetGraphMode(kGraphReady);
    tw_->UpdatePosition(TicksToMedia(290));

    // A reset for a new size and a lost device both come back with the line.
    SetWindowPos(window_, nullptr, 0, 0, 800, 240, SWP_NOZORDER);
    Pump(20);
    tw_->MarkDeviceLost();
    tw_->Draw();
    Pump(800);
    tw_->Draw();
    EXPECT_EQ(tw_->Device().Width(), 800u);
    EXPECT_GT(span(0x00FF00, 167, 240).count, 50);
    EXPECT_GT(span(0xFFFF00, 167, 240).count, 50);

    tw_->SetPreview(nullptr);
}

TEST_F(TimelineWindowTest, presses_and_the_tap_key_record_live_entries) {
    SetFocus(window_);
    Pump(20);
    tw_->SetPlayState(kStatePlaying);
    tw_->UpdatePosition(TicksToMedia(1000));
    Posted(parent_);
    Send(WM_MOUSEMOVE, 0, 300, 90);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 300, 90);
    Send(WM_LBUTTONUP, 0, 300, 90);
    EXPECT_EQ(GetCapture(), nullptr);
    // Still recording after the release: the position stretches the entry.
    tw_->PostProgress(TicksToMedia(1040));
    Pump(30);
    EXPECT_EQ(test::Timings(*doc_).back(), (std::pair<int32_t, int32_t>{1000, 1040}));
    SendMessageW(window_, WM_KEYDOWN, VK_SPACE, 1);
    tw_->UpdatePosition(TicksToMedia(1090));
    EXPECT_EQ(test::Timings(*doc_), (Entries{{100, 200}, {200, 300}, {400, 500}, {1000, 1040}, {1040, 1090}}));
    // A press again: the running entry ends where the new one starts.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 300, 90);
    Send(WM_LBUTTONUP, 0, 300, 90);
    tw_->UpdatePosition(TicksToMedia(1130));
    EXPECT_EQ(test::Timings(*doc_),
              (Entries{{100, 200}, {200, 300}, {400, 500}, {1000, 1040}, {1040, 1090}, {1090, 1130}}));
    std::vector<MSG> posted = Posted(parent_);
    EXPECT_TRUE(HasPosted(posted, kMsgTimingApplied, 1));
    EXPECT_EQ(posted.size(), 3u);
}

TEST_F(TimelineWindowTest, device_lost_on_another_thread_recovers_on_the_window_thread) {
    const int recoveries = tw_->Recoveries();
    tw_->MarkDeviceLost();
    // A streaming thread's draw finds the device lost: the recovery timer
    // must start on the window's thread, where its ticks arrive.
    test::TestThread streaming([&] { tw_->UpdatePosition(TicksToMedia(200)); });
    ASSERT_TRUE(streaming.Join(10000));
    Pump(800);
    EXPECT_EQ(tw_->Recoveries(), recoveries + 1);
    tw_->Device().KeepBackBuffer(true);
    tw_->Draw();
    EXPECT_EQ(Pixel(170, 83), 0xFF0000u);  // t 120 at position 200: entry 0
}

TEST_F(TimelineWindowTest, step_button_release_during_playback_does_not_deadlock) {
    Watchdog watchdog;
    SetFocus(window_);
    tw_->SetPlayState(kStatePlaying);
    tw_->UpdatePosition(TicksToMedia(1000));
    // The streaming thread keeps reporting positions meanwhile, drawing
    // under the lock each time.
    std::atomic<bool> stop{false};
    test::TestThread streaming([&] {
        while (!stop.load()) {
            tw_->UpdatePosition(TicksToMedia(1000));
            Sleep(2);
        }
    });
    const int x = StepForwardColumns(1000).left + 3;
    for (int round = 0; round < 3; ++round) {
        Send(WM_MOUSEMOVE, 0, x, 5);
        Send(WM_LBUTTONDOWN, MK_LBUTTON, x, 5);
        EXPECT_TRUE(tw_->Input().NudgeRunning());
        Pump(80);
        Send(WM_LBUTTONUP, 0, x, 5);
        EXPECT_FALSE(tw_->Input().NudgeRunning());
    }
    std::vector<MSG> posted = Posted(parent_);
    EXPECT_TRUE(HasPosted(posted, kMsgSeek, kSeekPauseForStep));
    EXPECT_TRUE(HasPosted(posted, kMsgSeek, kSeekStepEnded));
    // Destroyed while a step button is held: the nudge stops first.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, x, 5);
    stop = true;
    ASSERT_TRUE(streaming.Join(10000));
    DestroyWindow(window_);
    EXPECT_FALSE(tw_->Input().NudgeRunning());
    EXPECT_FALSE(tw_->Device().HasDevice());
}

}  // namespace
}  // namespace mr::timeline
