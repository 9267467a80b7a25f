#pragma once
// Several live lines at once, one per port, with a summary line under them:
// redrawn in place on a terminal; otherwise each line printed again every few
// seconds while it changes, so that a log shows the run's course.

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace zarn::cli {

class StatusBoard {
public:
    StatusBoard(std::FILE* out, bool terminal, std::size_t rows, double plainEverySeconds = 2.0);

    void setRow(std::size_t row, std::string text);
    void setFooter(std::string text);
    // A line that stays, printed above the live lines (an end, a warning).
    void note(const std::string& text);
    // Draws what changed; `now` skips the throttle.
    void draw(bool now = false);
    // Leaves what was drawn last on the screen.
    void finish();

private:
    void erase();
    void drawTerminal();

    std::FILE* m_out;
    bool m_terminal;
    double m_plainEvery;
    std::vector<std::string> m_rows;
    std::vector<std::string> m_printed; // plain: the text each row was last printed with
    std::string m_footer;
    std::string m_printedFooter;
    int m_drawnLines = 0; // terminal: lines of the live block on the screen
    std::chrono::steady_clock::time_point m_lastDraw {};
    bool m_drawn = false;
};

} // namespace zarn::cli
