#include "lyrics/load_lyrics_file.h"

#include "lyrics/lrc_reader.h"
#include "lyrics/midi_reader.h"
#include "lyrics/native_reader.h"
#include "lyrics/plain_text_reader.h"

namespace mr {
namespace {

// Reads the whole source file into its buffer; null when the read fails.
uint8_t* ReadWhole(BufferedFile& file) {
    return file.Read(file.Size()) ? file.Data() : nullptr;
}

bool Dispatch(LyricsDocument& doc, BufferedFile& file, int kind, int editorMode, int* encoding) {
    switch (kind) {
    case kLyricsKindNative:
        return ReadNativeLyrics(doc, file, editorMode);
    case kLyricsKindLrc: {
        uint8_t* bytes = ReadWhole(file);
        return bytes && ReadLrcLyrics(doc, bytes, file.Size(), editorMode, encoding);
    }
    case kLyricsKindText: {
        uint8_t* bytes = ReadWhole(file);
        return bytes && ReadPlainTextLyrics(doc, bytes, file.Size());
    }
    case kLyricsKindMidi:
        return ReadWhole(file) && ReadMidiLyrics(doc, file);
    default:
        return true;
    }
}

}  // namespace

bool LoadLyricsFile(LyricsDocument& doc, std::u16string_view path, int kind, int editorMode, int* encoding) {
    if (encoding) *encoding = 0;
    BufferedFile& file = doc.SourceFile();
    if (!file.OpenRead(path)) return false;
    bool ok = true;
    if (file.Size() != 0) ok = Dispatch(doc, file, kind, editorMode, encoding);
    if (doc.GetImageDataCount() == 0) {
        file.Buffer(0);
        file.Close();
    }
    return ok;
}

}  // namespace mr
