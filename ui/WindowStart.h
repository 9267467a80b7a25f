#pragma once
// What the window does with its command line, the same for every window:
// "zarntool FILE" opens FILE as "Open Resource" would once the window shows
// (a double click on a .zrf file starts it so); --version and --help print
// their text and end the program without a window.

#include <optional>
#include <string>
#include <vector>

namespace zarn::ui {

struct WindowStart {
    bool showWindow = true;
    // Without a window: the text for standard output (--version, --help) or
    // standard error (a usage error), and the program's exit status.
    std::string output;
    std::string error;
    int exitStatus = 0;
    // With the window: the file to open (made absolute), or the box that
    // refuses it instead.
    std::optional<std::string> resourceFile;
    std::optional<std::string> refusal;
};

// `arguments` without the program's name, as UTF-8.
WindowStart windowStart(const std::vector<std::string>& arguments);

} // namespace zarn::ui
