#pragma once
// WAVE sounds are stored whole, header included; only the extension, the length
// and the free capacity decide.

#include "import/ImportCheck.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace zarn {

// The checks after the file dialog of "Load WAVE": extension "wav" in any case (else
// ignored), opening, space, directory count. An accepted file whose content is
// no RIFF/WAVE sound a module can play is taken all the same, with `warning`
// saying what it holds.
ImportCheck checkWaveFile(
    const std::string& path, std::uint32_t remainingBytes, std::uint16_t itemCount, std::uint16_t maxItems);

// What a file taken as a sound holds when that is no RIFF/WAVE sound: "it is
// empty", "it holds a PNG picture", "its \"data\" chunk is cut short ...";
// empty for a sound with its "fmt " and "data" chunks. `readAt` reads `count`
// bytes at `offset` of the file's `length` bytes and says whether it could.
using ReadAt = std::function<bool(std::uint64_t offset, void* buffer, std::size_t count)>;
std::string waveContentProblem(std::uint64_t length, const ReadAt& readAt);

} // namespace zarn
