// Lyrics files in the shapes people publish them (tests/lyrics/data/encodings):
// UTF-8 without a mark in several scripts, a legacy code-page file, plain
// ASCII, a UTF-8 file broken at its end. Each is read as the plug-ins and the
// editor read it, and opened and saved again as the editor does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "editor/files/open_flow.h"
#include "editor/files/save_flow.h"
#include "lyrics/load_lyrics_file.h"
#include "lyrics/text_decode.h"
#include "tests/lyrics/lyrics_test_util.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

using Lines = std::vector<std::string>;

std::u16string CorpusFile(const char* name) {
    return test::SourcePath(std::string("tests/lyrics/data/encodings/") + name);
}

std::string Info(const LyricsDocument& doc, int field) {
    const char16_t* v = doc.GetInfo(field);
    return v ? Utf16ToUtf8(v) : std::string("<null>");
}

struct CorpusCase {
    const char* file;
    int kind;
    int encoding;  // as reported by LoadLyricsFile (0 for plain text)
    const char* title;
    const char* artist;
    Lines lines;  // read as the plug-ins read (editorMode 0)
};

const std::vector<CorpusCase>& Corpus() {
    static const std::vector<CorpusCase> cases = {
        {"latin_utf8_no_mark.lrc", kLyricsKindLrc, kEncodingUtf8, "Perch\xC3\xA9 la sera", "Gruppo Citt\xC3\xA0",
         {"Ch\xC3\xA9 la stimo pi\xC3\xB9 di ogni cosa || 1500-1501",
          "e la citt\xC3\xA0 \xC3\xA8 gi\xC3\xA0 lontana || 5250-5251", " || 9000-9001",
          "per\xC3\xB2 ritorna, s\xC3\xAC, ritorner\xC3\xA0 || 12750-12751"}},
        {"chinese_utf8_no_mark.lrc", kLyricsKindLrc, kEncodingUtf8, "\xE5\xA4\x9C\xE9\x87\x8C\xE7\x9A\x84\xE7\x81\xAF",
         "\xE5\xB0\x8F\xE6\xB2\xB3",
         {"\xE5\xA4\x9C\xE9\x87\x8C\xE7\x9A\x84\xE7\x81\xAF\xE8\xBF\x98\xE4\xBA\xAE\xE7\x9D\x80 || 2000-2001",
          " || 6400-6401",
          "\xE9\xA3\x8E\xE6\x8A\x8A\xE7\xAA\x97\xE8\xBD\xBB\xE8\xBD\xBB\xE6\x8E\xA8\xE5\xBC\x80 || 8100-8101",
          "\xE6\x88\x91\xE5\x9C\xA8\xE8\xBF\x99\xE9\x87\x8C\xE7\xAD\x89\xE4\xBD\xA0\xE5\x9B\x9E\xE6\x9D\xA5 || "
          "12000-12001"}},
        {"emoji_utf8_no_mark.lrc", kLyricsKindLrc, kEncodingUtf8, "Star \xF0\x9F\x8C\x9F Song", "<null>",
         {"Shine \xF0\x9F\x8C\x9F bright |6,9| 1000-1500 1500-2250 2250-3125",
          "\xF0\x9F\x8E\xB5 la \xF0\x9F\x8E\xB6 |6| 4010-4505 4505-5000"}},
        {"cp1252_accents.lrc", kLyricsKindLrc, kEncodingAnsi, "Chanson d'\xC3\xA9t\xC3\xA9", "M\xC3\xBCller & S\xC3\xB8n",
         {"O\xC3\xB9 est pass\xC3\xA9 l'\xC3\xA9t\xC3\xA9 ? || 3000-3001",
          "\xC3\x87" "a va, se\xC3\xB1or \xE2\x80\x93 tr\xC3\xA8s bien || 7500-7501"}},
        {"ascii_out_of_order.lrc", kLyricsKindLrc, kEncodingAnsi, "Plain Song", "<null>",
         {"first line || 2125-2126", "second line || 6010-6011", "third line || 10500-10501",
          "last line || 60000-60001"}},
        {"utf8_broken_at_end.lrc", kLyricsKindLrc, kEncodingAnsi, "Caf\xC3\x83\xC2\xA9", "<null>",
         {"na\xC3\x83\xC2\xAFve caf\xC3\x83\xC2\xA9 || 1000-1001", "end\xC3\xA2\xE2\x80\x9A || 2000-2001"}},
        {"plain_utf8_no_mark.txt", kLyricsKindText, 0, "<null>", "<null>",
         {"\xC3\x9C" "ber den Wolken ||", " ||", "\xE6\xAD\x8C\xE5\xA3\xB0 \xF0\x9F\x8C\x99 und Mond ||", " ||"}},
    };
    return cases;
}

TEST(lyrics_corpus, published_shapes_read_with_their_texts_times_and_encodings) {
    for (const CorpusCase& c : Corpus()) {
        SCOPED_TRACE(c.file);
        LyricsDocument doc;
        int encoding = -1;
        ASSERT_TRUE(LoadLyricsFile(doc, CorpusFile(c.file), c.kind, 0, &encoding));
        EXPECT_EQ(encoding, c.encoding);
        EXPECT_EQ(Info(doc, kInfoTitle), c.title);
        EXPECT_EQ(Info(doc, kInfoArtist), c.artist);
        EXPECT_EQ(test::DescribeLines(doc), c.lines);
    }
}

// The editor keeps the encoding a file was read in and saves in it: a file
// of UTF-8 without a mark comes back as UTF-8 (with the mark the writer
// always puts), every character kept; an ANSI file stays ANSI.
TEST(lyrics_corpus, the_editor_saves_in_the_encoding_it_read) {
    test::ScopedTempDir dir;
    for (const CorpusCase& c : Corpus()) {
        if (c.kind != kLyricsKindLrc) continue;
        SCOPED_TRACE(c.file);
        SyncDocument doc;
        LyricsDocument lyrics;
        OpenReport opened;
        ASSERT_EQ(OpenLyricsFile(doc, lyrics, CorpusFile(c.file), kLyricsKindLrc, nullptr, &opened),
                  OpenStatus::kOpened);
        EXPECT_EQ(opened.encoding, c.encoding);

        SaveOptions options;
        options.kind = kLyricsKindLrc;
        options.encoding = opened.encoding;
        options.fields = opened.fields;
        const std::u16string saved = dir.Path(u"saved.lrc");
        SaveReport report;
        ASSERT_EQ(SaveLyricsFile(doc, saved, options, &report), SaveStatus::kSaved);
        EXPECT_FALSE(report.lrc.defaultCharUsed);
        const std::vector<uint8_t> bytes = test::ReadFileBytes(saved);
        ASSERT_GE(bytes.size(), 3u);
        const bool mark = bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
        EXPECT_EQ(mark, c.encoding == kEncodingUtf8);

        LyricsDocument before, after;
        int encoding = -1;
        ASSERT_TRUE(LoadLyricsFile(before, CorpusFile(c.file), kLyricsKindLrc, 0));
        ASSERT_TRUE(LoadLyricsFile(after, saved, kLyricsKindLrc, 0, &encoding));
        EXPECT_EQ(encoding, c.encoding);
        EXPECT_EQ(Info(after, kInfoTitle), c.title);
        // Texts are kept; blank lines lose their sync points when the editor
        // drops the blanks, so only the texts are compared.
        ASSERT_EQ(after.GetTextCount() > 0, before.GetTextCount() > 0);
        std::vector<std::u16string> textsBefore, textsAfter;
        for (uint32_t i = 0; i < before.GetLineCount(); ++i)
            textsBefore.emplace_back(before.GetText(before.GetLines()[i].textIndex));
        for (uint32_t i = 0; i < after.GetLineCount(); ++i)
            textsAfter.emplace_back(after.GetText(after.GetLines()[i].textIndex));
        EXPECT_EQ(textsAfter, textsBefore);
    }
}

}  // namespace
}  // namespace mr
