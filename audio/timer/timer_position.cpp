#include "audio/timer/timer_position.h"

#include <limits>

namespace mr::audio {

int64_t ReportedPosition(int64_t segmentStart, int64_t sampleTime, bool slowDown) {
    const int64_t t = slowDown ? sampleTime / 2 : sampleTime;
    int64_t position = 0;
    if (__builtin_add_overflow(segmentStart, t, &position))
        return t > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    return position;
}

}  // namespace mr::audio
