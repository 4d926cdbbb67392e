#include "common/paged_list.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "common/memory.h"

namespace mr {
namespace {

// Keeps the sum of the values up to and including the cursor node, the way
// the text keeps its segment index, and logs which operations ran.
struct SumOps : PagedListOps<uint32_t> {
    int64_t sum = 0;
    int64_t total = 0;  // sum of all values, kept by the owner
    int initialised = 0, atHead = 0, atTail = 0, forward = 0, back = 0;
    std::vector<int> adjusts;  // 1..4 in slot order
    uint32_t lastFollowing = 0;

    void Initialise(uint32_t& head, uint32_t& tail) override {
        head = 0;
        tail = 0;
        ++initialised;
    }
    void AtHead() override {
        sum = 0;
        ++atHead;
    }
    void AtTail() override {
        sum = total;
        ++atTail;
    }
    void StepForward(const uint32_t&, const uint32_t& arrived) override {
        sum += arrived;
        ++forward;
    }
    void StepBack(const uint32_t& left, const uint32_t&) override {
        sum -= left;
        ++back;
    }
    void UndoRemovedInserted(const ListEdit& e, uint32_t& f) override {
        total -= e.word6;
        adjusts.push_back(1);
        lastFollowing = f;
    }
    void UndoReinsertedRemoved(const ListEdit& e, uint32_t& f) override {
        total += e.word5;
        adjusts.push_back(2);
        lastFollowing = f;
    }
    void RedoRemovedDeleted(const ListEdit& e, uint32_t& f) override {
        total -= e.word5;
        adjusts.push_back(3);
        lastFollowing = f;
    }
    void RedoReinsertedInserted(const ListEdit& e, uint32_t& f) override {
        total += e.word6;
        adjusts.push_back(4);
        lastFollowing = f;
    }
};

using List = PagedList<uint32_t>;

std::vector<uint32_t> Values(const List& l) {
    std::vector<uint32_t> v;
    if (!l.IsReserved()) return v;
    for (List::NodeId n = l.Next(List::kHead); n != List::kTail; n = l.Next(n)) v.push_back(l.Value(n));
    return v;
}

// Appends values at the end, as the owners do when loading.
void Append(List& l, SumOps& ops, const std::vector<uint32_t>& values) {
    ASSERT_TRUE(l.Reserve(static_cast<uint32_t>(values.size())));
    List::NodeId first = l.TakeNew(static_cast<uint32_t>(values.size()));
    List::NodeId x = first;
    for (uint32_t v : values) {
        l.Value(x) = v;
        ops.total += v;
        x = l.Next(x);
    }
    l.Seek(l.Count() - 1);
    l.InsertAfterCursor(first, static_cast<uint32_t>(values.size()));
}

std::vector<uint32_t> Iota(uint32_t n, uint32_t from = 1) {
    std::vector<uint32_t> v(n);
    for (uint32_t i = 0; i < n; ++i) v[i] = from + i;
    return v;
}

TEST(paged_list, first_growth_reserves_sets_up_the_sentinels_and_commits_whole_pages) {
    SumOps ops;
    List l(0x100000, &ops);
    EXPECT_FALSE(l.IsReserved());
    EXPECT_EQ(l.CommittedBytes(), 0u);
    l.Seek(5);  // nothing to walk yet
    EXPECT_EQ(l.CursorIndex(), -1);

    ASSERT_TRUE(l.Reserve(1));
    EXPECT_TRUE(l.IsReserved());
    EXPECT_EQ(ops.initialised, 1);
    EXPECT_EQ(l.HeaderBytes(), 24u);
    EXPECT_EQ(l.CommittedBytes(), PageSize());
    // Every whole node of the committed page is on the free chain.
    EXPECT_EQ(l.FreeCount(), PageSize() / 12 - 2);
    EXPECT_EQ(l.Cursor(), List::kHead);
    EXPECT_EQ(l.Count(), 0);

    // Needing more nodes than the page holds commits exactly the pages for
    // the missing nodes.
    const uint32_t more = l.FreeCount() + 1;
    ASSERT_TRUE(l.Reserve(more));
    EXPECT_EQ(l.CommittedBytes(), 2 * PageSize());
    EXPECT_EQ(l.FreeCount(), 2 * PageSize() / 12 - 2);
    EXPECT_EQ(ops.initialised, 1);
}

TEST(paged_list, nodes_keep_their_place_while_the_list_grows) {
    SumOps ops;
    List l(0x100000, &ops);
    Append(l, ops, {42});
    const uint32_t* first = &l.Value(l.Next(List::kHead));
    for (int i = 0; i < 20; ++i) Append(l, ops, Iota(1000));
    EXPECT_EQ(first, &l.Value(l.Next(List::kHead)));
    EXPECT_EQ(*first, 42u);
    EXPECT_EQ(l.Count(), 20001);
}

TEST(paged_list, capacity_counts_every_node_in_the_range_and_a_failed_growth_changes_nothing) {
    SumOps ops;
    List l(3 * 4096, &ops);  // 1024 nodes of 12 bytes
    EXPECT_EQ(l.Capacity(), 1022u);
    Append(l, ops, Iota(1000));
    // Ten nodes go to the removed chain and still count.
    l.Seek(99);
    l.RemoveAfterCursor(10);
    EXPECT_EQ(l.RemovedCount(), 10u);
    const uint32_t committed = l.CommittedBytes(), free = l.FreeCount();
    // 990 in the list and 10 removed leave room for 22 more.
    EXPECT_EQ(free, 22u);
    EXPECT_FALSE(l.Reserve(23));
    EXPECT_EQ(l.CommittedBytes(), committed);
    EXPECT_EQ(l.FreeCount(), free);
    EXPECT_EQ(l.Count(), 990);
    EXPECT_TRUE(l.Reserve(22));
}

TEST(paged_list, seeks_walk_from_the_nearest_of_cursor_head_and_tail) {
    SumOps ops;
    List l(0x100000, &ops);
    Append(l, ops, Iota(100));
    l.Seek(-1);
    ops.atHead = ops.atTail = ops.forward = ops.back = 0;

    l.Seek(10);  // cursor and head tie: the cursor walks
    EXPECT_EQ(ops.atHead, 0);
    EXPECT_EQ(ops.forward, 11);
    l.Seek(95);  // the tail is nearer
    EXPECT_EQ(ops.atTail, 1);
    EXPECT_EQ(ops.back, 5);
    l.Seek(2);  // the head is nearer
    EXPECT_EQ(ops.atHead, 1);
    EXPECT_EQ(ops.forward, 11 + 3);
    l.Seek(1000);  // beyond the count: the tail
    EXPECT_EQ(l.Cursor(), List::kTail);
    EXPECT_EQ(l.CursorIndex(), 100);
    EXPECT_FALSE(l.StepForward());
    l.Seek(-7);
    EXPECT_EQ(l.Cursor(), List::kHead);
    EXPECT_FALSE(l.StepBack());
}

TEST(paged_list, running_values_stay_right_across_seeks_and_edits_after_the_cursor) {
    SumOps ops;
    List l(0x100000, &ops);
    Append(l, ops, Iota(500));
    std::vector<uint32_t> model = Iota(500);
    std::mt19937 rng(7);
    for (int step = 0; step < 2000; ++step) {
        const int32_t n = l.Count();
        const int32_t k = static_cast<int32_t>(rng() % (n + 2)) - 1;
        l.Seek(k);
        int64_t expect = 0;
        for (int32_t i = 0; i <= k && i < n; ++i) expect += model[i];
        ASSERT_EQ(ops.sum, expect) << "seek " << k;
        if (step % 3 == 0 && l.Cursor() != List::kTail && k + 1 < n) {
            // An edit after the cursor leaves the cursor's value valid.
            const uint32_t take = 1 + rng() % 3;
            if (k + 1 + static_cast<int32_t>(take) <= n) {
                l.RemoveAfterCursor(take);
                for (uint32_t j = 0; j < take; ++j) {
                    ops.total -= model[k + 1];
                    model.erase(model.begin() + k + 1);
                }
            }
        }
    }
    EXPECT_EQ(Values(l), model);
}

TEST(paged_list, undo_and_redo_relink_nodes_between_the_chains_in_history_order) {
    SumOps ops;
    List l(0x100000, &ops);
    Append(l, ops, Iota(10));  // 1..10
    // Replace the three values at 4 by two new ones (100, 101).
    ASSERT_TRUE(l.Reserve(2));
    const List::NodeId fresh = l.TakeNew(2);
    l.Value(fresh) = 100;
    l.Value(l.Next(fresh)) = 101;
    l.Seek(3);
    l.RemoveAfterCursor(3);
    l.InsertAfterCursor(fresh, 2);
    ops.total += 201 - (5 + 6 + 7);
    const ListEdit e{4, 3, 4, 2, 5 + 6 + 7, 201, 0, 0};
    EXPECT_EQ(Values(l), (std::vector<uint32_t>{1, 2, 3, 4, 100, 101, 8, 9, 10}));
    const uint32_t freeBefore = l.FreeCount();

    ASSERT_TRUE(l.Undo(e));
    EXPECT_EQ(Values(l), Iota(10));
    EXPECT_EQ(ops.adjusts, (std::vector<int>{1, 2}));
    EXPECT_EQ(ops.lastFollowing, 8u);  // the node after the re-inserted run
    EXPECT_EQ(l.RemovedCount(), 0u);
    EXPECT_EQ(l.RedoCount(), 2u);
    EXPECT_EQ(l.FreeCount(), freeBefore);  // undo allocates nothing

    ASSERT_TRUE(l.Redo(e));
    EXPECT_EQ(Values(l), (std::vector<uint32_t>{1, 2, 3, 4, 100, 101, 8, 9, 10}));
    EXPECT_EQ(ops.adjusts, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(l.RemovedCount(), 3u);
    EXPECT_EQ(l.RedoCount(), 0u);
    EXPECT_EQ(ops.total, 1 + 2 + 3 + 4 + 100 + 101 + 8 + 9 + 10);

    // The running value at the tail agrees with the owner's total again.
    l.Seek(l.Count());
    l.Seek(2);
    EXPECT_EQ(ops.sum, 6);
}

TEST(paged_list, taking_new_nodes_returns_the_redo_chain_to_the_free_chain) {
    SumOps ops;
    List l(3 * 4096, &ops);  // 1022 nodes
    Append(l, ops, Iota(1022));
    EXPECT_EQ(l.FreeCount(), 0u);
    // Undo an insertion of 5 nodes at 0 (as if they had been inserted last).
    ASSERT_TRUE(l.Undo(ListEdit{-1, 0, 0, 5, 0, 0, 0, 0}));
    EXPECT_EQ(l.RedoCount(), 5u);
    // At the capacity, the redo chain's nodes are what a new edit gets.
    EXPECT_TRUE(l.Reserve(5));
    EXPECT_FALSE(l.Reserve(6));
    const List::NodeId n = l.TakeNew(3);
    EXPECT_NE(n, List::kNil);
    EXPECT_EQ(l.RedoCount(), 0u);
    EXPECT_EQ(l.FreeCount(), 2u);
    l.ReturnUnused(n, 3);
    EXPECT_EQ(l.FreeCount(), 5u);
}

TEST(paged_list, a_change_that_does_not_fit_the_list_is_refused_untouched) {
    SumOps ops;
    List l(0x100000, &ops);
    Append(l, ops, Iota(5));
    EXPECT_FALSE(l.Undo(ListEdit{0, 2, -1, 0, 0, 0, 0, 0}));  // nothing on the removed chain
    EXPECT_FALSE(l.Undo(ListEdit{-1, 0, 3, 4, 0, 0, 0, 0}));  // past the end
    EXPECT_FALSE(l.Redo(ListEdit{-1, 0, 0, 1, 0, 0, 0, 0}));  // nothing on the redo chain
    EXPECT_EQ(Values(l), Iota(5));
    EXPECT_TRUE(ops.adjusts.empty());
    SumOps ops2;
    List empty(0x100000, &ops2);
    EXPECT_TRUE(empty.Undo(ListEdit{-1, 0, -1, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(empty.Undo(ListEdit{0, 1, -1, 0, 0, 0, 0, 0}));
}

TEST(paged_list, release_returns_to_the_unreserved_state_and_the_list_grows_again) {
    SumOps ops;
    List l(0x100000, &ops);
    Append(l, ops, Iota(3000));
    l.Seek(10);
    l.RemoveAfterCursor(5);
    l.Release();
    EXPECT_FALSE(l.IsReserved());
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.RemovedCount(), 0u);
    EXPECT_EQ(l.FreeCount(), 0u);
    EXPECT_EQ(l.CommittedBytes(), 0u);
    EXPECT_EQ(l.CursorIndex(), -1);
    ops.total = 0;
    Append(l, ops, {9});
    EXPECT_EQ(ops.initialised, 2);
    EXPECT_EQ(Values(l), (std::vector<uint32_t>{9}));
}

}  // namespace
}  // namespace mr
