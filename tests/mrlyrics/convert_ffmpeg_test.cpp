// Peer check: LRC files written by mrlyrics convert (UTF-8 and ANSI) are read
// by ffmpeg's LRC demuxer with the same line start times. Runs where ffmpeg
// is installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/file.h"
#include "tests/editor/app_data.h"
#include "tests/mrlyrics/run_program.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

std::u16string FindFfmpeg() {
    for (const char16_t* p : {u"/usr/bin/ffmpeg", u"/usr/local/bin/ffmpeg"})
        if (fs::Exists(p)) return p;
    return {};
}

// Start times of an SRT file's cues, in centiseconds.
std::vector<int> SrtStarts(const std::string& srt) {
    std::vector<int> starts;
    for (size_t at = srt.find(" --> "); at != std::string::npos; at = srt.find(" --> ", at + 5)) {
        int h = 0, m = 0, s = 0, ms = 0;
        if (at >= 12 && std::sscanf(srt.c_str() + at - 12, "%d:%d:%d,%d", &h, &m, &s, &ms) == 4) {
            starts.push_back(((h * 60 + m) * 60 + s) * 100 + ms / 10);
        }
    }
    return starts;
}

TEST(mrlyrics_convert_peer, ffmpeg_reads_the_same_line_starts) {
    const std::u16string ffmpeg = FindFfmpeg();
    if (ffmpeg.empty()) GTEST_SKIP() << "ffmpeg is not installed; the peer check needs it";
    ScopedAppData appData;
    ScopedTempDir dir;
    const auto in = dir.Path(u"in.lrc");
    ASSERT_TRUE(WriteFileBytes(in, "[ti:Peer]\r\n[00:01.00]Lan<00:01.40>terns <00:01.80>on<00:03.20>\r\n"
                                   "[00:03.50]Swing<00:04.00>ing<00:06.30>\r\n[00:07.00]plain line\r\n"
                                   "[01:02.05]<01:02.50>gap<01:03.00>\r\n[62:05.00]an hour later<62:06.00>\r\n"));
    // A word stamp right at a line's start moves the line's start (01:02.50).
    const std::vector<int> want = {100, 350, 700, 6250, 372500};
    for (const char16_t* stamps : {u"--words", u"--lines"}) {
        // ffmpeg's LRC demuxer reads byte encodings only (UTF-16 files give
        // no cues), so the UTF-16 files are left to the round-trip tests.
        for (const char16_t* encoding : {u"utf8", u"ansi"}) {
            SCOPED_TRACE(std::string(stamps[2] == u'w' ? "words " : "lines ") +
                         std::string(encoding, encoding + std::char_traits<char16_t>::length(encoding)));
            const auto out = dir.Path(u"out.lrc"), srt = dir.Path(u"out.srt");
            ProgramResult r;
            ASSERT_TRUE(RunProgram(BuiltProgram(u"mrlyrics"), {u"convert", stamps, u"--encoding", encoding, in, out},
                                   &r));
            ASSERT_EQ(r.exitCode, 0) << r.err;
            ASSERT_TRUE(RunProgram(ffmpeg, {u"-v", u"error", u"-y", u"-i", out, srt}, &r));
            ASSERT_EQ(r.exitCode, 0) << r.err;
            const std::vector<uint8_t> bytes = ReadFileBytes(srt);
            EXPECT_EQ(SrtStarts(std::string(bytes.begin(), bytes.end())), want);
        }
    }
}

}  // namespace
}  // namespace mr::test
