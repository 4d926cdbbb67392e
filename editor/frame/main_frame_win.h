#pragma once
// MainFrame: the editor's top-level window (class MRMainFrame) and its
// message hub. It owns the document store, builds the child windows
// (rebar with the toolbar, the tab strip in its MRClipWnd holder, the
// MRScopeWnd timeline, the rich-edit text pane, the picture list, the status
// bar), routes messages, hands commands and the children's notifications to
// the command layer (main_frame_commands_win.cpp), keeps the status bar's
// counters and runs the close sequence. One per process, owned by RunEditor
// for the whole run; everything here runs on the user-interface thread.
//
// The frame owns the editor's audio graph and is its listener: it keeps the
// graph's mode and play state for the commands' enable rules, hands mode,
// state and positions on to the timeline, handles the graph's events and
// deletes the decoded wave file at close. The timeline (TimelineWindow) is
// the frame's MRScopeWnd child; its requests (seek, play/pause, timing
// applied) arrive as posted messages and are carried out here with the
// document lock free.

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>
#include <richole.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>

#include "audio/graph/audio_graph.h"
#include "editor/files/save_types.h"
#include "editor/frame/editor_settings.h"
#include "editor/frame/frame_rules.h"
#include "editor/store/sync_document.h"
#include "editor/timeline/line_preview_win.h"
#include "editor/timeline/timeline_window_win.h"
#include "editor/timeline/waveform.h"
#include "lyrics/lyrics_document.h"

namespace mr {

// Exit code of the message loop (the quit message's parameter).
int RunEditor(HINSTANCE instance, int showCommand);

class MainFrame final : public HistoryListener, private graph::GraphListener {
public:
    explicit MainFrame(HINSTANCE instance);
    ~MainFrame() override;
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    // Loads the settings, registers the window classes and creates the main
    // window, then opens the file named on the command line. Null when a
    // step failed (its message has been shown).
    HWND CreateMainFrame();
    // Every message before translation; true when it was consumed.
    bool PreTranslate(MSG* msg);
    // After every dispatched message: command states, then the status bar
    // when flagged.
    void IdleUpdate();
    // Exit and the close box: asks about unsaved changes, stops playback,
    // saves the settings, deletes the decoded wave file and destroys the
    // window. False when the user cancelled.
    bool CloseEditor();

    // HistoryListener: Undo and Redo bring the text pane along.
    bool RecordUndone(const EditRecord& record) override;
    bool RecordRedone(const EditRecord& record) override;

private:
    // GraphListener.
    void OnGraphModeChanged(graph::GraphMode mode) override;
    void OnPlayStateChanged(graph::PlayState state) override;
    void OnProgress(int64_t value) override;
    void OnDecodeFinished(const std::u16string& decodedPath) override;
    void OnPlayFailed() override;

    enum class Pane { None, Timeline, Text, Pictures };

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ClipProc(HWND window, UINT message, WPARAM wp, LPARAM lp);
    LRESULT OnMessage(UINT message, WPARAM wp, LPARAM lp);

    // Creation of the children, in order; false after showing the failing
    // step's message.
    bool CreateChildren();
    bool CreateImageList();
    bool CreateToolbar();
    bool CreateTabs();
    bool CreateTextPane();
    void ApplyTextFormat();
    bool CreatePictureList();
    void SizeTabControl();
    void LayOut();
    void PaintBorders();
    const wchar_t* LoadText(UINT id);

    // Pane-resize drag and picture drag.
    void DrawGhostBar(int32_t y);
    void EndPaneDrag(bool apply);
    void EndPictureDrag(bool drop);
    bool OverPictureList() const;

    // Focus bookkeeping.
    Pane PaneOf(HWND window) const;
    HWND WindowOf(Pane pane) const;
    void SetFocusPane(Pane pane);

    // The close steps after the question: playback, settings, wave file.
    void ShutDownSession();
    ScreenRect NormalWindowRect() const;

    // --- The command layer (main_frame_commands_win.cpp).
    void DispatchCommand(int id, int code, HWND control);
    void OnNotify(NMHDR* header);
    void UpdateCommandStates();
    bool QuerySaveChanges();
    void OpenFromCommandLine();
    void OpenDroppedFiles(HDROP drop);
    bool OpenByKind(const std::u16string& path, int kind);
    bool OpenLyrics(const std::u16string& path, int kind);
    // The audio open flow: decode graph built and run; false after showing
    // "Can not play the file".
    bool OpenAudio(const std::u16string& path);
    // Add Image (insert false: at the end) and Insert Image (at the picture
    // list's selection) through the open dialog; Remove Image.
    void OpenPictures(bool insert);
    void AddPictureList(const std::u16string& list, bool insert);
    void RemoveSelectedPicture();
    // Ends live recording and pauses playback before the document is
    // replaced (New, an open): the streaming thread must not extend a
    // timing list that is being cleared.
    void HaltLiveTiming(bool onlyWhileRecording);
    bool Save();
    bool SaveAs(int kind);
    bool SaveAsLrc();
    bool SaveTo(const std::u16string& target, int kind, int encoding);
    std::u16string ProposedName(const wchar_t* extension) const;
    void ShowInformation();
    void ShowOptions();
    // Applies the settings' colours and fonts to the text pane and the
    // timeline (after Options, at start).
    void ApplyViewSettings();

    // --- Transport (main_frame_commands_win.cpp). Media times in 100 ns.
    void Play(graph::PlayMode mode);
    void ResumeLastMode();
    void ToggleSlowDown();
    void OnSeekRequest(int mode, int index);
    void OnTimingApplied(int result, int index);
    // The lyrics pane's caret (or the picture list's selection) to a segment.
    void MoveViewsTo(int index);
    // Timing operations from the menu: the keyboard tap.
    void TapFromMenu();
    void NewDocument();
    void OnTextPaneChange();
    void RememberSelection();
    void Paste();
    void ApplyRecord(const EditRecord& record, bool undo);
    // The text pane shows the store's text (the program's own change: not
    // mirrored back).
    void LoadPaneFromStore();
    void ReplacePaneRange(int32_t pos, int32_t count, const std::u16string& text);
    void Recolour();
    void FillPictureList();
    void ToggleSimpleMode();
    void SetCommandState(int id, bool enabled);
    void ShowContextMenu(Pane pane, POINT screen);
    void ShowToolbarMenu(NMTOOLBARW* toolbar);
    std::u16string PaneText(int32_t pos, int32_t count);
    int32_t PaneLength();
    CHARRANGE PaneSelection();

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND rebar_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND tabHolder_ = nullptr;
    HWND tab_ = nullptr;
    HWND timeline_ = nullptr;
    HWND textPane_ = nullptr;
    HWND pictureList_ = nullptr;
    HWND status_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HMENU menu_ = nullptr;
    HFONT uiFont_ = nullptr;
    HIMAGELIST images_ = nullptr;
    IRichEditOle* richOle_ = nullptr;
    HBRUSH ghostBrush_ = nullptr;
    HBITMAP ghostPattern_ = nullptr;

    SyncDocument doc_;
    // The preview outlives the timeline window that draws it.
    timeline::LinePreview linePreview_{doc_};
    timeline::TimelineWindow timelineWindow_{doc_};
    WaveformPeaks peaks_;
    LyricsDocument lyrics_;
    std::unique_ptr<EditorSettings> settings_;
    SaveFields fields_;
    // The Information dialog changed the fields since the last save or open:
    // they are written only by a save, so the document counts as modified.
    bool fieldsChanged_ = false;

    // UI state.
    Pane focus_ = Pane::None;
    Pane resumeFocus_ = Pane::Text;  // the pane to give the focus back to
    Pane captureOwner_ = Pane::None; // right-button capture for a context menu
    bool paneDrag_ = false;
    int32_t ghostY_ = -1;
    bool pictureDrag_ = false;       // drag state 4
    int32_t dragFrom_ = -1;
    bool refreshStatus_ = true;
    int view_ = 0;                   // 0 lyrics text, 1 pictures
    FrameLayout layout_;
    int32_t border_ = kDefaultPaneBorder;
    bool paneUpdating_ = false;      // the program itself changes the pane
    bool haveSelection_ = false;     // selection remembered before a change
    CHARRANGE selectionBefore_{};
    bool resyncPane_ = false;        // compare the texts at the next change
    const std::u16string* pasteText_ = nullptr;  // characters of the paste under way

    // Playback: the graph (made with the window), its mode and play state
    // as last reported, and the last position or decode percent reported
    // from the filters' threads.
    std::unique_ptr<graph::AudioGraph> graph_;
    graph::GraphMode graphMode_ = graph::GraphMode::None;
    graph::PlayState playState_ = graph::PlayState::Stopped;
    volatile LONG64 progress_ = 0;
    int shownProgress_ = -1;  // the decode percentage in the status bar, −1 none
    // The play state remembered by a seek request, kept between requests.
    graph::PlayState seekState_ = graph::PlayState::Stopped;

    // One cached enabled flag per command of the enable table; −1 matches
    // neither state so the first pass sets every control.
    static constexpr int kStateCount = 24;
    int8_t commandState_[kStateCount];
};

}  // namespace mr
