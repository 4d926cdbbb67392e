// Under Wine: the lyrics renderer drawing windowless frames into a memory
// device context at known positions, the pixels read back: background only
// without lyrics, the two sides of the highlight wipe and of the outline,
// resizing, lost devices, preset choices while running, pictures, and the
// lookup of a media file's lyrics; windowed frames, full screen and back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "presets/preset_environment_win.h"
#include "presets/preset_store.h"
#include "render/lyrics_renderer.h"
#include "render/slides/picture_placement.h"
#include "render/text_bits.h"
#include "tests/render/render_test_util.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

constexpr uint32_t kBack0 = 0x302010;     // COLORREF of preset 0's background
constexpr uint32_t kBack1 = 0x006000;     // preset 1's
constexpr uint32_t kUnsung = 0xFF0000;    // blue
constexpr uint32_t kSung = 0x0000FF;      // red
constexpr uint32_t kMarker = 0x123456;    // what the host's DC holds before a frame

// A top-down 32-bit DIB section in a memory DC: the host's device context.
class HostDc {
public:
    HostDc(int w, int h) : w_(w), h_(h) {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        Fill(kMarker);
    }
    ~HostDc() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    void Fill(uint32_t colorref) {
        GdiFlush();
        for (int i = 0; i < w_ * h_; ++i) bits_[i] = OpaqueArgb(colorref) & 0xFFFFFF;
    }
    // The pixel at (x, y) as a COLORREF.
    uint32_t At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits_[y * w_ + x];
        return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
    }
    // How many pixels of the rectangle hold the colour; the leftmost and
    // rightmost columns where they do.
    int Count(const RECT& r, uint32_t colorref, int* minX = nullptr, int* maxX = nullptr) const {
        int n = 0, lo = INT32_MAX, hi = -1;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                if (At(x, y) == colorref) {
                    ++n;
                    lo = std::min(lo, x);
                    hi = std::max(hi, x);
                }
            }
        }
        if (minX) *minX = lo;
        if (maxX) *maxX = hi;
        return n;
    }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

// Puts the renderer's device into the lost state the way Windows does after
// a reset that fails: a reset while the renderer's default-pool resources are
// alive is refused, and the device then waits for a successful reset.
void LoseDevice(IDirect3DDevice9* device, HWND window) {
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    ASSERT_TRUE(FAILED(device->Reset(&pp)));
    ASSERT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
}

// The device's back buffer as (width, height).
std::pair<int, int> BackBufferSize(IDirect3DDevice9* device) {
    IDirect3DSurface9* back = nullptr;
    D3DSURFACE_DESC desc = {};
    if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) {
        back->GetDesc(&desc);
        back->Release();
    }
    return {int(desc.Width), int(desc.Height)};
}

class Renderer : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = std::make_unique<PresetStore>(ScreenPresetEnvironment(), u"Software\\Mirelto\\Tests\\Renderer");
        ASSERT_TRUE(store_->GetSettings(&block_));
        for (int i = 0; i < kPresetCount; ++i) {
            DisplayPreset& p = block_.presets[i];
            p.AntiAliased = 0;
            p.Outline = 0;
            p.Scroll = 0;
            p.SlideShow = 0;
            p.DisplayLine = 1;
            p.GradientTop_0 = p.GradientTop_1 = p.GradientBottom_0 = p.GradientBottom_1 = 0;
            p.ColorTop_0 = p.ColorBottom_0 = kUnsung;
            p.ColorTop_1 = p.ColorBottom_1 = kSung;
            p.ColorBack = i == 1 ? kBack1 : kBack0;
            p.ImagePath[0] = 0;
        }
        block_.Delay = 0;
        Apply();
        renderer_ = std::make_unique<LyricsRenderer>(*store_);
    }
    void Apply() {
        block_.changed = 1;
        store_->ApplySettings(block_);
    }
    // One windowless frame into the host DC at `area`.
    int Frame(int32_t ms, HostDc& host, const RECT& area) { return renderer_->DrawToDC(ms, host.Dc(), area); }

    PresetSettings block_{};
    std::unique_ptr<PresetStore> store_;
    std::unique_ptr<LyricsRenderer> renderer_;
};

// Without lyrics a frame is the background colour and nothing else, copied to
// the rectangle's place in the host's context; an empty rectangle draws
// nothing and succeeds; the same rectangle again does not reset the device.
TEST_F(Renderer, background_only_without_lyrics_at_the_rectangle) {
    const RECT area = {200, 100, 520, 340};
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    ASSERT_EQ(renderer_->AttachWindowless(area), 1);
    EXPECT_EQ(renderer_->Mode(), 2);
    EXPECT_EQ(renderer_->Width(), 320);
    EXPECT_EQ(renderer_->Height(), 240);
    HostDc host(640, 400);
    for (int32_t ms : {0, 1500, 60000}) {
        ASSERT_EQ(Frame(ms, host, area), 1) << ms;
        EXPECT_EQ(host.Count(area, kBack0), 320 * 240) << ms;
    }
    EXPECT_EQ(host.At(199, 100), kMarker);
    EXPECT_EQ(host.At(200, 99), kMarker);
    EXPECT_EQ(host.At(520, 340), kMarker);
    EXPECT_EQ(renderer_->ResetCount(), 0);

    host.Fill(kMarker);
    const RECT flat = {200, 100, 520, 100};
    EXPECT_EQ(Frame(0, host, flat), 1);
    EXPECT_EQ(host.At(300, 150), kMarker);
    EXPECT_EQ(renderer_->ResetCount(), 0);
}

// A line sung over 10 s: before it starts nothing is sung; half way through
// the sung colour is left of the unsung one; once it is over all is sung.
TEST_F(Renderer, sung_and_unsung_colours_on_the_two_sides_of_the_wipe) {
    test::BuildDocument(renderer_->Document(), {{u"WWWWWWWW", {{0, 1000, 11000}}}, {u"", {{0, 30000, 31000}}}});
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    const RECT area = {0, 0, 400, 200};
    ASSERT_EQ(renderer_->AttachWindowless(area), 1);
    HostDc host(400, 200);

    struct Case {
        int32_t ms;
        bool sung, unsung;
    } cases[] = {{500, false, true}, {6000, true, true}, {10800, true, true}};
    int previousSungRight = -1;
    for (const Case& c : cases) {
        ASSERT_EQ(Frame(c.ms, host, area), 1);
        ASSERT_TRUE(renderer_->TextReady());
        int sungLo, sungHi, unsungLo, unsungHi;
        const int sung = host.Count(area, kSung, &sungLo, &sungHi);
        const int unsung = host.Count(area, kUnsung, &unsungLo, &unsungHi);
        EXPECT_EQ(sung > 0, c.sung) << c.ms;
        EXPECT_EQ(unsung > 0, c.unsung) << c.ms;
        EXPECT_GT(host.Count(area, kBack0), 400 * 200 / 2) << c.ms;
        // Background, sung and unsung are all there is (no blending without
        // anti-aliasing).
        EXPECT_EQ(sung + unsung + host.Count(area, kBack0), 400 * 200) << c.ms;
        if (sung > 0 && unsung > 0) {
            EXPECT_LT(sungHi, unsungLo) << c.ms;
        }
        if (sung > 0) {
            EXPECT_GT(sungHi, previousSungRight) << "the wipe moves right: " << c.ms;
            previousSungRight = sungHi;
        }
    }
}

// With an outline, the pixels around every glyph take the outline colours:
// the sung outline left of the wipe, the unsung one right of it, no
// background pixel touches a glyph, and no outline pixel is further from a
// glyph than the outline reaches (two pixels).
TEST_F(Renderer, outline_colours_around_the_glyphs_on_both_sides_of_the_wipe) {
    constexpr uint32_t kOutlineUnsung = 0xC0C000, kOutlineSung = 0x00C0C0;
    DisplayPreset& p = block_.presets[0];
    p.Outline = 1;
    p.ColorOutline_0 = kOutlineUnsung;
    p.ColorOutline_1 = kOutlineSung;
    Apply();
    test::BuildDocument(renderer_->Document(), {{u"WWWWWWWW", {{0, 1000, 11000}}}, {u"", {{0, 30000, 31000}}}});
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    constexpr int kW = 400, kH = 200;
    const RECT area = {0, 0, kW, kH};
    ASSERT_EQ(renderer_->AttachWindowless(area), 1);
    HostDc host(kW, kH);
    ASSERT_EQ(Frame(6000, host, area), 1);
    ASSERT_TRUE(renderer_->TextReady());

    std::vector<uint32_t> px(kW * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) px[y * kW + x] = host.At(x, y);
    auto at = [&](int x, int y) { return x < 0 || y < 0 || x >= kW || y >= kH ? kBack0 : px[y * kW + x]; };
    auto glyph = [&](int x, int y) { return at(x, y) == kSung || at(x, y) == kUnsung; };
    auto outline = [&](int x, int y) { return at(x, y) == kOutlineSung || at(x, y) == kOutlineUnsung; };

    int counts[4] = {}, sungRight = -1, unsungLeft = kW, bare = 0, stray = 0;
    const uint32_t colours[4] = {kSung, kOutlineSung, kUnsung, kOutlineUnsung};
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const uint32_t c = at(x, y);
            for (int i = 0; i < 4; ++i) {
                if (c != colours[i]) continue;
                ++counts[i];
                if (i < 2) sungRight = std::max(sungRight, x);
                else unsungLeft = std::min(unsungLeft, x);
            }
            if (glyph(x, y) && !((glyph(x - 1, y) || outline(x - 1, y)) && (glyph(x + 1, y) || outline(x + 1, y)) &&
                                 (glyph(x, y - 1) || outline(x, y - 1)) && (glyph(x, y + 1) || outline(x, y + 1)))) {
                ++bare;
            }
            if (outline(x, y)) {
                bool reached = false;
                for (int dy = -2; dy <= 2 && !reached; ++dy)
                    for (int dx = -2; dx <= 2 && !reached; ++dx) reached = glyph(x + dx, y + dy);
                if (!reached) ++stray;
            }
        }
    }
    for (int i = 0; i < 4; ++i) EXPECT_GT(counts[i], 0) << std::hex << colours[i];
    EXPECT_EQ(counts[0] + counts[1] + counts[2] + counts[3] + host.Count(area, kBack0), kW * kH)
        << "nothing but background, glyph and outline colours";
    EXPECT_LT(sungRight, unsungLeft) << "sung colours left of the wipe, unsung ones right of it";
    EXPECT_EQ(bare, 0) << "glyph pixels next to the background";
    EXPECT_EQ(stray, 0) << "outline pixels away from every glyph";
    EXPECT_GT(counts[1] + counts[3], (counts[0] + counts[2]) / 4) << "the outline is a band, not a fringe";
}

// A new size resets the device once; the frame then fills the new size.
TEST_F(Renderer, a_resize_resets_the_device_once) {
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    ASSERT_EQ(renderer_->AttachWindowless(RECT{0, 0, 320, 240}), 1);
    HostDc host(400, 300);
    ASSERT_EQ(Frame(0, host, RECT{0, 0, 320, 240}), 1);
    EXPECT_EQ(renderer_->ResetCount(), 0);
    const RECT bigger = {0, 0, 400, 300};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(Frame(100 * i, host, bigger), 1);
    EXPECT_EQ(renderer_->ResetCount(), 1);
    EXPECT_EQ(renderer_->Width(), 400);
    EXPECT_EQ(renderer_->Height(), 300);
    EXPECT_FALSE(renderer_->DeviceLost());
    EXPECT_EQ(host.Count(bigger, kBack0), 400 * 300);
}

// Choosing a preset while frames run, and editing the current preset in the
// store, both show on the very next frame.
TEST_F(Renderer, a_preset_chosen_while_running_changes_the_next_frame) {
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    const RECT area = {0, 0, 160, 120};
    ASSERT_EQ(renderer_->AttachWindowless(area), 1);
    HostDc host(160, 120);
    ASSERT_EQ(Frame(0, host, area), 1);
    EXPECT_EQ(host.At(80, 60), kBack0);

    ASSERT_EQ(renderer_->SelectPreset(1), 1);
    EXPECT_EQ(renderer_->CurrentPreset(), 1);
    ASSERT_EQ(Frame(10, host, area), 1);
    EXPECT_EQ(host.Count(area, kBack1), 160 * 120);

    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    ASSERT_EQ(Frame(20, host, area), 1);
    EXPECT_EQ(host.Count(area, kBack0), 160 * 120);

    block_.presets[0].ColorBack = 0x0000C0;
    Apply();
    ASSERT_EQ(Frame(30, host, area), 1);
    EXPECT_EQ(host.Count(area, 0x0000C0), 160 * 120);

    // Random: never the current preset; off: the current one.
    renderer_->SetRandomPreset(true);
    for (int i = 0; i < 20; ++i) {
        const int next = renderer_->NextPresetIndex();
        EXPECT_NE(next, 0);
        EXPECT_GE(next, 0);
        EXPECT_LT(next, kPresetCount);
    }
    ASSERT_EQ(renderer_->SelectPreset(-1), 1);
    EXPECT_NE(renderer_->CurrentPreset(), 0);
    renderer_->SetRandomPreset(false);
    EXPECT_EQ(renderer_->NextPresetIndex(), renderer_->CurrentPreset());
    EXPECT_EQ(renderer_->SelectPreset(6), 0);
}

// The lyrics file beside the media file is found and drawn; a media file
// without one leaves the display empty again.
TEST_F(Renderer, lyrics_of_the_media_file_are_found_and_drawn) {
    test::ScopedTempDir dir;
    ASSERT_TRUE(test::WriteFileBytes(dir.Path(u"song.lrc"), std::string_view("[00:01.00]WWWW\r\n[00:20.00]\r\n")));
    ASSERT_TRUE(test::WriteFileBytes(dir.Path(u"song.mp3"), std::string_view("ID3")));
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    const RECT area = {0, 0, 300, 150};
    ASSERT_EQ(renderer_->AttachWindowless(area), 1);
    HostDc host(300, 150);

    ASSERT_EQ(renderer_->LoadLyricsForMedia(dir.Path(u"song.mp3")), 1);
    EXPECT_GT(renderer_->Document().GetLineCount(), 0u);
    ASSERT_EQ(Frame(1500, host, area), 1);
    EXPECT_GT(host.Count(area, kSung) + host.Count(area, kUnsung), 0);

    ASSERT_EQ(renderer_->LoadLyricsForMedia(dir.Path(u"other.mp3")), 1);
    ASSERT_EQ(Frame(1500, host, area), 1);
    EXPECT_EQ(host.Count(area, kBack0), 300 * 150);

    renderer_->Stop();
    EXPECT_EQ(renderer_->Mode(), 0);
    EXPECT_FALSE(renderer_->HasDevice());
    EXPECT_EQ(renderer_->DrawToDC(0, host.Dc(), area), 0);
}

// Windowed: the window's client size, a resize of the window resets the
// device once, frames before and after succeed, and attaching windowless
// afterwards leaves the window behind.
TEST_F(Renderer, windowed_frames_follow_the_window_size) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MRRendererTest";
    RegisterClassW(&wc);
    RECT frame = {0, 0, 320, 240};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowW(L"MRRendererTest", L"renderer", WS_OVERLAPPEDWINDOW, 0, 0, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    ASSERT_EQ(renderer_->AttachWindow(window), 1);
    EXPECT_EQ(renderer_->Mode(), 1);
    EXPECT_EQ(renderer_->Window(), window);
    EXPECT_EQ(renderer_->Width(), 320);
    EXPECT_EQ(renderer_->Height(), 240);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(renderer_->DrawToWindow(100 * i), 1);
    EXPECT_EQ(renderer_->ResetCount(), 0);

    RECT client = {};
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + 80, frame.bottom - frame.top + 60,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(window, &client);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(renderer_->DrawToWindow(1000 + 100 * i), 1);
    EXPECT_EQ(renderer_->ResetCount(), 1);
    EXPECT_EQ(renderer_->Width(), client.right);
    EXPECT_EQ(renderer_->Height(), client.bottom);
    EXPECT_FALSE(renderer_->DeviceLost());
    EXPECT_EQ(renderer_->DrawFrame(2000), 1);


    ASSERT_EQ(renderer_->AttachWindowless(RECT{0, 0, 64, 32}), 1);
    EXPECT_EQ(renderer_->Window(), nullptr);
    EXPECT_EQ(renderer_->DrawToWindow(0), 0) << "no window to draw into";
    renderer_->Stop();
    DestroyWindow(window);
}

// A lost device: frames succeed but draw nothing (the host's context keeps
// what it had) until the renderer's own reset works; then frames draw the
// background and the text again, with one reset more.
TEST_F(Renderer, a_lost_device_skips_frames_and_recovers) {
    test::BuildDocument(renderer_->Document(), {{u"WWWW", {{0, 1000, 11000}}}, {u"", {{0, 30000, 31000}}}});
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    const RECT area = {0, 0, 240, 120};
    ASSERT_EQ(renderer_->AttachWindowless(area), 1);
    HostDc host(240, 120);
    ASSERT_EQ(Frame(2000, host, area), 1);
    ASSERT_GT(host.Count(area, kSung) + host.Count(area, kUnsung), 0);
    const int resets = renderer_->ResetCount();

    LoseDevice(renderer_->Device(), GetDesktopWindow());
    host.Fill(kMarker);
    ASSERT_EQ(Frame(2100, host, area), 1);
    EXPECT_EQ(host.Count(area, kMarker), 240 * 120) << "a lost device draws nothing";
    int frames = 1;
    for (; frames < 5 && host.Count(area, kMarker) == 240 * 120; ++frames) {
        ASSERT_EQ(Frame(2100 + 100 * frames, host, area), 1);
    }
    EXPECT_LE(frames, 2);
    EXPECT_FALSE(renderer_->DeviceLost());
    EXPECT_EQ(renderer_->ResetCount(), resets + 1);
    EXPECT_EQ(renderer_->Device()->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(renderer_->ToggleFullScreen(), 0) << "no full screen without a window";
    host.Fill(kMarker);
    ASSERT_EQ(Frame(3000, host, area), 1);
    EXPECT_EQ(host.Count(area, kMarker), 0);
    EXPECT_GT(host.Count(area, kBack0), 240 * 120 / 2);
    EXPECT_GT(host.Count(area, kSung), 0) << "the text resources are built again";
    EXPECT_GT(host.Count(area, kUnsung), 0);
}

// Full screen from windowed mode: the device is reset to the monitor's size
// and frames keep that size; switching to another application loses the
// device (frames succeed and skip), coming back lets the frames reset it;
// leaving full screen restores the windowed size.
TEST_F(Renderer, full_screen_takes_the_monitor_and_survives_switching_away) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MRRendererFullTest";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(L"MRRendererFullTest", L"renderer", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    test::BuildDocument(renderer_->Document(), {{u"WWWW", {{0, 1000, 11000}}}, {u"", {{0, 30000, 31000}}}});
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    ASSERT_EQ(renderer_->AttachWindow(window), 1);
    ASSERT_EQ(renderer_->DrawToWindow(1000), 1);
    MONITORINFO mi = {sizeof(mi)};
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &mi));
    const int monitorW = mi.rcMonitor.right - mi.rcMonitor.left, monitorH = mi.rcMonitor.bottom - mi.rcMonitor.top;

    ASSERT_EQ(renderer_->ToggleFullScreen(), 1);
    EXPECT_TRUE(renderer_->FullScreen());
    EXPECT_EQ(renderer_->Width(), monitorW);
    EXPECT_EQ(renderer_->Height(), monitorH);
    EXPECT_EQ(BackBufferSize(renderer_->Device()), std::make_pair(monitorW, monitorH));
    EXPECT_EQ(renderer_->ResetCount(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(renderer_->DrawToWindow(2000 + 100 * i), 1);
    EXPECT_EQ(renderer_->Width(), monitorW) << "the size check leaves a full-screen device alone";
    EXPECT_EQ(renderer_->ResetCount(), 1);
    EXPECT_TRUE(renderer_->TextReady());

    // What the system does when another application is activated (the
    // full-screen window is minimised, the device lost), and when the user
    // comes back (the window restored and activated).
    SendMessageW(window, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(renderer_->Device()->TestCooperativeLevel(), D3DERR_DEVICELOST);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(renderer_->DrawToWindow(3000 + 100 * i), 1);
    EXPECT_EQ(renderer_->ResetCount(), 1) << "no reset while the device is lost";
    ShowWindow(window, SW_RESTORE);
    SendMessageW(window, WM_ACTIVATEAPP, TRUE, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(renderer_->DrawToWindow(4000 + 100 * i), 1);
    EXPECT_FALSE(renderer_->DeviceLost());
    EXPECT_EQ(renderer_->ResetCount(), 2);
    EXPECT_EQ(renderer_->Device()->TestCooperativeLevel(), D3D_OK);
    EXPECT_TRUE(renderer_->TextReady());

    ASSERT_EQ(renderer_->ToggleFullScreen(), 1);
    EXPECT_FALSE(renderer_->FullScreen());
    EXPECT_EQ(renderer_->Width(), 320);
    EXPECT_EQ(renderer_->Height(), 240);
    EXPECT_EQ(BackBufferSize(renderer_->Device()), std::make_pair(320, 240));
    EXPECT_EQ(renderer_->ResetCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(renderer_->DrawToWindow(5000 + 100 * i), 1);
    EXPECT_FALSE(renderer_->DeviceLost());
    renderer_->Stop();
    DestroyWindow(window);
}

// A 24-bit BMP of 2 × 2 pixels in one colour (COLORREF).
std::vector<uint8_t> SolidBmp(uint32_t colorref) {
    test::Bytes b;
    b.Raw("BM").U32(54 + 16).U32(0).U32(54);
    b.U32(40).U32(2).U32(2).U16(1).U16(24).U32(0).U32(16).U32(2835).U32(2835).U32(0).U32(0);
    const uint8_t bgr[3] = {uint8_t(colorref >> 16), uint8_t(colorref >> 8), uint8_t(colorref)};
    for (int row = 0; row < 2; ++row) {
        b.Raw(std::vector<uint8_t>{bgr[0], bgr[1], bgr[2], bgr[0], bgr[1], bgr[2], 0, 0});
    }
    return b.Get();
}

// The preset's picture is drawn behind the text by each placement that
// covers the area; Fit leaves the background beside a picture of another
// shape; a preset without a picture goes back to the background alone.
TEST_F(Renderer, the_presets_picture_is_drawn_with_its_placement) {
    constexpr uint32_t kGreen = 0x00C800;
    test::ScopedTempDir dir;
    const std::u16string picture = dir.Path(u"green.bmp");
    ASSERT_TRUE(test::WriteFileBytes(picture, SolidBmp(kGreen)));
    SetPresetText(block_.presets[0].ImagePath, kPresetPathUnits, picture);
    block_.presets[0].ImagePosFlag = kImageStretch;
    Apply();
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    const RECT area = {0, 0, 200, 100};
    ASSERT_EQ(renderer_->AttachWindowless(area), 1);
    HostDc host(200, 100);

    // The loader decodes on its own thread: wait for the picture a while.
    int green = 0;
    for (int i = 0; i < 100 && green == 0; ++i) {
        ASSERT_EQ(Frame(1000 + i * 20, host, area), 1);
        green = host.Count(area, kGreen);
        if (green == 0) Sleep(20);
    }
    EXPECT_EQ(green, 200 * 100) << "Stretch covers the area";

    struct Case {
        int32_t placement;
        int covered;  // pixels of the picture's colour
    } cases[] = {{kImageFill, 200 * 100}, {kImageFit, 100 * 100}, {kImageStretch, 200 * 100}};
    for (const Case& c : cases) {
        block_.presets[0].ImagePosFlag = c.placement;
        Apply();
        ASSERT_EQ(Frame(3000, host, area), 1);
        EXPECT_EQ(host.Count(area, kGreen), c.covered) << c.placement;
        EXPECT_EQ(host.Count(area, kBack0), 200 * 100 - c.covered) << c.placement;
    }

    block_.presets[0].ImagePath[0] = 0;
    Apply();
    ASSERT_EQ(Frame(4000, host, area), 1);
    EXPECT_EQ(host.Count(area, kBack0), 200 * 100);
}

// A document's timed slides, embedded in its file: green 5 s, an undecodable
// one 3 s (the colour bars), blue 2 s, repeated every 10 s. Stretched over a
// 320 × 240 area the bars land on their own columns; in the last 2,560 ms of
// a slide the next one fades in over it (all of the 2 s one).
TEST_F(Renderer, timed_slides_bars_and_the_cross_fade) {
    constexpr uint32_t kGreen = 0x00C800, kBlue = 0xFF0000;
    test::ScopedTempDir dir;
    const std::vector<uint8_t> green = SolidBmp(kGreen), blue = SolidBmp(kBlue);
    const std::string garbage = "NOT A PICTURE AT ALL";
    std::vector<uint8_t> file(green);
    file.insert(file.end(), garbage.begin(), garbage.end());
    file.insert(file.end(), blue.begin(), blue.end());
    const std::u16string source = dir.Path(u"song.mr");
    ASSERT_TRUE(test::WriteFileBytes(source, file));
    LyricsDocument& doc = renderer_->Document();
    ASSERT_TRUE(doc.SourceFile().OpenRead(source));
    const uint32_t sizes[3] = {uint32_t(green.size()), uint32_t(garbage.size()), uint32_t(blue.size())};
    const uint32_t durations[3] = {5000, 3000, 2000};
    for (uint32_t i = 0, offset = 0; i < 3; offset += sizes[i], ++i) {
        ASSERT_TRUE(doc.AddImageData(offset, sizes[i]));
        ASSERT_TRUE(doc.AddSlideImage(0, i, durations[i], i));
    }
    block_.presets[0].ImagePosFlag = kImageStretch;
    Apply();
    ASSERT_EQ(renderer_->SelectPreset(0), 1);
    const RECT area = {0, 0, 320, 240};
    ASSERT_EQ(renderer_->AttachWindowless(area), 1);
    HostDc host(320, 240);

    // The loader decodes on its own thread: frames at one time until the
    // expected picture is there (or a while has passed).
    auto settle = [&](int32_t ms, auto done) {
        for (int i = 0; i < 150; ++i) {
            if (Frame(ms, host, area) != 1) return false;
            if (done()) return true;
            Sleep(20);
        }
        return false;
    };
    auto close = [](uint32_t a, uint32_t b) {
        for (int shift = 0; shift < 24; shift += 8) {
            if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 3) return false;
        }
        return true;
    };
    EXPECT_TRUE(settle(1000, [&] { return host.Count(area, kGreen) == 320 * 240; })) << std::hex << host.At(5, 5);
    // 25,300: the undecodable slide's window, not yet fading.
    EXPECT_TRUE(settle(25300, [&] { return host.At(20, 120) == 0x0000FF; })) << std::hex << host.At(20, 120);
    for (uint32_t x : {0u, 44u, 45u, 100u, 150u, 200u, 250u, 300u, 319u}) {
        EXPECT_EQ(host.At(int(x), 120), ColourBarAt(x)) << x;
    }
    // 26,500: blue fades in over the bars with alpha 106 of 255.
    const uint32_t alpha = FadeAlpha(26500, 28000);
    EXPECT_EQ(alpha, 106u);
    const uint32_t red = 0x0000FF;
    const uint32_t blend = ((255 - alpha) * 0xFF / 255) | ((alpha * 0xFF / 255) << 16);
    EXPECT_TRUE(settle(26500, [&] { return close(host.At(20, 120), blend); }))
        << std::hex << host.At(20, 120) << " " << blend << " over " << red;
    // 28,500: blue, shorter than a fade, is itself already giving way to green.
    const uint32_t g = FadeAlpha(28500, 30000);
    const uint32_t next = ((255 - g) * 0xFF / 255) << 16 | ((g * 0xC8 / 255) << 8);
    EXPECT_TRUE(settle(28500, [&] { return close(host.At(5, 5), next); })) << std::hex << host.At(5, 5) << " " << next;
    // 31,000: green alone again (the show repeats).
    EXPECT_TRUE(settle(31000, [&] { return host.Count(area, kGreen) == 320 * 240; })) << std::hex << host.At(5, 5);
}

}  // namespace
}  // namespace mr
