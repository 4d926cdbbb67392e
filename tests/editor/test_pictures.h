#pragma once
// Small pictures made by the tests themselves, in the four formats the editor
// accepts, and damaged variants of them.

#include <cstdint>
#include <string>

namespace mr::test {

// A 4 x 3 picture of two colours: 24-bit RGB PNG with a stored zlib stream.
std::string MakePng();
// An 8 x 8 grey baseline JPEG (one block, DC and end-of-block only).
std::string MakeJpeg();
// A 4 x 3 GIF89a with a two-colour table (an LZW clear code before each
// pixel, so every code has 3 bits).
std::string MakeGif();
// A 4 x 3 24-bit bottom-up BMP.
std::string MakeBmp();

// A PNG signature followed by bytes that are no chunk: a picture that no
// decoder accepts.
std::string MakeCorruptPicture();

}  // namespace mr::test
