#include "editor/timeline/timeline_device_win.h"

#include <algorithm>
#include <cstring>

#include "editor/timeline/timeline_scene.h"
#include "editor/timeline/timeline_sprites.h"

namespace mr::timeline {

namespace {

constexpr UINT kSdkVersion = 31;
constexpr DWORD kLineFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
constexpr DWORD kSpriteFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

template <typename T>
void SafeRelease(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

RECT ToRect(const SpriteRect& r) { return RECT{r.x, r.y, r.x + r.w, r.y + r.h}; }

void DrawIcon(HDC dc, int left, bool forward) {
    // Two small triangles pointing the way of the step.
    for (int k = 0; k < 2; ++k) {
        int x0 = left + 2 + k * 6;
        POINT p[3];
        if (forward)
            p[0] = {x0, 3}, p[1] = {x0 + 6, 8}, p[2] = {x0, 13};
        else
            p[0] = {x0 + 6, 3}, p[1] = {x0, 8}, p[2] = {x0 + 6, 13};
        Polygon(dc, p, 3);
    }
}

}  // namespace

bool PaintSpriteImage(std::vector<uint32_t>* argb) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kAtlasSize;
    bi.bmiHeader.biHeight = -kAtlasSize;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        DeleteDC(dc);
        return false;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);

    RECT all{0, 0, kAtlasSize, kAtlasSize};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RECT swatch = ToRect(kSwatch);
    FillRect(dc, &swatch, white);
    HGDIOBJ oldBrush = SelectObject(dc, white);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    for (int f = 0; f < 2; ++f)
        for (int h = 0; h < 2; ++h) DrawIcon(dc, StepIcon(f != 0, h != 0).x, f != 0);

    // Ink masks: white text, its coverage becomes the alpha.
    SetTextColor(dc, RGB(255, 255, 255));
    static const wchar_t kGlyphs[] = L"0123456789:.%";
    for (int g = 0; g < kGlyphCount; ++g) {
        RECT r = ToRect(Glyph(g));
        DrawTextW(dc, &kGlyphs[g], 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    }
    RECT creating = ToRect(kCreatingCaption);
    DrawTextW(dc, L"Creating waveform...", -1, &creating, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    for (const ToolName& tn : kToolNames) {
        RECT r = ToRect(Caption(tn.tool));
        DrawTextW(dc, reinterpret_cast<const wchar_t*>(tn.name), -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    // Labels: opaque boxes, the highlighted form inverted.
    HBRUSH normalBox = CreateSolidBrush(RGB(255, 255, 224));
    HBRUSH highBox = CreateSolidBrush(RGB(0, 0, 160));
    for (const ToolName& tn : kToolNames) {
        for (int h = 0; h < 2; ++h) {
            RECT r = ToRect(Label(tn.tool, h != 0));
            RECT box{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
            FillRect(dc, &box, h ? highBox : normalBox);
            SetTextColor(dc, h ? RGB(255, 255, 255) : RGB(0, 0, 0));
            DrawTextW(dc, reinterpret_cast<const wchar_t*>(tn.name), -1, &box,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }
    GdiFlush();

    argb->assign(size_t{kAtlasSize} * kAtlasSize, 0);
    const uint32_t* px = static_cast<const uint32_t*>(bits);
    for (int y = 0; y < kAtlasSize; ++y) {
        for (int x = 0; x < kAtlasSize; ++x) {
            uint32_t p = px[y * kAtlasSize + x] & 0x00FFFFFF;
            uint32_t& out = (*argb)[size_t(y) * kAtlasSize + x];
            if (y < kOpaqueTop) {
                uint32_t a = std::max({p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF});
                out = (a << 24) | 0x00FFFFFF;
            } else {
                out = p ? (0xFF000000 | p) : 0;
            }
        }
    }
    // Box pixels that are black text keep their opacity.
    for (const ToolName& tn : kToolNames)
        for (int h = 0; h < 2; ++h) {
            RECT r = ToRect(Label(tn.tool, h != 0));
            for (LONG y = r.top + 1; y < r.bottom - 1; ++y)
                for (LONG x = r.left + 1; x < r.right - 1; ++x) (*argb)[size_t(y) * kAtlasSize + x] |= 0xFF000000;
        }

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(normalBox);
    DeleteObject(highBox);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return true;
}

void TimelineDevice::Params(HWND window) {
    RECT rc{};
    GetClientRect(window, &rc);
    params_ = {};
    params_.BackBufferWidth = static_cast<UINT>(std::max<LONG>(rc.right - rc.left, 1));
    params_.BackBufferHeight = static_cast<UINT>(std::max<LONG>(rc.bottom - rc.top, 1));
    params_.BackBufferFormat = D3DFMT_X8R8G8B8;
    params_.BackBufferCount = 1;
    params_.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params_.hDeviceWindow = window;
    params_.Windowed = TRUE;
    params_.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
}

static UINT AdapterOf(IDirect3D9* d3d, HWND window) {
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    UINT n = d3d->GetAdapterCount();
    for (UINT i = 0; i < n; ++i)
        if (d3d->GetAdapterMonitor(i) == monitor) return i;
    return D3DADAPTER_DEFAULT;
}

bool TimelineDevice::Create(HWND window) {
    Release();
    if (!d3d_) d3d_ = Direct3DCreate9(kSdkVersion);
    if (!d3d_) return false;
    adapter_ = AdapterOf(d3d_, window);
    Params(window);
    HRESULT hr = d3d_->CreateDevice(adapter_, D3DDEVTYPE_HAL, window,
                                    D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &params_, &device_);
    if (FAILED(hr)) {
        Params(window);
        hr = d3d_->CreateDevice(adapter_, D3DDEVTYPE_HAL, window,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &params_, &device_);
    }
    if (FAILED(hr)) {
        device_ = nullptr;
        return false;
    }
    if (!BuildTexture()) {
        Release();
        return false;
    }
    return true;
}

TimelineDevice::~TimelineDevice() {
    Release();
    SafeRelease(d3d_);
}

void TimelineDevice::Release() {
    if (preview_ && device_) preview_->ReleaseDeviceResources();
    SafeRelease(texture_);
    SafeRelease(device_);
}

void TimelineDevice::SetPreview(TimelinePreview* preview) {
    if (preview_ && preview_ != preview) preview_->ReleaseDeviceResources();
    preview_ = preview;
}

bool TimelineDevice::AdapterChanged(HWND window) const {
    return d3d_ && device_ && AdapterOf(d3d_, window) != adapter_;
}

bool TimelineDevice::BuildTexture() {
    std::vector<uint32_t> image;
    if (!PaintSpriteImage(&image)) return false;
    if (FAILED(device_->CreateTexture(kAtlasSize, kAtlasSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture_,
                                      nullptr)))
        return false;
    D3DLOCKED_RECT lr;
    if (FAILED(texture_->LockRect(0, &lr, nullptr, 0))) return false;
    for (int y = 0; y < kAtlasSize; ++y)
        std::memcpy(static_cast<uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch, &image[size_t(y) * kAtlasSize],
                    kAtlasSize * 4);
    texture_->UnlockRect(0);
    return true;
}

void TimelineDevice::CopyBackBuffer() {
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DSURFACE_DESC desc{};
    if (SUCCEEDED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &target)) &&
        SUCCEEDED(target->GetDesc(&desc)) &&
        SUCCEEDED(device_->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                       nullptr)) &&
        SUCCEEDED(device_->GetRenderTargetData(target, copy))) {
        D3DLOCKED_RECT lr;
        if (SUCCEEDED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
            backBuffer_.resize(size_t{desc.Width} * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y) {
                const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch);
                for (UINT x = 0; x < desc.Width; ++x) backBuffer_[size_t(y) * desc.Width + x] = row[x] | 0xFF000000;
            }
            copy->UnlockRect();
        }
    }
    SafeRelease(copy);
    SafeRelease(target);
}

DrawResult TimelineDevice::Draw(const TimelineScene& scene, TimelinePreview* preview, const TimelineState* state) {
    if (!device_) return DrawResult::NoDevice;
    IDirect3DDevice9* d = device_;
    d->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 255, 255), 1.0f, 0);
    if (SUCCEEDED(d->BeginScene())) {
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        if (scene.LineCount() > 0) {
            d->SetTexture(0, nullptr);
            d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            d->SetFVF(kLineFvf);
            d->DrawPrimitiveUP(D3DPT_LINELIST, scene.LineCount(), scene.Lines().data(), sizeof(LineVertex));
        }
        if (scene.TriangleCount() > 0) {
            d->SetTexture(0, texture_);
            d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
            d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
            d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
            d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
            d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
            d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
            d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
            d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            d->SetFVF(kSpriteFvf);
            d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, scene.TriangleCount(), scene.Sprites().data(),
                               sizeof(SpriteVertex));
        }
        if (preview && state) preview->DrawPreview(d, *state);
        d->EndScene();
    }
    if (keepBackBuffer_) CopyBackBuffer();
    HRESULT hr = d->Present(nullptr, nullptr, nullptr, nullptr);
    return hr == D3DERR_DEVICELOST ? DrawResult::Lost : DrawResult::Drawn;
}

bool TimelineDevice::Resize(HWND window) {
    if (!device_) return false;
    Params(window);
    ++resets_;
    return SUCCEEDED(device_->Reset(&params_));
}

bool TimelineDevice::Recover(HWND window) {
    if (!device_) return Create(window);
    HRESULT hr = device_->TestCooperativeLevel();
    if (hr == D3D_OK) return true;
    if (hr != D3DERR_DEVICENOTRESET) return false;
    return Resize(window);
}

}  // namespace mr::timeline
