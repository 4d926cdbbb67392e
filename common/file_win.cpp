#include <windows.h>
#include <shlobj.h>

#include "common/file.h"
#include "common/file_internal.h"

namespace mr::fs {
namespace {

// The Win32 calls want NUL-terminated wide strings.
std::wstring Wide(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
}

HANDLE ToHandle(Handle h) {
    return reinterpret_cast<HANDLE>(h);
}

}  // namespace

Handle Open(std::u16string_view path, uint32_t access, uint32_t share, Disposition disposition) {
    if (InjectFault(Operation::Open)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return kInvalidHandle;
    }
    DWORD a = 0;
    if (access & kRead) a |= GENERIC_READ;
    if (access & kWrite) a |= GENERIC_WRITE;
    DWORD s = 0;
    if (share & kShareRead) s |= FILE_SHARE_READ;
    if (share & kShareWrite) s |= FILE_SHARE_WRITE;
    if (share & kShareDelete) s |= FILE_SHARE_DELETE;
    DWORD d = OPEN_EXISTING;
    switch (disposition) {
        case Disposition::OpenExisting: d = OPEN_EXISTING; break;
        case Disposition::CreateAlways: d = CREATE_ALWAYS; break;
        case Disposition::CreateNew: d = CREATE_NEW; break;
        case Disposition::OpenAlways: d = OPEN_ALWAYS; break;
    }
    const HANDLE h = CreateFileW(Wide(path).c_str(), a, s, nullptr, d, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<Handle>(h);
}

bool Read(Handle h, void* into, uint32_t n, uint32_t* got) {
    DWORD r = 0;
    const BOOL ok = ReadFile(ToHandle(h), into, n, &r, nullptr);
    *got = r;
    return ok != FALSE;
}

bool Write(Handle h, const void* bytes, uint32_t n) {
    if (InjectFault(Operation::Write)) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    DWORD w = 0;
    return WriteFile(ToHandle(h), bytes, n, &w, nullptr) && w == n;
}

bool Seek(Handle h, int64_t offset, Origin origin, uint64_t* position) {
    LARGE_INTEGER to, now;
    to.QuadPart = offset;
    const DWORD method = origin == Origin::Begin ? FILE_BEGIN : origin == Origin::Current ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(ToHandle(h), to, &now, method)) return false;
    if (position) *position = static_cast<uint64_t>(now.QuadPart);
    return true;
}

bool Size(Handle h, uint64_t* size) {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(ToHandle(h), &s)) return false;
    *size = static_cast<uint64_t>(s.QuadPart);
    return true;
}

bool SetEnd(Handle h) {
    if (InjectFault(Operation::SetEnd)) return false;
    return SetEndOfFile(ToHandle(h)) != FALSE;
}

bool Flush(Handle h) {
    return FlushFileBuffers(ToHandle(h)) != FALSE;
}

void Close(Handle h) {
    if (h != kInvalidHandle) CloseHandle(ToHandle(h));
}

bool ReplaceMove(std::u16string_view from, std::u16string_view to) {
    if (InjectFault(Operation::ReplaceMove)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool CreateUniqueTempFile(std::u16string_view folder, std::u16string_view prefix, std::u16string* path) {
    if (InjectFault(Operation::CreateTemp)) return false;
    wchar_t buf[MAX_PATH];
    if (!GetTempFileNameW(Wide(folder).c_str(), Wide(prefix).c_str(), 0, buf)) return false;
    *path = std::u16string(reinterpret_cast<const char16_t*>(buf));
    return true;
}

bool Remove(std::u16string_view path) {
    return DeleteFileW(Wide(path).c_str()) != FALSE;
}

bool Exists(std::u16string_view path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(std::u16string_view path) {
    const DWORD a = GetFileAttributesW(Wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirectory(std::u16string_view path) {
    if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(path);
}

std::u16string AppDataFolder() {
    wchar_t buf[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buf));
}

}  // namespace mr::fs
