#include "lyrics/lrc_tags.h"

#include <gtest/gtest.h>

#include <string>

namespace mr {
namespace {

LrcTag Tag(std::u16string_view s) {
    return ParseLrcTag(s.data(), static_cast<uint32_t>(s.size()));
}

int Kind(std::u16string_view s) { return Tag(s).kind; }

// The time of a stamp, or -1 when the text holds none.
int32_t TimeOf(std::u16string_view s) {
    const LrcTag t = Tag(s);
    return t.kind == kLrcTime ? t.timeMs : -1;
}

int32_t WordTimeOf(std::u16string_view s) {
    LrcWordStamp w;
    return ParseWordStamp(s.data(), static_cast<uint32_t>(s.size()), &w) ? w.timeMs : -1;
}

TEST(lyrics_lrc_tags, keys_are_two_letters_in_either_case) {
    EXPECT_EQ(Kind(u"[ti:Song]"), kLrcTitle);
    EXPECT_EQ(Kind(u"[Ti:Song]"), kLrcTitle);
    EXPECT_EQ(Kind(u"[tI:Song]"), kLrcTitle);
    EXPECT_EQ(Kind(u"[AR:x]"), kLrcArtist);
    EXPECT_EQ(Kind(u"[al:x]"), kLrcAlbum);
    EXPECT_EQ(Kind(u"[la:en]"), kLrcLanguage);
    EXPECT_EQ(Kind(u"[by:me]"), kLrcAuthor);
    EXPECT_EQ(Kind(u"[re:x]"), kLrcUnknown);
    EXPECT_EQ(Kind(u"[offset:+500]"), kLrcUnknown);
    EXPECT_EQ(Kind(u"[t:x]"), kLrcUnknown);
    EXPECT_EQ(Kind(u"[0a:x]"), kLrcUnknown);
    EXPECT_EQ(Kind(u"[:]"), kLrcEmpty);
    EXPECT_EQ(Kind(u"[:x]"), kLrcUnknown);
    EXPECT_EQ(Kind(u"no tag here"), kLrcNoTag);
    EXPECT_EQ(Kind(u"[no colon]"), kLrcNoTag);
    EXPECT_EQ(Kind(u""), kLrcNoTag);
}

TEST(lyrics_lrc_tags, the_tag_is_found_after_text_and_after_bracket_runs_without_colon) {
    const LrcTag t = Tag(u"ab [x] c]d[ti:T]e");
    EXPECT_EQ(t.kind, kLrcTitle);
    EXPECT_EQ(t.start, 10u);
    EXPECT_EQ(t.colon, 13u);
    EXPECT_EQ(t.end, 15u);
    // The nearest "[" before the "]" opens the tag.
    EXPECT_EQ(Tag(u"[a[ti:x]").start, 2u);
    // "[]" is too short to hold a colon; "[:]" is the shortest tag.
    EXPECT_EQ(Kind(u"[]"), kLrcNoTag);
}

TEST(lyrics_lrc_tags, time_stamps_take_three_forms_with_two_minute_digits) {
    EXPECT_EQ(TimeOf(u"[01:02]"), 62000);
    EXPECT_EQ(TimeOf(u"[01:02.34]"), 62340);
    EXPECT_EQ(TimeOf(u"[00:01.234]"), 1234);
    EXPECT_EQ(TimeOf(u"[99:99.999]"), 99 * 60000 + 99999);
    // Seconds are not range-checked.
    EXPECT_EQ(TimeOf(u"[00:75.00]"), 75000);
    EXPECT_EQ(TimeOf(u"text before [00:02.00] after"), 2000);
}

TEST(lyrics_lrc_tags, malformed_time_stamps_are_unrecognised_tags) {
    for (std::u16string_view s : {u"[00:05.5]", u"[1:05.00]", u"[00:05:50]", u"[100:05.00]", u"[00:05,50]",
                                  u"[00:5.50]", u"[00:05.]", u"[00:05.1234]", u"[00:0a.00]", u"[0 :05.00]"}) {
        EXPECT_EQ(Kind(s), kLrcUnknown) << std::string(s.begin(), s.end());
    }
}

TEST(lyrics_lrc_tags, word_stamps_need_a_fraction_and_skip_malformed_runs) {
    EXPECT_EQ(WordTimeOf(u"a <00:02.00>b"), 2000);
    EXPECT_EQ(WordTimeOf(u"<00:02.005>"), 2005);
    EXPECT_EQ(WordTimeOf(u"<00:02>"), -1);
    EXPECT_EQ(WordTimeOf(u"[00:02.00]"), -1);
    EXPECT_EQ(WordTimeOf(u"<b:c> or <00:2.00> then <00:03.10>"), 3100);
    LrcWordStamp w;
    const std::u16string_view s = u"x<y> <01:00.00>";
    ASSERT_TRUE(ParseWordStamp(s.data(), static_cast<uint32_t>(s.size()), &w));
    EXPECT_EQ(w.start, 5u);
    EXPECT_EQ(w.end, 14u);
    EXPECT_EQ(w.timeMs, 60000);
}

}  // namespace
}  // namespace mr
