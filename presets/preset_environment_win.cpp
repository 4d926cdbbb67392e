#include "presets/preset_environment_win.h"

#include <windows.h>

#include <string>

namespace mr {
namespace {

int CALLBACK OnFontFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD fontType, LPARAM found) {
    if (fontType & TRUETYPE_FONTTYPE) {
        *reinterpret_cast<bool*>(found) = true;
        return 0;  // one is enough
    }
    return 1;
}

class ScreenEnvironment final : public PresetEnvironment {
public:
    bool HasTrueTypeFace(std::u16string_view face, uint8_t charSet) override {
        if (face.empty() || face.size() >= LF_FACESIZE) return false;
        LOGFONTW lf{};
        lf.lfCharSet = charSet;
        face.copy(reinterpret_cast<char16_t*>(lf.lfFaceName), face.size());
        HDC dc = GetDC(nullptr);
        if (!dc) return false;
        bool found = false;
        EnumFontFamiliesExW(dc, &lf, OnFontFamily, reinterpret_cast<LPARAM>(&found), 0);
        ReleaseDC(nullptr, dc);
        return found;
    }

    int ScreenDpiY() override {
        HDC dc = GetDC(nullptr);
        if (!dc) return 96;
        const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(nullptr, dc);
        return dpi > 0 ? dpi : 96;
    }

    bool PathResolves(std::u16string_view path) override {
        if (path.empty() || path.size() >= MAX_PATH) return false;
        const std::wstring p(path.begin(), path.end());
        return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
};

}  // namespace

PresetEnvironment& ScreenPresetEnvironment() {
    static ScreenEnvironment environment;
    return environment;
}

}  // namespace mr
