#include "ui/CFolderDialog.h"

#include <QDir>

namespace zarn::ui {

std::string withTrailingSeparator(const std::string& folder)
{
    if (!folder.empty() && folder.back() == '/')
        return folder;
    return folder + "/";
}

CFolderDialog::CFolderDialog(std::string* folder, QWidget* parent)
    : QFileDialog(parent)
    , m_pstrFolder(folder)
{
    // The platform dialog would ignore our title and button text.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ShowDirsOnly, true);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setWindowTitle(QStringLiteral("Choose folder"));
    setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    if (m_pstrFolder && !m_pstrFolder->empty())
        setDirectory(QString::fromStdString(*m_pstrFolder));
}

void CFolderDialog::accept()
{
    // The folder that is highlighted wins; with nothing highlighted, the one shown.
    QString chosen;
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && QFileInfo(files.first()).isDir())
        chosen = files.first();
    else
        chosen = directory().absolutePath();
    if (m_pstrFolder)
        *m_pstrFolder = withTrailingSeparator(QDir::cleanPath(chosen).toStdString());
    QFileDialog::accept();
}

} // namespace zarn::ui
