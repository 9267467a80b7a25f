#include "platform/ProgramFolder.h"

#include "platform/FileIo.h"
#include "platform/Utf8Path.h"

namespace zarn {

std::string programFolder()
{
    const std::string exe = executablePath();
    return exe.empty() ? std::string() : utf8Of(pathOf(exe).parent_path());
}

} // namespace zarn
