// mrlyrics edit: runs a script of editing operations against the editor's
// document store, optionally after opening a lyrics file the way the editor
// opens one.
#include <string>

#include "common/file.h"
#include "editor/files/open_flow.h"
#include "editor/store/sync_document.h"
#include "lyrics/load_lyrics_file.h"
#include "tools/mrlyrics/edit_script.h"
#include "tools/mrlyrics/tool.h"

namespace mr::tool {
namespace {

constexpr const char* kHelp =
    "usage: mrlyrics edit [--load FILE] SCRIPT\n"
    "\n"
    "Runs the editing operations in the file SCRIPT, one per line, against the\n"
    "editor's document, and prints one JSON line per operation:\n"
    "{\"op\": NAME, \"ok\": BOOL}. Blank lines and lines starting with # are\n"
    "skipped. Positions are character positions, times are ticks of 10 ms (a\n"
    "drag time may be negative), TEXT is a JSON string (a line break is \"\\r\").\n"
    "\n"
    "  insert-text POS TEXT            delete-text POS COUNT\n"
    "  replace-text DPOS DCOUNT IPOS TEXT\n"
    "  type POS TEXT                   one keystroke per character\n"
    "  set-syncpoint POS               remove-syncpoint POS\n"
    "  duplicate-lines POS\n"
    "  insert-timing T                 remove-timing T\n"
    "  combine-timing T                split-timing T\n"
    "  adjust T0 T1 ...                press at T0, drag to T1, ...\n"
    "  move T0 T1 ...                  move-following T0 T1 ...\n"
    "  live-start T                    live-extend T\n"
    "  undo   redo   mark-saved\n"
    "  dump                            print the document: text, flags,\n"
    "                                  segments, timings, canUndo, canRedo,\n"
    "                                  modified, lastTool, lastIndex\n"
    "\n"
    "Options:\n"
    "  --load FILE     first open the lyrics file FILE as the editor does\n"
    "                  (.mr, .lrc or .txt)\n"
    "  -h, --help      show this help\n"
    "\n"
    "Exit status: 0 the script ran to its end (operations may have answered\n"
    "false), 1 FILE or SCRIPT could not be read, 2 usage error or a malformed\n"
    "script line (the message names the line).\n";

// Scripts are text; anything larger is not one.
constexpr uint64_t kMaxScriptFileBytes = 256u << 20;

struct EditOptions {
    std::u16string load;
    bool hasLoad = false;
    std::u16string script;
};

// Parses the options; returns -1 to go on, or the exit code to stop with.
int ParseOptions(const Args& args, EditOptions* o) {
    bool scriptSeen = false, optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::u16string& a = args[i];
        if (!optionsEnded && a.size() > 1 && a[0] == u'-') {
            if (a == u"--") {
                optionsEnded = true;
            } else if (a == u"-h" || a == u"--help") {
                WriteOut(kHelp);
                return kExitOk;
            } else if (a == u"--load") {
                if (i + 1 >= args.size()) return UsageError("edit", "--load needs a lyrics FILE");
                if (o->hasLoad) return UsageError("edit", "only one --load FILE may be given");
                o->load = args[++i];
                o->hasLoad = true;
            } else {
                return UsageError("edit", "unknown option \"" + Utf8(a) + "\" (see mrlyrics edit --help)");
            }
            continue;
        }
        if (scriptSeen) return UsageError("edit", "only one SCRIPT may be given");
        o->script = a;
        scriptSeen = true;
    }
    if (!scriptSeen) return UsageError("edit", "no SCRIPT given (see mrlyrics edit --help)");
    return -1;
}

bool ReadWholeFile(std::u16string_view path, std::string* bytes) {
    const fs::Handle h = fs::Open(path, fs::kRead, fs::kShareRead, fs::Disposition::OpenExisting);
    if (h == fs::kInvalidHandle) return false;
    uint64_t size = 0;
    bool ok = fs::Size(h, &size) && size <= kMaxScriptFileBytes;
    if (ok) {
        bytes->resize(static_cast<size_t>(size));
        uint32_t got = 0;
        ok = size == 0 || (fs::Read(h, bytes->data(), static_cast<uint32_t>(size), &got) && got == size);
    }
    fs::Close(h);
    return ok;
}

}  // namespace

int RunEdit(const Args& args) {
    EditOptions o;
    const int stop = ParseOptions(args, &o);
    if (stop >= 0) return stop;

    int kind = 0;
    if (o.hasLoad) {
        kind = LyricsKindFromPath(o.load);
        if (kind != kLyricsKindNative && kind != kLyricsKindLrc && kind != kLyricsKindText) {
            return UsageError("edit", "--load takes a .mr, .lrc or .txt file, not \"" + Utf8(o.load) + "\"");
        }
    }
    std::string script;
    if (!ReadWholeFile(o.script, &script)) {
        WriteErr("mrlyrics edit: cannot read the script \"" + Utf8(o.script) + "\"\n");
        return kExitFailed;
    }
    SyncDocument doc;
    LyricsDocument lyrics;
    if (o.hasLoad && OpenLyricsFile(doc, lyrics, o.load, kind, nullptr, nullptr) != OpenStatus::kOpened) {
        WriteErr("mrlyrics edit: cannot load \"" + Utf8(o.load) +
                 "\": it could not be read, or it holds more than the editor's document can\n");
        return kExitFailed;
    }
    std::string out, error;
    const bool ran = RunEditScript(doc, script, &out, &error);
    WriteOut(out);
    if (!ran) return UsageError("edit", error);
    return kExitOk;
}

}  // namespace mr::tool
