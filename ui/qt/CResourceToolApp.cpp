#include "ui/qt/CResourceToolApp.h"

#include "ui/qt/QtMainDlg.h"

#include <QApplication>
#include <QStyle>

#include <memory>

namespace zarn::ui {

int CResourceToolApp::run(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QApplication::setWindowIcon(app.style()->standardIcon(QStyle::SP_ComputerIcon));
    {
        auto dlg = std::make_unique<QtMainDlg>();
        dlg->exec(); // how the window closed is not looked at
    }
    return 0;
}

} // namespace zarn::ui
