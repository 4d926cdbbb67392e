#include "editor/store/timing_list.h"

#include <gtest/gtest.h>

#include "editor/store/sync_document.h"
#include "tests/editor/editor_test_util.h"

namespace mr {
namespace {

using test::Entries;
using test::Load;
using test::Timings;

// Four segments with entries {10,20} {20,30} gap {40,60}.
void Three(SyncDocument& doc) {
    Load(doc, u"a|b|c|d", {{10, 20}, {20, 30}, {40, 60}});
}

// --- Queries ---------------------------------------------------------------

TEST(timing_query, find_timing_gives_the_entry_holding_t_or_the_next_one) {
    SyncDocument doc;
    int32_t i = 7;
    EXPECT_FALSE(doc.FindTiming(5, &i));
    EXPECT_EQ(i, -1);  // empty list
    Three(doc);
    EXPECT_FALSE(doc.FindTiming(5, &i));
    EXPECT_EQ(i, 0);
    EXPECT_TRUE(doc.FindTiming(10, &i));
    EXPECT_EQ(i, 0);
    EXPECT_TRUE(doc.FindTiming(20, &i));  // an entry's end belongs to the next
    EXPECT_EQ(i, 1);
    EXPECT_FALSE(doc.FindTiming(35, &i));
    EXPECT_EQ(i, 2);
    EXPECT_TRUE(doc.FindTiming(59, &i));
    EXPECT_EQ(i, 2);
    EXPECT_FALSE(doc.FindTiming(60, &i));
    EXPECT_EQ(i, -1);
    EXPECT_TRUE(doc.FindTiming(11, &i));  // back again from the far end
    EXPECT_EQ(i, 0);
    int32_t s = 0, e = 0;
    EXPECT_TRUE(doc.GetTiming(2, &s, &e));
    EXPECT_EQ(s, 40);
    EXPECT_EQ(e, 60);
    EXPECT_FALSE(doc.GetTiming(3, &s, &e));
    EXPECT_FALSE(doc.GetTiming(-1, &s, &e));
}

TEST(timing_query, tools_at_follow_the_neighbours) {
    SyncDocument doc;
    Three(doc);
    // Entry 0, first and not last, touching the next: Adjust since
    // n.end − start = 20 > 8; Move since it starts after 0.
    EXPECT_EQ(doc.ToolsAt(15), kToolRemove | kToolMoveFollowing | kToolAdjust | kToolMove | kToolSplit);
    // Entry 1 touches entry 0 (Combine) and has a gap after it (Move).
    EXPECT_EQ(doc.ToolsAt(25), kToolRemove | kToolMoveFollowing | kToolCombine | kToolAdjust | kToolMove |
                                   kToolSplit);
    // Near an edge Split goes.
    EXPECT_EQ(doc.ToolsAt(23) & kToolSplit, 0u);
    EXPECT_EQ(doc.ToolsAt(27) & kToolSplit, 0u);
    EXPECT_NE(doc.ToolsAt(24) & kToolSplit, 0u);
    EXPECT_NE(doc.ToolsAt(26) & kToolSplit, 0u);
    // The last entry always offers Adjust and Move.
    EXPECT_EQ(doc.ToolsAt(45) & (kToolAdjust | kToolMove | kToolCombine), kToolAdjust | kToolMove);
    // Gaps offer Insert only when 4 ticks fit.
    EXPECT_EQ(doc.ToolsAt(33), kToolInsert);
    EXPECT_EQ(doc.ToolsAt(37), 0u);
    EXPECT_EQ(doc.ToolsAt(500), kToolInsert);
    EXPECT_EQ(doc.ToolsAt(-3), 0u);

    // A first entry at 0 touching its neighbour cannot move; a tight middle
    // entry cannot be adjusted.
    SyncDocument tight;
    Load(tight, u"a|b|c", {{0, 4}, {4, 8}, {8, 12}});
    EXPECT_EQ(tight.ToolsAt(1) & kToolMove, 0u);
    EXPECT_EQ(tight.ToolsAt(5) & (kToolAdjust | kToolMove), 0u);
    EXPECT_NE(tight.ToolsAt(9) & kToolAdjust, 0u);
}

// --- One-shot tools --------------------------------------------------------

TEST(timing_insert, is_not_offered_in_a_gap_under_four_ticks_cuts_at_the_next_start_and_lasts_twenty_at_the_end) {
    SyncDocument doc;
    Load(doc, u"a|b|c|d", {{10, 20}, {30, 40}});
    EXPECT_FALSE(doc.CanInsertTiming(37));  // inside
    EXPECT_TRUE(doc.CanInsertTiming(26));
    EXPECT_FALSE(doc.CanInsertTiming(27));  // 3 ticks before entry 1
    EXPECT_FALSE(doc.InsertTiming(27));
    ASSERT_TRUE(doc.InsertTiming(20));  // a 10-tick gap
    EXPECT_EQ(Timings(doc), (Entries{{10, 20}, {20, 30}, {30, 40}}));
    EXPECT_EQ(doc.LastTool(), kToolInsert);
    EXPECT_EQ(doc.LastIndex(), 1);
    ASSERT_TRUE(doc.InsertTiming(100));
    EXPECT_EQ(Timings(doc).back(), (std::pair<int32_t, int32_t>{100, 120}));
    EXPECT_EQ(doc.LastIndex(), 3);
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Timings(doc), (Entries{{10, 20}, {30, 40}}));
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Timings(doc), (Entries{{10, 20}, {20, 30}, {30, 40}}));
}

TEST(timing_insert, nothing_is_inserted_before_zero_or_past_the_end_of_time) {
    SyncDocument doc;
    EXPECT_FALSE(doc.InsertTiming(-1));
    EXPECT_FALSE(doc.InsertTiming(kLastTick - 3));
    ASSERT_TRUE(doc.InsertTiming(kLastTick - 4));
    EXPECT_EQ(Timings(doc), (Entries{{kLastTick - 4, kLastTick}}));
}

TEST(timing_remove_combine_split, each_replaces_entries_and_undo_puts_them_back) {
    SyncDocument doc;
    Three(doc);
    EXPECT_FALSE(doc.RemoveTiming(35));
    EXPECT_FALSE(doc.CombineTiming(15));  // the first has nothing before it
    EXPECT_FALSE(doc.CombineTiming(45));  // not touching
    ASSERT_TRUE(doc.CombineTiming(25));
    EXPECT_EQ(Timings(doc), (Entries{{10, 30}, {40, 60}}));
    EXPECT_EQ(doc.LastTool(), kToolCombine);
    EXPECT_EQ(doc.LastIndex(), 0);
    EXPECT_FALSE(doc.SplitTiming(57));
    ASSERT_TRUE(doc.SplitTiming(50));
    EXPECT_EQ(Timings(doc), (Entries{{10, 30}, {40, 50}, {50, 60}}));
    ASSERT_TRUE(doc.RemoveTiming(10));
    EXPECT_EQ(Timings(doc), (Entries{{40, 50}, {50, 60}}));
    EXPECT_EQ(doc.LastTool(), kToolRemove);
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Timings(doc), (Entries{{10, 20}, {20, 30}, {40, 60}}));
    ASSERT_TRUE(doc.Redo());
    ASSERT_TRUE(doc.Redo());
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Timings(doc), (Entries{{40, 50}, {50, 60}}));
}

TEST(timing_live, a_tap_opens_a_short_entry_that_playback_stretches_up_to_the_next_start) {
    SyncDocument doc;
    Load(doc, u"a|b|c", {{100, 120}});
    int32_t index = -1;
    ASSERT_TRUE(doc.StartLiveTiming(10, &index));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(Timings(doc)[0], (std::pair<int32_t, int32_t>{10, 14}));
    ASSERT_TRUE(doc.ExtendLiveTiming(12));  // never shrinks
    EXPECT_EQ(Timings(doc)[0].second, 14);
    ASSERT_TRUE(doc.ExtendLiveTiming(60));
    EXPECT_EQ(Timings(doc)[0].second, 60);
    ASSERT_TRUE(doc.ExtendLiveTiming(500));
    EXPECT_EQ(Timings(doc)[0].second, 100);
    // A tap 2 ticks before the next entry is refused; the entry ends there.
    EXPECT_FALSE(doc.StartLiveTiming(98, &index));
    // One undo takes the stretched entry away, and stretching stops.
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Timings(doc), (Entries{{100, 120}}));
    EXPECT_FALSE(doc.ExtendLiveTiming(110));
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Timings(doc), (Entries{{10, 100}, {100, 120}}));
    EXPECT_FALSE(doc.ExtendLiveTiming(110));
}

// --- Drag tools ------------------------------------------------------------

TEST(timing_adjust, the_first_entry_start_stops_at_zero_and_an_overlapped_neighbour_is_pushed_but_keeps_four_ticks) {
    SyncDocument doc;
    Three(doc);
    ASSERT_TRUE(doc.BeginAdjust(12));
    EXPECT_EQ(doc.LastTool(), kToolAdjust);
    ASSERT_TRUE(doc.DragAdjust(-50));
    EXPECT_EQ(Timings(doc)[0], (std::pair<int32_t, int32_t>{0, 20}));
    EXPECT_EQ(doc.DragValue(), 1);
    ASSERT_TRUE(doc.DragAdjust(30));  // the start cannot pass end − 4
    EXPECT_EQ(Timings(doc)[0], (std::pair<int32_t, int32_t>{16, 20}));

    ASSERT_TRUE(doc.BeginAdjust(25));  // entry 1, dragging its end right
    ASSERT_TRUE(doc.DragAdjust(45));
    EXPECT_EQ(Timings(doc), (Entries{{16, 20}, {20, 45}, {45, 60}}));
    ASSERT_TRUE(doc.DragAdjust(100));  // the neighbour keeps 4 ticks
    EXPECT_EQ(Timings(doc), (Entries{{16, 20}, {20, 56}, {56, 60}}));
    ASSERT_TRUE(doc.DragAdjust(33));  // back left: the touching neighbour follows
    EXPECT_EQ(Timings(doc), (Entries{{16, 20}, {20, 33}, {33, 60}}));
    ASSERT_TRUE(doc.DragAdjust(0));  // the entry keeps 4 ticks
    EXPECT_EQ(Timings(doc), (Entries{{16, 20}, {20, 24}, {24, 60}}));
}

TEST(timing_adjust, moving_a_start_right_drags_a_touching_previous_end_along) {
    SyncDocument doc;
    Three(doc);
    ASSERT_TRUE(doc.BeginAdjust(25));
    ASSERT_TRUE(doc.DragAdjust(15));  // start left into entry 0
    EXPECT_EQ(Timings(doc), (Entries{{10, 15}, {15, 30}, {40, 60}}));
    ASSERT_TRUE(doc.DragAdjust(22));  // start right: the touching end follows
    EXPECT_EQ(Timings(doc), (Entries{{10, 22}, {22, 30}, {40, 60}}));
}

TEST(timing_adjust, undo_restores_the_entry_and_both_neighbours_as_they_were_at_the_press) {
    SyncDocument doc;
    Load(doc, u"a|b|c|d|e", {{0, 10}, {10, 20}, {20, 30}, {30, 40}});
    const Entries before = Timings(doc);
    ASSERT_TRUE(doc.BeginAdjust(15));
    ASSERT_TRUE(doc.DragAdjust(27));
    ASSERT_TRUE(doc.DragAdjust(29));
    const Entries dragged = Timings(doc);
    EXPECT_EQ(dragged, (Entries{{0, 10}, {10, 26}, {26, 30}, {30, 40}}));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Timings(doc), before);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Timings(doc), dragged);
    EXPECT_FALSE(doc.DragAdjust(5));  // the drag ended with the undo
}

TEST(timing_move, an_entry_can_touch_but_never_overlap_its_neighbours) {
    SyncDocument doc;
    Three(doc);
    EXPECT_FALSE(doc.DragMove(50));  // nothing pressed
    ASSERT_TRUE(doc.BeginMove(45));  // grab 5 ticks into the last entry
    EXPECT_EQ(doc.DragValue(), 5);
    ASSERT_TRUE(doc.DragMove(40));
    EXPECT_EQ(Timings(doc)[2], (std::pair<int32_t, int32_t>{35, 55}));
    ASSERT_TRUE(doc.DragMove(0));
    EXPECT_EQ(Timings(doc)[2], (std::pair<int32_t, int32_t>{30, 50}));
    ASSERT_TRUE(doc.DragMove(2147483640));  // the last entry stops at the end of time
    EXPECT_EQ(Timings(doc)[2], (std::pair<int32_t, int32_t>{kLastTick - 20, kLastTick}));

    SyncDocument first;
    Load(first, u"a|b", {{10, 20}, {30, 40}});
    ASSERT_TRUE(first.BeginMove(15));
    ASSERT_TRUE(first.DragMove(-100));  // left of zero
    EXPECT_EQ(Timings(first)[0], (std::pair<int32_t, int32_t>{0, 10}));
    ASSERT_TRUE(first.DragMove(100));
    EXPECT_EQ(Timings(first)[0], (std::pair<int32_t, int32_t>{20, 30}));
}

TEST(timing_move, undo_restores_the_start_and_redo_moves_it_again_by_the_same_amount) {
    SyncDocument doc;
    Three(doc);
    ASSERT_TRUE(doc.BeginMove(50));
    ASSERT_TRUE(doc.DragMove(80));
    const Entries moved = Timings(doc);
    EXPECT_EQ(moved[2], (std::pair<int32_t, int32_t>{70, 90}));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Timings(doc)[2], (std::pair<int32_t, int32_t>{40, 60}));
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Timings(doc), moved);
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Timings(doc), moved);
}

TEST(timing_move_following, shifts_every_later_entry_and_never_starts_before_the_previous_end) {
    SyncDocument doc;
    Three(doc);
    ASSERT_TRUE(doc.BeginMoveFollowing(22));
    EXPECT_EQ(doc.LastTool(), kToolMoveFollowing);
    ASSERT_TRUE(doc.DragMoveFollowing(32));
    EXPECT_EQ(Timings(doc), (Entries{{10, 20}, {30, 40}, {50, 70}}));
    ASSERT_TRUE(doc.DragMoveFollowing(5));
    EXPECT_EQ(Timings(doc), (Entries{{10, 20}, {20, 30}, {40, 60}}));
    ASSERT_TRUE(doc.DragMoveFollowing(2147483640));  // the last entry stops at the end of time
    EXPECT_EQ(Timings(doc).back().second, kLastTick);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Timings(doc), (Entries{{10, 20}, {20, 30}, {40, 60}}));
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Timings(doc).back().second, kLastTick);
}

TEST(timing_duplicate, copies_a_pattern_over_the_destination_and_replaces_what_it_overlaps) {
    SyncDocument doc;
    Load(doc, u"a|b|c|d|e|f", {{0, 10}, {12, 20}, {100, 104}, {106, 110}, {111, 115}, {200, 210}});
    ASSERT_TRUE(doc.DuplicateTiming(2, 0, 2));
    // Copies at 100: {100,110} {112,120}; entries 2..4 start before 120.
    EXPECT_EQ(Timings(doc), (Entries{{0, 10}, {12, 20}, {100, 110}, {112, 120}, {200, 210}}));
    EXPECT_EQ(doc.LastTool(), kToolDuplicate);
    EXPECT_EQ(doc.LastIndex(), 2);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Timings(doc), (Entries{{0, 10}, {12, 20}, {100, 104}, {106, 110}, {111, 115}, {200, 210}}));
    EXPECT_FALSE(doc.DuplicateTiming(6, 0, 1));  // no entry at the destination
    EXPECT_FALSE(doc.DuplicateTiming(2, 5, 2));  // the source runs out
    EXPECT_FALSE(doc.DuplicateTiming(2, 0, 0));
}

}  // namespace
}  // namespace mr
