#pragma once
// TimelineDevice: the timeline window's Direct3D 9 device and its sprite
// texture, and nothing else: create, draw one scene, reset for a new size or
// after a loss, release. Vertices go to the device from the scene's own
// arrays each frame and the texture lives in the managed pool, so a reset
// has nothing to recreate. Not locked: the window draws under the document
// lock, so calls never overlap. Windows layer.

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <vector>

namespace mr::timeline {

class TimelineScene;
struct TimelineState;

// Draws the lyrics preview into the same device inside the timeline's scene,
// after the timeline (the display engine's editor mode). Called under the
// document lock.
class TimelinePreview {
public:
    virtual void DrawPreview(IDirect3DDevice9* device, const TimelineState& state) = 0;
    // The device is about to be released (window destroyed, device made
    // again for another adapter, preview replaced): release everything made
    // on it. A reset keeps the device, so managed resources stay.
    virtual void ReleaseDeviceResources() {}

protected:
    ~TimelinePreview() = default;
};

enum class DrawResult { Drawn, Lost, NoDevice };

class TimelineDevice {
public:
    TimelineDevice() = default;
    ~TimelineDevice();
    TimelineDevice(const TimelineDevice&) = delete;
    TimelineDevice& operator=(const TimelineDevice&) = delete;

    // Creates the Direct3D object (once) and the device for the adapter of
    // the monitor showing `window`, with a back buffer of the client size,
    // and the sprite texture. False leaves no device (the window stays
    // blank).
    bool Create(HWND window);
    // Releases the preview's resources, the texture and the device (the
    // Direct3D object stays until destruction).
    void Release();
    // The preview whose device resources Release releases (not owned). A
    // preview replaced here releases its resources at once.
    void SetPreview(TimelinePreview* preview);
    bool HasDevice() const { return device_ != nullptr; }
    // Whether `window` now shows on another adapter than the device's.
    bool AdapterChanged(HWND window) const;

    // Clears to white, draws the scene's lines and sprites, presents. Lost
    // when the device is lost (draw again after Recover).
    DrawResult Draw(const TimelineScene& scene, TimelinePreview* preview = nullptr,
                    const TimelineState* state = nullptr);
    // After a loss or for a new client size: true once the device works
    // again (reset when it can be reset); false while it stays lost.
    bool Recover(HWND window);
    // Resets for the window's current client size; false leaves the device
    // lost (Recover brings it back).
    bool Resize(HWND window);

    // Tests: the next frames copy their back buffer (ARGB, width × height)
    // before presenting, since what Direct3D shows in a child window cannot
    // be read from the screen everywhere.
    void KeepBackBuffer(bool keep) { keepBackBuffer_ = keep; }
    const std::vector<uint32_t>& BackBuffer() const { return backBuffer_; }
    UINT Width() const { return params_.BackBufferWidth; }
    UINT Height() const { return params_.BackBufferHeight; }
    int Resets() const { return resets_; }

private:
    bool BuildTexture();
    void Params(HWND window);
    void CopyBackBuffer();

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DTexture9* texture_ = nullptr;
    TimelinePreview* preview_ = nullptr;
    UINT adapter_ = 0;
    D3DPRESENT_PARAMETERS params_{};
    bool keepBackBuffer_ = false;
    std::vector<uint32_t> backBuffer_;
    int resets_ = 0;
};

// Draws the sprite pictures (ink masks, glyphs, captions, labels) into a
// 256 × 256 ARGB image, top row first, with GDI and the font "Arial".
bool PaintSpriteImage(std::vector<uint32_t>* argb);

}  // namespace mr::timeline
