#include "editor/frame/editor_settings.h"

#include <algorithm>

#include "common/settings.h"

namespace mr {
namespace {

constexpr char16_t kFallbackFace[] = u"Arial";

// Value names in the order they are written.
constexpr char16_t kWndLeft[] = u"WndLeft";
constexpr char16_t kWndTop[] = u"WndTop";
constexpr char16_t kWndRight[] = u"WndRight";
constexpr char16_t kWndBottom[] = u"WndBottom";
constexpr char16_t kTextPoint[] = u"TextPoint";
constexpr char16_t kLyricsPoint[] = u"LyricsPoint";
constexpr char16_t kSimpleMode[] = u"SimpleMode0";
constexpr char16_t kSlowDown[] = u"SlowDown";
constexpr char16_t kPreviewImage[] = u"PreviewImage";
constexpr char16_t kAntiAliased[] = u"AntiAliased";
constexpr const char16_t* kEditTextColor[2] = {u"EditTextColor0", u"EditTextColor1"};
constexpr const char16_t* kPreviewTextColor[2] = {u"PreviewTextColor0", u"PreviewTextColor1"};
constexpr const char16_t* kPreviewOutlineColor[2] = {u"PreviewTextOutlineColor0", u"PreviewTextOutlineColor1"};
constexpr const char16_t* kScopeColor[4] = {u"ScopeColor0", u"ScopeColor1", u"ScopeColor2", u"ScopeColor3"};
constexpr char16_t kTextBold[] = u"TextBold";
constexpr char16_t kLyricsBold[] = u"LyricsBold";
constexpr char16_t kTextItalic[] = u"TextItalic";
constexpr char16_t kLyricsItalic[] = u"LyricsItalic";
constexpr char16_t kTextCharSet[] = u"TextCharSet";
constexpr char16_t kLyricsCharSet[] = u"LyricsCharSet";
constexpr char16_t kTextFaceName[] = u"TextFaceName";
constexpr char16_t kLyricsFaceName[] = u"LyricsFaceName";

constexpr uint32_t kMaxColour = 0xFFFFFF;

// The window rectangle is kept only when it is big enough for the layout,
// fits the desktop and keeps at least 10 pixels of itself on it. Stored
// coordinates are signed (a window may sit left of or above the primary
// monitor); the arithmetic is 64-bit so that no stored value overflows it.
bool AcceptWindow(const ScreenRect& r, const ScreenRect& desk) {
    const int64_t w = int64_t{r.right} - r.left, h = int64_t{r.bottom} - r.top;
    return int64_t{r.left} < int64_t{desk.right} - 10 && int64_t{r.right} > int64_t{desk.left} + 10 &&
           int64_t{r.top} < int64_t{desk.bottom} - 10 && int64_t{r.bottom} > int64_t{desk.top} + 10 &&
           w >= kMinWindowWidth && w <= desk.Width() && h >= kMinWindowHeight && h <= desk.Height();
}

void ReadColour(const SettingsKey& key, const char16_t* name, uint32_t* colour) {
    uint32_t v = 0;
    if (key.ReadDword(name, &v) && v <= kMaxColour) *colour = v;
}

void ReadFlag(const SettingsKey& key, const char16_t* name, uint32_t* flag) {
    uint32_t v = 0;
    if (key.ReadDword(name, &v)) *flag = v;
}

void ReadPoint(const SettingsKey& key, const char16_t* name, int32_t low, int32_t high, int32_t dpi, int32_t* point,
               FontRecord* font) {
    uint32_t v = 0;
    if (!key.ReadDword(name, &v) || v < static_cast<uint32_t>(low) || v > static_cast<uint32_t>(high)) return;
    *point = static_cast<int32_t>(v);
    font->height = FontHeightFor(*point, dpi);
}

void ReadStyle(const SettingsKey& key, const char16_t* bold, const char16_t* italic, const char16_t* charSet,
               FontRecord* font) {
    uint32_t v = 0;
    if (key.ReadDword(bold, &v) && v >= 700) font->weight = 700;
    if (key.ReadDword(italic, &v) && v > 0) font->italic = 1;
    if (key.ReadDword(charSet, &v) && v < 256) font->charSet = static_cast<uint8_t>(v);
}

// The stored face stays only when it is terminated within its 64 bytes and
// an acceptable family of that name is installed; anything else (missing,
// of another type, unterminated, empty, not installed) gives "Arial" in
// character set 0.
void ReadFace(const SettingsKey& key, const char16_t* name, bool trueTypeOnly, SettingsEnvironment& env,
              FontRecord* font) {
    std::u16string face;
    if (key.ReadString(name, kFaceBytes, &face) && !face.empty() && face.size() < kFaceUnits) {
        FontRecord candidate = *font;
        candidate.face = face;
        if (env.HasFontFamily(candidate, trueTypeOnly)) {
            font->face = std::move(face);
            return;
        }
    }
    font->face = kFallbackFace;
    font->charSet = 0;
}

}  // namespace

size_t ScratchText::Assign(std::u16string_view text) {
    const size_t n = std::min(text.size(), kUnits - 1);
    std::copy_n(text.data(), n, buffer_);
    buffer_[n] = u'\0';
    return n;
}

int32_t FontHeightFor(int32_t tenthsOfPoint, int32_t dpi) {
    return static_cast<int32_t>(-(int64_t{tenthsOfPoint} * dpi / 720));
}

void ApplyEditorDefaults(EditorSettings* s, int32_t dpi, const ScreenRect& desktop) {
    const std::u16string lyricsPath = std::move(s->lyricsPath), audioPath = std::move(s->audioPath),
                         wavePath = std::move(s->wavePath);
    const int kind = s->lyricsKind, encoding = s->lyricsEncoding;
    *s = EditorSettings{};
    s->lyricsPath = lyricsPath;
    s->audioPath = audioPath;
    s->wavePath = wavePath;
    s->lyricsKind = kind;
    s->lyricsEncoding = encoding;
    s->dpi = dpi;
    s->window.left = desktop.left + (desktop.Width() - kDefaultWindowWidth) / 2;
    s->window.top = desktop.top + (desktop.Height() - kDefaultWindowHeight) / 2;
    s->window.right = s->window.left + kDefaultWindowWidth;
    s->window.bottom = s->window.top + kDefaultWindowHeight;
    s->textFont.face = u"Fixedsys";
    s->textFont.height = FontHeightFor(s->textPoint, dpi);
    s->lyricsFont.face = u"Impact";
    s->lyricsFont.height = FontHeightFor(s->lyricsPoint, dpi);
}

bool LoadEditorSettings(EditorSettings* s, SettingsEnvironment& env, std::u16string_view keyPath) {
    int32_t dpi = 96;
    ScreenRect desktop;
    if (!env.Screen(&dpi, &desktop)) {
        ApplyEditorDefaults(s, 96, ScreenRect{0, 0, 1024, 768});
        return false;
    }
    if (dpi <= 0) dpi = 96;
    ApplyEditorDefaults(s, dpi, desktop);
    const auto key = SettingsKey::Open(keyPath, false);
    if (!key) return true;

    uint32_t wnd[4];
    if (key->ReadDword(kWndLeft, &wnd[0]) && key->ReadDword(kWndTop, &wnd[1]) && key->ReadDword(kWndRight, &wnd[2]) &&
        key->ReadDword(kWndBottom, &wnd[3])) {
        const ScreenRect r{static_cast<int32_t>(wnd[0]), static_cast<int32_t>(wnd[1]), static_cast<int32_t>(wnd[2]),
                           static_cast<int32_t>(wnd[3])};
        if (AcceptWindow(r, desktop)) s->window = r;
    }
    ReadPoint(*key, kTextPoint, 60, 180, dpi, &s->textPoint, &s->textFont);
    ReadPoint(*key, kLyricsPoint, 60, 720, dpi, &s->lyricsPoint, &s->lyricsFont);
    ReadFlag(*key, kSimpleMode, &s->simpleMode);
    ReadFlag(*key, kSlowDown, &s->slowDown);
    ReadFlag(*key, kPreviewImage, &s->previewImage);
    ReadFlag(*key, kAntiAliased, &s->antiAliased);
    for (int i = 0; i < 2; ++i) {
        ReadColour(*key, kEditTextColor[i], &s->editTextColor[i]);
        ReadColour(*key, kPreviewTextColor[i], &s->previewTextColor[i]);
        ReadColour(*key, kPreviewOutlineColor[i], &s->previewOutlineColor[i]);
    }
    for (int i = 0; i < 4; ++i) ReadColour(*key, kScopeColor[i], &s->scopeColor[i]);
    ReadStyle(*key, kTextBold, kTextItalic, kTextCharSet, &s->textFont);
    ReadStyle(*key, kLyricsBold, kLyricsItalic, kLyricsCharSet, &s->lyricsFont);
    // Any installed family will do for the text pane; the preview rasterises
    // outlines, so its face must be TrueType.
    ReadFace(*key, kTextFaceName, false, env, &s->textFont);
    ReadFace(*key, kLyricsFaceName, true, env, &s->lyricsFont);
    return true;
}

bool SaveEditorSettings(const EditorSettings& s, const ScreenRect& window, std::u16string_view keyPath) {
    const auto key = SettingsKey::Open(keyPath, true);
    if (!key) return false;
    bool ok = true;
    auto dword = [&](const char16_t* name, uint32_t v) { ok = key->WriteDword(name, v) && ok; };
    dword(kWndLeft, static_cast<uint32_t>(window.left));
    dword(kWndTop, static_cast<uint32_t>(window.top));
    dword(kWndRight, static_cast<uint32_t>(window.right));
    dword(kWndBottom, static_cast<uint32_t>(window.bottom));
    dword(kTextPoint, static_cast<uint32_t>(s.textPoint));
    dword(kLyricsPoint, static_cast<uint32_t>(s.lyricsPoint));
    dword(kSimpleMode, s.simpleMode);
    dword(kSlowDown, s.slowDown);
    dword(kPreviewImage, s.previewImage);
    dword(kAntiAliased, s.antiAliased);
    for (int i = 0; i < 2; ++i) dword(kEditTextColor[i], s.editTextColor[i]);
    for (int i = 0; i < 2; ++i) dword(kPreviewTextColor[i], s.previewTextColor[i]);
    for (int i = 0; i < 2; ++i) dword(kPreviewOutlineColor[i], s.previewOutlineColor[i]);
    for (int i = 0; i < 4; ++i) dword(kScopeColor[i], s.scopeColor[i]);
    dword(kTextBold, static_cast<uint32_t>(s.textFont.weight));
    dword(kLyricsBold, static_cast<uint32_t>(s.lyricsFont.weight));
    dword(kTextItalic, s.textFont.italic);
    dword(kLyricsItalic, s.lyricsFont.italic);
    dword(kTextCharSet, s.textFont.charSet);
    dword(kLyricsCharSet, s.lyricsFont.charSet);
    ok = key->WriteString(kTextFaceName, s.textFont.face) && ok;
    ok = key->WriteString(kLyricsFaceName, s.lyricsFont.face) && ok;
    return ok;
}

ScreenRect PlacementToScreen(const ScreenRect& normal, const ScreenRect& workArea, const ScreenRect& monitor) {
    const int32_t dx = workArea.left - monitor.left, dy = workArea.top - monitor.top;
    return ScreenRect{normal.left + dx, normal.top + dy, normal.right + dx, normal.bottom + dy};
}

}  // namespace mr
