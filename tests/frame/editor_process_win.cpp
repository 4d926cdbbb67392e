#include "tests/frame/editor_process_win.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

#include "editor/frame/command_ids.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

struct Search {
    DWORD process = 0;
    const wchar_t* className = nullptr;
    bool visibleOnly = false;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if ((s->process == 0 || process == s->process) && ClassOf(window) == s->className &&
        (!s->visibleOnly || IsWindowVisible(window)))
        s->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChildren(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

// GDI+'s flat API, declared here: the test needs four functions of it.
struct GdiplusInput {
    UINT32 version = 1;
    void* callback = nullptr;
    BOOL noThread = FALSE;
    BOOL noCodecs = FALSE;
};
extern "C" int WINAPI GdiplusStartup(ULONG_PTR*, const GdiplusInput*, void*);
extern "C" void WINAPI GdiplusShutdown(ULONG_PTR);
extern "C" int WINAPI GdipCreateBitmapFromHBITMAP(HBITMAP, HPALETTE, void**);
extern "C" int WINAPI GdipSaveImageToFile(void*, const wchar_t*, const CLSID*, const void*);
extern "C" int WINAPI GdipDisposeImage(void*);

}  // namespace

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = L"";
    DWORD_PTR r = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 3000, &r);
    return text;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(parent, CollectChildren, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::vector<HWND> TopWindows(const wchar_t* className, DWORD process, bool visibleOnly) {
    Search s;
    s.process = process;
    s.className = className;
    s.visibleOnly = visibleOnly;
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    ULONG_PTR token = 0;
    GdiplusInput input;
    bool ok = false;
    if (GdiplusStartup(&token, &input, nullptr) == 0) {
        void* image = nullptr;
        if (GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == 0) {
            static const CLSID kPng = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
            ok = GdipSaveImageToFile(image, path.c_str(), &kPng, nullptr) == 0;
            GdipDisposeImage(image);
        }
        GdiplusShutdown(token);
    }
    DeleteObject(bitmap);
    return ok;
}

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

RemoteBuffer::RemoteBuffer(HANDLE process, size_t size) : process_(process) {
    at_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
    if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
}

Editor::~Editor() {
    if (!pi_.hProcess) return;
    if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 99);
    WaitForSingleObject(pi_.hProcess, 5000);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

bool Editor::Start(const std::u16string& argument) {
    std::wstring cmd = L"\"" + Wide(ProgramFolder()) + L"\\mredit.exe\"";
    if (!argument.empty()) cmd += L" \"" + Wide(argument) + L"\"";
    STARTUPINFOW si = {sizeof si};
    started_ = NowMs();
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) return false;
    for (int i = 0; i < 600; ++i) {
        if (WaitForSingleObject(pi_.hProcess, 50) == WAIT_OBJECT_0) return false;
        const auto frames = OwnWindows(L"MRMainFrame");
        if (!frames.empty()) {
            window_ = frames[0];
            WaitForInputIdle(pi_.hProcess, 2000);
            Settle();
            return true;
        }
    }
    return false;
}

void Editor::Settle() const {
    PostMessageW(window_, WM_NULL, 0, 0);
    DWORD_PTR r = 0;
    SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &r);
    SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &r);
}

HWND Editor::Child(int id) const {
    for (HWND w : Descendants(window_))
        if (GetDlgCtrlID(w) == id) return w;
    return nullptr;
}

HWND Editor::StatusBar() const {
    for (HWND w = GetWindow(window_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (ClassOf(w) == STATUSCLASSNAMEW) return w;
    return nullptr;
}

std::vector<HWND> Editor::OwnWindows(const wchar_t* className) const {
    return TopWindows(className, pi_.dwProcessId, true);
}

HWND Editor::WaitForDialog(const wchar_t* title, DWORD ms) const {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        for (HWND d : OwnWindows(L"#32770"))
            if (TextOf(d) == title) return d;
        Sleep(50);
    }
    return nullptr;
}

std::wstring Editor::Status(int part) const {
    Settle();
    RemoteBuffer buffer(pi_.hProcess, 512);
    const LRESULT r = SendMessageW(StatusBar(), SB_GETTEXTW, static_cast<WPARAM>(part), buffer.Address());
    wchar_t text[256] = L"";
    buffer.Read(text, sizeof text - 2);
    text[std::min<size_t>(LOWORD(r), 255)] = L'\0';
    return text;
}

std::wstring Editor::StatusText(int part) const {
    std::wstring text;
    for (int i = 0; i < 30 && text.empty(); ++i) {
        if (i > 0) Sleep(100);
        text = Status(part);
    }
    return text;
}

bool Editor::WaitStatus(int part, const std::wstring& text, DWORD ms) const {
    const double start = NowMs();
    do {
        if (Status(part) == text) return true;
        Sleep(20);
    } while (NowMs() - start < ms);
    return false;
}

std::wstring Editor::PaneText() const {
    HWND pane = Child(MR_ID_TEXT_PANE);
    const auto n = static_cast<size_t>(SendMessageW(pane, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(n + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(pane, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(text.data()))));
    text.erase(std::remove(text.begin(), text.end(), L'\n'), text.end());
    return text;
}

std::wstring Editor::TabText(int index) const {
    wchar_t text[64] = L"";
    RemoteBuffer item(pi_.hProcess, sizeof(TCITEMW) + sizeof text);
    TCITEMW t = {};
    t.mask = TCIF_TEXT;
    t.pszText = reinterpret_cast<wchar_t*>(item.Address() + sizeof(TCITEMW));
    t.cchTextMax = 64;
    item.Write(&t, sizeof t);
    SendMessageW(Child(MR_ID_TAB_CONTROL), TCM_GETITEMW, static_cast<WPARAM>(index), item.Address());
    std::vector<char> bytes(sizeof(TCITEMW) + sizeof text);
    item.Read(bytes.data(), bytes.size());
    std::copy_n(bytes.data() + sizeof(TCITEMW), sizeof text - 2, reinterpret_cast<char*>(text));
    text[63] = L'\0';
    return text;
}

WORD Editor::PaneAlignment() const {
    PARAFORMAT2 pf = {};
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_ALIGNMENT;
    RemoteBuffer buffer(pi_.hProcess, sizeof pf);
    buffer.Write(&pf, sizeof pf);
    SendMessageW(Child(MR_ID_TEXT_PANE), EM_GETPARAFORMAT, 0, buffer.Address());
    buffer.Read(&pf, sizeof pf);
    return pf.wAlignment;
}

bool Editor::Enabled(int id) const {
    return SendMessageW(Child(MR_ID_TOOLBAR), TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0) != 0;
}

bool Editor::Checked(int id) const {
    return SendMessageW(Child(MR_ID_TOOLBAR), TB_ISBUTTONCHECKED, static_cast<WPARAM>(id), 0) != 0;
}

double Editor::WaitEnabled(int id, bool enabled, DWORD ms) const {
    const double start = NowMs();
    while (NowMs() - start < ms) {
        if (Enabled(id) == enabled) return NowMs() - start;
        Sleep(5);
    }
    return -1;
}

void Editor::Command(int id) const { PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void Editor::Run(int id) const {
    DWORD_PTR r = 0;
    SendMessageTimeoutW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_BLOCK, 10000, &r);
}

int Editor::WaitForExit(DWORD ms) const {
    if (WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<int>(code);
}

int Editor::Exit() const {
    Command(MR_ID_EXIT);
    return WaitForExit();
}

void Editor::Keys(const std::vector<std::pair<WORD, bool>>& strokes) const {
    SetForegroundWindow(window_);
    std::vector<INPUT> inputs;
    for (const auto& [key, down] : strokes) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(300);
    WaitForInputIdle(pi_.hProcess, 2000);
    Settle();
}

void Editor::Key(WORD key) const {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = key;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

void Editor::Drag(POINT from, POINT to) const {
    SetForegroundWindow(window_);
    auto button = [](DWORD flags) {
        INPUT in = {};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        SendInput(1, &in, sizeof in);
        Sleep(100);
    };
    SetCursorPos(from.x, from.y);
    Sleep(100);
    button(MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= 4; ++i) {
        SetCursorPos(from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4);
        button(MOUSEEVENTF_MOVE);
    }
    button(MOUSEEVENTF_LEFTUP);
    WaitForInputIdle(pi_.hProcess, 2000);
    Settle();
}

void Editor::Press(int childId, int x, int y) const {
    POINT p{x, y};
    ClientToScreen(Child(childId), &p);
    SetCursorPos(p.x, p.y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

void Editor::MoveMouse(HWND window, int x, int y) const {
    POINT p{x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    Sleep(100);
    Settle();
}

void Editor::ClickTextPane() const {
    HWND pane = Child(MR_ID_TEXT_PANE);
    PostMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    WaitForInputIdle(pi_.hProcess, 2000);
    Settle();
}

}  // namespace mr::test
