#pragma once
// The PCM formats the wave sink takes, read from a connection's format block
// (a WAVEFORMATEX, or a WAVEFORMATEXTENSIBLE, little-endian).

#include <cstddef>
#include <cstdint>

namespace mr::audio {

inline constexpr uint16_t kFormatTagPcm = 1;
inline constexpr uint16_t kFormatTagExtensible = 0xFFFE;

struct PcmFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t avgBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

enum class FormatBlockResult {
    Ok,
    Missing,  // no block, or shorter than the 16 bytes of a WAVEFORMAT with bits
    Refused,  // an extensible block that is truncated or does not carry PCM
};

// Reads the first 16 bytes of `block` (`size` bytes) into *out. An extensible
// block (tag 0xFFFE) must hold the whole extension (cbSize >= 22, 40 bytes)
// with the PCM sub-format; it then reads as tag 1, since its samples are
// plain PCM and the sink's 16-byte "fmt " chunk cannot carry the extension.
FormatBlockResult ReadPcmFormat(const uint8_t* block, size_t size, PcmFormat* out);

// What the sink takes when a connection is made: tag 1, one or two channels,
// a sample rate that is a positive multiple of 25, 8 or 16 bits per sample.
bool IsAcceptedSinkFormat(const PcmFormat& format);

// Whether a format change during streaming keeps the sample layout already
// written: same bits, channels, rate and block alignment.
bool SameSampleLayout(const PcmFormat& a, const PcmFormat& b);

}  // namespace mr::audio
