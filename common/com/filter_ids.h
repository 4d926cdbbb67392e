#pragma once
// Class identifiers of the system's three filter modules, shared by the
// modules that serve them and the editor that creates them. Windows layer only.

#include <guiddef.h>

// The wave sink (mrws): {7C201D0F-457A-4CA8-8AFF-C684D68E4583}
inline constexpr CLSID CLSID_MRWavSink = {
    0x7c201d0f, 0x457a, 0x4ca8, {0x8a, 0xff, 0xc6, 0x84, 0xd6, 0x8e, 0x45, 0x83}};
// The render timer (mrrt): {1DE86D7B-88F2-4F78-B18E-AB5D2A7FAF06}
inline constexpr CLSID CLSID_MRWavRenderTimer = {
    0x1de86d7b, 0x88f2, 0x4f78, {0xb1, 0x8e, 0xab, 0x5d, 0x2a, 0x7f, 0xaf, 0x06}};
// The wave source (mrwsc): {61CDA02A-1A41-4D89-A626-0E98CABBF470}
inline constexpr CLSID CLSID_MRWavSource = {
    0x61cda02a, 0x1a41, 0x4d89, {0xa6, 0x26, 0x0e, 0x98, 0xca, 0xbb, 0xf4, 0x70}};
