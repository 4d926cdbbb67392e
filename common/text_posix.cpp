// The native build's active code page: Windows-1252, so that tests of ANSI
// files give the same result on every machine.
#include "common/text.h"

#include "common/ascii_block.h"


namespace mr {
namespace {

// 0x80-0x9F of Windows-1252. The five unassigned bytes map to their C1
// controls, as MultiByteToWideChar does for code page 1252.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Decode(unsigned char b) {
    return (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : b;
}

// Returns the byte for a unit, or -1 when code page 1252 has none.
int Encode(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u) return 0x80 + i;
    return -1;
}

}  // namespace

size_t AnsiToUtf16(const char* in, size_t n, char16_t* out, size_t capacity) {
    if (!out) return n;
    if (n > capacity) return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(in);
    size_t i = 0;
    // Blocks of plain ASCII widen without the table.
    for (; i + ascii::kBlock <= n; i += ascii::kBlock) {
        if (ascii::IsAsciiBlock(bytes + i)) {
            ascii::WidenBlock(bytes + i, out + i);
        } else {
            for (size_t k = 0; k < ascii::kBlock; ++k) out[i + k] = Decode(bytes[i + k]);
        }
    }
    for (; i < n; ++i) out[i] = Decode(bytes[i]);
    return n;
}

size_t Utf16ToAnsi(const char16_t* in, size_t n, char* out, size_t capacity, bool* usedDefault) {
    if (usedDefault) *usedDefault = false;
    if (!out) return n;
    if (n > capacity) return 0;
    for (size_t i = 0; i < n; ++i) {
        int b = Encode(in[i]);
        if (b < 0) {
            b = '?';
            if (usedDefault) *usedDefault = true;
        }
        out[i] = static_cast<char>(b);
    }
    return n;
}

}  // namespace mr
