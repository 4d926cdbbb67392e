// The mrlyrics tool run as a program, as a user runs it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/mrlyrics/run_program.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

ProgramResult Tool(std::vector<std::u16string> args) {
    ProgramResult r;
    EXPECT_TRUE(RunProgram(BuiltProgram(u"mrlyrics"), args, &r)) << r.err;
    return r;
}

std::string Without(std::string s, char c) {
    std::erase(s, c);
    return s;
}

// The JSON with its line breaks and indentation removed.
std::string Flat(const std::string& json) {
    std::string s;
    bool lineStart = false;
    for (char c : json) {
        if (c == '\n') {
            lineStart = true;
            continue;
        }
        if (lineStart && c == ' ') continue;
        lineStart = false;
        s += c;
    }
    return s;
}

TEST(mrlyrics_dump, prints_the_demo_lyrics) {
    const ProgramResult r = Tool({u"dump", SourcePath("demo/demo.lrc")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("\"ok\": true"), std::string::npos);
    EXPECT_NE(r.out.find("\"info\": [\"Lanterns on the Quay\", \"The Mirelto Demo Band\", \"Sample Sessions\"]"),
              std::string::npos);
    EXPECT_EQ(r.out.back(), '\n');
}

TEST(mrlyrics_dump, prints_every_table_of_a_small_file_exactly) {
    ScopedTempDir dir;
    const auto path = dir.Path(u"small.lrc");
    ASSERT_TRUE(WriteFileBytes(path, "[ar:Me]\r\n[00:01.00]Hi <00:02.00>you\r\n[00:04.00]Bye\r\n"));
    const ProgramResult r = Tool({u"dump", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Flat(r.out),
              "{\"ok\": true,\"encoding\": 1,\"info\": [null, \"Me\", null],\"simple\": 0,"
              "\"texts\": [\"Hi you\", \"Bye\"],\"lines\": [[0, 0], [1, 2]],"
              "\"sync\": [2147483648, 3, 2147483649],\"times\": [[1000, 2000], [2000, 2001], [4000, 4001]],"
              "\"slides\": [],\"slideShowDuration\": 0,\"sourceOpen\": false}");
}

TEST(mrlyrics_dump, player_mode_and_post_processing_options_change_the_result) {
    ScopedTempDir dir;
    const auto lines = dir.Path(u"lines.lrc"), words = dir.Path(u"words.lrc");
    ASSERT_TRUE(WriteFileBytes(lines, "[00:01.00]A\n[00:05.00]B\n"));
    ASSERT_TRUE(WriteFileBytes(words, "[00:01.00]ab<00:01.50> cd<00:02.00>ef\n[00:03.00]g\n"));
    EXPECT_NE(Tool({u"dump", lines}).out.find("\"times\": [[1000, 4750], [5000, 6000]]"), std::string::npos);
    EXPECT_NE(Tool({u"dump", u"--player", lines}).out.find("\"times\": [[1000, 1001], [5000, 5001]]"),
              std::string::npos);
    EXPECT_NE(Tool({u"dump", words}).out.find("\"sync\": [2147483648, 2, 5, 2147483649]"), std::string::npos);
    const std::string dropped = Tool({u"dump", u"--drop-blanks", words}).out;
    EXPECT_NE(dropped.find("\"sync\": [2147483648, 5, 2147483649]"), std::string::npos) << dropped;
    EXPECT_NE(dropped.find("\"lines\": [[0, 0], [1, 2]]"), std::string::npos) << dropped;
    const std::string stripped = Tool({u"dump", u"--strip-words", words}).out;
    EXPECT_NE(stripped.find("\"sync\": [2147483648, 2147483649]"), std::string::npos) << stripped;
    EXPECT_NE(stripped.find("\"times\": [[1000, 1001], [3000, 3001]]"), std::string::npos) << stripped;
}

TEST(mrlyrics_dump, the_kind_comes_from_the_extension_in_any_case_or_from_kind) {
    ScopedTempDir dir;
    const auto upper = dir.Path(u"SONG.LRC"), other = dir.Path(u"song.lyrics"), txt = dir.Path(u"song.txt");
    ASSERT_TRUE(WriteFileBytes(upper, "[00:01.00]A\n"));
    ASSERT_TRUE(WriteFileBytes(other, "[00:01.00]A\n"));
    ASSERT_TRUE(WriteFileBytes(txt, "[00:01.00]A\r\nB"));
    EXPECT_NE(Tool({u"dump", upper}).out.find("\"times\": [[1000, 2000]]"), std::string::npos);

    const ProgramResult unknown = Tool({u"dump", other});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find("--kind"), std::string::npos) << unknown.err;
    const ProgramResult named = Tool({u"dump", u"--kind", u"7", other});
    EXPECT_EQ(named.exitCode, 0);
    EXPECT_NE(named.out.find("\"texts\": [\"A\"]"), std::string::npos);
    // A .txt file is plain text: no stamps are read and no encoding reported.
    const ProgramResult plain = Tool({u"dump", txt});
    EXPECT_NE(plain.out.find("\"texts\": [\"[00:01.00]A\", \"B\"]"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find("\"encoding\": 0"), std::string::npos);
}

TEST(mrlyrics_dump, a_failed_load_still_prints_the_json_and_exits_with_1) {
    ScopedTempDir dir;
    const ProgramResult r = Tool({u"dump", dir.Path(u"missing.lrc")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\"ok\": false"), std::string::npos);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
}

TEST(mrlyrics_dump, usage_errors_exit_with_2_and_say_why) {
    struct Case {
        std::vector<std::u16string> args;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{}, "usage: mrlyrics"},
        {{u"frobnicate"}, "unknown command \"frobnicate\""},
        {{u"dump"}, "no FILE"},
        {{u"dump", u"--loud", u"a.lrc"}, "unknown option \"--loud\""},
        {{u"dump", u"a.lrc", u"b.lrc"}, "only one FILE"},
        {{u"dump", u"--kind", u"12", u"a.lrc"}, "--kind takes 4 to 9"},
        {{u"dump", u"a.lrc", u"--kind"}, "--kind needs a number"},
    };
    for (const Case& c : cases) {
        const ProgramResult r = Tool(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.says;
        EXPECT_EQ(r.out, "") << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

TEST(mrlyrics_dump, help_goes_to_standard_output) {
    for (std::vector<std::u16string> args : {std::vector<std::u16string>{u"--help"}, {u"dump", u"--help"}}) {
        const ProgramResult r = Tool(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_NE(r.out.find("usage: mrlyrics"), std::string::npos);
        EXPECT_NE(r.out.find("dump"), std::string::npos);
        EXPECT_EQ(r.err, "");
    }
}

TEST(mrlyrics_dump, non_ascii_names_and_texts_survive_as_utf8) {
    ScopedTempDir dir;
    const auto path = dir.Path(u"L\u00FDrics \u266A \u6B4C.LRC");
    ASSERT_TRUE(WriteFileBytes(path, "\xEF\xBB\xBF[ti:\xC3\x87" "a va]\n[00:01.00]Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x8E\xA4\n"));
    const ProgramResult r = Tool({u"dump", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"encoding\": 2"), std::string::npos);
    EXPECT_NE(r.out.find("\"info\": [\"\xC3\x87" "a va\", null, null]"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"texts\": [\"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x8E\xA4\"]"), std::string::npos) << r.out;
}

TEST(mrlyrics_dump, reports_the_encoding_it_detected) {
    const struct {
        const char* file;
        const char* encoding;
        const char* text;  // a piece of the first text, as UTF-8
    } cases[] = {
        {"latin_utf8_no_mark.lrc", "\"encoding\": 2", "Ch\xC3\xA9 la stimo"},
        {"chinese_utf8_no_mark.lrc", "\"encoding\": 2", "\xE5\xA4\x9C\xE9\x87\x8C"},
        {"emoji_utf8_no_mark.lrc", "\"encoding\": 2", "\xF0\x9F\x8C\x9F"},
        {"cp1252_accents.lrc", "\"encoding\": 1", "O\xC3\xB9 est"},
        {"ascii_out_of_order.lrc", "\"encoding\": 1", "first line"},
        {"utf8_broken_at_end.lrc", "\"encoding\": 1", "na\xC3\x83\xC2\xAFve"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const ProgramResult r = Tool({u"dump", SourcePath(std::string("tests/lyrics/data/encodings/") + c.file)});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(c.encoding), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(c.text), std::string::npos) << r.out;
    }
}

TEST(mrlyrics_dump, strings_are_escaped_and_lone_surrogates_kept) {
    ScopedTempDir dir;
    const auto path = dir.Path(u"odd.lrc");
    Bytes b;
    b.U16(0xFEFF).Utf16(u"[00:01.00]q\"b\\s\tc").U16(0x0001).U16(0xD800).Utf16(u"z");
    ASSERT_TRUE(WriteFileBytes(path, b.Get()));
    const ProgramResult r = Tool({u"dump", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"texts\": [\"q\\\"b\\\\s\\tc\\u0001\\ud800z\"]"), std::string::npos) << r.out;
    EXPECT_EQ(Without(r.out, '\n').find('\r'), std::string::npos);  // no text-mode translation
}

}  // namespace
}  // namespace mr::test
