#pragma once
// Which picture belongs to which display time, and the random picks of the
// folder slide show. Times are display times in ms; they may be negative (a
// preset's Delay moves the display time before the start of the song).

#include <cstdint>

namespace mr {

class LyricsDocument;
struct SlideImage;

// A picture's display window [start, end) in ms.
struct TimeWindow {
    int64_t start;
    int64_t end;
    bool operator==(const TimeWindow&) const = default;
    bool Contains(int64_t t) const { return start <= t && t < end; }
};

// Folder pictures change every 10 s of display time, at multiples of 10 s.
inline constexpr int64_t kFolderPictureMs = 10000;
// The 10-second window holding t (rounded down, also below zero).
TimeWindow FolderWindow(int64_t t);

// True when the document's own slides drive the slide show: it has slide
// images and their durations do not sum to 0 (a show of zero length has no
// picture for any time; such a document shows the preset's pictures).
bool HasTimedSlides(const LyricsDocument& doc);

// The document's timed slides: shown in order, each for its duration, the
// whole show repeated. Locate remembers the slide it found last and walks from
// there, so consecutive times cost a step or two.
class SlideTimeline {
public:
    // Takes the slides (not copied: they must stay in place until the next
    // Reset) and sums their durations in 64 bits. Starts at the first slide.
    void Reset(const SlideImage* slides, uint32_t count);
    // Slides and a non-zero total: Locate has an answer.
    bool HasSlides() const { return count_ > 0 && total_ > 0; }
    uint64_t Total() const { return total_; }
    // The index of the slide shown at t and its window in display time
    // (cycle × total + the slide's start in the cycle). Requires HasSlides().
    uint32_t Locate(int64_t t, TimeWindow* window);

private:
    const SlideImage* slides_ = nullptr;
    uint32_t count_ = 0;
    uint64_t total_ = 0;
    uint32_t index_ = 0;  // the slide found last
    uint64_t start_ = 0;  // its start inside the cycle
};

// Random values for the slide order and the random preset.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Four random bytes in *value; false when the source cannot give any
    // (nothing is drawn then).
    virtual bool Draw(uint32_t* value) = 0;
};

// A random index in [0, n) other than `previous` when n allows (previous < 0:
// there is none to avoid). The value is the drawn one modulo n; a value equal
// to previous moves on by one. Without a random source (null, or one that
// draws nothing) the picks run sequentially: previous + 1, or 0 at first. A
// result at or beyond n wraps to 0. n ≤ 0 returns 0.
int32_t PickRandom(RandomSource* source, int32_t previous, int32_t n);

}  // namespace mr
