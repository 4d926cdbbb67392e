#pragma once
// A read-only mapping of a whole file, viewed one window at a time, so that
// files of any size are read with a small address-space footprint.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace mr::fs {

class ReadOnlyMapping {
public:
    ReadOnlyMapping() = default;
    ~ReadOnlyMapping() { Close(); }
    ReadOnlyMapping(const ReadOnlyMapping&) = delete;
    ReadOnlyMapping& operator=(const ReadOnlyMapping&) = delete;

    // Opens an existing file for reading (others may read it too), takes its
    // size and maps it read-only. The file handle itself is closed again on
    // Windows; the mapping keeps the file open. False when the file cannot be
    // opened, its size cannot be read, it is empty, or the mapping cannot be
    // made; nothing stays open then. Closes a mapping that was open before.
    bool Open(std::u16string_view path);
    bool IsOpen() const { return size_ != 0; }
    // Size of the file in bytes, taken when it was opened.
    uint64_t Size() const { return size_; }

    // Makes bytes [offset, offset + length) readable and returns their start.
    // The view begins at the offset rounded down to the allocation
    // granularity and reaches exactly the requested end; it replaces the
    // previous view unless that already covers the range. The pointer stays
    // valid until the next View, Close or destruction. Null when the range is
    // empty, lies beyond the file, or cannot be mapped.
    const uint8_t* View(uint64_t offset, size_t length);

    // Unmaps the view and closes the mapping.
    void Close();

    // The granularity of view offsets in bytes (64 KiB on Windows, the page
    // size elsewhere).
    static uint32_t Granularity();

private:
    void Unview();

    intptr_t mapping_ = -1;  // mapping handle (Windows) or file descriptor
    uint64_t size_ = 0;
    const uint8_t* view_ = nullptr;
    uint64_t viewOffset_ = 0;
    size_t viewLength_ = 0;
};

}  // namespace mr::fs
