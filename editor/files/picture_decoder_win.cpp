// The Windows decoder: GDI+ through its flat interface. A picture counts as
// decoded when GDI+ makes a bitmap of it with a size and hands out its last
// pixel, which makes GDI+ decode the whole picture (it decodes lazily).
#include <windows.h>
#include <objbase.h>

#include <gdiplus.h>

#include <cstring>
#include <string>

#include "editor/files/picture_decoder.h"

namespace mr {
namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

class GdiplusDecoder final : public PictureDecoder {
public:
    GdiplusDecoder() = default;
    ~GdiplusDecoder() override {
        if (started_) GdiplusShutdown(token_);
        if (comStarted_) CoUninitialize();
    }
    GdiplusDecoder(const GdiplusDecoder&) = delete;
    GdiplusDecoder& operator=(const GdiplusDecoder&) = delete;

    bool DecodeBytes(const uint8_t* bytes, uint32_t size) override {
        if (!bytes || size == 0 || !Start()) return false;
        // GDI+ reads the picture from a stream over a movable global block.
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        if (!block) return false;
        void* p = GlobalLock(block);
        if (!p) {
            GlobalFree(block);
            return false;
        }
        std::memcpy(p, bytes, size);
        GlobalUnlock(block);
        IStream* stream = nullptr;
        if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
            GlobalFree(block);
            return false;
        }
        GpBitmap* bitmap = nullptr;
        const bool ok = GdipCreateBitmapFromStream(stream, &bitmap) == Ok && Complete(bitmap);
        if (bitmap) GdipDisposeImage(bitmap);
        stream->Release();  // frees the block
        return ok;
    }

    bool DecodeFile(std::u16string_view path) override {
        if (!Start()) return false;
        const std::wstring wide(path.begin(), path.end());
        GpBitmap* bitmap = nullptr;
        const bool ok = GdipCreateBitmapFromFile(wide.c_str(), &bitmap) == Ok && Complete(bitmap);
        if (bitmap) GdipDisposeImage(bitmap);
        return ok;
    }

private:
    bool Start() {
        if (started_) return true;
        if (!triedCom_) {
            // Some GDI+ codecs are COM objects; a thread that has COM already
            // keeps its apartment.
            triedCom_ = true;
            comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        }
        GdiplusStartupInput input;
        started_ = GdiplusStartup(&token_, &input, nullptr) == Ok;
        return started_;
    }

    static bool Complete(GpBitmap* bitmap) {
        UINT width = 0, height = 0;
        if (GdipGetImageWidth(bitmap, &width) != Ok || GdipGetImageHeight(bitmap, &height) != Ok || width == 0 ||
            height == 0) {
            return false;
        }
        const GpRect last(static_cast<INT>(width - 1), static_cast<INT>(height - 1), 1, 1);
        BitmapData data;
        if (GdipBitmapLockBits(bitmap, &last, ImageLockModeRead, PixelFormat32bppARGB, &data) != Ok) return false;
        GdipBitmapUnlockBits(bitmap, &data);
        return true;
    }

    ULONG_PTR token_ = 0;
    bool started_ = false;
    bool triedCom_ = false;
    bool comStarted_ = false;
};

}  // namespace

PictureDecoder& SystemPictureDecoder() {
    static GdiplusDecoder decoder;
    return decoder;
}

}  // namespace mr
