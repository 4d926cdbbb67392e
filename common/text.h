#pragma once
// Text conversion between UTF-16 (the system's internal text) and the byte
// encodings of files: UTF-8 and the active ANSI code page. In the native build
// the active code page is Windows-1252, so results are deterministic.

#include <cstddef>
#include <string>
#include <string_view>

namespace mr {

// Counted conversions in the style of MultiByteToWideChar: with `out` null
// they return the number of units the result needs; otherwise they write at
// most `capacity` units and return the count written, or 0 when it does not
// fit. Nothing is NUL-terminated. Invalid input never fails: malformed UTF-8
// and unpaired surrogates become U+FFFD.
size_t Utf8ToUtf16(const char* in, size_t n, char16_t* out, size_t capacity);
size_t Utf16ToUtf8(const char16_t* in, size_t n, char* out, size_t capacity);

// Active code page. Bytes without a mapping become U+FFFD (the native table
// leaves the five unassigned bytes of Windows-1252 on their C1 controls, as
// Windows does). Characters the code page lacks become `defaultChar` ('?');
// *usedDefault (optional) is set when that happened.
size_t AnsiToUtf16(const char* in, size_t n, char16_t* out, size_t capacity);
size_t Utf16ToAnsi(const char16_t* in, size_t n, char* out, size_t capacity,
                   bool* usedDefault = nullptr);

// Convenience wrappers for short strings (paths, messages, tests).
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);
std::u16string AnsiToUtf16(std::string_view s);
std::string Utf16ToAnsi(std::u16string_view s, bool* usedDefault = nullptr);

}  // namespace mr
