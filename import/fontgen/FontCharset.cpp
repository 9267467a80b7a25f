#include "import/fontgen/FontCharset.h"

#include "import/fontgen/CodeTables.h"

#include <algorithm>
#include <optional>

namespace zarn {

namespace {

    // Two-byte sets: a range of lead bytes, each with one or two runs of trail bytes.
    struct TrailRun {
        std::uint8_t first, last;
    };
    struct DoubleByteLayout {
        std::uint8_t leadFirst, leadLast;
        TrailRun runs[2];
        int runCount;
        const char32_t* characters; // of every position, in glyph order (CodeTables.cpp)

        std::uint32_t trailsPerLead() const
        {
            std::uint32_t n = 0;
            for (int i = 0; i < runCount; ++i)
                n += runs[i].last - runs[i].first + 1u;
            return n;
        }
        std::uint32_t count() const { return (leadLast - leadFirst + 1u) * trailsPerLead(); }
    };

    // make_code_tables.py lays the tables out the same way.
    constexpr DoubleByteLayout kGb2312 { 0xA1, 0xF7, { { 0xA1, 0xFE }, { 0, 0 } }, 1, kGb2312Characters };
    constexpr DoubleByteLayout kBig5 { 0xA1, 0xF9, { { 0x40, 0x7E }, { 0xA1, 0xFE } }, 2, kBig5Characters };
    constexpr DoubleByteLayout kHangul { 0xB0, 0xC8, { { 0xA1, 0xFE }, { 0, 0 } }, 1, kHangulCharacters };

    const DoubleByteLayout* layoutOf(FontLibraryType type)
    {
        switch (type) {
        case FontLibraryType::GB2312:
            return &kGb2312;
        case FontLibraryType::Big5:
            return &kBig5;
        case FontLibraryType::Hangul:
            return &kHangul;
        case FontLibraryType::Ascii:
            return nullptr;
        }
        return nullptr;
    }

} // namespace

std::uint32_t libraryGlyphCount(FontLibraryType type)
{
    const DoubleByteLayout* layout = layoutOf(type);
    return layout ? layout->count() : 256u;
}

std::optional<std::uint16_t> libraryCodeAt(FontLibraryType type, std::uint32_t index)
{
    const DoubleByteLayout* layout = layoutOf(type);
    if (!layout)
        return index < 256 ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(index)) : std::nullopt;
    if (index >= layout->count())
        return std::nullopt;
    const std::uint32_t perLead = layout->trailsPerLead();
    const std::uint32_t lead = layout->leadFirst + index / perLead;
    std::uint32_t column = index % perLead;
    for (int i = 0; i < layout->runCount; ++i) {
        const std::uint32_t runLength = layout->runs[i].last - layout->runs[i].first + 1u;
        if (column < runLength)
            return static_cast<std::uint16_t>(lead << 8 | (layout->runs[i].first + column));
        column -= runLength;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> libraryIndexOf(FontLibraryType type, std::uint16_t code)
{
    const DoubleByteLayout* layout = layoutOf(type);
    if (!layout)
        return code < 256 ? std::optional<std::uint32_t>(code) : std::nullopt;
    const unsigned lead = code >> 8, trail = code & 0xFF;
    if (lead < layout->leadFirst || lead > layout->leadLast)
        return std::nullopt;
    std::uint32_t column = 0;
    for (int i = 0; i < layout->runCount; ++i) {
        const TrailRun& run = layout->runs[i];
        if (trail >= run.first && trail <= run.last)
            return (lead - layout->leadFirst) * layout->trailsPerLead() + column + (trail - run.first);
        column += run.last - run.first + 1u;
    }
    return std::nullopt;
}

std::vector<char32_t> libraryCharacters(FontLibraryType type)
{
    const DoubleByteLayout* layout = layoutOf(type);
    std::vector<char32_t> characters(libraryGlyphCount(type), 0);
    if (!layout) {
        // Printable ASCII, then Latin-1's printable upper half; controls stay blank.
        for (char32_t c = 0x20; c <= 0x7E; ++c)
            characters[c] = c;
        for (char32_t c = 0xA0; c <= 0xFF; ++c)
            characters[c] = c;
        return characters;
    }
    std::copy(layout->characters, layout->characters + layout->count(), characters.begin());
    return characters;
}

bool isPrivateUse(char32_t c) { return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000; }

const char* libraryExtension(FontLibraryType type) { return fontLibraryInfo(type).extension; }

int libraryRowLength(FontLibraryType type)
{
    const DoubleByteLayout* layout = layoutOf(type);
    return layout ? static_cast<int>(layout->trailsPerLead()) : 16;
}

std::string libraryFileName(FontLibraryType type, int width, int height)
{
    return std::to_string(width) + "X" + std::to_string(height) + "." + libraryExtension(type);
}

bool isFullWidthType(FontLibraryType type) { return type != FontLibraryType::Ascii; }

} // namespace zarn
