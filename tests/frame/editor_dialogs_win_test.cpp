// The editor's Information, Options and About dialogs, opened over an owner
// window as the editor opens them and driven from a second thread with
// messages to their controls, as a user would: typed values are limited and
// clamped, OK reports a change only when there is one, Reset All restores the
// first-run values, Cancel changes nothing, the colour and font dialogs feed
// their choice back. Each dialog leaves a screenshot beside the test program
// (editor_dialog_*.png).
#include <objbase.h>
#include <windows.h>

#include <colordlg.h>
#include <commctrl.h>
#include <dlgs.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editor/frame/editor_dialog_ids.h"
#include "editor/frame/editor_dialogs_win.h"
#include "editor/frame/editor_options.h"
#include "mr_version.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

// --- Screenshots through GDI+ ---

bool SavePng(HBITMAP bitmap, const std::wstring& path) {
    using namespace Gdiplus;
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) return false;
    bool saved = false;
    GpBitmap* image = nullptr;
    if (DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Ok) {
        static const CLSID kPng = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
        saved = DllExports::GdipSaveImageToFile(image, path.c_str(), &kPng, nullptr) == Ok;
        DllExports::GdipDisposeImage(image);
    }
    GdiplusShutdown(token);
    return saved;
}

// Copies the window's area of the screen to NAME.png beside the program.
bool Screenshot(HWND window, const wchar_t* name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);  // the dialog's thread paints
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    const std::u16string folder = test::ProgramFolder();
    const bool saved = SavePng(bitmap, std::wstring(folder.begin(), folder.end()) + L"\\" + name + L".png");
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

// --- Driving a dialog from a second thread ---

BOOL CALLBACK CollectDialog(HWND w, LPARAM list) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (process == GetCurrentProcessId() && IsWindowVisible(w) && wcscmp(cls, L"#32770") == 0)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

// The visible dialogs of this process.
std::vector<HWND> OurDialogs() {
    std::vector<HWND> dialogs;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

// A visible dialog of this process with that caption, optionally owned by
// `owner`; waits up to 10 s.
HWND WaitForDialog(const wchar_t* caption, HWND owner = nullptr) {
    for (int i = 0; i < 200; ++i) {
        for (HWND w : OurDialogs()) {
            wchar_t text[64] = {};
            GetWindowTextW(w, text, 64);
            if (wcscmp(text, caption) == 0 && (!owner || GetWindow(w, GW_OWNER) == owner)) return w;
        }
        Sleep(50);
    }
    return nullptr;
}

// Until the dialog is destroyed, not only hidden: its modal loop may still
// answer messages sent to the owner's thread, and what the owner does with
// the dialog's result comes after it.
bool WaitGone(HWND w) {
    for (int i = 0; i < 200; ++i) {
        if (!IsWindow(w)) return true;
        Sleep(50);
    }
    return false;
}

std::wstring Text(HWND w) {
    wchar_t buffer[400] = {};
    SendMessageW(w, WM_GETTEXT, 400, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}
void SetText(HWND w, const std::wstring& text) {
    SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
// As typed or pasted: the control's limit applies.
void Type(HWND w, const std::wstring& text) {
    SendMessageW(w, EM_SETSEL, 0, -1);
    SendMessageW(w, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}
void Click(HWND w) {
    SendMessageW(w, BM_CLICK, 0, 0);
}
// For buttons that open a modal dialog: the click must not wait for it.
void ClickLater(HWND w) {
    PostMessageW(w, BM_CLICK, 0, 0);
}
void Choose(HWND page, int id, int index) {
    SendDlgItemMessageW(page, id, CB_SETCURSEL, index, 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

// Runs `script` on a second thread against the dialog captioned `caption`
// while `show` runs the dialog on this one.
struct DriverRun {
    const wchar_t* caption;
    std::function<void(HWND)> script;
    bool found = false;
};

DWORD WINAPI Driver(void* p) {
    auto& run = *static_cast<DriverRun*>(p);
    HWND dialog = WaitForDialog(run.caption);
    run.found = dialog != nullptr;
    if (!dialog) return 0;
    run.script(dialog);
    // A script that failed half way leaves dialogs open: cancel whatever of
    // ours is still showing, so the test fails instead of hanging.
    if (!WaitGone(dialog)) {
        ADD_FAILURE() << "the dialog stayed open";
        for (int round = 0; round < 3 && IsWindowVisible(dialog); ++round) {
            for (HWND w : OurDialogs()) PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
            WaitGone(dialog);
        }
    }
    return 0;
}

class editor_dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        owner_ = CreateWindowExW(0, L"STATIC", L"Dialogs' owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override { DestroyWindow(owner_); }

    template <typename Show>
    auto Drive(const wchar_t* caption, std::function<void(HWND)> script, Show show) {
        DriverRun run{caption, std::move(script)};
        HANDLE thread = CreateThread(nullptr, 0, Driver, &run, 0, nullptr);
        EXPECT_NE(thread, nullptr);
        const auto result = show();
        EXPECT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
        CloseHandle(thread);
        EXPECT_TRUE(run.found) << "no dialog captioned " << std::string(caption, caption + wcslen(caption));
        return result;
    }
    bool Information(SaveFields& fields, std::function<void(HWND)> script) {
        return Drive(L"Information", std::move(script),
                     [&] { return ShowInformationDialog(owner_, GetModuleHandleW(nullptr), fields); });
    }
    bool Options(EditorSettings& settings, std::function<void(HWND)> script) {
        return Drive(L"Options", std::move(script),
                     [&] { return ShowEditorOptions(owner_, GetModuleHandleW(nullptr), settings); });
    }

    HWND owner_ = nullptr;
};

HWND Page(HWND dialog, int page) {
    return GetDlgItem(dialog, page);
}
HWND Item(HWND dialog, int page, int id) {
    return GetDlgItem(Page(dialog, page), id);
}

void ShowTab(HWND dialog, int index) {
    HWND tabs = GetDlgItem(dialog, MR_IDC_OPTIONS_TABS);
    SendMessageW(tabs, TCM_SETCURSEL, index, 0);
    NMHDR n{tabs, MR_IDC_OPTIONS_TABS, TCN_SELCHANGE};
    SendMessageW(dialog, WM_NOTIFY, MR_IDC_OPTIONS_TABS, reinterpret_cast<LPARAM>(&n));
}

EditorSettings Defaults() {
    EditorSettings s;
    ApplyEditorDefaults(&s, 96, ScreenRect{0, 0, 1280, 1024});
    s.lyricsPath = u"C:\\song.mr";
    s.slowDown = 1;
    return s;
}

TEST_F(editor_dialogs, information_ok_keeps_what_was_typed_within_the_limit_and_cancel_keeps_nothing) {
    SaveFields fields{u"Old Song", u"The Band", u"", true};
    std::wstring shownTitle, shownArtist;
    LRESULT limit = 0;
    bool shot = false;
    EXPECT_TRUE(Information(fields, [&](HWND d) {
        shownTitle = Text(GetDlgItem(d, MR_IDC_INFO_TITLE));
        shownArtist = Text(GetDlgItem(d, MR_IDC_INFO_ARTIST));
        limit = SendDlgItemMessageW(d, MR_IDC_INFO_ALBUM, EM_GETLIMITTEXT, 0, 0);
        Type(GetDlgItem(d, MR_IDC_INFO_TITLE), L"New Song");
        Type(GetDlgItem(d, MR_IDC_INFO_ALBUM), std::wstring(300, L'a'));
        shot = Screenshot(d, L"editor_dialog_information");
        Click(GetDlgItem(d, IDOK));
    }));
    EXPECT_EQ(shownTitle, L"Old Song");
    EXPECT_EQ(shownArtist, L"The Band");
    EXPECT_EQ(limit, 259);
    EXPECT_TRUE(shot);
    EXPECT_EQ(fields.title, u"New Song");
    EXPECT_EQ(fields.artist, u"The Band");
    EXPECT_EQ(fields.album, std::u16string(259, u'a'));
    EXPECT_TRUE(fields.simple);

    // OK without a change is no change; Cancel drops what was typed.
    const SaveFields before = fields;
    EXPECT_FALSE(Information(fields, [](HWND d) { Click(GetDlgItem(d, IDOK)); }));
    EXPECT_FALSE(Information(fields, [](HWND d) {
        SetText(GetDlgItem(d, MR_IDC_INFO_ARTIST), L"Someone Else");
        Click(GetDlgItem(d, IDCANCEL));
    }));
    EXPECT_EQ(fields.title, before.title);
    EXPECT_EQ(fields.artist, before.artist);
    EXPECT_EQ(fields.album, before.album);
}

TEST_F(editor_dialogs, options_ok_takes_the_chosen_font_and_colour_and_typed_sizes_and_styles_into_range) {
    EditorSettings settings = Defaults();
    struct Seen {
        std::wstring face, size, style, previewSize, range, chosenFace, chosenSize;
        bool antiAliased = false, fontDialog = false, faceListed = false, fontClosed = false, colourDialog = false,
             colourClosed = false;
        bool shots[3] = {};
    } seen;
    EXPECT_TRUE(Options(settings, [&](HWND d) {
        seen.face = Text(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_FACE));
        seen.size = Text(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_SIZE));
        seen.style = Text(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_STYLE));
        seen.previewSize = Text(Item(d, MR_IDD_OPTIONS_PREVIEW_TEXT, MR_IDC_FONT_SIZE));
        seen.range = Text(Item(d, MR_IDD_OPTIONS_PREVIEW_TEXT, MR_IDC_FONT_SIZE_RANGE));
        seen.antiAliased =
            SendMessageW(Item(d, MR_IDD_OPTIONS_PREVIEW_TEXT, MR_IDC_ANTI_ALIASED), BM_GETCHECK, 0, 0) == BST_CHECKED;
        seen.shots[0] = Screenshot(d, L"editor_dialog_options_edit_text");

        // The edit font through the font dialog, then a size typed over it.
        ClickLater(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_CHOOSE));
        HWND font = WaitForDialog(L"Font", d);
        seen.fontDialog = font != nullptr;
        if (font) {
            HWND faces = GetDlgItem(font, cmb1), sizes = GetDlgItem(font, cmb3);
            // On a busy machine the dialog may show before its face list is
            // filled: wait for the face to be listed.
            LRESULT face = CB_ERR;
            for (int i = 0; i < 100 && face == CB_ERR; ++i) {
                face = SendMessageW(faces, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(L"Liberation Serif"));
                if (face == CB_ERR) Sleep(50);
            }
            seen.faceListed = face != CB_ERR;
            SendMessageW(faces, CB_SETCURSEL, face, 0);
            SendMessageW(font, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELCHANGE), reinterpret_cast<LPARAM>(faces));
            SendMessageW(sizes, CB_SETCURSEL,
                         SendMessageW(sizes, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(L"16")), 0);
            SendMessageW(font, WM_COMMAND, MAKEWPARAM(cmb3, CBN_SELCHANGE), reinterpret_cast<LPARAM>(sizes));
            Click(GetDlgItem(font, IDOK));
            seen.fontClosed = WaitGone(font);
        }
        // The page fills in the choice once its thread is back from the
        // font dialog: wait for it.
        for (int i = 0; i < 100; ++i) {
            seen.chosenFace = Text(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_FACE));
            if (seen.chosenFace != seen.face) break;
            Sleep(50);
        }
        seen.chosenSize = Text(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_SIZE));
        Type(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_SIZE), L"14.5");
        ShowTab(d, 1);
        HWND preview = Page(d, MR_IDD_OPTIONS_PREVIEW_TEXT);
        Choose(preview, MR_IDC_FONT_STYLE, 3);                // Bold Italic
        Type(GetDlgItem(preview, MR_IDC_FONT_SIZE), L"100");  // above 72 points
        Click(GetDlgItem(preview, MR_IDC_ANTI_ALIASED));
        seen.shots[1] = Screenshot(d, L"editor_dialog_options_preview_text");

        // Scope colour #2 through the colour dialog, as mixed by its fields.
        ShowTab(d, 2);
        ClickLater(Item(d, MR_IDD_OPTIONS_SCOPE, MR_IDC_SCOPE_COLOR_2));
        HWND colour = WaitForDialog(L"Color", d);
        seen.colourDialog = colour != nullptr;
        if (colour) {
            SetText(GetDlgItem(colour, COLOR_RED), L"18");
            SetText(GetDlgItem(colour, COLOR_GREEN), L"52");
            SetText(GetDlgItem(colour, COLOR_BLUE), L"86");
            Click(GetDlgItem(colour, IDOK));
            seen.colourClosed = WaitGone(colour);
        }
        seen.shots[2] = Screenshot(d, L"editor_dialog_options_scope");
        Click(GetDlgItem(d, IDOK));
    }));
    EXPECT_EQ(seen.face, L"Fixedsys");
    EXPECT_EQ(seen.size, L"12");
    EXPECT_EQ(seen.style, L"Regular");
    EXPECT_EQ(seen.previewSize, L"24");
    EXPECT_EQ(seen.range, L"points (6 to 72)");
    EXPECT_TRUE(seen.antiAliased);
    EXPECT_TRUE(seen.fontDialog);
    EXPECT_TRUE(seen.faceListed);
    EXPECT_TRUE(seen.fontClosed);
    EXPECT_EQ(seen.chosenFace, L"Liberation Serif");
    EXPECT_EQ(seen.chosenSize, L"16");
    EXPECT_TRUE(seen.colourDialog);
    EXPECT_TRUE(seen.colourClosed);
    for (bool shot : seen.shots) EXPECT_TRUE(shot);

    EXPECT_EQ(settings.textPoint, 145);
    EXPECT_EQ(settings.textFont.height, FontHeightFor(145, 96));
    EXPECT_EQ(settings.lyricsPoint, kLyricsPointMax);
    EXPECT_EQ(settings.lyricsFont.weight, 700);
    EXPECT_EQ(settings.lyricsFont.italic, 1);
    EXPECT_EQ(settings.antiAliased, 0u);
    EXPECT_EQ(settings.scopeColor[1], static_cast<uint32_t>(RGB(18, 52, 86)));
    const EditorSettings untouched = Defaults();
    EXPECT_EQ(settings.scopeColor[0], untouched.scopeColor[0]);
    EXPECT_EQ(settings.textFont.face, u"Liberation Serif");
    EXPECT_EQ(settings.lyricsFont.face, u"Impact");
    EXPECT_EQ(settings.lyricsPath, u"C:\\song.mr");
    EXPECT_EQ(settings.slowDown, 1u);
    EXPECT_EQ(settings.window, untouched.window);
}

TEST_F(editor_dialogs, options_reset_all_restores_the_defaults_and_cancel_or_an_unchanged_ok_changes_nothing) {
    EditorSettings settings = Defaults();
    settings.textFont = FontRecord{FontHeightFor(160, 96), 700, 1, 0, u"Tahoma"};
    settings.textPoint = 160;
    settings.lyricsFont.face = u"Arial";
    settings.antiAliased = 0;
    for (uint32_t& c : settings.scopeColor) c = 0x123456;
    settings.editTextColor[1] = 0x010203;
    settings.previewOutlineColor[0] = 0x0A0B0C;
    const EditorSettings modified = settings;

    // Cancel after edits, and OK with nothing edited: no change reported.
    EXPECT_FALSE(Options(settings, [](HWND d) {
        Type(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_SIZE), L"9");
        Click(GetDlgItem(d, MR_IDC_OPTIONS_RESET_ALL));
        Click(GetDlgItem(d, IDCANCEL));
    }));
    EXPECT_FALSE(AppearanceDiffers(settings, modified));
    EXPECT_FALSE(Options(settings, [](HWND d) { Click(GetDlgItem(d, IDOK)); }));
    EXPECT_FALSE(AppearanceDiffers(settings, modified));

    std::wstring faceBefore, faceAfter, styleAfter, sizeAfter;
    bool checkedAfter = false;
    EXPECT_TRUE(Options(settings, [&](HWND d) {
        faceBefore = Text(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_FACE));
        Click(GetDlgItem(d, MR_IDC_OPTIONS_RESET_ALL));
        faceAfter = Text(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_FACE));
        styleAfter = Text(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_STYLE));
        sizeAfter = Text(Item(d, MR_IDD_OPTIONS_EDIT_TEXT, MR_IDC_FONT_SIZE));
        checkedAfter =
            SendMessageW(Item(d, MR_IDD_OPTIONS_PREVIEW_TEXT, MR_IDC_ANTI_ALIASED), BM_GETCHECK, 0, 0) == BST_CHECKED;
        Click(GetDlgItem(d, IDOK));
    }));
    EXPECT_EQ(faceBefore, L"Tahoma");
    EXPECT_EQ(faceAfter, L"Fixedsys");
    EXPECT_EQ(styleAfter, L"Regular");
    EXPECT_EQ(sizeAfter, L"12");
    EXPECT_TRUE(checkedAfter);
    EXPECT_FALSE(AppearanceDiffers(settings, Defaults()));
    EXPECT_EQ(settings.lyricsPath, u"C:\\song.mr");
    EXPECT_EQ(settings.slowDown, 1u);
}

TEST_F(editor_dialogs, about_box_names_the_product_and_its_version) {
    std::wstring product, version, description;
    bool shot = false;
    Drive(
        L"About Mirelto Editor",
        [&](HWND d) {
            product = Text(GetDlgItem(d, MR_IDC_ABOUT_PRODUCT));
            version = Text(GetDlgItem(d, MR_IDC_ABOUT_VERSION));
            description = Text(GetDlgItem(d, MR_IDC_ABOUT_DESCRIPTION));
            shot = Screenshot(d, L"editor_dialog_about");
            Click(GetDlgItem(d, IDOK));
        },
        [&] {
            ShowAboutBox(owner_, GetModuleHandleW(nullptr));
            return 0;
        });
    EXPECT_EQ(product, L"Mirelto Editor");
    EXPECT_EQ(version, L"Version " MR_VERSION_TEXT);
    EXPECT_FALSE(description.empty());
    EXPECT_TRUE(shot);
}

}  // namespace
}  // namespace mr
