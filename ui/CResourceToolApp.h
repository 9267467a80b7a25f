#pragma once
// Starts the program: runs the main window modally; when it closes, the
// window is destroyed (which releases the file, the port and the timer) and
// the program ends.

namespace zarn::ui {

class CMainDlg;
class CommandHost;
struct WindowStart;

class CResourceToolApp {
public:
    int run(int argc, char** argv);
};

// The file named on the command line, opened as "Open Resource" opens a file,
// or the box that refuses it.
void openStartFile(CMainDlg& dlg, CommandHost& host, const WindowStart& start);

} // namespace zarn::ui
