#include "import/StagingFile.h"

#include "import/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

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
        if (::access(folder.c_str(), W_OK | X_OK) != 0)
            return false;
        const fs::path file = folder / "ttt.tmp";
        // An existing staging file that cannot be rewritten is as bad as no folder.
        if (fs::exists(file, ec) && ::access(file.c_str(), W_OK) != 0)
            return false;
        return true;
    }

    fs::path userCacheFolder()
    {
        const char* xdg = std::getenv("XDG_CACHE_HOME");
        if (xdg && xdg[0] == '/')
            return xdg;
        const char* home = std::getenv("HOME");
        if (home && home[0] != '\0')
            return fs::path(home) / ".cache";
        return fs::temp_directory_path() / ("zarntool-" + std::to_string(::getuid()));
    }

} // namespace

std::string stagingFilePathFor(const std::string& program, const std::string& cacheHome, std::string* notice)
{
    if (!program.empty()) {
        const fs::path folder = fs::path(program) / "Temp";
        if (writableFolder(folder))
            return (folder / "ttt.tmp").string();
    }
    const fs::path cache = cacheHome.empty() ? userCacheFolder() : fs::path(cacheHome);
    const fs::path folder = cache / "zarntool" / "Temp";
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string path = (folder / "ttt.tmp").string();
    if (notice)
        *notice = "The program's folder " + (program.empty() ? std::string("(unknown)") : program)
            + " cannot be written; the staging file is " + path;
    return path;
}

std::string stagingFilePath(std::string* notice) { return stagingFilePathFor(programFolder(), {}, notice); }

} // namespace zarn
