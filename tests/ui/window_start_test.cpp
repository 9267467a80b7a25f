// The window's command line: a file to open (made absolute), --version and
// --help without a window, and usage errors.
#include "common/Version.h"
#include "platform/Utf8Path.h"
#include "ui/CAboutDlg.h"
#include "ui/WindowStart.h"

#include <gtest/gtest.h>

#include <filesystem>

using zarn::ui::windowStart;

TEST(WindowStart, AFileOpensInTheWindowAndOptionsEndWithoutIt)
{
    EXPECT_TRUE(windowStart({}).showWindow);
    EXPECT_FALSE(windowStart({}).resourceFile);

    const auto relative = windowStart({ "folder/a.zrf" });
    ASSERT_TRUE(relative.resourceFile);
    EXPECT_EQ(*relative.resourceFile, zarn::utf8Of(std::filesystem::current_path() / "folder" / "a.zrf"));
    EXPECT_EQ(windowStart({ "--", "-a.zrf" }).resourceFile,
        zarn::utf8Of(std::filesystem::current_path() / "-a.zrf")); // after "--" a name, not an option
    EXPECT_EQ(windowStart({ "a.ZRF" }).resourceFile, zarn::utf8Of(std::filesystem::current_path() / "a.ZRF"));
    EXPECT_EQ(windowStart({ "a.bmp" }).refusal.value_or(""), "This is not a resource file (.zrf): a.bmp");

    const auto version = windowStart({ "a.zrf", "--version" });
    EXPECT_FALSE(version.showWindow);
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.output, zarn::versionLine("zarntool") + "\n");
    EXPECT_EQ(windowStart({ "-h" }).output.rfind("Usage: zarntool [FILE]\n", 0), 0u);

    for (const std::vector<std::string>& wrong :
        { std::vector<std::string> { "--verbose" }, std::vector<std::string> { "a.zrf", "b.zrf" } }) {
        const auto start = windowStart(wrong);
        EXPECT_FALSE(start.showWindow);
        EXPECT_EQ(start.exitStatus, 2);
        EXPECT_TRUE(start.output.empty());
        EXPECT_NE(start.error.find("Try zarntool --help"), std::string::npos) << start.error;
    }
}

// The About box's text is fixed; a new project version must not leave it behind.
TEST(WindowStart, TheAboutBoxCarriesTheProgramsVersion)
{
    EXPECT_EQ(std::string(zarn::ui::CAboutDlg::kVersionLine),
        std::string("Zarn Resource tool Ver ") + zarn::kVersionNumber + " ");
}
