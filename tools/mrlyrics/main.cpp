// The mrlyrics command line: the usage text and the command table. The
// platform entry points (main_posix.cpp, main_win.cpp) turn the arguments into
// UTF-16 and call RunTool.
#include "tools/mrlyrics/main.h"

#include <iterator>

namespace mr::tool {
namespace {

// One entry per command; each command's code and help live in its own file.
constexpr Command kCommands[] = {
    {"dump", "print a lyrics file as the system reads it, as one JSON object", RunDump},
    {"edit", "run a script of editing operations on the editor's document", RunEdit},
    {"convert", "open a lyrics file as the editor does and save it as .mr, LRC, ASS or TTML", RunConvert},
    {"suggest", "time the untimed segments of a lyrics file from the singing in a wave file", RunSuggest},
};

std::string Usage() {
    std::string s =
        "usage: mrlyrics COMMAND [OPTIONS] FILE\n"
        "\n"
        "Inspects Mirelto lyrics files: native (.mr), LRC (.lrc), plain text (.txt)\n"
        "and karaoke MIDI (.mid, .midi, .kar, .rmi); reads ASS karaoke scripts\n"
        "(.ass) and converts to ASS and TTML (.ttml).\n"
        "\n"
        "Commands:\n";
    for (const Command& c : kCommands) {
        std::string name = c.name;
        name.resize(name.size() < 10 ? 10 : name.size() + 1, ' ');
        s += "  " + name + c.summary + "\n";
    }
    s += "\nRun \"mrlyrics COMMAND --help\" for the options of a command.\n";
    return s;
}

}  // namespace

int RunTool(const Args& all) {
    if (all.empty()) {
        WriteErr(Usage());
        return kExitUsage;
    }
    const std::u16string& name = all[0];
    if (name == u"--help" || name == u"-h" || name == u"help") {
        WriteOut(Usage());
        return kExitOk;
    }
    for (const Command& c : kCommands) {
        if (Utf8(name) == c.name) return c.run(Args(std::next(all.begin()), all.end()));
    }
    UsageError("", "unknown command \"" + Utf8(name) + "\"");
    WriteErr(Usage());
    return kExitUsage;
}

}  // namespace mr::tool
