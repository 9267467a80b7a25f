#include "ui/CommandHost.h"

#include "ui/CFolderDialog.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace zarn::ui {

std::string boxText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void QtCommandHost::showMessage(const std::string& text, const std::string& caption, BoxIcon icon)
{
    QMessageBox box(icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
        QString::fromStdString(caption), QString::fromStdString(boxText(text)), QMessageBox::Ok, owner());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool QtCommandHost::askYesNo(const std::string& text, const std::string& caption)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(boxText(text)),
        QMessageBox::Yes | QMessageBox::No, owner());
    box.setDefaultButton(QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}

namespace {
    // "*.BMP" also finds "x.bmp": on Windows, where these patterns come from,
    // file names match whatever their case.
    QString patternsOf(const std::string& pattern)
    {
        const QString p = QString::fromStdString(pattern);
        if (p == QLatin1String("*.*"))
            return QStringLiteral("*");
        const QString lower = p.toLower(), upper = p.toUpper();
        return lower == upper ? p : upper + QLatin1Char(' ') + lower;
    }
}

std::optional<std::string> QtCommandHost::chooseOpenFile(
    const std::string& title, const std::vector<FileFilter>& filters)
{
    QStringList nameFilters;
    for (const auto& f : filters)
        nameFilters << QString::fromStdString(f.label) + QStringLiteral(" (") + patternsOf(f.pattern)
                + QLatin1Char(')');
    QFileDialog dlg(owner(), QString::fromStdString(title));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::HideNameFilterDetails, true);
    dlg.setNameFilters(nameFilters);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    return dlg.selectedFiles().first().toStdString();
}

std::optional<std::string> QtCommandHost::chooseFolder(const std::string& start)
{
    std::string folder = start;
    CFolderDialog dlg(&folder, owner());
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return folder;
}

int QtCommandHost::runDialog(QDialog& dialog) { return dialog.exec(); }

} // namespace zarn::ui
