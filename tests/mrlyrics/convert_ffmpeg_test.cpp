// Peer checks: LRC files written by mrlyrics convert (UTF-8 and ANSI) and
// ASS scripts are read by ffmpeg with the same line start times; TTML files
// parse with Python's standard XML parser and carry the segments' times. Run
// where ffmpeg and python3 are installed.
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

TEST(mrlyrics_convert_peer, ffmpeg_reads_our_ass_with_the_same_line_starts) {
    const std::u16string ffmpeg = FindFfmpeg();
    if (ffmpeg.empty()) GTEST_SKIP() << "ffmpeg is not installed; the peer check needs it";
    ScopedTempDir dir;
    const auto in = dir.Path(u"in.lrc"), ass = dir.Path(u"out.ass"), srt = dir.Path(u"out.srt");
    ASSERT_TRUE(WriteFileBytes(in, "[ti:Peer]\r\n[00:01.00]Lan<00:01.40>terns {on}<00:03.20>\r\n"
                                   "[00:03.50]Swing<00:04.00>ing<00:06.30>\r\n[00:07.00]plain line\r\n"
                                   "[01:02.05]<01:02.50>gap<01:03.00>\r\n[62:05.00]an hour later<62:06.00>\r\n"));
    ProgramResult r;
    ASSERT_TRUE(RunProgram(BuiltProgram(u"mrlyrics"), {u"convert", in, ass}, &r));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_TRUE(RunProgram(ffmpeg, {u"-v", u"error", u"-y", u"-i", ass, srt}, &r));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<uint8_t> bytes = ReadFileBytes(srt);
    const std::string cues(bytes.begin(), bytes.end());
    EXPECT_EQ(SrtStarts(cues), (std::vector<int>{100, 350, 700, 6250, 372500}));
    // The karaoke tags are gone and the escaped braces are text.
    EXPECT_NE(cues.find("Lanterns "), std::string::npos) << cues;
    EXPECT_NE(cues.find("Swinging"), std::string::npos) << cues;
}

TEST(mrlyrics_convert_peer, our_ttml_parses_as_xml_with_the_segment_times) {
    const std::u16string python = u"/usr/bin/python3";
    if (!fs::Exists(python)) GTEST_SKIP() << "python3 is not installed; the XML check needs it";
    ScopedTempDir dir;
    const auto in = dir.Path(u"in.lrc"), ttml = dir.Path(u"out.ttml"), script = dir.Path(u"spans.py");
    ASSERT_TRUE(WriteFileBytes(in, "[ti:A & <B>]\r\n[ar:Me]\r\n[00:01.00]Lan<00:01.40>terns & <00:01.80>\"on\"<00:03.20>\r\n"
                                   "[00:03.50]Swing <00:04.10><00:04.50>ing\r\n"));
    ProgramResult r;
    ASSERT_TRUE(RunProgram(BuiltProgram(u"mrlyrics"), {u"convert", in, ttml}, &r));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // One line per <p>, then "begin end text" per span (the last one lasts
    // the editor's shortest entry, 40 ms); the title and lang.
    ASSERT_TRUE(WriteFileBytes(script,
                               "import sys, xml.etree.ElementTree as E\n"
                               "ns = {'tt': 'http://www.w3.org/ns/ttml', 'ttm': 'http://www.w3.org/ns/ttml#metadata'}\n"
                               "root = E.parse(sys.argv[1]).getroot()\n"
                               "print(root.get('{http://www.w3.org/XML/1998/namespace}lang'))\n"
                               "print(root.find('tt:head/tt:metadata/ttm:title', ns).text)\n"
                               "for p in root.findall('tt:body/tt:div/tt:p', ns):\n"
                               "    print('p')\n"
                               "    for s in p.findall('tt:span', ns):\n"
                               "        print(s.get('begin'), s.get('end'), repr(s.text))\n"));
    ASSERT_TRUE(RunProgram(python, {script, ttml}, &r));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "und\nA & <B>\np\n"
              "00:00:01.000 00:00:01.400 'Lan'\n"
              "00:00:01.400 00:00:01.800 'terns & '\n"
              "00:00:01.800 00:00:03.200 '\"on\"'\n"
              "p\n"
              "00:00:03.500 00:00:04.100 'Swing '\n"
              "00:00:04.500 00:00:04.540 'ing'\n");
}

}  // namespace
}  // namespace mr::test
