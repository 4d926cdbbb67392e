#pragma once
// Decoding progress in whole percent, from the media times of the samples the
// wave sink receives. Times are 100-ns media time.

#include <cstdint>

namespace mr::audio {

class DecodeProgress {
public:
    // A stream starts with the segment it belongs to: the position is
    // measured from `segmentStart` against `segmentStop` as the total.
    void Start(int64_t segmentStart, int64_t segmentStop);
    // A sample that ended at `sampleEnd` (stream time) arrived. Answers the
    // new percent to report (1 to 100), or -1 when it is not higher than the
    // highest reported so far or the total is unknown (not positive). A
    // position past the total raises the total to it.
    int Update(int64_t sampleEnd);
    // The stream ended: 100 unless 100 was reported already, then -1.
    int Finish();

private:
    int64_t segmentStart_ = 0;
    int64_t total_ = 0;
    int highest_ = 0;
};

}  // namespace mr::audio
