// From a new file to a programmed module, as a user goes in the Win32 window
// under Wine: "New Resource" in a folder chosen with "....", "Load BMP" in the
// file dialog, a press on the picture, ">>LOAD", "BMP Dis", the About box,
// "Make font library" and its preview, "Port Select" of the virtual module's COM port, its identification,
// "Program All" and "Send Over!!"; the module received the file's used part.
// With ZARN_UI_SCREENSHOTS set (scripts/screenshot-windows), the window and
// each dialog wait to be photographed on the way.
#include "Win32Harness.h"
#include "fontgen/FontPaths.h"
#include "serial/SimPort.h"
#include "support/Files.h"
#include "support/QuartersBmp.h"

#include "common/Messages.h"
#include "ui/CFontPreviewDlg.h"
#include "ui/CMakeFontDlg.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/Win32MainDlg.h"

#include <algorithm>
#include <fstream>
#include <map>

namespace zarn::test {
namespace {

    constexpr int kPort = 7;

    // In a screenshot run, asks for `window` to be photographed as NAME.png (the
    // script writes it) and tells whether it has been; true at once otherwise.
    bool photographed(HWND window, const std::string& name)
    {
        static std::map<std::string, std::chrono::steady_clock::time_point> asked;
        const char* dir = std::getenv("ZARN_UI_SCREENSHOTS");
        if (!dir || !*dir)
            return true;
        const std::filesystem::path folder = pathOf(dir);
        if (!asked.count(name)) {
            asked[name] = std::chrono::steady_clock::now();
            RECT r {};
            GetWindowRect(window, &r);
            std::ofstream(folder / (name + ".wanted"))
                << r.right - r.left << ' ' << r.bottom - r.top << ' ' << r.left << ' ' << r.top << '\n';
        }
        return std::filesystem::exists(folder / (name + ".png"))
            || std::chrono::steady_clock::now() - asked[name] > std::chrono::seconds(20);
    }

    void clickLater(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

    class Road : public Win32Test { };

    TEST_F(Road, FromANewFileToAProgrammedModule)
    {
        TempDir dir;
        win32::Win32MainDlg main;
        const HWND w = main.create();
        ASSERT_NE(w, nullptr);
        const char* shots = std::getenv("ZARN_UI_SCREENSHOTS");
        const HWND besides = shots && *shots ? w : nullptr;
        if (besides)
            ShowWindow(w, SW_SHOW);
        auto& state = main.state();
        const auto field = [&](int id) { return main.window().text(id); };

        // "New Resource": "4 Zarn24 V10_W" (2404, 320 x 240), 4M, named "road", in the folder "...." chose.
        {
            ModalAnswer answers({ [&](HWND dlg) {
                                     pickInList(dlg, IDC_MODEL_LIST, 4);
                                     SetDlgItemTextW(dlg, IDC_FILE_NAME, L"road");
                                     clickLater(dlg, IDC_CHOOSE_FOLDER);
                                     return true;
                                 },
                                    [&](HWND chooser) {
                                        for (HWND c : children(chooser))
                                            if (className(c) == "Edit")
                                                SetWindowTextW(c, dir.path().wstring().c_str());
                                        pressButton(chooser, "Select");
                                        return true;
                                    },
                                    [](HWND box) { return pressButton(box, "OK"), true; },
                                    [](HWND dlg) {
                                        if (!photographed(dlg, "new-resource"))
                                            return false;
                                        clickLater(dlg, IDOK);
                                        return true;
                                    } },
                besides);
            click(w, IDC_NEW_RESOURCE);
            EXPECT_TRUE(answers.answered());
            EXPECT_EQ(answers.captions,
                (std::vector<std::string> {
                    "Create New Resource File", "Choose folder", "ZarnTool", "Create New Resource File" }));
        }
        ASSERT_TRUE(state.m_store.isOpen());
        EXPECT_TRUE(std::filesystem::equivalent(pathOf(state.m_store.path()), dir / "road.zrf"));
        EXPECT_EQ(state.m_store.modelCode(), 2404);

        // "Load BMP" in the file dialog, a press on the red quarter, ">>LOAD".
        const std::string bmp = writeQuartersBmp(dir.file("图片.bmp"), 320, 240);
        {
            ModalAnswer open([&](HWND dlg) { openInFileDialog(dlg, bmp); }, besides);
            click(w, IDC_LOAD_BMP);
            EXPECT_EQ(open.caption, "Open BMP File");
        }
        const zarn::Rect frame = state.pictureFrame();
        press(w, frame.left + 10, frame.top + 10);
        click(w, IDC_LOAD_ITEM);
        const HWND list = main.window().item(IDC_DIRECTORY);
        ASSERT_EQ(win32::listRowCount(list), 1);
        EXPECT_EQ(win32::listCell(list, 0, 5), "0xf800");

        // "BMP Dis" of the row, and the About box: shown, then closed.
        LVITEMW select {};
        select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
        for (const auto& [name, id] : { std::pair("bitmap-playback", IDC_BMP_DIS), std::pair("about", 0) }) {
            ModalAnswer shown(std::vector<ModalAnswer::Answer> { [name](HWND dlg) {
                if (!photographed(dlg, name))
                    return false;
                clickLater(dlg, IDOK);
                return true;
            } },
                besides);
            if (id)
                click(w, id);
            else
                SendMessageW(w, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            EXPECT_TRUE(shown.answered()) << name;
        }

        // A second ">>LOAD" goes in after the selected row; "Delete" of it leaves the first.
        click(w, IDC_LOAD_ITEM);
        ASSERT_EQ(win32::listRowCount(list), 2);
        select.iItem = 1;
        SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
        EXPECT_EQ(state.selectionMark(), 1);
        click(w, IDC_DELETE);
        EXPECT_EQ(win32::listRowCount(list), 1);
        EXPECT_EQ(state.m_store.itemCount(), 1u);

        // "Make font library..." of the window's menu: an ASCII library from a font file, typed in, made beside the
        // file and stored after the selected row; "Preview font library..." of that row shows its glyphs.
        const auto runEntry = [&](const char* text) {
            for (auto& entry : state.contextMenu())
                if (entry.text == text)
                    return entry.run(), true;
            return false;
        };
        std::optional<bool> okWithoutFont;
        std::vector<std::string> glyphSize;
        bool loaded = false;
        {
            ModalAnswer make(std::vector<ModalAnswer::Answer> {
                                 [&](HWND dlg) {
                                     if (!okWithoutFont) {
                                         okWithoutFont = IsWindowEnabled(GetDlgItem(dlg, IDOK)) != FALSE;
                                         pickInList(dlg, IDC_FONT_TYPE, 3);
                                         SetDlgItemTextW(dlg, IDC_FONT_FILE, win32::wide(kLatinFont).c_str());
                                         glyphSize = { windowText(GetDlgItem(dlg, IDC_GLYPH_WIDTH)),
                                             windowText(GetDlgItem(dlg, IDC_GLYPH_HEIGHT)) };
                                     }
                                     if (!photographed(dlg, "make-font"))
                                         return false;
                                     clickLater(dlg, IDOK);
                                     return true;
                                 },
                                 [&](HWND box) {
                                     loaded
                                         = childWithText(box, "Loading ASCII lib file:8X16 Filesize:4096") != nullptr;
                                     pressButton(box, "OK");
                                     return true;
                                 } },
                besides);
            ASSERT_TRUE(runEntry(ui::CMakeFontDlg::kMenuText));
            EXPECT_TRUE(make.answered());
            EXPECT_EQ(make.captions, (std::vector<std::string> { "Make font library", "ZarnTool" }));
            EXPECT_EQ(std::vector(make.texts.begin(), make.texts.begin() + 3),
                (std::vector<std::string> { "Font file:", "", "...." }));
        }
        EXPECT_EQ(okWithoutFont, false);
        EXPECT_EQ(glyphSize, (std::vector<std::string> { "8", "16" }));
        EXPECT_TRUE(loaded);
        ASSERT_EQ(win32::listRowCount(list), 2) << field(IDC_RESOURCE_MSG);
        EXPECT_EQ(state.m_store.entry(1).kind, static_cast<std::uint8_t>(ResourceKind::FontAscii));
        EXPECT_EQ(std::tuple(state.m_store.entry(1).width, state.m_store.entry(1).height), std::tuple(8, 16));
        select.iItem = 1;
        SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
        std::string summary;
        {
            ModalAnswer preview(std::vector<ModalAnswer::Answer> { [&](HWND dlg) {
                summary = windowText(GetDlgItem(dlg, IDC_PREVIEW_SUMMARY));
                if (!photographed(dlg, "font-preview"))
                    return false;
                clickLater(dlg, IDCANCEL);
                return true;
            } },
                besides);
            ASSERT_TRUE(runEntry(ui::CFontPreviewDlg::kMenuText));
            EXPECT_EQ(preview.caption, "Font library preview");
        }
        EXPECT_EQ(summary.rfind("Item 1: ", 0), 0u) << summary;
        EXPECT_NE(summary.find("8*16"), std::string::npos) << summary;

        // The module is plugged in (its idle timeout runs from now), "Port Select" of its port, its identification.
        SimPort sim({ "--model", "2404", "--memory", "4M", "--firmware", "7", "--once" }, kPort);
        ASSERT_TRUE(sim.ready()) << sim.why();
        std::string status;
        {
            ModalAnswer port(std::vector<ModalAnswer::Answer> { [&](HWND dlg) {
                pickInList(dlg, IDC_PORT_LIST, kPort - 1);
                status = windowText(GetDlgItem(dlg, IDC_PORT_STATUS));
                if (!photographed(dlg, "port-select"))
                    return false;
                clickLater(dlg, IDOK);
                return true;
            } },
                besides);
            click(w, IDC_PORT_SELECT);
        }
        EXPECT_EQ(status, "COM " + std::to_string(kPort) + " Port has been connected");
        ASSERT_TRUE(pumpUntil([&] { return state.m_moduleIdentified; }, 15000)) << field(IDC_MODULE_MSG);
        EXPECT_EQ(field(IDC_MODULE_MSG), "Module connection...\r\nModule Type:Zarn24 V4\r\nFirmware version:Ver7");

        // "Program All", until "Send Over!!" (photographed over the window).
        {
            ModalAnswer over(std::vector<ModalAnswer::Answer> { [&](HWND box) {
                if (!photographed(w, "main"))
                    return false;
                pressButton(box, "OK");
                return true;
            } },
                besides);
            click(w, IDC_PROGRAM_ALL);
            EXPECT_TRUE(state.busy());
            ASSERT_TRUE(pumpUntil([&] { return over.answered(); }, 120000)) << field(IDC_BLOCKS_SENT);
            EXPECT_EQ(over.caption, "ZarnTool");
            EXPECT_TRUE(std::count(over.texts.begin(), over.texts.end(), kMsgSendOver));
        }
        EXPECT_FALSE(state.busy());
        const std::uint32_t used = state.m_store.usedEnd();
        EXPECT_EQ(field(IDC_BLOCKS_SENT), std::to_string(used / 4096));
        const auto bar = win32::progressState(main.window().item(IDC_PROGRAM_BAR));
        EXPECT_EQ(std::tuple(bar.high, bar.position), std::tuple(int(used / 1024), int(used / 1024)));
        const std::string all = std::to_string(used);
        EXPECT_EQ(field(IDC_PROGRESS_TEXT).rfind(all + " of " + all + " bytes (100%), ", 0), 0u)
            << field(IDC_PROGRESS_TEXT);

        ASSERT_TRUE(sim.ended()) << sim.out();
        auto image = readBytes(pathOf(state.m_store.path()));
        image.resize(used);
        EXPECT_EQ(sim.received(), image);
        click(w, IDOK);
    }

} // namespace
} // namespace zarn::test
