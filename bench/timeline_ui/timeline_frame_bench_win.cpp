// The timeline window's own costs under a real Direct3D device (a Windows
// program, run under Wine by hand):
// - the whole frame during playback (waveform, entries, cursors, strips, top
//   strip, the Insert label at the mouse, the line preview) through
//   TimelineWindow, beside a frame of the same device and size that only
//   clears and presents: CPU time of the process per frame and the ratio; at
//   1000 × 160 (too low for the preview, which then costs nothing) and at
//   1000 × 240 with and without the preview;
// - a live tap: the left press handled by the window while playing, until
//   the new entry is in the store, beside the store's live-timing calls
//   alone, averaged over many taps.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "editor/store/sync_document.h"
#include "editor/timeline/line_preview_win.h"
#include "editor/timeline/timeline_window_win.h"
#include "lyrics/lyrics_document.h"

using namespace mr;
using namespace mr::timeline;

namespace {

constexpr int kFrames = 300;
constexpr int kRounds = 3;
constexpr int kTaps = 1000;
constexpr int32_t kDuration = 80000;
constexpr int kEntries = 1500;        // every 30 ticks, 20 long, from 0
constexpr int32_t kTapStart = 46000;  // after the last entry

double ProcessCpuMs() {
    FILETIME c, e, k, u;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    auto ms = [](FILETIME f) { return (ULARGE_INTEGER{{f.dwLowDateTime, f.dwHighDateTime}}.QuadPart) / 10000.0; };
    return ms(k) + ms(u);
}

double WallMs() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * double(t.QuadPart) / double(f.QuadPart);
}

void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

// 300 lines of five timed words, one entry per word.
bool FillDocument(SyncDocument& doc) {
    LyricsDocument lyrics;
    int entry = 0;
    for (uint32_t line = 0; entry < kEntries; ++line) {
        std::u16string text;
        std::vector<uint32_t> offsets;
        for (int w = 0; w < 5; ++w) {
            if (w) offsets.push_back(static_cast<uint32_t>(text.size()));
            text += u"Sing";
            text += static_cast<char16_t>(u'a' + (line + w) % 26);
            text += u' ';
        }
        uint32_t index = 0;
        if (!lyrics.AddText(text, &index) || !lyrics.AddLine(index, lyrics.GetSyncCount()) ||
            !lyrics.AddSyncPoint(LineStartMarker(line)))
            return false;
        for (uint32_t o : offsets)
            if (!lyrics.AddSyncPoint(o)) return false;
        for (int w = 0; w < 5; ++w, ++entry)
            if (!lyrics.AddSyncTime(entry * 300, entry * 300 + 200)) return false;
    }
    return doc.LoadText(lyrics) && doc.LoadTimes(lyrics);
}

struct FramePair {
    double full = 1e30, clear = 1e30, fullWall = 0, clearWall = 0;
};

// Best of three rounds of playback frames and of clear-and-present frames.
FramePair MeasureFrames(TimelineWindow& tw) {
    TimelineScene empty;
    FramePair r;
    for (int round = 0; round < kRounds; ++round) {
        double c0 = ProcessCpuMs(), w0 = WallMs();
        for (int i = 0; i < kFrames; ++i) tw.UpdatePosition(TicksToMedia(1000 + 7 * i + round));
        double c1 = ProcessCpuMs(), w1 = WallMs();
        for (int i = 0; i < kFrames; ++i) tw.Device().Draw(empty);
        double c2 = ProcessCpuMs(), w2 = WallMs();
        if (c1 - c0 < r.full) r.full = c1 - c0, r.fullWall = w1 - w0;
        if (c2 - c1 < r.clear) r.clear = c2 - c1, r.clearWall = w2 - w1;
        Pump();
    }
    return r;
}

void Report(const char* what, const FramePair& p) {
    std::printf(
        "%-44s %.3f ms CPU/frame (%.3f ms wall); clear and present only %.3f ms CPU (%.3f ms wall); "
        "ratio (CPU) %.2f\n",
        what, p.full / kFrames, p.fullWall / kFrames, p.clear / kFrames, p.clearWall / kFrames,
        p.clear > 0 ? p.full / p.clear : 0.0);
}

bool Resize(TimelineWindow& tw, HWND w, int width, int height) {
    SetWindowPos(w, nullptr, 0, 0, width, height, SWP_NOZORDER);
    Pump();
    tw.Draw();
    return tw.Device().HasDevice() && tw.Device().Width() == UINT(width) && tw.Device().Height() == UINT(height);
}

}  // namespace

int main() {
    std::vector<int8_t> peaks(2 * size_t{kDuration});
    for (size_t i = 0; i < peaks.size(); i += 2) peaks[i] = int8_t(i % 60 + 1), peaks[i + 1] = int8_t(-(int(i) % 50));
    SyncDocument doc;
    if (!FillDocument(doc)) {
        std::fprintf(stderr, "document not filled\n");
        return 1;
    }
    LinePreview preview(doc);
    TimelineWindow tw(doc);
    HWND host = CreateWindowExW(0, L"STATIC", L"timeline bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1100, 400,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND w = host ? tw.Create(host, GetModuleHandleW(nullptr)) : nullptr;
    if (!w) {
        std::fprintf(stderr, "no window\n");
        return 1;
    }
    tw.SetPreview(&preview);
    if (!Resize(tw, w, 1000, 160)) {
        std::fprintf(stderr, "no Direct3D device\n");
        return 1;
    }
    tw.SetWaveform(peaks.data(), kDuration);
    tw.SetGraphMode(kGraphReady);
    SetFocus(w);
    Pump();
    tw.SetPlayState(kStatePlaying);
    // The mouse rests in the Insert band: the label shows in the gaps.
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(300, 90));
    Pump();

    Report("frame 1000x160 during playback:", MeasureFrames(tw));
    if (!Resize(tw, w, 1000, 240)) return 1;
    const int drawnBefore = preview.DrawnFrames();
    const FramePair withPreview = MeasureFrames(tw);
    const int drawn = preview.DrawnFrames() - drawnBefore;
    tw.SetPreview(nullptr);
    const FramePair without = MeasureFrames(tw);
    tw.SetPreview(&preview);
    Report("frame 1000x240 with the line preview:", withPreview);
    Report("frame 1000x240 without the preview:", without);
    std::printf("preview drew text in %d of %d frames, rasterised %d lines in all\n", drawn, kFrames * kRounds,
                preview.Rasterised());

    // Live taps at fresh positions after the last entry: press, release,
    // the next position. Only the press is timed.
    const int32_t entriesBefore = doc.TimingCount();
    double pressMs = 0, pressCpu = 0;
    for (int i = 0; i < kTaps; ++i) {
        tw.UpdatePosition(TicksToMedia(kTapStart + 10 * i));
        double c0 = ProcessCpuMs(), t0 = WallMs();
        tw.HandleMessage(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 90));
        double t1 = WallMs(), c1 = ProcessCpuMs();
        pressMs += t1 - t0;
        pressCpu += c1 - c0;
        tw.HandleMessage(w, WM_LBUTTONUP, 0, MAKELPARAM(300, 90));
        Pump();
    }
    const int32_t tapped = doc.TimingCount() - entriesBefore;

    // The same taps through the input state machine alone (the editor's own
    // work of a press: the rules and the store), and the system calls the
    // window makes for a press (the notification posted to the frame, the
    // mouse capture).
    double machineMs = 0, systemMs = 0;
    for (int i = 0; i < kTaps; ++i) {
        tw.UpdatePosition(TicksToMedia(kTapStart + 10 * kTaps + 10 * i));
        double t0 = WallMs();
        tw.Input().LeftDown(300, 90, kKeyLeft);
        machineMs += WallMs() - t0;
        tw.Input().LeftUp(300, 90);
        tw.Input().CaptureLost();
        t0 = WallMs();
        PostMessageW(host, kMsgTimingApplied, 1, i);
        SetCapture(w);
        systemMs += WallMs() - t0;
        ReleaseCapture();
        Pump();
    }
    const int32_t machineTapped = doc.TimingCount() - entriesBefore - tapped;

    // Reference: the store's live-timing calls for the same taps.
    SyncDocument store;
    double storeMs = 0;
    for (int i = 0; i < kTaps; ++i) {
        const int32_t t = kTapStart + 10 * i;
        int32_t index = -1;
        double t0 = WallMs();
        store.ExtendLiveTiming(t);
        if (store.CanInsertTiming(t)) store.StartLiveTiming(t, &index);
        storeMs += WallMs() - t0;
    }
    std::printf(
        "tap (left press while playing, to the entry in the store): %.4f ms wall (%.4f ms CPU) per tap, "
        "%d of %d taps made entries\n",
        pressMs / kTaps, pressCpu / kTaps, tapped, kTaps);
    std::printf("  of which the post to the frame and SetCapture:            %.4f ms wall per tap\n", systemMs / kTaps);
    std::printf("input state machine alone (%d entries made):              %.4f ms wall per tap\n", machineTapped,
                machineMs / kTaps);
    std::printf("store live-timing calls alone:                               %.4f ms wall per tap\n", storeMs / kTaps);
    std::printf("ratios: press / store %.1f, state machine / store %.1f, press / system calls %.2f\n",
                storeMs > 0 ? pressMs / storeMs : 0.0, storeMs > 0 ? machineMs / storeMs : 0.0,
                systemMs > 0 ? pressMs / systemMs : 0.0);
    tw.SetPreview(nullptr);
    DestroyWindow(host);
    return tapped == kTaps && machineTapped == kTaps ? 0 : 2;
}
