#include "hosts/winamp/vis_module.h"

#include <cstring>
#include <new>
#include <string>

#include "hosts/winamp/vis_rules.h"

namespace mr::winamp {
namespace {

constexpr wchar_t kWindowClass[] = L"MRVisWnd";
constexpr wchar_t kSettingsKey[] = L"Software\\Mirelto\\Plugin";
constexpr wchar_t kPresetValue[] = L"MRWinampPresetN";
constexpr const wchar_t* kRectValues[4] = {L"MRWinampVisWndLeft", L"MRWinampVisWndTop", L"MRWinampVisWndRight",
                                           L"MRWinampVisWndBottom"};
constexpr UINT_PTR kRedrawTimer = 1;
constexpr UINT kRedrawPeriodMs = 100;
constexpr int kNameUnits = 260;  // path buffers, terminator included

// The running module's state; the window procedure reaches it through the
// one module-wide pointer.
struct Context {
    std::unique_ptr<hosts::HostRenderer> renderer;
    HWND winamp = nullptr;
    HWND frame = nullptr;
    HWND child = nullptr;
    EmbedWindowState embed{};
    ScreenRect savedRect = kDefaultFrameRect;
    int savedPreset = 0;
    RECT childInFrame{};
    std::u16string lastFile;
    bool fullScreen = false;
    bool timer = false;
};

Context* g_context = nullptr;
HINSTANCE g_instance = nullptr;
RendererFactory g_factory = &hosts::CreateHostRenderer;

char g_headerText[] = "Mirelto v3.0";
char g_moduleText[] = "Mirelto";

LRESULT Ipc(Context& c, LPARAM number, WPARAM wParam = 0) {
    return SendMessageW(c.winamp, WM_USER, wParam, number);
}

// An ANSI text of Winamp's into at most kNameUnits - 1 UTF-16 units; null,
// empty or unconvertible texts give the empty name.
std::u16string FromAnsi(const char* text) {
    if (!text || !*text) return {};
    wchar_t buffer[kNameUnits];
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, buffer, kNameUnits);
    if (n <= 1) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), size_t(n - 1));
}

ScreenRect VirtualScreen() {
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool ReadDword(HKEY key, const wchar_t* name, int32_t* value) {
    DWORD data = 0, size = sizeof(data), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(data))
        return false;
    *value = static_cast<int32_t>(data);
    return true;
}

void ReadSettings(Context& c) {
    c.savedRect = kDefaultFrameRect;
    c.savedPreset = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    int32_t preset = 0;
    if (ReadDword(key, kPresetValue, &preset) && preset >= 0 && preset <= 5) c.savedPreset = preset;
    ScreenRect r{};
    int32_t* fields[4] = {&r.left, &r.top, &r.right, &r.bottom};
    bool all = true;
    for (int i = 0; i < 4; ++i) all = ReadDword(key, kRectValues[i], fields[i]) && all;
    if (all && SavedFrameUsable(r, VirtualScreen())) c.savedRect = r;
    RegCloseKey(key);
}

// The frame's normal rectangle in screen coordinates: a window placement
// gives it in work-area coordinates unless the frame is a tool window.
ScreenRect FrameRect(HWND frame) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    GetWindowPlacement(frame, &wp);
    RECT r = wp.rcNormalPosition;
    if (!(GetWindowLongPtrW(frame, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &mi))
            OffsetRect(&r, mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top);
    }
    return {r.left, r.top, r.right, r.bottom};
}

void SaveSettings(Context& c) {
    if (!c.frame || !IsWindow(c.frame)) return;
    const ScreenRect rect = FrameRect(c.frame);
    const int preset = c.renderer->NextPresetIndex();
    const bool presetChanged = preset != c.savedPreset, rectChanged = !(rect == c.savedRect);
    if (!presetChanged && !rectChanged) return;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    auto put = [&](const wchar_t* name, int32_t v) {
        const DWORD d = static_cast<DWORD>(v);
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&d), sizeof(d));
    };
    if (presetChanged) put(kPresetValue, preset);
    if (rectChanged) {
        const int32_t values[4] = {rect.left, rect.top, rect.right, rect.bottom};
        for (int i = 0; i < 4; ++i) put(kRectValues[i], values[i]);
    }
    RegCloseKey(key);
}

// The audible position: the output plug-in's own clock when it can be had,
// otherwise Winamp's.
int32_t OutputTime(Context& c) {
    const std::u16string name = FromAnsi(reinterpret_cast<const char*>(Ipc(c, kIpcOutputModuleFile)));
    if (!name.empty()) {
        if (HMODULE out = GetModuleHandleW(reinterpret_cast<const wchar_t*>(name.c_str()))) {
            auto get = reinterpret_cast<GetOutModuleFn>(
                reinterpret_cast<void*>(GetProcAddress(out, "winampGetOutModule")));
            if (OutModule* m = get ? get() : nullptr; m && m->GetOutputTime) {
                const int t = m->GetOutputTime();
                if (t > 0) return t;
            }
        }
    }
    const LRESULT t = Ipc(c, kIpcGetOutputTime);
    return t < 0 ? 0 : static_cast<int32_t>(t > INT32_MAX ? INT32_MAX : t);
}

bool DrawOneFrame(Context& c) {
    std::u16string file;
    if (Ipc(c, kIpcPlaylistLength) > 0) {
        const LRESULT position = Ipc(c, kIpcPlaylistPosition);
        file = FromAnsi(reinterpret_cast<const char*>(Ipc(c, kIpcPlaylistFile, static_cast<WPARAM>(position))));
    }
    if (file != c.lastFile) {
        c.lastFile = file;
        c.renderer->LoadLyricsForMedia(c.lastFile);
    }
    return c.renderer->DrawFrame(OutputTime(c)) != 0;
}

bool Playing(Context& c) {
    return Ipc(c, kIpcIsPlaying) == 1;
}

// Puts the child back into the frame after full screen (or a failed switch to
// it) and shows the frame's top-level window without activating it.
void ReturnToFrame(Context& c) {
    SetParent(c.child, c.frame);
    SetWindowLongPtrW(c.child, GWL_STYLE, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    SetWindowPos(c.child, nullptr, c.childInFrame.left, c.childInFrame.top, c.childInFrame.right - c.childInFrame.left,
                 c.childInFrame.bottom - c.childInFrame.top, SWP_NOZORDER | SWP_FRAMECHANGED);
    HWND top = c.frame;
    while (top && (GetWindowLongPtrW(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
    if (top) ShowWindow(top, SW_SHOWNA);
}

void EnterFullScreen(Context& c) {
    if (c.fullScreen || Ipc(c, kIpcIsPlayingVideo) > 1) return;
    GetWindowRect(c.child, &c.childInFrame);
    MapWindowPoints(nullptr, c.frame, reinterpret_cast<POINT*>(&c.childInFrame), 2);
    Ipc(c, kIpcReportFullScreen, 1);
    SetParent(c.child, nullptr);
    SetWindowLongPtrW(c.child, GWL_STYLE, WS_VISIBLE);
    if (c.renderer->ToggleFullScreen()) {
        c.fullScreen = true;
        return;
    }
    ReturnToFrame(c);
}

void LeaveFullScreen(Context& c) {
    if (!c.fullScreen) return;
    Ipc(c, kIpcReportFullScreen, 0);
    c.renderer->ToggleFullScreen();
    c.fullScreen = false;
    ReturnToFrame(c);
}

void ShowMenu(Context& c, POINT at) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    for (int i = 0; i < 6; ++i) {
        std::u16string name;
        if (!hosts::PresetName(i, &name)) break;
        AppendMenuW(menu, MF_STRING, kCmdPresetFirst + i, reinterpret_cast<const wchar_t*>(name.c_str()));
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kCmdRandom, L"Random");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kCmdFullScreen, L"Full Screen");
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, c.child, nullptr);
    DestroyMenu(menu);
}

bool RunCommand(Context& c, WPARAM wParam) {
    const CommandEffect e =
        PresetCommand(LOWORD(wParam), HIWORD(wParam), c.renderer->CurrentPreset(), c.renderer->RandomPreset());
    if (!e.handled) return false;
    if (e.reportRandom >= 0) Ipc(c, kIpcReportRandom, static_cast<WPARAM>(e.reportRandom));
    if (e.setRandom >= 0) c.renderer->SetRandomPreset(e.setRandom != 0);
    if (e.select) c.renderer->SelectPreset(e.selectIndex);
    if (e.fullScreen) EnterFullScreen(c);
    if (e.options) hosts::ShowPluginOptions(nullptr);
    if (e.menu && !c.fullScreen) {
        POINT p{};
        GetCursorPos(&p);
        ShowMenu(c, p);
    }
    return true;
}

LRESULT CALLBACK VisWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Context* c = g_context;
    if (!c || !c->renderer || (c->child && hwnd != c->child)) return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED && c->renderer->HasDevice()) {
            RECT r{};
            GetClientRect(hwnd, &r);
            if (r.right > r.left && r.bottom > r.top) c->renderer->CheckMonitorAndSize(r);
        }
        return 0;
    case WM_PAINT:
        ValidateRect(hwnd, nullptr);
        if (!Playing(*c)) DrawOneFrame(*c);
        return 0;
    case WM_TIMER:
        if (!Playing(*c)) DrawOneFrame(*c);
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = kMinFrameSide;
        info->ptMinTrackSize.y = kMinFrameSide;
        return 0;
    }
    case WM_CONTEXTMENU:
        if (!c->fullScreen) {
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (lParam == -1) GetCursorPos(&p);  // from the keyboard: at the cursor
            ShowMenu(*c, p);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE && c->fullScreen) {
            LeaveFullScreen(*c);
            return 0;
        }
        PostMessageW(c->winamp, msg, wParam, lParam);
        return 0;
    case WM_KEYUP:
        PostMessageW(c->winamp, msg, wParam, lParam);
        return 0;
    case WM_COMMAND:
        if (RunCommand(*c, wParam)) return 0;
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool CreateVisWindow(Context& c, VisModule* mod) {
    c.winamp = mod->hwndParent;
    ReadSettings(c);
    std::memset(&c.embed, 0, sizeof(c.embed));
    c.embed.r = RECT{c.savedRect.left, c.savedRect.top, c.savedRect.right, c.savedRect.bottom};
    auto embed = reinterpret_cast<EmbedWindowFn>(Ipc(c, kIpcGetEmbedFunction));
    if (!embed) return false;
    c.frame = embed(&c.embed);
    if (!c.frame) return false;
    SetWindowTextW(c.frame, L"Mirelto");

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = VisWindowProc;
    wc.hInstance = g_instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    c.child = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                              kMinFrameSide, kMinFrameSide, c.frame, nullptr, g_instance, nullptr);
    if (!c.child) return false;
    if (!c.renderer->SelectPreset(c.savedPreset) || !c.renderer->AttachWindow(c.child)) return false;
    c.timer = SetTimer(c.child, kRedrawTimer, kRedrawPeriodMs, nullptr) != 0;
    Ipc(c, kIpcSetVisWindow, reinterpret_cast<WPARAM>(c.child));
    ShowWindow(c.frame, SW_SHOWNA);
    return true;
}

// Ends the module's run: everything start made goes, in reverse, whether
// start completed or not, so the next start begins afresh.
void TearDown(Context* c, bool started) {
    if (started) {
        SaveSettings(*c);
        Ipc(*c, kIpcSetVisWindow, 0);
    }
    if (c->renderer) c->renderer->Stop();
    if (c->timer) KillTimer(c->child, kRedrawTimer);
    if (c->child && IsWindow(c->child) && GetParent(c->child) != c->frame) DestroyWindow(c->child);
    if (started && c->winamp) SetForegroundWindow(c->winamp);
    if (c->frame && IsWindow(c->frame)) DestroyWindow(c->frame);
    c->renderer.reset();
    g_context = nullptr;
    delete c;
}

void Configure(VisModule*) {
    hosts::ShowPluginOptions(nullptr);
}

int Start(VisModule* mod) {
    g_instance = mod->hDllInstance;
    if (g_context) return 1;
    auto* c = new (std::nothrow) Context;
    if (!c) return 1;
    g_context = c;
    c->renderer = g_factory ? g_factory() : nullptr;
    if (!c->renderer || !CreateVisWindow(*c, mod)) {
        TearDown(c, false);
        return 1;
    }
    SetForegroundWindow(c->child);
    SetFocus(c->child);
    return 0;
}

int Render(VisModule*) {
    if (!g_context) return 1;
    return DrawOneFrame(*g_context) ? 0 : 1;
}

void Stop(VisModule*) {
    if (g_context) TearDown(g_context, true);
}

VisModule* GetModule(int index);

VisModule g_module = {
    g_moduleText, nullptr, nullptr, 0, 0, 25, 25, 0, 2, {}, {}, &Configure, &Start, &Render, &Stop, nullptr,
};
VisHeader g_header = {kVisHeaderVersion, g_headerText, &GetModule};

VisModule* GetModule(int index) {
    return index == 0 ? &g_module : nullptr;
}

}  // namespace

VisHeader* VisGetHeader() {
    return &g_header;
}

void SetVisRendererFactory(RendererFactory factory) {
    g_factory = factory;
}

}  // namespace mr::winamp
