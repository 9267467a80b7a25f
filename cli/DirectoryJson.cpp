#include "cli/DirectoryJson.h"

namespace zarn::cli {

void printDirectoryJson(std::ostream& out, std::span<const ResourceEntry> entries)
{
    out << "[";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        out << (i ? ",\n " : "\n ") << "{\"no\": " << i << ", \"kind\": " << unsigned(e.kind)
            << ", \"width\": " << e.width << ", \"height\": " << e.height << ", \"address\": " << e.address
            << ", \"length\": " << e.length << ", \"ignoreColor\": " << e.ignoreColor << "}";
    }
    out << (entries.empty() ? "]\n" : "\n]\n");
}

} // namespace zarn::cli
