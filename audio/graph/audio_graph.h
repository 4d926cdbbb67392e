#pragma once
// The editor's audio graphs. Opening audio takes two graphs in turn: the
// decode graph runs the media file, whatever its format, through the wave
// sink into the decoded wave file; when it completes, the owner builds the
// waveform from that file and the playback graph replaces the decode graph:
// wave source -> tee -> the default audio renderer and the render timer,
// which reports the playback position.
//
// One AudioGraph per editor, used on the user-interface thread only (COM
// initialised there). It owns the graph's interfaces, the graph mode and play
// state, the segment last sent to the graph and the decoded file's path; it
// knows nothing of the main frame's window class: events are posted to
// `notifyWindow` as kGraphNotifyMessage and everything else is reported
// through the GraphListener. Media times are in 100-ns units throughout.

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "audio/dshow/com_ptr.h"
#include "audio/graph/graph_listener.h"
#include "audio/graph/progress_callback.h"
#include "common/com/wave_interfaces.h"

namespace mr::graph {

using dshow::ComPtr;

// Creates the filters and the graph. The default one calls CoCreateInstance
// (in-process); tests put stand-ins in place of chosen classes.
class FilterFactory {
public:
    // Creates `clsid` asking for `iid`; *out receives one reference or null.
    // REGDB_E_CLASSNOTREG (or any failure code) when the class cannot be made.
    virtual HRESULT Create(REFCLSID clsid, REFIID iid, void** out) = 0;

protected:
    ~FilterFactory() = default;
};
FilterFactory& DefaultFilterFactory();

// Which decode chain the last successful BuildDecodeGraph used.
enum class DecodeChain : int {
    None = 0,
    AsyncSplitter = 1,  // optional asynchronous source -> MPEG-1 splitter -> ACM wrapper or MP3 decoder
    FileSource = 2,     // the platform file source, rendered
    RenderFile = 3,     // IGraphBuilder::RenderFile
};

// Whether the last playback graph used the system's Infinite Pin Tee or ours.
enum class TeeKind : int { None = 0, System = 1, Own = 2 };

class AudioGraph {
public:
    // `notifyWindow` receives kGraphNotifyMessage; `listener` outlives this
    // object; `factory` (null: the default) as well.
    AudioGraph(HWND notifyWindow, GraphListener* listener, FilterFactory* factory = nullptr);
    // Releases the graph (no listener calls). The decoded file stays.
    ~AudioGraph();
    AudioGraph(const AudioGraph&) = delete;
    AudioGraph& operator=(const AudioGraph&) = delete;

    // Releases any graph and builds the decode graph of `mediaPath`
    // (not run). Creates the decoded file's path on first use. Fails
    // (E_FAIL) for the decoded file itself, and with the failing step's code
    // otherwise, leaving no graph. Graph mode 1 on success.
    HRESULT BuildDecodeGraph(std::u16string_view mediaPath);
    // Releases any graph and builds the playback graph of the decoded file.
    // On success: graph mode 3, Slow Down applied, segment [0, duration],
    // play mode Play. On failure no graph is left and the mode stays.
    HRESULT BuildPlaybackGraph();
    // Stops and releases the graph when one exists; then play state Stopped
    // and graph mode None (both reported).
    void ReleaseGraph();

    // The index-th pin (from 0) of `direction` on `filter` into *pin (one
    // reference). S_OK only when found; E_FAIL when there is none (never a
    // success code without a pin); E_POINTER for null arguments.
    static HRESULT GetPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction, int index, IPin** pin);

    // The handler of kGraphNotifyMessage: drains the graph's event queue.
    // Complete while decoding: OnDecodeFinished, mode 2, then the playback
    // graph (a failed build releases everything and reports OnPlayFailed).
    // Complete in mode 3: a segment that ends inside the media stops there
    // (PlayState::SegmentEnded), one that reaches the end stops (Stopped);
    // either way the segment is forgotten. Error abort while decoding: released,
    // OnPlayFailed. Other aborts: Stop.
    void HandleGraphEvents();

    // --- Transport (graph modes as noted; each waits up to 100 ms for the
    // state change and updates the play state).
    // Runs the graph (decode graph: starts decoding; playback: plays from the
    // current position to the current stop).
    HRESULT Run();
    HRESULT Pause();
    // Stops the graph. In graph mode 1 the decode is abandoned: mode 0, the
    // stopped graph stays until the next build releases it.
    HRESULT Stop();
    // Plays [start, stop) (mode 3): the positions are sent only when they
    // differ from the segment last sent; then runs. `stop` < 0: to the end.
    HRESULT PlaySegment(int64_t start, int64_t stop, PlayMode mode);
    // The current playback position in media time of the decoded file
    // (mode 3). The graph counts its position in stream time from the last
    // positioning; with Slow Down the stream runs at half the media's speed,
    // so the stretch since that positioning is taken out again.
    HRESULT CurrentPosition(int64_t* position) const;
    // Moves the current position (absolute; the stop stays).
    HRESULT SetCurrentPosition(int64_t position);
    // Forgets the segment last sent, so the next PlaySegment sends again.
    void ForgetSegment();

    // The Slow Down setting. Stored for the next playback graph; with a
    // playback graph: while stopped only SetSlowDown on both filters, else
    // pause if playing, read the position, stop, SetSlowDown on both, set the
    // position again and resume the previous play state.
    HRESULT SetSlowDown(bool on);
    bool SlowDown() const { return slowDown_; }

    GraphMode Mode() const { return mode_; }
    PlayState State() const { return state_; }
    PlayMode LastPlayMode() const { return playMode_; }
    void SetLastPlayMode(PlayMode mode) { playMode_ = mode; }
    int64_t SegmentStart() const { return segmentStart_; }  // -1 when none
    int64_t SegmentStop() const { return segmentStop_; }    // -1 when none
    int64_t Duration() const { return duration_; }          // of the playback graph, 0 before
    DecodeChain LastDecodeChain() const { return chain_; }
    TeeKind LastTee() const { return tee_; }

    // The decoded file: "wavXXXX.tmp" in the product's folder under the
    // per-user application-data folder, created on first use and reused by
    // every open. Empty until then.
    const std::u16string& DecodedPath() const { return decodedPath_; }
    // Uses `path` as the decoded file (tests; an owner that keeps it in its
    // settings). Only while no graph exists.
    void SetDecodedPath(std::u16string path) { decodedPath_ = std::move(path); }
    // Releases the graph and deletes the decoded file (the editor closing).
    void DeleteDecodedFile();

    // The IWaveProgressCallback handed to the filters.
    WaveProgressCallback& Callback() { return callback_; }
    // The graph, for tests and diagnostics (null when none).
    IGraphBuilder* Graph() const { return graph_.Get(); }

private:
    bool EnsureDecodedPath();
    HRESULT TryAsyncSplitterChain(std::u16string_view mediaPath);
    HRESULT TryFileSourceChain(std::u16string_view mediaPath);
    HRESULT AcquireControlInterfaces();
    HRESULT CreateTee(IBaseFilter** tee);
    void ReleaseInterfaces();
    void SetMode(GraphMode mode);
    void SetState(PlayState state);
    void OnSegmentComplete();
    void FailOpen();
    HRESULT WaitState(OAFilterState* state);

    HWND notifyWindow_;
    GraphListener* listener_;
    FilterFactory* factory_;
    WaveProgressCallback callback_;

    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaSeeking> seeking_;
    ComPtr<IMediaEventEx> events_;
    ComPtr<IWaveCallbackTarget> sinkTarget_;
    ComPtr<IWaveCallbackTarget> timerTarget_;
    ComPtr<ISlowDownControl> sourceSlowDown_;
    ComPtr<ISlowDownControl> timerSlowDown_;

    GraphMode mode_ = GraphMode::None;
    PlayState state_ = PlayState::Stopped;
    PlayMode playMode_ = PlayMode::Play;
    int64_t segmentStart_ = -1;
    int64_t segmentStop_ = -1;
    int64_t duration_ = 0;
    bool slowDown_ = false;
    bool filtersSlow_ = false;     // the flag the playback graph's filters hold
    int64_t positionBase_ = 0;     // media time of the graph's last positioning
    DecodeChain chain_ = DecodeChain::None;
    TeeKind tee_ = TeeKind::None;
    std::u16string decodedPath_;
};

}  // namespace mr::graph
