// The slide show's Windows pieces: Crypto API randomness, the scanner's file
// system, and GDI+ decoding into Direct3D 9 textures.
#include <windows.h>
#include <objbase.h>
#include <wincrypt.h>

#include <d3d9.h>
#include <gdiplus.h>

#include <cstring>
#include <new>
#include <string>

#include "render/slides/picture_placement.h"
#include "render/slides/slides_win.h"

static_assert(mr::kTextureCapsPow2 == D3DPTEXTURECAPS_POW2);
static_assert(mr::kTextureCapsNonPow2Conditional == D3DPTEXTURECAPS_NONPOW2CONDITIONAL);

namespace mr {

// --- CryptRandomSource

static_assert(sizeof(CRITICAL_SECTION) <= 64, "room for the critical section");

CryptRandomSource::CryptRandomSource() {
    InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(lock_));
}

CryptRandomSource::~CryptRandomSource() {
    if (provider_) CryptReleaseContext(static_cast<HCRYPTPROV>(provider_), 0);
    DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(lock_));
}

bool CryptRandomSource::Draw(uint32_t* value) {
    auto* lock = reinterpret_cast<CRITICAL_SECTION*>(lock_);
    EnterCriticalSection(lock);
    if (!provider_) {
        HCRYPTPROV provider = 0;
        if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
            provider_ = static_cast<uintptr_t>(provider);
        }
    }
    BYTE bytes[4] = {};
    const bool ok = provider_ && CryptGenRandom(static_cast<HCRYPTPROV>(provider_), sizeof bytes, bytes);
    LeaveCriticalSection(lock);
    if (ok) std::memcpy(value, bytes, sizeof bytes);
    return ok;
}

// --- SystemFolderProbe

namespace {

class Win32FolderProbe final : public FolderProbe {
public:
    Kind Resolve(std::u16string_view path) override {
        if (path.empty() || path.size() >= kMaxPicturePath) return Kind::kMissing;
        const std::wstring wide(path.begin(), path.end());
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return Kind::kMissing;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::kFolder : Kind::kFile;
    }

    void Enumerate(std::u16string_view pattern, Visit visit, void* context) override {
        const std::wstring wide(pattern.begin(), pattern.end());
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW(wide.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            const auto* name = reinterpret_cast<const char16_t*>(found.cFileName);
            const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (!visit(context, std::u16string_view(name), folder)) break;
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
};

class TexturePicture final : public Picture {
public:
    TexturePicture(IDirect3DTexture9* texture, uint32_t width, uint32_t height, uint32_t textureWidth,
                   uint32_t textureHeight)
        : Picture(width, height, textureWidth, textureHeight), texture_(texture) {}
    ~TexturePicture() override { texture_->Release(); }
    void* Texture() const override { return texture_; }

private:
    IDirect3DTexture9* texture_;
};

}  // namespace

FolderProbe& SystemFolderProbe() {
    static Win32FolderProbe probe;
    return probe;
}

// --- TextureDecoder

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

TextureDecoder::TextureDecoder(IDirect3DDevice9* device) : device_(device) {
    device_->AddRef();
    D3DCAPS9 caps;
    if (device_->GetDeviceCaps(&caps) == D3D_OK) {
        maxWidth_ = caps.MaxTextureWidth;
        maxHeight_ = caps.MaxTextureHeight;
        powerOfTwo_ = NeedsPowerOfTwo(caps.TextureCaps);
    }
}

TextureDecoder::~TextureDecoder() {
    delete[] bars_;
    device_->Release();
}

void TextureDecoder::ThreadStarting() {
    // Some of GDI+'s codecs are COM objects.
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    gdiplusStarted_ = GdiplusStartup(&token, &input, nullptr) == Ok;
    gdiplusToken_ = token;
}

void TextureDecoder::ThreadEnding() {
    if (gdiplusStarted_) GdiplusShutdown(gdiplusToken_);
    if (comStarted_) CoUninitialize();
    gdiplusStarted_ = false;
    comStarted_ = false;
}

DecodeResult TextureDecoder::DecodeFile(std::u16string_view path, Picture** picture) {
    *picture = nullptr;
    if (!gdiplusStarted_) return DecodeResult::kFailed;
    const std::wstring wide(path.begin(), path.end());
    GpBitmap* bitmap = nullptr;
    const GpStatus status = GdipCreateBitmapFromFile(wide.c_str(), &bitmap);
    if (status != Ok || !bitmap) {
        // An unknown format, a missing or unreadable file alike: this file
        // will not give a picture, so the loader drops it until the next
        // listing instead of retrying it.
        return DecodeResult::kUnusable;
    }
    const DecodeResult result = FromBitmap(bitmap, picture);
    GdipDisposeImage(bitmap);
    return result;
}

DecodeResult TextureDecoder::DecodeBytes(const uint8_t* bytes, uint32_t size, Picture** picture) {
    *picture = nullptr;
    if (!gdiplusStarted_) return DecodeResult::kFailed;
    if (!bytes || size == 0) return DecodeResult::kUnusable;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return DecodeResult::kFailed;
    void* p = GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return DecodeResult::kFailed;
    }
    std::memcpy(p, bytes, size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return DecodeResult::kFailed;
    }
    GpBitmap* bitmap = nullptr;
    DecodeResult result = DecodeResult::kUnusable;
    if (GdipCreateBitmapFromStream(stream, &bitmap) == Ok && bitmap) {
        result = FromBitmap(bitmap, picture);
        GdipDisposeImage(bitmap);
    }
    stream->Release();  // frees the block
    return result;
}

DecodeResult TextureDecoder::FromBitmap(void* opaqueBitmap, Picture** picture) {
    auto* bitmap = static_cast<GpBitmap*>(opaqueBitmap);
    UINT width = 0, height = 0;
    if (GdipGetImageWidth(bitmap, &width) != Ok || GdipGetImageHeight(bitmap, &height) != Ok || width == 0 ||
        height == 0) {
        return DecodeResult::kUnusable;
    }
    const uint32_t textureWidth = TextureExtent(width, powerOfTwo_), textureHeight = TextureExtent(height, powerOfTwo_);
    if (textureWidth == 0 || textureHeight == 0 || (maxWidth_ && textureWidth > maxWidth_) ||
        (maxHeight_ && textureHeight > maxHeight_)) {
        return DecodeResult::kUnusable;
    }
    const GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    BitmapData data;
    // Pixels that cannot be had (a truncated file GDI+ decodes lazily) make the
    // picture unusable; memory for them may come back, but the file stays bad
    // far more often, so it is dropped until the next listing.
    if (GdipBitmapLockBits(bitmap, &all, ImageLockModeRead, PixelFormat32bppARGB, &data) != Ok) {
        return DecodeResult::kUnusable;
    }
    *picture = MakePicture(width, height, static_cast<const uint8_t*>(data.Scan0), data.Stride, false);
    GdipBitmapUnlockBits(bitmap, &data);
    return *picture ? DecodeResult::kDecoded : DecodeResult::kFailed;
}

Picture* TextureDecoder::ColourBars() {
    if (!bars_) {
        bars_ = new (std::nothrow) uint32_t[kColourBarsWidth * kColourBarsHeight];
        if (!bars_) return nullptr;
        FillColourBars(bars_, kColourBarsWidth, kColourBarsHeight);
    }
    return MakePicture(kColourBarsWidth, kColourBarsHeight, reinterpret_cast<const uint8_t*>(bars_),
                       static_cast<int32_t>(kColourBarsWidth * 4), true);
}

Picture* TextureDecoder::MakePicture(uint32_t width, uint32_t height, const uint8_t* rows, int32_t stride,
                                     bool opaque) {
    // On a device that makes only power-of-two textures the picture sits in
    // the top-left corner of a larger one, its last column and row repeated
    // once beside it so that filtering at its edges sees only its own texels.
    const uint32_t textureWidth = TextureExtent(width, powerOfTwo_), textureHeight = TextureExtent(height, powerOfTwo_);
    IDirect3DTexture9* texture = nullptr;
    if (textureWidth == 0 || textureHeight == 0 ||
        device_->CreateTexture(textureWidth, textureHeight, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture,
                               nullptr) != D3D_OK) {
        return nullptr;
    }
    D3DLOCKED_RECT locked;
    if (texture->LockRect(0, &locked, nullptr, 0) != D3D_OK) {
        texture->Release();
        return nullptr;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* from = rows + static_cast<ptrdiff_t>(y) * stride;
        auto* to = static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch;
        std::memcpy(to, from, rowBytes);
        if (opaque) {
            for (uint32_t x = 0; x < width; ++x) to[x * 4 + 3] = 0xFF;
        }
        if (textureWidth > width) std::memcpy(to + rowBytes, to + rowBytes - 4, 4);
    }
    if (textureHeight > height) {
        auto* last = static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(height - 1) * locked.Pitch;
        std::memcpy(last + locked.Pitch, last, rowBytes + (textureWidth > width ? 4 : 0));
    }
    texture->UnlockRect(0);
    auto* picture = new (std::nothrow) TexturePicture(texture, width, height, textureWidth, textureHeight);
    if (!picture) texture->Release();
    return picture;
}

}  // namespace mr
