#include "editor/frame/editor_options.h"

#include <algorithm>

namespace mr {
namespace {

constexpr uint32_t kColourMask = 0xFFFFFF;

bool StoreCut(std::u16string* field, std::u16string_view text) {
    const std::u16string_view kept = text.substr(0, std::min(text.size(), kInformationFieldUnits));
    if (*field == kept) return false;
    field->assign(kept);
    return true;
}

void ClampFont(FontRecord* font, int32_t* point, int32_t low, int32_t high, int32_t dpi) {
    *point = std::clamp(*point, low, high);
    font->height = FontHeightFor(*point, dpi);
    font->weight = font->weight >= 700 ? 700 : 400;
    font->italic = font->italic ? 1 : 0;
    if (font->face.size() >= kFaceUnits) font->face.resize(kFaceUnits - 1);
    if (font->face.empty()) {
        font->face = u"Arial";
        font->charSet = 0;
    }
}

// Every field the Options dialog edits, for comparing and copying.
template <typename A, typename B, typename F>
void ForEachAppearance(A& a, B& b, F f) {
    f(a.textPoint, b.textPoint);
    f(a.lyricsPoint, b.lyricsPoint);
    f(a.antiAliased, b.antiAliased);
    for (int i = 0; i < 2; ++i) {
        f(a.editTextColor[i], b.editTextColor[i]);
        f(a.previewTextColor[i], b.previewTextColor[i]);
        f(a.previewOutlineColor[i], b.previewOutlineColor[i]);
    }
    for (int i = 0; i < 4; ++i) f(a.scopeColor[i], b.scopeColor[i]);
    f(a.textFont, b.textFont);
    f(a.lyricsFont, b.lyricsFont);
}

}  // namespace

bool ApplyInformation(SaveFields* fields, std::u16string_view title, std::u16string_view artist,
                      std::u16string_view album) {
    bool changed = StoreCut(&fields->title, title);
    changed |= StoreCut(&fields->artist, artist);
    changed |= StoreCut(&fields->album, album);
    return changed;
}

void ResetEditorAppearance(EditorSettings* s) {
    EditorSettings defaults;
    ApplyEditorDefaults(&defaults, s->dpi, ScreenRect{0, 0, kDefaultWindowWidth, kDefaultWindowHeight});
    CopyEditorAppearance(defaults, s);
}

void ClampEditorAppearance(EditorSettings* s) {
    ClampFont(&s->textFont, &s->textPoint, kTextPointMin, kTextPointMax, s->dpi);
    ClampFont(&s->lyricsFont, &s->lyricsPoint, kLyricsPointMin, kLyricsPointMax, s->dpi);
    s->antiAliased = s->antiAliased ? 1 : 0;
    for (uint32_t& c : s->editTextColor) c &= kColourMask;
    for (uint32_t& c : s->previewTextColor) c &= kColourMask;
    for (uint32_t& c : s->previewOutlineColor) c &= kColourMask;
    for (uint32_t& c : s->scopeColor) c &= kColourMask;
}

bool AppearanceDiffers(const EditorSettings& a, const EditorSettings& b) {
    bool differs = false;
    ForEachAppearance(a, b, [&differs](const auto& x, const auto& y) { differs |= !(x == y); });
    return differs;
}

void CopyEditorAppearance(const EditorSettings& from, EditorSettings* to) {
    ForEachAppearance(from, *to, [](const auto& x, auto& y) { y = x; });
}

bool ParsePointSize(std::u16string_view text, int32_t* tenths) {
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    int32_t whole = 0, digits = 0, tenth = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (++digits > 4) return false;  // no font is that large; keeps the sum in range
        whole = whole * 10 + (text[i] - u'0');
    }
    if (digits == 0) return false;
    if (i < text.size()) {
        if (text[i] != u'.' && text[i] != u',') return false;
        ++i;
        if (i < text.size()) {
            if (text[i] < u'0' || text[i] > u'9') return false;
            tenth = text[i] - u'0';
            ++i;
        }
        if (i != text.size()) return false;
    }
    *tenths = whole * 10 + tenth;
    return true;
}

std::u16string FormatPointSize(int32_t tenths) {
    if (tenths < 0) tenths = 0;
    std::u16string out;
    for (int32_t whole = tenths / 10;; whole /= 10) {
        out.insert(out.begin(), static_cast<char16_t>(u'0' + whole % 10));
        if (whole < 10) break;
    }
    if (tenths % 10) {
        out += u'.';
        out += static_cast<char16_t>(u'0' + tenths % 10);
    }
    return out;
}

}  // namespace mr
