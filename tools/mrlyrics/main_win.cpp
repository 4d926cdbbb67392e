// Entry point of the Windows build: arguments arrive as UTF-16 (wmain, linked
// with -municode) and standard output carries UTF-8 bytes unchanged.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include "tools/mrlyrics/main.h"

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    mr::tool::Args args;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* a = argv[i];
        args.emplace_back(reinterpret_cast<const char16_t*>(a), wcslen(a));
    }
    return mr::tool::RunToolGuarded(args);
}
