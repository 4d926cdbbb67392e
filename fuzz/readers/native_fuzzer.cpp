// Fuzz target: Native .mr files of every version read whole (kind 4), as the editor and the plug-ins read them.
#include <cstddef>
#include <cstdint>

#include "fuzz/readers/fuzz_support.h"
#include "lyrics/lyrics_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mr::fuzz::LoadAndCheck(data, size, mr::kLyricsKindNative, mr::fuzz::kEditor | mr::fuzz::kPlayer);
    return 0;
}
