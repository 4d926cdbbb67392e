// What the installer test asks of an installed system that a shell cannot
// see: whether COM creates classes by identifier alone, and whether a program
// shows its window.
//   install_probe create {CLSID}...       exit code: classes that failed
//   install_probe window CLASS SECONDS    waits for a top-level window of the
//                                         class, closes it; 0 when one came
//   install_probe gone PATH SECONDS       waits until PATH no longer exists
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>

namespace {

int Create(int argc, wchar_t** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 100;
    int failed = 0;
    for (int i = 2; i < argc; ++i) {
        CLSID clsid;
        IUnknown* object = nullptr;
        HRESULT hr = CLSIDFromString(argv[i], &clsid);
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object));
        std::wprintf(L"%ls %ls 0x%08lx\n", SUCCEEDED(hr) ? L"created" : L"failed", argv[i], static_cast<unsigned long>(hr));
        if (object) object->Release();
        if (FAILED(hr)) ++failed;
    }
    CoUninitialize();
    return failed;
}

int Window(const wchar_t* cls, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND w = FindWindowW(cls, nullptr)) {
            wchar_t title[256] = {};
            GetWindowTextW(w, title, 256);
            std::wprintf(L"window %ls \"%ls\"\n", cls, title);
            PostMessageW(w, WM_CLOSE, 0, 0);
            return 0;
        }
        Sleep(100);
    }
    std::wprintf(L"no window of class %ls\n", cls);
    return 1;
}

int Gone(const wchar_t* path, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return 0;
        Sleep(100);
    }
    std::wprintf(L"%ls is still there\n", path);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wcscmp(argv[1], L"create") == 0) return Create(argc, argv);
    if (argc == 4 && std::wcscmp(argv[1], L"window") == 0) return Window(argv[2], _wtoi(argv[3]));
    if (argc == 4 && std::wcscmp(argv[1], L"gone") == 0) return Gone(argv[2], _wtoi(argv[3]));
    std::fwprintf(stderr, L"usage: install_probe create {CLSID}... | window CLASS SECONDS | gone PATH SECONDS\n");
    return 2;
}
