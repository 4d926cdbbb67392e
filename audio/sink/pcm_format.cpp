#include "audio/sink/pcm_format.h"

#include <cstring>

namespace mr::audio {
namespace {

// WAVEFORMATEX up to and including wBitsPerSample, then cbSize, then the
// extensible part (valid bits, channel mask, sub-format GUID).
constexpr size_t kWaveFormatBytes = 16;
constexpr size_t kCbSizeOffset = 16;
constexpr size_t kSubFormatOffset = 24;
constexpr size_t kExtensibleBytes = 40;
constexpr uint16_t kExtensionBytes = 22;

// KSDATAFORMAT_SUBTYPE_PCM, {00000001-0000-0010-8000-00AA00389B71}, as stored.
constexpr uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

FormatBlockResult ReadPcmFormat(const uint8_t* block, size_t size, PcmFormat* out) {
    if (!block || size < kWaveFormatBytes) return FormatBlockResult::Missing;
    PcmFormat f;
    f.formatTag = U16(block);
    f.channels = U16(block + 2);
    f.samplesPerSecond = U32(block + 4);
    f.avgBytesPerSecond = U32(block + 8);
    f.blockAlign = U16(block + 12);
    f.bitsPerSample = U16(block + 14);
    if (f.formatTag == kFormatTagExtensible) {
        if (size < kExtensibleBytes || U16(block + kCbSizeOffset) < kExtensionBytes) return FormatBlockResult::Refused;
        if (std::memcmp(block + kSubFormatOffset, kPcmSubFormat, sizeof kPcmSubFormat) != 0)
            return FormatBlockResult::Refused;
        f.formatTag = kFormatTagPcm;
    }
    *out = f;
    return FormatBlockResult::Ok;
}

bool IsAcceptedSinkFormat(const PcmFormat& f) {
    return f.formatTag == kFormatTagPcm && (f.channels == 1 || f.channels == 2) && f.samplesPerSecond != 0 &&
           f.samplesPerSecond % 25 == 0 && (f.bitsPerSample == 8 || f.bitsPerSample == 16);
}

bool SameSampleLayout(const PcmFormat& a, const PcmFormat& b) {
    return a.bitsPerSample == b.bitsPerSample && a.channels == b.channels &&
           a.samplesPerSecond == b.samplesPerSecond && a.blockAlign == b.blockAlign;
}

}  // namespace mr::audio
