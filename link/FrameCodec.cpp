#include "link/FrameCodec.h"

#include <algorithm>
#include <cassert>

namespace zarn {

std::uint8_t frameChecksum(std::uint8_t command, std::span<const std::uint8_t> payload)
{
    std::uint8_t sum = command;
    for (std::uint8_t b : payload)
        sum = static_cast<std::uint8_t>(sum + b);
    return sum;
}

std::size_t encodeFrame(std::uint8_t command, std::span<const std::uint8_t> payload, std::span<std::uint8_t> out)
{
    const std::size_t length = payload.size() + kFrameOverhead;
    if (payload.size() > kMaxPayload || length > out.size())
        return 0;
    out[0] = kFrameStart;
    out[1] = static_cast<std::uint8_t>(payload.size() + 1);
    out[2] = command;
    std::copy(payload.begin(), payload.end(), out.begin() + 3);
    out[3 + payload.size()] = frameChecksum(command, payload);
    out[4 + payload.size()] = kFrameEnd;
    return length;
}

std::vector<std::uint8_t> encodeFrame(std::uint8_t command, std::span<const std::uint8_t> payload)
{
    assert(payload.size() <= kMaxPayload);
    std::vector<std::uint8_t> frame(payload.size() + kFrameOverhead);
    encodeFrame(command, payload, frame);
    return frame;
}

} // namespace zarn
