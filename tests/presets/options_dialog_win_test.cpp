// The options dialog, opened as the plug-ins open it and driven by messages
// to its controls from a second thread, as a user would: typed values are
// limited, the line count governs Scroll, OK applies and saves, Cancel
// discards. The first run also leaves screenshots of the sheet's groups and
// of the gradient editor (options_dialog*.png beside the test program).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "presets/options_dialog_ids.h"
#include "presets/options_dialog_win.h"
#include "tests/presets/preset_test_support.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

using test::FixedPresetEnvironment;
using test::kPresetTestRoot;

// --- A small PNG writer (stored deflate blocks), for the screenshot. ---

uint32_t Crc(const uint8_t* p, size_t n, uint32_t c = 0xFFFFFFFFu) {
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return c;
}

void Be32(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(x >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Be32(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    Be32(out, Crc(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

// rgb: width * height * 3 bytes, top row first.
bool WritePng(const std::wstring& path, int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + static_cast<size_t>(y) * width * 3,
                   rgb.begin() + static_cast<size_t>(y + 1) * width * 3);
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t off = 0; off < raw.size() || off == 0;) {
        const size_t n = std::min<size_t>(65535, raw.size() - off);
        z.push_back(off + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + off, raw.begin() + off + n);
        off += n;
        if (n == 0) break;
    }
    Be32(z, (b << 16) | a);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    Be32(ihdr, width);
    Be32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
    return fclose(f) == 0 && ok;
}

// Copies a window's area of the screen into a PNG.
bool Screenshot(HWND w, const std::wstring& path) {
    RECT r;
    if (!GetWindowRect(w, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    const auto* px = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgb[i * 3] = px[i * 4 + 2];
        rgb[i * 3 + 1] = px[i * 4 + 1];
        rgb[i * 3 + 2] = px[i * 4];
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return WritePng(path, width, height, rgb);
}

// --- Driving the sheet. ---

HWND WaitForWindow(const wchar_t* caption) {
    for (int i = 0; i < 400; ++i) {  // at most 20 s
        HWND w = FindWindowW(L"#32770", caption);
        if (w && IsWindowVisible(w)) return w;
        Sleep(50);
    }
    return nullptr;
}

// What the driver saw, checked on the test's thread afterwards.
struct Observed {
    bool sheetFound = false;
    bool pageFound = false;
    std::vector<std::pair<std::string, bool>> flags;  // name, value
    std::vector<std::pair<std::string, std::wstring>> texts;
    bool screenshot = false;
};

struct Driver {
    HWND sheet = nullptr, page = nullptr, tree = nullptr;
    Observed* seen = nullptr;

    HWND Control(int id) const { return GetDlgItem(page, id); }
    void Type(int id, const wchar_t* text) const { SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }
    void Click(int id) const { SendMessageW(Control(id), BM_CLICK, 0, 0); }
    std::wstring Text(int id) const {
        wchar_t buf[300] = {};
        SendMessageW(Control(id), WM_GETTEXT, 300, reinterpret_cast<LPARAM>(buf));
        return buf;
    }
    // Paints and copies a window into NAME.png beside the test program.
    bool Shot(HWND w, const wchar_t* name) const {
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(300);  // the dialog's thread paints
        const std::u16string folder = test::ProgramFolder();
        return Screenshot(w, std::wstring(folder.begin(), folder.end()) + L"\\" + name + L".png");
    }
    void Flag(const std::string& name, bool v) const { seen->flags.emplace_back(name, v); }
    void Note(const std::string& name, const std::wstring& v) const { seen->texts.emplace_back(name, v); }
    // child: -1 the preset itself, 0 "Font", 1 "Color", 2 "Picture".
    void Select(int preset, int child = -1) const {
        HTREEITEM item = TreeView_GetRoot(tree);
        if (preset >= 0) {
            item = TreeView_GetChild(tree, item);
            for (int i = 0; i < preset && item; ++i) item = TreeView_GetNextSibling(tree, item);
            if (child >= 0 && item) {
                TreeView_Expand(tree, item, TVE_EXPAND);
                item = TreeView_GetChild(tree, item);
                for (int i = 0; i < child && item; ++i) item = TreeView_GetNextSibling(tree, item);
            }
        }
        TreeView_SelectItem(tree, item);
    }
};

struct DialogRun {
    std::function<void(Driver&)> script;
    Observed seen;
};

DWORD WINAPI DriverThread(void* p) {
    DialogRun& run = *static_cast<DialogRun*>(p);
    Driver d;
    d.seen = &run.seen;
    d.sheet = WaitForWindow(L"Mirelto");
    run.seen.sheetFound = d.sheet != nullptr;
    if (!d.sheet) return 0;
    d.page = reinterpret_cast<HWND>(SendMessageW(d.sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    d.tree = d.page ? GetDlgItem(d.page, IDC_MR_TREE) : nullptr;
    run.seen.pageFound = d.tree != nullptr;
    if (d.tree) run.script(d);
    else PostMessageW(d.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    return 0;
}

class options_dialog : public ::testing::Test {
protected:
    void SetUp() override { SettingsKey::Delete(u"Software\\MireltoTest"); }
    void TearDown() override { SettingsKey::Delete(u"Software\\MireltoTest"); }

    // Shows the sheet over the store, with the script driving it.
    int Show(PresetStore& store, DialogRun& run) {
        HANDLE t = CreateThread(nullptr, 0, DriverThread, &run, 0, nullptr);
        EXPECT_NE(t, nullptr);
        const int result = ShowOptions(nullptr, store);
        WaitForSingleObject(t, 30000);
        CloseHandle(t);
        EXPECT_TRUE(run.seen.sheetFound);
        EXPECT_TRUE(run.seen.pageFound);
        return result;
    }
    static bool FlagOf(const Observed& o, const std::string& name) {
        for (auto& [n, v] : o.flags)
            if (n == name) return v;
        ADD_FAILURE() << "not observed: " << name;
        return false;
    }
    static std::wstring TextOf(const Observed& o, const std::string& name) {
        for (auto& [n, v] : o.texts)
            if (n == name) return v;
        ADD_FAILURE() << "not observed: " << name;
        return {};
    }

    FixedPresetEnvironment env;
};

TEST_F(options_dialog, ok_applies_what_was_typed_limited_to_what_the_store_keeps) {
    {
        auto key = test::PresetKey(2);
        key->WriteString(u"PresetName", u"Trio");
    }
    auto store = std::make_unique<PresetStore>(env, kPresetTestRoot);
    DialogRun run;
    run.script = [](Driver& d) {
        // Opened on the current preset (#1) with its group showing.
        d.Flag("name shown", IsWindowVisible(d.Control(IDC_MR_PRESET_NAME)));
        d.Flag("delay hidden", !IsWindowVisible(d.Control(IDC_MR_DELAY)));
        d.Note("name of #1", d.Text(IDC_MR_PRESET_NAME));

        d.Select(2);
        d.Note("name of #3", d.Text(IDC_MR_PRESET_NAME));
        d.Type(IDC_MR_PRESET_NAME, L"");
        d.Type(IDC_MR_TEXT_HOFFSET, L"900");
        d.Type(IDC_MR_TEXT_VOFFSET, L"-5");
        d.Click(IDC_MR_LINES_1);
        d.Flag("scroll with one line", IsWindowEnabled(d.Control(IDC_MR_SCROLL)));
        d.Click(IDC_MR_LINES_4);
        d.Flag("scroll with four lines", IsWindowEnabled(d.Control(IDC_MR_SCROLL)));
        d.Click(IDC_MR_LINES_1);
        SendMessageW(d.Control(IDC_MR_TEXT_VALIGN), CB_SETCURSEL, 1, 0);
        SendMessageW(d.page, WM_COMMAND, MAKEWPARAM(IDC_MR_TEXT_VALIGN, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(d.Control(IDC_MR_TEXT_VALIGN)));

        // Leaving #3 reads its edits back; coming back shows them.
        d.Select(3);
        d.Select(2);
        d.Note("emptied name", d.Text(IDC_MR_PRESET_NAME));
        d.Note("offset 900", d.Text(IDC_MR_TEXT_HOFFSET));
        d.Note("offset -5", d.Text(IDC_MR_TEXT_VOFFSET));
        d.Flag("one line still checked", IsDlgButtonChecked(d.page, IDC_MR_LINES_1) == BST_CHECKED);

        // The gradient editor limits its percentages.
        d.Select(2, 1);
        d.Flag("colour group shown", IsWindowVisible(d.Control(IDC_MR_COLOR_INNER)));
        PostMessageW(d.Control(IDC_MR_COLOR_INNER), BM_CLICK, 0, 0);
        HWND gradient = WaitForWindow(L"Gradient");
        d.Flag("gradient editor opened", gradient != nullptr);
        if (gradient) {
            SetDlgItemTextW(gradient, IDC_MR_GRADIENT_TOP_PERCENT, L"80");
            SetDlgItemTextW(gradient, IDC_MR_GRADIENT_BOTTOM_PERCENT, L"12");
            d.Shot(gradient, L"options_dialog_gradient");
            SendMessageW(gradient, WM_COMMAND, IDOK, 0);
        }

        // Typed on #4 and on the general page, then OK without leaving them.
        d.Select(3, 2);
        d.Type(IDC_MR_IMAGE_HOFFSET, L"42");
        d.Select(-1);
        d.Flag("delay shown", IsWindowVisible(d.Control(IDC_MR_DELAY)));
        d.Type(IDC_MR_DELAY, L"20000");
        d.Select(2);
        d.seen->screenshot = d.Shot(d.sheet, L"options_dialog");
        d.Select(2, 0);
        d.Shot(d.sheet, L"options_dialog_font");
        d.Select(2, 1);
        d.Shot(d.sheet, L"options_dialog_color");
        d.Select(-1);
        d.Shot(d.sheet, L"options_dialog_general");
        d.Select(3, 2);
        d.Type(IDC_MR_IMAGE_HOFFSET, L"43");  // typed just before OK
        d.Shot(d.sheet, L"options_dialog_picture");
        PostMessageW(d.sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    const int changed = Show(*store, run);
    const Observed& o = run.seen;
    EXPECT_TRUE(FlagOf(o, "name shown"));
    EXPECT_TRUE(FlagOf(o, "delay hidden"));
    EXPECT_EQ(TextOf(o, "name of #1"), L"Preset #1");
    EXPECT_EQ(TextOf(o, "name of #3"), L"Trio");
    EXPECT_FALSE(FlagOf(o, "scroll with one line"));
    EXPECT_TRUE(FlagOf(o, "scroll with four lines"));
    EXPECT_EQ(TextOf(o, "emptied name"), L"Preset #3");
    EXPECT_EQ(TextOf(o, "offset 900"), L"500");
    EXPECT_EQ(TextOf(o, "offset -5"), L"0");
    EXPECT_TRUE(FlagOf(o, "one line still checked"));
    EXPECT_TRUE(FlagOf(o, "colour group shown"));
    EXPECT_TRUE(FlagOf(o, "gradient editor opened"));
    EXPECT_TRUE(FlagOf(o, "delay shown"));
    EXPECT_TRUE(o.screenshot);
    EXPECT_EQ(changed, kPresetCount);  // the delay changed every record

    DisplayPreset p;
    ASSERT_TRUE(store->CopyPreset(2, &p));
    EXPECT_TRUE(PresetText(p.PresetName, kPresetNameUnits) == u"Preset #3");
    EXPECT_EQ(p.TextHAlignOffset, 500);
    EXPECT_EQ(p.TextVAlignOffset, 0);
    EXPECT_EQ(p.DisplayLine, 1);
    EXPECT_EQ(p.TextVAlignFlag, 1);
    EXPECT_EQ(p.GradientTop_0, 50);
    EXPECT_EQ(p.GradientBottom_0, 12);
    EXPECT_EQ(p.Delay, 5000);
    EXPECT_EQ(p.Revision, 2);
    ASSERT_TRUE(store->CopyPreset(3, &p));
    EXPECT_EQ(p.ImageHAlignOffset, 43);  // typed just before OK, still read back
    EXPECT_EQ(store->CurrentPreset(), 0);

    store.reset();  // saves
    auto key = test::PresetKey(2);
    std::u16string name;
    uint32_t v = 0;
    EXPECT_TRUE(key->ReadString(u"PresetName", 128, &name));
    EXPECT_TRUE(name == u"Preset #3");
    EXPECT_TRUE(key->ReadDword(u"TextHAlignOffset", &v));
    EXPECT_EQ(v, 500u);
    EXPECT_TRUE(test::GlobalsKey()->ReadDword(u"Delay", &v));
    EXPECT_EQ(v, 5000u);
}

TEST_F(options_dialog, cancel_discards_everything) {
    auto store = std::make_unique<PresetStore>(env, kPresetTestRoot);
    DialogRun run;
    run.script = [](Driver& d) {
        d.Select(1);
        d.Type(IDC_MR_PRESET_NAME, L"Gone");
        d.Click(IDC_MR_LINES_8);
        d.Select(0, 0);
        d.Click(IDC_MR_ANTIALIASED);
        d.Select(-1);
        d.Type(IDC_MR_DELAY, L"300");
        PostMessageW(d.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    };
    EXPECT_EQ(Show(*store, run), 0);
    DisplayPreset p;
    ASSERT_TRUE(store->CopyPreset(1, &p));
    EXPECT_TRUE(PresetText(p.PresetName, kPresetNameUnits) == u"Preset #2");
    EXPECT_EQ(p.DisplayLine, 6);
    EXPECT_EQ(p.Delay, 0);
    for (int i = 0; i < kPresetCount; ++i) EXPECT_FALSE(store->RevisionDiffers(i, 1)) << i;
    store.reset();
    EXPECT_EQ(SettingsKey::Open(PresetKeyPath(kPresetTestRoot, 1), false), nullptr);
    EXPECT_EQ(SettingsKey::Open(PresetsKeyPath(kPresetTestRoot), false), nullptr);
}

}  // namespace
}  // namespace mr
