// The native build has no screen: a fixed 1024 x 768 desktop at 96 dpi on
// which every face counts as installed. Tests pass their own environment.
#include "editor/frame/editor_settings.h"

namespace mr {
namespace {

class FixedEnvironment final : public SettingsEnvironment {
public:
    bool Screen(int32_t* dpi, ScreenRect* desktop) override {
        *dpi = 96;
        *desktop = ScreenRect{0, 0, 1024, 768};
        return true;
    }
    bool HasFontFamily(const FontRecord& font, bool) override { return !font.face.empty(); }
};

}  // namespace

SettingsEnvironment& SystemSettingsEnvironment() {
    static FixedEnvironment env;
    return env;
}

}  // namespace mr
