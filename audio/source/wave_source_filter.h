#pragma once
// The wave source filter ("MR_WavSource", mrwsc): plays the editor's decoded
// PCM wave file into its playback graph in 40 ms samples, from any 10 ms
// position, and at half speed with unchanged pitch when Slow Down is on. It
// exposes IFileSourceFilter and ISlowDownControl on the filter and
// IMediaSeeking (absolute 100-ns media time, rate 1.0 only) on its output pin.

#include <windows.h>
#include <dshow.h>

namespace mr::audio {

// Creates a wave source and queries it for `riid`; *ppv receives one
// reference or null. E_OUTOFMEMORY when it cannot be made.
HRESULT CreateWaveSource(REFIID riid, void** ppv);

}  // namespace mr::audio
