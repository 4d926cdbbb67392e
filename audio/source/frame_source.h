#pragma once
// Where the wave source's PCM frames come from: the mapped data of the file
// in the filter, memory in tests and benchmarks.

#include <cstdint>

namespace mr::wavesource {

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Frames [first, first + count) of the data: count × block alignment
    // bytes, interleaved as in the file, valid until the next call. The caller
    // keeps count > 0 and the range inside the data. Null when the bytes
    // cannot be read (a view that cannot be mapped).
    virtual const uint8_t* Frames(uint64_t first, uint32_t count) = 0;
};

}  // namespace mr::wavesource
