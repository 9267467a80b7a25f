#pragma once
// The staging file "Temp/ttt.tmp" beside the program carries one converted bitmap
// from "Load BMP" to ">>LOAD".

#include <cstdint>
#include <span>
#include <string>

namespace zarn {

// "Temp/ttt.tmp" in the running program's folder. Creates Temp when it is missing.
// When the program's folder cannot be written, falls back to the user's cache
// folder ($XDG_CACHE_HOME or ~/.cache, %LOCALAPPDATA% on Windows)
// + zarntool/Temp/ttt.tmp and says so in *notice.
std::string stagingFilePath(std::string* notice = nullptr);

// The same rules for a given program folder and cache folder (testable without
// touching the real program folder). `cacheHome` empty means: from the environment.
std::string stagingFilePathFor(
    const std::string& programFolder, const std::string& cacheHome, std::string* notice = nullptr);

// Writes `data` as the whole staging file: created or truncated, but never
// opened when it is no regular file (a named pipe in its place must not hang
// the command). Empty when written, else the system's reason.
std::string writeStagingFile(const std::string& path, std::span<const std::uint8_t> data);

} // namespace zarn
