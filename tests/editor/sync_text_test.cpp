#include "editor/store/sync_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/store/sync_document.h"
#include "lyrics/lyrics_document.h"
#include "tests/editor/editor_test_util.h"

namespace mr {
namespace {

using test::Load;
using test::Marked;

// --- Loading ---------------------------------------------------------------

TEST(sync_load, sync_points_flag_their_characters_in_order_and_a_point_out_of_order_blocks_the_rest) {
    LyricsDocument lyrics;
    uint32_t t0 = 0, t1 = 0;
    ASSERT_TRUE(lyrics.AddText(u"one two three", &t0));
    ASSERT_TRUE(lyrics.AddText(u"abcdef", &t1));
    lyrics.AddLine(t0, 0);
    lyrics.AddSyncPoint(LineStartMarker(0));
    lyrics.AddSyncPoint(4);
    lyrics.AddSyncPoint(8);
    lyrics.AddLine(t1, 3);
    lyrics.AddSyncPoint(LineStartMarker(1));
    lyrics.AddSyncPoint(3);
    lyrics.AddSyncPoint(2);  // out of order: blocks the rest of the line
    lyrics.AddSyncPoint(5);
    SyncDocument doc;
    ASSERT_TRUE(doc.LoadText(lyrics));
    EXPECT_EQ(Marked(doc), u"one |two |three\rabc|def");
    EXPECT_EQ(doc.SegmentCount(), 5);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.IsModified());
}

TEST(sync_load, an_empty_last_line_is_dropped_with_the_break_before_it) {
    LyricsDocument lyrics;
    test::MakeLyrics(lyrics, u"A\rA\r");
    SyncDocument doc;
    ASSERT_TRUE(doc.LoadText(lyrics));
    EXPECT_EQ(Marked(doc), u"A\rA");
    EXPECT_EQ(doc.SegmentCount(), 2);

    LyricsDocument inner;
    test::MakeLyrics(inner, u"A\r\rB");
    SyncDocument doc2;
    ASSERT_TRUE(doc2.LoadText(inner));
    EXPECT_EQ(Marked(doc2), u"A\r\rB");
}

TEST(sync_load, a_point_on_a_line_start_or_a_negative_one_flags_nothing) {
    LyricsDocument lyrics;
    uint32_t t = 0;
    ASSERT_TRUE(lyrics.AddText(u"abc", &t));
    lyrics.AddLine(t, 0);
    lyrics.AddSyncPoint(LineStartMarker(0));
    lyrics.AddSyncPoint(0);
    lyrics.AddSyncPoint(1);
    SyncDocument doc;
    ASSERT_TRUE(doc.LoadText(lyrics));
    EXPECT_EQ(Marked(doc), u"a|bc");
    EXPECT_EQ(doc.SegmentCount(), 2);
}

TEST(sync_load, times_become_ticks_toward_zero_and_never_overlap_or_shrink_below_four_ticks) {
    LyricsDocument lyrics;
    test::MakeLyrics(lyrics, u"a|b|c|d", {{1239, 1500}, {1400, 1410}, {2000, 2001}, {5000, 9999}});
    SyncDocument doc;
    ASSERT_TRUE(doc.LoadText(lyrics));
    ASSERT_TRUE(doc.LoadTimes(lyrics));
    EXPECT_EQ(test::Timings(doc), (test::Entries{{123, 150}, {150, 154}, {200, 204}, {500, 999}}));
    EXPECT_FALSE(doc.CanUndo());
}

TEST(sync_load, loading_more_ends_redo_so_no_record_can_pick_up_reused_cells) {
    SyncDocument doc;
    ASSERT_TRUE(doc.InsertText(0, u"abc", 3));
    ASSERT_TRUE(doc.Undo());
    LyricsDocument more;
    test::MakeLyrics(more, u"xyz");
    ASSERT_TRUE(doc.LoadText(more));
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_FALSE(doc.Redo());
    EXPECT_EQ(Marked(doc), u"xyz");
}

TEST(sync_load, clearing_returns_to_an_empty_unmodified_document) {
    SyncDocument doc;
    Load(doc, u"ab|c\rd", {{0, 10}, {10, 20}, {30, 40}});
    ASSERT_TRUE(doc.InsertText(0, u"x", 1));
    doc.ClearSyncDocument();
    EXPECT_EQ(doc.CellCount(), 0);
    EXPECT_EQ(doc.SegmentCount(), 0);
    EXPECT_EQ(doc.TimingCount(), 0);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.InsertText(0, u"new", 3));
    EXPECT_EQ(Marked(doc), u"new");
}

// --- Text mirroring --------------------------------------------------------

TEST(sync_text_edit, an_empty_text_has_no_segments_until_a_character_is_typed) {
    SyncDocument doc;
    EXPECT_EQ(doc.SegmentCount(), 0);
    EXPECT_EQ(doc.SegmentStart(0), 0);
    EXPECT_TRUE(doc.SegmentBeginsLine(0));
    ASSERT_TRUE(doc.TypeCharacter(0, u'a'));
    EXPECT_EQ(doc.SegmentCount(), 1);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.SegmentCount(), 0);
}

TEST(sync_text_edit, deleting_up_to_a_flagged_character_at_a_line_start_clears_its_flag_and_undo_restores_it) {
    SyncDocument doc;
    Load(doc, u"ab\rcd|ef");
    ASSERT_TRUE(doc.DeleteText(3, 2));  // "cd"
    EXPECT_EQ(Marked(doc), u"ab\ref");
    EXPECT_EQ(doc.SegmentCount(), 2);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"ab\rcd|ef");
    EXPECT_EQ(doc.SegmentCount(), 3);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Marked(doc), u"ab\ref");
    EXPECT_EQ(doc.SegmentCount(), 2);

    // At the start of the text as well (the start behaves like a break).
    SyncDocument first;
    Load(first, u"ab|cd");
    ASSERT_TRUE(first.DeleteText(0, 2));
    EXPECT_EQ(Marked(first), u"cd");
    EXPECT_EQ(first.SegmentCount(), 1);
}

TEST(sync_text_edit, inserting_a_line_break_before_a_flagged_character_clears_its_flag_and_undo_restores_it) {
    SyncDocument doc;
    Load(doc, u"ab|cd");
    ASSERT_TRUE(doc.InsertText(2, u"x\r", 2));
    EXPECT_EQ(Marked(doc), u"abx\rcd");
    EXPECT_EQ(doc.SegmentCount(), 2);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"ab|cd");
    EXPECT_EQ(doc.SegmentCount(), 2);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Marked(doc), u"abx\rcd");
}

TEST(sync_text_edit, deleting_a_line_break_before_a_flagged_word_keeps_the_flag) {
    SyncDocument doc;
    Load(doc, u"ab\rcd|ef");
    ASSERT_TRUE(doc.DeleteText(2, 1));
    EXPECT_EQ(Marked(doc), u"abcd|ef");
    EXPECT_EQ(doc.SegmentCount(), 2);
}

TEST(sync_text_edit, replacing_in_place_keeps_a_flag_that_new_text_still_precedes) {
    SyncDocument doc;
    Load(doc, u"ab\rcd|ef");
    // Selection "cd" retyped as "xy": the flag on e stays.
    ASSERT_TRUE(doc.ReplaceText(3, 2, u"xy", 3, 2));
    EXPECT_EQ(Marked(doc), u"ab\rxy|ef");
    // Retyped as a line break: the insertion's own check clears it.
    ASSERT_TRUE(doc.ReplaceText(3, 2, u"\r", 3, 1));
    EXPECT_EQ(Marked(doc), u"ab\r\ref");
    EXPECT_EQ(doc.SegmentCount(), 3);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"ab\rxy|ef");
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"ab\rcd|ef");
}

TEST(sync_text_edit, a_replacement_that_inserts_nothing_still_clears_a_flag_left_at_a_line_start) {
    SyncDocument doc;
    Load(doc, u"ab\rcd|ef");
    ASSERT_TRUE(doc.ReplaceText(3, 2, nullptr, 3, 0));
    EXPECT_EQ(Marked(doc), u"ab\ref");
    EXPECT_EQ(doc.SegmentCount(), 2);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"ab\rcd|ef");
    EXPECT_EQ(doc.SegmentCount(), 3);
}

TEST(sync_text_edit, bad_positions_and_counts_are_refused_without_a_record) {
    SyncDocument doc;
    Load(doc, u"abc");
    EXPECT_FALSE(doc.InsertText(4, u"x", 1));
    EXPECT_FALSE(doc.InsertText(-1, u"x", 1));
    EXPECT_FALSE(doc.InsertText(0, nullptr, 1));
    EXPECT_FALSE(doc.InsertText(0, u"x", -1));
    EXPECT_FALSE(doc.DeleteText(2, 2));
    EXPECT_FALSE(doc.DeleteText(0, -1));
    EXPECT_FALSE(doc.ReplaceText(0, 1, u"x", 3, 1));  // after deleting one, 3 is past the end
    EXPECT_FALSE(doc.TypeCharacter(9, u'x'));
    EXPECT_TRUE(doc.InsertText(1, u"", 0));  // nothing to do
    EXPECT_TRUE(doc.DeleteText(3, 0));
    EXPECT_EQ(Marked(doc), u"abc");
    EXPECT_FALSE(doc.CanUndo());
}

TEST(sync_text_edit, typing_at_one_place_makes_one_record_and_moving_the_caret_starts_another) {
    SyncDocument doc;
    Load(doc, u"xy");
    for (char16_t c : std::u16string(u"abc")) ASSERT_TRUE(doc.TypeCharacter(1 + (c - u'a'), c));
    EXPECT_EQ(Marked(doc), u"xabcy");
    ASSERT_TRUE(doc.TypeCharacter(0, u'1'));  // elsewhere: a second record
    ASSERT_TRUE(doc.TypeCharacter(1, u'2'));
    EXPECT_EQ(Marked(doc), u"12xabcy");
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"xabcy");
    ASSERT_TRUE(doc.Undo());  // the whole word goes in one step
    EXPECT_EQ(Marked(doc), u"xy");
    EXPECT_FALSE(doc.CanUndo());
}

TEST(sync_text_edit, typing_after_undoing_a_typing_record_starts_a_new_one) {
    SyncDocument doc;
    ASSERT_TRUE(doc.TypeCharacter(0, u'a'));
    ASSERT_TRUE(doc.TypeCharacter(1, u'b'));
    ASSERT_TRUE(doc.TypeCharacter(2, u'c'));
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Redo());
    // The redone record is no longer a typing run.
    ASSERT_TRUE(doc.TypeCharacter(3, u'd'));
    EXPECT_EQ(Marked(doc), u"abcd");
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"abc");
}

TEST(sync_text_edit, a_typed_line_break_is_an_ordinary_insertion_that_ends_the_run) {
    SyncDocument doc;
    Load(doc, u"ab|cd");
    ASSERT_TRUE(doc.TypeCharacter(2, u'x'));
    ASSERT_TRUE(doc.TypeCharacter(3, u'\r'));
    EXPECT_EQ(Marked(doc), u"abx\rcd");
    ASSERT_TRUE(doc.TypeCharacter(4, u'y'));  // after the break: a new run
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"abx|cd");
}

TEST(sync_text_edit, an_insertion_that_would_pass_the_capacity_fails_and_changes_nothing) {
    SyncDocument doc;
    std::u16string big(SyncText::kCapacity, u'a');
    ASSERT_TRUE(doc.InsertText(0, big.data(), SyncText::kCapacity));
    EXPECT_FALSE(doc.InsertText(5, u"b", 1));
    EXPECT_FALSE(doc.TypeCharacter(0, u'b'));
    EXPECT_EQ(doc.CellCount(), SyncText::kCapacity);
    EXPECT_EQ(doc.SegmentCount(), 1);
    ASSERT_TRUE(doc.Undo());
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_EQ(doc.CellCount(), 0);
}

TEST(sync_text_edit, cells_kept_for_undo_count_against_the_capacity_until_a_new_edit_frees_the_redo_ones) {
    SyncDocument doc;
    std::u16string big(SyncText::kCapacity, u'a');
    ASSERT_TRUE(doc.InsertText(0, big.data(), SyncText::kCapacity - 10));
    ASSERT_TRUE(doc.DeleteText(0, 5));  // five cells stay on the removed chain
    EXPECT_FALSE(doc.InsertText(0, u"bbbbbbbbbbb", 11));
    EXPECT_EQ(doc.CellCount(), SyncText::kCapacity - 15);
    ASSERT_TRUE(doc.InsertText(0, u"bbbbbbbbbb", 10));  // exactly full
    EXPECT_FALSE(doc.TypeCharacter(0, u'c'));
    EXPECT_EQ(doc.CellCount(), SyncText::kCapacity - 5);
    // Undo costs no cells; the undone insertion's cells wait for redo...
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.CellCount(), SyncText::kCapacity - 10);
    // ...until a new edit takes them.
    ASSERT_TRUE(doc.InsertText(0, u"cccccccccc", 10));
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.CellCount(), SyncText::kCapacity);
}

// --- Queries ---------------------------------------------------------------

TEST(sync_text_query, segments_start_after_breaks_and_at_flags_and_a_line_break_ends_its_segment) {
    SyncDocument doc;
    Load(doc, u"ab|cd\r\refg");
    ASSERT_TRUE(doc.InsertText(doc.CellCount(), u"\r", 1));  // "ab|cd\r\refg\r"
    ASSERT_EQ(doc.SegmentCount(), 5);
    const int32_t starts[] = {0, 2, 5, 6, 10};
    const int32_t ends[] = {2, 5, 6, 10, 10};
    const bool lineStarts[] = {true, false, true, true, true};
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(doc.SegmentStart(s), starts[s]) << s;
        EXPECT_EQ(doc.SegmentEnd(s), ends[s]) << s;
        EXPECT_EQ(doc.SegmentBeginsLine(s), lineStarts[s]) << s;
    }
    // Backwards and at random gives the same answers.
    for (int s = 4; s >= 0; --s) EXPECT_EQ(doc.SegmentEnd(s), ends[s]) << s;
    EXPECT_EQ(doc.SegmentStart(3), 6);
    EXPECT_EQ(doc.SegmentStart(0), 0);
    EXPECT_EQ(doc.SegmentStart(5), 10);  // past the end
    EXPECT_TRUE(doc.SegmentBeginsLine(9));
    const int32_t cellSegments[] = {0, 0, 1, 1, 1, 2, 3, 3, 3, 3, 4};
    for (int pos = 0; pos <= 10; ++pos) EXPECT_EQ(doc.SegmentOfCell(pos), cellSegments[pos]) << pos;
}

TEST(sync_text_query, the_line_of_a_segment_comes_with_the_segment_offsets_and_a_short_buffer_gives_minus_one) {
    SyncDocument doc;
    Load(doc, u"first\rsec|ond |line\rx");
    char16_t buf[32];
    int32_t s = -1, e = -1;
    EXPECT_EQ(doc.GetLineOfSegment(2, buf, 32, &s, &e), 11);
    EXPECT_EQ(std::u16string(buf), u"second line");
    EXPECT_EQ(s, 3);
    EXPECT_EQ(e, 7);
    EXPECT_EQ(doc.GetLineOfSegment(3, buf, 32, &s, &e), 11);
    EXPECT_EQ(s, 7);
    EXPECT_EQ(e, 11);  // the line break is not part of the line
    EXPECT_EQ(doc.GetLineOfSegment(3, buf, 5, &s, &e), -1);
    EXPECT_EQ(std::u16string(buf), u"seco");
    EXPECT_EQ(doc.GetLineOfSegment(4, buf, 2, &s, &e), 1);
    EXPECT_EQ(std::u16string(buf), u"x");
}

TEST(sync_text_query, get_text_copies_what_exists_and_terminates_it) {
    SyncDocument doc;
    Load(doc, u"ab|c\rd");
    char16_t buf[16];
    EXPECT_EQ(doc.GetText(1, 3, buf), 3);
    EXPECT_EQ(std::u16string(buf), u"bc\r");
    EXPECT_EQ(doc.GetText(4, 10, buf), 1);
    EXPECT_EQ(std::u16string(buf), u"d");
    EXPECT_EQ(doc.GetText(9, 2, buf), 0);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(doc.GetTextUnlocked(0, 2, buf), 2);
    EXPECT_EQ(std::u16string(buf), u"ab");
}

// --- Syncpoints ------------------------------------------------------------

TEST(sync_syncpoint, set_syncpoint_is_not_offered_at_a_line_start_a_blank_a_break_or_the_end) {
    SyncDocument doc;
    Load(doc, u"ab c\td\rx|y");
    EXPECT_FALSE(doc.CanSetSyncpoint(0));   // first character of the text
    EXPECT_TRUE(doc.CanSetSyncpoint(1));
    EXPECT_FALSE(doc.CanSetSyncpoint(2));   // space
    EXPECT_FALSE(doc.CanSetSyncpoint(4));   // tab
    EXPECT_FALSE(doc.CanSetSyncpoint(6));   // line break
    EXPECT_FALSE(doc.CanSetSyncpoint(7));   // first character of a line
    EXPECT_FALSE(doc.CanSetSyncpoint(8));   // flagged already
    EXPECT_FALSE(doc.CanSetSyncpoint(9));   // end of the text
    EXPECT_FALSE(doc.SetSyncpoint(2));
    EXPECT_FALSE(doc.CanRemoveSyncpoint(7));
    EXPECT_TRUE(doc.CanRemoveSyncpoint(8));
    EXPECT_FALSE(doc.CanRemoveSyncpoint(9));
    EXPECT_FALSE(doc.CanUndo());
    SyncDocument empty;
    EXPECT_FALSE(empty.CanSetSyncpoint(0));
    EXPECT_FALSE(empty.CanRemoveSyncpoint(0));
}

TEST(sync_syncpoint, a_new_syncpoint_shifts_the_pairing_of_later_segments_and_removing_it_shifts_back) {
    SyncDocument doc;
    Load(doc, u"one two\rthree", {{0, 10}, {20, 30}});
    EXPECT_EQ(doc.SegmentOfCell(8), 1);  // "three" is timed by entry 1
    ASSERT_TRUE(doc.SetSyncpoint(4));
    EXPECT_EQ(Marked(doc), u"one |two\rthree");
    EXPECT_EQ(doc.SegmentCount(), 3);
    EXPECT_EQ(doc.SegmentOfCell(8), 2);  // now untimed
    EXPECT_EQ(test::Timings(doc), (test::Entries{{0, 10}, {20, 30}}));
    ASSERT_TRUE(doc.RemoveSyncpoint(4));
    EXPECT_EQ(doc.SegmentOfCell(8), 1);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"one |two\rthree");
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"one two\rthree");
    EXPECT_EQ(doc.SegmentCount(), 2);
}

}  // namespace
}  // namespace mr
