#pragma once
// A transfer's progress as a user reads it: how much is done, how fast it has
// gone lately, when it will end, and whether it has stopped moving. Fed the
// bytes sent at any moments (each update the client gets, and its redraws);
// the rate is smoothed over the last seconds, so that one slow frame does not
// swing it, and a transfer in which nothing moved for two seconds is shown as
// stalled rather than with a rate that falls towards zero.

#include <cstdint>
#include <string>

namespace zarn {

// "512 B", "12.0 KiB", "1.5 MiB".
std::string formatBytes(std::uint64_t bytes);
// "1:05", "1:02:05"; "--:--" when not known.
std::string formatDuration(double seconds);

class TransferProgress {
public:
    static constexpr double kStallSeconds = 2.0;

    explicit TransferProgress(std::uint64_t total = 0)
        : m_total(total)
    {
    }

    // `done` bytes of the total at `seconds` since the transfer started.
    void update(std::uint64_t done, double seconds);

    std::uint64_t done() const { return m_done; }
    std::uint64_t total() const { return m_total; }
    int percent() const; // rounded down, 100 only when all is done
    bool stalled() const;
    double bytesPerSecond() const; // 0 while stalled or not yet known
    double secondsLeft() const; // 0 when done; NaN when not known (stalled, no rate yet)

    // "8192 of 16384 bytes (50%), 4.0 KiB/s, 0:02 left", or "..., stalled".
    std::string text() const;

private:
    std::uint64_t m_total;
    std::uint64_t m_done = 0;
    double m_now = 0;
    double m_lastMove = 0; // when `done` last grew
    double m_windowStart = 0; // the smoothing window: since when, from how many bytes
    std::uint64_t m_windowBytes = 0;
    double m_rate = 0;
    bool m_haveRate = false;
};

} // namespace zarn
