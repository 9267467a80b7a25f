#pragma once
// Temporary folders and whole-file reads and writes, for every test.
#include "platform/Utf8Path.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace zarn::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder in the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir()
    {
        std::random_device random;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        do
            m_path = base / ("zarn-test-" + std::to_string(random()));
        while (!std::filesystem::create_directory(m_path));
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // `name` in UTF-8, and so the path returned, with the system's separators.
    std::string file(const std::string& name) const { return utf8Of((m_path / pathOf(name)).make_preferred()); }
    std::filesystem::path operator/(const std::string& name) const { return m_path / pathOf(name); }
    std::ptrdiff_t entryCount() const
    {
        return std::distance(std::filesystem::directory_iterator(m_path), std::filesystem::directory_iterator());
    }

private:
    std::filesystem::path m_path;
};

inline Bytes readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    Bytes bytes(in ? static_cast<std::size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Data that tells items apart: every byte depends on the seed and position.
inline Bytes pattern(std::size_t size, unsigned seed)
{
    Bytes v(size);
    for (std::size_t i = 0; i < size; ++i)
        v[i] = static_cast<std::uint8_t>((i * 131 + seed * 7919 + (i >> 8)) ^ seed);
    return v;
}

// A file of `size` pattern bytes; its path.
inline std::string patternFile(const std::filesystem::path& path, std::size_t size, unsigned seed = 1)
{
    writeBytes(path, pattern(size, seed));
    return path.string();
}

// A RIFF/WAVE sound of `size` bytes (44 or more): 8-bit mono samples of pattern bytes; its path.
inline std::string soundFile(const std::filesystem::path& path, std::size_t size, unsigned seed = 1)
{
    Bytes v = pattern(size, seed);
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            v[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    const auto text = [&](std::size_t at, const char* four) { std::copy(four, four + 4, v.begin() + at); };
    text(0, "RIFF"), put(4, std::uint32_t(size - 8), 4), text(8, "WAVE");
    text(12, "fmt "), put(16, 16, 4), put(20, 1, 2), put(22, 1, 2), put(24, 8000, 4), put(28, 8000, 4);
    put(32, 1, 2), put(34, 8, 2), text(36, "data"), put(40, std::uint32_t(size - 44), 4);
    writeBytes(path, v);
    return path.string();
}

// Named pipes in the file system: POSIX systems have them, Windows has none.
#ifdef _WIN32
inline constexpr bool kNamedPipes = false;
inline bool makeNamedPipe(const std::string&) { return false; }
#else
inline constexpr bool kNamedPipes = true;
inline bool makeNamedPipe(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }
#endif

// Sets (or, given nullptr, removes) an environment variable of this process.
inline void setEnvironment(const char* name, const char* value)
{
#ifdef _WIN32
    ::_putenv_s(name, value ? value : "");
#else
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
#endif
}

// The folder of data files (tests/data).
inline const std::filesystem::path kDataDir = ZARN_TEST_DATA_DIR;

} // namespace zarn::test
