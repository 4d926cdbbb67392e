// mrlyrics convert run as a program: round trips through both formats,
// embedded pictures (decoded with GDI+ in the Windows build, under Wine),
// failures that must leave OUT as it was, and the command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/editor/app_data.h"
#include "tests/editor/test_pictures.h"
#include "tests/lyrics/native_file_builder.h"
#include "tests/mrlyrics/run_program.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

ProgramResult Convert(std::vector<std::u16string> args) {
    ProgramResult r;
    args.insert(args.begin(), u"convert");
    EXPECT_TRUE(RunProgram(BuiltProgram(u"mrlyrics"), args, &r));
    return r;
}

std::string Text(const std::vector<uint8_t>& b) {
    return std::string(b.begin(), b.end());
}

uint32_t U32BE(const std::string& s, size_t at) {
    return (uint32_t{static_cast<uint8_t>(s[at])} << 24) | (uint32_t{static_cast<uint8_t>(s[at + 1])} << 16) |
           (uint32_t{static_cast<uint8_t>(s[at + 2])} << 8) | static_cast<uint8_t>(s[at + 3]);
}

// The records of a native file's picture chunk as (duration, bytes).
std::vector<std::pair<uint32_t, std::string>> Pictures(const std::string& file) {
    std::vector<std::pair<uint32_t, std::string>> r;
    for (size_t at = 12; at + 8 <= file.size();) {
        const uint32_t n = U32BE(file, at + 4);
        if (file.compare(at, 4, "IMG0") == 0) {
            for (size_t o = at + 12; o + 8 <= at + 8 + n;) {
                const uint32_t size = U32BE(file, o + 4);
                r.emplace_back(U32BE(file, o), file.substr(o + 8, size));
                o += 8 + size;
            }
        }
        at += 8 + n;
    }
    return r;
}

const std::string kWords =
    "\xEF\xBB\xBF[ti:Lanterns]\r\n[ar:Demo Band]\r\n[al:Sessions]\r\n"
    "[00:01.00]Lan<00:01.40>terns <00:01.80>on <00:02.10>the <00:02.40><00:02.60>quay<00:03.20>\r\n"
    "[00:03.50]Swing<00:04.00>ing <00:04.30>slow<00:06.30>\r\n"
    "[00:07.00]Lan<00:07.40>terns <00:07.80>on <00:08.10>the <00:08.40>quay<00:09.20>\r\n"
    "[75:00.00]late<75:01.50>";

TEST(mrlyrics_convert, lrc_to_mr_and_back_gives_the_same_lrc) {
    ScopedAppData appData;
    ScopedTempDir dir;
    const auto in = dir.Path(u"in.lrc"), mr = dir.Path(u"mid.mr"), out = dir.Path(u"out.lrc");
    ASSERT_TRUE(WriteFileBytes(in, kWords));
    ProgramResult r = Convert({in, mr});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Text(ReadFileBytes(mr)).substr(0, 4), std::string("MR\0" "3", 4));
    r = Convert({mr, out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Text(ReadFileBytes(out)), kWords);

    // Line stamps in UTF-16BE, then back to UTF-8 through a second .mr.
    const auto lines = dir.Path(u"lines.lrc");
    r = Convert({u"--lines", u"--encoding", u"utf16be", mr, lines});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string be = Text(ReadFileBytes(lines));
    ASSERT_GE(be.size(), 4u);
    EXPECT_EQ(be.substr(0, 4), std::string("\xFE\xFF\0[", 4));
    std::string ascii;
    for (size_t i = 3; i < be.size(); i += 2) ascii += be[i];
    EXPECT_EQ(ascii, "[ti:Lanterns]\r\n[ar:Demo Band]\r\n[al:Sessions]\r\n[00:01.00]Lanterns on the quay\r\n"
                     "[00:03.50]Swinging slow\r\n[00:07.00]Lanterns on the quay\r\n[75:00.00]late");
}

TEST(mrlyrics_convert, embedded_pictures_keep_their_bytes_and_a_corrupt_one_is_left_out) {
    ScopedAppData appData;
    ScopedTempDir dir;
    const auto in = dir.Path(u"pictures.mr"), out = dir.Path(u"copy.mr");
    ASSERT_TRUE(WriteFileBytes(in, MrFile()
                                       .Info("Slides", "", "")
                                       .Texts({"la la"})
                                       .Sync({LineEntry(0), 3}, true)
                                       .Times({{1000, 2000}, {2000, 3000}})
                                       .Pictures({{4000, MakePng()},
                                                  {5000, MakeJpeg()},
                                                  {6000, MakeCorruptPicture()},
                                                  {7000, MakeGif()},
                                                  {8000, MakeBmp()}})
                                       .Bytes()));
    const ProgramResult r = Convert({in, out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "mrlyrics convert: note: 1 picture(s) did not decode and were left out\n");
    const std::string file = Text(ReadFileBytes(out));
    EXPECT_EQ(Pictures(file), (std::vector<std::pair<uint32_t, std::string>>{
                                  {4000, MakePng()}, {5000, MakeJpeg()}, {7000, MakeGif()}, {8000, MakeBmp()}}));
    // The simple flag travels with the file.
    EXPECT_NE(file.find(std::string("SPT0\0\0\0\x0C\0\0\0\x01", 12)), std::string::npos);
    // The store's temporary picture file went with the program.
    if (appData.Private()) {
        EXPECT_EQ(appData.StoreFiles(), std::vector<std::u16string>{});
    }

    // Without a place for the store's temporary file the pictures cannot be
    // kept, and nothing is written.
    if (appData.Private()) {
        const auto blocked = dir.Path(u"not a folder");
        ASSERT_TRUE(WriteFileBytes(blocked, std::string("x")));
        ScopedAppData nowhere(blocked);
        const ProgramResult failed = Convert({in, out});
        EXPECT_EQ(failed.exitCode, 1);
        EXPECT_NE(failed.err.find("5 embedded pictures"), std::string::npos) << failed.err;
        EXPECT_EQ(Text(ReadFileBytes(out)), file);
    }

    // Converting the copy over itself keeps the pictures (the store read them
    // before the save replaced the file).
    const ProgramResult again = Convert({out, out});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(Text(ReadFileBytes(out)), file);
}

TEST(mrlyrics_convert, lrc_output_notes_what_it_cannot_hold) {
    ScopedAppData appData;
    ScopedTempDir dir;
    const auto in = dir.Path(u"in.mr"), out = dir.Path(u"out.lrc");
    ASSERT_TRUE(WriteFileBytes(in, MrFile()
                                       .Info("", "", "")
                                       .Texts({"timed", "not yet \xC4\x80"})
                                       .Sync({LineEntry(0), LineEntry(1)})
                                       .Times({{1000, 2000}})
                                       .Pictures({{4000, MakePng()}})
                                       .Bytes()));
    const ProgramResult r = Convert({u"--encoding", u"ansi", in, out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("1 picture(s) are not kept by LRC"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 untimed segment(s) at the end were not written"), std::string::npos) << r.err;
    EXPECT_EQ(Text(ReadFileBytes(out)), "[00:01.00]timed<00:02.00>");
}

TEST(mrlyrics_convert, failures_exit_with_1_and_leave_out_as_it_was) {
    ScopedAppData appData;
    ScopedTempDir dir;
    const auto out = dir.Path(u"out.lrc");
    const std::string old = "[00:01.00]the old file";
    ASSERT_TRUE(WriteFileBytes(out, old));

    ProgramResult r = Convert({dir.Path(u"missing.lrc"), out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot read"), std::string::npos) << r.err;

    // Times of 100 minutes and more do not fit LRC; a native file holds them.
    const auto late = dir.Path(u"late.lrc");
    ASSERT_TRUE(WriteFileBytes(late, "[99:58.00]a\r\n[99:59.00]b\r\n"));
    r = Convert({late, out});  // the last line lasts to 100:00.00
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("100 minutes"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("left as it was"), std::string::npos) << r.err;
    r = Convert({u"--lines", late, out});  // line stamps only: the ends are not written
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Text(ReadFileBytes(out)), "\xEF\xBB\xBF[99:58.00]a\r\n[99:59.00]b");
    ASSERT_TRUE(WriteFileBytes(out, old));
    r = Convert({late, dir.Path(u"late.mr")});
    EXPECT_EQ(r.exitCode, 0) << r.err;

    r = Convert({late, dir.Path(u"no folder/out.lrc")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot save"), std::string::npos) << r.err;
    EXPECT_EQ(Text(ReadFileBytes(out)), old);
    EXPECT_EQ(dir.List(), (std::vector<std::u16string>{u"late.lrc", u"late.mr", u"out.lrc"}));
}

TEST(mrlyrics_convert, the_command_line_is_checked_before_anything_is_read) {
    ScopedTempDir dir;
    const auto in = dir.Path(u"in.lrc");
    ASSERT_TRUE(WriteFileBytes(in, "[00:01.00]a"));
    EXPECT_EQ(Convert({}).exitCode, 2);
    EXPECT_EQ(Convert({in}).exitCode, 2);
    EXPECT_EQ(Convert({in, dir.Path(u"a.lrc"), dir.Path(u"b.lrc")}).exitCode, 2);
    EXPECT_EQ(Convert({in, dir.Path(u"out.txt")}).exitCode, 2);
    EXPECT_EQ(Convert({dir.Path(u"in.kar"), dir.Path(u"out.mr")}).exitCode, 2);
    EXPECT_EQ(Convert({u"--encoding", u"latin1", in, dir.Path(u"o.lrc")}).exitCode, 2);
    EXPECT_EQ(Convert({u"--encoding", u"utf8", in, dir.Path(u"o.mr")}).exitCode, 2);
    EXPECT_EQ(Convert({u"--simple", in, dir.Path(u"o.lrc")}).exitCode, 2);
    EXPECT_EQ(Convert({u"--words", u"--lines", in, dir.Path(u"o.lrc")}).exitCode, 2);
    const ProgramResult bad = Convert({u"--fast", in, dir.Path(u"o.lrc")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("unknown option \"--fast\""), std::string::npos) << bad.err;
    EXPECT_EQ(dir.List(), (std::vector<std::u16string>{u"in.lrc"}));
    const ProgramResult help = Convert({u"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: mrlyrics convert"), std::string::npos);
}

}  // namespace
}  // namespace mr::test
