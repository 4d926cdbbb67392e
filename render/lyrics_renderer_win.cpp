#include "render/lyrics_renderer.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "lyrics/load_lyrics_file.h"
#include "render/slides/picture_placement.h"
#include "render/slides/thread_platform.h"
#include "render/text_bits.h"

namespace mr {
namespace {

constexpr DWORD kPictureFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kGlyphFvf = D3DFVF_XYZRHW | D3DFVF_TEX2;
constexpr uint32_t kPictureVertices = kPictureBufferBytes / sizeof(PictureVertex);
constexpr uint32_t kGlyphVertices = kGlyphBufferBytes / sizeof(GlyphVertex);

template <typename T>
void SafeRelease(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

void StageSelect(IDirect3DDevice9* d, DWORD stage, DWORD colorArg, DWORD alphaArg) {
    d->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(stage, D3DTSS_COLORARG1, colorArg);
    d->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(stage, D3DTSS_ALPHAARG1, alphaArg);
}

void SetFilter(IDirect3DDevice9* d, D3DTEXTUREFILTERTYPE filter) {
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
}

}  // namespace

LyricsRenderer::LyricsRenderer(PresetStore& store)
    : store_(store), slides_(SystemThreadPlatform(), SystemFolderProbe(), &random_), texts_(doc_) {
    preset_.Revision = -1;
}

LyricsRenderer::~LyricsRenderer() {
    Stop();
}

// --- Slot textures for the rasteriser.

bool LyricsRenderer::Slots::LockSlot(int slot, uint8_t** bits, ptrdiff_t* pitch) {
    LyricsRenderer& r = owner_;
    const bool shared = r.slotTextureCount_ == 1;
    if (slot < 0 || slot >= kMaxRows) return false;
    IDirect3DTexture9* texture = r.slotTextures_[shared ? 0 : slot];
    if (!texture) return false;
    D3DLOCKED_RECT locked;
    RECT rows = {0, shared ? slot * r.slotRows_ : 0, r.width_, (shared ? slot * r.slotRows_ : 0) + r.slotRows_};
    if (FAILED(texture->LockRect(0, &locked, &rows, 0))) return false;
    *bits = static_cast<uint8_t*>(locked.pBits);
    *pitch = locked.Pitch;
    return true;
}

void LyricsRenderer::Slots::UnlockSlot(int slot) {
    LyricsRenderer& r = owner_;
    IDirect3DTexture9* texture = r.slotTextures_[r.slotTextureCount_ == 1 ? 0 : slot];
    if (texture) texture->UnlockRect(0);
}

// --- Attaching and the device's life.

int LyricsRenderer::AttachWindow(HWND window) {
    Stop();
    RECT client = {};
    if (!window || !GetClientRect(window, &client)) return 0;
    mode_ = 1;
    window_ = window;
    if (client.right - client.left > 0) width_ = client.right - client.left;
    if (client.bottom - client.top > 0) height_ = client.bottom - client.top;
    return Start();
}

int LyricsRenderer::AttachWindowless(const RECT& area) {
    Stop();
    mode_ = 2;
    window_ = nullptr;
    if (area.right - area.left > 0) width_ = area.right - area.left;
    if (area.bottom - area.top > 0) height_ = area.bottom - area.top;
    return Start();
}

int LyricsRenderer::Start() {
    if (!store_.EnsureLoaded()) return 0;
    if (presetIndex_ < 0) {
        // No host choice yet: the store's current preset, applied whole.
        presetIndex_ = store_.CurrentPreset();
        if (!store_.CopyPreset(presetIndex_, &preset_)) return 0;
        preset_.Revision = 0;
    }
    slides_.StartScanner(PresetText(preset_.ImagePath, kPresetPathUnits));
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d_ || !CreateDevice()) {
        Stop();
        return 0;
    }
    return 1;
}

void LyricsRenderer::Stop() {
    ReleaseDevice();
    SafeRelease(d3d_);
    slides_.StopScanner();
    mode_ = 0;
    window_ = nullptr;
    monitor_ = nullptr;
    width_ = height_ = 1;
    fullScreen_ = false;
}

D3DPRESENT_PARAMETERS LyricsRenderer::PresentParameters(const D3DDISPLAYMODE& mode) const {
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = static_cast<UINT>(width_);
    pp.BackBufferHeight = static_cast<UINT>(height_);
    pp.BackBufferFormat = mode.Format;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = DeviceWindow();
    pp.Windowed = fullScreen_ ? FALSE : TRUE;
    pp.EnableAutoDepthStencil = FALSE;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    if (fullScreen_) pp.FullScreen_RefreshRateInHz = mode.RefreshRate;
    return pp;
}

bool LyricsRenderer::CreateDevice() {
    HWND deviceWindow = DeviceWindow();
    monitor_ = MonitorFromWindow(deviceWindow, MONITOR_DEFAULTTOPRIMARY);
    const UINT adapters = d3d_->GetAdapterCount();
    adapter_ = adapters;
    for (UINT a = 0; a < adapters; ++a) {
        if (d3d_->GetAdapterMonitor(a) == monitor_) {
            adapter_ = a;
            break;
        }
    }
    if (adapter_ == adapters) return false;
    D3DDISPLAYMODE mode;
    D3DCAPS9 caps;
    if (FAILED(d3d_->GetAdapterDisplayMode(adapter_, &mode)) ||
        FAILED(d3d_->GetDeviceCaps(adapter_, D3DDEVTYPE_HAL, &caps))) {
        return false;
    }
    if (fullScreen_) {
        width_ = static_cast<int32_t>(mode.Width);
        height_ = static_cast<int32_t>(mode.Height);
    }
    powerOfTwo_ = NeedsPowerOfTwo(caps.TextureCaps);
    D3DPRESENT_PARAMETERS pp = PresentParameters(mode);
    DWORD flags = D3DCREATE_MULTITHREADED;
    if (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
        flags |= D3DCREATE_HARDWARE_VERTEXPROCESSING;
        if (caps.DevCaps & D3DDEVCAPS_PUREDEVICE) flags |= D3DCREATE_PUREDEVICE;
    } else {
        flags |= D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    }
    if (FAILED(d3d_->CreateDevice(adapter_, D3DDEVTYPE_HAL, deviceWindow, flags, &pp, &device_))) {
        device_ = nullptr;
        return false;
    }
    lost_ = false;

    decoder_ = std::make_unique<TextureDecoder>(device_);
    if (!slides_.StartLoader(*decoder_, &doc_, preset_.SlideShow != 0)) {
        ReleaseDevice();
        return false;
    }
    staticReady_ = true;
    if (!CreateTargets() || !CreateBuffers()) {
        ReleaseDevice();
        return false;
    }
    // Text that cannot be built leaves the lyrics out, not the whole display;
    // the frames try again.
    CreateText();
    return true;
}

void LyricsRenderer::ReleaseDevice() {
    ReleaseBuffers();
    ReleaseText();
    ReleaseTargets();
    // The loader's textures live on the device: stop it and drop every
    // picture before the device goes.
    slides_.StopLoader();
    slides_.ReleasePictures();
    decoder_.reset();
    staticReady_ = false;
    SafeRelease(device_);
    lost_ = false;
}

bool LyricsRenderer::CreateTargets() {
    ReleaseTargets();
    if (mode_ != 2) return true;
    // Frames are drawn in pixels from the top-left corner and copied out
    // W × H from there, so a larger (power-of-two) target changes nothing else.
    const UINT w = TextureExtent(static_cast<uint32_t>(width_), powerOfTwo_);
    const UINT h = TextureExtent(static_cast<uint32_t>(height_), powerOfTwo_);
    if (w == 0 || h == 0 ||
        FAILED(device_->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                      &renderTexture_, nullptr)) ||
        FAILED(device_->CreateTexture(w, h, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &systemTexture_, nullptr))) {
        ReleaseTargets();
        return false;
    }
    return true;
}

void LyricsRenderer::ReleaseTargets() {
    SafeRelease(systemTexture_);
    SafeRelease(renderTexture_);
}

bool LyricsRenderer::CreateText() {
    ReleaseText();
    if (!device_) return false;
    textRetry_ = kTextRetryFrames;
    settings_ = LayoutSettingsFromPreset(preset_);
    D3DCAPS9 caps;
    const uint32_t textureWidth = TextureExtent(static_cast<uint32_t>(width_), powerOfTwo_);
    if (FAILED(device_->GetDeviceCaps(&caps)) || textureWidth == 0 || textureWidth > caps.MaxTextureWidth) return false;
    if (!surface_.Create(nullptr, preset_.Font, settings_.antiAliased, width_)) return false;
    const int32_t M = surface_.Geometry().lineHeight;
    const int slotCount = SlotCountFor(settings_.lines, settings_.scroll);
    SlotTextures kind = ChooseSlotTextures(slotCount, M, static_cast<int32_t>(caps.MaxTextureHeight));
    slotRows_ = 2 * M;
    if (kind == SlotTextures::kShared &&
        TextureExtent(static_cast<uint32_t>(slotCount * slotRows_), powerOfTwo_) > caps.MaxTextureHeight) {
        kind = SlotTextures::kPerSlot;  // rounded up, the shared texture would be too tall
    }
    slotTextureCount_ = kind == SlotTextures::kShared ? 1 : slotCount;
    const UINT rows = TextureExtent(static_cast<uint32_t>(kind == SlotTextures::kShared ? slotCount * slotRows_
                                                                                        : slotRows_),
                                    powerOfTwo_);
    const UINT gradientExtent = TextureExtent(static_cast<uint32_t>(slotRows_), powerOfTwo_);
    for (int i = 0; i < slotTextureCount_; ++i) {
        D3DLOCKED_RECT locked;
        if (FAILED(device_->CreateTexture(textureWidth, rows, 1, 0, D3DFMT_A8, D3DPOOL_MANAGED, &slotTextures_[i],
                                          nullptr)) ||
            FAILED(slotTextures_[i]->LockRect(0, &locked, nullptr, 0))) {
            ReleaseText();
            return false;
        }
        for (UINT y = 0; y < rows; ++y) {
            std::memset(static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch, 0,
                        textureWidth);
        }
        slotTextures_[i]->UnlockRect(0);
    }
    D3DLOCKED_RECT locked;
    if (FAILED(device_->CreateTexture(1, gradientExtent, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &gradient_,
                                      nullptr)) ||
        FAILED(gradient_->LockRect(0, &locked, nullptr, 0))) {
        ReleaseText();
        return false;
    }
    std::unique_ptr<uint32_t[]> gradientRows(new uint32_t[static_cast<size_t>(slotRows_)]);
    BuildPresetGradient(preset_, M, gradientRows.get());
    for (int32_t y = 0; y < slotRows_; ++y) {
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch, &gradientRows[y],
                    4);
    }
    gradient_->UnlockRect(0);

    rasteriser_ = std::make_unique<TextRasteriser>(surface_, slots_, settings_, width_);
    LayoutArea area;
    area.width = width_;
    area.height = height_;
    area.lineHeight = M;
    area.textures = kind;
    area.textureWidth = static_cast<int32_t>(textureWidth);
    area.textureRows = static_cast<int32_t>(rows);
    area.gradientRows = static_cast<int32_t>(gradientExtent);
    layout_.Configure(settings_, area);
    textReady_ = true;
    return true;
}

void LyricsRenderer::ReleaseText() {
    textReady_ = false;
    rasteriser_.reset();
    layout_.EmptySlots();
    for (IDirect3DTexture9*& t : slotTextures_) SafeRelease(t);
    SafeRelease(gradient_);
    slotTextureCount_ = 0;
    surface_.Release();
}

bool LyricsRenderer::CreateBuffers() {
    if (FAILED(device_->CreateVertexBuffer(kPictureBufferBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kPictureFvf,
                                           D3DPOOL_DEFAULT, &pictureBuffer_, nullptr)) ||
        FAILED(device_->CreateVertexBuffer(kGlyphBufferBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kGlyphFvf,
                                           D3DPOOL_DEFAULT, &glyphBuffer_, nullptr))) {
        ReleaseBuffers();
        return false;
    }
    SetRenderStates();
    buffersReady_ = true;
    return true;
}

void LyricsRenderer::ReleaseBuffers() {
    buffersReady_ = false;
    SafeRelease(glyphBuffer_);
    SafeRelease(pictureBuffer_);
}

void LyricsRenderer::SetRenderStates() {
    IDirect3DDevice9* d = device_;
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    StageSelect(d, 0, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    for (DWORD s = 0; s < 2; ++s) {
        d->SetSamplerState(s, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        d->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        d->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        d->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        d->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    }
}

bool LyricsRenderer::ResetDevice() {
    ReleaseBuffers();
    ReleaseText();
    ReleaseTargets();
    ++resetCount_;
    D3DDISPLAYMODE mode;
    if (FAILED(d3d_->GetAdapterDisplayMode(adapter_, &mode))) {
        lost_ = true;
        return false;
    }
    D3DPRESENT_PARAMETERS pp = PresentParameters(mode);
    const HRESULT hr = device_->Reset(&pp);
    if (FAILED(hr)) {
        // Whatever the reason, the device is unusable until a reset works:
        // the frames test it again and skip until then.
        lost_ = true;
        return false;
    }
    if (!CreateTargets() || !CreateBuffers()) {
        lost_ = true;
        return false;
    }
    CreateText();
    return true;
}

bool LyricsRenderer::RecreateDevice() {
    ReleaseDevice();
    ++resetCount_;
    if (CreateDevice()) return true;
    lost_ = true;  // tried again on the next frame
    return false;
}

// --- Presets.

int LyricsRenderer::SelectPreset(int index) {
    if (index == -1) {
        if (!randomPreset_) return 1;
        index = slides_.PickRandom(presetIndex_, kPresetCount);
    }
    if (index < 0 || index >= kPresetCount || !store_.EnsureLoaded()) return 0;
    if (preset_.Revision < 0) {
        if (!store_.CopyPreset(index, &preset_)) return 0;
    }
    // The copy is marked stale on every selection, so the next frame applies
    // the selected preset whatever the revisions say.
    preset_.Revision = 0;
    presetIndex_ = index;
    store_.SetStoreCurrentPreset(index);
    return 1;
}

int LyricsRenderer::NextPresetIndex() {
    if (!randomPreset_) return presetIndex_;
    return slides_.PickRandom(presetIndex_, kPresetCount);
}

bool LyricsRenderer::SyncPreset() {
    if (presetIndex_ < 0) return true;  // nothing chosen and not started: nothing to apply
    if (!store_.RevisionDiffers(presetIndex_, preset_.Revision)) return true;
    DisplayPreset fresh;
    if (!store_.CopyPreset(presetIndex_, &fresh)) return false;
    const bool slideChanged = store_.SlideShowDiffers(presetIndex_, preset_);
    const bool pathChanged = store_.ImagePathDiffers(presetIndex_, preset_);
    const bool textChanged = store_.FontSettingsDiffer(presetIndex_, preset_) || preset_.Revision < 0;
    if (textChanged) ReleaseText();
    {
        std::optional<ScopedPause> loader;
        std::optional<ScopedPause> scanner;
        if ((slideChanged || pathChanged) && doc_.GetSlideImageCount() == 0) {
            loader.emplace(slides_.Loader());
            slides_.ReleasePictures();
        }
        if (pathChanged) scanner.emplace(slides_.Scanner());
        preset_ = fresh;
        if (pathChanged) slides_.SetImagePath(PresetText(preset_.ImagePath, kPresetPathUnits));
        if (slideChanged) slides_.SetLoaderInputs(&doc_, preset_.SlideShow != 0);
        // The scanner resumes before the loader (reverse order of the pauses).
    }
    if (!textReady_ && device_ && !lost_) CreateText();
    return true;
}

bool LyricsRenderer::SwitchToRandomPreset() {
    if (!SelectPreset(slides_.PickRandom(presetIndex_, kPresetCount))) return false;
    return SyncPreset();
}

std::u16string_view LyricsRenderer::LyricsFolder() const {
    return PresetText(preset_.LyricsPath, kPresetPathUnits);
}

// --- Documents.

void LyricsRenderer::PauseLoader() {
    slides_.PauseLoader();
}

void LyricsRenderer::ResumeLoader() {
    // The document changed while the loader was parked: it takes it afresh.
    slides_.SetLoaderInputs(&doc_, preset_.SlideShow != 0);
    slides_.ResumeLoader();
}

void LyricsRenderer::ResetDisplay() {
    layout_.EmptySlots();
    slides_.ReleasePictures();
    doc_.ClearDocument();
    cursor_.Reset();
}

bool LyricsRenderer::IsFile(std::u16string_view path) {
    std::wstring p(path.begin(), path.end());
    const DWORD attributes = GetFileAttributesW(p.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool LyricsRenderer::LoadLyrics(std::u16string_view path, int kind) {
    const bool ok = LoadLyricsFile(doc_, path, kind, 0);
    if (!ok) doc_.ClearDocument();
    cursor_.Reset();
    return ok;
}

int LyricsRenderer::LoadLyricsForMedia(std::u16string_view mediaPath) {
    return mr::LoadLyricsForMedia(*this, mediaPath);
}

// --- Frames.

bool LyricsRenderer::CheckMonitor() {
    if (!device_) return false;
    if (MonitorFromWindow(DeviceWindow(), MONITOR_DEFAULTTOPRIMARY) == monitor_) return true;
    ReleaseDevice();
    return CreateDevice();
}

bool LyricsRenderer::CheckSize(int32_t width, int32_t height) {
    // A full-screen back buffer has the display mode's size, whatever the
    // window's size says.
    if (switching_ || fullScreen_ || (width == width_ && height == height_)) return true;
    width_ = width;
    height_ = height;
    if (mode_ == 2) {
        // Windowless frames go to the renderer's own target, never to the
        // back buffer, so only what depends on the size is made again; the
        // device itself (whose window is the desktop's) is left as it is.
        // A lost device is made again at the new size when it can be.
        if (lost_) return true;
        ++resetCount_;
        ReleaseText();
        if (!CreateTargets()) return false;
        CreateText();
        return true;
    }
    // A lost device during the reset is not a failure: the frames skip until
    // the device can be reset again.
    return ResetDevice() || lost_;
}

int LyricsRenderer::CheckMonitorAndSize(const RECT& area) {
    if (!device_) return 0;
    const HMONITOR before = monitor_;
    if (!CheckMonitor()) return 0;
    if (monitor_ != before) return 1;
    const int32_t w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return 1;
    return CheckSize(w, h) ? 1 : 0;
}

int LyricsRenderer::DrawFrame(int32_t positionMs) {
    if (!SyncPreset()) return 0;
    return RenderFrame(positionMs, true) ? 1 : 0;
}

int LyricsRenderer::DrawToWindow(int32_t positionMs) {
    if (!SyncPreset() || !device_ || mode_ != 1) return 0;
    RECT client = {};
    if (!GetClientRect(window_, &client)) return 0;
    const int32_t w = client.right - client.left, h = client.bottom - client.top;
    if (w <= 0 || h <= 0) return 1;
    if (!CheckMonitor() || !CheckSize(w, h)) return 0;
    return RenderFrame(positionMs, true) ? 1 : 0;
}

int LyricsRenderer::DrawToDC(int32_t positionMs, HDC dc, const RECT& area) {
    if (!SyncPreset() || mode_ != 2) return 0;
    const int32_t w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return 1;
    if (!device_) {
        // A lost device that could not be made again: try once more, and
        // skip the frame while it cannot.
        if (!d3d_ || !lost_) return 0;
        width_ = w;
        height_ = h;
        if (!RecreateDevice()) return 1;
    }
    if (!CheckMonitor() || !CheckSize(w, h)) return 0;
    // Nothing is presented in this mode, so no Present reports a loss: the
    // device is asked every frame (a cheap call), and a lost one is not
    // drawn to.
    if (!lost_ && device_->TestCooperativeLevel() != D3D_OK) lost_ = true;
    if (lost_ || !renderTexture_) {
        // Only the lost-device test runs; nothing to copy.
        return RenderFrame(positionMs, false) ? 1 : 0;
    }
    IDirect3DSurface9* previous = nullptr;
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* copy = nullptr;
    bool ok = SUCCEEDED(device_->GetRenderTarget(0, &previous)) &&
              SUCCEEDED(renderTexture_->GetSurfaceLevel(0, &target)) &&
              SUCCEEDED(systemTexture_->GetSurfaceLevel(0, &copy)) && SUCCEEDED(device_->SetRenderTarget(0, target));
    if (ok) {
        ok = RenderFrame(positionMs, false);
        device_->SetRenderTarget(0, previous);
    }
    if (ok && !lost_) {
        const HRESULT hr = device_->GetRenderTargetData(target, copy);
        if (hr == D3DERR_DEVICELOST) {
            lost_ = true;  // the next frames test the device and skip until it is back
        } else if (FAILED(hr)) {
            ok = false;
        } else {
            HDC surfaceDc = nullptr;
            ok = SUCCEEDED(copy->GetDC(&surfaceDc));
            if (ok) {
                ok = BitBlt(dc, area.left, area.top, width_, height_, surfaceDc, 0, 0, SRCCOPY) != FALSE;
                copy->ReleaseDC(surfaceDc);
            }
        }
    }
    SafeRelease(copy);
    SafeRelease(target);
    SafeRelease(previous);
    return ok ? 1 : 0;
}

bool LyricsRenderer::RenderFrame(int32_t positionMs, bool present) {
    if (!device_) return false;
    if (lost_) {
        const HRESULT level = device_->TestCooperativeLevel();
        if (level == D3DERR_DEVICELOST) return true;
        if (level == D3DERR_DEVICENOTRESET) {
            if (mode_ == 2) {
                // Windowless: made again rather than reset. Nothing is drawn
                // to its swap chain, and a reset of a device on the desktop
                // window fails under Wine (and a second one crashes there).
                RecreateDevice();
                return true;
            }
            ResetDevice();
            lost_ = true;  // the next frame tests again
            return true;
        }
        if (FAILED(level)) return false;
        lost_ = false;
        if (!buffersReady_ && (!CreateTargets() || !CreateBuffers())) {
            lost_ = true;
            return true;
        }
    }
    if (!textReady_ && --textRetry_ <= 0) CreateText();
    if (!staticReady_ || !buffersReady_) return true;

    const int32_t t = DisplayTime(positionMs, preset_.Delay);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, OpaqueArgb(preset_.ColorBack), 1.0f, 0);
    if (SUCCEEDED(device_->BeginScene())) {
        DrawScene(t);
        device_->EndScene();
    }
    if (present) {
        const HRESULT hr = device_->Present(nullptr, nullptr, nullptr, nullptr);
        if (hr == D3DERR_DEVICELOST) lost_ = true;
    }
    return true;
}

void LyricsRenderer::DrawScene(int32_t t) {
    IDirect3DDevice9* d = device_;
    void* pictureMemory = nullptr;
    void* glyphMemory = nullptr;
    if (FAILED(pictureBuffer_->Lock(0, kPictureBufferBytes, &pictureMemory, D3DLOCK_DISCARD))) return;
    if (FAILED(glyphBuffer_->Lock(0, kGlyphBufferBytes, &glyphMemory, D3DLOCK_DISCARD))) {
        pictureBuffer_->Unlock();
        return;
    }
    auto* pictures = static_cast<PictureVertex*>(pictureMemory);
    const PictureArea area{width_, height_, preset_.ImagePosFlag, preset_.ColorBack};
    const PictureFrame frame = slides_.SchedulePictures(t, area, pictures, kPictureVertices - kOutlineReserve);
    LayoutResult text;
    if (textReady_) {
        // The outline vertices share the picture vertices' layout and follow them.
        auto* outline = reinterpret_cast<ColorVertex*>(pictures + frame.vertices);
        const SyncTables tables = TablesOf(doc_, &texts_);
        text = layout_.LayoutText(tables, cursor_, t, *rasteriser_, outline, kPictureVertices - frame.vertices,
                                  static_cast<GlyphVertex*>(glyphMemory), kGlyphVertices);
    }
    glyphBuffer_->Unlock();
    pictureBuffer_->Unlock();

    d->SetStreamSource(0, pictureBuffer_, 0, sizeof(PictureVertex));
    d->SetFVF(kPictureFvf);
    if (frame.currentTriangles > 0) {
        if (preset_.ImagePosFlag >= kImageFill && preset_.ImagePosFlag <= kImageStretch) {
            SetFilter(d, D3DTEXF_LINEAR);
        }
        StageSelect(d, 0, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        d->SetTexture(0, static_cast<IDirect3DTexture9*>(frame.currentTexture));
        d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, frame.currentTriangles);
        uint32_t next = frame.currentTriangles * 3;
        if (frame.nextTriangles > 0) {
            d->SetTexture(0, static_cast<IDirect3DTexture9*>(frame.nextTexture));
            d->DrawPrimitive(D3DPT_TRIANGLELIST, next, frame.nextTriangles);
            next += frame.nextTriangles * 3;
        }
        if (frame.bandTriangles > 0) {
            d->SetTexture(0, nullptr);
            StageSelect(d, 0, D3DTA_DIFFUSE, D3DTA_DIFFUSE);
            d->DrawPrimitive(D3DPT_TRIANGLELIST, next, frame.bandTriangles);
        }
        SetFilter(d, D3DTEXF_POINT);
    }
    if (text.outlineTriangles > 0) {
        StageSelect(d, 0, D3DTA_DIFFUSE, D3DTA_TEXTURE);
        for (int i = 0; i < text.drawCount; ++i) {
            const RowDraw& row = text.draws[i];
            if (row.outlineVertices == 0) continue;
            d->SetTexture(0, slotTextures_[slotTextureCount_ == 1 ? 0 : row.slot]);
            d->DrawPrimitive(D3DPT_TRIANGLELIST, frame.vertices + row.outlineFirst, row.outlineVertices / 3);
        }
        d->SetTexture(0, nullptr);
    }
    if (text.glyphVertices > 0) {
        d->SetStreamSource(0, glyphBuffer_, 0, sizeof(GlyphVertex));
        d->SetFVF(kGlyphFvf);
        StageSelect(d, 0, D3DTA_TEXTURE, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
        StageSelect(d, 1, D3DTA_TEXTURE, D3DTA_CURRENT);
        d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
        d->SetTexture(1, gradient_);
        for (int i = 0; i < text.drawCount; ++i) {
            const RowDraw& row = text.draws[i];
            if (row.glyphVertices == 0) continue;
            d->SetTexture(0, slotTextures_[slotTextureCount_ == 1 ? 0 : row.slot]);
            d->DrawPrimitive(D3DPT_TRIANGLELIST, row.glyphFirst, row.glyphVertices / 3);
        }
        d->SetTexture(0, nullptr);
        d->SetTexture(1, nullptr);
        d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    StageSelect(d, 0, D3DTA_TEXTURE, D3DTA_DIFFUSE);
}

int LyricsRenderer::ToggleFullScreen() {
    // Full screen takes the host's window; windowless frames have none (the
    // desktop window cannot become a full-screen device window).
    if (!device_ || !d3d_ || mode_ != 1) return 0;
    switching_ = true;
    bool ok = true;
    if (!fullScreen_) {
        savedWidth_ = width_;
        savedHeight_ = height_;
        D3DDISPLAYMODE mode;
        if (FAILED(d3d_->GetAdapterDisplayMode(adapter_, &mode))) {
            ok = false;
        } else {
            fullScreen_ = true;
            width_ = static_cast<int32_t>(mode.Width);
            height_ = static_cast<int32_t>(mode.Height);
            if (!ResetDevice()) {
                fullScreen_ = false;
                width_ = savedWidth_;
                height_ = savedHeight_;
                ResetDevice();
                ok = false;
            }
        }
    } else {
        fullScreen_ = false;
        width_ = savedWidth_;
        height_ = savedHeight_;
        ok = ResetDevice() || lost_;
    }
    switching_ = false;
    return ok ? 1 : 0;
}

}  // namespace mr
