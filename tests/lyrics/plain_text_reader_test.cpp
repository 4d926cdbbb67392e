#include "lyrics/plain_text_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/lyrics/lyrics_test_util.h"

namespace mr {
namespace {

using Lines = std::vector<std::string>;

Lines Read(std::string_view text, uint32_t* texts = nullptr) {
    LyricsDocument doc;
    EXPECT_TRUE(test::ReadPlainText(doc, text));
    EXPECT_EQ(doc.GetSyncTimeCount(), 0u);
    if (texts) *texts = doc.GetTextCount();
    return test::DescribeLines(doc);
}

TEST(lyrics_text, identical_lines_share_a_text_and_the_last_line_may_be_empty) {
    uint32_t texts = 0;
    EXPECT_EQ(Read("A\r\nA\r\n", &texts), (Lines{"A ||", "A ||", " ||"}));
    EXPECT_EQ(texts, 2u);
}

TEST(lyrics_text, only_cr_lf_ends_a_line_and_other_breaks_are_removed) {
    EXPECT_EQ(Read("one\ntwo\nthree\n"), (Lines{"onetwothree ||"}));
    EXPECT_EQ(Read(std::string("a\rb\0c\r\n\r\nd\n\r", 13)), (Lines{"abc ||", " ||", "d ||"}));
    EXPECT_EQ(Read("\r\n\r\n"), (Lines{" ||", " ||", " ||"}));
}

TEST(lyrics_text, an_empty_file_adds_nothing_and_a_mark_alone_neither) {
    EXPECT_EQ(Read(""), (Lines{}));
    EXPECT_EQ(Read("\xEF\xBB\xBF"), (Lines{}));
    EXPECT_EQ(Read(test::Utf16Bytes("", true)), (Lines{}));
}

TEST(lyrics_text, every_encoding_gives_the_same_lines) {
    const std::string text = "Gr\xC3\xBC\xC3\x9F" "e\r\n\xE6\xAD\x8C";
    const Lines expected{"Gr\xC3\xBC\xC3\x9F" "e ||", "\xE6\xAD\x8C ||"};
    EXPECT_EQ(Read("\xEF\xBB\xBF" + text), expected);
    EXPECT_EQ(Read(test::Utf16Bytes(text, false)), expected);
    EXPECT_EQ(Read(test::Utf16Bytes(text, true)), expected);
    EXPECT_EQ(Read("Gr\xFC\xDF" "e"), (Lines{"Gr\xC3\xBC\xC3\x9F" "e ||"}));  // Windows-1252
}

}  // namespace
}  // namespace mr
