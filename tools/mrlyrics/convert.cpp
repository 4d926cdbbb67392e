// mrlyrics convert: opens a lyrics file as the editor opens one (with its
// embedded pictures) and saves it as the editor saves, as a native file or as
// LRC, through a temporary file that replaces the target.
#include <new>
#include <string>

#include "editor/files/ass_reader.h"
#include "editor/files/export_flow.h"
#include "editor/files/open_flow.h"
#include "editor/files/save_flow.h"
#include "lyrics/text_decode.h"
#include "tools/mrlyrics/tool.h"

namespace mr::tool {
namespace {

constexpr const char* kHelp =
    "usage: mrlyrics convert [--words|--lines] [--encoding ENC] [--simple] IN OUT\n"
    "\n"
    "Opens IN (.mr, .lrc, .txt or .ass) as the editor opens a lyrics file,\n"
    "embedded pictures included, and saves it as OUT as the editor saves. The\n"
    "kind of OUT comes from its extension: .mr a native file (version 3) with\n"
    "every picture that decodes, .lrc an LRC file (word stamps and UTF-8 unless\n"
    "told otherwise), .ass an ASS subtitle script for video karaoke (one\n"
    "Dialogue per line, {\\kf N} before each segment, N in centiseconds), .ttml\n"
    "a TTML document for word-synced lyric players (one <p> per line, one timed\n"
    "<span> per segment). An .ass IN is read by the tool's own reader: one line\n"
    "per Dialogue, one segment per \\k, \\kf, \\K or \\ko tag. OUT is written to\n"
    "a temporary file in its folder that then replaces it; when anything fails,\n"
    "OUT is left as it was.\n"
    "\n"
    "Options:\n"
    "  --words          LRC with word stamps (the default)\n"
    "  --lines          LRC with line stamps only\n"
    "  --encoding ENC   LRC text encoding: ansi, utf8 (default), utf16le, utf16be\n"
    "  --simple         mark the .mr file for line-by-line display (a native IN\n"
    "                   that is marked so keeps the mark anyway)\n"
    "  -h, --help       show this help\n"
    "\n"
    "Notes about what OUT cannot hold (pictures in LRC, untimed text, characters\n"
    "missing from the ANSI code page, pictures that do not decode) go to\n"
    "standard error.\n"
    "\n"
    "Exit status: 0 saved, 1 IN could not be read or OUT could not be saved\n"
    "(OUT untouched), 2 usage error.\n";

struct ConvertOptions {
    std::u16string in, out;
    int stamps = 0;  // 0 not given, kLyricsKindLrc words, kLyricsKindLrcLines lines
    int encoding = 0;
    bool simple = false;
};

int EncodingFromName(std::u16string_view name) {
    if (name == u"ansi") return kEncodingAnsi;
    if (name == u"utf8") return kEncodingUtf8;
    if (name == u"utf16le") return kEncodingUtf16LE;
    if (name == u"utf16be") return kEncodingUtf16BE;
    return 0;
}

// Parses the options; returns -1 to go on, or the exit code to stop with.
int ParseOptions(const Args& args, ConvertOptions* o) {
    int files = 0;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::u16string& a = args[i];
        if (!optionsEnded && a.size() > 1 && a[0] == u'-') {
            if (a == u"--") {
                optionsEnded = true;
            } else if (a == u"-h" || a == u"--help") {
                WriteOut(kHelp);
                return kExitOk;
            } else if (a == u"--words" || a == u"--lines") {
                const int stamps = a == u"--words" ? kLyricsKindLrc : kLyricsKindLrcLines;
                if (o->stamps != 0 && o->stamps != stamps) {
                    return UsageError("convert", "--words and --lines exclude each other");
                }
                o->stamps = stamps;
            } else if (a == u"--encoding") {
                if (i + 1 >= args.size()) return UsageError("convert", "--encoding needs ansi, utf8, utf16le or utf16be");
                o->encoding = EncodingFromName(args[++i]);
                if (o->encoding == 0) {
                    return UsageError("convert", "unknown encoding \"" + Utf8(args[i]) +
                                                     "\" (ansi, utf8, utf16le or utf16be)");
                }
            } else if (a == u"--simple") {
                o->simple = true;
            } else {
                return UsageError("convert", "unknown option \"" + Utf8(a) + "\" (see mrlyrics convert --help)");
            }
            continue;
        }
        if (files == 0) o->in = a;
        if (files == 1) o->out = a;
        if (++files > 2) return UsageError("convert", "give one IN and one OUT file");
    }
    if (files < 2) return UsageError("convert", "give an IN and an OUT file (see mrlyrics convert --help)");
    return -1;
}

void Note(const std::string& message) {
    WriteErr("mrlyrics convert: note: " + message + "\n");
}

// The open flow for an ASS script: read by the tool's reader, then into the
// editor's document as OpenLyricsFile does (blank sync points dropped, times
// raised so that they never run backwards).
OpenStatus OpenAssFile(SyncDocument& doc, LyricsDocument& lyrics, std::u16string_view path, OpenReport* report) {
    doc.ClearSyncDocument();
    OpenStatus status = OpenStatus::kOpened;
    try {
        if (!LoadAssFile(lyrics, path)) {
            status = OpenStatus::kReadFailed;
        } else {
            lyrics.DropBlankSyncPoints();
            if (!doc.LoadText(lyrics) || !doc.LoadTimes(lyrics)) {
                doc.ClearSyncDocument();
                status = OpenStatus::kTooLarge;
            } else {
                const char16_t* title = lyrics.GetInfo(kInfoTitle);
                const char16_t* artist = lyrics.GetInfo(kInfoArtist);
                const char16_t* album = lyrics.GetInfo(kInfoAlbum);
                report->fields.title = title ? title : u"";
                report->fields.artist = artist ? artist : u"";
                report->fields.album = album ? album : u"";
            }
        }
    } catch (const std::bad_alloc&) {
        doc.ClearSyncDocument();
        status = OpenStatus::kReadFailed;
    }
    lyrics.ClearDocument();
    return status;
}

}  // namespace

int RunConvert(const Args& args) {
    ConvertOptions o;
    const int stop = ParseOptions(args, &o);
    if (stop >= 0) return stop;

    const int inKind = LyricsKindFromPath(o.in);
    if (inKind != kLyricsKindNative && inKind != kLyricsKindLrc && inKind != kLyricsKindText &&
        inKind != kToolKindAss) {
        return UsageError("convert", "IN must be a .mr, .lrc, .txt or .ass file, not \"" + Utf8(o.in) + "\"");
    }
    const int outKind = LyricsKindFromPath(o.out);
    SaveOptions save;
    if (outKind == kLyricsKindNative) {
        if (o.stamps != 0 || o.encoding != 0) {
            return UsageError("convert", "--words, --lines and --encoding apply to an .lrc OUT only");
        }
        save.kind = kLyricsKindNative;
    } else if (outKind == kLyricsKindLrc) {
        if (o.simple) return UsageError("convert", "--simple applies to an .mr OUT only");
        save.kind = o.stamps != 0 ? o.stamps : kLyricsKindLrc;
        save.encoding = o.encoding != 0 ? o.encoding : kEncodingUtf8;
    } else if (outKind == kToolKindAss || outKind == kToolKindTtml) {
        if (o.stamps != 0 || o.encoding != 0 || o.simple) {
            return UsageError("convert", "--words, --lines, --encoding and --simple do not apply to an .ass or "
                                         ".ttml OUT");
        }
    } else {
        return UsageError("convert", "OUT must end in .mr, .lrc, .ass or .ttml, not \"" + Utf8(o.out) + "\"");
    }

    SyncDocument doc;
    LyricsDocument lyrics;
    OpenReport opened;
    const OpenStatus openStatus = inKind == kToolKindAss ? OpenAssFile(doc, lyrics, o.in, &opened)
                                                         : OpenLyricsFile(doc, lyrics, o.in, inKind, nullptr, &opened);
    if (!OpenedForOutput("convert", o.in, o.out, openStatus, opened)) return kExitFailed;

    save.fields = opened.fields;
    save.fields.simple = opened.fields.simple || o.simple;
    if (outKind == kToolKindAss || outKind == kToolKindTtml) {
        const SaveStatus status =
            ExportLyricsFile(doc, o.out, outKind == kToolKindAss ? ExportFormat::kAss : ExportFormat::kTtml, save.fields);
        if (status != SaveStatus::kSaved) {
            WriteErr("mrlyrics convert: cannot save \"" + Utf8(o.out) + "\": " + SaveStatusText(status) +
                     "; it was left as it was\n");
            return kExitFailed;
        }
        if (doc.PictureCount() > 0) Note(std::to_string(doc.PictureCount()) + " picture(s) are not kept by " +
                                         (outKind == kToolKindAss ? "ASS" : "TTML"));
        if (doc.TimingCount() < doc.SegmentCount())
            Note(std::to_string(doc.SegmentCount() - doc.TimingCount()) +
                 " untimed segment(s) at the end were not written");
        return kExitOk;
    }
    SaveReport report;
    const SaveStatus status = SaveLyricsFile(doc, o.out, save, &report);
    if (status != SaveStatus::kSaved) {
        std::string why = SaveStatusText(status);
        if (status == SaveStatus::kTimeOutOfRange && save.kind != kLyricsKindNative) {
            why = "a time of 100 minutes or more does not fit LRC's two-digit minutes (save as .mr instead)";
        }
        WriteErr("mrlyrics convert: cannot save \"" + Utf8(o.out) + "\": " + why + "; it was left as it was\n");
        return kExitFailed;
    }

    if (save.kind == kLyricsKindNative) {
        if (report.pictures.skipped > 0) {
            Note(std::to_string(report.pictures.skipped) + " picture(s) did not decode and were left out");
        }
    } else {
        if (doc.PictureCount() > 0) Note(std::to_string(doc.PictureCount()) + " picture(s) are not kept by LRC");
        const int32_t segments = doc.SegmentCount(), timings = doc.TimingCount();
        if (timings < segments) {
            Note(std::to_string(segments - timings) + " untimed segment(s) at the end were not written");
        } else if (timings > segments) {
            Note(std::to_string(timings - segments) + " timing entr(ies) without a segment were not written");
        }
        if (report.lrc.defaultCharUsed) {
            Note("characters missing from the ANSI code page were written as its default character");
        }
    }
    return kExitOk;
}

}  // namespace mr::tool
