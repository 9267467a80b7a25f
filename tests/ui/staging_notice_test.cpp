// When the program's folder cannot hold the staging file, "Load BMP" says where
// it went instead, once, and the picture still reaches the resource file.
#include "UiTestSupport.h"

#include "import/StagingFile.h"
#include "resfile/ResourceStore.h"
#include "ui/CMainDlg.h"

#include <QPlainTextEdit>
#include <QTableWidget>

#include <filesystem>

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CMainDlg;

namespace {

TEST(StagingNotice, FallbackIsToldOnceAndThePictureStillLoads)
{
    app();
    ScriptedHost host;
    FakePort port;
    FakeListing listing;
    TempDir dir;
    // A plain file where the program's folder should be: no Temp folder can be made in it.
    const std::string blocked = writePattern(dir.file("program"), 10);
    const std::string cache = dir.file("cache");
    CMainDlg dlg(host, port, listing);
    dlg.stagingPathSource = [&](std::string* notice) { return stagingFilePathFor(blocked, cache, notice); };
    const std::string file = dir.file("pics.zrf");
    ASSERT_TRUE(createResourceFile(file, 2404, 320, 240, 4096).ok);
    dlg.OnOpenResource(file);

    dlg.OnLoadBmp(writeQuadrantBmp(dir.file("a.bmp"), 16, 8));
    ASSERT_EQ(host.boxes.size(), 1u);
    const std::string expectedPath = cache + "/zarntool/Temp/ttt.tmp";
    EXPECT_NE(host.boxes[0].text.find(blocked), std::string::npos) << host.boxes[0].text;
    EXPECT_NE(host.boxes[0].text.find(expectedPath), std::string::npos) << host.boxes[0].text;
    EXPECT_EQ(dlg.stagingPath(), expectedPath);
    EXPECT_EQ(std::filesystem::file_size(expectedPath), 256u);
    EXPECT_EQ(dlg.bitmapField()->toPlainText(), "Load Bitmap 16bit color Width:16 Height:8 \nSize:256");

    // The next picture says nothing more.
    dlg.OnLoadBmp(writeQuadrantBmp(dir.file("b.bmp"), 8, 8));
    EXPECT_EQ(host.boxes.size(), 1u);
    dlg.OnLoadItem();
    EXPECT_EQ(host.boxes.size(), 1u) << host.lastText();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(dlg.directoryList()->item(0, 4)->text(), "128");
}

TEST(StagingNotice, AWritableProgramFolderSaysNothing)
{
    app();
    ScriptedHost host;
    FakePort port;
    FakeListing listing;
    TempDir dir;
    CMainDlg dlg(host, port, listing);
    dlg.stagingPathSource = [&](std::string* notice) { return stagingFilePathFor(dir.path().string(), dir.file("cache"), notice); };
    dlg.OnLoadBmp(writeQuadrantBmp(dir.file("a.bmp"), 16, 8));
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    EXPECT_EQ(dlg.stagingPath(), dir.file("Temp/ttt.tmp"));
}

} // namespace
