#include "lyrics/midi_events.h"

#include <cstdlib>
#include <cstring>

namespace mr::midi {
namespace {

constexpr uint32_t kHeaderBytes = 14;      // "MThd", length, format, tracks, division
constexpr uint32_t kHeaderLength = 6;
constexpr uint32_t kChunkHeaderBytes = 8;  // "MTrk" and length
// Events at or after this tick end the song.
constexpr uint32_t kEndTick = 0x0FFFFFFF;
// A variable-length quantity has at most 4 bytes (28 bits).
constexpr uint32_t kMaxVarBytes = 4;
// After its delta, an event needs at least this many bytes in its track.
constexpr uint32_t kMinEventBytes = 3;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint32_t kTempoBytes = 3;
constexpr uint64_t kMaxMs = INT32_MAX - 1;

uint32_t ReadU32BE(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t ReadU16BE(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// Reads a variable-length quantity at p[*pos, end); false when it runs past
// the end or is longer than 4 bytes.
bool ReadVar(const uint8_t* p, uint32_t* pos, uint32_t end, uint32_t* value) {
    uint32_t v = 0;
    for (uint32_t k = 0; k < kMaxVarBytes; ++k) {
        if (*pos >= end) return false;
        const uint8_t b = p[(*pos)++];
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80)) {
            *value = v;
            return true;
        }
    }
    return false;
}

// Data bytes of a channel message by its status.
uint32_t ChannelDataBytes(uint8_t status) {
    const uint8_t kind = status >> 4;
    return kind == 0xC || kind == 0xD ? 1 : 2;
}

}  // namespace

struct EventReader::Track {
    uint32_t pos;          // next byte to read in the file
    uint32_t end;          // end of the track's data
    uint32_t tick;         // absolute tick of the last event taken
    uint32_t pendingTick;  // absolute tick of the next event (its delta read)
    uint8_t running;       // running status, 0 when none
};

EventReader::~EventReader() {
    std::free(tracks_);
    std::free(heap_);
}

EventReader::OpenResult EventReader::Open(const uint8_t* bytes, uint32_t size) {
    if (size < kHeaderBytes || std::memcmp(bytes, "MThd", 4) != 0 || ReadU32BE(bytes + 4) != kHeaderLength)
        return OpenResult::Unreadable;
    const uint16_t format = ReadU16BE(bytes + 8);
    const uint16_t declared = ReadU16BE(bytes + 10);
    const uint16_t division = ReadU16BE(bytes + 12);
    if (format > 2 || declared == 0) return OpenResult::Unreadable;

    if (!(division & 0x8000)) {
        // Without ticks per quarter note no time can be computed.
        if (division == 0) return OpenResult::Unreadable;
        division_ = division;
    } else {
        // SMPTE: the high byte is minus the frame rate, the low byte the
        // ticks per frame; 29 stands for 29.97 frames per second.
        const int fps = -static_cast<int8_t>(division >> 8);
        const uint32_t ticksPerFrame = division & 0xFF;
        if (ticksPerFrame == 0 || (fps != 24 && fps != 25 && fps != 29 && fps != 30)) return OpenResult::Unreadable;
        smpteRate_ = uint64_t{ticksPerFrame} * (fps == 29 ? 2997u : static_cast<uint32_t>(fps) * 100u);
    }

    // Format 0 has one track; format 2 holds independent songs, of which the
    // first is read; format 1 plays all its tracks together.
    const uint32_t wanted = format == 1 ? declared : 1;
    uint64_t at = kHeaderBytes;
    for (uint32_t i = 0; i < wanted; ++i) {
        if (at + kChunkHeaderBytes > size || std::memcmp(bytes + at, "MTrk", 4) != 0) return OpenResult::Unreadable;
        const uint64_t length = ReadU32BE(bytes + at + 4);
        if (at + kChunkHeaderBytes + length > size) return OpenResult::Unreadable;
        at += kChunkHeaderBytes + length;
    }

    tracks_ = static_cast<Track*>(std::calloc(wanted, sizeof(Track)));
    heap_ = static_cast<uint32_t*>(std::calloc(wanted, sizeof(uint32_t)));
    if (!tracks_ || !heap_) return OpenResult::OutOfMemory;
    bytes_ = bytes;
    trackCount_ = wanted;
    at = kHeaderBytes;
    for (uint32_t i = 0; i < wanted; ++i) {
        Track& t = tracks_[i];
        t.pos = static_cast<uint32_t>(at + kChunkHeaderBytes);
        t.end = t.pos + ReadU32BE(bytes + at + 4);
        at = t.end;
        if (!ReadDelta(t)) {
            // A track whose first delta cannot be read ends the song at once.
            stopped_ = true;
            return OpenResult::Ok;
        }
        HeapPush(i);
    }
    return OpenResult::Ok;
}

bool EventReader::ReadDelta(Track& t) {
    uint32_t delta;
    if (!ReadVar(bytes_, &t.pos, t.end, &delta)) return false;
    t.pendingTick = t.tick + delta;  // both below 2^28: no overflow
    return true;
}

bool EventReader::Before(uint32_t a, uint32_t b) const {
    const uint32_t ta = tracks_[a].pendingTick, tb = tracks_[b].pendingTick;
    return ta < tb || (ta == tb && a < b);
}

void EventReader::HeapPush(uint32_t track) {
    uint32_t i = heapSize_++;
    while (i > 0) {
        const uint32_t parent = (i - 1) / 2;
        if (!Before(track, heap_[parent])) break;
        heap_[i] = heap_[parent];
        i = parent;
    }
    heap_[i] = track;
}

uint32_t EventReader::HeapPop() {
    const uint32_t top = heap_[0];
    const uint32_t last = heap_[--heapSize_];
    uint32_t i = 0;
    for (;;) {
        uint32_t child = 2 * i + 1;
        if (child >= heapSize_) break;
        if (child + 1 < heapSize_ && Before(heap_[child + 1], heap_[child])) ++child;
        if (!Before(heap_[child], last)) break;
        heap_[i] = heap_[child];
        i = child;
    }
    if (heapSize_ > 0) heap_[i] = last;
    return top;
}

bool EventReader::Next(TextEvent* event) {
    while (!stopped_) {
        // No track left, or the earliest one lies past the song's end.
        if (heapSize_ == 0 || tracks_[heap_[0]].pendingTick >= kEndTick) break;
        const uint32_t index = HeapPop();
        bool isText = false;
        if (!TakeEvent(index, event, &isText)) break;
        if (isText) return true;
    }
    stopped_ = true;
    return false;
}

// Takes the pending event of one track; false on damage. After the event,
// the track's next delta is read and the track goes back among the others,
// unless it ended; a delta that cannot be read ends the song before the
// next event.
bool EventReader::TakeEvent(uint32_t index, TextEvent* event, bool* isText) {
    Track& t = tracks_[index];
    if (t.end - t.pos < kMinEventBytes) return false;
    t.tick = t.pendingTick;
    const uint8_t* p = bytes_;
    uint8_t status = p[t.pos];
    bool ended = false;
    if (status < 0x80) {
        // Running status: this byte is the first data byte.
        if (!t.running) return false;
        status = t.running;
    } else {
        ++t.pos;
        t.running = status < 0xF0 ? status : 0;
    }
    if (status < 0xF0) {
        const uint32_t n = ChannelDataBytes(status);
        if (t.end - t.pos < n) return false;
        t.pos += n;
    } else if (status == 0xF0 || status == 0xF7) {
        uint32_t length;
        if (!ReadVar(p, &t.pos, t.end, &length) || t.end - t.pos < length) return false;
        t.pos += length;
    } else if (status == 0xFF) {
        if (t.pos >= t.end) return false;
        const uint8_t type = p[t.pos++];
        uint32_t length;
        if (!ReadVar(p, &t.pos, t.end, &length) || t.end - t.pos < length) return false;
        const uint8_t* data = p + t.pos;
        t.pos += length;
        if (type == kMetaEndOfTrack) {
            ended = true;
        } else if (type == kMetaTempo) {
            if (length != kTempoBytes) return false;
            if (division_) {
                const uint64_t ms = msAtLastTempo_ + (uint64_t{t.tick - lastTempoTick_} * tempo_ / division_) / 1000;
                msAtLastTempo_ = ms < kMaxMs ? ms : kMaxMs + 1;  // later times are unusable anyway
            }
            lastTempoTick_ = t.tick;
            tempo_ = (uint32_t{data[0]} << 16) | (uint32_t{data[1]} << 8) | data[2];
        } else if (type == kMetaText || type == kMetaLyric) {
            *event = TextEvent{type, data, length, t.tick};
            *isText = true;
        }
    } else {
        return false;  // no other status belongs in a file
    }
    if (!ended) {
        if (!ReadDelta(t)) {
            // This event still counts; the song ends before the next one.
            if (*isText) {
                heapSize_ = 0;
                return true;
            }
            return false;
        }
        HeapPush(index);
    }
    return true;
}

bool EventReader::TimeAt(uint32_t tick, int32_t* ms) const {
    uint64_t t;
    if (smpteRate_) {
        t = uint64_t{tick} * 100000 / smpteRate_;
    } else {
        t = msAtLastTempo_ + (uint64_t{tick - lastTempoTick_} * tempo_ / division_) / 1000;
    }
    if (t > kMaxMs) return false;
    *ms = static_cast<int32_t>(t);
    return true;
}

}  // namespace mr::midi
