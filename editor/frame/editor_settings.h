#pragma once
// EditorSettings: the editor's appearance and behaviour switches, one record
// per editor instance, owned by the main frame. Filled with defaults, then
// overlaid with the values stored under the current user's
// "Software\Mirelto\Editor" key when the main window is created, and written
// back when the editor closes. The record also carries the editor's current
// file paths and a scratch buffer for strings loaded from the resources.
//
// Portable: the screen (dpi, desktop rectangle) and the installed fonts are
// asked through SettingsEnvironment, so the rules are tested without a
// display; the Windows build answers them with GDI.

#include <cstdint>
#include <string>
#include <string_view>

namespace mr {

inline constexpr char16_t kEditorSettingsKey[] = u"Software\\Mirelto\\Editor";

// A rectangle in screen pixels; right and bottom are exclusive.
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const ScreenRect&) const = default;
};

// The logical-font fields the editor keeps; every other field of the
// platform's logical font is 0.
struct FontRecord {
    int32_t height = 0;    // pixels, negative: character height
    int32_t weight = 400;  // 400 normal, 700 bold
    uint8_t italic = 0;
    uint8_t charSet = 0;
    std::u16string face;   // at most kFaceUnits − 1 units
    bool operator==(const FontRecord&) const = default;
};

// Face names are stored in at most 64 bytes: 31 units and the terminator.
inline constexpr uint32_t kFaceBytes = 64;
inline constexpr size_t kFaceUnits = kFaceBytes / 2;

// The smallest main window the layout works in (also the window's minimum
// tracking size), and the size of a first run's window.
inline constexpr int32_t kMinWindowWidth = 556;
inline constexpr int32_t kMinWindowHeight = 386;
inline constexpr int32_t kDefaultWindowWidth = 760;
inline constexpr int32_t kDefaultWindowHeight = 540;

// A fixed buffer for strings loaded from the resources: 519 units, of which
// at most 518 hold text so that the terminator always fits.
class ScratchText {
public:
    static constexpr size_t kUnits = 519;
    // Copies at most kUnits − 1 units of `text` and terminates; returns the
    // units kept.
    size_t Assign(std::u16string_view text);
    const char16_t* c_str() const { return buffer_; }
    char16_t* data() { return buffer_; }
    std::u16string_view view() const { return std::u16string_view(buffer_); }

private:
    char16_t buffer_[kUnits] = {};
};

class SettingsEnvironment {
public:
    virtual ~SettingsEnvironment() = default;
    // The screen's vertical pixels per logical inch and the desktop
    // rectangle; false when no screen device context can be had.
    virtual bool Screen(int32_t* dpi, ScreenRect* desktop) = 0;
    // True when a font family named font.face is installed in font.charSet
    // (DEFAULT_CHARSET 1 matches any); with trueTypeOnly only TrueType
    // families count.
    virtual bool HasFontFamily(const FontRecord& font, bool trueTypeOnly) = 0;
};

// The environment of this build: GDI on Windows; natively a 1024 × 768
// desktop at 96 dpi on which every face is installed.
SettingsEnvironment& SystemSettingsEnvironment();

struct EditorSettings {
    ScreenRect window;           // normal-position rectangle, screen pixels
    int32_t textPoint = 120;     // edit-text font size, tenths of a point
    int32_t lyricsPoint = 240;   // preview font size, tenths of a point
    uint32_t simpleMode = 0;     // File > Mode > Simple checked when > 0
    uint32_t slowDown = 0;
    uint32_t previewImage = 1;
    uint32_t antiAliased = 1;
    uint32_t editTextColor[2] = {0xFFA020, 0x20A0FF};  // COLORREF 0x00BBGGRR
    uint32_t previewTextColor[2] = {0xFFFFFF, 0x109000};
    uint32_t previewOutlineColor[2] = {0xC0C0C0, 0xE0E0E0};
    uint32_t scopeColor[4] = {0xFFCC00, 0x00CCFF, 0xD8D8D8, 0x8080FF};
    FontRecord textFont;
    FontRecord lyricsFont;
    int32_t dpi = 96;  // at load time; the fonts' heights follow from it

    // Not persisted: the current files.
    std::u16string lyricsPath;  // the open lyrics file ("" for a new one)
    int lyricsKind = 0;         // its LyricsFileKind
    int lyricsEncoding = 0;     // TextEncoding of an LRC file
    std::u16string audioPath;
    std::u16string wavePath;    // the decoded wave file, deleted at close
    ScratchText scratch;
};

// −(tenths × dpi / 720), the character height of a font of that size.
int32_t FontHeightFor(int32_t tenthsOfPoint, int32_t dpi);

// Every default: the 760 × 540 window centred on the desktop, "Fixedsys"
// 12 pt for the text, "Impact" 24 pt for the preview, the colours above.
void ApplyEditorDefaults(EditorSettings* settings, int32_t dpi, const ScreenRect& desktop);

// Defaults, then every stored value of `keyPath` that passes its rule. A
// missing key leaves the defaults and still succeeds; only a missing screen
// fails (the record is then left with its defaults for a 96-dpi screen).
bool LoadEditorSettings(EditorSettings* settings, SettingsEnvironment& env,
                        std::u16string_view keyPath = kEditorSettingsKey);

// Writes every persistent value under `keyPath`, creating the key. `window`
// is the main window's normal rectangle in screen pixels. False when the key
// cannot be created (nothing is written) or a value fails to write.
bool SaveEditorSettings(const EditorSettings& settings, const ScreenRect& window,
                        std::u16string_view keyPath = kEditorSettingsKey);

// A window placement's normal rectangle is in work-area coordinates of its
// monitor; shifted by the work area's offset within the monitor it becomes
// the screen rectangle that CreateWindow takes.
ScreenRect PlacementToScreen(const ScreenRect& normal, const ScreenRect& workArea, const ScreenRect& monitor);

}  // namespace mr
