#include "audio/graph/audio_graph.h"

#include <algorithm>
#include <string>

#include "audio/dshow/tee.h"
#include "audio/graph/graph_filters.h"
#include "common/com/filter_ids.h"
#include "common/file.h"

namespace mr::graph {
namespace {

constexpr DWORD kStateWaitMs = 100;
constexpr size_t kMaxPath = 32767;

class ComFilterFactory final : public FilterFactory {
public:
    HRESULT Create(REFCLSID clsid, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
    }
};

const wchar_t* W(std::u16string_view s, std::wstring* buffer) {
    buffer->assign(s.begin(), s.end());
    return buffer->c_str();
}

// The path made absolute (the decoded file is compared by what it names,
// not by how it is spelled); the path itself when that fails.
std::wstring FullPath(std::u16string_view path) {
    std::wstring in(path.begin(), path.end());
    const DWORD n = GetFullPathNameW(in.c_str(), 0, nullptr, nullptr);
    if (n == 0 || n > kMaxPath) return in;
    std::wstring out(n, L'\0');
    const DWORD got = GetFullPathNameW(in.c_str(), n, out.data(), nullptr);
    if (got == 0 || got >= n) return in;
    out.resize(got);
    return out;
}

bool SamePath(std::u16string_view a, std::u16string_view b) {
    const std::wstring fa = FullPath(a), fb = FullPath(b);
    return CompareStringOrdinal(fa.c_str(), static_cast<int>(fa.size()), fb.c_str(), static_cast<int>(fb.size()),
                                TRUE) == CSTR_EQUAL;
}

// Only S_OK counts: S_FALSE (no pin, nothing loaded) and partial renders
// (VFW_S_PARTIAL_RENDER and the like) pass a SUCCEEDED test but leave the
// graph short of what the next step needs. Those become E_FAIL.
HRESULT Strict(HRESULT hr) { return hr == S_OK ? S_OK : (FAILED(hr) ? hr : E_FAIL); }

HRESULT LoadSource(IBaseFilter* filter, std::u16string_view path) {
    ComPtr<IFileSourceFilter> source;
    HRESULT hr = filter->QueryInterface(IID_IFileSourceFilter, source.PutVoid());
    if (FAILED(hr)) return hr;
    std::wstring w;
    return Strict(source->Load(W(path, &w), nullptr));
}

}  // namespace

FilterFactory& DefaultFilterFactory() {
    static ComFilterFactory factory;
    return factory;
}

// ---- FilterSnapshot

std::vector<ComPtr<IBaseFilter>> GraphFilters(IFilterGraph* graph) {
    std::vector<ComPtr<IBaseFilter>> filters;
    ComPtr<IEnumFilters> e;
    if (!graph || FAILED(graph->EnumFilters(e.Put())) || !e) return filters;
    for (;;) {
        IBaseFilter* f = nullptr;
        ULONG got = 0;
        if (e->Next(1, &f, &got) != S_OK || got != 1 || !f) break;
        ComPtr<IBaseFilter> held;
        held.Attach(f);
        filters.push_back(std::move(held));
    }
    return filters;
}

FilterSnapshot::FilterSnapshot(IFilterGraph* graph) : graph_(graph), filters_(GraphFilters(graph)) {}

void FilterSnapshot::RemoveNewFilters() {
    // Collected first: removing while enumerating invalidates the enumerator.
    for (const ComPtr<IBaseFilter>& f : GraphFilters(graph_)) {
        const bool old = std::any_of(filters_.begin(), filters_.end(),
                                     [&](const ComPtr<IBaseFilter>& o) { return o.Get() == f.Get(); });
        if (!old) graph_->RemoveFilter(f.Get());
    }
}

// ---- AudioGraph

AudioGraph::AudioGraph(HWND notifyWindow, GraphListener* listener, FilterFactory* factory)
    : notifyWindow_(notifyWindow),
      listener_(listener),
      factory_(factory ? factory : &DefaultFilterFactory()),
      callback_(listener) {}

AudioGraph::~AudioGraph() {
    // No reports from here on: the owner may be half gone.
    listener_ = nullptr;
    ReleaseInterfaces();
}

HRESULT AudioGraph::GetPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction, int index, IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!filter || index < 0) return E_POINTER;
    ComPtr<IEnumPins> e;
    HRESULT hr = filter->EnumPins(e.Put());
    if (FAILED(hr)) return hr;
    if (!e) return E_FAIL;
    int seen = 0;
    for (;;) {
        IPin* p = nullptr;
        ULONG got = 0;
        if (e->Next(1, &p, &got) != S_OK || got != 1 || !p) break;
        ComPtr<IPin> held;
        held.Attach(p);
        PIN_DIRECTION d;
        if (FAILED(held->QueryDirection(&d)) || d != direction) continue;
        if (seen++ == index) {
            *pin = held.Detach();
            return S_OK;
        }
    }
    return E_FAIL;
}

bool AudioGraph::EnsureDecodedPath() {
    if (!decodedPath_.empty()) return true;
    const std::u16string base = fs::AppDataFolder();
    if (base.empty()) return false;
    const std::u16string folder = fs::Join(base, u"Mirelto");
    if (!fs::IsDirectory(folder)) {
        fs::MakeDirectory(base);
        if (!fs::MakeDirectory(folder)) return false;
    }
    std::u16string path;
    if (!fs::CreateUniqueTempFile(folder, u"wav", &path)) return false;
    decodedPath_ = std::move(path);
    return true;
}

void AudioGraph::DeleteDecodedFile() {
    ReleaseGraph();
    if (!decodedPath_.empty()) fs::Remove(decodedPath_);
}

void AudioGraph::SetMode(GraphMode mode) {
    mode_ = mode;
    callback_.Clear();
    if (listener_) listener_->OnGraphModeChanged(mode);
}

void AudioGraph::SetState(PlayState state) {
    state_ = state;
    if (state == PlayState::Stopped) callback_.Clear();
    if (listener_) listener_->OnPlayStateChanged(state);
}

HRESULT AudioGraph::WaitState(OAFilterState* state) {
    OAFilterState s = State_Stopped;
    const HRESULT hr = control_ ? control_->GetState(kStateWaitMs, &s) : E_POINTER;
    if (state) *state = s;
    return hr;
}

void AudioGraph::ReleaseInterfaces() {
    if (!graph_) {
        control_.Reset();
        seeking_.Reset();
        events_.Reset();
        sinkTarget_.Reset();
        timerTarget_.Reset();
        sourceSlowDown_.Reset();
        timerSlowDown_.Reset();
        return;
    }
    sourceSlowDown_.Reset();
    timerSlowDown_.Reset();
    if (events_) events_->SetNotifyWindow(0, 0, 0);
    events_.Reset();
    if (control_) {
        control_->Stop();
        WaitState(nullptr);
    }
    control_.Reset();
    seeking_.Reset();
    // The filters may outlive the graph by a reference held elsewhere; they
    // must not report to a callback that is about to go.
    if (sinkTarget_) sinkTarget_->SetCallback(nullptr);
    if (timerTarget_) timerTarget_->SetCallback(nullptr);
    sinkTarget_.Reset();
    timerTarget_.Reset();
    graph_.Reset();
}

void AudioGraph::ReleaseGraph() {
    ReleaseInterfaces();
    segmentStart_ = segmentStop_ = -1;
    duration_ = 0;
    SetState(PlayState::Stopped);
    SetMode(GraphMode::None);
}

HRESULT AudioGraph::AcquireControlInterfaces() {
    HRESULT hr = graph_.As(IID_IMediaControl, &control_);
    if (SUCCEEDED(hr)) hr = graph_.As(IID_IMediaSeeking, &seeking_);
    if (SUCCEEDED(hr)) hr = graph_.As(IID_IMediaEventEx, &events_);
    if (SUCCEEDED(hr))
        hr = events_->SetNotifyWindow(reinterpret_cast<OAHWND>(notifyWindow_), kGraphNotifyMessage, 0);
    return hr;
}

// ---- The decode graph

HRESULT AudioGraph::TryAsyncSplitterChain(std::u16string_view mediaPath) {
    FilterSnapshot before(graph_.Get());
    auto fail = [&](HRESULT hr) {
        before.RemoveNewFilters();
        return FAILED(hr) ? hr : E_FAIL;
    };

    ComPtr<IBaseFilter> source;
    HRESULT hr = factory_->Create(kClsidOptionalAsyncSource, IID_IBaseFilter, source.PutVoid());
    if (FAILED(hr) || !source) return fail(hr);
    if (FAILED(hr = LoadSource(source.Get(), mediaPath))) return fail(hr);
    if (FAILED(hr = graph_->AddFilter(source.Get(), L"MRAsyncSource"))) return fail(hr);

    ComPtr<IBaseFilter> splitter;
    hr = factory_->Create(kClsidMpeg1Splitter, IID_IBaseFilter, splitter.PutVoid());
    if (FAILED(hr) || !splitter) return fail(hr);
    if (FAILED(hr = graph_->AddFilter(splitter.Get(), L"MPEG-1 Stream Splitter Filter"))) return fail(hr);
    ComPtr<IPin> sourceOut, splitterIn, splitterOut;
    if (FAILED(hr = GetPinByDirection(source.Get(), PINDIR_OUTPUT, 0, sourceOut.Put()))) return fail(hr);
    if (FAILED(hr = GetPinByDirection(splitter.Get(), PINDIR_INPUT, 0, splitterIn.Put()))) return fail(hr);
    if (FAILED(hr = graph_->ConnectDirect(sourceOut.Get(), splitterIn.Get(), nullptr))) return fail(hr);
    // The splitter's output appears once it has parsed the stream.
    if (FAILED(hr = GetPinByDirection(splitter.Get(), PINDIR_OUTPUT, 0, splitterOut.Put()))) return fail(hr);

    // The ACM wrapper first, the MP3 decoder in its place when it cannot
    // take the splitter's output.
    ComPtr<IBaseFilter> decoder;
    static const struct {
        const CLSID* clsid;
        const wchar_t* name;
    } kDecoders[] = {{&kClsidAcmWrapper, L"ACM Wrapper Filter"}, {&kClsidMp3Decoder, L"MPEG Layer-3 Decoder"}};
    for (const auto& d : kDecoders) {
        ComPtr<IBaseFilter> candidate;
        if (FAILED(factory_->Create(*d.clsid, IID_IBaseFilter, candidate.PutVoid())) || !candidate) continue;
        if (FAILED(graph_->AddFilter(candidate.Get(), d.name))) continue;
        ComPtr<IPin> in;
        if (SUCCEEDED(GetPinByDirection(candidate.Get(), PINDIR_INPUT, 0, in.Put())) &&
            SUCCEEDED(graph_->ConnectDirect(splitterOut.Get(), in.Get(), nullptr))) {
            decoder = candidate;
            break;
        }
        graph_->RemoveFilter(candidate.Get());
    }
    if (!decoder) return fail(VFW_E_CANNOT_CONNECT);

    ComPtr<IPin> decoderOut;
    if (FAILED(hr = GetPinByDirection(decoder.Get(), PINDIR_OUTPUT, 0, decoderOut.Put()))) return fail(hr);
    if ((hr = Strict(graph_->Render(decoderOut.Get()))) != S_OK) return fail(hr);
    return S_OK;
}

HRESULT AudioGraph::TryFileSourceChain(std::u16string_view mediaPath) {
    FilterSnapshot before(graph_.Get());
    auto fail = [&](HRESULT hr) {
        before.RemoveNewFilters();
        return FAILED(hr) ? hr : E_FAIL;
    };
    ComPtr<IBaseFilter> source;
    HRESULT hr = factory_->Create(kClsidFileSource, IID_IBaseFilter, source.PutVoid());
    if (FAILED(hr) || !source) return fail(hr);
    if (FAILED(hr = LoadSource(source.Get(), mediaPath))) return fail(hr);
    std::wstring name;
    if (FAILED(hr = graph_->AddFilter(source.Get(), W(mediaPath, &name)))) return fail(hr);
    ComPtr<IPin> out;
    if (FAILED(hr = GetPinByDirection(source.Get(), PINDIR_OUTPUT, 0, out.Put()))) return fail(hr);
    if ((hr = Strict(graph_->Render(out.Get()))) != S_OK) return fail(hr);
    return S_OK;
}

HRESULT AudioGraph::BuildDecodeGraph(std::u16string_view mediaPath) {
    ReleaseGraph();
    chain_ = DecodeChain::None;
    if (!EnsureDecodedPath()) return E_FAIL;
    if (mediaPath.empty() || SamePath(mediaPath, decodedPath_)) return E_FAIL;
    // The window shows its empty state while the graph is built.
    if (notifyWindow_) {
        InvalidateRect(notifyWindow_, nullptr, TRUE);
        UpdateWindow(notifyWindow_);
    }

    // Every failure below leaves through here: nothing half-built stays.
    auto fail = [&](HRESULT hr) {
        ReleaseInterfaces();
        return FAILED(hr) ? hr : E_FAIL;
    };

    HRESULT hr = factory_->Create(kClsidFilterGraph, IID_IGraphBuilder, graph_.PutVoid());
    if (FAILED(hr) || !graph_) return fail(hr);

    ComPtr<IBaseFilter> sink;
    hr = factory_->Create(CLSID_MRWavSink, IID_IBaseFilter, sink.PutVoid());
    if (FAILED(hr) || !sink) return fail(hr);
    {
        ComPtr<IFileSinkFilter> fileSink;
        if (FAILED(hr = sink.As(IID_IFileSinkFilter, &fileSink))) return fail(hr);
        std::wstring w;
        if (FAILED(hr = fileSink->SetFileName(W(decodedPath_, &w), nullptr))) return fail(hr);
    }
    if (FAILED(hr = sink.As(IID_IWaveCallbackTarget, &sinkTarget_))) return fail(hr);
    if (FAILED(hr = sinkTarget_->SetCallback(&callback_))) return fail(hr);
    if (FAILED(hr = graph_->AddFilter(sink.Get(), L"MRWavSink"))) return fail(hr);

    if (SUCCEEDED(TryAsyncSplitterChain(mediaPath))) {
        chain_ = DecodeChain::AsyncSplitter;
    } else if (SUCCEEDED(TryFileSourceChain(mediaPath))) {
        chain_ = DecodeChain::FileSource;
    } else {
        FilterSnapshot before(graph_.Get());
        std::wstring w;
        hr = Strict(graph_->RenderFile(W(mediaPath, &w), nullptr));
        if (hr != S_OK) return fail(hr);
        chain_ = DecodeChain::RenderFile;
    }

    // Whatever chain was built, the decoded PCM must end in the sink.
    {
        ComPtr<IPin> in, peer;
        if (FAILED(hr = GetPinByDirection(sink.Get(), PINDIR_INPUT, 0, in.Put()))) return fail(hr);
        if (FAILED(hr = in->ConnectedTo(peer.Put())) || !peer) {
            chain_ = DecodeChain::None;
            return fail(FAILED(hr) ? hr : VFW_E_NOT_CONNECTED);
        }
    }
    // Decoding runs as fast as the filters go: no reference clock paces it.
    {
        ComPtr<IMediaFilter> timing;
        if (SUCCEEDED(graph_.As(IID_IMediaFilter, &timing))) timing->SetSyncSource(nullptr);
    }
    if (FAILED(hr = AcquireControlInterfaces())) return fail(hr);
    SetMode(GraphMode::Decoding);
    return S_OK;
}

// ---- The playback graph

HRESULT AudioGraph::CreateTee(IBaseFilter** tee) {
    if (SUCCEEDED(factory_->Create(kClsidInfiniteTee, IID_IBaseFilter, reinterpret_cast<void**>(tee))) && *tee) {
        tee_ = TeeKind::System;
        return S_OK;
    }
    *tee = nullptr;
    const HRESULT hr = dshow::CreateTeeFilter(tee);
    if (SUCCEEDED(hr)) tee_ = TeeKind::Own;
    return hr;
}

HRESULT AudioGraph::BuildPlaybackGraph() {
    // The decode graph goes; the mode stays until this build succeeds.
    ReleaseInterfaces();
    segmentStart_ = segmentStop_ = -1;
    duration_ = 0;
    tee_ = TeeKind::None;
    if (state_ != PlayState::Stopped) SetState(PlayState::Stopped);
    if (decodedPath_.empty()) return E_FAIL;

    auto fail = [&](HRESULT hr) {
        ReleaseInterfaces();
        tee_ = TeeKind::None;
        return FAILED(hr) ? hr : E_FAIL;
    };

    HRESULT hr = factory_->Create(kClsidFilterGraph, IID_IGraphBuilder, graph_.PutVoid());
    if (FAILED(hr) || !graph_) return fail(hr);

    ComPtr<IBaseFilter> source;
    hr = factory_->Create(CLSID_MRWavSource, IID_IBaseFilter, source.PutVoid());
    if (FAILED(hr) || !source) return fail(hr);
    if (FAILED(hr = LoadSource(source.Get(), decodedPath_))) return fail(hr);
    if (FAILED(hr = source.As(IID_ISlowDownControl, &sourceSlowDown_))) return fail(hr);
    std::wstring name;
    if (FAILED(hr = graph_->AddFilter(source.Get(), W(decodedPath_, &name)))) return fail(hr);
    ComPtr<IPin> sourceOut;
    if (FAILED(hr = GetPinByDirection(source.Get(), PINDIR_OUTPUT, 0, sourceOut.Put()))) return fail(hr);

    ComPtr<IBaseFilter> tee;
    if (FAILED(hr = CreateTee(tee.Put()))) return fail(hr);
    if (FAILED(hr = graph_->AddFilter(tee.Get(), L"Infinite Pin Tee Filter"))) return fail(hr);
    ComPtr<IPin> teeIn, teeOut0, teeOut1;
    if (FAILED(hr = GetPinByDirection(tee.Get(), PINDIR_INPUT, 0, teeIn.Put()))) return fail(hr);
    if (FAILED(hr = graph_->Connect(sourceOut.Get(), teeIn.Get()))) return fail(hr);
    if (FAILED(hr = GetPinByDirection(tee.Get(), PINDIR_OUTPUT, 0, teeOut0.Put()))) return fail(hr);
    if ((hr = Strict(graph_->Render(teeOut0.Get()))) != S_OK) return fail(hr);
    // The tee offers its second output once the first is connected.
    if (FAILED(hr = GetPinByDirection(tee.Get(), PINDIR_OUTPUT, 1, teeOut1.Put()))) return fail(hr);

    ComPtr<IBaseFilter> timer;
    hr = factory_->Create(CLSID_MRWavRenderTimer, IID_IBaseFilter, timer.PutVoid());
    if (FAILED(hr) || !timer) return fail(hr);
    if (FAILED(hr = timer.As(IID_IWaveCallbackTarget, &timerTarget_))) return fail(hr);
    if (FAILED(hr = timerTarget_->SetCallback(&callback_))) return fail(hr);
    if (FAILED(hr = timer.As(IID_ISlowDownControl, &timerSlowDown_))) return fail(hr);
    if (FAILED(hr = graph_->AddFilter(timer.Get(), L"MRWavRenderTimer"))) return fail(hr);
    ComPtr<IPin> timerIn;
    if (FAILED(hr = GetPinByDirection(timer.Get(), PINDIR_INPUT, 0, timerIn.Put()))) return fail(hr);
    if (FAILED(hr = graph_->Connect(teeOut1.Get(), timerIn.Get()))) return fail(hr);

    if (FAILED(hr = AcquireControlInterfaces())) return fail(hr);
    filtersSlow_ = slowDown_;
    positionBase_ = 0;
    if (slowDown_) {
        sourceSlowDown_->SetSlowDown(TRUE);
        timerSlowDown_->SetSlowDown(TRUE);
    }
    LONGLONG duration = 0;
    if (FAILED(hr = seeking_->GetDuration(&duration))) return fail(hr);
    duration_ = duration;
    segmentStart_ = 0;
    segmentStop_ = duration;
    playMode_ = PlayMode::Play;
    SetMode(GraphMode::PlaybackReady);
    return S_OK;
}

// ---- Events

void AudioGraph::FailOpen() {
    ReleaseGraph();
    if (listener_) listener_->OnPlayFailed();
}

void AudioGraph::OnSegmentComplete() {
    if (!control_) return;
    if (segmentStop_ >= 0 && segmentStop_ < duration_) {
        // A segment ended inside the media: stop there and mark it.
        control_->Stop();
        WaitState(nullptr);
        ForgetSegment();
        SetState(PlayState::SegmentEnded);
    } else {
        // The end of the media: the positions go out again at the next play,
        // which would otherwise run from the end and complete at once.
        Stop();
        ForgetSegment();
    }
}

void AudioGraph::HandleGraphEvents() {
    // Messages posted by a graph released since arrive here too.
    while (events_) {
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (events_->GetEvent(&code, &p1, &p2, 0) != S_OK) break;
        events_->FreeEventParams(code, p1, p2);
        switch (code) {
            case EC_COMPLETE:
                if (mode_ == GraphMode::PlaybackReady) {
                    OnSegmentComplete();
                } else if (mode_ == GraphMode::Decoding) {
                    // Only a decode still under way can finish; a complete
                    // event of a stopped (mode 0) decode graph is stale.
                    if (listener_) listener_->OnDecodeFinished(decodedPath_);
                    SetMode(GraphMode::Decoded);
                }
                break;
            case EC_ERRORABORT:
                if (mode_ == GraphMode::Decoding) {
                    // The decode cannot finish: no half-decoded file is played.
                    FailOpen();
                } else if (mode_ == GraphMode::PlaybackReady) {
                    Stop();
                }
                break;
            case EC_USERABORT:
                if (mode_ == GraphMode::Decoding || mode_ == GraphMode::PlaybackReady) Stop();
                break;
            default: break;
        }
    }
    if (mode_ == GraphMode::Decoded && graph_ && FAILED(BuildPlaybackGraph())) FailOpen();
}

// ---- Transport

HRESULT AudioGraph::Run() {
    if (!control_) return E_UNEXPECTED;
    HRESULT hr = control_->Run();
    if (FAILED(hr)) return hr;
    WaitState(nullptr);
    if (mode_ == GraphMode::PlaybackReady) SetState(PlayState::Playing);
    return S_OK;
}

HRESULT AudioGraph::Pause() {
    if (!control_ || mode_ != GraphMode::PlaybackReady) return E_UNEXPECTED;
    HRESULT hr = control_->Pause();
    if (FAILED(hr)) return hr;
    WaitState(nullptr);
    SetState(PlayState::Paused);
    return S_OK;
}

HRESULT AudioGraph::Stop() {
    if (!control_) return E_UNEXPECTED;
    const HRESULT hr = control_->Stop();
    WaitState(nullptr);
    if (mode_ == GraphMode::Decoding) SetMode(GraphMode::None);
    SetState(PlayState::Stopped);
    // S_FALSE only says that a filter was still on its way to stopped when
    // Stop returned; the wait above has given it its time.
    return FAILED(hr) ? hr : S_OK;
}

HRESULT AudioGraph::PlaySegment(int64_t start, int64_t stop, PlayMode mode) {
    if (!seeking_ || mode_ != GraphMode::PlaybackReady) return E_UNEXPECTED;
    if (stop < 0 || stop > duration_) stop = duration_;
    if (start < 0) start = 0;
    if (start > stop) start = stop;
    if (state_ == PlayState::Playing) Pause();
    if (start != segmentStart_ || stop != segmentStop_) {
        LONGLONG s = start, e = stop;
        const HRESULT hr =
            seeking_->SetPositions(&s, AM_SEEKING_AbsolutePositioning, &e, AM_SEEKING_AbsolutePositioning);
        if (FAILED(hr)) return hr;
        positionBase_ = start;
        segmentStart_ = start;
        segmentStop_ = stop;
    }
    playMode_ = mode;
    return Run();
}

HRESULT AudioGraph::CurrentPosition(int64_t* position) const {
    if (!position) return E_POINTER;
    *position = 0;
    if (!seeking_) return E_UNEXPECTED;
    LONGLONG p = 0;
    const HRESULT hr = seeking_->GetCurrentPosition(&p);
    if (FAILED(hr)) return hr;
    if (filtersSlow_ && p > positionBase_) p = positionBase_ + (p - positionBase_) / 2;
    *position = p;
    return hr;
}

HRESULT AudioGraph::SetCurrentPosition(int64_t position) {
    if (!seeking_) return E_UNEXPECTED;
    LONGLONG p = position < 0 ? 0 : position;
    const HRESULT hr = seeking_->SetPositions(&p, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    if (SUCCEEDED(hr)) positionBase_ = p;
    return hr;
}

void AudioGraph::ForgetSegment() { segmentStart_ = segmentStop_ = -1; }

HRESULT AudioGraph::SetSlowDown(bool on) {
    slowDown_ = on;
    if (mode_ != GraphMode::PlaybackReady || !sourceSlowDown_ || !timerSlowDown_ || !control_) return S_OK;
    if (filtersSlow_ == on) return S_OK;
    const BOOL flag = on ? TRUE : FALSE;
    const PlayState previous = state_;
    const bool running = previous == PlayState::Playing || previous == PlayState::Paused;
    if (previous == PlayState::Playing) {
        control_->Pause();
        WaitState(nullptr);
    }
    // The position in media time, read under the old speed.
    int64_t position = 0;
    HRESULT hr = CurrentPosition(&position);
    if (running) {
        control_->Stop();
        WaitState(nullptr);
    }
    // Stopped, the filters simply take the flag for the next run.
    sourceSlowDown_->SetSlowDown(flag);
    timerSlowDown_->SetSlowDown(flag);
    filtersSlow_ = on;
    // Positioned again in any case, so that the graph counts its stream time
    // from here at the new speed.
    if (SUCCEEDED(hr)) hr = SetCurrentPosition(position);
    // The graph has moved: the next PlaySegment must send its positions even
    // when they equal the pair sent before the switch.
    ForgetSegment();
    if (!running) return hr;
    // The previous state comes back whether or not the position could be
    // read: the user pressed a switch, not Stop.
    const HRESULT resume = previous == PlayState::Playing ? control_->Run() : control_->Pause();
    WaitState(nullptr);
    if (FAILED(resume)) {
        SetState(PlayState::Stopped);
        return resume;
    }
    return hr;
}

}  // namespace mr::graph
