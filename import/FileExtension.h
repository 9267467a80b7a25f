#pragma once
// What a file name says of its content: the text after its last dot.

#include <string>

namespace zarn {

// The file name's extension: the text after its last '.', empty when it has none.
std::string fileExtension(const std::string& path);
// The same in lower case, for the commands that take any case ("Load BMP").
std::string lowerExtension(const std::string& path);
// The lower-case extensions taken as pictures: bmp, and png jpg jpeg gif when
// a reader for them is at hand.
bool isBitmapExtension(const std::string& lowerExtension, bool otherPictureFormats);
// Those extensions for messages: ".bmp .png .jpg .jpeg .gif", or ".bmp".
std::string bitmapExtensionsText(bool otherPictureFormats);

} // namespace zarn
