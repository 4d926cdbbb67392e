#include "tests/editor/picture_test_util.h"

#include "lyrics/load_lyrics_file.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

uint32_t U32BE(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

std::vector<uint8_t> NativeFileWithPictures(const std::vector<Picture>& pictures) {
    MrFile f;
    f.Info("", "", "").Texts({"la"}).Sync({LineEntry(0)}).Times({{1000, 2000}});
    if (!pictures.empty()) f.Pictures(pictures);
    return f.Bytes();
}

bool LoadNativeFile(LyricsDocument& lyrics, const std::u16string& path, const std::vector<uint8_t>& bytes) {
    return WriteFileBytes(path, bytes) && LoadLyricsFile(lyrics, path, kLyricsKindNative, 1);
}

std::vector<std::string> DescribePictures(SyncDocument& doc) {
    std::vector<std::string> r;
    for (int32_t i = 0; i < doc.PictureCount(); ++i) {
        PictureInfo info;
        doc.GetPicture(i, &info);
        r.push_back(std::to_string(info.ordinal) + ":" + std::to_string(info.duration) +
                    ((info.flags & kSlideExternal) ? "!" : ""));
    }
    return r;
}

std::string PictureBytesOf(SyncDocument& doc, int32_t index) {
    PictureInfo info;
    PictureBytes bytes;
    if (!doc.GetPictureData(index, &info, &bytes) || bytes.Empty()) return {};
    return std::string(reinterpret_cast<const char*>(bytes.Data()), bytes.Size());
}

std::vector<std::string> ChunkTags(const std::vector<uint8_t>& file) {
    std::vector<std::string> tags;
    if (file.size() < 12 || U32BE(file.data() + 4) != file.size() - 8) return tags;
    for (size_t at = 12; at + 8 <= file.size();) {
        tags.emplace_back(reinterpret_cast<const char*>(file.data() + at), 4);
        at += 8 + U32BE(file.data() + at + 4);
    }
    return tags;
}

std::string ChunkData(const std::vector<uint8_t>& file, const std::string& tag) {
    for (size_t at = 12; at + 8 <= file.size();) {
        const uint32_t n = U32BE(file.data() + at + 4);
        if (std::string(reinterpret_cast<const char*>(file.data() + at), 4) == tag && at + 8 + n <= file.size()) {
            return std::string(reinterpret_cast<const char*>(file.data() + at + 8), n);
        }
        at += 8 + uint64_t{n};
    }
    return {};
}

std::vector<PictureRecord> PictureRecords(const std::vector<uint8_t>& file, bool* found) {
    const std::string data = ChunkData(file, "IMG0");
    if (found) *found = !data.empty();
    std::vector<PictureRecord> records;
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    for (size_t at = 4; at + 8 <= data.size();) {
        const uint32_t size = U32BE(p + at + 4);
        if (at + 8 + size > data.size()) break;
        records.push_back(PictureRecord{U32BE(p + at), data.substr(at + 8, size)});
        at += 8 + size;
    }
    return records;
}

}  // namespace mr::test
