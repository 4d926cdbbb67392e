#include <windows.h>

#include "common/file.h"
#include "common/file_mapping.h"

namespace mr::fs {
namespace {

HANDLE ToHandle(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

}  // namespace

bool ReadOnlyMapping::Open(std::u16string_view path) {
    Close();
    const Handle file = fs::Open(path, kRead, kShareRead, Disposition::OpenExisting);
    if (file == kInvalidHandle) return false;
    uint64_t size = 0;
    HANDLE mapping = nullptr;
    // An empty file cannot be mapped; CreateFileMapping refuses it.
    if (fs::Size(file, &size) && size != 0)
        mapping = CreateFileMappingW(ToHandle(file), nullptr, PAGE_READONLY, 0, 0, nullptr);
    // The mapping holds its own reference to the file.
    fs::Close(file);
    if (!mapping) return false;
    mapping_ = reinterpret_cast<intptr_t>(mapping);
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
    void* p = MapViewOfFile(ToHandle(mapping_), FILE_MAP_READ, static_cast<DWORD>(start >> 32),
                            static_cast<DWORD>(start & 0xFFFFFFFFu), bytes);
    if (!p) return nullptr;
    view_ = static_cast<const uint8_t*>(p);
    viewOffset_ = start;
    viewLength_ = bytes;
    return view_ + (offset - start);
}

void ReadOnlyMapping::Unview() {
    if (view_) UnmapViewOfFile(view_);
    view_ = nullptr;
    viewOffset_ = 0;
    viewLength_ = 0;
}

void ReadOnlyMapping::Close() {
    Unview();
    if (mapping_ != -1) CloseHandle(ToHandle(mapping_));
    mapping_ = -1;
    size_ = 0;
}

uint32_t ReadOnlyMapping::Granularity() {
    static const uint32_t g = [] {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        return static_cast<uint32_t>(si.dwAllocationGranularity);
    }();
    return g;
}

}  // namespace mr::fs
