#include "common/buffered_file.h"

#include <cstdlib>

#include "common/memory.h"

namespace mr {

BufferedFile::~BufferedFile() {
    Close();
    Buffer(0);
}

bool BufferedFile::OpenRead(std::u16string_view path) {
    Close();
    const fs::Handle h = fs::Open(path, fs::kRead, fs::kShareRead, fs::Disposition::OpenExisting);
    if (h == fs::kInvalidHandle) return false;
    uint64_t size = 0;
    if (!fs::Size(h, &size) || size >= (uint64_t{1} << 32)) {
        fs::Close(h);
        return false;
    }
    handle_ = h;
    size_ = static_cast<uint32_t>(size);
    return true;
}

bool BufferedFile::OpenWrite(std::u16string_view path, uint32_t access, uint32_t share,
                             fs::Disposition disposition) {
    Close();
    const fs::Handle h = fs::Open(path, access, share, disposition);
    if (h == fs::kInvalidHandle) return false;
    handle_ = h;
    size_ = 0;
    return true;
}

uint8_t* BufferedFile::Buffer(uint32_t n) {
    if (n == 0) {
        std::free(buffer_);
        buffer_ = nullptr;
        capacity_ = 0;
        return nullptr;
    }
    if (n > capacity_) {
        std::free(buffer_);
        buffer_ = nullptr;
        capacity_ = 0;
        const uint64_t page = PageSize();
        const uint64_t rounded = (uint64_t{n} + page - 1) / page * page;
        if (rounded > UINT32_MAX) return nullptr;
        buffer_ = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(rounded)));
        if (!buffer_) return nullptr;
        capacity_ = static_cast<uint32_t>(rounded);
    }
    return buffer_;
}

const uint8_t* BufferedFile::Read(uint32_t n) {
    if (!IsOpen()) return nullptr;
    if (n == 0) return buffer_;
    if (!Buffer(n)) return nullptr;
    uint32_t got = 0;
    if (!fs::Read(handle_, buffer_, n, &got) || got != n) return nullptr;
    return buffer_;
}

bool BufferedFile::Write(uint32_t n) {
    return n <= capacity_ && Write(buffer_, n);
}

bool BufferedFile::Write(const void* bytes, uint32_t n) {
    if (!IsOpen()) return false;
    return n == 0 || fs::Write(handle_, bytes, n);
}

bool BufferedFile::Seek(int64_t offset, fs::Origin origin, uint64_t* position) {
    return IsOpen() && fs::Seek(handle_, offset, origin, position);
}

bool BufferedFile::SetEndOfFile() {
    return IsOpen() && fs::SetEnd(handle_);
}

uint64_t BufferedFile::CurrentSize() const {
    uint64_t size = 0;
    if (IsOpen()) fs::Size(handle_, &size);
    return size;
}

void BufferedFile::Close() {
    if (IsOpen()) fs::Close(handle_);
    handle_ = fs::kInvalidHandle;
    size_ = 0;
}

}  // namespace mr
