#include "render/slides/slide_loader.h"

#include "common/buffered_file.h"
#include "common/file.h"
#include "lyrics/lyrics_document.h"

namespace mr {

void SlideLoader::TakeInputs() {
    workDoc_ = doc_;
    workRandom_ = randomFolder_;
    if (workDoc_) {
        timeline_.Reset(workDoc_->GetSlideImages(), workDoc_->GetSlideImageCount());
    } else {
        timeline_.Reset(nullptr, 0);
    }
    previous_ = -1;
}

void SlideLoader::Run(WorkerControl& control) {
    if (decoder_) decoder_->ThreadStarting();
    TakeInputs();
    for (;;) {
        const WorkerWake wake = control.WaitForWork();
        if (wake == WorkerWake::kQuit) break;
        if (wake == WorkerWake::kResumed) {
            TakeInputs();
            continue;
        }
        Serve(request_.load(std::memory_order_acquire), &control);
    }
    slot_.Drain();
    if (decoder_) decoder_->ThreadEnding();
}

void SlideLoader::Serve(int32_t t, const WorkerControl* control) {
    if (!decoder_) return;
    if (timeline_.HasSlides()) {
        ServeTimed(t);
    } else if (workRandom_) {
        ServeRandom(t, control);
    } else {
        ServeSingle(t);
    }
}

void SlideLoader::ServeTimed(int64_t t) {
    TimeWindow window;
    const uint32_t index = timeline_.Locate(t, &window);
    if (Waiting(window)) return;
    if (Picture* picture = DecodeSlide(index)) Deliver(picture, window);
}

void SlideLoader::ServeRandom(int64_t t, const WorkerControl* control) {
    const TimeWindow window = FolderWindow(t);
    if (Waiting(window)) return;
    for (uint32_t tries = 0; tries < kMaxTriesPerRequest; ++tries) {
        if (control && control->State() != kWorkerRun) return;
        const uint32_t count = list_.Count();
        if (count < 2) return;  // entry 0 is never among the random picks
        const int32_t files = static_cast<int32_t>(count - 1 > INT32_MAX ? INT32_MAX : count - 1);
        const int32_t k = PickRandom(random_, previous_, files);
        previous_ = k;
        uint32_t generation = 0;
        if (!list_.Copy(static_cast<uint32_t>(k) + 1, &path_, &generation)) return;
        // Decoding happens outside the list's lock: the scanner may append meanwhile.
        Picture* picture = nullptr;
        switch (decoder_->DecodeFile(path_, &picture)) {
        case DecodeResult::kDecoded:
            Deliver(picture, window);
            return;
        case DecodeResult::kUnusable:
            // Dropped until the next listing; the next pick is another file.
            list_.Drop(static_cast<uint32_t>(k) + 1, generation);
            break;
        case DecodeResult::kFailed:
            return;  // the device's trouble, not the file's: the next request tries again
        }
    }
}

void SlideLoader::ServeSingle(int64_t t) {
    const TimeWindow window = FolderWindow(t);
    if (Waiting(window)) return;
    uint32_t generation = 0;
    if (!list_.Copy(0, &path_, &generation)) return;
    Picture* picture = nullptr;
    switch (decoder_->DecodeFile(path_, &picture)) {
    case DecodeResult::kDecoded:
        Deliver(picture, window);
        break;
    case DecodeResult::kUnusable:
        list_.Drop(0, generation);  // not tried again until the next listing
        break;
    case DecodeResult::kFailed:
        break;
    }
}

Picture* SlideLoader::DecodeSlide(uint32_t index) {
    const SlideImage& slide = workDoc_->GetSlideImages()[index];
    Picture* picture = nullptr;
    DecodeResult result = DecodeResult::kUnusable;
    if (slide.flags & kSlideExternal) {
        const char16_t* path = workDoc_->GetPoolText(slide.reference);
        if (path && *path) result = decoder_->DecodeFile(path, &picture);
    } else if (ReadEmbedded(slide.reference)) {
        result = decoder_->DecodeBytes(bytes_.data(), static_cast<uint32_t>(bytes_.size()), &picture);
    }
    if (result == DecodeResult::kDecoded) return picture;
    if (result == DecodeResult::kFailed) return nullptr;
    return decoder_->ColourBars();
}

bool SlideLoader::ReadEmbedded(uint32_t imageIndex) {
    if (imageIndex >= workDoc_->GetImageDataCount()) return false;
    const ImageData data = workDoc_->GetImageData()[imageIndex];
    BufferedFile* source = workDoc_->GetImageSource();
    if (!source || data.size == 0 || data.size > kMaxEmbeddedBytes) return false;
    if (static_cast<uint64_t>(data.offset) + data.size > source->Size()) return false;
    if (!fs::Seek(source->Handle(), data.offset, fs::Origin::Begin)) return false;
    bytes_.resize(data.size);
    uint32_t have = 0;
    while (have < data.size) {
        uint32_t got = 0;
        if (!fs::Read(source->Handle(), bytes_.data() + have, data.size - have, &got) || got == 0) return false;
        have += got;
    }
    return true;
}

void SlideLoader::Deliver(Picture* picture, const TimeWindow& window) {
    picture->SetWindow(window);
    published_ = window;
    slot_.Publish(picture);
}

}  // namespace mr
