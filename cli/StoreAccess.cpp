#include "cli/StoreAccess.h"

#include "import/AddContent.h"

#include <charconv>

namespace zarn::cli {

void usageError(std::string message) { throw CommandExit { kExitUsage, std::move(message) }; }

void requireOk(const StoreResult& result)
{
    if (result.ok)
        return;
    refuse(result.detail.empty() ? result.message : result.message + "\n" + result.detail);
}

ResourceStore openStore(const std::string& path, LockMode mode)
{
    ResourceStore store;
    store.path = path;
    requireOk(store.hold(mode));
    return store;
}

void lockForChange(ResourceStore& store) { requireOk(store.hold(LockMode::Exclusive)); }

int parseRow(const std::string& text, const ResourceStore& store)
{
    int row = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), row);
    if (ec != std::errc() || end != text.data() + text.size() || row < 0)
        usageError("ROW must be an item's number as list shows it under \"No.\" (0, 1, ...), not \"" + text + "\"");
    if (row >= store.itemCount)
        refuse(noSuchItemText(row, store.itemCount));
    return row;
}

std::uint16_t parseColor(const std::string& text)
{
    unsigned value = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, value, hex ? 16 : 10);
    if (text.empty() || ec != std::errc() || end != last || value > 0xFFFF)
        usageError("COLOR must be a 16-bit colour as 0xNNNN or a decimal number up to 65535, not \"" + text + "\"");
    return static_cast<std::uint16_t>(value);
}

} // namespace zarn::cli
