#pragma once
// The record of programmed modules (--log FILE): one JSON object per line and
// module, appended with a single write and flushed to the disk when the module
// ends, so that every complete line of the file parses.

#include "common/Messages.h"
#include "link/Protocol.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zarn::cli {

// `text` as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string jsonString(std::string_view text);

// How one module ended.
struct ModuleOutcome {
    bool identified = false; // `info` is the module's reply
    ModuleInfo info;
    std::string device;
    std::uint32_t bytesSent = 0;
    double seconds = 0;
    std::string result; // "Send Over!!", or the refusal, failure or interruption
    std::string detail; // why no module was found
    std::string channelText; // the channel's "WARNING:  ..." texts behind a failed transfer
    std::string sha256; // over the bytes sent, hex
    bool interrupted = false;

    bool ok() const { return result == kMsgSendOver; }
    std::string moduleType() const; // "Zarn24 V4", "-" when not identified
    std::string firmware() const; // "Ver12", "-"
};

// The record's line, ending in "\n": at `timeUtc` ("2026-12-07T05:01:02Z") the
// module on `port` (0 when it was named by its device path) was given `file`.
std::string recordLine(const std::string& timeUtc, int port, const std::string& file, const ModuleOutcome& outcome);

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
    // Appends the line and flushes it to the disk; the reason when that failed.
    std::string append(const std::string& line);

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace zarn::cli
