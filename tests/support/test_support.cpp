#include "tests/support/test_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "common/text.h"

namespace mr::test {
namespace {

std::filesystem::path Fs(std::u16string_view p) {
    return std::filesystem::path(std::u16string(p));
}

}  // namespace

std::u16string SourcePath(std::string_view relative) {
    std::string p = std::string(MR_SOURCE_DIR) + "/" + std::string(relative);
#ifdef _WIN32
    std::replace(p.begin(), p.end(), '/', '\\');
    p = "Z:" + p;
#endif
    return Utf8ToUtf16(p);
}

std::u16string ProgramFolder() {
#ifdef _WIN32
    wchar_t buf[MAX_PATH];
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::u16string p(reinterpret_cast<const char16_t*>(buf));
#else
    std::u16string p = std::filesystem::read_symlink("/proc/self/exe").u16string();
#endif
    const size_t s = p.find_last_of(u"\\/");
    return s == std::u16string::npos ? std::u16string() : p.substr(0, s);
}

ScopedTempDir::ScopedTempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("mrtest-" + std::to_string(rd()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate.u16string();
            return;
        }
    }
}

ScopedTempDir::~ScopedTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(Fs(path_), ec);
}

std::u16string ScopedTempDir::Path(std::u16string_view name) const {
    return (Fs(path_) / Fs(name)).u16string();
}

std::vector<std::u16string> ScopedTempDir::List() const {
    std::vector<std::u16string> names;
    for (const auto& e : std::filesystem::directory_iterator(Fs(path_)))
        names.push_back(e.path().filename().u16string());
    std::sort(names.begin(), names.end());
    return names;
}

bool WriteFileBytes(std::u16string_view path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(Fs(path), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

bool WriteFileBytes(std::u16string_view path, std::string_view bytes) {
    return WriteFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::vector<uint8_t> ReadFileBytes(std::u16string_view path) {
    std::ifstream f(Fs(path), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

Bytes& Bytes::U8(uint8_t v) {
    b_.push_back(v);
    return *this;
}
Bytes& Bytes::U16(uint16_t v) {
    return U8(v & 0xFF).U8(v >> 8);
}
Bytes& Bytes::U32(uint32_t v) {
    return U16(v & 0xFFFF).U16(v >> 16);
}
Bytes& Bytes::U16BE(uint16_t v) {
    return U8(v >> 8).U8(v & 0xFF);
}
Bytes& Bytes::U32BE(uint32_t v) {
    return U16BE(v >> 16).U16BE(v & 0xFFFF);
}
Bytes& Bytes::Raw(std::string_view s) {
    b_.insert(b_.end(), s.begin(), s.end());
    return *this;
}
Bytes& Bytes::Raw(const std::vector<uint8_t>& b) {
    b_.insert(b_.end(), b.begin(), b.end());
    return *this;
}
Bytes& Bytes::Utf16(std::u16string_view s) {
    for (char16_t c : s) U16(c);
    return *this;
}

}  // namespace mr::test
