#include "common/text.h"

#include <gtest/gtest.h>

namespace mr {
namespace {

TEST(text_utf8, round_trips_every_plane) {
    const std::u16string s = u"A\u00e9\u4e2d\U0001F3A4z";
    const std::string u8 = Utf16ToUtf8(s);
    EXPECT_EQ(u8, "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x8E\xA4z");
    EXPECT_EQ(Utf8ToUtf16(u8), s);
}

TEST(text_utf8, malformed_input_becomes_replacement_characters) {
    // Lone continuation, overlong, truncated sequence, encoded surrogate, > U+10FFFF.
    EXPECT_EQ(Utf8ToUtf16("a\x80z"), u"a\uFFFDz");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8z"), u"\uFFFDz");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
}

TEST(text_utf8, unpaired_surrogates_encode_as_replacement) {
    const char16_t lone[] = {0xD800, u'x', 0xDC00};
    EXPECT_EQ(Utf16ToUtf8(std::u16string_view(lone, 3)), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

TEST(text_utf8, counted_conversion_reports_size_and_refuses_short_buffers) {
    const std::string in = "h\xC3\xA9llo";
    EXPECT_EQ(Utf8ToUtf16(in.data(), in.size(), nullptr, 0), 5u);
    char16_t out[5];
    EXPECT_EQ(Utf8ToUtf16(in.data(), in.size(), out, 4), 0u);
    EXPECT_EQ(Utf8ToUtf16(in.data(), in.size(), out, 5), 5u);
    EXPECT_EQ(std::u16string(out, 5), u"h\u00e9llo");
}

TEST(text_utf8, long_ascii_runs_around_other_characters_convert_exactly) {
    // Runs longer than the converters' ASCII blocks, with the non-ASCII
    // character at every offset inside a block.
    for (size_t at = 0; at < 40; ++at) {
        const std::string in = std::string(at, 'a') + "\xC3\xA9" + std::string(70, 'b');
        const std::u16string expected = std::u16string(at, u'a') + u"\u00e9" + std::u16string(70, u'b');
        EXPECT_EQ(Utf8ToUtf16(in), expected) << at;
        std::u16string out(expected.size() - 1, u'\0');
        EXPECT_EQ(Utf8ToUtf16(in.data(), in.size(), out.data(), out.size()), 0u) << at;
        const std::string ansi = std::string(at, 'a') + "\xE9" + std::string(70, 'b');
        EXPECT_EQ(AnsiToUtf16(ansi), expected) << at;
    }
}

TEST(text_ansi, western_code_page_round_trip) {
    // The tests' machines use Windows-1252 as the active code page (Wine in
    // an English locale, and the native build by definition).
    EXPECT_EQ(AnsiToUtf16("caf\xE9 \x80\x92"), u"caf\u00e9 \u20ac\u2019");
    bool defaulted = true;
    EXPECT_EQ(Utf16ToAnsi(u"caf\u00e9 \u20ac", &defaulted), "caf\xE9 \x80");
    EXPECT_FALSE(defaulted);
    EXPECT_EQ(Utf16ToAnsi(u"\u4e2d!", &defaulted), "?!");
    EXPECT_TRUE(defaulted);
    // No look-alikes: A with macron is not written as A.
    EXPECT_EQ(Utf16ToAnsi(u"\u0100", &defaulted), "?");
    EXPECT_TRUE(defaulted);
}

}  // namespace
}  // namespace mr
