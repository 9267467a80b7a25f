#pragma once
// The transfer's progress on the command line: a bar redrawn in place on a
// terminal, plain lines every few seconds otherwise (logs, pipes, CI).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zarn::cli {

// "  1.0 MiB", "512 B", ...
std::string formatBytes(std::uint64_t bytes);
// "1:05", "0:00"; "--:--" when not known.
std::string formatDuration(double seconds);

// One progress text: bytes done of total, percent, rate and time left.
std::string progressText(std::uint64_t done, std::uint64_t total, double elapsedSeconds);

class Progress {
public:
    // `terminal`: redraw one line with a bar; otherwise print a line at most
    // every `plainEverySeconds`.
    Progress(std::FILE* out, bool terminal, std::uint64_t total, double plainEverySeconds = 2.0);
    void update(std::uint64_t done);
    // The last state, and the line ended on a terminal.
    void finish(std::uint64_t done);

private:
    std::FILE* m_out;
    bool m_terminal;
    std::uint64_t m_total;
    double m_plainEvery;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw {};
    bool m_drawn = false;
};

} // namespace zarn::cli
