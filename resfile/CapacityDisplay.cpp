#include "resfile/CapacityDisplay.h"

#include <cstdio>

namespace zarn {

std::string capacityText(const ResourceStore& store)
{
    // Printed as %d like the main window does; sizes up to 16 MiB fit easily.
    char text[96];
    std::snprintf(text, sizeof text, kCapacityFormat, static_cast<int>(std::uint64_t(store.memoryKiB()) * 1024),
        static_cast<int>(store.remainingBytes()));
    return text;
}

int capacityGaugeRange(const ResourceStore& store) { return static_cast<int>(store.memoryKiB()); }

int capacityGaugePosition(const ResourceStore& store)
{
    return static_cast<int>(std::int64_t(store.memoryKiB()) - store.remainingBytes() / 1024);
}

} // namespace zarn
