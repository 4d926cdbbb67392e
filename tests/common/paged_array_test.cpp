#include "common/paged_array.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/memory.h"

namespace mr {
namespace {

struct Wide16 {
    uint32_t a, b, c, d;
};

TEST(paged_array, starts_unreserved_and_commits_whole_steps) {
    PagedArray<uint32_t> t(0x100000);
    EXPECT_EQ(t.Count(), 0u);
    EXPECT_EQ(t.Committed(), 0u);
    EXPECT_EQ(t.Data(), nullptr);
    ASSERT_NE(t.Append(7u), nullptr);
    const uint32_t step = PagedArrayBase::CommitStep();
    EXPECT_EQ(step % PageSize(), 0u);
    EXPECT_EQ(t.Committed(), step);
    EXPECT_EQ(t.FreeSlots(), step / 4 - 1);
    // Filling the step exactly needs no new commit; one more takes one step.
    ASSERT_NE(t.AppendSlots(step / 4 - 1), nullptr);
    EXPECT_EQ(t.Committed(), step);
    EXPECT_EQ(t.FreeSlots(), 0u);
    ASSERT_NE(t.Append(1u), nullptr);
    EXPECT_EQ(t.Committed(), 2 * step);
}

TEST(paged_array, a_large_insertion_commits_every_step_it_needs_at_once) {
    PagedArray<Wide16> t(0x100000);
    const uint32_t step = PagedArrayBase::CommitStep();
    const uint32_t n = 3 * step / sizeof(Wide16) + 1;
    ASSERT_NE(t.AppendSlots(n), nullptr);
    EXPECT_EQ(t.Committed(), 4 * step);
    EXPECT_EQ(t.Count(), n);
    EXPECT_EQ(t.Count() + t.FreeSlots(), 4 * step / sizeof(Wide16));
}

TEST(paged_array, elements_never_move_while_the_table_grows) {
    PagedArray<uint64_t> t(0x100000);
    uint64_t* first = t.Append(42);
    ASSERT_NE(first, nullptr);
    for (uint64_t i = 1; i < t.Capacity(); ++i) ASSERT_NE(t.Append(i), nullptr);
    EXPECT_EQ(first, t.Data());
    EXPECT_EQ(*first, 42u);
    EXPECT_EQ(t[12345], 12345u);
}

TEST(paged_array, capacity_is_enforced_as_a_failed_insertion_that_changes_nothing) {
    PagedArray<Wide16> t(2 * 4096);  // 512 elements of 16 bytes
    EXPECT_EQ(t.Capacity(), 512u);
    ASSERT_NE(t.AppendSlots(500), nullptr);
    const uint32_t committed = t.Committed(), freeSlots = t.FreeSlots();
    EXPECT_EQ(t.AppendSlots(13), nullptr);
    EXPECT_EQ(t.Count(), 500u);
    EXPECT_EQ(t.Committed(), committed);
    EXPECT_EQ(t.FreeSlots(), freeSlots);
    EXPECT_NE(t.AppendSlots(12), nullptr);
    EXPECT_EQ(t.Append(Wide16{}), nullptr);
    EXPECT_EQ(t.Count(), 512u);
}

TEST(paged_array, a_reserve_below_one_page_still_holds_its_capacity) {
    PagedArray<uint16_t> t(100);
    ASSERT_NE(t.AppendSlots(50), nullptr);
    EXPECT_EQ(t.Append(1), nullptr);
}

TEST(paged_array, insertion_at_a_position_moves_the_tail_up_and_erase_moves_it_down) {
    PagedArray<uint32_t> t(0x10000);
    for (uint32_t v : {1u, 2u, 5u}) t.Append(v);
    const uint32_t mid[] = {3, 4};
    ASSERT_NE(t.Insert(2, mid, 2), nullptr);
    EXPECT_EQ(std::vector<uint32_t>(t.begin(), t.end()), (std::vector<uint32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(t.Insert(6, mid, 1), nullptr);  // past the end
    t.Erase(0, 2);
    EXPECT_EQ(std::vector<uint32_t>(t.begin(), t.end()), (std::vector<uint32_t>{3, 4, 5}));
    t.Erase(2, 10);  // clipped at the end
    EXPECT_EQ(std::vector<uint32_t>(t.begin(), t.end()), (std::vector<uint32_t>{3, 4}));
    EXPECT_EQ(t.Count() + t.FreeSlots(), t.Committed() / 4);
}

TEST(paged_array, free_releases_everything_and_the_table_can_grow_again) {
    PagedArray<uint32_t> t(0x10000);
    t.AppendSlots(5000);
    t.Free();
    EXPECT_EQ(t.Count(), 0u);
    EXPECT_EQ(t.Committed(), 0u);
    EXPECT_EQ(t.FreeSlots(), 0u);
    EXPECT_EQ(t.Reserve(), 0x10000u);
    ASSERT_NE(t.Append(9u), nullptr);
    EXPECT_EQ(t[0], 9u);
}

}  // namespace
}  // namespace mr
