// Standard BMP files (full palette directly before the pixel data, uncompressed,
// bottom-up, 1/4/8/24 bits) must convert to exactly the bytes they always gave.
// golden.txt holds, per file and screen box, the sizes and a hash of the staging
// file as produced before compressed files and short palettes were accepted.
// Setting ZARN_WRITE_GOLDEN=1 rewrites it from the current code.
#include "TestBmp.h"
#include "import/DibPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using namespace zarn;
using namespace zarn::test;

const std::filesystem::path kDir = std::filesystem::path(ZARN_TEST_DATA_DIR) / "import" / "standard";

std::uint64_t fnv1a64(const std::vector<std::uint8_t>& bytes)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const std::uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    return h;
}

// One line per file and box: what the picture control holds after load and
// conversion, and the hash of the staging file's bytes.
std::string describe(const std::filesystem::path& file, int boxW, int boxH, const TempDir& tmp)
{
    DibPicture pic;
    pic.setScreenBox(boxW, boxH);
    pic.m_strFileName = file.string();
    std::ostringstream line;
    line << file.filename().string() << ' ' << boxW << 'x' << boxH << ' ';
    if (!pic.loadBmpFile().ok) {
        line << "refused";
        return line.str();
    }
    const auto staging = tmp / "ttt.tmp";
    if (!pic.convertBitmap(staging.string()).ok) {
        line << "conversion-failed";
        return line.str();
    }
    const auto bytes = readBytes(staging);
    char hash[20];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a64(bytes)));
    line << pic.m_nBitCount << ' ' << pic.m_nFormat << ' ' << pic.m_nWidth << ' ' << pic.m_nHeight << ' '
         << pic.m_nSize << ' ' << bytes.size() << ' ' << hash;
    return line.str();
}

std::vector<std::string> currentLines()
{
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(kDir))
        if (e.path().extension() == ".bmp")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    const int boxes[][2] = { { 320, 240 }, { 16, 12 }, { 30, 23 }, { 37, 10 }, { 9, 40 } };
    TempDir tmp;
    std::vector<std::string> lines;
    for (const auto& f : files)
        for (const auto& b : boxes)
            lines.push_back(describe(f, b[0], b[1], tmp));
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
