#pragma once
// SlideShow: the pictures behind the lyrics, as the frame composer
// (LyricsRenderer) drives them. It owns the two workers (the picture-list
// scanner and the picture loader), the picture list they share, the hand-over
// slot and the drawing thread's current and next pictures.
//
// Threads: every member function is called on the host's drawing thread (the
// one that draws, syncs presets and loads documents); the scanner and the
// loader run on their own threads behind the pause/resume handshake.
//
// Textures: pictures are decoded by the SlideDecoder given to StartLoader
// (on Windows a TextureDecoder on the renderer's device, which must be
// created multithreaded). The slide show owns every picture it holds; the
// textures in a PictureFrame are borrowed for that frame. StopLoader and
// ReleasePictures let go of all of them, which must happen before the device
// is released.
//
// The composer's sequence:
//   Start:        StartScanner(ImagePath)
//   device ready: StartLoader(decoder, &document, SlideShow)
//   preset sync:  PauseScanner/PauseLoader ... SetImagePath / SetLoaderInputs,
//                 ReleasePictures ... ResumeScanner, ResumeLoader
//                 (ScopedPause on Scanner()/Loader() resumes on every way out)
//   new document: the same pause around clearing and refilling the document
//   each frame:   SchedulePictures(display time, area, vertices, capacity)
//   "does the document drive the show?": HasTimedSlides(document)
//   device gone:  StopLoader, ReleasePictures
//   Stop:         StopScanner

#include <cstdint>
#include <string_view>

#include "render/slides/picture.h"
#include "render/slides/picture_list.h"
#include "render/slides/picture_scanner.h"
#include "render/slides/picture_scheduler.h"
#include "render/slides/slide_loader.h"
#include "render/slides/worker_control.h"

namespace mr {

class LyricsDocument;

class SlideShow final : private PictureRequests {
public:
    // The platform pieces are not owned and must outlive the slide show;
    // `random` may be null (sequential picks).
    SlideShow(ThreadPlatform& threads, FolderProbe& folders, RandomSource* random);
    // Stops both workers and releases every picture.
    ~SlideShow();
    SlideShow(const SlideShow&) = delete;
    SlideShow& operator=(const SlideShow&) = delete;

    // --- The scanner. ImagePath names one picture file or a folder.
    bool StartScanner(std::u16string_view imagePath);
    void StopScanner();
    void PauseScanner() { scannerControl_.Pause(); }
    void ResumeScanner() { scannerControl_.Resume(); }
    // A new ImagePath: listed afresh. Pauses the scanner around the change
    // unless the caller has paused it already (it then takes effect at the
    // caller's resume).
    void SetImagePath(std::u16string_view imagePath);

    // --- The loader. `doc` (may be null) is the renderer's document; its
    // slides, when it has timed ones, are the show, else the folder's
    // pictures in random order (randomFolder, the preset's SlideShow) or the
    // single picture file. False (nothing running) when the events or the
    // thread cannot be made.
    bool StartLoader(SlideDecoder& decoder, LyricsDocument* doc, bool randomFolder);
    // Stops the loader and releases the picture waiting in the slot.
    void StopLoader();
    void PauseLoader() { loaderControl_.Pause(); }
    void ResumeLoader() { loaderControl_.Resume(); }
    // New inputs for the loader, taken at its next resume; pauses it around
    // the change unless the caller has paused it already.
    void SetLoaderInputs(LyricsDocument* doc, bool randomFolder);

    WorkerControl& Scanner() { return scannerControl_; }
    WorkerControl& Loader() { return loaderControl_; }

    // --- Per frame: see PictureScheduler::Schedule. Requests go to the
    // loader (nothing happens with them while it is stopped).
    PictureFrame SchedulePictures(int32_t t, const PictureArea& area, PictureVertex* out, uint32_t capacity) {
        return scheduler_.Schedule(t, area, out, capacity);
    }
    // Releases the current and next pictures.
    void ReleasePictures() { scheduler_.ReleasePictures(); }

    // A random index in [0, n) other than previous (the random preset: n = 6).
    int32_t PickRandom(int32_t previous, int32_t n) { return mr::PickRandom(random_, previous, n); }

    // The list the scanner fills (for the composer's tests and diagnostics).
    const PictureList& List() const { return list_; }

private:
    void Request(int32_t t) override;

    RandomSource* random_;
    PictureList list_;
    PictureSlot slot_;
    PictureScanner scanner_;
    WorkerControl scannerControl_;
    WorkerControl loaderControl_;
    SlideLoader loader_;
    PictureScheduler scheduler_;
};

}  // namespace mr
