// The version 3 native file, byte by byte. Every case is read twice, whole
// and streamed chunk by chunk as a large file is, and both reads must agree.
#include "lyrics/native_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "lyrics/load_lyrics_file.h"
#include "tests/lyrics/lyrics_test_util.h"
#include "tests/lyrics/native_file_builder.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

using Lines = std::vector<std::string>;
using test::Joined;
using test::LineEntry;
using test::MrFile;

// What a read left in the document, compactly.
struct Read {
    bool ok = false;
    bool sourceOpen = false;
    Lines lines, texts, slides;
    std::string info;
    uint32_t slideShowDuration = 0, simple = 0, syncs = 0, times = 0;

    bool operator==(const Read&) const = default;
};

Read ReadOnce(const std::vector<uint8_t>& bytes, int editorMode, bool streamed) {
    LyricsDocument doc;
    Read r;
    r.ok = test::LoadNative(doc, bytes, editorMode, streamed, &r.sourceOpen);
    r.lines = test::DescribeLines(doc);
    for (uint32_t i = 0; i < doc.GetTextCount(); ++i) r.texts.push_back(Utf16ToUtf8(doc.GetText(i)));
    r.slides = test::DescribeSlides(doc);
    r.info = test::DescribeInfo(doc);
    r.slideShowDuration = doc.GetSlideShowDuration();
    r.simple = doc.GetSimple();
    r.syncs = doc.GetSyncCount();
    r.times = doc.GetSyncTimeCount();
    return r;
}

// Reads the file whole and streamed; both must give the same document.
Read ReadMr(const std::vector<uint8_t>& bytes, int editorMode = 1) {
    const Read whole = ReadOnce(bytes, editorMode, false);
    EXPECT_EQ(whole, ReadOnce(bytes, editorMode, true)) << "the streamed read differs from the whole one";
    EXPECT_TRUE(whole.ok);
    return whole;
}

TEST(lyrics_native, a_file_shaped_as_the_editor_writes_it_reads_completely) {
    MrFile f;
    f.Info("Night Ferry", "The Quay", "")
        .Texts({"Hello world", "la la"})
        .Sync({LineEntry(0), 6, LineEntry(1), LineEntry(1)})
        .Times({{1000, 2000}, {2000, 3000}, {3500, 4000}, {4000, 4500}});
    // Picture bytes follow the chunk header, the flags word and their record header.
    const uint32_t first = f.NextOffset() + 8 + 4 + 8;
    f.Pictures({{5000, "PNG-bytes"}, {2500, "JPEG"}});
    const Read r = ReadMr(f.Bytes());
    EXPECT_EQ(r.lines, (Lines{"Hello world |6| 1000-2000 2000-3000", "la la || 3500-4000", "la la || 4000-4500"}));
    EXPECT_EQ(r.info, "Night Ferry|The Quay|");  // an empty value is an empty string, not absent
    EXPECT_EQ(r.texts, (Lines{"Hello world", "la la"}));
    EXPECT_EQ(r.slides, (Lines{"5000@" + std::to_string(first) + "+9", "2500@" + std::to_string(first + 17) + "+4"}));
    EXPECT_EQ(r.slideShowDuration, 7500u);
    EXPECT_TRUE(r.sourceOpen);
}

TEST(lyrics_native, a_wrong_size_field_or_magic_reads_nothing_and_succeeds) {
    MrFile f;
    f.Info("T", "A", "B").Texts({"x"}).Sync({LineEntry(0)}).Times({{0, 10}});
    EXPECT_EQ(ReadMr(f.Bytes()).lines, Lines{"x || 0-10"});
    for (int64_t adjust : {-1, 1}) {
        const Read r = ReadMr(f.Bytes(adjust));
        EXPECT_EQ(r.lines, Lines{});
        EXPECT_EQ(r.info, "<null>|<null>|<null>");
    }
    for (auto [at, value] : {std::pair{0, 'm'}, {1, 'r'}, {2, '3'}, {3, '4'}}) {
        std::vector<uint8_t> b = f.Bytes();
        b[at] = static_cast<uint8_t>(value);
        EXPECT_EQ(ReadMr(b).texts, Lines{}) << at;
    }
    EXPECT_EQ(ReadMr({'M', 'R', 0, '3', 0, 0, 0, 0}).texts, Lines{});  // 8 bytes: nothing to read
}

TEST(lyrics_native, the_chunk_walk_skips_unknown_and_repeated_tags_and_stops_at_an_overrun) {
    MrFile f;
    f.Chunk("XTRA", "ignored").Texts({"first"}).Texts({"second"}).Sync({LineEntry(0)}).Sync({LineEntry(0), LineEntry(0)})
        .Times({{10, 20}}).Times({{30, 40}, {50, 60}}).Info("T", "A", "B").Info("t", "a", "b");
    const Read r = ReadMr(f.Bytes());
    EXPECT_EQ(r.lines, Lines{"first || 10-20"});
    EXPECT_EQ(r.texts, Lines{"first"});
    EXPECT_EQ(r.info, "T|A|B");
    // A chunk running past the end ends the walk; so does one whose data
    // would begin at the very end of the file.
    MrFile cut;
    cut.Texts({"one"}).Sync({LineEntry(0)}).Chunk("TSP0", std::string("\0\0\0\x05\0\0\0\x09", 8), 1);
    EXPECT_EQ(ReadMr(cut.Bytes()).lines, Lines{"one ||"});
    MrFile end;
    end.Texts({"one"}).Raw(std::string("SPT0\0\0\0\0", 8));
    EXPECT_EQ(ReadMr(end.Bytes()).syncs, 0u);
}

TEST(lyrics_native, sync_points_before_the_texts_are_lost_but_texts_and_times_are_read) {
    MrFile f;
    f.Sync({LineEntry(0), 2}).Texts({"abc"}).Times({{100, 200}, {200, 300}});
    const Read r = ReadMr(f.Bytes());
    EXPECT_EQ(r.texts, Lines{"abc"});
    EXPECT_EQ(r.syncs, 0u);
    EXPECT_EQ(r.times, 2u);  // consumers never index past either count
}

TEST(lyrics_native, info_and_texts_end_at_a_line_break_or_an_unterminated_string) {
    MrFile two, broken, extra;
    two.Chunk("INFO", std::string("Title\0Artist\0Albu", 17));
    broken.Chunk("INFO", std::string("Title\0Art\rist\0Album\0", 20));
    extra.Chunk("INFO", std::string("T\0A\0B\0more\0", 11));
    EXPECT_EQ(ReadMr(two.Bytes()).info, "Title|Artist|<null>");
    EXPECT_EQ(ReadMr(broken.Bytes()).info, "Title|<null>|<null>");
    EXPECT_EQ(ReadMr(extra.Bytes()).info, "T|A|B");
    EXPECT_EQ(ReadMr(extra.Bytes()).texts, Lines{});  // information is not a line text
    MrFile dup, cut, tail;
    dup.Texts({"same", "same", ""});
    cut.Chunk("TEXT", std::string("a\0b\nc\0d\0", 8));
    tail.Chunk("TEXT", std::string("a\0b", 3));
    EXPECT_EQ(ReadMr(dup.Bytes()).texts, (Lines{"same", "same", ""}));  // index for index, no sharing
    EXPECT_EQ(ReadMr(cut.Bytes()).texts, Lines{"a"});
    EXPECT_EQ(ReadMr(tail.Bytes()).texts, Lines{"a"});
}

TEST(lyrics_native, texts_decode_as_the_general_utf8_converter_does_for_any_bytes) {
    // Strings mixing ASCII runs, two-, three- and four-byte sequences, their
    // edge forms and malformed bytes, cut anywhere: the reader's one-pass
    // decoder must give exactly the units of Utf8ToUtf16.
    const std::vector<std::string> pieces = {
        "plain ascii text", "\t", "\xC3\xA9", "\xDF\xBF", "\xC2\x80", "\xC1\xBF", "\xE0\xA0\x80", "\xE0\x9F\xBF",
        "\xED\x9F\xBF", "\xED\xA0\x80", "\xEF\xBF\xBF", "\xE6\xAD\x8C", "\xF0\x9F\x8E\xA4", "\xF4\x90\x80\x80",
        "\x80", "\xBF\xBF", "\xFE", "\xFF", "\xE2\x99", "\xC3", "01234567", "\x7F"};
    uint64_t state = 12345;
    auto next = [&](uint32_t n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>((state >> 33) % n);
    };
    std::vector<std::string> strings;
    for (int i = 0; i < 400; ++i) {
        std::string t;
        for (uint32_t k = next(12); k > 0; --k) t += pieces[next(static_cast<uint32_t>(pieces.size()))];
        if (!t.empty() && next(4) == 0) t.resize(next(static_cast<uint32_t>(t.size())));  // cut inside a sequence
        strings.push_back(t);
    }
    MrFile f;
    f.Texts(strings);
    const Read r = ReadMr(f.Bytes());
    ASSERT_EQ(r.texts.size(), strings.size());
    for (size_t i = 0; i < strings.size(); ++i) EXPECT_EQ(r.texts[i], Utf16ToUtf8(Utf8ToUtf16(strings[i]))) << i;
}

TEST(lyrics_native, sync_entries_stop_at_the_first_inconsistency) {
    struct Case {
        std::vector<uint32_t> entries;
        Lines lines;
    };
    const std::vector<Case> cases = {
        {{1, LineEntry(0)}, {}},                                   // must start with a line
        {{LineEntry(2)}, {}},                                      // text index out of range
        {{LineEntry(0), 1, 3, 4, LineEntry(1)}, {"abcd |1,3|"}},   // an offset at the text's length
        {{LineEntry(0), 2, 2, 3}, {"abcd |2|"}},                   // offsets must grow
        {{LineEntry(0), 0}, {"abcd ||"}},                          // offset 0 is the marker's
        {{LineEntry(0), 3, LineEntry(1), 1, LineEntry(5)}, {"abcd |3|", "xy |1|"}},
        {{LineEntry(1), LineEntry(0), 1}, {"xy ||", "abcd |1|"}},  // file order, any text order
    };
    for (const Case& c : cases) {
        MrFile f;
        f.Texts({"abcd", "xy"}).Sync(c.entries);
        EXPECT_EQ(ReadMr(f.Bytes()).lines, c.lines) << c.entries.size();
    }
    // A size that is not a multiple of 4 reads nothing, not even the flag.
    MrFile odd;
    odd.Texts({"abcd"}).Chunk("SPT0", std::string("\0\0\0\x01\x80\0\0\0\0", 9));
    EXPECT_EQ(ReadMr(odd.Bytes()).simple, 0u);
    EXPECT_EQ(ReadMr(odd.Bytes()).syncs, 0u);
}

TEST(lyrics_native, a_simple_file_shows_whole_lines_in_the_players_and_keeps_its_words_in_the_editor) {
    MrFile f;
    f.Texts({"one two", "three"}).Sync({LineEntry(0), 4, LineEntry(1)}, true).Times({{100, 200}, {200, 300}, {400, 500}});
    EXPECT_EQ(ReadMr(f.Bytes(), 1).lines, (Lines{"one two |4| 100-200 200-300", "three || 400-500"}));
    const Read player = ReadMr(f.Bytes(), 0);
    EXPECT_EQ(player.simple, 1u);
    EXPECT_EQ(player.lines, (Lines{"one two || 100-101", "three || 400-401"}));
    MrFile words;  // without the flag the players keep the words
    words.Texts({"one two"}).Sync({LineEntry(0), 4}).Times({{100, 200}, {200, 300}});
    EXPECT_EQ(ReadMr(words.Bytes(), 0).lines, Lines{"one two |4| 100-200 200-300"});
}

TEST(lyrics_native, contiguous_and_gapped_times_and_where_they_stop) {
    MrFile f;
    f.Texts({"abc"}).Sync({LineEntry(0), 1, 2}).TimeValues({1000, Joined(2000), 3000, 3500, 4000});
    EXPECT_EQ(ReadMr(f.Bytes()).lines, Lines{"abc |1,2| 1000-2000 2000-3000 3500-4000"});
    struct Case {
        std::vector<uint32_t> values;
        uint32_t times;
    };
    const std::vector<Case> cases = {
        {{1000}, 0},                                  // a start alone times nothing
        {{Joined(1000), 2000}, 0},                    // the first value is a start
        {{1000, 1000}, 0},                            // an end must pass its start
        {{1000, 2000, 1999, 2500}, 1},                // a start before the previous end
        {{1000, 2000, Joined(2100), 2200}, 1},        // a start with bit 31
        {{1000, Joined(2000), Joined(2000)}, 1},      // an empty segment
        {{1000, 2000, 2000, Joined(2500), 3000}, 3},  // a start may equal the previous end
        {{0, 0x7FFFFFFF}, 1},                         // the largest time
    };
    for (const Case& c : cases) {
        MrFile t;
        t.TimeValues(c.values);
        EXPECT_EQ(ReadMr(t.Bytes()).times, c.times) << c.values.size() << " values";
    }
}

TEST(lyrics_native, pictures_of_size_0_are_skipped_and_a_bad_record_ends_the_list) {
    MrFile f;
    const uint32_t chunk = f.NextOffset();
    // Size 0: skipped; "abc": its bytes at chunk + 8 + 4 + 8 + 8; 50 bytes
    // that run past the chunk: the list ends. The walk goes on after it.
    f.Pictures({{900, ""}, {1000, "abc"}, {2000, std::string(5, 'x')}}).Texts({"after"});
    std::vector<uint8_t> b = f.Bytes();
    b[chunk + 8 + 4 + 8 + 8 + 3 + 7] = 50;  // the third record's size
    const Read r = ReadMr(b);
    EXPECT_EQ(r.slides, Lines{"1000@" + std::to_string(chunk + 28) + "+3"});
    EXPECT_EQ(r.texts, Lines{"after"});
    EXPECT_TRUE(r.sourceOpen);
    MrFile g;  // a duration with bit 31 set ends the list too
    g.Pictures({{100, "a"}, {0x80000000u, "b"}, {300, "c"}});
    EXPECT_EQ(ReadMr(g.Bytes()).slideShowDuration, 100u);
    MrFile tiny;  // a chunk too short for one record adds nothing
    tiny.Chunk("IMG0", std::string("\0\0\0\x01\0\0\0\0", 8));
    EXPECT_FALSE(ReadMr(tiny.Bytes()).sourceOpen);
}

TEST(lyrics_native, clearing_the_document_closes_the_source_of_its_pictures) {
    test::ScopedTempDir dir;
    const auto path = dir.Path(u"pictures.mr");
    MrFile f;
    f.Pictures({{100, "picture bytes"}});
    ASSERT_TRUE(test::WriteFileBytes(path, f.Bytes()));
    LyricsDocument doc;
    ASSERT_TRUE(LoadLyricsFile(doc, path, kLyricsKindNative, 1));
    BufferedFile* source = doc.GetImageSource();
    ASSERT_NE(source, nullptr);
    // The recorded offset finds the picture's bytes in the open source.
    const ImageData& data = doc.GetImageData()[doc.GetSlideImages()[0].reference];
    ASSERT_TRUE(source->Seek(data.offset, fs::Origin::Begin));
    const uint8_t* bytes = source->Read(data.size);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, bytes + data.size), "picture bytes");
    doc.ClearDocument();
    EXPECT_EQ(doc.GetImageSource(), nullptr);
}

}  // namespace
}  // namespace mr
