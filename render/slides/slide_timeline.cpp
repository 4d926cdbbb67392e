#include "render/slides/slide_timeline.h"

#include "lyrics/lyrics_document.h"

namespace mr {
namespace {

// Floor division and the matching non-negative remainder.
int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

uint64_t SumDurations(const SlideImage* slides, uint32_t count) {
    uint64_t total = 0;
    for (uint32_t i = 0; i < count; ++i) total += slides[i].duration;
    return total;
}

}  // namespace

TimeWindow FolderWindow(int64_t t) {
    const int64_t start = FloorDiv(t, kFolderPictureMs) * kFolderPictureMs;
    return {start, start + kFolderPictureMs};
}

bool HasTimedSlides(const LyricsDocument& doc) {
    const uint32_t count = doc.GetSlideImageCount();
    return count > 0 && doc.GetSlideImages() && SumDurations(doc.GetSlideImages(), count) > 0;
}

void SlideTimeline::Reset(const SlideImage* slides, uint32_t count) {
    slides_ = slides;
    count_ = slides ? count : 0;
    total_ = SumDurations(slides_, count_);
    index_ = 0;
    start_ = 0;
}

uint32_t SlideTimeline::Locate(int64_t t, TimeWindow* window) {
    const int64_t total = static_cast<int64_t>(total_);
    const int64_t cycle = FloorDiv(t, total);
    const uint64_t offset = static_cast<uint64_t>(t - cycle * total);  // 0 <= offset < total
    if (index_ >= count_) {
        index_ = 0;
        start_ = 0;
    }
    while (index_ > 0 && offset < start_) {
        --index_;
        start_ -= slides_[index_].duration;
    }
    while (index_ + 1 < count_ && offset >= start_ + slides_[index_].duration) {
        start_ += slides_[index_].duration;
        ++index_;
    }
    const int64_t begin = cycle * total + static_cast<int64_t>(start_);
    *window = {begin, begin + static_cast<int64_t>(slides_[index_].duration)};
    return index_;
}

int32_t PickRandom(RandomSource* source, int32_t previous, int32_t n) {
    if (n <= 0) return 0;
    uint32_t value = 0;
    const bool drawn = source && source->Draw(&value);
    int64_t v = drawn ? static_cast<int64_t>(value % static_cast<uint32_t>(n)) : 0;
    if (previous >= 0) {
        if (!drawn) {
            v = static_cast<int64_t>(previous) + 1;
        } else if (v == previous) {
            v = v + 1;
        }
    }
    return v >= n ? 0 : static_cast<int32_t>(v);
}

}  // namespace mr
