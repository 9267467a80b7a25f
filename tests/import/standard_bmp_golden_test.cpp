// Standard BMP files (full palette directly before the pixel data, uncompressed,
// bottom-up, 1/4/8/24 bits) must convert to exactly the bytes they always gave.
// golden.txt holds, per file and screen box, the sizes and a hash of the staging
// file as produced before compressed files and short palettes were accepted.
// Setting ZARN_WRITE_GOLDEN=1 rewrites it from the current code.
#include "import/TestBmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {

using namespace zarn::test;

const std::filesystem::path kDir = std::filesystem::path(ZARN_TEST_DATA_DIR) / "import" / "standard";

// One line per file and box: what the picture control holds after load and
// conversion, and the FNV-1a hash of the staging file's bytes.
std::vector<std::string> currentLines()
{
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(kDir))
        if (e.path().extension() == ".bmp")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::vector<std::string> lines;
    for (const auto& f : files)
        for (const auto& [bw, bh] : { std::pair { 320, 240 }, { 16, 12 }, { 30, 23 }, { 37, 10 }, { 9, 40 } }) {
            const Converted c = convertWith(fromFile(f), bw, bh);
            std::ostringstream line;
            line << f.filename().string() << ' ' << bw << 'x' << bh << ' ';
            if (!c.ok) {
                line << "refused";
            } else {
                std::uint64_t h = 0xcbf29ce484222325ull;
                for (const std::uint8_t b : c.data)
                    h = (h ^ b) * 0x100000001b3ull;
                char hash[20];
                std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(h));
                line << c.bitCount << ' ' << c.kind << ' ' << c.width << ' ' << c.height << ' ' << c.size << ' ' << c.data.size() << ' ' << hash;
            }
            lines.push_back(line.str());
        }
    return lines;
}

TEST(StandardBmpGolden, EveryStandardFileConvertsToTheBytesItAlwaysGave)
{
    const auto lines = currentLines();
    ASSERT_GE(lines.size(), 50u) << "the standard files are missing from " << kDir;
    const auto goldenPath = kDir / "golden.txt";
    if (const char* w = std::getenv("ZARN_WRITE_GOLDEN"); w && std::string(w) == "1") {
        std::ofstream out(goldenPath, std::ios::trunc);
        for (const auto& l : lines)
            out << l << '\n';
        GTEST_SKIP() << "golden.txt rewritten";
    }
    std::ifstream in(goldenPath);
    ASSERT_TRUE(in) << goldenPath;
    std::vector<std::string> golden;
    for (std::string l; std::getline(in, l);)
        if (!l.empty())
            golden.push_back(l);
    ASSERT_EQ(golden.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], golden[i]);
        EXPECT_EQ(lines[i].find("refused"), std::string::npos) << lines[i];
    }
}

} // namespace
