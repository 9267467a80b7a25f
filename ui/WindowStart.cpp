#include "ui/WindowStart.h"

#include "common/Version.h"
#include "platform/Utf8Path.h"
#include "resfile/StoreCommands.h"

#include <filesystem>

namespace zarn::ui {

namespace {

    constexpr const char* kUsage = "Usage: zarntool [FILE]\n"
                                   "\n"
                                   "The desktop tool for Zarn serial display modules: builds resource files (.zrf)\n"
                                   "from pictures, font libraries and sounds, and programs them into a module.\n"
                                   "\n"
                                   "  FILE       a resource file (.zrf) to open at start, as \"Open Resource\" would\n"
                                   "  --help     show this help and end\n"
                                   "  --version  show the version and end\n";

    constexpr int kExitUsage = 2;

    WindowStart usageError(const std::string& problem)
    {
        WindowStart start;
        start.showWindow = false;
        start.error = "zarntool: " + problem + "\nTry zarntool --help\n";
        start.exitStatus = kExitUsage;
        return start;
    }

    std::string absolutePath(const std::string& path)
    {
        std::error_code error;
        const auto absolute = std::filesystem::absolute(pathOf(path), error);
        return error ? path : utf8Of(absolute);
    }

} // namespace

WindowStart windowStart(const std::vector<std::string>& arguments)
{
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--version") {
            WindowStart start;
            start.showWindow = false;
            start.output = versionLine("zarntool") + "\n";
            return start;
        } else if (argument == "--help" || argument == "-h") {
            WindowStart start;
            start.showWindow = false;
            start.output = kUsage;
            return start;
        } else {
            return usageError("unknown option " + argument);
        }
    }
    if (files.size() > 1)
        return usageError("one resource file at a time, " + std::to_string(files.size()) + " were given");

    WindowStart start;
    if (files.empty())
        return start;
    // A file named on the command line is told why it does not open, as
    // "Open Resource" tells it.
    if (!hasResourceExtension(files[0]))
        start.refusal = "This is not a resource file (.zrf): " + files[0];
    else
        start.resourceFile = absolutePath(files[0]);
    return start;
}

} // namespace zarn::ui
