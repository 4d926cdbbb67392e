#include "editor/files/ass_reader.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "lyrics/text_decode.h"

namespace mr {
namespace {

// Information values of this many units or more are ignored, as in LRC.
constexpr uint32_t kMaxInfoUnits = 260;
// A karaoke duration or a time field beyond this many digits is not one.
constexpr uint32_t kMaxDigits = 9;

enum class Section { kOther, kInfo, kEvents };

struct Event {
    int32_t start;  // ms
    int32_t end;
    uint32_t from;  // the Text field in the decoded units
    uint32_t length;
};

// A karaoke tag: where its syllable begins in the plain text, and its length.
struct Mark {
    uint32_t position;
    int64_t ms;
};

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// Case-insensitive: does [p, p + n) begin with the ASCII `word`?
bool StartsWith(const char16_t* p, uint32_t n, std::string_view word) {
    if (n < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(p[i]) != static_cast<char16_t>(word[i])) return false;
    return true;
}

std::u16string_view Trim(const char16_t* p, uint32_t n) {
    uint32_t b = 0, e = n;
    while (b < e && IsBlank(p[b])) ++b;
    while (e > b && IsBlank(p[e - 1])) --e;
    return std::u16string_view(p + b, e - b);
}

bool EqualsNoCase(std::u16string_view s, std::string_view word) {
    return s.size() == word.size() && StartsWith(s.data(), static_cast<uint32_t>(s.size()), word);
}

// Reads up to kMaxDigits decimal digits at p[*i]; false when there are none.
bool Digits(const char16_t* p, uint32_t n, uint32_t* i, int64_t* value, uint32_t* count = nullptr) {
    uint32_t k = 0;
    int64_t v = 0;
    while (*i < n && k < kMaxDigits && p[*i] >= u'0' && p[*i] <= u'9') {
        v = v * 10 + (p[*i] - u'0');
        ++*i;
        ++k;
    }
    if (count) *count = k;
    *value = v;
    return k > 0;
}

// H:MM:SS.cc (hours of any width, one or two digits for minutes and seconds,
// a fraction of up to three digits) in ms; -1 when it is not a time.
int32_t ParseTime(std::u16string_view s) {
    const char16_t* p = s.data();
    const uint32_t n = static_cast<uint32_t>(s.size());
    uint32_t i = 0;
    int64_t h, m, sec, frac = 0;
    if (!Digits(p, n, &i, &h) || i >= n || p[i++] != u':') return -1;
    if (!Digits(p, n, &i, &m) || m > 59 || i >= n || p[i++] != u':') return -1;
    if (!Digits(p, n, &i, &sec) || sec > 59) return -1;
    if (i < n && p[i] == u'.') {
        ++i;
        uint32_t k = 0;
        if (!Digits(p, n, &i, &frac, &k) || k > 3) return -1;
        for (; k < 3; ++k) frac *= 10;
    }
    if (i != n) return -1;
    const int64_t ms = ((h * 60 + m) * 60 + sec) * 1000 + frac;
    return ms > INT32_MAX ? -1 : static_cast<int32_t>(ms);
}

class AssRead {
public:
    AssRead(LyricsDocument& doc, const char16_t* units, uint32_t count) : doc_(doc), u_(units), n_(count) {}
    bool Run();

private:
    bool ReadLine(uint32_t b, uint32_t e);
    void ReadFormat(const char16_t* p, uint32_t n);
    void ReadDialogue(uint32_t b, uint32_t e);
    bool AddEvent(const Event& ev);
    void ReadBlock(uint32_t b, uint32_t e);

    LyricsDocument& doc_;
    const char16_t* u_;
    uint32_t n_;
    Section section_ = Section::kOther;
    // Field positions of the events' Format line (the standard order until
    // one is read).
    uint32_t fieldCount_ = 10, startField_ = 1, endField_ = 2, textField_ = 9;
    std::vector<Event> events_;
    std::u16string plain_;
    std::vector<Mark> marks_;
    uint32_t ordinal_ = 0;
};

bool AssRead::Run() {
    for (uint32_t i = 0; i < n_;) {
        uint32_t e = i;
        while (e < n_ && u_[e] != u'\r' && u_[e] != u'\n' && u_[e] != u'\0') ++e;
        if (e > i && !ReadLine(i, e)) return false;
        i = e + 1;
    }
    // Scripts are nearly always in start order; the sort keeps equal starts
    // in file order.
    const auto byStart = [](const Event& a, const Event& b) { return a.start < b.start; };
    if (!std::is_sorted(events_.begin(), events_.end(), byStart))
        std::stable_sort(events_.begin(), events_.end(), byStart);
    for (const Event& ev : events_)
        if (!AddEvent(ev)) return false;
    return true;
}

bool AssRead::ReadLine(uint32_t b, uint32_t e) {
    while (b < e && IsBlank(u_[b])) ++b;
    if (b == e || u_[b] == u';') return true;
    const char16_t* p = u_ + b;
    const uint32_t n = e - b;
    if (p[0] == u'[') {
        uint32_t close = 1;
        while (close < n && p[close] != u']') ++close;
        const std::u16string_view name(p + 1, close - 1);
        section_ = EqualsNoCase(name, "script info") ? Section::kInfo
                   : EqualsNoCase(name, "events")    ? Section::kEvents
                                                     : Section::kOther;
        return true;
    }
    if (section_ == Section::kInfo) {
        const int field = StartsWith(p, n, "title:") ? kInfoTitle
                          : StartsWith(p, n, "artist:") ? kInfoArtist
                          : StartsWith(p, n, "album:") ? kInfoAlbum
                                                        : 0;
        if (field == 0) return true;
        uint32_t colon = 0;
        while (p[colon] != u':') ++colon;
        const std::u16string_view value = Trim(p + colon + 1, n - colon - 1);
        if (value.size() < kMaxInfoUnits && !doc_.SetInfoText(field, value)) return false;
        return true;
    }
    if (section_ != Section::kEvents) return true;
    if (StartsWith(p, n, "format:")) {
        ReadFormat(p + 7, n - 7);
    } else if (StartsWith(p, n, "dialogue:")) {
        try {
            ReadDialogue(b + 9, e);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return true;  // Comment, Picture, Sound, Movie, Command and the rest
}

void AssRead::ReadFormat(const char16_t* p, uint32_t n) {
    uint32_t count = 0, start = UINT32_MAX, end = UINT32_MAX, text = UINT32_MAX;
    for (uint32_t i = 0; i <= n; ++count) {
        uint32_t c = i;
        while (c < n && p[c] != u',') ++c;
        const std::u16string_view name = Trim(p + i, c - i);
        if (EqualsNoCase(name, "start")) start = count;
        if (EqualsNoCase(name, "end")) end = count;
        if (EqualsNoCase(name, "text")) text = count;
        i = c + 1;
    }
    // A Format line without the three fields, or with Text before the others,
    // is not usable: the standard order stays.
    if (start == UINT32_MAX || end == UINT32_MAX || text == UINT32_MAX || text + 1 != count) return;
    fieldCount_ = count;
    startField_ = start;
    endField_ = end;
    textField_ = text;
}

void AssRead::ReadDialogue(uint32_t b, uint32_t e) {
    // The first fieldCount_ - 1 commas separate fields; the text keeps the rest.
    uint32_t field = 0, i = b;
    uint32_t startB = 0, startE = 0, endB = 0, endE = 0;
    while (field < textField_) {
        uint32_t c = i;
        while (c < e && u_[c] != u',') ++c;
        if (c == e) return;  // too few fields: not a line
        if (field == startField_) startB = i, startE = c;
        if (field == endField_) endB = i, endE = c;
        ++field;
        i = c + 1;
    }
    const int32_t start = ParseTime(Trim(u_ + startB, startE - startB));
    int32_t end = ParseTime(Trim(u_ + endB, endE - endB));
    if (start < 0 || end < 0) return;
    if (end < start) end = start;
    events_.push_back(Event{start, end, i, e - i});
}

// Karaoke tags of one override block's contents [b, e).
void AssRead::ReadBlock(uint32_t b, uint32_t e) {
    for (uint32_t i = b; i < e; ++i) {
        if (u_[i] != u'\\' || i + 1 >= e) continue;
        uint32_t j = i + 1;
        if (u_[j] == u'K') {
            ++j;
        } else if (u_[j] == u'k') {
            ++j;
            if (j < e && (u_[j] == u'f' || u_[j] == u'o')) ++j;
        } else {
            continue;
        }
        while (j < e && IsBlank(u_[j])) ++j;
        int64_t cs;
        if (!Digits(u_, e, &j, &cs)) continue;  // \k without a number, \kt and the like
        marks_.push_back(Mark{static_cast<uint32_t>(plain_.size()), cs * 10});
        i = j - 1;
    }
}

bool AssRead::AddEvent(const Event& ev) {
    plain_.clear();
    marks_.clear();
    const uint32_t end = ev.from + ev.length;
    try {
        for (uint32_t i = ev.from; i < end;) {
            const char16_t c = u_[i];
            if (c == u'{') {
                uint32_t close = i + 1;
                while (close < end && u_[close] != u'}') ++close;
                if (close < end) {
                    ReadBlock(i + 1, close);
                    i = close + 1;
                    continue;
                }
                // An unclosed brace is text, as renderers show it.
            } else if (c == u'\\' && i + 1 < end) {
                const char16_t next = u_[i + 1];
                if (next == u'N' || next == u'n' || next == u'h' || next == u'{' || next == u'}' ||
                    next == u'\u200B') {
                    plain_ += next == u'N' || next == u'n' ? u' '
                              : next == u'h'               ? u'\u00A0'
                              : next == u'\u200B'          ? u'\\'
                                                           : next;
                    i += 2;
                    continue;
                }
            }
            plain_ += c;
            ++i;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    uint32_t text;
    if (!doc_.AddText(plain_, &text)) return false;
    const uint32_t firstSync = doc_.GetSyncCount();
    if (!doc_.AddSyncPoint(LineStartMarker(ordinal_++)) || !doc_.AddLine(text, firstSync)) return false;
    if (marks_.empty()) return doc_.AddSyncTime(ev.start, std::max(ev.end, ev.start + 1)) != nullptr;

    // Text before the first tag belongs to the first syllable.
    marks_.front().position = 0;
    const uint32_t length = static_cast<uint32_t>(plain_.size());
    int64_t t = ev.start;
    bool first = true;
    for (size_t k = 0; k < marks_.size(); ++k) {
        const uint32_t next = k + 1 < marks_.size() ? marks_[k + 1].position : length;
        const int64_t ms = marks_[k].ms;
        // A syllable without text is a gap, unless the line has no text at all.
        // Times beyond what a time can hold stop at its limit, so that every
        // syllable keeps a time.
        const int64_t until = std::min<int64_t>(t + ms, INT32_MAX);
        if (next > marks_[k].position || (length == 0 && first)) {
            if (!first && !doc_.AddSyncPoint(marks_[k].position)) return false;
            if (!doc_.AddSyncTime(static_cast<int32_t>(t), static_cast<int32_t>(until))) return false;
            first = false;
        }
        t = until;
    }
    if (first) {
        // Every tag was a gap before text that the first syllable holds: a
        // line with text always has its start timed.
        return doc_.AddSyncTime(ev.start, std::max(ev.end, ev.start + 1)) != nullptr;
    }
    return true;
}

}  // namespace

bool ReadAssLyrics(LyricsDocument& doc, uint8_t* bytes, uint32_t size) {
    DecodedLyricsText decoded;
    if (!DecodeLyricsText(bytes, size, &decoded, nullptr)) return false;
    if (decoded.Count() <= 1) return true;
    try {
        AssRead read(doc, decoded.Units() + 1, decoded.Count() - 1);
        return read.Run();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool LoadAssFile(LyricsDocument& doc, std::u16string_view path) {
    BufferedFile& file = doc.SourceFile();
    if (!file.OpenRead(path)) return false;
    bool ok = true;
    if (file.Size() != 0) ok = file.Read(file.Size()) && ReadAssLyrics(doc, file.Data(), file.Size());
    file.Buffer(0);
    file.Close();
    return ok;
}

}  // namespace mr
