#pragma once
// Temporary folders, whole-file reads and a FileIo that fails on cue, for the
// resource store tests.
#include "resfile/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zarn::test {

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/zarn-resfile-XXXXXX";
        m_path = mkdtemp(tmpl);
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    std::ptrdiff_t entryCount() const
    {
        return std::distance(std::filesystem::directory_iterator(m_path), std::filesystem::directory_iterator());
    }

private:
    std::filesystem::path m_path;
};

inline std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Data that tells items apart: every byte depends on the seed and position.
inline std::vector<std::uint8_t> pattern(std::size_t size, unsigned seed)
{
    std::vector<std::uint8_t> v(size);
    for (std::size_t i = 0; i < size; ++i)
        v[i] = static_cast<std::uint8_t>((i * 131 + seed * 7919 + (i >> 8)) ^ seed);
    return v;
}

// Lets `budget` bytes through, then fails the next `failing` calls with
// `error` (a disk that is full, then has room again). -1: no fault.
struct Fault {
    std::int64_t budget = -1;
    int failing = 1;
    int error = ENOSPC;

    template <typename Call>
    ssize_t apply(std::size_t count, Call call)
    {
        if (budget == 0 && failing > 0) {
            --failing;
            errno = error;
            return -1;
        }
        if (budget > 0) {
            count = std::min<std::size_t>(count, static_cast<std::size_t>(budget));
            budget -= static_cast<std::int64_t>(count);
        }
        return call(count);
    }
};

class FaultyIo : public FileIo {
public:
    Fault write, read { -1, 1, EIO };
    int writeCalls = 0;

    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override
    {
        ++writeCalls;
        return write.apply(count, [&](std::size_t n) { return FileIo::pwrite(fd, buffer, n, offset); });
    }
    ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) override
    {
        return read.apply(count, [&](std::size_t n) { return FileIo::pread(fd, buffer, n, offset); });
    }
};

} // namespace zarn::test
