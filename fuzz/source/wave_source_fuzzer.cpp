// The wave source's header checks and Slow Down path on arbitrary bytes: a
// header that passes must describe data the vocoder then reads only inside,
// from a start frame and for a length also taken from the input.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audio/source/phase_vocoder.h"
#include "audio/source/wave_header.h"
#include "common/frame_pattern.h"

namespace {

using namespace mr::wavesource;

void Check(bool ok) {
    if (!ok) std::abort();
}

class DataFrames : public FrameSource {
public:
    DataFrames(const uint8_t* data, const WaveFormat& f) : data_(data), format_(f) {}
    const uint8_t* Frames(uint64_t first, uint32_t count) override {
        Check(count > 0 && first + count <= format_.frames);
        return data_ + first * format_.blockAlign;
    }

private:
    const uint8_t* data_;
    const WaveFormat& format_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WaveFormat f;
    if (!ReadWaveHeader(data, size, &f)) return 0;
    Check(f.frames >= 1 && uint64_t{f.frames} * f.blockAlign <= size - kWaveHeaderBytes);
    const mr::FramePattern p = mr::MakeFramePattern(f.samplesPerSec);
    const int64_t duration = mr::RoundedDuration(f.frames, f.samplesPerSec);
    Check(mr::FramesAt(p, duration) >= f.frames);

    // Start and length from the sample rate field's low bits, so that the
    // fuzzer can steer them.
    const uint64_t start = (f.samplesPerSec >> 5) % (uint64_t{f.frames} + 2000);
    const uint32_t frames = 1 + (f.samplesPerSec >> 3) % 20000;
    PhaseVocoder v;
    if (!v.Init(f)) return 0;
    DataFrames source(data + kWaveHeaderBytes, f);
    Check(v.Start(start, source));
    std::vector<uint8_t> out(size_t{frames} * f.blockAlign);
    Check(v.Read(source, out.data(), frames));
    return 0;
}
