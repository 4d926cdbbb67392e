// The command layer of the main frame: one handler per command, the enable
// table, the text pane bridge into the document store, opening files and
// the unsaved-changes question. Commands of the playback and timeline
// tools stay disabled until the graph and the timeline are attached.
#include "editor/frame/main_frame_win.h"

#include <commdlg.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "common/file.h"
#include "editor/files/open_flow.h"
#include "editor/files/save_flow.h"
#include "editor/frame/command_ids.h"

// commdlg.h names its find-and-replace dialog ReplaceText.
#undef ReplaceText

namespace mr {
namespace {

constexpr wchar_t kTitle[] = L"Mirelto Editor";

// The enable table: commands whose state follows the document, the focus
// and playback. Each row's index is its slot in the cached flags.
enum StateSlot {
    kSlotSave, kSlotSaveAs, kSlotSaveAsLrc, kSlotUndo, kSlotRedo, kSlotCutCopy, kSlotPaste, kSlotSelectAll,
    kSlotDuplicate, kSlotSetSyncpoint, kSlotRemoveSyncpoint, kSlotPlay, kSlotPlayXX, kSlotPlayX, kSlotPause,
    kSlotStop, kSlotCount
};
static_assert(kSlotCount <= 20, "the frame caches at most 20 flags");

// Commands that have no handler yet: disabled once at creation.
constexpr int kNotYet[] = {MR_ID_OPEN_AUDIO, MR_ID_OPEN_IMAGE,   MR_ID_ADD_IMAGE, MR_ID_INSERT_IMAGE,
                           MR_ID_REMOVE_IMAGE, MR_ID_PREVIEW_IMAGE, MR_ID_INFORMATION, MR_ID_SLOW_DOWN,
                           MR_ID_OPTIONS,    MR_ID_HELP,         MR_ID_ABOUT};

int KindFromPath(std::u16string_view path) {
    std::u16string ext(fs::Extension(path));
    for (char16_t& c : ext)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (ext == u".mr") return kLyricsKindNative;
    if (ext == u".mrp") return kLyricsKindProject;
    if (ext == u".mrt") return kLyricsKindTemplate;
    if (ext == u".lrc") return kLyricsKindLrc;
    if (ext == u".txt") return kLyricsKindText;
    if (ext == u".mp3" || ext == u".wav" || ext == u".wma" || ext == u".mp2" || ext == u".ogg")
        return kLyricsKindAudio;
    if (ext == u".jpg" || ext == u".jpeg" || ext == u".png" || ext == u".bmp" || ext == u".gif")
        return kLyricsKindPictures;
    return 0;
}

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// The "Opening file..." and "Saving file..." dialog: shown when a flow
// first reports progress, pumping messages on every report so the window
// stays alive and Cancel can be pressed.
class ProgressDialog final : public ProgressSink {
public:
    ProgressDialog(HINSTANCE instance, HWND owner, const wchar_t* caption)
        : instance_(instance), owner_(owner), caption_(caption) {}
    ~ProgressDialog() override {
        if (dialog_) {
            EnableWindow(owner_, TRUE);
            DestroyWindow(dialog_);
        }
    }
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    bool Progress(uint32_t percent) override {
        if (!dialog_) {
            dialog_ = CreateDialogParamW(instance_, MAKEINTRESOURCEW(MR_ID_PROGRESS_DIALOG), owner_, Proc,
                                         reinterpret_cast<LPARAM>(this));
            if (!dialog_) return true;  // no dialog: the flow goes on without one
            SetWindowTextW(dialog_, caption_);
            EnableWindow(owner_, FALSE);
            ShowWindow(dialog_, SW_SHOW);
        }
        SendDlgItemMessageW(dialog_, MR_ID_PROGRESS_BAR, PBM_SETPOS, std::min<uint32_t>(percent, 100), 0);
        MSG msg;
        while (!cancelled_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                cancelled_ = true;
                break;
            }
            if (!IsDialogMessageW(dialog_, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        return !cancelled_;
    }

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lp);
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
            reinterpret_cast<ProgressDialog*>(GetWindowLongPtrW(dialog, DWLP_USER))->cancelled_ = true;
            return TRUE;
        }
        return FALSE;
    }

    HINSTANCE instance_;
    HWND owner_;
    const wchar_t* caption_;
    HWND dialog_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace

void MainFrame::DispatchCommand(int id, int code, HWND control) {
    if (control && control == textPane_) {
        if (code == EN_CHANGE) OnTextPaneChange();
        if (code == EN_SETFOCUS) SetFocusPane(Pane::Text);
        if (code == EN_KILLFOCUS && focus_ == Pane::Text) SetFocusPane(Pane::None);
        return;
    }
    if (control && control == timeline_) {
        if (code == EN_SETFOCUS) SetFocusPane(Pane::Timeline);
        if (code == EN_KILLFOCUS && focus_ == Pane::Timeline) SetFocusPane(Pane::None);
        return;
    }
    switch (id) {
        case MR_ID_NEW:
            NewDocument();
            break;
        case MR_ID_OPEN:
        case MR_ID_OPEN_LYRICS: {
            wchar_t path[MAX_PATH] = L"";
            OPENFILENAMEW ofn = {sizeof ofn};
            ofn.hwndOwner = window_;
            ofn.lpstrFilter = L"Lyrics Files (*.mr;*.lrc;*.txt)\0*.mr;*.lrc;*.txt\0All Files (*.*)\0*.*\0";
            ofn.lpstrFile = path;
            ofn.nMaxFile = MAX_PATH;
            ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
            if (GetOpenFileNameW(&ofn)) {
                const std::u16string p(reinterpret_cast<const char16_t*>(path));
                const int kind = KindFromPath(p);
                OpenLyrics(p, kind == 0 || kind == kLyricsKindAudio || kind == kLyricsKindPictures ? kLyricsKindText
                                                                                                   : kind);
            }
            break;
        }
        case MR_ID_SAVE:
            Save();
            break;
        case MR_ID_SAVE_AS:
        case MR_ID_SAVE_AS_NATIVE:
            SaveAs(kLyricsKindNative);
            break;
        case MR_ID_MODE:
        case MR_ID_SIMPLE_MODE:
            ToggleSimpleMode();
            break;
        case MR_ID_COPY:
        case MR_ID_CUT:
            if (view_ == 0 && focus_ == Pane::Text) {
                const CHARRANGE sel = PaneSelection();
                if (sel.cpMin != sel.cpMax) {
                    if (id == MR_ID_CUT) RememberSelection();
                    SendMessageW(textPane_, id == MR_ID_CUT ? WM_CUT : WM_COPY, 0, 0);
                }
            }
            break;
        case MR_ID_PASTE:
            if (view_ == 0 && focus_ == Pane::Text) Paste();
            break;
        case MR_ID_SELECT_ALL:
            if (view_ == 0 && focus_ == Pane::Text) {
                CHARRANGE all{0, -1};
                SendMessageW(textPane_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
            }
            break;
        case MR_ID_UNDO:
            doc_.Undo();
            refreshStatus_ = true;
            break;
        case MR_ID_REDO:
            doc_.Redo();
            refreshStatus_ = true;
            break;
        case MR_ID_EXIT:
            CloseEditor();
            break;
        case MR_ID_NOTHING:
        default:
            break;
    }
}

void MainFrame::OnNotify(NMHDR* header) {
    if (header->hwndFrom == toolbar_ && header->code == TBN_DROPDOWN) {
        ShowToolbarMenu(reinterpret_cast<NMTOOLBARW*>(header));
        return;
    }
    if (header->code == TTN_GETDISPINFOW) {
        // A toolbar button's tooltip is its string.
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        info->hinst = instance_;
        info->lpszText = MAKEINTRESOURCEW(header->idFrom);
        return;
    }
    if (header->hwndFrom == tab_ && header->code == TCN_SELCHANGE) {
        view_ = static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)) == 1 ? 1 : 0;
        ShowWindow(view_ == 0 ? pictureList_ : textPane_, SW_HIDE);
        ShowWindow(view_ == 0 ? textPane_ : pictureList_, SW_SHOW);
        SetFocus(view_ == 0 ? textPane_ : pictureList_);
        refreshStatus_ = true;
        return;
    }
    if (header->hwndFrom == textPane_) {
        if (header->code == EN_SELCHANGE) refreshStatus_ = true;
        // A drag and drop inside the pane moves text in two steps; the next
        // change compares the whole texts.
        if (header->code == EN_DRAGDROPDONE) {
            resyncPane_ = true;
            OnTextPaneChange();
        }
        return;
    }
    if (header->hwndFrom == pictureList_) {
        switch (header->code) {
            case LVN_BEGINDRAG: {
                const int item = reinterpret_cast<NMLISTVIEW*>(header)->iItem;
                if (item >= 0 && ListView_GetItemState(pictureList_, item, LVIS_SELECTED)) {
                    dragFrom_ = item;
                    pictureDrag_ = true;
                    SetCapture(window_);
                    SetCursor(LoadCursorW(instance_, MAKEINTRESOURCEW(MR_ID_CURSOR_DROP)));
                }
                break;
            }
            case NM_SETFOCUS:
                SetFocusPane(Pane::Pictures);
                break;
            case NM_KILLFOCUS:
                if (focus_ == Pane::Pictures) SetFocusPane(Pane::None);
                break;
            case LVN_ITEMCHANGED:
                refreshStatus_ = true;
                break;
            default:
                break;
        }
    }
}

void MainFrame::ShowToolbarMenu(NMTOOLBARW* toolbar) {
    // The drop-downs show the File menu's submenus.
    HMENU file = GetSubMenu(menu_, 0);
    int position = -1;
    if (toolbar->iItem == MR_ID_OPEN) position = 1;
    if (toolbar->iItem == MR_ID_SAVE) position = 3;
    if (toolbar->iItem == MR_ID_MODE) position = 5;
    HMENU popup = position >= 0 ? GetSubMenu(file, position) : nullptr;
    if (!popup) return;
    RECT r = toolbar->rcButton;
    MapWindowPoints(toolbar->hdr.hwndFrom, nullptr, reinterpret_cast<POINT*>(&r), 2);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, 0, window_, nullptr);
}

void MainFrame::ShowContextMenu(Pane pane, POINT screen) {
    if (pane != Pane::Text && pane != Pane::Pictures) return;
    UpdateCommandStates();
    if (HMENU edit = GetSubMenu(menu_, 1))
        TrackPopupMenu(edit, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, window_, nullptr);
}

void MainFrame::SetCommandState(int id, bool enabled) {
    SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(id), MAKELPARAM(enabled ? TRUE : FALSE, 0));
    EnableMenuItem(menu_, static_cast<UINT>(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void MainFrame::UpdateCommandStates() {
    if (commandState_[kSlotCount] != 0) {
        // The commands without handlers, once.
        for (int id : kNotYet) SetCommandState(id, false);
        commandState_[kSlotCount] = 0;
    }
    const bool lyricsView = view_ == 0;
    const bool textFocus = lyricsView && focus_ == Pane::Text;
    const CHARRANGE sel = textFocus ? PaneSelection() : CHARRANGE{0, 0};
    const bool hasText = doc_.CellCount() > 0;
    const bool ready = graphMode_ == graph::GraphMode::PlaybackReady;
    bool states[kSlotCount] = {};
    states[kSlotSave] = doc_.IsModified();
    states[kSlotSaveAs] = hasText;
    states[kSlotSaveAsLrc] = false;
    states[kSlotUndo] = doc_.CanUndo();
    states[kSlotRedo] = doc_.CanRedo();
    states[kSlotCutCopy] = textFocus && sel.cpMin != sel.cpMax;
    states[kSlotPaste] = textFocus && IsClipboardFormatAvailable(CF_UNICODETEXT);
    states[kSlotSelectAll] = textFocus;
    // Syncpoints, Duplicate and the transport come with the timeline and
    // the playback graph.
    states[kSlotDuplicate] = false;
    states[kSlotSetSyncpoint] = false;
    states[kSlotRemoveSyncpoint] = false;
    states[kSlotPlay] = ready && false;
    states[kSlotPlayXX] = ready && false;
    states[kSlotPlayX] = ready && false;
    states[kSlotPause] = ready && false;
    states[kSlotStop] = ready && false;
    static constexpr int kIds[kSlotCount][2] = {
        {MR_ID_SAVE, 0},          {MR_ID_SAVE_AS_NATIVE, MR_ID_SAVE_AS}, {MR_ID_SAVE_AS_LRC, 0},
        {MR_ID_UNDO, 0},          {MR_ID_REDO, 0},                       {MR_ID_CUT, MR_ID_COPY},
        {MR_ID_PASTE, 0},         {MR_ID_SELECT_ALL, 0},                 {MR_ID_DUPLICATE, 0},
        {MR_ID_SET_SYNCPOINT, 0}, {MR_ID_REMOVE_SYNCPOINT, 0},           {MR_ID_PLAY, 0},
        {MR_ID_PLAY_XX, 0},       {MR_ID_PLAY_X, 0},                     {MR_ID_PAUSE, 0},
        {MR_ID_STOP, 0}};
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const int8_t flag = states[slot] ? 1 : 0;
        if (commandState_[slot] == flag) continue;
        commandState_[slot] = flag;
        for (int id : kIds[slot])
            if (id) SetCommandState(id, states[slot]);
    }
}

bool MainFrame::QuerySaveChanges() {
    if (!doc_.IsModified() || doc_.CellCount() == 0) return true;
    const int answer = MessageBoxW(window_, LoadText(MR_ID_STR_SAVE_CHANGES), kTitle, MB_YESNOCANCEL | MB_ICONWARNING);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) return Save();
    return true;
}

void MainFrame::NewDocument() {
    if (!QuerySaveChanges()) return;
    doc_.ClearSyncDocument();
    settings_->lyricsPath.clear();
    settings_->lyricsKind = 0;
    settings_->lyricsEncoding = 0;
    fields_ = SaveFields{};
    LoadPaneFromStore();
    FillPictureList();
}

// --- Opening.

void MainFrame::OpenFromCommandLine() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return;
    if (argc >= 2) {
        const std::u16string path(reinterpret_cast<const char16_t*>(argv[1]));
        if (fs::Exists(path) && !fs::IsDirectory(path)) {
            const int kind = KindFromPath(path);
            if (kind != 0 && kind != kLyricsKindPictures) OpenByKind(path, kind);
        }
    }
    LocalFree(argv);
}

void MainFrame::OpenDroppedFiles(HDROP drop) {
    wchar_t path[MAX_PATH];
    if (DragQueryFileW(drop, 0, path, MAX_PATH) > 0) {
        const std::u16string p(reinterpret_cast<const char16_t*>(path));
        const int kind = KindFromPath(p);
        // Pictures join the picture list once it has its commands.
        if (kind != 0 && kind != kLyricsKindPictures) OpenByKind(p, kind);
    }
    DragFinish(drop);
}

bool MainFrame::OpenByKind(const std::u16string& path, int kind) {
    if (kind == kLyricsKindAudio) return false;  // the audio open flow comes with the graph
    return OpenLyrics(path, kind);
}

bool MainFrame::OpenLyrics(const std::u16string& path, int kind) {
    OpenReport report;
    OpenStatus status;
    {
        ProgressDialog progress(instance_, window_, L"Opening file...");
        status = OpenLyricsFile(doc_, lyrics_, path, kind, &progress, &report);
    }
    if (status == OpenStatus::kOpened) {
        settings_->lyricsPath = path;
        settings_->lyricsKind = kind;
        settings_->lyricsEncoding = report.encoding;
        fields_ = report.fields;
    } else {
        settings_->lyricsPath.clear();
        settings_->lyricsKind = 0;
    }
    LoadPaneFromStore();
    FillPictureList();
    return status == OpenStatus::kOpened;
}

// --- Saving.

bool MainFrame::Save() {
    if (!doc_.IsModified()) return true;
    const int kind = settings_->lyricsKind;
    if (!settings_->lyricsPath.empty() && (kind == kLyricsKindNative || kind == kLyricsKindNativeAlt)) {
        SaveOptions options;
        options.kind = kind;
        fields_.simple = settings_->simpleMode > 0;
        options.fields = fields_;
        ProgressDialog progress(instance_, window_, L"Saving file...");
        options.progress = &progress;
        return SaveLyricsFile(doc_, settings_->lyricsPath, options) == SaveStatus::kSaved;
    }
    return SaveAs(kLyricsKindNative);
}

bool MainFrame::SaveAs(int kind) {
    wchar_t path[MAX_PATH] = L"";
    if (!settings_->lyricsPath.empty()) {
        std::u16string base = settings_->lyricsPath;
        const std::u16string_view ext = fs::Extension(base);
        base.resize(base.size() - ext.size());
        base += u".mr";
        if (base.size() < MAX_PATH) std::copy(base.begin(), base.end(), path);
    }
    OPENFILENAMEW ofn = {sizeof ofn};
    ofn.hwndOwner = window_;
    ofn.lpstrFilter = L"Mirelto Lyrics (*.mr)\0*.mr\0";
    ofn.lpstrDefExt = L"mr";
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetSaveFileNameW(&ofn)) return false;
    const std::u16string target(reinterpret_cast<const char16_t*>(path));
    SaveOptions options;
    options.kind = kind;
    fields_.simple = settings_->simpleMode > 0;
    options.fields = fields_;
    ProgressDialog progress(instance_, window_, L"Saving file...");
    options.progress = &progress;
    if (SaveLyricsFile(doc_, target, options) != SaveStatus::kSaved) return false;
    settings_->lyricsPath = target;
    settings_->lyricsKind = kind;
    return true;
}

// --- Simple mode.

void MainFrame::ToggleSimpleMode() {
    LockGuard guard(doc_.DocumentLock());
    settings_->simpleMode = settings_->simpleMode > 0 ? 0 : 1;
    CheckMenuItem(menu_, MR_ID_SIMPLE_MODE, MF_BYCOMMAND | (settings_->simpleMode ? MF_CHECKED : MF_UNCHECKED));
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText =
        const_cast<wchar_t*>(LoadText(settings_->simpleMode ? MR_ID_STR_LYRICS_SIMPLE_TAB : MR_ID_STR_LYRICS_TAB));
    SendMessageW(tab_, TCM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SizeTabControl();
    LayOut();
}

// --- The text pane.

int32_t MainFrame::PaneLength() {
    GETTEXTLENGTHEX length = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<int32_t>(SendMessageW(textPane_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

CHARRANGE MainFrame::PaneSelection() {
    CHARRANGE sel = {};
    SendMessageW(textPane_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    return sel;
}

std::u16string MainFrame::PaneText(int32_t pos, int32_t count) {
    std::u16string text(static_cast<size_t>(count) + 1, u'\0');
    TEXTRANGEW range = {};
    range.chrg = {pos, pos + count};
    range.lpstrText = reinterpret_cast<wchar_t*>(text.data());
    const auto got = static_cast<size_t>(SendMessageW(textPane_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
    text.resize(std::min(got, static_cast<size_t>(count)));
    // The pane may hand paragraph ends back as CR LF; the store has CR only.
    text.erase(std::remove(text.begin(), text.end(), u'\n'), text.end());
    return text;
}

void MainFrame::RememberSelection() {
    if (haveSelection_) return;
    selectionBefore_ = PaneSelection();
    haveSelection_ = true;
}

void MainFrame::OnTextPaneChange() {
    if (paneUpdating_) return;
    refreshStatus_ = true;
    const int32_t oldLength = doc_.CellCount(), newLength = PaneLength();
    const CHARRANGE now = PaneSelection();
    TextChange change;
    std::u16string inserted;
    bool known = false;
    if (pasteText_) {
        // A paste: the inserted characters are the converted clipboard text.
        const auto count = static_cast<int32_t>(pasteText_->size());
        known = ChangeFromSelection(oldLength, newLength, selectionBefore_.cpMin, selectionBefore_.cpMax, now.cpMin,
                                    &change) &&
                change.insertCount == count;
        if (known) inserted = *pasteText_;
    } else if (haveSelection_ && !resyncPane_) {
        known = ChangeFromSelection(oldLength, newLength, selectionBefore_.cpMin, selectionBefore_.cpMax, now.cpMin,
                                    &change);
        if (known && change.insertCount > 0) inserted = PaneText(change.insertPos, change.insertCount);
        known = known && static_cast<int32_t>(inserted.size()) == change.insertCount;
    }
    haveSelection_ = false;
    resyncPane_ = false;
    if (!known) {
        // Compare the whole texts: the store's against the pane's.
        std::u16string before(static_cast<size_t>(oldLength) + 1, u'\0');
        const int32_t got = doc_.GetText(0, oldLength, before.data());
        before.resize(static_cast<size_t>(std::max(got, 0)));
        const std::u16string after = PaneText(0, newLength);
        change = DiffTexts(before, after);
        inserted = after.substr(static_cast<size_t>(change.insertPos), static_cast<size_t>(change.insertCount));
    }
    if (change.deleteCount == 0 && change.insertCount == 0) return;
    bool stored;
    if (change.deleteCount == 0 && change.insertCount == 1)
        stored = doc_.TypeCharacter(change.insertPos, inserted[0]);
    else
        stored = doc_.ReplaceText(change.deletePos, change.deleteCount, inserted.data(), change.insertPos,
                                  change.insertCount);
    if (!stored) {
        // The store refused (it is full): the pane goes back to the store's
        // text so that both stay the same.
        LoadPaneFromStore();
        return;
    }
    Recolour();
}

void MainFrame::Paste() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(window_)) return;
    std::u16string text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const char16_t*>(GlobalLock(data))) {
            text = PasteText(units, GlobalSize(data) / sizeof(char16_t));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    haveSelection_ = false;
    RememberSelection();
    pasteText_ = &text;
    SendMessageW(textPane_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(W(text)));
    pasteText_ = nullptr;
}

void MainFrame::LoadPaneFromStore() {
    const int32_t count = doc_.CellCount();
    std::u16string text(static_cast<size_t>(count) + 1, u'\0');
    const int32_t got = doc_.GetText(0, count, text.data());
    text.resize(static_cast<size_t>(std::max(got, 0)));
    paneUpdating_ = true;
    SETTEXTEX set = {ST_DEFAULT, 1200};
    SendMessageW(textPane_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set), reinterpret_cast<LPARAM>(W(text)));
    SendMessageW(textPane_, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageW(textPane_, EM_SETMODIFY, FALSE, 0);
    paneUpdating_ = false;
    haveSelection_ = false;
    Recolour();
    refreshStatus_ = true;
}

void MainFrame::ReplacePaneRange(int32_t pos, int32_t count, const std::u16string& text) {
    paneUpdating_ = true;
    CHARRANGE range{pos, pos + count};
    SendMessageW(textPane_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageW(textPane_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(W(text)));
    paneUpdating_ = false;
}

// Synchronised text (the segments that have timing entries) in the second
// edit colour, the rest in the first.
void MainFrame::Recolour() {
    const int32_t cells = doc_.CellCount(), segments = doc_.SegmentCount(), timed = doc_.TimingCount();
    const int32_t boundary = timed >= segments ? cells : doc_.SegmentStart(timed);
    paneUpdating_ = true;
    const CHARRANGE keep = PaneSelection();
    SendMessageW(textPane_, EM_HIDESELECTION, TRUE, 0);
    CHARFORMAT2W cf = {};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_COLOR;
    for (int part = 0; part < 2; ++part) {
        CHARRANGE range = part == 0 ? CHARRANGE{0, boundary} : CHARRANGE{boundary, -1};
        if (range.cpMin == range.cpMax) continue;
        cf.crTextColor = settings_->editTextColor[part == 0 ? 1 : 0];
        SendMessageW(textPane_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        SendMessageW(textPane_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    }
    SendMessageW(textPane_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    SendMessageW(textPane_, EM_HIDESELECTION, FALSE, 0);
    paneUpdating_ = false;
}

// Undo and Redo have changed the store; the pane follows. A text record
// deleted deleteCount cells at deletePos and then inserted insertCount at
// insertPos: undoing takes the insertion out and puts the deleted cells
// back (as the store now has them), redoing does it forwards.
void MainFrame::ApplyRecord(const EditRecord& record, bool undo) {
    if (record.Kind() == kEditText) {
        const ListEdit& c = record.change;
        auto storeText = [&](int32_t pos, int32_t count) {
            std::u16string s(static_cast<size_t>(count) + 1, u'\0');
            const int32_t got = doc_.GetTextUnlocked(pos, count, s.data());
            s.resize(static_cast<size_t>(std::max(got, 0)));
            return s;
        };
        if (undo) {
            if (c.insertPos >= 0 && c.insertCount > 0) ReplacePaneRange(c.insertPos, c.insertCount, u"");
            if (c.deletePos >= 0 && c.deleteCount > 0)
                ReplacePaneRange(c.deletePos, 0, storeText(c.deletePos, c.deleteCount));
        } else {
            if (c.deletePos >= 0 && c.deleteCount > 0) ReplacePaneRange(c.deletePos, c.deleteCount, u"");
            if (c.insertPos >= 0 && c.insertCount > 0)
                ReplacePaneRange(c.insertPos, 0, storeText(c.insertPos, c.insertCount));
        }
        // Verify cheaply: a pane that no longer has the store's length is
        // loaded again.
        if (PaneLength() != doc_.CellCount()) LoadPaneFromStore();
    } else if (record.Kind() == kEditPictures) {
        FillPictureList();
    }
    Recolour();
    refreshStatus_ = true;
}

void MainFrame::FillPictureList() {
    SendMessageW(pictureList_, LVM_DELETEALLITEMS, 0, 0);
    LockGuard guard(doc_.DocumentLock());
    const int32_t count = doc_.PictureCount();
    for (int32_t i = 0; i < count; ++i) {
        PictureInfo info;
        if (!doc_.GetPicture(i, &info)) break;
        std::wstring name;
        if (info.path) {
            name = reinterpret_cast<const wchar_t*>(info.path);
        } else {
            name = L"Picture " + std::to_wstring(info.ordinal);
        }
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = name.data();
        const auto row = static_cast<int>(SendMessageW(pictureList_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        item.iItem = row;
        item.iSubItem = 1;
        item.pszText = const_cast<wchar_t*>((info.flags & kSlideInvalid) ? L"Invalid" : L"Valid");
        SendMessageW(pictureList_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    refreshStatus_ = true;
}

}  // namespace mr
