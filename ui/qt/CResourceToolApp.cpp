#include "ui/qt/CResourceToolApp.h"

#include "ui/WindowStart.h"
#include "ui/qt/QtMainDlg.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace zarn::ui {

namespace {

    std::vector<std::string> argumentsOf(int argc, char** argv)
    {
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    }

    // Qt's own options (-platform, -style, ...) start with a single dash.
    bool mayHoldToolkitOptions(const std::vector<std::string>& arguments)
    {
        return std::any_of(arguments.begin(), arguments.end(),
            [](const std::string& a) { return a.size() > 2 && a[0] == '-' && a[1] != '-'; });
    }

    int endWithout(const WindowStart& start)
    {
        std::fputs(start.output.c_str(), stdout);
        std::fputs(start.error.c_str(), stderr);
        return start.exitStatus;
    }

    // The program's own icon, drawn at each size (packaging/icons/hicolor).
    QIcon applicationIcon()
    {
        QIcon icon;
        for (int size : { 16, 24, 32, 48, 64, 128, 256 })
            icon.addFile(QStringLiteral(":/icons/%1x%1/apps/zarntool.png").arg(size), QSize(size, size));
        return icon;
    }

} // namespace

int CResourceToolApp::run(int argc, char** argv)
{
    // --version, --help and a wrong command line are answered without a
    // display; Qt's own options are known only once QApplication has taken them out.
    if (const auto arguments = argumentsOf(argc, argv); !mayHoldToolkitOptions(arguments)) {
        if (const WindowStart start = windowStart(arguments); !start.showWindow)
            return endWithout(start);
    }
    QApplication app(argc, argv);
    const WindowStart start = windowStart(argumentsOf(argc, argv));
    if (!start.showWindow)
        return endWithout(start);
    QApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QApplication::setWindowIcon(applicationIcon());
    {
        auto dlg = std::make_unique<QtMainDlg>();
        // Once the window shows, so that a refusal box has it as its owner.
        QTimer::singleShot(0, dlg.get(), [&] { dlg->state().openAtStart(start); });
        dlg->exec(); // how the window closed is not looked at
    }
    return 0;
}

} // namespace zarn::ui
