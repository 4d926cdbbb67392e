#pragma once
// Byte-built Standard MIDI Files for the karaoke reader's tests.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lyrics/lyrics_document.h"

namespace mr::test {

// One track's events. At() sets the absolute tick of the next event (its
// delta is the distance from the previous one); every event helper writes
// that delta first.
class MidiTrack {
public:
    MidiTrack& At(uint32_t tick);
    MidiTrack& Text(std::string_view s) { return Meta(0x01, s); }
    MidiTrack& Lyric(std::string_view s) { return Meta(0x05, s); }
    MidiTrack& Meta(uint8_t type, std::string_view data);
    MidiTrack& Tempo(uint32_t microsecondsPerQuarter);
    // An event's bytes after its delta, as they are (status and data).
    MidiTrack& Event(std::string_view bytes);
    // A delta given as raw bytes, for deltas that are not well formed.
    MidiTrack& RawDelta(std::string_view bytes);
    MidiTrack& End() { return Meta(0x2F, ""); }
    const std::string& Data() const { return data_; }

private:
    void Delta();
    std::string data_;
    uint32_t last_ = 0;
    uint32_t next_ = 0;
};

// A file with the header "MThd" (format, track count, division) and the
// tracks. `declaredTracks` < 0 declares as many tracks as given.
std::vector<uint8_t> MidiFile(uint16_t format, uint16_t division, const std::vector<MidiTrack>& tracks,
                              int declaredTracks = -1);

// The division word of an SMPTE file: minus the frame rate and ticks per frame.
inline uint16_t SmpteDivision(int framesPerSecond, uint8_t ticksPerFrame) {
    return static_cast<uint16_t>((static_cast<uint8_t>(-framesPerSecond) << 8) | ticksPerFrame);
}

// Writes the bytes to a file in a fresh folder and loads it as karaoke MIDI
// (kind 9), as the plug-ins do.
bool LoadMidi(LyricsDocument& doc, const std::vector<uint8_t>& bytes);
// Loads a file of the source tree as karaoke MIDI.
bool LoadMidiFile(LyricsDocument& doc, std::string_view sourceRelativePath);

}  // namespace mr::test
