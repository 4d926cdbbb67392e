#pragma once
// Sequential reading of the decoded wave file, for the readers that go
// through it once (the waveform builder, the onset analysis). The file is
// opened shared for writing too: the wave sink may not have let go of its
// handle yet when its graph reports completion. Closed on destruction.

#include <cstdint>
#include <string_view>

#include "common/file.h"

namespace mr::fs {

class DecodedFileReader {
public:
    explicit DecodedFileReader(std::u16string_view path)
        : h_(Open(path, kRead, kShareRead | kShareWrite, Disposition::OpenExisting)) {}
    ~DecodedFileReader() {
        if (h_ != kInvalidHandle) Close(h_);
    }
    DecodedFileReader(const DecodedFileReader&) = delete;
    DecodedFileReader& operator=(const DecodedFileReader&) = delete;

    bool IsOpen() const { return h_ != kInvalidHandle; }
    Handle Get() const { return h_; }
    // Exactly n bytes from the current position, or false (an error or the
    // end of the file first).
    bool ReadAll(uint8_t* into, uint32_t n) {
        while (n > 0) {
            uint32_t got = 0;
            if (!Read(h_, into, n, &got) || got == 0) return false;
            into += got;
            n -= got;
        }
        return true;
    }

private:
    Handle h_;
};

}  // namespace mr::fs
