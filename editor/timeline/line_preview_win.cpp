#include "editor/timeline/line_preview_win.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "common/lock.h"
#include "editor/store/sync_document.h"
#include "editor/timeline/timeline_input.h"
#include "presets/preset_store.h"

namespace mr::timeline {

namespace {

constexpr DWORD kPreviewFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr int32_t kMinPoint = 60;  // the settings' accepted range of "LyricsPoint"
constexpr int32_t kMaxPoint = 720;

int ScreenDpiY() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

PresetFont FontOf(const PreviewStyle& style) {
    PresetFont f{};
    f.lfHeight = FontHeightFromTextPoint(std::clamp(style.tenthsOfPoint, kMinPoint, kMaxPoint), ScreenDpiY());
    f.lfWeight = std::clamp(style.weight, 0, 1000);
    f.lfItalic = style.italic ? 1 : 0;
    f.lfCharSet = style.charSet;
    // The preview draws outlines: only TrueType faces will do.
    f.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    const size_t n = std::min<size_t>(style.face.size(), kPresetFaceUnits - 1);
    std::copy_n(style.face.data(), n, f.lfFaceName);
    f.lfFaceName[n] = 0;
    return f;
}

}  // namespace

LinePreview::LinePreview(SyncDocument& doc) : doc_(doc) {}

LinePreview::~LinePreview() {
    LockGuard lock(doc_.DocumentLock());
    Drop();
}

void LinePreview::SetStyle(const PreviewStyle& style) {
    LockGuard lock(doc_.DocumentLock());
    style_ = style;
    styleChanged_ = true;
}

bool LinePreview::Slot::LockSlot(int slot, uint8_t** bits, ptrdiff_t* pitch) {
    LinePreview& p = owner_;
    if (slot != 0 || !p.texture_) return false;
    D3DLOCKED_RECT locked;
    if (FAILED(p.texture_->LockRect(0, &locked, nullptr, 0))) return false;
    *bits = static_cast<uint8_t*>(locked.pBits);
    *pitch = locked.Pitch;
    return true;
}

void LinePreview::Slot::UnlockSlot(int) {
    if (owner_.texture_) owner_.texture_->UnlockRect(0);
}

void LinePreview::Drop() {
    ready_ = false;
    rasteriser_.reset();
    layout_.EmptySlots();
    if (texture_) texture_->Release();
    texture_ = nullptr;
    surface_.Release();
    device_ = nullptr;
}

void LinePreview::ReleaseDeviceResources() {
    Drop();
}

bool LinePreview::Build(IDirect3DDevice9* device, int32_t width, int32_t height) {
    Drop();
    device_ = device;
    width_ = width;
    height_ = height;
    styleChanged_ = false;
    D3DCAPS9 caps;
    if (FAILED(device->GetDeviceCaps(&caps)) || width > static_cast<int32_t>(caps.MaxTextureWidth)) return false;
    if (!surface_.Create(nullptr, FontOf(style_), style_.antiAliased, width)) return false;
    const int32_t M = surface_.Geometry().lineHeight;
    slotRows_ = 2 * M;
    if (slotRows_ > static_cast<int32_t>(caps.MaxTextureHeight)) return false;
    if (FAILED(device->CreateTexture(static_cast<UINT>(width), static_cast<UINT>(slotRows_), 1, 0, D3DFMT_A8,
                                     D3DPOOL_MANAGED, &texture_, nullptr))) {
        texture_ = nullptr;
        return false;
    }
    D3DLOCKED_RECT locked;
    if (FAILED(texture_->LockRect(0, &locked, nullptr, 0))) return false;
    for (int32_t y = 0; y < slotRows_; ++y)
        std::memset(static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch, 0,
                    static_cast<size_t>(width));
    texture_->UnlockRect(0);

    settings_ = LayoutSettings{};
    settings_.lines = 1;
    settings_.scroll = false;
    settings_.antiAliased = style_.antiAliased;
    settings_.outline = true;
    for (int i = 0; i < 2; ++i) {
        settings_.textColor[i] = style_.textColor[i] & 0xFFFFFF;
        settings_.outlineColor[i] = style_.outlineColor[i] & 0xFFFFFF;
    }
    rasteriser_ = std::make_unique<TextRasteriser>(surface_, slot_, settings_, width);
    LayoutArea area;
    area.width = width;
    area.height = height;
    area.lineHeight = M;
    layout_.Configure(settings_, area);
    ready_ = true;
    return true;
}

void LinePreview::DrawPreview(IDirect3DDevice9* device, const TimelineState& state) {
    if (!device || state.height <= kPreviewTop) return;
    if (state.graphMode == kGraphDecoding || state.graphMode == kGraphDecoded) return;  // position is a percentage
    if (device != device_ || styleChanged_ || state.width != width_) {
        if (!Build(device, state.width, state.height)) {
            // Not again until the device, the width or the style changes.
            Drop();
            device_ = device;
        }
    } else if (state.height != height_ && ready_) {
        height_ = state.height;
        LayoutArea area = layout_.Area();
        area.height = state.height;
        layout_.Configure(settings_, area);
    }
    if (!ready_) return;

    const SyncTables tables = tables_.Build(doc_, state.position);
    // The tables are rebuilt every frame: the cursor starts afresh.
    cursor_.Reset();
    const LayoutResult r =
        layout_.LayoutPreview(tables, cursor_, state.position, *rasteriser_, vertices_, std::size(vertices_));
    rasterised_ += r.rasterised;
    if (r.outlineTriangles == 0 && r.glyphVertices == 0) return;

    IDirect3DDevice9* d = device;
    d->SetTexture(0, texture_);
    d->SetFVF(kPreviewFvf);
    // Colour from the vertices, coverage from the texture.
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    if (r.outlineTriangles > 0)
        d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, r.outlineTriangles, vertices_, sizeof(ColorVertex));
    if (r.glyphVertices > 0 && r.drawCount > 0)
        d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, r.glyphVertices / 3, vertices_ + r.draws[0].glyphFirst,
                           sizeof(ColorVertex));
    d->SetTexture(0, nullptr);
    ++drawnFrames_;
}

}  // namespace mr::timeline
