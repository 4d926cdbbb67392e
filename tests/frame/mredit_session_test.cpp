// A whole editing session with mredit.exe, as a user does it: a song on the
// command line, the lyrics through the open dialog, syncpoints at word
// starts, timing tapped live while the song plays, Undo and Redo, saves
// through the save dialog, the saved files read back with mrlyrics, Play X,
// Slow Down during playback, and the question at Exit. The filter modules
// are registered in the test prefix with their own DllRegisterServer.
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/settings.h"
#include "editor/frame/command_ids.h"
#include "tests/frame/editor_process_win.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

constexpr char16_t kEditorKey[] = u"Software\\Mirelto\\Editor";
// Controls of the system's file dialogs (the template's names cmb1, cmb13, edt1).
constexpr int kFilterCombo = 0x470;
constexpr int kNameCombo = 0x47c;
constexpr int kNameEdit = 0x480;
// A saved start may lie this far from the media position of its tap, once
// the constant lead of the playback start is taken off.
constexpr double kTapToleranceMs = 50;

using namespace test;

// The screen's picture of the window, beside the test program.
void SaveScreenshot(HWND window, const char* name) {
    test::SaveScreenshot(window, Wide(test::ProgramFolder()) + L"\\mredit_session_" +
                                     std::wstring(name, name + strlen(name)) + L".png");
}

void SleepUntil(double ms) {
    for (double left = ms - NowMs(); left > 0; left = ms - NowMs()) Sleep(left > 2 ? static_cast<DWORD>(left - 1) : 0);
}

// The file name box of a file dialog: the edit inside the name combo box,
// or the plain edit of the older template.
HWND NameEdit(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, kNameCombo)) {
        for (HWND w : Descendants(combo))
            if (ClassOf(w) == L"Edit") return w;
        if (ClassOf(combo) == L"Edit") return combo;
    }
    return GetDlgItem(dialog, kNameEdit);
}

std::vector<std::wstring> FilterItems(HWND dialog) {
    HWND combo = GetDlgItem(dialog, kFilterCombo);
    std::vector<std::wstring> items;
    const LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t text[128] = L"";
        if (SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 127)
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

// Picks a file type as the user does with the list: the selection, then
// the notification the dialog acts on.
void SelectFilter(HWND dialog, int index) {
    HWND combo = GetDlgItem(dialog, kFilterCombo);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFilterCombo, code), reinterpret_cast<LPARAM>(combo));
}

// Types the path into the name box and presses Enter; true once the dialog
// has gone.
bool TypeNameAndEnter(HWND dialog, const std::u16string& path) {
    HWND edit = NameEdit(dialog);
    if (!edit) return false;
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(path).c_str()));
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
    for (int i = 0; i < 100; ++i) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return true;
        Sleep(50);
    }
    return false;
}

// Runs mrlyrics.exe dump on the file; its exit code and output.
std::pair<int, std::string> Dump(const std::u16string& file) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return {-1, ""};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring cmd = L"\"" + Wide(test::ProgramFolder()) + L"\\mrlyrics.exe\" dump \"" + Wide(file) + L"\"";
    STARTUPINFOW si = {sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    const BOOL started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    std::string out;
    if (started) {
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) out.append(chunk, got);
        WaitForSingleObject(pi.hProcess, 10000);
    }
    CloseHandle(readEnd);
    DWORD code = 1;
    if (started) {
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    } else {
        code = static_cast<DWORD>(-1);
    }
    return {static_cast<int>(code), out};
}

// The integers of the JSON array that follows "key": in the dump.
std::vector<int64_t> JsonNumbers(const std::string& json, const char* key) {
    std::vector<int64_t> numbers;
    size_t at = json.find(std::string("\"") + key + "\"");
    if (at == std::string::npos) return numbers;
    at = json.find('[', at);
    int depth = 0;
    for (size_t i = at; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '[') ++depth;
        if (c == ']' && --depth == 0) break;
        if (c == '-' || (c >= '0' && c <= '9')) {
            char* end = nullptr;
            numbers.push_back(strtoll(json.c_str() + i, &end, 10));
            i = static_cast<size_t>(end - json.c_str()) - 1;
        }
    }
    return numbers;
}

// The number after "key": in the dump, or -1.
long JsonValue(const std::string& json, const char* key) {
    size_t at = json.find(std::string("\"") + key + "\"");
    if (at == std::string::npos || (at = json.find(':', at)) == std::string::npos) return -1;
    return strtol(json.c_str() + at + 1, nullptr, 10);
}

struct Entry {
    long start, end;  // ms
};

std::vector<Entry> Times(const std::string& json) {
    const std::vector<int64_t> n = JsonNumbers(json, "times");
    std::vector<Entry> entries;
    for (size_t i = 0; i + 1 < n.size(); i += 2)
        entries.push_back({static_cast<long>(n[i]), static_cast<long>(n[i + 1])});
    return entries;
}

std::vector<std::u16string> FilesIn(const std::u16string& folder) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((Wide(folder) + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(reinterpret_cast<const char16_t*>(data.cFileName));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::u16string DecodedFolder() {
    wchar_t path[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"APPDATA", path, MAX_PATH);
    return std::u16string(reinterpret_cast<const char16_t*>(path)) + u"\\Mirelto";
}

HRESULT RegisterModule(const std::u16string& name) {
    HMODULE module = LoadLibraryW((Wide(test::ProgramFolder()) + L"\\" + Wide(name)).c_str());
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    auto registerServer =
        reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    const HRESULT hr = registerServer ? registerServer() : E_NOINTERFACE;
    FreeLibrary(module);
    return hr;
}

std::u16string MediaPath(const char* name) {
    std::string p = std::string(MR_MEDIA_DIR) + "/" + name;
    std::replace(p.begin(), p.end(), '/', '\\');
    p = "Z:" + p;
    return std::u16string(p.begin(), p.end());
}

class mredit_session : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        for (const char16_t* dll : {u"mrws.dll", u"mrrt.dll", u"mrwsc.dll"})
            ASSERT_EQ(RegisterModule(dll), S_OK) << "registering the filter module";
        CoUninitialize();
    }
    void SetUp() override { SettingsKey::Delete(kEditorKey); }
    void TearDown() override { SettingsKey::Delete(kEditorKey); }
};

// The lyrics, and the word starts that get syncpoints: 3 + 2 + 3 segments.
constexpr char kLyrics[] = "Every word of this song\r\nis set in time\r\none syllable after another\r\n";
const wchar_t* const kWordStarts[] = {L"word", L"song", L"set", L"syllable", L"another"};
constexpr int kSegments = 8;

TEST_F(mredit_session, a_song_synchronised_saved_and_closed) {
    test::ScopedTempDir dir;
    const std::u16string song = dir.Path(u"Session Song.mp3");
    const std::vector<uint8_t> mp3 = test::ReadFileBytes(MediaPath("speech.mp3"));
    ASSERT_FALSE(mp3.empty()) << "the media fixture is missing";
    ASSERT_TRUE(test::WriteFileBytes(song, mp3));
    const std::u16string lyrics = dir.Path(u"words.txt");
    ASSERT_TRUE(test::WriteFileBytes(lyrics, std::string_view(kLyrics)));
    const std::vector<std::u16string> decodedBefore = FilesIn(DecodedFolder());

    // The song on the command line: decoded, its waveform built and the
    // playback graph made, after which Play is offered.
    Editor editor;
    ASSERT_TRUE(editor.Start(song));
    ASSERT_GE(editor.WaitEnabled(MR_ID_PLAY, true, 30000), 0) << "Play never became enabled";
    const double opened = NowMs() - editor.StartedMs();
    std::vector<std::u16string> decoded = FilesIn(DecodedFolder());
    std::vector<std::u16string> made;
    std::set_difference(decoded.begin(), decoded.end(), decodedBefore.begin(), decodedBefore.end(),
                        std::back_inserter(made));
    EXPECT_EQ(made.size(), 1u) << "one decoded wave file while the song is open";

    // The lyrics through the open dialog.
    editor.Command(MR_ID_OPEN_LYRICS);
    HWND open = editor.WaitForDialog(L"Open");
    ASSERT_NE(open, nullptr) << "no open dialog";
    SaveScreenshot(open, "open_dialog");
    ASSERT_TRUE(TypeNameAndEnter(open, lyrics));
    editor.Settle();
    const std::wstring text = editor.PaneText();
    ASSERT_EQ(text, L"Every word of this song\ris set in time\rone syllable after another");
    EXPECT_TRUE(editor.WaitStatus(2, L"LC: 3")) << editor.Status(2);

    // Syncpoints at the word starts, the caret placed in the text pane.
    HWND pane = editor.Child(MR_ID_TEXT_PANE);
    // A click gives the pane the focus; on a busy display the first may be
    // lost to the window still coming forward, so it is repeated until the
    // editor's thread reports the pane focused.
    const DWORD uiThread = GetWindowThreadProcessId(pane, nullptr);
    bool focused = false;
    for (int attempt = 0; attempt < 10 && !focused; ++attempt) {
        SetForegroundWindow(editor.Window());
        PostMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        editor.Settle();
        GUITHREADINFO info = {sizeof info};
        focused = GetGUIThreadInfo(uiThread, &info) && info.hwndFocus == pane;
        if (!focused) Sleep(200);
    }
    EXPECT_TRUE(focused) << "the text pane never took the focus";
    int segments = 3;
    for (const wchar_t* word : kWordStarts) {
        SCOPED_TRACE(testing::Message() << "syncpoint at " << std::string(word, word + wcslen(word)));
        const WPARAM at = text.find(word);
        SendMessageW(pane, EM_SETSEL, at, static_cast<LPARAM>(at));
        editor.Settle();
        EXPECT_GE(editor.WaitEnabled(MR_ID_SET_SYNCPOINT, true, 10000), 0);
        DWORD from = 0, to = 0;
        SendMessageW(pane, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, at);
        EXPECT_EQ(to, at);
        editor.Command(MR_ID_SET_SYNCPOINT);
        ++segments;
        EXPECT_TRUE(editor.WaitStatus(2, L"LC: " + std::to_wstring(segments))) << editor.Status(2);
    }
    EXPECT_TRUE(editor.WaitStatus(2, L"LC: " + std::to_wstring(kSegments))) << editor.Status(2);
    // With a selection the command is not offered.
    SendMessageW(pane, EM_SETSEL, 0, 5);
    editor.Settle();
    EXPECT_FALSE(editor.Enabled(MR_ID_SET_SYNCPOINT));
    SendMessageW(pane, EM_SETSEL, 0, 0);

    // Live timing. The first press on the timeline gives it the focus (and
    // taps nothing); the mouse then stays over its editing area, where the
    // Insert tool is offered during playback.
    HWND timeline = editor.Child(MR_ID_TIMELINE);
    RECT area;
    GetClientRect(timeline, &area);
    const int tapX = area.right / 2, tapY = 90;
    SetForegroundWindow(editor.Window());
    editor.Press(MR_ID_TIMELINE, tapX, tapY);
    Sleep(200);
    editor.Settle();
    EXPECT_TRUE(editor.WaitStatus(1, L"TC: 0")) << editor.Status(1);

    // Taps at wall-clock times after the Play command returned; presses and
    // Space strokes alternate. Five at normal speed, then Slow Down, then
    // three more: the media runs at half speed from where it was.
    struct Tap {
        double atMs;  // after Play (normal) or after Slow Down returned (slow)
        bool slow;
        bool key;
        double sentMs = 0;  // when it was sent, from Play
    };
    std::vector<Tap> taps = {{600, false, false},  {1100, false, true}, {1600, false, false}, {2100, false, true},
                             {2600, false, false}, {500, true, true},   {1300, true, false},  {2100, true, true}};
    const double slowDownAt = 3000, stopAfterSlow = 2600;
    editor.Run(MR_ID_PLAY);
    const double played = NowMs();
    EXPECT_GE(editor.WaitEnabled(MR_ID_PAUSE, true, 10000), 0) << "Pause not offered while playing";
    double slowSent = 0, slowReturned = 0;
    for (Tap& tap : taps) {
        if (tap.slow && slowSent == 0) {
            SleepUntil(played + slowDownAt);
            slowSent = NowMs() - played;
            editor.Run(MR_ID_SLOW_DOWN);
            slowReturned = NowMs() - played;
            std::printf("[ session  ] Slow Down sent at %.0f ms, returned after %.0f ms\n", slowSent,
                        slowReturned - slowSent);
        }
        SleepUntil(played + (tap.slow ? slowReturned : 0) + tap.atMs);
        tap.sentMs = NowMs() - played;
        if (tap.key)
            editor.Key(VK_SPACE);
        else
            editor.Press(MR_ID_TIMELINE, tapX, tapY);
    }
    SleepUntil(played + slowReturned + stopAfterSlow);
    SaveScreenshot(editor.Window(), "playing");
    // The mouse leaves the timeline for the toolbar, where the transport is
    // (a move inside first: the time under a mouse still over the timeline
    // is where Play X would start).
    editor.MoveMouse(timeline, tapX + 8, tapY);
    RECT bar;
    GetWindowRect(editor.Child(MR_ID_TOOLBAR), &bar);
    POINT toolbarPoint{bar.right - 20, (bar.top + bar.bottom) / 2};
    ScreenToClient(editor.Window(), &toolbarPoint);
    editor.MoveMouse(editor.Window(), toolbarPoint.x, toolbarPoint.y);
    EXPECT_TRUE(editor.Checked(MR_ID_SLOW_DOWN));
    editor.Run(MR_ID_STOP);
    editor.Settle();
    EXPECT_GE(editor.WaitEnabled(MR_ID_PAUSE, false, 10000), 0) << "Pause still offered after Stop";
    editor.Run(MR_ID_SLOW_DOWN);
    EXPECT_FALSE(editor.Checked(MR_ID_SLOW_DOWN));
    EXPECT_TRUE(editor.WaitStatus(1, L"TC: " + std::to_wstring(kSegments))) << editor.Status(1);

    // Undo takes the last tapped entry back, Redo brings it again.
    editor.Command(MR_ID_UNDO);
    EXPECT_TRUE(editor.WaitStatus(1, L"TC: " + std::to_wstring(kSegments - 1))) << editor.Status(1);
    EXPECT_TRUE(editor.Enabled(MR_ID_REDO));
    editor.Command(MR_ID_REDO);
    EXPECT_TRUE(editor.WaitStatus(1, L"TC: " + std::to_wstring(kSegments))) << editor.Status(1);

    // Save As native: the audio file's name proposed, one filter.
    const std::u16string mrFile = dir.Path(u"saved song.mr");
    editor.Command(MR_ID_SAVE_AS_NATIVE);
    HWND save = editor.WaitForDialog(L"Save As");
    ASSERT_NE(save, nullptr) << "no save dialog";
    EXPECT_EQ(TextOf(NameEdit(save)), L"Session Song.mr");
    EXPECT_EQ(FilterItems(save), std::vector<std::wstring>{L"MR File (*.mr)"});
    SaveScreenshot(save, "save_mr_dialog");
    ASSERT_TRUE(TypeNameAndEnter(save, mrFile));
    editor.Settle();

    // Save As LRC: four encodings, the first preselected; UTF-8 chosen.
    const std::u16string lrcFile = dir.Path(u"saved song.lrc");
    editor.Command(MR_ID_SAVE_AS_LRC);
    save = editor.WaitForDialog(L"Save As");
    ASSERT_NE(save, nullptr) << "no save dialog";
    EXPECT_EQ(TextOf(NameEdit(save)), L"Session Song.lrc");
    const std::vector<std::wstring> lrcFilters = {L"LRC File ANSI (*.lrc)", L"LRC File Unicode (*.lrc)",
                                                  L"LRC File Unicode big endian (*.lrc)", L"LRC File UTF-8 (*.lrc)"};
    EXPECT_EQ(FilterItems(save), lrcFilters);
    EXPECT_EQ(SendMessageW(GetDlgItem(save, kFilterCombo), CB_GETCURSEL, 0, 0), 0);
    SelectFilter(save, 3);
    ASSERT_TRUE(TypeNameAndEnter(save, lrcFile));
    editor.Settle();
    Sleep(300);
    editor.Settle();
    SaveScreenshot(editor.Window(), "saved");

    // Both files read back as the system reads them (and kept beside the
    // screenshots).
    for (const std::u16string& file : {mrFile, lrcFile})
        CopyFileW(
            Wide(file).c_str(),
            (Wide(test::ProgramFolder()) + L"\\mredit_session_" + Wide(file.substr(file.rfind(u'\\') + 1))).c_str(),
            FALSE);
    const auto [mrCode, mrJson] = Dump(mrFile);
    ASSERT_EQ(mrCode, 0) << mrJson;
    const auto [lrcCode, lrcJson] = Dump(lrcFile);
    ASSERT_EQ(lrcCode, 0) << lrcJson;
    const std::vector<uint8_t> lrcBytes = test::ReadFileBytes(lrcFile);
    ASSERT_GE(lrcBytes.size(), 3u);
    EXPECT_TRUE(lrcBytes[0] == 0xEF && lrcBytes[1] == 0xBB && lrcBytes[2] == 0xBF) << "UTF-8 with its mark";
    EXPECT_EQ(JsonValue(lrcJson, "encoding"), 2) << lrcJson;
    // The syncpoints at the word starts: line starts carry bit 31 and the
    // line's ordinal, the others their offset in the line.
    const std::vector<int64_t> sync = {2147483648, 6, 19, 2147483649, 3, 2147483650, 4, 19};
    EXPECT_EQ(JsonNumbers(mrJson, "sync"), sync) << mrJson;
    EXPECT_EQ(JsonNumbers(lrcJson, "sync"), sync) << lrcJson;
    const std::vector<Entry> saved = Times(mrJson);
    ASSERT_EQ(saved.size(), static_cast<size_t>(kSegments)) << mrJson;
    const std::vector<Entry> fromLrc = Times(lrcJson);
    ASSERT_EQ(fromLrc.size(), saved.size()) << lrcJson;
    for (size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(fromLrc[i].start, saved[i].start) << i;
        EXPECT_EQ(fromLrc[i].end, saved[i].end) << i;
    }

    // Each saved start against the media position of its tap. At normal
    // speed that is the time since Play less a constant lead (the start of
    // the audio after the command), measured on the first two taps. After
    // Slow Down the media runs at half speed from where the toggle resumed
    // it, which must be where it was: not the start, not further on.
    const double lead = (taps[0].sentMs - saved[0].start + taps[1].sentMs - saved[1].start) / 2;
    const double atToggle = slowSent - lead;
    size_t firstSlow = 0;
    while (!taps[firstSlow].slow) ++firstSlow;
    const double resumedAt = saved[firstSlow].start - (taps[firstSlow].sentMs - slowReturned) / 2;
    std::printf("[ session  ] from the start until Play enabled: %.0f ms; lead of the playback start: %.0f ms\n",
                opened, lead);
    std::printf("[ session  ] Slow Down at media %.0f ms (%.0f ms to switch), resumed at %.0f ms (%+.0f ms)\n",
                atToggle, slowReturned - slowSent, resumedAt, resumedAt - atToggle);
    for (size_t i = 0; i < taps.size(); ++i) {
        const double expected = taps[i].slow ? resumedAt + (taps[i].sentMs - slowReturned) / 2 : taps[i].sentMs - lead;
        std::printf("[ session  ] tap %zu (%s, %s): sent at %.0f ms, expected media %.0f ms, saved %ld-%ld ms\n", i,
                    taps[i].key ? "Space" : "press", taps[i].slow ? "slow" : "normal", taps[i].sentMs, expected,
                    saved[i].start, saved[i].end);
        EXPECT_NEAR(saved[i].start, expected, kTapToleranceMs) << "tap " << i;
    }
    // The resumed position against the one at the toggle: the cursor's
    // reports trail the graph's own position, from which the toggle resumes,
    // by the audio output's buffering (about 100 ms under Wine here).
    EXPECT_GE(resumedAt, atToggle - kTapToleranceMs) << "Slow Down went back";
    EXPECT_LE(resumedAt, atToggle + 150) << "Slow Down skipped ahead";
    // A tap closes the running entry and opens the next, so each entry ends
    // where the next begins; across the toggle the running entry ends at the
    // toggle or, still recording, at the next tap.
    for (size_t i = 0; i + 1 < taps.size(); ++i) {
        if (taps[i].slow != taps[i + 1].slow) {
            EXPECT_GE(saved[i].end, atToggle - kTapToleranceMs) << "entry " << i;
            EXPECT_LE(saved[i].end, saved[i + 1].start) << "entry " << i;
            continue;
        }
        EXPECT_EQ(saved[i].end, saved[i + 1].start) << "entry " << i;
    }
    EXPECT_GT(saved.back().end, saved.back().start);

    // Play X: paused inside entry 2, it plays to that entry's end and stops
    // there, long before the end of the song. (Redo moved the play position
    // to the entry it brought back; Stop returns it to the start.)
    editor.Run(MR_ID_PLAY);
    EXPECT_GE(editor.WaitEnabled(MR_ID_STOP, true, 10000), 0);
    editor.Run(MR_ID_STOP);
    EXPECT_GE(editor.WaitEnabled(MR_ID_STOP, false, 10000), 0);
    editor.Run(MR_ID_PLAY);
    const double replayed = NowMs();
    const double pauseAt = (saved[2].start + saved[2].end) / 2.0 + lead;
    SleepUntil(replayed + pauseAt);
    editor.Run(MR_ID_PAUSE);
    const double pausedMedia = NowMs() - replayed - lead;
    EXPECT_GE(editor.WaitEnabled(MR_ID_PAUSE, false, 10000), 0);
    editor.Run(MR_ID_PLAY_X);
    const double segmentStarted = NowMs();
    EXPECT_GE(editor.WaitEnabled(MR_ID_PAUSE, true, 10000), 0) << "Play X did not play";
    const double segmentPlayed = editor.WaitEnabled(MR_ID_PAUSE, false, 8000);
    const double segmentMs = NowMs() - segmentStarted;
    std::printf("[ session  ] Play X from %.0f ms played %.0f ms (entry 2 ends at %ld ms)\n", pausedMedia, segmentMs,
                saved[2].end);
    EXPECT_GE(segmentPlayed, 0) << "Play X did not stop";
    EXPECT_NEAR(segmentMs, saved[2].end - pausedMedia + lead, 300);
    EXPECT_TRUE(editor.Enabled(MR_ID_STOP)) << "a finished segment is not a stop";
    editor.Run(MR_ID_STOP);
    editor.Settle();

    // An unsaved change, then Exit: the question with Yes, No and Cancel.
    // Cancel keeps everything; No ends the program without touching the
    // saved files, and the decoded wave file goes.
    const std::vector<uint8_t> mrBytes = test::ReadFileBytes(mrFile);
    EXPECT_FALSE(editor.Enabled(MR_ID_SAVE)) << "saved, so nothing to save";
    editor.Command(MR_ID_UNDO);
    EXPECT_GE(editor.WaitEnabled(MR_ID_SAVE, true, 10000), 0) << "Undo after the save left nothing to save";
    const std::wstring counts = editor.Status(1) + L" " + editor.Status(2);
    for (int answer : {IDCANCEL, IDNO}) {
        SCOPED_TRACE(answer == IDCANCEL ? "Cancel" : "No");
        editor.Command(MR_ID_EXIT);
        HWND box = editor.WaitForDialog(L"Mirelto Editor");
        ASSERT_NE(box, nullptr) << "Exit did not ask";
        EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), L"Save changes to file?");
        for (int button : {IDYES, IDNO, IDCANCEL}) EXPECT_NE(GetDlgItem(box, button), nullptr) << button;
        if (answer == IDCANCEL) SaveScreenshot(box, "save_changes");
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
        if (answer == IDCANCEL) {
            EXPECT_EQ(editor.WaitForExit(500), -1);
            EXPECT_EQ(editor.PaneText(), text);
            EXPECT_EQ(editor.Status(1) + L" " + editor.Status(2), counts);
            EXPECT_TRUE(editor.Enabled(MR_ID_PLAY));
        }
    }
    EXPECT_EQ(editor.WaitForExit(), 0);
    EXPECT_EQ(test::ReadFileBytes(mrFile), mrBytes);
    EXPECT_EQ(test::ReadFileBytes(lrcFile), lrcBytes);
    EXPECT_EQ(FilesIn(DecodedFolder()), decodedBefore) << "the decoded wave file is left behind";
}

}  // namespace
}  // namespace mr
