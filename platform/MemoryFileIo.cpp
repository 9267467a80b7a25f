#include "platform/MemoryFileIo.h"

#include "platform/Utf8Path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace zarn {

namespace {

    // No device of the system has this number, so no file in memory is ever
    // taken for one on the disk.
    constexpr std::uint64_t kMemoryDevice = std::numeric_limits<std::uint64_t>::max();
    // A resource file's addresses are 32 bits, so none reaches 4 GiB (the modules'
    // memories are at most 16 MiB); larger writes are refused as a full disk would.
    constexpr std::uint64_t kLargestFile = std::uint64_t { 1 } << 32;

    int fail(int err)
    {
        errno = err;
        return -1;
    }

} // namespace

MemoryFileIo::MemoryFileIo(const std::string& folder)
    : m_folder(pathOf(folder).lexically_normal())
{
}

std::string MemoryFileIo::keyOf(const std::string& path) const
{
    const std::filesystem::path p = pathOf(path).lexically_normal();
    return p.parent_path() == m_folder && p.has_filename() ? utf8Of(p) : std::string();
}

bool MemoryFileIo::isFolder(const std::string& folder) const { return pathOf(folder).lexically_normal() == m_folder; }

MemoryFileIo::File* MemoryFileIo::fileOf(int fd) const
{
    const auto it = m_open.find(fd);
    return it == m_open.end() ? nullptr : it->second.get();
}

MemoryFileIo::FilePtr MemoryFileIo::newFile()
{
    auto file = std::make_shared<File>();
    file->inode = m_nextInode++;
    return file;
}

int MemoryFileIo::descriptorFor(FilePtr file)
{
    const int fd = m_nextFd++;
    m_open.emplace(fd, std::move(file));
    return fd;
}

void MemoryFileIo::describe(const File& file, FileStatus& out)
{
    out = FileStatus {};
    out.type = FileStatus::Type::Regular;
    out.device = kMemoryDevice;
    out.inode = file.inode;
    out.mode = 0644;
    out.size = static_cast<std::int64_t>(file.bytes.size());
}

int MemoryFileIo::open(const std::string& path, int flags, int mode)
{
    const std::string key = keyOf(path);
    if (key.empty())
        return FileIo::open(path, flags, mode);
    auto it = m_files.find(key);
    if (it != m_files.end() && (flags & O_CREAT) && (flags & O_EXCL))
        return fail(EEXIST);
    if (it == m_files.end()) {
        if (!(flags & O_CREAT))
            return fail(ENOENT);
        it = m_files.emplace(key, newFile()).first;
    }
    if (flags & O_TRUNC)
        it->second->bytes.clear();
    return descriptorFor(it->second);
}

IoCount MemoryFileIo::pread(int fd, void* buffer, std::size_t count, FileOffset offset)
{
    const File* file = fileOf(fd);
    if (!file)
        return FileIo::pread(fd, buffer, count, offset);
    if (offset < 0)
        return fail(EINVAL);
    const std::uint64_t size = file->bytes.size();
    if (std::uint64_t(offset) >= size)
        return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, size - std::uint64_t(offset)));
    std::memcpy(buffer, file->bytes.data() + offset, n);
    return static_cast<IoCount>(n);
}

IoCount MemoryFileIo::pwrite(int fd, const void* buffer, std::size_t count, FileOffset offset)
{
    File* file = fileOf(fd);
    if (!file)
        return FileIo::pwrite(fd, buffer, count, offset);
    if (offset < 0)
        return fail(EINVAL);
    if (std::uint64_t(offset) + count > kLargestFile)
        return fail(EFBIG);
    const std::size_t end = static_cast<std::size_t>(offset) + count;
    if (file->bytes.size() < end)
        file->bytes.resize(end);
    std::memcpy(file->bytes.data() + offset, buffer, count);
    return static_cast<IoCount>(count);
}

IoCount MemoryFileIo::append(int fd, const void* buffer, std::size_t count)
{
    const File* file = fileOf(fd);
    if (!file)
        return FileIo::append(fd, buffer, count);
    return pwrite(fd, buffer, count, static_cast<FileOffset>(file->bytes.size()));
}

int MemoryFileIo::truncate(int fd, FileOffset length)
{
    File* file = fileOf(fd);
    if (!file)
        return FileIo::truncate(fd, length);
    if (length < 0 || std::uint64_t(length) > kLargestFile)
        return fail(length < 0 ? EINVAL : EFBIG);
    file->bytes.resize(static_cast<std::size_t>(length));
    return 0;
}

int MemoryFileIo::fsync(int fd) { return fileOf(fd) ? 0 : FileIo::fsync(fd); }

int MemoryFileIo::close(int fd) { return m_open.erase(fd) ? 0 : FileIo::close(fd); }

int MemoryFileIo::rename(const std::string& from, const std::string& to)
{
    const std::string source = keyOf(from), target = keyOf(to);
    if (source.empty() && target.empty())
        return FileIo::rename(from, to);
    if (source.empty() || target.empty())
        return fail(EXDEV); // between memory and the disk, as between two file systems
    const auto it = m_files.find(source);
    if (it == m_files.end())
        return fail(ENOENT);
    FilePtr file = it->second;
    m_files.erase(it);
    m_files[target] = std::move(file);
    return 0;
}

int MemoryFileIo::unlink(const std::string& path)
{
    const std::string key = keyOf(path);
    if (key.empty())
        return FileIo::unlink(path);
    return m_files.erase(key) ? 0 : fail(ENOENT);
}

int MemoryFileIo::stat(const std::string& path, FileStatus& out)
{
    const std::string key = keyOf(path);
    if (key.empty())
        return FileIo::stat(path, out);
    const auto it = m_files.find(key);
    if (it == m_files.end())
        return fail(ENOENT);
    describe(*it->second, out);
    return 0;
}

int MemoryFileIo::fstat(int fd, FileStatus& out)
{
    const File* file = fileOf(fd);
    if (!file)
        return FileIo::fstat(fd, out);
    describe(*file, out);
    return 0;
}

int MemoryFileIo::copyOwnerAndMode(int fd, const FileStatus& like)
{
    return fileOf(fd) ? 0 : FileIo::copyOwnerAndMode(fd, like);
}

// Files in memory belong to this object alone: no other program can hold them.
int MemoryFileIo::tryLock(int fd, LockMode mode) { return fileOf(fd) ? 0 : FileIo::tryLock(fd, mode); }

int MemoryFileIo::openUnnamed(const std::string& folder, int mode)
{
    return isFolder(folder) ? descriptorFor(newFile()) : FileIo::openUnnamed(folder, mode);
}

int MemoryFileIo::nameUnnamed(int fd, const std::string& path)
{
    const auto it = m_open.find(fd);
    if (it == m_open.end())
        return FileIo::nameUnnamed(fd, path);
    const std::string key = keyOf(path);
    if (key.empty())
        return fail(EXDEV);
    if (m_files.count(key))
        return fail(EEXIST);
    m_files.emplace(key, it->second);
    return 0;
}

int MemoryFileIo::syncFolder(const std::string& folder) { return isFolder(folder) ? 0 : FileIo::syncFolder(folder); }

} // namespace zarn
