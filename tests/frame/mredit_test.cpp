// mredit.exe as a user meets it: started as a process, driven with window
// messages and keyboard input, its windows found by class and identifier,
// its settings read back from the registry.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/settings.h"
#include "editor/frame/command_ids.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

constexpr char16_t kEditorKey[] = u"Software\\Mirelto\\Editor";

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

struct Search {
    DWORD process = 0;
    const wchar_t* className = nullptr;
    int id = 0;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if ((s->process == 0 || process == s->process) && ClassOf(window) == s->className) s->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    if (GetDlgCtrlID(window) == s->id) s->found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopWindows(const wchar_t* className, DWORD process = 0) {
    Search s;
    s.process = process;
    s.className = className;
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// Memory inside the editor's process, for the messages whose pointers the
// system does not carry across processes.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size) : process_(process), size_(size) {
        at_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    LPARAM Address() const { return reinterpret_cast<LPARAM>(at_); }
    bool Write(const void* bytes, size_t n) { return WriteProcessMemory(process_, at_, bytes, n, nullptr); }
    bool Read(void* bytes, size_t n) const { return ReadProcessMemory(process_, at_, bytes, n, nullptr); }

private:
    HANDLE process_;
    size_t size_;
    void* at_ = nullptr;
};

class Editor {
public:
    Editor() = default;
    ~Editor() {
        if (pi_.hProcess) {
            if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 99);
            WaitForSingleObject(pi_.hProcess, 5000);
            CloseHandle(pi_.hThread);
            CloseHandle(pi_.hProcess);
        }
    }
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // Starts mredit.exe (with an argument when given); true once its main
    // window exists.
    bool Start(const std::u16string& argument = u"") {
        std::wstring cmd = L"\"" + Wide(test::ProgramFolder()) + L"\\mredit.exe\"";
        if (!argument.empty()) cmd += L" \"" + Wide(argument) + L"\"";
        STARTUPINFOW si = {sizeof si};
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) return false;
        for (int i = 0; i < 600; ++i) {
            if (WaitForSingleObject(pi_.hProcess, 50) == WAIT_OBJECT_0) return false;
            const auto frames = TopWindows(L"MRMainFrame", pi_.dwProcessId);
            if (!frames.empty() && IsWindowVisible(frames[0])) {
                window_ = frames[0];
                Settle();
                return true;
            }
        }
        return false;
    }

    // Waits until the editor has handled everything sent so far, idle pass
    // included. Sent messages are handled before posted ones, so a posted
    // WM_NULL followed by two sent ones returns only once every message
    // posted before it has been dispatched and the idle pass has run.
    void Settle() const {
        WaitForInputIdle(pi_.hProcess, 2000);
        PostMessageW(window_, WM_NULL, 0, 0);
        DWORD_PTR r = 0;
        SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &r);
        SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &r);
    }

    HWND Window() const { return window_; }
    HANDLE Process() const { return pi_.hProcess; }

    HWND Child(int id) const {
        Search s;
        s.id = id;
        EnumChildWindows(window_, CollectChild, reinterpret_cast<LPARAM>(&s));
        return s.found.empty() ? nullptr : s.found[0];
    }

    HWND StatusBar() const {
        for (HWND w = GetWindow(window_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            if (ClassOf(w) == STATUSCLASSNAMEW) return w;
        return nullptr;
    }

    // The part's text once it is non-empty (the idle pass may still be
    // under way), or "" after 3 s.
    std::wstring StatusText(int part) const {
        std::wstring text;
        for (int i = 0; i < 30 && text.empty(); ++i) {
            if (i > 0) {
                Sleep(100);
                Settle();
            }
            text = ReadStatus(part);
        }
        return text;
    }

    std::wstring ReadStatus(int part) const {
        HWND status = StatusBar();
        RemoteBuffer buffer(pi_.hProcess, 512);
        const LRESULT r = SendMessageW(status, SB_GETTEXTW, static_cast<WPARAM>(part), buffer.Address());
        wchar_t text[256] = L"";
        buffer.Read(text, sizeof text - 2);
        text[std::min<size_t>(LOWORD(r), 255)] = L'\0';
        return text;
    }

    std::wstring PaneText() const {
        HWND pane = Child(MR_ID_TEXT_PANE);
        const auto n = static_cast<size_t>(SendMessageW(pane, WM_GETTEXTLENGTH, 0, 0));
        std::wstring text(n + 1, L'\0');
        const auto got = static_cast<size_t>(SendMessageW(pane, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(text.data())));
        text.resize(got);
        std::wstring plain;
        for (wchar_t c : text)
            if (c != L'\n') plain += c;
        return plain;
    }

    std::wstring TabText(int index) const {
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

    WORD PaneAlignment() const {
        PARAFORMAT2 pf = {};
        pf.cbSize = sizeof pf;
        pf.dwMask = PFM_ALIGNMENT;
        RemoteBuffer buffer(pi_.hProcess, sizeof pf);
        buffer.Write(&pf, sizeof pf);
        SendMessageW(Child(MR_ID_TEXT_PANE), EM_GETPARAFORMAT, 0, buffer.Address());
        buffer.Read(&pf, sizeof pf);
        return pf.wAlignment;
    }

    // Posts a command (Exit may ask a question: the caller goes on).
    void Command(int id) const { PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // Runs a command that opens nothing modal and returns once it has run
    // (a posted command could still wait behind the editor's own posted
    // messages when the next check looks).
    void Run(int id) const {
        DWORD_PTR r = 0;
        SendMessageTimeoutW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, 10000, &r);
    }

    // The exit code once the process has ended, −1 when it did not end.
    int WaitForExit(DWORD ms = 20000) const {
        if (WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return static_cast<int>(code);
    }

    int Exit() const {
        Command(MR_ID_EXIT);
        return WaitForExit();
    }

    // Real key strokes into the editor's focused window.
    void Keys(const std::vector<std::pair<WORD, bool>>& strokes) const {
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
        Settle();
    }

    // A real left-button drag between two screen points.
    void Drag(POINT from, POINT to) const {
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
        Settle();
    }

    void ClickTextPane() const {
        HWND pane = Child(MR_ID_TEXT_PANE);
        PostMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        Settle();
    }

private:
    PROCESS_INFORMATION pi_ = {};
    HWND window_ = nullptr;
};

// Saves the window's picture as PNG through GDI+, the test's artefact.
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

bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT r;
    GetWindowRect(window, &r);
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

uint32_t StoredDword(const char16_t* name) {
    auto key = SettingsKey::Open(kEditorKey, false);
    uint32_t v = 0xDEADBEEF;
    if (key) key->ReadDword(name, &v);
    return v;
}

std::u16string StoredString(const char16_t* name) {
    auto key = SettingsKey::Open(kEditorKey, false);
    std::u16string v;
    if (key) key->ReadString(name, 64, &v);
    return v;
}

RECT DefaultRect() {
    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    const int left = (desk.right - desk.left - 760) / 2, top = (desk.bottom - desk.top - 540) / 2;
    return RECT{left, top, left + 760, top + 540};
}

class mredit : public ::testing::Test {
protected:
    void SetUp() override { SettingsKey::Delete(kEditorKey); }
    void TearDown() override { SettingsKey::Delete(kEditorKey); }
};

// First start: the window, its children, menu and toolbar, the status bar,
// the minimum size; closing ends the process with 0 and writes the
// settings.
TEST_F(mredit, first_start_shows_the_main_window_with_its_children) {
    Editor editor;
    ASSERT_TRUE(editor.Start());
    HWND w = editor.Window();
    wchar_t title[64] = L"";
    GetWindowTextW(w, title, 64);
    EXPECT_STREQ(title, L"Mirelto Editor");
    RECT r;
    GetWindowRect(w, &r);
    const RECT d = DefaultRect();
    EXPECT_EQ(r.left, d.left);
    EXPECT_EQ(r.top, d.top);
    EXPECT_EQ(r.right - r.left, 760);
    EXPECT_EQ(r.bottom - r.top, 540);

    struct Child {
        int id;
        const wchar_t* className;
    };
    const Child children[] = {{MR_ID_TOOLBAR, TOOLBARCLASSNAMEW},
                              {MR_ID_TAB_CONTROL, WC_TABCONTROLW},
                              {MR_ID_TIMELINE, L"MRScopeWnd"},
                              {MR_ID_TEXT_PANE, L"RichEdit20W"},
                              {MR_ID_PICTURE_LIST, WC_LISTVIEWW}};
    for (const Child& c : children) {
        SCOPED_TRACE(c.id);
        HWND child = editor.Child(c.id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(ClassOf(child), c.className);
    }
    EXPECT_EQ(ClassOf(GetParent(editor.Child(MR_ID_TAB_CONTROL))), L"MRClipWnd");
    EXPECT_TRUE(IsWindowVisible(editor.Child(MR_ID_TEXT_PANE)));
    EXPECT_FALSE(IsWindowVisible(editor.Child(MR_ID_PICTURE_LIST)));
    EXPECT_EQ(SendMessageW(editor.Child(MR_ID_TOOLBAR), TB_BUTTONCOUNT, 0, 0), 24);
    EXPECT_EQ(SendMessageW(editor.Child(MR_ID_TAB_CONTROL), TCM_GETITEMCOUNT, 0, 0), 2);
    ASSERT_NE(editor.StatusBar(), nullptr);
    EXPECT_EQ(editor.StatusText(1), L"TC: 0");
    EXPECT_EQ(editor.StatusText(2), L"LC: 0");
    EXPECT_EQ(editor.StatusText(3), L"Ln: 1");
    EXPECT_EQ(editor.StatusText(4), L"Co: 1");

    // The menu's texts as the program carries them (menus of another
    // process cannot be read under Wine), and the commands' states through
    // the toolbar.
    HMODULE program = LoadLibraryExW((Wide(test::ProgramFolder()) + L"\\mredit.exe").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    HMENU menu = LoadMenuW(program, MAKEINTRESOURCEW(MR_ID_MAIN_MENU));
    ASSERT_NE(menu, nullptr);
    struct Item {
        int id;
        const wchar_t* text;
    };
    const Item items[] = {{MR_ID_NEW, L"&New\tCtrl+N"},          {MR_ID_OPEN_LYRICS, L"&Lyrics File\tCtrl+O"},
                          {MR_ID_OPEN_AUDIO, L"&Audio File"},      {MR_ID_SAVE, L"&Save\tCtrl+S"},
                          {MR_ID_SAVE_AS_LRC, L"&LRC File"},       {MR_ID_SIMPLE_MODE, L"&Simple"},
                          {MR_ID_PLAY_XX, L"Pl&ay XX\tCtrl+K"},    {MR_ID_REMOVE_SYNCPOINT, L"Re&move Syncpoint\tCtrl+F"},
                          {MR_ID_EXIT, L"E&xit"},                  {MR_ID_ABOUT, L"&About Mirelto Editor"},
                          {MR_ID_TAP, L"&Tap Timing\tSpace"},     {MR_ID_SUGGEST_TIMING, L"Su&ggest Timing"}};
    for (const Item& item : items) {
        wchar_t text[64] = L"";
        GetMenuStringW(menu, static_cast<UINT>(item.id), text, 64, MF_BYCOMMAND);
        EXPECT_STREQ(text, item.text);
    }
    DestroyMenu(menu);
    FreeLibrary(program);
    HWND toolbar = editor.Child(MR_ID_TOOLBAR);
    struct State {
        int id;
        bool enabled;
    };
    const State states[] = {{MR_ID_NEW, true},   {MR_ID_OPEN, true},   {MR_ID_SAVE, false}, {MR_ID_UNDO, false},
                            {MR_ID_PLAY, false}, {MR_ID_STOP, false},  {MR_ID_SET_SYNCPOINT, false},
                            {MR_ID_INFORMATION, true}, {MR_ID_SLOW_DOWN, true}};
    for (const State& st : states)
        EXPECT_EQ(SendMessageW(toolbar, TB_ISBUTTONENABLED, static_cast<WPARAM>(st.id), 0) != 0, st.enabled) << st.id;
    EXPECT_EQ(editor.TabText(0), L"Lyrics");
    EXPECT_EQ(editor.TabText(1), L"Image");

    const std::u16string shot = test::ProgramFolder() + u"\\mredit_main_window.png";
    EXPECT_TRUE(SaveScreenshot(w, Wide(shot)));

    // The pane border: grabbed within 3 pixels, dragged with the ghost bar,
    // the panes laid out at the release.
    auto paneTop = [&] {
        RECT pr;
        GetWindowRect(editor.Child(MR_ID_TEXT_PANE), &pr);
        POINT p{pr.left, pr.top};
        ScreenToClient(w, &p);
        return static_cast<int>(p.y);
    };
    const int border = paneTop() - 3;
    POINT grab{200, border};
    ClientToScreen(w, &grab);
    EXPECT_EQ(SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(grab.x, grab.y)), HTSIZE);
    EXPECT_NE(SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(grab.x, grab.y - 4)), HTSIZE);
    editor.Drag(grab, POINT{grab.x, grab.y - 80});
    EXPECT_EQ(paneTop(), border - 80 + 3);
    // Dragged far down: the bar stops 24 pixels above the status bar, and
    // the layout keeps the border 26 pixels above it.
    editor.Drag(POINT{grab.x, grab.y - 80}, POINT{grab.x, grab.y + 2000});
    RECT status, client;
    GetWindowRect(editor.StatusBar(), &status);
    GetClientRect(w, &client);
    EXPECT_EQ(paneTop(), client.bottom - (status.bottom - status.top) - 26 + 3);

    // The window cannot be made smaller than 556 x 386.
    SetWindowPos(w, nullptr, 0, 0, 200, 100, SWP_NOZORDER | SWP_NOMOVE);
    editor.Settle();
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, 556);
    EXPECT_EQ(r.bottom - r.top, 386);

    EXPECT_EQ(editor.Exit(), 0);
    EXPECT_EQ(TopWindows(L"MRMainFrame").size(), 0u);
    EXPECT_EQ(StoredDword(u"TextPoint"), 120u);
    EXPECT_EQ(StoredString(u"TextFaceName"), u"Fixedsys");
    EXPECT_EQ(StoredString(u"LyricsFaceName"), u"Impact");
}

// A second instance hands over to the first and ends with 0; a minimised
// first instance is restored, a maximised one stays maximised.
TEST_F(mredit, a_second_instance_brings_the_first_forward_and_exits) {
    Editor first;
    ASSERT_TRUE(first.Start());
    test::ScopedTempDir dir;
    const std::u16string file = dir.Path(u"song.txt");
    ASSERT_TRUE(test::WriteFileBytes(file, std::string_view("la la\r\n")));

    struct Case {
        const char* what;
        int show;
        bool zoomedAfter;
    };
    const Case cases[] = {{"minimised", SW_MINIMIZE, false}, {"maximised", SW_MAXIMIZE, true},
                          {"normal", SW_RESTORE, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShowWindow(first.Window(), c.show);
        first.Settle();
        Editor second;
        EXPECT_FALSE(second.Start(file));  // it never shows a window of its own
        EXPECT_EQ(second.WaitForExit(), 0);
        first.Settle();
        EXPECT_EQ(TopWindows(L"MRMainFrame").size(), 1u);
        EXPECT_FALSE(IsIconic(first.Window()));
        EXPECT_EQ(IsZoomed(first.Window()) != FALSE, c.zoomedAfter);
    }
    EXPECT_EQ(first.PaneText(), L"");  // the file went to nobody
    EXPECT_EQ(first.Exit(), 0);
}

// What the editor writes at close it reads at the next start; values that
// break their rules give the defaults, which the next close writes back.
TEST_F(mredit, settings_written_at_close_are_read_at_the_next_start) {
    {
        Editor editor;
        ASSERT_TRUE(editor.Start());
        SetWindowPos(editor.Window(), nullptr, 40, 30, 700, 500, SWP_NOZORDER);
        editor.Run(MR_ID_SIMPLE_MODE);
        editor.Settle();
        EXPECT_EQ(editor.TabText(0), L"Lyrics [S]");
        EXPECT_EQ(editor.Exit(), 0);
    }
    EXPECT_EQ(StoredDword(u"WndLeft"), 40u);
    EXPECT_EQ(StoredDword(u"WndTop"), 30u);
    EXPECT_EQ(StoredDword(u"WndRight"), 740u);
    EXPECT_EQ(StoredDword(u"WndBottom"), 530u);
    EXPECT_EQ(StoredDword(u"SimpleMode0"), 1u);
    EXPECT_EQ(StoredDword(u"EditTextColor0"), 0xFFA020u);
    EXPECT_EQ(StoredDword(u"ScopeColor3"), 0x8080FFu);
    {
        auto key = SettingsKey::Open(kEditorKey, false);
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(key->WriteDword(u"EditTextColor1", 0x123456));
        ASSERT_TRUE(key->WriteString(u"TextFaceName", u"Tahoma"));
        ASSERT_TRUE(key->WriteDword(u"TextBold", 700));
    }
    {
        Editor editor;
        ASSERT_TRUE(editor.Start());
        RECT r;
        GetWindowRect(editor.Window(), &r);
        EXPECT_EQ(r.left, 40);
        EXPECT_EQ(r.top, 30);
        EXPECT_EQ(r.right, 740);
        EXPECT_EQ(r.bottom, 530);
        EXPECT_EQ(editor.TabText(0), L"Lyrics [S]");
        EXPECT_EQ(editor.Exit(), 0);
    }
    EXPECT_EQ(StoredDword(u"EditTextColor1"), 0x123456u);
    EXPECT_EQ(StoredString(u"TextFaceName"), u"Tahoma");
    EXPECT_EQ(StoredDword(u"TextBold"), 700u);

    // Rejected values: a rectangle 555 wide, sizes out of range, a weight
    // that is not bold, a colour beyond 24 bits, faces that are not
    // installed.
    {
        auto key = SettingsKey::Open(kEditorKey, true);
        ASSERT_TRUE(key->WriteDword(u"WndLeft", 100));
        ASSERT_TRUE(key->WriteDword(u"WndRight", 655));
        ASSERT_TRUE(key->WriteDword(u"TextPoint", 181));
        ASSERT_TRUE(key->WriteDword(u"LyricsPoint", 721));
        ASSERT_TRUE(key->WriteDword(u"TextBold", 600));
        ASSERT_TRUE(key->WriteDword(u"ScopeColor0", 0x1000000));
        ASSERT_TRUE(key->WriteString(u"TextFaceName", u"No Such Face"));
        ASSERT_TRUE(key->WriteString(u"LyricsFaceName", u"Nowhere Serif"));
    }
    {
        Editor editor;
        ASSERT_TRUE(editor.Start());
        RECT r;
        GetWindowRect(editor.Window(), &r);
        const RECT d = DefaultRect();
        EXPECT_EQ(r.left, d.left);
        EXPECT_EQ(r.right, d.right);
        EXPECT_EQ(editor.Exit(), 0);
    }
    EXPECT_EQ(StoredDword(u"TextPoint"), 120u);
    EXPECT_EQ(StoredDword(u"LyricsPoint"), 240u);
    EXPECT_EQ(StoredDword(u"TextBold"), 400u);
    EXPECT_EQ(StoredDword(u"ScopeColor0"), 0xFFCC00u);
    EXPECT_EQ(StoredString(u"TextFaceName"), u"Arial");
    EXPECT_EQ(StoredString(u"LyricsFaceName"), u"Arial");
}

// A plain-text file on the command line fills the pane and the counters;
// a text longer than the rich-edit control's default limit arrives whole.
TEST_F(mredit, a_text_file_on_the_command_line_fills_the_pane_and_the_counters) {
    test::ScopedTempDir dir;
    struct Case {
        const char* what;
        int lines;
        const char* line;
    };
    const Case cases[] = {{"three lines", 3, "one two three"}, {"2000 lines", 2000, "a line of lyrics to sing"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text;
        std::wstring expected;
        for (int i = 0; i < c.lines; ++i) {
            text += std::string(c.line) + "\r\n";
            expected += std::wstring(c.line, c.line + strlen(c.line)) + (i + 1 < c.lines ? L"\r" : L"");
        }
        const std::u16string file = dir.Path(u"song.txt");
        ASSERT_TRUE(test::WriteFileBytes(file, text));
        Editor editor;
        ASSERT_TRUE(editor.Start(file));
        EXPECT_EQ(editor.StatusText(1), L"TC: 0");
        EXPECT_EQ(editor.StatusText(2), L"LC: " + std::to_wstring(c.lines));
        EXPECT_EQ(editor.PaneText(), expected);
        EXPECT_EQ(editor.Exit(), 0);  // nothing changed: no question
    }
}

// Typing reaches the store through the pane bridge (the document becomes
// modified, Undo takes it back through the history); Ctrl+E does not
// centre the paragraph; logging off asks like closing does.
TEST_F(mredit, keys_in_the_text_pane_and_logging_off) {
    test::ScopedTempDir dir;
    const std::u16string file = dir.Path(u"song.txt");
    ASSERT_TRUE(test::WriteFileBytes(file, std::string_view("first line\r\nsecond line\r\n")));
    Editor editor;
    ASSERT_TRUE(editor.Start(file));
    editor.ClickTextPane();
    editor.Keys({{VK_CONTROL, true}, {'E', true}, {'E', false}, {VK_CONTROL, false}});
    EXPECT_EQ(editor.PaneAlignment(), PFA_LEFT);
    EXPECT_EQ(editor.PaneText(), L"first line\rsecond line");

    editor.Keys({{VK_HOME, true}, {VK_HOME, false}, {'X', true}, {'X', false}, {VK_RETURN, true}, {VK_RETURN, false}});
    const std::wstring typed = editor.PaneText();
    if (typed == L"first line\rsecond line") GTEST_SKIP() << "keyboard input does not reach the editor here";
    EXPECT_EQ(typed, L"x\rfirst line\rsecond line");
    EXPECT_EQ(editor.StatusText(2), L"LC: 3");
    EXPECT_EQ(editor.StatusText(3), L"Ln: 2");

    // Logging off with unsaved changes asks; Cancel keeps the session.
    HANDLE answerer = CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
            for (int i = 0; i < 100; ++i) {
                Sleep(100);
                for (HWND box : TopWindows(L"#32770")) {
                    wchar_t title[64] = L"";
                    GetWindowTextW(box, title, 64);
                    if (lstrcmpW(title, L"Mirelto Editor") == 0) {
                        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
                        return 1;
                    }
                }
            }
            return 0;
        },
        nullptr, 0, nullptr);
    DWORD_PTR answer = 99;
    SendMessageTimeoutW(editor.Window(), WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 15000, &answer);
    WaitForSingleObject(answerer, 15000);
    DWORD asked = 0;
    GetExitCodeThread(answerer, &asked);
    CloseHandle(answerer);
    EXPECT_EQ(asked, 1u);
    EXPECT_EQ(answer, FALSE);
    EXPECT_EQ(editor.WaitForExit(500), -1);

    // Undo twice (the line break, then the typing run): unmodified again.
    editor.Keys({{VK_CONTROL, true}, {'Z', true}, {'Z', false}, {'Z', true}, {'Z', false}, {VK_CONTROL, false}});
    EXPECT_EQ(editor.PaneText(), L"first line\rsecond line");
    EXPECT_EQ(editor.StatusText(2), L"LC: 2");

    // Unmodified: logging off goes through without a question, and the
    // session's end runs the close steps.
    SettingsKey::Delete(kEditorKey);
    answer = 99;
    SendMessageTimeoutW(editor.Window(), WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 5000, &answer);
    EXPECT_EQ(answer, TRUE);
    SendMessageTimeoutW(editor.Window(), WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 5000, &answer);
    EXPECT_EQ(editor.WaitForExit(), 0);
    EXPECT_EQ(StoredDword(u"TextPoint"), 120u);
}

}  // namespace
}  // namespace mr
