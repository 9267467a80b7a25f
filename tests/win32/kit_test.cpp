// The view kit's pieces as the window uses them: texts across UTF-16, the
// list, progress bars and fields read back, the drawings read back pixel by
// pixel, clicks, drops, timer ticks and events from another thread reaching
// the main window, and the system's boxes and folder chooser.
#include "Win32Harness.h"

#include "ui/win32/BitmapPreviewWindow.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/PortSelectWindow.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/SystemDialogs.h"

#include <shlobj.h>

#include <thread>

namespace zarn::test {
namespace {

    using namespace zarn::win32;

    const Rgb kRed { 255, 0, 0 }, kGreen { 0, 255, 0 }, kWhite { 255, 255, 255 }, kGrey { 200, 100, 50 };
    const Rgb kBlue { 0, 0, 255 }, kBlack {};

    std::vector<std::uint8_t> colours(std::initializer_list<Rgb> pixels)
    {
        std::vector<std::uint8_t> out;
        for (const Rgb& p : pixels)
            out.insert(out.end(), { p.r, p.g, p.b });
        return out;
    }

    // Everything the main window passes on, and on which thread.
    struct Recorder : MainWindowEvents {
        std::vector<MainCommand> commands;
        std::vector<std::vector<std::string>> drops;
        std::vector<Rgb> picks;
        std::vector<std::string> events;
        std::vector<DWORD> eventThreads;
        std::vector<bool> closings;
        int ticks = 0;
        void command(MainCommand c) override { commands.push_back(c); }
        void timerTick() override { ++ticks; }
        void filesDropped(const std::vector<std::string>& paths) override { drops.push_back(paths); }
        void colourPicked(Rgb c) override { picks.push_back(c); }
        void sessionEvent(const zarn::SessionEvent& e) override
        {
            events.push_back(e.text);
            eventThreads.push_back(GetCurrentThreadId());
        }
        void closing(bool confirmed) override { closings.push_back(confirmed); }
    };

    class Kit : public Win32Test { };

    TEST_F(Kit, TextsCrossBetweenUtf8AndUtf16)
    {
        const std::string name = "资源\xF0\x9F\x98\x80.zrf"; // CJK and a character beyond 16 bits
        EXPECT_EQ(wide(name), L"资源\U0001F600.zrf");
        EXPECT_EQ(narrow(wide(name)), name);
        EXPECT_EQ(wide("a\xFF"
                       "b"),
            L"a\uFFFDb");
        EXPECT_EQ(narrow(std::wstring { L'a', wchar_t(0xD800), L'b' }),
            "a\xEF\xBF\xBD"
            "b");
        EXPECT_EQ(windowsLineBreaks("a\rb\nc\r\nd"), "a\r\nb\r\nc\r\nd");
    }

    TEST_F(Kit, ListFieldsAndProgressBarsReadBackWhatTheyShow)
    {
        Recorder events;
        MainWindow window(events);
        ASSERT_NE(window.create(nullptr), nullptr);
        const HWND list = window.item(IDC_DIRECTORY);
        const std::vector<ListRow> rows { { "0", "True color bmp", "320*240", "4096", "153600", "0xf81f" },
            { "1", "GB2312 lib", "16*16", "159744", "261696", "0x0000" } };
        window.setDirectoryRows(rows);
        window.insertDirectoryRow(1, { "1", "Wave file", "", "421888", "5000", "0x0000" });
        window.setDirectoryCell(2, 0, "2");
        ASSERT_EQ(listRowCount(list), 3);
        EXPECT_EQ(listCell(list, 0, 1), "True color bmp");
        EXPECT_EQ(listCell(list, 0, 5), "0xf81f");
        EXPECT_EQ(listCell(list, 1, 1), "Wave file");
        EXPECT_EQ(listCell(list, 1, 2), "");
        EXPECT_EQ(listCell(list, 2, 0), "2");
        EXPECT_EQ(listCell(list, 2, 2), "16*16");
        const std::string longText(1000, 'x');
        window.setDirectoryCell(2, 1, "字库 " + longText);
        EXPECT_EQ(listCell(list, 2, 1), "字库 " + longText);
        // Columns widen to show their longest text whole.
        const auto width = [&](const std::wstring& text) {
            return SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str()));
        };
        EXPECT_GT(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), width(wide("字库 " + longText)));
        EXPECT_FALSE(window.selectionMark());
        SendMessageW(list, LVM_SETSELECTIONMARK, 0, 1);
        EXPECT_EQ(window.selectionMark(), 1);
        window.setDirectoryRows({});
        EXPECT_EQ(listRowCount(list), 0);
        EXPECT_FALSE(window.selectionMark());

        window.setSpaceBar(4096, 421);
        window.setProgramBar(100, 250); // a position past the range shows a full bar
        const auto space = progressState(window.item(IDC_SPACE_BAR));
        EXPECT_EQ(space.low, 0);
        EXPECT_EQ(space.high, 4096);
        EXPECT_EQ(space.position, 421);
        EXPECT_EQ(progressState(window.item(IDC_PROGRAM_BAR)).position, 100);

        window.showFields({ "Load Bitmap 16bit color Width:320 Height:240 \r\nSize:153600",
            "Resource File size:4194304 Remaining bytes:4190208", "Loading GBK2312 lib file:\r16X16", "0xf800", 105 });
        EXPECT_EQ(window.text(IDC_BITMAP_MSG), "Load Bitmap 16bit color Width:320 Height:240 \r\nSize:153600");
        EXPECT_EQ(window.text(IDC_RESOURCE_MSG), "Resource File size:4194304 Remaining bytes:4190208");
        EXPECT_EQ(window.text(IDC_MODULE_MSG), "Loading GBK2312 lib file:\r\n16X16");
        EXPECT_EQ(window.text(IDC_IGNORE_COLOR), "0xf800");
        EXPECT_EQ(window.text(IDC_BLOCKS_SENT), "105");
        window.setText(IDC_RESOURCE_MSG, "D:\\资源\\测试.zrf");
        EXPECT_EQ(window.text(IDC_RESOURCE_MSG), "D:\\资源\\测试.zrf");
    }

    TEST_F(Kit, PictureIsStretchedIntoItsPlaceInTheBlueScreenBox)
    {
        // A 2 x 2 picture drawn 2 x 2 in a 4 x 4 box, on a 40 x 40 control.
        PictureImage image { 4, 4, 2, 2, 2, 2, colours({ kRed, kGreen, kWhite, kGrey }) };
        Canvas canvas(40, 40);
        ASSERT_TRUE(PictureDib(image).draw(canvas.dc(), { 40, 40 }));
        EXPECT_EQ(canvas.pixel(5, 5), kRed);
        EXPECT_EQ(canvas.pixel(14, 5), kGreen);
        EXPECT_EQ(canvas.pixel(5, 14), kWhite);
        EXPECT_EQ(canvas.pixel(19, 19), kGrey);
        EXPECT_EQ(canvas.pixel(30, 30), kBlue);
        EXPECT_EQ(canvas.pixel(39, 30), kBlack); // the box's outline
        EXPECT_EQ(canvas.pixel(30, 39), kBlack);

        // The box is stretched in x and y independently; no picture: only the box.
        image.rgb.clear();
        Canvas wide(80, 20);
        ASSERT_TRUE(PictureDib(image).draw(wide.dc(), { 80, 20 }));
        EXPECT_EQ(wide.pixel(5, 5), kBlue);
        EXPECT_EQ(wide.pixel(79, 5), kBlack);
    }

    TEST_F(Kit, BitmapItemIsDrawnPointPerPixelOrEnlargedOnTheScreenShape)
    {
        // A 4 x 2 screen on a 40 x 40 frame: ten device pixels per screen pixel, the box's lower half unused.
        ItemImage item { 4, 2, 2, 2, colours({ kRed, kGreen, kWhite, kGrey }), 0 };
        Canvas points(40, 40);
        drawBitmapItem(points, item);
        EXPECT_EQ(points.pixel(0, 0), kRed);
        EXPECT_EQ(points.pixel(10, 0), kGreen);
        EXPECT_EQ(points.pixel(0, 10), kWhite);
        EXPECT_EQ(points.pixel(10, 10), kGrey);
        EXPECT_EQ(points.pixel(5, 5), kBlue); // between the points
        EXPECT_EQ(points.pixel(30, 10), kBlue);
        EXPECT_EQ(points.pixel(30, 30), rgbOf(GetSysColor(COLOR_BTNFACE))); // outside the screen's shape

        item.factor = 3;
        Canvas blocks(40, 40);
        drawBitmapItem(blocks, item);
        EXPECT_EQ(blocks.pixel(2, 2), kRed);
        EXPECT_EQ(blocks.pixel(5, 0), kGreen);
        EXPECT_EQ(blocks.pixel(3, 5), kGrey);
        EXPECT_EQ(blocks.pixel(7, 7), kBlue);

        // Data shorter than the item's size shows the screen alone.
        item.rgb.resize(6);
        Canvas shortData(40, 40);
        drawBitmapItem(shortData, item);
        EXPECT_EQ(shortData.pixel(2, 2), kBlue);
    }

    TEST_F(Kit, PlaybackFrameTakesTheScreenShapeAndAClickPicksTheItemsColour)
    {
        BitmapPreviewWindow dlg(ItemImage { 480, 272, 1, 1, colours({ kGreen }), 4 });
        std::vector<Rgb> picks;
        dlg.onPick = [&](Rgb c) { picks.push_back(c); };
        dlg.showIgnoreColor(kRed, "0xf800");
        ASSERT_NE(dlg.create(nullptr), nullptr);
        const RECT frame = dlg.frameRect();
        const RECT templ = pixelsOf(dlg.hwnd(), 32, 7, 200, 150);
        EXPECT_NEAR(double(frame.right - frame.left) / (frame.bottom - frame.top), 480.0 / 272, 0.02);
        EXPECT_GE(frame.left, templ.left);
        EXPECT_LE(frame.right, templ.right);
        EXPECT_EQ(dlg.text(IDC_IGNORE_COLOR), "0xf800");
        const auto press
            = [&](LONG x, LONG y) { SendMessageW(dlg.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); };
        press(frame.left + 1, frame.top + 1);
        press(frame.left + 40, frame.top + 10);
        press(frame.left - 1, frame.top);
        EXPECT_EQ(picks, (std::vector<Rgb> { kGreen, kBlue }));
        press(frame.right, frame.bottom); // the frame's edges count
        EXPECT_EQ(picks.size(), 3u);
        click(dlg.hwnd(), IDOK);
        EXPECT_EQ(dlg.result(), IDOK);
    }

    TEST_F(Kit, PortSelectOffersSixteenPortsAndPassesPicksOn)
    {
        PortSelectWindow dlg(3);
        std::vector<int> picks;
        dlg.onPick = [&](int index) { picks.push_back(index); };
        ASSERT_NE(dlg.create(nullptr), nullptr);
        const HWND list = dlg.item(IDC_PORT_LIST);
        ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 16);
        EXPECT_EQ(windowText(list), "COM3");
        SendMessageW(list, CB_SETCURSEL, 15, 0);
        SendMessageW(dlg.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PORT_LIST, CBN_SELENDOK), reinterpret_cast<LPARAM>(list));
        EXPECT_EQ(picks, std::vector<int> { 15 });
        dlg.showStatus("COM 16 Port has been connected");
        EXPECT_EQ(dlg.text(IDC_PORT_STATUS), "COM 16 Port has been connected");
        click(dlg.hwnd(), IDCANCEL);
        EXPECT_EQ(dlg.result(), IDCANCEL);
        PortSelectWindow none(17);
        ASSERT_NE(none.create(nullptr), nullptr);
        EXPECT_EQ(none.shownIndex(), -1);
    }

    TEST_F(Kit, MainWindowPassesClicksPicksDropsTicksAndEventsOn)
    {
        Recorder events;
        MainWindow window(events);
        const HWND dlg = window.create(nullptr);
        ASSERT_NE(dlg, nullptr);
        for (int id : { IDC_NEW_RESOURCE, IDC_LOAD_BMP, IDC_PORT_SELECT, IDC_PROGRAM_ALL, IDC_LOAD_ITEM, IDC_BMP_DIS })
            click(dlg, id);
        EXPECT_EQ(events.commands,
            (std::vector<MainCommand> { MainCommand::NewResource, MainCommand::LoadBmp, MainCommand::PortSelect,
                MainCommand::ProgramAll, MainCommand::LoadItem, MainCommand::ShowBitmap }));

        // A click on the picture reads the colour shown there; beside it, nothing.
        window.setPicture({ 4, 4, 2, 2, 1, 1, colours({ kRed }) });
        const zarn::Rect area = window.pictureArea();
        window.movePicture({ area.left, area.top, 200, 200 });
        SendMessageW(dlg, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area.left + 10, area.top + 10));
        SendMessageW(dlg, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area.left + 150, area.top + 150));
        SendMessageW(dlg, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area.left + 200, area.top + 200)); // the corner
        SendMessageW(dlg, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area.left + 201, area.top + 10));
        EXPECT_EQ(events.picks, (std::vector<Rgb> { kRed, kBlue, kBlack }));

        // Files dropped from the shell, with names beyond ASCII.
        std::wstring files = L"C:\\图片\\a.bmp";
        files += L'\0';
        files += L"D:\\b.zrf";
        files += L'\0';
        const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (files.size() + 1) * sizeof(wchar_t));
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        std::copy(files.begin(), files.end(), reinterpret_cast<wchar_t*>(drop + 1));
        GlobalUnlock(memory);
        SendMessageW(dlg, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
        EXPECT_EQ(events.drops, (std::vector<std::vector<std::string>> { { "C:\\图片\\a.bmp", "D:\\b.zrf" } }));

        SendMessageW(dlg, WM_TIMER, kDetectionTimer, 0);
        EXPECT_EQ(events.ticks, 1);

        // The session's thread posts; the window handles its events on its own thread, in order.
        std::thread session([&] {
            for (const char* text : { "one", "two", "Send Over!!" })
                window.sessionEvents().post({ zarn::SessionEventKind::Changed, text, {}, {} });
        });
        session.join();
        EXPECT_TRUE(events.events.empty());
        pumpMessages();
        EXPECT_EQ(events.events, (std::vector<std::string> { "one", "two", "Send Over!!" }));
        EXPECT_EQ(events.eventThreads, std::vector<DWORD>(3, GetCurrentThreadId()));

        click(dlg, IDOK); // Exit
        EXPECT_EQ(events.closings, std::vector<bool> { true });
        EXPECT_EQ(window.result(), IDOK);
        EXPECT_EQ(window.hwnd(), nullptr);
        window.sessionEvents().post({}); // after the window: kept for nobody, and nobody woken
        pumpMessages();
        EXPECT_EQ(events.events.size(), 3u);
    }

    TEST_F(Kit, MessageBoxesHaveTheProgramsCaptionAndOneOkButton)
    {
        ModalAnswer plain([](HWND box) { pressButton(box, "OK"); });
        showMessage(nullptr, "Not Resource Open", "ZarnTool");
        ASSERT_TRUE(plain.answered());
        EXPECT_EQ(plain.caption, "ZarnTool");
        EXPECT_NE(std::find(plain.texts.begin(), plain.texts.end(), "Not Resource Open"), plain.texts.end());
        EXPECT_EQ(std::count(plain.texts.begin(), plain.texts.end(), "OK"), 1);
    }

    TEST_F(Kit, MessageWithADetailIsATaskDialogWithExpandedInformation)
    {
        ModalAnswer task([](HWND box) { pressButton(box, "OK"); });
        showMessage(nullptr, "Reading File Error", "ZarnTool", "C:\\a.bmp: Access is denied.");
        ASSERT_TRUE(task.answered());
        EXPECT_EQ(task.caption, "ZarnTool");
        const auto has = [&](const std::string& t) {
            return std::find(task.texts.begin(), task.texts.end(), t) != task.texts.end();
        };
        EXPECT_TRUE(has("Reading File Error"));
        EXPECT_TRUE(has("C:\\a.bmp: Access is denied."));
    }

    TEST_F(Kit, QuestionIsAnsweredYesOrNo)
    {
        for (const bool yes : { true, false }) {
            ModalAnswer answer([yes](HWND box) { PostMessageW(box, WM_COMMAND, yes ? IDYES : IDNO, 0); });
            EXPECT_EQ(askYesNo(nullptr, "Replace?", "ZarnTool"), yes);
            EXPECT_EQ(answer.caption, "ZarnTool");
        }
    }

    TEST_F(Kit, FolderChooserIsTitledAndConfirmsTheFolderItShows)
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        std::string start = narrow(temp);
        if (start.back() == '\\')
            start.pop_back();
        ModalAnswer select([&](HWND dialog) {
            for (HWND c : children(dialog))
                if (className(c) == "Edit")
                    SetWindowTextW(c, wide(start).c_str());
            pressButton(dialog, "Select");
        });
        const auto chosen = chooseFolder(nullptr, start);
        ASSERT_TRUE(select.answered());
        EXPECT_EQ(select.caption, "Choose folder");
        ASSERT_TRUE(chosen);
        EXPECT_EQ(*chosen, start + "\\");
    }

} // namespace
} // namespace zarn::test
