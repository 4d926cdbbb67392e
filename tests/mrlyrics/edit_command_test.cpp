// mrlyrics edit run as a program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/mrlyrics/run_program.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

ProgramResult Edit(std::vector<std::u16string> args) {
    ProgramResult r;
    args.insert(args.begin(), u"edit");
    EXPECT_TRUE(RunProgram(BuiltProgram(u"mrlyrics"), args, &r)) << r.err;
    return r;
}

TEST(mrlyrics_edit, opens_the_demo_lyrics_as_the_editor_does_and_edits_them) {
    ScopedTempDir dir;
    const auto script = dir.Path(u"s.txt");
    ASSERT_TRUE(WriteFileBytes(script, "dump\nremove-timing 105\nundo\ndump\n"));
    const ProgramResult r = Edit({u"--load", SourcePath("demo/demo.lrc"), script});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // Loaded: unmodified, nothing to undo, the first word's syllables flagged
    // and timed in ticks.
    const size_t first = r.out.find('\n');
    ASSERT_NE(first, std::string::npos);
    const std::string loaded = r.out.substr(0, first);
    EXPECT_EQ(loaded.rfind("{\"text\": \"Lanterns on the quay\\rSwinging", 0), 0u) << loaded;
    EXPECT_NE(loaded.find("\"flags\": [3, 9, 12, 16, "), std::string::npos) << loaded;
    EXPECT_NE(loaded.find("\"timings\": [[100, 140], [140, 180], "), std::string::npos) << loaded;
    EXPECT_NE(loaded.find("\"canUndo\": false, \"canRedo\": false, \"modified\": false"), std::string::npos);
    EXPECT_NE(r.out.find("{\"op\": \"remove-timing\", \"ok\": true}\n{\"op\": \"undo\", \"ok\": true}\n"),
              std::string::npos);
    const std::string last = r.out.substr(r.out.rfind('{'));
    EXPECT_NE(last.find("\"canRedo\": true, \"modified\": false"), std::string::npos) << last;
}

TEST(mrlyrics_edit, a_malformed_line_exits_with_2_after_the_lines_before_it) {
    ScopedTempDir dir;
    const auto script = dir.Path(u"bad.txt");
    ASSERT_TRUE(WriteFileBytes(script, "insert-text 0 \"a\"\n\ninsert-text 0 a\ndump\n"));
    const ProgramResult r = Edit({script});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "{\"op\": \"insert-text\", \"ok\": true}\n");
    EXPECT_EQ(r.err, "mrlyrics edit: line 3: TEXT must be a JSON string literal in double quotes\n");
}

TEST(mrlyrics_edit, unreadable_inputs_exit_with_1_and_usage_errors_with_2) {
    ScopedTempDir dir;
    const auto script = dir.Path(u"ok.txt");
    ASSERT_TRUE(WriteFileBytes(script, "dump\n"));
    ProgramResult r = Edit({dir.Path(u"missing.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot read the script"), std::string::npos) << r.err;
    r = Edit({u"--load", dir.Path(u"missing.lrc"), script});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot load"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    r = Edit({u"--load", dir.Path(u"song.wav"), script});
    EXPECT_EQ(r.exitCode, 2);
    r = Edit({});
    EXPECT_EQ(r.exitCode, 2);
    r = Edit({script, script});
    EXPECT_EQ(r.exitCode, 2);
    r = Edit({u"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("usage: mrlyrics edit [--load FILE] SCRIPT"), std::string::npos);
}

}  // namespace
}  // namespace mr::test
