#include "link/Protocol.h"

#include "common/ByteOrder.h"

namespace zarn {

std::array<std::uint8_t, 36> identificationReply(
    std::uint32_t firmware, std::uint32_t typeCode, std::uint32_t memoryBytes)
{
    std::array<std::uint8_t, 36> reply {};
    putLe32(&reply[0], firmware);
    putLe32(&reply[8], typeCode);
    putLe32(&reply[20], memoryBytes);
    return reply;
}

std::array<std::uint8_t, 8> programStartPayload(std::uint32_t imageSize)
{
    std::array<std::uint8_t, 8> payload {};
    putLe32(&payload[4], imageSize);
    return payload;
}

std::optional<std::uint32_t> announcedImageSize(std::span<const std::uint8_t> payload)
{
    if (payload.size() != 8 || getLe32(payload.data()) != 0)
        return std::nullopt;
    return getLe32(payload.data() + 4);
}

} // namespace zarn
