#include "lyrics/midi_reader.h"

#include "common/paged_array.h"
#include "common/text.h"
#include "lyrics/midi_events.h"

namespace mr {
namespace {

using midi::EventReader;
using midi::TextEvent;

// Reserve of the current line's units and of the staging bytes.
constexpr uint32_t kLineReserve = 0x100000;

// A leading one of these starts a new line before the syllable.
bool IsSeparator(uint8_t c) {
    return c == '\\' || c == '/' || c == '\r' || c == '\n';
}
// A trailing one of these ends the line after the syllable.
bool IsBreak(uint8_t c) {
    return IsSeparator(c) || c == 0;
}

enum class Step { Next, End, Failed };

// Builds the document's lines from the text events, one syllable at a time.
// Every sync point gets its time when it is added, so the time table always
// stays parallel to the sync table: an event whose time finds no sync point
// (a lone break at a new tick, a line that is abandoned) leaves no time
// behind to be paired with a later syllable.
class LyricsBuilder {
public:
    LyricsBuilder(LyricsDocument& doc, const EventReader& events)
        : doc_(doc), events_(events), line_(kLineReserve), staging_(kLineReserve) {}

    Step Take(const TextEvent& e);
    // Finishes a line that still has text when the song ends.
    bool Finish() { return line_.Count() == 0 || FinishLine(); }

private:
    // Gives the event the time of its tick; its sync point follows.
    Step TimeEvent(uint32_t tick);
    // Adds the pending time and the sync point for the text about to be
    // appended: a character offset, or the next line's start marker.
    bool AddSync();
    // Appends n bytes of the active code page (NULs become spaces); false
    // with *empty set when the conversion gives nothing.
    bool Append(const uint8_t* bytes, uint32_t n, bool* empty);
    bool FinishLine();
    void AbandonLine();
    void Restart();

    LyricsDocument& doc_;
    const EventReader& events_;
    PagedArray<char16_t> line_;  // units of the current line
    PagedArray<char> staging_;   // the event's bytes being converted
    bool lyricMode_ = false;
    uint32_t lastTimedTick_ = 0;
    uint32_t linesFinished_ = 0;
    uint32_t lineMarker_ = 0;  // sync index of the current line's start marker
    bool needsSync_ = false;
    int32_t pendingTime_ = 0;
};

void LyricsBuilder::Restart() {
    // Text events were only a fallback: the first lyric event discards them.
    doc_.DiscardLyrics();
    line_.Free();
    staging_.Free();
    lastTimedTick_ = 0;
    linesFinished_ = 0;
    lineMarker_ = 0;
    needsSync_ = false;
}

Step LyricsBuilder::TimeEvent(uint32_t tick) {
    if (!events_.TimeAt(tick, &pendingTime_)) return Step::End;  // past what a document can time
    needsSync_ = true;
    return Step::Next;
}

bool LyricsBuilder::AddSync() {
    if (!needsSync_) return true;
    needsSync_ = false;
    const uint32_t sync = doc_.GetSyncCount();
    const bool lineStart = line_.Count() == 0;
    const SyncPoint value = lineStart ? LineStartMarker(linesFinished_) : line_.Count();
    if (!doc_.AddSyncTime(pendingTime_, pendingTime_ + 1)) return false;
    if (!doc_.AddSyncPoint(value)) {
        doc_.TruncateSyncTimes(sync);
        return false;
    }
    if (lineStart) lineMarker_ = sync;
    return true;
}

bool LyricsBuilder::Append(const uint8_t* bytes, uint32_t n, bool* empty) {
    *empty = false;
    staging_.Clear();
    char* s = staging_.AppendSlots(n);
    if (!s) return false;
    for (uint32_t k = 0; k < n; ++k) s[k] = bytes[k] ? static_cast<char>(bytes[k]) : ' ';
    // A code page never gives more units than bytes.
    const uint32_t before = line_.Count();
    char16_t* units = line_.AppendSlots(n);
    if (!units) return false;
    const uint32_t got = static_cast<uint32_t>(AnsiToUtf16(s, n, units, n));
    line_.Erase(before + got, n - got);
    if (got == 0) {
        *empty = true;
        return false;
    }
    return true;
}

bool LyricsBuilder::FinishLine() {
    uint32_t textIndex;
    if (!doc_.AddText(std::u16string_view(line_.begin(), line_.Count()), &textIndex)) return false;
    if (!doc_.AddLine(textIndex, lineMarker_)) return false;
    ++linesFinished_;
    line_.Clear();
    staging_.Clear();
    return true;
}

void LyricsBuilder::AbandonLine() {
    // The line's start marker, its word sync points and their times go.
    doc_.TruncateSyncPoints(lineMarker_);
    doc_.TruncateSyncTimes(lineMarker_);
    line_.Clear();
}

Step LyricsBuilder::Take(const TextEvent& e) {
    if (e.type == midi::kMetaLyric && !lyricMode_) {
        lyricMode_ = true;
        Restart();
    } else if (e.type == midi::kMetaText && lyricMode_) {
        return Step::Next;
    }
    const uint8_t* d = e.data;
    const uint32_t length = e.length;
    // Empty events carry nothing; "@" events are the karaoke file's header
    // (title, language, information).
    if (length == 0 || d[0] == '@') return Step::Next;

    const bool sep = IsSeparator(d[0]);
    const bool loneSeparator = sep && length == 1;
    needsSync_ = false;
    if (e.tick != lastTimedTick_) {
        lastTimedTick_ = e.tick;
        if (!loneSeparator) {
            const Step s = TimeEvent(e.tick);
            if (s != Step::Next) return s;
        }
        if (sep && line_.Count() && !FinishLine()) return Step::Failed;
        if (loneSeparator) return Step::Next;
    } else if (line_.Count()) {
        if (sep) {
            if (!FinishLine()) return Step::Failed;
            if (loneSeparator) return Step::Next;
            // The text after the separator begins the next line at the same
            // tick, rather than ending the reading and losing the rest of
            // the song.
            const Step s = TimeEvent(e.tick);
            if (s != Step::Next) return s;
        }
        // Otherwise the text joins the current segment: same tick, no new
        // time, no new sync point.
    } else {
        if (loneSeparator) return Step::Next;
        // A syllable at the tick of the last timed event with no line open:
        // the song's first event at tick 0, or a syllable at the tick where
        // the previous line ended. It begins a line timed at its tick
        // instead of being dropped.
        const Step s = TimeEvent(e.tick);
        if (s != Step::Next) return s;
    }

    // Text never starts a line without its time and start marker.
    if (line_.Count() == 0 && !needsSync_) return Step::Next;

    const uint8_t last = d[length - 1];
    const uint8_t* text = sep ? d + 1 : d;
    uint32_t n = sep ? length - 1 : length;
    bool empty = false;
    if (!IsBreak(last)) {
        // A trailing hyphen joins this syllable to the next one.
        if (last == '-' && n > 1) --n;
        if (!AddSync()) return Step::Failed;
        if (!Append(text, n, &empty)) {
            if (!empty) return Step::Failed;
            AbandonLine();
            return Step::End;
        }
        return Step::Next;
    }
    // The event ends with a line break.
    if (n == 1) {
        // Only the break: the line ends here. An empty line still becomes a
        // line, with its start marker; a line with text gets no new sync
        // point, and the time of this event is dropped with it.
        if (line_.Count() == 0 && !AddSync()) return Step::Failed;
        needsSync_ = false;  // a line with text takes no time from a bare break
        return FinishLine() ? Step::Next : Step::Failed;
    }
    if (!AddSync()) return Step::Failed;
    if (!Append(text, n - 1, &empty)) {
        if (!empty) return Step::Failed;
        AbandonLine();
        return Step::End;
    }
    return FinishLine() ? Step::Next : Step::Failed;
}

}  // namespace

bool ReadMidiLyrics(LyricsDocument& doc, BufferedFile& file) {
    EventReader events;
    switch (events.Open(file.Data(), file.Size())) {
    case EventReader::OpenResult::Unreadable: return true;
    case EventReader::OpenResult::OutOfMemory: return false;
    case EventReader::OpenResult::Ok: break;
    }
    LyricsBuilder builder(doc, events);
    TextEvent e;
    while (events.Next(&e)) {
        const Step s = builder.Take(e);
        if (s == Step::Failed) return false;
        if (s == Step::End) break;
    }
    return builder.Finish();
}

}  // namespace mr
