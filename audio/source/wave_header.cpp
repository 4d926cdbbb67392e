#include "audio/source/wave_header.h"

#include <cstdint>

#include <cstring>

namespace mr::wavesource {
namespace {

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool Tag(const uint8_t* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

constexpr uint32_t kFmtChunkBytes = 16;
constexpr uint16_t kFormatPcm = 1;

}  // namespace

bool ReadWaveHeader(const uint8_t* header, uint64_t fileSize, WaveFormat* format) {
    if (!header || fileSize < kWaveHeaderBytes) return false;
    if (!Tag(header, "RIFF") || !Tag(header + 8, "WAVE") || !Tag(header + 12, "fmt ") || !Tag(header + 36, "data"))
        return false;
    if (U32(header + 16) != kFmtChunkBytes || U16(header + 20) != kFormatPcm) return false;

    WaveFormat f;
    f.channels = U16(header + 22);
    f.samplesPerSec = U32(header + 24);
    f.blockAlign = U16(header + 32);
    f.bitsPerSample = U16(header + 34);
    if (f.samplesPerSec == 0 || f.samplesPerSec % 25 != 0) return false;
    // The media type states the byte rate (block alignment × rate) in 32
    // bits; a rate that cannot be stated so is no audio anyone can play.
    if (uint64_t{U16(header + 32)} * f.samplesPerSec > UINT32_MAX) return false;
    if (f.blockAlign != 1 && f.blockAlign != 2 && f.blockAlign != 4) return false;
    // The channels and bits must describe the block alignment: the samples
    // are interpreted by them (8-bit unsigned, 16-bit signed), and a format
    // that contradicts itself is also what the renderer would be offered.
    if ((f.channels != 1 && f.channels != 2) || (f.bitsPerSample != 8 && f.bitsPerSample != 16) ||
        f.channels * f.bitsPerSample / 8 != f.blockAlign)
        return false;

    // A data length beyond the file (a decode cut short) is cut to the file.
    const uint64_t available = fileSize - kWaveHeaderBytes;
    uint32_t data = U32(header + 40);
    if (data > available) data = static_cast<uint32_t>(available);
    f.dataBytes = data;
    f.frames = data / f.blockAlign;
    if (f.frames == 0) return false;
    *format = f;
    return true;
}

}  // namespace mr::wavesource
