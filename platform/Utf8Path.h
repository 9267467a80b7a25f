#pragma once
// Paths are UTF-8 strings in the whole program. A std::filesystem::path made
// from a plain string reads it in the system's narrow code page on Windows, so
// paths cross into and out of std::filesystem through these two.

#include <filesystem>
#include <string>

namespace zarn {

inline std::filesystem::path pathOf(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8Of(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The last part of a path: after the last '/' (or '\\' and a drive's ':' on Windows).
inline std::string fileNameOf(const std::string& path) { return utf8Of(pathOf(path).filename()); }

} // namespace zarn
