#include "link/TransferProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zarn {

namespace {
    constexpr double kWindowSeconds = 0.5; // one rate sample per half second at most
    constexpr double kSmoothingSeconds = 3.0; // older samples weigh e^-1 after this long
}

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

void TransferProgress::update(std::uint64_t done, double seconds)
{
    seconds = std::max(seconds, m_now);
    if (done > m_done)
        m_lastMove = seconds;
    m_done = std::max(done, m_done);
    m_now = seconds;
    const double span = m_now - m_windowStart;
    if (span < kWindowSeconds)
        return;
    const double sample = static_cast<double>(m_done - m_windowBytes) / span;
    if (!m_haveRate)
        m_rate = sample;
    else
        m_rate += (1.0 - std::exp(-span / kSmoothingSeconds)) * (sample - m_rate);
    m_haveRate = true;
    m_windowStart = m_now;
    m_windowBytes = m_done;
}

int TransferProgress::percent() const
{
    if (m_total == 0 || m_done >= m_total)
        return 100;
    return static_cast<int>(std::min<std::uint64_t>(99, m_done * 100 / m_total));
}

bool TransferProgress::stalled() const { return m_done < m_total && m_now - m_lastMove >= kStallSeconds; }

double TransferProgress::bytesPerSecond() const
{
    if (stalled())
        return 0;
    if (m_haveRate)
        return m_rate;
    // Before the first sample: the average so far.
    return m_now > 0 ? static_cast<double>(m_done) / m_now : 0;
}

double TransferProgress::secondsLeft() const
{
    if (m_done >= m_total)
        return 0;
    const double rate = bytesPerSecond();
    return rate > 0 ? static_cast<double>(m_total - m_done) / rate : NAN;
}

std::string TransferProgress::text() const
{
    std::string t
        = std::to_string(m_done) + " of " + std::to_string(m_total) + " bytes (" + std::to_string(percent()) + "%), ";
    if (stalled())
        return t + "stalled";
    return t + formatBytes(static_cast<std::uint64_t>(bytesPerSecond())) + "/s, " + formatDuration(secondsLeft())
        + " left";
}

} // namespace zarn
