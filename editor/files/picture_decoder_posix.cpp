// Natively there is no picture codec: the header checks stand in for one.
#include "editor/files/picture_decoder.h"

namespace mr {

PictureDecoder& SystemPictureDecoder() {
    static HeaderPictureDecoder decoder;
    return decoder;
}

}  // namespace mr
