#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "common/text.h"
#include "tests/mrlyrics/run_program.h"
#include "tests/support/test_support.h"

extern char** environ;

namespace mr::test {

std::u16string BuiltProgram(std::u16string_view name) {
    return ProgramFolder() + u"/" + std::u16string(name);
}

bool RunProgram(std::u16string_view program, const std::vector<std::u16string>& args, ProgramResult* result) {
    ScopedTempDir dir;
    const std::string outPath = Utf16ToUtf8(dir.Path(u"out")), errPath = Utf16ToUtf8(dir.Path(u"err"));
    std::vector<std::string> argv8{Utf16ToUtf8(program)};
    for (const auto& a : args) argv8.push_back(Utf16ToUtf8(a));
    std::vector<char*> argv;
    for (auto& a : argv8) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        result->err = "cannot start the program (" + std::string(std::strerror(rc)) + ")";
        return false;
    }

    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0) {
            result->err = "lost the program (" + std::string(std::strerror(errno)) + ")";
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result->err = "did not finish within 60 s";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    result->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const auto out = ReadFileBytes(dir.Path(u"out")), err = ReadFileBytes(dir.Path(u"err"));
    result->out.assign(out.begin(), out.end());
    result->err.assign(err.begin(), err.end());
    return true;
}

}  // namespace mr::test
