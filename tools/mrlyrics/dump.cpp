// mrlyrics dump: loads a lyrics file with LoadLyricsFile and prints the
// document's tables as one JSON object.
#include <string>

#include "common/file.h"
#include "editor/files/ass_reader.h"
#include "lyrics/load_lyrics_file.h"
#include "tools/mrlyrics/json.h"
#include "tools/mrlyrics/tool.h"

namespace mr::tool {
namespace {

constexpr const char* kHelp =
    "usage: mrlyrics dump [--player] [--kind K] [--drop-blanks] [--strip-words] FILE\n"
    "\n"
    "Loads FILE as the editor does and prints the lyrics document as one JSON\n"
    "object: ok, encoding (of a .lrc file: 1 ANSI, 2 UTF-8 with or without a\n"
    "byte order mark, 3 UTF-16LE, 4 UTF-16BE; 0 for other kinds), info [Title,\n"
    "Artist, Album], simple, texts, lines\n"
    "[[textIndex, firstSync]...], sync (raw values; a line start is\n"
    "2147483648 + its ordinal), times [[start, end]...] in ms, slides,\n"
    "slideShowDuration and sourceOpen.\n"
    "\n"
    "A .ass file (an ASS subtitle script with karaoke tags) is read by the\n"
    "tool's own reader: one line per Dialogue, one segment per \\k tag.\n"
    "\n"
    "Options:\n"
    "  --player        load as the player plug-ins do, not as the editor\n"
    "  --kind K        read FILE as kind K whatever its extension: 4 native (.mr),\n"
    "                  5 project (.mrp), 6 template (.mrt), 7 LRC (.lrc),\n"
    "                  8 plain text (.txt), 9 karaoke MIDI (.mid .midi .kar .rmi)\n"
    "  --drop-blanks   then remove word sync points that fall on blanks\n"
    "  --strip-words   then keep only the sync points that start lines\n"
    "  -h, --help      show this help\n"
    "\n"
    "Exit status: 0 loaded, 1 the load failed (the JSON is still printed),\n"
    "2 usage error.\n";

struct DumpOptions {
    bool player = false;
    int kind = 0;
    bool dropBlanks = false;
    bool stripWords = false;
    std::u16string file;
};

// Parses the options; returns -1 to go on, or the exit code to stop with.
int ParseOptions(const Args& args, DumpOptions* o) {
    bool fileSeen = false, optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::u16string& a = args[i];
        if (!optionsEnded && a.size() > 1 && a[0] == u'-') {
            if (a == u"--") optionsEnded = true;
            else if (a == u"-h" || a == u"--help") {
                WriteOut(kHelp);
                return kExitOk;
            } else if (a == u"--player") o->player = true;
            else if (a == u"--drop-blanks") o->dropBlanks = true;
            else if (a == u"--strip-words") o->stripWords = true;
            else if (a == u"--kind") {
                if (i + 1 >= args.size()) return UsageError("dump", "--kind needs a number (4 to 9)");
                const std::u16string& k = args[++i];
                if (k.size() != 1 || k[0] < u'4' || k[0] > u'9')
                    return UsageError("dump", "--kind takes 4 to 9, not \"" + Utf8(k) + "\"");
                o->kind = k[0] - u'0';
            } else {
                return UsageError("dump", "unknown option \"" + Utf8(a) + "\" (see mrlyrics dump --help)");
            }
            continue;
        }
        if (fileSeen) return UsageError("dump", "only one FILE may be given");
        o->file = a;
        fileSeen = true;
    }
    if (!fileSeen) return UsageError("dump", "no FILE given (see mrlyrics dump --help)");
    if (o->kind == 0) {
        o->kind = LyricsKindFromPath(o->file);
        if (o->kind == 0 || o->kind == kToolKindTtml)
            return UsageError("dump", "cannot tell the kind of \"" + Utf8(o->file) +
                                          "\" from its extension; name it with --kind K (see mrlyrics dump --help)");
    }
    return -1;
}

void WriteDocument(JsonWriter& w, LyricsDocument& doc) {
    w.Key("info");
    w.BeginArray();
    for (int field : {kInfoTitle, kInfoArtist, kInfoAlbum}) w.StringOrNull(doc.GetInfo(field));
    w.EndArray();
    w.Key("simple");
    w.Uint(doc.GetSimple());

    w.Key("texts");
    w.BeginArray();
    for (uint32_t i = 0; i < doc.GetTextCount(); ++i)
        w.String(std::u16string_view(doc.GetText(i), doc.GetTextLength(i)));
    w.EndArray();

    w.Key("lines");
    w.BeginArray();
    for (uint32_t i = 0; i < doc.GetLineCount(); ++i) {
        w.BeginArray();
        w.Uint(doc.GetLines()[i].textIndex);
        w.Uint(doc.GetLines()[i].firstSync);
        w.EndArray();
    }
    w.EndArray();

    w.Key("sync");
    w.BeginArray();
    for (uint32_t k = 0; k < doc.GetSyncCount(); ++k) w.Uint(doc.GetSyncPoints()[k]);
    w.EndArray();

    w.Key("times");
    w.BeginArray();
    for (uint32_t k = 0; k < doc.GetSyncTimeCount(); ++k) {
        w.BeginArray();
        w.Int(doc.GetSyncTimes()[k].start);
        w.Int(doc.GetSyncTimes()[k].end);
        w.EndArray();
    }
    w.EndArray();

    w.Key("slides");
    w.BeginArray();
    for (uint32_t i = 0; i < doc.GetSlideImageCount(); ++i) {
        const SlideImage& s = doc.GetSlideImages()[i];
        w.BeginObject();
        w.Key("flags");
        w.Uint(s.flags);
        w.Key("ordinal");
        w.Uint(s.ordinal);
        w.Key("duration");
        w.Uint(s.duration);
        if (s.flags & kSlideExternal) {
            w.Key("path");
            w.StringOrNull(doc.GetPoolText(s.reference));
        } else if (s.reference < doc.GetImageDataCount()) {
            const ImageData& d = doc.GetImageData()[s.reference];
            w.Key("offset");
            w.Uint(d.offset);
            w.Key("size");
            w.Uint(d.size);
        } else {
            w.Key("offset");
            w.Null();
            w.Key("size");
            w.Null();
        }
        w.EndObject();
    }
    w.EndArray();
    w.Key("slideShowDuration");
    w.Uint(doc.GetSlideShowDuration());
}

}  // namespace

int RunDump(const Args& args) {
    DumpOptions o;
    const int stop = ParseOptions(args, &o);
    if (stop >= 0) return stop;

    LyricsDocument doc;
    int encoding = 0;
    const bool ok = o.kind == kToolKindAss ? LoadAssFile(doc, o.file)
                                           : LoadLyricsFile(doc, o.file, o.kind, o.player ? 0 : 1, &encoding);
    if (o.dropBlanks) doc.DropBlankSyncPoints();
    if (o.stripWords) doc.StripWordSyncPoints();

    std::string out;
    JsonWriter w(out, 1);
    w.BeginObject();
    w.Key("ok");
    w.Bool(ok);
    w.Key("encoding");
    w.Int(encoding);
    WriteDocument(w, doc);
    w.Key("sourceOpen");
    w.Bool(doc.GetImageSource() != nullptr);
    w.EndObject();
    out += '\n';
    WriteOut(out);

    if (!ok) {
        const std::string name = Utf8(o.file);
        if (!fs::Exists(o.file)) WriteErr("mrlyrics dump: \"" + name + "\" does not exist\n");
        else if (fs::IsDirectory(o.file)) WriteErr("mrlyrics dump: \"" + name + "\" is a folder\n");
        else
            WriteErr("mrlyrics dump: loading \"" + name +
                     "\" failed: it could not be read, or it holds more than a lyrics document can (the output "
                     "shows what was read)\n");
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace mr::tool
