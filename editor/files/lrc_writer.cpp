#include "editor/files/lrc_writer.h"

#include <algorithm>
#include <new>

#include "common/file.h"
#include "common/text.h"
#include "editor/files/writer_support.h"
#include "lyrics/text_decode.h"

namespace mr {
namespace {

// Appends "[mm:ss.cc]" or "<mm:ss.cc>" for t ticks (10 ms). False when the
// minutes need more than two digits.
bool AppendStamp(std::u16string& out, int32_t t, char16_t open, char16_t close) {
    if (t < 0 || t >= kLrcLimitTicks) return false;
    const int32_t mm = t / 6000, ss = t / 100 % 60, cc = t % 100;
    const char16_t stamp[10] = {open,
                                static_cast<char16_t>(u'0' + mm / 10),
                                static_cast<char16_t>(u'0' + mm % 10),
                                u':',
                                static_cast<char16_t>(u'0' + ss / 10),
                                static_cast<char16_t>(u'0' + ss % 10),
                                u'.',
                                static_cast<char16_t>(u'0' + cc / 10),
                                static_cast<char16_t>(u'0' + cc % 10),
                                close};
    out.append(stamp, 10);
    return true;
}

SaveStatus BuildText(SyncDocument& doc, const SaveFields& fields, bool lineStampsOnly, std::u16string& out) {
    LockGuard g(doc.DocumentLock());
    out.assign(1, u'\xFEFF');
    const struct {
        const char16_t* tag;
        const std::u16string* value;
    } tags[] = {{u"[ti:", &fields.title}, {u"[ar:", &fields.artist}, {u"[al:", &fields.album}};
    for (const auto& t : tags) {
        if (t.value->empty()) continue;
        std::u16string v = *t.value;
        writer::ReplaceBreakingUnits(v, true);
        out += t.tag;
        out += v;
        out += u"]\r\n";
    }

    std::u16string text = writer::WholeText(doc);
    writer::ReplaceBreakingUnits(text, false);
    const int32_t cells = static_cast<int32_t>(text.size());
    const int32_t count = std::min(doc.SegmentCount(), doc.TimingCount());
    // The text, a line break and at most two stamps per segment.
    out.reserve(out.size() + text.size() + static_cast<size_t>(count) * 22);
    int32_t previousEnd = 0;
    for (int32_t k = 0; k < count; ++k) {
        int32_t start = 0, end = 0;
        doc.GetTiming(k, &start, &end);
        if (doc.SegmentBeginsLine(k)) {
            if (k > 0) out += u"\r\n";
            if (!AppendStamp(out, start, u'[', u']')) return SaveStatus::kTimeOutOfRange;
        } else if (!lineStampsOnly && start > previousEnd) {
            if (!AppendStamp(out, start, u'<', u'>')) return SaveStatus::kTimeOutOfRange;
        }
        const int32_t from = std::min(doc.SegmentStart(k), cells);
        int32_t to = std::min(doc.SegmentEnd(k), cells);
        if (to > from && text[static_cast<size_t>(to) - 1] == u'\r') --to;
        if (to > from) out.append(text, static_cast<size_t>(from), static_cast<size_t>(to - from));
        if (!lineStampsOnly && !AppendStamp(out, end, u'<', u'>')) return SaveStatus::kTimeOutOfRange;
        previousEnd = end;
    }
    return SaveStatus::kSaved;
}

void Encode(const std::u16string& text, int encoding, std::vector<uint8_t>& bytes, LrcWriteReport& report) {
    switch (encoding) {
        case kEncodingUtf16LE:
        case kEncodingUtf16BE: {
            const bool big = encoding == kEncodingUtf16BE;
            bytes.resize(text.size() * 2);
            for (size_t i = 0; i < text.size(); ++i) {
                const auto lo = static_cast<uint8_t>(text[i]), hi = static_cast<uint8_t>(text[i] >> 8);
                bytes[2 * i] = big ? hi : lo;
                bytes[2 * i + 1] = big ? lo : hi;
            }
            break;
        }
        case kEncodingUtf8: {
            // The mark is converted with the rest: EF BB BF.
            const size_t need = Utf16ToUtf8(text.data(), text.size(), nullptr, 0);
            bytes.resize(need);
            Utf16ToUtf8(text.data(), text.size(), reinterpret_cast<char*>(bytes.data()), need);
            break;
        }
        default: {
            // The active code page, without the mark.
            const char16_t* units = text.data() + 1;
            const size_t n = text.size() - 1;
            const size_t need = Utf16ToAnsi(units, n, nullptr, 0);
            bytes.resize(need);
            if (need) {
                const size_t got = Utf16ToAnsi(units, n, reinterpret_cast<char*>(bytes.data()), need,
                                               &report.defaultCharUsed);
                bytes.resize(got);
            }
            break;
        }
    }
}

}  // namespace

SaveStatus BuildLrc(SyncDocument& doc, const SaveFields& fields, bool lineStampsOnly, int encoding,
                    std::vector<uint8_t>* bytes, LrcWriteReport* report) {
    LrcWriteReport local;
    if (!report) report = &local;
    *report = LrcWriteReport{};
    try {
        std::u16string text;
        const SaveStatus built = BuildText(doc, fields, lineStampsOnly, text);
        if (built != SaveStatus::kSaved) return built;
        Encode(text, encoding, *bytes, *report);
        if (bytes->size() > 0xFFFFFFFFu) return SaveStatus::kTooLarge;
        return SaveStatus::kSaved;
    } catch (const std::bad_alloc&) {
        return SaveStatus::kOutOfMemory;
    }
}

SaveStatus WriteLrcFile(SyncDocument& doc, std::u16string_view path, const SaveFields& fields,
                        bool lineStampsOnly, int encoding, LrcWriteReport* report) {
    std::vector<uint8_t> bytes;
    const SaveStatus built = BuildLrc(doc, fields, lineStampsOnly, encoding, &bytes, report);
    if (built != SaveStatus::kSaved) return built;
    const fs::Handle h = fs::Open(path, fs::kWrite, fs::kShareNone, fs::Disposition::CreateAlways);
    if (h == fs::kInvalidHandle) return SaveStatus::kWriteFailed;
    const bool ok = bytes.empty() || fs::Write(h, bytes.data(), static_cast<uint32_t>(bytes.size()));
    fs::Close(h);
    return ok ? SaveStatus::kSaved : SaveStatus::kWriteFailed;
}

}  // namespace mr
