#pragma once
// SHA-256 digests of item data, so that two resource files can be compared
// item by item without holding both whole in mind.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace zarn {

class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    void update(std::span<const std::uint8_t> data);
    // The digest of everything given; the object is spent afterwards.
    Digest finish();

    static Digest of(std::span<const std::uint8_t> data);
    // Lower-case hexadecimal, 64 characters.
    static std::string hex(const Digest& digest);

private:
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> m_state;
    std::array<std::uint8_t, 64> m_block {};
    std::size_t m_fill = 0;
    std::uint64_t m_length = 0; // bytes given so far
};

} // namespace zarn
