// The file calls on Windows. Descriptors are the C runtime's, each over a
// handle opened here with every sharing mode, so that a file held open by one
// handle can still be read, written, renamed or deleted through another; only a
// rename over it waits until every handle is closed (see rename). Paths arrive
// as UTF-8 and go to the system as UTF-16. Errors come back as errno.
#include "platform/FileIo.h"

#include "platform/Utf8Path.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <io.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace zarn {

namespace {

    // The errno value closest to the system's error.
    int errnoOf(DWORD error)
    {
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_PATHNAME:
            return ENOENT;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_CURRENT_DIRECTORY:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_DIR_NOT_EMPTY:
            return ENOTEMPTY;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_NOT_SUPPORTED:
        case ERROR_CALL_NOT_IMPLEMENTED:
            return ENOSYS;
        default:
            return EIO;
        }
    }

    int failed()
    {
        errno = errnoOf(::GetLastError());
        return -1;
    }

    HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

    // Opens for the attributes only: folders too, and never disturbing another's open.
    HANDLE openForStatus(const std::string& path)
    {
        return ::CreateFileW(wideOf(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    }

    int statusOf(HANDLE h, FileStatus& out)
    {
        using Type = FileStatus::Type;
        const DWORD kind = ::GetFileType(h);
        if (kind != FILE_TYPE_DISK) {
            out = FileStatus {};
            out.type = kind == FILE_TYPE_PIPE ? Type::NamedPipe : kind == FILE_TYPE_CHAR ? Type::Device : Type::Other;
            return 0;
        }
        BY_HANDLE_FILE_INFORMATION info {};
        if (!::GetFileInformationByHandle(h, &info))
            return failed();
        out.type = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Type::Folder : Type::Regular;
        out.device = info.dwVolumeSerialNumber;
        out.inode = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        out.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
        out.owner = out.group = 0;
        out.size = static_cast<std::int64_t>((std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
        return 0;
    }

    OVERLAPPED at(FileOffset offset)
    {
        OVERLAPPED o {};
        o.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xffffffffu);
        o.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
        return o;
    }

    // One transfer is at most 1 GiB; readFully and writeFully go on with the rest.
    DWORD chunk(std::size_t count) { return static_cast<DWORD>(count < (1u << 30) ? count : (1u << 30)); }

    // The lock is a byte far past any file's end, so that it stops no one's reads
    // or writes (Windows' locks are mandatory on the bytes they cover).
    constexpr FileOffset kLockByte = FileOffset { 0x7fffffff } << 32;

} // namespace

int FileIo::open(const std::string& path, int flags, int mode)
{
    const int access = flags & (O_RDONLY | O_WRONLY | O_RDWR);
    const DWORD desired = access == O_WRONLY ? GENERIC_WRITE
        : access == O_RDWR                   ? GENERIC_READ | GENERIC_WRITE
                                             : GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if ((flags & O_CREAT) && (flags & O_EXCL))
        disposition = CREATE_NEW;
    else if ((flags & O_CREAT) && (flags & O_TRUNC))
        disposition = CREATE_ALWAYS;
    else if (flags & O_CREAT)
        disposition = OPEN_ALWAYS;
    else if (flags & O_TRUNC)
        disposition = TRUNCATE_EXISTING;
    const DWORD attributes = (flags & O_CREAT) && !(mode & 0200) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    const HANDLE h = ::CreateFileW(wideOf(path).c_str(), desired, kShareAll, nullptr, disposition, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return failed();
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | (access == O_RDONLY ? _O_RDONLY : 0));
    if (fd < 0) {
        ::CloseHandle(h);
        errno = EMFILE;
    }
    return fd;
}

IoCount FileIo::pread(int fd, void* buffer, std::size_t count, FileOffset offset)
{
    OVERLAPPED o = at(offset);
    DWORD got = 0;
    if (!::ReadFile(handleOf(fd), buffer, chunk(count), &got, &o))
        return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : failed();
    return static_cast<IoCount>(got);
}

IoCount FileIo::pwrite(int fd, const void* buffer, std::size_t count, FileOffset offset)
{
    OVERLAPPED o = at(offset);
    DWORD put = 0;
    if (!::WriteFile(handleOf(fd), buffer, chunk(count), &put, &o))
        return failed();
    return static_cast<IoCount>(put);
}

IoCount FileIo::append(int fd, const void* buffer, std::size_t count)
{
    // An offset of all ones writes at the end of the file as it is at that moment.
    OVERLAPPED o {};
    o.Offset = o.OffsetHigh = 0xFFFFFFFF;
    DWORD put = 0;
    if (!::WriteFile(handleOf(fd), buffer, chunk(count), &put, &o))
        return failed();
    return static_cast<IoCount>(put);
}

int FileIo::truncate(int fd, FileOffset length)
{
    FILE_END_OF_FILE_INFO end {};
    end.EndOfFile.QuadPart = length;
    return ::SetFileInformationByHandle(handleOf(fd), FileEndOfFileInfo, &end, sizeof end) ? 0 : failed();
}

int FileIo::fsync(int fd) { return ::FlushFileBuffers(handleOf(fd)) ? 0 : failed(); }

int FileIo::close(int fd) { return ::_close(fd); }

// The plain rename, which replaces no file that any handle holds open (ours
// included): kRenameReplacesOpenFiles is false here, and callers close theirs first.
int FileIo::rename(const std::string& from, const std::string& to)
{
    const std::wstring source = wideOf(from), target = wideOf(to);
    // A scanner or indexer may hold the file for a moment: a few tries before a program
    // that keeps it open is the answer.
    DWORD error = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (attempt > 0)
            ::Sleep(50);
        if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        error = ::GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)
            break;
    }
    errno = errnoOf(error);
    // Refused in a folder that may be written: the file is open in another program.
    if (errno == EACCES && ::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES
        && mayWrite(utf8Of(std::filesystem::path(target).parent_path())))
        errno = EBUSY;
    return -1;
}

int FileIo::unlink(const std::string& path) { return ::DeleteFileW(wideOf(path).c_str()) ? 0 : failed(); }

int FileIo::stat(const std::string& path, FileStatus& out)
{
    const HANDLE h = openForStatus(path);
    if (h == INVALID_HANDLE_VALUE)
        return failed();
    const int r = statusOf(h, out);
    const int err = errno;
    ::CloseHandle(h);
    errno = err;
    return r;
}

int FileIo::fstat(int fd, FileStatus& out) { return statusOf(handleOf(fd), out); }

int FileIo::copyOwnerAndMode(int, const FileStatus&)
{
    // A new file takes its rights from the folder, as the one it replaces did.
    return 0;
}

int FileIo::tryLock(int fd, LockMode mode)
{
    OVERLAPPED o = at(kLockByte);
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (mode == LockMode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (::LockFileEx(handleOf(fd), flags, 0, 1, 0, &o))
        return 0;
    const DWORD error = ::GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
        errno = EWOULDBLOCK;
        return -1;
    }
    errno = errnoOf(error);
    return -1;
}

int FileIo::openUnnamed(const std::string&, int)
{
    // No file without a name here: new content is written under a temporary name.
    errno = ENOSYS;
    return -1;
}

int FileIo::nameUnnamed(int, const std::string&)
{
    errno = ENOSYS;
    return -1;
}

int FileIo::syncFolder(const std::string&)
{
    // The rename was written through (MOVEFILE_WRITE_THROUGH); a folder has no flush of its own.
    return 0;
}

bool isTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

void useUtf8Console() { ::SetConsoleOutputCP(CP_UTF8); }

unsigned long currentProcessId() { return ::GetCurrentProcessId(); }

bool mayWrite(const std::string& path)
{
    const std::wstring name = wideOf(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        ::CloseHandle(h);
        return true;
    }
    // A folder's rights are known only by trying: a file made there and gone again.
    for (unsigned n = 0; n < 100; ++n) {
        const std::wstring probe
            = name + L"\\.zarn-probe-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(n);
        const HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            ::CloseHandle(h);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

std::string environmentValue(const char* name)
{
    const std::wstring key = wideOf(name);
    const DWORD n = ::GetEnvironmentVariableW(key.c_str(), nullptr, 0);
    if (n == 0)
        return {};
    std::wstring value(n, L'\0');
    const DWORD got = ::GetEnvironmentVariableW(key.c_str(), value.data(), n);
    value.resize(got < n ? got : 0);
    return utf8OfWide(value);
}

std::string executablePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size())
            return utf8OfWide(buffer.substr(0, n));
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string userHomeFolder() { return environmentValue("USERPROFILE"); }

std::string userCacheFolder()
{
    if (std::string local = environmentValue("LOCALAPPDATA"); !local.empty())
        return local;
    const std::wstring temp = std::filesystem::temp_directory_path().wstring();
    return utf8OfWide(temp);
}

std::string userRuntimeFolder() { return {}; }

} // namespace zarn
