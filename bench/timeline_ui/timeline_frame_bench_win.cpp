// The timeline's whole frame during playback at 1000 × 160 (waveform,
// entries, cursors, strips, top strip) through TimelineWindow, beside a
// frame of the same device that only clears and presents. Prints the CPU
// time of the process per frame for both and their ratio, and the wall time.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "editor/store/sync_document.h"
#include "editor/timeline/timeline_window_win.h"

using namespace mr;
using namespace mr::timeline;

namespace {

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

}  // namespace

int main() {
    constexpr int kFrames = 300;
    constexpr int32_t kDuration = 60000;
    std::vector<int8_t> peaks(2 * size_t{kDuration});
    for (size_t i = 0; i < peaks.size(); i += 2) peaks[i] = int8_t(i % 60 + 1), peaks[i + 1] = int8_t(-(int(i) % 50));
    SyncDocument doc;
    for (int i = 0; i < 1500; ++i) doc.InsertTiming(i * 30);
    TimelineWindow tw(doc);
    HWND host = CreateWindowExW(0, L"STATIC", L"timeline bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1100, 300,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND w = host ? tw.Create(host, GetModuleHandleW(nullptr)) : nullptr;
    if (!w) {
        std::fprintf(stderr, "no window\n");
        return 1;
    }
    SetWindowPos(w, nullptr, 0, 0, 1000, 160, SWP_NOZORDER);
    Pump();
    if (!tw.Device().HasDevice()) {
        std::fprintf(stderr, "no Direct3D device\n");
        return 1;
    }
    tw.SetWaveform(peaks.data(), kDuration);
    tw.SetGraphMode(kGraphReady);
    SetFocus(w);
    tw.SetPlayState(kStatePlaying);
    Pump();

    TimelineScene empty;
    double bestFull = 1e30, bestClear = 1e30, wallFull = 0, wallClear = 0;
    for (int round = 0; round < 3; ++round) {
        double c0 = ProcessCpuMs(), w0 = WallMs();
        for (int i = 0; i < kFrames; ++i) tw.UpdatePosition(TicksToMedia(1000 + 7 * i + round));
        double c1 = ProcessCpuMs(), w1 = WallMs();
        for (int i = 0; i < kFrames; ++i) tw.Device().Draw(empty);
        double c2 = ProcessCpuMs(), w2 = WallMs();
        if ((c1 - c0) < bestFull) bestFull = c1 - c0, wallFull = w1 - w0;
        if ((c2 - c1) < bestClear) bestClear = c2 - c1, wallClear = w2 - w1;
        Pump();
    }
    std::printf("frame 1000x160 during playback: %.3f ms CPU/frame (%.3f ms wall)\n", bestFull / kFrames,
                wallFull / kFrames);
    std::printf("clear and present only:         %.3f ms CPU/frame (%.3f ms wall)\n", bestClear / kFrames,
                wallClear / kFrames);
    std::printf("ratio (CPU): %.2f\n", bestClear > 0 ? bestFull / bestClear : 0.0);
    DestroyWindow(host);
    return 0;
}
