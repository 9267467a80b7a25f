#pragma once
// The record of programmed modules (--log FILE): one JSON object per line and
// module, appended with a single write and flushed to the disk when the module
// ends, so that every complete line of the file parses.

#include "link/Protocol.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zarn::cli {

// `text` as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string jsonString(std::string_view text);

struct ModuleRecord {
    std::string timeUtc; // "2026-12-07T05:01:02Z"
    int port = 0; // 0 when the module was named by its device path
    std::string device;
    bool identified = false; // the words below are the module's reply
    ModuleInfo info;
    std::string file; // the resource file
    std::string sha256; // over the bytes sent, hex
    std::uint64_t bytesSent = 0;
    double seconds = 0;
    std::string result;
};

// The record's line, ending in "\n".
std::string recordLine(const ModuleRecord& record);

// The time now, UTC, ISO 8601 to the second.
std::string utcNow();

class ModuleLog {
public:
    ModuleLog() = default;
    ModuleLog(const ModuleLog&) = delete;
    ModuleLog& operator=(const ModuleLog&) = delete;
    ~ModuleLog();

    // Opens (creates) `path` for appending; the reason when it cannot.
    std::string open(const std::string& path);
    bool isOpen() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }
    // Appends the line and flushes it to the disk; the reason when that failed.
    std::string append(const std::string& line);

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace zarn::cli
