// "Make font library...": the refusals before the dialog, generation beside the
// resource file followed by the import command's own checks and confirmation,
// an existing library replaced only on Yes, and generation errors in a box.
#include "UiTestSupport.h"

#include "import/fontgen/FontCharset.h"
#include "ui/CMakeFontDlg.h"

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CMainDlg;
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
    bool ran = false;
    CMainDlg dlg { host, port, listing };

    // Answers the next "Make font library" dialog.
    void answer(const std::string& font, FontLibraryType type, int width, int height)
    {
        host.dialogs.push_back([=, this](QDialog& d) {
            auto& md = dynamic_cast<CMakeFontDlg&>(d);
            ran = true;
            EXPECT_EQ(md.windowTitle(), "Make font library");
            md.setFontPath(font);
            md.setType(type);
            md.setGlyphSize(width, height);
            return int(QDialog::Accepted);
        });
    }
};

TEST_F(MakeFontTest, TheContextMenuOffersItAndItRefusesWithoutAFileBeforeAsking)
{
    dlg.show();
    answer(kDejaVu, FontLibraryType::Ascii, 8, 16);
    EXPECT_EQ(chooseInContextMenu(dlg, "Make font library..."),
              (QStringList { "About ZarnTool(&A)...", "Make font library...", "Dither true-colour pictures" }));
    EXPECT_EQ(host.texts(), Texts { "Not Resource Open" });
    EXPECT_FALSE(ran);
}

TEST_F(MakeFontTest, AsciiLibraryIsMadeBesideTheFileAndInsertedAfterItsConfirmation)
{
    const std::string file = newFile("fonts.zrf");
    dlg.OnOpenResource(file);
    answer(kDejaVu, FontLibraryType::Ascii, 8, 16);
    dlg.OnMakeFontLibrary();
    const std::string library = dir.file("8X16.asc");
    ASSERT_TRUE(std::filesystem::exists(library)) << host.lastText();
    const auto bytes = readBytes(library);
    ASSERT_EQ(bytes.size(), 4096u);
    // 'A' (glyph 65) has dots; the space (glyph 32) has none.
    auto glyphDots = [&](int index) { return std::count_if(&bytes[index * 16], &bytes[index * 16 + 16], [](auto b) { return b != 0; }); };
    EXPECT_GT(glyphDots('A'), 4);
    EXPECT_EQ(glyphDots(' '), 0);
    EXPECT_EQ(host.texts(), Texts { kAsciiLoaded });
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(row(dlg, 0), (QStringList { "0", "ASCII lib", "8*16", "4096", "4096", "0x0000" }));
    const auto stored = readBytes(file);
    ASSERT_GE(stored.size(), 8192u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), stored.begin() + 4096));
}

TEST_F(MakeFontTest, AnExistingLibraryIsReplacedOnlyOnYes)
{
    dlg.OnOpenResource(newFile("keep.zrf"));
    const std::string library = writePattern(dir.file("8X16.asc"), 4096, 42);
    const auto before = readBytes(library);
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
    EXPECT_EQ(host.texts(), Texts { kAsciiLoaded });
    EXPECT_EQ(dlg.directoryList()->rowCount(), 1);
}

TEST_F(MakeFontTest, Gb2312GoesThroughLoadHzlibAndTellsWhatTheFontLacks)
{
    dlg.OnOpenResource(newFile("gb.zrf"));
    answer(kDejaVu, FontLibraryType::GB2312, 8, 8);
    dlg.OnMakeFontLibrary();
    // A Latin font draws GB2312's Latin, Greek and Cyrillic rows, not its hanzi.
    const auto texts = host.texts();
    ASSERT_EQ(texts.size(), 2u) << host.lastText();
    EXPECT_NE(texts[0].find("left blank"), std::string::npos) << texts[0];
    EXPECT_EQ(texts[1], "Loading GBK2312 lib file:\r8X8 Filesize:65424");
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(row(dlg, 0)[1], "GB2312 lib");
    EXPECT_EQ(std::filesystem::file_size(dir.file("8X8.hzk")), 65424u);
}

TEST_F(MakeFontTest, GenerationErrorsGoToABoxAndLeaveNothingBehind)
{
    const std::string file = newFile("err.zrf");
    dlg.OnOpenResource(file);
    const auto fileBefore = readBytes(file);
    // A missing font is named; a file that is not a font and a font without Hangul syllables are told.
    struct Case {
        std::string font;
        FontLibraryType type;
        int size;
        std::string told;
    } cases[] = { { dir.file("missing.ttf"), FontLibraryType::Ascii, 16, "missing.ttf" },
                  { writePattern(dir.file("junk.ttf"), 300), FontLibraryType::Ascii, 16, "" },
                  { kDejaVu, FontLibraryType::Hangul, 12, "none of the characters" } };
    for (const auto& c : cases) {
        host.boxes.clear();
        answer(c.font, c.type, c.size == 16 ? 8 : 12, c.size);
        dlg.OnMakeFontLibrary();
        ASSERT_EQ(host.boxes.size(), 1u) << c.font;
        EXPECT_FALSE(host.lastText().empty());
        EXPECT_NE(host.lastText().find(c.told), std::string::npos) << host.lastText();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("8X16.asc")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("12X12.kzk")));
    EXPECT_EQ(dlg.directoryList()->rowCount(), 0);
    EXPECT_EQ(readBytes(file), fileBefore);
}

TEST_F(MakeFontTest, DialogOffersSizesPerTypeAndNeedsAFont)
{
    CMakeFontDlg md(host);
    EXPECT_FALSE(md.okButton()->isEnabled());
    EXPECT_EQ(md.typeList()->count(), 4);
    EXPECT_EQ(md.typeList()->itemText(0), "GB2312");
    EXPECT_EQ(md.typeList()->itemText(3), "ASCII");
    md.setType(FontLibraryType::Ascii);
    EXPECT_EQ(std::pair(md.glyphWidth(), md.glyphHeight()), std::pair(8, 16));
    md.setGlyphSize(0, 120); // held to 1..99
    EXPECT_EQ(std::pair(md.glyphWidth(), md.glyphHeight()), std::pair(1, 99));

    host.files.push_back(kDejaVu);
    host.files.push_back(std::nullopt); // the second browse is cancelled: the font stays
    md.OnBrowse();
    EXPECT_EQ(host.fileTitles.back(), "Choose font file");
    EXPECT_EQ(md.fontPath(), kDejaVu);
    EXPECT_TRUE(md.okButton()->isEnabled());
    md.OnBrowse();
    EXPECT_EQ(md.fontPath(), kDejaVu);
}

} // namespace
