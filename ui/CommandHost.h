#pragma once
// What a command needs from the screen: message boxes, file and folder
// choosers and running a dialog modally. The window passes a QtCommandHost;
// tests pass a scripted host, so every command runs without a display.

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QDialog;
class QWidget;

namespace zarn::ui {

// The program's name, the caption of every message box of the commands.
inline constexpr const char* kProgramName = "ZarnTool";

struct FileFilter {
    std::string label; // e.g. "BMP File(*.BMP)"
    std::string pattern; // e.g. "*.BMP"
};

enum class BoxIcon { None, Error };

class CommandHost {
public:
    virtual ~CommandHost() = default;

    // A modal box with one OK button; returns when it is closed. Timer ticks
    // and serial frames go on being handled meanwhile.
    virtual void showMessage(
        const std::string& text, const std::string& caption = kProgramName, BoxIcon icon = BoxIcon::None)
        = 0;
    // A modal question with Yes and No; true for Yes. A host that cannot ask answers No.
    virtual bool askYesNo(const std::string& /*text*/, const std::string& /*caption*/ = kProgramName) { return false; }
    // A file-open dialog; nullopt when cancelled.
    virtual std::optional<std::string> chooseOpenFile(const std::string& title, const std::vector<FileFilter>& filters)
        = 0;
    // The folder chooser: starts in `start`; the result ends with a path separator.
    virtual std::optional<std::string> chooseFolder(const std::string& start) = 0;
    // Runs a dialog modally and returns its result (QDialog::Accepted or Rejected).
    virtual int runDialog(QDialog& dialog) = 0;

    // The widget that owns the boxes (may be null).
    void setOwner(QWidget* owner) { m_owner = owner; }
    QWidget* owner() const { return m_owner; }

private:
    QWidget* m_owner = nullptr;
};

// Shows real boxes and dialogs.
class QtCommandHost : public CommandHost {
public:
    void showMessage(const std::string& text, const std::string& caption, BoxIcon icon) override;
    bool askYesNo(const std::string& text, const std::string& caption) override;
    std::optional<std::string> chooseOpenFile(
        const std::string& title, const std::vector<FileFilter>& filters) override;
    std::optional<std::string> chooseFolder(const std::string& start) override;
    int runDialog(QDialog& dialog) override;
};

// Turns "\r\n" and lone "\r" into line breaks, as the system's message boxes show them.
std::string boxText(const std::string& text);

} // namespace zarn::ui
