#pragma once
// The wave sink filter ("MRWavSink" in the editor's decode graph): takes PCM
// audio on its one input pin, writes it into a canonical wave file at the
// path given through IFileSinkFilter, reports decoding progress in percent
// to the editor's IWaveProgressCallback and signals completion to the graph.
// It never waits on a clock, so the decode runs as fast as upstream delivers.

#include <windows.h>
#include <dshow.h>

namespace mr::audio {

// Creates a wave sink and queries it for `riid`; *ppv receives one reference
// or null. E_OUTOFMEMORY when it cannot be made.
HRESULT CreateWaveSink(REFIID riid, void** ppv);

}  // namespace mr::audio
