#include "import/WaveImport.h"

#include "common/Messages.h"
#include "import/ImportSource.h"
#include "resfile/ResourceFormat.h"

#include <cstdio>

namespace zarn {

ImportCheck checkWaveFile(
    const std::string& path, std::uint32_t remainingBytes, std::uint16_t itemCount, std::uint16_t maxItems)
{
    ImportCheck c;
    if (lowerExtension(path) != "wav")
        return c; // another extension: the command ends without a word

    c.verdict = ImportCheck::Verdict::Refused;
    const auto length = importFileLength(path, &c.detail);
    if (!length) {
        c.message = kMsgOpenWaveFailure;
        return c;
    }
    if (*length > remainingBytes) {
        c.message = kMsgSpaceNotEnough;
        return c;
    }
    if (itemCount >= maxItems) {
        c.message = kMsgExceedMaxItems;
        return c;
    }
    c.verdict = ImportCheck::Verdict::Accepted;
    c.pending.entry.kind = static_cast<std::uint8_t>(ResourceKind::Wave);
    c.pending.entry.length = static_cast<std::uint32_t>(*length);
    c.pending.sourcePath = path;
    char text[64];
    std::snprintf(text, sizeof text, kFormatLoadingWave, static_cast<int>(*length));
    c.message = text;
    return c;
}

} // namespace zarn
