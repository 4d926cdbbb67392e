#pragma once
// What the editor's audio graphs report to their owner (the main frame, or a
// test). Windows layer only; no window class is involved: the graph posts its
// DirectShow events to a plain HWND and reports everything else here.

#include <cstdint>
#include <string>

namespace mr::graph {

// The window message that the graph's IMediaEventEx posts to the notify
// window (lParam: instance data 0). The owner calls
// AudioGraph::HandleGraphEvents when it arrives.
inline constexpr unsigned kGraphNotifyMessage = 32769;

// The title and text of the one failure the user sees from the graphs.
inline constexpr char16_t kPlayFailureTitle[] = u"Mirelto";
inline constexpr char16_t kPlayFailureText[] = u"Can not play the file";

enum class GraphMode : int {
    None = 0,           // no graph
    Decoding = 1,       // the decode graph exists (running or stopped)
    Decoded = 2,        // the decode completed; transient, or left after a failed playback build
    PlaybackReady = 3,  // the playback graph exists
};

enum class PlayState : int {
    Stopped = 1,
    Paused = 2,
    Playing = 4,
    SegmentEnded = 8,  // a played segment reached its stop before the end of the media
};

// Play mode of the last transport command, kept for resuming after a seek.
enum class PlayMode : int { Play = 3, PlayLine = 4, PlayFromSync = 5 };

// Implemented by the graph's owner. Every call except OnProgress comes on the
// thread that calls AudioGraph (the user-interface thread), from inside an
// AudioGraph method; an implementation may read the graph's state there but
// must not build or release a graph from inside the call.
class GraphListener {
public:
    // The graph mode changed (also on a change to the same value after a
    // release). The timeline clears its progress-or-position value here.
    virtual void OnGraphModeChanged(GraphMode mode) = 0;
    // The play state changed. Stopped clears the timeline's position value.
    virtual void OnPlayStateChanged(PlayState state) = 0;
    // From the filters' streaming and timer threads: while decoding (graph
    // modes 1 and 2) the percent decoded (0 to 100), otherwise the playback
    // position in media time (100-ns units). Must return at once: store the
    // value under a short lock of its own and post or invalidate; never send
    // a message, take the document lock or call into the graph (the UI thread
    // may be waiting for this very thread in Stop or a seek).
    virtual void OnProgress(int64_t value) = 0;
    // The decode completed into the decoded file at `decodedPath`. The owner
    // builds the waveform from it now; the graph builds the playback graph
    // right after this returns.
    virtual void OnDecodeFinished(const std::u16string& decodedPath) = 0;
    // Opening the audio failed after BuildDecodeGraph had succeeded: the
    // decode aborted with an error, or the playback graph could not be
    // built. The graph is already released and the transport stays disabled;
    // the owner forgets the stored audio path and shows kPlayFailureText
    // titled kPlayFailureTitle.
    virtual void OnPlayFailed() = 0;

protected:
    ~GraphListener() = default;
};

}  // namespace mr::graph
