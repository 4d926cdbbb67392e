// The command layer of the main frame: one handler per command, the enable
// table, the text pane bridge into the document store, opening and saving
// files, the transport and the timeline's requests, and the unsaved-changes
// question. Nothing here changes the graph's state or waits for another
// thread while it holds the document lock: the streaming threads need it.
#include "editor/frame/main_frame_win.h"

#include <commdlg.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "common/file.h"
#include "editor/files/open_flow.h"
#include "editor/files/save_flow.h"
#include "editor/frame/command_ids.h"
#include "editor/frame/editor_dialogs_win.h"
#include "editor/frame/suggest_command_win.h"

// commdlg.h names its find-and-replace dialog ReplaceText.
#undef ReplaceText

namespace mr {
namespace {

constexpr wchar_t kTitle[] = L"Mirelto Editor";

// Help Topics: the user's guide installed beside the program, else a short
// summary of the steps.
void ShowHelp(HWND owner, HINSTANCE instance) {
    wchar_t module[MAX_PATH];
    const DWORD n = GetModuleFileNameW(instance, module, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        std::wstring guide(module, n);
        const size_t slash = guide.find_last_of(L'\\');
        if (slash != std::wstring::npos) {
            guide.resize(slash + 1);
            guide += L"README.html";
            if (GetFileAttributesW(guide.c_str()) != INVALID_FILE_ATTRIBUTES &&
                reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", guide.c_str(), nullptr, nullptr,
                                                        SW_SHOWNORMAL)) > 32)
                return;
        }
    }
    MessageBoxW(owner,
                L"1. File > Open > Audio File: the song is decoded and its waveform shown.\n"
                L"2. File > Open > Lyrics File: a .mr, .lrc or .txt file.\n"
                L"3. Put the caret where each word or syllable begins and press Ctrl+D.\n"
                L"4. Play (Ctrl+P) and click the timeline, or press Space on it, at each syllable.\n"
                L"5. Fix entries with the timeline's tools; Undo and Redo undo every step.\n"
                L"6. File > Save As > MR File or LRC File.",
                L"Mirelto Editor Help", MB_OK | MB_ICONINFORMATION);
}

// The enable table: commands whose state follows the document, the focus
// and playback. Each row's index is its slot in the cached flags.
enum StateSlot {
    kSlotSave, kSlotSaveAs, kSlotSaveAsLrc, kSlotUndo, kSlotRedo, kSlotCutCopy, kSlotPaste, kSlotSelectAll,
    kSlotDuplicate, kSlotSetSyncpoint, kSlotRemoveSyncpoint, kSlotPlay, kSlotPlayXX, kSlotPlayX, kSlotPause,
    kSlotStop, kSlotTap, kSlotRemoveImage, kSlotSuggest, kSlotCount
};
static_assert(kSlotCount < 24, "the frame caches at most 23 flags and the first-pass marker");

// Media time (100 ns) per timeline tick (10 ms).
constexpr int64_t kMediaPerTick = 100000;

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
std::u16string U(const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }

// The open dialog for one file (multi false) or several (the dialog's
// folder-then-names form, converted to that form for a single choice too).
bool ChooseFiles(HWND owner, const wchar_t* filter, bool multi, std::u16string* chosen) {
    std::vector<wchar_t> buffer(multi ? 32768 : MAX_PATH, L'\0');
    OPENFILENAMEW ofn = {sizeof ofn};
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER |
                (multi ? OFN_ALLOWMULTISELECT : 0);
    if (!GetOpenFileNameW(&ofn)) return false;
    const wchar_t* first = buffer.data();
    const size_t firstLength = wcslen(first);
    if (!multi || first[firstLength + 1] != L'\0') {
        // One path, or the folder followed by the names.
        size_t end = firstLength + 1;
        if (multi)
            while (end < buffer.size() && buffer[end] != L'\0') end += wcslen(&buffer[end]) + 1;
        chosen->assign(reinterpret_cast<const char16_t*>(first), end);
        if (!multi) chosen->resize(firstLength);
        return true;
    }
    // A single picture: split it into its folder and its name.
    const std::u16string path(reinterpret_cast<const char16_t*>(first), firstLength);
    const size_t slash = path.find_last_of(u'\\');
    if (slash == std::u16string::npos) return false;
    *chosen = path.substr(0, slash);
    chosen->push_back(u'\0');
    chosen->append(path, slash + 1, std::u16string::npos);
    chosen->push_back(u'\0');
    return true;
}

// The name part of a path, without folder and extension.
std::u16string BareName(std::u16string_view path) {
    const size_t slash = path.find_last_of(u"\\/");
    std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of(u'.');
    if (dot != std::u16string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::u16string(name);
}

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
            std::u16string p;
            if (ChooseFiles(window_, L"Lyrics Files (*.mr;*.lrc;*.txt)\0*.mr;*.lrc;*.txt\0All Files (*.*)\0*.*\0",
                            false, &p)) {
                const int kind = KindFromPath(p);
                OpenLyrics(p, kind == 0 || kind == kLyricsKindAudio || kind == kLyricsKindPictures ? kLyricsKindText
                                                                                                   : kind);
            }
            break;
        }
        case MR_ID_OPEN_AUDIO: {
            std::u16string p;
            if (ChooseFiles(window_,
                            L"Audio Files (*.mp3;*.wav;*.wma;*.mp2;*.ogg)\0*.mp3;*.wav;*.wma;*.mp2;*.ogg\0"
                            L"All Files (*.*)\0*.*\0",
                            false, &p))
                OpenAudio(p);
            break;
        }
        case MR_ID_OPEN_IMAGE:
        case MR_ID_ADD_IMAGE:
            OpenPictures(false);
            break;
        case MR_ID_INSERT_IMAGE:
            OpenPictures(true);
            break;
        case MR_ID_REMOVE_IMAGE:
            RemoveSelectedPicture();
            break;
        case MR_ID_PREVIEW_IMAGE:
            settings_->previewImage = settings_->previewImage ? 0 : 1;
            CheckMenuItem(menu_, MR_ID_PREVIEW_IMAGE, MF_BYCOMMAND | (settings_->previewImage ? MF_CHECKED : MF_UNCHECKED));
            ApplyViewSettings();
            break;
        case MR_ID_SAVE:
            Save();
            break;
        case MR_ID_SAVE_AS:
        case MR_ID_SAVE_AS_NATIVE:
            SaveAs(kLyricsKindNative);
            break;
        case MR_ID_SAVE_AS_LRC:
            SaveAsLrc();
            break;
        case MR_ID_MODE:
        case MR_ID_SIMPLE_MODE:
            ToggleSimpleMode();
            break;
        case MR_ID_INFORMATION:
            ShowInformation();
            break;
        case MR_ID_DUPLICATE:
        case MR_ID_SET_SYNCPOINT:
        case MR_ID_REMOVE_SYNCPOINT: {
            if (view_ != 0 || focus_ != Pane::Text) break;
            const CHARRANGE sel = PaneSelection();
            if (sel.cpMin != sel.cpMax) break;
            bool done;
            if (id == MR_ID_DUPLICATE)
                done = doc_.DuplicateLines(sel.cpMin);
            else if (id == MR_ID_SET_SYNCPOINT)
                done = doc_.SetSyncpoint(sel.cpMin);
            else
                done = doc_.RemoveSyncpoint(sel.cpMin);
            if (done) {
                if (id == MR_ID_DUPLICATE) LoadPaneFromStore();
                Recolour();
                refreshStatus_ = true;
                InvalidateRect(timeline_, nullptr, FALSE);
            }
            break;
        }
        case MR_ID_PLAY:
            Play(graph::PlayMode::Play);
            break;
        case MR_ID_PLAY_XX:
            Play(graph::PlayMode::PlayLine);
            break;
        case MR_ID_PLAY_X:
            Play(graph::PlayMode::PlayFromSync);
            break;
        case MR_ID_PAUSE:
            if (graph_ && graphMode_ == graph::GraphMode::PlaybackReady) graph_->Pause();
            break;
        case MR_ID_STOP:
            if (graph_ && graphMode_ == graph::GraphMode::PlaybackReady) graph_->Stop();
            break;
        case MR_ID_SLOW_DOWN:
            ToggleSlowDown();
            break;
        case MR_ID_TAP:
            TapFromMenu();
            break;
        case MR_ID_SUGGEST_TIMING: {
            const int32_t before = doc_.TimingCount();
            if (graph_ && graphMode_ == graph::GraphMode::PlaybackReady && playState_ != graph::PlayState::Playing &&
                !settings_->wavePath.empty() &&
                RunSuggestTiming(window_, doc_, settings_->wavePath, timelineWindow_.GetStartTime() / kMediaPerTick)) {
                // The new entries are the last ones; they keep their own
                // colour until the timing is edited.
                timelineWindow_.MarkSuggested(before, doc_.TimingCount());
                Recolour();
                refreshStatus_ = true;
                InvalidateRect(timeline_, nullptr, FALSE);
            }
            break;
        }
        case MR_ID_OPTIONS:
            ShowOptions();
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
        case MR_ID_REDO:
            HaltLiveTiming(true);
            timelineWindow_.MarkSuggested(0, 0);
            if (id == MR_ID_UNDO)
                doc_.Undo();
            else
                doc_.Redo();
            refreshStatus_ = true;
            InvalidateRect(timeline_, nullptr, FALSE);
            break;
        case MR_ID_EXIT:
            CloseEditor();
            break;
        case MR_ID_HELP:
            ShowHelp(window_, instance_);
            break;
        case MR_ID_ABOUT:
            ShowAboutBox(window_, instance_);
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
    const bool lyricsView = view_ == 0;
    const bool textFocus = lyricsView && focus_ == Pane::Text;
    const CHARRANGE sel = textFocus ? PaneSelection() : CHARRANGE{0, 0};
    const bool caretOnly = textFocus && sel.cpMin == sel.cpMax;
    const bool hasText = doc_.CellCount() > 0;
    const bool ready = graph_ && graphMode_ == graph::GraphMode::PlaybackReady;
    const bool playing = ready && playState_ == graph::PlayState::Playing;
    bool states[kSlotCount] = {};
    states[kSlotSave] = doc_.IsModified() || fieldsChanged_;
    states[kSlotSaveAs] = hasText;
    states[kSlotSaveAsLrc] = hasText;
    states[kSlotUndo] = doc_.CanUndo();
    states[kSlotRedo] = doc_.CanRedo();
    states[kSlotCutCopy] = textFocus && sel.cpMin != sel.cpMax;
    states[kSlotPaste] = textFocus && IsClipboardFormatAvailable(CF_UNICODETEXT);
    states[kSlotSelectAll] = textFocus;
    if (caretOnly) {
        const int32_t segment = doc_.SegmentOfCell(sel.cpMin);
        states[kSlotDuplicate] =
            segment >= 1 && segment < doc_.TimingCount() && doc_.CanDuplicateLines(sel.cpMin);
        states[kSlotSetSyncpoint] = doc_.CanSetSyncpoint(sel.cpMin);
        states[kSlotRemoveSyncpoint] = doc_.CanRemoveSyncpoint(sel.cpMin);
    }
    states[kSlotPlay] = ready;
    states[kSlotPlayXX] = ready;
    states[kSlotPlayX] = ready;
    states[kSlotPause] = playing;
    states[kSlotStop] = ready && playState_ != graph::PlayState::Stopped;
    states[kSlotTap] = playing && lyricsView;
    // Suggestions need the decoded song and segments without entries.
    states[kSlotSuggest] = ready && playState_ != graph::PlayState::Playing && !settings_->wavePath.empty() &&
                           doc_.TimingCount() < doc_.SegmentCount();
    states[kSlotRemoveImage] =
        !lyricsView && ListView_GetNextItem(pictureList_, -1, LVNI_SELECTED) >= 0;
    static constexpr int kIds[kSlotCount][2] = {
        {MR_ID_SAVE, 0},          {MR_ID_SAVE_AS_NATIVE, MR_ID_SAVE_AS}, {MR_ID_SAVE_AS_LRC, 0},
        {MR_ID_UNDO, 0},          {MR_ID_REDO, 0},                       {MR_ID_CUT, MR_ID_COPY},
        {MR_ID_PASTE, 0},         {MR_ID_SELECT_ALL, 0},                 {MR_ID_DUPLICATE, 0},
        {MR_ID_SET_SYNCPOINT, 0}, {MR_ID_REMOVE_SYNCPOINT, 0},           {MR_ID_PLAY, 0},
        {MR_ID_PLAY_XX, 0},       {MR_ID_PLAY_X, 0},                     {MR_ID_PAUSE, 0},
        {MR_ID_STOP, 0},          {MR_ID_TAP, 0},                        {MR_ID_REMOVE_IMAGE, 0},
        {MR_ID_SUGGEST_TIMING, 0}};
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const int8_t flag = states[slot] ? 1 : 0;
        if (commandState_[slot] == flag) continue;
        commandState_[slot] = flag;
        for (int id : kIds[slot])
            if (id) SetCommandState(id, states[slot]);
    }
}

bool MainFrame::QuerySaveChanges() {
    if (!(doc_.IsModified() || fieldsChanged_) || doc_.CellCount() == 0) return true;
    const int answer = MessageBoxW(window_, LoadText(MR_ID_STR_SAVE_CHANGES), kTitle, MB_YESNOCANCEL | MB_ICONWARNING);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) return Save();
    return true;
}

void MainFrame::HaltLiveTiming(bool onlyWhileRecording) {
    if (!graph_ || playState_ != graph::PlayState::Playing) return;
    if (onlyWhileRecording) {
        LockGuard guard(doc_.DocumentLock());
        if (!timelineWindow_.Input().State().recording) return;
    }
    graph_->Pause();
}

void MainFrame::NewDocument() {
    if (!QuerySaveChanges()) return;
    HaltLiveTiming(false);
    timelineWindow_.MarkSuggested(0, 0);
    doc_.ClearSyncDocument();
    // A new document has no file: the next Save asks for one rather than
    // overwriting the file that was open before.
    settings_->lyricsPath.clear();
    settings_->lyricsKind = 0;
    settings_->lyricsEncoding = 0;
    fields_ = SaveFields{};
    fieldsChanged_ = false;
    LoadPaneFromStore();
    FillPictureList();
    InvalidateRect(timeline_, nullptr, FALSE);
}

// --- Opening.

void MainFrame::OpenFromCommandLine() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return;
    if (argc >= 2) {
        const std::u16string path = U(argv[1]);
        if (fs::Exists(path) && !fs::IsDirectory(path)) {
            const int kind = KindFromPath(path);
            if (kind != 0 && kind != kLyricsKindPictures) OpenByKind(path, kind);
        }
    }
    LocalFree(argv);
}

void MainFrame::OpenDroppedFiles(HDROP drop) {
    wchar_t path[MAX_PATH];
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count > 0 && DragQueryFileW(drop, 0, path, MAX_PATH) > 0) {
        const std::u16string first = U(path);
        const int kind = KindFromPath(first);
        if (kind == kLyricsKindPictures) {
            // The dialog's multi-selection form: the first file's folder,
            // then the name of each picture in that same folder. A path that
            // does not fit, a folder, or a file elsewhere ends the list.
            const size_t slash = first.find_last_of(u'\\');
            if (slash != std::u16string::npos && !fs::IsDirectory(first)) {
                const std::u16string folder = first.substr(0, slash);
                std::u16string list = folder;
                list.push_back(u'\0');
                list.append(first, slash + 1, std::u16string::npos);
                list.push_back(u'\0');
                for (UINT i = 1; i < count; ++i) {
                    const UINT n = DragQueryFileW(drop, i, path, MAX_PATH);
                    if (n == 0 || n >= MAX_PATH) break;
                    const std::u16string next = U(path);
                    if (KindFromPath(next) != kLyricsKindPictures || next.size() <= folder.size() + 1 ||
                        next.compare(0, folder.size() + 1, folder + u'\\') != 0 ||
                        next.find(u'\\', folder.size() + 1) != std::u16string::npos || fs::IsDirectory(next))
                        break;
                    list.append(next, folder.size() + 1, std::u16string::npos);
                    list.push_back(u'\0');
                }
                AddPictureList(list, false);
            }
        } else if (kind != 0 && !fs::IsDirectory(first)) {
            OpenByKind(first, kind);
        }
    }
    DragFinish(drop);
}

bool MainFrame::OpenByKind(const std::u16string& path, int kind) {
    if (kind == kLyricsKindAudio) return OpenAudio(path);
    return OpenLyrics(path, kind);
}

bool MainFrame::OpenLyrics(const std::u16string& path, int kind) {
    // The file is chosen: ask before anything of the current work goes.
    if (!QuerySaveChanges()) return false;
    HaltLiveTiming(false);
    timelineWindow_.MarkSuggested(0, 0);
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
    fieldsChanged_ = false;
    LoadPaneFromStore();
    FillPictureList();
    InvalidateRect(timeline_, nullptr, FALSE);
    return status == OpenStatus::kOpened;
}

bool MainFrame::OpenAudio(const std::u16string& path) {
    if (!graph_) return false;
    HaltLiveTiming(false);
    // The playback graph still reads the decoded file that the decode is
    // about to rewrite, and the timeline still draws the old peaks.
    graph_->ReleaseGraph();
    timelineWindow_.SetWaveform(nullptr, 0);
    peaks_.Clear();
    HRESULT hr = graph_->BuildDecodeGraph(path);
    if (SUCCEEDED(hr)) {
        hr = graph_->Run();
        if (FAILED(hr)) graph_->ReleaseGraph();
    }
    if (FAILED(hr)) {
        settings_->audioPath.clear();
        MessageBoxW(window_, reinterpret_cast<const wchar_t*>(graph::kPlayFailureText),
                    reinterpret_cast<const wchar_t*>(graph::kPlayFailureTitle), MB_OK | MB_ICONWARNING);
        return false;
    }
    settings_->audioPath = path;
    return true;
}

// --- Pictures.

void MainFrame::OpenPictures(bool insert) {
    std::u16string list;
    if (!ChooseFiles(window_, L"Image Files (*.png;*.jpg;*.gif;*.bmp)\0*.png;*.jpg;*.jpeg;*.gif;*.bmp\0", true, &list))
        return;
    AddPictureList(list, insert);
}

void MainFrame::AddPictureList(const std::u16string& list, bool insert) {
    int32_t position = doc_.PictureCount();
    if (insert) {
        const int selected = ListView_GetNextItem(pictureList_, -1, LVNI_SELECTED);
        if (selected >= 0) position = selected;
    }
    if (doc_.AddPictureFiles(list, position)) {
        FillPictureList();
        InvalidateRect(timeline_, nullptr, FALSE);
    }
}

void MainFrame::RemoveSelectedPicture() {
    const int selected = ListView_GetNextItem(pictureList_, -1, LVNI_SELECTED);
    if (selected < 0) return;
    if (doc_.RemovePictures(selected, 1)) {
        FillPictureList();
        InvalidateRect(timeline_, nullptr, FALSE);
    }
}

// --- Saving.

bool MainFrame::Save() {
    if (!doc_.IsModified() && !fieldsChanged_) return true;
    const int kind = settings_->lyricsKind;
    if (!settings_->lyricsPath.empty() && (kind == kLyricsKindNative || kind == kLyricsKindNativeAlt))
        return SaveTo(settings_->lyricsPath, kind, settings_->lyricsEncoding);
    return SaveAs(kLyricsKindNative);
}

// The audio file's name, else the lyrics file's, with the extension; the
// bare name when that would not fit; "Untitled" with neither.
std::u16string MainFrame::ProposedName(const wchar_t* extension) const {
    const std::u16string& from = !settings_->audioPath.empty() ? settings_->audioPath : settings_->lyricsPath;
    std::u16string name = from.empty() ? std::u16string(u"Untitled") : BareName(from);
    const std::u16string ext = U(extension);
    if (name.size() + ext.size() < MAX_PATH) name += ext;
    if (name.size() >= MAX_PATH) name.resize(MAX_PATH - 1);
    return name;
}

bool MainFrame::SaveTo(const std::u16string& target, int kind, int encoding) {
    SaveOptions options;
    options.kind = kind;
    options.encoding = encoding;
    fields_.simple = settings_->simpleMode > 0;
    options.fields = fields_;
    ProgressDialog progress(instance_, window_, L"Saving file...");
    options.progress = &progress;
    if (SaveLyricsFile(doc_, target, options) != SaveStatus::kSaved) return false;
    settings_->lyricsPath = target;
    settings_->lyricsKind = kind;
    settings_->lyricsEncoding = encoding;
    fieldsChanged_ = false;
    refreshStatus_ = true;
    return true;
}

bool MainFrame::SaveAs(int kind) {
    wchar_t path[MAX_PATH] = L"";
    const std::u16string proposed = ProposedName(L".mr");
    std::copy(proposed.begin(), proposed.end(), path);
    OPENFILENAMEW ofn = {sizeof ofn};
    ofn.hwndOwner = window_;
    ofn.lpstrFilter = L"MR File (*.mr)\0*.mr\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetSaveFileNameW(&ofn)) return false;
    return SaveTo(U(path), kind, 0);
}

bool MainFrame::SaveAsLrc() {
    wchar_t path[MAX_PATH] = L"";
    const std::u16string proposed = ProposedName(L".lrc");
    std::copy(proposed.begin(), proposed.end(), path);
    OPENFILENAMEW ofn = {sizeof ofn};
    ofn.hwndOwner = window_;
    ofn.lpstrFilter = L"LRC File ANSI (*.lrc)\0*.lrc\0LRC File Unicode (*.lrc)\0*.lrc\0"
                      L"LRC File Unicode big endian (*.lrc)\0*.lrc\0LRC File UTF-8 (*.lrc)\0*.lrc\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetSaveFileNameW(&ofn)) return false;
    static constexpr int kEncodings[] = {1, 3, 4, 2};  // by filter: ANSI, UTF-16LE, UTF-16BE, UTF-8
    const int encoding = ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= 4 ? kEncodings[ofn.nFilterIndex - 1] : 1;
    return SaveTo(U(path), kLyricsKindLrc, encoding);
}

// --- Dialogs.

void MainFrame::ShowInformation() {
    // The fields are written by the next save without a history record: the
    // document counts as changed until then.
    if (ShowInformationDialog(window_, instance_, fields_)) {
        fieldsChanged_ = true;
        refreshStatus_ = true;
    }
}

void MainFrame::ShowOptions() {
    if (ShowEditorOptions(window_, instance_, *settings_)) ApplyViewSettings();
}

void MainFrame::ApplyViewSettings() {
    ApplyTextFormat();
    Recolour();
    timelineWindow_.SetColors(settings_->scopeColor);
    timeline::PreviewStyle style;
    style.face = settings_->lyricsFont.face;
    style.tenthsOfPoint = settings_->lyricsPoint;
    style.weight = settings_->lyricsFont.weight;
    style.italic = settings_->lyricsFont.italic != 0;
    style.charSet = settings_->lyricsFont.charSet;
    style.antiAliased = settings_->antiAliased != 0;
    std::copy(std::begin(settings_->previewTextColor), std::end(settings_->previewTextColor), style.textColor);
    std::copy(std::begin(settings_->previewOutlineColor), std::end(settings_->previewOutlineColor), style.outlineColor);
    linePreview_.SetStyle(style);
    InvalidateRect(timeline_, nullptr, FALSE);
}

// --- Transport. The graph is asked only with the document lock free.

void MainFrame::Play(graph::PlayMode mode) {
    if (!graph_ || graphMode_ != graph::GraphMode::PlaybackReady) return;
    if (playState_ == graph::PlayState::Playing) {
        if (graph_->LastPlayMode() == mode) return;
        graph_->Pause();
    }
    const int64_t start = timelineWindow_.GetStartTime();
    int64_t stop = -1;  // the end of the media
    if (mode != graph::PlayMode::Play) {
        int32_t index = -1;
        doc_.FindTiming(static_cast<int32_t>(start / kMediaPerTick), &index);
        int32_t last = index;
        if (index >= 0 && mode == graph::PlayMode::PlayLine) {
            // The last timed segment of the line: the one before the next
            // segment that begins a line.
            const int32_t segments = doc_.SegmentCount();
            int32_t next = index + 1;
            while (next < segments && !doc_.SegmentBeginsLine(next)) ++next;
            last = next < segments ? next - 1 : -1;
            if (last >= doc_.TimingCount()) last = -1;
        }
        int32_t entryStart = 0, entryEnd = 0;
        if (last >= 0 && doc_.GetTiming(last, &entryStart, &entryEnd)) stop = entryEnd * kMediaPerTick;
    }
    graph_->PlaySegment(start, stop, mode);
}

void MainFrame::ResumeLastMode() {
    if (graph_) Play(graph_->LastPlayMode());
}

void MainFrame::ToggleSlowDown() {
    settings_->slowDown = settings_->slowDown ? 0 : 1;
    const bool on = settings_->slowDown != 0;
    // The toolbar's check button flips itself on a click; the setting decides.
    SendMessageW(toolbar_, TB_CHECKBUTTON, MR_ID_SLOW_DOWN, MAKELPARAM(on ? TRUE : FALSE, 0));
    CheckMenuItem(menu_, MR_ID_SLOW_DOWN, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    if (graph_) graph_->SetSlowDown(on);
}

// The timeline's seek request: 2 the stepping begins (pause, remember),
// 1 a single seek (remember, pause, move the views, resume), 3 the stepping
// has ended (move the views, resume). The next play sends the timeline's
// position to the graph.
void MainFrame::OnSeekRequest(int mode, int index) {
    const bool ready = graph_ && graphMode_ == graph::GraphMode::PlaybackReady;
    if (mode == 1 || mode == 2) {
        seekState_ = playState_;
        if (ready && playState_ == graph::PlayState::Playing) graph_->Pause();
        if (mode == 2) return;
    }
    MoveViewsTo(index);
    if (!ready) return;
    graph_->ForgetSegment();
    if (seekState_ == graph::PlayState::Playing) ResumeLastMode();
}

void MainFrame::OnTimingApplied(int result, int index) {
    (void)result;
    refreshStatus_ = true;
    Recolour();
    MoveViewsTo(index);
}

void MainFrame::MoveViewsTo(int index) {
    if (index < 0) return;
    if (view_ == 0) {
        if (index >= doc_.SegmentCount()) return;
        const int32_t pos = doc_.SegmentStart(index);
        if (pos < 0) return;
        CHARRANGE caret{pos, pos};
        SendMessageW(textPane_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
        SendMessageW(textPane_, EM_SCROLLCARET, 0, 0);
    } else if (index < ListView_GetItemCount(pictureList_)) {
        ListView_SetItemState(pictureList_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(pictureList_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(pictureList_, index, FALSE);
    }
    refreshStatus_ = true;
}

// The menu's tap does what Space does on the timeline at the play position.
void MainFrame::TapFromMenu() {
    if (playState_ != graph::PlayState::Playing) return;
    SendMessageW(timeline_, WM_KEYDOWN, VK_SPACE, 0);
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
    // The store refused (it is full), or took a different number of cells
    // than the pane shows: the pane goes back to the store's text so that
    // later edits land on the same cells in both.
    if (!stored || PaneLength() != doc_.CellCount()) {
        LoadPaneFromStore();
        return;
    }
    Recolour();
    // At rest the timeline follows the edit to the caret's timed segment.
    if (graph_ && graphMode_ == graph::GraphMode::PlaybackReady && playState_ != graph::PlayState::Playing) {
        const int32_t segment = doc_.SegmentOfCell(PaneSelection().cpMin);
        int32_t start = 0, end = 0;
        if (segment >= 0 && doc_.GetTiming(segment, &start, &end)) timelineWindow_.UpdatePosition(start * kMediaPerTick);
    }
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
