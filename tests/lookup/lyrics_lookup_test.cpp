// The lyrics lookup over a fake renderer: which names are tried in which
// order, what is accepted, and that the renderer is left consistent on every
// way out.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "hosts/lookup/lyrics_lookup.h"
#include "lyrics/load_lyrics_file.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

constexpr char kDir[] = "<dir>";
constexpr char kUnreadable[] = "<unreadable>";
constexpr char kTimed[] = "[00:01.00]one\n[00:02.00]two\n";
constexpr char kUntimed[] = "just words\n";

// A renderer with a file system of Windows paths; a file's content is LRC or
// plain text, written to a real file when it is loaded.
class FakeTarget : public LookupTarget {
public:
    std::map<std::u16string, std::string> files;
    std::u16string folder;
    bool random = false;
    bool randomWorks = true;
    std::vector<std::u16string> loads;  // every path handed to LoadLyrics, "kind:path"
    int paused = 0;
    int resets = 0;
    int randomSwitches = 0;

    void PauseLoader() override { ++paused; }
    void ResumeLoader() override { --paused; }
    bool RandomPresetOn() const override { return random; }
    bool SwitchToRandomPreset() override {
        ++randomSwitches;
        return randomWorks;
    }
    std::u16string_view LyricsFolder() const override { return folder; }
    void ResetDisplay() override {
        ++resets;
        doc.ClearDocument();
    }
    bool IsFile(std::u16string_view path) override {
        auto it = files.find(std::u16string(path));
        return it != files.end() && it->second != kDir;
    }
    bool LoadLyrics(std::u16string_view path, int kind) override {
        loads.push_back(std::u16string(1, char16_t(u'0' + kind)) + u":" + std::u16string(path));
        auto it = files.find(std::u16string(path));
        if (it == files.end() || it->second == kUnreadable) return false;
        const std::u16string real = tmp.Path(u"candidate.lrc");
        if (!test::WriteFileBytes(real, it->second)) return false;
        // Every fake file is LRC; the kind asked for is what the test checks.
        return LoadLyricsFile(doc, real, kLyricsKindLrc, 0);
    }
    LyricsDocument& Document() override { return doc; }

    LyricsDocument doc;
    test::ScopedTempDir tmp;
};

TEST(lyrics_lookup, candidates_in_order_within_the_path_limit) {
    struct Case {
        std::u16string media, folder;
        std::vector<std::u16string> expected;
    };
    const std::u16string longFolder = u"D:\\" + std::u16string(250, u'f');
    const Case cases[] = {
        {u"C:\\Music\\song.mp3", u"D:\\Lyrics",
         {u"4:D:\\Lyrics\\song.mr", u"7:D:\\Lyrics\\song.lrc", u"4:C:\\Music\\song.mr", u"7:C:\\Music\\song.lrc"}},
        {u"C:\\Music\\song.kar", u"",
         {u"4:C:\\Music\\song.mr", u"7:C:\\Music\\song.lrc", u"9:C:\\Music\\song.kar"}},
        {u"C:\\Music\\song.midi", u"", {u"4:C:\\Music\\song.mr", u"7:C:\\Music\\song.lrc", u"9:C:\\Music\\song.midi"}},
        // Case matters for the MIDI extensions, and a dot in a folder name is no extension.
        {u"C:\\Music\\song.MID", u"", {u"4:C:\\Music\\song.mr", u"7:C:\\Music\\song.lrc"}},
        {u"C:\\Music.dir\\song", u"", {u"4:C:\\Music.dir\\song.mr", u"7:C:\\Music.dir\\song.lrc"}},
        // No folder before the name: a stream address, or a backslash at index 0 only.
        {u"http://host/stream.mp3", u"D:\\Lyrics", {}},
        {u"\\song.mp3", u"D:\\Lyrics", {}},
        // 251 units of folder + "\song" = 256: ".mr" makes 259 units, ".lrc" would reach the limit.
        {u"C:\\M\\song.mp3", longFolder.substr(0, 251),
         {u"4:" + longFolder.substr(0, 251) + u"\\song.mr", u"4:C:\\M\\song.mr", u"7:C:\\M\\song.lrc"}},
    };
    for (const Case& c : cases) {
        LyricsCandidate out[5];
        const int n = LyricsCandidates(c.media, c.folder, out);
        std::vector<std::u16string> got;
        for (int i = 0; i < n; ++i) got.push_back(std::u16string(1, char16_t(u'0' + out[i].kind)) + u":" + out[i].path);
        EXPECT_EQ(got, c.expected) << std::string(c.media.begin(), c.media.end());
    }
}

TEST(lyrics_lookup, first_usable_candidate_wins_and_failures_end_the_search) {
    struct Case {
        const char* name;
        std::map<std::u16string, std::string> files;
        int result;
        std::vector<std::u16string> loads;
        uint32_t lines;  // lines in the document afterwards
    };
    const Case cases[] = {
        {"lyrics folder first", {{u"D:\\L\\a.lrc", kTimed}, {u"C:\\M\\a.mr", kTimed}}, 1, {u"7:D:\\L\\a.lrc"}, 2},
        {"mr before lrc beside the media", {{u"C:\\M\\a.mr", kTimed}, {u"C:\\M\\a.lrc", kTimed}}, 1, {u"4:C:\\M\\a.mr"}, 2},
        {"an mr without times is skipped",
         {{u"C:\\M\\a.mr", kUntimed}, {u"C:\\M\\a.lrc", kTimed}},
         1,
         {u"4:C:\\M\\a.mr", u"7:C:\\M\\a.lrc"},
         2},
        {"a folder named like a lyrics file is not read", {{u"C:\\M\\a.lrc", kDir}}, 1, {}, 0},
        {"an unreadable candidate ends the search with nothing shown",
         {{u"D:\\L\\a.mr", kUnreadable}, {u"C:\\M\\a.lrc", kTimed}},
         0,
         {u"4:D:\\L\\a.mr"},
         0},
        {"nothing found", {}, 1, {}, 0},
    };
    for (const Case& c : cases) {
        FakeTarget t;
        t.folder = u"D:\\L";
        t.files = c.files;
        // Lyrics of the previous track are on screen before the lookup.
        ASSERT_TRUE(test::WriteFileBytes(t.tmp.Path(u"old.lrc"), kTimed));
        ASSERT_TRUE(LoadLyricsFile(t.doc, t.tmp.Path(u"old.lrc"), kLyricsKindLrc, 0));

        EXPECT_EQ(LoadLyricsForMedia(t, u"C:\\M\\a.mp3"), c.result) << c.name;
        EXPECT_EQ(t.loads, c.loads) << c.name;
        EXPECT_EQ(t.doc.GetLineCount(), c.lines) << c.name;
        EXPECT_EQ(t.paused, 0) << c.name << ": the loader must run again";
        EXPECT_EQ(t.resets, 1) << c.name;
        EXPECT_EQ(t.randomSwitches, 0) << c.name;
    }
}

TEST(lyrics_lookup, random_preset_switch_and_its_failure_clear_the_previous_track) {
    for (bool works : {true, false}) {
        FakeTarget t;
        t.random = true;
        t.randomWorks = works;
        t.files = {{u"C:\\M\\a.lrc", kTimed}};
        ASSERT_TRUE(test::WriteFileBytes(t.tmp.Path(u"old.lrc"), kTimed));
        ASSERT_TRUE(LoadLyricsFile(t.doc, t.tmp.Path(u"old.lrc"), kLyricsKindLrc, 0));

        EXPECT_EQ(LoadLyricsForMedia(t, u"C:\\M\\a.mp3"), works ? 1 : 0);
        EXPECT_EQ(t.randomSwitches, 1);
        EXPECT_EQ(t.resets, 1) << "the old lyrics go even when the preset cannot be switched";
        EXPECT_EQ(t.doc.GetLineCount(), works ? 2u : 0u);
        EXPECT_EQ(t.loads.size(), works ? 1u : 0u);
        EXPECT_EQ(t.paused, 0);
    }
}

}  // namespace
}  // namespace mr
