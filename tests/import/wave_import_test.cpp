// WAVE files: stored whole, judged by extension, length and capacity only.
#include "import/TestBmp.h"
#include "import/WaveImport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using zarn::checkWaveFile;
using Verdict = zarn::ImportCheck::Verdict;

namespace {
std::string make(const zarn::test::TempDir& dir, const std::string& name, std::uintmax_t size)
{
    const fs::path p = dir / name;
    zarn::test::writeBytes(p, {});
    fs::resize_file(p, size);
    return p.string();
}
} // namespace

TEST(WaveImport, AnyContentIsTakenWhole)
{
    zarn::test::TempDir dir;
    const auto path = make(dir, "beep.wav", 100000);
    const auto c = checkWaveFile(path, 1u << 22, 5, 190);
    ASSERT_EQ(c.verdict, Verdict::Accepted) << c.message;
    EXPECT_EQ(c.message, "Loading Wave file: Filesize:100000");
    EXPECT_EQ(c.pending.entry.kind, 245);
    EXPECT_EQ(c.pending.entry.length, 100000u);
    EXPECT_EQ(c.pending.entry.width, 0);
    EXPECT_EQ(c.pending.entry.height, 0);
    EXPECT_EQ(c.pending.entry.ignoreColor, 0);
    EXPECT_EQ(c.pending.sourcePath, path);

    const auto empty = checkWaveFile(make(dir, "silence.wav", 0), 0, 0, 190);
    ASSERT_EQ(empty.verdict, Verdict::Accepted);
    EXPECT_EQ(empty.message, "Loading Wave file: Filesize:0");
    EXPECT_EQ(empty.pending.entry.length, 0u);
}

TEST(WaveImport, OnlyTheLowerCaseExtension)
{
    zarn::test::TempDir dir;
    for (const char* name : { "beep.WAV", "beep.Wav", "beep.wave", "beep", "wav" })
        EXPECT_EQ(checkWaveFile(make(dir, name, 10), 1u << 22, 0, 190).verdict, Verdict::Ignored) << name;
    EXPECT_EQ(checkWaveFile((dir / "x.wav.txt").string(), 1u << 22, 0, 190).verdict, Verdict::Ignored);
}

TEST(WaveImport, OpenThenSpaceThenCount)
{
    zarn::test::TempDir dir;
    EXPECT_EQ(checkWaveFile((dir / "missing.wav").string(), 0, 190, 190).message, "Open WAVE file failure");
    fs::create_directory(dir / "folder.wav");
    EXPECT_EQ(checkWaveFile((dir / "folder.wav").string(), 1u << 22, 0, 190).message, "Open WAVE file failure");
    const auto path = make(dir, "big.wav", 5000);
    EXPECT_EQ(checkWaveFile(path, 4999, 190, 190).message, "Resource file space not enough");
    EXPECT_EQ(checkWaveFile(path, 5000, 190, 190).message, "Exceed the maximum number of resources");
    EXPECT_EQ(checkWaveFile(path, 5000, 189, 190).verdict, Verdict::Accepted);
}
