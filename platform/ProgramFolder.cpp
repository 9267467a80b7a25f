#include "platform/ProgramFolder.h"

#include "platform/FileIo.h"
#include "platform/Utf8Path.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace zarn {

namespace fs = std::filesystem;

std::string programFolder()
{
    const std::string exe = executablePath();
    return exe.empty() ? std::string() : utf8Of(pathOf(exe).parent_path());
}

namespace {

    fs::path comparable(const std::string& folder)
    {
        std::error_code ec;
        const fs::path full = fs::weakly_canonical(pathOf(folder), ec);
        const fs::path path = ec ? pathOf(folder).lexically_normal() : full;
        return path.has_filename() ? path : path.parent_path();
    }

    bool within(const fs::path& folder, const fs::path& top)
    {
        const fs::path rel = folder.lexically_relative(top);
        return !rel.empty() && *rel.begin() != "..";
    }

} // namespace

bool isInstalledProgramFolder(const std::string& folder)
{
    const fs::path here = comparable(folder);
#ifdef _WIN32
    for (const char* name : { "ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot" }) {
        const std::string top = environmentValue(name);
        if (!top.empty() && within(here, comparable(top)))
            return true;
    }
    return false;
#else
    std::vector<std::string> bins { "/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/local/bin", "/usr/local/sbin",
        "/usr/games" };
#ifdef ZARN_INSTALL_BINDIR
    bins.emplace_back(ZARN_INSTALL_BINDIR);
#endif
    for (const std::string& bin : bins)
        if (here == comparable(bin))
            return true;
    return within(here, "/usr/lib") || within(here, "/usr/libexec");
#endif
}

std::string programWorkFolder()
{
    const std::string folder = programFolder();
    return folder.empty() || isInstalledProgramFolder(folder) ? std::string() : folder;
}

} // namespace zarn
