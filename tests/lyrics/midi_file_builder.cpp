#include "tests/lyrics/midi_file_builder.h"

#include "lyrics/load_lyrics_file.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

void PutVar(std::string& s, uint32_t v) {
    char bytes[5];
    int n = 0;
    bytes[n++] = static_cast<char>(v & 0x7F);
    while (v >>= 7) bytes[n++] = static_cast<char>(0x80 | (v & 0x7F));
    while (n) s += bytes[--n];
}
void PutU32BE(std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xFF);
}
void PutU16BE(std::string& s, uint16_t v) {
    s += static_cast<char>(v >> 8);
    s += static_cast<char>(v & 0xFF);
}

}  // namespace

MidiTrack& MidiTrack::At(uint32_t tick) {
    next_ = tick;
    return *this;
}

void MidiTrack::Delta() {
    PutVar(data_, next_ - last_);
    last_ = next_;
}

MidiTrack& MidiTrack::Meta(uint8_t type, std::string_view data) {
    Delta();
    data_ += '\xFF';
    data_ += static_cast<char>(type);
    PutVar(data_, static_cast<uint32_t>(data.size()));
    data_.append(data);
    return *this;
}

MidiTrack& MidiTrack::Tempo(uint32_t us) {
    const char v[3] = {static_cast<char>(us >> 16), static_cast<char>(us >> 8), static_cast<char>(us)};
    return Meta(0x51, std::string_view(v, 3));
}

MidiTrack& MidiTrack::Event(std::string_view bytes) {
    Delta();
    data_.append(bytes);
    return *this;
}

MidiTrack& MidiTrack::RawDelta(std::string_view bytes) {
    data_.append(bytes);
    return *this;
}

std::vector<uint8_t> MidiFile(uint16_t format, uint16_t division, const std::vector<MidiTrack>& tracks,
                              int declaredTracks) {
    std::string s = "MThd";
    PutU32BE(s, 6);
    PutU16BE(s, format);
    PutU16BE(s, static_cast<uint16_t>(declaredTracks < 0 ? tracks.size() : declaredTracks));
    PutU16BE(s, division);
    for (const MidiTrack& t : tracks) {
        s += "MTrk";
        PutU32BE(s, static_cast<uint32_t>(t.Data().size()));
        s += t.Data();
    }
    return std::vector<uint8_t>(s.begin(), s.end());
}

bool LoadMidi(LyricsDocument& doc, const std::vector<uint8_t>& bytes) {
    ScopedTempDir dir;
    const std::u16string path = dir.Path(u"song.kar");
    return WriteFileBytes(path, bytes) && LoadLyricsFile(doc, path, kLyricsKindMidi, 0);
}

bool LoadMidiFile(LyricsDocument& doc, std::string_view sourceRelativePath) {
    return LoadLyricsFile(doc, SourcePath(sourceRelativePath), kLyricsKindMidi, 0);
}

}  // namespace mr::test
