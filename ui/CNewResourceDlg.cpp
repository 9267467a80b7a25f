#include "ui/CNewResourceDlg.h"

#include "platform/FileIo.h"
#include "platform/ProgramFolder.h"
#include "resfile/ModuleModel.h"
#include "resfile/ResourceStore.h"
#include "ui/AppFont.h"
#include "ui/CFolderDialog.h"
#include "ui/CommandHost.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zarn::ui {

std::string CNewResourceDlg::defaultFolder()
{
    const std::string program = zarn::programFolder();
    if (!program.empty() && zarn::mayWrite(program))
        return withTrailingSeparator(program);
    return withTrailingSeparator(QDir::homePath().toStdString());
}

CNewResourceDlg::CNewResourceDlg(CommandHost& host, QWidget* parent)
    : QDialog(parent)
    , m_host(host)
{
    setWindowTitle(QStringLiteral("Create New Resource File"));
    setFont(systemDialogFont());

    m_comboModel = new QComboBox(this);
    m_comboModel->setEditable(true);
    m_comboModel->setInsertPolicy(QComboBox::NoInsert);
    m_comboModel->addItem(QString());
    for (const auto& m : zarn::moduleModels())
        m_comboModel->addItem(QString::fromStdString(m.rowText));
    m_comboModel->setCurrentIndex(1);
    m_comboModel->setMinimumContentsLength(16);

    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setMaxLength(256);
    m_saveAtEdit = new QLineEdit(this);
    m_saveAtEdit->setMaxLength(1024);
    m_saveAtEdit->setMinimumWidth(260);
    m_browse = new QPushButton(QStringLiteral("...."), this);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto* sizeBox = new QGroupBox(QStringLiteral("Size"), this);
    auto* sizeLayout = new QHBoxLayout(sizeBox);
    auto* group = new QButtonGroup(this);
    for (int k = 0; k < 4; ++k) {
        m_size[k] = new QRadioButton(QString::fromLatin1(zarn::kSizeLabels[k]), sizeBox);
        group->addButton(m_size[k], k);
        sizeLayout->addWidget(m_size[k]);
    }

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("Select Resource file corresponding Module Type"), this), 0, 0);
    form->addWidget(m_comboModel, 0, 1, 1, 2);
    form->addWidget(new QLabel(QStringLiteral("Resource File Name:"), this), 1, 0);
    form->addWidget(m_nameEdit, 1, 1, 1, 2);
    form->addWidget(sizeBox, 2, 0, 1, 3);
    form->addWidget(new QLabel(QStringLiteral("Save at......"), this), 3, 0);
    form->addWidget(m_saveAtEdit, 3, 1);
    form->addWidget(m_browse, 3, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(form, 1);
    outer->addLayout(buttons);

    connect(m_comboModel, &QComboBox::activated, this, [this](int) { OnModelChange(); });
    connect(m_browse, &QPushButton::clicked, this, [this] { OnChooseFolder(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_strFolder = defaultFolder();
    m_strSaveAt = m_strFolder;
    m_strName = "TestResource";
    m_bCreated = false;
    enableSizesFor(1);
    m_nSizeChoice = 0;
    m_size[0]->setChecked(true);
    m_nameEdit->setText(QString::fromStdString(m_strName));
    m_saveAtEdit->setText(QString::fromStdString(m_strSaveAt));
}

int CNewResourceDlg::chosenRow() const
{
    const int i = m_comboModel->currentIndex();
    if (i < 0 || m_comboModel->currentText() != m_comboModel->itemText(i))
        return -1;
    return i;
}

void CNewResourceDlg::enableSizesFor(int number)
{
    const auto& model = zarn::modelForNumber(number);
    for (int k = 0; k < 4; ++k)
        m_size[k]->setEnabled(k == 0 || model.sizesOffered[k]);
}

void CNewResourceDlg::OnModelChange()
{
    const int row = chosenRow();
    if (row < 0)
        return;
    const int number = zarn::rowNumberOf(m_comboModel->itemText(row).toStdString());
    m_nSizeChoice = 0;
    m_size[0]->setChecked(true);
    enableSizesFor(number);
}

void CNewResourceDlg::OnChooseFolder()
{
    const auto chosen = m_host.chooseFolder(m_strFolder);
    if (!chosen)
        return;
    m_strFolder = withTrailingSeparator(*chosen);
    m_host.showMessage(m_strFolder);
    m_strSaveAt = m_strFolder;
    m_saveAtEdit->setText(QString::fromStdString(m_strSaveAt));
}

void CNewResourceDlg::takeFields()
{
    m_strName = m_nameEdit->text().toStdString();
    m_strSaveAt = m_saveAtEdit->text().toStdString();
    for (int k = 0; k < 4; ++k)
        if (m_size[k]->isChecked())
            m_nSizeChoice = k;
}

CNewResourceDlg::Choice CNewResourceDlg::currentChoice() const
{
    const int row = chosenRow();
    if (row < 0)
        return Choice { 2404, 240, 320, 4096 };
    const auto& model = zarn::modelForNumber(zarn::rowNumberOf(m_comboModel->itemText(row).toStdString()));
    int k = 0;
    for (int i = 0; i < 4; ++i)
        if (m_size[i]->isChecked())
            k = i;
    return Choice { model.modelCode, model.screenWidth, model.screenHeight, zarn::memoryKiBForSizeIndex(k) };
}

void CNewResourceDlg::OnOK()
{
    takeFields();
    const Choice c = currentChoice();
    const auto result = zarn::createResourceFile(targetPath(), c.modelCode, c.screenWidth, c.screenHeight, c.memoryKiB);
    if (!result.ok) {
        // The dialog stays open with everything the user entered.
        m_host.showMessage(result.message.empty() ? std::string("False") : result.message);
        return;
    }
    m_bCreated = true;
    accept();
}

} // namespace zarn::ui
