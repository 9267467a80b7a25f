// The view kit's pieces as the window uses them: texts across UTF-16, the
// list, progress bars and fields read back, pictures copied pixel for pixel,
// and the system's boxes, question and folder chooser.
#include "Win32Harness.h"

#include "ui/win32/Drawing.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/SystemDialogs.h"

namespace zarn::test {
namespace {

    using namespace zarn::win32;

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
        MainWindowEvents none;
        MainWindow window(none);
        ASSERT_NE(window.create(nullptr), nullptr);
        const HWND list = window.item(IDC_DIRECTORY);
        const std::vector<ListRow> rows { { "0", "True color bmp", "320*240", "4096", "153600", "0xf81f" },
            { "1", "Wave file", "", "421888", "5000", "0x0000" },
            { "2", "GB2312 lib", "16*16", "159744", "261696", "0x0000" } };
        window.setDirectoryRows(rows, 1);
        ASSERT_EQ(listRowCount(list), 3);
        EXPECT_EQ(listCell(list, 0, 1), "True color bmp");
        EXPECT_EQ(listCell(list, 0, 5), "0xf81f");
        EXPECT_EQ(listCell(list, 1, 2), "");
        EXPECT_EQ(listCell(list, 2, 2), "16*16");
        EXPECT_EQ(listSelectionMark(list), 1);
        EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
        const std::string longText(1000, 'x');
        setListCell(list, 2, 1, "字库 " + longText);
        EXPECT_EQ(listCell(list, 2, 1), "字库 " + longText);
        // Columns widen to show their longest text whole.
        fitListColumns(list, zarn::kDirectoryColumns);
        EXPECT_GT(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0),
            SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide("字库 " + longText).c_str())));
        window.setDirectoryRows({}, std::nullopt);
        EXPECT_EQ(listRowCount(list), 0);
        EXPECT_FALSE(listSelectionMark(list));

        window.setSpaceBar(4096, 421);
        window.showProgram(100, 250, "8192 of 16384 bytes (50%), 4.0 KiB/s, 0:02 left"); // past the range: full
        const auto space = progressState(window.item(IDC_SPACE_BAR));
        EXPECT_EQ(std::tuple(space.low, space.high, space.position), std::tuple(0, 4096, 421));
        EXPECT_EQ(progressState(window.item(IDC_PROGRAM_BAR)).position, 100);
        EXPECT_EQ(window.text(IDC_PROGRESS_TEXT), "8192 of 16384 bytes (50%), 4.0 KiB/s, 0:02 left");

        window.showFields({ "Load Bitmap 16bit color Width:320 Height:240 \r\nSize:153600", "D:\\资源\\测试.zrf",
            "Loading GBK2312 lib file:\r16X16", "0xf800", "105", "" });
        EXPECT_EQ(window.text(IDC_BITMAP_MSG), "Load Bitmap 16bit color Width:320 Height:240 \r\nSize:153600");
        EXPECT_EQ(window.text(IDC_RESOURCE_MSG), "D:\\资源\\测试.zrf");
        EXPECT_EQ(window.text(IDC_MODULE_MSG), "Loading GBK2312 lib file:\r\n16X16");
        EXPECT_EQ(window.text(IDC_IGNORE_COLOR), "0xf800");
        EXPECT_EQ(window.text(IDC_BLOCKS_SENT), "105");
    }

    TEST_F(Kit, PixelsAreCopiedOneToOne)
    {
        zarn::ui::PixelImage image(3, 2, { 0, 0, 255 });
        image.set(0, 0, { 255, 0, 0 });
        image.set(2, 1, { 200, 100, 50 });
        BITMAPINFO info {};
        info.bmiHeader = { sizeof(BITMAPINFOHEADER), 8, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
        void* bits = nullptr;
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ old = SelectObject(dc, bitmap);
        ASSERT_TRUE(drawPixels(dc, image, 4, 5));
        GdiFlush();
        const auto at = [&](int x, int y) { return static_cast<std::uint32_t*>(bits)[y * 8 + x]; };
        EXPECT_EQ(at(4, 5), 0xFF0000u);
        EXPECT_EQ(at(5, 5), 0x0000FFu);
        EXPECT_EQ(at(6, 6), 0xC86432u);
        EXPECT_EQ(at(3, 5), 0u);
        EXPECT_EQ(at(7, 6), 0u);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
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

    TEST_F(Kit, QuestionIsAnsweredYesOrNoAndShowsItsDetail)
    {
        for (const std::string detail : { "", "Everything the file holds now will be lost." })
            for (const bool yes : { true, false }) {
                ModalAnswer answer([yes](HWND box) { PostMessageW(box, WM_COMMAND, yes ? IDYES : IDNO, 0); });
                EXPECT_EQ(askYesNo(nullptr, "Replace?", "ZarnTool", detail), yes);
                EXPECT_EQ(answer.caption, "ZarnTool");
                EXPECT_EQ(std::count(answer.texts.begin(), answer.texts.end(), "Replace?"), 1);
                if (!detail.empty())
                    EXPECT_EQ(std::count(answer.texts.begin(), answer.texts.end(), detail), 1);
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
