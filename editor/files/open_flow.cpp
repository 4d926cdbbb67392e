#include "editor/files/open_flow.h"

#include <new>

#include "lyrics/load_lyrics_file.h"

namespace mr {
namespace {

std::u16string Info(const LyricsDocument& lyrics, int field) {
    const char16_t* value = lyrics.GetInfo(field);
    return value ? std::u16string(value) : std::u16string();
}

OpenStatus Open(SyncDocument& doc, LyricsDocument& lyrics, std::u16string_view path, int kind,
                ProgressSink* progress, OpenReport* report) {
    doc.ClearSyncDocument();
    if (!LoadLyricsFile(lyrics, path, kind, 1, &report->encoding)) return OpenStatus::kReadFailed;
    lyrics.DropBlankSyncPoints();
    if (!doc.LoadText(lyrics) || !doc.LoadTimes(lyrics)) {
        doc.ClearSyncDocument();
        return OpenStatus::kTooLarge;
    }
    report->fields.title = Info(lyrics, kInfoTitle);
    report->fields.artist = Info(lyrics, kInfoArtist);
    report->fields.album = Info(lyrics, kInfoAlbum);
    report->fields.simple = lyrics.GetSimple() != 0;
    const uint32_t count = lyrics.GetSlideImageCount();
    report->pictures = count;
    for (uint32_t k = 0; k < count; ++k) {
        if (progress && !progress->Progress(static_cast<uint32_t>(uint64_t{100} * k / count))) {
            doc.ClearSyncDocument();
            return OpenStatus::kCancelled;
        }
        if (!doc.AddDocumentPicture(lyrics, k)) ++report->picturesFailed;
    }
    return OpenStatus::kOpened;
}

}  // namespace

OpenStatus OpenLyricsFile(SyncDocument& doc, LyricsDocument& lyrics, std::u16string_view path, int kind,
                          ProgressSink* progress, OpenReport* report) {
    OpenReport local;
    if (!report) report = &local;
    *report = OpenReport{};
    OpenStatus status;
    try {
        status = Open(doc, lyrics, path, kind, progress, report);
    } catch (const std::bad_alloc&) {
        doc.ClearSyncDocument();
        status = OpenStatus::kReadFailed;
    }
    lyrics.ClearDocument();
    return status;
}

}  // namespace mr
