// mrlyrics convert to and from ASS karaoke scripts and to TTML, run as a
// program: round trips back to LRC, reserved characters kept as text, and
// the command line for the new kinds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/mrlyrics/run_program.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

ProgramResult Convert(std::vector<std::u16string> args) {
    ProgramResult r;
    args.insert(args.begin(), u"convert");
    EXPECT_TRUE(RunProgram(BuiltProgram(u"mrlyrics"), args, &r)) << r.err;
    return r;
}

std::string Text(const std::vector<uint8_t>& b) {
    return std::string(b.begin(), b.end());
}

// Word stamps with gaps, a stamp at a line's own start, a line-only line,
// texts with ASS's and XML's reserved characters, Title/Artist/Album.
const char kLrc[] =
    "[ti:Lanterns & {Bay}]\r\n[ar:The <Harbour> Choir]\r\n[al:Tides]\r\n"
    "[00:01.00]Lan<00:01.40>terns <00:01.80>on<00:03.20>\r\n"
    "[00:03.50]{braced} <00:04.00>back\\slash\\N<00:04.50><00:05.00>\\<00:06.30>\r\n"
    "[00:07.00]plain <line> & \"quotes\"\r\n"
    "[01:02.05]<01:02.50>gap<01:03.00>\r\n"
    "[62:05.00]Caf\xC3\xA9 \xE6\xAD\x8C \xF0\x9F\x8E\xB5<62:06.00>\r\n";

TEST(mrlyrics_convert_exchange, lrc_to_ass_and_back_gives_the_same_lrc) {
    ScopedTempDir dir;
    const auto in = dir.Path(u"in.lrc"), direct = dir.Path(u"direct.lrc"), ass = dir.Path(u"song.ass"),
               back = dir.Path(u"back.lrc");
    ASSERT_TRUE(WriteFileBytes(in, kLrc));
    for (const auto& step : std::vector<std::vector<std::u16string>>{{in, direct}, {in, ass}, {ass, back}}) {
        const ProgramResult r = Convert(step);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    // Texts, sync points and times to the centisecond, and the fields.
    EXPECT_EQ(Text(ReadFileBytes(back)), Text(ReadFileBytes(direct)));

    const std::string script = Text(ReadFileBytes(ass));
    ASSERT_EQ(script.compare(0, 3, "\xEF\xBB\xBF"), 0);
    for (const char* piece : {
             "[Script Info]\r\n", "ScriptType: v4.00+\r\n", "PlayResX: 1280\r\n", "PlayResY: 720\r\n",
             "Title: Lanterns & {Bay}\r\n", "Artist: The <Harbour> Choir\r\n", "Album: Tides\r\n",
             "[V4+ Styles]\r\n", "\r\nStyle: Default,", "[Events]\r\n",
             "Dialogue: 0,0:00:01.00,0:00:03.20,Default,,0,0,0,,{\\kf40}Lan{\\kf40}terns {\\kf140}on\r\n",
             // Braces escaped; a backslash before N, at a segment's end and
             // before a tag guarded by U+200B; the gap as an empty \k.
             "{\\kf50}\\{braced\\} {\\kf50}back\\slash\\\xE2\x80\x8BN{\\k50}{\\kf130}\\\xE2\x80\x8B\r\n",
             "Dialogue: 0,0:01:02.50,0:01:03.00,Default,,0,0,0,,{\\kf50}gap\r\n",
             "Dialogue: 0,1:02:05.00,1:02:06.00,Default,,0,0,0,,{\\kf100}Caf\xC3\xA9 \xE6\xAD\x8C \xF0\x9F\x8E\xB5\r\n"}) {
        EXPECT_NE(script.find(piece), std::string::npos) << piece << "\nin\n" << script;
    }
}

TEST(mrlyrics_convert_exchange, ttml_has_a_span_per_segment_with_escaped_text) {
    ScopedTempDir dir;
    const auto in = dir.Path(u"in.lrc"), out = dir.Path(u"song.ttml");
    ASSERT_TRUE(WriteFileBytes(in, kLrc));
    const ProgramResult r = Convert({in, out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string ttml = Text(ReadFileBytes(out));
    for (const char* piece : {
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n",
             "<tt xmlns=\"http://www.w3.org/ns/ttml\" xmlns:ttm=\"http://www.w3.org/ns/ttml#metadata\" xml:lang=\"und\">",
             "<ttm:title>Lanterns &amp; {Bay}</ttm:title>",
             "<ttm:name type=\"full\">The &lt;Harbour&gt; Choir</ttm:name>", "  <body>\n    <div>\n",
             "<p><span begin=\"00:00:01.000\" end=\"00:00:01.400\">Lan</span><span begin=\"00:00:01.400\" "
             "end=\"00:00:01.800\">terns </span><span begin=\"00:00:01.800\" end=\"00:00:03.200\">on</span></p>",
             ">plain &lt;line&gt; &amp; &quot;quotes&quot;</span>",
             "<span begin=\"01:02:05.000\" end=\"01:02:06.000\">Caf\xC3\xA9 \xE6\xAD\x8C \xF0\x9F\x8E\xB5</span>"}) {
        EXPECT_NE(ttml.find(piece), std::string::npos) << piece << "\nin\n" << ttml;
    }
    EXPECT_EQ(ttml.find("<body begin"), std::string::npos);
    EXPECT_EQ(ttml.find("<p begin"), std::string::npos);
}

TEST(mrlyrics_convert_exchange, the_command_line_knows_the_new_kinds) {
    ScopedTempDir dir;
    const auto in = dir.Path(u"in.lrc"), ass = dir.Path(u"o.ass");
    ASSERT_TRUE(WriteFileBytes(in, kLrc));
    EXPECT_EQ(Convert({u"--lines", in, ass}).exitCode, 2);
    EXPECT_EQ(Convert({u"--encoding", u"utf8", in, dir.Path(u"o.ttml")}).exitCode, 2);
    EXPECT_EQ(Convert({in, dir.Path(u"o.srt")}).exitCode, 2);
    EXPECT_EQ(Convert({dir.Path(u"x.ttml"), dir.Path(u"o.lrc")}).exitCode, 2);  // TTML is written only
    EXPECT_TRUE(dir.List() == std::vector<std::u16string>{u"in.lrc"});
    // A missing IN leaves no OUT behind.
    EXPECT_EQ(Convert({dir.Path(u"missing.ass"), dir.Path(u"o.lrc")}).exitCode, 1);
    EXPECT_TRUE(dir.List() == std::vector<std::u16string>{u"in.lrc"});
    const ProgramResult help = Convert({u"--help"});
    for (const char* word : {".ass", ".ttml", "\\kf"}) EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace mr::test
