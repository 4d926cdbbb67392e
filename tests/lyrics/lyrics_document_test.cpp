#include "lyrics/lyrics_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mr {
namespace {

std::u16string Text(const LyricsDocument& doc, uint32_t index) {
    const char16_t* t = doc.GetText(index);
    return t ? std::u16string(t) : std::u16string(u"<null>");
}

uint32_t Add(LyricsDocument& doc, std::u16string_view text) {
    uint32_t index = 99999;
    EXPECT_TRUE(doc.AddText(text, &index));
    return index;
}

// A line with its marker and word sync points, each timed when `times` holds
// enough values (start of each segment; each ends at start + 100).
void AddTimedLine(LyricsDocument& doc, std::u16string_view text, std::initializer_list<uint32_t> offsets,
                  int32_t start) {
    const uint32_t t = Add(doc, text);
    const uint32_t first = doc.GetSyncCount();
    ASSERT_TRUE(doc.AddSyncPoint(LineStartMarker(doc.GetLineCount())));
    ASSERT_TRUE(doc.AddLine(t, first));
    ASSERT_TRUE(doc.AddSyncTime(start, start + 100));
    for (uint32_t o : offsets) {
        start += 100;
        ASSERT_TRUE(doc.AddSyncPoint(o));
        ASSERT_TRUE(doc.AddSyncTime(start, start + 100));
    }
}

TEST(lyrics_document, add_text_shares_the_first_identical_text) {
    LyricsDocument doc;
    EXPECT_EQ(Add(doc, u"la la"), 0u);
    EXPECT_EQ(Add(doc, u"la"), 1u);
    EXPECT_EQ(Add(doc, u""), 2u);
    EXPECT_EQ(Add(doc, u"la la"), 0u);
    EXPECT_EQ(Add(doc, u""), 2u);
    EXPECT_EQ(Add(doc, u"la la "), 3u);  // same prefix, other length
    EXPECT_EQ(doc.GetTextCount(), 4u);
    EXPECT_EQ(Text(doc, 3), u"la la ");
    EXPECT_EQ(doc.GetTextLength(3), 6u);
    // Only the stored texts take pool space: "la la", "la", "", "la la " with NULs.
    EXPECT_EQ(doc.GetPoolUnits(), 6u + 3u + 1u + 7u);
}

TEST(lyrics_document, append_text_never_shares_but_add_text_finds_the_first_appended_copy) {
    LyricsDocument doc;
    uint32_t a = 9, b = 9;
    ASSERT_TRUE(doc.AppendText(u"echo", &a));
    ASSERT_TRUE(doc.AppendText(u"echo", &b));
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 1u);
    EXPECT_EQ(Add(doc, u"echo"), 0u);
    ASSERT_TRUE(doc.AppendText(u"late"));
    EXPECT_EQ(Add(doc, u"late"), 2u);
    EXPECT_EQ(doc.GetTextCount(), 3u);
}

TEST(lyrics_document, sharing_survives_the_index_growing_past_many_texts) {
    LyricsDocument doc;
    for (uint32_t i = 0; i < 20000; ++i) {
        const std::u16string s = u"line " + std::u16string(1, char16_t(u'a' + i % 26)) +
                                 std::u16string(i / 26 % 50, u'x') + char16_t(0x4E00 + i / 1300);
        ASSERT_EQ(Add(doc, s), i) << i;
    }
    for (uint32_t i = 0; i < 20000; i += 997) {
        const std::u16string s = u"line " + std::u16string(1, char16_t(u'a' + i % 26)) +
                                 std::u16string(i / 26 % 50, u'x') + char16_t(0x4E00 + i / 1300);
        EXPECT_EQ(Add(doc, s), i);
    }
}

TEST(lyrics_document, info_fields_are_replaced_and_other_fields_store_nothing) {
    LyricsDocument doc;
    EXPECT_EQ(doc.GetInfo(kInfoTitle), nullptr);
    ASSERT_TRUE(doc.SetInfoText(kInfoTitle, u"First"));
    ASSERT_TRUE(doc.SetInfoText(kInfoTitle, u"Second"));
    ASSERT_TRUE(doc.SetInfoText(kInfoAlbum, u""));
    ASSERT_TRUE(doc.SetInfoText(4, u"ignored"));
    EXPECT_EQ(std::u16string(doc.GetInfo(kInfoTitle)), u"Second");
    EXPECT_EQ(doc.GetInfo(kInfoArtist), nullptr);
    EXPECT_EQ(std::u16string(doc.GetInfo(kInfoAlbum)), u"");
    EXPECT_EQ(doc.GetInfo(0), nullptr);
    EXPECT_EQ(doc.GetInfo(4), nullptr);
    EXPECT_EQ(doc.GetTextCount(), 0u);  // information values are not texts
}

TEST(lyrics_document, accessors_of_empty_tables_and_bad_indices_give_null) {
    LyricsDocument doc;
    EXPECT_EQ(doc.GetLines(), nullptr);
    EXPECT_EQ(doc.GetSyncPoints(), nullptr);
    EXPECT_EQ(doc.GetSyncTimes(), nullptr);
    EXPECT_EQ(doc.GetSlideImages(), nullptr);
    EXPECT_EQ(doc.GetImageSource(), nullptr);
    Add(doc, u"x");
    EXPECT_EQ(doc.GetText(1), nullptr);
    EXPECT_EQ(doc.GetText(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(doc.GetPoolText(2), nullptr);
}

TEST(lyrics_document, capacities_fail_the_addition_and_keep_what_was_added) {
    LyricsDocument doc;
    for (uint32_t i = 0; i < 131072; ++i) ASSERT_NE(doc.AddSyncTime(int32_t(i), int32_t(i) + 1), nullptr);
    EXPECT_EQ(doc.AddSyncTime(1, 2), nullptr);
    EXPECT_EQ(doc.GetSyncTimeCount(), 131072u);
    EXPECT_EQ(doc.GetSyncTimes()[131071].start, 131071);

    for (uint32_t i = 0; i < 262144; ++i) ASSERT_NE(doc.AddSyncPoint(i), nullptr);
    EXPECT_EQ(doc.AddSyncPoint(0), nullptr);
    for (uint32_t i = 0; i < 65536; ++i) ASSERT_NE(doc.AddSlideImage(0, i, 1, 0), nullptr);
    EXPECT_EQ(doc.AddSlideImage(0, 0, 1, 0), nullptr);
    EXPECT_EQ(doc.GetSlideImageCount(), 65536u);
    EXPECT_EQ(doc.GetSlideShowDuration(), 65536u);
}

TEST(lyrics_document, a_full_text_pool_fails_add_text_without_a_partial_entry) {
    LyricsDocument doc;
    // 5,767,168 units: five texts of a million units and their NULs fit.
    const std::u16string big(1000000, u'a');
    for (char16_t c : {u'a', u'b', u'c', u'd', u'e'}) {
        std::u16string s = big;
        s[0] = c;
        ASSERT_NE(Add(doc, s), 99999u);
    }
    const uint32_t used = doc.GetPoolUnits();
    uint32_t index = 7;
    EXPECT_FALSE(doc.AddText(std::u16string(1000000, u'z'), &index));
    EXPECT_FALSE(doc.AppendText(std::u16string(1000000, u'z')));
    EXPECT_FALSE(doc.SetInfoText(kInfoTitle, std::u16string(1000000, u'z')));
    EXPECT_EQ(index, 7u);
    EXPECT_EQ(doc.GetTextCount(), 5u);
    EXPECT_EQ(doc.GetPoolUnits(), used);
    // What still fits is still stored, up to the last unit.
    const uint32_t room = LyricsDocument::kTextPoolReserve / 2 - used;
    EXPECT_TRUE(doc.AppendText(std::u16string(room - 1, u'y')));
    EXPECT_FALSE(doc.AppendText(u""));
}

std::vector<SyncPoint> Syncs(const LyricsDocument& doc) {
    const SyncPoint* s = doc.GetSyncPoints();
    return s ? std::vector<SyncPoint>(s, s + doc.GetSyncCount()) : std::vector<SyncPoint>{};
}

std::vector<uint32_t> FirstSyncs(const LyricsDocument& doc) {
    std::vector<uint32_t> r;
    for (uint32_t i = 0; i < doc.GetLineCount(); ++i) r.push_back(doc.GetLines()[i].firstSync);
    return r;
}

TEST(lyrics_document, drop_blank_sync_points_removes_points_on_blanks_with_their_times) {
    LyricsDocument doc;
    AddTimedLine(doc, u"one two", {3, 4}, 1000);    // 3 is the space
    AddTimedLine(doc, u"a\tb c", {1, 2, 4}, 2000);  // 1 is the tab
    AddTimedLine(doc, u"end", {1}, 3000);
    doc.DropBlankSyncPoints();
    EXPECT_EQ(Syncs(doc), (std::vector<SyncPoint>{LineStartMarker(0), 4, LineStartMarker(1), 2, 4,
                                                  LineStartMarker(2), 1}));
    EXPECT_EQ(FirstSyncs(doc), (std::vector<uint32_t>{0, 2, 5}));
    ASSERT_EQ(doc.GetSyncTimeCount(), 7u);
    // The segment before a removed point keeps its own time: a gap opens.
    const SyncTime* t = doc.GetSyncTimes();
    EXPECT_EQ(t[0].end, 1100);
    EXPECT_EQ(t[1].start, 1200);
    EXPECT_EQ(t[3].start, 2200);
    EXPECT_EQ(t[6].start, 3100);
}

TEST(lyrics_document, drop_blank_sync_points_past_the_time_count_removes_no_time) {
    LyricsDocument doc;
    AddTimedLine(doc, u"ab cd", {2}, 1000);  // both timed; 2 is the space
    const uint32_t t = Add(doc, u"x y");
    ASSERT_TRUE(doc.AddSyncPoint(LineStartMarker(1)));
    ASSERT_TRUE(doc.AddLine(t, 2));
    ASSERT_TRUE(doc.AddSyncPoint(1));  // on the space, not yet timed
    doc.DropBlankSyncPoints();
    EXPECT_EQ(Syncs(doc), (std::vector<SyncPoint>{LineStartMarker(0), LineStartMarker(1)}));
    EXPECT_EQ(FirstSyncs(doc), (std::vector<uint32_t>{0, 1}));
    ASSERT_EQ(doc.GetSyncTimeCount(), 1u);
    EXPECT_EQ(doc.GetSyncTimes()[0].start, 1000);
}

TEST(lyrics_document, strip_word_sync_points_leaves_one_point_per_line) {
    LyricsDocument doc;
    AddTimedLine(doc, u"three timed segs", {6, 12}, 1000);
    AddTimedLine(doc, u"two", {1}, 5000);
    doc.StripWordSyncPoints();
    EXPECT_EQ(Syncs(doc), (std::vector<SyncPoint>{LineStartMarker(0), LineStartMarker(1)}));
    EXPECT_EQ(FirstSyncs(doc), (std::vector<uint32_t>{0, 1}));
    ASSERT_EQ(doc.GetSyncTimeCount(), 2u);
    EXPECT_EQ(doc.GetSyncTimes()[0].start, 1000);
    EXPECT_EQ(doc.GetSyncTimes()[0].end, 1001);
    EXPECT_EQ(doc.GetSyncTimes()[1].start, 5000);
    EXPECT_EQ(doc.GetSyncTimes()[1].end, 5001);
}

TEST(lyrics_document, clear_empties_every_table_and_the_document_fills_again) {
    LyricsDocument doc;
    AddTimedLine(doc, u"words", {2}, 0);
    ASSERT_TRUE(doc.SetInfoText(kInfoArtist, u"someone"));
    ASSERT_TRUE(doc.AddImageData(100, 20));
    ASSERT_TRUE(doc.AddSlideImage(0, 0, 4000, 0));
    doc.SetSimple(true);
    doc.ClearDocument();
    EXPECT_EQ(doc.GetTextCount(), 0u);
    EXPECT_EQ(doc.GetLineCount(), 0u);
    EXPECT_EQ(doc.GetSyncCount(), 0u);
    EXPECT_EQ(doc.GetSyncTimeCount(), 0u);
    EXPECT_EQ(doc.GetImageDataCount(), 0u);
    EXPECT_EQ(doc.GetSlideImageCount(), 0u);
    EXPECT_EQ(doc.GetSlideShowDuration(), 0u);
    EXPECT_EQ(doc.GetSimple(), 0u);
    EXPECT_EQ(doc.GetInfo(kInfoArtist), nullptr);
    EXPECT_EQ(doc.GetPoolUnits(), 0u);
    // The sharing index went with the texts.
    EXPECT_EQ(Add(doc, u"again"), 0u);
    EXPECT_EQ(Add(doc, u"words"), 1u);
}

TEST(lyrics_document, discard_lyrics_keeps_the_pictures) {
    LyricsDocument doc;
    AddTimedLine(doc, u"words", {2}, 0);
    ASSERT_TRUE(doc.SetInfoText(kInfoTitle, u"t"));
    ASSERT_TRUE(doc.AddImageData(100, 20));
    ASSERT_TRUE(doc.AddSlideImage(0, 0, 4000, 0));
    doc.DiscardLyrics();
    EXPECT_EQ(doc.GetTextCount(), 0u);
    EXPECT_EQ(doc.GetLineCount(), 0u);
    EXPECT_EQ(doc.GetSyncCount(), 0u);
    EXPECT_EQ(doc.GetSyncTimeCount(), 0u);
    EXPECT_EQ(doc.GetInfo(kInfoTitle), nullptr);
    EXPECT_EQ(doc.GetImageDataCount(), 1u);
    EXPECT_EQ(doc.GetSlideImageCount(), 1u);
    EXPECT_EQ(Add(doc, u"words"), 0u);
}

TEST(lyrics_document, an_external_slide_image_names_its_path_in_the_pool) {
    LyricsDocument doc;
    uint32_t at = 0;
    ASSERT_TRUE(doc.AddPoolText(u"C:\\pics\\a.jpg", &at));
    const SlideImage* s = doc.AddSlideImage(kSlideExternal, 0, 2500, at);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::u16string(doc.GetPoolText(s->reference)), u"C:\\pics\\a.jpg");
    ASSERT_TRUE(doc.AddSlideImage(0, 1, 0xFFFFFFF0u, 0));
    EXPECT_EQ(doc.GetSlideShowDuration(), 0xFFFFFFFFu);  // saturates
}

}  // namespace
}  // namespace mr
