// The toolbar's pictures, drawn with GDI at the size the screen's dpi asks
// for: simple pictograms on a transparent (magenta-keyed) background.
#include "editor/frame/toolbar_images_win.h"

#include <algorithm>

namespace mr {
namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);
constexpr COLORREF kInk = RGB(40, 40, 40);
constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(32, 112, 208);
constexpr COLORREF kGreen = RGB(20, 140, 40);
constexpr COLORREF kRed = RGB(200, 40, 30);
constexpr COLORREF kFolder = RGB(230, 180, 60);

class Pen {
public:
    Pen(HDC dc, COLORREF c, int width) : dc_(dc), pen_(CreatePen(PS_SOLID, width, c)), brush_(CreateSolidBrush(c)) {
        oldPen_ = SelectObject(dc_, pen_);
        oldBrush_ = SelectObject(dc_, brush_);
    }
    ~Pen() {
        SelectObject(dc_, oldPen_);
        SelectObject(dc_, oldBrush_);
        DeleteObject(pen_);
        DeleteObject(brush_);
    }
    Pen(const Pen&) = delete;
    Pen& operator=(const Pen&) = delete;

private:
    HDC dc_;
    HPEN pen_;
    HBRUSH brush_;
    HGDIOBJ oldPen_, oldBrush_;
};

// Draws in a 16-unit grid scaled to the image size.
struct Grid {
    HDC dc;
    int size;
    int S(int v) const { return v * size / 16; }
    void Box(int l, int t, int r, int b, COLORREF fill, COLORREF edge) const {
        Pen p(dc, edge, std::max(1, size / 16));
        HBRUSH fillBrush = CreateSolidBrush(fill);
        HGDIOBJ old = SelectObject(dc, fillBrush);
        Rectangle(dc, S(l), S(t), S(r), S(b));
        SelectObject(dc, old);
        DeleteObject(fillBrush);
    }
    void Fill(int l, int t, int r, int b, COLORREF c) const {
        RECT rc{S(l), S(t), S(r), S(b)};
        HBRUSH brush = CreateSolidBrush(c);
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
    }
    void Line(int x0, int y0, int x1, int y1, COLORREF c, int width = 1) const {
        Pen p(dc, c, std::max(1, width * size / 16));
        MoveToEx(dc, S(x0), S(y0), nullptr);
        LineTo(dc, S(x1), S(y1));
    }
    void Triangle(int x0, int y0, int x1, int y1, int x2, int y2, COLORREF c) const {
        Pen p(dc, c, 1);
        POINT pts[3] = {{S(x0), S(y0)}, {S(x1), S(y1)}, {S(x2), S(y2)}};
        Polygon(dc, pts, 3);
    }
    void Ring(int l, int t, int r, int b, COLORREF c) const {
        Pen p(dc, c, std::max(1, size / 16));
        HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Ellipse(dc, S(l), S(t), S(r), S(b));
        SelectObject(dc, old);
    }
    void Text(const wchar_t* s, COLORREF c) const {
        LOGFONTW lf = {};
        lf.lfHeight = -S(12);
        lf.lfWeight = FW_BOLD;
        lstrcpyW(lf.lfFaceName, L"Arial");
        HFONT font = CreateFontIndirectW(&lf);
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, c);
        RECT rc{0, 0, size, size};
        DrawTextW(dc, s, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
        DeleteObject(font);
    }
};

void Page(const Grid& g, int dx = 0) {
    g.Box(3 + dx, 1, 12 + dx, 15, kPaper, kInk);
    for (int y = 5; y <= 11; y += 3) g.Line(5 + dx, y, 10 + dx, y, kBlue);
}

void Draw(const Grid& g, ToolbarImage image) {
    switch (image) {
        case ToolbarImage::New:
            Page(g);
            break;
        case ToolbarImage::Open:
            g.Box(1, 4, 15, 14, kFolder, kInk);
            g.Fill(2, 3, 7, 5, kFolder);
            break;
        case ToolbarImage::Save:
            g.Box(2, 2, 14, 14, kBlue, kInk);
            g.Fill(5, 3, 11, 7, kPaper);
            g.Fill(5, 10, 11, 14, kInk);
            break;
        case ToolbarImage::Mode:
            g.Text(L"S", kBlue);
            break;
        case ToolbarImage::Cut:
            g.Ring(2, 10, 7, 15, kInk);
            g.Ring(9, 10, 14, 15, kInk);
            g.Line(5, 10, 11, 1, kInk);
            g.Line(11, 10, 5, 1, kInk);
            break;
        case ToolbarImage::Copy:
            Page(g, -2);
            Page(g, 2);
            break;
        case ToolbarImage::Paste:
            g.Box(2, 3, 14, 15, kFolder, kInk);
            g.Box(5, 1, 11, 5, kPaper, kInk);
            g.Box(6, 7, 13, 14, kPaper, kInk);
            break;
        case ToolbarImage::Undo:
        case ToolbarImage::Redo: {
            const bool undo = image == ToolbarImage::Undo;
            const int a = undo ? 3 : 13, b = undo ? 13 : 3;
            g.Line(a + (undo ? 2 : -2), 6, b, 6, kBlue, 2);
            g.Line(b, 6, b, 12, kBlue, 2);
            g.Triangle(a, 6, a + (undo ? 4 : -4), 2, a + (undo ? 4 : -4), 10, kBlue);
            break;
        }
        case ToolbarImage::Information:
            g.Ring(1, 1, 15, 15, kBlue);
            g.Text(L"i", kBlue);
            break;
        case ToolbarImage::Duplicate:
            g.Line(2, 5, 14, 5, kInk, 2);
            g.Line(2, 11, 14, 11, kBlue, 2);
            break;
        case ToolbarImage::SetSyncpoint:
            g.Line(8, 1, 8, 15, kGreen, 2);
            g.Triangle(4, 1, 12, 1, 8, 5, kGreen);
            break;
        case ToolbarImage::RemoveSyncpoint:
            g.Line(8, 1, 8, 15, kInk, 2);
            g.Line(3, 6, 13, 14, kRed, 2);
            g.Line(13, 6, 3, 14, kRed, 2);
            break;
        case ToolbarImage::SlowDown:
            g.Text(L"\u00BD", kInk);
            break;
        case ToolbarImage::PlayX:
            g.Triangle(2, 3, 2, 13, 9, 8, kGreen);
            g.Fill(11, 3, 13, 13, kInk);
            break;
        case ToolbarImage::PlayXX:
            g.Triangle(1, 3, 1, 13, 7, 8, kGreen);
            g.Fill(9, 3, 11, 13, kInk);
            g.Fill(13, 3, 15, 13, kInk);
            break;
        case ToolbarImage::Play:
            g.Triangle(4, 2, 4, 14, 13, 8, kGreen);
            break;
        case ToolbarImage::Pause:
            g.Fill(4, 3, 7, 13, kInk);
            g.Fill(9, 3, 12, 13, kInk);
            break;
        case ToolbarImage::Stop:
            g.Fill(3, 3, 13, 13, kInk);
            break;
        case ToolbarImage::SuggestTiming: {
            // A waveform with syncpoints placed on its onsets.
            static constexpr int kBars[][2] = {{1, 3}, {3, 5}, {5, 2}, {7, 6}, {9, 4}, {11, 6}, {13, 3}};
            for (const auto& bar : kBars) g.Line(bar[0], 10 - bar[1], bar[0], 10 + bar[1], kBlue);
            g.Line(6, 1, 6, 15, kGreen, 2);
            g.Line(12, 1, 12, 15, kGreen, 2);
            break;
        }
        case ToolbarImage::Count:
            break;
    }
}

}  // namespace

HIMAGELIST CreateToolbarImages(int size) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(ToolbarImage::Count), 0);
    if (!list) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    bool ok = dc != nullptr;
    for (int i = 0; ok && i < static_cast<int>(ToolbarImage::Count); ++i) {
        HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
        if (!bitmap) {
            ok = false;
            break;
        }
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all{0, 0, size, size};
        HBRUSH key = CreateSolidBrush(kKey);
        FillRect(dc, &all, key);
        DeleteObject(key);
        Draw(Grid{dc, size}, static_cast<ToolbarImage>(i));
        SelectObject(dc, old);
        ok = ImageList_AddMasked(list, bitmap, kKey) >= 0;
        DeleteObject(bitmap);
    }
    if (dc) DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    if (!ok) {
        ImageList_Destroy(list);
        return nullptr;
    }
    return list;
}

}  // namespace mr
