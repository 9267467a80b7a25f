// zarnres's bash completion, written from its command table, run in bash as
// the shell runs it: every subcommand, a subcommand's options, resource files
// where a resource file goes, other files after them, the values of a checked
// option and the port numbers zarnres lists.
#include "support/Run.h"

#include "cli/CommandDocs.h"
#include "cli/Commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

using namespace zarn;
using namespace zarn::test;

namespace {

constexpr const char* kBashCompletion = "/usr/share/bash-completion/bash_completion";

class CompletionTest : public ::testing::Test {
protected:
    TempDir dir;

    void SetUp() override
    {
        if (!std::filesystem::exists(kBashCompletion))
            GTEST_SKIP() << "the bash-completion package is not installed";
        std::ofstream(dir / "zarnres.bash") << cli::bashCompletion(*cli::makeCommandLine());
        std::filesystem::create_directories(dir / "work" / "folder");
        std::filesystem::create_directories(dir / "ports");
        for (const char* name : { "a.zrf", "b.zrf", "picture.bmp" })
            std::ofstream(dir / "work" / name) << "x";
        std::filesystem::create_symlink("/dev/null", dir / "ports" / "COM5");
    }

    // What completing the last of `words` offers, sorted.
    std::vector<std::string> complete(const std::vector<std::string>& words)
    {
        std::string line = "zarnres";
        std::string array = "zarnres";
        for (const std::string& w : words) {
            line += " " + w;
            array += " " + shellQuote(w);
        }
        const std::string script = std::string("source ") + kBashCompletion + "; source "
            + shellQuote(dir.file("zarnres.bash")) + "; cd " + shellQuote(dir.file("work")) + "; COMP_WORDS=(" + array
            + "); COMP_CWORD=" + std::to_string(words.size()) + "; COMP_LINE=" + shellQuote(line)
            + "; COMP_POINT=${#COMP_LINE}; _zarnres; " + "printf '%s\\n' \"${COMPREPLY[@]}\"";
        const std::string path = std::filesystem::path(ZARNRES_PATH).parent_path().string();
        const RunResult r = runProgram("bash", { "-c", script },
            "PATH=" + shellQuote(path) + ":\"$PATH\" ZARN_PORT_DIR=" + shellQuote(dir.file("ports")));
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::string> offered;
        std::istringstream lines(r.out);
        for (std::string l; std::getline(lines, l);)
            if (!l.empty())
                offered.push_back(l);
        std::sort(offered.begin(), offered.end());
        return offered;
    }
};

using Words = std::vector<std::string>;

TEST_F(CompletionTest, OffersEverySubcommandAndWhatEachTakes)
{
    const auto app = cli::makeCommandLine();
    Words subcommands { "--help", "--version" };
    for (const CLI::App* sub : app->get_subcommands([](const CLI::App*) { return true; }))
        subcommands.push_back(sub->get_name());
    std::sort(subcommands.begin(), subcommands.end());
    EXPECT_EQ(subcommands.size(), 20u); // eighteen subcommands
    EXPECT_EQ(complete({ "" }), subcommands);

    EXPECT_EQ(complete({ "add", "--" }), (Words { "--after", "--dither", "--help", "--ignore-color", "--json" }));
    EXPECT_EQ(complete({ "info", "" }), (Words { "a.zrf", "b.zrf", "folder" }) /* and into folders */);
    // An option's value is no argument: the second argument of add is any file.
    EXPECT_EQ(complete({ "add", "--after", "0", "a.zrf", "p" }), (Words { "picture.bmp" }));
    EXPECT_EQ(complete({ "new", "c.zrf", "--size", "" }), (Words { "16M", "32M", "4M", "8M" }));

    // The numbers zarnres ports lists: the link COM5 and the machine's own serial ports.
    const Words ports = complete({ "detect", "--port", "" });
    EXPECT_NE(std::find(ports.begin(), ports.end(), "5"), ports.end());
    const RunResult listing = runZarnres({ "ports" }, "ZARN_PORT_DIR=" + shellQuote(dir.file("ports")));
    for (const std::string& port : ports)
        EXPECT_NE(listing.out.find("COM" + port + " "), std::string::npos) << listing.out;
    EXPECT_LT(ports.size(), 16u) << "not the numbers of every port";
}

} // namespace
