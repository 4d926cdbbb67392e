#pragma once
// Parsers for the bracketed tags of LRC files: line tags [key:value] and the
// word stamps <mm:ss.xx> inside a line.

#include <cstdint>

namespace mr {

// Kinds of a line tag, as ParseLrcTag returns them.
enum LrcTagKind : int {
    kLrcNoTag = 0,         // no tag in the rest of the line
    kLrcUnknown = 1,       // another key, a key not 2 units long, or a malformed time
    kLrcEmpty = 2,         // [:]
    kLrcLanguage = 3,      // "la" (not stored)
    kLrcTitle = 4,         // "ti"
    kLrcArtist = 5,        // "ar"
    kLrcAlbum = 6,         // "al"
    kLrcAuthor = 7,        // "by" (not stored)
    kLrcTime = 9,          // two digits: a line time stamp
};

struct LrcTag {
    int kind = kLrcNoTag;
    uint32_t start = 0;  // position of "["
    uint32_t colon = 0;  // position of the first ":" after "["
    uint32_t end = 0;    // position of "]"
    int32_t timeMs = 0;  // for kLrcTime
};

// Finds the first tag in units[0, count) and classifies it. The tag need not
// be at the start; text before it is skipped. Time stamps are [mm:ss],
// [mm:ss.xx] or [mm:ss.xxx] with exactly two minute digits; seconds are not
// range-checked ([00:75.00] is 75000 ms). Linear in count.
LrcTag ParseLrcTag(const char16_t* units, uint32_t count);

struct LrcWordStamp {
    uint32_t start = 0;  // position of "<"
    uint32_t end = 0;    // position of ">"
    int32_t timeMs = 0;
};

// Finds the first word stamp <mm:ss.xx> or <mm:ss.xxx> in units[0, count).
// A bracketed run that is not a valid stamp stays text and the search goes on
// after it. False when there is none. Linear in count.
bool ParseWordStamp(const char16_t* units, uint32_t count, LrcWordStamp* stamp);

}  // namespace mr
