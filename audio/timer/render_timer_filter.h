#pragma once
// The render timer filter ("MRWavRenderTimer" in the editor's playback
// graph): a renderer that outputs nothing. Each PCM sample waits on the
// graph's reference clock until its end time; when it is due, the media
// position it stands for goes to the editor's IWaveProgressCallback. The
// first sample after a seek while paused reports its start at once. With
// Slow Down set, the stretched stream's times are halved back to the media
// time of the decoded file.

#include <windows.h>
#include <dshow.h>

namespace mr::audio {

// Creates a render timer and queries it for `riid`; *ppv receives one
// reference or null. E_OUTOFMEMORY when it cannot be made.
HRESULT CreateRenderTimer(REFIID riid, void** ppv);

}  // namespace mr::audio
