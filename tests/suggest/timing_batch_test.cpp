// The store's batch of suggested timing entries: one history record, undone
// and redone as one step, and refused whole when any entry breaks the list's
// rules.
#include <gtest/gtest.h>

#include <vector>

#include "editor/store/sync_document.h"

namespace mr {
namespace {

std::vector<TimingEntry> Entries(SyncDocument& doc) {
    std::vector<TimingEntry> v;
    for (int32_t i = 0; i < doc.TimingCount(); ++i) {
        TimingEntry e{};
        EXPECT_TRUE(doc.GetTiming(i, &e.start, &e.end));
        v.push_back(e);
    }
    return v;
}

bool Same(const std::vector<TimingEntry>& a, const std::vector<TimingEntry>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].start != b[i].start || a[i].end != b[i].end) return false;
    return true;
}

TEST(suggest_store, a_batch_is_one_step_and_refused_whole) {
    SyncDocument doc;
    ASSERT_TRUE(doc.InsertTiming(100));  // {100, 120}
    const std::vector<TimingEntry> before = Entries(doc);

    struct Case {
        const char* what;
        std::vector<TimingEntry> batch;
    };
    const Case refused[] = {
        {"starts inside the last entry", {{110, 130}}},
        {"second overlaps the first", {{200, 240}, {230, 260}}},
        {"shorter than four ticks", {{200, 203}}},
        {"ends after the last tick", {{200, kLastTick + 1}}},
        {"empty", {}},
    };
    for (const Case& c : refused) {
        EXPECT_FALSE(doc.AppendTimings(c.batch.data(), static_cast<int32_t>(c.batch.size()))) << c.what;
        EXPECT_TRUE(Same(Entries(doc), before)) << c.what;
    }
    EXPECT_FALSE(doc.AppendTimings(nullptr, 1));

    const std::vector<TimingEntry> batch = {{120, 150}, {160, 164}, {300, 420}};
    ASSERT_TRUE(doc.AppendTimings(batch.data(), 3));
    std::vector<TimingEntry> after = before;
    after.insert(after.end(), batch.begin(), batch.end());
    EXPECT_TRUE(Same(Entries(doc), after));
    EXPECT_TRUE(doc.IsModified());

    // One undo takes the whole batch back and leaves the earlier entry.
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(Same(Entries(doc), before));
    ASSERT_TRUE(doc.Redo());
    EXPECT_TRUE(Same(Entries(doc), after));
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.TimingCount(), 0);
    EXPECT_FALSE(doc.CanUndo());

    // Tools work on the appended entries as on any others.
    ASSERT_TRUE(doc.Redo());
    ASSERT_TRUE(doc.Redo());
    ASSERT_TRUE(doc.RemoveTiming(310));
    EXPECT_EQ(doc.TimingCount(), 3);
}

}  // namespace
}  // namespace mr
