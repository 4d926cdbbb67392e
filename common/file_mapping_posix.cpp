#include <sys/mman.h>
#include <unistd.h>

#include "common/file.h"
#include "common/file_mapping.h"

namespace mr::fs {

bool ReadOnlyMapping::Open(std::u16string_view path) {
    Close();
    const Handle h = fs::Open(path, kRead, kShareRead, Disposition::OpenExisting);
    if (h == kInvalidHandle) return false;
    uint64_t size = 0;
    if (!fs::Size(h, &size) || size == 0) {
        fs::Close(h);
        return false;
    }
    // mmap needs the descriptor at every view, so it stays open here.
    mapping_ = h;
    size_ = size;
    return true;
}

const uint8_t* ReadOnlyMapping::View(uint64_t offset, size_t length) {
    if (!IsOpen() || length == 0 || offset > size_ || length > size_ - offset) return nullptr;
    if (view_ && offset >= viewOffset_ && offset + length <= viewOffset_ + viewLength_)
        return view_ + (offset - viewOffset_);
    Unview();
    const uint64_t start = offset - offset % Granularity();
    const size_t bytes = static_cast<size_t>(offset + length - start);
    void* p = mmap(nullptr, bytes, PROT_READ, MAP_SHARED, static_cast<int>(mapping_), static_cast<off_t>(start));
    if (p == MAP_FAILED) return nullptr;
    view_ = static_cast<const uint8_t*>(p);
    viewOffset_ = start;
    viewLength_ = bytes;
    return view_ + (offset - start);
}

void ReadOnlyMapping::Unview() {
    if (view_) munmap(const_cast<uint8_t*>(view_), viewLength_);
    view_ = nullptr;
    viewOffset_ = 0;
    viewLength_ = 0;
}

void ReadOnlyMapping::Close() {
    Unview();
    if (mapping_ != -1) fs::Close(mapping_);
    mapping_ = -1;
    size_ = 0;
}

uint32_t ReadOnlyMapping::Granularity() {
    static const uint32_t g = static_cast<uint32_t>(sysconf(_SC_PAGESIZE));
    return g;
}

}  // namespace mr::fs
