#pragma once
// The files of one folder kept in memory; every other path goes to the disk as
// with FileIo. A resource file that is built aside and put in place whole at
// the end (a project's build) is changed once per item, and each change
// writes the whole file anew: in memory that is a copy, not tens of megabytes
// for the disk to take each time.

#include "platform/FileIo.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zarn {

class MemoryFileIo : public FileIo {
public:
    // `folder` need not exist on the disk; nothing is written there.
    explicit MemoryFileIo(const std::string& folder);

    int open(const std::string& path, int flags, int mode = 0644) override;
    IoCount pread(int fd, void* buffer, std::size_t count, FileOffset offset) override;
    IoCount pwrite(int fd, const void* buffer, std::size_t count, FileOffset offset) override;
    IoCount append(int fd, const void* buffer, std::size_t count) override;
    int truncate(int fd, FileOffset length) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int rename(const std::string& from, const std::string& to) override;
    int unlink(const std::string& path) override;
    int stat(const std::string& path, FileStatus& out) override;
    int fstat(int fd, FileStatus& out) override;
    int copyOwnerAndMode(int fd, const FileStatus& like) override;
    int tryLock(int fd, LockMode mode) override;
    int openUnnamed(const std::string& folder, int mode) override;
    int nameUnnamed(int fd, const std::string& path) override;
    int syncFolder(const std::string& folder) override;

private:
    struct File {
        std::vector<std::uint8_t> bytes;
        std::uint64_t inode = 0;
    };
    using FilePtr = std::shared_ptr<File>;

    // The key of a path in the folder; empty for a path elsewhere.
    std::string keyOf(const std::string& path) const;
    bool isFolder(const std::string& folder) const;
    File* fileOf(int fd) const; // nullptr for a descriptor of the disk
    FilePtr newFile();
    int descriptorFor(FilePtr file);
    static void describe(const File& file, FileStatus& out);

    std::filesystem::path m_folder;
    std::map<std::string, FilePtr> m_files;
    std::map<int, FilePtr> m_open;
    int m_nextFd = 1 << 24; // far above the descriptors the system gives
    std::uint64_t m_nextInode = 1;
};

} // namespace zarn
