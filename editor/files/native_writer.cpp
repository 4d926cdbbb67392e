#include "editor/files/native_writer.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/text.h"
#include "editor/files/writer_support.h"
#include "lyrics/native_chunks.h"

namespace mr {
namespace {

using writer::AppendU32BE;
using writer::PutU32BE;

using native::kTagImage;
using native::kTagInfo;
using native::kTagSync;
using native::kTagText;
using native::kTagTime;
constexpr uint64_t kMaxFileBytes = 0xFFFFFFFFu;

// Appends UTF-8 of `units` to out.
void AppendUtf8(std::vector<uint8_t>& out, std::u16string_view units) {
    const size_t need = Utf16ToUtf8(units.data(), units.size(), nullptr, 0);
    const size_t at = out.size();
    out.resize(at + need);
    if (need) Utf16ToUtf8(units.data(), units.size(), reinterpret_cast<char*>(out.data() + at), need);
}

// Starts a chunk: tag, size placeholder, flags word. Returns where it begins.
size_t BeginChunk(std::vector<uint8_t>& out, uint32_t tag, uint32_t flags) {
    const size_t at = out.size();
    AppendU32BE(out, tag);
    AppendU32BE(out, 0);
    AppendU32BE(out, flags);
    return at;
}

void EndChunk(std::vector<uint8_t>& out, size_t at) {
    PutU32BE(out.data() + at + 4, static_cast<uint32_t>(out.size() - at - 8));
}

// The distinct line texts of the whole text (the text and a final CR cut at
// every CR), in order of first appearance, and one text index per line.
// Identical lines (exact comparison) share their first one's index.
struct SharedTexts {
    std::u16string texts;  // each distinct text followed by a NUL
    std::vector<uint32_t> lineText;
};

uint64_t HashUnits(std::u16string_view s) {
    uint64_t h = 1469598103934665603ull;
    for (char16_t c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

SharedTexts ShareTexts(std::u16string_view text) {
    SharedTexts r;
    // Open addressing over the distinct texts: (index + 1) per slot.
    struct Distinct {
        size_t start;
        size_t length;
    };
    std::vector<Distinct> distinct;
    std::vector<uint32_t> slots(64, 0);
    size_t mask = slots.size() - 1;
    auto insert = [&](uint32_t index, uint64_t hash) {
        size_t k = static_cast<size_t>(hash) & mask;
        while (slots[k] != 0) k = (k + 1) & mask;
        slots[k] = index + 1;
    };
    size_t lineStart = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\r') continue;
        const std::u16string_view line = text.substr(lineStart, i - lineStart);
        lineStart = i + 1;
        const uint64_t hash = HashUnits(line);
        uint32_t found = 0;
        for (size_t k = static_cast<size_t>(hash) & mask; slots[k] != 0; k = (k + 1) & mask) {
            const Distinct& d = distinct[slots[k] - 1];
            if (std::u16string_view(r.texts).substr(d.start, d.length) == line) {
                found = slots[k];
                break;
            }
        }
        if (found) {
            r.lineText.push_back(found - 1);
            continue;
        }
        const auto index = static_cast<uint32_t>(distinct.size());
        distinct.push_back(Distinct{r.texts.size(), line.size()});
        r.texts.append(line);
        r.texts.push_back(u'\0');
        r.lineText.push_back(index);
        if (distinct.size() * 2 > slots.size()) {
            slots.assign(slots.size() * 2, 0);
            mask = slots.size() - 1;
            for (uint32_t k = 0; k < distinct.size(); ++k) {
                const Distinct& d = distinct[k];
                insert(k, HashUnits(std::u16string_view(r.texts).substr(d.start, d.length)));
            }
        } else {
            insert(index, hash);
        }
    }
    return r;
}

SaveStatus BuildTextChunks(SyncDocument& doc, const SaveFields& fields, std::vector<uint8_t>& out) {
    LockGuard g(doc.DocumentLock());
    // Header: magic, the size field (patched at the end of the save), 4
    // reserved bytes.
    const uint8_t header[12] = {'M', 'R', 0, '3', 0, 0, 0, 0, 0, 0, 0, 0};
    out.assign(header, header + sizeof header);

    size_t at = BeginChunk(out, kTagInfo, 0);
    for (const std::u16string* value : {&fields.title, &fields.artist, &fields.album}) {
        std::u16string v = *value;
        writer::ReplaceBreakingUnits(v, true);
        AppendUtf8(out, v);
        out.push_back(0);
    }
    EndChunk(out, at);

    std::u16string text = writer::WholeText(doc);
    writer::ReplaceBreakingUnits(text, false);
    const SharedTexts shared = text.empty() ? SharedTexts{} : ShareTexts(text);
    const int32_t segments = doc.SegmentCount();
    const int32_t timings = doc.TimingCount();
    // At most 3 UTF-8 bytes per unit, one value per segment, two per entry.
    out.reserve(out.size() + 36 + 3 * shared.texts.size() + 4 * static_cast<size_t>(segments) +
                8 * static_cast<size_t>(timings));
    if (!text.empty()) {
        at = BeginChunk(out, kTagText, 0);
        AppendUtf8(out, shared.texts);  // each text with its NUL
        EndChunk(out, at);
    }

    if (segments > 0) {
        at = BeginChunk(out, kTagSync, fields.simple ? 1u : 0u);
        size_t line = 0;
        int32_t base = 0;
        for (int32_t i = 0; i < segments; ++i) {
            if (doc.SegmentBeginsLine(i)) {
                base = doc.SegmentStart(i);
                const uint32_t index = line < shared.lineText.size() ? shared.lineText[line] : 0;
                AppendU32BE(out, kLineStartFlag | index);
                ++line;
            } else {
                AppendU32BE(out, static_cast<uint32_t>(doc.SegmentStart(i) - base));
            }
        }
        EndChunk(out, at);
    }

    if (timings > 0) {
        at = BeginChunk(out, kTagTime, 0);
        int64_t previousEnd = -1;
        for (int32_t i = 0; i < timings; ++i) {
            int32_t start = 0, end = 0;
            doc.GetTiming(i, &start, &end);
            if (start < 0 || end <= start || end > kMaxNativeTicks) return SaveStatus::kTimeOutOfRange;
            const uint32_t startMs = static_cast<uint32_t>(start) * 10;
            if (startMs == previousEnd) {
                // The segment starts where the previous one ended: the end
                // value carries bit 31 instead of a start of its own.
                out[out.size() - 4] |= 0x80;
            } else {
                AppendU32BE(out, startMs);
            }
            AppendU32BE(out, static_cast<uint32_t>(end) * 10);
            previousEnd = int64_t{end} * 10;
        }
        EndChunk(out, at);
    }
    if (out.size() > kMaxFileBytes) return SaveStatus::kTooLarge;
    return SaveStatus::kSaved;
}

}  // namespace

SaveStatus WriteNativeText(SyncDocument& doc, const SaveFields& fields, BufferedFile& file) {
    try {
        std::vector<uint8_t> out;
        const SaveStatus built = BuildTextChunks(doc, fields, out);
        if (built != SaveStatus::kSaved) return built;
        if (!file.Write(out.data(), static_cast<uint32_t>(out.size()))) return SaveStatus::kWriteFailed;
        return SaveStatus::kSaved;
    } catch (const std::bad_alloc&) {
        return SaveStatus::kOutOfMemory;
    }
}

SaveStatus WriteNativePictures(SyncDocument& doc, BufferedFile& file, PictureDecoder& decoder,
                               ProgressSink* progress, PictureWriteReport* report) {
    PictureWriteReport local;
    if (!report) report = &local;
    *report = PictureWriteReport{};
    uint64_t chunkAt = 0;
    if (!file.Seek(0, fs::Origin::End, &chunkAt)) return SaveStatus::kWriteFailed;
    uint8_t head[12] = {};  // tag, size (patched at the end), flags 0
    PutU32BE(head, kTagImage);
    if (chunkAt + sizeof head > kMaxFileBytes) return SaveStatus::kTooLarge;
    if (!file.Write(head, sizeof head)) return SaveStatus::kWriteFailed;
    uint64_t end = chunkAt + sizeof head;

    const int32_t count = doc.PictureCount();
    for (int32_t i = 0; i < count; ++i) {
        if (progress && !progress->Progress(static_cast<uint32_t>(100 * int64_t{i} / count))) {
            return SaveStatus::kCancelled;
        }
        PictureInfo info;
        PictureBytes bytes;
        if (!doc.GetPictureData(i, &info, &bytes)) return SaveStatus::kWriteFailed;
        if (info.flags & kSlideInvalid) {
            ++report->skipped;
            continue;
        }
        uint8_t record[8];
        PutU32BE(record, info.duration * 10);
        if (!(info.flags & kSlideExternal)) {
            if (!(info.flags & kSlideValid) && !decoder.DecodeBytes(bytes.Data(), bytes.Size())) {
                ++report->skipped;
                continue;
            }
            if (end + sizeof record + bytes.Size() > kMaxFileBytes) return SaveStatus::kTooLarge;
            PutU32BE(record + 4, bytes.Size());
            if (!file.Write(record, sizeof record) || !file.Write(bytes.Data(), bytes.Size())) {
                return SaveStatus::kWriteFailed;
            }
            end += sizeof record + bytes.Size();
        } else {
            if (!info.path || !decoder.DecodeFile(info.path)) {
                ++report->skipped;
                continue;
            }
            // The record header and the file's bytes go out in one write.
            const fs::Handle h = fs::Open(info.path, fs::kRead, fs::kShareRead, fs::Disposition::OpenExisting);
            if (h == fs::kInvalidHandle) return SaveStatus::kWriteFailed;
            uint64_t size = 0;
            if (!fs::Size(h, &size) || end + sizeof record + size > kMaxFileBytes) {
                fs::Close(h);
                return size != 0 ? SaveStatus::kTooLarge : SaveStatus::kWriteFailed;
            }
            if (size > SIZE_MAX - sizeof record) {
                fs::Close(h);
                return SaveStatus::kOutOfMemory;
            }
            auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size) + sizeof record));
            uint32_t got = 0;
            const bool read = block && fs::Read(h, block + sizeof record, static_cast<uint32_t>(size), &got) &&
                              got == size;
            fs::Close(h);
            if (!read) {
                std::free(block);
                return block ? SaveStatus::kWriteFailed : SaveStatus::kOutOfMemory;
            }
            PutU32BE(record + 4, static_cast<uint32_t>(size));
            std::copy(record, record + sizeof record, block);
            const bool wrote = file.Write(block, static_cast<uint32_t>(size + sizeof record));
            std::free(block);
            if (!wrote) return SaveStatus::kWriteFailed;
            end += sizeof record + size;
        }
        ++report->written;
    }

    if (report->written == 0) {
        // No picture made it: the file ends without a picture chunk.
        if (!file.Seek(static_cast<int64_t>(chunkAt), fs::Origin::Begin) || !file.SetEndOfFile()) {
            return SaveStatus::kWriteFailed;
        }
        return SaveStatus::kSaved;
    }
    uint8_t size[4];
    PutU32BE(size, static_cast<uint32_t>(end - chunkAt - 8));
    if (!file.Seek(static_cast<int64_t>(chunkAt) + 4, fs::Origin::Begin) || !file.Write(size, sizeof size)) {
        return SaveStatus::kWriteFailed;
    }
    return SaveStatus::kSaved;
}

SaveStatus PatchNativeSize(BufferedFile& file) {
    uint64_t size = 0;
    if (!file.Seek(0, fs::Origin::End, &size)) return SaveStatus::kWriteFailed;
    if (size < 12 || size > kMaxFileBytes) return SaveStatus::kTooLarge;
    uint8_t field[4];
    PutU32BE(field, static_cast<uint32_t>(size - 8));
    if (!file.Seek(4, fs::Origin::Begin) || !file.Write(field, sizeof field)) return SaveStatus::kWriteFailed;
    return SaveStatus::kSaved;
}

}  // namespace mr
