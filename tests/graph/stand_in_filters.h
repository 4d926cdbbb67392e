#pragma once
// Stand-ins that the audio graph tests put in place of system filters through
// the graph's FilterFactory, to steer the decode graph down each branch.

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <map>
#include <vector>

#include "audio/dshow/com_ptr.h"
#include "audio/graph/audio_graph.h"

namespace mr::test {

using dshow::ComPtr;

// What the stand-ins observed, shared with the test.
struct StandInLog {
    std::atomic<int> companionsAdded{0};
    std::atomic<int> pcmOutputsConnected{0};
};

// A file source whose one output offers a private stream type. When it joins
// a graph it adds a companion "splitter" there itself, as a graph's own
// rendering would: the companion takes that stream and has two outputs, one
// of PCM that the wave sink takes and one of a private type that nothing
// renders, so rendering the source's output succeeds only in part.
ComPtr<IBaseFilter> CreatePartialRenderSource(StandInLog* log);

// A filter with one input pin that accepts no media type.
ComPtr<IBaseFilter> CreateRefusingFilter();

// A FilterFactory that creates through COM, except for the classes given a
// maker or refused, and keeps a reference to everything it made so that the
// test can see whether the graph let go of it.
class TestFactory final : public graph::FilterFactory {
public:
    using Maker = ComPtr<IBaseFilter> (*)(StandInLog* log);
    void Replace(const CLSID& clsid, Maker maker) { makers_[Key(clsid)] = maker; }
    void Refuse(const CLSID& clsid) { refused_.push_back(clsid); }
    StandInLog& Log() { return log_; }

    HRESULT Create(REFCLSID clsid, REFIID iid, void** out) override;
    // Objects made that something other than this factory still references,
    // after the factory lets go of the graphs it made.
    int StillReferenced();

private:
    static GUID Key(const CLSID& c) { return c; }
    struct Less {
        bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof a) < 0; }
    };
    std::map<GUID, Maker, Less> makers_;
    std::vector<CLSID> refused_;
    std::vector<ComPtr<IUnknown>> made_;
    std::vector<ComPtr<IUnknown>> graphs_;
    StandInLog log_;
};

}  // namespace mr::test
