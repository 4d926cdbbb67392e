#pragma once
// Shared by the text conversions: ASCII text is widened to UTF-16 a block at
// a time. The helpers take distinct buffers and a fixed length so that the
// compiler can turn them into vector code.

#include <cstddef>

namespace mr::ascii {

inline constexpr size_t kBlock = 32;

// True when none of the kBlock bytes has its high bit set.
inline bool IsAsciiBlock(const unsigned char* __restrict block) {
    unsigned char any = 0;
    for (size_t k = 0; k < kBlock; ++k) any |= block[k];
    return (any & 0x80) == 0;
}

// Widens kBlock ASCII bytes to UTF-16 units.
inline void WidenBlock(const unsigned char* __restrict block, char16_t* __restrict to) {
    for (size_t k = 0; k < kBlock; ++k) to[k] = block[k];
}

}  // namespace mr::ascii
