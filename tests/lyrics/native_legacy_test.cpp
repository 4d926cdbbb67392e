// Versions 1 and 2 of the native file: the text chunk and the two passes over
// the sync records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "lyrics/lyrics_document.h"
#include "tests/lyrics/lyrics_test_util.h"
#include "tests/lyrics/native_file_builder.h"

namespace mr {
namespace {

using Lines = std::vector<std::string>;
using test::LegacyRecord;

constexpr uint16_t kNone = 0xFFFF;       // no segment / to the end of the line
constexpr uint32_t kUntimed = 0xFFFFFFFFu;

// A UTF-16 literal with its embedded NULs.
template <size_t N>
std::u16string U(const char16_t (&s)[N]) {
    return std::u16string(s, N - 1);
}

// The legacy text: Title, Artist, Album and five unused header strings, then
// the lines, each NUL-terminated, padded with CRs (which end the text) to a
// multiple of 4 bytes in the version's encoding.
std::u16string LegacyText(int version, std::u16string_view title, const std::vector<std::u16string>& lines) {
    std::u16string t = std::u16string(title) + u'\0' + u"Artist" + u'\0' + u"Album" + u'\0';
    t += std::u16string(5, u'\0');
    for (const auto& l : lines) t += l + u'\0';
    const size_t unitsPer4 = version == 1 ? 4 : 2;
    while (t.size() % unitsPer4) t += u'\r';
    return t;
}

struct Result {
    Lines lines;
    std::string info;
    uint32_t texts, syncs, times;
};

Result Read(const std::vector<uint8_t>& bytes) {
    LyricsDocument doc;
    EXPECT_TRUE(test::LoadNative(doc, bytes, 1));
    return Result{test::DescribeLines(doc), test::DescribeInfo(doc), doc.GetTextCount(), doc.GetSyncCount(),
                  doc.GetSyncTimeCount()};
}

// "Hello world" in two segments, then "Bye": the records of a sound file.
const std::vector<LegacyRecord> kTwoLines = {
    {0, 0, 6, 100, 150},
    {0, 6, kNone, 150, 200},
    {1, 0, kNone, 250, 300},
};

TEST(lyrics_native_legacy, version_1_reads_ansi_text_and_times_in_10_ms_units) {
    const auto text = LegacyText(1, u"Caf\u00E9", {u"Hello world", u"Bye"});
    const Result r = Read(test::LegacyFile(1, text, kTwoLines));
    EXPECT_EQ(r.info, "Caf\xC3\xA9|Artist|Album");
    EXPECT_EQ(r.lines, (Lines{"Hello world |6| 1000-1500 1500-2000", "Bye || 2500-3000"}));
}

TEST(lyrics_native_legacy, version_2_reads_utf16_text) {
    const auto text = LegacyText(2, u"\u266A", {u"Hello world", u"\u6B4C"});
    const Result r = Read(test::LegacyFile(2, text, kTwoLines));
    EXPECT_EQ(r.info, "\xE2\x99\xAA|Artist|Album");
    EXPECT_EQ(r.lines, (Lines{"Hello world |6| 1000-1500 1500-2000", "\xE6\xAD\x8C || 2500-3000"}));
}

TEST(lyrics_native_legacy, the_two_passes_stop_independently) {
    // The third record does not continue the segment before it: the segment
    // pass stops there, the time pass goes on.
    const auto text = LegacyText(1, u"T", {u"Hello world", u"Bye"});
    const Result segmentsShort = Read(test::LegacyFile(1, text, {{0, 0, 6, 10, 20}, {0, 6, 8, 20, 30},
                                                                 {0, 9, kNone, 30, 40}, {1, 0, kNone, 50, 60}}));
    EXPECT_EQ(segmentsShort.syncs, 2u);
    EXPECT_EQ(segmentsShort.times, 4u);  // more times than sync points
    EXPECT_EQ(segmentsShort.lines, Lines{"Hello world |6| 100-200 200-300"});
    // The second record starts before the first one ends: the time pass
    // stops there, the segment pass goes on.
    const Result timesShort = Read(test::LegacyFile(1, text, {{0, 0, 6, 10, 20}, {0, 6, kNone, 15, 30},
                                                              {1, 0, kNone, 50, 60}}));
    EXPECT_EQ(timesShort.syncs, 3u);
    EXPECT_EQ(timesShort.times, 1u);
    EXPECT_EQ(timesShort.lines, (Lines{"Hello world |6| 100-200", "Bye ||"}));
}

TEST(lyrics_native_legacy, the_first_record_decides_whether_any_record_is_read) {
    const auto text = LegacyText(1, u"T", {u"Hello"});
    // Without a segment it still gives times.
    const Result untimed = Read(test::LegacyFile(1, text, {{0, kNone, kNone, 10, 20}, {0, 0, kNone, 20, 30}}));
    EXPECT_EQ(untimed.syncs, 0u);
    EXPECT_EQ(untimed.times, 2u);
    // Unusable, it leaves every record unread, times included.
    for (const LegacyRecord& first : {LegacyRecord{0, 1, kNone, 10, 20},    // does not start a line
                                      LegacyRecord{0, 0, 0, 10, 20},        // ends where it starts
                                      LegacyRecord{1, 0, kNone, 10, 20}}) { // no such text
        const Result r = Read(test::LegacyFile(1, text, {first, {0, 0, kNone, 20, 30}}));
        EXPECT_EQ(r.texts, 1u);
        EXPECT_EQ(r.syncs + r.times, 0u);
    }
}

TEST(lyrics_native_legacy, segments_stop_at_the_first_record_that_does_not_fit_its_line) {
    const auto text = LegacyText(1, u"T", {u"abcdef", u"xy"});
    struct Case {
        std::vector<LegacyRecord> records;
        Lines lines;
    };
    const std::vector<Case> cases = {
        // A new line before the previous one reached its end.
        {{{0, 0, 3, kUntimed, 0}, {1, 0, kNone, kUntimed, 0}}, {"abcdef ||"}},
        // A segment starting at or past the end of the line's text.
        {{{0, 0, 6, kUntimed, 0}, {0, 6, kNone, kUntimed, 0}}, {"abcdef ||"}},
        // A segment naming another text than its line.
        {{{0, 0, 3, kUntimed, 0}, {1, 3, kNone, kUntimed, 0}}, {"abcdef ||"}},
        // An end before its start.
        {{{0, 0, 3, kUntimed, 0}, {0, 3, 2, kUntimed, 0}}, {"abcdef ||"}},
        // A line that ends, then the next.
        {{{0, 0, 3, kUntimed, 0}, {0, 3, kNone, kUntimed, 0}, {1, 0, 1, kUntimed, 0}, {1, 1, kNone, kUntimed, 0}},
         {"abcdef |3|", "xy |1|"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(test::LegacyFile(1, text, c.records)).lines, c.lines);
}

TEST(lyrics_native_legacy, times_that_do_not_fit_milliseconds_end_the_time_pass) {
    const auto text = LegacyText(1, u"T", {u"a", u"b", u"c"});
    // 214748364 units are 2147483640 ms, the last that fits; one more does not.
    const Result r = Read(test::LegacyFile(1, text, {{0, 0, kNone, 10, 214748364},
                                                     {1, 0, kNone, 214748364, 214748365},
                                                     {2, 0, kNone, 214748365, 214748366}}));
    EXPECT_EQ(r.syncs, 3u);
    EXPECT_EQ(r.times, 1u);
    EXPECT_EQ(r.lines[0], "a || 100-2147483640");
}

TEST(lyrics_native_legacy, a_bad_text_chunk_reads_nothing) {
    const std::string good("T\0A\0B\0\0\0\0\0\0x\0\r\r\r", 16);
    const std::vector<LegacyRecord> records = {{0, 0, kNone, 1, 2}};
    EXPECT_EQ(Read(test::LegacyFileRaw(1, good, records)).lines, Lines{"x || 10-20"});
    // Version 1 needs a size that is a multiple of 4 and at least 8.
    EXPECT_EQ(Read(test::LegacyFileRaw(1, good.substr(0, 15), records)).info, "<null>|<null>|<null>");
    EXPECT_EQ(Read(test::LegacyFileRaw(1, std::string("T\0\0\0", 4), records)).info, "<null>|<null>|<null>");
    // Version 2 text whose length is not a multiple of 4 bytes gives no text,
    // so no record can name one.
    const Result odd = Read(test::LegacyFileRaw(2, std::string("T\0\0\0\0\0", 6), records));
    EXPECT_EQ(odd.info, "<null>|<null>|<null>");
    EXPECT_EQ(odd.times, 0u);
}

TEST(lyrics_native_legacy, line_breaks_end_the_text_and_a_missing_sync_chunk_the_records) {
    // A break before the eighth NUL: information but no lines.
    const Result header = Read(test::LegacyFile(2, U(u"T\0A\0B\0\0\r\nxx\0\0\0"), {{0, 0, kNone, 1, 2}}));
    EXPECT_EQ(header.info, "T|A|B");
    EXPECT_EQ(header.texts, 0u);
    // A break among the lines ends them.
    EXPECT_EQ(Read(test::LegacyFile(2, U(u"T\0A\0B\0\0\0\0\0\0one\0two\rthree\0\r"), {})).texts, 1u);
    // Without the "SYNC" tag after the text, only the texts are read.
    const auto text = LegacyText(1, u"T", {u"a", u"b"});
    std::vector<uint8_t> bytes = test::LegacyFile(1, text, kTwoLines);
    bytes[16 + Utf16ToAnsi(text).size()] = 'X';
    const Result r = Read(bytes);
    EXPECT_EQ(r.texts, 2u);
    EXPECT_EQ(r.syncs + r.times, 0u);
}

TEST(lyrics_native_legacy, large_legacy_files_are_not_read) {
    const auto text = LegacyText(1, u"T", {u"Hello world", u"Bye"});
    LyricsDocument doc;
    EXPECT_TRUE(test::LoadNative(doc, test::LegacyFile(1, text, kTwoLines), 1, /*streamed=*/true));
    EXPECT_EQ(doc.GetTextCount(), 0u);
    EXPECT_EQ(doc.GetInfo(kInfoTitle), nullptr);
}

}  // namespace
}  // namespace mr
