#include "lyrics/lrc_tags.h"

#include "lyrics/unit_scan.h"

namespace mr {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
int Digit(char16_t c) { return c - u'0'; }
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// A bracketed run open..close with a ":" between them.
struct Bracketed {
    uint32_t open, colon, close;
};

// The shared scan: at each `close` unit r, the nearest `open` from r - 2 back
// to the search start, then the first ":" after it; a run without both moves
// the search start past r. Every unit is visited a bounded number of times.
template <char16_t open, char16_t close>
inline bool FindBracketed(const char16_t* p, uint32_t n, uint32_t from, Bracketed* out) {
    uint32_t searchStart = from;
    for (uint32_t r = FindUnit(p, from, n, close); r < n; r = FindUnit(p, r + 1, n, close)) {
        if (r >= searchStart + 2) {
            uint32_t l = r - 2;
            for (;;) {
                if (p[l] == open) break;
                if (l == searchStart) break;
                --l;
            }
            if (p[l] == open) {
                for (uint32_t c = l + 1; c < r; ++c) {
                    if (p[c] == u':') {
                        *out = Bracketed{l, c, r};
                        return true;
                    }
                }
            }
        }
        searchStart = r + 1;
    }
    return false;
}

// Time of the value after the two minute digits m at p[colon - 2..colon):
// ":ss", ":ss.xx" or ":ss.xxx" (value = p[colon, close)). `withoutFraction`
// allows the first form. -1 when the value has none of the forms.
int32_t ParseTime(const char16_t* p, uint32_t colon, uint32_t close, bool withoutFraction) {
    const uint32_t n = close - colon;
    const char16_t* v = p + colon;
    if (!(n == 7 || n == 6 || (withoutFraction && n == 3))) return -1;
    if (!IsDigit(v[1]) || !IsDigit(v[2])) return -1;
    int32_t fraction = 0;
    if (n >= 6) {
        if (v[3] != u'.' || !IsDigit(v[4]) || !IsDigit(v[5])) return -1;
        fraction = Digit(v[4]) * 100 + Digit(v[5]) * 10;
        if (n == 7) {
            if (!IsDigit(v[6])) return -1;
            fraction += Digit(v[6]);
        }
    }
    const int32_t minutes = Digit(p[colon - 2]) * 10 + Digit(p[colon - 1]);
    const int32_t seconds = Digit(v[1]) * 10 + Digit(v[2]);
    return minutes * 60000 + seconds * 1000 + fraction;
}

}  // namespace

LrcTag ParseLrcTag(const char16_t* units, uint32_t count) {
    LrcTag tag;
    Bracketed b;
    if (!FindBracketed<u'[', u']'>(units, count, 0, &b)) return tag;
    tag.start = b.open;
    tag.colon = b.colon;
    tag.end = b.close;
    tag.kind = kLrcUnknown;
    const uint32_t keyLength = b.colon - b.open - 1;
    if (keyLength == 0) {
        if (b.close == b.colon + 1) tag.kind = kLrcEmpty;
        return tag;
    }
    if (keyLength != 2) return tag;
    const char16_t k1 = units[b.open + 1], k2 = units[b.open + 2];
    if (IsDigit(k1) && IsDigit(k2)) {
        const int32_t t = ParseTime(units, b.colon, b.close, true);
        if (t >= 0) {
            tag.kind = kLrcTime;
            tag.timeMs = t;
        }
        return tag;
    }
    const char16_t a = Lower(k1), c = Lower(k2);
    if (a == u't' && c == u'i') tag.kind = kLrcTitle;
    else if (a == u'a' && c == u'l') tag.kind = kLrcAlbum;
    else if (a == u'a' && c == u'r') tag.kind = kLrcArtist;
    else if (a == u'l' && c == u'a') tag.kind = kLrcLanguage;
    else if (a == u'b' && c == u'y') tag.kind = kLrcAuthor;
    return tag;
}

bool ParseWordStamp(const char16_t* units, uint32_t count, LrcWordStamp* stamp) {
    Bracketed b;
    for (uint32_t from = 0; FindBracketed<u'<', u'>'>(units, count, from, &b); from = b.close + 1) {
        if (b.colon - b.open != 3 || !IsDigit(units[b.open + 1]) || !IsDigit(units[b.open + 2])) continue;
        const int32_t t = ParseTime(units, b.colon, b.close, false);
        if (t < 0) continue;
        *stamp = LrcWordStamp{b.open, b.close, t};
        return true;
    }
    return false;
}

}  // namespace mr
