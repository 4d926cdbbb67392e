#pragma once
// The events of a Standard MIDI File, taken from its tracks in time order,
// and the tempo map that turns their ticks into milliseconds. Only the text
// and lyric meta events are handed out; channel, system-exclusive and other
// meta events are stepped over, tempo events update the map. All integers of
// the format are big-endian.

#include <cstdint>

namespace mr::midi {

inline constexpr uint8_t kMetaText = 0x01;
inline constexpr uint8_t kMetaLyric = 0x05;

// A text or lyric meta event. data points into the file's bytes.
struct TextEvent {
    uint8_t type;         // kMetaText or kMetaLyric
    const uint8_t* data;
    uint32_t length;
    uint32_t tick;        // absolute tick
};

class EventReader {
public:
    EventReader() = default;
    ~EventReader();
    EventReader(const EventReader&) = delete;
    EventReader& operator=(const EventReader&) = delete;

    enum class OpenResult { Ok, Unreadable, OutOfMemory };
    // Checks the header of the file's `size` bytes (which must stay alive
    // while the reader is used) and finds the tracks to read: one for format
    // 0 and 2, all for format 1. Unreadable when the header is wrong, the
    // format above 2, no track is declared, fewer tracks than needed follow
    // the header, or the division gives no usable time (0 ticks per quarter
    // note, 0 ticks per frame or a frame rate other than 24, 25, 29.97, 30).
    OpenResult Open(const uint8_t* bytes, uint32_t size);

    // The next text or lyric event across the tracks: the smallest tick
    // first, the lower track on a tie. False at the end of the song and at
    // the first damage (a bad delta, status or length, data past its track,
    // a tempo event whose length is not 3); the reading ends there.
    bool Next(TextEvent* event);

    // Milliseconds at `tick`, which is not before the last tempo change
    // taken (ticks of events as Next hands them out). False when the time
    // does not fit below INT32_MAX, so that t + 1 ms still fits.
    bool TimeAt(uint32_t tick, int32_t* ms) const;

private:
    struct Track;
    bool ReadDelta(Track& t);
    bool TakeEvent(uint32_t track, TextEvent* event, bool* isText);
    void HeapPush(uint32_t track);
    uint32_t HeapPop();
    bool Before(uint32_t a, uint32_t b) const;

    const uint8_t* bytes_ = nullptr;
    Track* tracks_ = nullptr;   // one per track read
    uint32_t trackCount_ = 0;
    uint32_t* heap_ = nullptr;  // tracks with a pending event, by tick
    uint32_t heapSize_ = 0;
    bool stopped_ = false;

    uint32_t division_ = 0;      // ticks per quarter note (0 for SMPTE)
    uint64_t smpteRate_ = 0;     // SMPTE ticks per 100 s (ticks per frame x frames per s x 100), else 0
    uint32_t tempo_ = 500000;    // µs per quarter note
    uint32_t lastTempoTick_ = 0;
    uint64_t msAtLastTempo_ = 0;
};

}  // namespace mr::midi
