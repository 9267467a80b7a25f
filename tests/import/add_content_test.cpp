// Font libraries and WAVE files judged by name, opening, exact length, space and
// count, in that order and with their exact texts; and the one road by which a
// picture, library or sound becomes an item (the command line and the window
// both take it).
#include "import/AddContent.h"
#include "import/FontLibrary.h"
#include "import/Pictures.h"
#include "import/WaveImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

TEST(ImportChecks, NameThenOpeningThenExactLengthThenSpaceThenCount)
{
    enum Cmd { Hz, Asc, Wav };
    constexpr long kMissing = -1, kFolder = -2, kPipe = -3, kRoom = 1 << 22;
    const struct {
        Cmd cmd;
        const char* name;
        long size, remaining;
        int count;
        const char* text;
        int kind = 0;
    } cases[] = {
        // Accepted: the confirmation, and the entry's kind and length.
        { Hz, "16X16.hzk", 261696, kRoom, 3, "Loading GBK2312 lib file:\r16X16 Filesize:261696", 240 },
        { Hz, "24x24song.hzk", 588816, kRoom, 3, "Loading GBK2312 lib file:\r24X24 Filesize:588816", 240 },
        { Hz, "16X16.big", 447136, kRoom, 3, "Loading BIG5 lib file:\r16X16 Filesize:447136", 242 },
        { Hz, "16X16.kzk", 75200, kRoom, 3, "Loading hanngul lib file:\r16X16 Filesize:75200", 243 },
        { Asc, "9X9.asc", 4608, 4608, 189, "Loading ASCII lib file:9X9 Filesize:4608", 241 }, // the last byte and item
        { Wav, "empty.wav", 0, 0, 189, "Loading Wave file: Filesize:0", 245 }, // any content, taken whole
        // The extension in any case.
        { Hz, "16X16.HZK", 261696, kRoom, 0, "Loading GBK2312 lib file:\r16X16 Filesize:261696", 240 },
        { Asc, "8X16.Asc", 4096, kRoom, 0, "Loading ASCII lib file:8X16 Filesize:4096", 241 },
        { Wav, "beep.WAV", 10, kRoom, 0, "Loading Wave file: Filesize:10", 245 },
        // Another extension: the command ends without a word (the window says what it takes).
        { Hz, "16X16.asc", 261696, kRoom, 0, "" },
        { Hz, "16X16", 261696, kRoom, 0, "" },
        { Asc, "8X16.hzk", 4096, kRoom, 0, "" },
        { Wav, "beep.wave", 10, kRoom, 0, "" },
        { Wav, "wav", 10, kRoom, 0, "" },
        // The name decides before the file is opened (its folder, a number here, does not count).
        { Hz, "HZK16.hzk", kMissing, kRoom, 0, "GBK2312 lib file invalid" },
        { Hz, "16X0.hzk", kMissing, kRoom, 0, "GBK2312 lib file invalid" },
        { Hz, "100X16.hzk", kMissing, kRoom, 0, "GBK2312 lib file invalid" },
        { Hz, "16X99999999999999999999.big", kMissing, kRoom, 0, "BIG5 lib file invalid" },
        // Opening: only a regular file, and a named pipe without waiting for a writer.
        { Hz, "16X16.hzk", kMissing, kRoom, 0, "Open GBK2312 lib file failure" },
        { Hz, "16X16.big", kFolder, kRoom, 0, "Open BIG5 lib file failure" },
        { Hz, "16X16.kzk", kPipe, kRoom, 0, "Open hanngul lib file failure" },
        { Asc, "8X16.asc", kPipe, kRoom, 0, "Open ASCII lib file failure" },
        { Wav, "a.wav", kMissing, 0, 190, "Open WAVE file failure" },
        { Wav, "a.wav", kFolder, kRoom, 0, "Open WAVE file failure" },
        { Wav, "a.wav", kPipe, kRoom, 0, "Open WAVE file failure" },
        // Exact length before space and count, then space before count, then count.
        { Hz, "16X16.hzk", 261695, 100, 190, "GBK2312 lib file invalid" },
        { Hz, "16X16.hzk", 261697, 100, 190, "GBK2312 lib file invalid" },
        { Hz, "16X16.kzk", 0, kRoom, 0, "hanngul lib file invalid" },
        { Asc, "9X16.asc", 4095, kRoom, 0, "ASCII lib file invalid" },
        { Hz, "16X16.hzk", 261696, 261695, 190, "Resource file space not enough" },
        { Wav, "a.wav", 5000, 4999, 190, "Resource file space not enough" },
        { Hz, "16X16.hzk", 261696, 261696, 190, "Exceed the maximum number of resources" },
        { Wav, "a.wav", 5000, 5000, 190, "Exceed the maximum number of resources" },
    };
    TempDir dir;
    for (int i = 0; const auto& c : cases) {
        const fs::path folder = dir / std::to_string(i++);
        fs::create_directory(folder);
        const std::string path = (folder / c.name).string();
        if (c.size >= 0)
            patternFile(path, static_cast<std::size_t>(c.size));
        ASSERT_TRUE(c.size != kFolder || fs::create_directory(path));
        if (c.size == kPipe && !kNamedPipes)
            continue;
        ASSERT_TRUE(c.size != kPipe || makeNamedPipe(path));
        const auto [remaining, count]
            = std::pair(static_cast<std::uint32_t>(c.remaining), static_cast<std::uint16_t>(c.count));
        const ImportCheck check = c.cmd == Wav
            ? checkWaveFile(path, remaining, count, 190)
            : checkFontLibrary(c.cmd == Hz ? FontCommand::Hzlib : FontCommand::Asciilib, path, remaining, count, 190);
        using V = ImportCheck::Verdict;
        EXPECT_EQ(std::tuple(check.verdict, check.message),
            std::tuple(c.kind ? V::Accepted
                    : *c.text ? V::Refused
                              : V::Ignored,
                c.text))
            << c.name;
        EXPECT_EQ(check.detail.starts_with("Cannot read \"" + path + "\": "), std::string(c.text).starts_with("Open"))
            << check.detail;
        const ResourceEntry& e = check.pending.entry;
        const auto [w, h] = c.cmd == Wav ? std::pair(0, 0) : parseGlyphSize(c.name);
        EXPECT_TRUE(!c.kind
            || (std::tuple(e.kind, e.length, e.width, e.height, e.reserved, e.ignoreColor, check.pending.sourcePath)
                == std::tuple(c.kind, c.size, w, h, 0, 0, path)))
            << c.name;
    }
}

// Each file of tests/data/import/sounds is taken whole as a sound, and one that
// is no complete RIFF/WAVE sound comes with a warning naming the file and what
// it holds, as its line in expected.txt says.
TEST(ImportChecks, WhatIsNoSoundIsStoredAllTheSameWithAWarningSayingWhatItHolds)
{
    const fs::path folder = kDataDir / "import" / "sounds";
    std::ifstream table(folder / "expected.txt");
    std::ptrdiff_t rows = 0;
    for (std::string line, name, words; std::getline(table, line);) {
        std::istringstream in(line);
        if (!(in >> name >> std::ws) || name[0] == '#' || !std::getline(in, words))
            continue;
        ++rows;
        const std::string path = (folder / name).string();
        const ImportCheck check = checkWaveFile(path, 1 << 20, 0, 190);
        EXPECT_EQ(check.verdict, ImportCheck::Verdict::Accepted) << name;
        EXPECT_EQ(check.pending.entry.length, fs::file_size(path)) << name;
        if (words == "-")
            EXPECT_EQ(check.warning, "") << name;
        else
            EXPECT_TRUE(check.warning.starts_with("Warning: \"" + path + "\" is not a complete WAVE sound: ")
                && check.warning.find(words) != std::string::npos)
                << check.warning;
    }
    EXPECT_EQ(rows,
        std::ranges::count_if(fs::directory_iterator(folder), [](auto& e) { return e.path().extension() == ".wav"; }));
}

TEST(AddContent, PictureLibraryAndSoundTakeTheOneRoad)
{
    TempDir dir;
    ResourceStore store;
    EXPECT_EQ(addContent(store, dir.file("beep.wav"), {}).message, "Not Resource Open");
    ASSERT_TRUE(createResourceFile(dir.file("a.zrf"), 2404, 320, 240, 4096).ok);
    ASSERT_TRUE(store.openResourceFile(dir.file("a.zrf")).ok);
    fs::copy_file(kWorkedDir / "palette_first_8bit_10x10.bmp", dir / "pic.bmp");
    fs::copy_file(kDataDir / "import" / "alpha" / "bgra32.bmp", dir / "clear.bmp"); // pixel 1 transparent
    for (const auto& [name, size] :
        { std::pair { "8X16.asc", 4096 }, { "beep.wav", 1000 }, { "notes.txt", 10 }, { "9X9.asc", 10 } })
        patternFile(dir / name, size);
    using R = ContentOutcome::Result;
    const struct {
        const char* name;
        std::optional<int> afterRow;
        R result;
        const char* text;
        int row;
    } roads[] = {
        { "pic.bmp", {}, R::Inserted, "Load Bitmap 8bit color Width:10 Height:10 \r\nSize:612", 0 },
        { "8X16.asc", {}, R::Inserted, "Loading ASCII lib file:8X16 Filesize:4096", 1 },
        { "beep.wav", 0, R::Inserted, "Loading Wave file: Filesize:1000", 1 }, // after the selection mark
        { "notes.txt", {}, R::Ignored, "", -1 },
        { "9X9.asc", {}, R::Refused, "ASCII lib file invalid", -1 },
        { "beep.wav", 3, R::Refused, "There is no item 3: the file holds 3 items", -1 },
        { "missing.bmp", {}, R::Refused, "Reading File Error", -1 },
        { "clear.bmp", {}, R::Inserted, "Load Bitmap 16bit color Width:4 Height:2 \r\nSize:16", 3 },
    };
    std::string told;
    ContentOptions options;
    options.ignoreColor = 0xF81F; // kept for pictures only
    options.accepted = [&](const std::string& text, const std::string& warning) { told = text + "|" + warning; };
    for (const auto& road : roads) {
        told.clear();
        options.afterRow = road.afterRow;
        const ContentOutcome out = addContent(store, dir.file(road.name), options);
        EXPECT_EQ(std::tuple(out.result, out.message, out.row), std::tuple(road.result, road.text, road.row))
            << road.name;
        const bool libraryOrSound = road.result == R::Inserted && std::string(road.text).starts_with("Loading");
        // A sound that is none is told with its warning.
        const std::string warning = std::string(road.name) == "beep.wav" ? out.warning : "";
        EXPECT_EQ(told, libraryOrSound ? road.text + std::string("|") + warning : "") << road.name;
        EXPECT_EQ(warning.empty(), std::string(road.name) != "beep.wav" || road.result != R::Inserted) << warning;
    }
    ASSERT_EQ(store.itemCount(), 4);
    const auto entries = store.directory();
    EXPECT_EQ(std::tuple(entries[0].kind, entries[1].kind, entries[2].kind), std::tuple(8, 245, 241));
    EXPECT_EQ(
        std::tuple(entries[0].ignoreColor, entries[1].ignoreColor, entries[2].ignoreColor), std::tuple(0xF81F, 0, 0));
    Bytes picture, sound, clear;
    ASSERT_TRUE(store.readItem(0, picture).ok && store.readItem(1, sound).ok && store.readItem(3, clear).ok);
    EXPECT_TRUE(picture == convertWith(fromFile(dir / "pic.bmp")).data && sound == readBytes(dir / "beep.wav"));
    EXPECT_EQ(le16(clear, 2), 0xF81F); // the transparent pixel took the ignore colour
    EXPECT_TRUE(checkResourceFile(dir.file("a.zrf")).ok());
}
