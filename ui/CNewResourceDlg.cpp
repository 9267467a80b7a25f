#include "ui/CNewResourceDlg.h"

#include "platform/ProgramFolder.h"
#include "resfile/ModuleModel.h"
#include "resfile/ResourceStore.h"
#include "ui/CFolderDialog.h"
#include "ui/CommandHost.h"
#include "ui/UiTexts.h"

#include <filesystem>

namespace zarn::ui {

std::string withTrailingSeparator(const std::string& folder)
{
    if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\'))
        return folder;
    return folder + static_cast<char>(std::filesystem::path::preferred_separator); // "\\" on Windows
}

std::string CNewResourceDlg::defaultFolder()
{
    const std::string program = programWorkFolder();
    if (!program.empty() && mayWrite(program))
        return withTrailingSeparator(program);
    return withTrailingSeparator(userHomeFolder());
}

std::vector<std::string> CNewResourceDlg::modelRows()
{
    std::vector<std::string> rows { "" };
    for (const auto& m : moduleModels())
        rows.push_back(m.rowText);
    return rows;
}

CNewResourceDlg::CNewResourceDlg(CommandHost& host, FileIo& io)
    : m_strFolder(defaultFolder())
    , m_host(host)
    , m_io(io)
{
    m_strSaveAt = m_strFolder;
    enableSizesFor(1);
}

void CNewResourceDlg::enableSizesFor(int number)
{
    const auto& model = modelForNumber(number);
    for (int k = 0; k < 4; ++k)
        m_sizeEnabled[k] = k == 0 || model.sizesOffered[k];
}

void CNewResourceDlg::OnModelChange(int row)
{
    if (row < 0 || row > static_cast<int>(moduleModels().size()))
        return;
    m_nModelRow = row;
    m_nSizeChoice = 0;
    enableSizesFor(rowNumberOf(modelRows()[row]));
}

void CNewResourceDlg::OnModelEdit(const std::string& text)
{
    if (m_nModelRow >= 0 && modelRows()[m_nModelRow] != text)
        m_nModelRow = -1;
}

void CNewResourceDlg::OnChooseFolder()
{
    const auto chosen = m_host.chooseFolder(m_strFolder);
    if (!chosen)
        return;
    m_strFolder = withTrailingSeparator(*chosen);
    m_host.showMessage(m_strFolder);
    m_strSaveAt = m_strFolder;
}

CNewResourceDlg::Choice CNewResourceDlg::currentChoice() const
{
    if (m_nModelRow < 0)
        return Choice { 2404, 240, 320, 4096 };
    const auto& model = modelForNumber(rowNumberOf(modelRows()[m_nModelRow]));
    return Choice { model.modelCode, model.screenWidth, model.screenHeight, memoryKiBForSizeIndex(m_nSizeChoice) };
}

bool CNewResourceDlg::OnOK()
{
    const std::string path = targetPath();
    // The file is the user's work: it is replaced only when they say so.
    FileStatus existing;
    if (m_io.stat(path, existing) == 0 && existing.isRegular()
        && !m_host.askYesNo(fileExistsQuestion(path), kMsgReplaceLosesItems))
        return false;
    const Choice c = currentChoice();
    const auto result = createResourceFile(path, c.modelCode, c.screenWidth, c.screenHeight, c.memoryKiB, m_io);
    if (!result.ok) {
        m_host.showMessage(result.message, result.detail);
        return false;
    }
    m_bCreated = true;
    return true;
}

} // namespace zarn::ui
