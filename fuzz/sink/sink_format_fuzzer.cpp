// Reads the input as a connection's format block, then as a run of media
// times through the progress arithmetic, checking what must always hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "audio/sink/decode_progress.h"
#include "audio/sink/pcm_format.h"
#include "audio/sink/wave_file_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mr::audio::PcmFormat f;
    if (mr::audio::ReadPcmFormat(data, size, &f) == mr::audio::FormatBlockResult::Ok) {
        // An extensible block never reaches the file's 16-byte chunk.
        if (f.formatTag == mr::audio::kFormatTagExtensible) std::abort();
        if (mr::audio::IsAcceptedSinkFormat(f)) {
            uint8_t header[mr::audio::kWaveHeaderBytes];
            mr::audio::BuildWaveHeader(f, mr::audio::kWaveHeaderBytes, header);
            if (std::memcmp(header, "RIFF", 4) != 0) std::abort();
        }
    }

    // Then 8-byte times: segment start, segment stop, sample ends.
    int64_t t[64];
    const size_t n = size / 8 < 64 ? size / 8 : 64;
    std::memcpy(t, data, n * 8);
    if (n < 2) return 0;
    mr::audio::DecodeProgress progress;
    progress.Start(t[0], t[1]);
    int highest = 0;
    for (size_t i = 2; i < n; ++i) {
        const int p = progress.Update(t[i]);
        if (p == -1) continue;
        if (p <= highest || p > 100) std::abort();
        highest = p;
    }
    const int last = progress.Finish();
    if (!(last == 100 || (last == -1 && highest == 100))) std::abort();
    return 0;
}
