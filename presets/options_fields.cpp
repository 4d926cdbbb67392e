#include "presets/options_fields.h"

namespace mr {
namespace {

// Leading blanks, an optional sign, then digits; stops at the first other
// character. Saturates instead of overflowing. False when no digit is found.
bool ParseDecimal(std::u16string_view text, int64_t* out) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    int64_t v = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        any = true;
        if (v < 1000000000000LL) v = v * 10 + (text[i] - u'0');
    }
    *out = negative ? -v : v;
    return any;
}

int32_t Clamp(int64_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : static_cast<int32_t>(v); }

}  // namespace

int32_t ParseOffsetField(std::u16string_view text) {
    int64_t v = 0;
    if (!ParseDecimal(text, &v)) return 0;
    return Clamp(v, 0, kPresetOffsetMax);
}

int32_t ParseDelayField(std::u16string_view text) {
    int64_t v = 0;
    if (!ParseDecimal(text, &v)) return 0;
    return Clamp(v, kPresetDelayMin, kPresetDelayMax);
}

int32_t ParseGradientField(std::u16string_view text) {
    int64_t v = 0;
    if (!ParseDecimal(text, &v)) return 0;
    return Clamp(v, 0, kPresetGradientMax);
}

int32_t ClampTextPoint(int32_t tenths) { return Clamp(tenths, kPresetTextPointMin, kPresetTextPointMax); }

std::u16string FontStyleText(const PresetFont& font) {
    const bool bold = font.lfWeight >= kPresetBoldWeight;
    if (bold && font.lfItalic) return u"Bold Italic";
    if (bold) return u"Bold";
    if (font.lfItalic) return u"Italic";
    return u"Regular";
}

std::u16string FontSizeText(int32_t textPoint) {
    std::u16string s = DecimalText(textPoint / 10);
    if (textPoint % 10) {
        s.push_back(u'.');
        s += DecimalText((textPoint < 0 ? -textPoint : textPoint) % 10);
    }
    return s;
}

std::u16string DefaultPresetName(int index) { return u"Preset #" + DecimalText(index + 1); }

std::u16string DecimalText(int64_t value) {
    if (value == 0) return u"0";
    std::u16string s;
    const bool negative = value < 0;
    uint64_t u = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    while (u) {
        s.insert(s.begin(), static_cast<char16_t>(u'0' + u % 10));
        u /= 10;
    }
    if (negative) s.insert(s.begin(), u'-');
    return s;
}

}  // namespace mr
