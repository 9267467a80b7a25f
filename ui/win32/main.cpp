// zarntool for Windows: the main window, from the dialog templates of zarntool.rc.
#include "common/Messages.h"
#include "ui/UiTexts.h"
#include "ui/win32/MainWindow.h"

#include <commctrl.h>
#include <objbase.h>

namespace {

// Until the window's commands are connected, the window shows its start state
// and passes everything else on to nobody.
struct StartState : zarn::win32::MainWindowEvents {
    zarn::win32::MainWindow* window = nullptr;
    void opened() override
    {
        window->showFields({ zarn::ui::kBitmapFieldStart, zarn::ui::kMsgResourceFieldStart, zarn::kMsgModuleInfoInitial,
            std::string(), 0 });
    }
};

}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The system's file and folder dialogs want a single-threaded apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls { sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);
    {
        StartState state;
        zarn::win32::MainWindow window(state);
        state.window = &window;
        window.runModal(nullptr); // how the window closed is not looked at
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}
