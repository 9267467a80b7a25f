#include "cli/Arguments.h"

#include "cli/Command.h"
#include "import/AddContent.h"
#include "import/FontLibrary.h"

#include <charconv>

namespace zarn::cli {

void usageError(std::string message) { throw CommandExit { kExitUsage, std::move(message) }; }

int parseRow(const std::string& text, const ResourceStore& store)
{
    int row = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), row);
    if (ec != std::errc() || end != text.data() + text.size() || row < 0)
        usageError("ROW must be an item's number as list shows it under \"No.\" (0, 1, ...), not \"" + text + "\"");
    if (row >= store.itemCount())
        refuse(noSuchItemText(row, store.itemCount()) + " (" + quotedPath(store.path()) + ")");
    return row;
}

namespace {

    // 0 to 65535, hexadecimal after 0x, otherwise in `base`; `what` is the usage error.
    std::uint16_t parseUint16(const std::string& text, int base, const std::string& what)
    {
        unsigned value = 0;
        const bool prefix = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const char* last = text.data() + text.size();
        const auto [end, ec] = std::from_chars(text.data() + (prefix ? 2 : 0), last, value, prefix ? 16 : base);
        if (text.empty() || ec != std::errc() || end != last || value > 0xFFFF)
            usageError(what + ", not \"" + text + "\"");
        return static_cast<std::uint16_t>(value);
    }

} // namespace

std::uint16_t parseColor(const std::string& text)
{
    return parseUint16(text, 10, "COLOR must be a 16-bit colour as 0xNNNN or a decimal number up to 65535");
}

std::uint16_t parseCode(const std::string& text)
{
    return parseUint16(text, 16, "--from must be a character code in hexadecimal (for example B0A1 or 0x41)");
}

std::pair<int, int> parseGlyphSize(const std::string& text)
{
    const auto size = parseGlyphSizeText(text);
    if (!size)
        usageError("--size must be WIDTHxHEIGHT in dots, each 1 to 99 (for example 16x16), not \"" + text + "\"");
    return *size;
}

} // namespace zarn::cli
