// The settings' view of the screen and the installed fonts, through GDI.
#include <windows.h>

#include <algorithm>

#include "editor/frame/editor_settings.h"

namespace mr {
namespace {

struct FamilySearch {
    bool trueTypeOnly;
    bool found;
};

int CALLBACK OnFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD fontType, LPARAM param) {
    auto* search = reinterpret_cast<FamilySearch*>(param);
    if (!search->trueTypeOnly || (fontType & TRUETYPE_FONTTYPE)) {
        search->found = true;
        return 0;
    }
    return 1;
}

class GdiEnvironment final : public SettingsEnvironment {
public:
    bool Screen(int32_t* dpi, ScreenRect* desktop) override {
        HDC dc = GetDC(nullptr);
        if (!dc) return false;
        *dpi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(nullptr, dc);
        RECT r;
        if (!GetWindowRect(GetDesktopWindow(), &r)) return false;
        *desktop = ScreenRect{r.left, r.top, r.right, r.bottom};
        return true;
    }

    bool HasFontFamily(const FontRecord& font, bool trueTypeOnly) override {
        if (font.face.empty() || font.face.size() >= LF_FACESIZE) return false;
        HDC dc = GetDC(nullptr);
        if (!dc) return false;
        LOGFONTW lf = {};
        lf.lfCharSet = font.charSet;
        std::copy(font.face.begin(), font.face.end(), lf.lfFaceName);
        FamilySearch search{trueTypeOnly, false};
        EnumFontFamiliesExW(dc, &lf, OnFamily, reinterpret_cast<LPARAM>(&search), 0);
        ReleaseDC(nullptr, dc);
        return search.found;
    }
};

}  // namespace

SettingsEnvironment& SystemSettingsEnvironment() {
    static GdiEnvironment env;
    return env;
}

}  // namespace mr
