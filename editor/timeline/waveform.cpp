#include "editor/timeline/waveform.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/decoded_file_reader.h"
#include "common/file.h"
#include "common/frame_pattern.h"
#include "common/memory.h"

namespace mr {
namespace {

constexpr uint32_t kHeaderBytes = 44;
// Sample bytes read per call: large enough that the read costs little
// beside the scan, small enough to stay in the cache while it is scanned.
constexpr uint32_t kReadBytes = 1u << 20;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Address-space memory that is released on every path.
class Pages {
public:
    explicit Pages(size_t bytes) {
        if (bytes == 0) return;
        const size_t page = PageSize();
        if (bytes > SIZE_MAX - page) return;
        const size_t size = (bytes + page - 1) / page * page;
        void* base = ReserveRange(size);
        if (!base) return;
        if (!CommitRange(base, size)) {
            ReleaseRange(base, size);
            return;
        }
        base_ = static_cast<uint8_t*>(base);
        size_ = size;
    }
    ~Pages() { ReleaseRange(base_, size_); }
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;

    uint8_t* Data() const { return base_; }
    size_t Size() const { return size_; }
    // Gives the range up; the caller releases it.
    uint8_t* Release() {
        uint8_t* b = base_;
        base_ = nullptr;
        size_ = 0;
        return b;
    }

private:
    uint8_t* base_ = nullptr;
    size_t size_ = 0;
};


#if defined(__SSE2__)
// Eight 16-bit lanes at a time. For stereo frames the right channel's lanes
// are shifted out and read as 0, which leaves the running maximum (never
// below 0) and minimum (never above 0) as they are.
template <bool kStereo>
void Scan16Vector(const uint8_t* p, size_t frames, int32_t* maxv, int32_t* minv) {
    constexpr size_t kFramesPerVector = kStereo ? 4 : 8;
    __m128i hi = _mm_setzero_si128(), lo = _mm_setzero_si128();
    size_t i = 0;
    for (; i + kFramesPerVector <= frames; i += kFramesPerVector) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i * (kStereo ? 4 : 2)));
        if (kStereo) v = _mm_slli_epi32(v, 16);
        hi = _mm_max_epi16(hi, v);
        lo = _mm_min_epi16(lo, v);
    }
    alignas(16) int16_t h[8], l[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(h), hi);
    _mm_store_si128(reinterpret_cast<__m128i*>(l), lo);
    int32_t top = *maxv, bottom = *minv;
    for (int k = 0; k < 8; ++k) {
        top = std::max<int32_t>(top, h[k]);
        bottom = std::min<int32_t>(bottom, l[k]);
    }
    for (; i < frames; ++i) {
        const uint8_t* q = p + i * (kStereo ? 4 : 2);
        const int32_t sample = static_cast<int16_t>(static_cast<uint16_t>(q[0] | q[1] << 8));
        top = std::max(top, sample);
        bottom = std::min(bottom, sample);
    }
    *maxv = top;
    *minv = bottom;
}
#endif

// Running peaks of the first channel over `frames` frames `stride` bytes
// apart. Both start at 0, so max(0, samples) and min(0, samples) are the
// same as updating the maximum when larger, else the minimum when smaller.
void Scan16(const uint8_t* p, size_t frames, uint32_t stride, int32_t* maxv, int32_t* minv) {
#if defined(__SSE2__)
    if (stride == 4) return Scan16Vector<true>(p, frames, maxv, minv);
    if (stride == 2) return Scan16Vector<false>(p, frames, maxv, minv);
#endif
    int32_t hi = *maxv, lo = *minv;
    for (size_t i = 0; i < frames; ++i) {
        const uint8_t* q = p + static_cast<size_t>(stride) * i;
        const int32_t s = static_cast<int16_t>(Le16(q));
        hi = std::max(hi, s);
        lo = std::min(lo, s);
    }
    *maxv = hi;
    *minv = lo;
}

void Scan8(const uint8_t* p, size_t frames, uint32_t stride, int32_t* maxv, int32_t* minv) {
    int32_t hi = *maxv, lo = *minv;
    for (size_t i = 0; i < frames; ++i) {
        const int32_t s = static_cast<int32_t>(p[static_cast<size_t>(stride) * i]) - 128;
        hi = std::max(hi, s);
        lo = std::min(lo, s);
    }
    *maxv = hi;
    *minv = lo;
}

// The number of buckets that begin before frame `frames`: whole 40 ms
// cycles of four, then the buckets that start inside the last, partial one.
uint64_t BucketCount(const FramePattern& p, uint64_t frames) {
    const uint64_t cycle = p.step[0] + p.step[1] + p.step[2] + p.step[3];
    uint64_t count = frames / cycle * 4;
    const uint64_t rest = frames % cycle;
    uint64_t start = 0;
    for (int k = 0; k < 4 && rest > 0; ++k) {
        if (start < rest) ++count;
        start += p.step[k];
    }
    return count;
}

}  // namespace

void WaveformPeaks::Clear() {
    ReleaseRange(pairs_, reserved_);
    pairs_ = nullptr;
    reserved_ = 0;
    duration_ = 0;
}

bool BuildWaveform(std::u16string_view path, WaveformPeaks* peaks) {
    if (!peaks) return false;
    peaks->Clear();

    fs::DecodedFileReader file(path);
    if (file.Get() == fs::kInvalidHandle) return false;
    uint64_t size = 0;
    if (!fs::Size(file.Get(), &size) || size < kHeaderBytes) return false;
    uint8_t header[kHeaderBytes];
    if (!file.ReadAll(header, kHeaderBytes)) return false;

    const uint32_t channels = Le16(header + 22);
    const uint32_t rate = Le32(header + 24);
    const uint32_t blockAlign = Le16(header + 32);
    const uint32_t bits = Le16(header + 34);
    // A header the sink cannot have written: refused before any arithmetic
    // that would divide by these fields or step through frames of size 0.
    const FramePattern pattern = MakeFramePattern(rate);
    if (pattern.blockFrames == 0 || blockAlign == 0 || blockAlign < (channels * bits + 7) / 8) return false;

    const uint64_t frames = (size - kHeaderBytes) / blockAlign;
    const uint64_t pairs = BucketCount(pattern, frames);
    if (pairs > static_cast<uint64_t>(INT32_MAX) || pairs * 2 > SIZE_MAX) return false;
    Pages out(static_cast<size_t>(pairs * 2));
    if (pairs > 0 && !out.Data()) return false;

    const bool bits16 = bits == 16 && (channels == 1 || channels == 2);
    const bool bits8 = bits == 8 && (channels == 1 || channels == 2);
    if ((bits16 || bits8) && frames > 0) {
        const uint32_t chunkFrames = std::max<uint32_t>(1, kReadBytes / blockAlign);
        Pages buffer(static_cast<size_t>(chunkFrames) * blockAlign);
        if (!buffer.Data()) return false;

        int8_t* pair = reinterpret_cast<int8_t*>(out.Data());
        int step = 0;
        uint64_t bucketLeft = pattern.step[0];  // frames still to scan in this bucket
        int32_t hi = 0, lo = 0;
        bool open = true;  // the current bucket has begun (a pair is owed)
        auto emit = [&] {
            if (bits16) {
                pair[0] = static_cast<int8_t>(hi / 512);
                pair[1] = static_cast<int8_t>(lo / 512);
            } else {
                pair[0] = static_cast<int8_t>(hi / 2);
                pair[1] = static_cast<int8_t>(lo / 2);
            }
            pair += 2;
            hi = lo = 0;
        };

        uint64_t framesLeft = frames;
        while (framesLeft > 0) {
            const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(chunkFrames, framesLeft));
            if (!file.ReadAll(buffer.Data(), n * blockAlign)) return false;
            framesLeft -= n;
            const uint8_t* p = buffer.Data();
            uint32_t left = n;
            while (left > 0) {
                // Buckets of 0 frames (rates below 100 Hz) still own a pair.
                while (bucketLeft == 0) {
                    emit();
                    step = (step + 1) & 3;
                    bucketLeft = pattern.step[step];
                }
                const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(bucketLeft, left));
                if (bits16)
                    Scan16(p, take, blockAlign, &hi, &lo);
                else
                    Scan8(p, take, blockAlign, &hi, &lo);
                open = true;
                p += static_cast<size_t>(take) * blockAlign;
                left -= take;
                bucketLeft -= take;
                if (bucketLeft == 0) {
                    emit();
                    step = (step + 1) & 3;
                    bucketLeft = pattern.step[step];
                    open = false;
                }
            }
        }
        // The last bucket, cut short by the end of the data.
        if (open) emit();
        if (pair != reinterpret_cast<int8_t*>(out.Data()) + pairs * 2) return false;
    }
    // Other layouts keep the zeros the fresh pages read as.

    peaks->reserved_ = out.Size();
    peaks->pairs_ = reinterpret_cast<int8_t*>(out.Release());
    peaks->duration_ = static_cast<int32_t>(pairs);
    return true;
}

}  // namespace mr
