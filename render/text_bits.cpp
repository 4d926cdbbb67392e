#include "render/text_bits.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace mr {

static_assert(std::endian::native == std::endian::little, "the bit work assumes a little-endian host");

bool ComputeCellGeometry(int32_t spaceHeight, int32_t areaWidth, bool antiAliased,
                         TextCellGeometry* out) {
    if (spaceHeight <= 0 || spaceHeight > kMaxSpaceHeight || areaWidth <= 0 ||
        areaWidth > kMaxTextAreaWidth) {
        return false;
    }
    TextCellGeometry g;
    g.antiAliased = antiAliased;
    if (antiAliased) {
        g.cellHeight = (spaceHeight + 3) / 4 * 4 + 16;
        g.lineHeight = g.cellHeight / 4;
    } else {
        g.cellHeight = spaceHeight + 4;
        g.lineHeight = g.cellHeight;
    }
    const int32_t scaled = antiAliased ? areaWidth * 4 : areaWidth;
    g.bitmapWidth = (scaled + 31) / 32 * 32 + 2 * kTextMarginPixels;
    g.bitmapRows = 2 * g.cellHeight;
    g.stride = g.bitmapWidth / 8;
    g.textX = kTextMarginPixels;
    g.textY = antiAliased ? 8 : 2;
    *out = g;
    return true;
}

namespace {

constexpr int kHalfWidthAA[9] = {8, 8, 8, 7, 7, 6, 5, 4, 2};
constexpr int kHalfWidthPlain[3] = {2, 2, 1};

// For each half-width 0..8 and byte value: the byte's pixels widened by that
// many pixels each way, as 24 bits over (previous byte, the byte, next byte),
// most significant bit leftmost.
struct SpreadTables {
    uint32_t bits[9][256];
};

constexpr SpreadTables MakeSpreadTables() {
    SpreadTables t{};
    for (int hw = 0; hw <= 8; ++hw) {
        for (int v = 0; v < 256; ++v) {
            uint32_t r = 0;
            for (int p = 0; p < 8; ++p) {
                if (v & (0x80 >> p)) {
                    for (int q = 8 + p - hw; q <= 8 + p + hw; ++q) {
                        r |= 1u << (23 - q);
                    }
                }
            }
            t.bits[hw][v] = r;
        }
    }
    return t;
}

constexpr SpreadTables kSpread = MakeSpreadTables();

// The four bytes of one word widened: 48 bits over bytes -1 .. 4 of the word.
inline uint64_t Widen(const uint8_t* b, int halfWidth) {
    const uint32_t* t = kSpread.bits[halfWidth];
    return (uint64_t{t[b[0]]} << 24) | (uint64_t{t[b[1]]} << 16) | (uint64_t{t[b[2]]} << 8) |
           uint64_t{t[b[3]]};
}

// ORs a Widen result into the row bytes around `word` (bytes -1 .. 4), through
// one 8-byte access that starts two bytes before the word.
inline void OrAround(uint8_t* word, uint64_t widened) {
    uint64_t v;
    std::memcpy(&v, word - 2, 8);
    v |= __builtin_bswap64(widened << 8);
    std::memcpy(word - 2, &v, 8);
}

inline uint32_t LoadWord(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

}  // namespace

void DilateOutline(uint8_t* bits, int32_t stride, int32_t cellHeight, bool antiAliased) {
    const int reach = antiAliased ? 8 : 2;
    const int* half = antiAliased ? kHalfWidthAA : kHalfWidthPlain;
    const int32_t firstRow = reach;
    const int32_t endRow = cellHeight - reach;  // rows firstRow .. endRow - 1
    const int32_t words = stride / 4;
    if (endRow <= firstRow || words < 3) {
        return;
    }
    for (int32_t y = firstRow; y < endRow; ++y) {
        const uint8_t* src = bits + ptrdiff_t{y} * stride;
        uint8_t* dest = bits + ptrdiff_t{y + cellHeight} * stride;
        for (int32_t wd = 1; wd < words - 1; ++wd) {
            const uint8_t* b = src + 4 * wd;
            const uint32_t w = LoadWord(b);
            if (w == 0) {
                continue;
            }
            // A word whose pixels all appear in the word above is covered
            // upwards by that word's disc (the half-widths never grow with
            // distance); likewise downwards with the word below. Its own row
            // still needs widening.
            const bool up = y == firstRow || (w & ~LoadWord(b - stride)) != 0;
            const bool down = y + 1 == endRow || (w & ~LoadWord(b + stride)) != 0;
            uint8_t* centre = dest + 4 * wd;
            uint64_t widened = Widen(b, half[0]);
            OrAround(centre, widened);
            if (!up && !down) {
                continue;
            }
            for (int k = 1; k <= reach; ++k) {
                if (half[k] != half[k - 1]) {
                    widened = Widen(b, half[k]);
                }
                if (up) {
                    OrAround(centre - ptrdiff_t{k} * stride, widened);
                }
                if (down) {
                    OrAround(centre + ptrdiff_t{k} * stride, widened);
                }
            }
        }
    }
}

namespace {

// Set bits of the high nibble (leftmost four pixels) in the low byte, of the
// low nibble in the high byte: four rows of a byte add up without carries.
constexpr std::array<uint16_t, 256> MakeNibbleCounts() {
    std::array<uint16_t, 256> t{};
    for (int v = 0; v < 256; ++v) {
        t[v] = static_cast<uint16_t>(std::popcount(static_cast<unsigned>(v >> 4)) |
                                     (std::popcount(static_cast<unsigned>(v & 15)) << 8));
    }
    return t;
}
constexpr std::array<uint16_t, 256> kNibbleCounts = MakeNibbleCounts();

constexpr std::array<uint8_t, 17> MakeCoverageAlpha() {
    std::array<uint8_t, 17> t{};
    for (int k = 0; k < 16; ++k) {
        t[k] = static_cast<uint8_t>(16 * k);
    }
    t[16] = 255;
    return t;
}
constexpr std::array<uint8_t, 17> kCoverageAlpha = MakeCoverageAlpha();

// Eight coverage bytes (leftmost pixel first in memory) for each bitmap byte.
constexpr std::array<uint64_t, 256> MakeExpand() {
    std::array<uint64_t, 256> t{};
    for (int v = 0; v < 256; ++v) {
        uint64_t r = 0;
        for (int p = 0; p < 8; ++p) {
            if (v & (0x80 >> p)) {
                r |= uint64_t{0xFF} << (8 * p);
            }
        }
        t[v] = r;
    }
    return t;
}
constexpr std::array<uint64_t, 256> kExpand = MakeExpand();

void ReduceAntiAliased(const uint8_t* bits, int32_t stride, int32_t rows, int32_t width,
                       uint8_t* out, ptrdiff_t pitch) {
    const int32_t margin = kTextMarginPixels / 8;
    const int32_t pairs = width / 2;
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* r0 = bits + ptrdiff_t{4 * y} * stride + margin;
        const uint8_t* r1 = r0 + stride;
        const uint8_t* r2 = r1 + stride;
        const uint8_t* r3 = r2 + stride;
        uint8_t* o = out + ptrdiff_t{y} * pitch;
        int32_t j = 0;
        for (; j + 4 <= pairs; j += 4) {
            if ((LoadWord(r0 + j) | LoadWord(r1 + j) | LoadWord(r2 + j) | LoadWord(r3 + j)) == 0) {
                std::memset(o + 2 * j, 0, 8);
                continue;
            }
            for (int32_t q = j; q < j + 4; ++q) {
                const unsigned s = kNibbleCounts[r0[q]] + kNibbleCounts[r1[q]] +
                                   kNibbleCounts[r2[q]] + kNibbleCounts[r3[q]];
                o[2 * q] = kCoverageAlpha[s & 0xFF];
                o[2 * q + 1] = kCoverageAlpha[s >> 8];
            }
        }
        for (; j < pairs; ++j) {
            const unsigned s = kNibbleCounts[r0[j]] + kNibbleCounts[r1[j]] + kNibbleCounts[r2[j]] +
                               kNibbleCounts[r3[j]];
            o[2 * j] = kCoverageAlpha[s & 0xFF];
            o[2 * j + 1] = kCoverageAlpha[s >> 8];
        }
        if (width & 1) {
            const unsigned s = kNibbleCounts[r0[j]] + kNibbleCounts[r1[j]] + kNibbleCounts[r2[j]] +
                               kNibbleCounts[r3[j]];
            o[2 * j] = kCoverageAlpha[s & 0xFF];
        }
    }
}

void ReducePlain(const uint8_t* bits, int32_t stride, int32_t rows, int32_t width, uint8_t* out,
                 ptrdiff_t pitch) {
    const int32_t margin = kTextMarginPixels / 8;
    const int32_t whole = width / 8;
    const int32_t tail = width % 8;
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* r = bits + ptrdiff_t{y} * stride + margin;
        uint8_t* o = out + ptrdiff_t{y} * pitch;
        for (int32_t j = 0; j < whole; ++j) {
            std::memcpy(o + 8 * j, &kExpand[r[j]], 8);
        }
        if (tail) {
            std::memcpy(o + 8 * whole, &kExpand[r[whole]], static_cast<size_t>(tail));
        }
    }
}

}  // namespace

void ReduceToCoverage(const uint8_t* bits, int32_t stride, int32_t cellHeight, bool antiAliased,
                      int32_t width, uint8_t* out, ptrdiff_t pitch) {
    if (width <= 0 || cellHeight <= 0) {
        return;
    }
    if (antiAliased) {
        ReduceAntiAliased(bits, stride, 2 * cellHeight / 4, width, out, pitch);
    } else {
        ReducePlain(bits, stride, 2 * cellHeight, width, out, pitch);
    }
}

void BuildGradientRows(uint32_t top, uint32_t bottom, int32_t topPercent, int32_t bottomPercent,
                       int32_t lineHeight, uint32_t* rows) {
    if (lineHeight <= 0) {
        return;
    }
    const int32_t a = std::clamp(topPercent, 0, 50);
    const int32_t b = std::clamp(bottomPercent, 0, 50);
    const int32_t first = lineHeight * a / 100;            // first ramp row
    const int32_t bottomStart = lineHeight - lineHeight * b / 100;
    const int32_t last = bottomStart - 1;                  // last ramp row
    const uint32_t topArgb = OpaqueArgb(top);
    const uint32_t bottomArgb = OpaqueArgb(bottom);
    for (int32_t i = 0; i < lineHeight; ++i) {
        uint32_t c;
        if (i < first) {
            c = topArgb;
        } else if (i > last) {
            c = bottomArgb;
        } else if (last == first) {
            c = bottomArgb;  // a single row between the solid parts
        } else {
            const int32_t k = last - first;
            c = 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int32_t t = static_cast<int32_t>((topArgb >> shift) & 0xFF);
                const int32_t u = static_cast<int32_t>((bottomArgb >> shift) & 0xFF);
                // Truncation towards zero is truncation towards the top value.
                const int32_t v = t + (u - t) * (i - first) / k;
                c |= static_cast<uint32_t>(v) << shift;
            }
        }
        rows[i] = c;
    }
}

}  // namespace mr
