#pragma once
// PresetStore: the six display presets of a plug-in module, filled from
// built-in defaults and the per-user settings store on first use, copied to
// the display engine, exchanged with the options dialog and written back
// (changed presets only) when the store is destroyed.
//
// Settings layout below HKEY_CURRENT_USER (through mr::SettingsKey):
//   Software\Mirelto\Plugin\Presets      Delay (DWORD, signed), LyricsPath (string)
//   Software\Mirelto\Plugin\Preset0 ... 5 the values of preset #1 ... #6
// A value that is absent, of the wrong type or size, or outside its accepted
// range leaves the default in place; nothing read reaches a record unchecked.
//
// Thread safety: every operation takes the store's own lock, so the options
// dialog may run on another thread than the one that draws (Winamp calls its
// configuration entry on its main thread, the renderer runs on the
// visualisation thread).

#include <cstdint>
#include <string>
#include <string_view>

#include "common/lock.h"
#include "presets/display_preset.h"

namespace mr {

// What the store asks of the screen and the file system: which faces are
// installed as TrueType fonts, the screen's resolution, and whether a path
// names something that exists. GDI and the file system on Windows
// (ScreenPresetEnvironment in preset_environment_win.h); a fixed list in tests.
class PresetEnvironment {
public:
    virtual ~PresetEnvironment() = default;
    // True when a TrueType font of the family `face` exists for charSet.
    virtual bool HasTrueTypeFace(std::u16string_view face, uint8_t charSet) = 0;
    // Vertical pixels per logical inch of the screen (96 on most screens).
    virtual int ScreenDpiY() = 0;
    // True when path names an existing file or folder.
    virtual bool PathResolves(std::u16string_view path) = 0;
};

// The plug-ins' settings root, below which the store keeps "Presets" (the
// global values) and "Preset0" ... "Preset5".
inline constexpr char16_t kPluginSettingsRoot[] = u"Software\\Mirelto\\Plugin";

// The settings key of the global values below root.
std::u16string PresetsKeyPath(std::u16string_view root);
// The settings key of preset `index` (0-5) below root.
std::u16string PresetKeyPath(std::u16string_view root, int index);

// MulDiv's rounding: a * b / c rounded half away from zero; 0 when c is 0.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

// The font height (negative pixels) of a size in tenths of a point at dpi.
inline int32_t FontHeightFromTextPoint(int32_t textPoint, int dpi) { return -MulDivRound(textPoint, dpi, 720); }

// Copies text into a fixed UTF-16 field of `units` units, cutting it to leave
// room for the terminator and zeroing the rest of the field, so that records
// holding the same texts are equal byte for byte.
void SetPresetText(char16_t* field, size_t units, std::u16string_view text);
// The text of a fixed field, up to its terminator or the field's end.
std::u16string_view PresetText(const char16_t* field, size_t units);

// True when two records hold the same settings: every field but Revision,
// texts compared up to their terminators.
bool SamePresetSettings(const DisplayPreset& a, const DisplayPreset& b);

class PresetStore {
public:
    // root: where the keys live (tests use a root of their own).
    explicit PresetStore(PresetEnvironment& environment, std::u16string_view root = kPluginSettingsRoot);
    // Writes the changed presets back (SaveChanged).
    ~PresetStore();
    PresetStore(const PresetStore&) = delete;
    PresetStore& operator=(const PresetStore&) = delete;

    // Loads the six presets once. Every operation below calls it first and
    // fails (returning 0 / false, changing nothing) when it fails, which
    // happens only when the records cannot be allocated.
    bool EnsureLoaded();

    // Copies preset `index` (0-5) into *out.
    bool CopyPreset(int index, DisplayPreset* out);

    // Change tests for a renderer holding a copy of preset `index`. Each
    // answers true (changed) when the index is out of range or the store
    // cannot load, so the caller rebuilds rather than keeps stale state.
    // RevisionDiffers: the copy's Revision is not the store's.
    bool RevisionDiffers(int index, int32_t revision);
    // FontSettingsDiffer: anything that shapes the text differs (AntiAliased,
    // Outline, Scroll, DisplayLine, TextPoint, the gradient percentages, the
    // horizontal offsets and flags, the top and bottom colours, the font).
    bool FontSettingsDiffer(int index, const DisplayPreset& preset);
    // ImagePathDiffers: the picture path differs (case-sensitive).
    bool ImagePathDiffers(int index, const DisplayPreset& preset);
    bool SlideShowDiffers(int index, const DisplayPreset& preset);

    // The current preset (memory only; the hosts keep their own choice).
    bool SetStoreCurrentPreset(int index);
    int CurrentPreset();
    // The display name of preset `index`; false for indexes outside 0-5.
    bool GetPresetName(int index, std::u16string* name);

    // Snapshot for the options dialog: changed flag 0, the current index, the
    // global values and the six records.
    bool GetSettings(PresetSettings* block);
    // Takes the dialog's block back. With the changed flag 0 nothing happens.
    // Otherwise the block's Delay and LyricsPath go into every record, and
    // each record whose settings differ from the store's goes into the store
    // with the store's Revision + 1, so every renderer sees the change.
    // Returns the number of records that changed (a new Delay or LyricsPath
    // changes all six), 0 when none did or the block was not applied.
    int ApplySettings(const PresetSettings& block);

    // Fills *out with the built-in defaults of preset `index` and the current
    // global values; then, with defaultsOnly, takes only ImagePathDef from the
    // preset's key (the dialog's reset), otherwise reads every value of the
    // key. Revision is 1. Does not touch the store's records.
    bool LoadPresetDefaults(int index, DisplayPreset* out, bool defaultsOnly);

    // The environment the store was made with (the dialog resolves paths and
    // sizes fonts through the same one).
    PresetEnvironment& Environment() { return environment_; }

    // Writes the global values when they differ from what was loaded, and
    // every preset whose Revision is above 1. Write failures are ignored.
    // Called by the destructor; harmless to call more than once.
    void SaveChanged();

private:
    bool LoadLocked();
    void ReadGlobals();
    void ValidateFace(int index, DisplayPreset* preset, bool faceRead);

    PresetEnvironment& environment_;
    const std::u16string root_;
    ReentrantLock lock_;
    DisplayPreset* presets_ = nullptr;  // six records once loaded
    int current_ = 0;
    int32_t delay_ = 0;               // global values as held now
    std::u16string lyricsPath_;
    int32_t loadedDelay_ = 0;         // and as they were loaded
    std::u16string loadedLyricsPath_;
};

}  // namespace mr
