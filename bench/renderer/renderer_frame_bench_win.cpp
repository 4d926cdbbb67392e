// The lyrics renderer's frame at 1280 × 720 with four lines, outline,
// anti-aliasing and a picture (Fill), beside a frame of a bare device of the
// same size that only clears and presents, in the same run:
//   - windowless: DrawToDC into a memory device context, beside a bare
//     device that clears its render target and copies it into the same
//     context (what presenting is in that mode);
//   - windowed: DrawToWindow into a hidden top-level window, beside a bare
//     device that clears and presents into another one.
// Steady frames (the wipe moves, nothing is rasterised) and, for scale,
// page-turn frames (two lines rasterised per frame), steady frames without
// the picture and the renderer with nothing to draw. For each: CPU time of the drawing thread per frame (the
// renderer's own work and the Direct3D calls it makes), CPU time of the
// whole process (also the driver's threads: under Wine the software
// rasteriser) and wall time; best of three rounds. Prints the ratios against
// the bare frame and the thread CPU above it. Last, a sampling pass: the
// share of the drawing thread's time in the program's own code (the
// renderer), in Direct3D and elsewhere, and the own code's time per frame.
// Under Wine's software rendering the drawing thread's CPU time is mostly
// Direct3D waiting for the rasteriser, which the samples show.
//   renderer_frame_bench.exe
#include <windows.h>

#include <d3d9.h>

#include <mmsystem.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "presets/preset_environment_win.h"
#include "presets/preset_store.h"
#include "render/lyrics_renderer.h"
#include "render/text_bits.h"
#include "tests/render/render_test_util.h"

using namespace mr;

namespace {

constexpr int kW = 1280;
constexpr int kH = 720;
constexpr int kRounds = 3;
constexpr int32_t kLineMs = 4000;
constexpr int kLines = 60;
constexpr uint32_t kBack = 0x201008;

double FileTimeMs(FILETIME f) {
    return double(ULARGE_INTEGER{{f.dwLowDateTime, f.dwHighDateTime}}.QuadPart) / 10000.0;
}

struct Clock {
    double thread, process, wall;  // ms
};

Clock Now() {
    FILETIME c, e, k, u;
    Clock t{};
    GetThreadTimes(GetCurrentThread(), &c, &e, &k, &u);
    t.thread = FileTimeMs(k) + FileTimeMs(u);
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    t.process = FileTimeMs(k) + FileTimeMs(u);
    LARGE_INTEGER f, q;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&q);
    t.wall = 1000.0 * double(q.QuadPart) / double(f.QuadPart);
    return t;
}

// Per-frame figures, the best round of each.
struct Figures {
    const char* name;
    double thread = 1e30, process = 1e30, wall = 1e30;
    void Take(const Clock& a, const Clock& b, int frames) {
        thread = std::min(thread, (b.thread - a.thread) / frames);
        process = std::min(process, (b.process - a.process) / frames);
        wall = std::min(wall, (b.wall - a.wall) / frames);
    }
};

void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

// A 24-bit bottom-up BMP of w × h: colour ramps, so the picture is neither
// flat nor the background colour anywhere.
bool WritePicture(const std::wstring& path, int w, int h) {
    const uint32_t rowBytes = (uint32_t(w) * 3 + 3) & ~3u;
    std::vector<uint8_t> file(54 + size_t(rowBytes) * size_t(h));
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = uint8_t(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    file[26] = 1;
    file[28] = 24;
    put32(34, rowBytes * uint32_t(h));
    for (int y = 0; y < h; ++y) {
        uint8_t* row = &file[54 + size_t(y) * rowBytes];
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uint8_t(64 + x * 128 / w);
            row[3 * x + 1] = uint8_t(96 + y * 128 / h);
            row[3 * x + 2] = uint8_t(160 + (x + y) % 64);
        }
    }
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, file.data(), DWORD(file.size()), &written, nullptr) && written == file.size();
    CloseHandle(f);
    return ok;
}

// The host's device context: a 32-bit DIB section in a memory DC.
class HostDc {
public:
    HostDc() {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = kW;
        bi.bmiHeader.biHeight = -kH;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~HostDc() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    // Pixels that are neither the background nor black.
    int Painted() const {
        GdiFlush();
        int n = 0;
        for (int i = 0; i < kW * kH; i += 7) {
            const uint32_t p = bits_[i] & 0xFFFFFF;
            n += p != (OpaqueArgb(kBack) & 0xFFFFFF) && p != 0;
        }
        return n * 7;
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

HWND HiddenWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MRRendererBench";
    RegisterClassW(&wc);
    return CreateWindowW(L"MRRendererBench", L"renderer bench", WS_POPUP, 0, 0, kW, kH, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

// A device of the renderer's kind that draws nothing: windowless, it clears
// its render-target texture and copies it out through a system-memory one;
// windowed, it clears and presents.
class BareDevice {
public:
    ~BareDevice() {
        if (copy_) copy_->Release();
        if (target_) target_->Release();
        if (device_) device_->Release();
        if (d3d_) d3d_->Release();
    }
    bool Create(HWND window, bool windowless) {
        windowless_ = windowless;
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        D3DDISPLAYMODE mode;
        if (!d3d_ || FAILED(d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) return false;
        D3DPRESENT_PARAMETERS pp = {};
        pp.BackBufferWidth = windowless ? 1 : kW;
        pp.BackBufferHeight = windowless ? 1 : kH;
        pp.BackBufferFormat = mode.Format;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = window;
        pp.Windowed = TRUE;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        if (FAILED(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                      D3DCREATE_MULTITHREADED | D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device_))) {
            device_ = nullptr;
            return false;
        }
        if (!windowless) return true;
        return SUCCEEDED(device_->CreateTexture(kW, kH, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                                &target_, nullptr)) &&
               SUCCEEDED(device_->CreateTexture(kW, kH, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy_, nullptr));
    }
    bool Frame(HDC dc) {
        if (!windowless_) {
            device_->Clear(0, nullptr, D3DCLEAR_TARGET, OpaqueArgb(kBack), 1.0f, 0);
            if (SUCCEEDED(device_->BeginScene())) device_->EndScene();
            return SUCCEEDED(device_->Present(nullptr, nullptr, nullptr, nullptr));
        }
        IDirect3DSurface9 *previous = nullptr, *target = nullptr, *copy = nullptr;
        bool ok = SUCCEEDED(device_->GetRenderTarget(0, &previous)) &&
                  SUCCEEDED(target_->GetSurfaceLevel(0, &target)) && SUCCEEDED(copy_->GetSurfaceLevel(0, &copy)) &&
                  SUCCEEDED(device_->SetRenderTarget(0, target));
        if (ok) {
            device_->Clear(0, nullptr, D3DCLEAR_TARGET, OpaqueArgb(kBack), 1.0f, 0);
            if (SUCCEEDED(device_->BeginScene())) device_->EndScene();
            device_->SetRenderTarget(0, previous);
            HDC surfaceDc = nullptr;
            ok = SUCCEEDED(device_->GetRenderTargetData(target, copy)) && SUCCEEDED(copy->GetDC(&surfaceDc));
            if (ok) {
                ok = BitBlt(dc, 0, 0, kW, kH, surfaceDc, 0, 0, SRCCOPY) != FALSE;
                copy->ReleaseDC(surfaceDc);
            }
        }
        for (IDirect3DSurface9* s : {copy, target, previous}) {
            if (s) s->Release();
        }
        return ok;
    }

private:
    bool windowless_ = true;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DTexture9* target_ = nullptr;
    IDirect3DTexture9* copy_ = nullptr;
};

// Samples the drawing thread's instruction pointer about once a
// millisecond and counts the samples inside this program's own image (the
// renderer's code, with the C++ runtime linked in), inside Direct3D (d3d9,
// wined3d) and elsewhere (the system, the OpenGL driver, waits). Run apart
// from the timed rounds: every sample stops the thread for a moment.
class Sampler {
public:
    explicit Sampler(DWORD threadId) {
        thread_ = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE, threadId);
        image_ = reinterpret_cast<uintptr_t>(GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image_);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image_ + uintptr_t(dos->e_lfanew));
        imageEnd_ = image_ + nt->OptionalHeader.SizeOfImage;
        d3d9_ = GetModuleHandleW(L"d3d9.dll");
        wined3d_ = GetModuleHandleW(L"wined3d.dll");
    }
    ~Sampler() {
        Stop();
        if (thread_) CloseHandle(thread_);
    }
    void Start() {
        run_ = 1;
        worker_ = CreateThread(nullptr, 0, &Sampler::Main, this, 0, nullptr);
    }
    void Stop() {
        if (!worker_) return;
        InterlockedExchange(&run_, 0);
        WaitForSingleObject(worker_, INFINITE);
        CloseHandle(worker_);
        worker_ = nullptr;
    }
    long own = 0, direct3d = 0, other = 0;

private:
    static DWORD WINAPI Main(void* self) {
        static_cast<Sampler*>(self)->Loop();
        return 0;
    }
    void Loop() {
        timeBeginPeriod(1);
        while (InterlockedCompareExchange(&run_, 1, 1) == 1) {
            Sleep(1);
            if (SuspendThread(thread_) == DWORD(-1)) continue;
            CONTEXT c = {};
            c.ContextFlags = CONTEXT_CONTROL;
            const bool got = GetThreadContext(thread_, &c) != FALSE;
            ResumeThread(thread_);
            if (!got) continue;
#if defined(__x86_64__) || defined(_M_X64)
            const uintptr_t ip = uintptr_t(c.Rip);
#else
            const uintptr_t ip = uintptr_t(c.Eip);
#endif
            if (ip >= image_ && ip < imageEnd_) {
                ++own;
                continue;
            }
            MEMORY_BASIC_INFORMATION mbi = {};
            VirtualQuery(reinterpret_cast<void*>(ip), &mbi, sizeof(mbi));
            const auto module = static_cast<HMODULE>(mbi.AllocationBase);
            if (module && (module == d3d9_ || module == wined3d_)) {
                ++direct3d;
            } else {
                ++other;
            }
        }
        timeEndPeriod(1);
    }
    HANDLE thread_ = nullptr;
    HANDLE worker_ = nullptr;
    volatile LONG run_ = 0;
    uintptr_t image_ = 0, imageEnd_ = 0;
    HMODULE d3d9_ = nullptr, wined3d_ = nullptr;
};

// Sixty lines of eight words, each line 4 s and each word 500 ms.
std::vector<test::LineSpec> Song() {
    std::vector<test::LineSpec> lines;
    const char16_t* words[8] = {u"Line ", u"after ", u"line ", u"the ", u"singer ", u"keeps ", u"the ", u"time"};
    for (int l = 0; l < kLines; ++l) {
        test::LineSpec line;
        for (int w = 0; w < 8; ++w) {
            const int32_t start = l * kLineMs + w * 500;
            line.segments.push_back({uint32_t(line.text.size()), start, start + 480});
            line.text += words[w];
        }
        lines.push_back(line);
    }
    return lines;
}

// Frame positions: steady ones move the wipe through the second line of the
// first page; page turns alternate between lines of two pages, so every
// frame rasterises the two lines a frame may.
int32_t SteadyMs(int i) {
    return kLineMs + 50 + (i * 3) % (kLineMs - 100);
}
int32_t PageTurnMs(int i) {
    return (i % 2 ? 4 : 8) * kLineMs + 1000 + (i / 2) % 2000;
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring picture = std::wstring(temp) + L"mr_renderer_bench.bmp";
    if (!WritePicture(picture, 1600, 900)) {
        std::fprintf(stderr, "cannot write the picture\n");
        return 1;
    }

    PresetStore store(ScreenPresetEnvironment(), u"Software\\Mirelto\\Bench\\Renderer");
    PresetSettings block{};
    if (!store.GetSettings(&block)) {
        std::fprintf(stderr, "no presets\n");
        return 1;
    }
    for (int i = 0; i < kPresetCount; ++i) {
        DisplayPreset& p = block.presets[i];
        p.AntiAliased = 1;
        p.Outline = 1;
        p.Scroll = 0;
        p.SlideShow = 0;
        p.DisplayLine = 4;
        p.ColorBack = kBack;
        p.ImagePosFlag = kImageFill;
        // Preset 0 shows the picture; preset 1 has none (the empty frame).
        const std::u16string path(picture.begin(), picture.end());
        SetPresetText(p.ImagePath, kPresetPathUnits, i == 0 ? std::u16string_view(path) : std::u16string_view());
    }
    block.Delay = 0;
    block.changed = 1;
    store.ApplySettings(block);

    HostDc host;
    const RECT area = {0, 0, kW, kH};
    HWND rendererWindow = HiddenWindow();
    HWND bareWindow = HiddenWindow();
    LyricsRenderer windowless(store), windowed(store), empty(store), textOnly(store);
    test::BuildDocument(windowless.Document(), Song());
    test::BuildDocument(windowed.Document(), Song());
    test::BuildDocument(textOnly.Document(), Song());
    BareDevice bareWindowless, bareWindowed;
    if (windowless.SelectPreset(0) != 1 || windowless.AttachWindowless(area) != 1 || windowed.SelectPreset(0) != 1 ||
        !rendererWindow || windowed.AttachWindow(rendererWindow) != 1 || empty.SelectPreset(1) != 1 ||
        empty.AttachWindowless(area) != 1 || textOnly.SelectPreset(1) != 1 || textOnly.AttachWindowless(area) != 1 ||
        !bareWindowless.Create(GetDesktopWindow(), true) || !bareWindow ||
        !bareWindowed.Create(bareWindow, false)) {
        std::fprintf(stderr, "no Direct3D device\n");
        return 1;
    }

    // Until the loader has delivered the picture and the first page is
    // rasterised: a steady frame then covers the whole area with the picture.
    int painted = 0;
    for (int i = 0; i < 300 && painted < kW * kH * 9 / 10; ++i) {
        windowless.DrawToDC(SteadyMs(i), host.Dc(), area);
        windowed.DrawToWindow(SteadyMs(i));
        textOnly.DrawToDC(SteadyMs(i), host.Dc(), area);
        windowless.DrawToDC(SteadyMs(i), host.Dc(), area);
        painted = host.Painted();
        if (painted < kW * kH * 9 / 10) Sleep(10);
    }
    if (painted < kW * kH * 9 / 10 || !windowless.TextReady() || !windowed.TextReady() || !textOnly.TextReady()) {
        std::fprintf(stderr, "the picture or the text did not arrive\n");
        return 1;
    }

    // Frames per round: at least one and a half seconds of the steady
    // windowless frame, so the 10 ms tick of the thread clocks under Wine
    // stays small against a round.
    Clock a = Now();
    int calibration = 0;
    while (Now().wall - a.wall < 250) windowless.DrawToDC(SteadyMs(calibration++), host.Dc(), area);
    const int frames = std::max(150, calibration * 6);

    Figures steadyDc{"renderer, steady (windowless)"}, turnDc{"renderer, page turns (windowless)"},
        textDc{"renderer, steady, no picture (windowless)"}, emptyDc{"renderer, nothing to draw (windowless)"}, bareDc{"bare device, clear and copy out"},
        steadyWin{"renderer, steady (windowed)"}, bareWin{"bare device, clear and present"};
    bool ok = true;
    for (int round = 0; round < kRounds; ++round) {
        a = Now();
        for (int i = 0; i < frames; ++i) ok &= windowless.DrawToDC(SteadyMs(i), host.Dc(), area) == 1;
        Clock b = Now();
        steadyDc.Take(a, b, frames);
        for (int i = 0; i < frames; ++i) ok &= bareWindowless.Frame(host.Dc());
        a = Now();
        bareDc.Take(b, a, frames);
        for (int i = 0; i < frames; ++i) ok &= empty.DrawToDC(SteadyMs(i), host.Dc(), area) == 1;
        b = Now();
        emptyDc.Take(a, b, frames);
        for (int i = 0; i < frames; ++i) ok &= textOnly.DrawToDC(SteadyMs(i), host.Dc(), area) == 1;
        a = Now();
        textDc.Take(b, a, frames);
        b = a;
        for (int i = 0; i < frames; ++i) ok &= windowless.DrawToDC(PageTurnMs(i), host.Dc(), area) == 1;
        a = Now();
        turnDc.Take(b, a, frames);
        for (int i = 0; i < frames; ++i) ok &= windowed.DrawToWindow(SteadyMs(i)) == 1;
        b = Now();
        steadyWin.Take(a, b, frames);
        for (int i = 0; i < frames; ++i) ok &= bareWindowed.Frame(nullptr);
        a = Now();
        bareWin.Take(b, a, frames);
        Pump();
    }
    if (!ok) {
        std::fprintf(stderr, "a frame failed\n");
        return 1;
    }

    std::printf("%d x %d, four lines, outline, anti-aliased, picture (Fill); %d frames per round, best of %d\n", kW,
                kH, frames, kRounds);
    std::printf("%-42s %12s %12s %12s\n", "ms per frame", "thread CPU", "process CPU", "wall");
    for (const Figures* f : {&steadyDc, &turnDc, &textDc, &emptyDc, &bareDc, &steadyWin, &bareWin}) {
        std::printf("%-42s %12.3f %12.3f %12.3f\n", f->name, f->thread, f->process, f->wall);
    }
    auto ratio = [](double x, double y) { return y > 0 ? x / y : 0.0; };
    std::printf("windowless steady / bare: thread CPU %.2f (%.3f ms above), process CPU %.2f, wall %.2f\n",
                ratio(steadyDc.thread, bareDc.thread), steadyDc.thread - bareDc.thread,
                ratio(steadyDc.process, bareDc.process), ratio(steadyDc.wall, bareDc.wall));
    std::printf("windowed steady / bare:   thread CPU %.2f (%.3f ms above), process CPU %.2f, wall %.2f\n",
                ratio(steadyWin.thread, bareWin.thread), steadyWin.thread - bareWin.thread,
                ratio(steadyWin.process, bareWin.process), ratio(steadyWin.wall, bareWin.wall));

    // Where the drawing thread's time goes in windowless frames; the page
    // turns, whose bit work runs in the program's own code, show that the
    // samples see it.
    for (int turns = 0; turns < 2; ++turns) {
        Sampler sampler(GetCurrentThreadId());
        const int sampled = frames * 2;
        sampler.Start();
        a = Now();
        for (int i = 0; i < sampled; ++i) {
            windowless.DrawToDC(turns ? PageTurnMs(i) : SteadyMs(i), host.Dc(), area);
        }
        const Clock b = Now();
        sampler.Stop();
        const double samples = double(sampler.own + sampler.direct3d + sampler.other);
        if (samples <= 0) continue;
        const double wallPerFrame = (b.wall - a.wall) / sampled;
        std::printf("drawing thread, %-10s %5.0f samples: own code %5.1f%% (%.3f ms per frame), Direct3D %5.1f%%, "
                    "elsewhere %5.1f%%\n",
                    turns ? "page turns" : "steady", samples, 100.0 * sampler.own / samples,
                    wallPerFrame * sampler.own / samples, 100.0 * sampler.direct3d / samples,
                    100.0 * sampler.other / samples);
    }
    windowless.Stop();
    windowed.Stop();
    empty.Stop();
    textOnly.Stop();
    DestroyWindow(rendererWindow);
    DestroyWindow(bareWindow);
    DeleteFileW(picture.c_str());
    return 0;
}
