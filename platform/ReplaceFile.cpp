#include "platform/ReplaceFile.h"

#include "platform/Utf8Path.h"

#include <atomic>
#include <cerrno>
#include <filesystem>

namespace zarn {

namespace fs = std::filesystem;

namespace {

    std::atomic<unsigned> g_counter { 0 };

    // ".NAME.tmp-PID-N", hidden beside the file; a long name is shortened so
    // that the whole stays within a name's 255 bytes.
    std::string temporaryPrefix(const fs::path& target)
    {
        return std::string { "." } + utf8Of(target.filename()).substr(0, 200) + ".tmp-";
    }

    std::string temporaryName(const fs::path& folder, const fs::path& target)
    {
        return utf8Of(folder
            / pathOf(temporaryPrefix(target) + std::to_string(currentProcessId()) + "-" + std::to_string(g_counter++)));
    }

    // Opens each temporary file of `target`'s replacements for `use(name, fd)`
    // and closes it again; stops at the first for which `use` says true.
    template <typename Use> bool anyTemporary(FileIo& io, const fs::path& folder, const fs::path& target, Use use)
    {
        const std::string prefix = temporaryPrefix(target);
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (utf8Of(it->path().filename()).compare(0, prefix.size(), prefix) != 0)
                continue;
            const std::string name = utf8Of(it->path());
            const int fd = io.open(name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
            if (fd < 0)
                continue;
            const bool stop = use(name, fd);
            io.close(fd);
            if (stop)
                return true;
        }
        return false;
    }

    fs::path folderOf(const fs::path& target)
    {
        return target.has_parent_path() ? target.parent_path() : fs::path(".");
    }

    struct Written {
        int fd = -1;
        std::string name; // set once the file has a name
        int err = 0;
    };

    // Writes and flushes the content into a new, locked file in `folder`, named or not.
    Written writeBeside(FileIo& io, const fs::path& folder, const fs::path& target, std::span<const std::uint8_t> bytes,
        bool unnamed, const FileStatus* existing)
    {
        Written w;
        if (unnamed) {
            w.fd = io.openUnnamed(utf8Of(folder), 0666);
        } else {
            for (int attempt = 0; attempt < 100 && w.fd < 0; ++attempt) {
                w.name = temporaryName(folder, target);
                w.fd = io.open(w.name, O_RDWR | O_CREAT | O_EXCL, 0666);
                if (w.fd < 0 && errno != EEXIST)
                    break;
            }
        }
        if (w.fd < 0) {
            w.err = errno;
            w.name.clear();
            return w;
        }
        if (io.tryLock(w.fd, LockMode::Exclusive) != 0 || writeFully(io, w.fd, bytes.data(), bytes.size(), 0) != 0
            || (existing && io.copyOwnerAndMode(w.fd, *existing) != 0) || io.fsync(w.fd) != 0)
            w.err = errno;
        return w;
    }

} // namespace

std::string followLinks(const std::string& path)
{
    fs::path p = pathOf(path);
    std::error_code ec;
    for (int depth = 0; depth < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++depth) {
        const fs::path to = fs::read_symlink(p, ec);
        if (ec)
            break;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return utf8Of(p);
}

bool replacementUnderWay(FileIo& io, const std::string& path)
{
    const fs::path target = pathOf(followLinks(path));
    return anyTemporary(io, folderOf(target), target, [&](const std::string&, int fd) {
        if (io.tryLock(fd, LockMode::Exclusive) == 0)
            return false; // left by a writer that died
        return errno == EWOULDBLOCK || errno == EAGAIN;
    });
}

void removeStaleTemporaries(FileIo& io, const std::string& path)
{
    const fs::path target = pathOf(followLinks(path));
    // Every new file is locked by its writer until it has replaced the target,
    // so one whose lock can be taken was left by a writer that died.
    anyTemporary(io, folderOf(target), target, [&](const std::string& name, int fd) {
        if (io.tryLock(fd, LockMode::Exclusive) == 0)
            io.unlink(name);
        return false;
    });
}

std::string replaceFile(FileIo& io, const std::string& path, std::span<const std::uint8_t> bytes, FileLock* lock)
{
    const fs::path target = pathOf(followLinks(path));
    const fs::path folder = folderOf(target);
    FileStatus existing;
    const bool exists = io.stat(utf8Of(target), existing) == 0;
    if (exists && !existing.isRegular())
        return notRegularReason(existing.type);
    removeStaleTemporaries(io, utf8Of(target));

    // A file without a name first: a crash part way leaves nothing in the folder.
    Written w = writeBeside(io, folder, target, bytes, true, exists ? &existing : nullptr);
    if (w.fd >= 0 && w.err == 0) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            w.name = temporaryName(folder, target);
            if (io.nameUnnamed(w.fd, w.name) == 0)
                break;
            w.name.clear();
            if (errno != EEXIST)
                break;
        }
    }
    if (w.fd < 0 || (w.err == 0 && w.name.empty())) {
        // No unnamed files here (or no way to name them): the same with a name from the start.
        if (w.fd >= 0)
            io.close(w.fd);
        w = writeBeside(io, folder, target, bytes, false, exists ? &existing : nullptr);
    }
    // From here until the rename, the new file's lock stands for the old one's
    // (replacementUnderWay).
    if (w.err == 0 && !kRenameReplacesOpenFiles && lock)
        lock->release();
    if (w.err == 0 && io.rename(w.name, utf8Of(target)) != 0)
        w.err = errno;
    if (w.err != 0) {
        // Closed before it is removed: Windows removes no file that is open.
        if (w.fd >= 0)
            io.close(w.fd);
        if (!w.name.empty())
            io.unlink(w.name);
        // A file that may be written in a folder that may not: the new content has nowhere to go.
        if (w.err == EACCES || w.err == EPERM || w.err == EROFS)
            return "the folder " + quotedPath(utf8Of(folder)) + " cannot be written (" + systemReason(w.err)
                + "), and a change is written beside the file before it replaces it";
        if (w.err == EBUSY)
            return "the file is open in another program, and an open file cannot be replaced here";
        return systemReason(w.err);
    }
    // The rename is done: the new content is the file's whatever the folder's flush says.
    io.syncFolder(utf8Of(folder));
    if (lock)
        lock->adopt(w.fd);
    else
        io.close(w.fd);
    return {};
}

} // namespace zarn
