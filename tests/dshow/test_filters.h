#pragma once
// Small filters on our base layer for the tests: a source whose samples the
// test pushes itself (any media type, exact times), and a renderer that keeps
// what it renders.

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <vector>

#include "audio/dshow/com_ptr.h"

namespace mr::test {

// A PCM media type (WAVEFORMATEX, or WAVEFORMATEXTENSIBLE with `subFormat`
// when `extensible`), task-allocated like any peer's; free with
// dshow::DeleteMediaType.
AM_MEDIA_TYPE* NewPcmType(uint16_t channels, uint32_t rate, uint16_t bits, bool extensible = false,
                          const GUID& subFormat = MEDIASUBTYPE_PCM);

// The test's source: one output pin "Output" offering `type`; the test
// delivers on its own thread once the graph runs or is paused.
class PushSource {
public:
    static dshow::ComPtr<IBaseFilter> Create(const AM_MEDIA_TYPE& type, PushSource** self);

    // Copies `bytes` into a new sample stamped [start, stop) (no times when
    // start < 0) and delivers it; the peer's answer.
    virtual HRESULT Push(const std::vector<uint8_t>& bytes, REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
    // Like Push, but the sample carries a media-type change to `type`.
    virtual HRESULT PushWithType(const std::vector<uint8_t>& bytes, const AM_MEDIA_TYPE& type) = 0;
    virtual HRESULT PushNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
    virtual HRESULT PushEndOfStream() = 0;

protected:
    ~PushSource() = default;
};

// A renderer that accepts any audio, renders at the sample's start time and
// records the start times, sizes and segment starts of what it rendered, and
// the reference-clock time it rendered them at.
class RecordingRenderer {
public:
    static dshow::ComPtr<IBaseFilter> Create(RecordingRenderer** self);

    struct Rendered {
        REFERENCE_TIME start;
        long bytes;
        REFERENCE_TIME segmentStart;
        REFERENCE_TIME clockTime;  // 0 without a clock; not compared
        bool operator==(const Rendered& o) const {
            return start == o.start && bytes == o.bytes && segmentStart == o.segmentStart;
        }
    };
    virtual std::vector<Rendered> RenderedSamples() = 0;

protected:
    ~RecordingRenderer() = default;
};

// A renderer that plays like an audio device: each sample takes as long as
// its data lasts at the connection's byte rate times the segment's rate,
// which is how audio renderers use the segment rate (the system's renderer on
// Windows plays a segment of rate 0.5 at half its sampling rate), and the
// stream behind it is held back to that pace. A sample marked as a
// discontinuity starts playing at its own start time. (A pause while running
// is not modelled: the held sample would count twice.)
dshow::ComPtr<IBaseFilter> CreateDevicePacedRenderer();

}  // namespace mr::test
