#pragma once
// Starts a program of the build and captures what it prints, for the tool's
// end-to-end tests.

#include <string>
#include <string_view>
#include <vector>

namespace mr::test {

struct ProgramResult {
    int exitCode = -1;
    std::string out;  // standard output, bytes as written
    std::string err;  // standard error
};

// The path of a program built beside the running test ("mrlyrics" gives
// ".../mrlyrics" natively and "...\\mrlyrics.exe" in the Windows build).
std::u16string BuiltProgram(std::u16string_view name);

// Runs `program` with `args` (passed as UTF-16 on Windows, UTF-8 elsewhere),
// waits up to 60 s for it and captures both output streams. False when it
// cannot be started or does not finish in time, with the reason in err.
bool RunProgram(std::u16string_view program, const std::vector<std::u16string>& args, ProgramResult* result);

}  // namespace mr::test
