// Fails loudly when the Wine setup cannot give the system what it needs: a
// Direct3D 9 device on the display and a DirectShow filter graph.
#include <windows.h>
#include <d3d9.h>
#include <dshow.h>

#include <gtest/gtest.h>

namespace {

HWND MakeWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MRSmokeTest";
    RegisterClassW(&wc);
    return CreateWindowW(L"MRSmokeTest", L"smoke", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240, nullptr,
                         nullptr, wc.hInstance, nullptr);
}

TEST(wine_smoke, direct3d9_device_clears_and_the_pixels_read_back) {
    HWND wnd = MakeWindow();
    ASSERT_NE(wnd, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr) << "Direct3D 9 is not available";
    D3DPRESENT_PARAMETERS pp = {};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    pp.hDeviceWindow = wnd;
    IDirect3DDevice9* dev = nullptr;
    HRESULT hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd,
                                   D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &pp, &dev);
    ASSERT_EQ(hr, D3D_OK) << "no HAL device on this display";
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0x12, 0x34, 0x56), 1.0f, 0), D3D_OK);

    IDirect3DSurface9* back = nullptr;
    IDirect3DSurface9* sys = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    ASSERT_EQ(dev->CreateOffscreenPlainSurface(64, 64, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
    ASSERT_EQ(dev->GetRenderTargetData(back, sys), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const DWORD pixel = static_cast<const DWORD*>(lr.pBits)[10 * (lr.Pitch / 4) + 10];
    sys->UnlockRect();
    EXPECT_EQ(pixel & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    sys->Release();
    back->Release();
    EXPECT_EQ(dev->Release(), 0u);
    d3d->Release();
    DestroyWindow(wnd);
}

TEST(wine_smoke, directshow_filter_graph_is_created) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)),
              S_OK);
    IMediaControl* control = nullptr;
    EXPECT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
    if (control) control->Release();
    graph->Release();
    CoUninitialize();
}

}  // namespace
