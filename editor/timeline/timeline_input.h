#pragma once
// TimelineInput: the timeline window's state and its reaction to every
// mouse, wheel, key, focus and position event, without any window behind it.
// Each handler takes the document lock of SyncDocument for its whole run,
// drives the store's timing operations (tools, live timing) and returns
// TimelineActions: what the window layer does once the lock is released —
// post messages to the main frame, take or release the mouse capture, start
// the nudge thread or wait for it to end, redraw.
//
// Two rules keep the threads apart. Messages to the frame are only collected
// here and posted after the lock is released: the frame pauses or seeks the
// graph in answer, and the graph's threads wait for the document lock. And a
// handler that ends the nudge only clears its run flag; the waiting for the
// thread happens outside the lock, since each nudge step takes the lock.
//
// Times are ticks (10 ms); media times 100-ns units; coordinates client
// pixels.

#include <atomic>
#include <cstdint>

#include "editor/timeline/timeline_geometry.h"

namespace mr {
class SyncDocument;
}

namespace mr::timeline {

// Messages to the main frame, and the window's control identifier.
inline constexpr uint32_t kMsgSeek = 1043;         // w: 1 move views, 2 pause for stepping, 3 stepping ended
inline constexpr uint32_t kMsgTogglePlay = 1044;
inline constexpr uint32_t kMsgTimingApplied = 1045;  // w: result, l: entry index to show or −1
inline constexpr uint32_t kSeekMove = 1;
inline constexpr uint32_t kSeekPauseForStep = 2;
inline constexpr uint32_t kSeekStepEnded = 3;
inline constexpr uint32_t kControlId = 1005;
// The frame's command message (WM_COMMAND) with high word 0x100 (focus gained)
// or 0x200 (lost) and the control identifier in the low word.
inline constexpr uint32_t kMsgCommand = 0x0111;
inline constexpr uint32_t kFocusGained = 0x100;
inline constexpr uint32_t kFocusLost = 0x200;

// Mouse key flags, the values of the window messages' key state.
inline constexpr uint32_t kKeyLeft = 0x0001;
inline constexpr uint32_t kKeyRight = 0x0002;
inline constexpr uint32_t kKeyShift = 0x0004;
inline constexpr uint32_t kKeyControl = 0x0008;
inline constexpr uint32_t kKeyMiddle = 0x0010;
inline constexpr uint32_t kKeyX1 = 0x0020;
inline constexpr uint32_t kKeyX2 = 0x0040;
inline constexpr uint32_t kAnyButton = kKeyLeft | kKeyRight | kKeyMiddle | kKeyX1 | kKeyX2;

// The tap keys: Space and Enter (virtual-key codes).
inline constexpr uint32_t kVkReturn = 0x0D;
inline constexpr uint32_t kVkSpace = 0x20;

// Capture modes.
inline constexpr int kCaptureNone = -1;
inline constexpr int kCaptureStrip = 1;  // top strip or right button
inline constexpr int kCaptureEdit = 2;   // editing area

struct FrameMessage {
    uint32_t message;
    int64_t wParam;
    int64_t lParam;  // for kMsgCommand the window layer passes its own handle
};

struct TimelineActions {
    static constexpr int kMaxMessages = 4;
    FrameMessage messages[kMaxMessages];
    int messageCount = 0;
    bool redraw = false;
    bool takeFocus = false;
    bool takeCapture = false;
    bool releaseCapture = false;
    bool trackMouseLeave = false;
    // The nudge thread: start it in this direction (−1 back, +1 forward), or
    // wait for it to end (its run flag is already cleared).
    int startNudge = 0;
    bool joinNudge = false;

    void Post(uint32_t message, int64_t w, int64_t l) {
        if (messageCount < kMaxMessages) messages[messageCount++] = {message, w, l};
    }
    // Adds what `other` asks for.
    void Merge(const TimelineActions& other);
};

// The window's state. Read it under the document lock.
struct TimelineState {
    int32_t width = 204;
    int32_t height = 20;
    int graphMode = kGraphNone;
    int playState = kStateStopped;
    int viewMode = kLyricsView;
    // Play position in ticks; in graph modes 1 and 2 the decode percentage.
    int32_t position = 0;
    int32_t duration = 0;  // ticks = number of peak pairs
    const int8_t* peaks = nullptr;  // (maximum, minimum) per tick, not owned
    int32_t mouseX = -1;
    int32_t mouseY = -1;
    bool focus = false;
    bool trackingLeave = false;
    int captureMode = kCaptureNone;
    Hover hover = Hover::None;
    int32_t sliderValue = -1;  // 0 … 200 while dragging
    uint32_t toolMask = 0;
    uint32_t tool = 0;
    int32_t pressTime = 0;
    bool recording = false;
    int32_t recordIndex = -1;
    int nudgeDirection = 0;
    int pressButton = 0;  // 1 left, 2 right: the press that holds the capture
    // Timing entries [suggestedFirst, suggestedEnd) came from Suggest Timing
    // and have not been touched since: drawn in their own colour.
    int32_t suggestedFirst = 0;
    int32_t suggestedEnd = 0;

    bool Ready() const { return graphMode == kGraphReady; }
    bool Playing() const { return playState == kStatePlaying; }
    bool MouseInEditingArea() const { return mouseX >= 0 && InEditingArea(mouseY); }
};

class TimelineInput {
public:
    explicit TimelineInput(SyncDocument& doc);
    TimelineInput(const TimelineInput&) = delete;
    TimelineInput& operator=(const TimelineInput&) = delete;

    SyncDocument& Document() { return doc_; }
    // The state; the caller holds the document lock while reading it.
    const TimelineState& State() const { return s_; }

    // --- Calls of the frame, the graph and the window layer.

    // A position from the graph, the command layer or the nudge: in graph
    // modes 1 and 2 the decode percentage, otherwise a media time. While
    // playing in the lyrics view the live entry follows it, or, with nothing
    // recorded, the Insert tool is offered when it applies. Always redraws.
    TimelineActions UpdatePosition(int64_t value);
    TimelineActions SetGraphMode(int mode);
    TimelineActions SetPlayState(int state);
    TimelineActions SetViewMode(int mode);
    // Entries [first, end) were just suggested; (0, 0) clears the marking,
    // as does any timing edit made on the timeline.
    TimelineActions MarkSuggested(int32_t first, int32_t end);
    // The waveform: `pairs` (maximum, minimum) per tick, `ticks` of them;
    // the buffer stays the caller's and must outlive its use here.
    TimelineActions SetWaveform(const int8_t* pairs, int32_t ticks);
    void SetSize(int32_t width, int32_t height);
    // Media time at which Play starts.
    int64_t GetStartTime();
    bool IsTimeVisible(int64_t t);

    // --- Window events (x, y client pixels; keys the kKey flags).

    TimelineActions MouseMove(int32_t x, int32_t y, uint32_t keys);
    TimelineActions LeftDown(int32_t x, int32_t y, uint32_t keys);
    TimelineActions LeftUp(int32_t x, int32_t y);
    TimelineActions RightDown(int32_t x, int32_t y, uint32_t keys);
    TimelineActions RightUp();
    TimelineActions CaptureLost();
    TimelineActions MouseLeave();
    // delta in wheel units (120 a notch, positive away from the user); x and
    // y in client pixels.
    TimelineActions Wheel(int32_t delta, int32_t x, int32_t y, uint32_t keys);
    TimelineActions Focus(bool gained);
    // A key press; `repeat` for the auto-repeats of a held key. Space and
    // Enter while playing tap as the Insert tool does at the play position.
    TimelineActions KeyDown(uint32_t virtualKey, bool repeat);
    // Destruction: stops live recording and the nudge (wait for the thread
    // after the call).
    TimelineActions Shutdown();

    // --- The nudge thread.

    // One step of the nudge, under the lock: false (and no change) once the
    // run flag is cleared; otherwise moves the position and redraws.
    bool NudgeStep(TimelineActions* actions);
    bool NudgeRunning() const { return nudgeRun_.load() != 0; }

private:
    // Recomputes the top-strip hover state and the tools at (x, y).
    void Rehover(int32_t x, int32_t y, TimelineActions& a);
    void OfferLiveInsert();
    void StopNudge(TimelineActions& a);
    void LiveTap(TimelineActions& a);
    bool ApplyTool(uint32_t tool, int32_t t);
    bool WheelEntries(int32_t notches, int32_t* index);

    SyncDocument& doc_;
    TimelineState s_;
    WheelAccumulator wheel_;
    NudgeSteps steps_;
    std::atomic<int> nudgeRun_{0};
};

}  // namespace mr::timeline
