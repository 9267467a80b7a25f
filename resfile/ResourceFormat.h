#pragma once
// The resource file (.zrf): a 12-byte header, a directory of 19-byte entries
// and the items' data in 4096-byte blocks. All integers are little-endian and
// are converted field by field; the in-memory form is never written as a block.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zarn {

inline constexpr std::size_t kHeaderSize = 12;
inline constexpr std::size_t kEntrySize = 19;
inline constexpr std::uint32_t kBlockSize = 4096;
inline constexpr std::uint8_t kFillByte = 0xF0;
inline constexpr std::size_t kDirectoryCapacity = 400; // the larger maxItems

enum class ResourceKind : std::uint8_t {
    Bitmap1 = 1,
    Bitmap4 = 4,
    Bitmap8 = 8,
    Bitmap16 = 16,
    FontGB2312 = 240,
    FontAscii = 241,
    FontBig5 = 242,
    FontHangul = 243,
    Wave = 245,
};

struct ResourceHeader {
    std::uint16_t itemCount = 0;
    std::uint16_t modelCode = 0;
    std::uint16_t screenWidth = 0;
    std::uint16_t screenHeight = 0;
    std::uint32_t memoryKiB = 0;

    bool operator==(const ResourceHeader&) const = default;
};

struct ResourceEntry {
    std::uint32_t address = 0;
    std::uint32_t length = 0;
    std::uint32_t reserved = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t kind = 0; // a ResourceKind code, kept raw: files may hold others
    std::uint16_t ignoreColor = 0;

    bool operator==(const ResourceEntry&) const = default;
};

std::array<std::uint8_t, kHeaderSize> encodeHeader(const ResourceHeader& header);
ResourceHeader decodeHeader(std::span<const std::uint8_t, kHeaderSize> bytes);
std::array<std::uint8_t, kEntrySize> encodeEntry(const ResourceEntry& entry);
ResourceEntry decodeEntry(std::span<const std::uint8_t, kEntrySize> bytes);

bool isValidModelCode(std::uint16_t modelCode);
std::uint16_t maxItemsFor(std::uint32_t memoryKiB); // 190 up to 4096 KiB, else 400
std::uint32_t payloadStartFor(std::uint32_t memoryKiB); // 4096 up to 4096 KiB, else 8192
constexpr std::uint32_t roundUpToBlock(std::uint32_t x) { return (x + kBlockSize - 1) / kBlockSize * kBlockSize; }
// 64-bit forms for sums that a hostile file could push past 32 bits.
constexpr std::uint64_t roundUpToBlock64(std::uint64_t x) { return (x + kBlockSize - 1) / kBlockSize * kBlockSize; }

} // namespace zarn
