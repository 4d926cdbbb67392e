#include "lyrics/native_reader.h"

#include "lyrics/native_chunks.h"
#include "lyrics/native_legacy.h"

namespace mr {
namespace {

using namespace native;

constexpr uint32_t kMagicBytes = 8;       // magic and size field
constexpr uint32_t kFirstChunkAt = 12;    // after the version 3 header
uint32_t g_largeFileBytes = kLargeFileBytes;

uint32_t ReadU32LE(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// The version of a file from its first 8 bytes (magic and size field), or 0
// when it is not a native file of this size.
int DetectVersion(const uint8_t* p, uint32_t size) {
    if (p[0] != 'M' || p[1] != 'R') return 0;
    int version;
    if (p[2] == 0 && p[3] == 0) version = 1;
    else if (p[2] == '2' && p[3] == 0) version = 2;
    else if (p[2] == 0 && p[3] == '3') version = 3;
    else return 0;
    const uint32_t field = version == 3 ? ReadU32BE(p + 4) : ReadU32LE(p + 4);
    return field == size - kMagicBytes ? version : 0;
}

// Each chunk tag is read once; later chunks with the same tag are skipped.
struct SeenTags {
    uint32_t bits = 0;
    // Index of a tag this reader handles, or -1.
    static int IndexOf(uint32_t tag) {
        switch (tag) {
        case kTagInfo: return 0;
        case kTagText: return 1;
        case kTagSync: return 2;
        case kTagTime: return 3;
        case kTagImage: return 4;
        default: return -1;
        }
    }
    // True the first time a handled tag is met.
    bool First(uint32_t tag) {
        const int i = IndexOf(tag);
        if (i < 0 || (bits & (1u << i))) return false;
        bits |= 1u << i;
        return true;
    }
};

bool HandleChunk(LyricsDocument& doc, uint32_t tag, const uint8_t* data, uint32_t n) {
    switch (tag) {
    case kTagInfo: return ReadInfoChunk(doc, data, n);
    case kTagText: return ReadTextChunk(doc, data, n);
    case kTagSync: return ReadSyncChunk(doc, data, n);
    case kTagTime: return ReadTimeChunk(doc, data, n);
    default: return true;
    }
}

// A chunk is taken only if its data begins before the end of the file and
// ends within it; otherwise the walk ends.
bool ChunkFits(uint64_t at, uint32_t n, uint32_t size) {
    return at + kChunkHeaderBytes < size && at + kChunkHeaderBytes + n <= size;
}

// Version 3 read whole: the chunks are parsed in the file's buffer.
bool ReadChunksInMemory(LyricsDocument& doc, const uint8_t* bytes, uint32_t size) {
    SeenTags seen;
    for (uint64_t at = kFirstChunkAt; at + kChunkHeaderBytes < size;) {
        const uint32_t tag = ReadU32BE(bytes + at);
        const uint32_t n = ReadU32BE(bytes + at + 4);
        if (!ChunkFits(at, n, size)) break;
        const uint32_t dataAt = static_cast<uint32_t>(at + kChunkHeaderBytes);
        const uint8_t* data = bytes + dataAt;
        if (seen.First(tag)) {
            if (tag == kTagImage) {
                if (n >= kMinImageChunkBytes) {
                    for (uint64_t o = 4; o + kPictureHeaderBytes < n;) {
                        const uint32_t duration = ReadU32BE(data + o);
                        const uint32_t s = ReadU32BE(data + o + 4);
                        const PictureStep step = CheckPictureRecord(duration, s, o, n);
                        if (step == PictureStep::Stop) break;
                        if (step == PictureStep::Add &&
                            !AddPicture(doc, duration, static_cast<uint32_t>(dataAt + o + kPictureHeaderBytes), s))
                            return false;
                        o += kPictureHeaderBytes + uint64_t{s};
                    }
                }
            } else if (!HandleChunk(doc, tag, data, n)) {
                return false;
            }
        }
        at += kChunkHeaderBytes + uint64_t{n};
    }
    return true;
}

// Version 3 of a large file: the chunk headers and the lyrics chunks are read
// from the file one at a time; the pictures are skipped with seeks, only
// their offsets and sizes are recorded. A failed read or seek fails.
class StreamedChunks {
public:
    StreamedChunks(LyricsDocument& doc, BufferedFile& file) : doc_(doc), file_(file), size_(file.Size()) {}

    bool Run() {
        SeenTags seen;
        for (uint64_t at = kFirstChunkAt; at + kChunkHeaderBytes < size_;) {
            if (!SeekTo(at)) return false;
            const uint8_t* header = Read(kChunkHeaderBytes);
            if (!header) return false;
            const uint32_t tag = ReadU32BE(header);
            const uint32_t n = ReadU32BE(header + 4);
            if (!ChunkFits(at, n, size_)) break;
            if (seen.First(tag)) {
                const uint32_t dataAt = static_cast<uint32_t>(at + kChunkHeaderBytes);
                if (tag == kTagImage) {
                    if (!RecordPictures(dataAt, n)) return false;
                } else if (n > 0) {
                    const uint8_t* data = Read(n);
                    if (!data || !HandleChunk(doc_, tag, data, n)) return false;
                }
            }
            at += kChunkHeaderBytes + uint64_t{n};
        }
        return true;
    }

private:
    const uint8_t* Read(uint32_t n) {
        const uint8_t* p = file_.Read(n);
        if (p) position_ += n;
        return p;
    }
    // Moves to an absolute offset unless the file is already there.
    bool SeekTo(uint64_t at) {
        if (at == position_) return true;
        if (!file_.Seek(static_cast<int64_t>(at), fs::Origin::Begin)) return false;
        position_ = at;
        return true;
    }

    bool RecordPictures(uint32_t dataAt, uint32_t n) {
        if (n < kMinImageChunkBytes) return true;
        for (uint64_t o = 4; o + kPictureHeaderBytes < n;) {
            if (!SeekTo(dataAt + o)) return false;
            const uint8_t* header = Read(kPictureHeaderBytes);
            if (!header) return false;
            const uint32_t duration = ReadU32BE(header);
            const uint32_t s = ReadU32BE(header + 4);
            const PictureStep step = CheckPictureRecord(duration, s, o, n);
            if (step == PictureStep::Stop) break;
            if (step == PictureStep::Add &&
                !AddPicture(doc_, duration, static_cast<uint32_t>(dataAt + o + kPictureHeaderBytes), s))
                return false;
            o += kPictureHeaderBytes + uint64_t{s};
        }
        return true;
    }

    LyricsDocument& doc_;
    BufferedFile& file_;
    uint32_t size_;
    uint64_t position_ = kMagicBytes;  // after the first read
};

}  // namespace

void SetLargeFileBytesForTesting(uint32_t bytes) {
    g_largeFileBytes = bytes;
}

bool ReadNativeLyrics(LyricsDocument& doc, BufferedFile& file, int editorMode) {
    const uint32_t size = file.Size();
    if (size <= kMagicBytes) return true;
    const bool large = size > g_largeFileBytes;
    // A large file's pictures are never loaded: only its magic is read now.
    const uint8_t* bytes = file.Read(large ? kMagicBytes : size);
    if (!bytes) return false;
    const int version = DetectVersion(bytes, size);
    if (version == 0) return true;
    if (version != 3) return large || ReadLegacyNative(doc, bytes, size, version);

    doc.SetSimple(false);
    const bool ok = large ? StreamedChunks(doc, file).Run() : ReadChunksInMemory(doc, bytes, size);
    if (!ok) return false;
    // The plug-ins show whole lines when the file asks for it.
    if (editorMode == 0 && doc.GetSimple()) doc.StripWordSyncPoints();
    return true;
}

}  // namespace mr
