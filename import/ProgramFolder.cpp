#include "import/ProgramFolder.h"

#include "resfile/FileIo.h"
#include "resfile/Utf8Path.h"

namespace zarn {

std::string programFolder()
{
    const std::string exe = executablePath();
    return exe.empty() ? std::string() : utf8Of(pathOf(exe).parent_path());
}

} // namespace zarn
