// "Make font library...": the refusals before the dialog, generation beside the
// resource file followed by the import command's own checks and confirmation,
// an existing library replaced only on Yes, and generation errors in a box.
#include "UiTestSupport.h"

#include "import/fontgen/FontCharset.h"
#include "resfile/ResourceStore.h"
#include "ui/CMainDlg.h"
#include "ui/CMakeFontDlg.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include <filesystem>

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CMainDlg;
using zarn::ui::CMakeFontDlg;

namespace {

const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class MakeFontTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app(); }
    void SetUp() override
    {
        if (!std::filesystem::exists(kDejaVu))
            GTEST_SKIP() << "fonts-dejavu-core is not installed: " << kDejaVu;
    }

    ScriptedHost host;
    FakePort port;
    FakeListing listing;
    TempDir dir;

    std::string newFile(const std::string& name)
    {
        const std::string path = dir.file(name);
        const auto r = createResourceFile(path, 2404, 320, 240, 4096);
        EXPECT_TRUE(r.ok) << r.message;
        return path;
    }

    // Answers the next "Make font library" dialog.
    void answer(const std::string& font, FontLibraryType type, int width, int height, bool* ran = nullptr)
    {
        host.dialogs.push_back([=](QDialog& d) {
            auto* dlg = dynamic_cast<CMakeFontDlg*>(&d);
            EXPECT_NE(dlg, nullptr);
            if (!dlg)
                return int(QDialog::Rejected);
            if (ran)
                *ran = true;
            EXPECT_EQ(dlg->windowTitle(), "Make font library");
            dlg->setFontPath(font);
            dlg->setType(type);
            dlg->setGlyphSize(width, height);
            return int(QDialog::Accepted);
        });
    }

    static QStringList rowTexts(const CMainDlg& dlg, int row)
    {
        QStringList t;
        for (int c = 0; c < 6; ++c)
            t << dlg.directoryList()->item(row, c)->text();
        return t;
    }
};

TEST_F(MakeFontTest, RefusesWithoutAResourceFileBeforeAskingAnything)
{
    CMainDlg dlg(host, port, listing);
    bool ran = false;
    answer(kDejaVu, FontLibraryType::Ascii, 8, 16, &ran);
    dlg.OnMakeFontLibrary();
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Not Resource Open" });
    EXPECT_FALSE(ran);
}

TEST_F(MakeFontTest, TheContextMenuOffersItBesideAbout)
{
    CMainDlg dlg(host, port, listing);
    dlg.show();
    QStringList entries;
    // The menu runs its own loop: read it and pick the entry from inside that loop.
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            return;
        }
        for (QAction* a : menu->actions())
            entries << a->text();
        for (QAction* a : menu->actions())
            if (a->text() == "Make font library...")
                menu->setActiveAction(a);
        // Enter on the highlighted entry, as a user would choose it.
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(menu, &enter);
        if (menu->isVisible())
            menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), dlg.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&dlg, &event);
    EXPECT_EQ(entries, (QStringList { "About ZarnTool(&A)...", "Make font library...", "Dither true-colour pictures" }));
    // Chosen with no resource file open: the command's first refusal.
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Not Resource Open" });
}

TEST_F(MakeFontTest, AsciiLibraryIsMadeBesideTheFileAndInsertedAfterItsConfirmation)
{
    CMainDlg dlg(host, port, listing);
    const std::string file = newFile("fonts.zrf");
    dlg.OnOpenResource(file);
    answer(kDejaVu, FontLibraryType::Ascii, 8, 16);
    dlg.OnMakeFontLibrary();

    const std::string library = dir.file("8X16.asc");
    ASSERT_TRUE(std::filesystem::exists(library)) << host.lastText();
    const auto bytes = readBytes(library);
    ASSERT_EQ(bytes.size(), 4096u);
    // 'A' (glyph 65) has dots; the space (glyph 32) has none.
    auto glyphDots = [&](int index) {
        int n = 0;
        for (int i = 0; i < 16; ++i)
            n += bytes[index * 16 + i] != 0;
        return n;
    };
    EXPECT_GT(glyphDots('A'), 4);
    EXPECT_EQ(glyphDots(' '), 0);

    EXPECT_EQ(host.texts(), std::vector<std::string> { "Loading ASCII lib file:8X16 Filesize:4096" });
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(rowTexts(dlg, 0), (QStringList { "0", "ASCII lib", "8*16", "4096", "4096", "0x0000" }));
    const auto stored = readBytes(file);
    ASSERT_GE(stored.size(), 8192u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), stored.begin() + 4096));
}

TEST_F(MakeFontTest, AnExistingLibraryIsReplacedOnlyOnYes)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(newFile("keep.zrf"));
    const std::string library = dir.file("8X16.asc");
    const std::string mine = writePattern(library, 4096, 42);
    const auto before = readBytes(mine);

    answer(kDejaVu, FontLibraryType::Ascii, 8, 16);
    dlg.OnMakeFontLibrary(); // no answer left: No
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_NE(host.questions[0].find(library), std::string::npos);
    EXPECT_EQ(readBytes(library), before);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(dlg.directoryList()->rowCount(), 0);

    host.answers.push_back(true);
    answer(kDejaVu, FontLibraryType::Ascii, 8, 16);
    dlg.OnMakeFontLibrary();
    EXPECT_NE(readBytes(library), before);
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Loading ASCII lib file:8X16 Filesize:4096" });
    EXPECT_EQ(dlg.directoryList()->rowCount(), 1);
}

TEST_F(MakeFontTest, Gb2312GoesThroughLoadHzlibAndTellsWhatTheFontLacks)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(newFile("gb.zrf"));
    answer(kDejaVu, FontLibraryType::GB2312, 8, 8);
    dlg.OnMakeFontLibrary();
    // A Latin font draws GB2312's Latin, Greek and Cyrillic rows, not its hanzi.
    const auto texts = host.texts();
    ASSERT_EQ(texts.size(), 2u) << host.lastText();
    EXPECT_NE(texts[0].find("left blank"), std::string::npos) << texts[0];
    EXPECT_EQ(texts[1], "Loading GBK2312 lib file:\r8X8 Filesize:65424");
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(rowTexts(dlg, 0)[1], "GB2312 lib");
    EXPECT_EQ(std::filesystem::file_size(dir.file("8X8.hzk")), 65424u);
}

TEST_F(MakeFontTest, GenerationErrorsGoToABoxAndLeaveNothingBehind)
{
    CMainDlg dlg(host, port, listing);
    const std::string file = newFile("err.zrf");
    dlg.OnOpenResource(file);
    const auto fileBefore = readBytes(file);

    answer(dir.file("missing.ttf"), FontLibraryType::Ascii, 8, 16);
    dlg.OnMakeFontLibrary();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.lastText().find("missing.ttf"), std::string::npos) << host.lastText();

    // Not a font at all.
    host.boxes.clear();
    const std::string junk = writePattern(dir.file("junk.ttf"), 300);
    answer(junk, FontLibraryType::Ascii, 8, 16);
    dlg.OnMakeFontLibrary();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_FALSE(host.lastText().empty());

    // A Latin font has no Hangul syllables at all.
    host.boxes.clear();
    answer(kDejaVu, FontLibraryType::Hangul, 12, 12);
    dlg.OnMakeFontLibrary();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.lastText().find("none of the characters"), std::string::npos) << host.lastText();

    EXPECT_FALSE(std::filesystem::exists(dir.file("8X16.asc")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("12X12.kzk")));
    EXPECT_EQ(dlg.directoryList()->rowCount(), 0);
    EXPECT_EQ(readBytes(file), fileBefore);
}

TEST_F(MakeFontTest, DialogOffersSizesPerTypeAndNeedsAFont)
{
    CMakeFontDlg dlg(host);
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    EXPECT_EQ(dlg.typeList()->count(), 4);
    EXPECT_EQ(dlg.typeList()->itemText(0), "GB2312");
    EXPECT_EQ(dlg.typeList()->itemText(3), "ASCII");
    dlg.setType(FontLibraryType::Ascii);
    EXPECT_EQ(dlg.type(), FontLibraryType::Ascii);
    EXPECT_EQ(dlg.glyphWidth(), 8);
    EXPECT_EQ(dlg.glyphHeight(), 16);
    dlg.setGlyphSize(0, 120); // held to 1..99
    EXPECT_EQ(dlg.glyphWidth(), 1);
    EXPECT_EQ(dlg.glyphHeight(), 99);

    host.files.push_back(kDejaVu);
    dlg.OnBrowse();
    EXPECT_EQ(host.fileTitles.back(), "Choose font file");
    EXPECT_EQ(dlg.fontPath(), kDejaVu);
    EXPECT_TRUE(dlg.okButton()->isEnabled());
    host.files.push_back(std::nullopt); // cancelled: the font stays
    dlg.OnBrowse();
    EXPECT_EQ(dlg.fontPath(), kDejaVu);
}

} // namespace
