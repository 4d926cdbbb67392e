// Fuzz target: Plain text files (kind 8), which only the editor reads.
#include <cstddef>
#include <cstdint>

#include "fuzz/readers/fuzz_support.h"
#include "lyrics/lyrics_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mr::fuzz::LoadAndCheck(data, size, mr::kLyricsKindText, mr::fuzz::kEditor);
    return 0;
}
