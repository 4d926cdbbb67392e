// The editor's Suggest Timing command under Wine: the song's untimed lines
// filled as one undoable step, and the message box that explains a failure
// (read and closed by a watcher thread) with the document unchanged.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "common/text.h"
#include "editor/files/open_flow.h"
#include "editor/frame/suggest_command_win.h"

namespace mr {
namespace {

// The songs folder as a Windows path (Wine's Z: drive is the root).
std::string SongsDir() { return MR_SONGS_DIR; }
bool HaveSongs() { return std::ifstream(SongsDir() + "/stamp").good(); }
std::u16string Song(const std::string& name) {
    std::u16string p = u"Z:" + Utf8ToUtf16(SongsDir() + "/" + name);
    for (char16_t& c : p)
        if (c == u'/') c = u'\\';
    return p;
}

// Waits for a message box titled "Mirelto Editor" on another thread, keeps
// its text and presses OK.
class MessageBoxWatcher {
public:
    MessageBoxWatcher() { thread_ = CreateThread(nullptr, 0, &Watch, this, 0, nullptr); }
    ~MessageBoxWatcher() {
        stop_ = true;
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
    }
    std::wstring Text() {
        WaitForSingleObject(thread_, 10000);
        return text_;
    }

private:
    static BOOL CALLBACK Child(HWND w, LPARAM p) {
        wchar_t buffer[512];
        const int n = GetWindowTextW(w, buffer, 512);
        auto* self = reinterpret_cast<MessageBoxWatcher*>(p);
        if (n > static_cast<int>(self->text_.size())) self->text_.assign(buffer, static_cast<size_t>(n));
        return TRUE;
    }
    static DWORD WINAPI Watch(void* p) {
        auto* self = static_cast<MessageBoxWatcher*>(p);
        for (int i = 0; i < 1000 && !self->stop_; ++i) {
            HWND box = FindWindowW(L"#32770", L"Mirelto Editor");
            if (box) {
                EnumChildWindows(box, &Child, reinterpret_cast<LPARAM>(self));
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return 0;
            }
            Sleep(10);
        }
        return 0;
    }
    HANDLE thread_ = nullptr;
    volatile bool stop_ = false;
    std::wstring text_;
};

TEST(suggest_command_win, fills_untimed_lines_and_explains_failures) {
    if (!HaveSongs()) GTEST_SKIP() << "no synthetic songs (espeak-ng or sox missing)";
    SyncDocument doc;
    LyricsDocument lyrics;
    OpenReport opened;
    ASSERT_EQ(OpenLyricsFile(doc, lyrics, Song("a.txt"), 8, nullptr, &opened), OpenStatus::kOpened);
    ASSERT_EQ(doc.SegmentCount(), 8);

    ASSERT_TRUE(RunSuggestTiming(nullptr, doc, Song("a.wav"), 0));
    EXPECT_EQ(doc.TimingCount(), 8);
    int32_t start = 0, end = 0;
    ASSERT_TRUE(doc.GetTiming(1, &start, &end));
    EXPECT_NEAR(start, 448, 5);  // the second line's first word, at 4.484 s
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.TimingCount(), 0);
    EXPECT_FALSE(doc.CanUndo());

    {
        MessageBoxWatcher watcher;
        EXPECT_FALSE(RunSuggestTiming(nullptr, doc, Song("silent.wav"), 0));
        EXPECT_EQ(watcher.Text(), L"Suggest Timing cannot use the decoded song: the song is silent.");
    }
    {
        MessageBoxWatcher watcher;
        EXPECT_FALSE(RunSuggestTiming(nullptr, doc, Song("missing.wav"), 0));
        EXPECT_EQ(watcher.Text(), L"Suggest Timing cannot use the decoded song: the wave file cannot be read.");
    }
    EXPECT_EQ(doc.TimingCount(), 0);
    EXPECT_FALSE(doc.CanUndo());
}

}  // namespace
}  // namespace mr
