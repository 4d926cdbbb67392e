// The LRC and plain-text readers on arbitrary bytes: each read must end
// without a fault and leave a document whose tables agree with each other.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "lyrics/lrc_reader.h"
#include "lyrics/plain_text_reader.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// Every line's text exists, every word sync point lies inside its line's
// text after the one before, and times run forward.
void Walk(const mr::LyricsDocument& doc) {
    const uint32_t lines = doc.GetLineCount(), syncs = doc.GetSyncCount(), times = doc.GetSyncTimeCount();
    Check(times <= syncs);
    for (uint32_t i = 0; i < lines; ++i) {
        const mr::LyricsLine& line = doc.GetLines()[i];
        Check(doc.GetText(line.textIndex) != nullptr);
        Check(line.firstSync < syncs && mr::IsLineStart(doc.GetSyncPoints()[line.firstSync]));
        const uint32_t end = i + 1 < lines ? doc.GetLines()[i + 1].firstSync : syncs;
        const uint32_t length = doc.GetTextLength(line.textIndex);
        uint32_t last = 0;
        for (uint32_t k = line.firstSync + 1; k < end; ++k) {
            const mr::SyncPoint p = doc.GetSyncPoints()[k];
            Check(!mr::IsLineStart(p) && p > last && p < length);
            last = p;
        }
    }
    for (uint32_t k = 0; k < times; ++k) {
        Check(doc.GetSyncTimes()[k].start < doc.GetSyncTimes()[k].end);
        if (k + 1 < times) Check(doc.GetSyncTimes()[k].end <= doc.GetSyncTimes()[k + 1].start);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int reader = 0; reader < 3; ++reader) {
        std::vector<uint8_t> bytes(data, data + size);
        mr::LyricsDocument doc;
        const uint32_t n = static_cast<uint32_t>(bytes.size());
        if (reader < 2) mr::ReadLrcLyrics(doc, bytes.data(), n, reader, nullptr);
        else mr::ReadPlainTextLyrics(doc, bytes.data(), n);
        Walk(doc);
        doc.DropBlankSyncPoints();
        Walk(doc);
        doc.StripWordSyncPoints();
        Walk(doc);
    }
    return 0;
}
