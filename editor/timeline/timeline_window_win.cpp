#include "editor/timeline/timeline_window_win.h"

#include <windowsx.h>

#include "common/lock.h"
#include "editor/store/sync_document.h"

namespace mr::timeline {

namespace {

// Private messages to the window's own thread.
constexpr UINT kMsgProgress = WM_APP + 0x10;  // the latest streaming position
constexpr UINT kMsgRecover = WM_APP + 0x11;   // a draw elsewhere found the device lost
constexpr UINT_PTR kRecoveryTimer = 1;
constexpr UINT kRecoveryMs = 300;

}  // namespace

TimelineWindow::TimelineWindow(SyncDocument& doc) : doc_(doc), input_(doc) {
    nudgeWake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

TimelineWindow::~TimelineWindow() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    OnDestroy();
    if (nudgeWake_) CloseHandle(nudgeWake_);
}

bool TimelineWindow::RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {sizeof wc};
    if (GetClassInfoExW(instance, kScopeClassName, &wc)) return true;
    wc = {sizeof wc};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kScopeClassName;
    return RegisterClassExW(&wc) != 0;
}

HWND TimelineWindow::Create(HWND parent, HINSTANCE instance) {
    if (!RegisterWindowClass(instance)) return nullptr;
    HWND w = CreateWindowExW(0, kScopeClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                             204, 20, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)), instance,
                             this);
    return w;
}

void TimelineWindow::Attach(HWND window) {
    window_ = window;
    windowThread_ = GetWindowThreadProcessId(window, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    RECT rc{};
    GetClientRect(window, &rc);
    input_.SetSize(rc.right, rc.bottom);
    LockGuard lock(doc_.DocumentLock());
    ready_ = device_.Create(window);
}

LRESULT CALLBACK TimelineWindow::Proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* self = static_cast<TimelineWindow*>(cs->lpCreateParams);
        if (self) {
            self->window_ = window;
            self->windowThread_ = GetCurrentThreadId();
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else if (message == WM_CREATE) {
        auto* self = reinterpret_cast<TimelineWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self) self->Attach(window);
        return 0;
    }
    auto* self = reinterpret_cast<TimelineWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wp, lp);
    return self->HandleMessage(window, message, wp, lp);
}

LRESULT TimelineWindow::HandleMessage(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    const uint32_t keys = static_cast<uint32_t>(GET_KEYSTATE_WPARAM(wp));
    switch (message) {
    case WM_PAINT: {
        ValidateRect(window, nullptr);
        bool playing;
        {
            LockGuard lock(doc_.DocumentLock());
            playing = input_.State().Playing();
        }
        if (!playing) Draw();
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED && LOWORD(lp) && HIWORD(lp)) OnSize();
        return 0;
    case WM_SETFOCUS: Perform(input_.Focus(true)); return 0;
    case WM_KILLFOCUS: Perform(input_.Focus(false)); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: Perform(input_.LeftDown(x, y, keys)); return 0;
    case WM_MOUSEMOVE: Perform(input_.MouseMove(x, y, keys)); return 0;
    case WM_LBUTTONUP: Perform(input_.LeftUp(x, y)); return 0;
    case WM_RBUTTONDOWN: Perform(input_.RightDown(x, y, keys)); return 0;
    case WM_RBUTTONUP: Perform(input_.RightUp()); return 0;
    case WM_MOUSEWHEEL: {
        // Wheel coordinates come in screen pixels.
        POINT p{x, y};
        ScreenToClient(window, &p);
        Perform(input_.Wheel(GET_WHEEL_DELTA_WPARAM(wp), p.x, p.y, keys));
        return 0;
    }
    case WM_CAPTURECHANGED: Perform(input_.CaptureLost()); return 0;
    case WM_MOUSELEAVE: Perform(input_.MouseLeave()); return 0;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_KEYDOWN: {
        TimelineActions a = input_.KeyDown(static_cast<uint32_t>(wp), (lp & (1 << 30)) != 0);
        if (a.messageCount > 0) {
            Perform(a);
            return 0;
        }
        break;
    }
    case WM_TIMER:
        if (wp == kRecoveryTimer) OnRecoveryTimer();
        return 0;
    case kMsgProgress:
        progressPending_.store(false);
        UpdatePosition(progress_.load());
        return 0;
    case kMsgRecover:
        recoveryPending_.store(false);
        RequestRecovery();
        return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wp, lp);
}

// --- Actions, always with the document lock free.

void TimelineWindow::Perform(const TimelineActions& a) {
    if (!window_) return;
    HWND parent = GetParent(window_);
    for (int i = 0; i < a.messageCount; ++i) {
        const FrameMessage& m = a.messages[i];
        LPARAM lp = m.message == kMsgCommand ? reinterpret_cast<LPARAM>(window_) : static_cast<LPARAM>(m.lParam);
        if (parent) PostMessageW(parent, m.message, static_cast<WPARAM>(m.wParam), lp);
    }
    if (a.joinNudge) JoinNudge();
    if (a.takeFocus) SetFocus(window_);
    if (a.takeCapture) SetCapture(window_);
    if (a.trackMouseLeave) {
        TRACKMOUSEEVENT t = {sizeof t, TME_LEAVE, window_, 0};
        TrackMouseEvent(&t);
    }
    if (a.startNudge != 0) StartNudge();
    if (a.releaseCapture && GetCapture() == window_) ReleaseCapture();
    if (a.redraw) Draw();
}

void TimelineWindow::UpdatePosition(int64_t value) { Perform(input_.UpdatePosition(value)); }

void TimelineWindow::PostProgress(int64_t value) {
    progress_.store(value);
    if (window_ && !progressPending_.exchange(true)) PostMessageW(window_, kMsgProgress, 0, 0);
}

void TimelineWindow::SetGraphMode(int mode) { Perform(input_.SetGraphMode(mode)); }
void TimelineWindow::SetPlayState(int state) { Perform(input_.SetPlayState(state)); }
void TimelineWindow::SetViewMode(int mode) { Perform(input_.SetViewMode(mode)); }
void TimelineWindow::SetWaveform(const int8_t* pairs, int32_t ticks) { Perform(input_.SetWaveform(pairs, ticks)); }

void TimelineWindow::SetColors(const uint32_t (&colorref)[4]) {
    LockGuard lock(doc_.DocumentLock());
    colors_.entryEven = OpaqueArgb(colorref[0]);
    colors_.entryOdd = OpaqueArgb(colorref[1]);
    colors_.gap = OpaqueArgb(colorref[2]);
    colors_.cursor = OpaqueArgb(colorref[3]);
}

void TimelineWindow::SetPreview(TimelinePreview* preview) {
    LockGuard lock(doc_.DocumentLock());
    preview_ = preview;
    device_.SetPreview(preview);
}

void TimelineWindow::Draw() {
    // Nothing is presented into a window that is not on screen yet: the
    // frame opens a song from its command line before it shows itself, and
    // under Wine a present into the hidden window can hang the first paint.
    // The paint after showing draws the frame.
    if (!window_ || !IsWindowVisible(window_)) return;
    LockGuard lock(doc_.DocumentLock());
    if (!ready_) return;
    if (deviceLost_) {
        RequestRecovery();
        return;
    }
    scene_.Build(doc_, input_.State(), colors_);
    if (device_.Draw(scene_, preview_, &input_.State()) == DrawResult::Lost) {
        deviceLost_ = true;
        ++lostFrames_;
        RequestRecovery();
    }
}

// --- Device loss and size.

void TimelineWindow::MarkDeviceLost() {
    LockGuard lock(doc_.DocumentLock());
    deviceLost_ = true;
}

void TimelineWindow::RequestRecovery() {
    if (!window_) return;
    if (GetCurrentThreadId() != windowThread_) {
        if (!recoveryPending_.exchange(true)) PostMessageW(window_, kMsgRecover, 0, 0);
        return;
    }
    LockGuard lock(doc_.DocumentLock());
    if (!timerOn_ && deviceLost_) timerOn_ = SetTimer(window_, kRecoveryTimer, kRecoveryMs, nullptr) != 0;
}

void TimelineWindow::OnRecoveryTimer() {
    {
        LockGuard lock(doc_.DocumentLock());
        if (!ready_ || !device_.Recover(window_)) return;
        deviceLost_ = false;
        KillTimer(window_, kRecoveryTimer);
        timerOn_ = false;
        ++recoveries_;
    }
    Draw();
}

void TimelineWindow::OnSize() {
    RECT rc{};
    GetClientRect(window_, &rc);
    input_.SetSize(rc.right, rc.bottom);
    {
        LockGuard lock(doc_.DocumentLock());
        if (!device_.HasDevice()) {
            ready_ = device_.Create(window_);
        } else if (device_.AdapterChanged(window_)) {
            ready_ = device_.Create(window_);
            deviceLost_ = false;
        } else if (!device_.Resize(window_)) {
            deviceLost_ = true;
        }
    }
    if (deviceLost_)
        RequestRecovery();
    else
        Draw();
}

void TimelineWindow::OnDestroy() {
    // The nudge thread draws under the lock: stop it first, with the lock
    // free, then forget the device.
    Perform(input_.Shutdown());
    JoinNudge();
    LockGuard lock(doc_.DocumentLock());
    ready_ = false;
    deviceLost_ = false;
    if (timerOn_ && window_) KillTimer(window_, kRecoveryTimer);
    timerOn_ = false;
    device_.Release();
    window_ = nullptr;
}

// --- Nudge thread.

void TimelineWindow::StartNudge() {
    if (nudgeThread_) {
        // A thread still stepping serves the new run as well.
        if (WaitForSingleObject(nudgeThread_, 0) == WAIT_TIMEOUT) return;
        CloseHandle(nudgeThread_);
        nudgeThread_ = nullptr;
    }
    ResetEvent(nudgeWake_);
    nudgeThread_ = CreateThread(nullptr, 0, NudgeMain, this, 0, nullptr);
}

void TimelineWindow::JoinNudge() {
    if (!nudgeThread_) return;
    SetEvent(nudgeWake_);
    WaitForSingleObject(nudgeThread_, INFINITE);
    CloseHandle(nudgeThread_);
    nudgeThread_ = nullptr;
}

DWORD WINAPI TimelineWindow::NudgeMain(void* p) {
    auto* self = static_cast<TimelineWindow*>(p);
    for (;;) {
        TimelineActions a;
        if (!self->input_.NudgeStep(&a)) break;
        if (a.redraw) self->Draw();
        // The wake event cuts the wait short when the stepping ends.
        WaitForSingleObject(self->nudgeWake_, NudgeSteps::kIntervalMs);
    }
    return 0;
}

}  // namespace mr::timeline
