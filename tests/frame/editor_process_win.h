#pragma once
// mredit.exe started as a process and driven as a user drives it: window
// messages, real key strokes and mouse input, its windows found by class
// and control identifier, texts read out of its process. Shared by the
// editor's Wine tests.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace mr::test {

std::wstring Wide(const std::u16string& s);
std::wstring ClassOf(HWND window);
// The window's text, asked with a 3 s limit (the owner may be busy).
std::wstring TextOf(HWND window);
// Every child window below `parent`, in enumeration order.
std::vector<HWND> Descendants(HWND parent);
// Top-level windows of the class, of one process (0: any); visible ones
// only when asked.
std::vector<HWND> TopWindows(const wchar_t* className, DWORD process = 0, bool visibleOnly = false);
// The screen's picture of the window, saved as PNG through GDI+.
bool SaveScreenshot(HWND window, const std::wstring& path);
// The performance counter in milliseconds.
double NowMs();

// Memory inside another process, for the messages whose pointers the system
// does not carry across processes.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    LPARAM Address() const { return reinterpret_cast<LPARAM>(at_); }
    bool Write(const void* bytes, size_t n) { return WriteProcessMemory(process_, at_, bytes, n, nullptr); }
    bool Read(void* bytes, size_t n) const { return ReadProcessMemory(process_, at_, bytes, n, nullptr); }

private:
    HANDLE process_;
    void* at_ = nullptr;
};

// One running editor; ended (terminated if need be) when the object goes.
class Editor {
public:
    Editor() = default;
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // Starts mredit.exe from the test's folder, with an argument when given;
    // true once its main window is visible and its first idle pass has run.
    bool Start(const std::u16string& argument = u"");

    HWND Window() const { return window_; }
    HANDLE Process() const { return pi_.hProcess; }
    DWORD Id() const { return pi_.dwProcessId; }
    // When Start was called, by NowMs.
    double StartedMs() const { return started_; }

    // Returns once the editor has handled everything posted so far, idle
    // pass included: sent messages are handled before posted ones, so a
    // posted WM_NULL followed by two sent ones returns only after it.
    void Settle() const;

    HWND Child(int id) const;
    HWND StatusBar() const;
    // Visible top-level windows of the editor's process of this class.
    std::vector<HWND> OwnWindows(const wchar_t* className) const;
    // A visible dialog of the editor with this title, or null after `ms`.
    HWND WaitForDialog(const wchar_t* title, DWORD ms = 10000) const;

    // The status bar part's text now; once it is non-empty (the idle pass
    // may still be under way) or "" after 3 s; or true once it reads `text`.
    std::wstring Status(int part) const;
    std::wstring StatusText(int part) const;
    bool WaitStatus(int part, const std::wstring& text, DWORD ms = 10000) const;
    // The text pane's text without its line feeds.
    std::wstring PaneText() const;
    std::wstring TabText(int index) const;
    WORD PaneAlignment() const;

    bool Enabled(int id) const;  // the toolbar button's state
    bool Checked(int id) const;
    // Polls the toolbar button until it shows `enabled`: the ms it took, or
    // -1 when it did not within `ms`.
    double WaitEnabled(int id, bool enabled, DWORD ms) const;

    // Posted, as the menu does: the command runs once the editor gets to it
    // (Exit may ask a question: the caller goes on).
    void Command(int id) const;
    // Sent: returns once a command that opens nothing modal has run.
    void Run(int id) const;
    // The exit code once the process has ended, -1 when it did not end.
    int WaitForExit(DWORD ms = 20000) const;
    int Exit() const;

    // Real input. Keys and Drag bring the editor to the front and settle.
    void Keys(const std::vector<std::pair<WORD, bool>>& strokes) const;
    void Key(WORD key) const;  // one press and release, not settled
    void Drag(POINT from, POINT to) const;
    // A left press and release at a point of a child's client area.
    void Press(int childId, int x, int y) const;
    void MoveMouse(HWND window, int x, int y) const;
    void ClickTextPane() const;

private:
    PROCESS_INFORMATION pi_ = {};
    HWND window_ = nullptr;
    double started_ = 0;
};

}  // namespace mr::test
