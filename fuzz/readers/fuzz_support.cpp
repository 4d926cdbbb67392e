#include "fuzz/readers/fuzz_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "common/file.h"
#include "common/text.h"
#include "lyrics/load_lyrics_file.h"

namespace mr::fuzz {
namespace {

[[noreturn]] void Broken(const char* what) {
    fprintf(stderr, "document invariant broken: %s\n", what);
    abort();
}
void Check(bool condition, const char* what) {
    if (!condition) Broken(what);
}

// The input file of this process, in a folder of its own that goes at exit.
const std::u16string& InputPath() {
    static std::string folder;
    static std::u16string path;
    if (path.empty()) {
        const char* tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mrfuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) Broken("no scratch folder");
        folder = pattern;
        path = Utf8ToUtf16(folder + "/input");
        atexit([] {
            fs::Remove(path);
            rmdir(folder.c_str());
        });
    }
    return path;
}

// Walks every table and checks the shapes the readers guarantee.
void CheckDocument(LyricsDocument& doc, int kind, uint32_t fileSize) {
    const uint32_t texts = doc.GetTextCount(), lines = doc.GetLineCount();
    const uint32_t syncs = doc.GetSyncCount(), times = doc.GetSyncTimeCount();
    for (uint32_t i = 0; i < texts; ++i) {
        const char16_t* t = doc.GetText(i);
        Check(t != nullptr, "text missing");
        for (uint32_t k = 0; k < doc.GetTextLength(i); ++k) Check(t[k] != 0, "NUL inside a text");
        Check(t[doc.GetTextLength(i)] == 0, "text not terminated");
    }
    for (int field = 0; field <= 4; ++field) {
        const char16_t* v = doc.GetInfo(field);
        Check(!v || (field >= 1 && field <= 3), "information for a bad field");
        while (v && *v) ++v;
    }
    const LyricsLine* line = doc.GetLines();
    const SyncPoint* sync = doc.GetSyncPoints();
    for (uint32_t i = 0; i < lines; ++i) {
        Check(line[i].textIndex < texts, "line text out of range");
        Check(line[i].firstSync < syncs && IsLineStart(sync[line[i].firstSync]), "line without its marker");
        const uint32_t end = i + 1 < lines ? line[i + 1].firstSync : syncs;
        Check(end > line[i].firstSync, "lines out of order");
        const uint32_t length = doc.GetTextLength(line[i].textIndex);
        uint32_t last = 0;
        for (uint32_t k = line[i].firstSync + 1; k < end; ++k) {
            Check(!IsLineStart(sync[k]), "a marker inside a line");
            Check(sync[k] > last && sync[k] < length, "sync offset out of order or past the text");
            last = sync[k];
        }
    }
    // A native file may hold times before its sync points can be read, and
    // a damaged legacy one more times than sync points; the karaoke reader
    // pairs each sync point with exactly one time.
    if (kind == kLyricsKindMidi) Check(times == syncs, "MIDI time and sync tables out of step");
    if (kind == kLyricsKindLrc || kind == kLyricsKindText) Check(times <= syncs, "more times than sync points");
    const SyncTime* time = doc.GetSyncTimes();
    for (uint32_t k = 0; k < times; ++k) {
        Check(time[k].start < time[k].end, "a segment that does not last");
        if (k + 1 < times) {
            // Karaoke segments are (t, t + 1) and may share a start.
            if (kind == kLyricsKindMidi) Check(time[k].start <= time[k + 1].start, "MIDI time runs backwards");
            else Check(time[k].end <= time[k + 1].start, "time runs backwards");
        }
    }
    const uint32_t images = doc.GetImageDataCount();
    Check((doc.GetImageSource() != nullptr) == (images > 0), "source open without pictures or closed with them");
    for (uint32_t i = 0; i < images; ++i) {
        const ImageData& d = doc.GetImageData()[i];
        Check(d.size > 0 && uint64_t{d.offset} + d.size <= fileSize, "picture outside the file");
    }
    uint64_t duration = 0;
    for (uint32_t i = 0; i < doc.GetSlideImageCount(); ++i) {
        const SlideImage& s = doc.GetSlideImages()[i];
        Check(s.flags == 0 && s.ordinal == i && s.reference < images, "bad slide image");
        duration += s.duration;
    }
    Check(doc.GetSlideShowDuration() == (duration > UINT32_MAX ? UINT32_MAX : duration), "slide show duration");
}

void LoadOnce(const std::u16string& path, uint32_t size, int kind, int editorMode) {
    LyricsDocument doc;
    int encoding = -1;
    if (!LoadLyricsFile(doc, path, kind, editorMode, &encoding)) {
        // Only exhausted memory or a table's capacity fails a load; what was
        // read must still be sound.
        CheckDocument(doc, kind, size);
        return;
    }
    Check(encoding >= 0 && encoding <= 4, "bad encoding");
    CheckDocument(doc, kind, size);
    if (editorMode) doc.DropBlankSyncPoints();
    else doc.StripWordSyncPoints();
    CheckDocument(doc, kind, size);
    doc.ClearDocument();
    Check(doc.GetImageSource() == nullptr && doc.GetTextCount() == 0, "clear left something");
}

}  // namespace

void LoadAndCheck(const uint8_t* data, size_t size, int kind, unsigned loaders) {
    if (size > UINT32_MAX) return;
    const std::u16string& path = InputPath();
    const fs::Handle h = fs::Open(path, fs::kWrite, fs::kShareNone, fs::Disposition::CreateAlways);
    if (h == fs::kInvalidHandle) Broken("cannot write the input file");
    const bool written = fs::Write(h, data, static_cast<uint32_t>(size));
    fs::Close(h);
    if (!written) Broken("cannot write the input file");
    if (loaders & kEditor) LoadOnce(path, static_cast<uint32_t>(size), kind, 1);
    if (loaders & kPlayer) LoadOnce(path, static_cast<uint32_t>(size), kind, 0);
}

}  // namespace mr::fuzz
