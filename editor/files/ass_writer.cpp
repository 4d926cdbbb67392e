#include "editor/files/ass_writer.h"

#include <algorithm>
#include <string>

#include "editor/files/timed_lines.h"

namespace mr {
namespace {

using writer::AppendNumber;

constexpr char16_t kHeader[] =
    u"\uFEFF[Script Info]\r\n"
    u"; Karaoke timing written by Mirelto\r\n"
    u"ScriptType: v4.00+\r\n"
    u"PlayResX: 1280\r\n"
    u"PlayResY: 720\r\n"
    u"WrapStyle: 0\r\n"
    u"ScaledBorderAndShadow: yes\r\n";

// Sung syllables turn from the secondary colour (white) to the primary one
// (gold) as \kf sweeps across them.
constexpr char16_t kStyles[] =
    u"\r\n[V4+ Styles]\r\n"
    u"Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
    u"Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
    u"MarginL, MarginR, MarginV, Encoding\r\n"
    u"Style: Default,Arial,54,&H0000D7FF,&H00FFFFFF,&H00000000,&H80000000,-1,0,0,0,100,100,0,0,1,3,1,2,"
    u"40,40,48,1\r\n"
    u"\r\n[Events]\r\n"
    u"Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";

// H:MM:SS.cc for t ticks (centiseconds).
void AppendTime(std::u16string& out, int32_t t) {
    AppendNumber(out, t / 360000);
    out += u':';
    AppendNumber(out, t / 6000 % 60, 2);
    out += u':';
    AppendNumber(out, t / 100 % 60, 2);
    out += u'.';
    AppendNumber(out, t % 100, 2);
}

void AppendTag(std::u16string& out, const char16_t* tag, int64_t cs) {
    out += u"{\\";
    out += tag;
    AppendNumber(out, cs);
    out += u'}';
}

bool NeedsGuard(const std::u16string& s, size_t i) {
    if (i + 1 >= s.size()) return true;  // a tag block or the end follows
    const char16_t n = s[i + 1];
    return n == u'n' || n == u'N' || n == u'h' || n == u'{' || n == u'}' || n == u'\u200B';
}

void AppendText(std::u16string& out, const std::u16string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'{' || c == u'}') {
            out += u'\\';
            out += c;
        } else if (c == u'\\') {
            out += c;
            if (NeedsGuard(s, i)) out += u'\u200B';
        } else {
            out += c;
        }
    }
}

SaveStatus BuildText(SyncDocument& doc, const SaveFields& fields, std::u16string& out) {
    const std::vector<writer::TimedLine> lines = writer::CollectTimedLines(doc);
    out = kHeader;
    const struct {
        const char16_t* key;
        const std::u16string* value;
    } info[] = {{u"Title: ", &fields.title}, {u"Artist: ", &fields.artist}, {u"Album: ", &fields.album}};
    for (const auto& f : info) {
        if (f.value->empty()) continue;
        out += f.key;
        out += writer::FieldValue(*f.value);
        out += u"\r\n";
    }
    out += kStyles;
    for (const writer::TimedLine& line : lines) {
        const int32_t start = line.segments.front().start;
        int64_t cursor = start;
        std::u16string text;
        for (const writer::TimedSegment& s : line.segments) {
            if (s.start < 0 || s.end < 0) return SaveStatus::kTimeOutOfRange;
            if (s.start > cursor) {
                AppendTag(text, u"k", s.start - cursor);
                cursor = s.start;
            }
            const int64_t length = std::max<int64_t>(0, s.end - cursor);
            AppendTag(text, u"kf", length);
            AppendText(text, s.text);
            cursor += length;
        }
        out += u"Dialogue: 0,";
        AppendTime(out, start);
        out += u',';
        AppendTime(out, static_cast<int32_t>(cursor));
        out += u",Default,,0,0,0,,";
        out += text;
        out += u"\r\n";
    }
    return SaveStatus::kSaved;
}

}  // namespace

SaveStatus BuildAss(SyncDocument& doc, const SaveFields& fields, std::vector<uint8_t>* bytes) {
    // The mark at the text's start is converted with the rest: EF BB BF.
    return writer::BuildUtf8(doc, fields, BuildText, bytes);
}

}  // namespace mr
