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
#include "tests/frame/editor_process_win.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

constexpr char16_t kEditorKey[] = u"Software\\Mirelto\\Editor";

using namespace test;

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
