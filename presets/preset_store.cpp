#include "presets/preset_store.h"

#include <cstring>
#include <memory>
#include <new>

#include "common/settings.h"

namespace mr {
namespace {

// Sizes of the string values as stored, terminator included.
constexpr uint32_t kPathValueBytes = kPresetPathUnits * 2;  // 520
constexpr uint32_t kNameValueBytes = kPresetNameUnits * 2;  // 128
constexpr uint32_t kFaceValueBytes = kPresetFaceUnits * 2;  // 64

constexpr char16_t kFallbackFace[] = u"Arial";

// The per-preset defaults that differ between presets.
struct PresetDefaults {
    int32_t antiAliased, outline, scroll, slideShow, displayLine, textPoint, textHAlignOffset_;
    int32_t textHAlignFlag, textHAlignFlag_, textVAlignFlag;
    uint32_t colorBottom0, colorBottom1;
    const char16_t* face;
    int32_t weight;
    uint8_t italic;
};

constexpr PresetDefaults kDefaults[kPresetCount] = {
    {1, 1, 1, 1, 2, 240, 120, 1, 1, 2, 0x708170, 0x0000FF, u"Impact", 400, 0},
    {1, 1, 1, 0, 6, 240, 60, 0, 1, 0, 0x708170, 0xFF6000, u"Impact", 400, 0},
    {1, 1, 0, 0, 1, 240, 60, 1, 1, 2, 0x708170, 0xFF0080, u"Impact", 400, 1},
    {1, 0, 1, 0, 8, 160, 60, 1, 1, 2, 0xFFFFFF, 0xFF6000, u"Tahoma", 400, 0},
    {1, 0, 0, 0, 6, 160, 60, 1, 1, 2, 0xFFFFFF, 0xFF80FF, u"Tahoma", 400, 0},
    {1, 0, 1, 1, 6, 240, 60, 0, 0, 0, 0xFFFFFF, 0xFF8000, u"Times New Roman", 700, 1},
};

// The integer values of a preset key: name, field, accepted range. Colours
// are checked as unsigned values below 0x1000000, the rest as signed.
struct IntValue {
    const char16_t* name;
    int32_t DisplayPreset::*field;
    int32_t min, max;
};

constexpr IntValue kIntValues[] = {
    {u"AntiAliased", &DisplayPreset::AntiAliased, 0, 1},
    {u"Outline", &DisplayPreset::Outline, 0, kPresetOutlineMax},
    {u"Scroll", &DisplayPreset::Scroll, 0, 1},
    {u"SlideShow", &DisplayPreset::SlideShow, 0, 1},
    {u"DisplayLine", &DisplayPreset::DisplayLine, kPresetDisplayLineMin, kPresetDisplayLineMax},
    {u"TextPoint", &DisplayPreset::TextPoint, kPresetTextPointMin, kPresetTextPointMax},
    {u"GradientTop_0", &DisplayPreset::GradientTop_0, 0, kPresetGradientMax},
    {u"GradientTop_1", &DisplayPreset::GradientTop_1, 0, kPresetGradientMax},
    {u"GradientBottom_0", &DisplayPreset::GradientBottom_0, 0, kPresetGradientMax},
    {u"GradientBottom_1", &DisplayPreset::GradientBottom_1, 0, kPresetGradientMax},
    {u"TextHAlignOffset", &DisplayPreset::TextHAlignOffset, 0, kPresetOffsetMax},
    {u"TextHAlignOffset_", &DisplayPreset::TextHAlignOffset_, 0, kPresetOffsetMax},
    {u"TextVAlignOffset", &DisplayPreset::TextVAlignOffset, 0, kPresetOffsetMax},
    {u"ImageHAlignOffset", &DisplayPreset::ImageHAlignOffset, 0, kPresetOffsetMax},
    {u"ImageVAlignOffset", &DisplayPreset::ImageVAlignOffset, 0, kPresetOffsetMax},
    {u"TextHAlignFlag", &DisplayPreset::TextHAlignFlag, 0, kPresetAlignFlagMax},
    {u"TextHAlignFlag_", &DisplayPreset::TextHAlignFlag_, 0, kPresetAlignFlagMax},
    {u"TextVAlignFlag", &DisplayPreset::TextVAlignFlag, 0, kPresetAlignFlagMax},
    {u"ImageHAlignFlag", &DisplayPreset::ImageHAlignFlag, 0, kPresetAlignFlagMax},
    {u"ImageVAlignFlag", &DisplayPreset::ImageVAlignFlag, 0, kPresetAlignFlagMax},
    {u"ImagePosFlag", &DisplayPreset::ImagePosFlag, 0, kPresetImagePosFlagMax},
};

struct ColorValue {
    const char16_t* name;
    uint32_t DisplayPreset::*field;
};

constexpr ColorValue kColorValues[] = {
    {u"ColorTop_0", &DisplayPreset::ColorTop_0},         {u"ColorTop_1", &DisplayPreset::ColorTop_1},
    {u"ColorBottom_0", &DisplayPreset::ColorBottom_0},   {u"ColorBottom_1", &DisplayPreset::ColorBottom_1},
    {u"ColorOutline_0", &DisplayPreset::ColorOutline_0}, {u"ColorOutline_1", &DisplayPreset::ColorOutline_1},
    {u"ColorBack", &DisplayPreset::ColorBack},
};

// The order in which a changed preset's DWORD values are written.
constexpr const char16_t* kSaveOrder[] = {
    u"AntiAliased",      u"Scroll",           u"SlideShow",        u"DisplayLine",       u"TextPoint",
    u"Outline",          u"GradientTop_0",    u"GradientTop_1",    u"GradientBottom_0",  u"GradientBottom_1",
    u"TextHAlignOffset", u"TextHAlignOffset_", u"TextVAlignOffset", u"ImageHAlignOffset", u"ImageVAlignOffset",
    u"TextHAlignFlag",   u"TextHAlignFlag_",  u"TextVAlignFlag",   u"ImageHAlignFlag",   u"ImageVAlignFlag",
    u"ImagePosFlag",     u"ColorTop_0",       u"ColorTop_1",       u"ColorBottom_0",     u"ColorBottom_1",
    u"ColorOutline_0",   u"ColorOutline_1",   u"ColorBack",
};

uint32_t DwordOf(const DisplayPreset& p, std::u16string_view name) {
    for (const IntValue& v : kIntValues)
        if (name == v.name) return static_cast<uint32_t>(p.*v.field);
    for (const ColorValue& v : kColorValues)
        if (name == v.name) return p.*v.field;
    return 0;
}

// A signed DWORD within [min, max].
bool ReadInt(const SettingsKey& key, std::u16string_view name, int32_t min, int32_t max, int32_t* out) {
    uint32_t raw = 0;
    if (!key.ReadDword(name, &raw)) return false;
    const int32_t v = static_cast<int32_t>(raw);
    if (v < min || v > max) return false;
    *out = v;
    return true;
}

// A string value that fits its field with the terminator. A value that fills
// the field to the last unit carries no terminator of its own; it is refused
// rather than cut, since a cut path or face names something else.
bool ReadText(const SettingsKey& key, std::u16string_view name, uint32_t fieldBytes, std::u16string* out) {
    std::u16string v;
    if (!key.ReadString(name, fieldBytes, &v)) return false;
    if (v.size() * 2 + 2 > fieldBytes) return false;
    *out = std::move(v);
    return true;
}

void FillDefaults(int index, DisplayPreset* p, int32_t delay, std::u16string_view lyricsPath, int dpi) {
    std::memset(p, 0, sizeof *p);
    const PresetDefaults& d = kDefaults[index];
    p->AntiAliased = d.antiAliased;
    p->Outline = d.outline;
    p->Scroll = d.scroll;
    p->SlideShow = d.slideShow;
    p->DisplayLine = d.displayLine;
    p->Delay = delay;
    p->TextPoint = d.textPoint;
    p->TextHAlignOffset = 60;
    p->TextHAlignOffset_ = d.textHAlignOffset_;
    p->TextVAlignOffset = 60;
    p->Revision = 1;
    p->TextHAlignFlag = d.textHAlignFlag;
    p->TextHAlignFlag_ = d.textHAlignFlag_;
    p->TextVAlignFlag = d.textVAlignFlag;
    p->ColorTop_0 = p->ColorTop_1 = 0xFFFFFF;
    p->ColorBottom_0 = d.colorBottom0;
    p->ColorBottom_1 = d.colorBottom1;
    p->ColorOutline_0 = p->ColorOutline_1 = 0xFFFFFF;
    p->ColorBack = 0;
    p->Font.lfHeight = FontHeightFromTextPoint(p->TextPoint, dpi);
    p->Font.lfWeight = d.weight;
    p->Font.lfItalic = d.italic;
    p->Font.lfCharSet = 0;
    SetPresetText(p->Font.lfFaceName, kPresetFaceUnits, d.face);
    SetPresetText(p->LyricsPath, kPresetPathUnits, lyricsPath);
    std::u16string name = u"Preset #";
    name.push_back(static_cast<char16_t>(u'1' + index));
    SetPresetText(p->PresetName, kPresetNameUnits, name);
}

}  // namespace

std::u16string PresetsKeyPath(std::u16string_view root) {
    std::u16string path(root);
    path += u"\\Presets";
    return path;
}

std::u16string PresetKeyPath(std::u16string_view root, int index) {
    std::u16string path(root);
    path += u"\\Preset";
    path.push_back(static_cast<char16_t>(u'0' + index));
    return path;
}

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return 0;
    const int64_t n = static_cast<int64_t>(a) * b;
    const bool negative = (n < 0) != (c < 0);
    const int64_t an = n < 0 ? -n : n;
    const int64_t ac = c < 0 ? -static_cast<int64_t>(c) : c;
    const int64_t q = (an + ac / 2) / ac;
    return static_cast<int32_t>(negative ? -q : q);
}

void SetPresetText(char16_t* field, size_t units, std::u16string_view text) {
    const size_t n = text.size() < units ? text.size() : units - 1;
    std::memcpy(field, text.data(), n * sizeof(char16_t));
    std::memset(field + n, 0, (units - n) * sizeof(char16_t));
}

std::u16string_view PresetText(const char16_t* field, size_t units) {
    size_t n = 0;
    while (n < units && field[n]) ++n;
    return {field, n};
}

bool SamePresetSettings(const DisplayPreset& a, const DisplayPreset& b) {
    // Integers and colours: everything before the font except Revision.
    if (std::memcmp(&a, &b, offsetof(DisplayPreset, Revision)) != 0) return false;
    constexpr size_t afterRevision = offsetof(DisplayPreset, Revision) + sizeof(int32_t);
    if (std::memcmp(reinterpret_cast<const char*>(&a) + afterRevision,
                    reinterpret_cast<const char*>(&b) + afterRevision, offsetof(DisplayPreset, Font) - afterRevision))
        return false;
    if (std::memcmp(&a.Font, &b.Font, offsetof(PresetFont, lfFaceName)) != 0) return false;
    return PresetText(a.Font.lfFaceName, kPresetFaceUnits) == PresetText(b.Font.lfFaceName, kPresetFaceUnits) &&
           PresetText(a.LyricsPath, kPresetPathUnits) == PresetText(b.LyricsPath, kPresetPathUnits) &&
           PresetText(a.ImagePath, kPresetPathUnits) == PresetText(b.ImagePath, kPresetPathUnits) &&
           PresetText(a.PresetName, kPresetNameUnits) == PresetText(b.PresetName, kPresetNameUnits);
}

PresetStore::PresetStore(PresetEnvironment& environment, std::u16string_view root)
    : environment_(environment), root_(root) {}

PresetStore::~PresetStore() {
    SaveChanged();
    delete[] presets_;
}

bool PresetStore::EnsureLoaded() {
    LockGuard guard(lock_);
    return presets_ || LoadLocked();
}

void PresetStore::ReadGlobals() {
    delay_ = 0;
    lyricsPath_.clear();
    auto key = SettingsKey::Open(PresetsKeyPath(root_), false);
    if (key) {
        int32_t delay = 0;
        if (ReadInt(*key, u"Delay", kPresetDelayMin, kPresetDelayMax, &delay)) delay_ = delay;
        std::u16string path;
        if (ReadText(*key, u"LyricsPath", kPathValueBytes, &path) && !path.empty() && environment_.PathResolves(path))
            lyricsPath_ = std::move(path);
    }
    loadedDelay_ = delay_;
    loadedLyricsPath_ = lyricsPath_;
}

bool PresetStore::LoadLocked() {
    DisplayPreset* records = new (std::nothrow) DisplayPreset[kPresetCount];
    if (!records) return false;
    ReadGlobals();
    presets_ = records;
    for (int i = 0; i < kPresetCount; ++i) LoadPresetDefaults(i, &presets_[i], false);
    current_ = 0;
    return true;
}

void PresetStore::ValidateFace(int index, DisplayPreset* p, bool faceRead) {
    if (!faceRead) return;
    PresetFont& f = p->Font;
    if (environment_.HasTrueTypeFace(PresetText(f.lfFaceName, kPresetFaceUnits), f.lfCharSet)) return;
    SetPresetText(f.lfFaceName, kPresetFaceUnits, kDefaults[index].face);
    if (environment_.HasTrueTypeFace(kDefaults[index].face, f.lfCharSet)) return;
    f.lfCharSet = 0;
    SetPresetText(f.lfFaceName, kPresetFaceUnits, kFallbackFace);
}

bool PresetStore::LoadPresetDefaults(int index, DisplayPreset* out, bool defaultsOnly) {
    if (index < 0 || index >= kPresetCount || !out) return false;
    LockGuard guard(lock_);
    if (!presets_ && !LoadLocked()) return false;
    DisplayPreset p;
    const int dpi = environment_.ScreenDpiY();
    FillDefaults(index, &p, delay_, lyricsPath_, dpi);
    auto key = SettingsKey::Open(PresetKeyPath(root_, index), false);
    if (key && defaultsOnly) {
        std::u16string path;
        if (ReadText(*key, u"ImagePathDef", kPathValueBytes, &path) && environment_.PathResolves(path))
            SetPresetText(p.ImagePath, kPresetPathUnits, path);
    } else if (key) {
        for (const IntValue& v : kIntValues) ReadInt(*key, v.name, v.min, v.max, &(p.*v.field));
        for (const ColorValue& v : kColorValues) {
            uint32_t c = 0;
            if (key->ReadDword(v.name, &c) && c < kPresetColorLimit) p.*v.field = c;
        }
        // The weight is stored as is; anything below bold reads as regular,
        // so a preset made regular in the dialog stays regular.
        uint32_t u = 0;
        if (key->ReadDword(u"Bold", &u))
            p.Font.lfWeight = static_cast<int32_t>(u) >= kPresetBoldWeight ? kPresetBoldWeight : kPresetNormalWeight;
        if (key->ReadDword(u"Italic", &u)) p.Font.lfItalic = u != 0;
        if (key->ReadDword(u"CharSet", &u) && u < 256) p.Font.lfCharSet = static_cast<uint8_t>(u);
        std::u16string text;
        const bool faceRead = ReadText(*key, u"FaceName", kFaceValueBytes, &text) && !text.empty();
        if (faceRead) SetPresetText(p.Font.lfFaceName, kPresetFaceUnits, text);
        ValidateFace(index, &p, faceRead);
        if (ReadText(*key, u"ImagePath", kPathValueBytes, &text) && !text.empty() && environment_.PathResolves(text))
            SetPresetText(p.ImagePath, kPresetPathUnits, text);
        if (ReadText(*key, u"PresetName", kNameValueBytes, &text) && !text.empty())
            SetPresetText(p.PresetName, kPresetNameUnits, text);
        p.Font.lfHeight = FontHeightFromTextPoint(p.TextPoint, dpi);
    }
    *out = p;
    return true;
}

bool PresetStore::CopyPreset(int index, DisplayPreset* out) {
    if (index < 0 || index >= kPresetCount || !out) return false;
    LockGuard guard(lock_);
    if (!presets_ && !LoadLocked()) return false;
    *out = presets_[index];
    return true;
}

bool PresetStore::RevisionDiffers(int index, int32_t revision) {
    if (index < 0 || index >= kPresetCount) return true;
    LockGuard guard(lock_);
    if (!presets_ && !LoadLocked()) return true;
    return presets_[index].Revision != revision;
}

bool PresetStore::FontSettingsDiffer(int index, const DisplayPreset& q) {
    if (index < 0 || index >= kPresetCount) return true;
    LockGuard guard(lock_);
    if (!presets_ && !LoadLocked()) return true;
    const DisplayPreset& p = presets_[index];
    return p.AntiAliased != q.AntiAliased || p.Outline != q.Outline || p.Scroll != q.Scroll ||
           p.DisplayLine != q.DisplayLine || p.TextPoint != q.TextPoint || p.GradientTop_0 != q.GradientTop_0 ||
           p.GradientTop_1 != q.GradientTop_1 || p.GradientBottom_0 != q.GradientBottom_0 ||
           p.GradientBottom_1 != q.GradientBottom_1 || p.TextHAlignOffset != q.TextHAlignOffset ||
           p.TextHAlignOffset_ != q.TextHAlignOffset_ || p.TextHAlignFlag != q.TextHAlignFlag ||
           p.TextHAlignFlag_ != q.TextHAlignFlag_ || p.ColorTop_0 != q.ColorTop_0 || p.ColorTop_1 != q.ColorTop_1 ||
           p.ColorBottom_0 != q.ColorBottom_0 || p.ColorBottom_1 != q.ColorBottom_1 ||
           std::memcmp(&p.Font, &q.Font, offsetof(PresetFont, lfFaceName)) != 0 ||
           PresetText(p.Font.lfFaceName, kPresetFaceUnits) != PresetText(q.Font.lfFaceName, kPresetFaceUnits);
}

bool PresetStore::ImagePathDiffers(int index, const DisplayPreset& q) {
    if (index < 0 || index >= kPresetCount) return true;
    LockGuard guard(lock_);
    if (!presets_ && !LoadLocked()) return true;
    return PresetText(presets_[index].ImagePath, kPresetPathUnits) != PresetText(q.ImagePath, kPresetPathUnits);
}

bool PresetStore::SlideShowDiffers(int index, const DisplayPreset& q) {
    if (index < 0 || index >= kPresetCount) return true;
    LockGuard guard(lock_);
    if (!presets_ && !LoadLocked()) return true;
    return presets_[index].SlideShow != q.SlideShow;
}

bool PresetStore::SetStoreCurrentPreset(int index) {
    if (index < 0 || index >= kPresetCount) return false;
    LockGuard guard(lock_);
    if (!presets_ && !LoadLocked()) return false;
    current_ = index;
    return true;
}

int PresetStore::CurrentPreset() {
    LockGuard guard(lock_);
    return current_;
}

bool PresetStore::GetPresetName(int index, std::u16string* name) {
    if (index < 0 || index >= kPresetCount || !name) return false;
    LockGuard guard(lock_);
    if (!presets_ && !LoadLocked()) return false;
    name->assign(PresetText(presets_[index].PresetName, kPresetNameUnits));
    return true;
}

bool PresetStore::GetSettings(PresetSettings* block) {
    if (!block) return false;
    LockGuard guard(lock_);
    if (!presets_ && !LoadLocked()) return false;
    std::memset(block, 0, sizeof *block);
    block->currentPreset = static_cast<uint32_t>(current_);
    block->Delay = delay_;
    SetPresetText(block->LyricsPath, kPresetPathUnits, lyricsPath_);
    for (int i = 0; i < kPresetCount; ++i) block->presets[i] = presets_[i];
    return true;
}

int PresetStore::ApplySettings(const PresetSettings& block) {
    if (block.changed == 0) return 0;
    LockGuard guard(lock_);
    if (!presets_ && !LoadLocked()) return 0;
    // The block comes from a dialog; its values are clamped there, but the
    // store accepts only what it could also read back.
    const int32_t delay = block.Delay < kPresetDelayMin   ? kPresetDelayMin
                          : block.Delay > kPresetDelayMax ? kPresetDelayMax
                                                          : block.Delay;
    const std::u16string_view lyricsPath = PresetText(block.LyricsPath, kPresetPathUnits);
    int changed = 0;
    for (int i = 0; i < kPresetCount; ++i) {
        DisplayPreset r = block.presets[i];
        r.Delay = delay;
        SetPresetText(r.LyricsPath, kPresetPathUnits, lyricsPath);
        if (SamePresetSettings(r, presets_[i])) continue;
        // Always one above the store's own, whatever the dialog's copy says
        // (a reset in the dialog starts the copy again at 1).
        r.Revision = presets_[i].Revision + 1;
        presets_[i] = r;
        ++changed;
    }
    delay_ = delay;
    lyricsPath_.assign(lyricsPath);
    return changed;
}

void PresetStore::SaveChanged() {
    LockGuard guard(lock_);
    if (!presets_) return;
    const int32_t delay = presets_[0].Delay;
    const std::u16string_view lyricsPath = PresetText(presets_[0].LyricsPath, kPresetPathUnits);
    // Written whenever they changed, so a delay set back to 0 or a folder
    // cleared is saved too.
    if (delay != loadedDelay_ || lyricsPath != loadedLyricsPath_) {
        if (auto key = SettingsKey::Open(PresetsKeyPath(root_), true)) {
            key->WriteDword(u"Delay", static_cast<uint32_t>(delay));
            key->WriteString(u"LyricsPath", lyricsPath);
            loadedDelay_ = delay;
            loadedLyricsPath_.assign(lyricsPath);
        }
    }
    for (int i = 0; i < kPresetCount; ++i) {
        const DisplayPreset& p = presets_[i];
        if (p.Revision <= 1) continue;
        auto key = SettingsKey::Open(PresetKeyPath(root_, i), true);
        if (!key) continue;
        for (const char16_t* name : kSaveOrder) key->WriteDword(name, DwordOf(p, name));
        key->WriteDword(u"Bold", static_cast<uint32_t>(p.Font.lfWeight));
        key->WriteDword(u"Italic", p.Font.lfItalic ? 1 : 0);
        key->WriteDword(u"CharSet", p.Font.lfCharSet);
        key->WriteString(u"FaceName", PresetText(p.Font.lfFaceName, kPresetFaceUnits));
        key->WriteString(u"ImagePath", PresetText(p.ImagePath, kPresetPathUnits));
        key->WriteString(u"PresetName", PresetText(p.PresetName, kPresetNameUnits));
    }
}

}  // namespace mr
