#include "ui/qt/AppFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace zarn::ui {

QFont toolFont()
{
    const QStringList families = QFontDatabase::families();
    for (const QString& name : { QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun") }) {
        if (families.contains(name, Qt::CaseInsensitive)) {
            QFont f(name);
            f.setPointSize(9);
            return f;
        }
    }
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSize(9);
    return f;
}

QFont systemDialogFont()
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSize(10);
    return f;
}

} // namespace zarn::ui
