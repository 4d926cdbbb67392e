#pragma once
// The checks the wave source applies to a decoded PCM wave file: a canonical
// 44-byte header ("RIFF", "WAVE", a 16-byte "fmt " chunk, "data") with the
// samples right behind it.

#include <cstdint>

namespace mr::wavesource {

inline constexpr uint32_t kWaveHeaderBytes = 44;  // the samples start here

struct WaveFormat {
    uint16_t channels = 0;       // 1 or 2
    uint16_t bitsPerSample = 0;  // 8 (unsigned, 128 is silence) or 16 (signed)
    uint16_t blockAlign = 0;     // bytes per frame: channels × bits / 8
    uint32_t samplesPerSec = 0;  // a multiple of 25, not 0
    uint32_t dataBytes = 0;      // the data length, cut to what the file holds
    uint32_t frames = 0;         // whole frames in the data, at least 1
};

// Reads the 44 bytes at `header` (little-endian fields) of a file of
// `fileSize` bytes into *format. True when the file is one the source plays:
// "RIFF" at 0, "WAVE" at 8, "fmt " at 12 with a chunk length of exactly 16,
// format tag 1 (PCM), a sample rate that is a non-zero multiple of 25, a block
// alignment of 1, 2 or 4 that agrees with 1 or 2 channels of 8 or 16 bits,
// "data" at 36, and at least one whole frame of data once the data length is
// cut down to fileSize − 44. *format is written only on success.
bool ReadWaveHeader(const uint8_t* header, uint64_t fileSize, WaveFormat* format);

}  // namespace mr::wavesource
