#pragma once
// The Windows pieces of the slide show: the Crypto API random source, the
// file-system probe of the scanner, and the decoder that turns pictures into
// Direct3D 9 textures with GDI+.

#include <cstdint>
#include <string_view>

#include "render/slides/picture.h"
#include "render/slides/picture_scanner.h"
#include "render/slides/slide_timeline.h"

struct IDirect3DDevice9;

namespace mr {

// Random values from the Crypto API (full RSA provider, verify context). The
// provider is acquired on the first draw and kept until destruction; when it
// cannot be acquired, nothing is drawn (and a later draw tries again). Draw
// may be called from any thread.
class CryptRandomSource final : public RandomSource {
public:
    CryptRandomSource();
    ~CryptRandomSource() override;
    CryptRandomSource(const CryptRandomSource&) = delete;
    CryptRandomSource& operator=(const CryptRandomSource&) = delete;
    bool Draw(uint32_t* value) override;

private:
    alignas(8) unsigned char lock_[64];  // a critical section, kept opaque
    uintptr_t provider_ = 0;
};

// GetFileAttributes and FindFirstFile/FindNextFile. Not owned by the caller.
FolderProbe& SystemFolderProbe();

// Decodes with GDI+ (flat interface) into textures of one level, A8R8G8B8,
// in the managed pool of `device`, copying the 32-bit ARGB pixels row by row
// (the colour bars likewise, opaque). Pictures larger than the device's
// largest texture are unusable. Holds a reference to the device while it
// lives; each Picture holds its texture's. ThreadStarting/ThreadEnding start
// and stop COM and GDI+ on the calling thread; decoding needs them. One
// decoder serves one thread (the loader's): give each thread its own.
class TextureDecoder final : public SlideDecoder {
public:
    explicit TextureDecoder(IDirect3DDevice9* device);
    ~TextureDecoder() override;
    TextureDecoder(const TextureDecoder&) = delete;
    TextureDecoder& operator=(const TextureDecoder&) = delete;

    void ThreadStarting() override;
    void ThreadEnding() override;
    DecodeResult DecodeFile(std::u16string_view path, Picture** picture) override;
    DecodeResult DecodeBytes(const uint8_t* bytes, uint32_t size, Picture** picture) override;
    Picture* ColourBars() override;

private:
    // Copies a GDI+ bitmap (a GpBitmap*) into a new texture.
    DecodeResult FromBitmap(void* bitmap, Picture** picture);
    // A texture of the given size filled from 32-bit ARGB rows; null on failure.
    Picture* MakePicture(uint32_t width, uint32_t height, const uint8_t* rows, int32_t stride, bool opaque);

    IDirect3DDevice9* device_;
    uint32_t maxWidth_ = 0;
    uint32_t maxHeight_ = 0;
    bool powerOfTwo_ = false;  // the device makes only power-of-two textures
    uintptr_t gdiplusToken_ = 0;
    bool gdiplusStarted_ = false;
    bool comStarted_ = false;
    uint32_t* bars_ = nullptr;  // the colour bars' pixels, made on first use
};

}  // namespace mr
