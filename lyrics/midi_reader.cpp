#include "lyrics/midi_reader.h"

namespace mr {

// Placeholder until karaoke MIDI files are read: nothing is added.
bool ReadMidiLyrics(LyricsDocument&, BufferedFile&) {
    return true;
}

}  // namespace mr
