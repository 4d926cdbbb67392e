// The wave sink's portable core: which formats it takes, the file it writes
// and the progress it reports.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "audio/sink/decode_progress.h"
#include "audio/sink/pcm_format.h"
#include "audio/sink/wave_file_writer.h"
#include "common/file.h"
#include "tests/support/test_support.h"

namespace mr::audio {
namespace {

using test::Bytes;

// A WAVEFORMATEX block; `extension` appends cbSize and the given bytes.
std::vector<uint8_t> FormatBlock(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    Bytes b;
    b.U16(tag).U16(channels).U32(rate).U32(rate * align).U16(align).U16(bits);
    return b.Get();
}

std::vector<uint8_t> Extensible(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t subFormatTag,
                                uint16_t cbSize = 22) {
    Bytes b;
    b.Raw(FormatBlock(0xFFFE, channels, rate, bits)).U16(cbSize).U16(bits).U32(3);
    // {0000xxxx-0000-0010-8000-00AA00389B71}
    b.U16(subFormatTag).U16(0).U16(0).U16(0x10);
    for (uint8_t v : {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}) b.U8(v);
    return b.Get();
}

PcmFormat Read(const std::vector<uint8_t>& block, FormatBlockResult expected = FormatBlockResult::Ok) {
    PcmFormat f;
    EXPECT_EQ(ReadPcmFormat(block.data(), block.size(), &f), expected);
    return f;
}

TEST(wave_sink_format, rates_that_are_multiples_of_25_and_8_or_16_bits_mono_or_stereo_are_taken) {
    for (uint32_t rate : {8000u, 22050u, 44100u, 48000u})
        for (uint16_t channels : {1, 2})
            for (uint16_t bits : {8, 16}) {
                SCOPED_TRACE(testing::Message() << rate << " Hz " << channels << " ch " << bits << " bit");
                EXPECT_TRUE(IsAcceptedSinkFormat(Read(FormatBlock(1, channels, rate, bits))));
            }
}

TEST(wave_sink_format, odd_rates_wide_samples_many_channels_and_other_tags_are_refused) {
    EXPECT_FALSE(IsAcceptedSinkFormat(Read(FormatBlock(1, 2, 11127, 16))));
    EXPECT_FALSE(IsAcceptedSinkFormat(Read(FormatBlock(1, 2, 44100, 24))));
    EXPECT_FALSE(IsAcceptedSinkFormat(Read(FormatBlock(1, 2, 44100, 32))));
    EXPECT_FALSE(IsAcceptedSinkFormat(Read(FormatBlock(1, 3, 44100, 16))));
    EXPECT_FALSE(IsAcceptedSinkFormat(Read(FormatBlock(1, 0, 44100, 16))));
    EXPECT_FALSE(IsAcceptedSinkFormat(Read(FormatBlock(3, 2, 44100, 16))));  // IEEE float
    // 0 is a multiple of 25, but a file at 0 Hz cannot be played.
    EXPECT_FALSE(IsAcceptedSinkFormat(Read(FormatBlock(1, 2, 0, 16))));
}

TEST(wave_sink_format, a_block_too_short_for_its_fields_is_missing) {
    PcmFormat f;
    EXPECT_EQ(ReadPcmFormat(nullptr, 18, &f), FormatBlockResult::Missing);
    auto block = FormatBlock(1, 2, 44100, 16);
    EXPECT_EQ(ReadPcmFormat(block.data(), 15, &f), FormatBlockResult::Missing);
    // A 16-byte WAVEFORMAT with bits (no cbSize) is enough.
    EXPECT_EQ(ReadPcmFormat(block.data(), 16, &f), FormatBlockResult::Ok);
    EXPECT_EQ(f.samplesPerSecond, 44100u);
    EXPECT_EQ(f.blockAlign, 4);
}

TEST(wave_sink_format, an_extensible_pcm_block_reads_as_plain_pcm) {
    const PcmFormat f = Read(Extensible(2, 48000, 16, 1));
    EXPECT_EQ(f.formatTag, 1);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.samplesPerSecond, 48000u);
    EXPECT_EQ(f.avgBytesPerSecond, 192000u);
    EXPECT_EQ(f.blockAlign, 4);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_TRUE(IsAcceptedSinkFormat(f));
}

TEST(wave_sink_format, an_extensible_block_without_a_whole_pcm_extension_is_refused) {
    Read(Extensible(2, 48000, 16, 3), FormatBlockResult::Refused);       // IEEE float inside
    Read(Extensible(2, 48000, 16, 1, 0), FormatBlockResult::Refused);    // cbSize too small
    auto truncated = Extensible(2, 48000, 16, 1);
    truncated.resize(39);
    Read(truncated, FormatBlockResult::Refused);
}

TEST(wave_sink_format, a_change_while_streaming_must_keep_the_sample_layout) {
    const PcmFormat a = Read(FormatBlock(1, 2, 44100, 16));
    PcmFormat b = a;
    b.avgBytesPerSecond = 1;  // not part of the layout
    b.formatTag = 0xFFFE;
    EXPECT_TRUE(SameSampleLayout(a, b));
    b = a;
    b.samplesPerSecond = 48000;
    EXPECT_FALSE(SameSampleLayout(a, b));
    b = a;
    b.channels = 1;
    EXPECT_FALSE(SameSampleLayout(a, b));
    b = a;
    b.bitsPerSample = 8;
    EXPECT_FALSE(SameSampleLayout(a, b));
    b = a;
    b.blockAlign = 2;
    EXPECT_FALSE(SameSampleLayout(a, b));
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16)) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

PcmFormat Stereo16() {
    PcmFormat f;
    f.formatTag = 1;
    f.channels = 2;
    f.samplesPerSecond = 44100;
    f.avgBytesPerSecond = 176400;
    f.blockAlign = 4;
    f.bitsPerSample = 16;
    return f;
}

TEST(wave_file_writer, the_header_describes_the_format_and_both_sizes) {
    uint8_t header[kWaveHeaderBytes];
    BuildWaveHeader(Stereo16(), 44 + 1000, header);
    const std::vector<uint8_t> b(header, header + kWaveHeaderBytes);
    const auto expected = Bytes()
                              .Raw("RIFF").U32(1036).Raw("WAVEfmt ").U32(16)
                              .U16(1).U16(2).U32(44100).U32(176400).U16(4).U16(16)
                              .Raw("data").U32(1000)
                              .Get();
    EXPECT_EQ(b, expected);
}

TEST(wave_file_writer, an_empty_stream_gives_a_44_byte_file_with_sizes_36_and_0) {
    test::ScopedTempDir dir;
    const auto path = dir.Path(u"wav.tmp");
    WaveFileWriter w;
    ASSERT_TRUE(w.Open(path));
    ASSERT_TRUE(w.Finish(Stereo16()));
    EXPECT_FALSE(w.IsOpen());
    const auto b = test::ReadFileBytes(path);
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(U32At(b, 4), 36u);
    EXPECT_EQ(U32At(b, 40), 0u);
}

TEST(wave_file_writer, samples_follow_the_header_exactly_as_appended) {
    test::ScopedTempDir dir;
    const auto path = dir.Path(u"wav.tmp");
    ASSERT_TRUE(test::WriteFileBytes(path, std::string(5000, 'x')));  // an older, longer decode
    WaveFileWriter w;
    ASSERT_TRUE(w.Open(path));
    const std::vector<uint8_t> a = {1, 2, 3, 4}, b = {5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(w.Append(a.data(), 4));
    ASSERT_TRUE(w.Append(b.data(), 0));
    ASSERT_TRUE(w.Append(b.data(), 8));
    ASSERT_TRUE(w.Finish(Stereo16()));
    const auto file = test::ReadFileBytes(path);
    ASSERT_EQ(file.size(), 56u);
    EXPECT_EQ(U32At(file, 4), 48u);
    EXPECT_EQ(U32At(file, 40), 12u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 44, file.end()),
              std::vector<uint8_t>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(wave_file_writer, a_failed_write_closes_the_file_and_nothing_finishes_it) {
    test::ScopedTempDir dir;
    const auto path = dir.Path(u"wav.tmp");
    WaveFileWriter w;
    ASSERT_TRUE(w.Open(path));
    const std::vector<uint8_t> a(100, 7);
    ASSERT_TRUE(w.Append(a.data(), 100));
    fs::SetFaultHook([](fs::Operation op, void*) { return op == fs::Operation::Write; }, nullptr);
    EXPECT_FALSE(w.Append(a.data(), 100));
    fs::SetFaultHook(nullptr, nullptr);
    EXPECT_FALSE(w.IsOpen());
    EXPECT_FALSE(w.Append(a.data(), 100));
    EXPECT_FALSE(w.Finish(Stereo16()));
    // What was written stays, without a header.
    const auto file = test::ReadFileBytes(path);
    ASSERT_EQ(file.size(), 144u);
    EXPECT_EQ(file[0], 0);
}

TEST(wave_file_writer, a_file_that_cannot_be_created_is_not_opened) {
    test::ScopedTempDir dir;
    WaveFileWriter w;
    EXPECT_FALSE(w.Open(dir.Path(u"no-such-folder/wav.tmp")));
    EXPECT_FALSE(w.IsOpen());
    fs::SetFaultHook([](fs::Operation op, void*) { return op == fs::Operation::Open; }, nullptr);
    EXPECT_FALSE(w.Open(dir.Path(u"wav.tmp")));
    fs::SetFaultHook(nullptr, nullptr);
    EXPECT_FALSE(w.IsOpen());
}

TEST(wave_file_writer, a_header_that_cannot_be_written_fails_the_finish) {
    test::ScopedTempDir dir;
    WaveFileWriter w;
    ASSERT_TRUE(w.Open(dir.Path(u"wav.tmp")));
    fs::SetFaultHook([](fs::Operation op, void*) { return op == fs::Operation::Write; }, nullptr);
    EXPECT_FALSE(w.Finish(Stereo16()));
    fs::SetFaultHook(nullptr, nullptr);
    EXPECT_FALSE(w.IsOpen());
}

// Collects what a run of sample end times reports.
std::vector<int> Reports(DecodeProgress& p, std::initializer_list<int64_t> ends) {
    std::vector<int> out;
    for (int64_t e : ends)
        if (int v = p.Update(e); v >= 0) out.push_back(v);
    if (int v = p.Finish(); v >= 0) out.push_back(v);
    return out;
}

TEST(decode_progress, whole_percents_rise_and_each_is_reported_once_ending_with_100) {
    DecodeProgress p;
    p.Start(0, 1000);
    EXPECT_EQ(Reports(p, {4, 9, 10, 15, 19, 20, 20, 19, 500, 999}), (std::vector<int>{1, 2, 50, 99, 100}));
}

TEST(decode_progress, reaching_the_total_reports_100_only_once) {
    DecodeProgress p;
    p.Start(0, 1000);
    EXPECT_EQ(Reports(p, {500, 1000}), (std::vector<int>{50, 100}));
}

TEST(decode_progress, a_position_past_the_total_raises_the_total) {
    DecodeProgress p;
    p.Start(0, 1000);
    EXPECT_EQ(p.Update(2000), 100);
    EXPECT_EQ(p.Update(2500), -1);
    EXPECT_EQ(p.Finish(), -1);
}

TEST(decode_progress, positions_count_from_the_segment_start) {
    DecodeProgress p;
    p.Start(500, 1000);
    EXPECT_EQ(p.Update(0), 50);
    EXPECT_EQ(p.Update(250), 75);
}

TEST(decode_progress, an_unknown_total_reports_only_the_final_100) {
    DecodeProgress p;
    p.Start(0, 0);
    EXPECT_EQ(Reports(p, {10, 20, 30}), (std::vector<int>{100}));
    p.Start(0, -5);
    EXPECT_EQ(Reports(p, {10}), (std::vector<int>{100}));
}

TEST(decode_progress, extreme_times_neither_overflow_nor_exceed_100) {
    DecodeProgress p;
    p.Start(0, LLONG_MAX);
    // Halfway, to within the rounding of the overflow-free division.
    const int half = p.Update(LLONG_MAX / 2);
    EXPECT_GE(half, 49);
    EXPECT_LE(half, 50);
    EXPECT_EQ(p.Update(LLONG_MAX), 100);
    p.Start(LLONG_MAX, LLONG_MAX);
    EXPECT_EQ(p.Update(LLONG_MAX), 100);
    p.Start(LLONG_MIN, 1000);
    EXPECT_EQ(p.Update(-5), -1);
    EXPECT_EQ(p.Finish(), 100);
}

TEST(decode_progress, a_new_start_forgets_what_was_reported) {
    DecodeProgress p;
    p.Start(0, 100);
    EXPECT_EQ(p.Update(60), 60);
    p.Start(0, 100);
    EXPECT_EQ(p.Update(30), 30);
}

}  // namespace
}  // namespace mr::audio
