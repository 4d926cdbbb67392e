#pragma once
// LoadLyricsForMedia: finds the lyrics that belong to the media item a player
// has just started and loads them into the renderer's document. Shared by the
// Windows Media Player effect and the Winamp module.
//
// The lookup owns nothing: it drives the renderer it belongs to through
// LookupTarget, so that its order of candidates and its handling of every
// outcome can be exercised without a device, threads or a file system.

#include <cstdint>
#include <string>
#include <string_view>

#include "lyrics/lyrics_document.h"

namespace mr {

// Candidate names are built within the platform's path limit (terminator
// included); a name that would reach it is skipped.
inline constexpr size_t kLookupPathUnits = 260;

// One file the lookup may try, in order.
struct LyricsCandidate {
    std::u16string path;
    int kind;          // kLyricsKindNative, kLyricsKindLrc or kLyricsKindMidi
    bool mustExist;    // lyrics files are tried only when present; the MIDI file is the media itself
};

// The candidates for mediaPath (a full path with backslashes, as the players
// report it) and the preset's lyrics folder (no trailing backslash, may be
// empty), in the order they are tried:
//   folder\stem.mr, folder\stem.lrc, media-without-extension.mr and .lrc,
//   then the media file itself as karaoke MIDI when its extension is exactly
//   ".rmi", ".kar", ".mid" or ".midi" (case-sensitive).
// A path without a backslash past its first unit (a stream address) has no
// candidates. Returns the number written to out.
int LyricsCandidates(std::u16string_view mediaPath, std::u16string_view lyricsFolder,
                     LyricsCandidate out[5]);

// What the lookup needs of its renderer. Everything is called on the host's
// drawing thread.
class LookupTarget {
public:
    virtual ~LookupTarget() = default;

    // Parks the picture loader (it reads the document) until ResumeLoader.
    virtual void PauseLoader() = 0;
    virtual void ResumeLoader() = 0;

    // True when the host's preset choice is "Random".
    virtual bool RandomPresetOn() const = 0;
    // Switches to a randomly drawn preset other than the current one, copies
    // it into the renderer (parking the picture-list scanner when the picture
    // source changes) and rebuilds the text resources. False when the preset
    // cannot be read or the text resources cannot be built.
    virtual bool SwitchToRandomPreset() = 0;
    // The current preset's lyrics folder (no trailing backslash, may be empty).
    virtual std::u16string_view LyricsFolder() const = 0;

    // Empties the text slots, releases the current and next pictures, clears
    // the document and rewinds the sync cursor.
    virtual void ResetDisplay() = 0;

    // True when a file system entry of that name exists and is not a folder.
    virtual bool IsFile(std::u16string_view path) = 0;
    // Reads the file into the (empty) document with the reader of kind, in
    // the plug-ins' mode. False when the file cannot be read.
    virtual bool LoadLyrics(std::u16string_view path, int kind) = 0;
    virtual LyricsDocument& Document() = 0;
};

// Looks up and loads the lyrics of mediaPath. Returns 0 when the random preset
// cannot be switched to or when a present candidate cannot be read, 1
// otherwise, whether or not lyrics were found. Whatever the result, the
// previous track's lyrics and pictures are gone afterwards: the document holds
// the lyrics found or nothing, and the picture loader runs again.
int LoadLyricsForMedia(LookupTarget& target, std::u16string_view mediaPath);

}  // namespace mr
