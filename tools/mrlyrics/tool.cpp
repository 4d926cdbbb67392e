#include "tools/mrlyrics/tool.h"

#include <cstdio>

#include "common/file.h"
#include "common/text.h"
#include "lyrics/lyrics_document.h"

namespace mr::tool {

void WriteOut(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

void WriteErr(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

int UsageError(std::string_view command, std::string_view message) {
    std::string s = "mrlyrics";
    if (!command.empty()) {
        s += ' ';
        s += command;
    }
    s += ": ";
    s += message;
    s += '\n';
    WriteErr(s);
    return kExitUsage;
}

int LyricsKindFromPath(std::u16string_view path) {
    std::u16string ext(fs::Extension(path));
    for (char16_t& c : ext)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (ext == u".mr") return kLyricsKindNative;
    if (ext == u".mrp") return kLyricsKindProject;
    if (ext == u".mrt") return kLyricsKindTemplate;
    if (ext == u".lrc") return kLyricsKindLrc;
    if (ext == u".txt") return kLyricsKindText;
    if (ext == u".mid" || ext == u".midi" || ext == u".kar" || ext == u".rmi") return kLyricsKindMidi;
    if (ext == u".ass") return kToolKindAss;
    if (ext == u".ttml") return kToolKindTtml;
    return 0;
}

std::string Utf8(std::u16string_view s) {
    return Utf16ToUtf8(s);
}

bool OpenedForOutput(std::string_view command, std::u16string_view in, std::u16string_view out, OpenStatus status,
                     const OpenReport& opened) {
    const std::string head = "mrlyrics " + std::string(command) + ": ";
    switch (status) {
        case OpenStatus::kOpened:
            break;
        case OpenStatus::kTooLarge:
            WriteErr(head + "\"" + Utf8(in) + "\" holds more than the editor's document can\n");
            return false;
        default:
            WriteErr(head + "cannot read \"" + Utf8(in) + "\"\n");
            return false;
    }
    if (opened.picturesFailed > 0) {
        WriteErr(head + std::to_string(opened.picturesFailed) + " of " + std::to_string(opened.pictures) +
                 " embedded pictures of \"" + Utf8(in) +
                 "\" could not be kept (no temporary picture file in the application-data folder); \"" + Utf8(out) +
                 "\" was left as it was\n");
        return false;
    }
    return true;
}

}  // namespace mr::tool
