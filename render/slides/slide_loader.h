#pragma once
// SlideLoader: the worker that decodes the picture for a requested display
// time while the current one is on screen, and publishes it with its window.
//
// Its inputs (the document's slides, the random mode, the folder list) are
// read when it starts and after every resume; the owner changes them only
// while the loader is paused. The document's slides, when it has timed ones,
// are shown in order; otherwise the folder's pictures in random order
// (random mode) or the single picture file (entry 0), each for a 10-second
// window.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "render/slides/picture.h"
#include "render/slides/picture_list.h"
#include "render/slides/slide_timeline.h"
#include "render/slides/worker_control.h"

namespace mr {

class LyricsDocument;

class SlideLoader final : public Worker {
public:
    // Picks tried for one request in random mode before the loader gives up
    // until the next request: a folder of undecodable files must not keep
    // the thread busy.
    static constexpr uint32_t kMaxTriesPerRequest = 8;
    // Larger embedded pictures are not read (they show the colour bars).
    static constexpr uint32_t kMaxEmbeddedBytes = 256u << 20;

    // None of the references is owned; all must outlive the loader's thread.
    // `random` may be null (picks then run sequentially).
    SlideLoader(PictureList& list, PictureSlot& slot, RandomSource* random)
        : list_(list), slot_(slot), random_(random) {}

    // The decoder (not owned). Call before the loader starts; without one
    // nothing is decoded.
    void SetDecoder(SlideDecoder* decoder) { decoder_ = decoder; }

    // The loader's inputs. Call before it starts or while it is paused; they
    // take effect at the start or the resume. The document (may be null) is
    // read on the loader thread while it runs: its slide table and source
    // file must not change until the next pause.
    void SetInputs(LyricsDocument* doc, bool randomFolder) {
        doc_ = doc;
        randomFolder_ = randomFolder;
    }

    // Drawing thread: asks for the picture of display time t (stored
    // atomically; the caller then signals the loader's wake event).
    void Request(int32_t t) { request_.store(t, std::memory_order_release); }

    // One request, as the loader thread serves it: decode the picture for t
    // and publish it, unless a picture for the same window already waits.
    // Gives up when `control` (optional) leaves the run state. Public so that
    // requests can be served directly.
    void Serve(int32_t t, const WorkerControl* control);
    // Re-reads the inputs and forgets the previous random pick (what the
    // thread does at start and after each resume).
    void TakeInputs();

    void Run(WorkerControl& control) override;
    // A picture decoded for the old inputs is of no use after the pause.
    void OnPark() override { slot_.Drain(); }

private:
    void ServeTimed(int64_t t);
    void ServeRandom(int64_t t, const WorkerControl* control);
    void ServeSingle(int64_t t);
    // Decodes slide `index` of the document; the colour bars when it cannot
    // be decoded. Null when no texture can be made.
    Picture* DecodeSlide(uint32_t index);
    bool ReadEmbedded(uint32_t imageIndex);
    // Whether the picture waiting in the slot is the one for `window`.
    bool Waiting(const TimeWindow& window) const { return slot_.Occupied() && published_ == window; }
    void Deliver(Picture* picture, const TimeWindow& window);

    PictureList& list_;
    PictureSlot& slot_;
    SlideDecoder* decoder_ = nullptr;
    RandomSource* random_;
    std::atomic<int32_t> request_{0};

    // Inputs as set by the owner, and the working state taken from them.
    LyricsDocument* doc_ = nullptr;
    bool randomFolder_ = false;
    LyricsDocument* workDoc_ = nullptr;
    bool workRandom_ = false;
    SlideTimeline timeline_;
    int32_t previous_ = -1;
    TimeWindow published_{0, 0};  // window of the picture last published
    std::u16string path_;
    std::vector<uint8_t> bytes_;
};

}  // namespace mr
