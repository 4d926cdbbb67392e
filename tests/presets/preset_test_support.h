#pragma once
// A preset environment with a fixed font list, a chosen screen resolution
// and a fixed set of existing paths, and a settings root of the test's own
// that is deleted before and after each test.
#include <set>
#include <string>

#include "common/settings.h"
#include "presets/preset_store.h"

namespace mr::test {

inline constexpr char16_t kPresetTestRoot[] = u"Software\\MireltoTest\\Plugin";

class FixedPresetEnvironment : public PresetEnvironment {
public:
    // TrueType families present for every character set; "Fixedsys" is a
    // bitmap font and so is never offered.
    std::set<std::u16string> faces{u"Arial", u"Impact", u"Tahoma", u"Times New Roman", u"Courier New"};
    std::set<std::u16string> paths;
    int dpi = 96;

    bool HasTrueTypeFace(std::u16string_view face, uint8_t) override { return faces.count(std::u16string(face)) > 0; }
    int ScreenDpiY() override { return dpi; }
    bool PathResolves(std::u16string_view path) override { return paths.count(std::u16string(path)) > 0; }
};

inline std::unique_ptr<SettingsKey> PresetKey(int index) {
    return SettingsKey::Open(PresetKeyPath(kPresetTestRoot, index), true);
}
inline std::unique_ptr<SettingsKey> GlobalsKey() { return SettingsKey::Open(PresetsKeyPath(kPresetTestRoot), true); }

}  // namespace mr::test
