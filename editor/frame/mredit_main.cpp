// mredit entry point. The main frame is not built yet: the program starts,
// initialises COM as the editor will, and ends.
#include <windows.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}
