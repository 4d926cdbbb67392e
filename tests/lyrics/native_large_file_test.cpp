// Native files of more than 100 MiB: walked chunk by chunk, their pictures
// recorded but never read. The files are written sparsely at run time (the
// picture bytes are a hole), so the test is quick and commits no large file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/file.h"
#include "lyrics/load_lyrics_file.h"
#include "lyrics/native_reader.h"
#include "tests/lyrics/lyrics_test_util.h"
#include "tests/lyrics/native_file_builder.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

using Lines = std::vector<std::string>;
using test::LineEntry;
using test::MrFile;

void PutU32BE(std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xFF);
}

struct LargeFile {
    uint32_t bigPictureAt;  // file offset of the large picture's bytes
    uint32_t bigPictureSize;
};

// Writes a version 3 file of exactly `size` bytes: lyrics chunks, a picture
// chunk with a small picture and one large one that fills the file, then a
// time chunk and an unknown chunk after the pictures. Only the first and last
// bytes of the large picture are written; the rest stays a hole.
bool WriteLargeMr(std::u16string_view path, uint32_t size, LargeFile* out) {
    MrFile head;
    head.Info("Big", "Pictures", "").Texts({"Hello world", "Bye"}).Sync({LineEntry(0), 6, LineEntry(1)}, true);
    std::vector<uint8_t> front = head.Bytes();  // size field patched below
    std::string tail;
    {
        MrFile t;
        t.Times({{1000, 2000}, {2000, 3000}, {4000, 5000}}).Chunk("XTRA", "after the pictures");
        const std::vector<uint8_t> b = t.Bytes();
        tail.assign(b.begin() + 12, b.end());
    }
    const std::string small = "small picture";
    // IMG0 header, flags, the small record, the large record's header.
    const uint32_t imageChunkAt = static_cast<uint32_t>(front.size());
    const uint32_t fixed = imageChunkAt + 8 + 4 + 8 + static_cast<uint32_t>(small.size()) + 8 +
                           static_cast<uint32_t>(tail.size());
    if (size <= fixed + 8) return false;
    const uint32_t big = size - fixed;
    std::string image = "IMG0";
    PutU32BE(image, 4 + 8 + static_cast<uint32_t>(small.size()) + 8 + big);
    PutU32BE(image, 0);
    PutU32BE(image, 3000);
    PutU32BE(image, static_cast<uint32_t>(small.size()));
    image += small;
    PutU32BE(image, 7000);
    PutU32BE(image, big);
    out->bigPictureAt = imageChunkAt + static_cast<uint32_t>(image.size());
    out->bigPictureSize = big;
    front.insert(front.end(), image.begin(), image.end());
    const uint32_t field = size - 8;
    for (int k = 0; k < 4; ++k) front[4 + k] = static_cast<uint8_t>(field >> (24 - 8 * k));

    const fs::Handle h = fs::Open(path, fs::kWrite, fs::kShareNone, fs::Disposition::CreateAlways);
    if (h == fs::kInvalidHandle) return false;
    const std::string pictureStart = "\x89PNG\r\n\x1A\n", pictureEnd = "IEND";
    bool ok = fs::Write(h, front.data(), static_cast<uint32_t>(front.size())) &&
              fs::Write(h, pictureStart.data(), static_cast<uint32_t>(pictureStart.size())) &&
              fs::Seek(h, out->bigPictureAt + big - pictureEnd.size(), fs::Origin::Begin) &&
              fs::Write(h, pictureEnd.data(), static_cast<uint32_t>(pictureEnd.size())) &&
              fs::Write(h, tail.data(), static_cast<uint32_t>(tail.size()));
    uint64_t written = 0;
    ok = ok && fs::Size(h, &written) && written == size;
    fs::Close(h);
    return ok;
}

TEST(lyrics_native_large, a_101_mib_file_is_walked_without_loading_its_pictures) {
    test::ScopedTempDir dir;
    const auto path = dir.Path(u"large.mr");
    const uint32_t size = 101u * 1024 * 1024;
    LargeFile f;
    ASSERT_TRUE(WriteLargeMr(path, size, &f));

    LyricsDocument doc;
    ASSERT_TRUE(LoadLyricsFile(doc, path, kLyricsKindNative, 0));
    // The plug-in reading of a simple file: one sync point per line; the
    // time chunk after the pictures was found by seeking past them.
    EXPECT_EQ(test::DescribeLines(doc), (Lines{"Hello world || 1000-1001", "Bye || 4000-4001"}));
    EXPECT_EQ(test::DescribeInfo(doc), "Big|Pictures|");
    const Lines slides = test::DescribeSlides(doc);
    ASSERT_EQ(slides.size(), 2u);
    EXPECT_EQ(slides[1], "7000@" + std::to_string(f.bigPictureAt) + "+" + std::to_string(f.bigPictureSize));
    EXPECT_EQ(doc.GetSlideShowDuration(), 10000u);

    // Peak memory of the read. The document's tables only grow while a file
    // is read and the source file's buffer is only ever enlarged, and both
    // are still held after the load (the source stays open for the
    // pictures); the reader's only other allocation is the conversion buffer
    // of one text, a few bytes here. So the committed pages of the document
    // plus the buffer's capacity bound what the read held at its peak,
    // measured the same way natively and under Wine. Loading the picture
    // would have needed a buffer of its size.
    ASSERT_NE(doc.GetImageSource(), nullptr);
    const uint64_t held = doc.CommittedBytes() + doc.SourceFile().Capacity();
    EXPECT_LT(held, 1024u * 1024u) << "the read held " << held << " bytes";
    EXPECT_LT(held * 100, uint64_t{size});

    // The picture is where the document says.
    const ImageData& big = doc.GetImageData()[doc.GetSlideImages()[1].reference];
    BufferedFile* source = doc.GetImageSource();
    ASSERT_TRUE(source->Seek(big.offset, fs::Origin::Begin));
    const uint8_t* start = source->Read(8);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(std::string(start, start + 8), "\x89PNG\r\n\x1A\n");
    doc.ClearDocument();
}

TEST(lyrics_native_large, exactly_100_mib_is_read_whole_and_one_byte_more_is_streamed) {
    test::ScopedTempDir dir;
    for (uint32_t size : {kLargeFileBytes, kLargeFileBytes + 1}) {
        const auto path = dir.Path(u"edge.mr");
        LargeFile f;
        ASSERT_TRUE(WriteLargeMr(path, size, &f));
        LyricsDocument doc;
        ASSERT_TRUE(LoadLyricsFile(doc, path, kLyricsKindNative, 1));
        // Both reads find the same document.
        EXPECT_EQ(test::DescribeLines(doc), (Lines{"Hello world |6| 1000-2000 2000-3000", "Bye || 4000-5000"}));
        EXPECT_EQ(doc.GetSlideImageCount(), 2u);
        const bool readWhole = doc.SourceFile().Capacity() >= size;
        EXPECT_EQ(readWhole, size == kLargeFileBytes) << size;
        doc.ClearDocument();
        ASSERT_TRUE(fs::Remove(path));
    }
}

}  // namespace
}  // namespace mr
