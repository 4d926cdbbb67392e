#include "tools/mrlyrics/edit_script.h"

#include <gtest/gtest.h>

#include <string>

#include "editor/store/sync_document.h"
#include "tests/editor/editor_test_util.h"

namespace mr {
namespace {

struct ScriptRun {
    bool ok;
    std::string out, error;
};

ScriptRun Script(SyncDocument& doc, std::string_view script) {
    ScriptRun r;
    r.ok = tool::RunEditScript(doc, script, &r.out, &r.error);
    return r;
}

TEST(edit_script, every_operation_prints_one_line_and_dump_prints_the_state) {
    SyncDocument doc;
    const ScriptRun r = Script(doc,
                         "insert-text 0 \"ab cd\\ref\"\n"
                         "set-syncpoint 3\n"
                         "set-syncpoint 0\n"
                         "insert-timing 10\n"
                         "dump\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.out,
              "{\"op\": \"insert-text\", \"ok\": true}\n"
              "{\"op\": \"set-syncpoint\", \"ok\": true}\n"
              "{\"op\": \"set-syncpoint\", \"ok\": false}\n"
              "{\"op\": \"insert-timing\", \"ok\": true}\n"
              "{\"text\": \"ab cd\\ref\", \"flags\": [3], \"segments\": 3, \"timings\": [[10, 30]], "
              "\"canUndo\": true, \"canRedo\": false, \"modified\": true, \"lastTool\": 1, \"lastIndex\": 0}\n");
}

TEST(edit_script, drags_run_the_press_then_each_time_and_typing_is_one_run) {
    SyncDocument doc;
    test::Load(doc, u"a|b|c", {{10, 20}, {20, 30}, {40, 60}});
    const ScriptRun r = Script(doc,
                         "adjust 25 45 100\n"
                         "move-following 42 -40\n"
                         "move 25 10\n"
                         "type 3 \"xyz\"\n"
                         "undo\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.out,
              "{\"op\": \"adjust\", \"ok\": true}\n"
              "{\"op\": \"move-following\", \"ok\": true}\n"
              "{\"op\": \"move\", \"ok\": false}\n"
              "{\"op\": \"type\", \"ok\": true}\n"
              "{\"op\": \"undo\", \"ok\": true}\n");
    EXPECT_EQ(test::Marked(doc), u"a|b|c");
    EXPECT_EQ(test::Timings(doc), (test::Entries{{10, 20}, {20, 56}, {56, 60}}));
}

TEST(edit_script, comments_blank_lines_crlf_and_a_byte_order_mark_are_skipped) {
    SyncDocument doc;
    const ScriptRun r = Script(doc, "\xEF\xBB\xBF# setup\r\n\r\n   \t\r\n  # indented comment\r\ninsert-text 0 \"x\"\r\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.out, "{\"op\": \"insert-text\", \"ok\": true}\n");
    EXPECT_EQ(test::Marked(doc), u"x");
}

TEST(edit_script, text_is_a_json_string_with_its_escapes) {
    SyncDocument doc;
    const ScriptRun r = Script(doc, "insert-text 0 \"a\\\"\\\\\\/\\t\\u00e9\\ud83c\\udfb5 \xC3\xA9\\r\"\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(test::Marked(doc), std::u16string(u"a\"\\/\t\u00e9\U0001F3B5 \u00e9\r"));
}

TEST(edit_script, a_malformed_line_stops_the_run_names_the_line_and_changes_nothing) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"frob 3", "line 2: unknown operation \"frob\""},
        {"insert-text 0", "line 2: missing TEXT"},
        {"insert-text x \"a\"", "line 2: POS is not a number: \"x\""},
        {"insert-text 0 a", "line 2: TEXT must be a JSON string literal in double quotes"},
        {"insert-text 0 \"a", "line 2: TEXT is not closed by a double quote"},
        {"insert-text 0 \"a\tb\"", "line 2: TEXT holds a raw control character; write it as an escape such as \\r"},
        {"insert-text 0 \"a\\q\"", "line 2: TEXT has an unknown escape \\q"},
        {"insert-text 0 \"\\u12g4\"", "line 2: TEXT has a \\u escape without four hex digits"},
        {"insert-text 0 \"a\"b", "line 2: unexpected characters after TEXT"},
        {"delete-text 0 1 2", "line 2: unexpected \"2\" at the end"},
        {"delete-text 0 2147483648", "line 2: COUNT is out of range: \"2147483648\""},
        {"adjust 12 40 x", "line 2: drag time is not a number: \"x\""},
        {"adjust", "line 2: missing T0"},
        {"undo now", "line 2: unexpected \"now\" at the end"},
        {"dump all", "line 2: unexpected \"all\" at the end"},
        {"set-syncpoint -", "line 2: POS is not a number: \"-\""},
    };
    for (const auto& c : cases) {
        SyncDocument doc;
        test::Load(doc, u"ab|cd", {{10, 20}, {20, 30}});
        const ScriptRun r = Script(doc, std::string("mark-saved\n") + c.line + "\ninsert-text 0 \"never\"\n");
        EXPECT_FALSE(r.ok) << c.line;
        EXPECT_EQ(r.error, c.message) << c.line;
        EXPECT_EQ(r.out, "{\"op\": \"mark-saved\", \"ok\": true}\n") << c.line;
        EXPECT_EQ(test::Marked(doc), u"ab|cd") << c.line;
        EXPECT_EQ(test::Timings(doc), (test::Entries{{10, 20}, {20, 30}})) << c.line;
        EXPECT_FALSE(doc.CanUndo()) << c.line;
    }
}

TEST(edit_script, numbers_take_the_whole_signed_32_bit_range) {
    SyncDocument doc;
    const ScriptRun r = Script(doc, "insert-timing 2147483647\nmove -2147483648 0\ninsert-text -1 \"a\"\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.out,
              "{\"op\": \"insert-timing\", \"ok\": false}\n"
              "{\"op\": \"move\", \"ok\": false}\n"
              "{\"op\": \"insert-text\", \"ok\": false}\n");
}

}  // namespace
}  // namespace mr
