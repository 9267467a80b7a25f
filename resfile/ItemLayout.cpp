#include "resfile/ItemLayout.h"

#include "resfile/ModuleModel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace zarn {

std::optional<std::uint32_t> modulePaletteLength(std::uint8_t kind)
{
    switch (kind) {
    case 1:
        return 4;
    case 4:
        return 32;
    case 8:
        return 512;
    case 16:
        return 0;
    default:
        return std::nullopt;
    }
}

std::optional<std::uint64_t> moduleRowLength(std::uint8_t kind, int width)
{
    if (width < 0 || !modulePaletteLength(kind))
        return std::nullopt;
    const std::uint64_t w = static_cast<std::uint64_t>(width);
    return kind == 16 ? 2 * w : (w * kind + 7) / 8;
}

std::optional<std::uint32_t> moduleBitmapLength(std::uint8_t kind, int width, int height)
{
    const auto palette = modulePaletteLength(kind);
    const auto row = moduleRowLength(kind, width);
    if (!palette || !row || height < 0)
        return std::nullopt;
    const std::uint64_t total = *palette + *row * static_cast<std::uint64_t>(height);
    if (total > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(total);
}

std::uint32_t glyphByteCount(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    return static_cast<std::uint32_t>((width + 7) / 8) * static_cast<std::uint32_t>(height);
}

namespace {

    using Severity = Finding::Severity;

    std::string size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

    const char* libraryName(std::uint8_t kind)
    {
        switch (static_cast<ResourceKind>(kind)) {
        case ResourceKind::FontGB2312:
            return "a GB2312 library";
        case ResourceKind::FontBig5:
            return "a BIG5 library";
        case ResourceKind::FontHangul:
            return "a Hangul library";
        default:
            return "an ASCII library";
        }
    }

    std::string colorText(std::uint16_t color)
    {
        char text[8];
        std::snprintf(text, sizeof text, "0x%04X", color);
        return text;
    }

    // A bitmap's palette and rows against its length, and its size against the screen.
    void bitmapFindings(
        const ResourceHeader& h, const ResourceEntry& e, const std::string& item, std::vector<Finding>& out)
    {
        const std::uint64_t needed
            = *modulePaletteLength(e.kind) + *moduleRowLength(e.kind, e.width) * std::uint64_t(e.height);
        const std::string what = "a " + size(e.width, e.height) + " bitmap of kind " + std::to_string(e.kind)
            + " needs " + std::to_string(needed) + " bytes, the item holds " + std::to_string(e.length);
        if (e.length < needed)
            out.push_back({ Severity::Fault, "bitmap-short", item + what, true });
        else if (e.length > needed)
            out.push_back({ Severity::Fault, "bitmap-long", item + what + ", more than its pixels" });
        if (e.width == 0 || e.height == 0)
            out.push_back({ Severity::Fault, "bitmap-empty",
                item + "a " + size(e.width, e.height) + " bitmap has no pixels, and no picture makes one" });
        else if (e.width > h.screenWidth || e.height > h.screenHeight)
            out.push_back({ Severity::Warning, "bitmap-screen",
                item + "the " + size(e.width, e.height) + " bitmap is larger than the file's "
                    + size(h.screenWidth, h.screenHeight) + " screen; the module cannot show all of it" });
    }

    void libraryFindings(const ResourceEntry& e, const std::string& item, std::vector<Finding>& out)
    {
        const std::string library = libraryName(e.kind);
        if (e.width == 0 || e.height == 0) {
            out.push_back({ Severity::Fault, "library-no-size",
                item + library + " with glyphs of " + size(e.width, e.height) + " dots has no glyph size" });
            return;
        }
        const std::uint32_t glyphs = fontGlyphCount(e.kind);
        const std::uint32_t glyphBytes = glyphByteCount(e.width, e.height);
        const std::uint64_t needed = std::uint64_t(glyphs) * glyphBytes;
        const std::string what = item + library + " of " + size(e.width, e.height) + " glyphs needs "
            + std::to_string(needed) + " bytes (" + std::to_string(glyphs) + " glyphs of " + std::to_string(glyphBytes)
            + (glyphBytes == 1 ? " byte" : " bytes") + "), the item holds " + std::to_string(e.length);
        if (e.length < needed)
            out.push_back({ Severity::Fault, "library-short", what, true });
        else if (e.length > needed)
            out.push_back({ Severity::Fault, "library-long", what });
        if (e.width > kMaxGlyphDots || e.height > kMaxGlyphDots)
            out.push_back({ Severity::Warning, "library-large",
                item + "glyphs of " + size(e.width, e.height) + " dots are larger than the "
                    + std::to_string(kMaxGlyphDots) + " dots a library is taken with" });
    }

    // The model's rows, for the screen and memory size a header may hold.
    std::vector<const ModuleModel*> rowsOf(std::uint16_t modelCode)
    {
        std::vector<const ModuleModel*> rows;
        for (const ModuleModel& m : moduleModels())
            if (m.modelCode == modelCode)
                rows.push_back(&m);
        return rows;
    }

} // namespace

std::vector<Finding> itemFindings(const ResourceHeader& header, const ResourceEntry& e, int index)
{
    std::vector<Finding> out;
    const std::string item = "item " + std::to_string(index) + ": ";
    const bool bitmap = modulePaletteLength(e.kind).has_value();
    if (bitmap)
        bitmapFindings(header, e, item, out);
    else if (fontGlyphCount(e.kind) > 0)
        libraryFindings(e, item, out);
    else if (e.kind != static_cast<std::uint8_t>(ResourceKind::Wave))
        out.push_back({ Severity::Fault, "kind",
            item + "its kind " + std::to_string(e.kind) + " is none of a bitmap, font library or sound" });
    else if (e.width != 0 || e.height != 0)
        out.push_back({ Severity::Warning, "sound-size",
            item + "a sound with a width and height (" + size(e.width, e.height) + "), which sounds do not have" });
    if (!bitmap && e.ignoreColor != 0)
        out.push_back({ Severity::Warning, "ignore-color",
            item + "an ignore colour (" + colorText(e.ignoreColor) + ") on an item that is no bitmap" });
    if (e.reserved != 0)
        out.push_back({ Severity::Warning, "reserved",
            item + "its reserved field holds " + std::to_string(e.reserved) + ", which is always written 0" });
    return out;
}

std::vector<Finding> headerFindings(const ResourceHeader& h)
{
    const auto rows = rowsOf(h.modelCode);
    const std::uint64_t memory = std::uint64_t(h.memoryKiB) * 1024;
    if (rows.empty() || memory < payloadStartFor(h.memoryKiB) || memory > std::numeric_limits<std::uint32_t>::max())
        return {}; // an unknown model code or a memory that cannot hold the file is a fault of its own
    std::string screens;
    std::vector<const ModuleModel*> sameScreen;
    for (const ModuleModel* m : rows) {
        const std::string s = size(m->screenWidth, m->screenHeight);
        if (screens.find(s) == std::string::npos)
            screens += (screens.empty() ? "" : " or ") + s;
        if (m->screenWidth == h.screenWidth && m->screenHeight == h.screenHeight)
            sameScreen.push_back(m);
    }
    const std::string model = "model code " + std::to_string(h.modelCode);
    if (sameScreen.empty())
        return { { Severity::Warning, "screen",
            "the header's " + size(h.screenWidth, h.screenHeight) + " screen is none of " + model + "'s (" + screens
                + ")" } };
    std::string sizes;
    for (const ModuleModel* m : sameScreen)
        for (int k = 0; k < 4; ++k)
            if (m->sizesOffered[static_cast<std::size_t>(k)]) {
                if (memoryKiBForSizeIndex(k) == h.memoryKiB)
                    return {};
                if (sizes.find(kSizeLabels[static_cast<std::size_t>(k)]) == std::string::npos)
                    sizes += (sizes.empty() ? "" : ", ") + std::string(kSizeLabels[static_cast<std::size_t>(k)]);
            }
    return { { Severity::Warning, "memory",
        "the header's memory size, " + std::to_string(h.memoryKiB) + " KiB, is none of those " + model + " with a "
            + size(h.screenWidth, h.screenHeight) + " screen comes with (" + sizes + ")" } };
}

// ---------------------------------------------------------------- lines

void FindingLines::add(const Finding& finding, int item)
{
    for (Group& g : m_groups)
        if (std::strcmp(g.key, finding.group) == 0 && g.severity == finding.severity) {
            g.moreItems.push_back(item);
            return;
        }
    m_groups.push_back({ finding.group, finding.severity, finding.text, {} });
}

void FindingLines::add(const char* group, std::string text, int item)
{
    add(Finding { Severity::Fault, group, std::move(text) }, item);
}

namespace {

    // "5-9, 12, 14-20": item numbers in ranges, the first few of them.
    std::string rangesText(std::vector<int> items)
    {
        std::sort(items.begin(), items.end());
        std::string text;
        int shown = 0;
        for (std::size_t i = 0; i < items.size();) {
            std::size_t j = i;
            while (j + 1 < items.size() && items[j + 1] <= items[j] + 1)
                ++j;
            if (++shown > 6)
                return text + ", ...";
            text.append(text.empty() ? "" : ", ").append(std::to_string(items[i]));
            if (items[j] != items[i])
                text.append("-").append(std::to_string(items[j]));
            i = j + 1;
        }
        return text;
    }

} // namespace

std::vector<std::string> FindingLines::lines(Finding::Severity severity) const
{
    std::vector<std::string> out;
    for (const Group& g : m_groups) {
        if (g.severity != severity)
            continue;
        std::string line = g.first;
        if (!g.moreItems.empty()) {
            std::vector<int> numbered;
            std::copy_if(
                g.moreItems.begin(), g.moreItems.end(), std::back_inserter(numbered), [](int i) { return i >= 0; });
            const std::size_t n = g.moreItems.size();
            line += "; likewise " + std::to_string(n) + (n == 1 ? " more item" : " more items");
            if (!numbered.empty())
                line += " (" + rangesText(numbered) + ")";
        }
        out.push_back(std::move(line));
    }
    return out;
}

bool FindingLines::any(Finding::Severity severity) const
{
    return std::any_of(m_groups.begin(), m_groups.end(), [&](const Group& g) { return g.severity == severity; });
}

} // namespace zarn
