// The Winamp module as Winamp drives it: a main window on this thread that
// answers the module's messages, an embedding function, an output plug-in
// (this program exports its record), and a visualisation thread of its own
// running start, frames, commands and stop, with a renderer that records what
// it is asked.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hosts/winamp/vis_module.h"

namespace mr::winamp {
namespace {

std::vector<std::string> g_log;  // renderer calls and what Winamp's window received
int g_outputTime = 0;
int g_winampTime = 0;
int g_playlistLength = 1;
char g_file[MAX_PATH] = "C:\\Music\\song.mp3";
char g_self[MAX_PATH];
bool g_failAttach = false;
HWND g_visWindow = nullptr;
int g_keyForwarded = 0;

void Log(const std::string& s) { g_log.push_back(s); }

int OutputTime() { return g_outputTime; }
OutModule g_out = [] {
    OutModule m{};
    m.GetOutputTime = &OutputTime;
    return m;
}();

class FakeRenderer : public hosts::HostRenderer {
public:
    int AttachWindow(HWND w) override {
        Log("attach");
        window_ = w;
        return g_failAttach ? 0 : 1;
    }
    int AttachWindowless(const RECT&) override { return 0; }
    int Mode() const override { return window_ ? 1 : 0; }
    HWND Window() const override { return window_; }
    bool HasDevice() const override { return window_ != nullptr; }
    void Stop() override {
        Log("stop");
        window_ = nullptr;
    }
    int SelectPreset(int index) override {
        Log("select " + std::to_string(index));
        if (index >= 0) current_ = index;
        return 1;
    }
    void SetRandomPreset(bool on) override {
        Log(on ? "random on" : "random off");
        random_ = on;
    }
    bool RandomPreset() const override { return random_; }
    int CurrentPreset() const override { return current_; }
    int NextPresetIndex() override { return current_; }
    int LoadLyricsForMedia(std::u16string_view path) override {
        Log("lookup " + std::string(path.begin(), path.end()));
        return 1;
    }
    int DrawToWindow(int32_t) override { return 1; }
    int DrawToDC(int32_t, HDC, const RECT&) override { return 1; }
    int DrawFrame(int32_t ms) override {
        Log("draw " + std::to_string(ms));
        return 1;
    }
    int CheckMonitorAndSize(const RECT&) override { return 1; }
    int ToggleFullScreen() override { return 0; }

private:
    HWND window_ = nullptr;
    int current_ = -1;
    bool random_ = false;
};

std::unique_ptr<hosts::HostRenderer> MakeFake() {
    return std::make_unique<FakeRenderer>();
}

LRESULT CALLBACK FrameProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

EmbedWindowState g_embedSeen{};
HWND Embed(EmbedWindowState* state) {
    g_embedSeen = *state;
    state->me = CreateWindowExW(0, L"TestEmbedFrame", L"", WS_OVERLAPPEDWINDOW, state->r.left, state->r.top,
                                state->r.right - state->r.left, state->r.bottom - state->r.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    return state->me;
}

LRESULT CALLBACK WinampProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER) {
        switch (l) {
        case kIpcIsPlaying: return 1;
        case kIpcGetOutputTime: return g_winampTime;
        case kIpcPlaylistLength: return g_playlistLength;
        case kIpcPlaylistPosition: return 0;
        case kIpcPlaylistFile: return reinterpret_cast<LRESULT>(w == 0 ? g_file : nullptr);
        case kIpcIsPlayingVideo: return 0;
        case kIpcGetEmbedFunction: return reinterpret_cast<LRESULT>(&Embed);
        case kIpcOutputModuleFile: return reinterpret_cast<LRESULT>(g_self);
        case kIpcSetVisWindow:
            g_visWindow = reinterpret_cast<HWND>(w);
            Log(w ? "winamp: vis window set" : "winamp: vis window cleared");
            return 0;
        case kIpcReportRandom: Log("winamp: random " + std::to_string(w)); return 0;
        case kIpcReportFullScreen: Log("winamp: full screen " + std::to_string(w)); return 0;
        }
        return 0;
    }
    if (m == WM_KEYDOWN) g_keyForwarded = static_cast<int>(w);  // posted: arrives on this thread later
    return DefWindowProcW(h, m, w, l);
}

const wchar_t kKey[] = L"Software\\Mirelto\\Plugin";

void PutDword(const wchar_t* name, DWORD v) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &v, sizeof(v));
}
DWORD GetDword(const wchar_t* name) {
    DWORD v = 0xDEAD, size = sizeof(v);
    RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, nullptr, &v, &size);
    return v;
}

// Runs fn on a thread of its own while this thread serves Winamp's window.
template <typename Fn>
void OnVisThread(Fn fn) {
    struct Box {
        Fn fn;
        static DWORD WINAPI Run(void* p) {
            static_cast<Box*>(p)->fn();
            return 0;
        }
    } box{fn};
    HANDLE t = CreateThread(nullptr, 0, &Box::Run, &box, 0, nullptr);
    ASSERT_NE(t, nullptr);
    while (MsgWaitForMultipleObjects(1, &t, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    ASSERT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0) << "the visualisation thread hung";
    CloseHandle(t);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

std::string Take() {
    std::string all;
    for (auto& s : g_log) all += s + ";";
    g_log.clear();
    return all;
}

TEST(vis_module, winamp_runs_the_module_through_start_frames_commands_and_stop) {
    GetModuleFileNameA(nullptr, g_self, MAX_PATH);
    HINSTANCE self = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WinampProc;
    wc.hInstance = self;
    wc.lpszClassName = L"TestWinamp";
    RegisterClassW(&wc);
    wc.lpfnWndProc = FrameProc;
    wc.lpszClassName = L"TestEmbedFrame";
    RegisterClassW(&wc);
    HWND winamp = CreateWindowExW(0, L"TestWinamp", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, self, nullptr);
    ASSERT_NE(winamp, nullptr);

    RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"MRWinampVisWndLeft");
    PutDword(L"MRWinampPresetN", 3);
    PutDword(L"MRWinampVisWndLeft", 100);
    PutDword(L"MRWinampVisWndTop", 100);
    PutDword(L"MRWinampVisWndRight", 375);
    PutDword(L"MRWinampVisWndBottom", 216);

    VisHeader* header = VisGetHeader();
    ASSERT_EQ(header->version, 0x101);
    EXPECT_STREQ(header->description, "Mirelto v3.0");
    EXPECT_EQ(header->getModule(1), nullptr);
    VisModule* mod = header->getModule(0);
    ASSERT_NE(mod, nullptr);
    EXPECT_STREQ(mod->description, "Mirelto");
    EXPECT_EQ(mod->latencyMs, 25);
    EXPECT_EQ(mod->delayMs, 25);
    EXPECT_EQ(mod->spectrumNch, 0);
    EXPECT_EQ(mod->waveformNch, 2);
    mod->hwndParent = winamp;
    mod->hDllInstance = self;

    // A start whose presentation fails leaves nothing behind: the next start works.
    SetVisRendererFactory(&MakeFake);
    g_failAttach = true;
    int failed = -1;
    OnVisThread([&] { failed = mod->Init(mod); });
    EXPECT_EQ(failed, 1);
    Take();
    g_failAttach = false;

    int first = -1, second = -1;
    std::string started, frames, commands, stopped;
    wchar_t frameTitle[32] = {}, childClass[32] = {};
    DWORD leftAfterStop = 0, presetAfterStop = 0;
    OnVisThread([&] {
        first = mod->Init(mod);
        second = mod->Init(mod);
        GetWindowTextW(GetParent(g_visWindow), frameTitle, 32);
        GetClassNameW(g_visWindow, childClass, 32);
        started = Take();

        g_outputTime = 1234;
        mod->Render(mod);
        mod->Render(mod);
        g_outputTime = 0;  // the output plug-in has no time yet: Winamp's
        g_winampTime = 777;
        mod->Render(mod);
        g_winampTime = -5;
        mod->Render(mod);
        g_playlistLength = 0;  // the playlist was emptied: the lyrics go once
        mod->Render(mod);
        mod->Render(mod);
        frames = Take();

        SendMessageW(g_visWindow, WM_COMMAND, 2004, 0);
        SendMessageW(g_visWindow, WM_COMMAND, 2004, 0);
        SendMessageW(g_visWindow, WM_COMMAND, MAKEWPARAM(40384, 0xFFFF), 0);
        SendMessageW(g_visWindow, WM_COMMAND, 40382, 0);
        SendMessageW(g_visWindow, WM_KEYDOWN, VK_ESCAPE, 0);  // windowed: Winamp's
        commands = Take();

        // Changed behind the module's back: written only if the rectangle changed.
        PutDword(L"MRWinampVisWndLeft", 101);
        mod->Quit(mod);
        stopped = Take();
        leftAfterStop = GetDword(L"MRWinampVisWndLeft");
        presetAfterStop = GetDword(L"MRWinampPresetN");
    });
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1) << "a second start is refused";
    EXPECT_EQ(g_embedSeen.r.left, 100);
    EXPECT_EQ(g_embedSeen.r.bottom, 216);
    EXPECT_STREQ(frameTitle, L"Mirelto");
    EXPECT_STREQ(childClass, L"MRVisWnd");
    EXPECT_EQ(started, "select 3;attach;winamp: vis window set;");
    EXPECT_EQ(frames,
              "lookup C:\\Music\\song.mp3;draw 1234;draw 1234;draw 777;draw 0;lookup ;draw 0;draw 0;");
    EXPECT_EQ(commands, "select 4;winamp: random 1;random on;select 5;");
    EXPECT_EQ(stopped, "winamp: vis window cleared;stop;");
    EXPECT_EQ(presetAfterStop, 5u);
    EXPECT_EQ(leftAfterStop, 101u) << "an unchanged rectangle is not written";
    EXPECT_EQ(g_visWindow, nullptr);
    EXPECT_EQ(g_keyForwarded, VK_ESCAPE) << "Escape while windowed goes to Winamp";
    DestroyWindow(winamp);
}

// The module with the plug-ins' real renderer: start, frames on a track with
// lyrics, preset commands, full screen refused while a video plays... as far
// as a frame window under Wine shows (a child window's Direct3D output is not
// readable there): every call succeeds and stop leaves nothing behind.
TEST(vis_module, the_real_renderer_runs_through_a_whole_visualisation) {
    VisModule* mod = VisGetHeader()->getModule(0);
    HWND winamp = CreateWindowExW(0, L"TestWinamp", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(winamp, nullptr);
    mod->hwndParent = winamp;
    mod->hDllInstance = GetModuleHandleW(nullptr);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string lrc = std::string(temp) + "vis_module_song.lrc";
    FILE* f = std::fopen(lrc.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("[00:00.50]<00:00.50>Hello <00:01.00>world\n", f);
    std::fclose(f);
    std::snprintf(g_file, sizeof(g_file), "%svis_module_song.mp3", temp);
    g_playlistLength = 1;
    g_outputTime = 700;
    SetVisRendererFactory(&hosts::CreateHostRenderer);

    int started = -1, rendered = 0, stopped = 0;
    OnVisThread([&] {
        started = mod->Init(mod);
        if (started != 0) return;
        for (int i = 0; i < 5; ++i) rendered += mod->Render(mod) == 0;
        SendMessageW(g_visWindow, WM_COMMAND, 2002, 0);
        SendMessageW(g_visWindow, WM_COMMAND, 2010, 0);
        rendered += mod->Render(mod) == 0;
        mod->Quit(mod);
        stopped = mod->Render(mod);  // no context any more
    });
    EXPECT_EQ(started, 0);
    EXPECT_EQ(rendered, 6);
    EXPECT_EQ(stopped, 1);
    SetVisRendererFactory(&MakeFake);
    DeleteFileA(lrc.c_str());
    DestroyWindow(winamp);
}

}  // namespace
}  // namespace mr::winamp

extern "C" __declspec(dllexport) mr::winamp::OutModule* winampGetOutModule() {
    return &mr::winamp::g_out;
}
