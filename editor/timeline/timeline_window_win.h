#pragma once
// TimelineWindow: the MRScopeWnd child window of the main frame (control
// 1005). It turns window messages into calls of TimelineInput, carries out
// the actions those return once the document lock is free (messages posted
// to the frame, capture, focus, mouse-leave tracking, the nudge thread,
// drawing), and owns the Direct3D device. Windows layer; the arithmetic and
// the rules live in the portable TimelineInput and TimelineScene.
//
// Threads: window messages on the window's thread; UpdatePosition from any
// thread (it takes the document lock and draws); PostProgress from the
// graph's streaming threads (never blocks: the value is handed to the
// window's thread); the nudge thread steps and draws under the lock. A draw
// that finds the device lost asks the window's thread for the 300 ms
// recovery timer, since a timer belongs to the thread of its window.

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "editor/timeline/timeline_device_win.h"
#include "editor/timeline/timeline_input.h"
#include "editor/timeline/timeline_scene.h"

namespace mr {
class SyncDocument;
}

namespace mr::timeline {

inline constexpr wchar_t kScopeClassName[] = L"MRScopeWnd";

class TimelineWindow {
public:
    explicit TimelineWindow(SyncDocument& doc);
    ~TimelineWindow();
    TimelineWindow(const TimelineWindow&) = delete;
    TimelineWindow& operator=(const TimelineWindow&) = delete;

    // Registers the window class MRScopeWnd whose procedure forwards to the
    // TimelineWindow passed at creation (white background, arrow cursor).
    static bool RegisterWindowClass(HINSTANCE instance);
    // Creates the child window (204 × 20, visible, clipping siblings and
    // children) and its device. Null on failure.
    HWND Create(HWND parent, HINSTANCE instance);
    // For a frame that creates the window with a procedure of its own: take
    // over `window` and have the procedure call HandleMessage.
    void Attach(HWND window);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wp, LPARAM lp);
    HWND Window() const { return window_; }

    // --- Operations of the frame and the graph.

    // Media time (100 ns) or, while decoding, percent. Any thread.
    void UpdatePosition(int64_t value);
    // The same from a streaming thread that must not wait: handed to the
    // window's thread, where only the latest value counts.
    void PostProgress(int64_t value);
    void SetGraphMode(int mode);
    void SetPlayState(int state);
    void SetViewMode(int mode);
    void MarkSuggested(int32_t first, int32_t end) { Perform(input_.MarkSuggested(first, end)); }
    void SetWaveform(const int8_t* pairs, int32_t ticks);
    // The four "ScopeColor" settings (COLORREF).
    void SetColors(const uint32_t (&colorref)[4]);
    // The preview drawn inside every frame (not owned; null: none). Any
    // thread; the preview must outlive the window or be taken out first.
    void SetPreview(TimelinePreview* preview);
    int64_t GetStartTime() { return input_.GetStartTime(); }
    bool IsTimeVisible(int64_t t) { return input_.IsTimeVisible(t); }
    // Draws now when the device is ready (under the document lock).
    void Draw();

    TimelineInput& Input() { return input_; }
    TimelineDevice& Device() { return device_; }
    // Draws that ended in a lost device, and recoveries since creation.
    int LostFrames() const { return lostFrames_.load(); }
    int Recoveries() const { return recoveries_.load(); }
    // Tests: as if Present had just reported a lost device.
    void MarkDeviceLost();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wp, LPARAM lp);
    static DWORD WINAPI NudgeMain(void* self);
    void Perform(const TimelineActions& a);
    void StartNudge();
    void JoinNudge();
    void RequestRecovery();
    void OnRecoveryTimer();
    void OnSize();
    void OnDestroy();

    SyncDocument& doc_;
    TimelineInput input_;
    TimelineScene scene_;
    TimelineDevice device_;
    SceneColors colors_;
    TimelinePreview* preview_ = nullptr;
    HWND window_ = nullptr;
    DWORD windowThread_ = 0;
    // Guarded by the document lock.
    bool ready_ = false;
    bool deviceLost_ = false;
    bool timerOn_ = false;
    HANDLE nudgeThread_ = nullptr;
    HANDLE nudgeWake_ = nullptr;
    std::atomic<int64_t> progress_{0};
    std::atomic<bool> progressPending_{false};
    std::atomic<bool> recoveryPending_{false};
    std::atomic<int> lostFrames_{0};
    std::atomic<int> recoveries_{0};
};

}  // namespace mr::timeline
