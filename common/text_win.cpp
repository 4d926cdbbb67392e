#include "common/text.h"

#include <windows.h>

#include <climits>

namespace mr {

size_t AnsiToUtf16(const char* in, size_t n, char16_t* out, size_t capacity) {
    if (n == 0) return 0;
    if (n > INT_MAX || capacity > INT_MAX) return 0;
    const int r = MultiByteToWideChar(CP_ACP, 0, in, static_cast<int>(n),
                                      reinterpret_cast<wchar_t*>(out),
                                      out ? static_cast<int>(capacity) : 0);
    return r > 0 ? static_cast<size_t>(r) : 0;
}

size_t Utf16ToAnsi(const char16_t* in, size_t n, char* out, size_t capacity, bool* usedDefault) {
    if (usedDefault) *usedDefault = false;
    if (n == 0) return 0;
    if (n > INT_MAX || capacity > INT_MAX) return 0;
    // No best fit: a character the code page lacks becomes its default
    // character (rather than a look-alike such as A for U+0100), and the
    // caller hears of it. A UTF-8 code page represents everything and takes
    // neither the flag nor the report.
    const bool utf8 = GetACP() == CP_UTF8;
    BOOL defaulted = FALSE;
    const int r = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(in),
                                      static_cast<int>(n), out, out ? static_cast<int>(capacity) : 0,
                                      nullptr, utf8 ? nullptr : &defaulted);
    if (usedDefault) *usedDefault = defaulted != FALSE;
    return r > 0 ? static_cast<size_t>(r) : 0;
}

}  // namespace mr
