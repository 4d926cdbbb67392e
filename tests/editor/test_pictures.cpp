#include "tests/editor/test_pictures.h"

#include <vector>

namespace mr::test {
namespace {

void U32BE(std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>(v >> shift);
}
void U16BE(std::string& s, uint16_t v) {
    s += static_cast<char>(v >> 8);
    s += static_cast<char>(v);
}
void U16LE(std::string& s, uint16_t v) {
    s += static_cast<char>(v);
    s += static_cast<char>(v >> 8);
}
void U32LE(std::string& s, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) s += static_cast<char>(v >> shift);
}

uint32_t Crc32(const std::string& s) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : s) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

void PngChunk(std::string& png, const char* type, const std::string& data) {
    U32BE(png, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    png += body;
    U32BE(png, Crc32(body));
}

constexpr int kWidth = 4, kHeight = 3;
// Red on the left half, blue on the right.
void Pixel(int x, int /*y*/, uint8_t* r, uint8_t* g, uint8_t* b) {
    *r = x < kWidth / 2 ? 220 : 20;
    *g = 40;
    *b = x < kWidth / 2 ? 30 : 200;
}

}  // namespace

std::string MakePng() {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string ihdr;
    U32BE(ihdr, kWidth);
    U32BE(ihdr, kHeight);
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
    PngChunk(png, "IHDR", ihdr);
    std::string raw;
    for (int y = 0; y < kHeight; ++y) {
        raw += '\0';  // filter: none
        for (int x = 0; x < kWidth; ++x) {
            uint8_t r, g, b;
            Pixel(x, y, &r, &g, &b);
            raw += static_cast<char>(r);
            raw += static_cast<char>(g);
            raw += static_cast<char>(b);
        }
    }
    // zlib: header, one final stored block, Adler-32.
    std::string z("\x78\x01", 2);
    z += '\x01';
    U16LE(z, static_cast<uint16_t>(raw.size()));
    U16LE(z, static_cast<uint16_t>(~raw.size()));
    z += raw;
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    U32BE(z, (b << 16) | a);
    PngChunk(png, "IDAT", z);
    PngChunk(png, "IEND", "");
    return png;
}

std::string MakeJpeg() {
    std::string j("\xFF\xD8", 2);
    // Quantisation table 0: all ones.
    j += std::string("\xFF\xDB", 2);
    U16BE(j, 67);
    j += '\0';
    j += std::string(64, '\x01');
    // Frame: baseline, 8 bits, 8 x 8, one component (id 1, 1x1, table 0).
    j += std::string("\xFF\xC0", 2);
    U16BE(j, 11);
    j += '\x08';
    U16BE(j, 8);
    U16BE(j, 8);
    j += std::string("\x01\x01\x11\x00", 4);
    // Huffman tables with one code each (the single 1-bit code "0"): DC
    // category 0, and AC end-of-block.
    for (char cls : {'\x00', '\x10'}) {
        j += std::string("\xFF\xC4", 2);
        U16BE(j, 2 + 1 + 16 + 1);
        j += cls;
        j += '\x01';
        j += std::string(15, '\0');
        j += '\0';  // the symbol: category 0 / end of block
    }
    // Scan: one component with tables 0/0, spectral 0-63.
    j += std::string("\xFF\xDA", 2);
    U16BE(j, 8);
    j += std::string("\x01\x01\x00\x00\x3F\x00", 6);
    // DC "0" and end of block "0", padded with ones.
    j += '\x3F';
    j += std::string("\xFF\xD9", 2);
    return j;
}

std::string MakeGif() {
    std::string g("GIF89a", 6);
    U16LE(g, kWidth);
    U16LE(g, kHeight);
    g += std::string("\x80\x00\x00", 3);  // global table of 2 colours
    g += std::string("\xDC\x28\x1E\x14\x28\xC8", 6);
    g += '\x2C';
    U16LE(g, 0);
    U16LE(g, 0);
    U16LE(g, kWidth);
    U16LE(g, kHeight);
    g += '\0';
    g += '\x02';  // LZW minimum code size
    // Codes of 3 bits, least significant first: clear (4) before every pixel
    // keeps the code size at 3; end of information (5) at the end.
    std::vector<int> codes;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            codes.push_back(4);
            codes.push_back(x < kWidth / 2 ? 0 : 1);
        }
    codes.push_back(5);
    std::string data;
    uint32_t bits = 0, n = 0;
    for (int c : codes) {
        bits |= static_cast<uint32_t>(c) << n;
        n += 3;
        while (n >= 8) {
            data += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            n -= 8;
        }
    }
    if (n > 0) data += static_cast<char>(bits & 0xFF);
    g += static_cast<char>(data.size());
    g += data;
    g += '\0';
    g += '\x3B';
    return g;
}

std::string MakeBmp() {
    const uint32_t rowBytes = (kWidth * 3 + 3) / 4 * 4;
    const uint32_t pixels = rowBytes * kHeight;
    std::string b("BM", 2);
    U32LE(b, 14 + 40 + pixels);
    U32LE(b, 0);
    U32LE(b, 14 + 40);
    U32LE(b, 40);
    U32LE(b, kWidth);
    U32LE(b, kHeight);
    U16LE(b, 1);
    U16LE(b, 24);
    U32LE(b, 0);  // BI_RGB
    U32LE(b, pixels);
    U32LE(b, 2835);
    U32LE(b, 2835);
    U32LE(b, 0);
    U32LE(b, 0);
    for (int y = kHeight - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < kWidth; ++x) {
            uint8_t r, g, bl;
            Pixel(x, y, &r, &g, &bl);
            row += static_cast<char>(bl);
            row += static_cast<char>(g);
            row += static_cast<char>(r);
        }
        row.resize(rowBytes, '\0');
        b += row;
    }
    return b;
}

std::string MakeCorruptPicture() {
    std::string s("\x89PNG\r\n\x1a\n", 8);
    s += "this is not a chunk, and not a picture either";
    return s;
}

}  // namespace mr::test
