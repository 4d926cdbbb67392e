// The picture decoders: the header checks of the native build on good and
// damaged pictures of the four formats, and the platform's decoder (GDI+ in
// the Windows build, run under Wine) on the same pictures.
#include <gtest/gtest.h>

#include <string>

#include "editor/files/picture_decoder.h"
#include "tests/editor/test_pictures.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

bool Decodes(PictureDecoder& d, const std::string& bytes) {
    return d.DecodeBytes(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
}

TEST(editor_picture_decoder, header_checks_accept_the_four_formats) {
    HeaderPictureDecoder d;
    EXPECT_TRUE(Decodes(d, MakePng()));
    EXPECT_TRUE(Decodes(d, MakeJpeg()));
    EXPECT_TRUE(Decodes(d, MakeGif()));
    EXPECT_TRUE(Decodes(d, MakeBmp()));
}

TEST(editor_picture_decoder, header_checks_refuse_damaged_pictures) {
    HeaderPictureDecoder d;
    EXPECT_FALSE(Decodes(d, ""));
    EXPECT_FALSE(Decodes(d, "just some text, not a picture"));
    EXPECT_FALSE(Decodes(d, MakeCorruptPicture()));

    const std::string png = MakePng();
    EXPECT_FALSE(Decodes(d, png.substr(0, 33)));  // IHDR only, no pixel data
    std::string badCrc = png;
    badCrc[20] ^= 1;  // the width, under a CRC that no longer matches
    EXPECT_FALSE(Decodes(d, badCrc));
    std::string zeroWidth = png;
    zeroWidth[16] = zeroWidth[17] = zeroWidth[18] = zeroWidth[19] = 0;
    EXPECT_FALSE(Decodes(d, zeroWidth));

    const std::string jpeg = MakeJpeg();
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    EXPECT_FALSE(Decodes(d, jpeg.substr(0, sof) + jpeg.substr(sof + 2 + 11)));  // no frame header
    EXPECT_FALSE(Decodes(d, jpeg.substr(0, sof + 6)));  // cut inside the frame header
    std::string wrongLength = jpeg;
    wrongLength[2 + 2] = '\x7F';  // the quantisation table runs past the end
    EXPECT_FALSE(Decodes(d, wrongLength));

    const std::string gif = MakeGif();
    EXPECT_FALSE(Decodes(d, gif.substr(0, 19) + ";"));  // trailer before any image
    EXPECT_FALSE(Decodes(d, gif.substr(0, 24)));        // cut inside the image descriptor

    const std::string bmp = MakeBmp();
    EXPECT_FALSE(Decodes(d, bmp.substr(0, bmp.size() - 1)));  // the last row is short
    std::string twoPlanes = bmp;
    twoPlanes[26] = 2;
    EXPECT_FALSE(Decodes(d, twoPlanes));
}

TEST(editor_picture_decoder, header_checks_read_files) {
    ScopedTempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.Path(u"a.gif"), MakeGif()));
    ASSERT_TRUE(WriteFileBytes(dir.Path(u"b.png"), MakeCorruptPicture()));
    HeaderPictureDecoder d;
    EXPECT_TRUE(d.DecodeFile(dir.Path(u"a.gif")));
    EXPECT_FALSE(d.DecodeFile(dir.Path(u"b.png")));
    EXPECT_FALSE(d.DecodeFile(dir.Path(u"missing.png")));
}

TEST(editor_picture_decoder, the_platform_decoder_decodes_the_four_formats_and_refuses_a_corrupt_picture) {
    PictureDecoder& d = SystemPictureDecoder();
    EXPECT_TRUE(Decodes(d, MakePng()));
    EXPECT_TRUE(Decodes(d, MakeJpeg()));
    EXPECT_TRUE(Decodes(d, MakeGif()));
    EXPECT_TRUE(Decodes(d, MakeBmp()));
    EXPECT_FALSE(Decodes(d, MakeCorruptPicture()));
    EXPECT_FALSE(Decodes(d, "just some text, not a picture"));
    EXPECT_FALSE(Decodes(d, ""));

    ScopedTempDir dir;
    for (const auto& [name, bytes] : {std::pair{u"p.png", MakePng()}, std::pair{u"p.jpg", MakeJpeg()},
                                      std::pair{u"p.gif", MakeGif()}, std::pair{u"p.bmp", MakeBmp()}}) {
        ASSERT_TRUE(WriteFileBytes(dir.Path(name), bytes));
        EXPECT_TRUE(d.DecodeFile(dir.Path(name)));
    }
    ASSERT_TRUE(WriteFileBytes(dir.Path(u"bad.png"), MakeCorruptPicture()));
    EXPECT_FALSE(d.DecodeFile(dir.Path(u"bad.png")));
    EXPECT_FALSE(d.DecodeFile(dir.Path(u"missing.png")));
}

}  // namespace
}  // namespace mr::test
