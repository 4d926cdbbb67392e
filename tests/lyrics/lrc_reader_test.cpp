#include "lyrics/lrc_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lyrics/text_decode.h"
#include "tests/lyrics/lyrics_test_util.h"

namespace mr {
namespace {

using Lines = std::vector<std::string>;
using test::DescribeLines;
using test::ReadLrc;

Lines Read(std::string_view lrc, int editorMode = 0) {
    LyricsDocument doc;
    EXPECT_TRUE(ReadLrc(doc, lrc, editorMode));
    return DescribeLines(doc);
}

std::string Info(const LyricsDocument& doc, int field) {
    const char16_t* v = doc.GetInfo(field);
    return v ? std::string(v, v + std::char_traits<char16_t>::length(v)) : std::string("<null>");
}

// --- Encodings

TEST(lyrics_lrc_encoding, utf16be_reads_as_its_little_endian_twin_and_reports_4) {
    const std::string text = "[ti:Caf\xC3\xA9]\r\n[00:01.00]Hello <00:02.00>w\xC3\xB6rld\r\n[00:03.00]\xE2\x99\xAA";
    LyricsDocument le, be;
    int leCode = 0, beCode = 0;
    ASSERT_TRUE(ReadLrc(le, test::Utf16Bytes(text, false), 0, &leCode));
    ASSERT_TRUE(ReadLrc(be, test::Utf16Bytes(text, true), 0, &beCode));
    EXPECT_EQ(leCode, kEncodingUtf16LE);
    EXPECT_EQ(beCode, kEncodingUtf16BE);
    EXPECT_EQ(DescribeLines(be), DescribeLines(le));
    EXPECT_EQ(DescribeLines(le),
              (Lines{"Hello w\xC3\xB6rld |6| 1000-2000 2000-2001", "\xE2\x99\xAA || 3000-3001"}));
    EXPECT_EQ(std::u16string(be.GetInfo(kInfoTitle)), u"Caf\u00E9");
}

TEST(lyrics_lrc_encoding, utf8_reads_as_utf8_with_or_without_a_mark_and_legacy_bytes_as_ansi) {
    LyricsDocument withMark, without, legacy;
    int a = 0, b = 0, c = 0;
    ASSERT_TRUE(ReadLrc(withMark, "\xEF\xBB\xBF[00:01.00]caf\xC3\xA9", 0, &a));
    ASSERT_TRUE(ReadLrc(without, "[00:01.00]caf\xC3\xA9", 0, &b));
    ASSERT_TRUE(ReadLrc(legacy, "[00:01.00]caf\xE9", 0, &c));
    EXPECT_EQ(a, kEncodingUtf8);
    EXPECT_EQ(b, kEncodingUtf8);
    EXPECT_EQ(c, kEncodingAnsi);
    EXPECT_EQ(std::u16string(withMark.GetText(0)), u"caf\u00E9");
    EXPECT_EQ(std::u16string(without.GetText(0)), u"caf\u00E9");
    EXPECT_EQ(std::u16string(legacy.GetText(0)), u"caf\u00E9");  // Windows-1252
}

TEST(lyrics_lrc_encoding, an_odd_last_byte_of_utf16_is_ignored_and_a_mark_alone_reads_nothing) {
    LyricsDocument doc;
    int code = 0;
    ASSERT_TRUE(ReadLrc(doc, test::Utf16Bytes("[00:01.00]ab", false) + "x", 0, &code));
    EXPECT_EQ(DescribeLines(doc), (Lines{"ab || 1000-1001"}));
    LyricsDocument empty;
    ASSERT_TRUE(ReadLrc(empty, "\xFF\xFE", 0, &code));
    EXPECT_EQ(code, kEncodingUtf16LE);
    ASSERT_TRUE(ReadLrc(empty, "\xEF\xBB\xBF", 0, &code));
    EXPECT_EQ(code, kEncodingUtf8);
    EXPECT_EQ(empty.GetLineCount(), 0u);
}

// --- Tags and stamps

TEST(lyrics_lrc_tags_in_files, malformed_stamps_drop_their_lines) {
    EXPECT_EQ(Read("[00:05.5]Hi\n[1:05.00]Hi\n[00:05:50]Hi\n[00:06.00]kept"), (Lines{"kept || 6000-6001"}));
}

TEST(lyrics_lrc_tags_in_files, seconds_are_not_range_checked_and_three_digits_are_milliseconds) {
    EXPECT_EQ(Read("[00:01.234]A\n[00:75.00]B"), (Lines{"A || 1234-1235", "B || 75000-75001"}));
}

TEST(lyrics_lrc_tags_in_files, information_tags_fill_the_fields_and_others_have_no_effect) {
    LyricsDocument doc;
    const std::string longValue(260, 'v');
    ASSERT_TRUE(ReadLrc(doc, "[ti:Old]\n[offset:+500]\n[ar:" + longValue + "]\n[al:" + longValue.substr(1) +
                                 "]\n[by:me][la:en][TI:New]\n[00:01.00]A"));
    EXPECT_EQ(Info(doc, kInfoTitle), "New");
    EXPECT_EQ(Info(doc, kInfoArtist), "<null>");  // 260 units: ignored
    EXPECT_EQ(Info(doc, kInfoAlbum), longValue.substr(1));
    EXPECT_EQ(DescribeLines(doc), (Lines{"A || 1000-1001"}));
}

TEST(lyrics_lrc_tags_in_files, text_before_the_first_stamp_and_after_another_tag_is_dropped) {
    // A tag after a stamp closes the stamp's text there, even empty.
    EXPECT_EQ(Read("lead [00:01.00]A\n[00:02.00][ti:x]B\n[00:03.00]C[re:x]D"),
              (Lines{"A || 1000-1001", " || 2000-2001", "C || 3000-3001"}));
}

TEST(lyrics_lrc_tags_in_files, cr_lf_and_nul_all_end_a_line) {
    EXPECT_EQ(Read(std::string("[00:01.00]A\r[00:02.00]B\r\n[00:03.00]C\0[00:04.00]D\n\n", 48)),
              (Lines{"A || 1000-1001", "B || 2000-2001", "C || 3000-3001", "D || 4000-4001"}));
}

// --- Ordering and sharing

TEST(lyrics_lrc, equal_times_end_the_read) {
    EXPECT_EQ(Read("[00:01.00]A\n[00:01.00]B\n[00:02.00]C"), (Lines{"A || 1000-1001", "B ||"}));
}

TEST(lyrics_lrc, lines_are_sorted_by_time_and_a_backward_word_time_ends_the_read) {
    EXPECT_EQ(Read("[00:03.00]C\n[00:01.00]A\n[00:02.00]B"),
              (Lines{"A || 1000-1001", "B || 2000-2001", "C || 3000-3001"}));
    // A word stamp of line A reaches past the start of B.
    EXPECT_EQ(Read("[00:01.00]A <00:02.50>a\n[00:02.00]B\n[00:03.00]C"),
              (Lines{"A a |2| 1000-2500 2500-2501", "B ||"}));
}

TEST(lyrics_lrc, many_lines_in_reverse_order_are_sorted) {
    std::string lrc;
    for (int i = 5999; i >= 0; --i) {
        char line[32];
        std::snprintf(line, sizeof line, "[%02d:%02d.%02d]L%d\n", i / 6000, i / 100 % 60, i % 100, i % 7);
        lrc += line;
    }
    LyricsDocument doc;
    ASSERT_TRUE(ReadLrc(doc, lrc));
    ASSERT_EQ(doc.GetSyncTimeCount(), 6000u);
    EXPECT_EQ(doc.GetTextCount(), 7u);
    for (uint32_t k = 0; k < 6000; ++k) ASSERT_EQ(doc.GetSyncTimes()[k].start, int32_t(k / 100 * 1000 + k % 100 * 10));
}

TEST(lyrics_lrc, several_stamps_before_one_text_share_it) {
    LyricsDocument doc;
    ASSERT_TRUE(ReadLrc(doc, "[00:10.00][00:50.00]Chorus\n[00:30.00]Verse\n[00:20.00]Chorus"));
    EXPECT_EQ(DescribeLines(doc), (Lines{"Chorus || 10000-10001", "Chorus || 20000-20001", "Verse || 30000-30001",
                                         "Chorus || 50000-50001"}));
    EXPECT_EQ(doc.GetTextCount(), 2u);
}

TEST(lyrics_lrc, a_stamp_after_text_times_the_text_that_follows_it) {
    EXPECT_EQ(Read("[00:01.00]A[00:02.00]B[00:03.00][00:04.00]C"),
              (Lines{"A || 1000-1001", "B || 2000-2001", "C || 3000-3001", "C || 4000-4001"}));
}

// --- Word stamps

TEST(lyrics_lrc_words, a_closing_stamp_ends_the_last_segment) {
    EXPECT_EQ(Read("[00:01.00]Hello <00:02.00>world<00:03.00>"), (Lines{"Hello world |6| 1000-2000 2000-3000"}));
    EXPECT_EQ(Read("[00:01.00]Hello <00:02.00>world"), (Lines{"Hello world |6| 1000-2000 2000-2001"}));
}

TEST(lyrics_lrc_words, a_stamp_at_the_segments_own_start_moves_it_and_two_in_a_row_leave_a_gap) {
    EXPECT_EQ(Read("[00:01.00]<00:01.50>Hello <00:02.00>world"), (Lines{"Hello world |6| 1500-2000 2000-2001"}));
    EXPECT_EQ(Read("[00:01.00]Hello <00:02.00><00:02.50>world<00:03.00>"),
              (Lines{"Hello world |6| 1000-2000 2500-3000"}));
}

TEST(lyrics_lrc_words, a_stamp_before_the_line_time_or_a_non_increasing_one_ends_the_read) {
    EXPECT_EQ(Read("[00:02.00]<00:01.00>Hi\n[00:03.00]next"), (Lines{"Hi ||"}));
    EXPECT_EQ(Read("[00:01.00]a<00:02.00>b<00:02.00>c\n[00:03.00]next"), (Lines{"abc |1| 1000-2000"}));
}

TEST(lyrics_lrc_words, stamps_piled_at_the_end_keep_sync_points_and_times_parallel) {
    EXPECT_EQ(Read("[00:01.00]Hello <00:02.00>world<00:03.00><00:04.00>\n[00:05.00]Next <00:06.00>one"),
              (Lines{"Hello world |6| 1000-2000 2000-3000", "Next one |5| 5000-6000 6000-6001"}));
}

TEST(lyrics_lrc_words, a_line_of_stamps_only_gets_one_time) {
    EXPECT_EQ(Read("[00:01.00]<00:01.20><00:01.40>\n[00:02.00]x"), (Lines{" || 1400-1401", "x || 2000-2001"}));
}

TEST(lyrics_lrc_words, malformed_word_stamps_stay_in_the_text) {
    EXPECT_EQ(Read("[00:01.00]a<1:02.00>b <00:02.00>c"), (Lines{"a<1:02.00>b c |12| 1000-2000 2000-2001"}));
}

TEST(lyrics_lrc_words, a_word_stamped_line_under_several_stamps_repeats_as_a_whole_line) {
    LyricsDocument doc;
    ASSERT_TRUE(ReadLrc(doc, "[00:10.00][00:50.00]<00:10.00>Cho<00:10.50>rus<00:11.00>\n[00:30.00]Verse"));
    EXPECT_EQ(DescribeLines(doc),
              (Lines{"Chorus |3| 10000-10500 10500-11000", "Verse || 30000-30001", "Chorus || 50000-50001"}));
    EXPECT_EQ(doc.GetTextCount(), 2u);
}

// --- End times in the editor

TEST(lyrics_lrc_end_times, the_editor_extends_line_only_files) {
    EXPECT_EQ(Read("[00:01.00]A\n[00:05.00]B", 1), (Lines{"A || 1000-4750", "B || 5000-6000"}));
    EXPECT_EQ(Read("[00:01.00]A\n[00:01.20]B", 1), (Lines{"A || 1000-1160", "B || 1200-2200"}));
    EXPECT_EQ(Read("[00:01.00]A\n[00:01.03]B", 1), (Lines{"A || 1000-1001", "B || 1030-2030"}));
}

TEST(lyrics_lrc_end_times, plug_ins_and_word_stamped_files_keep_their_times) {
    EXPECT_EQ(Read("[00:01.00]A\n[00:05.00]B", 0), (Lines{"A || 1000-1001", "B || 5000-5001"}));
    EXPECT_EQ(Read("[00:01.00]A\n[00:05.00]B <00:05.50>b", 1),
              (Lines{"A || 1000-1001", "B b |2| 5000-5500 5500-5501"}));
}

TEST(lyrics_lrc_end_times, a_read_that_ended_early_is_extended_too) {
    EXPECT_EQ(Read("[00:01.00]A\n[00:01.00]B", 1), (Lines{"A || 1000-2000", "B ||"}));
}

// --- Capacity

TEST(lyrics_lrc, running_out_of_times_fails_the_read_and_keeps_what_was_added) {
    // Two segments per line: the time table's 131,072 entries end at line 65,536.
    std::string lrc = "[ti:big]\n";
    for (int i = 0; i < 70000; ++i) {
        const int t = i * 20;
        char line[64];
        std::snprintf(line, sizeof line, "[%02d:%02d.%03d]a<%02d:%02d.%03d>b\n", t / 60000, t / 1000 % 60, t % 1000,
                      (t + 10) / 60000, (t + 10) / 1000 % 60, (t + 10) % 1000);
        lrc += line;
    }
    LyricsDocument doc;
    EXPECT_FALSE(ReadLrc(doc, lrc));
    EXPECT_EQ(doc.GetSyncTimeCount(), 131072u);
    EXPECT_EQ(doc.GetLineCount(), 65537u);  // the line whose time no longer fitted
    EXPECT_EQ(Info(doc, kInfoTitle), "big");
    EXPECT_EQ(doc.GetTextCount(), 1u);
}

}  // namespace
}  // namespace mr
