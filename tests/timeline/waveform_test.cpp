// The waveform builder on hand-made wave files: the documented cases, headers
// it must refuse, and random audio in every layout checked against a
// straightforward bucket-by-bucket model of the reduction.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "editor/timeline/waveform.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

struct Layout {
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
    uint16_t blockAlign = 0;  // 0: channels × bits / 8
};

std::vector<uint8_t> WaveBytes(const Layout& l, const std::vector<uint8_t>& data) {
    const uint16_t align = l.blockAlign ? l.blockAlign : static_cast<uint16_t>(l.channels * l.bits / 8);
    Bytes b;
    b.Raw("RIFF").U32(static_cast<uint32_t>(36 + data.size())).Raw("WAVE");
    b.Raw("fmt ").U32(16).U16(1).U16(l.channels).U32(l.rate).U32(l.rate * align).U16(align).U16(l.bits);
    b.Raw("data").U32(static_cast<uint32_t>(data.size())).Raw(data);
    return b.Get();
}

// Frames of 16-bit samples, one value per channel per frame.
std::vector<uint8_t> Pcm16(const std::vector<std::vector<int16_t>>& frames) {
    std::vector<uint8_t> out;
    for (const auto& f : frames)
        for (int16_t s : f) {
            out.push_back(static_cast<uint8_t>(s & 0xFF));
            out.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
        }
    return out;
}

using Pairs = std::vector<std::pair<int, int>>;

Pairs PairsOf(const WaveformPeaks& p) {
    Pairs out;
    for (int32_t i = 0; i < p.Duration(); ++i) out.emplace_back(p.Pairs()[2 * i], p.Pairs()[2 * i + 1]);
    return out;
}

// The reduction as the editor defines it, one bucket at a time: bucket i
// holds frames [floor(i × rate / 100), floor((i + 1) × rate / 100)), every
// bucket that begins before the last whole frame gets a pair, and only the
// first channel counts.
Pairs Model(const Layout& l, const std::vector<uint8_t>& data) {
    const uint32_t align = l.blockAlign ? l.blockAlign : l.channels * l.bits / 8;
    const uint64_t frames = data.size() / align;
    const bool known = (l.bits == 8 || l.bits == 16) && (l.channels == 1 || l.channels == 2);
    Pairs out;
    for (uint64_t i = 0;; ++i) {
        const uint64_t begin = i * l.rate / 100;
        if (begin >= frames) break;
        const uint64_t end = std::min<uint64_t>((i + 1) * l.rate / 100, frames);
        int hi = 0, lo = 0;
        for (uint64_t f = begin; known && f < end; ++f) {
            const uint8_t* p = data.data() + f * align;
            const int s = l.bits == 16 ? static_cast<int16_t>(p[0] | p[1] << 8) : p[0] - 128;
            if (s > hi)
                hi = s;
            else if (s < lo)
                lo = s;
        }
        const int div = l.bits == 16 ? 512 : 2;
        out.emplace_back(known ? hi / div : 0, known ? lo / div : 0);
    }
    return out;
}

class waveform : public ::testing::Test {
protected:
    std::u16string Write(const std::vector<uint8_t>& bytes, std::u16string_view name = u"song.wav") {
        const std::u16string path = dir_.Path(name);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }
    ScopedTempDir dir_;
};

TEST_F(waveform, documented_cases) {
    const std::vector<int16_t> silenceMono(1, 0);
    struct Case {
        const char* name;
        Layout layout;
        std::vector<uint8_t> data;
        int32_t duration;
        std::pair<int, int> everyPair;
    };
    std::vector<std::vector<int16_t>> square, leftOnly, rightOnly;
    for (int i = 0; i < 22050; ++i) square.push_back({static_cast<int16_t>(i % 2 ? -32768 : 32767)});
    for (int i = 0; i < 4410; ++i) {
        const int16_t s = static_cast<int16_t>(i % 2 ? -32768 : 32767);
        leftOnly.push_back({s, 0});
        rightOnly.push_back({0, s});
    }
    const Case cases[] = {
        {"header only", {1, 22050, 16}, {}, 0, {0, 0}},
        {"one second at 22050 Hz, silence", {1, 22050, 16}, std::vector<uint8_t>(44100, 0), 100, {0, 0}},
        {"full-scale 16-bit square", {1, 22050, 16}, Pcm16(square), 100, {63, -64}},
        {"stereo: the left channel shapes it", {2, 44100, 16}, Pcm16(leftOnly), 10, {63, -64}},
        {"stereo: the right channel is ignored", {2, 44100, 16}, Pcm16(rightOnly), 10, {0, 0}},
        {"8-bit silence", {1, 8000, 8}, std::vector<uint8_t>(800, 128), 10, {0, 0}},
        {"8-bit full scale", {2, 8000, 8}, [] {
             std::vector<uint8_t> d;
             for (int i = 0; i < 800; ++i) d.insert(d.end(), {uint8_t(i % 2 ? 0 : 255), 128});
             return d;
         }(), 10, {63, -64}},
        {"24-bit gives zero pairs", {1, 8000, 24}, std::vector<uint8_t>(2400, 0x7F), 10, {0, 0}},
        {"three channels give zero pairs", {3, 8000, 16}, std::vector<uint8_t>(4800, 0x7F), 10, {0, 0}},
        // 1 s plus one byte short of a frame: the fragment is not a frame.
        {"trailing partial frame ignored", {2, 22050, 16}, std::vector<uint8_t>(88203, 0x40), 100, {32, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveformPeaks peaks;
        ASSERT_TRUE(BuildWaveform(Write(WaveBytes(c.layout, c.data)), &peaks));
        EXPECT_EQ(peaks.Duration(), c.duration);
        EXPECT_EQ(peaks.Pairs() == nullptr, c.duration == 0);
        for (const auto& pair : PairsOf(peaks)) ASSERT_EQ(pair, c.everyPair);
    }
}

TEST_F(waveform, refused_files_leave_no_waveform) {
    const std::vector<uint8_t> second(44100, 0x10);
    const std::vector<uint8_t> good = WaveBytes({1, 22050, 16}, second);
    std::vector<uint8_t> shortFile(good.begin(), good.begin() + 43);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"43 bytes", shortFile},
        {"rate 0", WaveBytes({1, 0, 16, 2}, second)},
        {"rate below one frame per 40 ms", WaveBytes({1, 24, 16, 2}, second)},
        {"block alignment 0", WaveBytes({1, 22050, 16, 0xFFFF}, second)},
        {"block alignment below a frame", WaveBytes({2, 22050, 16, 2}, second)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = c.bytes;
        if (std::string(c.name) == "block alignment 0") bytes[32] = bytes[33] = 0;
        WaveformPeaks peaks;
        // Each failure also forgets the waveform of a build before it.
        ASSERT_TRUE(BuildWaveform(Write(good, u"good.wav"), &peaks));
        ASSERT_EQ(peaks.Duration(), 100);
        EXPECT_FALSE(BuildWaveform(Write(bytes), &peaks));
        EXPECT_EQ(peaks.Duration(), 0);
        EXPECT_EQ(peaks.Pairs(), nullptr);
    }
    WaveformPeaks peaks;
    ASSERT_TRUE(BuildWaveform(Write(good, u"good.wav"), &peaks));
    EXPECT_FALSE(BuildWaveform(dir_.Path(u"missing.wav"), &peaks));
    EXPECT_EQ(peaks.Duration(), 0);
    EXPECT_EQ(peaks.Pairs(), nullptr);
    EXPECT_FALSE(BuildWaveform(dir_.Path(u"good.wav"), nullptr));
}

TEST_F(waveform, random_audio_matches_the_bucket_model) {
    // Rates with every shape of the 10 ms pattern (220/221 pairs, a longer
    // fourth bucket, the remainder-75 rates, buckets of no frame below
    // 100 Hz), layouts with padded frames, and lengths that are not whole
    // buckets; the long one crosses the builder's read blocks.
    struct Case {
        Layout layout;
        uint32_t bytes;
    };
    const Case cases[] = {
        {{1, 8000, 8}, 12345},       {{2, 8000, 8}, 99999},        {{1, 11025, 16}, 44101},
        {{2, 22050, 16}, 3000001},   {{1, 22075, 16}, 88300},      {{2, 44100, 16}, 176403},
        {{2, 48000, 8}, 96007},      {{1, 50, 16}, 1001},          {{1, 25, 8}, 77},
        {{2, 44175, 16, 6}, 265049}, {{1, 16000, 8, 3}, 48001},    {{4, 22050, 16}, 88200},
    };
    std::mt19937 rng(12);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.layout.rate << " Hz, " << c.layout.channels << " x " << c.layout.bits
                                          << " bits, " << c.bytes << " bytes");
        std::vector<uint8_t> data(c.bytes);
        // Quiet stretches and loud ones, so that pairs differ.
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>((i / 5000) % 3 == 0 ? 128 + rng() % 7 : rng());
        WaveformPeaks peaks;
        ASSERT_TRUE(BuildWaveform(Write(WaveBytes(c.layout, data)), &peaks));
        const Pairs expected = Model(c.layout, data);
        ASSERT_EQ(static_cast<size_t>(peaks.Duration()), expected.size());
        EXPECT_EQ(PairsOf(peaks), expected);
    }
}

}  // namespace
}  // namespace mr::test
