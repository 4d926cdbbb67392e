#include "lyrics/text_decode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mr {
namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    int encoding;
    std::u16string units;  // after the leading U+FEFF
};

std::u16string Decode(const std::string& bytes, int* encoding) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    DecodedLyricsText text;
    *encoding = -1;
    EXPECT_TRUE(DecodeLyricsText(copy.data(), static_cast<uint32_t>(copy.size()), &text, encoding));
    if (text.Count() == 0) return u"<none>";
    EXPECT_EQ(text.Units()[0], u'\xFEFF');
    return std::u16string(text.Units() + 1, text.Count() - 1);
}

// Bytes without a mark: UTF-8 only when every byte is well-formed UTF-8 and
// at least one sequence is multi-byte; otherwise Windows-1252, the active
// code page of the tests' machines (native and Wine).
TEST(lyrics_decode, unmarked_bytes_are_utf8_only_when_well_formed_with_a_multi_byte_sequence) {
    const std::string pad31(31, 'a'), pad32(32, 'a'), pad64(64, 'b');
    const std::u16string u31(31, u'a'), u32(32, u'a'), u64(64, u'b');
    const DecodeCase cases[] = {
        {"ascii", "[00:01.00]la la", kEncodingAnsi, u"[00:01.00]la la"},
        {"two bytes", "caf\xC3\xA9", kEncodingUtf8, u"caf\u00E9"},
        {"three bytes", "\xE6\xAD\x8C", kEncodingUtf8, u"\u6B4C"},
        {"four bytes", "x\xF0\x9F\x8C\x9Fy", kEncodingUtf8, u"x\U0001F31Fy"},
        {"highest code point", "\xF4\x8F\xBF\xBF", kEncodingUtf8, u"\U0010FFFF"},
        {"a replacement character is text", "\xEF\xBF\xBD", kEncodingUtf8, u"\uFFFD"},
        {"after a block", pad32 + "\xC3\xA9", kEncodingUtf8, u32 + u"\u00E9"},
        {"across a block edge", pad31 + "\xC3\xA9" + pad32, kEncodingUtf8, u31 + u"\u00E9" + u32},
        {"emoji across a block edge", pad31 + "\xF0\x9F\x8E\xB5", kEncodingUtf8, u31 + u"\U0001F3B5"},
        {"Windows-1252 letters", "Ch\xE9 l\xE0", kEncodingAnsi, u"Ch\u00E9 l\u00E0"},
        {"Windows-1252 after blocks", pad64 + "\x80\x93", kEncodingAnsi, u64 + u"\u20AC\u201C"},
        {"overlong two bytes", "\xC0\xAF", kEncodingAnsi, u"\u00C0\u00AF"},
        {"overlong three bytes", "\xE0\x80\xAF", kEncodingAnsi, u"\u00E0\u20AC\u00AF"},
        {"overlong four bytes", "\xF0\x80\x80\xAF", kEncodingAnsi, u"\u00F0\u20AC\u20AC\u00AF"},
        {"surrogate", "\xED\xA0\x80", kEncodingAnsi, u"\u00ED\u00A0\u20AC"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", kEncodingAnsi, u"\u00F4\u0090\u20AC\u20AC"},
        {"F5 lead byte", "\xF5\x80\x80\x80", kEncodingAnsi, u"\u00F5\u20AC\u20AC\u20AC"},
        {"stray continuation", "a\x80z", kEncodingAnsi, u"a\u20ACz"},
        {"cut off at the end", "caf\xC3\xA9 \xE2\x82", kEncodingAnsi, u"caf\u00C3\u00A9 \u00E2\u201A"},
        {"broken after valid ones", pad32 + "\xC3\xA9" + pad32 + "\xE9", kEncodingAnsi,
         u32 + u"\u00C3\u00A9" + u32 + u"\u00E9"},
        {"two bytes of a mark", "\xEF\xBB", kEncodingAnsi, u"\u00EF\u00BB"},
        {"one byte FF", "\xFF", kEncodingAnsi, u"\u00FF"},
        {"FF not followed by FE", "\xFF" "A", kEncodingAnsi, u"\u00FF" u"A"},
        {"NUL bytes stay", std::string("a\0\xC3\xA9", 4), kEncodingUtf8, std::u16string(u"a\0\u00E9", 3)},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        int encoding = 0;
        EXPECT_EQ(Decode(c.bytes, &encoding), c.units);
        EXPECT_EQ(encoding, c.encoding);
    }
}

TEST(lyrics_decode, marks_decide_before_the_bytes_are_looked_at) {
    const DecodeCase cases[] = {
        // A marked UTF-8 file keeps the lenient conversion: bad bytes become U+FFFD.
        {"utf8 mark", "\xEF\xBB\xBF" "caf\xC3\xA9\xE9", kEncodingUtf8, u"caf\u00E9\uFFFD"},
        {"utf16le", std::string("\xFF\xFE" "A\0\xE9\0", 6), kEncodingUtf16LE, u"A\u00E9"},
        {"utf16be", std::string("\xFE\xFF\0A\x6B\x4C", 6), kEncodingUtf16BE, u"A\u6B4C"},
        {"empty", "", kEncodingAnsi, u"<none>"},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        int encoding = 0;
        EXPECT_EQ(Decode(c.bytes, &encoding), c.units);
        EXPECT_EQ(encoding, c.encoding);
    }
}

// A long file: the block path and the unit path alternate many times, and
// one bad byte at the very end turns the whole file back to the code page.
TEST(lyrics_decode, a_large_file_decodes_in_full_either_way) {
    std::string utf8;
    std::u16string expected;
    for (int i = 0; i < 20000; ++i) {
        utf8 += "[00:01.00]Perch\xC3\xA9 \xE5\xA4\x9C \xF0\x9F\x8C\x99 line\r\n";
        expected += u"[00:01.00]Perch\u00E9 \u591C \U0001F319 line\r\n";
    }
    int encoding = 0;
    EXPECT_TRUE(Decode(utf8, &encoding) == expected);
    EXPECT_EQ(encoding, kEncodingUtf8);
    const std::u16string ansi = Decode(utf8 + "\xC3", &encoding);
    EXPECT_EQ(encoding, kEncodingAnsi);
    ASSERT_EQ(ansi.size(), utf8.size() + 1);
    EXPECT_EQ(ansi.substr(0, 17), u"[00:01.00]Perch\u00C3\u00A9");
    EXPECT_EQ(ansi.back(), u'\u00C3');
}

}  // namespace
}  // namespace mr
