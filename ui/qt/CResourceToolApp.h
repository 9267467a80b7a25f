#pragma once
// Starts the program: runs the main window modally; when it closes, the
// window is destroyed (which releases the file, the port and the timer) and
// the program ends.

namespace zarn::ui {

class CResourceToolApp {
public:
    int run(int argc, char** argv);
};

} // namespace zarn::ui
