#include "common/file_mapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/file.h"
#include "tests/support/test_support.h"

namespace mr::fs {
namespace {

using test::ScopedTempDir;

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return b;
}

TEST(file_mapping, views_anywhere_in_the_file_show_its_bytes) {
    ScopedTempDir dir;
    // Several allocation granules, so that views start at rounded offsets.
    const size_t size = 3 * ReadOnlyMapping::Granularity() + 1234;
    const auto bytes = Pattern(size);
    ASSERT_TRUE(test::WriteFileBytes(dir.Path(u"a.wav"), bytes));
    ReadOnlyMapping m;
    ASSERT_TRUE(m.Open(dir.Path(u"a.wav")));
    EXPECT_EQ(m.Size(), size);
    for (size_t offset : {size_t{0}, size_t{44}, size_t{ReadOnlyMapping::Granularity() - 3}, size - 100, size - 1}) {
        const size_t length = std::min<size_t>(5000, size - offset);
        const uint8_t* p = m.View(offset, length);
        ASSERT_NE(p, nullptr) << offset;
        EXPECT_EQ(std::vector<uint8_t>(p, p + length),
                  std::vector<uint8_t>(bytes.begin() + offset, bytes.begin() + offset + length))
            << offset;
    }
}

TEST(file_mapping, ranges_beyond_the_file_and_empty_ranges_are_refused) {
    ScopedTempDir dir;
    ASSERT_TRUE(test::WriteFileBytes(dir.Path(u"a.wav"), Pattern(100)));
    ReadOnlyMapping m;
    ASSERT_TRUE(m.Open(dir.Path(u"a.wav")));
    EXPECT_EQ(m.View(0, 101), nullptr);
    EXPECT_EQ(m.View(100, 1), nullptr);
    EXPECT_EQ(m.View(50, 0), nullptr);
    EXPECT_EQ(m.View(UINT64_MAX, 2), nullptr);
    EXPECT_NE(m.View(99, 1), nullptr);
}

TEST(file_mapping, missing_and_empty_files_do_not_open) {
    ScopedTempDir dir;
    ReadOnlyMapping m;
    EXPECT_FALSE(m.Open(dir.Path(u"missing.wav")));
    EXPECT_FALSE(m.IsOpen());
    ASSERT_TRUE(test::WriteFileBytes(dir.Path(u"empty.wav"), std::vector<uint8_t>{}));
    EXPECT_FALSE(m.Open(dir.Path(u"empty.wav")));
    EXPECT_FALSE(m.Open(dir.Path()));  // a folder
    EXPECT_EQ(m.View(0, 1), nullptr);
}

TEST(file_mapping, the_file_can_be_read_by_others_and_deleted_after_close) {
    ScopedTempDir dir;
    const auto path = dir.Path(u"a.wav");
    ASSERT_TRUE(test::WriteFileBytes(path, Pattern(4096)));
    {
        ReadOnlyMapping m;
        ASSERT_TRUE(m.Open(path));
        ASSERT_NE(m.View(0, 16), nullptr);
        EXPECT_EQ(test::ReadFileBytes(path).size(), 4096u);
        m.Close();
        EXPECT_FALSE(m.IsOpen());
    }
    EXPECT_TRUE(Remove(path));
}

}  // namespace
}  // namespace mr::fs
