#pragma once
// Decoding of a text file's bytes (LRC and plain text) into UTF-16, with the
// encoding that was recognised by its byte order mark or, without one, by
// whether the bytes are UTF-8.

#include <cstdint>

namespace mr {

// Text encodings of lyrics files; also the codes the LRC writer takes.
enum TextEncoding : int {
    kEncodingAnsi = 1,     // the active code page: no mark, not UTF-8
    kEncodingUtf8 = 2,     // EF BB BF, or no mark and well-formed UTF-8
    kEncodingUtf16LE = 3,  // FF FE
    kEncodingUtf16BE = 4,  // FE FF
};

// Decoded units of a text file. They begin with one byte order mark unit
// U+FEFF, which the readers skip. UTF-16 files are decoded in the file's own
// buffer (big-endian ones are byte-swapped there); ANSI and UTF-8 files are
// converted into a copy that this object owns and frees.
class DecodedLyricsText {
public:
    DecodedLyricsText() = default;
    ~DecodedLyricsText();
    DecodedLyricsText(const DecodedLyricsText&) = delete;
    DecodedLyricsText& operator=(const DecodedLyricsText&) = delete;

    // The units, mark included; writable so that readers may clean in place.
    char16_t* Units() const { return units_; }
    uint32_t Count() const { return count_; }

private:
    friend bool DecodeLyricsText(uint8_t*, uint32_t, DecodedLyricsText*, int*);
    char16_t* units_ = nullptr;
    uint32_t count_ = 0;
    char16_t* owned_ = nullptr;
};

// Decodes `size` bytes of a file: FF FE UTF-16LE (an odd last byte is
// ignored), FE FF UTF-16BE (swapped in place in `bytes`), EF BB BF UTF-8
// (malformed sequences become U+FFFD). Without a mark, bytes that are all
// well-formed UTF-8 (no overlong forms, surrogates or code points above
// U+10FFFF) with at least one multi-byte sequence are UTF-8; anything else,
// pure ASCII included, is ANSI. `bytes` must be 2-byte aligned (UTF-16 is
// read in place) and stay alive and unchanged while `out` is used. *encoding
// (optional) receives the TextEncoding. False only when the copy cannot be
// allocated.
// An empty file gives no units at all.
bool DecodeLyricsText(uint8_t* bytes, uint32_t size, DecodedLyricsText* out, int* encoding);

}  // namespace mr
