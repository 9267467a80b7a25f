#pragma once
// What an item's data must hold by its directory entry: the module bitmap
// formats (palette and packed rows by kind, width and height) and the font
// library code tables (glyph count by kind, bytes by glyph size); and what is
// wrong with an entry or a header by those rules.

#include "resfile/ResourceFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

// Palette bytes of a bitmap kind (4, 32, 512, or 0 for kind 16); nullopt for other kinds.
std::optional<std::uint32_t> modulePaletteLength(std::uint8_t kind);
// Bytes of one packed row of `width` pixels; nullopt for non-bitmap kinds or a negative width.
std::optional<std::uint64_t> moduleRowLength(std::uint8_t kind, int width);
// Palette + rows; nullopt for non-bitmap kinds, negative sizes, or more than 32 bits can hold.
std::optional<std::uint32_t> moduleBitmapLength(std::uint8_t kind, int width, int height);

inline constexpr int kMinGlyphDots = 1;
inline constexpr int kMaxGlyphDots = 99; // the import refuses larger sizes

// The glyphs of a library kind's code table (GB2312 8178, BIG5 13973, Hangul
// 2350, ASCII 256); 0 for kinds that are no font library.
constexpr std::uint32_t fontGlyphCount(std::uint8_t kind)
{
    switch (static_cast<ResourceKind>(kind)) {
    case ResourceKind::FontGB2312:
        return 8178;
    case ResourceKind::FontBig5:
        return 13973;
    case ResourceKind::FontHangul:
        return 2350;
    case ResourceKind::FontAscii:
        return 256;
    default:
        return 0;
    }
}
// Bytes of one glyph: `height` rows of ceil(width/8) bytes; 0 for no size.
std::uint32_t glyphByteCount(int width, int height);

// What a check finds: a fault (the entry and its data disagree, or the file
// cannot be what it claims) or a warning (what files made by other tools may
// hold, which this tool would not have made).
struct Finding {
    enum class Severity { Fault, Warning } severity = Severity::Fault;
    const char* group = ""; // findings of one group are one line of the check
    std::string text; // a whole sentence naming the item, e.g. "item 3: ..."
    // The item's data holds less than its entry claims: a module sent it shows garbage.
    bool unsendable = false;
};

// What is wrong with entry `index` by the item rules (its place in the file is
// the directory's business, see directoryProblems).
std::vector<Finding> itemFindings(const ResourceHeader& header, const ResourceEntry& entry, int index);
// A screen or memory size that no row of the module type table has for the model code.
std::vector<Finding> headerFindings(const ResourceHeader& header);

// Findings gathered into one line per group: the first one's text, then how
// many more items have a finding of that group, and which. Lines keep the order in which groups first came.
class FindingLines {
public:
    // `item`: the item's number, or -1 for a finding about the file.
    void add(const Finding& finding, int item = -1);
    void add(const char* group, std::string text, int item = -1);
    std::vector<std::string> lines(Finding::Severity severity) const;
    bool any(Finding::Severity severity) const;

private:
    struct Group {
        const char* key;
        Finding::Severity severity;
        std::string first;
        std::vector<int> moreItems;
    };
    std::vector<Group> m_groups;
};

} // namespace zarn
