#pragma once
// vis_mrlyr: the Winamp visualisation module. Winamp calls the module's
// configure, start, render and stop functions, and the window procedure of
// its window, on its visualisation thread; one module context exists between
// a successful start and stop.
//
// Settings under HKEY_CURRENT_USER\Software\Mirelto\Plugin (REG_DWORD):
// "MRWinampPresetN" and "MRWinampVisWndLeft/Top/Right/Bottom", read at start
// and written at stop only when they changed.

#include <memory>

#include "hosts/lookup/host_renderer.h"
#include "hosts/winamp/winamp_abi.h"

namespace mr::winamp {

// The header Winamp asks for through winampVisGetHeader.
VisHeader* VisGetHeader();

// The renderer maker of later starts: CreateHostRenderer in the module, a
// stand-in in tests.
using RendererFactory = std::unique_ptr<hosts::HostRenderer> (*)();
void SetVisRendererFactory(RendererFactory factory);

}  // namespace mr::winamp
