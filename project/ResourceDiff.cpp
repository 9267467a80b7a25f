#include "project/ResourceDiff.h"

#include "project/ProjectText.h"
#include "resfile/DirectoryView.h"
#include "resfile/ResourceStore.h"

#include <algorithm>

namespace zarn {

namespace {

    std::string screen(const ResourceHeader& h)
    {
        return std::to_string(h.modelCode) + " " + std::to_string(h.screenWidth) + "x" + std::to_string(h.screenHeight);
    }

    std::string size(const ResourceEntry& e)
    {
        const std::string bytes = std::to_string(e.length) + " bytes";
        return e.width || e.height ? std::to_string(e.width) + "x" + std::to_string(e.height) + ", " + bytes : bytes;
    }

    std::string headerJson(const ResourceHeader& h)
    {
        return "{\"modelCode\": " + std::to_string(h.modelCode) + ", \"screenWidth\": " + std::to_string(h.screenWidth)
            + ", \"screenHeight\": " + std::to_string(h.screenHeight) + ", \"memoryKiB\": "
            + std::to_string(h.memoryKiB) + ", \"itemCount\": " + std::to_string(h.itemCount) + "}";
    }

    std::string entryJson(const ResourceSummary& s, std::size_t i)
    {
        if (i >= s.entries.size())
            return "null";
        const ResourceEntry& e = s.entries[i];
        return "{\"kind\": " + std::to_string(e.kind) + ", \"width\": " + std::to_string(e.width) + ", \"height\": "
            + std::to_string(e.height) + ", \"length\": " + std::to_string(e.length) + ", \"ignoreColor\": "
            + std::to_string(e.ignoreColor) + ", \"sha256\": \"" + Sha256::hex(s.digests[i]) + "\"}";
    }

} // namespace

ResourceSummary summarizeResourceFile(const std::string& path, std::string* error)
{
    ResourceSummary s;
    ResourceStore store;
    std::vector<std::uint8_t> image;
    StoreResult r = store.openResourceFile(path);
    if (r.ok)
        r = store.readUsedPart(image); // damaged items are compared as they are
    if (!r.ok) {
        *error = withDetail(r.message, r.detail);
        return s;
    }
    error->clear();
    s.header = store.header();
    for (const ResourceEntry& e : store.directory()) {
        s.entries.push_back(e);
        s.digests.push_back(Sha256::of(std::span(image).subspan(e.address, e.length)));
    }
    return s;
}

ResourceDiff diffResources(const ResourceSummary& a, const ResourceSummary& b)
{
    ResourceDiff d;
    auto differ = [&](std::string line) { d.lines.push_back(std::move(line)); };
    const ResourceHeader& ha = a.header;
    const ResourceHeader& hb = b.header;
    if (ha.modelCode != hb.modelCode || ha.screenWidth != hb.screenWidth || ha.screenHeight != hb.screenHeight)
        differ("model: " + screen(ha) + " | " + screen(hb));
    if (ha.memoryKiB != hb.memoryKiB)
        differ("memory: " + std::to_string(ha.memoryKiB) + " KiB | " + std::to_string(hb.memoryKiB) + " KiB");

    std::string items;
    const std::size_t n = std::max(a.entries.size(), b.entries.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::string item = "item " + std::to_string(i) + ": ";
        std::vector<std::string> fields;
        if (i >= a.entries.size() || i >= b.entries.size()) {
            const bool inA = i < a.entries.size();
            const ResourceEntry& e = inA ? a.entries[i] : b.entries[i];
            differ(
                item + "only in " + (inA ? "A" : "B") + ": " + kindName(e.kind, static_cast<int>(i)) + ", " + size(e));
            fields.push_back("presence");
        } else {
            const ResourceEntry& ea = a.entries[i];
            const ResourceEntry& eb = b.entries[i];
            const int row = static_cast<int>(i);
            if (ea.kind != eb.kind) {
                differ(item + "kind: " + kindName(ea.kind, row) + " | " + kindName(eb.kind, row));
                fields.push_back("kind");
            }
            if (ea.width != eb.width || ea.height != eb.height || ea.length != eb.length) {
                differ(item + "size: " + size(ea) + " | " + size(eb));
                fields.push_back("size");
            }
            if (ea.ignoreColor != eb.ignoreColor) {
                differ(item + "ignore color: " + ignoreColorText(ea.ignoreColor) + " | "
                    + ignoreColorText(eb.ignoreColor));
                fields.push_back("ignoreColor");
            }
            if (ea.reserved != eb.reserved) {
                differ(item + "reserved: " + std::to_string(ea.reserved) + " | " + std::to_string(eb.reserved));
                fields.push_back("reserved");
            }
            if (a.digests[i] != b.digests[i]) {
                differ(item + "data differs (sha256 " + Sha256::hex(a.digests[i]).substr(0, 16) + " | "
                    + Sha256::hex(b.digests[i]).substr(0, 16) + ")");
                fields.push_back("data");
            }
        }
        std::string list;
        for (const auto& f : fields)
            list += (list.empty() ? "\"" : ", \"") + f + "\"";
        items += std::string(i ? ",\n  " : "\n  ") + "{\"no\": " + std::to_string(i) + ", \"a\": " + entryJson(a, i)
            + ", \"b\": " + entryJson(b, i) + ", \"differs\": [" + list + "]}";
    }
    d.json = "{\"same\": " + std::string(d.same() ? "true" : "false") + ",\n \"a\": " + headerJson(ha)
        + ",\n \"b\": " + headerJson(hb) + ",\n \"items\": [" + items + (n ? "\n ]}\n" : "]}\n");
    return d;
}

} // namespace zarn
