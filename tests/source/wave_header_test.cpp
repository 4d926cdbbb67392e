#include "audio/source/wave_header.h"

#include <gtest/gtest.h>

#include "tests/source/wave_test_files.h"

namespace mr::wavesource {
namespace {

using test::WaveFile;
using test::WaveSpec;

bool Check(const std::vector<uint8_t>& file, WaveFormat* f) {
    return ReadWaveHeader(file.data(), file.size(), f);
}

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(wave_header, the_four_pcm_layouts_are_accepted) {
    for (const WaveSpec s : {WaveSpec{1, 8, 8000}, WaveSpec{2, 8, 11025}, WaveSpec{1, 16, 22050}, WaveSpec{2, 16, 44100}}) {
        SCOPED_TRACE(s.channels * 100 + s.bits);
        WaveFormat f;
        ASSERT_TRUE(Check(WaveFile(s, std::vector<uint8_t>(40, 0)), &f));
        EXPECT_EQ(f.channels, s.channels);
        EXPECT_EQ(f.bitsPerSample, s.bits);
        EXPECT_EQ(f.samplesPerSec, s.rate);
        EXPECT_EQ(f.blockAlign, s.channels * s.bits / 8);
        EXPECT_EQ(f.dataBytes, 40u);
        EXPECT_EQ(f.frames, 40u / f.blockAlign);
    }
}

TEST(wave_header, data_length_beyond_the_file_is_cut_to_it) {
    WaveFormat f;
    ASSERT_TRUE(Check(WaveFile({}, std::vector<uint8_t>(400, 0), 1000000), &f));
    EXPECT_EQ(f.dataBytes, 400u);
    EXPECT_EQ(f.frames, 100u);
    // A trailing partial frame is not a frame.
    ASSERT_TRUE(Check(WaveFile({}, std::vector<uint8_t>(402, 0), 0xFFFFFFFFu), &f));
    EXPECT_EQ(f.frames, 100u);
    // A shorter length field is kept: bytes behind it are not samples.
    ASSERT_TRUE(Check(WaveFile({}, std::vector<uint8_t>(400, 0), 8), &f));
    EXPECT_EQ(f.frames, 2u);
}

TEST(wave_header, files_without_one_whole_frame_are_refused) {
    WaveFormat f;
    EXPECT_FALSE(Check(WaveFile({}, {}), &f));
    EXPECT_FALSE(Check(WaveFile({}, {1, 2, 3}), &f));          // less than one 4-byte frame
    EXPECT_FALSE(Check(WaveFile({}, std::vector<uint8_t>(40, 0), 0), &f));  // length field 0
    EXPECT_FALSE(Check(WaveFile({}, {}, 4000), &f));           // nothing behind the header
    EXPECT_FALSE(ReadWaveHeader(WaveFile({}, {1, 2, 3, 4}).data(), 43, &f));  // not even a header
    EXPECT_TRUE(Check(WaveFile({1, 8, 8000}, {128}), &f));
}

TEST(wave_header, every_field_of_the_table_is_checked) {
    const auto good = WaveFile({}, std::vector<uint8_t>(64, 0));
    struct Damage {
        const char* what;
        void (*apply)(std::vector<uint8_t>&);
    };
    const Damage damages[] = {
        {"RIFF", [](auto& b) { b[0] = 'X'; }},
        {"WAVE", [](auto& b) { b[9] = 'X'; }},
        {"fmt ", [](auto& b) { b[15] = 'X'; }},
        {"fmt chunk of 18 bytes", [](auto& b) { Put32(b, 16, 18); }},
        {"format tag 3 (float)", [](auto& b) { Put16(b, 20, 3); }},
        {"extensible tag", [](auto& b) { Put16(b, 20, 0xFFFE); }},
        {"11127 Hz", [](auto& b) { Put32(b, 24, 11127); }},
        {"0 Hz", [](auto& b) { Put32(b, 24, 0); }},
        {"block alignment 3", [](auto& b) { Put16(b, 32, 3); }},
        {"block alignment 6 (24-bit stereo)", [](auto& b) { Put16(b, 32, 6); Put16(b, 34, 24); }},
        {"24-bit mono in 4 bytes", [](auto& b) { Put16(b, 22, 1); Put16(b, 34, 32); }},
        {"three channels", [](auto& b) { Put16(b, 22, 3); }},
        {"channels that contradict the alignment", [](auto& b) { Put16(b, 32, 2); }},
        {"data", [](auto& b) { b[36] = 'D'; }},
    };
    WaveFormat f;
    ASSERT_TRUE(Check(good, &f));
    for (const Damage& d : damages) {
        auto bad = good;
        d.apply(bad);
        EXPECT_FALSE(Check(bad, &f)) << d.what;
    }
}

TEST(wave_header, rates_whose_byte_rate_exceeds_32_bits_are_refused) {
    struct Case {
        uint16_t channels, bits;
        uint32_t rate;
        bool accepted;
    } cases[] = {
        {2, 16, 1073741800, true},   // 4 × rate just below 2^32
        {2, 16, 1073741825, false},  // 4 × rate past 2^32
        {1, 8, 4294967275, true},    // the highest multiple of 25, one byte per frame
        {1, 16, 2147483650, false},
    };
    for (const Case& c : cases) {
        auto file = WaveFile({}, std::vector<uint8_t>(64, 0));
        Put16(file, 22, c.channels);
        Put32(file, 24, c.rate);
        Put16(file, 32, static_cast<uint16_t>(c.channels * c.bits / 8));
        Put16(file, 34, c.bits);
        WaveFormat f;
        EXPECT_EQ(Check(file, &f), c.accepted) << c.rate;
    }
}

TEST(wave_header, other_chunks_between_fmt_and_data_are_refused) {
    // A LIST chunk where "data" must be, as some writers put one there.
    mr::test::Bytes b;
    b.Raw("RIFF").U32(100).Raw("WAVE").Raw("fmt ").U32(16).U16(1).U16(2).U32(44100).U32(176400).U16(4).U16(16);
    b.Raw("LIST").U32(4).Raw("INFO").Raw("data").U32(8).U32(0).U32(0);
    WaveFormat f;
    EXPECT_FALSE(ReadWaveHeader(b.Get().data(), b.Size(), &f));
    // An 18-byte fmt chunk (with its extra-size field) moves "data" to 38.
    mr::test::Bytes c;
    c.Raw("RIFF").U32(100).Raw("WAVE").Raw("fmt ").U32(18).U16(1).U16(2).U32(44100).U32(176400).U16(4).U16(16);
    c.U16(0).Raw("data").U32(8).U32(0).U32(0);
    EXPECT_FALSE(ReadWaveHeader(c.Get().data(), c.Size(), &f));
}

}  // namespace
}  // namespace mr::wavesource
