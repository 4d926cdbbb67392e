// Fuzz target: Karaoke MIDI files (kind 9), which only the plug-ins read.
#include <cstddef>
#include <cstdint>

#include "fuzz/readers/fuzz_support.h"
#include "lyrics/lyrics_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mr::fuzz::LoadAndCheck(data, size, mr::kLyricsKindMidi, mr::fuzz::kPlayer);
    return 0;
}
