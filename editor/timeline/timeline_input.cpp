#include "editor/timeline/timeline_input.h"

#include <algorithm>

#include "common/lock.h"
#include "editor/store/sync_document.h"

namespace mr::timeline {

namespace {

// Drags may run anywhere left or right of the waveform; the store takes any
// 32-bit time, so only the 64-bit sum is narrowed.
int32_t NarrowTime(int64_t t) {
    return static_cast<int32_t>(std::clamp<int64_t>(t, -int64_t{kLastTick}, kLastTick));
}

bool StepHeld(Hover h) { return h == Hover::BackPressed || h == Hover::ForwardPressed; }

}  // namespace

void TimelineActions::Merge(const TimelineActions& o) {
    for (int i = 0; i < o.messageCount; ++i) Post(o.messages[i].message, o.messages[i].wParam, o.messages[i].lParam);
    redraw |= o.redraw;
    takeFocus |= o.takeFocus;
    takeCapture |= o.takeCapture;
    releaseCapture |= o.releaseCapture;
    trackMouseLeave |= o.trackMouseLeave;
    if (o.startNudge != 0) startNudge = o.startNudge;
    joinNudge |= o.joinNudge;
}

TimelineInput::TimelineInput(SyncDocument& doc) : doc_(doc) {}

// --- Position and modes.

TimelineActions TimelineInput::UpdatePosition(int64_t value) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    if (s_.graphMode == kGraphDecoding || s_.graphMode == kGraphDecoded) {
        s_.position = static_cast<int32_t>(std::clamp<int64_t>(value, 0, 100));
    } else {
        s_.position = MediaToTicks(value);
        if (s_.Playing() && s_.viewMode == kLyricsView) {
            if (s_.recording)
                doc_.ExtendLiveTiming(s_.position);
            else
                OfferLiveInsert();
        }
    }
    a.redraw = true;
    return a;
}

TimelineActions TimelineInput::SetGraphMode(int mode) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    s_.graphMode = mode;
    wheel_.Reset();
    s_.position = 0;
    s_.recording = false;
    if (mode != kGraphReady) {
        StopNudge(a);
        s_.toolMask = 0;
        s_.tool = 0;
    }
    a.redraw = true;
    return a;
}

TimelineActions TimelineInput::SetPlayState(int state) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    s_.recording = false;
    s_.playState = state;
    if (state == kStateStopped) s_.position = 0;
    // The tools offered while playing differ from those offered at rest.
    if (s_.captureMode == kCaptureNone && s_.mouseX >= 0) Rehover(s_.mouseX, s_.mouseY, a);
    a.redraw = true;
    return a;
}

TimelineActions TimelineInput::MarkSuggested(int32_t first, int32_t end) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    s_.suggestedFirst = std::max(first, 0);
    s_.suggestedEnd = std::max(end, s_.suggestedFirst);
    a.redraw = true;
    return a;
}

TimelineActions TimelineInput::SetViewMode(int mode) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    s_.viewMode = mode;
    wheel_.Reset();
    s_.recording = false;
    if (s_.captureMode == kCaptureNone && s_.mouseX >= 0) Rehover(s_.mouseX, s_.mouseY, a);
    a.redraw = true;
    return a;
}

TimelineActions TimelineInput::SetWaveform(const int8_t* pairs, int32_t ticks) {
    LockGuard lock(doc_.DocumentLock());
    s_.peaks = ticks > 0 ? pairs : nullptr;
    s_.duration = s_.peaks ? ticks : 0;
    TimelineActions a;
    a.redraw = true;
    return a;
}

void TimelineInput::SetSize(int32_t width, int32_t height) {
    LockGuard lock(doc_.DocumentLock());
    s_.width = std::max(width, 0);
    s_.height = std::max(height, 0);
}

int64_t TimelineInput::GetStartTime() {
    LockGuard lock(doc_.DocumentLock());
    int32_t t = s_.position;
    if (s_.hover == Hover::DraggingSlider && s_.sliderValue >= 0)
        t = SliderTime(s_.sliderValue, s_.duration);
    else if (s_.tool == kToolJumpHere && s_.mouseX >= 0)
        t = ClampToDuration(TimeAt(s_.position, s_.mouseX), s_.duration);
    return TicksToMedia(t);
}

bool TimelineInput::IsTimeVisible(int64_t t) {
    LockGuard lock(doc_.DocumentLock());
    return timeline::IsTimeVisible(t, s_.position, s_.duration, s_.width);
}

// --- Hover and tools.

void TimelineInput::OfferLiveInsert() {
    bool offer = s_.MouseInEditingArea() && doc_.CanInsertTiming(s_.position);
    s_.toolMask = offer ? uint32_t{kToolInsert} : 0u;
    s_.tool = s_.toolMask;
}

void TimelineInput::Rehover(int32_t x, int32_t y, TimelineActions& a) {
    if (!s_.Ready() || s_.captureMode != kCaptureNone) return;
    if (!s_.trackingLeave) {
        s_.trackingLeave = true;
        a.trackMouseLeave = true;
    }
    s_.hover = TopStripHover(x, y, s_.width);
    s_.toolMask = 0;
    s_.tool = 0;
    if (InEditingArea(y)) {
        if (s_.Playing()) {
            if (s_.viewMode == kLyricsView && !s_.recording) OfferLiveInsert();
            if (s_.recording) s_.toolMask = s_.tool = kToolInsert;
        } else {
            int64_t t = TimeAt(s_.position, x);
            if (InDuration(t, s_.duration)) {
                int32_t t32 = static_cast<int32_t>(t);
                if (s_.viewMode == kLyricsView)
                    s_.toolMask = uint32_t{kToolJumpHere} | doc_.ToolsAt(t32);
                else if (s_.viewMode == kPictureView)
                    s_.toolMask = uint32_t{kToolJumpHere} | (doc_.CanAdjustPictureAt(t32) ? uint32_t{kToolAdjust} : 0u);
                s_.tool = ToolOfBand(BandAt(y), s_.toolMask, s_.viewMode);
            }
        }
    }
    if (!s_.Playing()) a.redraw = true;
}

bool TimelineInput::ApplyTool(uint32_t tool, int32_t t) {
    if (s_.viewMode == kPictureView) return tool == kToolAdjust && doc_.BeginPictureAdjust(t);
    // Editing the timing by hand ends the suggestions' own colour.
    s_.suggestedFirst = s_.suggestedEnd = 0;
    switch (tool) {
    case kToolInsert: return doc_.InsertTiming(t);
    case kToolRemove: return doc_.RemoveTiming(t);
    case kToolCombine: return doc_.CombineTiming(t);
    case kToolSplit: return doc_.SplitTiming(t);
    case kToolAdjust: return doc_.BeginAdjust(t);
    case kToolMove: return doc_.BeginMove(t);
    case kToolMoveFollowing: return doc_.BeginMoveFollowing(t);
    default: return false;
    }
}

void TimelineInput::LiveTap(TimelineActions& a) {
    int32_t t = s_.position;
    s_.suggestedFirst = s_.suggestedEnd = 0;
    // The tap closes the running entry at the tap time ...
    if (s_.recording) {
        doc_.ExtendLiveTiming(t);
        s_.recording = false;
    }
    // ... and opens the next one there.
    int32_t index = -1;
    bool ok = doc_.CanInsertTiming(t) && doc_.StartLiveTiming(t, &index);
    if (ok) {
        s_.recording = true;
        s_.recordIndex = index;
    }
    a.Post(kMsgTimingApplied, ok ? 1 : 0, ok ? index : -1);
}

void TimelineInput::StopNudge(TimelineActions& a) {
    if (nudgeRun_.exchange(0) != 0) a.joinNudge = true;
}

// --- Mouse.

TimelineActions TimelineInput::MouseMove(int32_t x, int32_t y, uint32_t keys) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    s_.mouseX = x;
    s_.mouseY = y;
    if (s_.captureMode == kCaptureNone) {
        Rehover(x, y, a);
    } else if (s_.captureMode == kCaptureEdit && (keys & kKeyLeft) && !s_.Playing() && s_.pressButton == 1) {
        int32_t t = NarrowTime(TimeAt(s_.position, x));
        if (s_.tool == kToolAdjust)
            s_.viewMode == kPictureView ? doc_.DragPictureAdjust(t) : doc_.DragAdjust(t);
        else if (s_.tool == kToolMove && s_.viewMode == kLyricsView)
            doc_.DragMove(t);
        else if (s_.tool == kToolMoveFollowing && s_.viewMode == kLyricsView)
            doc_.DragMoveFollowing(t);
        a.redraw = true;
    } else if (s_.captureMode == kCaptureStrip && s_.hover == Hover::DraggingSlider) {
        s_.sliderValue = SliderValueAt(std::min(x, s_.width - 92), s_.width);
        a.redraw = true;
    }
    return a;
}

TimelineActions TimelineInput::LeftDown(int32_t x, int32_t y, uint32_t keys) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    if (!s_.Ready()) return a;
    if ((keys & (kAnyButton | kKeyShift)) != kKeyLeft) return a;
    s_.mouseX = x;
    s_.mouseY = y;
    if (!s_.focus) {
        a.takeFocus = true;
        return a;
    }
    if (s_.captureMode != kCaptureNone) return a;
    // The tool under the press, as the hover offered it.
    Rehover(x, y, a);
    a.takeCapture = true;
    a.trackMouseLeave = false;
    s_.trackingLeave = false;  // the capture cancels the tracking
    s_.pressButton = 1;
    if (InTopStrip(y)) {
        s_.captureMode = kCaptureStrip;
        timeline::Hover h = TopStripHover(x, y, s_.width);
        if (h == Hover::OverBack || h == Hover::OverForward) {
            s_.hover = h == Hover::OverBack ? Hover::BackPressed : Hover::ForwardPressed;
            s_.nudgeDirection = h == Hover::OverBack ? -1 : 1;
            a.Post(kMsgSeek, kSeekPauseForStep, -1);
            steps_ = NudgeSteps();
            nudgeRun_.store(1);
            a.startNudge = s_.nudgeDirection;
        } else if (h == Hover::OverSlider) {
            s_.hover = Hover::DraggingSlider;
            s_.sliderValue = SliderValueAt(x, s_.width);
        }
    } else if (InEditingArea(y)) {
        s_.captureMode = kCaptureEdit;
        int64_t t = TimeAt(s_.position, x);
        s_.pressTime = NarrowTime(t);
        if (!s_.Playing()) {
            if (s_.tool == kToolJumpHere) {
                s_.position = ClampToDuration(t, s_.duration);
                a.Post(kMsgSeek, kSeekMove, -1);
            } else if (s_.tool != 0) {
                bool ok = ApplyTool(s_.tool, s_.pressTime);
                a.Post(kMsgTimingApplied, ok ? 1 : 0, -1);
            }
        } else if (s_.tool == kToolInsert && s_.viewMode == kLyricsView) {
            LiveTap(a);
        }
    }
    a.redraw = !s_.Playing() && !StepHeld(s_.hover);
    return a;
}

TimelineActions TimelineInput::LeftUp(int32_t x, int32_t y) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    s_.mouseX = x;
    s_.mouseY = y;
    if (s_.captureMode == kCaptureNone || s_.pressButton != 1) return a;
    if (s_.captureMode == kCaptureStrip) {
        if (StepHeld(s_.hover)) {
            StopNudge(a);
            a.Post(kMsgSeek, kSeekStepEnded, -1);
        } else {
            if (s_.hover == Hover::DraggingSlider) s_.position = SliderTime(s_.sliderValue, s_.duration);
            a.Post(kMsgSeek, kSeekMove, -1);
        }
        s_.hover = Hover::None;
        s_.sliderValue = -1;
    }
    // A drag of Adjust, Move or Move ++ simply ends here; during playback
    // the live entry keeps recording. The capture mode is left before the
    // capture is released, so the capture-changed that the release raises
    // is not taken for a lost capture (which stops recording).
    s_.captureMode = kCaptureNone;
    s_.pressButton = 0;
    a.releaseCapture = true;
    Rehover(x, y, a);
    if (!s_.Playing()) a.redraw = true;
    return a;
}

TimelineActions TimelineInput::RightDown(int32_t x, int32_t y, uint32_t keys) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    if (!s_.Ready()) return a;
    if ((keys & (kAnyButton | kKeyShift | kKeyControl)) != kKeyRight) return a;
    if (s_.captureMode != kCaptureNone) return a;
    s_.mouseX = x;
    s_.mouseY = y;
    if (!s_.focus) a.takeFocus = true;
    a.takeCapture = true;
    s_.trackingLeave = false;
    s_.pressButton = 2;
    s_.captureMode = kCaptureStrip;
    if (InEditingArea(y) && s_.Playing() && s_.recording) {
        // Only ends the recording; no play/pause toggle follows.
        s_.recording = false;
        s_.captureMode = kCaptureEdit;
    } else {
        s_.toolMask = 0;
        s_.tool = 0;
    }
    if (s_.captureMode == kCaptureStrip) {
        a.Post(kMsgTogglePlay, 0, 0);
        if (!s_.Playing()) a.redraw = true;
    }
    return a;
}

TimelineActions TimelineInput::RightUp() {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    if (s_.captureMode == kCaptureNone || s_.pressButton != 2) return a;
    s_.captureMode = kCaptureNone;
    s_.pressButton = 0;
    a.releaseCapture = true;
    return a;
}

TimelineActions TimelineInput::CaptureLost() {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    if (s_.captureMode == kCaptureNone) return a;
    bool stepping = StepHeld(s_.hover);
    StopNudge(a);
    // The frame paused for the stepping and waits to hear that it ended.
    if (stepping) a.Post(kMsgSeek, kSeekStepEnded, -1);
    if (stepping || s_.hover == Hover::DraggingSlider) s_.hover = Hover::None;
    s_.sliderValue = -1;
    if (s_.captureMode == kCaptureEdit) s_.recording = false;
    s_.captureMode = kCaptureNone;
    s_.pressButton = 0;
    if (!s_.Playing()) a.redraw = true;
    return a;
}

TimelineActions TimelineInput::MouseLeave() {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    s_.trackingLeave = false;
    s_.mouseX = -1;
    s_.mouseY = -1;
    if (s_.captureMode == kCaptureNone) s_.hover = Hover::None;
    s_.toolMask = 0;
    s_.tool = 0;
    if (s_.Ready() && !s_.Playing()) a.redraw = true;
    return a;
}

// --- Wheel.

bool TimelineInput::WheelEntries(int32_t notches, int32_t* index) {
    // Entry starts of the view: timing entries, or picture starts.
    const bool pictures = s_.viewMode == kPictureView;
    int32_t count = pictures ? doc_.PictureCount() : doc_.TimingCount();
    if (count <= 0) return false;
    auto startOf = [&](int32_t i) -> int64_t {
        if (pictures) return doc_.PictureStartTime(i);
        int32_t st = 0, en = 0;
        doc_.GetTiming(i, &st, &en);
        return st;
    };
    // i: the entry holding the position, or the first one after it (−1: none).
    int32_t i = -1;
    bool inside = false;
    if (pictures) {
        i = doc_.FindPictureAt(s_.position);
        inside = i >= 0;
    } else {
        inside = doc_.FindTiming(s_.position, &i);
    }
    const int64_t pos = s_.position;
    int64_t target = 0;
    if (notches < 0) {
        // Down: past the last entry there is nothing further to go to.
        if (!inside && i < 0) return false;
        int64_t n = -int64_t{notches};
        target = inside ? i + n : i + n - 1;
        target = std::min<int64_t>(target, count - 1);
        if (startOf(static_cast<int32_t>(target)) <= pos) return false;
    } else {
        int64_t n = notches;
        if (inside)
            target = startOf(i) < pos ? i - (n - 1) : i - n;
        else
            target = (i < 0 ? count : i) - n;
        target = std::max<int64_t>(target, 0);
        if (startOf(static_cast<int32_t>(target)) >= pos) return false;
    }
    *index = static_cast<int32_t>(target);
    return true;
}

TimelineActions TimelineInput::Wheel(int32_t delta, int32_t x, int32_t y, uint32_t keys) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    if (s_.Playing() || !s_.Ready() || (keys & kAnyButton) || s_.captureMode != kCaptureNone) return a;
    if (x < 0 || !InEditingArea(y)) return a;
    if (s_.viewMode != kLyricsView && s_.viewMode != kPictureView) return a;
    int32_t notches = wheel_.Add(delta);
    if (notches == 0) return a;
    int32_t index = -1;
    int32_t next = s_.position;
    if (keys & kKeyShift) {
        next = ClampToDuration(int64_t{s_.position} - notches, s_.duration);
    } else if (WheelEntries(notches, &index)) {
        int64_t start = s_.viewMode == kPictureView ? doc_.PictureStartTime(index) : 0;
        if (s_.viewMode == kLyricsView) {
            int32_t st = 0, en = 0;
            doc_.GetTiming(index, &st, &en);
            start = st;
        }
        next = ClampToDuration(start, s_.duration);
    }
    if (next == s_.position) return a;
    s_.position = next;
    a.Post(kMsgSeek, kSeekMove, index);
    s_.mouseX = x;
    s_.mouseY = y;
    Rehover(x, y, a);
    a.redraw = true;
    return a;
}

// --- Focus and keys.

TimelineActions TimelineInput::Focus(bool gained) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    s_.focus = gained;
    a.Post(kMsgCommand, (int64_t{gained ? kFocusGained : kFocusLost} << 16) | kControlId, 0);
    if (!s_.Playing()) a.redraw = true;
    return a;
}

TimelineActions TimelineInput::KeyDown(uint32_t virtualKey, bool repeat) {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    if (virtualKey != kVkSpace && virtualKey != kVkReturn) return a;
    // One tap per stroke: the auto-repeat of a held key taps nothing.
    if (repeat || !s_.focus || !s_.Ready() || !s_.Playing() || s_.viewMode != kLyricsView) return a;
    LiveTap(a);
    return a;
}

TimelineActions TimelineInput::Shutdown() {
    LockGuard lock(doc_.DocumentLock());
    TimelineActions a;
    StopNudge(a);
    s_.recording = false;
    s_.captureMode = kCaptureNone;
    s_.pressButton = 0;
    s_.hover = Hover::None;
    return a;
}

bool TimelineInput::NudgeStep(TimelineActions* actions) {
    LockGuard lock(doc_.DocumentLock());
    if (nudgeRun_.load() == 0) return false;
    int32_t next = NudgePosition(s_.position, s_.nudgeDirection, steps_.Next(), s_.duration);
    actions->Merge(UpdatePosition(TicksToMedia(next)));
    return true;
}

}  // namespace mr::timeline
