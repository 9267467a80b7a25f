#pragma once
// The outcome of the checks a font library or WAVE file passes after the file dialog.

#include "import/FileExtension.h"
#include "resfile/PendingItem.h"

#include <cstdint>
#include <string>

namespace zarn {

struct ImportCheck {
    enum class Verdict {
        Ignored, // silent: the extension is not one of the command's
        Refused, // `message` is the text to show
        Accepted, // `message` is the confirmation text; `pending` is filled
    } verdict
        = Verdict::Ignored;
    std::string message;
    std::string detail; // why a file could not be opened: its name and the system's reason
    std::string warning; // an accepted file that is not what its extension says: what it holds
    std::uint64_t length = 0; // the file's length, once it was opened
    PendingItem pending;
};

} // namespace zarn
