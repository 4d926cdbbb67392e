// Suggestions applied to the editor's document (one history record, timed
// segments kept) and mrlyrics suggest run as a program on the synthetic songs.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "common/text.h"
#include "editor/files/open_flow.h"
#include "editor/suggest/suggest_document.h"
#include "tests/mrlyrics/run_program.h"
#include "tests/support/test_support.h"

namespace mr::suggest {
namespace {

std::string SongsDir() { return MR_SONGS_DIR; }
bool HaveSongs() { return std::ifstream(SongsDir() + "/stamp").good(); }
std::u16string Song(const std::string& name) { return Utf8ToUtf16(SongsDir() + "/" + name); }

std::vector<double> TruthMs(const std::string& name) {
    std::vector<double> v;
    std::ifstream f(SongsDir() + "/" + name + ".truth");
    double ms;
    int begins;
    while (f >> ms >> begins) v.push_back(ms);
    return v;
}

// Opens a lyrics file as the editor does.
bool Open(SyncDocument& doc, std::u16string_view path, int kind) {
    LyricsDocument lyrics;
    OpenReport report;
    return OpenLyricsFile(doc, lyrics, path, kind, nullptr, &report) == OpenStatus::kOpened;
}

int Near(SyncDocument& doc, const std::vector<double>& truth, int32_t from) {
    int near = 0;
    for (int32_t i = from; i < doc.TimingCount() && i < static_cast<int32_t>(truth.size()); ++i) {
        int32_t start = 0, end = 0;
        doc.GetTiming(i, &start, &end);
        if (std::fabs(start * 10.0 - truth[static_cast<size_t>(i)]) <= 50) ++near;
    }
    return near;
}

TEST(suggest_document, untimed_segments_are_filled_as_one_step) {
    if (!HaveSongs()) GTEST_SKIP() << "no synthetic songs (espeak-ng or sox missing)";
    const std::vector<double> truth = TruthMs("b");
    OnsetTrack track;
    ASSERT_EQ(AnalyseWaveFile(Song("b.wav"), &track), AnalysisStatus::kOk);
    SyncDocument doc;
    ASSERT_TRUE(Open(doc, Song("b.txt"), 8));  // one segment a line
    ASSERT_EQ(doc.SegmentCount(), 8);
    // The first line timed by hand, 150 ms late: it stays so.
    const int32_t first = static_cast<int32_t>(truth[0] / 10) + 15;
    ASSERT_TRUE(doc.InsertTiming(first));
    int32_t s0 = 0, e0 = 0;
    doc.GetTiming(0, &s0, &e0);

    SuggestReport report;
    ASSERT_EQ(SuggestTimingFromTrack(doc, track, 0, &report), SuggestStatus::kSuggested);
    EXPECT_EQ(report.suggested, 7);
    EXPECT_EQ(report.onOnsets, 7);
    ASSERT_EQ(doc.TimingCount(), 8);
    int32_t s = 0, e = 0;
    doc.GetTiming(0, &s, &e);
    EXPECT_EQ(s, s0);
    EXPECT_EQ(e, e0);
    // Line starts are every fourth word.
    int near = 0, prevEnd = e0;
    for (int32_t i = 1; i < 8; ++i) {
        doc.GetTiming(i, &s, &e);
        EXPECT_GE(s, prevEnd) << i;
        EXPECT_GE(e - s, kMinEntryTicks) << i;
        prevEnd = e;
        if (std::fabs(s * 10.0 - truth[static_cast<size_t>(4 * i)]) <= 50) ++near;
    }
    EXPECT_GE(near, 6);
    // Everything timed: nothing more to do, and nothing recorded.
    EXPECT_EQ(SuggestTimingFromTrack(doc, track, 0, &report), SuggestStatus::kNothingToTime);
    // One Undo takes all suggestions back and leaves the hand-made entry.
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.TimingCount(), 1);

    // A wave file that cannot be analysed changes nothing.
    EXPECT_EQ(SuggestTiming(doc, Song("silent.wav"), 0, &report), SuggestStatus::kAnalysisFailed);
    EXPECT_EQ(report.analysis, AnalysisStatus::kSilent);
    EXPECT_EQ(doc.TimingCount(), 1);
}

test::ProgramResult RunSuggest(const std::vector<std::u16string>& args) {
    test::ProgramResult r;
    std::vector<std::u16string> all = {u"suggest"};
    all.insert(all.end(), args.begin(), args.end());
    EXPECT_TRUE(test::RunProgram(test::BuiltProgram(u"mrlyrics"), all, &r)) << r.err;
    return r;
}

TEST(suggest_command, words_of_a_text_file_timed_and_saved_as_lrc) {
    if (!HaveSongs()) GTEST_SKIP() << "no synthetic songs (espeak-ng or sox missing)";
    test::ScopedTempDir dir;
    const std::u16string out = dir.Path(u"c.lrc");
    const test::ProgramResult r = RunSuggest({u"--words", Song("c.wav"), Song("c.txt"), out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "mrlyrics suggest: 32 segment(s) timed, 32 of them on a vocal onset\n");
    SyncDocument doc;
    ASSERT_TRUE(Open(doc, out, 7));
    EXPECT_EQ(doc.SegmentCount(), 32);
    EXPECT_EQ(doc.TimingCount(), 32);
    EXPECT_GE(Near(doc, TruthMs("c"), 0), 29);
    EXPECT_EQ(dir.List().size(), 1u);  // no temporary file left behind

    // The saved file again: every segment is timed, and it is saved unchanged.
    const std::u16string again = dir.Path(u"again.mr");
    const test::ProgramResult r2 = RunSuggest({Song("c.wav"), out, again});
    ASSERT_EQ(r2.exitCode, 0) << r2.err;
    EXPECT_NE(r2.err.find("nothing was suggested"), std::string::npos);
}

TEST(suggest_command, failures_leave_out_as_it_was) {
    if (!HaveSongs()) GTEST_SKIP() << "no synthetic songs (espeak-ng or sox missing)";
    test::ScopedTempDir dir;
    const std::u16string out = dir.Path(u"out.lrc");
    ASSERT_TRUE(test::WriteFileBytes(out, "keep"));
    ASSERT_TRUE(test::WriteFileBytes(dir.Path(u"empty.txt"), ""));
    struct Case {
        const char* what;
        std::vector<std::u16string> args;
        int exit;
        const char* message;
    };
    const Case cases[] = {
        {"silent song", {Song("silent.wav"), Song("a.txt"), out}, 1, "the song is silent"},
        {"no wave file", {Song("a.txt"), Song("a.txt"), out}, 1, "not a PCM wave file"},
        {"missing wave file", {dir.Path(u"none.wav"), Song("a.txt"), out}, 1, "cannot be read"},
        {"no text", {Song("a.wav"), dir.Path(u"empty.txt"), out}, 1, "has no text to time"},
        {"--words on LRC", {u"--words", Song("a.wav"), out, dir.Path(u"x.lrc")}, 2, "applies to a .txt"},
        {"OUT of another kind", {Song("a.wav"), Song("a.txt"), dir.Path(u"x.ass")}, 2, "OUT must end in"},
        {"two files", {Song("a.wav"), Song("a.txt")}, 2, "give AUDIO, LYRICS and OUT"},
    };
    for (const Case& c : cases) {
        const test::ProgramResult r = RunSuggest(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << c.what;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(test::ReadFileBytes(out), std::vector<uint8_t>({'k', 'e', 'e', 'p'})) << c.what;
    }
    EXPECT_EQ(dir.List().size(), 2u);
}

}  // namespace
}  // namespace mr::suggest
