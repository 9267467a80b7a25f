// Libraries rendered from real fonts: layout, code order, blank glyphs,
// failures, and acceptance by the import's checks (placement: placement_test).
#include "import/FontLibrary.h"
#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"
#include "tests/fontgen/FontPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;
using T = FontLibraryType;

namespace {

#define EXPECT_HAS(text, piece) EXPECT_NE((text).find(piece), std::string::npos) << (text)

// How many dots the glyph of `code` has.
int dotsAt(const std::vector<std::uint8_t>& lib, T type, int w, int h, std::uint16_t code)
{
    const std::size_t size = static_cast<std::size_t>((w + 7) / 8) * h, offset = *libraryIndexOf(type, code) * size;
    int dots = 0;
    for (std::size_t i = offset; i < offset + size && i < lib.size(); ++i)
        dots += std::popcount(lib[i]);
    return dots;
}

// Libraries reused by several tests are rendered once.
const FontGenResult& library(const char* font, T type, int w, int h)
{
    static std::map<std::tuple<std::string, T, int, int>, FontGenResult> cache;
    auto it = cache.try_emplace({ font, type, w, h }).first;
    if (!it->second.ok && it->second.message.empty())
        it->second = generateFontLibrary(font, type, w, h);
    EXPECT_TRUE(it->second.ok) << it->second.message;
    return it->second;
}

} // namespace

// Which code holds which character is the charset's and the FreeType comparison's
// (placement_test); here: the counts, and blank where a code has no character.
TEST(FontGenerator, UnassignedCodesAndControlsAreBlank)
{
    ZARN_REQUIRE_FONTS();
    const FontGenResult& gb = library(kCjkFont, T::GB2312, 16, 16);
    EXPECT_EQ(std::tuple(gb.characters, gb.missing), std::tuple(7445u, 0u));
    for (std::uint16_t code : { 0xAAA1, 0xAFFE, 0xD7FA, 0xD7FE })
        EXPECT_EQ(dotsAt(gb.data, T::GB2312, 16, 16, code), 0) << std::hex << code;
    EXPECT_GT(dotsAt(gb.data, T::GB2312, 16, 16, 0xD7F9), 0); // the last character of row D7
    const FontGenResult& ascii = library(kLatinFont, T::Ascii, 8, 16);
    EXPECT_EQ(ascii.characters, 95u + 96u);
    for (int code = 0; code < 256; ++code) // controls and spaces blank, everything else drawn
        EXPECT_EQ(dotsAt(ascii.data, T::Ascii, 8, 16, static_cast<std::uint16_t>(code)) == 0,
            code <= 0x20 || (code >= 0x7F && code <= 0xA0))
            << code;
}

TEST(FontGenerator, BadRequestsAreRefusedWithAReason)
{
    ZARN_REQUIRE_FONTS();
    TempDir dir;
    const std::tuple<std::string, T, int, int, FontGenOptions, std::vector<std::string>> cases[] = {
        { kLatinFont, T::Ascii, 0, 16, {}, { "1 to 99" } },
        { kLatinFont, T::Ascii, 16, 0, {}, { "1 to 99" } },
        { kLatinFont, T::Ascii, 100, 16, {}, { "1 to 99" } },
        { kLatinFont, T::Ascii, 16, 100, {}, { "1 to 99" } },
        { kLatinFont, T::Ascii, -1, 8, {}, { "1 to 99" } },
        { kLatinFont, T::Ascii, 8, 16, { 0, false, 0 }, { "threshold" } },
        { dir.file("nope.ttf"), T::Ascii, 8, 16, {}, { "nope.ttf\" cannot be read: No such file" } },
        { dir.path().string(), T::Ascii, 8, 16, {}, { "not a regular file" } },
        { kLatinFont, T::Ascii, 8, 16, { kDefaultThreshold, false, -1 }, { "no face -1: faces are numbered from 0" } },
    };
    for (const auto& [font, type, w, h, options, pieces] : cases) {
        const auto r = generateFontLibrary(font, type, w, h, options);
        EXPECT_TRUE(!r.ok && r.data.empty()) << font << " " << w << "x" << h;
        for (const auto& piece : pieces)
            EXPECT_HAS(r.message, piece);
    }
}

TEST(FontGenerator, WrittenLibrariesFollowTheLayoutAndPassTheImportChecks)
{
    ZARN_REQUIRE_FONTS();
    TempDir dir;
    const auto hz = FontCommand::Hzlib, asc = FontCommand::Asciilib;
    const std::tuple<const char*, T, int, int, std::uint32_t, FontCommand, std::uint8_t> cases[] = {
        { kCjkFont, T::GB2312, 16, 16, 261696, hz, 240 },
        { kCjkFont, T::Big5, 24, 24, 3u * 24 * 13973, hz, 242 },
        { kCjkFont, T::Hangul, 12, 12, 2u * 12 * 2350, hz, 243 },
        { kLatinFont, T::Ascii, 8, 16, 4096, asc, 241 },
        { kLatinFont, T::Ascii, 9, 9, 4608, asc, 241 },
        { kLatinFont, T::Ascii, 1, 1, 256, asc, 241 },
        { kLatinFont, T::Ascii, 99, 99, 13u * 99 * 256, asc, 241 },
    };
    for (const auto& [font, type, w, h, bytes, command, kind] : cases) {
        const fs::path out = dir / "out" / (libraryTypeName(type) + std::to_string(w)); // created on the way
        const FontLibraryOutput r = makeFontLibrary(font, type, w, h, out.string());
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(std::tuple(fs::path(r.path), fs::file_size(r.path), r.size),
            std::tuple(out / libraryFileName(type, w, h), bytes, bytes));
        const ImportCheck check = checkFontLibrary(command, r.path, 16u << 20, 0, 190);
        const ResourceEntry& e = check.pending.entry;
        EXPECT_EQ(std::tuple(check.verdict, e.kind, e.width, e.height, e.length),
            std::tuple(ImportCheck::Verdict::Accepted, kind, w, h, bytes))
            << check.message;
        EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 1); // nothing but the library is left in the folder
        const Bytes written = readBytes(r.path); // padding bits past the width stay clear
        for (std::size_t i = 0; w % 8 && i < written.size(); ++i)
            ASSERT_EQ(written[i] & (i % ((w + 7) / 8) == std::size_t((w - 1) / 8) ? 0xFF >> (w % 8) : 0), 0) << i;
    }
}

TEST(FontGenerator, FailedWritesKeepTheOldLibraryAndGoodOnesReplaceIt)
{
    ZARN_REQUIRE_FONTS();
    TempDir dir;
    const fs::path old = dir / "8X16.asc";
    patternFile(old, 100); // the previous library
    fs::create_directories(dir / "sub" / "8X16.asc"); // a folder where the library should go
    const std::pair<FontLibraryOutput, const char*> cases[] = {
        { makeFontLibrary(dir.file("missing.ttf"), T::Ascii, 8, 16, dir.path().string()), "missing.ttf" },
        { makeFontLibrary(kLatinFont, T::Ascii, 8, 16, old.string()), "not a folder" },
        { makeFontLibrary(kLatinFont, T::Ascii, 8, 16, (old / "sub").string()), "Cannot create output folder" },
        { makeFontLibrary(kLatinFont, T::Ascii, 8, 16, dir.file("sub")), "in the way" },
    };
    for (const auto& [r, reason] : cases) {
        EXPECT_FALSE(r.ok);
        EXPECT_HAS(r.message, reason);
    }
    EXPECT_EQ(std::tuple(readBytes(old), dir.entryCount()), std::tuple(pattern(100, 1), 2)) << "nothing else appeared";
    const mode_t mask = ::umask(022);
    const auto good = makeFontLibrary(kLatinFont, T::Ascii, 8, 16, dir.path().string());
    ::umask(mask);
    ASSERT_TRUE(good.ok) << good.message;
    EXPECT_EQ(std::tuple(fs::file_size(old), dir.entryCount()), std::tuple(4096u, 2)); // the library and sub/
#ifndef _WIN32 // Windows has no such permissions
    EXPECT_EQ(fs::status(good.path).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
#endif
}

// Damaged and unfit fonts kept as files, each with the text it must give: the
// file named and the cause in words, never a bare library code.
TEST(FontGenerator, EachDamagedFontGivesItsText)
{
    const fs::path folder = kDataDir / "fontgen" / "damaged";
    std::ifstream table(folder / "expected.txt");
    std::set<std::string> files;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> field; // file | type | face | text [| the text on Windows]
        for (std::istringstream in(line); std::getline(in >> std::ws, line, '|');)
            field.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
        ASSERT_TRUE(field.size() == 4u || field.size() == 5u) << line;
#ifdef _WIN32
        if (field.size() == 5u)
            field[3] = field[4];
#endif
        files.insert(field[0]);
        TempDir dir;
        const std::string font = (folder / field[0]).string();
        const T type = *parseLibraryTypeName(field[1]);
        const auto made = makeFontLibrary(
            font, type, 8, 16, dir.path().string(), { kDefaultThreshold, false, std::stoi(field[2]) });
        std::string text = field[3];
        for (const auto& [name, value] : { std::pair<std::string, std::string> { "{font}", '"' + font + '"' },
                 { "{out}", (dir / libraryFileName(type, 8, 16)).string() } })
            if (const auto at = text.find(name); at != std::string::npos)
                text.replace(at, name.size(), value);
        EXPECT_EQ(std::tuple(made.message, dir.entryCount()), std::tuple(text, made.ok ? 1 : 0)) << field[0];
    }
    EXPECT_EQ(files.size() + 1, static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {})))
        << "a file without its line";
}

TEST(FontGenerator, DamagedFontsFailCleanlyOrRenderWhole)
{
    ZARN_REQUIRE_FONTS();
    TempDir dir;
    const Bytes original = readBytes(kLatinFont);
    // A stretch of the font overwritten at several places (table directory, tables, outlines).
    for (std::size_t at :
        { std::size_t { 12 }, std::size_t { 300 }, original.size() / 3, original.size() / 2, original.size() - 5000 }) {
        Bytes damaged = original;
        for (std::size_t i = at; i < std::min(damaged.size(), at + 4000); ++i)
            damaged[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
        const fs::path p = dir / ("damaged" + std::to_string(at) + ".ttf");
        writeBytes(p, damaged);
        const auto r = generateFontLibrary(p.string(), T::Ascii, 8, 16);
        EXPECT_TRUE(r.ok ? r.data.size() == 4096u
                         : r.message.find(p.filename().string()) != std::string::npos
                    && r.message.find("error") == std::string::npos)
            << at << ": " << r.message;
    }
}
