#pragma once
// Reader of the lyrics in karaoke MIDI files (.mid, .midi, .kar, .rmi).

#include "common/buffered_file.h"
#include "lyrics/lyrics_document.h"

namespace mr {

// Reads the lyric or text events of the Standard MIDI File whose bytes
// (file.Size() of them) are in file.Data() into `doc`. False only when memory
// runs out.
bool ReadMidiLyrics(LyricsDocument& doc, BufferedFile& file);

}  // namespace mr
