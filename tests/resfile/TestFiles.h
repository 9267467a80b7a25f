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
#include <set>
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

// Thrown where the process would die: nothing after it runs, no clean-up.
struct Crash { };

class FaultyIo : public FileIo {
public:
    Fault write, read { -1, 1, EIO };
    int writeCalls = 0;
    int calls = 0;
    int crashAtCall = -1; // the call (counted from 1) at which the process dies
    int failFsync = 0, failRename = 0; // errno values for these calls to fail with
    bool noUnnamedFiles = false;       // a system without files that have no name
    std::int64_t tearAfter = -1;       // bytes written in all before a write is torn and the process dies

    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override
    {
        step();
        ++writeCalls;
        if (tearAfter >= 0 && static_cast<std::int64_t>(count) > tearAfter) {
            FileIo::pwrite(fd, buffer, static_cast<std::size_t>(tearAfter), offset);
            die();
        }
        if (tearAfter >= 0)
            tearAfter -= static_cast<std::int64_t>(count);
        return write.apply(count, [&](std::size_t n) { return FileIo::pwrite(fd, buffer, n, offset); });
    }
    ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) override
    {
        step();
        return read.apply(count, [&](std::size_t n) { return FileIo::pread(fd, buffer, n, offset); });
    }
    int open(const std::string& path, int flags, int mode) override { return step(), opened(FileIo::open(path, flags, mode)); }
    int fsync(int fd) override { return step(), failFsync ? (errno = failFsync, -1) : FileIo::fsync(fd); }
    int rename(const std::string& from, const std::string& to) override
    {
        return step(), failRename ? (errno = failRename, -1) : FileIo::rename(from, to);
    }
    int unlink(const std::string& path) override { return step(), FileIo::unlink(path); }
    int copyOwnerAndMode(int fd, const FileStatus& like) override { return step(), FileIo::copyOwnerAndMode(fd, like); }
    int tryLock(int fd, LockMode mode) override { return step(), FileIo::tryLock(fd, mode); }
    int openUnnamed(const std::string& folder, int mode) override
    {
        return step(), noUnnamedFiles ? (errno = EOPNOTSUPP, -1) : opened(FileIo::openUnnamed(folder, mode));
    }
    int nameUnnamed(int fd, const std::string& path) override { return step(), FileIo::nameUnnamed(fd, path); }
    int syncFolder(const std::string& folder) override { return step(), FileIo::syncFolder(folder); }
    // A dead process's files are closed by the system (and their locks let go).
    int close(int fd) override { return m_open.erase(fd) ? FileIo::close(fd) : 0; }

private:
    std::set<int> m_open;

    int opened(int fd)
    {
        if (fd >= 0)
            m_open.insert(fd);
        return fd;
    }
    void step()
    {
        if (crashAtCall > 0 && ++calls >= crashAtCall)
            die();
    }
    [[noreturn]] void die()
    {
        for (int fd : m_open)
            FileIo::close(fd);
        m_open.clear();
        throw Crash {};
    }
};

} // namespace zarn::test
