#pragma once
// PictureDecoder: answers whether bytes or a file hold a picture that can be
// decoded. The native writer asks it before it puts a picture into a file, so
// that a damaged picture is left out rather than saved.
//
// The Windows build decodes with GDI+ (flat interface); the native build has
// no picture codec and uses HeaderPictureDecoder, which checks the headers
// of the four formats the editor accepts (PNG, JPEG, GIF, BMP).

#include <cstdint>
#include <string_view>

namespace mr {

class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;
    // True when the size bytes decode as a picture. Reads only the bytes.
    virtual bool DecodeBytes(const uint8_t* bytes, uint32_t size) = 0;
    // True when the file at path decodes as a picture. Opens the file for
    // reading only.
    virtual bool DecodeFile(std::u16string_view path) = 0;
};

// Checks the structure of PNG, JPEG, GIF and BMP data without decoding the
// pixels: PNG signature and IHDR chunk (with its CRC); JPEG start marker and a
// frame header before the scan; GIF signature, screen and first image
// descriptor; BMP file and DIB headers with pixel data that fits. Anything
// else is refused.
class HeaderPictureDecoder final : public PictureDecoder {
public:
    // Files larger than this are refused without being read.
    static constexpr uint32_t kMaxFileBytes = 256u << 20;

    bool DecodeBytes(const uint8_t* bytes, uint32_t size) override;
    bool DecodeFile(std::u16string_view path) override;
};

// The platform's decoder: GDI+ on Windows (started on first use and shut
// down at exit), HeaderPictureDecoder elsewhere. Not owned by the caller;
// call it from one thread at a time (the editor's main thread).
PictureDecoder& SystemPictureDecoder();

}  // namespace mr
