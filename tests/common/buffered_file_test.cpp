#include "common/buffered_file.h"

#include <gtest/gtest.h>

#include "common/memory.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

using test::ScopedTempDir;

TEST(buffered_file, read_returns_the_buffer_only_for_exactly_n_bytes) {
    ScopedTempDir dir;
    const auto path = dir.Path(u"ten.bin");
    ASSERT_TRUE(test::WriteFileBytes(path, "0123456789"));
    BufferedFile f;
    ASSERT_TRUE(f.OpenRead(path));
    EXPECT_EQ(f.Size(), 10u);
    const uint8_t* p = f.Read(4);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), 4), "0123");
    EXPECT_EQ(f.Read(7), nullptr);  // only 6 left
    ASSERT_TRUE(f.Seek(8, fs::Origin::Begin));
    EXPECT_NE(f.Read(2), nullptr);
    EXPECT_EQ(f.Read(1), nullptr);
}

TEST(buffered_file, opening_for_reading_needs_an_existing_file) {
    ScopedTempDir dir;
    BufferedFile f;
    EXPECT_FALSE(f.OpenRead(dir.Path(u"missing.lrc")));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(f.OpenRead(dir.Path()));  // a folder is not a file
    f.Close();                             // harmless when closed
    f.Close();
}

TEST(buffered_file, buffer_grows_in_whole_pages_and_zero_frees_it) {
    BufferedFile f;
    uint8_t* b = f.Buffer(1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(f.Capacity(), PageSize());
    EXPECT_EQ(f.Buffer(PageSize()), b);  // fits: same buffer
    ASSERT_NE(f.Buffer(PageSize() + 1), nullptr);
    EXPECT_EQ(f.Capacity(), 2 * PageSize());
    EXPECT_EQ(f.Buffer(0), nullptr);
    EXPECT_EQ(f.Capacity(), 0u);
    EXPECT_EQ(f.Data(), nullptr);
}

TEST(buffered_file, writes_from_the_buffer_and_from_caller_bytes) {
    ScopedTempDir dir;
    const auto path = dir.Path(u"out.bin");
    {
        BufferedFile f;
        ASSERT_TRUE(f.OpenWrite(path, fs::kWrite, fs::kShareNone, fs::Disposition::CreateAlways));
        uint8_t* b = f.Buffer(3);
        b[0] = 'a', b[1] = 'b', b[2] = 'c';
        EXPECT_TRUE(f.Write(3));
        EXPECT_TRUE(f.Write("def", 3));
        EXPECT_FALSE(f.Write(f.Capacity() + 1));
        EXPECT_EQ(f.CurrentSize(), 6u);
        ASSERT_TRUE(f.Seek(4, fs::Origin::Begin));
        EXPECT_TRUE(f.SetEndOfFile());
        EXPECT_EQ(f.CurrentSize(), 4u);
    }
    const auto bytes = test::ReadFileBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abcd");
}

TEST(buffered_file, files_of_4_gib_are_refused_and_one_byte_less_is_not) {
    ScopedTempDir dir;
    const auto path = dir.Path(u"huge.bin");
    {
        // A sparse file: extend it with a seek and SetEndOfFile.
        BufferedFile w;
        ASSERT_TRUE(w.OpenWrite(path, fs::kWrite, fs::kShareNone, fs::Disposition::CreateAlways));
        ASSERT_TRUE(w.Seek(int64_t{1} << 32, fs::Origin::Begin));
        ASSERT_TRUE(w.SetEndOfFile());
    }
    BufferedFile f;
    EXPECT_FALSE(f.OpenRead(path));
    EXPECT_FALSE(f.IsOpen());
    {
        BufferedFile w;
        ASSERT_TRUE(w.OpenWrite(path, fs::kWrite, fs::kShareNone, fs::Disposition::OpenExisting));
        ASSERT_TRUE(w.Seek((int64_t{1} << 32) - 1, fs::Origin::Begin));
        ASSERT_TRUE(w.SetEndOfFile());
    }
    ASSERT_TRUE(f.OpenRead(path));
    EXPECT_EQ(f.Size(), 0xFFFFFFFFu);
    f.Close();
    fs::Remove(path);
}

}  // namespace
}  // namespace mr
