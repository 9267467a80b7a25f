#include "import/ImportSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarn {

std::optional<std::uint64_t> importFileLength(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

} // namespace zarn
