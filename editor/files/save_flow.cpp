#include "editor/files/save_flow.h"

#include <string>

#include "common/file.h"
#include "lyrics/lyrics_document.h"

namespace mr {
namespace {

SaveStatus WriteNative(SyncDocument& doc, std::u16string_view temp, const SaveOptions& options,
                       PictureWriteReport* pictures) {
    BufferedFile file;
    if (!file.OpenWrite(temp, fs::kWrite, fs::kShareNone, fs::Disposition::CreateAlways)) {
        return SaveStatus::kWriteFailed;
    }
    SaveStatus status = WriteNativeText(doc, options.fields, file);
    if (status == SaveStatus::kSaved && doc.PictureCount() > 0) {
        PictureDecoder& decoder = options.decoder ? *options.decoder : SystemPictureDecoder();
        status = WriteNativePictures(doc, file, decoder, options.progress, pictures);
    }
    if (status == SaveStatus::kSaved) status = PatchNativeSize(file);
    if (status == SaveStatus::kSaved && !fs::Flush(file.Handle())) status = SaveStatus::kWriteFailed;
    return status;
}

}  // namespace

const char* SaveStatusText(SaveStatus status) {
    switch (status) {
        case SaveStatus::kSaved: return "saved";
        case SaveStatus::kTempFile: return "no temporary file could be created in the target's folder";
        case SaveStatus::kWriteFailed: return "the file could not be written";
        case SaveStatus::kCancelled: return "the save was cancelled";
        case SaveStatus::kMoveFailed: return "the new file could not replace the target";
        case SaveStatus::kTimeOutOfRange: return "a time lies outside what the format can hold";
        case SaveStatus::kTooLarge: return "the file would reach 4 GiB";
        case SaveStatus::kOutOfMemory: return "out of memory";
        case SaveStatus::kBadKind: return "not a kind of file the editor writes";
    }
    return "unknown failure";
}

SaveStatus SaveLyricsFile(SyncDocument& doc, std::u16string_view target, const SaveOptions& options,
                          SaveReport* report) {
    SaveReport local;
    if (!report) report = &local;
    *report = SaveReport{};
    const int kind = options.kind;
    const bool native = kind == kLyricsKindNative || kind == kLyricsKindNativeAlt;
    if (!native && kind != kLyricsKindLrc && kind != kLyricsKindLrcLines) return SaveStatus::kBadKind;

    std::u16string temp;
    try {
        // The target's folder with its final separator (a root such as "C:\" stays
        // a root); a bare name is saved in the current folder.
        const size_t cut = target.find_last_of(u"\\/");
        const std::u16string_view folder = cut == std::u16string_view::npos ? u"." : target.substr(0, cut + 1);
        if (!fs::CreateUniqueTempFile(folder, u"mr", &temp)) return SaveStatus::kTempFile;
    } catch (const std::bad_alloc&) {
        return SaveStatus::kOutOfMemory;
    }

    SaveStatus status;
    if (native) {
        status = WriteNative(doc, temp, options, &report->pictures);
    } else {
        status = WriteLrcFile(doc, temp, options.fields, kind != kLyricsKindLrc, options.encoding, &report->lrc);
    }
    if (status == SaveStatus::kSaved && !fs::ReplaceMove(temp, target)) status = SaveStatus::kMoveFailed;
    if (status != SaveStatus::kSaved) {
        fs::Remove(temp);
        return status;
    }

    // Only a file that kept everything the document holds marks it saved.
    bool keptAll = native;
    if (kind == kLyricsKindLrc) {
        LockGuard g(doc.DocumentLock());
        keptAll = doc.PictureCount() == 0 && doc.TimingCount() == doc.SegmentCount() &&
                  !report->lrc.defaultCharUsed;
    }
    if (keptAll) doc.MarkSaved();
    report->markedSaved = keptAll;
    return SaveStatus::kSaved;
}

}  // namespace mr
