#pragma once
// Writes the decoded wave file: the samples go after room for the canonical
// 44-byte header, which is filled in at the end once the size is known.
//
// Layout (little-endian): "RIFF", file size - 8, "WAVE", "fmt ", 16, format
// tag, channels, samples per second, average bytes per second, block
// alignment, bits per sample, "data", file size - 44, then the samples.

#include <cstdint>
#include <string_view>

#include "audio/sink/pcm_format.h"
#include "common/file.h"

namespace mr::audio {

inline constexpr uint32_t kWaveHeaderBytes = 44;
// The size fields are 32-bit: a file of 4 GiB or more cannot be described.
inline constexpr uint64_t kWaveFileLimitBytes = 0x100000000ull;

// Fills `out` with the header of a file of `fileBytes` bytes, which must lie
// in [44, 4 GiB).
void BuildWaveHeader(const PcmFormat& format, uint32_t fileBytes, uint8_t out[kWaveHeaderBytes]);

class WaveFileWriter {
public:
    WaveFileWriter() = default;
    // Closes the file as it stands.
    ~WaveFileWriter();
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

    // Creates the file (replacing any file of that name; others may read it)
    // and moves past the header. False when it cannot; nothing is open then.
    bool Open(std::u16string_view path);
    bool IsOpen() const { return file_ != fs::kInvalidHandle; }
    // Appends `n` sample bytes. A failed write closes the file (it stays on
    // disk without a valid header) and answers false.
    bool Append(const void* bytes, uint32_t n);
    // Writes the header for the file's present size (an empty file counts as
    // 44 bytes) and closes the file. False, with the file closed and its
    // header unwritten, when the size cannot be read, reaches 4 GiB or the
    // header cannot be written.
    bool Finish(const PcmFormat& format);
    void Close();

private:
    fs::Handle file_ = fs::kInvalidHandle;
};

}  // namespace mr::audio
