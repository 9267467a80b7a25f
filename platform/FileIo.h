#pragma once
// The file calls the store and the import make, behind one interface so that
// tests can make a disk fill up, a write tear or a read come back short at a
// chosen moment. The one place that knows the system: POSIX calls on Linux,
// Win32 calls on Windows (FileIoPosix.cpp, FileIoWin32.cpp). Descriptors are
// ints and flags the O_ flags on both; paths are UTF-8.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <vector>

#ifdef _WIN32
// Flags that mean nothing to Windows' files: a file opened there never blocks
// and never becomes a terminal, and links are not followed by name.
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_NOCTTY
#define O_NOCTTY 0
#endif
#ifndef O_NOFOLLOW
#define O_NOFOLLOW 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#endif

namespace zarn {

// Byte offsets and sizes are 64 bits everywhere; a transfer's count or -1.
using FileOffset = std::int64_t;
using IoCount = std::ptrdiff_t;

struct FileStatus {
    enum class Type { Regular, Folder, NamedPipe, Device, Socket, Other } type = Type::Other;
    std::uint64_t device = 0, inode = 0;
    std::uint32_t mode = 0; // permission bits
    std::uint32_t owner = 0, group = 0;
    std::int64_t size = 0;

    bool isRegular() const { return type == Type::Regular; }
    bool sameFileAs(const FileStatus& other) const { return device == other.device && inode == other.inode; }
};

// "it is a named pipe, not a regular file": why a file that is not a regular one is refused.
std::string notRegularReason(FileStatus::Type type);

enum class LockMode { Shared, Exclusive };

class FileIo {
public:
    virtual ~FileIo() = default;
    // Each returns what the POSIX call returns and leaves errno set on failure.
    // Files are always opened in binary mode.
    virtual int open(const std::string& path, int flags, int mode = 0644);
    virtual IoCount pread(int fd, void* buffer, std::size_t count, FileOffset offset);
    virtual IoCount pwrite(int fd, const void* buffer, std::size_t count, FileOffset offset);
    // One write at the end of the file, wherever another writer has put it (a log's line).
    virtual IoCount append(int fd, const void* buffer, std::size_t count);
    virtual int truncate(int fd, FileOffset length);
    virtual int fsync(int fd);
    virtual int close(int fd);
    // Replaces `to` when it exists, in one step; where kRenameReplacesOpenFiles is
    // false, only while no handle holds `to` open (else EBUSY).
    virtual int rename(const std::string& from, const std::string& to);
    virtual int unlink(const std::string& path);
    virtual int stat(const std::string& path, FileStatus& out); // follows symbolic links
    virtual int fstat(int fd, FileStatus& out);
    // Gives an open file the permission bits and, where allowed, the owner of `like`.
    virtual int copyOwnerAndMode(int fd, const FileStatus& like);
    // One attempt at the file's advisory lock: 0, or -1 with errno EWOULDBLOCK while another holds it.
    virtual int tryLock(int fd, LockMode mode);
    // A file in `folder` that has no name yet (-1 where the system cannot make one);
    // nothing is left behind when the process dies before it is named.
    virtual int openUnnamed(const std::string& folder, int mode);
    // Gives a file from openUnnamed the name `path`.
    virtual int nameUnnamed(int fd, const std::string& path);
    // Flushes a folder's entries (a rename in it) to the disk.
    virtual int syncFolder(const std::string& folder);
};

// Whether a rename may replace a file that is open (POSIX), or the file must be
// closed by everyone first (Windows).
#ifdef _WIN32
inline constexpr bool kRenameReplacesOpenFiles = false;
#else
inline constexpr bool kRenameReplacesOpenFiles = true;
#endif

// The plain implementation used when a store has no other.
FileIo& defaultFileIo();

// Opens `path` only when it is a regular file: a named pipe, device or folder is
// refused before it is opened, so that nothing blocks on it or is disturbed by
// an open. Returns the descriptor, or -1 with `error` saying why.
int openRegularFile(FileIo& io, const std::string& path, int flags, std::string& error, FileStatus* status = nullptr);

// Reads exactly `count` bytes at `offset`; returns 0, -1 with errno, or 1 when
// the file ends first (*got then says how many arrived).
int readFully(FileIo& io, int fd, void* buffer, std::size_t count, std::uint64_t offset, std::size_t* got = nullptr);
// Reads the whole of a regular file (openRegularFile) of at most `maxBytes`.
// TooLarge reads nothing; Failed says why in `why`. `size` gets the file's length.
enum class WholeRead { Read, TooLarge, Failed };
WholeRead readRegularFile(FileIo& io, const std::string& path, std::uint64_t maxBytes, std::vector<std::uint8_t>& out,
    std::string& why, std::uint64_t* size = nullptr);
// Writes all `count` bytes at `offset`; 0, or -1 with errno (ENOSPC for a write that makes no progress).
int writeFully(FileIo& io, int fd, const void* buffer, std::size_t count, std::uint64_t offset);

// "\"path\"": how messages name a file.
std::string quotedPath(const std::string& path);
// The system's text for an errno value.
std::string systemReason(int err);
// Whether `stream` is a terminal (a progress line is redrawn in place there).
bool isTerminal(std::FILE* stream);
// Makes a console show the program's UTF-8 output as such (Windows; nothing elsewhere).
void useUtf8Console();
// The running process's number (it names temporary files).
unsigned long currentProcessId();
// Whether the file or folder at `path` may be written by this process.
bool mayWrite(const std::string& path);
// An environment variable's value in UTF-8; empty when it is not set.
std::string environmentValue(const char* name);
// The running program's file; empty if unknown.
std::string executablePath();
// The user's home folder ($HOME, %USERPROFILE%); empty if unknown.
std::string userHomeFolder();
// Where a user's programs keep files they can make again: $XDG_CACHE_HOME or
// ~/.cache on Linux, %LOCALAPPDATA% on Windows.
std::string userCacheFolder();
// Where a user's programs keep links and sockets for the session: $XDG_RUNTIME_DIR,
// or /tmp/zarn-<uid> (empty on Windows, which has no such folder).
std::string userRuntimeFolder();

} // namespace zarn
