#include "lyrics/load_lyrics_file.h"

#include <gtest/gtest.h>

#include "lyrics/text_decode.h"
#include "tests/lyrics/lyrics_test_util.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

using test::ScopedTempDir;

TEST(lyrics_load, an_empty_file_loads_with_nothing_added_and_the_source_closed) {
    ScopedTempDir dir;
    const auto path = dir.Path(u"empty.lrc");
    ASSERT_TRUE(test::WriteFileBytes(path, ""));
    for (int kind : {kLyricsKindNative, kLyricsKindLrc, kLyricsKindText, kLyricsKindMidi}) {
        LyricsDocument doc;
        int encoding = -1;
        EXPECT_TRUE(LoadLyricsFile(doc, path, kind, 1, &encoding));
        EXPECT_EQ(encoding, 0);
        EXPECT_EQ(doc.GetLineCount(), 0u);
        EXPECT_EQ(doc.GetImageSource(), nullptr);
        EXPECT_FALSE(doc.SourceFile().IsOpen());
    }
}

TEST(lyrics_load, projects_and_templates_load_with_nothing_read) {
    ScopedTempDir dir;
    const auto path = dir.Path(u"song.mrp");
    ASSERT_TRUE(test::WriteFileBytes(path, "[00:01.00]not read\r\n"));
    for (int kind : {kLyricsKindProject, kLyricsKindTemplate}) {
        LyricsDocument doc;
        EXPECT_TRUE(LoadLyricsFile(doc, path, kind, 1));
        EXPECT_EQ(doc.GetTextCount(), 0u);
        EXPECT_FALSE(doc.SourceFile().IsOpen());
    }
}

TEST(lyrics_load, a_missing_file_fails) {
    ScopedTempDir dir;
    LyricsDocument doc;
    int encoding = -1;
    EXPECT_FALSE(LoadLyricsFile(doc, dir.Path(u"missing.lrc"), kLyricsKindLrc, 1, &encoding));
    EXPECT_EQ(encoding, 0);
}

TEST(lyrics_load, lrc_reports_its_encoding_and_plain_text_none) {
    ScopedTempDir dir;
    const auto lrc = dir.Path(u"a.lrc"), txt = dir.Path(u"a.txt");
    ASSERT_TRUE(test::WriteFileBytes(lrc, test::Utf16Bytes("[00:01.00]A\r\n[00:04.00]B", true)));
    ASSERT_TRUE(test::WriteFileBytes(txt, test::Utf16Bytes("A\r\nB", true)));
    LyricsDocument doc;
    int encoding = 0;
    ASSERT_TRUE(LoadLyricsFile(doc, lrc, kLyricsKindLrc, 1, &encoding));
    EXPECT_EQ(encoding, kEncodingUtf16BE);
    EXPECT_EQ(test::DescribeLines(doc), (std::vector<std::string>{"A || 1000-3750", "B || 4000-5000"}));
    EXPECT_FALSE(doc.SourceFile().IsOpen());
    EXPECT_EQ(doc.SourceFile().Capacity(), 0u);  // buffer released
    doc.ClearDocument();
    encoding = -1;
    ASSERT_TRUE(LoadLyricsFile(doc, txt, kLyricsKindText, 1, &encoding));
    EXPECT_EQ(encoding, 0);
    EXPECT_EQ(test::DescribeLines(doc), (std::vector<std::string>{"A ||", "B ||"}));
}

}  // namespace
}  // namespace mr
