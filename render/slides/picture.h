#pragma once
// A decoded picture and the slot through which the loader hands it to the
// drawing thread.

#include <atomic>
#include <cstdint>
#include <string_view>

#include "render/slides/slide_timeline.h"

namespace mr {

// One decoded picture: its texture (an IDirect3DTexture9 on Windows), its
// size in texels and the display window it was decoded for. Deleting it
// releases the texture. Made by a SlideDecoder on the loader thread; owned by
// whoever holds it (the slot, then the drawing thread).
class Picture {
public:
    // A picture of width × height in the top-left corner of its texture,
    // which is textureWidth × textureHeight (0: the picture's own size).
    Picture(uint32_t width, uint32_t height, uint32_t textureWidth = 0, uint32_t textureHeight = 0)
        : width_(width),
          height_(height),
          textureWidth_(textureWidth ? textureWidth : width),
          textureHeight_(textureHeight ? textureHeight : height) {}
    virtual ~Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // The texture to draw with; the picture keeps ownership.
    virtual void* Texture() const = 0;
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t TextureWidth() const { return textureWidth_; }
    uint32_t TextureHeight() const { return textureHeight_; }
    const TimeWindow& Window() const { return window_; }
    void SetWindow(const TimeWindow& window) { window_ = window; }

private:
    uint32_t width_;
    uint32_t height_;
    uint32_t textureWidth_;
    uint32_t textureHeight_;
    TimeWindow window_{0, 0};
};

// The single-picture hand-over from loader to drawing thread. A picture and
// its window travel together as one pointer, exchanged atomically: the
// loader publishes, the drawing thread takes (leaving null). A picture still
// waiting when a newer one is published was never taken, so Publish releases
// it instead of losing it.
class PictureSlot {
public:
    PictureSlot() = default;
    ~PictureSlot() { Drain(); }
    PictureSlot(const PictureSlot&) = delete;
    PictureSlot& operator=(const PictureSlot&) = delete;

    // Loader: hands `picture` over (the slot owns it from now on).
    void Publish(Picture* picture) { delete slot_.exchange(picture, std::memory_order_acq_rel); }
    // Drawing thread: the waiting picture (now the caller's), or null.
    Picture* Take() { return slot_.exchange(nullptr, std::memory_order_acq_rel); }
    // Whether a picture waits. Only the loader's view is meaningful: the
    // drawing thread may take it at any moment.
    bool Occupied() const { return slot_.load(std::memory_order_acquire) != nullptr; }
    // Releases a waiting picture.
    void Drain() { delete Take(); }

private:
    std::atomic<Picture*> slot_{nullptr};
};

// How a decode ended.
enum class DecodeResult {
    kDecoded,   // *picture holds the new picture
    kUnusable,  // the file or bytes give no picture (unknown format, unreadable,
                // missing, or too large for a texture); trying again will not help
    kFailed,    // the device could not make or fill a texture; may work later
};

// Decodes pictures into textures. Called on the loader thread only.
class SlideDecoder {
public:
    virtual ~SlideDecoder() = default;
    // Bracket the loader thread's life (the Windows decoder starts and stops
    // its imaging library here).
    virtual void ThreadStarting() {}
    virtual void ThreadEnding() {}
    virtual DecodeResult DecodeFile(std::u16string_view path, Picture** picture) = 0;
    virtual DecodeResult DecodeBytes(const uint8_t* bytes, uint32_t size, Picture** picture) = 0;
    // The colour-bar picture (FillColourBars at 320 × 240), or null when no
    // texture can be made.
    virtual Picture* ColourBars() = 0;
};

}  // namespace mr
