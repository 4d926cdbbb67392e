#include "editor/store/edit_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/store/sync_document.h"
#include "tests/editor/editor_test_util.h"

namespace mr {
namespace {

using test::Entries;
using test::Load;
using test::Marked;
using test::Timings;

// Records what the frame is told and refuses when asked to.
// Records what the frame is told and refuses when asked to. Like the main
// frame, it reads the document from inside the notification (the lock is
// held and re-entered).
struct Frame : HistoryListener {
    SyncDocument* doc = nullptr;
    std::vector<uint32_t> undoneTags, redoneTags;
    std::vector<int32_t> segmentsSeen;
    int refuseAfter = -1;  // refuse the notification with this number (0-based)
    int calls = 0;
    bool RecordUndone(const EditRecord& r) override {
        undoneTags.push_back(r.tag);
        if (doc) segmentsSeen.push_back(doc->SegmentCount());
        return calls++ != refuseAfter;
    }
    bool RecordRedone(const EditRecord& r) override {
        redoneTags.push_back(r.tag);
        if (doc) segmentsSeen.push_back(doc->SegmentCount());
        return calls++ != refuseAfter;
    }
};

// --- The record table ------------------------------------------------------

TEST(edit_history, a_new_record_discards_what_could_be_redone) {
    EditHistory h;
    EXPECT_EQ(h.CurrentRecord(), nullptr);
    EXPECT_EQ(h.StepBack(), nullptr);
    for (int i = 0; i < 3; ++i) h.NewRecord()->subKind = i + 1;
    EXPECT_EQ(h.StepBack()->subKind, 3);
    EXPECT_EQ(h.StepBack()->subKind, 2);
    EXPECT_TRUE(h.CanRedo());
    EditRecord* r = h.NewRecord();
    EXPECT_EQ(r->subKind, 0);  // fresh and zeroed, in the slot of the second
    EXPECT_EQ(h.CurrentIndex(), 1);
    EXPECT_FALSE(h.CanRedo());
    EXPECT_EQ(h.SlotsInUse(), 3u);
    EXPECT_EQ(h.StepForward(), nullptr);
}

TEST(edit_history, the_table_holds_262144_records_and_a_full_table_changes_nothing) {
    EditHistory h;
    EXPECT_EQ(EditHistory::kCapacity, 262144u);
    for (uint32_t i = 0; i < EditHistory::kCapacity; ++i) ASSERT_NE(h.NewRecord(), nullptr) << i;
    EXPECT_EQ(h.CommittedBytes(), EditHistory::kReserveBytes);
    EXPECT_FALSE(h.Reserve(1));
    EXPECT_EQ(h.NewRecord(), nullptr);
    EXPECT_EQ(h.CurrentIndex(), static_cast<int32_t>(EditHistory::kCapacity) - 1);
    // After an undo the last slot can be used again.
    ASSERT_NE(h.StepBack(), nullptr);
    EXPECT_TRUE(h.Reserve(1));
    EXPECT_NE(h.NewRecord(), nullptr);
    h.Clear();
    EXPECT_EQ(h.CommittedBytes(), 0u);
    EXPECT_FALSE(h.CanUndo());
}

TEST(edit_history, a_document_edit_that_cannot_get_a_record_changes_nothing) {
    SyncDocument doc;
    Load(doc, u"ab|c", {{0, 10}, {10, 20}});
    // Fill the history with cheap records (Move ++ presses that move nothing).
    for (uint32_t i = 0; i < EditHistory::kCapacity; ++i) ASSERT_TRUE(doc.BeginMoveFollowing(5));
    EXPECT_FALSE(doc.InsertText(0, u"x", 1));
    EXPECT_FALSE(doc.SetSyncpoint(1));
    EXPECT_FALSE(doc.InsertTiming(30));
    EXPECT_FALSE(doc.SplitTiming(15));
    EXPECT_EQ(Marked(doc), u"ab|c");
    EXPECT_EQ(Timings(doc), (Entries{{0, 10}, {10, 20}}));
    EXPECT_EQ(doc.SegmentCount(), 2);
}

// --- Modified state --------------------------------------------------------

TEST(edit_history_modified, saving_then_undo_then_redo_is_unmodified_and_one_undo_after_saving_is_modified) {
    SyncDocument doc;
    Load(doc, u"abc");
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.InsertText(3, u"d", 1));
    EXPECT_TRUE(doc.IsModified());
    doc.MarkSaved();
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Redo());
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo() == false);  // nothing before the load
    EXPECT_TRUE(doc.IsModified());
}

TEST(edit_history_modified, a_new_edit_after_undoing_past_the_save_stays_modified) {
    SyncDocument doc;
    Load(doc, u"abc");
    ASSERT_TRUE(doc.InsertText(0, u"1", 1));
    ASSERT_TRUE(doc.InsertText(0, u"2", 1));
    doc.MarkSaved();
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.InsertText(0, u"3", 1));
    ASSERT_TRUE(doc.InsertText(0, u"4", 1));  // as many records as were saved
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.IsModified());  // "abc", while "21abc" was saved
}

TEST(edit_history_modified, extending_the_saved_typing_run_modifies_the_document) {
    SyncDocument doc;
    ASSERT_TRUE(doc.TypeCharacter(0, u'a'));
    ASSERT_TRUE(doc.TypeCharacter(1, u'b'));
    doc.MarkSaved();
    ASSERT_TRUE(doc.TypeCharacter(2, u'c'));  // no new record
    EXPECT_EQ(Marked(doc), u"abc");
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Redo());
    EXPECT_TRUE(doc.IsModified());
    // Saving an earlier state: extending a later run leaves it reachable.
    SyncDocument other;
    ASSERT_TRUE(other.InsertText(0, u"x", 1));
    other.MarkSaved();
    ASSERT_TRUE(other.TypeCharacter(1, u'a'));
    ASSERT_TRUE(other.TypeCharacter(2, u'b'));
    ASSERT_TRUE(other.Undo());
    EXPECT_FALSE(other.IsModified());
}

TEST(edit_history_modified, stretching_a_live_entry_after_a_save_modifies_the_document) {
    SyncDocument doc;
    Load(doc, u"a|b");
    int32_t i;
    ASSERT_TRUE(doc.StartLiveTiming(10, &i));
    doc.MarkSaved();
    ASSERT_TRUE(doc.ExtendLiveTiming(12));  // within the entry: nothing changes
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.ExtendLiveTiming(40));
    EXPECT_TRUE(doc.IsModified());
}

TEST(edit_history, after_one_undo_any_new_edit_ends_redo_even_an_extended_typing_run) {
    SyncDocument doc;
    Load(doc, u"a|b", {{0, 10}});
    ASSERT_TRUE(doc.TypeCharacter(2, u'x'));
    ASSERT_TRUE(doc.InsertTiming(20));
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.CanRedo());
    ASSERT_TRUE(doc.TypeCharacter(3, u'y'));  // extends the run
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_FALSE(doc.Redo());
    EXPECT_EQ(Timings(doc), (Entries{{0, 10}}));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"a|b");
    EXPECT_FALSE(doc.CanUndo());
}

// --- Duplicate: two records as one step ------------------------------------

TEST(edit_history_duplicate, undo_takes_back_timing_and_syncpoints_in_one_step_and_redo_reapplies_both) {
    Frame frame;
    SyncDocument doc;
    frame.doc = &doc;
    doc.SetHistoryListener(&frame);
    Load(doc, u"la |la\rx\rla la", {{0, 10}, {10, 20}, {20, 30}, {100, 130}});
    ASSERT_TRUE(doc.DuplicateLines(8));
    EXPECT_EQ(Marked(doc), u"la |la\rx\rla |la");
    EXPECT_EQ(Timings(doc), (Entries{{0, 10}, {10, 20}, {20, 30}, {100, 110}, {110, 120}}));
    EXPECT_EQ(doc.SegmentCount(), 5);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(frame.undoneTags, (std::vector<uint32_t>{16777218u, 65537u}));
    EXPECT_EQ(Marked(doc), u"la |la\rx\rla la");
    EXPECT_EQ(Timings(doc), (Entries{{0, 10}, {10, 20}, {20, 30}, {100, 130}}));
    EXPECT_EQ(doc.SegmentCount(), 4);
    EXPECT_FALSE(doc.CanUndo());
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(frame.redoneTags, (std::vector<uint32_t>{65537u, 16777218u}));
    // Each notification sees the document with that record applied.
    EXPECT_EQ(frame.segmentsSeen, (std::vector<int32_t>{5, 4, 5, 5}));
    EXPECT_EQ(Marked(doc), u"la |la\rx\rla |la");
    EXPECT_EQ(Timings(doc), (Entries{{0, 10}, {10, 20}, {20, 30}, {100, 110}, {110, 120}}));
    EXPECT_FALSE(doc.CanRedo());
}

TEST(edit_history_duplicate, a_refused_notification_stops_between_the_two_records_and_the_next_undo_goes_on) {
    Frame frame;
    frame.refuseAfter = 0;
    SyncDocument doc;
    doc.SetHistoryListener(&frame);
    Load(doc, u"a|b\rab", {{0, 10}, {10, 20}, {30, 50}});
    ASSERT_TRUE(doc.DuplicateLines(3));
    EXPECT_FALSE(doc.Undo());
    EXPECT_EQ(Timings(doc), (Entries{{0, 10}, {10, 20}, {30, 50}}));  // timing taken back
    EXPECT_EQ(Marked(doc), u"a|b\ra|b");                               // text not yet
    EXPECT_TRUE(doc.CanUndo());
    EXPECT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"a|b\rab");
    EXPECT_FALSE(doc.CanUndo());
}

// --- Duplicate: the run search ---------------------------------------------

TEST(duplicate_lines, is_offered_only_at_a_later_line_start_that_equals_an_earlier_line) {
    SyncDocument doc;
    Load(doc, u"a|b\rcd\rab|c\rab");
    EXPECT_FALSE(doc.CanDuplicateLines(0));   // the first line
    EXPECT_FALSE(doc.CanDuplicateLines(1));   // inside a line
    EXPECT_FALSE(doc.CanDuplicateLines(3));   // "cd" equals no earlier line
    EXPECT_FALSE(doc.CanDuplicateLines(6));   // "abc" equals no earlier line
    EXPECT_TRUE(doc.CanDuplicateLines(10));   // "ab" at the end equals "ab\r"
    EXPECT_FALSE(doc.CanDuplicateLines(12));  // the end of the text
    EXPECT_FALSE(doc.DuplicateLines(3));
    EXPECT_FALSE(doc.CanUndo());
}

TEST(duplicate_lines, a_last_line_without_a_break_takes_the_syncpoints_of_an_earlier_line_with_one) {
    SyncDocument doc;
    Load(doc, u"a|b\rab", {{0, 10}, {10, 20}, {30, 50}});
    ASSERT_TRUE(doc.DuplicateLines(3));
    EXPECT_EQ(Marked(doc), u"a|b\ra|b");
    // The segment count follows the text: 1 + one break + two flags.
    EXPECT_EQ(doc.SegmentCount(), 4);
    EXPECT_EQ(Timings(doc), (Entries{{0, 10}, {10, 20}, {30, 40}, {40, 50}}));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.SegmentCount(), 3);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(doc.SegmentCount(), 4);
}

TEST(duplicate_lines, following_lines_that_also_match_are_copied_in_the_same_step) {
    SyncDocument doc;
    Load(doc, u"a|b\rc|d\rx\rab\rcd",
         {{0, 10}, {10, 20}, {20, 30}, {30, 40}, {50, 60}, {100, 130}, {140, 170}});
    ASSERT_TRUE(doc.DuplicateLines(8));
    EXPECT_EQ(Marked(doc), u"a|b\rc|d\rx\ra|b\rc|d");
    EXPECT_EQ(Timings(doc), (Entries{{0, 10},
                                     {10, 20},
                                     {20, 30},
                                     {30, 40},
                                     {50, 60},
                                     {100, 110},
                                     {110, 120},
                                     {120, 130},
                                     {130, 140},
                                     {140, 170}}));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"a|b\rc|d\rx\rab\rcd");
    EXPECT_EQ(Timings(doc).size(), 7u);
}

TEST(duplicate_lines, the_longest_run_wins_and_an_equal_later_one_does_not_replace_the_earlier) {
    SyncDocument longest;
    // Candidates: "ab" alone (then "z" fails), then "a|b","c|d" (then "q" fails).
    Load(longest, u"ab\rz\ra|b\rc|d\rq\rab\rcd\re");
    ASSERT_TRUE(longest.DuplicateLines(13));
    EXPECT_EQ(Marked(longest), u"ab\rz\ra|b\rc|d\rq\ra|b\rc|d\re");

    SyncDocument earlier;
    Load(earlier, u"a|b\rx\rab\ry\rab\rz");
    ASSERT_TRUE(earlier.DuplicateLines(10));
    EXPECT_EQ(Marked(earlier), u"a|b\rx\rab\ry\ra|b\rz");
}

TEST(duplicate_lines, an_untimed_destination_takes_the_syncpoints_alone) {
    SyncDocument doc;
    Load(doc, u"a|b\rab", {{0, 10}, {10, 20}});
    ASSERT_TRUE(doc.DuplicateLines(3));
    EXPECT_EQ(Marked(doc), u"a|b\ra|b");
    EXPECT_EQ(Timings(doc), (Entries{{0, 10}, {10, 20}}));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Marked(doc), u"a|b\rab");
    EXPECT_FALSE(doc.CanUndo());
}

}  // namespace
}  // namespace mr
