#pragma once
// What the frames of the module's protocol carry, for the tool and for the
// virtual module alike: the identification request and its nine-word reply,
// and the programming start request with the image size.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace zarn {

// The identification request's payload: the eight bytes "Kelvaron".
inline constexpr std::array<std::uint8_t, 8> kIdentificationRequest { 'K', 'e', 'l', 'v', 'a', 'r', 'o', 'n' };

// The nine little-endian 32-bit words of an identification reply.
struct ModuleInfo {
    std::array<std::uint32_t, 9> words {};
    std::uint32_t firmwareVersion() const { return words[0]; }
    std::uint32_t typeCode() const { return words[2]; } // size class * 100 + hardware version
    std::uint32_t sizeClass() const { return typeCode() / 100u; }
    std::uint32_t hardwareVersion() const { return typeCode() % 100u; }
    std::uint32_t memoryBytes() const { return words[5]; }
};

// The reply a module gives: word 0 its firmware, word 2 its type, word 5 its memory in bytes.
std::array<std::uint8_t, 36> identificationReply(
    std::uint32_t firmware, std::uint32_t typeCode, std::uint32_t memoryBytes);

// The start request's payload: four zero bytes, then the size little-endian.
std::array<std::uint8_t, 8> programStartPayload(std::uint32_t imageSize);
// The size a start request announces; nothing when the payload is not one.
std::optional<std::uint32_t> announcedImageSize(std::span<const std::uint8_t> payload);

} // namespace zarn
