#pragma once
// Paths are UTF-8 strings in the whole program. A std::filesystem::path made
// from a plain string reads it in the system's narrow code page on Windows, so
// paths cross into and out of std::filesystem through these two.

#include <exception>
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

// UTF-8 to and from the system's wide strings (UTF-16 on Windows). Text that
// is no valid UTF-8 (or UTF-16) becomes empty, which the system refuses,
// rather than text with replacement characters.
inline std::wstring wideOf(const std::string& utf8)
{
    try {
        return pathOf(utf8).wstring();
    } catch (const std::exception&) {
        return {};
    }
}

inline std::string utf8OfWide(const std::wstring& wide)
{
    try {
        return utf8Of(std::filesystem::path(wide));
    } catch (const std::exception&) {
        return {};
    }
}

// The last part of a path: after the last '/' (or '\\' and a drive's ':' on Windows).
inline std::string fileNameOf(const std::string& path) { return utf8Of(pathOf(path).filename()); }

} // namespace zarn
