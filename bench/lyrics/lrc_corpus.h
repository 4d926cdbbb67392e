#pragma once
// The benchmark's LRC file: songs with word stamps, many lines repeated as
// choruses are, many distinct. Deterministic, so every run reads the same
// bytes.

#include <cstddef>
#include <string>
#include <vector>

namespace mr::bench {

// Lines per song. A lyrics document holds at most 131,072 times; a song of
// this many lines with three timed words each stays below that.
inline constexpr int kLinesPerSong = 30000;

// Songs back to back, each beginning with its own "[ti:" tag and restarting
// its times at zero, until the text reaches `targetBytes` (ending at a line).
// With `utf8` some syllables carry accented Latin, Chinese or emoji letters,
// as UTF-8 without a byte order mark; otherwise the text is ASCII.
std::string GenerateLrc(size_t targetBytes, bool utf8 = false);

// Where each song begins and ends in an LRC text: it starts at a line that
// begins with "[ti:". A text without such a line is one song.
struct Song {
    size_t offset;
    size_t size;
};
std::vector<Song> SplitSongs(const std::string& lrc);

}  // namespace mr::bench
