#include "resfile/ResourceFormat.h"

#include "common/ByteOrder.h"

#include <algorithm>

namespace zarn {

namespace {
    constexpr std::array<std::uint16_t, 8> kValidModelCodes { 1704, 2401, 2404, 2804, 3204, 3504, 4308, 5008 };
}

std::array<std::uint8_t, kHeaderSize> encodeHeader(const ResourceHeader& header)
{
    std::array<std::uint8_t, kHeaderSize> b {};
    putLe16(&b[0], header.itemCount);
    putLe16(&b[2], header.modelCode);
    putLe16(&b[4], header.screenWidth);
    putLe16(&b[6], header.screenHeight);
    putLe32(&b[8], header.memoryKiB);
    return b;
}

ResourceHeader decodeHeader(std::span<const std::uint8_t, kHeaderSize> b)
{
    ResourceHeader h;
    h.itemCount = getLe16(&b[0]);
    h.modelCode = getLe16(&b[2]);
    h.screenWidth = getLe16(&b[4]);
    h.screenHeight = getLe16(&b[6]);
    h.memoryKiB = getLe32(&b[8]);
    return h;
}

std::array<std::uint8_t, kEntrySize> encodeEntry(const ResourceEntry& e)
{
    std::array<std::uint8_t, kEntrySize> b {};
    putLe32(&b[0], e.address);
    putLe32(&b[4], e.length);
    putLe32(&b[8], e.reserved);
    putLe16(&b[12], e.width);
    putLe16(&b[14], e.height);
    b[16] = e.kind;
    putLe16(&b[17], e.ignoreColor);
    return b;
}

ResourceEntry decodeEntry(std::span<const std::uint8_t, kEntrySize> b)
{
    ResourceEntry e;
    e.address = getLe32(&b[0]);
    e.length = getLe32(&b[4]);
    e.reserved = getLe32(&b[8]);
    e.width = getLe16(&b[12]);
    e.height = getLe16(&b[14]);
    e.kind = b[16];
    e.ignoreColor = getLe16(&b[17]);
    return e;
}

bool isValidModelCode(std::uint16_t modelCode)
{
    return std::find(kValidModelCodes.begin(), kValidModelCodes.end(), modelCode) != kValidModelCodes.end();
}

std::uint16_t maxItemsFor(std::uint32_t memoryKiB) { return memoryKiB <= 4096 ? 190 : 400; }

std::uint32_t payloadStartFor(std::uint32_t memoryKiB) { return memoryKiB <= 4096 ? 4096 : 8192; }

} // namespace zarn
