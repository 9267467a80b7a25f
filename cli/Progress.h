#pragma once
// The transfer's progress on the command line: a bar redrawn in place on a
// terminal, plain lines every few seconds otherwise (logs, pipes, CI). The
// figures (percent, smoothed rate, time left, "stalled") are the link's
// TransferProgress.

#include "link/TransferProgress.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zarn::cli {

// One progress text for `done` of `total` bytes after `elapsedSeconds`.
std::string progressText(std::uint64_t done, std::uint64_t total, double elapsedSeconds);

class Progress {
public:
    // `terminal`: redraw one line with a bar; otherwise print a line at most
    // every `plainEverySeconds`.
    Progress(std::FILE* out, bool terminal, std::uint64_t total, double plainEverySeconds = 2.0);
    // The bytes done now; also called while nothing moves, so that a stall shows.
    void update(std::uint64_t done);
    // The last state, and the line ended on a terminal.
    void finish(std::uint64_t done);

private:
    std::FILE* m_out;
    bool m_terminal;
    double m_plainEvery;
    TransferProgress m_figures;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw {};
    bool m_drawn = false;
};

} // namespace zarn::cli
