#include "import/ProgramFolder.h"

#include <filesystem>

namespace zarn {

std::string programFolder()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return exe.parent_path().string();
}

} // namespace zarn
