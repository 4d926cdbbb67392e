#include "presets/options_dialog_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string>

#include "presets/options_dialog_ids.h"
#include "presets/options_fields.h"
#include "presets/preset_font_win.h"

namespace mr {
namespace {

enum Group { kGroupGeneral, kGroupPreset, kGroupFont, kGroupColor, kGroupPicture, kGroupCount };

// The controls of each group; all groups share one area of the page and the
// tree selection shows one of them.
const int kGeneralControls[] = {IDC_MR_FRAME_GENERAL,     IDC_MR_LABEL_DELAY, IDC_MR_DELAY,        IDC_MR_LABEL_MS,
                                IDC_MR_LABEL_LYRICS_PATH, IDC_MR_LYRICS_PATH, IDC_MR_LYRICS_BROWSE};
const int kPresetControls[] = {IDC_MR_LABEL_PRESET_NAME, IDC_MR_PRESET_NAME,    IDC_MR_RESET,         IDC_MR_FRAME_LINES,
                               IDC_MR_LINES_1,           IDC_MR_LINES_2,        IDC_MR_LINES_4,       IDC_MR_LINES_6,
                               IDC_MR_LINES_8,           IDC_MR_SCROLL,         IDC_MR_FRAME_POSITION, IDC_MR_TEXT_HALIGN,
                               IDC_MR_TEXT_HOFFSET,      IDC_MR_TEXT_VALIGN,    IDC_MR_TEXT_VOFFSET,  IDC_MR_LABEL_ODD_LINES,
                               IDC_MR_TEXT_HALIGN_,      IDC_MR_TEXT_HOFFSET_};
const int kFontControls[] = {IDC_MR_FRAME_FONT, IDC_MR_FONT_FACE,   IDC_MR_FONT_STYLE, IDC_MR_FONT_SIZE,
                             IDC_MR_FONT,       IDC_MR_ANTIALIASED, IDC_MR_OUTLINED};
const int kColorControls[] = {IDC_MR_FRAME_COLOR_TEXT,    IDC_MR_COLOR_INNER,
                              IDC_MR_COLOR_HIGHLIGHT,     IDC_MR_FRAME_COLOR_OUTLINE,
                              IDC_MR_COLOR_OUTLINE,       IDC_MR_COLOR_OUTLINE_HIGHLIGHT,
                              IDC_MR_COLOR_BACK};
const int kPictureControls[] = {IDC_MR_FRAME_IMAGE_LOCATION, IDC_MR_IMAGE_PATH,    IDC_MR_IMAGE_BROWSE,
                                IDC_MR_RANDOM,               IDC_MR_FRAME_IMAGE_POSITION, IDC_MR_IMAGE_HALIGN,
                                IDC_MR_IMAGE_HOFFSET,        IDC_MR_IMAGE_VALIGN,  IDC_MR_IMAGE_VOFFSET,
                                IDC_MR_IMAGE_POS};

struct GroupControls {
    const int* ids;
    int count;
};
const GroupControls kGroups[kGroupCount] = {
    {kGeneralControls, static_cast<int>(std::size(kGeneralControls))},
    {kPresetControls, static_cast<int>(std::size(kPresetControls))},
    {kFontControls, static_cast<int>(std::size(kFontControls))},
    {kColorControls, static_cast<int>(std::size(kColorControls))},
    {kPictureControls, static_cast<int>(std::size(kPictureControls))},
};

const int kLineRadios[] = {IDC_MR_LINES_1, IDC_MR_LINES_2, IDC_MR_LINES_4, IDC_MR_LINES_6, IDC_MR_LINES_8};
const int kLineValues[] = {1, 2, 4, 6, 8};

// Tree items carry their group and preset: group in the low byte, preset + 1
// above it (0 for the root).
LPARAM ItemData(Group g, int preset) { return static_cast<LPARAM>(g | ((preset + 1) << 8)); }
Group ItemGroup(LPARAM data) { return static_cast<Group>(data & 0xFF); }
int ItemPreset(LPARAM data) { return static_cast<int>((data >> 8) & 0xFF) - 1; }

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ShowOptions), &module);
    return module;
}

std::wstring LoadText(HINSTANCE module, UINT id) {
    wchar_t buf[256];
    const int n = LoadStringW(module, id, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

std::u16string WindowText(HWND w) {
    const int n = GetWindowTextLengthW(w);
    std::wstring s(n + 1, L'\0');
    const int got = GetWindowTextW(w, s.data(), n + 1);
    return std::u16string(s.begin(), s.begin() + (got > 0 ? got : 0));
}

void SetText(HWND w, std::u16string_view s) { SetWindowTextW(w, std::wstring(s.begin(), s.end()).c_str()); }

bool IsFolder(std::u16string_view path) {
    if (path.empty() || path.size() >= MAX_PATH) return false;
    const DWORD a = GetFileAttributesW(std::wstring(path.begin(), path.end()).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The gradient editor's working copy.
struct GradientEdit {
    uint32_t top, bottom;
    int32_t topPercent, bottomPercent;
    COLORREF custom[16];
};

// Colours the user may pick again in one session.
COLORREF g_customColors[16];

bool ChooseColour(HWND owner, uint32_t* colour) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = *colour;
    cc.lpCustColors = g_customColors;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorW(&cc)) return false;
    *colour = cc.rgbResult & 0xFFFFFF;
    return true;
}

void FillSolid(HDC dc, const RECT& r, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

// A vertical gradient: topPercent of the height in the top colour, then a
// blend, then bottomPercent in the bottom colour, as the glyphs are drawn.
void DrawGradient(HDC dc, RECT r, COLORREF top, COLORREF bottom, int topPercent, int bottomPercent) {
    const int h = r.bottom - r.top;
    if (h <= 0) return;
    const int solidTop = h * topPercent / 100, solidBottom = h * bottomPercent / 100;
    const int blend = h - solidTop - solidBottom;
    for (int y = 0; y < h; ++y) {
        int t;  // 0..256 share of the bottom colour
        if (y < solidTop) t = 0;
        else if (y >= h - solidBottom) t = 256;
        else t = blend > 0 ? (y - solidTop) * 256 / blend : 0;
        auto mix = [t](int a, int b) { return (a * (256 - t) + b * t) / 256; };
        const COLORREF c = RGB(mix(GetRValue(top), GetRValue(bottom)), mix(GetGValue(top), GetGValue(bottom)),
                               mix(GetBValue(top), GetBValue(bottom)));
        const RECT line{r.left, r.top + y, r.right, r.top + y + 1};
        FillSolid(dc, line, c);
    }
}

// An owner-drawn colour button: its text on the left, a swatch on the right
// (split in two for the gradient buttons).
void DrawSwatchButton(const DRAWITEMSTRUCT& d, COLORREF top, COLORREF bottom) {
    RECT r = d.rcItem;
    UINT state = DFCS_BUTTONPUSH;
    if (d.itemState & ODS_SELECTED) state |= DFCS_PUSHED;
    if (d.itemState & ODS_DISABLED) state |= DFCS_INACTIVE;
    DrawFrameControl(d.hDC, &r, DFC_BUTTON, state);
    wchar_t text[64];
    const int n = GetWindowTextW(d.hwndItem, text, 64);
    RECT textRect = r;
    InflateRect(&textRect, -4, -3);
    const int swatchWidth = n > 0 ? (textRect.right - textRect.left) / 3 : textRect.right - textRect.left;
    RECT swatch{textRect.right - swatchWidth, textRect.top, textRect.right, textRect.bottom};
    if (n > 0) {
        SetBkMode(d.hDC, TRANSPARENT);
        SetTextColor(d.hDC, GetSysColor(COLOR_BTNTEXT));
        RECT label = textRect;
        label.right = swatch.left - 2;
        DrawTextW(d.hDC, text, n, &label, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS);
    }
    RECT upper = swatch, lower = swatch;
    upper.bottom = lower.top = swatch.top + (swatch.bottom - swatch.top) / 2;
    FillSolid(d.hDC, upper, top);
    FillSolid(d.hDC, lower, bottom);
    FrameRect(d.hDC, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (d.itemState & ODS_FOCUS) {
        RECT f = r;
        InflateRect(&f, -2, -2);
        DrawFocusRect(d.hDC, &f);
    }
}

INT_PTR CALLBACK GradientProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* g = reinterpret_cast<GradientEdit*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            g = reinterpret_cast<GradientEdit*>(lp);
            SendDlgItemMessageW(dlg, IDC_MR_GRADIENT_TOP_PERCENT, EM_LIMITTEXT, 3, 0);
            SendDlgItemMessageW(dlg, IDC_MR_GRADIENT_BOTTOM_PERCENT, EM_LIMITTEXT, 3, 0);
            SetDlgItemInt(dlg, IDC_MR_GRADIENT_TOP_PERCENT, g->topPercent, FALSE);
            SetDlgItemInt(dlg, IDC_MR_GRADIENT_BOTTOM_PERCENT, g->bottomPercent, FALSE);
            return TRUE;
        case WM_DRAWITEM: {
            if (!g) return FALSE;
            const auto& d = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (d.CtlID == IDC_MR_GRADIENT_PREVIEW)
                DrawGradient(d.hDC, d.rcItem, g->top, g->bottom, g->topPercent, g->bottomPercent);
            else if (d.CtlID == IDC_MR_GRADIENT_TOP)
                DrawSwatchButton(d, g->top, g->top);
            else if (d.CtlID == IDC_MR_GRADIENT_BOTTOM)
                DrawSwatchButton(d, g->bottom, g->bottom);
            else
                return FALSE;
            return TRUE;
        }
        case WM_COMMAND: {
            if (!g) return FALSE;
            const int id = LOWORD(wp), code = HIWORD(wp);
            if ((id == IDC_MR_GRADIENT_TOP_PERCENT || id == IDC_MR_GRADIENT_BOTTOM_PERCENT) && code == EN_CHANGE) {
                // Clamped as typed, so the preview never draws past its rows
                // and the store never sees more than it accepts.
                const int32_t v = ParseGradientField(WindowText(GetDlgItem(dlg, id)));
                (id == IDC_MR_GRADIENT_TOP_PERCENT ? g->topPercent : g->bottomPercent) = v;
                InvalidateRect(GetDlgItem(dlg, IDC_MR_GRADIENT_PREVIEW), nullptr, FALSE);
                return TRUE;
            }
            if (id == IDC_MR_GRADIENT_TOP || id == IDC_MR_GRADIENT_BOTTOM) {
                if (ChooseColour(dlg, id == IDC_MR_GRADIENT_TOP ? &g->top : &g->bottom)) {
                    InvalidateRect(GetDlgItem(dlg, id), nullptr, FALSE);
                    InvalidateRect(GetDlgItem(dlg, IDC_MR_GRADIENT_PREVIEW), nullptr, FALSE);
                }
                return TRUE;
            }
            if (id == IDOK || id == IDCANCEL) {
                if (id == IDOK) {
                    g->topPercent = ParseGradientField(WindowText(GetDlgItem(dlg, IDC_MR_GRADIENT_TOP_PERCENT)));
                    g->bottomPercent = ParseGradientField(WindowText(GetDlgItem(dlg, IDC_MR_GRADIENT_BOTTOM_PERCENT)));
                }
                EndDialog(dlg, id);
                return TRUE;
            }
            return FALSE;
        }
    }
    return FALSE;
}

class OptionsPage {
public:
    OptionsPage(PresetSettings* block, PresetStore& store, HINSTANCE module)
        : block_(block), store_(store), module_(module) {}

    INT_PTR Handle(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

private:
    DisplayPreset& Preset() { return block_->presets[preset_]; }
    HWND Item(int id) const { return GetDlgItem(dlg_, id); }

    void Initialise();
    void BuildTree();
    void FillCombos();
    void FillGlobals();
    void FillPreset();
    void FillFontTexts();
    void ShowGroup(Group g);
    void ReadBackPreset();
    void ReadBackGlobals();
    void OnSelection(LPARAM data);
    void OnCommand(int id, int code);
    void ChooseFontFor();
    void EditGradient(int which);
    void BrowseLyricsFolder();
    void BrowseImage();
    void Redraw(int id) { InvalidateRect(Item(id), nullptr, FALSE); }

    PresetSettings* block_;
    PresetStore& store_;
    HINSTANCE module_;
    HWND dlg_ = nullptr;
    int preset_ = 0;
    bool initialising_ = false;
};

void OptionsPage::Initialise() {
    initialising_ = true;
    preset_ = block_->currentPreset < static_cast<uint32_t>(kPresetCount) ? static_cast<int>(block_->currentPreset) : 0;
    block_->currentPreset = static_cast<uint32_t>(preset_);
    SendMessageW(Item(IDC_MR_DELAY), EM_LIMITTEXT, 7, 0);
    SendMessageW(Item(IDC_MR_LYRICS_PATH), EM_LIMITTEXT, kPresetPathUnits - 1, 0);
    SendMessageW(Item(IDC_MR_IMAGE_PATH), EM_LIMITTEXT, kPresetPathUnits - 1, 0);
    SendMessageW(Item(IDC_MR_PRESET_NAME), EM_LIMITTEXT, kPresetNameUnits - 1, 0);
    for (int id : {IDC_MR_TEXT_HOFFSET, IDC_MR_TEXT_VOFFSET, IDC_MR_TEXT_HOFFSET_, IDC_MR_IMAGE_HOFFSET,
                   IDC_MR_IMAGE_VOFFSET})
        SendMessageW(Item(id), EM_LIMITTEXT, 5, 0);
    FillCombos();
    FillGlobals();
    FillPreset();
    initialising_ = false;
    BuildTree();  // selects the current preset, which shows its group
}

void OptionsPage::FillCombos() {
    struct Combo {
        int id;
        UINT first;
        int count;
    };
    const Combo combos[] = {
        {IDC_MR_TEXT_HALIGN, IDS_MR_HALIGN_0, 3},  {IDC_MR_TEXT_VALIGN, IDS_MR_VALIGN_0, 3},
        {IDC_MR_TEXT_HALIGN_, IDS_MR_HALIGN_0, 3}, {IDC_MR_IMAGE_HALIGN, IDS_MR_HALIGN_0, 3},
        {IDC_MR_IMAGE_VALIGN, IDS_MR_VALIGN_0, 3}, {IDC_MR_IMAGE_POS, IDS_MR_IMAGEPOS_0, 5},
    };
    for (const Combo& c : combos) {
        SendMessageW(Item(c.id), CB_RESETCONTENT, 0, 0);
        for (int i = 0; i < c.count; ++i) {
            const std::wstring s = LoadText(module_, c.first + i);
            SendMessageW(Item(c.id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
        }
    }
}

void OptionsPage::BuildTree() {
    HWND tree = Item(IDC_MR_TREE);
    TreeView_DeleteAllItems(tree);
    auto add = [&](HTREEITEM parent, const std::wstring& text, LPARAM data) {
        TVINSERTSTRUCTW ins{};
        ins.hParent = parent;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM;
        ins.item.pszText = const_cast<wchar_t*>(text.c_str());
        ins.item.lParam = data;
        return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    };
    HTREEITEM root = add(TVI_ROOT, LoadText(module_, IDS_MR_PRESETS), ItemData(kGroupGeneral, -1));
    HTREEITEM current = root;
    for (int i = 0; i < kPresetCount; ++i) {
        HTREEITEM item = add(root, LoadText(module_, IDS_MR_PRESET_1 + i), ItemData(kGroupPreset, i));
        add(item, LoadText(module_, IDS_MR_FONT), ItemData(kGroupFont, i));
        add(item, LoadText(module_, IDS_MR_COLOR), ItemData(kGroupColor, i));
        add(item, LoadText(module_, IDS_MR_PICTURE), ItemData(kGroupPicture, i));
        if (i == preset_) current = item;
    }
    TreeView_Expand(tree, root, TVE_EXPAND);
    TreeView_Expand(tree, current, TVE_EXPAND);
    TreeView_SelectItem(tree, current);
    ShowGroup(kGroupPreset);
}

void OptionsPage::ShowGroup(Group shown) {
    for (int g = 0; g < kGroupCount; ++g) {
        if (g == shown) continue;
        for (int i = 0; i < kGroups[g].count; ++i) ShowWindow(Item(kGroups[g].ids[i]), SW_HIDE);
    }
    for (int i = 0; i < kGroups[shown].count; ++i) ShowWindow(Item(kGroups[shown].ids[i]), SW_SHOW);
}

void OptionsPage::FillGlobals() {
    SetText(Item(IDC_MR_DELAY), DecimalText(block_->Delay));
    SetText(Item(IDC_MR_LYRICS_PATH), PresetText(block_->LyricsPath, kPresetPathUnits));
}

void OptionsPage::FillFontTexts() {
    const DisplayPreset& p = Preset();
    SetText(Item(IDC_MR_FONT_FACE), PresetText(p.Font.lfFaceName, kPresetFaceUnits));
    SetText(Item(IDC_MR_FONT_STYLE), u"Style: " + FontStyleText(p.Font));
    SetText(Item(IDC_MR_FONT_SIZE), u"Size: " + FontSizeText(p.TextPoint));
}

void OptionsPage::FillPreset() {
    const bool was = initialising_;
    initialising_ = true;
    const DisplayPreset& p = Preset();
    SetText(Item(IDC_MR_PRESET_NAME), PresetText(p.PresetName, kPresetNameUnits));
    for (size_t i = 0; i < std::size(kLineRadios); ++i)
        CheckDlgButton(dlg_, kLineRadios[i], p.DisplayLine == kLineValues[i] ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg_, IDC_MR_SCROLL, p.Scroll ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(Item(IDC_MR_SCROLL), p.DisplayLine > 1);
    const std::pair<int, int32_t> combos[] = {
        {IDC_MR_TEXT_HALIGN, p.TextHAlignFlag},   {IDC_MR_TEXT_VALIGN, p.TextVAlignFlag},
        {IDC_MR_TEXT_HALIGN_, p.TextHAlignFlag_}, {IDC_MR_IMAGE_HALIGN, p.ImageHAlignFlag},
        {IDC_MR_IMAGE_VALIGN, p.ImageVAlignFlag}, {IDC_MR_IMAGE_POS, p.ImagePosFlag},
    };
    for (auto [id, v] : combos) SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(v), 0);
    const std::pair<int, int32_t> edits[] = {
        {IDC_MR_TEXT_HOFFSET, p.TextHAlignOffset},   {IDC_MR_TEXT_VOFFSET, p.TextVAlignOffset},
        {IDC_MR_TEXT_HOFFSET_, p.TextHAlignOffset_}, {IDC_MR_IMAGE_HOFFSET, p.ImageHAlignOffset},
        {IDC_MR_IMAGE_VOFFSET, p.ImageVAlignOffset},
    };
    for (auto [id, v] : edits) SetText(Item(id), DecimalText(v));
    FillFontTexts();
    CheckDlgButton(dlg_, IDC_MR_ANTIALIASED, p.AntiAliased ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg_, IDC_MR_OUTLINED, p.Outline ? BST_CHECKED : BST_UNCHECKED);
    SetText(Item(IDC_MR_IMAGE_PATH), PresetText(p.ImagePath, kPresetPathUnits));
    CheckDlgButton(dlg_, IDC_MR_RANDOM, p.SlideShow ? BST_CHECKED : BST_UNCHECKED);
    for (int id : kColorControls) Redraw(id);
    initialising_ = was;
}

// The edits of the preset being edited go back into its record: on leaving
// the preset and on apply, so nothing typed just before OK is lost.
void OptionsPage::ReadBackPreset() {
    DisplayPreset& p = Preset();
    std::u16string name = WindowText(Item(IDC_MR_PRESET_NAME));
    if (name.empty()) name = DefaultPresetName(preset_);
    SetPresetText(p.PresetName, kPresetNameUnits, name);
    const std::pair<int, int32_t DisplayPreset::*> offsets[] = {
        {IDC_MR_TEXT_HOFFSET, &DisplayPreset::TextHAlignOffset},
        {IDC_MR_TEXT_VOFFSET, &DisplayPreset::TextVAlignOffset},
        {IDC_MR_TEXT_HOFFSET_, &DisplayPreset::TextHAlignOffset_},
        {IDC_MR_IMAGE_HOFFSET, &DisplayPreset::ImageHAlignOffset},
        {IDC_MR_IMAGE_VOFFSET, &DisplayPreset::ImageVAlignOffset},
    };
    for (auto [id, field] : offsets) p.*field = ParseOffsetField(WindowText(Item(id)));
    const std::u16string image = WindowText(Item(IDC_MR_IMAGE_PATH));
    SetPresetText(p.ImagePath, kPresetPathUnits,
                  !image.empty() && store_.Environment().PathResolves(image) ? std::u16string_view(image)
                                                                             : std::u16string_view());
}

void OptionsPage::ReadBackGlobals() {
    block_->Delay = ParseDelayField(WindowText(Item(IDC_MR_DELAY)));
    const std::u16string folder = WindowText(Item(IDC_MR_LYRICS_PATH));
    SetPresetText(block_->LyricsPath, kPresetPathUnits,
                  IsFolder(folder) ? std::u16string_view(folder) : std::u16string_view());
}

void OptionsPage::OnSelection(LPARAM data) {
    const int preset = ItemPreset(data);
    if (preset >= 0 && preset < kPresetCount && preset != preset_) {
        ReadBackPreset();
        preset_ = preset;
        block_->currentPreset = static_cast<uint32_t>(preset);
        FillPreset();
    }
    ShowGroup(ItemGroup(data) < kGroupCount ? ItemGroup(data) : kGroupGeneral);
}

void OptionsPage::ChooseFontFor() {
    DisplayPreset& p = Preset();
    LOGFONTW lf = *AsLogFont(&p.Font);
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = dlg_;
    cf.lpLogFont = &lf;
    cf.iPointSize = p.TextPoint;
    // Only sizes the store reads back, and only TrueType faces, which the
    // store's face check accepts.
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE | CF_TTONLY | CF_NOVERTFONTS;
    cf.nSizeMin = kPresetTextPointMin / 10;
    cf.nSizeMax = kPresetTextPointMax / 10;
    if (!ChooseFontW(&cf)) return;
    // Keep only what the store saves, so that the record reads back the same.
    p.TextPoint = ClampTextPoint(cf.iPointSize);
    PresetFont& f = p.Font;
    f = PresetFont{};
    f.lfHeight = FontHeightFromTextPoint(p.TextPoint, store_.Environment().ScreenDpiY());
    f.lfWeight = lf.lfWeight >= kPresetBoldWeight ? kPresetBoldWeight : kPresetNormalWeight;
    f.lfItalic = lf.lfItalic ? 1 : 0;
    f.lfCharSet = lf.lfCharSet;
    SetPresetText(f.lfFaceName, kPresetFaceUnits, reinterpret_cast<const char16_t*>(lf.lfFaceName));
    FillFontTexts();
}

void OptionsPage::EditGradient(int which) {
    DisplayPreset& p = Preset();
    const bool sung = which == IDC_MR_COLOR_HIGHLIGHT;
    GradientEdit g{};
    g.top = sung ? p.ColorTop_1 : p.ColorTop_0;
    g.bottom = sung ? p.ColorBottom_1 : p.ColorBottom_0;
    g.topPercent = sung ? p.GradientTop_1 : p.GradientTop_0;
    g.bottomPercent = sung ? p.GradientBottom_1 : p.GradientBottom_0;
    if (DialogBoxParamW(module_, MAKEINTRESOURCEW(IDD_MR_GRADIENT), dlg_, GradientProc,
                        reinterpret_cast<LPARAM>(&g)) != IDOK)
        return;
    (sung ? p.ColorTop_1 : p.ColorTop_0) = g.top & 0xFFFFFF;
    (sung ? p.ColorBottom_1 : p.ColorBottom_0) = g.bottom & 0xFFFFFF;
    (sung ? p.GradientTop_1 : p.GradientTop_0) = ParseGradientField(DecimalText(g.topPercent));
    (sung ? p.GradientBottom_1 : p.GradientBottom_0) = ParseGradientField(DecimalText(g.bottomPercent));
    Redraw(which);
}

void OptionsPage::BrowseLyricsFolder() {
    const std::wstring title = LoadText(module_, IDS_MR_BROWSE_LYRICS);
    BROWSEINFOW bi{};
    bi.hwndOwner = dlg_;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
    if (!pidl) return;
    wchar_t path[MAX_PATH];
    if (SHGetPathFromIDListW(pidl, path)) SetWindowTextW(Item(IDC_MR_LYRICS_PATH), path);
    CoTaskMemFree(pidl);
}

void OptionsPage::BrowseImage() {
    // "Description\0pattern\0\0" from the two strings.
    std::wstring filter = LoadText(module_, IDS_MR_IMAGE_FILTER);
    filter.push_back(L'\0');
    filter += LoadText(module_, IDS_MR_IMAGE_FILTER_PATTERN);
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    wchar_t path[MAX_PATH] = {};
    const std::u16string current = WindowText(Item(IDC_MR_IMAGE_PATH));
    if (current.size() < MAX_PATH) current.copy(reinterpret_cast<char16_t*>(path), current.size());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dlg_;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (GetOpenFileNameW(&ofn)) SetWindowTextW(Item(IDC_MR_IMAGE_PATH), path);
}

void OptionsPage::OnCommand(int id, int code) {
    if (initialising_) return;
    DisplayPreset& p = Preset();
    for (size_t i = 0; i < std::size(kLineRadios); ++i) {
        if (id == kLineRadios[i] && code == BN_CLICKED) {
            p.DisplayLine = kLineValues[i];
            EnableWindow(Item(IDC_MR_SCROLL), p.DisplayLine > 1);
            return;
        }
    }
    const auto checked = [&](int control) { return IsDlgButtonChecked(dlg_, control) == BST_CHECKED ? 1 : 0; };
    if (code == CBN_SELCHANGE) {
        const LRESULT sel = SendMessageW(Item(id), CB_GETCURSEL, 0, 0);
        if (sel < 0) return;
        const int32_t v = static_cast<int32_t>(sel);
        switch (id) {
            case IDC_MR_TEXT_HALIGN: p.TextHAlignFlag = v; break;
            case IDC_MR_TEXT_VALIGN: p.TextVAlignFlag = v; break;
            case IDC_MR_TEXT_HALIGN_: p.TextHAlignFlag_ = v; break;
            case IDC_MR_IMAGE_HALIGN: p.ImageHAlignFlag = v; break;
            case IDC_MR_IMAGE_VALIGN: p.ImageVAlignFlag = v; break;
            case IDC_MR_IMAGE_POS: p.ImagePosFlag = v; break;
        }
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDC_MR_SCROLL: p.Scroll = checked(id); break;
        case IDC_MR_ANTIALIASED: p.AntiAliased = checked(id); break;
        case IDC_MR_OUTLINED: p.Outline = checked(id); break;
        case IDC_MR_RANDOM: p.SlideShow = checked(id); break;
        case IDC_MR_LYRICS_BROWSE: BrowseLyricsFolder(); break;
        case IDC_MR_IMAGE_BROWSE: BrowseImage(); break;
        case IDC_MR_FONT: ChooseFontFor(); break;
        case IDC_MR_COLOR_INNER:
        case IDC_MR_COLOR_HIGHLIGHT: EditGradient(id); break;
        case IDC_MR_COLOR_OUTLINE:
            if (ChooseColour(dlg_, &p.ColorOutline_0)) Redraw(id);
            break;
        case IDC_MR_COLOR_OUTLINE_HIGHLIGHT:
            if (ChooseColour(dlg_, &p.ColorOutline_1)) Redraw(id);
            break;
        case IDC_MR_COLOR_BACK:
            if (ChooseColour(dlg_, &p.ColorBack)) Redraw(id);
            break;
        case IDC_MR_RESET: {
            DisplayPreset defaults;
            if (!store_.LoadPresetDefaults(preset_, &defaults, true)) break;
            defaults.Delay = block_->Delay;
            std::memcpy(defaults.LyricsPath, block_->LyricsPath, sizeof defaults.LyricsPath);
            p = defaults;
            FillPreset();
            break;
        }
    }
}

INT_PTR OptionsPage::Handle(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            dlg_ = dlg;
            Initialise();
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp));
            return TRUE;
        case WM_DRAWITEM: {
            const auto& d = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            const DisplayPreset& p = Preset();
            switch (d.CtlID) {
                case IDC_MR_COLOR_INNER: DrawSwatchButton(d, p.ColorTop_0, p.ColorBottom_0); return TRUE;
                case IDC_MR_COLOR_HIGHLIGHT: DrawSwatchButton(d, p.ColorTop_1, p.ColorBottom_1); return TRUE;
                case IDC_MR_COLOR_OUTLINE: DrawSwatchButton(d, p.ColorOutline_0, p.ColorOutline_0); return TRUE;
                case IDC_MR_COLOR_OUTLINE_HIGHLIGHT:
                    DrawSwatchButton(d, p.ColorOutline_1, p.ColorOutline_1);
                    return TRUE;
                case IDC_MR_COLOR_BACK: DrawSwatchButton(d, p.ColorBack, p.ColorBack); return TRUE;
            }
            return FALSE;
        }
        case WM_NOTIFY: {
            const auto* n = reinterpret_cast<const NMHDR*>(lp);
            if (n->idFrom == IDC_MR_TREE && n->code == TVN_SELCHANGEDW) {
                if (!initialising_) OnSelection(reinterpret_cast<const NMTREEVIEWW*>(lp)->itemNew.lParam);
                return TRUE;
            }
            if (n->code == PSN_APPLY) {
                ReadBackPreset();
                ReadBackGlobals();
                FillGlobals();
                block_->changed = 1;
                SetWindowLongPtrW(dlg, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (n->code == PSN_KILLACTIVE) {
                SetWindowLongPtrW(dlg, DWLP_MSGRESULT, FALSE);
                return TRUE;
            }
            return FALSE;
        }
    }
    return FALSE;
}

INT_PTR CALLBACK PageProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* page = reinterpret_cast<OptionsPage*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        page = reinterpret_cast<OptionsPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lp)->lParam);
        SetWindowLongPtrW(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    }
    return page ? page->Handle(dlg, msg, wp, lp) : FALSE;
}

}  // namespace

int ShowOptions(HWND parent, PresetStore& store) {
    std::unique_ptr<PresetSettings> block(new (std::nothrow) PresetSettings);
    if (!block || !store.GetSettings(block.get())) return 0;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    const HINSTANCE module = ThisModule();
    OptionsPage page(block.get(), store, module);
    PROPSHEETPAGEW psp{};
    psp.dwSize = sizeof psp;
    psp.dwFlags = PSP_DEFAULT;
    psp.hInstance = module;
    psp.pszTemplate = MAKEINTRESOURCEW(IDD_MR_OPTIONS);
    psp.pfnDlgProc = PageProc;
    psp.lParam = reinterpret_cast<LPARAM>(&page);
    const std::wstring caption = LoadText(module, IDS_MR_CAPTION);
    PROPSHEETHEADERW psh{};
    psh.dwSize = sizeof psh;
    psh.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    psh.hwndParent = parent;
    psh.hInstance = module;
    psh.pszCaption = caption.c_str();
    psh.nPages = 1;
    psh.ppsp = &psp;
    if (PropertySheetW(&psh) < 0) return 0;
    return store.ApplySettings(*block);
}

}  // namespace mr
