// HeaderPictureDecoder: structural checks of the four picture formats.
#include "editor/files/picture_decoder.h"

#include <cstdlib>
#include <cstring>

#include "common/file.h"

namespace mr {
namespace {

uint32_t U32BE(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t U16BE(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
uint16_t U16LE(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32LE(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

// PNG: signature, an IHDR chunk first whose fields are valid and whose CRC
// matches, and an IDAT chunk among the chunks that follow (each of which
// must fit in the data).
bool CheckPng(const uint8_t* b, uint32_t size) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    constexpr uint32_t kIhdrEnd = 8 + 8 + 13 + 4;
    if (size < kIhdrEnd || std::memcmp(b, kSignature, 8) != 0) return false;
    if (U32BE(b + 8) != 13 || std::memcmp(b + 12, "IHDR", 4) != 0) return false;
    const uint8_t* h = b + 16;
    const uint32_t width = U32BE(h), height = U32BE(h + 4);
    const uint8_t depth = h[8], colour = h[9];
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return false;
    bool depthOk = false;
    switch (colour) {
        case 0: depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16; break;
        case 3: depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8; break;
        case 2: case 4: case 6: depthOk = depth == 8 || depth == 16; break;
        default: break;
    }
    if (!depthOk || h[10] != 0 || h[11] != 0 || h[12] > 1) return false;
    if (Crc32(b + 12, 17) != U32BE(b + 29)) return false;
    for (uint64_t at = kIhdrEnd; at + 12 <= size;) {
        const uint64_t length = U32BE(b + at);
        if (at + 12 + length > size) return false;
        if (std::memcmp(b + at + 4, "IDAT", 4) == 0) return length > 0;
        if (std::memcmp(b + at + 4, "IEND", 4) == 0) return false;
        at += 12 + length;
    }
    return false;
}

// JPEG: start-of-image, then marker segments that fit, among them a frame
// header (SOF0 … SOF15 without DHT, JPG and DAC) with a sane size, before the
// first scan.
bool CheckJpeg(const uint8_t* b, uint32_t size) {
    if (size < 4 || b[0] != 0xFF || b[1] != 0xD8) return false;
    bool frame = false;
    uint64_t at = 2;
    while (at + 2 <= size) {
        if (b[at] != 0xFF) return false;
        while (at + 1 < size && b[at + 1] == 0xFF) ++at;  // fill bytes
        if (at + 2 > size) return false;
        const uint8_t m = b[at + 1];
        at += 2;
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;  // no length
        if (m == 0xD8 || m == 0xD9 || m == 0x00) return false;
        if (at + 2 > size) return false;
        const uint32_t length = U16BE(b + at);
        if (length < 2 || at + length > size) return false;
        const uint8_t* s = b + at + 2;
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            if (length < 8) return false;
            const uint8_t precision = s[0];
            const uint16_t height = U16BE(s + 1), width = U16BE(s + 3);
            const uint8_t components = s[5];
            if ((precision != 8 && precision != 12 && precision != 16) || height == 0 || width == 0 ||
                components == 0 || components > 4 || length != 8u + 3u * components) {
                return false;
            }
            frame = true;
        } else if (m == 0xDA) {
            return frame;
        }
        at += length;
    }
    return false;
}

// GIF: signature and screen descriptor, the global colour table when there
// is one, then extensions (whose sub-blocks must fit) up to the first image
// descriptor, which must have a size and an LZW code size of 2 to 8.
bool CheckGif(const uint8_t* b, uint32_t size) {
    if (size < 13 || (std::memcmp(b, "GIF87a", 6) != 0 && std::memcmp(b, "GIF89a", 6) != 0)) return false;
    uint64_t at = 13;
    if (b[10] & 0x80) at += 3u * (2u << (b[10] & 7));
    while (at < size) {
        const uint8_t kind = b[at];
        if (kind == 0x21) {
            at += 2;  // introducer and label
            for (;;) {
                if (at >= size) return false;
                const uint8_t n = b[at];
                at += 1 + uint64_t{n};
                if (n == 0) break;
            }
        } else if (kind == 0x2C) {
            if (at + 10 > size) return false;
            const uint8_t* d = b + at + 1;
            if (U16LE(d + 4) == 0 || U16LE(d + 6) == 0) return false;
            at += 10;
            if (d[8] & 0x80) at += 3u * (2u << (d[8] & 7));
            return at + 2 <= size && b[at] >= 2 && b[at] <= 8;
        } else {
            return false;  // the trailer, or damage, before any image
        }
    }
    return false;
}

// BMP: file header and a DIB header of a known size with one plane, a known
// bit depth and compression, and pixel data that lies within the bytes (for
// uncompressed data, every row of it).
bool CheckBmp(const uint8_t* b, uint32_t size) {
    if (size < 26 || b[0] != 'B' || b[1] != 'M') return false;
    const uint32_t offBits = U32LE(b + 10);
    const uint32_t dibSize = U32LE(b + 14);
    int64_t width = 0, height = 0;
    uint16_t planes = 0, bpp = 0;
    uint32_t compression = 0;
    if (dibSize == 12) {
        width = U16LE(b + 18);
        height = U16LE(b + 20);
        planes = U16LE(b + 22);
        bpp = U16LE(b + 24);
    } else if (dibSize == 40 || dibSize == 52 || dibSize == 56 || dibSize == 64 || dibSize == 108 ||
               dibSize == 124) {
        if (size < 14u + 40u) return false;
        width = static_cast<int32_t>(U32LE(b + 18));
        height = static_cast<int32_t>(U32LE(b + 22));
        planes = U16LE(b + 26);
        bpp = U16LE(b + 28);
        compression = U32LE(b + 30);
    } else {
        return false;
    }
    if (uint64_t{14} + dibSize > size || offBits < 14 + dibSize || offBits >= size) return false;
    if (planes != 1 || width <= 0 || height == 0) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    switch (compression) {
        case 0: case 3: case 6: {  // BI_RGB, BI_BITFIELDS, BI_ALPHABITFIELDS
            const uint64_t rowBytes = (static_cast<uint64_t>(width) * bpp + 31) / 32 * 4;
            return rowBytes * rows <= uint64_t{size} - offBits;
        }
        case 1: return bpp == 8;  // BI_RLE8
        case 2: return bpp == 4;  // BI_RLE4
        default: return false;
    }
}

}  // namespace

bool HeaderPictureDecoder::DecodeBytes(const uint8_t* bytes, uint32_t size) {
    if (!bytes || size < 4) return false;
    return CheckPng(bytes, size) || CheckJpeg(bytes, size) || CheckGif(bytes, size) || CheckBmp(bytes, size);
}

bool HeaderPictureDecoder::DecodeFile(std::u16string_view path) {
    const fs::Handle h = fs::Open(path, fs::kRead, fs::kShareRead, fs::Disposition::OpenExisting);
    if (h == fs::kInvalidHandle) return false;
    uint64_t size = 0;
    bool ok = fs::Size(h, &size) && size <= kMaxFileBytes;
    uint8_t* bytes = ok ? static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size) + 1)) : nullptr;
    uint32_t got = 0;
    ok = bytes && fs::Read(h, bytes, static_cast<uint32_t>(size), &got) && got == size;
    fs::Close(h);
    ok = ok && DecodeBytes(bytes, static_cast<uint32_t>(size));
    std::free(bytes);
    return ok;
}

}  // namespace mr
