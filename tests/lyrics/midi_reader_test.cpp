// The karaoke MIDI reader on byte-built files. Unless a test says otherwise:
// division 480 ticks per quarter note and the default tempo (500,000 µs per
// quarter), so 480 ticks are 500 ms.
#include "lyrics/midi_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/lyrics/lyrics_test_util.h"
#include "tests/lyrics/midi_file_builder.h"

namespace mr {
namespace {

using Lines = std::vector<std::string>;
using test::MidiFile;
using test::MidiTrack;

constexpr uint16_t kDivision = 480;

// Loads the file; every reading must leave the time table parallel to the
// sync table (each sync point with its own time).
Lines Read(const std::vector<uint8_t>& bytes) {
    LyricsDocument doc;
    EXPECT_TRUE(test::LoadMidi(doc, bytes));
    EXPECT_EQ(doc.GetSyncTimeCount(), doc.GetSyncCount()) << "time and sync tables out of step";
    EXPECT_FALSE(doc.SourceFile().IsOpen());
    return test::DescribeLines(doc);
}

Lines ReadTrack(const MidiTrack& t, uint16_t division = kDivision) {
    return Read(MidiFile(0, division, {t}));
}

// --- Syllables, lines and times

TEST(lyrics_midi, syllables_with_a_separator_and_a_hyphen_make_one_line) {
    MidiTrack t;
    t.At(0).Lyric("\\Hel-").At(240).Lyric("lo ").At(480).Lyric("world").End();
    EXPECT_EQ(ReadTrack(t), Lines{"Hello world |3,6| 0-1 250-251 500-501"});
}

TEST(lyrics_midi, a_tempo_in_track_0_times_the_syllables_of_track_1) {
    MidiTrack tempo, words;
    tempo.At(0).Tempo(1000000).End();
    words.At(960).Text("Hi").End();
    EXPECT_EQ(Read(MidiFile(1, kDivision, {tempo, words})), Lines{"Hi || 2000-2001"});
}

TEST(lyrics_midi, a_tempo_change_times_later_ticks_from_where_it_happened) {
    MidiTrack t;
    t.At(0).Text("a").At(960).Tempo(250000).Text("b").At(1920).Text("c").End();
    // 960 ticks at 500 ms per quarter, then 960 at 250 ms.
    EXPECT_EQ(ReadTrack(t), Lines{"abc |1,2| 0-1 1000-1001 1500-1501"});
}

TEST(lyrics_midi, lyric_events_replace_the_text_events_read_before_them) {
    MidiTrack t;
    t.At(0).Text("Old text").At(100).Text("/more").At(200).Lyric("New").At(300).Text(" ignored").At(400).Lyric(
        " song").End();
    EXPECT_EQ(ReadTrack(t), Lines{"New song |3| 208-209 416-417"});
}

TEST(lyrics_midi, header_events_beginning_with_an_at_sign_are_ignored) {
    MidiTrack t;
    t.At(0).Text("@KMIDI KARAOKE FILE").Text("@LENGL").At(10).Text("@TThe Title").At(480).Text("/la").At(960).Text(
        "@I/whatever").Text("la").End();
    EXPECT_EQ(ReadTrack(t), Lines{"lala |2| 500-501 1000-1001"});
}

TEST(lyrics_midi, syllables_at_the_same_tick_form_one_segment) {
    MidiTrack t;
    t.At(0).Lyric("ab").Lyric("cd").At(480).Lyric("ef").Lyric("gh").End();
    EXPECT_EQ(ReadTrack(t), Lines{"abcdefgh |4| 0-1 500-501"});
}

TEST(lyrics_midi, the_lower_track_goes_first_on_a_tie) {
    MidiTrack a, b;
    a.At(480).Text("A").End();
    b.At(0).Text("C").At(480).Text("B").End();
    EXPECT_EQ(Read(MidiFile(1, kDivision, {a, b})), Lines{"CAB |1| 0-1 500-501"});
}

TEST(lyrics_midi, separators_and_trailing_breaks_end_lines) {
    MidiTrack t;
    t.At(0).Lyric("/One").At(480).Lyric(" two\r").At(960).Lyric("\\Three").At(1440).Lyric("/").At(1920).Lyric(
        "Four/").End();
    EXPECT_EQ(ReadTrack(t), (Lines{"One two |3| 0-1 500-501", "Three || 1000-1001", "Four || 2000-2001"}));
    // A bare break after a finished line is an empty line, with its marker.
    MidiTrack bare;
    bare.At(0).Lyric("Hi/").At(480).Lyric(std::string("\0", 1)).At(960).Lyric("/\r").At(1440).Lyric("Yo").End();
    EXPECT_EQ(ReadTrack(bare), (Lines{"Hi || 0-1", " || 500-501", " || 1000-1001", "Yo || 1500-1501"}));
}

TEST(lyrics_midi, nul_bytes_become_spaces_a_lone_hyphen_stays_and_empty_events_are_ignored) {
    MidiTrack t;
    t.At(0).Lyric(std::string("a\0b", 3)).At(240).Lyric("").At(480).Lyric("-").At(960).Lyric("\xE9t\xE9").End();
    // The active code page is Windows-1252 in the native build.
    EXPECT_EQ(ReadTrack(t), Lines{"a b-\xC3\xA9t\xC3\xA9 |3,4| 0-1 500-501 1000-1001"});
}

// --- Keeping the time table parallel to the sync table

TEST(lyrics_midi, a_lone_nul_at_a_new_tick_ends_the_line_without_shifting_later_times) {
    // The NUL event ends the line "Hi" but adds no syllable; its tick must
    // not leave a time behind that a later syllable would be paired with.
    MidiTrack t;
    t.At(0).Lyric("Hi").At(480).Lyric(std::string("\0", 1)).At(960).Lyric("Yo").At(1440).Lyric("u").End();
    EXPECT_EQ(ReadTrack(t), (Lines{"Hi || 0-1", "You |2| 1000-1001 1500-1501"}));
}

TEST(lyrics_midi, a_syllable_at_the_tick_of_a_separate_line_break_starts_the_next_line) {
    MidiTrack t;
    t.At(0).Lyric("Hi").At(480).Lyric("/").Lyric("there").At(960).Lyric("\r").Lyric("\n").Lyric("again").End();
    EXPECT_EQ(ReadTrack(t), (Lines{"Hi || 0-1", "there || 500-501", "again || 1000-1001"}));
}

TEST(lyrics_midi, a_syllable_at_the_tick_where_a_line_ended_starts_the_next_line) {
    MidiTrack t;
    t.At(480).Lyric("Hi\r").Lyric("there").At(960).Lyric(" you").End();
    EXPECT_EQ(ReadTrack(t), (Lines{"Hi || 500-501", "there you |5| 500-501 1000-1001"}));
}

TEST(lyrics_midi, a_separator_with_text_at_the_tick_of_the_open_line_goes_on_with_the_next_line) {
    // abc2midi writes a "note track" text at tick 1 and the first syllable
    // "/Hel" at the same tick; the rest of the song must not be lost.
    MidiTrack t;
    t.At(0).Text("note").At(1).Text(" track").Text("/Hel").At(481).Text("lo").At(961).Text("\\World").End();
    EXPECT_EQ(ReadTrack(t), (Lines{"note track |4| 0-1 1-2", "Hello |3| 1-2 501-502", "World || 1001-1002"}));
}

// --- Divisions

TEST(lyrics_midi, smpte_divisions_ignore_tempo_and_29_means_29_97_frames) {
    MidiTrack t;
    t.At(0).Tempo(1000000).Text("a").At(1234).Text("b").At(2997).Text("c").End();
    // 25 frames of 40 ticks: one tick per millisecond.
    EXPECT_EQ(ReadTrack(t, test::SmpteDivision(25, 40)), Lines{"abc |1,2| 0-1 1234-1235 2997-2998"});
    EXPECT_EQ(ReadTrack(t, test::SmpteDivision(29, 100)), Lines{"abc |1,2| 0-1 411-412 1000-1001"});
}

TEST(lyrics_midi, divisions_that_give_no_time_read_nothing) {
    MidiTrack t;
    t.At(0).Text("a").At(480).Text("b").End();
    for (uint16_t division : {uint16_t{0}, test::SmpteDivision(25, 0), test::SmpteDivision(23, 40),
                              test::SmpteDivision(128, 40)})
        EXPECT_EQ(ReadTrack(t, division), Lines{}) << division;
}

// --- Formats and tracks

TEST(lyrics_midi, format_1_needs_every_declared_track_and_formats_0_and_2_only_their_first) {
    MidiTrack a, b;
    a.At(0).Text("first").End();
    b.At(0).Text(" second").End();
    EXPECT_EQ(Read(MidiFile(1, kDivision, {a, b}, 3)), Lines{});
    EXPECT_EQ(Read(MidiFile(0, kDivision, {a, b})), Lines{"first || 0-1"});
    EXPECT_EQ(Read(MidiFile(2, kDivision, {a, b})), Lines{"first || 0-1"});
    EXPECT_EQ(Read(MidiFile(2, kDivision, {a}, 5)), Lines{"first || 0-1"});  // the others need not exist
    EXPECT_EQ(Read(MidiFile(1, kDivision, {a, b})), Lines{"first second || 0-1"});
}

TEST(lyrics_midi, headers_that_are_not_standard_midi_read_nothing) {
    MidiTrack a;
    a.At(0).Text("a").End();
    const std::vector<uint8_t> good = MidiFile(0, kDivision, {a});
    EXPECT_EQ(Read(good), Lines{"a || 0-1"});
    // The magic, a header length of 7, format 3, no track.
    for (auto [at, value] : {std::pair{0, 'm'}, {7, 7}, {9, 3}, {11, 0}}) {
        std::vector<uint8_t> b = good;
        b[at] = static_cast<uint8_t>(value);
        EXPECT_EQ(Read(b), Lines{}) << at;
    }
    EXPECT_EQ(Read(std::vector<uint8_t>(good.begin(), good.begin() + 13)), Lines{});
}

// --- Events between the texts, and damage

TEST(lyrics_midi, channel_system_exclusive_and_other_meta_events_are_stepped_over) {
    MidiTrack t;
    t.At(0)
        .Event("\x90\x3C\x64")               // note on
        .Event(std::string("\x3E\x00", 2))  // note on again, by running status
        .Event("\xC0\x05")                   // program change: one data byte
        .Event("\x06")                       // and again, by running status
        .Lyric("a")
        .At(240)
        .Event(std::string("\xF0\x03\x7E\x7F\xF7", 5))  // system exclusive
        .Event("\xFF\x03\x04name")    // track name
        .Event(std::string("\xF7\x01\x00", 3))          // escape sequence
        .Event("\xE0\x01\x02")        // pitch bend: two data bytes
        .Event("\xD0\x10")            // channel pressure: one
        .At(480)
        .Lyric("b")
        .End();
    EXPECT_EQ(ReadTrack(t), Lines{"ab |1| 0-1 500-501"});
}

TEST(lyrics_midi, damage_ends_the_reading_and_keeps_what_was_read) {
    struct Case {
        const char* what;
        std::string bytes;  // after a first syllable "a" at tick 0, at tick 480
    };
    const std::vector<Case> cases = {
        {"undefined status", std::string("\xF4\x00\x00", 3)},
        {"running status after a system event", std::string("\xF0\x00\x3C\x40\x00", 5)},
        {"tempo of the wrong length", std::string("\xFF\x51\x02\x07\xA1\x00", 6)},
        {"meta data past the track", std::string("\xFF\x05\x40xyz", 6)},
        {"system exclusive past the track", std::string("\xF0\x20\x00\x00", 4)},
        {"a length of five bytes", std::string("\xFF\x05\x81\x80\x80\x80\x00", 7)},
    };
    for (const Case& c : cases) {
        MidiTrack t;
        t.At(0).Lyric("a").At(480).Event(c.bytes).At(960).Lyric("b").End();
        EXPECT_EQ(ReadTrack(t), Lines{"a || 0-1"}) << c.what;
    }
    // Running status before any status byte.
    MidiTrack first;
    first.At(0).Event("\x3C\x40\x00").Lyric("a").End();
    EXPECT_EQ(ReadTrack(first), Lines{});
    // A track that ends without its end event stops after its last event.
    MidiTrack noEnd;
    noEnd.At(0).Lyric("a").At(480).Lyric("b");
    EXPECT_EQ(ReadTrack(noEnd), Lines{"ab |1| 0-1 500-501"});
    // An event needs 3 bytes after its delta.
    MidiTrack shortEvent;
    shortEvent.At(0).Lyric("a").At(480).Event(std::string("\x90\x3C", 2));
    EXPECT_EQ(ReadTrack(shortEvent), Lines{"a || 0-1"});
    // A delta longer than 4 bytes cannot be read.
    MidiTrack longDelta;
    longDelta.At(0).Lyric("a").RawDelta("\x81\x80\x80\x80\x00").Lyric("b").End();
    EXPECT_EQ(ReadTrack(longDelta), Lines{"a || 0-1"});
}

TEST(lyrics_midi, the_last_tick_and_the_largest_time_end_the_song) {
    MidiTrack t;
    t.At(0).Lyric("a").At(0x0FFFFFFE).Lyric("b").At(0x0FFFFFFF).Lyric("c").End();
    LyricsDocument doc;
    ASSERT_TRUE(test::LoadMidi(doc, MidiFile(0, 30000, {t})));
    EXPECT_EQ(test::DescribeLines(doc), Lines{"ab |1| 0-1 4473924-4473925"});
    // One tick per quarter note of 16.7 s: tick 100000 is 1,677,721,500 ms,
    // tick 130000 would be beyond 2^31 ms.
    MidiTrack slow;
    slow.At(0).Tempo(0xFFFFFF).Lyric("a").At(100000).Lyric("b").At(130000).Lyric("c").End();
    EXPECT_EQ(ReadTrack(slow, 1), Lines{"ab |1| 0-1 1677721500-1677721501"});
}

TEST(lyrics_midi, many_tracks_are_merged_in_time_order) {
    // Track k holds the syllable of tick 10 * (40 - k): the song reads
    // backwards through the tracks.
    std::vector<MidiTrack> tracks(40);
    for (uint32_t k = 0; k < 40; ++k) tracks[k].At(480 * (40 - k)).Text(std::string(1, static_cast<char>('A' + k % 26))).End();
    LyricsDocument doc;
    ASSERT_TRUE(test::LoadMidi(doc, MidiFile(1, kDivision, tracks)));
    const std::u16string text = doc.GetText(0);
    ASSERT_EQ(text.size(), 40u);
    for (uint32_t i = 0; i < 40; ++i) EXPECT_EQ(text[i], u'A' + (39 - i) % 26) << i;
    EXPECT_EQ(doc.GetSyncTimeCount(), 40u);
    EXPECT_EQ(doc.GetSyncTimes()[39].start, 40 * 500);
}

}  // namespace
}  // namespace mr
