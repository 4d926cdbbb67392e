// lyricsview FILE [PRESET [START_MS [RUN_MS]]]
// Opens a lyrics file (.mr, .lrc, .txt or karaoke MIDI) and shows it in a
// window with preset PRESET (1-6, default 1), the clock starting at START_MS
// and running in real time; the title shows the position. With RUN_MS the
// program closes itself after that long (for scripted screenshots).
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

#include "lyrics/lyrics_document.h"
#include "presets/preset_environment_win.h"
#include "presets/preset_store.h"
#include "render/lyrics_renderer.h"

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (msg == WM_KEYDOWN && wp == VK_ESCAPE) {
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcW(window, msg, wp, lp);
}

long Number(const wchar_t* text, long fallback) {
    if (!text) return fallback;
    wchar_t* end = nullptr;
    const long v = std::wcstol(text, &end, 10);
    return end && *end == 0 && end != text ? v : fallback;
}

// The reader for a file name, by its extension (any case).
int KindOf(const std::u16string& path) {
    const size_t dot = path.find_last_of(u'.');
    std::u16string ext = dot == std::u16string::npos ? std::u16string() : path.substr(dot + 1);
    for (char16_t& c : ext) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    if (ext == u"mr") return mr::kLyricsKindNative;
    if (ext == u"lrc") return mr::kLyricsKindLrc;
    if (ext == u"mid" || ext == u"midi" || ext == u"kar" || ext == u"rmi") return mr::kLyricsKindMidi;
    return mr::kLyricsKindText;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) {
        MessageBoxW(nullptr, L"lyricsview FILE [PRESET 1-6 [START_MS [RUN_MS]]]", L"lyricsview", MB_OK);
        return 2;
    }
    const std::u16string path(reinterpret_cast<const char16_t*>(argv[1]));
    const long preset = Number(argc > 2 ? argv[2] : nullptr, 1);
    const long startMs = Number(argc > 3 ? argv[3] : nullptr, 0);
    const long runMs = Number(argc > 4 ? argv[4] : nullptr, -1);
    LocalFree(argv);
    if (preset < 1 || preset > mr::kPresetCount) return 2;

    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"MRLyricsView";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(L"MRLyricsView", L"lyricsview", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                800, 450, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    mr::PresetStore store(mr::ScreenPresetEnvironment());
    mr::LyricsRenderer renderer(store);
    if (!renderer.SelectPreset(static_cast<int>(preset - 1)) || !renderer.AttachWindow(window)) {
        MessageBoxW(window, L"The display cannot be started.", L"lyricsview", MB_OK | MB_ICONERROR);
        return 1;
    }
    if (!renderer.LoadLyrics(path, KindOf(path))) {
        MessageBoxW(window, L"The lyrics file cannot be read.", L"lyricsview", MB_OK | MB_ICONERROR);
        return 1;
    }

    const ULONGLONG started = GetTickCount64();
    MSG msg = {};
    bool running = true;
    while (running) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) running = false;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!running) break;
        const ULONGLONG elapsed = GetTickCount64() - started;
        if (runMs >= 0 && elapsed >= static_cast<ULONGLONG>(runMs)) {
            DestroyWindow(window);
            continue;
        }
        const int32_t position = static_cast<int32_t>(startMs + static_cast<long>(elapsed));
        const int drawn = renderer.DrawToWindow(position);
        wchar_t title[80];
        std::swprintf(title, 80, L"lyricsview %02d:%02d.%02d%ls", position / 60000, position / 1000 % 60,
                      position / 10 % 100, drawn ? L"" : L" (frame failed)");
        SetWindowTextW(window, title);
        Sleep(15);
    }
    renderer.Stop();
    return static_cast<int>(msg.wParam);
}
