#include "cli/ModuleLog.h"

#include "link/ModuleDetection.h"
#include "platform/FileIo.h"

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace zarn::cli {

namespace {

    // The length of the UTF-8 sequence starting at text[i], or 0 when it is not one.
    std::size_t utf8Length(std::string_view text, std::size_t i)
    {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned char c = byte(i);
        std::size_t n = 0;
        std::uint32_t min = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 2;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 3;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 4;
            min = 0x10000;
        } else {
            return 0;
        }
        if (i + n > text.size())
            return 0;
        std::uint32_t cp = c & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                return 0;
            cp = (cp << 6) | (byte(i + k) & 0x3F);
        }
        const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
        return cp >= min && cp <= 0x10FFFF && !surrogate ? n : 0;
    }

    std::string number(double value)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", value);
        return text;
    }

} // namespace

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t n = utf8Length(text, i); n > 0) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        } else {
            out += "\\ufffd";
        }
        ++i;
    }
    return out + "\"";
}

std::string ModuleOutcome::moduleType() const { return identified ? moduleTypeName(info) : std::string("-"); }

std::string ModuleOutcome::firmware() const { return identified ? firmwareName(info) : std::string("-"); }

std::string recordLine(const std::string& timeUtc, int port, const std::string& file, const ModuleOutcome& r)
{
    std::string line = "{\"time\":" + jsonString(timeUtc);
    line += ",\"port\":";
    line += port ? jsonString("COM" + std::to_string(port)) : std::string("null");
    line += ",\"device\":" + jsonString(r.device);
    if (r.identified) {
        line += ",\"model_code\":" + std::to_string(r.info.typeCode());
        line += ",\"hardware_version\":" + std::to_string(r.info.hardwareVersion());
        line += ",\"firmware_version\":" + std::to_string(r.info.firmwareVersion());
        line += ",\"memory_bytes\":" + std::to_string(r.info.memoryBytes());
    } else {
        line += ",\"model_code\":null,\"hardware_version\":null,\"firmware_version\":null,\"memory_bytes\":null";
    }
    line += ",\"file\":" + jsonString(file);
    line += ",\"sha256\":" + jsonString(r.sha256);
    line += ",\"bytes_sent\":" + std::to_string(r.bytesSent);
    line += ",\"seconds\":" + number(r.seconds);
    line += ",\"result\":" + jsonString(r.result);
    return line + "}\n";
}

std::string utcNow()
{
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss time(now - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ldZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), static_cast<long>(time.hours().count()),
        static_cast<long>(time.minutes().count()), static_cast<long>(time.seconds().count()));
    return text;
}

ModuleLog::~ModuleLog()
{
    if (m_fd >= 0)
        defaultFileIo().close(m_fd);
}

std::string ModuleLog::open(const std::string& path)
{
    FileIo& io = defaultFileIo();
    FileStatus status;
    std::string error;
    if (io.stat(path, status) != 0 && errno == ENOENT)
        m_fd = io.open(path, O_RDWR | O_APPEND | O_CREAT | O_NOCTTY, 0644);
    else
        m_fd = openRegularFile(io, path, O_RDWR | O_APPEND, error);
    if (m_fd < 0)
        return "Cannot open the log " + quotedPath(path) + ": " + (error.empty() ? systemReason(errno) : error);
    m_path = path;
    // A line torn by a crash before this run stays a line of its own, so that
    // it never swallows the next record.
    if (io.fstat(m_fd, status) == 0 && status.size > 0) {
        char last = '\n';
        if (io.pread(m_fd, &last, 1, static_cast<FileOffset>(status.size - 1)) == 1 && last != '\n')
            return append("\n");
    }
    return {};
}

std::string ModuleLog::append(const std::string& line)
{
    FileIo& io = defaultFileIo();
    // One write on a file opened for appending: the line lands whole at the end,
    // also beside another process writing the same log.
    const IoCount n = io.append(m_fd, line.data(), line.size());
    if (n != static_cast<IoCount>(line.size()) || io.fsync(m_fd) != 0)
        return "Cannot write the log " + quotedPath(m_path) + ": "
            + (n >= 0 && n != static_cast<IoCount>(line.size()) ? std::string("short write") : systemReason(errno));
    return {};
}

} // namespace zarn::cli
