#pragma once
// Reader of the lyrics in karaoke MIDI files (.mid, .midi, .kar, .rmi).

#include "common/buffered_file.h"
#include "lyrics/lyrics_document.h"

namespace mr {

// Reads the lyric or text events of the Standard MIDI File whose bytes
// (file.Size() of them) are in file.Data() into `doc`: one line per lyric
// line, one sync point per syllable that arrives at a new tick, each timed
// (t, t + 1) in ms from the file's tempo map or SMPTE division. Text events
// are used until the first lyric event, which discards them and switches to
// lyric events. A leading "\", "/", CR or LF starts a new line, a trailing one
// (or NUL) ends one, a trailing "-" joins syllables, "@" events are skipped.
//
// Every sync point gets its own time, so the time table stays parallel to the
// sync table. A file that is not a Standard MIDI File, or whose division gives
// no time, adds nothing; damage ends the reading and keeps what was read, as
// does a time beyond what a document holds (2^31 - 2 ms). False only when
// memory or a table's capacity runs out.
bool ReadMidiLyrics(LyricsDocument& doc, BufferedFile& file);

}  // namespace mr
