#pragma once
// Hand-made PCM wave files and signals for the wave source's tests.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/source/frame_source.h"
#include "tests/support/test_support.h"

namespace mr::wavesource::test {

struct WaveSpec {
    uint16_t channels = 2;
    uint16_t bits = 16;
    uint32_t rate = 44100;
};

// A canonical 44-byte header followed by `data`; dataLength overrides the
// data chunk's length field when not ~0u.
inline std::vector<uint8_t> WaveFile(const WaveSpec& s, const std::vector<uint8_t>& data, uint32_t dataLength = ~0u) {
    const uint16_t block = static_cast<uint16_t>(s.channels * s.bits / 8);
    mr::test::Bytes b;
    b.Raw("RIFF").U32(static_cast<uint32_t>(36 + data.size())).Raw("WAVE");
    b.Raw("fmt ").U32(16).U16(1).U16(s.channels).U32(s.rate).U32(s.rate * block).U16(block).U16(s.bits);
    b.Raw("data").U32(dataLength == ~0u ? static_cast<uint32_t>(data.size()) : dataLength).Raw(data);
    return b.Get();
}

// Interleaved 16-bit samples as little-endian bytes.
inline std::vector<uint8_t> Pcm16(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> b(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        b[2 * i] = static_cast<uint8_t>(samples[i] & 0xFF);
        b[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(samples[i]) >> 8);
    }
    return b;
}

inline std::vector<int16_t> Samples16(const uint8_t* p, size_t count) {
    std::vector<int16_t> s(count);
    for (size_t i = 0; i < count; ++i) s[i] = static_cast<int16_t>(p[2 * i] | p[2 * i + 1] << 8);
    return s;
}

// `frames` frames of a sine per channel (frequency in Hz, 0 for silence),
// 16-bit, interleaved; the tone begins at frame `onset` (silence before).
inline std::vector<int16_t> Sine16(uint32_t rate, uint32_t frames, const std::vector<double>& hz, double amplitude,
                                   uint32_t onset = 0) {
    const size_t channels = hz.size();
    std::vector<int16_t> s(size_t{frames} * channels, 0);
    for (uint32_t i = onset; i < frames; ++i)
        for (size_t c = 0; c < channels; ++c)
            s[i * channels + c] = static_cast<int16_t>(
                std::lround(amplitude * std::sin(2 * 3.14159265358979323846 * hz[c] * (i - onset) / rate)));
    return s;
}

// Frames straight from memory.
class MemoryFrames : public FrameSource {
public:
    MemoryFrames(std::vector<uint8_t> data, uint32_t blockAlign) : data_(std::move(data)), block_(blockAlign) {}
    const uint8_t* Frames(uint64_t first, uint32_t count) override {
        ++calls;
        if (failAfter >= 0 && calls > failAfter) return nullptr;
        const uint64_t end = (first + count) * block_;
        if (count == 0 || end > data_.size()) {
            outOfRange = true;
            return nullptr;
        }
        return data_.data() + first * block_;
    }
    int calls = 0;
    int failAfter = -1;  // fail every call after this many
    bool outOfRange = false;

private:
    std::vector<uint8_t> data_;
    uint32_t block_;
};

}  // namespace mr::wavesource::test
