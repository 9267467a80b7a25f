// "Make font library..." in the context menu: refused without a file before
// asking, a library made beside the resource file and loaded through its import
// command, an existing one replaced only on Yes, what the font lacks and a
// generation error told in a box. "Preview font library..." showing the
// selected library and refusing anything else.
#include "UiTestSupport.h"

#include "ui/CFontPreviewDlg.h"
#include "ui/CMakeFontDlg.h"

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CMakeFontDlg;

namespace {

const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const std::string kAsciiLoaded = "Loading ASCII lib file:8X16 Filesize:4096";

class MakeFontTest : public UiTest {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(kDejaVu))
            GTEST_SKIP() << "fonts-dejavu-core is not installed: " << kDejaVu;
    }
    ui::CMainDlg dlg { host, port, listing, loop };

    // Answers the next "Make font library" dialog.
    void answer(FontLibraryType type = FontLibraryType::Ascii, int w = 8, int h = 16, std::string font = kDejaVu)
    {
        host.dialogs.push_back([=](QDialog& d) {
            auto& md = dynamic_cast<CMakeFontDlg&>(d);
            md.setFontPath(font);
            md.setType(type);
            md.setGlyphSize(w, h);
            return int(QDialog::Accepted);
        });
    }
};

TEST_F(MakeFontTest, TheMenuEntryMakesALibraryBesideTheFileAndReplacesItOnlyOnYes)
{
    const std::string file = newFile("fonts.zrf"), library = dir.file("8X16.asc");
    dlg.show();
    answer(); // taken by the second try: the first, without a file, is refused before asking
    EXPECT_TRUE(chooseInContextMenu(dlg, ui::kMakeFontMenuText).contains(ui::kMakeFontMenuText));
    dlg.OnOpenResource(file);
    chooseInContextMenu(dlg, ui::kMakeFontMenuText);
    EXPECT_EQ(host.boxes, (Texts { kMsgNotResourceOpen, kAsciiLoaded }));
    const auto made = readBytes(library);
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(dlg.directoryList()->item(0, 1)->text(), "ASCII lib");
    const auto stored = readBytes(file);
    EXPECT_TRUE(std::equal(made.begin(), made.end(), stored.begin() + 4096));

    writeBytes(library, pattern(4096, 42));
    answer();
    dlg.OnMakeFontLibrary(); // no answer given: No
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_NE(host.questions[0].find(library), std::string::npos);
    EXPECT_EQ(readBytes(library), pattern(4096, 42));
    EXPECT_EQ(dlg.directoryList()->rowCount(), 1);

    host.answers.push_back(true);
    answer();
    dlg.OnMakeFontLibrary();
    EXPECT_EQ(readBytes(library), made);
    EXPECT_EQ(dlg.directoryList()->rowCount(), 2);
}

TEST_F(MakeFontTest, WhatTheFontLacksIsToldBeforeLoadHzlibAndAnErrorLeavesNothing)
{
    dlg.OnOpenResource(newFile("gb.zrf"));
    answer(FontLibraryType::Ascii, 8, 16, dir.file("missing.ttf"));
    dlg.OnMakeFontLibrary();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].find("missing.ttf"), std::string::npos) << host.boxes[0];
    EXPECT_EQ(dir.entryCount(), 1);

    // A Latin font draws GB2312's Latin, Greek and Cyrillic rows, not its hanzi.
    answer(FontLibraryType::GB2312, 8, 8);
    dlg.OnMakeFontLibrary();
    ASSERT_EQ(host.boxes.size(), 3u) << host.last();
    EXPECT_NE(host.boxes[1].find("left blank"), std::string::npos) << host.boxes[1];
    EXPECT_EQ(host.boxes[2], "Loading GBK2312 lib file:\r8X8 Filesize:65424");
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(dlg.directoryList()->item(0, 1)->text(), "GB2312 lib");
}

TEST_F(MakeFontTest, PreviewShowsTheSelectedLibraryOnly)
{
    dlg.OnOpenResource(newFile("fonts.zrf"));
    answer();
    dlg.OnMakeFontLibrary();
    dlg.OnLoadWave(patternFile(dir / "t.wav", 5000));
    dlg.OnPreviewFontLibrary(); // nothing selected
    dlg.directoryList()->selectRow(1);
    dlg.OnPreviewFontLibrary(); // the sound
    QString summary;
    QImage sheet;
    host.dialogs.push_back([&](QDialog& d) {
        summary = dynamic_cast<ui::CFontPreviewDlg&>(d).summary();
        sheet = dynamic_cast<ui::CFontPreviewDlg&>(d).sheet();
        return int(QDialog::Rejected);
    });
    dlg.directoryList()->selectRow(0);
    EXPECT_TRUE(chooseInContextMenu(dlg, ui::kFontPreviewMenuText).contains(ui::kFontPreviewMenuText));
    EXPECT_EQ(host.boxes, (Texts { kAsciiLoaded, host.boxes[1], ui::kMsgSelectFontToPreview, ui::kMsgNotFontItem }));
    EXPECT_EQ(summary, "Item 0: ASCII lib 8*16, 4096 bytes\nGlyphs 0 to 255 of 256 (8X16), codes 0x00 to 0xFF");
    // 16 glyphs a row at two pixels a dot; 'A' (row 4, column 1) has ink, the space (row 2, column 0) none
    ASSERT_EQ(sheet.size(), QSize(16 * 17 + 1, 16 * 33 + 1));
    const auto ink = [&](int column, int row) {
        for (int y = 1; y < 33; ++y)
            for (int x = 1; x < 17; ++x)
                if (sheet.pixelColor(column * 17 + x, row * 33 + y) == Qt::black)
                    return true;
        return false;
    };
    EXPECT_TRUE(ink(1, 4) && !ink(0, 2));
}

} // namespace
