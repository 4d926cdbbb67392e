// The native and LRC writers on the editor's document: the bytes they produce
// for the cases that matter, and what the readers make of them again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/buffered_file.h"
#include "common/text.h"
#include "editor/files/lrc_writer.h"
#include "editor/files/native_writer.h"
#include "editor/files/open_flow.h"
#include "editor/store/sync_document.h"
#include "lyrics/load_lyrics_file.h"
#include "lyrics/text_decode.h"
#include "tests/editor/editor_test_util.h"
#include "tests/editor/picture_test_util.h"
#include "tests/lyrics/lyrics_test_util.h"
#include "tests/lyrics/native_file_builder.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

SaveFields Fields(std::u16string title = u"", std::u16string artist = u"", std::u16string album = u"",
                  bool simple = false) {
    return SaveFields{std::move(title), std::move(artist), std::move(album), simple};
}

// The native file the writer makes of the document (text chunks only, size
// field patched), written through a real file.
std::vector<uint8_t> NativeBytes(SyncDocument& doc, const SaveFields& fields, SaveStatus* status = nullptr) {
    ScopedTempDir dir;
    const std::u16string path = dir.Path(u"out.mr");
    std::vector<uint8_t> bytes;
    {
        BufferedFile file;
        EXPECT_TRUE(file.OpenWrite(path, fs::kWrite, fs::kShareNone, fs::Disposition::CreateAlways));
        SaveStatus s = WriteNativeText(doc, fields, file);
        if (s == SaveStatus::kSaved) s = PatchNativeSize(file);
        if (status) *status = s;
    }
    return ReadFileBytes(path);
}

std::string Lrc(SyncDocument& doc, bool lines, const SaveFields& fields = {}, int encoding = kEncodingUtf8,
                SaveStatus* status = nullptr, LrcWriteReport* report = nullptr) {
    std::vector<uint8_t> bytes;
    const SaveStatus s = BuildLrc(doc, fields, lines, encoding, &bytes, report);
    if (status) *status = s;
    return std::string(bytes.begin(), bytes.end());
}

const std::string kBom = "\xEF\xBB\xBF";

// ---------------------------------------------------------------------------
// Native writer.

TEST(editor_native_writer, identical_lines_share_one_text_and_contiguous_times_share_a_value) {
    SyncDocument doc;
    Load(doc, u"Hello |world\rHello |world\rBye", {{100, 200}, {200, 300}, {400, 500}, {500, 600}, {700, 800}});
    const std::vector<uint8_t> want = MrFile()
                                          .Info("Title", "Artist", "Album")
                                          .Texts({"Hello world", "Bye"})
                                          .Sync({LineEntry(0), 6, LineEntry(0), 6, LineEntry(1)})
                                          .Times({{1000, 2000}, {2000, 3000}, {4000, 5000}, {5000, 6000}, {7000, 8000}})
                                          .Bytes();
    EXPECT_EQ(NativeBytes(doc, Fields(u"Title", u"Artist", u"Album")), want);
}

TEST(editor_native_writer, gaps_take_a_start_value_and_the_simple_flag_goes_into_the_sync_chunk) {
    SyncDocument doc;
    Load(doc, u"ab|cd", {{100, 200}, {250, 300}});
    const std::vector<uint8_t> bytes = NativeBytes(doc, Fields(u"", u"", u"", true));
    EXPECT_EQ(bytes, MrFile()
                         .Info("", "", "")
                         .Texts({"abcd"})
                         .Sync({LineEntry(0), 2}, true)
                         .TimeValues({1000, 2000, 2500, 3000})
                         .Bytes());
}

TEST(editor_native_writer, an_empty_document_has_the_information_chunk_only) {
    SyncDocument doc;
    const std::vector<uint8_t> bytes = NativeBytes(doc, Fields(u"Ünïcödé"));
    EXPECT_EQ(bytes, MrFile().Info("\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9", "", "").Bytes());
    EXPECT_EQ(ChunkTags(bytes), (std::vector<std::string>{"INFO"}));
}

TEST(editor_native_writer, a_final_line_break_gives_an_empty_last_text_and_untimed_segments_stay_untimed) {
    SyncDocument doc;
    Load(doc, u"a|b\rc", {{10, 20}});
    ASSERT_TRUE(doc.InsertText(doc.CellCount(), u"\r", 1));
    EXPECT_EQ(NativeBytes(doc, Fields()), MrFile()
                                              .Info("", "", "")
                                              .Texts({"ab", "c", ""})
                                              .Sync({LineEntry(0), 1, LineEntry(1), LineEntry(2)})
                                              .Times({{100, 200}})
                                              .Bytes());
}

TEST(editor_native_writer, what_it_writes_reads_back_as_the_document_it_came_from) {
    LyricsDocument source;
    MakeLyrics(source, u"Lan|terns on |the quay\rSwing|ing slow\rLan|terns on |the quay\r\rend",
               {{1000, 1400}, {1400, 1800}, {2000, 3200}, {3500, 4000}, {4100, 4300},
                {5000, 5400}, {5400, 5800}, {5800, 6000}, {7000, 7500}, {8000, 9000}});
    SyncDocument doc;
    ASSERT_TRUE(doc.LoadText(source));
    ASSERT_TRUE(doc.LoadTimes(source));
    ScopedTempDir dir;
    const std::u16string path = dir.Path(u"round.mr");
    ASSERT_TRUE(WriteFileBytes(path, NativeBytes(doc, Fields(u"T", u"", u"Al"))));
    LyricsDocument back;
    ASSERT_TRUE(LoadLyricsFile(back, path, kLyricsKindNative, 1));
    EXPECT_EQ(DescribeLines(back), DescribeLines(source));
    EXPECT_EQ(DescribeInfo(back), "T||Al");
    EXPECT_EQ(back.GetTextCount(), 4u);  // the repeated line is stored once
}

TEST(editor_native_writer, times_beyond_what_the_file_holds_are_refused) {
    SyncDocument doc;
    Load(doc, u"a|b", {{0, 10}, {10, 20}});
    ASSERT_TRUE(doc.BeginMoveFollowing(5));
    // Grabbed 5 ticks into the first entry: the last end lands at t + 15.
    ASSERT_TRUE(doc.DragMoveFollowing(static_cast<int32_t>(kMaxNativeTicks) - 10));
    SaveStatus status;
    NativeBytes(doc, Fields(), &status);
    EXPECT_EQ(status, SaveStatus::kTimeOutOfRange);
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.BeginMoveFollowing(5));
    ASSERT_TRUE(doc.DragMoveFollowing(static_cast<int32_t>(kMaxNativeTicks) - 15));  // the last end at the limit
    const std::vector<uint8_t> bytes = NativeBytes(doc, Fields(), &status);
    EXPECT_EQ(status, SaveStatus::kSaved);
    EXPECT_EQ(ChunkData(bytes, "TSP0").substr(12, 4), std::string("\x7F\xFF\xFF\xF8", 4));
}

TEST(editor_native_writer, line_feeds_and_nuls_in_the_text_do_not_break_the_file) {
    SyncDocument doc;
    Load(doc, u"ab\rcd", {{10, 20}, {30, 40}});
    ASSERT_TRUE(doc.InsertText(1, u"\n\0", 2));
    const std::vector<uint8_t> bytes = NativeBytes(doc, Fields(u"x\ry"));
    ScopedTempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.Path(u"f.mr"), bytes));
    LyricsDocument back;
    ASSERT_TRUE(LoadLyricsFile(back, dir.Path(u"f.mr"), kLyricsKindNative, 1));
    EXPECT_EQ(DescribeLines(back), (std::vector<std::string>{"a\xEF\xBF\xBD\xEF\xBF\xBD" "b || 100-200",
                                                             "cd || 300-400"}));
    EXPECT_EQ(DescribeInfo(back), "x\xEF\xBF\xBDy||");
}

// ---------------------------------------------------------------------------
// LRC writer.

TEST(editor_lrc_writer, contiguous_word_segments_share_their_stamp_and_a_gap_shows_both) {
    SyncDocument doc;
    Load(doc, u"Hello |world", {{100, 200}, {200, 300}});
    EXPECT_EQ(Lrc(doc, false), kBom + "[00:01.00]Hello <00:02.00>world<00:03.00>");
    SyncDocument gapped;
    Load(gapped, u"Hello |world", {{100, 200}, {250, 300}});
    EXPECT_EQ(Lrc(gapped, false), kBom + "[00:01.00]Hello <00:02.00><00:02.50>world<00:03.00>");
    EXPECT_EQ(Lrc(gapped, true), kBom + "[00:01.00]Hello world");
}

TEST(editor_lrc_writer, tags_of_non_empty_fields_then_lines_joined_by_cr_lf) {
    SyncDocument doc;
    Load(doc, u"one\r\rtwo |more", {{100, 150}, {160, 170}, {200, 210}, {220, 230}});
    EXPECT_EQ(Lrc(doc, true, Fields(u"Song", u"", u"Record")),
              kBom + "[ti:Song]\r\n[al:Record]\r\n[00:01.00]one\r\n[00:01.60]\r\n[00:02.00]two more");
    EXPECT_EQ(Lrc(doc, false, Fields(u"", u"Me")),
              kBom + "[ar:Me]\r\n[00:01.00]one<00:01.50>\r\n[00:01.60]<00:01.70>\r\n"
                     "[00:02.00]two <00:02.10><00:02.20>more<00:02.30>");
}

TEST(editor_lrc_writer, only_timed_segments_are_written) {
    SyncDocument doc;
    Load(doc, u"Hello |world\rnext line", {{100, 200}});
    EXPECT_EQ(Lrc(doc, false), kBom + "[00:01.00]Hello <00:02.00>");
    EXPECT_EQ(Lrc(doc, true), kBom + "[00:01.00]Hello ");
}

TEST(editor_lrc_writer, minutes_are_whole_and_two_digits_up_to_99) {
    SyncDocument doc;
    Load(doc, u"a\rb\rc", {{372500, 372600}, {599990, 599999}, {600000, 600100}});
    SaveStatus status;
    // 62:05 stays 62:05 (not 02:05); 99:59.99 is the last time LRC can hold.
    const std::string words = Lrc(doc, false, {}, kEncodingUtf8, &status);
    EXPECT_EQ(status, SaveStatus::kTimeOutOfRange);
    EXPECT_EQ(words, "");
    SyncDocument fits;
    Load(fits, u"a\rb", {{372500, 372600}, {599990, 599999}});
    EXPECT_EQ(Lrc(fits, false), kBom + "[62:05.00]a<62:06.00>\r\n[99:59.90]b<99:59.99>");

    // With line stamps only the end is not written, so it may pass the limit.
    SyncDocument lastEnds;
    Load(lastEnds, u"a", {{599990, 600100}});
    EXPECT_EQ(Lrc(lastEnds, true, {}, kEncodingUtf8, &status), kBom + "[99:59.90]a");
    EXPECT_EQ(status, SaveStatus::kSaved);
    Lrc(lastEnds, false, {}, kEncodingUtf8, &status);
    EXPECT_EQ(status, SaveStatus::kTimeOutOfRange);
}

TEST(editor_lrc_writer, each_encoding_has_its_mark_and_byte_order) {
    SyncDocument doc;
    Load(doc, u"\u00E9t\u00E9", {{100, 200}});
    EXPECT_EQ(Lrc(doc, true, {}, kEncodingUtf16LE), std::string("\xFF\xFE[\0", 4) +
                                                        std::string("0\0000\0:\0000\0001\0.\0000\0000\0]\0", 18) +
                                                        std::string("\xE9\0t\0\xE9\0", 6));
    EXPECT_EQ(Lrc(doc, true, {}, kEncodingUtf16BE), std::string("\xFE\xFF\0[", 4) +
                                                        std::string("\0000\0000\0:\0000\0001\0.\0000\0000\0]", 18) +
                                                        std::string("\0\xE9\0t\0\xE9", 6));
    EXPECT_EQ(Lrc(doc, true, {}, kEncodingUtf8), kBom + "[00:01.00]\xC3\xA9t\xC3\xA9");
    LrcWriteReport report;
    EXPECT_EQ(Lrc(doc, true, {}, kEncodingAnsi, nullptr, &report), "[00:01.00]\xE9t\xE9");
    EXPECT_FALSE(report.defaultCharUsed);
    EXPECT_EQ(Lrc(doc, true, {}, 0), "[00:01.00]\xE9t\xE9");  // any other code: ANSI
}

TEST(editor_lrc_writer, an_ansi_save_writes_the_default_character_for_what_the_code_page_lacks) {
    SyncDocument doc;
    Load(doc, u"\u0100 and \u4E2D", {{100, 200}});
    LrcWriteReport report;
    EXPECT_EQ(Lrc(doc, true, {}, kEncodingAnsi, nullptr, &report), "[00:01.00]? and ?");
    EXPECT_TRUE(report.defaultCharUsed);
}

// The editor's open flow for LRC bytes, then the writer: a file the writer
// made comes back byte for byte.
std::string OpenAndWrite(const std::string& bytes, bool lines, int encoding) {
    ScopedTempDir dir;
    const std::u16string path = dir.Path(u"in.lrc");
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    SyncDocument doc;
    LyricsDocument lyrics;
    OpenReport report;
    EXPECT_EQ(OpenLyricsFile(doc, lyrics, path, kLyricsKindLrc, nullptr, &report), OpenStatus::kOpened);
    EXPECT_EQ(report.encoding, encoding);
    return Lrc(doc, lines, report.fields, encoding);
}

TEST(editor_lrc_writer, word_stamped_files_go_round_the_reader_and_back_unchanged) {
    const std::string body =
        "[ti:Lanterns]\r\n[ar:Demo]\r\n[00:01.00]Lan<00:01.40>terns <00:01.80>on <00:02.10>the "
        "<00:02.40><00:02.60>quay<00:03.20>\r\n[00:03.50]Swing<00:04.00>ing <00:04.30>slow<00:06.30>\r\n"
        "[00:07.00]empty<00:07.20>\r\n[61:00.00]late<61:00.50>";
    EXPECT_EQ(OpenAndWrite(kBom + body, false, kEncodingUtf8), kBom + body);
    EXPECT_EQ(OpenAndWrite(body, false, kEncodingAnsi), body);
    const std::string le = Utf16Bytes(body, false);
    EXPECT_EQ(OpenAndWrite(le, false, kEncodingUtf16LE), le);
    const std::string be = Utf16Bytes(body, true);
    EXPECT_EQ(OpenAndWrite(be, false, kEncodingUtf16BE), be);
}

TEST(editor_lrc_writer, line_stamped_files_keep_their_line_starts) {
    // The editor lengthens line-only times when it reads them; the line
    // stamps, which are all the file holds, come back unchanged.
    const std::string body = "[00:01.00]A\r\n[00:05.00]B\r\n[00:05.20]C";
    EXPECT_EQ(OpenAndWrite(kBom + body, true, kEncodingUtf8), kBom + body);
}

}  // namespace
}  // namespace mr::test
