#include "tests/lyrics/native_file_builder.h"

#include "common/text.h"
#include "lyrics/load_lyrics_file.h"
#include "lyrics/native_reader.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

void PutU32BE(std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xFF);
}
void PutU32LE(std::string& s, uint32_t v) {
    for (int shift = 0; shift <= 24; shift += 8) s += static_cast<char>((v >> shift) & 0xFF);
}
void PutU16LE(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

}  // namespace

MrFile& MrFile::Chunk(std::string_view tag, std::string_view data, int64_t sizeAdjust) {
    body_.append(tag.substr(0, 4));
    PutU32BE(body_, static_cast<uint32_t>(static_cast<int64_t>(data.size()) + 4 + sizeAdjust));
    PutU32BE(body_, 0);
    body_.append(data);
    return *this;
}

MrFile& MrFile::Raw(std::string_view bytes) {
    body_.append(bytes);
    return *this;
}

MrFile& MrFile::Info(std::string_view title, std::string_view artist, std::string_view album) {
    std::string data;
    for (std::string_view v : {title, artist, album}) {
        data.append(v);
        data += '\0';
    }
    return Chunk("INFO", data);
}

MrFile& MrFile::Texts(const std::vector<std::string>& texts) {
    std::string data;
    for (const std::string& t : texts) {
        data += t;
        data += '\0';
    }
    return Chunk("TEXT", data);
}

MrFile& MrFile::Sync(const std::vector<uint32_t>& entries, bool simple) {
    body_.append("SPT0");
    PutU32BE(body_, static_cast<uint32_t>(4 + 4 * entries.size()));
    PutU32BE(body_, simple ? 1 : 0);
    for (uint32_t e : entries) PutU32BE(body_, e);
    return *this;
}

MrFile& MrFile::Times(const std::vector<std::pair<uint32_t, uint32_t>>& segments) {
    std::vector<uint32_t> values;
    bool havePrev = false;
    uint32_t prev = 0;
    for (const auto& [start, end] : segments) {
        if (havePrev && start == prev) values.back() |= 0x80000000u;
        else values.push_back(start);
        values.push_back(end);
        prev = end;
        havePrev = true;
    }
    return TimeValues(values);
}

MrFile& MrFile::TimeValues(const std::vector<uint32_t>& values) {
    std::string data;
    for (uint32_t v : values) PutU32BE(data, v);
    return Chunk("TSP0", data);
}

MrFile& MrFile::Pictures(const std::vector<Picture>& pictures) {
    std::string data;
    for (const Picture& p : pictures) {
        PutU32BE(data, p.duration);
        PutU32BE(data, static_cast<uint32_t>(p.bytes.size()));
        data += p.bytes;
    }
    return Chunk("IMG0", data);
}

std::vector<uint8_t> MrFile::Bytes(int64_t sizeAdjust) const {
    std::string s("MR\0" "3", 4);
    PutU32BE(s, static_cast<uint32_t>(static_cast<int64_t>(body_.size()) + 4 + sizeAdjust));
    PutU32BE(s, 0);
    s += body_;
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::vector<uint8_t> LegacyFileRaw(int version, const std::string& textBytes,
                                   const std::vector<LegacyRecord>& records) {
    std::string body = "TEXT";
    PutU32LE(body, static_cast<uint32_t>(textBytes.size()));
    body += textBytes;
    body += "SYNC";
    PutU32LE(body, static_cast<uint32_t>(records.size() * 16));
    for (const LegacyRecord& r : records) {
        PutU16LE(body, r.text);
        PutU16LE(body, 0);
        PutU16LE(body, r.first);
        PutU16LE(body, r.end);
        PutU32LE(body, r.start);
        PutU32LE(body, r.stop);
    }
    std::string s = version == 1 ? std::string("MR\0\0", 4) : std::string("MR2\0", 4);
    PutU32LE(s, static_cast<uint32_t>(body.size()));
    s += body;
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::vector<uint8_t> LegacyFile(int version, std::u16string_view text, const std::vector<LegacyRecord>& records) {
    std::string bytes;
    if (version == 1) {
        bytes = Utf16ToAnsi(text);
    } else {
        for (char16_t c : text) PutU16LE(bytes, c);
    }
    return LegacyFileRaw(version, bytes, records);
}

bool LoadNative(LyricsDocument& doc, const std::vector<uint8_t>& bytes, int editorMode, bool streamed,
                bool* sourceOpen) {
    ScopedTempDir dir;
    const std::u16string path = dir.Path(u"song.mr");
    if (!WriteFileBytes(path, bytes)) return false;
    SetLargeFileBytesForTesting(streamed ? 0 : kLargeFileBytes);
    const bool ok = LoadLyricsFile(doc, path, kLyricsKindNative, editorMode);
    SetLargeFileBytesForTesting(kLargeFileBytes);
    if (sourceOpen) *sourceOpen = doc.GetImageSource() != nullptr;
    // The folder goes now; an open source file is closed first so that
    // Windows can delete it.
    doc.SourceFile().Close();
    return ok;
}

std::vector<std::string> DescribeSlides(const LyricsDocument& doc) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < doc.GetSlideImageCount(); ++i) {
        const SlideImage& s = doc.GetSlideImages()[i];
        std::string d = std::to_string(s.duration) + "@";
        if (s.flags != 0 || s.ordinal != i || s.reference >= doc.GetImageDataCount()) {
            d += "<bad record>";
        } else {
            const ImageData& data = doc.GetImageData()[s.reference];
            d += std::to_string(data.offset) + "+" + std::to_string(data.size);
        }
        out.push_back(d);
    }
    return out;
}

std::string DescribeInfo(const LyricsDocument& doc) {
    std::string s;
    for (int field : {kInfoTitle, kInfoArtist, kInfoAlbum}) {
        const char16_t* v = doc.GetInfo(field);
        if (field != kInfoTitle) s += "|";
        s += v ? Utf16ToUtf8(v) : std::string("<null>");
    }
    return s;
}

}  // namespace mr::test
