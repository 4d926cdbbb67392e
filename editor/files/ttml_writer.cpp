#include "editor/files/ttml_writer.h"

#include <string>

#include "editor/files/timed_lines.h"

namespace mr {
namespace {

using writer::AppendNumber;

// HH:MM:SS.mmm for t ticks (10 ms).
void AppendClock(std::u16string& out, int32_t t) {
    const int64_t ms = int64_t{t} * 10;
    AppendNumber(out, ms / 3600000, 2);
    out += u':';
    AppendNumber(out, ms / 60000 % 60, 2);
    out += u':';
    AppendNumber(out, ms / 1000 % 60, 2);
    out += u'.';
    AppendNumber(out, ms % 1000, 3);
}

// XML 1.0 holds tab, LF, CR, U+0020 and above except U+FFFE and U+FFFF
// (surrogate pairs are checked when the text is turned into UTF-8).
void AppendEscaped(std::u16string& out, const std::u16string& s) {
    for (const char16_t c : s) {
        switch (c) {
            case u'&': out += u"&amp;"; break;
            case u'<': out += u"&lt;"; break;
            case u'>': out += u"&gt;"; break;
            case u'"': out += u"&quot;"; break;
            default:
                if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF)
                    out += u'\uFFFD';
                else
                    out += c;
        }
    }
}

SaveStatus BuildText(SyncDocument& doc, const SaveFields& fields, std::u16string& out) {
    const std::vector<writer::TimedLine> lines = writer::CollectTimedLines(doc);
    out = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          u"<tt xmlns=\"http://www.w3.org/ns/ttml\" xmlns:ttm=\"http://www.w3.org/ns/ttml#metadata\" "
          u"xml:lang=\"und\">\n"
          u"  <head>\n"
          u"    <metadata>\n";
    if (!fields.title.empty()) {
        out += u"      <ttm:title>";
        AppendEscaped(out, writer::FieldValue(fields.title));
        out += u"</ttm:title>\n";
    }
    if (!fields.artist.empty()) {
        out += u"      <ttm:agent type=\"person\" xml:id=\"artist\"><ttm:name type=\"full\">";
        AppendEscaped(out, writer::FieldValue(fields.artist));
        out += u"</ttm:name></ttm:agent>\n";
    }
    out += u"    </metadata>\n"
           u"  </head>\n"
           u"  <body>\n"
           u"    <div>\n";
    for (const writer::TimedLine& line : lines) {
        out += u"      <p>";
        for (const writer::TimedSegment& s : line.segments) {
            if (s.start < 0 || s.end < 0) return SaveStatus::kTimeOutOfRange;
            out += u"<span begin=\"";
            AppendClock(out, s.start);
            out += u"\" end=\"";
            AppendClock(out, s.end);
            out += u"\">";
            AppendEscaped(out, s.text);
            out += u"</span>";
        }
        out += u"</p>\n";
    }
    out += u"    </div>\n"
           u"  </body>\n"
           u"</tt>\n";
    return SaveStatus::kSaved;
}

}  // namespace

SaveStatus BuildTtml(SyncDocument& doc, const SaveFields& fields, std::vector<uint8_t>* bytes) {
    return writer::BuildUtf8(doc, fields, BuildText, bytes);
}

}  // namespace mr
