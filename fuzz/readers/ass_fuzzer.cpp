// Fuzz target: ASS karaoke scripts, as mrlyrics dump and convert read them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "editor/files/ass_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    // The reader wants a 2-byte aligned buffer it may change (UTF-16BE is
    // swapped in place), as a file buffer is.
    auto* bytes = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (!bytes) return 0;
    if (size) std::memcpy(bytes, data, size);
    mr::LyricsDocument doc;
    mr::ReadAssLyrics(doc, bytes, static_cast<uint32_t>(size));
    // Every line's first sync point is its start marker, and there are
    // never more times than sync points.
    const uint32_t lines = doc.GetLineCount(), syncs = doc.GetSyncCount();
    if (doc.GetSyncTimeCount() > syncs) std::abort();
    for (uint32_t i = 0; i < lines; ++i) {
        const mr::LyricsLine& line = doc.GetLines()[i];
        if (line.firstSync >= syncs || !mr::IsLineStart(doc.GetSyncPoints()[line.firstSync])) std::abort();
        if (!doc.GetText(line.textIndex)) std::abort();
        const uint32_t end = i + 1 < lines ? doc.GetLines()[i + 1].firstSync : syncs;
        for (uint32_t k = line.firstSync + 1; k < end; ++k)
            if (doc.GetSyncPoints()[k] > doc.GetTextLength(line.textIndex)) std::abort();
    }
    for (uint32_t k = 0; k < doc.GetSyncTimeCount(); ++k)
        if (doc.GetSyncTimes()[k].end < doc.GetSyncTimes()[k].start) std::abort();
    std::free(bytes);
    return 0;
}
