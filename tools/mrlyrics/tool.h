#pragma once
// What every mrlyrics command shares: its signature, exit codes, output and
// the kind of a lyrics file by its extension. Each command lives in its own
// file and is listed in the command table of main.cpp.

#include <string>
#include <string_view>
#include <vector>

#include "editor/files/open_flow.h"

namespace mr::tool {

// Exit codes of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the operation ran and failed
inline constexpr int kExitUsage = 2;   // bad command line; message on standard error

// The arguments after the command name, as UTF-16.
using Args = std::vector<std::u16string>;

struct Command {
    const char* name;
    const char* summary;  // one line for the tool's usage text
    int (*run)(const Args& args);
};

// Writes UTF-8 bytes to standard output or standard error as they are.
void WriteOut(std::string_view utf8);
void WriteErr(std::string_view utf8);
// Prints "mrlyrics COMMAND: message" on standard error and returns kExitUsage.
int UsageError(std::string_view command, std::string_view message);

// Kinds of other programs' formats that only the tool reads or writes; they
// are not LyricsFileKinds and LoadLyricsFile never sees them.
inline constexpr int kToolKindAss = 101;   // ".ass": read and written
inline constexpr int kToolKindTtml = 102;  // ".ttml": written

// The LyricsFileKind of a path by its extension, compared without regard to
// case: ".mr" 4, ".mrp" 5, ".mrt" 6, ".lrc" 7, ".txt" 8, ".mid", ".midi",
// ".kar", ".rmi" 9, and the tool's ".ass" and ".ttml"; 0 for any other.
int LyricsKindFromPath(std::u16string_view path);

// UTF-8 of a UTF-16 string (for messages).
std::string Utf8(std::u16string_view s);

// How the open of IN ended, for a command that then writes OUT: true when the
// document is complete; otherwise the reason ("mrlyrics COMMAND: ...") is on
// standard error and OUT must be left as it is. Embedded pictures that could
// not be kept count as a failure: OUT would lack them.
bool OpenedForOutput(std::string_view command, std::u16string_view in, std::u16string_view out, OpenStatus status,
                     const OpenReport& opened);

// The commands.
int RunDump(const Args& args);
int RunEdit(const Args& args);
int RunConvert(const Args& args);
int RunSuggest(const Args& args);

}  // namespace mr::tool
