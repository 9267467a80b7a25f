#include "cli/StatusBoard.h"

namespace zarn::cli {

namespace {
    // Longer lines would wrap and spoil the redraw.
    constexpr std::size_t kTerminalWidth = 79;

    std::string fitted(const std::string& text)
    {
        return text.size() <= kTerminalWidth ? text : text.substr(0, kTerminalWidth - 3) + "...";
    }
}

StatusBoard::StatusBoard(std::FILE* out, bool terminal, std::size_t rows, double plainEverySeconds)
    : m_out(out)
    , m_terminal(terminal)
    , m_plainEvery(plainEverySeconds)
    , m_rows(rows)
    , m_printed(rows)
{
}

void StatusBoard::setRow(std::size_t row, std::string text) { m_rows.at(row) = std::move(text); }

void StatusBoard::setFooter(std::string text) { m_footer = std::move(text); }

void StatusBoard::erase()
{
    if (m_drawnLines > 0)
        std::fprintf(m_out, "\033[%dA\r\033[J", m_drawnLines);
    m_drawnLines = 0;
}

void StatusBoard::drawTerminal()
{
    erase();
    for (const std::string& row : m_rows)
        std::fprintf(m_out, "%s\033[K\n", fitted(row).c_str());
    m_drawnLines = static_cast<int>(m_rows.size());
    if (!m_footer.empty()) {
        std::fprintf(m_out, "%s\033[K\n", fitted(m_footer).c_str());
        ++m_drawnLines;
    }
}

void StatusBoard::note(const std::string& text)
{
    if (m_terminal)
        erase();
    std::fprintf(m_out, "%s\n", text.c_str());
    if (m_terminal)
        drawTerminal();
    std::fflush(m_out);
}

void StatusBoard::draw(bool now)
{
    const auto t = std::chrono::steady_clock::now();
    if (!now && m_drawn && std::chrono::duration<double>(t - m_lastDraw).count() < (m_terminal ? 0.1 : m_plainEvery))
        return;
    m_lastDraw = t;
    m_drawn = true;
    if (m_terminal) {
        drawTerminal();
    } else {
        for (std::size_t i = 0; i < m_rows.size(); ++i) {
            if (m_rows[i] == m_printed[i] || m_rows[i].empty())
                continue;
            std::fprintf(m_out, "%s\n", m_rows[i].c_str());
            m_printed[i] = m_rows[i];
        }
        if (m_footer != m_printedFooter && !m_footer.empty()) {
            std::fprintf(m_out, "%s\n", m_footer.c_str());
            m_printedFooter = m_footer;
        }
    }
    std::fflush(m_out);
}

void StatusBoard::finish()
{
    m_drawnLines = 0; // what is on the screen stays there
}

} // namespace zarn::cli
