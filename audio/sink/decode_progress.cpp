#include "audio/sink/decode_progress.h"

#include <limits>

namespace mr::audio {

void DecodeProgress::Start(int64_t segmentStart, int64_t segmentStop) {
    segmentStart_ = segmentStart;
    total_ = segmentStop;
    highest_ = 0;
}

int DecodeProgress::Update(int64_t sampleEnd) {
    if (total_ <= 0) return -1;
    int64_t position = 0;
    // Upstream times are not to be trusted: saturate instead of overflowing.
    if (__builtin_add_overflow(segmentStart_, sampleEnd, &position))
        position = sampleEnd > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    if (position > total_) total_ = position;
    if (position <= 0) return -1;
    int64_t percent;
    if (position <= std::numeric_limits<int64_t>::max() / 100)
        percent = position * 100 / total_;
    else
        percent = position / (total_ / 100);  // total_ >= position here, so total_ / 100 > 0
    if (percent > 100) percent = 100;
    if (percent <= highest_) return -1;
    highest_ = static_cast<int>(percent);
    return highest_;
}

int DecodeProgress::Finish() {
    if (highest_ >= 100) return -1;
    highest_ = 100;
    return 100;
}

}  // namespace mr::audio
