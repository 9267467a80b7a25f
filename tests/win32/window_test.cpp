// The Win32 window as a view of the shared commands: its buttons, drops,
// presses and list selection reach the commands; the commands' refreshes
// reach its controls; their boxes show the text and the cause; their dialogs
// take the user's picks; the session's events arrive from another thread.
#include "Win32Harness.h"
#include "support/Files.h"
#include "support/QuartersBmp.h"

#include "common/Messages.h"
#include "resfile/CapacityDisplay.h"
#include "resfile/ResourceStore.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/Win32MainDlg.h"

#include <algorithm>
#include <thread>

namespace zarn::test {
namespace {

    bool has(const std::vector<std::string>& texts, const std::string& text)
    {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    class Window : public Win32Test { };

    TEST_F(Window, IsAViewOfTheCommands)
    {
        TempDir dir;
        win32::Win32MainDlg main;
        const HWND w = main.create();
        ASSERT_NE(w, nullptr);
        const auto field = [&](int id) { return main.window().text(id); };
        EXPECT_EQ(field(IDC_BITMAP_MSG), "Bitmap Message Output...");
        EXPECT_EQ(field(IDC_MODULE_MSG), kMsgModuleInfoInitial);

        // A click reaches its command; its box has the program's caption and the refusal.
        {
            ModalAnswer refusal([](HWND box) { pressButton(box, "OK"); });
            click(w, IDC_DELETE);
            EXPECT_EQ(refusal.caption, "ZarnTool");
            EXPECT_TRUE(has(refusal.texts, kMsgNotResourceOpen));
        }

        // A damaged file dropped: the short text, and the cause as the box's detail.
        writeBytes(dir / "bad.zrf", Bytes { 0, 0, 0x60, 9, 0x40, 1, 0xF0, 0, 0, 16, 0, 0 }); // model code 2400
        {
            ModalAnswer damaged([](HWND box) { pressButton(box, "OK"); });
            dropFiles(w, { dir.file("bad.zrf") });
            ASSERT_TRUE(damaged.answered());
            EXPECT_TRUE(has(damaged.texts, kMsgResourceFileError));
            EXPECT_TRUE(std::any_of(damaged.texts.begin(), damaged.texts.end(), [](const std::string& t) {
                return t.find("bad.zrf") != std::string::npos && t.find("2400") != std::string::npos;
            })) << ::testing::PrintToString(damaged.texts);
        }

        // "Open Resource" of a file whose name is beyond ASCII, then a picture dropped: the fields, the space bar
        // and the picture show them.
        const std::string file = dir.file("资源.zrf");
        ASSERT_TRUE(createResourceFile(file, 2404, 320, 240, 4096).ok);
        {
            ModalAnswer open([&](HWND dlg) { openInFileDialog(dlg, file); });
            click(w, IDC_OPEN_RESOURCE);
            EXPECT_EQ(open.caption, "Open Resource File");
        }
        // A PNG goes through the system's decoders, as on Linux (a refusal would stop here at its box).
        dropFiles(w, { (kDataDir / "import/pictures/ga8_small.png").string() });
        EXPECT_TRUE(main.state().m_strBitmapMsg.starts_with("Load Bitmap")) << main.state().m_strBitmapMsg;
        dropFiles(w, { writeQuartersBmp(dir.file("图.bmp"), 320, 240) });
        auto& state = main.state();
        ASSERT_TRUE(state.m_store.isOpen());
        EXPECT_EQ(field(IDC_RESOURCE_MSG), capacityText(state.m_store));
        EXPECT_EQ(field(IDC_BITMAP_MSG), win32::windowsLineBreaks(state.m_strBitmapMsg));
        const auto space = win32::progressState(main.window().item(IDC_SPACE_BAR));
        EXPECT_EQ(std::tuple(space.high, space.position),
            std::tuple(state.spaceGauge().maximum, state.spaceGauge().position));
        EXPECT_EQ(main.window().picture().rgb, state.pictureImage().rgb);

        // A press on the picture picks its colour there; ">>LOAD" stores the picture with it.
        const zarn::Rect frame = state.pictureFrame();
        EXPECT_EQ(placeOf(main.window().item(IDC_PICTURE)).left, frame.left);
        press(w, frame.left + 10, frame.top + 10);
        EXPECT_EQ(field(IDC_IGNORE_COLOR), "0xf800");
        click(w, IDC_LOAD_ITEM);
        const HWND list = main.window().item(IDC_DIRECTORY);
        ASSERT_EQ(win32::listRowCount(list), 1);
        EXPECT_EQ(win32::listCell(list, 0, 5), "0xf800");

        // The row the user selects is the commands' mark: "BMP Dis" shows it, and a press in its frame picks.
        LVITEMW select {};
        select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
        EXPECT_EQ(state.selectionMark(), 0);
        std::string picked;
        {
            ModalAnswer preview([&](HWND dlg) {
                const RECT r = placeOf(GetDlgItem(dlg, IDC_ITEM_FRAME));
                press(dlg, r.right - 5, r.bottom - 5);
                picked = windowText(GetDlgItem(dlg, IDC_IGNORE_COLOR));
                PostMessageW(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
            });
            click(w, IDC_BMP_DIS);
            EXPECT_EQ(preview.caption, "Bitmap Playback Display");
        }
        EXPECT_EQ(picked, "0xcb26");
        EXPECT_EQ(win32::listCell(list, 0, 5), "0xcb26");

        // Port Select: the list opens on COM3, a pick says whether the system lists the port.
        std::string shown, status;
        {
            ModalAnswer port([&](HWND dlg) {
                shown = windowText(GetDlgItem(dlg, IDC_PORT_LIST));
                pickInList(dlg, IDC_PORT_LIST, 15);
                status = windowText(GetDlgItem(dlg, IDC_PORT_STATUS));
                PostMessageW(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
            });
            click(w, IDC_PORT_SELECT);
        }
        EXPECT_EQ(std::tuple(shown, status), std::tuple("COM3", "COM 16 port is no connection "));

        // The session's events come from its own thread through the window's queue.
        std::thread session([&] {
            SessionEvent event;
            event.snapshot.moduleStatus = "Module connection...\nModule Type:Zarn24 V4";
            event.snapshot.blocksSent = 7;
            main.window().sessionEvents().post(event);
        });
        session.join();
        EXPECT_TRUE(pumpUntil([&] { return field(IDC_BLOCKS_SENT) == "7"; }, 5000));
        EXPECT_EQ(field(IDC_MODULE_MSG), "Module connection...\r\nModule Type:Zarn24 V4");

        click(w, IDOK); // Exit
        EXPECT_EQ(main.window().hwnd(), nullptr);
    }

} // namespace
} // namespace zarn::test
