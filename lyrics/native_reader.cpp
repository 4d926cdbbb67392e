#include "lyrics/native_reader.h"

namespace mr {

// Placeholder until the native format is read: nothing is added.
bool ReadNativeLyrics(LyricsDocument&, BufferedFile&, int) {
    return true;
}

}  // namespace mr
