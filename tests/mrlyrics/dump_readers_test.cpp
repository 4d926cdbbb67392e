// mrlyrics dump on native files with embedded pictures and on karaoke MIDI
// files, run as a program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/mrlyrics/run_program.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

ProgramResult Dump(std::vector<std::u16string> args) {
    args.insert(args.begin(), u"dump");
    ProgramResult r;
    EXPECT_TRUE(RunProgram(BuiltProgram(u"mrlyrics"), args, &r));
    return r;
}

bool Has(const ProgramResult& r, const std::string& s) {
    return r.out.find(s) != std::string::npos;
}

// A version 3 file: two lines, the first in two timed segments, the simple
// flag set, and two embedded pictures.
std::vector<uint8_t> NativeWithPictures() {
    Bytes chunks;
    chunks.Raw("INFO").U32BE(4 + 9).U32BE(0).Raw(std::string("Ti\0Ar\0Al\0", 9));
    chunks.Raw("TEXT").U32BE(4 + 13).U32BE(0).Raw(std::string("Hello you\0Hi\0", 13));
    chunks.Raw("SPT0").U32BE(4 + 12).U32BE(1).U32BE(0x80000000u).U32BE(6).U32BE(0x80000001u);
    chunks.Raw("TSP0").U32BE(4 + 16).U32BE(0).U32BE(1000).U32BE(0x80000000u | 2000).U32BE(0x80000000u | 2500).U32BE(4000);
    // 12 + 21 + 25 + 24 + 28 = 110: the picture chunk's header.
    chunks.Raw("IMG0").U32BE(4 + 8 + 3 + 8 + 2).U32BE(0).U32BE(3000).U32BE(3).Raw("abc").U32BE(1500).U32BE(2).Raw("de");
    Bytes file;
    file.Raw(std::string("MR\0" "3", 4)).U32BE(static_cast<uint32_t>(chunks.Size() + 4)).U32BE(0).Raw(chunks.Get());
    return file.Get();
}

TEST(mrlyrics_dump_readers, a_native_file_shows_its_pictures_by_offset_and_size_with_the_source_open) {
    ScopedTempDir dir;
    const auto path = dir.Path(u"song.mr");
    ASSERT_TRUE(WriteFileBytes(path, NativeWithPictures()));
    const ProgramResult r = Dump({path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Has(r, "\"info\": [\"Ti\", \"Ar\", \"Al\"]")) << r.out;
    EXPECT_TRUE(Has(r, "\"simple\": 1"));
    EXPECT_TRUE(Has(r, "\"sync\": [2147483648, 6, 2147483649]")) << r.out;
    EXPECT_TRUE(Has(r, "\"times\": [[1000, 2000], [2000, 2500], [2500, 4000]]")) << r.out;
    // Picture bytes lie after the chunk header (110 + 8), the flags word and
    // each record's header.
    EXPECT_TRUE(Has(r, "\"offset\": 130")) << r.out;
    EXPECT_TRUE(Has(r, "\"size\": 3"));
    EXPECT_TRUE(Has(r, "\"offset\": 141")) << r.out;
    EXPECT_TRUE(Has(r, "\"size\": 2"));
    EXPECT_TRUE(Has(r, "\"slideShowDuration\": 4500"));
    EXPECT_TRUE(Has(r, "\"sourceOpen\": true"));
    // The players read the simple file as whole lines.
    const ProgramResult player = Dump({u"--player", path});
    EXPECT_TRUE(Has(player, "\"sync\": [2147483648, 2147483649]")) << player.out;
    EXPECT_TRUE(Has(player, "\"times\": [[1000, 1001], [2500, 2501]]")) << player.out;
}

TEST(mrlyrics_dump_readers, a_karaoke_midi_file_gives_its_lines_and_times) {
    const ProgramResult r = Dump({u"--player", SourcePath("tests/lyrics/data/midi/lantern_walk.mid")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Has(r, "\"Walk the lantern down the quay, where lights are low\"")) << r.out;
    EXPECT_TRUE(Has(r, "[8001, 8002]")) << r.out;
    EXPECT_TRUE(Has(r, "\"sourceOpen\": false"));
    // The same bytes named .kar are read as karaoke MIDI too.
    ScopedTempDir dir;
    const auto kar = dir.Path(u"song.kar");
    ASSERT_TRUE(WriteFileBytes(kar, ReadFileBytes(SourcePath("tests/lyrics/data/midi/lantern_walk.mid"))));
    EXPECT_EQ(Dump({u"--player", kar}).out, r.out);
}

}  // namespace
}  // namespace mr::test
