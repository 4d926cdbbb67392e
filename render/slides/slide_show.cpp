#include "render/slides/slide_show.h"

namespace mr {

SlideShow::SlideShow(ThreadPlatform& threads, FolderProbe& folders, RandomSource* random)
    : random_(random),
      scanner_(list_, folders),
      scannerControl_(threads),
      loaderControl_(threads),
      loader_(list_, slot_, random),
      scheduler_(slot_, *this) {}

SlideShow::~SlideShow() {
    StopLoader();
    StopScanner();
    ReleasePictures();
}

bool SlideShow::StartScanner(std::u16string_view imagePath) {
    if (scannerControl_.IsRunning()) return false;
    scanner_.SetImagePath(imagePath);
    return scannerControl_.Start(scanner_);
}

void SlideShow::StopScanner() {
    scannerControl_.Stop();
    list_.Clear();
}

void SlideShow::SetImagePath(std::u16string_view imagePath) {
    ScopedPause pause(scannerControl_);
    scanner_.SetImagePath(imagePath);
}

bool SlideShow::StartLoader(SlideDecoder& decoder, LyricsDocument* doc, bool randomFolder) {
    if (loaderControl_.IsRunning()) return false;
    loader_.SetDecoder(&decoder);
    loader_.SetInputs(doc, randomFolder);
    return loaderControl_.Start(loader_);
}

void SlideShow::StopLoader() {
    loaderControl_.Stop();
    slot_.Drain();
}

void SlideShow::SetLoaderInputs(LyricsDocument* doc, bool randomFolder) {
    ScopedPause pause(loaderControl_);
    loader_.SetInputs(doc, randomFolder);
}

void SlideShow::Request(int32_t t) {
    loader_.Request(t);
    loaderControl_.Signal();
}

}  // namespace mr
