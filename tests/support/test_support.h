#pragma once
// Helpers shared by the test suites of both builds.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mr::test {

// A file of the source tree ("demo/song.lrc"), as a path the program under
// test can open (a Z: path under Wine).
std::u16string SourcePath(std::string_view relative);
// The folder holding the running test program (and the Windows build's DLLs).
std::u16string ProgramFolder();

// A fresh folder under the system's temporary folder, deleted with its
// contents when the object goes.
class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::u16string& Path() const { return path_; }
    std::u16string Path(std::u16string_view name) const;
    // Names of the files now in the folder, sorted.
    std::vector<std::u16string> List() const;

private:
    std::u16string path_;
};

bool WriteFileBytes(std::u16string_view path, const std::vector<uint8_t>& bytes);
bool WriteFileBytes(std::u16string_view path, std::string_view bytes);
// The whole file, or an empty vector when it cannot be read.
std::vector<uint8_t> ReadFileBytes(std::u16string_view path);

// Little-endian byte building for hand-made files.
class Bytes {
public:
    Bytes& U8(uint8_t v);
    Bytes& U16(uint16_t v);
    Bytes& U32(uint32_t v);
    Bytes& U16BE(uint16_t v);
    Bytes& U32BE(uint32_t v);
    Bytes& Raw(std::string_view s);
    Bytes& Raw(const std::vector<uint8_t>& b);
    Bytes& Utf16(std::u16string_view s);  // UTF-16LE units, no terminator
    const std::vector<uint8_t>& Get() const { return b_; }
    size_t Size() const { return b_.size(); }

private:
    std::vector<uint8_t> b_;
};

}  // namespace mr::test
