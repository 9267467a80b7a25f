#pragma once
// WAVE sounds are stored whole, header included; only the extension, the length
// and the free capacity decide.

#include "import/ImportCheck.h"

#include <cstdint>
#include <string>

namespace zarn {

// The checks after the file dialog of "Load WAVE": extension "wav" in any case (else
// ignored), opening, space, directory count.
ImportCheck checkWaveFile(
    const std::string& path, std::uint32_t remainingBytes, std::uint16_t itemCount, std::uint16_t maxItems);

} // namespace zarn
