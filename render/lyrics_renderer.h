#pragma once
// LyricsRenderer: the lyrics display of the player plug-ins. It owns the
// Direct3D 9 device it draws with, the current track's document, a copy of
// the chosen preset, the text resources of the layout and the slide show
// behind the text, and composes one frame per call: background colour,
// pictures (with their placement and cross-fade), outline, glyphs.
//
// Two presentations: windowed (AttachWindow; frames are presented into the
// window) and windowless (AttachWindowless; frames are drawn into an
// off-screen target and copied into the host's device context, nothing is
// presented). Every member is called on the host's drawing thread; the
// slide loader's thread only makes textures on the (multithreaded) device.
//
// Times are milliseconds of player position; the preset's delay is applied
// inside. Results are non-zero on success, as the hosts expect.

#include <windows.h>

#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "hosts/lookup/lyrics_lookup.h"
#include "lyrics/lyrics_document.h"
#include "presets/display_preset.h"
#include "presets/preset_store.h"
#include "render/gdi_text_win.h"
#include "render/line_layout.h"
#include "render/position_lookup.h"
#include "render/slides/slide_show.h"
#include "render/slides/slides_win.h"
#include "render/text_rasteriser.h"

namespace mr {

// Size of the picture/outline buffer (28-byte vertices) and of the glyph
// buffer (32-byte vertices: two quads for each of at most nine rows).
inline constexpr uint32_t kPictureBufferBytes = 3364032;
inline constexpr uint32_t kGlyphBufferBytes = 3456;
// Vertices kept free after the pictures for the outline quads.
inline constexpr uint32_t kOutlineReserve = kMaxRows * 2 * kVerticesPerQuad;
// Frames between two attempts to rebuild text resources that failed.
inline constexpr int kTextRetryFrames = 30;

class LyricsRenderer final : private LookupTarget {
public:
    // `store` (the module's presets) is borrowed and must outlive the renderer.
    explicit LyricsRenderer(PresetStore& store);
    ~LyricsRenderer() override;  // Stop
    LyricsRenderer(const LyricsRenderer&) = delete;
    LyricsRenderer& operator=(const LyricsRenderer&) = delete;

    // Windowed: the window's client size (each dimension only if positive),
    // then Start. Windowless: the desktop window as device window and the
    // rectangle's size. Both return Start's result; attaching again stops first.
    int AttachWindow(HWND window);
    int AttachWindowless(const RECT& area);
    // Releases the device, the slide show's workers and the window; the size
    // goes back to 1 × 1. Safe to repeat.
    void Stop();

    int Mode() const { return mode_; }  // 0 none, 1 windowed, 2 windowless
    HWND Window() const { return mode_ == 1 ? window_ : nullptr; }
    bool HasDevice() const { return device_ != nullptr; }

    // Index 0-5, or -1: a random one other than the current when the random
    // flag is set (else nothing). Every selection takes effect on the next
    // frame. Returns 0 for an index out of range or a store that cannot load.
    int SelectPreset(int index);
    void SetRandomPreset(bool on) { randomPreset_ = on; }
    bool RandomPreset() const { return randomPreset_; }
    int CurrentPreset() const { return presetIndex_; }
    // A random index other than the current one when the random flag is set,
    // else the current index.
    int NextPresetIndex();

    // The lyrics lookup of the playing media item (see lyrics_lookup.h).
    int LoadLyricsForMedia(std::u16string_view mediaPath);
    // Reads one lyrics file into the (empty) document with the reader of
    // `kind` (kLyricsKindNative, Lrc, Text or Midi), in the plug-ins' mode.
    // False when it cannot be read (the document is then empty).
    bool LoadLyrics(std::u16string_view path, int kind) override;

    // Frames. DrawToWindow: preset sync, size and monitor checks, render,
    // present. DrawToDC: the same with the host's rectangle, rendered
    // off-screen and copied into dc at the rectangle's top-left corner.
    // DrawFrame: preset sync and render only (the Winamp host checks size
    // and monitor through CheckMonitorAndSize when its window changes).
    // An empty area draws nothing and succeeds; a lost device skips frames.
    int DrawToWindow(int32_t positionMs);
    int DrawToDC(int32_t positionMs, HDC dc, const RECT& area);
    int DrawFrame(int32_t positionMs);
    int CheckMonitorAndSize(const RECT& area);
    int ToggleFullScreen();

    // For tests and diagnostics.
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Device resets, and in windowless mode rebuilds for a new size or after
    // a lost device.
    int ResetCount() const { return resetCount_; }
    bool DeviceLost() const { return lost_; }
    bool TextReady() const { return textReady_; }
    bool FullScreen() const { return fullScreen_; }
    // The device frames are drawn with (null without one); borrowed.
    IDirect3DDevice9* Device() const { return device_; }
    const DisplayPreset& Preset() const { return preset_; }
    LyricsDocument& Document() override { return doc_; }

private:
    class Slots final : public SlotTarget {
    public:
        explicit Slots(LyricsRenderer& owner) : owner_(owner) {}
        bool LockSlot(int slot, uint8_t** bits, ptrdiff_t* pitch) override;
        void UnlockSlot(int slot) override;

    private:
        LyricsRenderer& owner_;
    };

    // LookupTarget
    void PauseLoader() override;
    void ResumeLoader() override;
    bool RandomPresetOn() const override { return randomPreset_; }
    bool SwitchToRandomPreset() override;
    std::u16string_view LyricsFolder() const override;
    void ResetDisplay() override;
    bool IsFile(std::u16string_view path) override;

    int Start();
    bool SyncPreset();
    bool CreateDevice();
    void ReleaseDevice();
    bool ResetDevice();
    // Windowless recovery from a lost device: released and created again.
    // False (device gone, lost flag set) when it cannot be made now.
    bool RecreateDevice();
    D3DPRESENT_PARAMETERS PresentParameters(const D3DDISPLAYMODE& mode) const;
    bool CreateTargets();
    void ReleaseTargets();
    bool CreateText();
    void ReleaseText();
    bool CreateBuffers();
    void ReleaseBuffers();
    void SetRenderStates();
    // Monitor check (device re-created on another monitor) and size check
    // (device reset when the area changed). False when either fails.
    bool CheckMonitor();
    bool CheckSize(int32_t width, int32_t height);
    // One frame into the current render target; presents when `present`.
    bool RenderFrame(int32_t positionMs, bool present);
    void DrawScene(int32_t t);
    HWND DeviceWindow() const { return mode_ == 2 ? GetDesktopWindow() : window_; }

    PresetStore& store_;
    CryptRandomSource random_;
    SlideShow slides_;
    LyricsDocument doc_;
    DocumentLineTexts texts_;
    SyncCursor cursor_;

    int mode_ = 0;
    HWND window_ = nullptr;
    HMONITOR monitor_ = nullptr;
    UINT adapter_ = 0;
    int32_t width_ = 1;
    int32_t height_ = 1;
    bool fullScreen_ = false;
    bool switching_ = false;
    int32_t savedWidth_ = 1;
    int32_t savedHeight_ = 1;

    int presetIndex_ = -1;
    DisplayPreset preset_{};
    bool randomPreset_ = false;

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DTexture9* renderTexture_ = nullptr;  // windowless target (default pool)
    IDirect3DTexture9* systemTexture_ = nullptr;  // its read-back copy
    IDirect3DTexture9* slotTextures_[kMaxRows] = {};
    IDirect3DTexture9* gradient_ = nullptr;
    IDirect3DVertexBuffer9* pictureBuffer_ = nullptr;
    IDirect3DVertexBuffer9* glyphBuffer_ = nullptr;
    std::unique_ptr<TextureDecoder> decoder_;
    GdiTextSurface surface_;
    Slots slots_{*this};
    LayoutSettings settings_;
    std::unique_ptr<TextRasteriser> rasteriser_;
    TextLayout layout_;
    int slotTextureCount_ = 0;
    int32_t slotRows_ = 0;  // rows of one slot (2M)

    bool textReady_ = false;
    bool staticReady_ = false;
    bool buffersReady_ = false;
    bool lost_ = false;
    bool powerOfTwo_ = false;  // the device makes only power-of-two textures
    int textRetry_ = 0;  // frames until the next rebuild attempt
    int resetCount_ = 0;
};

}  // namespace mr
