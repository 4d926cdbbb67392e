#include <gtest/gtest.h>

#include "render/position_lookup.h"
#include "tests/render/render_test_util.h"

namespace mr {
namespace {

using test::BuildDocument;
using test::LineSpec;

constexpr int32_t M = 14;

struct Located {
    bool ok = false;
    LineLocation loc;
};

Located Locate(const SyncTables& tables, SyncCursor& cursor, int32_t t, int32_t n, bool scroll,
               const LookupRules& rules = kPlayerRules) {
    Located r;
    r.ok = cursor.LocateLine(tables, t, DisplayShape{n, scroll, M}, rules, &r.loc);
    return r;
}

// Five one-segment lines; line 3 ends at 10,000 and line 4 starts `gap` later.
std::vector<LineSpec> GapLines(int32_t gap) {
    return {{u"zero", {{0, 1000, 2000}}},
            {u"one", {{0, 3000, 5000}}},
            {u"two", {{0, 5000, 7000}}},
            {u"three", {{0, 7000, 10000}}},
            {u"four", {{0, 10000 + gap, 14000 + gap}}}};
}

TEST(render_lookup, gaps_between_lines_follow_the_display_kind) {
    struct Case {
        int32_t gap, n;
        bool scroll;
        int32_t t;
        uint32_t line;
        int32_t elapsed;
    } cases[] = {
        // Single line: a short gap is split in the middle.
        {800, 1, false, 10400, 3, 3000},
        {800, 1, false, 10401, 4, 0},
        // A long gap shows the next line 500 ms before it starts.
        {3000, 1, false, 12499, 3, 3000},
        {3000, 1, false, 12500, 4, 0},
        // Paged displays follow the same rules.
        {3000, 4, false, 12499, 3, 3000},
        {3000, 4, false, 12500, 4, 0},
        // A scrolling display keeps the previous line until the next starts.
        {3000, 4, true, 12999, 3, 3000},
        {3000, 4, true, 13000, 4, 0},
        {800, 4, true, 10799, 3, 3000},
        // Any scrolling display of more than one line keeps it, two lines too.
        {3000, 2, true, 12999, 3, 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "gap " << c.gap << " n " << c.n << " scroll " << c.scroll
                                        << " t " << c.t);
        LyricsDocument doc;
        BuildDocument(doc, GapLines(c.gap));
        DocumentLineTexts texts(doc);
        const SyncTables tables = TablesOf(doc, &texts);
        SyncCursor cursor;
        const Located r = Locate(tables, cursor, c.t, c.n, c.scroll);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.loc.line, c.line);
        EXPECT_EQ(r.loc.elapsed, c.elapsed);
        // The same answer when arriving from the other side of the gap.
        SyncCursor late;
        Locate(tables, late, 20000, c.n, c.scroll);
        EXPECT_EQ(Locate(tables, late, c.t, c.n, c.scroll).loc.line, c.line);
    }
}

TEST(render_lookup, walks_a_song_from_before_the_start_to_after_the_end_and_back) {
    LyricsDocument doc;
    BuildDocument(doc, {{u"hello world", {{0, 1000, 2000}, {6, 2000, 3000}}},
                        {u"again", {{0, 3000, 4000}}},
                        {u"same", {{0, 5000, 5005}, {2, 5005, 5010}}},
                        {u"last", {{0, 6000, 7000}}}});
    DocumentLineTexts texts(doc);
    const SyncTables tables = TablesOf(doc, &texts);
    SyncCursor cursor;

    // Before the first segment: line 0, nothing highlighted, no scroll.
    Located r = Locate(tables, cursor, 0, 6, true);
    EXPECT_EQ(r.loc.segment, 0);
    EXPECT_EQ(r.loc.line, 0u);
    EXPECT_EQ(r.loc.elapsed, 0);
    EXPECT_EQ(r.loc.scroll, 0);
    EXPECT_EQ(r.loc.lineStart, 1000);
    EXPECT_EQ(r.loc.lineEnd, 3000);
    EXPECT_EQ(r.loc.spanStart, 0u);
    EXPECT_EQ(r.loc.spanEnd, 6u);

    // Second word of line 0 at 2,500: span [6, 11), half elapsed, half scrolled.
    r = Locate(tables, cursor, 2500, 6, true);
    EXPECT_EQ(r.loc.segment, 1);
    EXPECT_EQ(r.loc.firstSegment, 0);
    EXPECT_EQ(r.loc.spanStart, 6u);
    EXPECT_EQ(r.loc.spanEnd, 11u);
    EXPECT_EQ(r.loc.duration, 1000);
    EXPECT_EQ(r.loc.elapsed, 500);
    EXPECT_EQ(r.loc.scroll, (2500 - 1000) * M / 2000);

    // A line with no usable length scrolls over 4,000 ms, cut at the next start.
    r = Locate(tables, cursor, 5007, 6, true);
    EXPECT_EQ(r.loc.line, 2u);
    EXPECT_EQ(r.loc.lineEnd, 6000);

    // After the last segment: the last one stays current, complete, scrolled.
    r = Locate(tables, cursor, 90000, 6, true);
    EXPECT_EQ(r.loc.segment, 5);
    EXPECT_EQ(r.loc.line, 3u);
    EXPECT_EQ(r.loc.elapsed, r.loc.duration);
    EXPECT_EQ(r.loc.scroll, M);

    // Seeking back to 0 brings the cursor to 0 in one frame.
    r = Locate(tables, cursor, 0, 6, true);
    EXPECT_EQ(cursor.Position(), 0);
    EXPECT_EQ(r.loc.line, 0u);
}

TEST(render_lookup, a_lone_short_line_at_the_end_scrolls_over_four_seconds) {
    LyricsDocument doc;
    BuildDocument(doc, {{u"a", {{0, 1000, 2000}}}, {u"b", {{0, 3000, 3005}}}});
    DocumentLineTexts texts(doc);
    SyncCursor cursor;
    const Located r = Locate(TablesOf(doc, &texts), cursor, 5000, 4, true);
    EXPECT_EQ(r.loc.lineEnd, 7000);
    EXPECT_EQ(r.loc.scroll, 2000 * M / 4000);
}

TEST(render_lookup, early_completion_only_before_a_line_change_on_the_last_row) {
    // Line 0's last segment ends at 2,000 and line 1 starts right then.
    LyricsDocument doc;
    BuildDocument(doc, {{u"ab cd", {{0, 1000, 1500}, {3, 1500, 2000}}},
                        {u"ef", {{0, 2000, 3000}}},
                        {u"gh", {{0, 3000, 4000}}},
                        {u"ij", {{0, 4000, 5000}}}});
    DocumentLineTexts texts(doc);
    const SyncTables tables = TablesOf(doc, &texts);
    struct Case {
        int32_t t, n;
        bool scroll;
        int32_t elapsed;
    } cases[] = {
        {1960, 1, false, 500},  // single line: complete 40 ms early
        {1959, 1, false, 459},
        {1960, 1, true, 500},
        {1960, 2, false, 460},  // line 0 is on row 0 of a two-line page
        {2960, 2, false, 1000}, // line 1 is the page's last row
        {2960, 4, true, 960},   // scrolling multi-line: never early
        {1470, 1, false, 470},  // not the line's last segment
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "t " << c.t << " n " << c.n << " scroll " << c.scroll);
        SyncCursor cursor;
        const Located r = Locate(tables, cursor, c.t, c.n, c.scroll);
        EXPECT_EQ(r.loc.elapsed, c.elapsed);
    }
}

TEST(render_lookup, preview_rules_in_ticks) {
    // Ticks: a gap under 100 is split, a longer one shows the next line 50 early.
    LyricsDocument doc;
    BuildDocument(doc, {{u"a", {{0, 100, 200}}}, {u"b", {{0, 280, 400}}}, {u"c", {{0, 700, 800}}}});
    DocumentLineTexts texts(doc);
    const SyncTables tables = TablesOf(doc, &texts);
    struct Case {
        int32_t t;
        uint32_t line;
    } cases[] = {{240, 0}, {241, 1}, {649, 1}, {650, 2}};
    for (const Case& c : cases) {
        SyncCursor cursor;
        EXPECT_EQ(Locate(tables, cursor, c.t, 1, false, kPreviewRules).loc.line, c.line) << c.t;
    }
    SyncCursor cursor;
    EXPECT_EQ(Locate(tables, cursor, 196, 1, false, kPreviewRules).loc.elapsed, 96);
}

TEST(render_lookup, display_time_never_negative_never_wraps) {
    EXPECT_EQ(DisplayTime(300, 500), 0);
    EXPECT_EQ(DisplayTime(1300, 500), 800);
    EXPECT_EQ(DisplayTime(1300, -500), 1800);
    EXPECT_EQ(DisplayTime(INT32_MIN, 5000), 0);
    EXPECT_EQ(DisplayTime(INT32_MAX, -5000), INT32_MAX);
}

TEST(render_lookup, nothing_to_locate_without_sync_points_or_times) {
    LyricsDocument empty;
    DocumentLineTexts texts(empty);
    SyncCursor cursor;
    EXPECT_FALSE(Locate(TablesOf(empty, &texts), cursor, 1000, 1, false).ok);

    LyricsDocument untimed;
    BuildDocument(untimed, {{u"no times", {{0, 0, 0}}}}, 0);
    DocumentLineTexts untimedTexts(untimed);
    EXPECT_EQ(untimed.GetSyncCount(), 1u);
    EXPECT_FALSE(Locate(TablesOf(untimed, &untimedTexts), cursor, 1000, 1, false).ok);
    EXPECT_EQ(cursor.Position(), 0);
}

TEST(render_lookup, fewer_times_than_sync_points_never_read_a_wrong_segment) {
    // Line 1 has a marker but no time: line 0 owns every usable segment.
    LyricsDocument doc;
    BuildDocument(doc, {{u"ab cd", {{0, 1000, 2000}, {3, 2000, 3000}}}, {u"ef", {{0, 4000, 5000}}}}, 2);
    DocumentLineTexts texts(doc);
    SyncCursor cursor;
    Located r = Locate(TablesOf(doc, &texts), cursor, 1500, 1, false);
    EXPECT_EQ(r.loc.line, 0u);
    EXPECT_EQ(r.loc.lineEnd, 3000);  // not line 0's first segment's end
    r = Locate(TablesOf(doc, &texts), cursor, 9000, 1, false);
    EXPECT_EQ(r.loc.segment, 1);
    EXPECT_EQ(r.loc.elapsed, 1000);

    // One time for two lines: the line's last segment is segment 0, not -1.
    LyricsDocument one;
    BuildDocument(one, {{u"ab", {{0, 1000, 2000}}}, {u"cd", {{0, 3000, 4000}}}}, 1);
    DocumentLineTexts oneTexts(one);
    SyncCursor c2;
    r = Locate(TablesOf(one, &oneTexts), c2, 1500, 4, true);
    EXPECT_EQ(r.loc.lineEnd, 2000);
    EXPECT_EQ(r.loc.scroll, 500 * M / 1000);
}

TEST(render_lookup, a_cursor_beyond_removed_times_is_brought_back) {
    LyricsDocument doc;
    BuildDocument(doc, test::EvenLines(8, 1000, 1000, 900));
    DocumentLineTexts texts(doc);
    SyncTables tables = TablesOf(doc, &texts);
    SyncCursor cursor;
    Locate(tables, cursor, 7500, 1, false);
    EXPECT_EQ(cursor.Position(), 6);
    // The editor removed entries: only three times remain.
    tables.timeCount = 3;
    const Located r = Locate(tables, cursor, 7500, 1, false);
    EXPECT_EQ(r.loc.segment, 2);
    EXPECT_EQ(r.loc.elapsed, r.loc.duration);
    // And a sync table shorter than the line table's markers claim.
    tables.syncCount = 2;
    EXPECT_EQ(Locate(tables, cursor, 500, 1, false).loc.segment, 0);
}

TEST(render_lookup, damaged_offsets_stay_inside_the_text) {
    LyricsDocument doc;
    BuildDocument(doc, {{u"abc", {{0, 1000, 2000}, {50, 2000, 3000}}}});
    DocumentLineTexts texts(doc);
    SyncCursor cursor;
    Located r = Locate(TablesOf(doc, &texts), cursor, 1500, 1, false);
    EXPECT_EQ(r.loc.spanStart, 0u);
    EXPECT_EQ(r.loc.spanEnd, 3u);
    r = Locate(TablesOf(doc, &texts), cursor, 2500, 1, false);
    EXPECT_EQ(r.loc.spanStart, 3u);
    EXPECT_EQ(r.loc.spanEnd, 3u);
}

}  // namespace
}  // namespace mr
