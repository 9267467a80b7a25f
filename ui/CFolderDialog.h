#pragma once
// The folder chooser of the "...." button: a file dialog that shows folders
// only, titled "Choose folder", whose confirm button reads "Select".

#include <QFileDialog>

#include <string>

namespace zarn::ui {

class CFolderDialog : public QFileDialog {
    Q_OBJECT
public:
    // `folder` is the caller's text: the folder to start in, and on "Select"
    // the chosen folder followed by one path separator. Cancel leaves it as it was.
    explicit CFolderDialog(std::string* folder, QWidget* parent = nullptr);

    void accept() override;

private:
    std::string* m_pstrFolder;
};

// The chosen folder as the caller receives it: one separator at the end.
std::string withTrailingSeparator(const std::string& folder);

} // namespace zarn::ui
