#include "platform/SfntTables.h"

#include "common/Utf8.h"

namespace zarn {

namespace {

    // Big-endian fields, 0 past the end.
    std::uint32_t u16(std::span<const std::uint8_t> b, std::size_t at)
    {
        return at + 2 <= b.size() ? static_cast<std::uint32_t>(b[at] << 8 | b[at + 1]) : 0;
    }
    std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) { return u16(b, at) << 16 | u16(b, at + 2); }

    // One table of the face whose directory starts at `directory`; empty when absent or outside the file.
    std::span<const std::uint8_t> table(std::span<const std::uint8_t> file, std::size_t directory, const char* tag)
    {
        const std::uint32_t count = u16(file, directory + 4);
        const std::uint32_t wanted = static_cast<std::uint32_t>(static_cast<unsigned char>(tag[0])) << 24
            | static_cast<unsigned char>(tag[1]) << 16 | static_cast<unsigned char>(tag[2]) << 8
            | static_cast<unsigned char>(tag[3]);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t record = directory + 12 + 16 * static_cast<std::size_t>(i);
            if (record + 16 > file.size())
                return {};
            if (u32(file, record) != wanted)
                continue;
            const std::uint64_t offset = u32(file, record + 8), length = u32(file, record + 12);
            if (offset + length > file.size())
                return {};
            return file.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
        }
        return {};
    }

    // UTF-16BE to UTF-8; a lone surrogate ends the name there.
    std::string fromUtf16(std::span<const std::uint8_t> b)
    {
        std::string text;
        for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
            std::uint32_t c = u16(b, i);
            if (c >= 0xD800 && c < 0xDC00 && i + 3 < b.size() && u16(b, i + 2) >= 0xDC00 && u16(b, i + 2) < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (u16(b, i + 2) - 0xDC00);
                i += 2;
            } else if (c >= 0xD800 && c < 0xE000) {
                break;
            }
            appendUtf8(text, c);
        }
        return text;
    }

    // The family name by which Windows chooses the face: name 1 of the Windows
    // platform, in US English where there is one; else the Macintosh name.
    std::string familyName(std::span<const std::uint8_t> name)
    {
        const std::uint32_t count = u16(name, 2), strings = u16(name, 4);
        std::span<const std::uint8_t> windows, english, macintosh;
        for (std::uint32_t i = 0; i < count && 6 + 12 * (i + 1) <= name.size(); ++i) {
            const std::size_t r = 6 + 12 * static_cast<std::size_t>(i);
            const std::uint32_t platform = u16(name, r), language = u16(name, r + 4), id = u16(name, r + 6);
            const std::size_t length = u16(name, r + 8), offset = strings + u16(name, r + 10);
            if (id != 1 || offset + length > name.size() || length == 0)
                continue;
            const auto text = name.subspan(offset, length);
            if (platform == 3 && language == 0x409 && english.empty())
                english = text;
            else if (platform == 3 && windows.empty())
                windows = text;
            else if (platform == 1 && macintosh.empty())
                macintosh = text;
        }
        if (!english.empty() || !windows.empty())
            return fromUtf16(english.empty() ? windows : english);
        std::string text; // Mac Roman: its ASCII half
        for (const std::uint8_t c : macintosh)
            if (c < 0x80)
                text += static_cast<char>(c);
        return text;
    }

} // namespace

std::optional<std::vector<SfntFace>> sfntFaces(std::span<const std::uint8_t> file)
{
    std::vector<std::size_t> directories;
    const std::uint32_t tag = u32(file, 0);
    if (tag == 0x74746366) { // "ttcf"
        const std::uint32_t count = u32(file, 8);
        if (count == 0 || 12 + 4 * static_cast<std::uint64_t>(count) > file.size())
            return std::nullopt;
        for (std::uint32_t i = 0; i < count; ++i)
            directories.push_back(u32(file, 12 + 4 * static_cast<std::size_t>(i)));
    } else if (tag == 0x00010000 || tag == 0x4F54544F || tag == 0x74727565) { // 1.0, "OTTO", "true"
        directories.push_back(0);
    } else {
        return std::nullopt;
    }
    std::vector<SfntFace> faces;
    for (const std::size_t directory : directories) {
        if (directory + 12 + 16 * static_cast<std::uint64_t>(u16(file, directory + 4)) > file.size())
            return std::nullopt;
        const auto head = table(file, directory, "head");
        faces.push_back(SfntFace { familyName(table(file, directory, "name")), { head.begin(), head.end() } });
    }
    return faces;
}

} // namespace zarn
