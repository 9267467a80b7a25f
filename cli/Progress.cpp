#include "cli/Progress.h"

#include <algorithm>
#include <cmath>

namespace zarn::cli {

std::string formatBytes(std::uint64_t bytes)
{
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

std::string formatDuration(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 359999)
        return "--:--";
    const auto s = static_cast<long long>(std::llround(seconds));
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

std::string progressText(std::uint64_t done, std::uint64_t total, double elapsedSeconds)
{
    const double percent = total ? 100.0 * static_cast<double>(done) / static_cast<double>(total) : 100.0;
    const double rate = elapsedSeconds > 0 ? static_cast<double>(done) / elapsedSeconds : 0.0;
    const double left = rate > 0 ? static_cast<double>(total - std::min(done, total)) / rate : NAN;
    char text[160];
    std::snprintf(text, sizeof text, "%llu of %llu bytes (%.0f%%), %s/s, %s left",
        static_cast<unsigned long long>(done), static_cast<unsigned long long>(total), std::floor(percent),
        formatBytes(static_cast<std::uint64_t>(rate)).c_str(), formatDuration(left).c_str());
    return text;
}

Progress::Progress(std::FILE* out, bool terminal, std::uint64_t total, double plainEverySeconds)
    : m_out(out)
    , m_terminal(terminal)
    , m_total(total)
    , m_plainEvery(plainEverySeconds)
    , m_start(std::chrono::steady_clock::now())
{
}

void Progress::update(std::uint64_t done)
{
    const auto now = std::chrono::steady_clock::now();
    const double since = std::chrono::duration<double>(now - m_lastDraw).count();
    if (m_drawn && since < (m_terminal ? 0.1 : m_plainEvery))
        return;
    m_lastDraw = now;
    m_drawn = true;
    const double elapsed = std::chrono::duration<double>(now - m_start).count();
    const std::string text = progressText(done, m_total, elapsed);
    if (m_terminal) {
        constexpr int kWidth = 30;
        const int filled = m_total ? static_cast<int>(kWidth * std::min(done, m_total) / m_total) : kWidth;
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.resize(kWidth, '-');
        std::fprintf(m_out, "\r[%s] %s\033[K", bar.c_str(), text.c_str());
    } else {
        std::fprintf(m_out, "Programming: %s\n", text.c_str());
    }
    std::fflush(m_out);
}

void Progress::finish(std::uint64_t done)
{
    m_drawn = false;
    update(done);
    if (m_terminal) {
        std::fputc('\n', m_out);
        std::fflush(m_out);
    }
}

} // namespace zarn::cli
