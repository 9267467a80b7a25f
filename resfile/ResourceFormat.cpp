#include "resfile/ResourceFormat.h"

#include <algorithm>

namespace zarn {

namespace {
    void put16(std::uint8_t* p, std::uint16_t v)
    {
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
    }
    void put32(std::uint8_t* p, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    std::uint16_t get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
    std::uint32_t get32(const std::uint8_t* p)
    {
        return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
    }
    constexpr std::array<std::uint16_t, 8> kValidModelCodes { 1704, 2401, 2404, 2804, 3204, 3504, 4308, 5008 };
}

std::array<std::uint8_t, kHeaderSize> encodeHeader(const ResourceHeader& header)
{
    std::array<std::uint8_t, kHeaderSize> b {};
    put16(&b[0], header.itemCount);
    put16(&b[2], header.modelCode);
    put16(&b[4], header.screenWidth);
    put16(&b[6], header.screenHeight);
    put32(&b[8], header.memoryKiB);
    return b;
}

ResourceHeader decodeHeader(std::span<const std::uint8_t, kHeaderSize> b)
{
    ResourceHeader h;
    h.itemCount = get16(&b[0]);
    h.modelCode = get16(&b[2]);
    h.screenWidth = get16(&b[4]);
    h.screenHeight = get16(&b[6]);
    h.memoryKiB = get32(&b[8]);
    return h;
}

std::array<std::uint8_t, kEntrySize> encodeEntry(const ResourceEntry& e)
{
    std::array<std::uint8_t, kEntrySize> b {};
    put32(&b[0], e.address);
    put32(&b[4], e.length);
    put32(&b[8], e.reserved);
    put16(&b[12], e.width);
    put16(&b[14], e.height);
    b[16] = e.kind;
    put16(&b[17], e.ignoreColor);
    return b;
}

ResourceEntry decodeEntry(std::span<const std::uint8_t, kEntrySize> b)
{
    ResourceEntry e;
    e.address = get32(&b[0]);
    e.length = get32(&b[4]);
    e.reserved = get32(&b[8]);
    e.width = get16(&b[12]);
    e.height = get16(&b[14]);
    e.kind = b[16];
    e.ignoreColor = get16(&b[17]);
    return e;
}

bool isValidModelCode(std::uint16_t modelCode)
{
    return std::find(kValidModelCodes.begin(), kValidModelCodes.end(), modelCode) != kValidModelCodes.end();
}

std::uint16_t maxItemsFor(std::uint32_t memoryKiB) { return memoryKiB <= 4096 ? 190 : 400; }

std::uint32_t payloadStartFor(std::uint32_t memoryKiB) { return memoryKiB <= 4096 ? 4096 : 8192; }

} // namespace zarn
