// Where the staging file lives: Temp/ttt.tmp beside the program, else the user's cache.
#include "import/ProgramFolder.h"
#include "import/StagingFile.h"
#include "import/TestBmp.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fs = std::filesystem;
using zarn::stagingFilePathFor;
using zarn::test::TempDir;

TEST(StagingFile, TempFolderIsCreatedBesideTheProgramOrElseInTheCache)
{
    TempDir dir;
    std::string notice;
    const std::string path = stagingFilePathFor(dir.path.string(), (dir / "cache").string(), &notice);
    EXPECT_EQ(path, (dir / "Temp" / "ttt.tmp").string());
    EXPECT_TRUE(fs::is_directory(dir / "Temp"));
    EXPECT_TRUE(notice.empty()) << notice;
    EXPECT_FALSE(fs::exists(dir / "cache"));
    EXPECT_EQ(stagingFilePathFor(dir.path.string(), (dir / "cache").string(), &notice), path); // found and kept

    // A file where the folder should be: the cache is used, and the notice says so.
    fs::create_directory(dir / "program");
    zarn::test::writeBytes(dir / "program" / "Temp", { 'x' });
    const std::string fallback = stagingFilePathFor((dir / "program").string(), (dir / "cache").string(), &notice);
    EXPECT_EQ(fallback, (dir / "cache" / "zarntool" / "Temp" / "ttt.tmp").string());
    EXPECT_TRUE(fs::is_directory(dir / "cache" / "zarntool" / "Temp"));
    EXPECT_NE(notice.find((dir / "program").string()), std::string::npos) << notice;
    EXPECT_NE(notice.find(fallback), std::string::npos) << notice;
    EXPECT_EQ(zarn::test::readBytes(dir / "program" / "Temp"), (zarn::test::Bytes { 'x' }));
}

TEST(StagingFile, CacheFolderComesFromTheEnvironment)
{
    TempDir dir;
    const char* old = std::getenv("XDG_CACHE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CACHE_HOME", (dir / "xdg").c_str(), 1);
    std::string notice;
    const std::string path = stagingFilePathFor("", "", &notice);
    old ? ::setenv("XDG_CACHE_HOME", saved.c_str(), 1) : ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(path, (dir / "xdg" / "zarntool" / "Temp" / "ttt.tmp").string());
    EXPECT_FALSE(notice.empty());
}

TEST(StagingFile, RunningProgramsFolder)
{
    EXPECT_TRUE(fs::exists(fs::path(zarn::programFolder()) / "import_staging_file_test"));
    const fs::path path = zarn::stagingFilePath();
    EXPECT_EQ(path.filename(), "ttt.tmp");
    EXPECT_TRUE(fs::is_directory(path.parent_path()));
}
