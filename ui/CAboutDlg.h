#pragma once
// "About Resource tool": the version and the list of changes. It holds no
// values and handles nothing of its own.
//
// The view shows the application icon, kVersionLine, kChanges (one static
// text, its lines separated by "\n") and the default button "yes", in the
// main window's font; "yes" and Enter close it, Escape and the close box too.

namespace zarn::ui {

class CAboutDlg {
public:
    static constexpr const char* kTitle = "About Resource tool";
    static constexpr const char* kVersionLine = "Zarn Resource tool Ver 2.2 ";
    static constexpr const char* kChanges
        = "1.Suport new module,\n2.Add resource memory size select,\n3.Suport BIG5 fontlib,\n4.Serial port select.";
    static constexpr const char* kButton = "yes";
};

} // namespace zarn::ui
