// Decodes one media file through the editor's decode graph into a wave file
// and prints how long that took, from building the graph to the decode's
// completion, in seconds. For bench/graph/decode_vs_ffmpeg.sh.
//   graph_decode.exe MEDIA OUT.wav
#include <windows.h>

#include <cstdio>
#include <string>

#include "audio/graph/audio_graph.h"

namespace {

class Listener final : public mr::graph::GraphListener {
public:
    void OnGraphModeChanged(mr::graph::GraphMode) override {}
    void OnPlayStateChanged(mr::graph::PlayState) override {}
    void OnProgress(int64_t) override {}
    void OnDecodeFinished(const std::u16string&) override {
        QueryPerformanceCounter(&done);
        finished = true;
    }
    void OnPlayFailed() override { failed = true; }
    bool finished = false, failed = false;
    LARGE_INTEGER done{};
};

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == mr::graph::kGraphNotifyMessage) {
        if (auto* g = reinterpret_cast<mr::graph::AudioGraph*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
            g->HandleGraphEvents();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool Register(const wchar_t* dll) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    p = p.substr(0, p.find_last_of(L'\\') + 1) + dll;
    HMODULE m = LoadLibraryW(p.c_str());
    if (!m) return false;
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(m, "DllRegisterServer")));
    const bool ok = reg && SUCCEEDED(reg());
    FreeLibrary(m);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: graph_decode MEDIA OUT.wav\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    for (const wchar_t* dll : {L"mrws.dll", L"mrrt.dll", L"mrwsc.dll"})
        if (!Register(dll)) {
            std::fprintf(stderr, "graph_decode: cannot register %ls\n", dll);
            return 1;
        }
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MRGraphDecode";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    Listener listener;
    int status = 1;
    {
        mr::graph::AudioGraph graph(window, &listener);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&graph));
        graph.SetDecodedPath(reinterpret_cast<const char16_t*>(argv[2]));
        LARGE_INTEGER freq, start;
        QueryPerformanceFrequency(&freq);
        QueryPerformanceCounter(&start);
        const std::u16string media(reinterpret_cast<const char16_t*>(argv[1]));
        HRESULT hr = graph.BuildDecodeGraph(media);
        if (SUCCEEDED(hr)) hr = graph.Run();
        if (FAILED(hr)) {
            std::fprintf(stderr, "graph_decode: cannot decode (0x%08lx)\n", static_cast<unsigned long>(hr));
        } else {
            MSG msg;
            while (!listener.finished && !listener.failed && GetMessageW(&msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (listener.finished) {
                std::printf("%.3f\n", static_cast<double>(listener.done.QuadPart - start.QuadPart) /
                                          static_cast<double>(freq.QuadPart));
                status = 0;
            } else {
                std::fprintf(stderr, "graph_decode: the decode failed\n");
            }
        }
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    DestroyWindow(window);
    CoUninitialize();
    return status;
}
