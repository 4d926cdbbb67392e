// Under Wine: GDI+ decoding into textures of a real Direct3D 9 device (a
// hand-written BMP, and PNG and JPEG files made by ffmpeg for this run),
// the colour bars, the placements drawn and read back, the Crypto API
// source, and the whole slide show on Win32 threads with the real scanner.
#include <windows.h>

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "lyrics/lyrics_document.h"
#include "render/slides/picture_placement.h"
#include "render/slides/slide_show.h"
#include "render/slides/slides_win.h"
#include "tests/slides/slides_fakes.h"
#include "tests/support/test_support.h"

namespace mr {
namespace {

// The pictures ffmpeg made for this run, as a Windows path.
std::u16string MadePicture(const char* name) {
    std::string p = std::string("Z:") + MR_SLIDES_PICTURES + "/" + name;
    for (char& c : p) {
        if (c == '/') c = '\\';
    }
    return std::u16string(p.begin(), p.end());
}

// A 24-bit bottom-up BMP of 4 × 2 pixels: top row red, green, blue, white;
// bottom row black, grey, yellow, cyan.
std::vector<uint8_t> SmallBmp() {
    const uint32_t rowBytes = 12, pixels = rowBytes * 2;
    test::Bytes b;
    b.Raw("BM").U32(54 + pixels).U32(0).U32(54);
    b.U32(40).U32(4).U32(2).U16(1).U16(24).U32(0).U32(pixels).U32(2835).U32(2835).U32(0).U32(0);
    const uint8_t bottom[12] = {0, 0, 0, 128, 128, 128, 0, 255, 255, 255, 255, 0};  // BGR
    const uint8_t top[12] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    b.Raw(std::vector<uint8_t>(bottom, bottom + 12)).Raw(std::vector<uint8_t>(top, top + 12));
    return b.Get();
}

class SlidesTexture : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MRSlidesTest";
        RegisterClassW(&wc);
        window_ = CreateWindowW(L"MRSlidesTest", L"slides", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
        D3DPRESENT_PARAMETERS pp = {};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferWidth = 320;
        pp.BackBufferHeight = 240;
        pp.hDeviceWindow = window_;
        ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &pp, &device_),
                  D3D_OK);
        decoder_ = new TextureDecoder(device_);
        decoder_->ThreadStarting();
    }
    void TearDown() override {
        if (decoder_) {
            decoder_->ThreadEnding();
            delete decoder_;
        }
        if (device_) {
            EXPECT_EQ(device_->Release(), 0u) << "textures or references left on the device";
        }
        if (d3d_) d3d_->Release();
        if (window_) DestroyWindow(window_);
    }

    // The texel (ARGB) at x, y of a picture's texture.
    static uint32_t Texel(const Picture* p, uint32_t x, uint32_t y) {
        auto* texture = static_cast<IDirect3DTexture9*>(p->Texture());
        D3DLOCKED_RECT r;
        if (texture->LockRect(0, &r, nullptr, D3DLOCK_READONLY) != D3D_OK) return 0xDEADBEEF;
        const uint32_t v = *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(r.pBits) + y * r.Pitch + x * 4);
        texture->UnlockRect(0);
        return v;
    }
    static bool Near(uint32_t a, uint32_t b, int tolerance) {
        for (int shift = 0; shift < 32; shift += 8) {
            if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
        }
        return true;
    }

    // Draws a picture placed in a w × h area onto a cleared target and reads
    // the pixels back (XRGB).
    std::vector<uint32_t> Draw(const Picture& picture, int32_t placement, int32_t w, int32_t h, uint32_t clear) {
        std::vector<uint32_t> out;
        IDirect3DSurface9* target = nullptr;
        IDirect3DSurface9* copy = nullptr;
        IDirect3DSurface9* old = nullptr;
        if (device_->CreateRenderTarget(w, h, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr) !=
                D3D_OK ||
            device_->CreateOffscreenPlainSurface(w, h, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr) != D3D_OK) {
            ADD_FAILURE() << "no render target";
        } else {
            PictureVertex v[6 * 16];
            const uint32_t quads = WritePlacedPicture(placement, picture.Width(), picture.Height(), w, h, 0xFFFFFFFF,
                                                      v, 16, nullptr);
            device_->GetRenderTarget(0, &old);
            device_->SetRenderTarget(0, target);
            device_->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
            device_->BeginScene();
            device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
            device_->SetRenderState(D3DRS_LIGHTING, FALSE);
            device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
            device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
            device_->SetTexture(0, static_cast<IDirect3DTexture9*>(picture.Texture()));
            device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, quads * 2, v, sizeof(PictureVertex));
            device_->SetTexture(0, nullptr);
            device_->EndScene();
            device_->SetRenderTarget(0, old);
            D3DLOCKED_RECT r;
            if (device_->GetRenderTargetData(target, copy) == D3D_OK && copy->LockRect(&r, nullptr, 0) == D3D_OK) {
                out.resize(static_cast<size_t>(w) * h);
                for (int32_t y = 0; y < h; ++y) {
                    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(r.pBits) + y * r.Pitch);
                    for (int32_t x = 0; x < w; ++x) out[y * w + x] = row[x] & 0xFFFFFF;
                }
                copy->UnlockRect();
            }
        }
        if (old) old->Release();
        if (copy) copy->Release();
        if (target) target->Release();
        return out;
    }

    HWND window_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    TextureDecoder* decoder_ = nullptr;
};

TEST_F(SlidesTexture, pictures_decode_into_textures) {
    test::ScopedTempDir dir;
    const std::u16string bmp = dir.Path(u"small.bmp");
    ASSERT_TRUE(test::WriteFileBytes(bmp, SmallBmp()));
    struct Sample {
        uint32_t x, y, argb;
    };
    struct Case {
        std::u16string path;
        uint32_t w, h;
        int tolerance;
        std::vector<Sample> samples;
    };
    const Case cases[] = {
        {bmp, 4, 2, 0, {{0, 0, 0xFFFF0000}, {1, 0, 0xFF00FF00}, {2, 0, 0xFF0000FF}, {3, 0, 0xFFFFFFFF},
                        {0, 1, 0xFF000000}, {1, 1, 0xFF808080}, {2, 1, 0xFFFFFF00}, {3, 1, 0xFF00FFFF}}},
        {MadePicture("wide.png"), 1000, 500, 0, {{0, 0, 0xFFFF0000}, {249, 499, 0xFFFF0000}, {250, 0, 0xFF00FF00},
                                                 {749, 250, 0xFF00FF00}, {750, 0, 0xFF0000FF}, {999, 499, 0xFF0000FF}}},
        {MadePicture("alpha.png"), 2, 1, 2, {{0, 0, 0x80FF0000}, {1, 0, 0x80FF0000}}},
        {MadePicture("solid.jpg"), 64, 32, 8, {{0, 0, 0xFF2040C0}, {63, 31, 0xFF2040C0}, {30, 15, 0xFF2040C0}}},
    };
    for (const Case& c : cases) {
        const std::string name(c.path.begin(), c.path.end());
        Picture* p = nullptr;
        ASSERT_EQ(decoder_->DecodeFile(c.path, &p), DecodeResult::kDecoded) << name;
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->Width(), c.w) << name;
        EXPECT_EQ(p->Height(), c.h) << name;
        for (const Sample& s : c.samples) {
            EXPECT_PRED3(Near, Texel(p, s.x, s.y), s.argb, c.tolerance) << name << " at " << s.x << "," << s.y;
        }
        delete p;
    }
    // The same BMP from memory, as an embedded slide is decoded.
    const std::vector<uint8_t> bytes = SmallBmp();
    Picture* p = nullptr;
    ASSERT_EQ(decoder_->DecodeBytes(bytes.data(), static_cast<uint32_t>(bytes.size()), &p), DecodeResult::kDecoded);
    EXPECT_EQ(Texel(p, 2, 1), 0xFFFFFF00u);
    delete p;
}

TEST_F(SlidesTexture, what_is_not_a_picture_is_unusable) {
    test::ScopedTempDir dir;
    const std::u16string text = dir.Path(u"notes.txt");
    ASSERT_TRUE(test::WriteFileBytes(text, std::string_view("just some words\r\n")));
    std::vector<uint8_t> truncated = SmallBmp();
    truncated.resize(20);
    Picture* p = nullptr;
    EXPECT_EQ(decoder_->DecodeFile(text, &p), DecodeResult::kUnusable);
    EXPECT_EQ(decoder_->DecodeFile(dir.Path(u"missing.png"), &p), DecodeResult::kUnusable);
    EXPECT_EQ(decoder_->DecodeBytes(truncated.data(), 20, &p), DecodeResult::kUnusable);
    const uint8_t garbage[] = "GARBAGE GARBAGE GARBAGE";
    EXPECT_EQ(decoder_->DecodeBytes(garbage, sizeof garbage, &p), DecodeResult::kUnusable);
    EXPECT_EQ(decoder_->DecodeBytes(nullptr, 0, &p), DecodeResult::kUnusable);
    EXPECT_EQ(p, nullptr);
}

TEST_F(SlidesTexture, colour_bars_are_opaque_bars) {
    Picture* bars = decoder_->ColourBars();
    ASSERT_NE(bars, nullptr);
    EXPECT_EQ(bars->Width(), 320u);
    EXPECT_EQ(bars->Height(), 240u);
    for (uint32_t x : {0u, 44u, 45u, 100u, 150u, 200u, 250u, 319u}) {
        EXPECT_EQ(Texel(bars, x, 120), ArgbFromColorref(ColourBarAt(x), 255)) << x;
    }
    delete bars;
}

TEST_F(SlidesTexture, placements_drawn_and_read_back) {
    Picture* wide = nullptr;
    ASSERT_EQ(decoder_->DecodeFile(MadePicture("wide.png"), &wide), DecodeResult::kDecoded);
    // Fill: texel columns 250..750 (all lime) cover the whole area.
    std::vector<uint32_t> px = Draw(*wide, kPlaceFill, 500, 500, 0x000000);
    ASSERT_EQ(px.size(), 500u * 500u);
    int notLime = 0;
    for (uint32_t v : px) notLime += v != 0x00FF00;
    EXPECT_EQ(notLime, 0);
    // Fit: the whole picture in rows 125..375, the background above and below.
    px = Draw(*wide, kPlaceFit, 500, 500, 0x123456);
    ASSERT_EQ(px.size(), 500u * 500u);
    EXPECT_EQ(px[124 * 500 + 250], 0x123456u);
    EXPECT_EQ(px[125 * 500 + 0], 0xFF0000u);
    EXPECT_EQ(px[250 * 500 + 250], 0x00FF00u);
    EXPECT_EQ(px[374 * 500 + 499], 0x0000FFu);
    EXPECT_EQ(px[375 * 500 + 250], 0x123456u);
    delete wide;
}

TEST(slides_crypt_random, draws_values) {
    CryptRandomSource random;
    uint32_t first = 0, value = 0;
    ASSERT_TRUE(random.Draw(&first));
    bool differs = false;
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(random.Draw(&value));
        differs |= value != first;
    }
    EXPECT_TRUE(differs);
    int32_t previous = -1;
    for (int i = 0; i < 200; ++i) {
        const int32_t k = PickRandom(&random, previous, 6);
        ASSERT_GE(k, 0);
        ASSERT_LT(k, 6);
        ASSERT_NE(k, previous);
        previous = k;
    }
}

TEST_F(SlidesTexture, the_slide_show_on_win32_threads) {
    test::ScopedTempDir dir;
    // An embedded slide that does not decode, then a good one (the BMP).
    const std::vector<uint8_t> bmp = SmallBmp();
    std::vector<uint8_t> file(16, 'x');
    const std::string garbage = "NOT A PICTURE AT ALL";
    file.insert(file.end(), garbage.begin(), garbage.end());
    file.insert(file.end(), bmp.begin(), bmp.end());
    const std::u16string source = dir.Path(u"song.mr");
    ASSERT_TRUE(test::WriteFileBytes(source, file));
    LyricsDocument doc;
    ASSERT_TRUE(doc.SourceFile().OpenRead(source));
    ASSERT_TRUE(doc.AddImageData(16, static_cast<uint32_t>(garbage.size())));
    ASSERT_TRUE(doc.AddImageData(static_cast<uint32_t>(16 + garbage.size()), static_cast<uint32_t>(bmp.size())));
    ASSERT_TRUE(doc.AddSlideImage(0, 0, 5000, 0));
    ASSERT_TRUE(doc.AddSlideImage(0, 1, 5000, 1));
    // A picture folder with a text file among the pictures.
    const std::u16string folder = dir.Path(u"pics");
    ASSERT_TRUE(CreateDirectoryW(reinterpret_cast<const wchar_t*>(folder.c_str()), nullptr));
    ASSERT_TRUE(test::WriteFileBytes(folder + u"\\a.bmp", bmp));
    ASSERT_TRUE(test::WriteFileBytes(folder + u"\\notes.txt", std::string_view("words")));
    ASSERT_TRUE(CopyFileW(reinterpret_cast<const wchar_t*>(MadePicture("wide.png").c_str()),
                          reinterpret_cast<const wchar_t*>((folder + u"\\wide.png").c_str()), FALSE));

    CryptRandomSource random;
    std::vector<PictureVertex> vertices(6 * 16);
    const PictureArea area{320, 240, kPlaceStretch, 0};
    {
        // The loader's own decoder: it starts GDI+ on the loader thread.
        TextureDecoder loaderDecoder(device_);
        SlideShow show(SystemThreadPlatform(), SystemFolderProbe(), &random);
        ASSERT_TRUE(show.StartScanner(folder));
        ASSERT_TRUE(show.StartLoader(loaderDecoder, &doc, true));
        // The undecodable slide shows the colour bars for its window.
        PictureFrame f;
        ASSERT_TRUE(test::WaitFor([&] { return (f = show.SchedulePictures(100, area, vertices.data(), 6 * 16)).currentTriangles > 0; }));
        auto* texture = static_cast<IDirect3DTexture9*>(f.currentTexture);
        D3DSURFACE_DESC desc;
        ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, 320u);
        EXPECT_EQ(desc.Height, 240u);
        // Then the BMP, after a seek into its window.
        ASSERT_TRUE(test::WaitFor([&] { return (f = show.SchedulePictures(7000, area, vertices.data(), 6 * 16)).currentTriangles > 0; }));
        ASSERT_EQ(static_cast<IDirect3DTexture9*>(f.currentTexture)->GetLevelDesc(0, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, 4u);

        // The document loses its slides: the folder's pictures, chosen at random.
        show.PauseLoader();
        show.ReleasePictures();
        doc.ClearDocument();
        show.SetLoaderInputs(&doc, true);
        show.ResumeLoader();
        EXPECT_TRUE(test::WaitFor([&] { return show.List().Count() == 4; }));
        for (int32_t t = 0; t < 100000; t += 10000) {
            ASSERT_TRUE(test::WaitFor([&] { return (f = show.SchedulePictures(t + 50, area, vertices.data(), 6 * 16)).currentTriangles > 0; })) << t;
            ASSERT_EQ(static_cast<IDirect3DTexture9*>(f.currentTexture)->GetLevelDesc(0, &desc), D3D_OK);
            EXPECT_TRUE(desc.Width == 4 || desc.Width == 1000) << desc.Width;
        }
        // Ten windows decoded with two pictures to choose from: the text file
        // came up and was dropped (or has yet to come up; it is never shown).
        EXPECT_LE(show.List().Count(), 4u);
        // Quit during a pause; every texture goes before the device.
        show.PauseLoader();
        show.PauseScanner();
        show.StopLoader();
        show.ReleasePictures();
    }
}

}  // namespace
}  // namespace mr
