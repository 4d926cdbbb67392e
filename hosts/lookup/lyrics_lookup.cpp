#include "hosts/lookup/lyrics_lookup.h"

namespace mr {

namespace {

// The extensions whose files carry their own lyrics as karaoke MIDI. Matched
// exactly: players report the name as the file system spells it.
constexpr std::u16string_view kMidiExtensions[] = {u".rmi", u".kar", u".mid", u".midi"};

bool IsMidiExtension(std::u16string_view ext) {
    for (auto e : kMidiExtensions) {
        if (ext == e) return true;
    }
    return false;
}

// Pauses the loader for the lifetime of the scope, so that every way out of
// the lookup lets it run again.
class LoaderPause {
public:
    explicit LoaderPause(LookupTarget& t) : target_(t) { target_.PauseLoader(); }
    ~LoaderPause() { target_.ResumeLoader(); }
    LoaderPause(const LoaderPause&) = delete;
    LoaderPause& operator=(const LoaderPause&) = delete;

private:
    LookupTarget& target_;
};

}  // namespace

int LyricsCandidates(std::u16string_view media, std::u16string_view folder, LyricsCandidate out[5]) {
    // The last backslash; one at index 0 does not count (no folder before it).
    size_t slash = std::u16string_view::npos;
    for (size_t i = media.size(); i-- > 1;) {
        if (media[i] == u'\\') {
            slash = i;
            break;
        }
    }
    if (slash == std::u16string_view::npos) return 0;

    // The stem ends at the last dot of the file name, or at the end of the
    // path when the name has none (a dot in a folder name does not count).
    size_t stemEnd = media.size();
    for (size_t i = media.size(); i-- > slash + 1;) {
        if (media[i] == u'.') {
            stemEnd = i;
            break;
        }
    }
    const std::u16string_view stem = media.substr(slash + 1, stemEnd - slash - 1);
    const std::u16string_view base = media.substr(0, stemEnd);

    int n = 0;
    auto add = [&](std::u16string_view head, std::u16string_view name, std::u16string_view ext, int kind) {
        std::u16string p;
        p.reserve(head.size() + name.size() + ext.size() + 1);
        p.append(head);
        if (!name.empty()) {
            p.push_back(u'\\');
            p.append(name);
        }
        p.append(ext);
        out[n++] = LyricsCandidate{std::move(p), kind, true};
    };
    if (!folder.empty()) {
        const size_t len = folder.size() + 1 + stem.size();
        if (len + 3 < kLookupPathUnits) add(folder, stem, u".mr", kLyricsKindNative);
        if (len + 4 < kLookupPathUnits) add(folder, stem, u".lrc", kLyricsKindLrc);
    }
    if (stemEnd + 3 < kLookupPathUnits) add(base, {}, u".mr", kLyricsKindNative);
    if (stemEnd + 4 < kLookupPathUnits) add(base, {}, u".lrc", kLyricsKindLrc);
    if (stemEnd < media.size() && IsMidiExtension(media.substr(stemEnd))) {
        out[n++] = LyricsCandidate{std::u16string(media), kLyricsKindMidi, false};
    }
    return n;
}

int LoadLyricsForMedia(LookupTarget& target, std::u16string_view mediaPath) {
    LoaderPause pause(target);

    int result = 1;
    if (target.RandomPresetOn() && !target.SwitchToRandomPreset()) result = 0;

    // The previous track's lyrics and pictures go whatever happens next: a
    // failed preset switch or an unreadable file must not leave them showing
    // over the new track.
    target.ResetDisplay();
    if (result == 0) return 0;

    LyricsCandidate candidates[5];
    const int n = LyricsCandidates(mediaPath, target.LyricsFolder(), candidates);
    LyricsDocument& doc = target.Document();
    for (int i = 0; i < n; ++i) {
        const LyricsCandidate& c = candidates[i];
        if (c.mustExist && !target.IsFile(c.path)) continue;
        if (!target.LoadLyrics(c.path, c.kind)) {
            doc.ClearDocument();
            return 0;
        }
        if (doc.GetLineCount() != 0 && doc.GetSyncCount() != 0 && doc.GetSyncTimeCount() != 0) return 1;
        // Loaded but nothing to show (no lines, sync points or times): the
        // next candidate may do better.
        doc.ClearDocument();
    }
    return 1;
}

}  // namespace mr
