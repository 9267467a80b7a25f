// The resource store against real files: creation, opening, insertion and
// deletion, and what is left when the disk or the source fails part way.
#include "resfile/CapacityDisplay.h"
#include "resfile/ResourceStore.h"
#include "resfile/StoreCommands.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace zarn;
using namespace zarn::test;

namespace {

class StoreTest : public ::testing::Test {
protected:
    TempDir dir;

    ResourceStore created(std::uint32_t memoryKiB = 4096, const std::string& name = "r.zrf")
    {
        const std::string path = dir.file(name);
        const auto r = createResourceFile(path, 2404, 320, 240, memoryKiB);
        EXPECT_TRUE(r.ok) << r.message << " " << r.detail;
        ResourceStore store;
        store.path = path;
        const auto o = store.openResourceFile();
        EXPECT_TRUE(o.ok) << o.message << " " << o.detail;
        return store;
    }

    std::string source(const std::vector<std::uint8_t>& data, const std::string& name = "src.bin")
    {
        const std::string path = dir.file(name);
        writeBytes(path, data);
        return path;
    }

    static ResourceEntry entryOf(std::size_t length, std::uint8_t kind = 16)
    {
        ResourceEntry e;
        e.length = static_cast<std::uint32_t>(length);
        e.width = 10;
        e.height = 20;
        e.kind = kind;
        return e;
    }

    // Appends items with distinct contents; returns those contents.
    std::vector<std::vector<std::uint8_t>> fill(ResourceStore& store, const std::vector<std::size_t>& sizes)
    {
        std::vector<std::vector<std::uint8_t>> data;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            data.push_back(pattern(sizes[i], static_cast<unsigned>(i + 1)));
            const auto r = store.insertItemData(store.itemCount, entryOf(sizes[i]), data.back());
            EXPECT_TRUE(r.ok) << r.message << " " << r.detail;
        }
        return data;
    }

    static void expectInvariant(const ResourceStore& store)
    {
        std::uint32_t expected = payloadStartFor(store.memoryKiB);
        for (int i = 0; i < store.itemCount; ++i) {
            EXPECT_EQ(store.directory[i].address, expected) << "item " << i;
            expected = roundUpToBlock(store.directory[i].address + store.directory[i].length);
        }
        EXPECT_EQ(store.remainingBytes, store.memoryKiB * 1024 - store.usedEnd());
    }

    // The file, read back by a fresh store, holds `data` in directory order.
    void expectFileHolds(const std::string& path, const std::vector<std::vector<std::uint8_t>>& data)
    {
        ResourceStore fresh;
        fresh.path = path;
        ASSERT_TRUE(fresh.openResourceFile().ok);
        ASSERT_EQ(fresh.itemCount, data.size());
        for (std::size_t i = 0; i < data.size(); ++i) {
            std::vector<std::uint8_t> got;
            ASSERT_TRUE(fresh.readItem(static_cast<int>(i), got).ok);
            EXPECT_TRUE(got == data[i]) << "item " << i << " differs";
        }
        EXPECT_EQ(std::filesystem::file_size(path), std::uint64_t(fresh.memoryKiB) * 1024);
        expectInvariant(fresh);
    }
};

} // namespace

// ---------------------------------------------------------------- creation

TEST_F(StoreTest, NewFileIsFilledWithF0AfterItsHeader)
{
    const std::string path = dir.file("new.zrf");
    ASSERT_TRUE(createResourceFile(path, 2404, 320, 240, 4096).ok);
    const auto bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 4194304u);
    const std::vector<std::uint8_t> header { 0x00, 0x00, 0x64, 0x09, 0x40, 0x01, 0xF0, 0x00, 0x00, 0x10, 0x00, 0x00 };
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
    EXPECT_TRUE(std::all_of(bytes.begin() + 12, bytes.end(), [](std::uint8_t b) { return b == 0xF0; }));
    EXPECT_EQ(dir.entryCount(), 1u) << "no temporary file is left beside it";
}

TEST_F(StoreTest, EmptyFilesOfEachSizeHaveTheirLengthAndRemainingBytes)
{
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        { 4096, 4190208 }, { 8192, 8380416 }, { 12288, 12574720 }, { 16384, 16769024 }
    };
    for (const auto& [kib, remaining] : cases) {
        ResourceStore s = created(kib, "s" + std::to_string(kib) + ".zrf");
        EXPECT_EQ(std::filesystem::file_size(s.path), std::uint64_t(kib) * 1024);
        EXPECT_EQ(s.memoryKiB, kib);
        EXPECT_EQ(s.remainingBytes, remaining);
        EXPECT_EQ(s.maxItems, kib <= 4096 ? 190 : 400);
        EXPECT_EQ(s.itemCount, 0);
        EXPECT_EQ(s.usedEnd(), kib <= 4096 ? 4096u : 8192u);
    }
}

TEST_F(StoreTest, CreatingOverAnExistingFileReplacesIt)
{
    const std::string path = dir.file("x.zrf");
    writeBytes(path, pattern(5000, 3));
    ASSERT_TRUE(createResourceFile(path, 1704, 128, 160, 4096).ok);
    const auto bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 4194304u);
    EXPECT_EQ(bytes[2], 0xA8); // 1704 = 0x06A8
    EXPECT_EQ(bytes[3], 0x06);
    EXPECT_EQ(bytes[100], 0xF0);
}

TEST_F(StoreTest, CreatingInAMissingFolderReportsFalseWithTheReason)
{
    const std::string path = dir.file("missing/r.zrf");
    const auto r = createResourceFile(path, 2404, 320, 240, 4096);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "False");
    EXPECT_NE(r.detail.find(path), std::string::npos) << r.detail;
    EXPECT_NE(r.detail.find("No such file or directory"), std::string::npos) << r.detail;
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(StoreTest, DiskFullWhileCreatingLeavesNoFileAndKeepsTheOldOne)
{
    const std::string path = dir.file("full.zrf");
    const auto old = pattern(3000, 9);
    writeBytes(path, old);
    FaultyIo io;
    io.writeBudget = 1 << 20; // the disk fills after 1 MiB
    const auto r = createResourceFile(path, 2404, 320, 240, 4096, io);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "False");
    EXPECT_NE(r.detail.find("No space left on device"), std::string::npos) << r.detail;
    EXPECT_NE(r.detail.find(path), std::string::npos) << r.detail;
    EXPECT_EQ(readBytes(path), old) << "the previous file is untouched";
    EXPECT_EQ(dir.entryCount(), 1u) << "no partial file is left behind";
}

TEST_F(StoreTest, CreatingOverAFolderOrUnderTheLongestNameWorksOrFailsCleanly)
{
    std::filesystem::create_directory(dir.file("taken.zrf"));
    const auto r = createResourceFile(dir.file("taken.zrf"), 2404, 320, 240, 4096);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "False");
    EXPECT_NE(r.detail.find("taken.zrf"), std::string::npos) << r.detail;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.zrf")));
    EXPECT_EQ(dir.entryCount(), 1u) << "the temporary file is removed";

    const std::string longest = dir.file(std::string(251, 'n') + ".zrf"); // 255 characters, the name limit
    const auto ok = createResourceFile(longest, 2404, 320, 240, 4096);
    EXPECT_TRUE(ok.ok) << ok.detail;
    EXPECT_EQ(std::filesystem::file_size(longest), 4194304u);
}

TEST_F(StoreTest, ImpossibleMemorySizeIsRefused)
{
    const auto r = createResourceFile(dir.file("z.zrf"), 2404, 320, 240, 0);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "False");
    EXPECT_EQ(dir.entryCount(), 0u);
}

// ---------------------------------------------------------------- opening

TEST_F(StoreTest, OpeningReadsHeaderAndDirectory)
{
    ResourceStore s = created(8192);
    fill(s, { 100, 5000 });
    ResourceStore fresh;
    fresh.path = s.path;
    ASSERT_TRUE(fresh.openResourceFile().ok);
    EXPECT_TRUE(fresh.isOpen);
    EXPECT_EQ(fresh.modelCode, 2404);
    EXPECT_EQ(fresh.screenWidth, 320);
    EXPECT_EQ(fresh.screenHeight, 240);
    EXPECT_EQ(fresh.itemCount, 2);
    EXPECT_EQ(fresh.blockSize, 4096u);
    EXPECT_EQ(fresh.directory[0].address, 8192u);
    EXPECT_EQ(fresh.directory[1].address, 12288u);
    EXPECT_EQ(fresh.directory[1].length, 5000u);
    EXPECT_EQ(fresh.remainingBytes, s.remainingBytes);
}

namespace {
// A store holding values that a failed open must not touch.
ResourceStore previouslyOpen(const std::string& path)
{
    ResourceStore s;
    s.path = path;
    s.isOpen = true;
    s.itemCount = 1;
    s.modelCode = 3504;
    s.screenWidth = 320;
    s.screenHeight = 240;
    s.memoryKiB = 8192;
    s.maxItems = 400;
    s.remainingBytes = 1234;
    s.directory[0] = ResourceEntry { 8192, 77, 0, 1, 2, 16, 0xBEEF };
    return s;
}

void expectUntouchedExceptIsOpen(const ResourceStore& s)
{
    EXPECT_FALSE(s.isOpen);
    EXPECT_EQ(s.itemCount, 1);
    EXPECT_EQ(s.modelCode, 3504);
    EXPECT_EQ(s.memoryKiB, 8192u);
    EXPECT_EQ(s.remainingBytes, 1234u);
    EXPECT_EQ(s.directory[0], (ResourceEntry { 8192, 77, 0, 1, 2, 16, 0xBEEF }));
}
} // namespace

TEST_F(StoreTest, UnknownModelCodeIsResourceFileErrorAndChangesNothing)
{
    const std::string path = dir.file("bad.zrf");
    ASSERT_TRUE(createResourceFile(path, 2400, 320, 240, 4096).ok);
    ResourceStore s = previouslyOpen(path);
    const auto r = s.openResourceFile();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Resource File Error");
    expectUntouchedExceptIsOpen(s);
}

TEST_F(StoreTest, DamagedDirectoriesAreRefusedAtOpen)
{
    ResourceStore good = created(4096, "good.zrf");
    fill(good, { 5000, 100 });
    const auto original = readBytes(good.path);

    struct Damage {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> apply;
    };
    const std::vector<Damage> damages {
        { "more items than maxItems", [](auto& b) { b[0] = 191; b[1] = 0; } },
        { "item count far past 400", [](auto& b) { b[0] = 0xFF; b[1] = 0xFF; } },
        { "first item not at payloadStart", [](auto& b) { b[12 + 1] = 0x20; } },
        { "gap between items", [](auto& b) { b[12 + 19 + 1] = 0x40; } },
        { "item overlapping the one before", [](auto& b) { b[12 + 19 + 1] = 0x10; } },
        { "length past the memory size", [](auto& b) { b[12 + 19 + 4 + 3] = 0x7F; } },
        { "address wrapping past 4 GiB", [](auto& b) { b[12 + 4 + 3] = 0xFF; } },
        { "memory size of 0", [](auto& b) { b[8] = b[9] = b[10] = b[11] = 0; } },
        { "directory past the file end", [](auto& b) { b.resize(40); } },
        { "data past the file end", [](auto& b) { b.resize(4096 + 2000); } },
        { "shorter than a header", [](auto& b) { b.resize(7); } },
    };
    for (const auto& d : damages) {
        auto bytes = original;
        d.apply(bytes);
        const std::string path = dir.file("damaged.zrf");
        writeBytes(path, bytes);
        ResourceStore s = previouslyOpen(path);
        const auto r = s.openResourceFile();
        EXPECT_FALSE(r.ok) << d.what;
        EXPECT_EQ(r.message, "Resource File Error") << d.what;
        EXPECT_FALSE(r.detail.empty()) << d.what;
        expectUntouchedExceptIsOpen(s);
        EXPECT_EQ(readBytes(path), bytes) << d.what << ": opening never writes";
    }
}

TEST_F(StoreTest, UnreadableFilesGetAMessageNamingThemAndTheReason)
{
    ResourceStore missing = previouslyOpen(dir.file("nothere.zrf"));
    auto r = missing.openResourceFile();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find(dir.file("nothere.zrf")), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("No such file or directory"), std::string::npos) << r.message;
    expectUntouchedExceptIsOpen(missing);

    std::filesystem::create_directory(dir.file("folder.zrf"));
    ResourceStore folder = previouslyOpen(dir.file("folder.zrf"));
    r = folder.openResourceFile();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("folder.zrf"), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("Is a directory"), std::string::npos) << r.message;
    expectUntouchedExceptIsOpen(folder);

    ResourceStore good = created();
    FaultyIo io;
    io.readBudget = 5; // the header read comes back with an I/O error
    good.io = &io;
    good.isOpen = true;
    r = good.openResourceFile();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Input/output error"), std::string::npos) << r.message;
    EXPECT_FALSE(good.isOpen);
}

TEST_F(StoreTest, LongPathsAreNotTruncated)
{
    std::string folder = dir.file(std::string(200, 'd'));
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/" + std::string(200, 'n') + ".zrf";
    ASSERT_GT(path.size(), 400u);
    ASSERT_TRUE(createResourceFile(path, 2404, 320, 240, 4096).ok);
    ResourceStore s;
    s.path = path;
    ASSERT_TRUE(s.openResourceFile().ok);
    EXPECT_EQ(s.path, path);
    EXPECT_TRUE(s.insertItemData(0, entryOf(10), pattern(10, 1)).ok);
}

// ---------------------------------------------------------------- insertion

TEST_F(StoreTest, FirstItemLandsAtPayloadStart)
{
    ResourceStore small = created(4096, "a.zrf");
    fill(small, { 10 });
    EXPECT_EQ(small.directory[0].address, 4096u);
    ResourceStore large = created(8192, "b.zrf");
    fill(large, { 10 });
    EXPECT_EQ(large.directory[0].address, 8192u);
}

TEST_F(StoreTest, CapacityAfterOne5000ByteItem)
{
    ResourceStore s = created();
    fill(s, { 5000 });
    EXPECT_EQ(s.remainingBytes, 4182016u);
    EXPECT_EQ(capacityGaugePosition(s), 12);
    EXPECT_EQ(capacityGaugeRange(s), 4096);
    EXPECT_EQ(capacityText(s), "Resource File size:4194304 Remaining bytes:4182016");
    fill(s, { 1 });
    EXPECT_EQ(s.directory[1].address, 12288u);
}

TEST_F(StoreTest, Gb2312LibraryAsFirstItemMatchesTheDocumentedBytes)
{
    ResourceStore s = created();
    ResourceEntry e;
    e.length = 261696;
    e.width = 16;
    e.height = 16;
    e.kind = 240;
    ASSERT_TRUE(s.insertItem(0, e, source(pattern(261696, 4))).ok);
    EXPECT_EQ(s.remainingBytes, 3928064u);
    const auto bytes = readBytes(s.path);
    const std::vector<std::uint8_t> expected { 0x01, 0x00, 0x64, 0x09, 0x40, 0x01, 0xF0, 0x00, 0x00, 0x10, 0x00, 0x00,
                                               0x00, 0x10, 0x00, 0x00, 0x40, 0xFE, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00,
                                               0x10, 0x00, 0x10, 0x00, 0xF0, 0x00, 0x00 };
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
    const auto data = pattern(261696, 4);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin() + 4096));
}

TEST_F(StoreTest, InsertingAfterTheSelectionMarkMovesLaterItemsWithTheirData)
{
    ResourceStore s = created();
    auto data = fill(s, { 5000, 100, 9000, 4096, 0, 7 });
    const std::uint32_t formerNext = s.directory[2].address;
    const int at = s.insertionIndex(1); // mark on row 1
    ASSERT_EQ(at, 2);
    const auto item = pattern(6000, 77);
    ASSERT_TRUE(s.insertItem(at, entryOf(6000, 8), source(item)).ok);
    data.insert(data.begin() + 2, item);
    EXPECT_EQ(s.itemCount, 7);
    EXPECT_EQ(s.directory[2].address, formerNext);
    EXPECT_EQ(s.directory[2].kind, 8);
    EXPECT_EQ(s.directory[3].address, formerNext + 8192);
    expectInvariant(s);
    expectFileHolds(s.path, data);
}

TEST_F(StoreTest, WithoutASelectionMarkItemsAreAppended)
{
    ResourceStore s = created();
    fill(s, { 10, 20 });
    EXPECT_EQ(s.insertionIndex(std::nullopt), 2);
    ResourceStore empty = created(4096, "e.zrf");
    EXPECT_EQ(empty.insertionIndex(std::nullopt), 0);
}

TEST_F(StoreTest, InsertingAtRowZeroOfAFullFileKeepsEverything)
{
    ResourceStore s = created();
    auto data = fill(s, { 4096, 1, 0, 12345, 4097 });
    const auto item = pattern(4097, 50);
    ASSERT_TRUE(s.insertItemData(0, entryOf(4097), item).ok);
    data.insert(data.begin(), item);
    expectInvariant(s);
    expectFileHolds(s.path, data);
}

TEST_F(StoreTest, ZeroLengthItemTakesNoBlock)
{
    ResourceStore s = created();
    fill(s, { 0, 10 });
    EXPECT_EQ(s.directory[0].address, 4096u);
    EXPECT_EQ(s.directory[1].address, 4096u);
    EXPECT_EQ(s.remainingBytes, 4190208u - 4096u);
}

TEST_F(StoreTest, SpaceIsTestedOnTheUnroundedLengthBeforeTheCount)
{
    ResourceStore s = created();
    fill(s, { 4190208 - 4096 });
    ASSERT_EQ(s.remainingBytes, 4096u);
    EXPECT_EQ(checkCapacity(s, 4097), std::optional<std::string>("Resource file space not enough"));
    const auto refused = s.insertItemData(1, entryOf(4097), pattern(4097, 1));
    EXPECT_EQ(refused.message, "Resource file space not enough");
    EXPECT_EQ(s.itemCount, 1);
    EXPECT_EQ(checkCapacity(s, 4096), std::nullopt);
    EXPECT_TRUE(s.insertItemData(1, entryOf(4096), pattern(4096, 2)).ok);
    EXPECT_EQ(s.remainingBytes, 0u);

    s.maxItems = 2; // a full directory
    s.remainingBytes = 10;
    EXPECT_EQ(checkCapacity(s, 10), std::optional<std::string>("Exceed the maximum number of resources"));
    EXPECT_EQ(checkCapacity(s, 11), std::optional<std::string>("Resource file space not enough"));
}

TEST_F(StoreTest, MemoryOfNoWholeNumberOfBlocksNeverOverflows)
{
    ResourceStore s = created(4097); // 4,195,328 bytes: the last 1024 are no whole block
    ASSERT_EQ(s.remainingBytes, 4195328u - 8192u);
    EXPECT_EQ(s.insertItemData(0, entryOf(s.remainingBytes), pattern(s.remainingBytes, 1)).message,
              "Resource file space not enough");
    ASSERT_TRUE(s.insertItemData(0, entryOf(4096 * 1022), pattern(4096 * 1022, 2)).ok);
    EXPECT_EQ(s.remainingBytes, 1024u);
    EXPECT_EQ(s.insertItemData(1, entryOf(1024), pattern(1024, 3)).message, "Resource file space not enough");
    EXPECT_EQ(s.remainingBytes, 1024u);

    // A file whose last item's blocks run past such a memory size is refused.
    auto bytes = readBytes(s.path);
    bytes[12 + 4] = 0x01; // length 4096 * 1022 + 1
    writeBytes(s.path, bytes);
    ResourceStore again;
    again.path = s.path;
    EXPECT_EQ(again.openResourceFile().message, "Resource File Error");
}

TEST_F(StoreTest, FullDirectoryRefusesTheNextItem)
{
    ResourceStore s = created();
    for (int i = 0; i < 190; ++i)
        ASSERT_TRUE(s.insertItemData(s.itemCount, entryOf(1), pattern(1, i)).ok) << i;
    const auto r = s.insertItemData(0, entryOf(1), pattern(1, 1));
    EXPECT_EQ(r.message, "Exceed the maximum number of resources");
    EXPECT_EQ(s.itemCount, 190);
    ResourceStore fresh;
    fresh.path = s.path;
    ASSERT_TRUE(fresh.openResourceFile().ok);
    EXPECT_EQ(fresh.itemCount, 190);
}

TEST_F(StoreTest, UnreadableSourceAddsNothing)
{
    ResourceStore s = created();
    auto data = fill(s, { 5000, 300 });
    const auto before = readBytes(s.path);
    const ResourceStore copy = s;
    const auto r = s.insertItem(1, entryOf(100), dir.file("no-such-source.bmp"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "False");
    EXPECT_NE(r.detail.find("no-such-source.bmp"), std::string::npos) << r.detail;
    EXPECT_EQ(s.itemCount, copy.itemCount);
    EXPECT_EQ(s.remainingBytes, copy.remainingBytes);
    EXPECT_EQ(s.directory, copy.directory);
    EXPECT_EQ(readBytes(s.path), before) << "not a byte of the file changed";
    EXPECT_EQ(s.remainingBytes, s.memoryKiB * 1024 - s.usedEnd());
}

TEST_F(StoreTest, SourceOfTheWrongLengthIsRefused)
{
    ResourceStore s = created();
    const auto before = readBytes(s.path);
    const auto r = s.insertItem(0, entryOf(100), source(pattern(101, 1)));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("101"), std::string::npos) << r.message;
    EXPECT_EQ(s.itemCount, 0);
    EXPECT_EQ(readBytes(s.path), before);
}

TEST_F(StoreTest, InsertionIntoAClosedStoreOrAtABadIndexIsRefused)
{
    ResourceStore closed;
    EXPECT_EQ(closed.insertItemData(0, entryOf(1), pattern(1, 1)).message, "Not Resource Open");
    EXPECT_EQ(closed.deleteItem(0).message, "Not Resource Open");
    EXPECT_TRUE(closed.writeDirectory().ok) << "writing the directory of no file does nothing";
    ResourceStore s = created();
    fill(s, { 1 });
    EXPECT_FALSE(s.insertItemData(3, entryOf(1), pattern(1, 1)).ok);
    EXPECT_FALSE(s.insertItemData(-1, entryOf(1), pattern(1, 1)).ok);
    EXPECT_FALSE(s.deleteItem(1).ok);
    EXPECT_EQ(s.itemCount, 1);
}

// Every point at which a write can fail during an insertion: the move, the
// new data, the directory. Memory never changes, and the file still holds
// every item where its (unchanged) directory says.
TEST_F(StoreTest, WriteFailureDuringInsertionLosesNothing)
{
    const std::vector<std::size_t> sizes { 5000, 100, 9000, 4096 };
    // Items at 4096, 12288, 16384 and 28672: inserting at 1 moves 12288..32768.
    const std::size_t moveBytes = 32768 - 12288;
    for (std::int64_t budget : { std::int64_t(0), std::int64_t(moveBytes / 2), std::int64_t(moveBytes),
                                 std::int64_t(moveBytes + 3000), std::int64_t(moveBytes + 6000),
                                 std::int64_t(moveBytes + 6000 + 20) }) {
        TempDir local;
        const std::string path = local.file("f.zrf");
        ASSERT_TRUE(createResourceFile(path, 2404, 320, 240, 4096).ok);
        ResourceStore s;
        s.path = path;
        ASSERT_TRUE(s.openResourceFile().ok);
        std::vector<std::vector<std::uint8_t>> data;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            data.push_back(pattern(sizes[i], static_cast<unsigned>(i + 1)));
            ASSERT_TRUE(s.insertItemData(s.itemCount, entryOf(sizes[i]), data.back()).ok);
        }
        const ResourceStore copy = s;
        FaultyIo io;
        io.writeBudget = budget;
        s.io = &io;
        const auto r = s.insertItemData(1, entryOf(6000), pattern(6000, 99));
        EXPECT_FALSE(r.ok) << "budget " << budget;
        EXPECT_NE(r.message.find("No space left on device"), std::string::npos) << r.message;
        EXPECT_NE(r.message.find(path), std::string::npos) << r.message;
        EXPECT_EQ(r.message.find("could not be put back"), std::string::npos) << r.message;
        EXPECT_EQ(s.itemCount, copy.itemCount);
        EXPECT_EQ(s.directory, copy.directory);
        EXPECT_EQ(s.remainingBytes, copy.remainingBytes);
        expectFileHolds(path, data);
    }
}

TEST_F(StoreTest, WriteFailureDuringDeletionLosesNothing)
{
    const std::vector<std::size_t> sizes { 5000, 20000, 9000, 4096 };
    for (std::int64_t budget : { 0, 3000, 9000, 13096, 13096 + 10 }) {
        TempDir local;
        const std::string path = local.file("f.zrf");
        ASSERT_TRUE(createResourceFile(path, 2404, 320, 240, 4096).ok);
        ResourceStore s;
        s.path = path;
        ASSERT_TRUE(s.openResourceFile().ok);
        std::vector<std::vector<std::uint8_t>> data;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            data.push_back(pattern(sizes[i], static_cast<unsigned>(i + 1)));
            ASSERT_TRUE(s.insertItemData(s.itemCount, entryOf(sizes[i]), data.back()).ok);
        }
        const ResourceStore copy = s;
        FaultyIo io;
        io.writeBudget = budget;
        s.io = &io;
        const auto r = s.deleteItem(1);
        EXPECT_FALSE(r.ok) << "budget " << budget;
        EXPECT_NE(r.message.find("No space left on device"), std::string::npos) << r.message;
        EXPECT_EQ(s.itemCount, copy.itemCount);
        EXPECT_EQ(s.directory, copy.directory);
        expectFileHolds(path, data);
    }
}

TEST_F(StoreTest, AFailedUndoIsReportedAndMemoryStaysBehindTheFile)
{
    ResourceStore s = created();
    fill(s, { 5000, 100 });
    const ResourceStore copy = s;
    FaultyIo io;
    io.writeBudget = 100;
    io.failingWrites = 1000; // the disk never recovers
    s.io = &io;
    const auto r = s.insertItemData(0, entryOf(10), pattern(10, 1));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("could not be put back"), std::string::npos) << r.message;
    EXPECT_EQ(s.directory, copy.directory);
    EXPECT_EQ(s.itemCount, copy.itemCount);
}

TEST_F(StoreTest, ReadFailureWhileMovingChangesNothing)
{
    ResourceStore s = created();
    auto data = fill(s, { 5000, 100 });
    FaultyIo io;
    io.readBudget = 10;
    s.io = &io;
    const auto r = s.insertItemData(0, entryOf(10), pattern(10, 1));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Input/output error"), std::string::npos) << r.message;
    EXPECT_EQ(io.writeCalls, 0) << "nothing is written after a failed read";
    EXPECT_EQ(s.itemCount, 2);
    expectFileHolds(s.path, data);
}

TEST_F(StoreTest, AFileThatCannotBeOpenedForWritingIsReportedAndChangesNothing)
{
    ResourceStore s = created();
    fill(s, { 100 });
    const ResourceStore copy = s;
    // The file is replaced by a folder behind the store's back.
    std::filesystem::rename(s.path, dir.file("moved.zrf"));
    std::filesystem::create_directory(s.path);
    const auto r = s.insertItemData(1, entryOf(10), pattern(10, 1));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find(s.path), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("Is a directory"), std::string::npos) << r.message;
    EXPECT_FALSE(s.deleteItem(0).ok);
    EXPECT_FALSE(s.setIgnoreColor(0, 1).ok);
    EXPECT_FALSE(s.writeDirectory().ok);
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(s.readItem(0, out).ok);
    EXPECT_EQ(s.itemCount, copy.itemCount);
    EXPECT_EQ(s.directory, copy.directory);
    EXPECT_EQ(s.remainingBytes, copy.remainingBytes);
}

TEST_F(StoreTest, WriteDirectoryNeverCreatesAMissingFile)
{
    ResourceStore s = created();
    std::filesystem::remove(s.path);
    const auto r = s.writeDirectory();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("No such file or directory"), std::string::npos) << r.message;
    EXPECT_FALSE(std::filesystem::exists(s.path));
}

// ---------------------------------------------------------------- deletion

TEST_F(StoreTest, DeletingTheLastItemFreesItsRoundedSpan)
{
    ResourceStore s = created();
    auto data = fill(s, { 5000, 4097 });
    const auto before = s.remainingBytes;
    ASSERT_TRUE(s.deleteItem(1).ok);
    EXPECT_EQ(s.remainingBytes, before + 8192);
    data.pop_back();
    expectFileHolds(s.path, data);
}

TEST_F(StoreTest, DeletingAMiddleItemMovesTheLaterOnesDownByItsDistance)
{
    ResourceStore s = created();
    auto data = fill(s, { 5000, 9000, 0, 100, 4096 });
    const std::uint32_t distance = s.directory[2].address - s.directory[1].address;
    const auto laterBefore = s.directory[3].address;
    const auto before = s.remainingBytes;
    ASSERT_TRUE(s.deleteItem(1).ok);
    EXPECT_EQ(distance, 12288u);
    EXPECT_EQ(s.remainingBytes, before + distance);
    EXPECT_EQ(s.directory[2].address, laterBefore - distance);
    EXPECT_EQ(s.itemCount, 4);
    data.erase(data.begin() + 1);
    expectInvariant(s);
    expectFileHolds(s.path, data);
}

TEST_F(StoreTest, DeletingBeforeOnlyZeroLengthItemsMovesNoData)
{
    ResourceStore s = created();
    auto data = fill(s, { 5000, 0, 0 });
    ASSERT_TRUE(s.deleteItem(0).ok);
    EXPECT_EQ(s.directory[0].address, 4096u);
    EXPECT_EQ(s.remainingBytes, 4190208u);
    data.erase(data.begin());
    expectFileHolds(s.path, data);
}

TEST_F(StoreTest, ManyInsertionsAndDeletionsKeepTheFileLengthAndEveryItem)
{
    ResourceStore s = created();
    std::vector<std::vector<std::uint8_t>> data;
    unsigned seed = 1;
    for (int step = 0; step < 40; ++step) {
        const bool remove = step % 3 == 2 && s.itemCount > 0;
        if (remove) {
            const int at = static_cast<int>(seed % s.itemCount);
            ASSERT_TRUE(s.deleteItem(at).ok);
            data.erase(data.begin() + at);
        } else {
            const std::size_t size = (seed * 2654435761u) % 20000;
            const int at = static_cast<int>(seed % (s.itemCount + 1));
            data.insert(data.begin() + at, pattern(size, seed));
            ASSERT_TRUE(s.insertItemData(at, entryOf(size), data[static_cast<std::size_t>(at)]).ok);
        }
        seed = seed * 1103515245u + 12345u;
        expectInvariant(s);
    }
    expectFileHolds(s.path, data);
}

// ---------------------------------------------------------------- ignore colour

TEST_F(StoreTest, SetIgnoreColorRewritesOnlyThatEntry)
{
    ResourceStore s = created();
    auto data = fill(s, { 10, 20 });
    const auto before = readBytes(s.path);
    ASSERT_TRUE(s.setIgnoreColor(1, 0xF81F).ok);
    EXPECT_EQ(s.directory[1].ignoreColor, 0xF81F);
    auto after = readBytes(s.path);
    EXPECT_EQ(after[12 + 19 + 17], 0x1F);
    EXPECT_EQ(after[12 + 19 + 18], 0xF8);
    after[12 + 19 + 17] = after[12 + 19 + 18] = 0;
    EXPECT_TRUE(after == before) << "no other byte changed";
    EXPECT_FALSE(s.setIgnoreColor(2, 1).ok);
}
