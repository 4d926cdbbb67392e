#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "common/file.h"
#include "common/file_internal.h"
#include "common/text.h"

namespace mr::fs {
namespace {

std::string Native(std::u16string_view path) {
    return Utf16ToUtf8(path);
}

int ToFd(Handle h) {
    return static_cast<int>(h);
}

}  // namespace

Handle Open(std::u16string_view path, uint32_t access, uint32_t /*share*/, Disposition disposition) {
    if (InjectFault(Operation::Open)) return kInvalidHandle;
    int flags = O_CLOEXEC;
    if ((access & kReadWrite) == kReadWrite) flags |= O_RDWR;
    else if (access & kWrite) flags |= O_WRONLY;
    else flags |= O_RDONLY;
    switch (disposition) {
        case Disposition::OpenExisting: break;
        case Disposition::CreateAlways: flags |= O_CREAT | O_TRUNC; break;
        case Disposition::CreateNew: flags |= O_CREAT | O_EXCL; break;
        case Disposition::OpenAlways: flags |= O_CREAT; break;
    }
    const std::string p = Native(path);
    const int fd = ::open(p.c_str(), flags, 0644);
    if (fd < 0) return kInvalidHandle;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {  // Windows cannot open folders as files
        ::close(fd);
        return kInvalidHandle;
    }
    return fd;
}

bool Read(Handle h, void* into, uint32_t n, uint32_t* got) {
    *got = 0;
    auto* p = static_cast<char*>(into);
    while (*got < n) {
        const ssize_t r = ::read(ToFd(h), p + *got, n - *got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) break;
        *got += static_cast<uint32_t>(r);
    }
    return true;
}

bool Write(Handle h, const void* bytes, uint32_t n) {
    if (InjectFault(Operation::Write)) return false;
    const auto* p = static_cast<const char*>(bytes);
    uint32_t done = 0;
    while (done < n) {
        const ssize_t r = ::write(ToFd(h), p + done, n - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<uint32_t>(r);
    }
    return true;
}

bool Seek(Handle h, int64_t offset, Origin origin, uint64_t* position) {
    const int whence = origin == Origin::Begin ? SEEK_SET : origin == Origin::Current ? SEEK_CUR : SEEK_END;
    const off_t r = ::lseek(ToFd(h), static_cast<off_t>(offset), whence);
    if (r < 0) return false;
    if (position) *position = static_cast<uint64_t>(r);
    return true;
}

bool Size(Handle h, uint64_t* size) {
    struct stat st;
    if (fstat(ToFd(h), &st) != 0) return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool SetEnd(Handle h) {
    if (InjectFault(Operation::SetEnd)) return false;
    const off_t at = ::lseek(ToFd(h), 0, SEEK_CUR);
    return at >= 0 && ::ftruncate(ToFd(h), at) == 0;
}

bool Flush(Handle h) {
    return ::fsync(ToFd(h)) == 0;
}

void Close(Handle h) {
    if (h != kInvalidHandle) ::close(ToFd(h));
}

bool ReplaceMove(std::u16string_view from, std::u16string_view to) {
    if (InjectFault(Operation::ReplaceMove)) return false;
    return ::rename(Native(from).c_str(), Native(to).c_str()) == 0;
}

bool CreateUniqueTempFile(std::u16string_view folder, std::u16string_view prefix, std::u16string* path) {
    if (InjectFault(Operation::CreateTemp)) return false;
    // Like GetTempFileName: up to three characters of prefix, four hex digits.
    static std::minstd_rand rng(std::random_device{}());
    const std::u16string pre(prefix.substr(0, 3));
    for (int attempt = 0; attempt < 65535; ++attempt) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(rng() % 0xFFFF) + 1);
        std::u16string candidate = Join(folder, pre + Utf8ToUtf16(hex) + u".tmp");
        const int fd = ::open(Native(candidate).c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            *path = std::move(candidate);
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool Remove(std::u16string_view path) {
    return ::unlink(Native(path).c_str()) == 0;
}

bool Exists(std::u16string_view path) {
    struct stat st;
    return ::stat(Native(path).c_str(), &st) == 0;
}

bool IsDirectory(std::u16string_view path) {
    struct stat st;
    return ::stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(std::u16string_view path) {
    if (::mkdir(Native(path).c_str(), 0755) == 0) return true;
    return errno == EEXIST && IsDirectory(path);
}

std::u16string AppDataFolder() {
    if (const char* xdg = getenv("XDG_DATA_HOME"); xdg && *xdg) return Utf8ToUtf16(xdg);
    if (const char* home = getenv("HOME"); home && *home) return Utf8ToUtf16(std::string(home) + "/.local/share");
    return std::u16string();
}

}  // namespace mr::fs
