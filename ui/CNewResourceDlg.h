#pragma once
// "Create New Resource File": module type, memory size, name and folder; OK
// writes the blank file and the dialog closes only when that succeeded.
//
// The view shows, top to bottom: kModelLabel with the module list beside it
// (modelRows(), unsorted, an edit field that also takes typed text; row
// m_nModelRow chosen), kNameLabel with the name field (256 characters), the
// group "Size" with kSizeLabels (m_nSizeChoice checked, each enabled as
// m_sizeEnabled says), kSaveAtLabel with the folder field (m_strSaveAt, 1024
// characters) and the button "...."; at the right "OK" (default) and "Cancel".
// Font "System" 10. Its handlers:
// - a pick confirmed in the list: OnModelChange(row); text typed into the
//   list's field: OnModelEdit(text);
// - a size button: m_nSizeChoice = k; "....": OnChooseFolder();
// - "OK": store the name field in m_strName and the folder field in
//   m_strSaveAt, then OnOK(); close confirmed when it returns true;
// - "Cancel", Escape and the close box cancel.
// After each handler the view shows the values again.

#include "platform/FileIo.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zarn::ui {

class CommandHost;

class CNewResourceDlg {
public:
    static constexpr const char* kTitle = "Create New Resource File";
    static constexpr const char* kModelLabel = "Select Resource file corresponding Module Type";
    static constexpr const char* kNameLabel = "Resource File Name:";
    static constexpr const char* kSizeGroup = "Size";
    static constexpr const char* kSaveAtLabel = "Save at......";
    static constexpr const char* kFolderButton = "....";

    explicit CNewResourceDlg(CommandHost& host, FileIo& io = defaultFileIo());

    // The folder the dialog starts with: the program's own folder, or the home
    // folder when the program's folder cannot be written (an installed program).
    static std::string defaultFolder();
    // The module list: an empty row, then the twelve model rows.
    static std::vector<std::string> modelRows();

    void OnModelChange(int row);
    void OnModelEdit(const std::string& text); // a row stays chosen only while the text is its own
    void OnChooseFolder();
    // Writes the blank file; false (the dialog stays open, all values kept)
    // when the user keeps an existing file or the file cannot be created.
    bool OnOK();

    // The values OK writes: model code, width, height, memoryKiB.
    struct Choice {
        std::uint16_t modelCode, screenWidth, screenHeight;
        std::uint32_t memoryKiB;
    };
    Choice currentChoice() const;
    std::string targetPath() const { return m_strFolder + m_strName + ".zrf"; }

    std::string m_strFolder; // ends with a path separator
    bool m_bCreated = false;
    int m_nModelRow = 1; // -1: no row chosen (typed text)
    std::string m_strName = "TestResource";
    std::string m_strSaveAt;
    int m_nSizeChoice = 0;
    std::array<bool, 4> m_sizeEnabled { true, false, false, false };

private:
    void enableSizesFor(int number);

    CommandHost& m_host;
    FileIo& m_io;
};

} // namespace zarn::ui
