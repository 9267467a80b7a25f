#include "import/fontgen/FontCharset.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iconv.h>
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
        const char* encoding; // iconv name
        const char* fallback; // iconv name, or nullptr

        std::uint32_t trailsPerLead() const
        {
            std::uint32_t n = 0;
            for (int i = 0; i < runCount; ++i)
                n += runs[i].last - runs[i].first + 1u;
            return n;
        }
        std::uint32_t count() const { return (leadLast - leadFirst + 1u) * trailsPerLead(); }
    };

    // `fallback`: read where the encoding gives a private-use code point. Plain
    // Big5 does for C6A1-C8FE (circled numbers, kana, Cyrillic, ...), which
    // Big5-2003 and HKSCS define and glibc's BIG5-HKSCS converter reads.
    constexpr DoubleByteLayout kGb2312 { 0xA1, 0xF7, { { 0xA1, 0xFE }, { 0, 0 } }, 1, "GB2312", nullptr };
    constexpr DoubleByteLayout kBig5 { 0xA1, 0xF9, { { 0x40, 0x7E }, { 0xA1, 0xFE } }, 2, "BIG5", "BIG5-HKSCS" };
    constexpr DoubleByteLayout kHangul { 0xB0, 0xC8, { { 0xA1, 0xFE }, { 0, 0 } }, 1, "EUC-KR", nullptr };

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

    class IconvHandle {
    public:
        IconvHandle(const char* to, const char* from)
            : m_cd(iconv_open(to, from))
        {
        }
        ~IconvHandle()
        {
            if (ok())
                iconv_close(m_cd);
        }
        IconvHandle(const IconvHandle&) = delete;
        IconvHandle& operator=(const IconvHandle&) = delete;
        bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

        // One character from `in`, 0 when the bytes do not form exactly one character.
        char32_t convertOne(const char* in, std::size_t inLength)
        {
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // reset any shift state
            char src[4];
            std::memcpy(src, in, inLength);
            unsigned char dst[8];
            char* inPtr = src;
            char* outPtr = reinterpret_cast<char*>(dst);
            std::size_t inLeft = inLength, outLeft = sizeof dst;
            if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0
                || sizeof dst - outLeft != 4)
                return 0;
            return static_cast<char32_t>(dst[0]) | static_cast<char32_t>(dst[1]) << 8
                | static_cast<char32_t>(dst[2]) << 16 | static_cast<char32_t>(dst[3]) << 24;
        }

    private:
        iconv_t m_cd;
    };

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

std::vector<char32_t> libraryCharacters(FontLibraryType type, std::string* error)
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
    IconvHandle converter("UTF-32LE", layout->encoding);
    if (!converter.ok()) {
        if (error)
            *error = std::string("Cannot convert from ") + layout->encoding + ": " + std::strerror(errno);
        return {};
    }
    std::optional<IconvHandle> fallback;
    if (layout->fallback)
        fallback.emplace("UTF-32LE", layout->fallback);
    for (std::uint32_t i = 0; i < characters.size(); ++i) {
        const std::uint16_t code = *libraryCodeAt(type, i);
        const char bytes[2] = { static_cast<char>(code >> 8), static_cast<char>(code & 0xFF) };
        characters[i] = converter.convertOne(bytes, 2);
        if (isPrivateUse(characters[i]) && fallback && fallback->ok())
            if (const char32_t other = fallback->convertOne(bytes, 2); other != 0 && !isPrivateUse(other))
                characters[i] = other;
    }
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
