#include "common/file.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/support/test_support.h"

namespace mr::fs {
namespace {

using test::ScopedTempDir;

TEST(file, replace_move_replaces_an_existing_target) {
    ScopedTempDir dir;
    const auto from = dir.Path(u"new.tmp"), to = dir.Path(u"song.lrc");
    ASSERT_TRUE(test::WriteFileBytes(from, "new"));
    ASSERT_TRUE(test::WriteFileBytes(to, "old"));
    ASSERT_TRUE(ReplaceMove(from, to));
    EXPECT_FALSE(Exists(from));
    const auto bytes = test::ReadFileBytes(to);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new");
}

TEST(file, unique_temporary_files_are_created_empty_with_distinct_names) {
    ScopedTempDir dir;
    std::set<std::u16string> names;
    for (int i = 0; i < 20; ++i) {
        std::u16string path;
        ASSERT_TRUE(CreateUniqueTempFile(dir.Path(), u"img", &path));
        EXPECT_EQ(ParentFolder(path), dir.Path());
        EXPECT_EQ(FileName(path).substr(0, 3), u"img");
        EXPECT_EQ(Extension(path), u".tmp");
        EXPECT_TRUE(Exists(path));
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 20u);
    EXPECT_EQ(dir.List().size(), 20u);
    std::u16string path;
    EXPECT_FALSE(CreateUniqueTempFile(dir.Path(u"no-such-folder"), u"img", &path));
}

TEST(file, folders_are_made_once_and_told_apart_from_files) {
    ScopedTempDir dir;
    const auto sub = dir.Path(u"Mirelto");
    EXPECT_TRUE(MakeDirectory(sub));
    EXPECT_TRUE(MakeDirectory(sub));  // already there
    EXPECT_TRUE(IsDirectory(sub));
    const auto file = Join(sub, u"a.txt");
    ASSERT_TRUE(test::WriteFileBytes(file, "x"));
    EXPECT_FALSE(IsDirectory(file));
    EXPECT_FALSE(MakeDirectory(file));
    EXPECT_TRUE(Remove(file));
    EXPECT_FALSE(Exists(file));
    EXPECT_FALSE(Remove(file));
}

TEST(file, path_parts) {
    EXPECT_EQ(ParentFolder(u"C:\\Music\\song.mp3"), u"C:\\Music");
    EXPECT_EQ(ParentFolder(u"/music/song.mp3"), u"/music");
    EXPECT_EQ(ParentFolder(u"song.mp3"), u"");
    EXPECT_EQ(FileName(u"C:\\Music\\song.mp3"), u"song.mp3");
    EXPECT_EQ(Extension(u"C:\\Music\\song.MP3"), u".MP3");
    EXPECT_EQ(Extension(u"C:\\my.music\\song"), u"");
    EXPECT_EQ(Extension(u"song."), u".");
    EXPECT_EQ(Join(u"a", u"b.txt"), std::u16string(u"a") + kSeparator + u"b.txt");
    EXPECT_EQ(Join(u"a\\", u"b"), u"a\\b");
}

struct HookState {
    Operation failOn;
    int calls = 0;
};

bool FailOne(Operation op, void* context) {
    auto* s = static_cast<HookState*>(context);
    ++s->calls;
    return op == s->failOn;
}

TEST(file, the_fault_hook_fails_the_chosen_operation_without_side_effects) {
    ScopedTempDir dir;
    const auto from = dir.Path(u"a.tmp"), to = dir.Path(u"b.lrc");
    ASSERT_TRUE(test::WriteFileBytes(from, "a"));
    HookState state{Operation::ReplaceMove};
    SetFaultHook(FailOne, &state);
    EXPECT_FALSE(ReplaceMove(from, to));
    std::u16string temp;
    EXPECT_TRUE(CreateUniqueTempFile(dir.Path(), u"x", &temp));
    SetFaultHook(nullptr, nullptr);
    EXPECT_EQ(state.calls, 2);
    EXPECT_TRUE(Exists(from));
    EXPECT_FALSE(Exists(to));

    state = HookState{Operation::Write};
    SetFaultHook(FailOne, &state);
    const Handle h = Open(to, kWrite, kShareNone, Disposition::CreateAlways);
    ASSERT_NE(h, kInvalidHandle);
    EXPECT_FALSE(Write(h, "abc", 3));
    SetFaultHook(nullptr, nullptr);
    uint64_t size = 1;
    EXPECT_TRUE(Size(h, &size));
    EXPECT_EQ(size, 0u);
    Close(h);
}

TEST(file, app_data_folder_is_known) {
    EXPECT_FALSE(AppDataFolder().empty());
}

}  // namespace
}  // namespace mr::fs
