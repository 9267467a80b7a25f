// Where the staging file lives: Temp/ttt.tmp beside the program, else the user's cache.
#include "import/StagingFile.h"
#include "import/TestBmp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using zarn::stagingFilePathFor;
using zarn::test::TempDir;

TEST(StagingFile, TempFolderIsCreatedBesideTheProgram)
{
    TempDir dir;
    std::string notice;
    const std::string path = stagingFilePathFor(dir.path.string(), (dir / "cache").string(), &notice);
    EXPECT_EQ(path, (dir / "Temp" / "ttt.tmp").string());
    EXPECT_TRUE(fs::is_directory(dir / "Temp"));
    EXPECT_TRUE(notice.empty()) << notice;
    EXPECT_FALSE(fs::exists(dir / "cache"));
    // A second call finds the folder there and keeps it.
    EXPECT_EQ(stagingFilePathFor(dir.path.string(), (dir / "cache").string(), &notice), path);
}

TEST(StagingFile, UnwritableProgramFolderFallsBackToTheCacheAndSaysSo)
{
    TempDir dir;
    const fs::path program = dir / "program";
    fs::create_directory(program);
    zarn::test::writeBytes(program / "Temp", { 'x' }); // a file where the folder should be
    std::string notice;
    const std::string path = stagingFilePathFor(program.string(), (dir / "cache").string(), &notice);
    EXPECT_EQ(path, (dir / "cache" / "zarntool" / "Temp" / "ttt.tmp").string());
    EXPECT_TRUE(fs::is_directory(dir / "cache" / "zarntool" / "Temp"));
    EXPECT_NE(notice.find(program.string()), std::string::npos) << notice;
    EXPECT_NE(notice.find(path), std::string::npos) << notice;
    EXPECT_EQ(zarn::test::readBytes(program / "Temp"), (std::vector<std::uint8_t> { 'x' }));
}

TEST(StagingFile, CacheFolderComesFromTheEnvironment)
{
    TempDir dir;
    const char* old = std::getenv("XDG_CACHE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CACHE_HOME", (dir / "xdg").c_str(), 1);
    std::string notice;
    const std::string path = stagingFilePathFor("", "", &notice);
    if (old)
        ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(path, (dir / "xdg" / "zarntool" / "Temp" / "ttt.tmp").string());
    EXPECT_FALSE(notice.empty());
}

TEST(StagingFile, RunningProgramsFolder)
{
    const std::string folder = zarn::programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::exists(fs::path(folder) / "import_staging_file_test"));
    const std::string path = zarn::stagingFilePath();
    EXPECT_EQ(fs::path(path).filename(), "ttt.tmp");
    EXPECT_TRUE(fs::is_directory(fs::path(path).parent_path()));
}
