#include "import/ImportSource.h"

#include "platform/FileIo.h"

namespace zarn {

std::optional<std::uint64_t> importFileLength(const std::string& path, std::string* reason)
{
    std::string why;
    FileStatus status;
    const int fd = openRegularFile(defaultFileIo(), path, O_RDONLY, why, &status);
    if (fd < 0) {
        if (reason)
            *reason = "Cannot read " + quotedPath(path) + ": " + why;
        return std::nullopt;
    }
    defaultFileIo().close(fd);
    return static_cast<std::uint64_t>(status.size);
}

} // namespace zarn
