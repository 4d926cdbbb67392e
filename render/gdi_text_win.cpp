#include "render/gdi_text_win.h"

#include <climits>

#include "presets/preset_font_win.h"

namespace mr {

namespace {

// Selects an object for the lifetime of the scope.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selection() {
        if (old_ && old_ != HGDI_ERROR) {
            SelectObject(dc_, old_);
        }
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    bool Ok() const { return old_ != nullptr && old_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

GdiTextSurface::~GdiTextSurface() { Release(); }

void GdiTextSurface::Release() {
    if (bitmap_) {
        DeleteObject(bitmap_);
        bitmap_ = nullptr;
    }
    bits_ = nullptr;
    if (font_) {
        DeleteObject(font_);
        font_ = nullptr;
    }
    if (dc_) {
        DeleteDC(dc_);
        dc_ = nullptr;
    }
    geometry_ = TextCellGeometry{};
}

bool GdiTextSurface::Create(HDC referenceDc, const PresetFont& font, bool antiAliased, int32_t areaWidth) {
    Release();
    dc_ = CreateCompatibleDC(referenceDc);
    if (!dc_) {
        return false;
    }
    SetBkColor(dc_, RGB(0, 0, 0));
    SetTextColor(dc_, RGB(255, 255, 255));
    SetBkMode(dc_, TRANSPARENT);
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);

    LOGFONTW lf = *AsLogFont(&font);
    lf.lfQuality = NONANTIALIASED_QUALITY;
    if (antiAliased) {
        if (lf.lfHeight > INT_MAX / 4 || lf.lfHeight < INT_MIN / 4) {
            Release();
            return false;
        }
        lf.lfHeight *= 4;
    }
    font_ = CreateFontIndirectW(&lf);
    if (!font_) {
        Release();
        return false;
    }
    SIZE space{};
    {
        Selection sel(dc_, font_);
        if (!sel.Ok() || !GetTextExtentPoint32W(dc_, L" ", 1, &space)) {
            Release();
            return false;
        }
    }
    if (!ComputeCellGeometry(space.cy, areaWidth, antiAliased, &geometry_)) {
        Release();
        return false;
    }

    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = geometry_.bitmapWidth;
    info.header.biHeight = -geometry_.bitmapRows;  // top-down
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 2;
    info.colours[1] = RGBQUAD{255, 255, 255, 0};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_ || !bits) {
        Release();
        return false;
    }
    bits_ = static_cast<uint8_t*>(bits);
    return true;
}

void GdiTextSurface::DrawText(std::u16string_view text, int32_t x, int32_t y) {
    if (!dc_ || text.empty() || text.size() > INT_MAX) {
        return;
    }
    {
        Selection font(dc_, font_);
        Selection bitmap(dc_, bitmap_);
        ExtTextOutW(dc_, x, y, 0, nullptr, reinterpret_cast<const wchar_t*>(text.data()),
                    static_cast<UINT>(text.size()), nullptr);
        GdiFlush();
    }
}

bool GdiTextSurface::PartialExtents(std::u16string_view text, int32_t* partial) {
    static_assert(sizeof(INT) == sizeof(int32_t));
    if (!dc_ || text.size() > INT_MAX) {
        return false;
    }
    if (text.empty()) {
        return true;
    }
    Selection font(dc_, font_);
    SIZE size{};
    return font.Ok() && GetTextExtentExPointW(dc_, reinterpret_cast<const wchar_t*>(text.data()),
                                              static_cast<int>(text.size()), 0, nullptr,
                                              reinterpret_cast<INT*>(partial), &size) != 0;
}

bool GdiTextSurface::CharWidths(char16_t unit, AbcWidth* widths) {
    if (!dc_) {
        return false;
    }
    Selection font(dc_, font_);
    if (!font.Ok()) {
        return false;
    }
    ABC abc{};
    if (GetCharABCWidthsW(dc_, unit, unit, &abc)) {
        widths->a = abc.abcA;
        widths->b = static_cast<int32_t>(abc.abcB);
        widths->c = abc.abcC;
        return true;
    }
    // Fonts without ABC widths (not TrueType): the plain advance, no overhang.
    INT w = 0;
    if (!GetCharWidth32W(dc_, unit, unit, &w)) {
        return false;
    }
    *widths = AbcWidth{0, w, 0};
    return true;
}

}  // namespace mr
