#pragma once
// zarnres diff: two resource files compared item by item: model and memory,
// then each row's kind, size, ignore colour and data (by SHA-256).

#include "resfile/ResourceFormat.h"
#include "resfile/Sha256.h"

#include <string>
#include <vector>

namespace zarn {

struct ResourceSummary {
    ResourceHeader header;
    std::vector<ResourceEntry> entries;
    std::vector<Sha256::Digest> digests; // of each item's data
};

// Reads a resource file's header, directory and item digests; empty *error when it could.
ResourceSummary summarizeResourceFile(const std::string& path, std::string* error);

struct ResourceDiff {
    std::vector<std::string> lines; // one short line per difference, A's value before B's
    std::string json;
    bool same() const { return lines.empty(); } // the same model, memory and items
};

ResourceDiff diffResources(const ResourceSummary& a, const ResourceSummary& b);

} // namespace zarn
