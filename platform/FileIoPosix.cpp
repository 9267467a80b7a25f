// The file calls on Linux and the other POSIX systems.
#include "platform/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "64-bit file offsets");

namespace zarn {

namespace {

    void fill(FileStatus& out, const struct stat& st)
    {
        using Type = FileStatus::Type;
        out.type = S_ISREG(st.st_mode)                     ? Type::Regular
            : S_ISDIR(st.st_mode)                          ? Type::Folder
            : S_ISFIFO(st.st_mode)                         ? Type::NamedPipe
            : (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) ? Type::Device
            : S_ISSOCK(st.st_mode)                         ? Type::Socket
                                                           : Type::Other;
        out.device = st.st_dev;
        out.inode = st.st_ino;
        out.mode = st.st_mode & 07777;
        out.owner = st.st_uid;
        out.group = st.st_gid;
        out.size = st.st_size;
    }

} // namespace

int FileIo::open(const std::string& path, int flags, int mode) { return ::open(path.c_str(), flags | O_CLOEXEC, mode); }

IoCount FileIo::pread(int fd, void* buffer, std::size_t count, FileOffset offset)
{
    return ::pread(fd, buffer, count, offset);
}

IoCount FileIo::pwrite(int fd, const void* buffer, std::size_t count, FileOffset offset)
{
    return ::pwrite(fd, buffer, count, offset);
}

IoCount FileIo::append(int fd, const void* buffer, std::size_t count)
{
    // The descriptor is opened with O_APPEND: each write lands whole at the end.
    return ::write(fd, buffer, count);
}

int FileIo::truncate(int fd, FileOffset length) { return ::ftruncate(fd, static_cast<off_t>(length)); }

int FileIo::fsync(int fd) { return ::fsync(fd); }

int FileIo::close(int fd) { return ::close(fd); }

int FileIo::rename(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()); }

int FileIo::unlink(const std::string& path) { return ::unlink(path.c_str()); }

int FileIo::stat(const std::string& path, FileStatus& out)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    fill(out, st);
    return 0;
}

int FileIo::fstat(int fd, FileStatus& out)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0)
        return -1;
    fill(out, st);
    return 0;
}

int FileIo::copyOwnerAndMode(int fd, const FileStatus& like)
{
    // Only the superuser may give a file away; anyone else keeps it as theirs.
    if (::fchown(fd, like.owner, like.group) != 0 && errno != EPERM)
        return -1;
    return ::fchmod(fd, like.mode);
}

int FileIo::tryLock(int fd, LockMode mode)
{
    int r;
    do
        r = ::flock(fd, (mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    while (r != 0 && errno == EINTR);
    return r;
}

int FileIo::openUnnamed(const std::string& folder, int mode)
{
#ifdef O_TMPFILE
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
#else
    (void)folder;
    (void)mode;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

int FileIo::nameUnnamed(int fd, const std::string& path)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
}

int FileIo::syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int r = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    errno = err;
    return r;
}

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

void useUtf8Console() { }

unsigned long currentProcessId() { return static_cast<unsigned long>(::getpid()); }

bool mayWrite(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return ::access(path.c_str(), S_ISDIR(st.st_mode) ? W_OK | X_OK : W_OK) == 0;
}

std::string environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string executablePath()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string userHomeFolder() { return environmentValue("HOME"); }

std::string userCacheFolder()
{
    if (const std::string xdg = environmentValue("XDG_CACHE_HOME"); !xdg.empty() && xdg[0] == '/')
        return xdg;
    if (const std::string home = environmentValue("HOME"); !home.empty())
        return home + "/.cache";
    return (std::filesystem::temp_directory_path() / (std::string { "zarntool-" } + std::to_string(::getuid())))
        .string();
}

std::string userRuntimeFolder()
{
    if (const std::string runtime = environmentValue("XDG_RUNTIME_DIR"); !runtime.empty())
        return runtime;
    return std::string { "/tmp/zarn-" } + std::to_string(::getuid());
}

} // namespace zarn
