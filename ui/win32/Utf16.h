#pragma once
// The window speaks UTF-16 to the system and UTF-8 to the rest of the program;
// every text crosses between the two here and nowhere else.

#include <string>
#include <string_view>

namespace zarn::win32 {

// Bytes that are not valid UTF-8 become U+FFFD, so a damaged name still shows.
std::wstring wide(std::string_view utf8);
// An unpaired surrogate becomes U+FFFD.
std::string narrow(std::wstring_view utf16);

// Line breaks as edit controls and message boxes show them: "\r\n" for every
// "\r\n", lone "\r" and lone "\n".
std::string windowsLineBreaks(std::string_view text);

} // namespace zarn::win32
