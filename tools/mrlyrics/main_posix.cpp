// Entry point of the native build: arguments arrive as UTF-8 bytes.
#include <cstring>

#include "common/text.h"
#include "tools/mrlyrics/main.h"

int main(int argc, char** argv) {
    mr::tool::Args args;
    for (int i = 1; i < argc; ++i) args.push_back(mr::Utf8ToUtf16(std::string_view(argv[i], std::strlen(argv[i]))));
    return mr::tool::RunToolGuarded(args);
}
