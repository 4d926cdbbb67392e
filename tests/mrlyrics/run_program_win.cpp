#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/mrlyrics/run_program.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

// Quotes one argument the way CommandLineToArgvW splits it again.
std::wstring Quote(const std::u16string& a) {
    std::wstring s = L"\"";
    size_t slashes = 0;
    for (char16_t c : a) {
        if (c == u'\\') {
            ++slashes;
        } else if (c == u'"') {
            s.append(slashes * 2 + 1, L'\\');
            slashes = 0;
        } else {
            s.append(slashes, L'\\');
            slashes = 0;
        }
        if (c != u'\\') s += static_cast<wchar_t>(c);
    }
    s.append(slashes * 2, L'\\');
    return s + L"\"";
}

HANDLE CreateCapture(const std::u16string& path) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::u16string BuiltProgram(std::u16string_view name) {
    return ProgramFolder() + u"\\" + std::u16string(name) + u".exe";
}

bool RunProgram(std::u16string_view program, const std::vector<std::u16string>& args, ProgramResult* result) {
    ScopedTempDir dir;
    auto fail = [&](const char* what) {
        result->err = std::string(what) + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    };
    HANDLE out = CreateCapture(dir.Path(u"out")), err = CreateCapture(dir.Path(u"err"));
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
        return fail("cannot create the capture files");
    }
    std::wstring cmd = Quote(std::u16string(program));
    for (const auto& a : args) cmd += L" " + Quote(a);
    const std::wstring exe(program.begin(), program.end());
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    BOOL started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    if (!started) {
        // Under Wine a start now and then fails while the machine is busy
        // with the rest of the suite; a second try tells that from a fault.
        std::fprintf(stderr, "RunProgram: starting %ls failed (error %lu); trying once more\n", exe.c_str(),
                     GetLastError());
        Sleep(200);
        started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    }
    const DWORD startError = GetLastError();
    CloseHandle(out);
    CloseHandle(err);
    if (!started) {
        SetLastError(startError);
        return fail("cannot start the program");
    }
    const bool finished = WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0;
    if (!finished) TerminateProcess(pi.hProcess, 1);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!finished) {
        result->err = "did not finish within 60 s";
        return false;
    }
    result->exitCode = static_cast<int>(code);
    const auto o = ReadFileBytes(dir.Path(u"out")), e = ReadFileBytes(dir.Path(u"err"));
    result->out.assign(o.begin(), o.end());
    result->err.assign(e.begin(), e.end());
    return true;
}

}  // namespace mr::test
