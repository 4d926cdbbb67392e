#include "lyrics/lrc_reader.h"

#include <cstdlib>
#include <cstring>

#include "common/paged_array.h"
#include "lyrics/lrc_tags.h"
#include "lyrics/text_decode.h"
#include "lyrics/unit_scan.h"

namespace mr {
namespace {

// Reserve of each working table of one read.
constexpr uint32_t kWorkTableReserve = 0x100000;
// Information values of this many units or more are ignored.
constexpr uint32_t kMaxInfoUnits = 260;

// A piece of line text: its position and length in the decoded units. Once a
// word-stamped span has become a line, it is marked consumed and `start`
// holds the index of its stamp-free text instead.
struct Span {
    uint32_t start;
    uint32_t length;
};
constexpr uint32_t kConsumed = 0xFFFFFFFFu;

// One line time stamp and the span it times.
struct Entry {
    int32_t time;
    uint32_t span;
};

// One word stamp of the span being read: its time and its position in the
// span's stamp-free text.
struct StampAt {
    int32_t time;
    uint32_t position;
};

enum class Step { Next, End, Failed };

class LrcRead {
public:
    LrcRead(LyricsDocument& doc, const char16_t* units, uint32_t count)
        : doc_(doc), u_(units), n_(count),
          spans_(kWorkTableReserve), entries_(kWorkTableReserve),
          stamps_(kWorkTableReserve), plain_(kWorkTableReserve) {}

    bool Run();

private:
    // Pass 1: the spans and their time stamps, plus the information tags, of
    // the piece [begin, end) whose last "]" lies before tagsEnd.
    bool ReadPiece(uint32_t begin, uint32_t end, uint32_t tagsEnd);
    bool CloseSpan(uint32_t begin, uint32_t end) { return spans_.Append(Span{begin, end - begin}); }
    bool SortEntries();
    // Pass 2: one line per entry.
    Step AddEntryLine(const Entry& entry);
    Step AddPlainLine(int32_t time, uint32_t textIndex);
    Step AddWordStampedLine(int32_t time, Span& span, const LrcWordStamp& first);
    bool AddLineStart(uint32_t textIndex) {
        const uint32_t sync = doc_.GetSyncCount();
        return doc_.AddSyncPoint(LineStartMarker(ordinal_++)) && doc_.AddLine(textIndex, sync);
    }

    LyricsDocument& doc_;
    const char16_t* u_;
    uint32_t n_;
    PagedArray<Span> spans_;
    PagedArray<Entry> entries_;
    PagedArray<StampAt> stamps_;
    PagedArray<char16_t> plain_;
    uint32_t ordinal_ = 0;
    int32_t prevEnd_ = 0;
};

bool LrcRead::Run() {
    for (uint32_t i = 0; i < n_;) {
        uint32_t tagsEnd;
        const uint32_t e = FindLineBreak(u_, i, n_, u']', &tagsEnd);
        if (e > i && !ReadPiece(i, e, tagsEnd)) return false;
        i = e + 1;
    }
    if (!SortEntries()) return false;
    for (uint32_t k = 0; k < entries_.Count(); ++k) {
        const Step step = AddEntryLine(entries_[k]);
        if (step == Step::Failed) return false;
        if (step == Step::End) break;
    }
    return true;
}

bool LrcRead::ReadPiece(uint32_t begin, uint32_t end, uint32_t tagsEnd) {
    uint32_t pos = begin;
    uint32_t pending = 0;  // time stamps waiting for their text
    // Every tag ends at a "]" before tagsEnd, so the search stops there.
    while (pos < tagsEnd) {
        const LrcTag tag = ParseLrcTag(u_ + pos, tagsEnd - pos);
        if (tag.kind == kLrcNoTag) break;
        const uint32_t tagStart = pos + tag.start;
        if (tag.kind == kLrcTime) {
            // Stamps in a row share the text that follows them; a stamp after
            // text closes that text's span.
            if (pending > 0 && tagStart > pos) {
                if (!CloseSpan(pos, tagStart)) return false;
                pending = 0;
            }
            if (!entries_.Append(Entry{tag.timeMs, spans_.Count()})) return false;
            ++pending;
        } else {
            if (pending > 0) {
                if (!CloseSpan(pos, tagStart)) return false;
                pending = 0;
            }
            const int field = tag.kind == kLrcTitle    ? kInfoTitle
                              : tag.kind == kLrcArtist ? kInfoArtist
                              : tag.kind == kLrcAlbum  ? kInfoAlbum
                                                       : 0;
            const uint32_t valueStart = pos + tag.colon + 1;
            const uint32_t valueLength = pos + tag.end - valueStart;
            if (field && valueLength < kMaxInfoUnits &&
                !doc_.SetInfoText(field, std::u16string_view(u_ + valueStart, valueLength)))
                return false;
        }
        pos += tag.end + 1;
    }
    return pending == 0 || CloseSpan(pos, end);
}

// Orders the entries by time, equal times in file order. Files are nearly
// always in order already, which the first check finds in one pass; others
// are merge-sorted (stable, O(n log n)).
bool LrcRead::SortEntries() {
    const uint32_t n = entries_.Count();
    bool sorted = true;
    for (uint32_t i = 1; i < n && sorted; ++i) sorted = entries_[i - 1].time <= entries_[i].time;
    if (sorted) return true;
    auto* scratch = static_cast<Entry*>(std::malloc(static_cast<size_t>(n) * sizeof(Entry)));
    if (!scratch) return false;
    Entry* from = entries_.begin();
    Entry* to = scratch;
    for (uint32_t width = 1; width < n; width *= 2) {
        for (uint32_t lo = 0; lo < n; lo += 2 * width) {
            const uint32_t mid = lo + width < n ? lo + width : n;
            const uint32_t hi = mid + width < n ? mid + width : n;
            uint32_t a = lo, b = mid, w = lo;
            while (a < mid && b < hi) to[w++] = from[b].time < from[a].time ? from[b++] : from[a++];
            while (a < mid) to[w++] = from[a++];
            while (b < hi) to[w++] = from[b++];
        }
        Entry* t = from;
        from = to;
        to = t;
    }
    if (from != entries_.begin()) std::memcpy(entries_.begin(), from, static_cast<size_t>(n) * sizeof(Entry));
    std::free(scratch);
    return true;
}

Step LrcRead::AddEntryLine(const Entry& entry) {
    Span& span = spans_[entry.span];
    if (span.length == kConsumed) {
        // A word-stamped span timed by several line stamps: its word stamps
        // are absolute times that belong to its earliest stamp, which has used
        // them. The later stamps still show the line, timed as a whole line
        // with the same stamp-free text, so a repeated line is not lost.
        return AddPlainLine(entry.time, span.start);
    }
    const std::u16string_view text(u_ + span.start, span.length);
    LrcWordStamp first;
    if (ParseWordStamp(text.data(), span.length, &first)) return AddWordStampedLine(entry.time, span, first);
    uint32_t textIndex;
    if (!doc_.AddText(text, &textIndex)) return Step::Failed;
    return AddPlainLine(entry.time, textIndex);
}

Step LrcRead::AddPlainLine(int32_t time, uint32_t textIndex) {
    if (!AddLineStart(textIndex)) return Step::Failed;
    // A time that repeats or runs backwards ends the read; this line stays
    // without a time.
    if (time < prevEnd_) return Step::End;
    if (!doc_.AddSyncTime(time, time + 1)) return Step::Failed;
    prevEnd_ = time + 1;
    return Step::Next;
}

Step LrcRead::AddWordStampedLine(int32_t t0, Span& span, const LrcWordStamp& first) {
    // The stamps with their positions in the span, then the stamp-free text
    // built in one piece, the positions turned into positions in it.
    stamps_.Clear();
    plain_.Clear();
    const char16_t* s = u_ + span.start;
    uint32_t stampUnits = 0;
    LrcWordStamp stamp = first;
    for (uint32_t from = 0;;) {
        if (!stamps_.Append(StampAt{stamp.timeMs, from + stamp.start})) return Step::Failed;
        stampUnits += stamp.end - stamp.start + 1;
        from += stamp.end + 1;
        if (!ParseWordStamp(s + from, span.length - from, &stamp)) break;
    }
    const uint32_t length = span.length - stampUnits;
    char16_t* t = plain_.AppendSlots(length);
    if (!t && length) return Step::Failed;
    uint32_t read = 0, written = 0;
    for (StampAt& w : stamps_) {
        const uint32_t run = w.position - read;
        if (run) std::memcpy(t + written, s + read, run * sizeof(char16_t));
        written += run;
        // A valid stamp is "<mm:ss.xx>" or "<mm:ss.xxx>".
        read = w.position + (s[w.position + 9] == u'>' ? 10 : 11);
        w.position = written;
    }
    if (span.length > read) std::memcpy(t + written, s + read, (span.length - read) * sizeof(char16_t));

    uint32_t textIndex;
    if (!doc_.AddText(std::u16string_view(t, length), &textIndex)) return Step::Failed;
    if (!AddLineStart(textIndex)) return Step::Failed;
    span.start = textIndex;
    span.length = kConsumed;
    if (t0 < prevEnd_) return Step::End;

    // Each stamp ends the segment before it and starts the next one at its
    // position; a stamp at the segment's own start only moves that start.
    int32_t curStart = t0;
    uint32_t curPos = 0;
    int32_t lastEnd = prevEnd_;
    for (uint32_t j = 0; j < stamps_.Count(); ++j) {
        const StampAt w = stamps_[j];
        if (w.position == curPos) {
            if (w.time < curStart) return Step::End;
            curStart = w.time;
            continue;
        }
        if (w.time < curStart + 1) return Step::End;
        if (!doc_.AddSyncTime(curStart, w.time)) return Step::Failed;
        lastEnd = w.time;
        curPos = w.position;
        curStart = w.time;
        // A stamp at the very end of the text only closes the last segment.
        // This holds for any stamp there, not only for the last one: a
        // segment starting at the end of the text would be empty and have no
        // time, and every later line's times would pair with the wrong sync
        // points.
        if (curPos < length && !doc_.AddSyncPoint(curPos)) return Step::Failed;
    }
    if (curPos == 0 || curPos < length) {
        if (!doc_.AddSyncTime(curStart, curStart + 1)) return Step::Failed;
        lastEnd = curStart + 1;
    }
    prevEnd_ = lastEnd;
    return Step::Next;
}

// In the editor a file with line stamps only would show every line for one
// millisecond: each line lasts instead until 250 ms before the next one (40 ms
// when they are closer), and the last one for a second.
void ExtendEndTimes(LyricsDocument& doc) {
    const SyncPoint* syncs = doc.GetSyncPoints();
    for (uint32_t k = 0; k < doc.GetSyncCount(); ++k)
        if (!IsLineStart(syncs[k])) return;
    const uint32_t count = doc.GetSyncTimeCount();
    if (count == 0) return;
    SyncTime* times = doc.MutableSyncTimes();
    for (uint32_t k = 1; k < count; ++k) {
        const int32_t s = times[k].start;
        int32_t& e = times[k - 1].end;
        if (s - 250 > e) e = s - 250;
        else if (s - 40 > e) e = s - 40;
    }
    times[count - 1].end = times[count - 1].start + 1000;
}

}  // namespace

bool ReadLrcLyrics(LyricsDocument& doc, uint8_t* bytes, uint32_t size, int editorMode, int* encoding) {
    DecodedLyricsText decoded;
    if (!DecodeLyricsText(bytes, size, &decoded, encoding)) return false;
    if (decoded.Count() > 1) {
        LrcRead read(doc, decoded.Units() + 1, decoded.Count() - 1);
        if (!read.Run()) return false;
    }
    if (editorMode) ExtendEndTimes(doc);
    return true;
}

}  // namespace mr
