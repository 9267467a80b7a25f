#include "link/FrameCodec.h"

#include <cassert>

namespace zarn {

std::uint8_t frameChecksum(std::uint8_t command, std::span<const std::uint8_t> payload)
{
    std::uint8_t sum = command;
    for (std::uint8_t b : payload)
        sum = static_cast<std::uint8_t>(sum + b);
    return sum;
}

std::vector<std::uint8_t> encodeFrame(std::uint8_t command, std::span<const std::uint8_t> payload)
{
    assert(payload.size() <= 255);
    std::vector<std::uint8_t> frame;
    frame.reserve(payload.size() + 5);
    frame.push_back(kFrameStart);
    frame.push_back(static_cast<std::uint8_t>(payload.size() + 1));
    frame.push_back(command);
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(frameChecksum(command, payload));
    frame.push_back(kFrameEnd);
    return frame;
}

} // namespace zarn
