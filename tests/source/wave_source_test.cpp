#include "audio/source/wave_source.h"

#include <gtest/gtest.h>

#include <numeric>

#include "tests/source/wave_test_files.h"

namespace mr::wavesource {
namespace {

using mr::test::ScopedTempDir;
using test::WaveFile;
using test::WaveSpec;

struct Stream {
    std::vector<SampleInfo> samples;
    std::vector<uint8_t> bytes;
    FillStatus last = FillStatus::Sample;
};

// Fills samples until the end of the stream (or a failure).
Stream Drain(WaveSource& src) {
    Stream s;
    std::vector<uint8_t> buffer(src.SampleBytes());
    for (int guard = 0; guard < 1000000; ++guard) {
        SampleInfo info;
        s.last = src.Fill(buffer.data(), static_cast<uint32_t>(buffer.size()), &info);
        if (s.last != FillStatus::Sample) break;
        s.samples.push_back(info);
        s.bytes.insert(s.bytes.end(), buffer.begin(), buffer.begin() + info.bytes);
    }
    return s;
}

// Ramp data whose every 16-bit sample tells its own index.
std::vector<uint8_t> Ramp16(uint32_t samples) {
    std::vector<int16_t> s(samples);
    for (uint32_t i = 0; i < samples; ++i) s[i] = static_cast<int16_t>(i * 7);
    return test::Pcm16(s);
}

class WaveSourceFile {
public:
    WaveSourceFile(const WaveSpec& spec, const std::vector<uint8_t>& data, uint32_t dataLength = ~0u) {
        EXPECT_TRUE(mr::test::WriteFileBytes(path(), WaveFile(spec, data, dataLength)));
    }
    std::u16string path() const { return dir_.Path(u"decoded.wav"); }

private:
    ScopedTempDir dir_;
};

void ExpectContiguous(const Stream& s, int64_t segmentLength) {
    ASSERT_FALSE(s.samples.empty());
    EXPECT_EQ(s.samples.front().start, 0);
    EXPECT_TRUE(s.samples.front().discontinuity);
    for (size_t i = 1; i < s.samples.size(); ++i) {
        EXPECT_EQ(s.samples[i].start, s.samples[i - 1].end) << i;
        EXPECT_FALSE(s.samples[i].discontinuity) << i;
    }
    EXPECT_EQ(s.samples.back().end, segmentLength);
}

TEST(wave_source, samples_are_40_ms_and_the_last_ends_at_the_segment_length) {
    const uint32_t frames = 44100 + 1000;  // 1.0227 s
    const auto data = Ramp16(2 * frames);
    WaveSourceFile file({2, 16, 44100}, data);
    WaveSource src;
    ASSERT_EQ(src.Load(file.path()), LoadStatus::Ok);
    EXPECT_EQ(src.SampleBytes(), 1764u * 4);
    EXPECT_EQ(src.Duration(), 10300000);  // 1.0227 s rounded up to 1.03 s
    ASSERT_TRUE(src.Start(0, src.Duration()));
    EXPECT_FALSE(src.Stretching());
    const Stream s = Drain(src);
    EXPECT_EQ(s.last, FillStatus::EndOfStream);
    ExpectContiguous(s, src.Duration());
    ASSERT_EQ(s.samples.size(), 26u);  // 25 full samples and 30 ms
    for (size_t i = 0; i + 1 < s.samples.size(); ++i) {
        EXPECT_EQ(s.samples[i].bytes, 1764u * 4) << i;
        EXPECT_EQ(s.samples[i].end, static_cast<int64_t>(i + 1) * 400000) << i;
    }
    EXPECT_EQ(s.samples.back().bytes, 1323u * 4);
    // The data itself, then silence up to the 10 ms boundary.
    ASSERT_EQ(s.bytes.size(), 45423u * 4);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), s.bytes.begin()));
    EXPECT_TRUE(std::all_of(s.bytes.begin() + data.size(), s.bytes.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(src.Fill(std::vector<uint8_t>(src.SampleBytes()).data(), src.SampleBytes(), nullptr),
              FillStatus::Failed);
}

TEST(wave_source, a_short_file_is_padded_with_silence_up_to_its_rounded_duration) {
    // 1000 frames at 8000 Hz: 125 ms, rounded up to 130 ms, 1040 frames.
    for (const WaveSpec spec : {WaveSpec{1, 16, 8000}, WaveSpec{2, 8, 8000}, WaveSpec{1, 8, 8000}}) {
        SCOPED_TRACE(spec.channels * 100 + spec.bits);
        const uint32_t block = spec.channels * spec.bits / 8;
        std::vector<uint8_t> data(1000 * block);
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(1 + i % 200);
        WaveSourceFile file(spec, data);
        WaveSource src;
        ASSERT_EQ(src.Load(file.path()), LoadStatus::Ok);
        EXPECT_EQ(src.Duration(), 1300000);
        ASSERT_TRUE(src.Start(0, src.Duration()));
        const Stream s = Drain(src);
        ExpectContiguous(s, 1300000);
        ASSERT_EQ(s.bytes.size(), 1040u * block);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), s.bytes.begin()));
        // 8-bit silence is 128: zeros would be a full-scale click.
        const uint8_t silence = spec.bits == 8 ? 128 : 0;
        EXPECT_TRUE(std::all_of(s.bytes.begin() + data.size(), s.bytes.end(), [&](uint8_t b) { return b == silence; }));
    }
}

TEST(wave_source, a_data_length_beyond_the_file_plays_to_the_files_end) {
    const auto data = Ramp16(2 * 4410);
    WaveSourceFile file({2, 16, 44100}, data, 50000000);
    WaveSource src;
    ASSERT_EQ(src.Load(file.path()), LoadStatus::Ok);
    EXPECT_EQ(src.Format().frames, 4410u);
    EXPECT_EQ(src.Duration(), 1000000);
    ASSERT_TRUE(src.Start(0, INT64_MAX));
    const Stream s = Drain(src);
    EXPECT_EQ(s.last, FillStatus::EndOfStream);
    EXPECT_EQ(s.bytes, data);
}

TEST(wave_source, a_seek_starts_at_the_frame_of_its_10_ms) {
    const uint32_t frames = 44100 * 13;
    const auto data = Ramp16(2 * frames);
    WaveSourceFile file({2, 16, 44100}, data);
    WaveSource src;
    ASSERT_EQ(src.Load(file.path()), LoadStatus::Ok);
    // 12.345 s starts at frames(12.34 s) = 544194 and stops at frames(12.5 s).
    ASSERT_TRUE(src.Start(123450000, 125000000));
    const Stream s = Drain(src);
    // 7056 frames: four full samples, stamped as such.
    ExpectContiguous(s, 4 * 400000);
    ASSERT_EQ(s.bytes.size(), (551250u - 544194u) * 4);
    EXPECT_TRUE(std::equal(s.bytes.begin(), s.bytes.end(), data.begin() + 544194 * 4));
    // Seeking again restarts, with a new discontinuity.
    ASSERT_TRUE(src.Start(400000, 800000));
    const Stream again = Drain(src);
    ExpectContiguous(again, 400000);
    ASSERT_EQ(again.bytes.size(), 1764u * 4);
    EXPECT_TRUE(std::equal(again.bytes.begin(), again.bytes.end(), data.begin() + 1764 * 4));
}

TEST(wave_source, positions_outside_the_file_are_clamped) {
    const auto data = Ramp16(2 * 4410);
    WaveSourceFile file({2, 16, 44100}, data);
    WaveSource src;
    ASSERT_EQ(src.Load(file.path()), LoadStatus::Ok);
    ASSERT_TRUE(src.Start(-5000000, 500000000));
    EXPECT_EQ(src.SegmentStart(), 0);
    EXPECT_EQ(src.SegmentStop(), src.Duration());
    EXPECT_EQ(Drain(src).bytes, data);
    // A stop before the start, or a start at the end: an empty segment.
    for (auto [start, stop] : {std::pair<int64_t, int64_t>{500000, 200000}, {1000000, 2000000}}) {
        ASSERT_TRUE(src.Start(start, stop));
        const Stream s = Drain(src);
        EXPECT_EQ(s.last, FillStatus::EndOfStream);
        EXPECT_TRUE(s.samples.empty());
    }
    src.SetSlowDown(true);
    ASSERT_TRUE(src.Start(1000000, 1000000));
    EXPECT_TRUE(Drain(src).samples.empty());
}

TEST(wave_source, rates_of_remainder_75_do_not_drift) {
    // 22075 Hz: 883 frames per 40 ms; 10 s of data, read in segments that
    // start at every 10 ms phase, always begin at floor(t × rate) frames.
    const uint32_t frames = 22075 * 10;
    std::vector<int16_t> samples(frames);
    for (uint32_t i = 0; i < frames; ++i) samples[i] = static_cast<int16_t>(i & 0x7FFF);
    WaveSourceFile file({1, 16, 22075}, test::Pcm16(samples));
    WaveSource src;
    ASSERT_EQ(src.Load(file.path()), LoadStatus::Ok);
    EXPECT_EQ(src.Duration(), 100000000);
    for (int64_t tick : {0, 1, 2, 3, 401, 402, 403, 997}) {
        ASSERT_TRUE(src.Start(tick * 100000, src.Duration()));
        const Stream s = Drain(src);
        const uint32_t first = static_cast<uint32_t>(tick * 22075 / 100);
        ASSERT_EQ(s.bytes.size(), (frames - first) * 2u) << tick;
        EXPECT_EQ(test::Samples16(s.bytes.data(), 1)[0], static_cast<int16_t>(first & 0x7FFF)) << tick;
    }
}

TEST(wave_source, loading_refuses_what_it_cannot_play_and_loads_once) {
    ScopedTempDir dir;
    WaveSource src;
    EXPECT_EQ(src.Load(dir.Path(u"missing.wav")), LoadStatus::Unreadable);
    ASSERT_TRUE(mr::test::WriteFileBytes(dir.Path(u"short.wav"), std::string(43, 'x')));
    EXPECT_EQ(src.Load(dir.Path(u"short.wav")), LoadStatus::Unreadable);
    auto bad = WaveFile({}, std::vector<uint8_t>(16, 0));
    bad[16] = 18;
    ASSERT_TRUE(mr::test::WriteFileBytes(dir.Path(u"bad.wav"), bad));
    EXPECT_EQ(src.Load(dir.Path(u"bad.wav")), LoadStatus::InvalidFormat);
    EXPECT_FALSE(src.IsLoaded());
    uint8_t buffer[16];
    SampleInfo info;
    EXPECT_FALSE(src.Start(0, 100));
    EXPECT_EQ(src.Fill(buffer, sizeof buffer, &info), FillStatus::Failed);

    ASSERT_TRUE(mr::test::WriteFileBytes(dir.Path(u"good.wav"), WaveFile({}, std::vector<uint8_t>(16, 0))));
    EXPECT_EQ(src.Load(dir.Path(u"good.wav")), LoadStatus::Ok);
    EXPECT_EQ(src.Load(dir.Path(u"good.wav")), LoadStatus::AlreadyLoaded);
    EXPECT_TRUE(src.IsLoaded());
    // Filling before a start, or into a buffer below one sample, fails.
    std::vector<uint8_t> sample(src.SampleBytes());
    EXPECT_EQ(src.Fill(sample.data(), src.SampleBytes(), &info), FillStatus::Failed);
    ASSERT_TRUE(src.Start(0, src.Duration()));
    EXPECT_EQ(src.Fill(sample.data(), src.SampleBytes() - 1, &info), FillStatus::Failed);
}

TEST(wave_source, slow_down_doubles_the_segment_exactly) {
    // A 10 s segment of a 44.1 kHz file gives 20 s of samples: 500 full ones.
    const uint32_t frames = 44100 * 12;
    const auto data = test::Pcm16(test::Sine16(44100, frames, {440, 660}, 8000));
    WaveSourceFile file({2, 16, 44100}, data);
    WaveSource src;
    ASSERT_EQ(src.Load(file.path()), LoadStatus::Ok);
    src.SetSlowDown(true);
    EXPECT_FALSE(src.Stretching());  // only from the next start
    ASSERT_TRUE(src.Start(10000000, 110000000));
    EXPECT_TRUE(src.Stretching());
    EXPECT_EQ(src.SegmentLength(), 200000000);
    const Stream s = Drain(src);
    EXPECT_EQ(s.last, FillStatus::EndOfStream);
    ExpectContiguous(s, 200000000);
    EXPECT_EQ(s.samples.size(), 500u);
    EXPECT_EQ(s.bytes.size(), 20u * 44100 * 4);

    // A segment of 1.015 s: the last sample holds frames(2.03 s) − frames(2.0 s).
    ASSERT_TRUE(src.Start(0, 10150000));
    const Stream t = Drain(src);
    ExpectContiguous(t, 20300000);
    EXPECT_EQ(t.samples.back().bytes, 1323u * 4);
    EXPECT_EQ(t.bytes.size(), 89523u * 4);

    // Back to normal at the next start.
    src.SetSlowDown(false);
    ASSERT_TRUE(src.Start(0, 10000000));
    EXPECT_EQ(Drain(src).bytes.size(), 44100u * 4);

    // A file far shorter than the vocoder's window: 10 frames (10 ms once
    // rounded) stretch to 20 ms of near silence.
    WaveSourceFile tiny({1, 8, 8000}, std::vector<uint8_t>{128, 130, 126, 128, 129, 127, 128, 128, 131, 125});
    WaveSource small;
    ASSERT_EQ(small.Load(tiny.path()), LoadStatus::Ok);
    small.SetSlowDown(true);
    ASSERT_TRUE(small.Start(0, small.Duration()));
    const Stream u = Drain(small);
    ExpectContiguous(u, 200000);
    ASSERT_EQ(u.bytes.size(), 160u);
    EXPECT_TRUE(std::all_of(u.bytes.begin(), u.bytes.end(), [](uint8_t b) { return b >= 122 && b <= 134; }));
}

}  // namespace
}  // namespace mr::wavesource
