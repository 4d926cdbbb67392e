// Karaoke MIDI files written by an independent tool: abc2midi (Debian's
// abcmidi) made tests/lyrics/data/midi/*.mid from the ABC tunes beside them
// (generate.sh). abc2midi writes the syllables of the "w:" lines as text
// events in the second track, "/" or "\" before the first syllable of a line,
// one tick after the notes' start; the first track carries "@" header texts
// and a "note track" text, which, being plain text events too, make a first
// line of their own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/lyrics/lyrics_test_util.h"
#include "tests/lyrics/midi_file_builder.h"

namespace mr {
namespace {

using Lines = std::vector<std::string>;

Lines ReadTune(const char* name) {
    LyricsDocument doc;
    EXPECT_TRUE(test::LoadMidiFile(doc, std::string("tests/lyrics/data/midi/") + name));
    EXPECT_EQ(doc.GetSyncTimeCount(), doc.GetSyncCount());
    return test::DescribeLines(doc);
}

const char* const kTrackNames = "notes/lyric tracknote track |17| 0-1 1-2";

TEST(lyrics_midi_abc2midi, four_four_at_120_gives_a_syllable_every_half_second) {
    // Quarter notes of 500 ms; half notes hold the next syllable back.
    EXPECT_EQ(ReadTune("lantern_walk.mid"),
              (Lines{kTrackNames,
                     "Walk the lantern down the quay, where lights are low |4,8,12,16,21,25,31,37,44,48| 1-2 501-502 "
                     "1001-1002 1501-1502 2001-2002 3001-3002 4001-4002 4501-4502 5001-5002 5501-5502 6001-6002",
                     " Sing a song of every star that shines above |5,7,12,15,18,21,26,31,38,40| 8001-8002 8501-8502 "
                     "9001-9002 9501-9502 10001-10002 11001-11002 12001-12002 12501-12502 13001-13002 13501-13502 "
                     "14001-14002"}));
}

TEST(lyrics_midi_abc2midi, a_tempo_change_in_the_second_line_slows_its_syllables) {
    // 600 ms per quarter in the first line, 750 ms after [Q:1/4=80].
    EXPECT_EQ(ReadTune("harbour_waltz.mid"),
              (Lines{kTrackNames,
                     "Gulls are calling over the warm bay |5,9,13,17,19,22,26,31| 1-2 601-602 1201-1202 1801-1802 "
                     "3001-3002 3601-3602 4201-4202 4801-4802 5401-5402",
                     " Slowly the evening comes home to stay |5,7,11,15,19,25,30,33| 7201-7202 7951-7952 8701-8702 "
                     "9451-9452 10951-10952 11701-11702 12451-12452 13201-13202 13951-13952"}));
}

TEST(lyrics_midi_abc2midi, six_eight_with_a_rest_and_notes_left_without_words) {
    // Eighth notes of 333 ms (a dotted quarter per second); the rest delays
    // "ing,", and the first line's last notes carry no syllable.
    EXPECT_EQ(ReadTune("morning_tide.mid"),
              (Lines{kTrackNames,
                     "Wake, the tide is turning, away |5,9,14,17,22,26,28| 1-2 667-668 1000-1001 1667-1668 2000-2001 "
                     "3667-3668 4000-4001 4667-4668",
                     " Nets are mended, sails are set for the day |5,9,14,17,23,27,31,35,39| 8000-8001 8667-8668 "
                     "9000-9001 9667-9668 10000-10001 10667-10668 11000-11001 12000-12001 12667-12668 13000-13001"}));
}

}  // namespace
}  // namespace mr
