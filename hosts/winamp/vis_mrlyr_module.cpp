// vis_mrlyr module entry point: Winamp asks the module for its header through
// this single export (C calling convention, undecorated name).
#include <windows.h>

#include "hosts/winamp/vis_module.h"

extern "C" __declspec(dllexport) mr::winamp::VisHeader* winampVisGetHeader(HWND) {
    return mr::winamp::VisGetHeader();
}
