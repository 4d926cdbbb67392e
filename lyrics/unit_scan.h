#pragma once
// Fast forward scans over UTF-16 units for the text readers, four units at a
// time in a 64-bit word (no platform intrinsics).

#include <cstdint>
#include <cstring>

namespace mr {

namespace unit_scan {
inline constexpr uint64_t kOnes = 0x0001000100010001ull;
inline constexpr uint64_t kHighs = 0x8000800080008000ull;
inline uint64_t Load4(const char16_t* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}
}  // namespace unit_scan

// Position of the first unit equal to c in p[from, n), or n.
inline uint32_t FindUnit(const char16_t* p, uint32_t from, uint32_t n, char16_t c) {
    using namespace unit_scan;
    const uint64_t pattern = kOnes * c;
    uint32_t i = from;
    for (; n - i >= 4 && i < n; i += 4) {
        const uint64_t x = Load4(p + i) ^ pattern;
        if ((x - kOnes) & ~x & kHighs) break;  // some unit is zero, i.e. equal to c
    }
    for (; i < n; ++i)
        if (p[i] == c) return i;
    return n;
}

// Position of the first CR, LF or NUL in p[from, n), or n. *markEnd receives
// the position after the last unit equal to `mark` before it (`from` when
// there is none), so that a caller looking for tags closed by `mark` can stop
// there.
inline uint32_t FindLineBreak(const char16_t* p, uint32_t from, uint32_t n, char16_t mark, uint32_t* markEnd) {
    using namespace unit_scan;
    const uint64_t pattern = kOnes * mark;
    uint32_t end = from;
    uint32_t i = from;
    while (i < n) {
        for (; n - i >= 4; i += 4) {
            const uint64_t w = Load4(p + i);
            const uint64_t x = w ^ pattern;
            // Some unit is below 14 or equal to the mark.
            if (((w - kOnes * 14) & ~w & kHighs) | ((x - kOnes) & ~x & kHighs)) break;
        }
        const uint32_t stop = n - i >= 4 ? i + 4 : n;
        for (; i < stop; ++i) {
            const char16_t c = p[i];
            if (c == mark) {
                end = i + 1;
            } else if (c == u'\r' || c == u'\n' || c == u'\0') {
                *markEnd = end;
                return i;
            }
        }
    }
    *markEnd = end;
    return n;
}

}  // namespace mr
