#include "import/FontLibrary.h"

#include "platform/FileIo.h"
#include "platform/Utf8Path.h"

#include "common/Messages.h"
#include "import/ImportSource.h"
#include "resfile/ResourceFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace zarn {

namespace {

    const std::array<FontLibraryInfo, 4> kLibraries { {
        { FontLibraryType::GB2312, "hzk", fontGlyphCount(std::uint8_t(ResourceKind::FontGB2312)),
            std::uint8_t(ResourceKind::FontGB2312), kMsgGb2312Invalid, kMsgGb2312OpenFailure, kFormatLoadingGb2312 },
        { FontLibraryType::Big5, "big", fontGlyphCount(std::uint8_t(ResourceKind::FontBig5)),
            std::uint8_t(ResourceKind::FontBig5), kMsgBig5Invalid, kMsgBig5OpenFailure, kFormatLoadingBig5 },
        { FontLibraryType::Hangul, "kzk", fontGlyphCount(std::uint8_t(ResourceKind::FontHangul)),
            std::uint8_t(ResourceKind::FontHangul), kMsgHangulInvalid, kMsgHangulOpenFailure, kFormatLoadingHangul },
        { FontLibraryType::Ascii, "asc", fontGlyphCount(std::uint8_t(ResourceKind::FontAscii)),
            std::uint8_t(ResourceKind::FontAscii), kMsgAsciiInvalid, kMsgAsciiOpenFailure, kFormatLoadingAscii },
    } };

    bool isDigit(char c) { return c >= '0' && c <= '9'; }

    // Digits from `i` on; saturates far above any accepted glyph size.
    int readNumber(const std::string& s, std::size_t& i)
    {
        int v = 0;
        for (; i < s.size() && isDigit(s[i]); ++i)
            v = v >= 100000 ? v : v * 10 + (s[i] - '0');
        return v;
    }

    ImportCheck refused(const char* message, std::string detail = {})
    {
        ImportCheck c;
        c.verdict = ImportCheck::Verdict::Refused;
        c.message = message;
        c.detail = std::move(detail);
        return c;
    }

} // namespace

const FontLibraryInfo& fontLibraryInfo(FontLibraryType type) { return kLibraries[static_cast<std::size_t>(type)]; }

std::optional<FontLibraryType> fontLibraryTypeOfExtension(const std::string& ext)
{
    std::string lower = ext;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const FontLibraryInfo& info : kLibraries)
        if (lower == info.extension)
            return info.type;
    return std::nullopt;
}

std::optional<FontLibraryType> fontLibraryTypeOfKind(std::uint8_t kind)
{
    for (const FontLibraryInfo& info : kLibraries)
        if (kind == info.kind)
            return info.type;
    return std::nullopt;
}

std::pair<int, int> parseGlyphSize(const std::string& fileName)
{
    const std::string name = fileNameOf(fileName);
    std::size_t i = 0;
    const int width = readNumber(name, i);
    while (i < name.size() && !isDigit(name[i]))
        ++i;
    const int height = readNumber(name, i);
    return { width, height };
}

std::optional<std::pair<int, int>> parseGlyphSizeText(std::string_view text)
{
    const auto number = [](std::string_view digits) {
        int value = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return ec == std::errc() && end == digits.data() + digits.size() && value >= kMinGlyphDots
                && value <= kMaxGlyphDots
            ? value
            : 0;
    };
    const auto cross = text.find_first_of("xX");
    if (cross == std::string_view::npos)
        return std::nullopt;
    const int width = number(text.substr(0, cross));
    const int height = number(text.substr(cross + 1));
    if (width == 0 || height == 0)
        return std::nullopt;
    return std::pair { width, height };
}

std::optional<FontLibraryType> parseLibraryTypeName(const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const FontLibraryInfo& info : kLibraries)
        if (lower == libraryTypeName(info.type))
            return info.type;
    return std::nullopt;
}

const char* libraryTypeName(FontLibraryType type)
{
    switch (type) {
    case FontLibraryType::GB2312:
        return "gb2312";
    case FontLibraryType::Big5:
        return "big5";
    case FontLibraryType::Hangul:
        return "hangul";
    case FontLibraryType::Ascii:
        return "ascii";
    }
    return "?";
}

std::uint32_t expectedFontLibraryLength(FontLibraryType type, int width, int height)
{
    return glyphByteCount(width, height) * fontLibraryInfo(type).glyphCount;
}

ImportCheck checkFontLibrary(FontCommand command, const std::string& path, std::uint32_t remainingBytes,
    std::uint16_t itemCount, std::uint16_t maxItems)
{
    const auto type = fontLibraryTypeOfExtension(fileExtension(path));
    // Another extension, or one of the other command's: the command ends without a word.
    if (!type || (*type == FontLibraryType::Ascii) != (command == FontCommand::Asciilib))
        return {};
    const FontLibraryInfo* info = &fontLibraryInfo(*type);

    // The name decides before the file is ever opened.
    const auto [width, height] = parseGlyphSize(path);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width < kMinGlyphDots || width > kMaxGlyphDots || height < kMinGlyphDots || height > kMaxGlyphDots)
        return refused(info->invalidMessage,
            quotedPath(path) + ": a library's name begins with its glyph size, width and height from "
                + std::to_string(kMinGlyphDots) + " to " + std::to_string(kMaxGlyphDots) + " dots (as in 16X16."
                + info->extension + "); this name gives " + size);
    const std::uint32_t expected = expectedFontLibraryLength(info->type, width, height);

    std::string why;
    const auto length = importFileLength(path, &why);
    if (!length) {
        ImportCheck c = refused(info->openFailureMessage);
        c.detail = why;
        return c;
    }
    if (*length != expected)
        return refused(info->invalidMessage,
            quotedPath(path) + " is " + std::to_string(*length) + " bytes long; a library of " + size
                + " glyphs of its type is " + std::to_string(expected) + " bytes (" + std::to_string(info->glyphCount)
                + " glyphs of " + std::to_string(glyphByteCount(width, height))
                + (glyphByteCount(width, height) == 1 ? " byte)" : " bytes)"));
    if (expected > remainingBytes || itemCount >= maxItems) {
        ImportCheck c = refused(expected > remainingBytes ? kMsgSpaceNotEnough : kMsgExceedMaxItems);
        c.length = expected; // for the caller's detail
        return c;
    }

    ImportCheck accepted;
    accepted.verdict = ImportCheck::Verdict::Accepted;
    accepted.pending.entry.kind = info->kind;
    accepted.pending.entry.width = static_cast<std::uint16_t>(width);
    accepted.pending.entry.height = static_cast<std::uint16_t>(height);
    accepted.pending.entry.length = expected;
    accepted.pending.sourcePath = path;
    char text[128];
    std::snprintf(text, sizeof text, info->confirmationFormat, width, height, static_cast<int>(expected));
    accepted.message = text;
    return accepted;
}

} // namespace zarn
