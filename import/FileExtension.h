#pragma once
// What a file name says of its content: the text after its last dot.

#include <string>

namespace zarn {

// The file name's extension: the text after its last '.', empty when it has none.
std::string fileExtension(const std::string& path);
// The same in lower case, for the commands that take any case ("Load BMP").
std::string lowerExtension(const std::string& path);
// Lower-case extensions taken as pictures besides "bmp": png, jpg, jpeg, gif.
bool isPictureExtension(const std::string& lowerExtension);

} // namespace zarn
