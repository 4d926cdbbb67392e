#include "bench/lyrics/lrc_corpus.h"

#include <cstdint>
#include <cstdio>

namespace mr::bench {
namespace {

class Random {
public:
    uint32_t Next(uint32_t n) {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>((state_ >> 33) % n);
    }

private:
    uint64_t state_ = 0x4D69726Cull;
};

constexpr const char* kSyllables[] = {"la", "mi", "ro", "ven", "tal", "shi", "ko", "ra", "nel", "da", "sun",
                                      "mor", "ae", "lin", "qua", "fe", "tor", "bel", "yu", "gan", "po", "rest"};

// About one syllable in four of the UTF-8 text: à, è, ò, ché, 夜, 歌, 🌙.
constexpr const char* kUtf8Syllables[] = {"t\xC3\xA0", "v\xC3\xA8", "l\xC3\xB2", "ch\xC3\xA9",
                                          "\xE5\xA4\x9C", "\xE6\xAD\x8C", "\xF0\x9F\x8C\x99"};

std::string Word(Random& r, bool utf8) {
    std::string w;
    const uint32_t n = 1 + r.Next(3);
    for (uint32_t i = 0; i < n; ++i) {
        if (utf8 && r.Next(4) == 0)
            w += kUtf8Syllables[r.Next(sizeof kUtf8Syllables / sizeof *kUtf8Syllables)];
        else
            w += kSyllables[r.Next(sizeof kSyllables / sizeof *kSyllables)];
    }
    return w;
}

std::vector<std::string> Words(Random& r, bool utf8) {
    std::vector<std::string> words{Word(r, utf8), Word(r, utf8), Word(r, utf8)};
    if (words[0][0] >= 'a' && words[0][0] <= 'z') words[0][0] = static_cast<char>(words[0][0] - 32);
    return words;
}

void Stamp(std::string& out, char open, int ms, char close) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%c%02d:%02d.%02d%c", open, ms / 60000, ms / 1000 % 60, ms % 1000 / 10, close);
    out += buf;
}

}  // namespace

std::string GenerateLrc(size_t targetBytes, bool utf8) {
    Random r;
    std::vector<std::vector<std::string>> chorus;
    for (int i = 0; i < 24; ++i) chorus.push_back(Words(r, utf8));
    std::string out;
    out.reserve(targetBytes + 256);
    for (int song = 1; out.size() < targetBytes; ++song) {
        out += "[ti:Benchmark Song " + std::to_string(song) + "]\r\n[ar:Nobody]\r\n[al:Bench]\r\n";
        for (int line = 0; line < kLinesPerSong && out.size() < targetBytes; ++line) {
            // Half the lines come from the song's small set of repeated lines.
            const std::vector<std::string> words = r.Next(2) ? chorus[r.Next(24)] : Words(r, utf8);
            const int t = line * 190;
            Stamp(out, '[', t, ']');
            for (size_t i = 0; i < words.size(); ++i) {
                Stamp(out, '<', t + static_cast<int>(i) * 45, '>');
                out += words[i];
                if (i + 1 < words.size()) out += ' ';
            }
            Stamp(out, '<', t + 150, '>');
            out += "\r\n";
        }
    }
    return out;
}

std::vector<Song> SplitSongs(const std::string& lrc) {
    std::vector<Song> songs;
    size_t start = 0;
    for (size_t at = lrc.find("\n[ti:"); at != std::string::npos; at = lrc.find("\n[ti:", at + 1)) {
        if (at + 1 > start) songs.push_back(Song{start, at + 1 - start});
        start = at + 1;
    }
    if (start < lrc.size()) songs.push_back(Song{start, lrc.size() - start});
    return songs;
}

}  // namespace mr::bench
