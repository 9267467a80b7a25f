// Shows one of the window's dialogs with example contents for a while, for a
// screenshot under Wine (scripts/screenshot-windows):
//   win32_show_dialogs main|port|playback|about|new SECONDS
#include "ui/win32/BitmapPreviewWindow.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/PortSelectWindow.h"
#include "ui/win32/ResourceIds.h"

#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <string>

using namespace zarn::win32;

namespace {

// A 320 x 240 picture in four coloured quarters.
std::vector<std::uint8_t> quarters(int w, int h)
{
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int q = (y >= h / 2) * 2 + (x >= w / 2);
            const std::uint8_t c[4][3] = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 200, 100, 50 } };
            rgb.insert(rgb.end(), c[q], c[q] + 3);
        }
    return rgb;
}

void fillMain(MainWindow& w)
{
    w.showFields({ "Load Bitmap 16bit color Width:320 Height:240 \r\nSize:153600",
        "Resource File size:4194304 Remaining bytes:3764224",
        "Module connection...\r\nModule Type:Zarn24 V4\r\nFirmware version:Ver7", "0xf800", 105 });
    const std::vector<ListRow> rows { { "0", "True color bmp", "320*240", "4096", "153600", "0xcb26" },
        { "1", "GB2312 lib", "16*16", "159744", "261696", "0x0000" },
        { "2", "Wave file", "", "421888", "5000", "0x0000" },
        { "3", "测试 资源.wav", "", "430080", "5000", "0x0000" } };
    w.setDirectoryRows(rows);
    w.setSpaceBar(4096, 420);
    w.setProgramBar(420, 420);
    w.setPicture({ 320, 240, 320, 240, 320, 240, quarters(320, 240) });
    w.movePicture(zarn::fitPreviewFrame(w.pictureArea(), 320, 240)); // as a 320 x 240 module's file places it
    w.setSwatch(zarn::Rgb { 255, 0, 0 });
}

}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls { sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);
    const std::string which = __argc > 1 ? __argv[1] : "main";
    const int seconds = __argc > 2 ? std::atoi(__argv[2]) : 5;
    MainWindowEvents none;
    std::unique_ptr<DialogWindow> dialog;
    if (which == "main") {
        auto main = std::make_unique<MainWindow>(none);
        main->create(nullptr);
        fillMain(*main);
        dialog = std::move(main);
    } else if (which == "port") {
        auto port = std::make_unique<PortSelectWindow>(3);
        port->create(nullptr);
        port->showStatus("COM 3 Port has been connected");
        dialog = std::move(port);
    } else if (which == "playback") {
        auto playback = std::make_unique<BitmapPreviewWindow>(ItemImage { 320, 240, 320, 240, quarters(320, 240), 0 });
        playback->showIgnoreColor({ 200, 100, 50 }, "0xcb26");
        playback->create(nullptr);
        dialog = std::move(playback);
    } else {
        dialog = std::make_unique<DialogWindow>(which == "about" ? IDD_ABOUTBOX : IDD_NEW_RESOURCE);
        dialog->create(nullptr);
    }
    if (!dialog->hwnd())
        return 1;
    ShowWindow(dialog->hwnd(), SW_SHOW);
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); });
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        if (!IsDialogMessageW(dialog->hwnd(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    return 0;
}
