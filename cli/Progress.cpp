#include "cli/Progress.h"

#include <algorithm>

namespace zarn::cli {

std::string progressText(std::uint64_t done, std::uint64_t total, double elapsedSeconds)
{
    TransferProgress figures(total);
    figures.update(done, elapsedSeconds);
    return figures.text();
}

Progress::Progress(std::FILE* out, bool terminal, std::uint64_t total, double plainEverySeconds)
    : m_out(out)
    , m_terminal(terminal)
    , m_plainEvery(plainEverySeconds)
    , m_figures(total)
    , m_start(std::chrono::steady_clock::now())
{
}

void Progress::update(std::uint64_t done)
{
    const auto now = std::chrono::steady_clock::now();
    m_figures.update(done, std::chrono::duration<double>(now - m_start).count());
    const double since = std::chrono::duration<double>(now - m_lastDraw).count();
    if (m_drawn && since < (m_terminal ? 0.1 : m_plainEvery))
        return;
    m_lastDraw = now;
    m_drawn = true;
    const std::string text = m_figures.text();
    if (m_terminal) {
        constexpr int kWidth = 30;
        const std::uint64_t total = m_figures.total();
        const std::uint64_t shown = std::min(m_figures.done(), total);
        const int filled = total ? static_cast<int>(kWidth * shown / total) : kWidth;
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
