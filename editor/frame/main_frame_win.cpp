// The main frame: window classes, child windows, layout, the pane-resize and
// picture drags, message routing, the idle pass and the close sequence.
#include "editor/frame/main_frame_win.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <string>
#include <iterator>

#include "common/file.h"
#include "editor/frame/command_ids.h"
#include "editor/frame/toolbar_images_win.h"

namespace mr {
namespace {

constexpr wchar_t kFrameClass[] = L"MRMainFrame";
constexpr wchar_t kClipClass[] = L"MRClipWnd";
constexpr wchar_t kTitle[] = L"Mirelto Editor";

void Fail(const wchar_t* message) {
    MessageBoxW(nullptr, message, kTitle, MB_OK);
}

void Place(HWND window, const PaneRect& r) {
    SetWindowPos(window, nullptr, r.x, r.y, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

struct ToolButton {
    int image;  // ToolbarImage, or −1 for a separator
    int id;
    BYTE style;
};

constexpr BYTE kButton = BTNS_BUTTON;
constexpr BYTE kDropDown = BTNS_DROPDOWN;
constexpr BYTE kCheck = BTNS_CHECK;
constexpr BYTE kSeparator = BTNS_SEP;

constexpr ToolButton kToolButtons[] = {
    {static_cast<int>(ToolbarImage::New), MR_ID_NEW, kButton},
    {static_cast<int>(ToolbarImage::Open), MR_ID_OPEN, kDropDown},
    {static_cast<int>(ToolbarImage::Save), MR_ID_SAVE, kDropDown},
    {static_cast<int>(ToolbarImage::Mode), MR_ID_MODE, kDropDown},
    {-1, 0, kSeparator},
    {static_cast<int>(ToolbarImage::Cut), MR_ID_CUT, kButton},
    {static_cast<int>(ToolbarImage::Copy), MR_ID_COPY, kButton},
    {static_cast<int>(ToolbarImage::Paste), MR_ID_PASTE, kButton},
    {-1, 0, kSeparator},
    {static_cast<int>(ToolbarImage::Undo), MR_ID_UNDO, kButton},
    {static_cast<int>(ToolbarImage::Redo), MR_ID_REDO, kButton},
    {-1, 0, kSeparator},
    {static_cast<int>(ToolbarImage::Information), MR_ID_INFORMATION, kButton},
    {static_cast<int>(ToolbarImage::Duplicate), MR_ID_DUPLICATE, kButton},
    {static_cast<int>(ToolbarImage::SetSyncpoint), MR_ID_SET_SYNCPOINT, kButton},
    {static_cast<int>(ToolbarImage::RemoveSyncpoint), MR_ID_REMOVE_SYNCPOINT, kButton},
    {static_cast<int>(ToolbarImage::SuggestTiming), MR_ID_SUGGEST_TIMING, kButton},
    {-1, 0, kSeparator},
    {static_cast<int>(ToolbarImage::SlowDown), MR_ID_SLOW_DOWN, kCheck},
    {static_cast<int>(ToolbarImage::PlayX), MR_ID_PLAY_X, kButton},
    {static_cast<int>(ToolbarImage::PlayXX), MR_ID_PLAY_XX, kButton},
    {static_cast<int>(ToolbarImage::Play), MR_ID_PLAY, kButton},
    {static_cast<int>(ToolbarImage::Pause), MR_ID_PAUSE, kButton},
    {static_cast<int>(ToolbarImage::Stop), MR_ID_STOP, kButton},
};
static_assert(std::size(kToolButtons) == 24, "the toolbar has 24 entries");

}  // namespace

MainFrame::MainFrame(HINSTANCE instance) : instance_(instance) {
    std::fill(std::begin(commandState_), std::end(commandState_), int8_t{-1});
    doc_.SetHistoryListener(this);
}

MainFrame::~MainFrame() {
    doc_.SetHistoryListener(nullptr);
    graph_.reset();
    if (richOle_) richOle_->Release();
    if (window_) DestroyWindow(window_);
    if (images_) ImageList_Destroy(images_);
    if (menu_ && !IsMenu(menu_)) menu_ = nullptr;  // destroyed with the window
    if (menu_) DestroyMenu(menu_);
    if (uiFont_) DeleteObject(uiFont_);
    if (ghostBrush_) DeleteObject(ghostBrush_);
    if (ghostPattern_) DeleteObject(ghostPattern_);
    // Accelerator tables loaded from resources are freed with the module.
}

const wchar_t* MainFrame::LoadText(UINT id) {
    wchar_t* resource = nullptr;
    const int n = LoadStringW(instance_, id, reinterpret_cast<wchar_t*>(&resource), 0);
    settings_->scratch.Assign(n > 0 ? std::u16string_view(reinterpret_cast<const char16_t*>(resource), n)
                                    : std::u16string_view());
    return reinterpret_cast<const wchar_t*>(settings_->scratch.c_str());
}

HWND MainFrame::CreateMainFrame() {
    settings_.reset(new (std::nothrow) EditorSettings);
    if (!settings_ || !LoadEditorSettings(settings_.get(), SystemSettingsEnvironment())) {
        Fail(L"Failed to load settings");
        return nullptr;
    }

    WNDCLASSEXW wc = {sizeof wc};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(MR_ID_MAIN_ICON));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(MR_ID_MAIN_ICON), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszMenuName = MAKEINTRESOURCEW(MR_ID_MAIN_MENU);
    wc.lpszClassName = kFrameClass;
    WNDCLASSEXW clip = {sizeof clip};
    clip.lpfnWndProc = ClipProc;
    clip.hInstance = instance_;
    clip.hCursor = wc.hCursor;
    clip.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    clip.lpszClassName = kClipClass;
    if (!RegisterClassExW(&wc) || !RegisterClassExW(&clip) ||
        !timeline::TimelineWindow::RegisterWindowClass(instance_)) {
        Fail(L"Failed to register class.");
        return nullptr;
    }

    NONCLIENTMETRICSW metrics = {sizeof metrics};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        uiFont_ = CreateFontIndirectW(&metrics.lfMessageFont);
    menu_ = LoadMenuW(instance_, MAKEINTRESOURCEW(MR_ID_MAIN_MENU));
    if (menu_ && settings_->simpleMode > 0) CheckMenuItem(menu_, MR_ID_SIMPLE_MODE, MF_BYCOMMAND | MF_CHECKED);
    if (menu_ && settings_->slowDown) CheckMenuItem(menu_, MR_ID_SLOW_DOWN, MF_BYCOMMAND | MF_CHECKED);
    if (menu_ && settings_->previewImage) CheckMenuItem(menu_, MR_ID_PREVIEW_IMAGE, MF_BYCOMMAND | MF_CHECKED);

    const ScreenRect& r = settings_->window;
    HWND window = CreateWindowExW(0, kFrameClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, r.left, r.top,
                                  r.Width(), r.Height(), nullptr, menu_, instance_, this);
    if (!window) return nullptr;
    DragAcceptFiles(window, TRUE);
    OpenFromCommandLine();
    // The commands' states before the window shows, not after the first message.
    UpdateCommandStates();
    return window;
}

LRESULT CALLBACK MainFrame::Proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    MainFrame* self;
    if (message == WM_NCCREATE) {
        self = static_cast<MainFrame*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<MainFrame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(window, message, wp, lp);
    const LRESULT r = self->OnMessage(message, wp, lp);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
    }
    return r;
}

// The tab strip's holder: an etched line along its top and right edges; the
// tab control's notifications go on to the main window.
LRESULT CALLBACK MainFrame::ClipProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT rc;
            GetClientRect(window, &rc);
            DrawEdge(dc, &rc, EDGE_ETCHED, BF_TOP | BF_RIGHT);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_NOTIFY:
        case WM_COMMAND:
            return SendMessageW(GetParent(window), message, wp, lp);
        default:
            return DefWindowProcW(window, message, wp, lp);
    }
}

bool MainFrame::CreateChildren() {
    accelerators_ = LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(MR_ID_ACCELERATORS));
    if (!accelerators_) {
        Fail(L"Failed to load accelerators.");
        return false;
    }
    if (!CreateImageList()) {
        Fail(L"Failed to create image list.");
        return false;
    }
    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, window_,
                              reinterpret_cast<HMENU>(MR_ID_STATUS_BAR), instance_, nullptr);
    if (!status_) {
        Fail(L"Failed to create status bar.");
        return false;
    }
    if (!CreateToolbar()) {
        Fail(L"Failed to create tool bar.");
        return false;
    }
    rebar_ = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                 RBS_BANDBORDERS | CCS_NODIVIDER | CCS_TOP,
                             0, 0, 0, 0, window_, reinterpret_cast<HMENU>(MR_ID_REBAR), instance_, nullptr);
    if (rebar_) {
        SIZE ideal = {};
        SendMessageW(toolbar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
        const DWORD buttonSize = static_cast<DWORD>(SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0));
        REBARBANDINFOW band = {sizeof band};
        band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_IDEALSIZE;
        band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | RBBS_USECHEVRON;
        band.hwndChild = toolbar_;
        band.cxMinChild = 0;
        band.cyMinChild = HIWORD(buttonSize);
        band.cx = ideal.cx + 20;
        band.cxIdeal = ideal.cx;
        if (!SendMessageW(rebar_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band))) {
            DestroyWindow(rebar_);
            rebar_ = nullptr;
        }
    }
    if (!rebar_) {
        Fail(L"Failed to create rebar.");
        return false;
    }
    if (!CreateTabs()) {
        Fail(L"Failed to create tab.");
        return false;
    }
    timeline_ = timelineWindow_.Create(window_, instance_);
    timelineWindow_.SetPreview(&linePreview_);
    if (!timeline_) {
        Fail(L"Failed to create scope wnd.");
        return false;
    }
    if (!CreateTextPane()) {
        Fail(L"Failed to create edit window.");
        return false;
    }
    if (!CreatePictureList()) {
        Fail(L"Failed to create list view.");
        return false;
    }
    graph_.reset(new (std::nothrow) graph::AudioGraph(window_, this));
    ApplyViewSettings();
    // The tab strip sits over the timeline's bottom edge.
    SetWindowPos(tabHolder_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

bool MainFrame::CreateImageList() {
    const int size = MulDiv(16, settings_->dpi, 96);
    images_ = CreateToolbarImages(size);
    return images_ != nullptr;
}

bool MainFrame::CreateToolbar() {
    toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                   CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, 0, 0, 0, window_, reinterpret_cast<HMENU>(MR_ID_TOOLBAR), instance_, nullptr);
    if (!toolbar_) return false;
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0,
                 TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_HIDECLIPPEDBUTTONS | TBSTYLE_EX_MIXEDBUTTONS);
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    SendMessageW(toolbar_, TB_SETPADDING, 0, MAKELPARAM(2 * 2 + 4, 2 * 2 + 4));
    // No text rows: each button's text is its tooltip.
    SendMessageW(toolbar_, TB_SETMAXTEXTROWS, 0, 0);
    TBBUTTON buttons[std::size(kToolButtons)] = {};
    static wchar_t texts[std::size(kToolButtons)][40];
    for (size_t i = 0; i < std::size(kToolButtons); ++i) {
        const ToolButton& b = kToolButtons[i];
        buttons[i].iBitmap = b.image >= 0 ? b.image : 0;
        buttons[i].idCommand = b.id;
        buttons[i].fsStyle = b.style;
        buttons[i].fsState = b.style == kSeparator ? 0 : TBSTATE_ENABLED;
        if (b.id == MR_ID_SLOW_DOWN && settings_->slowDown) buttons[i].fsState |= TBSTATE_CHECKED;
        if (b.style != kSeparator) {
            LoadStringW(instance_, static_cast<UINT>(b.id), texts[i], static_cast<int>(std::size(texts[i])));
            buttons[i].iString = reinterpret_cast<INT_PTR>(texts[i]);
        }
    }
    if (!SendMessageW(toolbar_, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons))) return false;
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    return true;
}

bool MainFrame::CreateTabs() {
    tabHolder_ = CreateWindowExW(0, kClipClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                                 0, 0, window_, nullptr, instance_, nullptr);
    if (!tabHolder_) return false;
    tab_ = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_FOCUSNEVER, 1, 2, 0,
                           0, tabHolder_, reinterpret_cast<HMENU>(MR_ID_TAB_CONTROL), instance_, nullptr);
    if (!tab_) return false;
    if (uiFont_) SendMessageW(tab_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), FALSE);
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(
        LoadText(settings_->simpleMode > 0 ? MR_ID_STR_LYRICS_SIMPLE_TAB : MR_ID_STR_LYRICS_TAB));
    if (SendMessageW(tab_, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0) return false;
    item.pszText = const_cast<wchar_t*>(LoadText(MR_ID_STR_IMAGE_TAB));
    if (SendMessageW(tab_, TCM_INSERTITEMW, 1, reinterpret_cast<LPARAM>(&item)) != 1) return false;
    SizeTabControl();
    return true;
}

// The tab control is as wide as its tabs plus 4 and as high as a tab plus 6.
void MainFrame::SizeTabControl() {
    int32_t width = 0, height = 0;
    const int count = static_cast<int>(SendMessageW(tab_, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r = {};
        SendMessageW(tab_, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        width += r.right - r.left;
        height = std::max<int32_t>(height, r.bottom - r.top);
    }
    SetWindowPos(tab_, nullptr, 1, 2, width + 4, height + 6, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool MainFrame::CreateTextPane() {
    textPane_ = CreateWindowExW(WS_EX_CLIENTEDGE, RICHEDIT_CLASSW, L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_CLIPSIBLINGS | ES_MULTILINE |
                                    ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN,
                                0, 0, 0, 0, window_, reinterpret_cast<HMENU>(MR_ID_TEXT_PANE), instance_, nullptr);
    if (!textPane_) return false;
    // The pane must be able to hold every cell the store can: a limit below
    // the store's would cut a long text in the pane while the store keeps
    // it, and later edits would land at the wrong cells.
    SendMessageW(textPane_, EM_EXLIMITTEXT, 0, SyncText::kCapacity);
    SendMessageW(textPane_, EM_SETUNDOLIMIT, 100, 0);
    ApplyTextFormat();
    SendMessageW(textPane_, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageW(textPane_, EM_SETMODIFY, FALSE, 0);
    SendMessageW(textPane_, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE | ENM_DRAGDROPDONE);
    SendMessageW(textPane_, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&richOle_));
    return true;
}

// The edit font and the first edit colour for the whole pane and for what
// is typed next; Recolour then marks the synchronised part.
void MainFrame::ApplyTextFormat() {
    CHARFORMAT2W cf = {};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_FACE | CFM_SIZE | CFM_WEIGHT | CFM_BOLD | CFM_ITALIC | CFM_CHARSET | CFM_COLOR;
    const FontRecord& font = settings_->textFont;
    const size_t n = std::min(font.face.size(), std::size(cf.szFaceName) - 1);
    std::copy_n(font.face.begin(), n, cf.szFaceName);
    cf.yHeight = settings_->textPoint * 2;  // twips
    cf.wWeight = static_cast<WORD>(font.weight);
    cf.dwEffects = (font.weight >= 700 ? CFE_BOLD : 0) | (font.italic ? CFE_ITALIC : 0);
    cf.bCharSet = font.charSet;
    cf.crTextColor = settings_->editTextColor[0];
    paneUpdating_ = true;
    SendMessageW(textPane_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
    SendMessageW(textPane_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    paneUpdating_ = false;
}

bool MainFrame::CreatePictureList() {
    pictureList_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                   WS_CHILD | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 0, 0, window_,
                                   reinterpret_cast<HMENU>(MR_ID_PICTURE_LIST), instance_, nullptr);
    if (!pictureList_) return false;
    SendMessageW(pictureList_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 400;
    column.pszText = const_cast<wchar_t*>(L"File Name");
    if (SendMessageW(pictureList_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)) != 0) return false;
    column.cx = 100;
    column.pszText = const_cast<wchar_t*>(L"State");
    return SendMessageW(pictureList_, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column)) == 1;
}

void MainFrame::LayOut() {
    RECT client;
    GetClientRect(window_, &client);
    SendMessageW(status_, WM_SIZE, 0, 0);
    SendMessageW(rebar_, WM_SIZE, 0, 0);
    RECT statusRect = {}, rebarRect = {}, tabRect = {};
    GetWindowRect(status_, &statusRect);
    GetWindowRect(rebar_, &rebarRect);
    GetWindowRect(tab_, &tabRect);
    FrameLayoutInput in;
    in.width = client.right;
    in.height = client.bottom;
    in.statusHeight = statusRect.bottom - statusRect.top;
    in.rebarHeight = rebarRect.bottom - rebarRect.top;
    in.border = border_;
    in.tabWidth = tabRect.right - tabRect.left;
    in.tabHeight = tabRect.bottom - tabRect.top;
    layout_ = LayOutFrame(in);
    border_ = layout_.border;
    int parts[kStatusParts];
    std::copy(std::begin(layout_.statusRight), std::end(layout_.statusRight), parts);
    SendMessageW(status_, SB_SETPARTS, kStatusParts, reinterpret_cast<LPARAM>(parts));
    MoveWindow(rebar_, 0, 0, in.width, in.rebarHeight, TRUE);
    Place(timeline_, layout_.timeline);
    Place(textPane_, layout_.lower);
    Place(pictureList_, layout_.lower);
    Place(tabHolder_, layout_.tabHolder);
    refreshStatus_ = true;
}

void MainFrame::PaintBorders() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    RECT client;
    GetClientRect(window_, &client);
    client.top = layout_.timeline.y - 3;
    client.bottom = layout_.height;
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    for (const PaneRect& p : {layout_.timeline, layout_.lower}) {
        RECT r{p.x - 2, p.y - 2, p.x + p.width + 2, p.y + p.height + 2};
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    }
    EndPaint(window_, &ps);
}

// The ghost bar: a 4-pixel hatched band, XOR-blitted so that drawing it
// twice at the same place removes it.
void MainFrame::DrawGhostBar(int32_t y) {
    if (!ghostBrush_) {
        static const WORD kHatch[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
        ghostPattern_ = CreateBitmap(8, 8, 1, 1, kHatch);
        if (ghostPattern_) ghostBrush_ = CreatePatternBrush(ghostPattern_);
        if (!ghostBrush_) return;
    }
    HDC dc = GetDCEx(window_, nullptr, DCX_CACHE | DCX_LOCKWINDOWUPDATE | DCX_CLIPSIBLINGS);
    if (!dc) return;
    RECT client;
    GetClientRect(window_, &client);
    HGDIOBJ old = SelectObject(dc, ghostBrush_);
    PatBlt(dc, 0, y - 2, client.right, 4, PATINVERT);
    SelectObject(dc, old);
    ReleaseDC(window_, dc);
}

void MainFrame::EndPaneDrag(bool apply) {
    if (!paneDrag_) return;
    paneDrag_ = false;
    if (ghostY_ >= 0) DrawGhostBar(ghostY_);
    LockWindowUpdate(nullptr);
    if (GetCapture() == window_) ReleaseCapture();
    if (apply && ghostY_ >= 0) {
        border_ = ghostY_;
        LayOut();
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    ghostY_ = -1;
}

bool MainFrame::OverPictureList() const {
    POINT p;
    GetCursorPos(&p);
    HWND under = WindowFromPoint(p);
    return under == pictureList_ || (under && GetParent(under) == pictureList_);
}

void MainFrame::EndPictureDrag(bool drop) {
    if (!pictureDrag_) return;
    pictureDrag_ = false;
    if (GetCapture() == window_) ReleaseCapture();
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    if (!drop || !OverPictureList() || dragFrom_ < 0) return;
    LVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(pictureList_, &hit.pt);
    int32_t to = static_cast<int32_t>(SendMessageW(pictureList_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (to < 0) to = doc_.PictureCount() - 1;
    if (to != dragFrom_ && doc_.MovePictures(dragFrom_, to, 1)) {
        FillPictureList();
        ListView_SetItemState(pictureList_, to, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

MainFrame::Pane MainFrame::PaneOf(HWND window) const {
    if (!window) return Pane::None;
    if (window == textPane_) return Pane::Text;
    if (window == pictureList_) return Pane::Pictures;
    if (window == timeline_) return Pane::Timeline;
    return Pane::None;
}

HWND MainFrame::WindowOf(Pane pane) const {
    switch (pane) {
        case Pane::Text: return textPane_;
        case Pane::Pictures: return pictureList_;
        case Pane::Timeline: return timeline_;
        case Pane::None: break;
    }
    return nullptr;
}

void MainFrame::SetFocusPane(Pane pane) {
    focus_ = pane;
    if (pane != Pane::None) resumeFocus_ = pane;
    // The edit commands' states depend on the focus.
    std::fill(std::begin(commandState_), std::end(commandState_), int8_t{-1});
}

bool MainFrame::PreTranslate(MSG* msg) {
    if (!window_) return false;
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
        if (msg->hwnd == textPane_) RememberSelection();
        return accelerators_ && TranslateAcceleratorW(window_, accelerators_, msg);
    }
    if (msg->hwnd == textPane_ && (msg->message == WM_LBUTTONDOWN || msg->message == WM_LBUTTONUP ||
                                   msg->message == WM_IME_CHAR || msg->message == WM_IME_COMPOSITION))
        RememberSelection();
    if (msg->message == WM_RBUTTONDOWN && (msg->hwnd == textPane_ || msg->hwnd == pictureList_) && !GetCapture()) {
        if (GetFocus() != msg->hwnd) SetFocus(msg->hwnd);
        captureOwner_ = PaneOf(msg->hwnd);
        SetCapture(window_);
        return true;
    }
    if (msg->message == WM_LBUTTONDOWN && msg->hwnd == pictureList_ && (msg->wParam & MK_CONTROL))
        resumeFocus_ = Pane::Pictures;
    return false;
}

void MainFrame::IdleUpdate() {
    if (!window_) return;
    UpdateCommandStates();
    // The decode's progress, also in the status bar's first part (the
    // timeline's top strip shows it too).
    const int decoded = graphMode_ == graph::GraphMode::Decoding
                            ? static_cast<int>(std::clamp<LONG64>(InterlockedCompareExchange64(&progress_, 0, 0), 0, 100))
                            : -1;
    if (decoded != shownProgress_) {
        shownProgress_ = decoded;
        const std::wstring text = decoded >= 0 ? L"Decoding " + std::to_wstring(decoded) + L"%" : L"";
        SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (!refreshStatus_) return;
    refreshStatus_ = false;
    auto field = [this](WPARAM part, const wchar_t* label, int value) {
        const std::wstring text = label + std::to_wstring(value);
        SendMessageW(status_, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text.c_str()));
    };
    if (view_ == 0) {
        field(1, L"TC: ", doc_.TimingCount());
        field(2, L"LC: ", doc_.SegmentCount());
        const CHARRANGE sel = PaneSelection();
        const auto line = static_cast<int>(SendMessageW(textPane_, EM_EXLINEFROMCHAR, 0, sel.cpMin));
        const auto lineStart = static_cast<int>(SendMessageW(textPane_, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
        field(3, L"Ln: ", line + 1);
        field(4, L"Co: ", static_cast<int>(sel.cpMin) - lineStart + 1);
    } else {
        field(1, L"PC: ", doc_.PictureCount());
        for (WPARAM part = 2; part <= 4; ++part) SendMessageW(status_, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(L""));
    }
}

ScreenRect MainFrame::NormalWindowRect() const {
    WINDOWPLACEMENT placement = {sizeof placement};
    GetWindowPlacement(window_, &placement);
    const RECT& n = placement.rcNormalPosition;
    ScreenRect normal{n.left, n.top, n.right, n.bottom};
    MONITORINFO monitor = {sizeof monitor};
    if (!GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) return normal;
    const RECT& w = monitor.rcWork;
    const RECT& m = monitor.rcMonitor;
    return PlacementToScreen(normal, ScreenRect{w.left, w.top, w.right, w.bottom},
                             ScreenRect{m.left, m.top, m.right, m.bottom});
}

void MainFrame::ShutDownSession() {
    HaltLiveTiming(false);
    if (graph_) graph_->ReleaseGraph();
    timelineWindow_.SetWaveform(nullptr, 0);
    peaks_.Clear();
    SaveEditorSettings(*settings_, NormalWindowRect());
    if (graph_ && !graph_->DecodedPath().empty()) graph_->DeleteDecodedFile();
    if (!settings_->wavePath.empty()) {
        fs::Remove(settings_->wavePath);
        settings_->wavePath.clear();
    }
}

void MainFrame::OnGraphModeChanged(graph::GraphMode mode) {
    graphMode_ = mode;
    timelineWindow_.SetGraphMode(static_cast<int>(mode));
}

void MainFrame::OnPlayStateChanged(graph::PlayState state) {
    playState_ = state;
    timelineWindow_.SetPlayState(static_cast<int>(state));
}

// From the filters' threads: the value is stored and handed to the
// timeline's thread, never waited for (the user-interface thread may be
// waiting for this very thread in Stop or a seek).
void MainFrame::OnProgress(int64_t value) {
    InterlockedExchange64(&progress_, value);
    timelineWindow_.PostProgress(value);
}

// The decode is complete: the waveform comes from the decoded file before
// the playback graph opens it. The timeline lets go of the old peaks first.
void MainFrame::OnDecodeFinished(const std::u16string& decodedPath) {
    settings_->wavePath = decodedPath;
    timelineWindow_.SetWaveform(nullptr, 0);
    if (!BuildWaveform(decodedPath, &peaks_)) peaks_.Clear();
    timelineWindow_.SetWaveform(peaks_.Pairs(), peaks_.Duration());
}

void MainFrame::OnPlayFailed() {
    settings_->audioPath.clear();
    MessageBoxW(window_, reinterpret_cast<const wchar_t*>(graph::kPlayFailureText),
                reinterpret_cast<const wchar_t*>(graph::kPlayFailureTitle), MB_OK | MB_ICONWARNING);
}

bool MainFrame::CloseEditor() {
    if (!QuerySaveChanges()) return false;
    ShutDownSession();
    DestroyWindow(window_);
    return true;
}

LRESULT MainFrame::OnMessage(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
        case WM_CREATE:
            return CreateChildren() ? 0 : -1;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED && wp != SIZE_MAXSHOW && wp != SIZE_MAXHIDE && status_) LayOut();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                const Pane p = PaneOf(GetFocus());
                if (p != Pane::None) resumeFocus_ = p;
            } else if (HWND w = WindowOf(resumeFocus_); w && IsWindowVisible(w)) {
                SetFocus(w);
            }
            return 0;
        case WM_SETFOCUS:
            if (HWND w = WindowOf(resumeFocus_); w && IsWindowVisible(w)) SetFocus(w);
            return 0;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize.x = kMinWindowWidth;
            info->ptMinTrackSize.y = kMinWindowHeight;
            return 0;
        }
        case WM_PAINT:
            PaintBorders();
            return 0;
        case WM_CLOSE:
            CloseEditor();
            return 0;
        case WM_QUERYENDSESSION:
            // Logging off: the same question as closing; Cancel keeps the
            // session running.
            return QuerySaveChanges() ? TRUE : FALSE;
        case WM_ENDSESSION:
            if (wp) {
                ShutDownSession();
                DestroyWindow(window_);
            }
            return 0;
        case WM_NCHITTEST: {
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ScreenToClient(window_, &p);
            RECT client;
            GetClientRect(window_, &client);
            if (OnPaneBorder(p.x, p.y, client.right, layout_.timeline.y - 3, border_)) return HTSIZE;
            return DefWindowProcW(window_, message, wp, lp);
        }
        case WM_NCLBUTTONDOWN:
            if (wp == HTSIZE) {
                paneDrag_ = true;
                SetCapture(window_);
                LockWindowUpdate(window_);
                ghostY_ = ClampGhostBar(border_, layout_.timeline.y - 3, layout_.height);
                DrawGhostBar(ghostY_);
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTSIZE) {
                SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            if (paneDrag_) {
                const int32_t y = ClampGhostBar(GET_Y_LPARAM(lp), layout_.timeline.y - 3, layout_.height);
                if (y != ghostY_) {
                    DrawGhostBar(ghostY_);
                    ghostY_ = y;
                    DrawGhostBar(ghostY_);
                }
                return 0;
            }
            if (pictureDrag_) {
                SetCursor(LoadCursorW(instance_, MAKEINTRESOURCEW(OverPictureList() ? MR_ID_CURSOR_DROP
                                                                                    : MR_ID_CURSOR_NO_DROP)));
                return 0;
            }
            break;
        case WM_LBUTTONUP:
            if (paneDrag_) {
                EndPaneDrag(true);
                return 0;
            }
            if (pictureDrag_) {
                EndPictureDrag(true);
                return 0;
            }
            break;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != window_) {
                EndPaneDrag(false);
                EndPictureDrag(false);
                captureOwner_ = Pane::None;
            }
            return 0;
        case WM_RBUTTONUP:
            if (captureOwner_ != Pane::None) {
                const Pane owner = captureOwner_;
                captureOwner_ = Pane::None;
                ReleaseCapture();
                POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                ClientToScreen(window_, &p);
                ShowContextMenu(owner, p);
                return 0;
            }
            break;
        case WM_NOTIFY:
            OnNotify(reinterpret_cast<NMHDR*>(lp));
            return 0;
        case WM_COMMAND:
            DispatchCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case WM_DROPFILES:
            OpenDroppedFiles(reinterpret_cast<HDROP>(wp));
            return 0;
        case MR_ID_MSG_RECORD_UNDONE:
        case MR_ID_MSG_RECORD_REDONE:
            ApplyRecord(*reinterpret_cast<const EditRecord*>(lp), message == MR_ID_MSG_RECORD_UNDONE);
            return TRUE;
        case MR_ID_MSG_GRAPH_EVENT:
            if (graph_) graph_->HandleGraphEvents();
            return 0;
        case MR_ID_MSG_SELECTION:
            return MAKELRESULT(0xFFFF, 0xFFFF);
        case MR_ID_MSG_SEEK:
            OnSeekRequest(static_cast<int>(wp), static_cast<int>(lp));
            return 0;
        case MR_ID_MSG_PLAY_PAUSE:
            if (graphMode_ != graph::GraphMode::PlaybackReady) return 0;
            if (playState_ == graph::PlayState::Playing)
                graph_->Pause();
            else
                ResumeLastMode();
            return 0;
        case MR_ID_MSG_TIMING_CHANGED:
            OnTimingApplied(static_cast<int>(wp), static_cast<int>(lp));
            return 0;
        case MR_ID_MSG_RECOLOUR:
            Recolour();
            return 0;
        case MR_ID_MSG_PICTURES_CHANGED:
        case MR_ID_MSG_PICTURES_CHANGED2:
            FillPictureList();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wp, lp);
}

bool MainFrame::RecordUndone(const EditRecord& record) {
    return SendMessageW(window_, MR_ID_MSG_RECORD_UNDONE, 0, reinterpret_cast<LPARAM>(&record)) != 0;
}

bool MainFrame::RecordRedone(const EditRecord& record) {
    return SendMessageW(window_, MR_ID_MSG_RECORD_REDONE, 0, reinterpret_cast<LPARAM>(&record)) != 0;
}

// --- Start-up and teardown.

// GDI+'s start and stop, from its flat interface.
struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};
extern "C" int WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
extern "C" void WINAPI GdiplusShutdown(ULONG_PTR token);

namespace {

// Undoes exactly the start-up steps that succeeded, in reverse order.
struct StartUp {
    HANDLE mutex = nullptr;
    HMODULE richEdit = nullptr;
    ULONG_PTR gdiplus = 0;
    bool com = false;
    ~StartUp();
};

StartUp::~StartUp() {
    if (com) CoUninitialize();
    if (gdiplus) GdiplusShutdown(gdiplus);
    if (richEdit) FreeLibrary(richEdit);
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
}

}  // namespace

int RunEditor(HINSTANCE instance, int showCommand) {
    StartUp up;
    SetLastError(ERROR_SUCCESS);
    up.mutex = CreateMutexW(nullptr, TRUE, L"SingleMireltoEditorInstance");
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        if (up.mutex) {
            // Not ours to release: the first instance owns it.
            CloseHandle(up.mutex);
            up.mutex = nullptr;
        }
        // Bring the running editor forward; "restore" only a minimised one,
        // a maximised window stays maximised.
        if (HWND running = FindWindowW(kFrameClass, nullptr)) {
            if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
            SetForegroundWindow(running);
        }
        return 0;
    }
    if (!up.mutex) {
        Fail(L"Failed to create mutex");
        return 0;
    }
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                                ICC_COOL_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    up.richEdit = LoadLibraryW(L"riched20.dll");
    if (!up.richEdit) {
        Fail(L"Failed to load riched20.dll");
        return 0;
    }
    GdiplusStartupInput gdiplusInput;
    if (GdiplusStartup(&up.gdiplus, &gdiplusInput, nullptr) != 0) {
        up.gdiplus = 0;
        Fail(L"Failed to initialize GDI+.");
        return 0;
    }
    up.com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));

    int exitCode = 0;
    {
        // The frame (and every worker it starts) is gone before COM, GDI+
        // and the rich-edit library go.
        auto frame = std::unique_ptr<MainFrame>(new (std::nothrow) MainFrame(instance));
        if (!frame) return 0;
        HWND window = frame->CreateMainFrame();
        if (window) {
            ShowWindow(window, showCommand);
            UpdateWindow(window);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (frame->PreTranslate(&msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
                frame->IdleUpdate();
            }
            exitCode = static_cast<int>(msg.wParam);
        }
    }
    return exitCode;
}

}  // namespace mr
