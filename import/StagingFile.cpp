#include "import/StagingFile.h"

#include "platform/FileIo.h"
#include "platform/ProgramFolder.h"
#include "platform/Utf8Path.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace zarn {

namespace fs = std::filesystem;

namespace {

    bool writableFolder(const fs::path& folder)
    {
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            fs::create_directory(folder, ec);
            if (ec || !fs::is_directory(folder, ec))
                return false;
        }
        if (!mayWrite(utf8Of(folder)))
            return false;
        const fs::path file = folder / "ttt.tmp";
        // An existing staging file that cannot be rewritten is as bad as no folder.
        if (fs::exists(file, ec) && !mayWrite(utf8Of(file)))
            return false;
        return true;
    }

} // namespace

std::string stagingFilePathFor(const std::string& program, const std::string& cacheHome, std::string* notice)
{
    if (!program.empty()) {
        const fs::path folder = pathOf(program) / "Temp";
        if (writableFolder(folder))
            return utf8Of(folder / "ttt.tmp");
    }
    const fs::path cache = pathOf(cacheHome.empty() ? userCacheFolder() : cacheHome);
    const fs::path folder = cache / "zarntool" / "Temp";
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string path = utf8Of(folder / "ttt.tmp");
    // An installed program or one whose folder is unknown stages in the cache
    // as a matter of course; only a folder of its own that fails is told.
    if (notice && !program.empty())
        *notice = "The program's folder " + program + " cannot be written; the staging file is " + path;
    return path;
}

std::string stagingFilePath(std::string* notice) { return stagingFilePathFor(programWorkFolder(), {}, notice); }

std::string writeStagingFile(const std::string& path, std::span<const std::uint8_t> data)
{
    FileIo& io = defaultFileIo();
    std::string why;
    const int fd = io.open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY, 0644);
    FileStatus status;
    if (fd < 0)
        why = systemReason(errno);
    else if (io.fstat(fd, status) != 0 || !status.isRegular())
        why = status.isRegular() ? systemReason(errno) : notRegularReason(status.type);
    else if (io.truncate(fd, 0) != 0 || writeFully(io, fd, data.data(), data.size(), 0) != 0)
        why = systemReason(errno);
    if (fd >= 0 && io.close(fd) != 0 && why.empty())
        why = systemReason(errno);
    return why;
}

} // namespace zarn
