// The preview's two-line tables against the whole document: over every
// play position the position lookup must find the same line text, segment
// span and elapsed time in both, through short and long gaps, untimed
// segments, an empty line and a line longer than the first buffer.
#include "editor/timeline/preview_tables.h"

#include <gtest/gtest.h>

#include <string>

#include "editor/store/sync_document.h"
#include "tests/editor/editor_test_util.h"

namespace mr {
namespace {

struct Seen {
    std::u16string text;
    uint32_t c0, c1;
    int32_t elapsed, duration;
    bool operator==(const Seen&) const = default;
};

Seen Lookup(const SyncTables& tables, int32_t t) {
    SyncCursor cursor;
    LineLocation loc;
    if (!cursor.LocateLine(tables, t, DisplayShape{1, false, 40}, kPreviewRules, &loc)) return {u"-", 0, 0, 0, 0};
    std::u16string_view text = tables.texts->LineText(loc.line);
    return {std::u16string(text), loc.spanStart, loc.spanEnd, loc.elapsed, loc.duration};
}

TEST(preview_tables, lookup_matches_the_whole_document_at_every_position) {
    std::u16string longLine(600, u'x');
    longLine[300] = u'|';
    const std::u16string marked = u"ab|cd|ef\rgh|ij\r\rkl|mn|op\r" + longLine + u"\rqr|st";
    // Line 0 and 1 split by a 60-tick gap, line 1 to the empty line by 3,
    // a 400-tick gap before line 3; the last line is only partly timed.
    const test::Entries ticks = {{100, 150}, {150, 180}, {190, 230}, {290, 330},  {330, 360},   {363, 380},
                                 {780, 800}, {800, 840}, {850, 900}, {900, 1500}, {1500, 1520}, {1600, 1700}};
    SyncDocument doc;
    test::Load(doc, marked, ticks);
    LyricsDocument whole;
    test::MakeLyrics(whole, marked, ticks);  // times kept in ticks
    DocumentLineTexts texts(whole);
    const SyncTables all = TablesOf(whole, &texts);

    PreviewTables preview;
    int mismatches = 0;
    for (int32_t t = -5; t < 1800 && mismatches < 5; ++t) {
        LockGuard lock(doc.DocumentLock());
        const Seen a = Lookup(preview.Build(doc, t), t);
        const Seen b = Lookup(all, t);
        if (!(a == b)) {
            ++mismatches;
            ADD_FAILURE() << "t " << t << ": span " << a.c0 << "-" << a.c1 << " e " << a.elapsed << "/" << a.duration
                          << " text length " << a.text.size() << ", whole document " << b.c0 << "-" << b.c1 << " e "
                          << b.elapsed << "/" << b.duration << " text length " << b.text.size();
        }
    }
    EXPECT_EQ(mismatches, 0);

    // An entry removed between frames: the next build sees it gone (the
    // segment "cd" now waits for the entry that was the third).
    {
        LockGuard lock(doc.DocumentLock());
        EXPECT_EQ(Lookup(preview.Build(doc, 160), 160), (Seen{u"abcdef", 2, 4, 10, 30}));
        ASSERT_TRUE(doc.RemoveTiming(160));
        EXPECT_EQ(Lookup(preview.Build(doc, 160), 160), (Seen{u"abcdef", 2, 4, 0, 40}));
        EXPECT_EQ(preview.FirstLineSegment(), 0);
    }
}

TEST(preview_tables, nothing_without_text_or_entries) {
    SyncDocument doc;
    PreviewTables preview;
    EXPECT_EQ(preview.Build(doc, 0).syncCount, 0u);
    test::Load(doc, u"ab|cd");
    EXPECT_EQ(preview.Build(doc, 0).syncCount, 0u);
    EXPECT_EQ(preview.LineText(0), u"");
}

}  // namespace
}  // namespace mr
