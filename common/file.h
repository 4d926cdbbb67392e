#pragma once
// Files, seen by the portable core. Paths are UTF-16 (Windows paths in the
// Windows build, POSIX paths natively). Every function reports failure
// through its return value and never throws.

#include <cstdint>
#include <string>
#include <string_view>

namespace mr::fs {

using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

enum Access : uint32_t { kRead = 1, kWrite = 2, kReadWrite = 3 };
enum Share : uint32_t { kShareNone = 0, kShareRead = 1, kShareWrite = 2, kShareDelete = 4 };
enum class Disposition { OpenExisting, CreateAlways, CreateNew, OpenAlways };
enum class Origin { Begin, Current, End };

// Opens or creates a file. Returns kInvalidHandle on failure.
Handle Open(std::u16string_view path, uint32_t access, uint32_t share, Disposition disposition);
// Reads up to n bytes at the current position; *got receives the count read
// (0 at the end of the file). False only on an error.
bool Read(Handle h, void* into, uint32_t n, uint32_t* got);
// Writes n bytes; true only when all n were written.
bool Write(Handle h, const void* bytes, uint32_t n);
// Moves the file position; *position (optional) receives the new one.
bool Seek(Handle h, int64_t offset, Origin origin, uint64_t* position = nullptr);
bool Size(Handle h, uint64_t* size);
// Cuts or extends the file at the current position.
bool SetEnd(Handle h);
// Flushes written data to the device.
bool Flush(Handle h);
void Close(Handle h);

// Moves `from` onto `to`, replacing `to` if it exists. Both are in the same
// folder for every caller, so this is a rename on the same volume.
bool ReplaceMove(std::u16string_view from, std::u16string_view to);
// Creates a new empty file with a unique name "<prefix>XXXX.tmp" in `folder`
// and returns its path in *path. The file is closed again.
bool CreateUniqueTempFile(std::u16string_view folder, std::u16string_view prefix, std::u16string* path);
bool Remove(std::u16string_view path);
bool Exists(std::u16string_view path);
bool IsDirectory(std::u16string_view path);
// Creates one folder; succeeds when it already exists as a folder.
bool MakeDirectory(std::u16string_view path);
// The per-user application-data folder (without a trailing separator), or an
// empty string when the platform cannot tell.
std::u16string AppDataFolder();

// Path arithmetic, on both separators.
inline constexpr char16_t kSeparator =
#ifdef _WIN32
    u'\\';
#else
    u'/';
#endif
// The folder part of a path without the trailing separator ("" when none).
std::u16string_view ParentFolder(std::u16string_view path);
// The name part after the last separator.
std::u16string_view FileName(std::u16string_view path);
// The extension with its dot (".lrc"), or "" when the name has none.
std::u16string_view Extension(std::u16string_view path);
std::u16string Join(std::u16string_view folder, std::u16string_view name);

// Fault injection for tests of the save flows: when a hook is installed, each
// operation below asks it first, and fails (changing nothing) when it answers
// true. Not thread-safe; tests install and remove it around one save.
enum class Operation { Open, Write, CreateTemp, ReplaceMove, SetEnd };
using FaultHook = bool (*)(Operation op, void* context);
void SetFaultHook(FaultHook hook, void* context);

}  // namespace mr::fs
