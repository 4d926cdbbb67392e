// mrlyrics suggest: times the untimed segments of a lyrics file from the
// vocal onsets of the decoded song, and saves the result as the editor saves.
#include <string>
#include <vector>

#include "editor/files/open_flow.h"
#include "editor/files/save_flow.h"
#include "lyrics/text_decode.h"
#include "editor/suggest/suggest_document.h"
#include "tools/mrlyrics/tool.h"

namespace mr::tool {
namespace {

constexpr const char* kHelp =
    "usage: mrlyrics suggest [--words] AUDIO LYRICS OUT\n"
    "\n"
    "Proposes a start for every untimed segment of LYRICS from where the voice\n"
    "starts to sound in AUDIO, and saves the result as OUT as the editor saves.\n"
    "AUDIO is a PCM wave file (8 or 16 bits, mono or stereo, as the editor's\n"
    "decode writes it). LYRICS is a .mr, .lrc or .txt file, opened as the editor\n"
    "opens it: its syncpoints make the segments, and the segments it already\n"
    "times keep their times; the untimed ones after them are suggested. OUT is\n"
    "a .mr file or an LRC file with word stamps (UTF-8), written to a temporary\n"
    "file in its folder that then replaces it; when anything fails, OUT is left\n"
    "as it was.\n"
    "\n"
    "The suggestions follow single-voice singing over steady accompaniment\n"
    "best; dense music, drums and several voices lead them astray.\n"
    "\n"
    "Options:\n"
    "  --words      every word of a .txt LYRICS is a segment (else every line)\n"
    "  -h, --help   show this help\n"
    "\n"
    "A summary goes to standard error.\n"
    "\n"
    "Exit status: 0 saved, 1 AUDIO or LYRICS could not be used or OUT could not\n"
    "be saved (OUT untouched), 2 usage error.\n";

struct SuggestOptions {
    std::u16string audio, lyrics, out;
    bool words = false;
};

int ParseOptions(const Args& args, SuggestOptions* o) {
    std::vector<std::u16string> files;
    bool optionsEnded = false;
    for (const std::u16string& a : args) {
        if (!optionsEnded && a.size() > 1 && a[0] == u'-') {
            if (a == u"--") {
                optionsEnded = true;
            } else if (a == u"-h" || a == u"--help") {
                WriteOut(kHelp);
                return kExitOk;
            } else if (a == u"--words") {
                o->words = true;
            } else {
                return UsageError("suggest", "unknown option \"" + Utf8(a) + "\" (see mrlyrics suggest --help)");
            }
            continue;
        }
        files.push_back(a);
    }
    if (files.size() != 3) return UsageError("suggest", "give AUDIO, LYRICS and OUT (see mrlyrics suggest --help)");
    o->audio = files[0];
    o->lyrics = files[1];
    o->out = files[2];
    return -1;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Every word start of the text becomes a syncpoint (line starts are
// segments already).
void SyncEveryWord(SyncDocument& doc) {
    const int32_t cells = doc.CellCount();
    std::u16string text(static_cast<size_t>(cells) + 1, u'\0');
    doc.GetText(0, cells, text.data());
    for (int32_t p = 1; p < cells; ++p) {
        if (!IsBlank(text[static_cast<size_t>(p)]) && IsBlank(text[static_cast<size_t>(p - 1)]) &&
            doc.CanSetSyncpoint(p)) {
            doc.SetSyncpoint(p);
        }
    }
}

}  // namespace

int RunSuggest(const Args& args) {
    SuggestOptions o;
    const int stop = ParseOptions(args, &o);
    if (stop >= 0) return stop;

    const int inKind = LyricsKindFromPath(o.lyrics);
    if (inKind != kLyricsKindNative && inKind != kLyricsKindLrc && inKind != kLyricsKindText) {
        return UsageError("suggest", "LYRICS must be a .mr, .lrc or .txt file, not \"" + Utf8(o.lyrics) + "\"");
    }
    if (o.words && inKind != kLyricsKindText) return UsageError("suggest", "--words applies to a .txt LYRICS only");
    SaveOptions save;
    const int outKind = LyricsKindFromPath(o.out);
    if (outKind == kLyricsKindNative) {
        save.kind = kLyricsKindNative;
    } else if (outKind == kLyricsKindLrc) {
        save.kind = kLyricsKindLrc;
        save.encoding = kEncodingUtf8;
    } else {
        return UsageError("suggest", "OUT must end in .mr or .lrc, not \"" + Utf8(o.out) + "\"");
    }

    SyncDocument doc;
    LyricsDocument lyrics;
    OpenReport opened;
    if (!OpenedForOutput("suggest", o.lyrics, o.out,
                         OpenLyricsFile(doc, lyrics, o.lyrics, inKind, nullptr, &opened), opened))
        return kExitFailed;
    if (doc.SegmentCount() == 0) {
        WriteErr("mrlyrics suggest: \"" + Utf8(o.lyrics) + "\" has no text to time; \"" + Utf8(o.out) +
                 "\" was left as it was\n");
        return kExitFailed;
    }
    if (o.words) SyncEveryWord(doc);

    suggest::SuggestReport report;
    const suggest::SuggestStatus status = suggest::SuggestTiming(doc, o.audio, 0, &report);
    if (status == suggest::SuggestStatus::kAnalysisFailed) {
        WriteErr("mrlyrics suggest: cannot use \"" + Utf8(o.audio) + "\": " +
                 suggest::SuggestStatusText(status, report) + "; \"" + Utf8(o.out) + "\" was left as it was\n");
        return kExitFailed;
    }
    if (status != suggest::SuggestStatus::kSuggested && status != suggest::SuggestStatus::kNothingToTime) {
        WriteErr("mrlyrics suggest: " + std::string(suggest::SuggestStatusText(status, report)) + "; \"" +
                 Utf8(o.out) + "\" was left as it was\n");
        return kExitFailed;
    }

    save.fields = opened.fields;
    SaveReport saved;
    const SaveStatus s = SaveLyricsFile(doc, o.out, save, &saved);
    if (s != SaveStatus::kSaved) {
        std::string why = SaveStatusText(s);
        if (s == SaveStatus::kTimeOutOfRange && save.kind != kLyricsKindNative) {
            why = "a time of 100 minutes or more does not fit LRC's two-digit minutes (save as .mr instead)";
        }
        WriteErr("mrlyrics suggest: cannot save \"" + Utf8(o.out) + "\": " + why + "; it was left as it was\n");
        return kExitFailed;
    }
    if (status == suggest::SuggestStatus::kNothingToTime) {
        WriteErr("mrlyrics suggest: note: every segment was timed already; nothing was suggested\n");
    } else {
        WriteErr("mrlyrics suggest: " + std::to_string(report.suggested) + " segment(s) timed, " +
                 std::to_string(report.onOnsets) + " of them on a vocal onset\n");
    }
    if (save.kind != kLyricsKindNative && doc.PictureCount() > 0) {
        WriteErr("mrlyrics suggest: note: " + std::to_string(doc.PictureCount()) + " picture(s) are not kept by LRC\n");
    }
    return kExitOk;
}

}  // namespace mr::tool
