#pragma once
// The module's frame: 0x55, length (n + 1), command, n payload bytes,
// checksum (command + payload, mod 256), 0xAA. No escaping.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zarn {

inline constexpr std::uint8_t kFrameStart = 0x55;
inline constexpr std::uint8_t kFrameEnd = 0xAA;
inline constexpr std::uint8_t CMD_IDENTIFY = 0x00;
inline constexpr std::uint8_t CMD_PROGRAM_START = 0x10;
inline constexpr std::uint8_t CMD_PROGRAM_DATA = 0x12;

// The checksum byte of a frame carrying `command` and `payload`.
std::uint8_t frameChecksum(std::uint8_t command, std::span<const std::uint8_t> payload);

// The length byte holds n + 1, so 254 payload bytes are the most a frame can carry.
inline constexpr std::size_t kMaxPayload = 254;
inline constexpr std::size_t kFrameOverhead = 5;

// The n + 5 bytes that SendFrame writes.
std::vector<std::uint8_t> encodeFrame(std::uint8_t command, std::span<const std::uint8_t> payload);
// The same into `out`; returns the frame's length, or 0 when it does not fit.
std::size_t encodeFrame(std::uint8_t command, std::span<const std::uint8_t> payload, std::span<std::uint8_t> out);

} // namespace zarn
