// Fuzz target: native .mr files read chunk by chunk from the disk, the way
// files of more than 100 MiB are read. Every input takes that path here, so
// that the streamed walk is exercised on small files.
#include <cstddef>
#include <cstdint>

#include "fuzz/readers/fuzz_support.h"
#include "lyrics/lyrics_document.h"
#include "lyrics/native_reader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    mr::SetLargeFileBytesForTesting(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mr::fuzz::LoadAndCheck(data, size, mr::kLyricsKindNative, mr::fuzz::kEditor | mr::fuzz::kPlayer);
    return 0;
}
