// vis_mrlyr module entry point. Winamp asks the module for its header through
// this single export; until the module's visualisations exist it offers none,
// which Winamp treats as a module that cannot be used.
#include <windows.h>

extern "C" __declspec(dllexport) void* winampVisGetHeader(HWND) {
    return nullptr;
}
