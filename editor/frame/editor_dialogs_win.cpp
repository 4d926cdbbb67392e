#include "editor/frame/editor_dialogs_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>

#include "editor/frame/command_ids.h"
#include "editor/frame/editor_dialog_ids.h"
#include "editor/frame/editor_options.h"
#include "mr_version.h"

namespace mr {
namespace {

const wchar_t* W(const char16_t* s) {
    return reinterpret_cast<const wchar_t*>(s);
}

std::u16string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    const int length = control ? GetWindowTextLengthW(control) : 0;
    if (length <= 0) return {};
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const int got = GetWindowTextW(control, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// --- Information ---

INT_PTR CALLBACK InformationProc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    struct Field {
        int id;
        std::u16string SaveFields::*value;
    };
    static constexpr Field kFields[] = {{MR_IDC_INFO_TITLE, &SaveFields::title},
                                        {MR_IDC_INFO_ARTIST, &SaveFields::artist},
                                        {MR_IDC_INFO_ALBUM, &SaveFields::album}};
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lp);
            const auto* fields = reinterpret_cast<const SaveFields*>(lp);
            for (const Field& f : kFields) {
                SendDlgItemMessageW(dialog, f.id, EM_LIMITTEXT, kInformationFieldUnits, 0);
                SetDlgItemTextW(dialog, f.id, W((fields->*f.value).c_str()));
            }
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) {
                auto* fields = reinterpret_cast<SaveFields*>(GetWindowLongPtrW(dialog, DWLP_USER));
                const bool changed =
                    ApplyInformation(fields, ControlText(dialog, MR_IDC_INFO_TITLE),
                                     ControlText(dialog, MR_IDC_INFO_ARTIST), ControlText(dialog, MR_IDC_INFO_ALBUM));
                EndDialog(dialog, changed ? IDOK : IDCANCEL);
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

// --- Options ---

constexpr int kPageCount = 3;
constexpr int kPageTemplates[kPageCount] = {MR_IDD_OPTIONS_EDIT_TEXT, MR_IDD_OPTIONS_PREVIEW_TEXT,
                                            MR_IDD_OPTIONS_SCOPE};
constexpr const wchar_t* kPageNames[kPageCount] = {L"Edit Text", L"Preview Text", L"Scope"};
constexpr const wchar_t* kStyleNames[] = {L"Regular", L"Bold", L"Italic", L"Bold Italic"};

// Colours the user mixed, offered again for the rest of the session.
COLORREF g_customColours[16];

struct OptionsDialog {
    HINSTANCE instance = nullptr;
    HWND dialog = nullptr;
    HWND tabs = nullptr;
    HWND pages[kPageCount] = {};
    EditorSettings work;  // what the dialog shows; copied back on OK
};

// The font a page edits, or none for the Scope page.
struct FontPage {
    FontRecord* font;
    int32_t* point;
    int32_t low, high;  // tenths of a point
    bool trueTypeOnly;  // the preview rasterises outlines
};

bool FontPageOf(OptionsDialog& d, int page, FontPage* out) {
    if (page == 0)
        *out = {&d.work.textFont, &d.work.textPoint, kTextPointMin, kTextPointMax, false};
    else if (page == 1)
        *out = {&d.work.lyricsFont, &d.work.lyricsPoint, kLyricsPointMin, kLyricsPointMax, true};
    else
        return false;
    return true;
}

uint32_t* ColourOf(EditorSettings& s, int id) {
    switch (id) {
        case MR_IDC_EDIT_TEXT_COLOR_1:
            return &s.editTextColor[0];
        case MR_IDC_EDIT_TEXT_COLOR_2:
            return &s.editTextColor[1];
        case MR_IDC_PREVIEW_TEXT_COLOR_1:
            return &s.previewTextColor[0];
        case MR_IDC_PREVIEW_TEXT_COLOR_2:
            return &s.previewTextColor[1];
        case MR_IDC_PREVIEW_OUTLINE_COLOR_1:
            return &s.previewOutlineColor[0];
        case MR_IDC_PREVIEW_OUTLINE_COLOR_2:
            return &s.previewOutlineColor[1];
        case MR_IDC_SCOPE_COLOR_1:
            return &s.scopeColor[0];
        case MR_IDC_SCOPE_COLOR_2:
            return &s.scopeColor[1];
        case MR_IDC_SCOPE_COLOR_3:
            return &s.scopeColor[2];
        case MR_IDC_SCOPE_COLOR_4:
            return &s.scopeColor[3];
        default:
            return nullptr;
    }
}

int PageIndex(const OptionsDialog& d, HWND page) {
    for (int i = 0; i < kPageCount; ++i)
        if (d.pages[i] == page) return i;
    return -1;
}

// Takes what the page's controls hold into the working copy: the style, the
// typed size (clamped; text that is no size keeps the previous one) and the
// anti-aliasing check.
void ReadPage(OptionsDialog& d, int page) {
    HWND p = d.pages[page];
    FontPage f;
    if (p && FontPageOf(d, page, &f)) {
        const LRESULT style = SendDlgItemMessageW(p, MR_IDC_FONT_STYLE, CB_GETCURSEL, 0, 0);
        if (style >= 0 && style < 4) {
            f.font->weight = (style & 1) ? 700 : 400;
            f.font->italic = (style & 2) ? 1 : 0;
        }
        int32_t tenths = 0;
        if (ParsePointSize(ControlText(p, MR_IDC_FONT_SIZE), &tenths)) *f.point = tenths;
        if (page == 1) d.work.antiAliased = IsDlgButtonChecked(p, MR_IDC_ANTI_ALIASED) == BST_CHECKED ? 1 : 0;
    }
    ClampEditorAppearance(&d.work);
}

void ShowPage(OptionsDialog& d, int page) {
    HWND p = d.pages[page];
    if (!p) return;
    FontPage f;
    if (FontPageOf(d, page, &f)) {
        SetDlgItemTextW(p, MR_IDC_FONT_FACE, W(f.font->face.c_str()));
        SendDlgItemMessageW(p, MR_IDC_FONT_STYLE, CB_SETCURSEL,
                            (f.font->weight >= 700 ? 1 : 0) + (f.font->italic ? 2 : 0), 0);
        SetDlgItemTextW(p, MR_IDC_FONT_SIZE, W(FormatPointSize(*f.point).c_str()));
        if (page == 1) CheckDlgButton(p, MR_IDC_ANTI_ALIASED, d.work.antiAliased ? BST_CHECKED : BST_UNCHECKED);
    }
    InvalidateRect(p, nullptr, TRUE);  // the swatches
}

void ChooseFontFor(OptionsDialog& d, int page) {
    FontPage f;
    if (!FontPageOf(d, page, &f)) return;
    ReadPage(d, page);  // start from the size and style as typed
    LOGFONTW lf{};
    lf.lfHeight = f.font->height;
    lf.lfWeight = f.font->weight;
    lf.lfItalic = f.font->italic;
    lf.lfCharSet = f.font->charSet;
    f.font->face.copy(reinterpret_cast<char16_t*>(lf.lfFaceName), LF_FACESIZE - 1);
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = d.dialog;
    cf.lpLogFont = &lf;
    cf.Flags =
        CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE | CF_NOVERTFONTS | (f.trueTypeOnly ? CF_TTONLY : 0);
    cf.nSizeMin = f.low / 10;
    cf.nSizeMax = f.high / 10;
    if (!ChooseFontW(&cf)) return;
    lf.lfFaceName[LF_FACESIZE - 1] = L'\0';
    // The registry value holds 31 units; a longer face could not be found
    // again, so it is cut here as the load would read it.
    std::u16string face(reinterpret_cast<const char16_t*>(lf.lfFaceName));
    if (face.size() >= kFaceUnits) face.resize(kFaceUnits - 1);
    if (!face.empty()) {
        f.font->face = face;
        f.font->charSet = lf.lfCharSet;
    }
    f.font->weight = lf.lfWeight >= 700 ? 700 : 400;
    f.font->italic = lf.lfItalic ? 1 : 0;
    if (cf.iPointSize > 0) *f.point = cf.iPointSize;
    ClampEditorAppearance(&d.work);
    ShowPage(d, page);
}

void ChooseColourFor(OptionsDialog& d, HWND button, uint32_t* colour) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = d.dialog;
    cc.rgbResult = *colour;
    cc.lpCustColors = g_customColours;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorW(&cc)) return;
    *colour = cc.rgbResult & 0xFFFFFF;
    InvalidateRect(button, nullptr, TRUE);
}

// A push button with its label on the left and the colour as a framed
// swatch on the right.
void DrawSwatchButton(const DRAWITEMSTRUCT& item, COLORREF colour) {
    RECT r = item.rcItem;
    UINT state = DFCS_BUTTONPUSH;
    if (item.itemState & ODS_SELECTED) state |= DFCS_PUSHED;
    if (item.itemState & ODS_DISABLED) state |= DFCS_INACTIVE;
    DrawFrameControl(item.hDC, &r, DFC_BUTTON, state);
    RECT inner = r;
    InflateRect(&inner, -4, -4);
    if (item.itemState & ODS_SELECTED) OffsetRect(&inner, 1, 1);
    const int swatchWidth = (inner.right - inner.left) / 3;
    RECT swatch{inner.right - swatchWidth, inner.top, inner.right, inner.bottom};
    wchar_t label[64];
    const int n = GetWindowTextW(item.hwndItem, label, 64);
    RECT labelRect{inner.left, inner.top, swatch.left - 4, inner.bottom};
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextW(item.hDC, label, n, &labelRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS);
    HBRUSH fill = CreateSolidBrush(colour);
    FillRect(item.hDC, &swatch, fill);
    DeleteObject(fill);
    FrameRect(item.hDC, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (item.itemState & ODS_FOCUS) {
        RECT focus = r;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item.hDC, &focus);
    }
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wp, LPARAM lp) {
    auto* d = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrW(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(page, DWLP_USER, lp);
            if (GetDlgItem(page, MR_IDC_FONT_STYLE)) {
                for (const wchar_t* name : kStyleNames)
                    SendDlgItemMessageW(page, MR_IDC_FONT_STYLE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
                SendDlgItemMessageW(page, MR_IDC_FONT_SIZE, EM_LIMITTEXT, 5, 0);
            }
            return FALSE;
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            const uint32_t* colour = d ? ColourOf(d->work, static_cast<int>(item.CtlID)) : nullptr;
            if (!colour) return FALSE;
            DrawSwatchButton(item, *colour);
            return TRUE;
        }
        case WM_COMMAND: {
            const int index = d ? PageIndex(*d, page) : -1;
            if (index < 0) return FALSE;
            const int id = LOWORD(wp), code = HIWORD(wp);
            if (id == MR_IDC_FONT_CHOOSE && code == BN_CLICKED) {
                ChooseFontFor(*d, index);
            } else if (id == MR_IDC_FONT_STYLE && code == CBN_SELCHANGE) {
                ReadPage(*d, index);
            } else if (id == MR_IDC_FONT_SIZE && code == EN_KILLFOCUS) {
                // Shows the size as it will be kept (clamped, one decimal).
                ReadPage(*d, index);
                FontPage f;
                if (FontPageOf(*d, index, &f))
                    SetDlgItemTextW(page, MR_IDC_FONT_SIZE, W(FormatPointSize(*f.point).c_str()));
            } else if (id == MR_IDC_ANTI_ALIASED && code == BN_CLICKED) {
                ReadPage(*d, index);
            } else if (uint32_t* colour = ColourOf(d->work, id); colour && code == BN_CLICKED) {
                ChooseColourFor(*d, reinterpret_cast<HWND>(lp), colour);
            } else {
                return FALSE;
            }
            return TRUE;
        }
        default:
            return FALSE;
    }
}

void SelectPage(OptionsDialog& d, int page) {
    for (int i = 0; i < kPageCount; ++i)
        if (d.pages[i]) ShowWindow(d.pages[i], i == page ? SW_SHOW : SW_HIDE);
}

bool CreatePages(OptionsDialog& d) {
    RECT area;
    GetWindowRect(d.tabs, &area);
    MapWindowPoints(nullptr, d.dialog, reinterpret_cast<POINT*>(&area), 2);
    for (int i = 0; i < kPageCount; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kPageNames[i]);
        SendMessageW(d.tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(d.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    // Each page follows the tab control in the tab order.
    HWND after = d.tabs;
    for (int i = 0; i < kPageCount; ++i) {
        d.pages[i] = CreateDialogParamW(d.instance, MAKEINTRESOURCEW(kPageTemplates[i]), d.dialog, PageProc,
                                        reinterpret_cast<LPARAM>(&d));
        if (!d.pages[i]) return false;
        SetWindowLongPtrW(d.pages[i], GWLP_ID, kPageTemplates[i]);
        SetWindowPos(d.pages[i], after, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE);
        after = d.pages[i];
        ShowPage(d, i);
    }
    return true;
}

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    auto* d = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lp);
            d = reinterpret_cast<OptionsDialog*>(lp);
            d->dialog = dialog;
            d->tabs = GetDlgItem(dialog, MR_IDC_OPTIONS_TABS);
            if (!d->tabs || !CreatePages(*d)) {
                EndDialog(dialog, -1);
                return TRUE;
            }
            SelectPage(*d, 0);
            return TRUE;
        case WM_NOTIFY: {
            const auto* n = reinterpret_cast<const NMHDR*>(lp);
            if (d && n->hwndFrom == d->tabs && n->code == TCN_SELCHANGE) {
                SelectPage(*d, static_cast<int>(SendMessageW(d->tabs, TCM_GETCURSEL, 0, 0)));
                return TRUE;
            }
            return FALSE;
        }
        case WM_COMMAND:
            if (!d) return FALSE;
            switch (LOWORD(wp)) {
                case MR_IDC_OPTIONS_RESET_ALL:
                    ResetEditorAppearance(&d->work);
                    for (int i = 0; i < kPageCount; ++i) ShowPage(*d, i);
                    return TRUE;
                case IDOK:
                    // Read every page here: a size typed just before OK has
                    // had no notification that would have taken it.
                    for (int i = 0; i < kPageCount; ++i) ReadPage(*d, i);
                    EndDialog(dialog, IDOK);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

// --- About ---

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto instance = reinterpret_cast<HINSTANCE>(lp);
            // The program's icon when the module carries it.
            if (HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(MR_ID_MAIN_ICON), IMAGE_ICON, 32, 32, LR_SHARED))
                SendDlgItemMessageW(dialog, MR_IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
            SetDlgItemTextW(dialog, MR_IDC_ABOUT_VERSION, L"Version " MR_VERSION_TEXT);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wp));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

bool ShowInformationDialog(HWND owner, HINSTANCE instance, SaveFields& fields) {
    // The dialog edits a copy, so that nothing reaches the caller's fields
    // unless OK was pressed.
    SaveFields edited = fields;
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(MR_IDD_INFORMATION), owner, InformationProc,
                                           reinterpret_cast<LPARAM>(&edited));
    if (result != IDOK) return false;
    fields.title = edited.title;
    fields.artist = edited.artist;
    fields.album = edited.album;
    return true;
}

bool ShowEditorOptions(HWND owner, HINSTANCE instance, EditorSettings& settings) {
    // The tab control's class, in case the caller has not registered it.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    OptionsDialog d;
    d.instance = instance;
    CopyEditorAppearance(settings, &d.work);
    d.work.dpi = settings.dpi;
    ClampEditorAppearance(&d.work);
    const INT_PTR result =
        DialogBoxParamW(instance, MAKEINTRESOURCEW(MR_IDD_OPTIONS), owner, OptionsProc, reinterpret_cast<LPARAM>(&d));
    if (result != IDOK || !AppearanceDiffers(d.work, settings)) return false;
    CopyEditorAppearance(d.work, &settings);
    return true;
}

void ShowAboutBox(HWND owner, HINSTANCE instance) {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(MR_IDD_ABOUT), owner, AboutProc, reinterpret_cast<LPARAM>(instance));
}

}  // namespace mr
