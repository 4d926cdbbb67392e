#pragma once
// BufferedFile: an open file handle plus one reusable buffer. The readers
// read records into the buffer; the writers assemble records in it.

#include <cstdint>
#include <string_view>

#include "common/file.h"

namespace mr {

class BufferedFile {
public:
    BufferedFile() = default;
    ~BufferedFile();
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    // Opens an existing file for reading, sharing read access. The size is
    // taken now; a file of 4 GiB or more is refused and the handle stays
    // closed. Closes a file that was open before.
    bool OpenRead(std::u16string_view path);
    // Opens for writing with the given access, share and disposition (the
    // writers use kWrite, kShareNone, CreateAlways).
    bool OpenWrite(std::u16string_view path, uint32_t access, uint32_t share, fs::Disposition disposition);

    // Reads n bytes at the current position into the buffer and returns the
    // buffer, only if exactly n bytes were read; otherwise null.
    const uint8_t* Read(uint32_t n);
    // Makes the buffer at least n bytes: a larger request frees the old buffer
    // and allocates a new one rounded up to whole pages (contents are not
    // kept); n = 0 frees it. Returns the buffer, or null when n is 0 or the
    // allocation fails.
    uint8_t* Buffer(uint32_t n);
    // Writes the first n bytes of the buffer, or a caller's bytes; true only
    // when all n bytes were written.
    bool Write(uint32_t n);
    bool Write(const void* bytes, uint32_t n);

    bool Seek(int64_t offset, fs::Origin origin, uint64_t* position = nullptr);
    bool SetEndOfFile();
    // The file's size now (for a file being written: what was written so far).
    uint64_t CurrentSize() const;
    // The size taken when the file was opened for reading.
    uint32_t Size() const { return size_; }
    void Close();

    bool IsOpen() const { return handle_ != fs::kInvalidHandle; }
    uint8_t* Data() const { return buffer_; }
    uint32_t Capacity() const { return capacity_; }
    fs::Handle Handle() const { return handle_; }

private:
    fs::Handle handle_ = fs::kInvalidHandle;
    uint8_t* buffer_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t size_ = 0;
};

}  // namespace mr
