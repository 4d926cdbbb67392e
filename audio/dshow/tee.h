#pragma once
// A tee of our own, for when the system's Infinite Pin Tee cannot be created
// (Wine does not register it): one input pin "Input" and output pins
// "Output1", "Output2", ...; a new output appears each time the last free one
// is connected. Every sample, new segment and end of stream reaching the
// input goes to every connected output, each through its own delivery thread
// so that one blocking renderer does not starve the other. The outputs offer
// exactly the input's media type and pass the input's allocator on
// (read-only). The first output answers IMediaSeeking/IMediaPosition by
// passing them upstream, so that a seek through the graph reaches the source
// once.
//
// Linked into the editor and created directly, never registered under the
// system tee's class identifier.

#include <windows.h>
#include <dshow.h>

namespace mr::dshow {

// {698445B7-99CD-453B-846B-EB6D866AD629}, reported by GetClassID only.
inline constexpr CLSID CLSID_MRTee = {0x698445b7, 0x99cd, 0x453b, {0x84, 0x6b, 0xeb, 0x6d, 0x86, 0x6a, 0xd6, 0x29}};

// Creates a tee; *filter receives one reference. E_OUTOFMEMORY on failure.
HRESULT CreateTeeFilter(IBaseFilter** filter);

}  // namespace mr::dshow
