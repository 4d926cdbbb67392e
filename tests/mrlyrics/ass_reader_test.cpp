// The ASS reader: a script in the style of a subtitle timing tool, and
// damaged scripts that must read what they can.
#include "editor/files/ass_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/lyrics/lyrics_test_util.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

using Lines = std::vector<std::string>;

Lines Read(const std::string& script, bool* ok = nullptr) {
    std::vector<uint8_t> bytes(script.begin(), script.end());
    LyricsDocument doc;
    const bool read = ReadAssLyrics(doc, bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (ok) *ok = read;
    else EXPECT_TRUE(read);
    return test::DescribeLines(doc);
}

const std::string kEvents =
    "[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";

TEST(ass_reader, a_timing_tool_script_reads_to_its_syllables) {
    LyricsDocument doc;
    ASSERT_TRUE(LoadAssFile(doc, test::SourcePath("tests/mrlyrics/data/timing_tool_style.ass")));
    EXPECT_EQ(std::u16string(doc.GetInfo(kInfoTitle)), u"Lanterns on the Bay");
    EXPECT_EQ(std::u16string(doc.GetInfo(kInfoArtist)), u"The Harbour Choir");
    EXPECT_EQ(doc.GetInfo(kInfoAlbum), nullptr);
    EXPECT_FALSE(doc.SourceFile().IsOpen());
    // In start order; the comment line is not sung; \k, \kf, \K and \ko all
    // start syllables; other override blocks vanish, also inside words; an
    // empty \k is a gap; \N is a space and \h a no-break space; text before
    // the first tag joins the first syllable.
    EXPECT_EQ(test::DescribeLines(doc),
              (Lines{"Swinging, swinging |5,10| 1000-1250 1250-1600 1800-2600",
                     "Lanterns on the bay |3,9,12,16| 5000-5500 5500-5900 5900-6200 6200-6800 6800-7500",
                     "Low tide and\xC2\xA0high  |4,8| 9000-9400 9400-10000 10000-10500",
                     "An untimed line, with commas || 12000-14000", "lead-in words here |14| 15000-15300 15300-16000"}));
}

TEST(ass_reader, damaged_scripts_read_what_they_can) {
    const std::string bigLine = "Dialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,{\\k10}" + std::string(10u << 20, 'a');
    const struct {
        const char* name;
        std::string script;
        Lines lines;
    } cases[] = {
        {"no events section", "[Script Info]\r\nTitle: x\r\nDialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,a\r\n", {}},
        {"empty file", "", {}},
        {"too few fields", kEvents + "Dialogue: 0,0:00:01.00,0:00:02.00,D\r\nDialogue: 0,0:00:03.00,0:00:04.00,D,,0,0,0,,b\r\n",
         {"b || 3000-4000"}},
        {"bad times", kEvents + "Dialogue: 0,0:0x:01.00,0:00:02.00,D,,0,0,0,,a\r\nDialogue: 0,0:00:61.00,0:01:02.00,D,,0,0,0,,a\r\n"
                                "Dialogue: 0,1:00:00.5,1:00:01.123,D,,0,0,0,,c\r\n",
         {"c || 3600500-3601123"}},
        {"a karaoke tag without a number", kEvents + "Dialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,{\\k}a{\\kf}b{\\k20}c\r\n",
         {"abc || 1000-1200"}},
        {"an unclosed brace is text", kEvents + "Dialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,{\\k30}a{b\r\n",
         {"a{b || 1000-1300"}},
        {"escapes", kEvents + "Dialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,\\{x\\} \\\xE2\x80\x8Bn \\q\r\n",
         {"{x} \\n \\q || 1000-2000"}},
        {"end before start", kEvents + "Dialogue: 0,0:00:05.00,0:00:02.00,D,,0,0,0,,a\r\n", {"a || 5000-5001"}},
        {"truncated in the middle of a line", kEvents + "Dialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,{\\k50}ab{\\k5", {"ab{\\k5 || 1000-1500"}},
        {"truncated in the fields", kEvents + "Dialogue: 0,0:00:01.00,0:00:0", {}},
        {"a Format line naming other fields", "[Events]\r\nFormat: Start, End, Text\r\nDialogue: 0:00:01.00,0:00:02.00,x, y\r\n",
         {"x, y || 1000-2000"}},
        {"a Format line without Text keeps the standard order",
         "[Events]\r\nFormat: Start, End\r\nDialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,z\r\n", {"z || 1000-2000"}},
        {"huge durations stop the line", kEvents + "Dialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,{\\k999999999}a{\\k999999999}b\r\n",
         {"ab |1| 1000-2147483647 2147483647-2147483647"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Read(c.script), c.lines);
    }
    // A 10 MB line passes the document's text pool: the read fails as on any
    // exhausted table, keeping the line before it.
    const std::string big = kEvents + "Dialogue: 0,0:00:00.50,0:00:01.00,D,,0,0,0,,first\r\n" + bigLine;
    std::vector<uint8_t> bytes(big.begin(), big.end());
    LyricsDocument doc;
    EXPECT_FALSE(ReadAssLyrics(doc, bytes.data(), static_cast<uint32_t>(bytes.size())));
    EXPECT_EQ(test::DescribeLines(doc), (Lines{"first || 500-1000"}));
}

}  // namespace
}  // namespace mr
