#pragma once
// Temporary folders, whole-file reads and a FileIo that fails on cue, for the
// resource store tests.
#include "resfile/FileIo.h"

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
    const std::filesystem::path& path() const { return m_path; }
    std::size_t entryCount() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_path),
                                                      std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path m_path;
};

inline std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Data that tells items apart: every byte depends on the seed and position.
inline std::vector<std::uint8_t> pattern(std::size_t size, unsigned seed)
{
    std::vector<std::uint8_t> v(size);
    for (std::size_t i = 0; i < size; ++i)
        v[i] = static_cast<std::uint8_t>((i * 131 + seed * 7919 + (i >> 8)) ^ seed);
    return v;
}

// Lets `writeBudget` bytes through, then fails the next `failingWrites`
// writes with `error` (a disk that is full, then has room again); the same
// for reads.
class FaultyIo : public FileIo {
public:
    std::int64_t writeBudget = -1; // -1: no fault
    int failingWrites = 1;
    std::int64_t readBudget = -1;
    int failingReads = 1;
    int error = ENOSPC;
    int writeCalls = 0;

    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override
    {
        ++writeCalls;
        if (writeBudget >= 0) {
            if (writeBudget == 0) {
                if (failingWrites > 0) {
                    --failingWrites;
                    errno = error;
                    return -1;
                }
            } else {
                const std::size_t n = std::min<std::size_t>(count, static_cast<std::size_t>(writeBudget));
                writeBudget -= static_cast<std::int64_t>(n);
                return FileIo::pwrite(fd, buffer, n, offset);
            }
        }
        return FileIo::pwrite(fd, buffer, count, offset);
    }
    ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) override
    {
        if (readBudget >= 0) {
            if (readBudget == 0) {
                if (failingReads > 0) {
                    --failingReads;
                    errno = EIO;
                    return -1;
                }
            } else {
                const std::size_t n = std::min<std::size_t>(count, static_cast<std::size_t>(readBudget));
                readBudget -= static_cast<std::int64_t>(n);
                return FileIo::pread(fd, buffer, n, offset);
            }
        }
        return FileIo::pread(fd, buffer, count, offset);
    }
};

} // namespace zarn::test
