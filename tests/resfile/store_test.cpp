// The resource store against real files: creation, opening, insertion and
// deletion, and what is left when the disk or the source fails part way.
#include "resfile/CapacityDisplay.h"
#include "resfile/ResourceStore.h"
#include "resfile/StoreCommands.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

namespace {

using Items = std::vector<std::vector<std::uint8_t>>;
const std::vector<std::uint8_t> kHeader2404 { 0x00, 0x00, 0x64, 0x09, 0x40, 0x01, 0xF0, 0x00, 0x00, 0x10, 0x00, 0x00 };

#define EXPECT_HAS(text, part) EXPECT_NE((text).find(part), std::string::npos) << (text)

ResourceEntry entryOf(std::size_t length, std::uint8_t kind = 16)
{
    return ResourceEntry { 0, static_cast<std::uint32_t>(length), 0, 10, 20, kind, 0 };
}

ResourceStore opened(const std::string& path)
{
    ResourceStore s;
    s.path = path;
    const auto o = s.openResourceFile();
    EXPECT_TRUE(o.ok) << o.message << " " << o.detail;
    return s;
}

void expectInvariant(const ResourceStore& store)
{
    std::uint32_t expected = payloadStartFor(store.memoryKiB);
    for (int i = 0; i < store.itemCount; ++i) {
        EXPECT_EQ(store.directory[i].address, expected) << "item " << i;
        expected = roundUpToBlock(store.directory[i].address + store.directory[i].length);
    }
    EXPECT_EQ(store.remainingBytes, store.memoryKiB * 1024 - store.usedEnd());
}

// The file, read back by a fresh store, holds `data` in directory order.
void expectFileHolds(const std::string& path, const Items& data)
{
    ResourceStore fresh = opened(path);
    ASSERT_EQ(fresh.itemCount, data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::vector<std::uint8_t> got;
        ASSERT_TRUE(fresh.readItem(static_cast<int>(i), got).ok);
        EXPECT_TRUE(got == data[i]) << "item " << i << " differs";
    }
    EXPECT_EQ(fs::file_size(path), std::uint64_t(fresh.memoryKiB) * 1024);
    expectInvariant(fresh);
}

void expectSameDirectory(const ResourceStore& s, const ResourceStore& copy)
{
    EXPECT_EQ(std::tie(s.itemCount, s.directory, s.remainingBytes), std::tie(copy.itemCount, copy.directory, copy.remainingBytes));
}

// A store holding values that a failed open must not touch.
const ResourceEntry kOldEntry { 8192, 77, 0, 1, 2, 16, 0xBEEF };
ResourceStore previouslyOpen(const std::string& path)
{
    ResourceStore s;
    s.path = path;
    s.isOpen = true;
    std::tie(s.itemCount, s.modelCode, s.memoryKiB, s.remainingBytes, s.directory[0]) = std::tuple(1, 3504, 8192, 1234, kOldEntry);
    return s;
}

void expectUntouchedExceptIsOpen(const ResourceStore& s)
{
    EXPECT_FALSE(s.isOpen);
    EXPECT_EQ(std::tie(s.itemCount, s.modelCode, s.memoryKiB, s.remainingBytes), std::tuple(1, 3504, 8192u, 1234u));
    EXPECT_EQ(s.directory[0], kOldEntry);
}

// A refusal whose text (message, or detail when asked) holds every part.
void expectRefused(const StoreResult& r, const std::vector<std::string>& parts, bool inDetail = false)
{
    EXPECT_FALSE(r.ok);
    for (const auto& part : parts)
        EXPECT_HAS(inDetail ? r.detail : r.message, part);
}

class StoreTest : public ::testing::Test {
protected:
    TempDir dir;

    ResourceStore created(std::uint32_t memoryKiB = 4096, const std::string& name = "r.zrf")
    {
        const auto r = createResourceFile(dir.file(name), 2404, 320, 240, memoryKiB);
        EXPECT_TRUE(r.ok) << r.message << " " << r.detail;
        return opened(dir.file(name));
    }

    std::string source(const std::vector<std::uint8_t>& data)
    {
        writeBytes(dir.file("src.bin"), data);
        return dir.file("src.bin");
    }

    // Appends items with distinct contents; returns those contents.
    static Items fill(ResourceStore& store, const std::vector<std::size_t>& sizes)
    {
        Items data;
        for (std::size_t size : sizes) {
            data.push_back(pattern(size, static_cast<unsigned>(data.size() + 1)));
            const auto r = store.insertItemData(store.itemCount, entryOf(size), data.back());
            EXPECT_TRUE(r.ok) << r.message << " " << r.detail;
        }
        return data;
    }
};

} // namespace

// ---------------------------------------------------------------- creation

TEST_F(StoreTest, NewFileReplacesAnOldOneAndIsF0AfterItsHeader)
{
    const std::string path = dir.file("new.zrf");
    writeBytes(path, pattern(5000, 3));
    ASSERT_TRUE(createResourceFile(path, 2404, 320, 240, 4096).ok);
    const auto bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 4194304u);
    EXPECT_TRUE(std::equal(kHeader2404.begin(), kHeader2404.end(), bytes.begin()));
    EXPECT_TRUE(std::all_of(bytes.begin() + 12, bytes.end(), [](std::uint8_t b) { return b == 0xF0; }));
    EXPECT_EQ(dir.entryCount(), 1) << "no temporary file is left beside it";
}

TEST_F(StoreTest, EmptyFilesOfEachSizeHaveTheirLengthAndRemainingBytes)
{
    for (auto [kib, remaining] : { std::pair { 4096u, 4190208u }, { 8192u, 8380416u }, { 12288u, 12574720u }, { 16384u, 16769024u } }) {
        ResourceStore s = created(kib, "s" + std::to_string(kib) + ".zrf");
        EXPECT_EQ(fs::file_size(s.path), std::uint64_t(kib) * 1024);
        EXPECT_EQ(std::tuple(s.remainingBytes, s.maxItems, s.usedEnd()),
                  std::tuple(remaining, kib <= 4096 ? 190 : 400, kib <= 4096 ? 4096u : 8192u));
    }
}

TEST_F(StoreTest, FailedCreationSaysFalseWithTheReasonAndLeavesNoFile)
{
    const auto old = pattern(3000, 9);
    writeBytes(dir.file("full.zrf"), old);
    fs::create_directory(dir.file("taken.zrf"));
    FaultyIo io;
    io.write.budget = 1 << 20; // the disk fills after 1 MiB
    const std::tuple<std::string, std::uint32_t, FileIo&, std::vector<std::string>> cases[] = {
        { dir.file("missing/r.zrf"), 4096, defaultFileIo(), { dir.file("missing/r.zrf"), "No such file or directory" } },
        { dir.file("taken.zrf"), 4096, defaultFileIo(), { "taken.zrf" } },
        { dir.file("full.zrf"), 4096, io, { dir.file("full.zrf"), "No space left on device" } },
        { dir.file("zero.zrf"), 0, defaultFileIo(), {} },
    };
    for (const auto& [path, kib, fileIo, parts] : cases) {
        const auto r = createResourceFile(path, 2404, 320, 240, kib, fileIo);
        EXPECT_EQ(r.message, "False");
        expectRefused(r, parts, true);
    }
    EXPECT_EQ(readBytes(dir.file("full.zrf")), old) << "the previous file is untouched";
    EXPECT_TRUE(fs::is_directory(dir.file("taken.zrf")));
    EXPECT_EQ(dir.entryCount(), 2) << "no partial or temporary file is left behind";
}

TEST_F(StoreTest, LongNamesAndPathsAreNotTruncated)
{
    const std::string longest = dir.file(std::string(251, 'n') + ".zrf"); // 255 characters, the name limit
    ASSERT_TRUE(createResourceFile(longest, 2404, 320, 240, 4096).ok);
    EXPECT_EQ(fs::file_size(longest), 4194304u);
    fs::create_directory(dir.file(std::string(200, 'd')));
    const std::string path = dir.file(std::string(200, 'd') + "/" + std::string(200, 'n') + ".zrf");
    ASSERT_TRUE(createResourceFile(path, 2404, 320, 240, 4096).ok);
    ResourceStore s = opened(path);
    EXPECT_EQ(s.path, path);
    EXPECT_TRUE(s.insertItemData(0, entryOf(10), pattern(10, 1)).ok);
}

// ---------------------------------------------------------------- opening

TEST_F(StoreTest, UnknownModelCodesAndDamagedDirectoriesAreRefusedAtOpen)
{
    ResourceStore good = created(4096, "good.zrf");
    fill(good, { 5000, 100 });
    const auto original = readBytes(good.path);
    const std::pair<const char*, std::function<void(std::vector<std::uint8_t>&)>> damages[] = {
        { "model code 2400", [](auto& b) { b[2] = 0x60; } },
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
    for (const auto& [what, apply] : damages) {
        auto bytes = original;
        apply(bytes);
        writeBytes(dir.file("damaged.zrf"), bytes);
        ResourceStore s = previouslyOpen(dir.file("damaged.zrf"));
        const auto r = s.openResourceFile();
        EXPECT_EQ(r.message, "Resource File Error") << what;
        EXPECT_FALSE(r.ok || r.detail.empty()) << what;
        expectUntouchedExceptIsOpen(s);
        EXPECT_EQ(readBytes(dir.file("damaged.zrf")), bytes) << what << ": opening never writes";
    }
}

TEST_F(StoreTest, UnreadableFilesGetAMessageNamingThemAndTheReason)
{
    fs::create_directory(dir.file("folder.zrf"));
    for (const auto& [name, reason] : { std::pair { "nothere.zrf", "No such file or directory" }, { "folder.zrf", "it is a folder, not a regular file" } }) {
        ResourceStore s = previouslyOpen(dir.file(name));
        expectRefused(s.openResourceFile(), { dir.file(name), reason });
        expectUntouchedExceptIsOpen(s);
    }
    ResourceStore good = created();
    FaultyIo io;
    io.read.budget = 5; // the header read comes back with an I/O error
    good.io = &io;
    expectRefused(good.openResourceFile(), { "Input/output error" });
    EXPECT_FALSE(good.isOpen);
}

// ---------------------------------------------------------------- insertion

TEST_F(StoreTest, CapacityAfterOne5000ByteItem)
{
    ResourceStore s = created();
    fill(s, { 5000 });
    EXPECT_EQ(capacityGaugePosition(s), 12);
    EXPECT_EQ(capacityText(s), "Resource File size:4194304 Remaining bytes:4182016");
    fill(s, { 1 });
    EXPECT_EQ(s.directory[1].address, 12288u);
}

TEST_F(StoreTest, Gb2312LibraryAsFirstItemMatchesTheDocumentedBytes)
{
    ResourceStore s = created();
    const auto data = pattern(261696, 4);
    ASSERT_TRUE(s.insertItem(0, ResourceEntry { 0, 261696, 0, 16, 16, 240, 0 }, source(data)).ok);
    EXPECT_EQ(s.remainingBytes, 3928064u);
    const auto bytes = readBytes(s.path);
    const std::vector<std::uint8_t> expected { 0x01, 0x00, 0x64, 0x09, 0x40, 0x01, 0xF0, 0x00, 0x00, 0x10, 0x00, 0x00,
                                               0x00, 0x10, 0x00, 0x00, 0x40, 0xFE, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00,
                                               0x10, 0x00, 0x10, 0x00, 0xF0, 0x00, 0x00 };
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin() + 4096));
}

TEST_F(StoreTest, InsertingAfterTheSelectionMarkMovesLaterItemsWithTheirData)
{
    ResourceStore s = created();
    EXPECT_EQ(s.insertionIndex(std::nullopt), 0);
    auto data = fill(s, { 5000, 100, 9000, 4096, 0, 7 });
    EXPECT_EQ(s.insertionIndex(std::nullopt), 6) << "without a mark items are appended";
    const std::uint32_t formerNext = s.directory[2].address;
    ASSERT_EQ(s.insertionIndex(1), 2); // mark on row 1
    data.insert(data.begin() + 2, pattern(6000, 77));
    ASSERT_TRUE(s.insertItem(2, entryOf(6000, 8), source(data[2])).ok);
    EXPECT_EQ(s.directory[2].address, formerNext);
    EXPECT_EQ(s.directory[2].kind, 8);
    EXPECT_EQ(s.directory[3].address, formerNext + 8192);
    expectInvariant(s);
    expectFileHolds(s.path, data);
}

TEST_F(StoreTest, ZeroLengthItemsTakeNoBlockAndMoveNoData)
{
    ResourceStore s = created();
    fill(s, { 0, 10 });
    EXPECT_EQ(s.directory[1].address, 4096u);
    EXPECT_EQ(s.remainingBytes, 4190208u - 4096u);
    ResourceStore t = created(4096, "t.zrf");
    auto data = fill(t, { 5000, 0, 0 });
    ASSERT_TRUE(t.deleteItem(0).ok);
    EXPECT_EQ(t.directory[0].address, 4096u);
    EXPECT_EQ(t.remainingBytes, 4190208u);
    data.erase(data.begin());
    expectFileHolds(t.path, data);
}

TEST_F(StoreTest, SpaceIsTestedOnTheUnroundedLengthBeforeTheCount)
{
    const std::optional<std::string> space = "Resource file space not enough", count = "Exceed the maximum number of resources";
    ResourceStore s = created();
    fill(s, { 4190208 - 4096 });
    ASSERT_EQ(s.remainingBytes, 4096u);
    EXPECT_EQ(checkCapacity(s, 4097), space);
    EXPECT_EQ(s.insertItemData(1, entryOf(4097), pattern(4097, 1)).message, space);
    EXPECT_EQ(s.itemCount, 1);
    EXPECT_EQ(checkCapacity(s, 4096), std::nullopt);
    EXPECT_TRUE(s.insertItemData(1, entryOf(4096), pattern(4096, 2)).ok);
    EXPECT_EQ(s.remainingBytes, 0u);
    s.maxItems = 2; // a full directory
    s.remainingBytes = 10;
    EXPECT_EQ(checkCapacity(s, 10), count);
    EXPECT_EQ(checkCapacity(s, 11), space);

    ResourceStore full = created(4096, "full.zrf");
    for (int i = 0; i < 190; ++i)
        ASSERT_TRUE(full.insertItemData(full.itemCount, entryOf(1), pattern(1, i)).ok) << i;
    EXPECT_EQ(full.insertItemData(0, entryOf(1), pattern(1, 1)).message, count);
    EXPECT_EQ(opened(full.path).itemCount, 190);
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
    ResourceStore again = previouslyOpen(s.path);
    EXPECT_EQ(again.openResourceFile().message, "Resource File Error");
}

TEST_F(StoreTest, UnreadableOrWrongLengthSourceAddsNothing)
{
    ResourceStore s = created();
    fill(s, { 5000, 300 });
    const auto before = readBytes(s.path);
    const ResourceStore copy = s;
    const auto r = s.insertItem(1, entryOf(100), dir.file("no-such-source.bmp"));
    EXPECT_EQ(r.message, "False");
    expectRefused(r, { "no-such-source.bmp" }, true);
    expectRefused(s.insertItem(0, entryOf(100), source(pattern(101, 1))), { "101" });
    expectSameDirectory(s, copy);
    EXPECT_EQ(readBytes(s.path), before) << "not a byte of the file changed";
}

TEST_F(StoreTest, InsertionIntoAClosedStoreOrAtABadIndexIsRefused)
{
    ResourceStore closed;
    EXPECT_EQ(closed.insertItemData(0, entryOf(1), pattern(1, 1)).message, "Not Resource Open");
    EXPECT_EQ(closed.deleteItem(0).message, "Not Resource Open");
    ResourceStore s = created();
    fill(s, { 1 });
    for (bool ok : { s.insertItemData(3, entryOf(1), pattern(1, 1)).ok, s.insertItemData(-1, entryOf(1), pattern(1, 1)).ok,
                     s.deleteItem(1).ok, s.setIgnoreColor(1, 1).ok })
        EXPECT_FALSE(ok);
    EXPECT_EQ(s.itemCount, 1);
}

// A change is made beside the file and renamed over it: a disk that fills, a
// flush or a rename that fails at any point leaves the old file, every byte
// of it, memory as it was, and nothing else in the folder.
TEST_F(StoreTest, AFailedWriteFlushOrRenameLeavesTheOldFileAndNothingBeside)
{
    const std::tuple<const char*, std::function<void(FaultyIo&)>, std::vector<std::string>> faults[] = {
        { "disk full at once", [](FaultyIo& io) { io.write.budget = 0; }, { "No space left on device" } },
        { "disk full half way", [](FaultyIo& io) { io.write.budget = 2 << 20; }, { "No space left on device" } },
        { "flush fails", [](FaultyIo& io) { io.failFsync = EIO; }, { "Input/output error" } },
        { "rename fails", [](FaultyIo& io) { io.failRename = EXDEV; }, { "Invalid cross-device link" } },
    };
    const std::function<StoreResult(ResourceStore&)> changes[] = {
        [](ResourceStore& s) { return s.insertItemData(1, entryOf(6000), pattern(6000, 99)); },
        [](ResourceStore& s) { return s.deleteItem(0); },
        [](ResourceStore& s) { return s.setIgnoreColor(2, 0x1234); },
    };
    ResourceStore s = created();
    fill(s, { 5000, 100, 9000, 4096 });
    const auto before = readBytes(s.path);
    for (const auto& [what, apply, reason] : faults)
        for (const auto& change : changes) {
            const ResourceStore copy = s;
            FaultyIo io;
            apply(io);
            s.io = &io;
            expectRefused(change(s), { s.path, reason[0] });
            s.io = nullptr;
            expectSameDirectory(s, copy);
            EXPECT_EQ(readBytes(s.path), before) << what;
            EXPECT_EQ(dir.entryCount(), 1) << what << ": no temporary file is left";
        }
}

// The process dies at every file call of a change in turn, or in the middle of
// a write (no clean-up runs): the file is then the complete old one or the
// complete new one, and the next change leaves no temporary file behind.
TEST_F(StoreTest, DeathAtAnyFileCallLeavesTheOldOrTheNewFile)
{
    const std::function<StoreResult(ResourceStore&)> changes[] = {
        [](ResourceStore& s) { return s.insertItemData(2, entryOf(7000), pattern(7000, 42)); },
        [](ResourceStore& s) { return s.deleteItem(0); },
    };
    int n = 0;
    for (const auto& change : changes)
        for (bool unnamed : { true, false }) {
            const std::string name = "c" + std::to_string(++n) + ".zrf";
            ResourceStore s = created(4096, name);
            fill(s, { 5000, 100, 9000, 4096, 0, 20000 });
            const auto oldBytes = readBytes(s.path);
            ResourceStore model = s;
            fs::copy_file(s.path, dir.file("model.zrf"));
            model.path = dir.file("model.zrf");
            ASSERT_TRUE(change(model).ok);
            const auto newBytes = readBytes(model.path);
            fs::remove(model.path);
            bool completed = false;
            for (int at = 1; !completed && at < 100; ++at) {
                FaultyIo io;
                io.crashAtCall = at;
                io.noUnnamedFiles = !unnamed;
                ResourceStore dying = opened(s.path);
                dying.io = &io;
                try {
                    completed = change(dying).ok;
                } catch (const Crash&) {
                }
                const auto now = readBytes(s.path);
                EXPECT_TRUE(now == oldBytes || now == newBytes) << name << " died at call " << at;
                writeBytes(s.path, oldBytes);
            }
            EXPECT_TRUE(completed);
            // A write torn after K bytes (a power cut inside a page), then death.
            for (std::int64_t k : { 0, 1, 4095, 4096, 2 << 20, (4 << 20) - 1 }) {
                FaultyIo io;
                io.tearAfter = k;
                io.noUnnamedFiles = !unnamed;
                ResourceStore dying = opened(s.path);
                dying.io = &io;
                EXPECT_THROW(change(dying), Crash) << k;
                EXPECT_EQ(readBytes(s.path), oldBytes) << name << " torn after " << k << " bytes";
            }
            ResourceStore next = opened(s.path);
            ASSERT_TRUE(change(next).ok);
            EXPECT_EQ(dir.entryCount(), n) << "the temporaries of dead writers are removed by the next change";
        }
}

// Another program's change between reading the file and changing it is never
// overwritten: the change is not made, and the store reads the file again.
TEST_F(StoreTest, AChangeOnAnOldViewReadsTheFileAgainInsteadOfOverwritingIt)
{
    ResourceStore window = created();
    Items data = fill(window, { 5000, 100 });
    ResourceStore other = opened(window.path);
    data.insert(data.begin() + 1, pattern(3000, 7));
    ASSERT_TRUE(other.insertItemData(1, entryOf(3000), data[1]).ok);

    for (const auto& change : std::vector<std::function<StoreResult(ResourceStore&)>> {
             [](ResourceStore& s) { return s.deleteItem(0); },
             [](ResourceStore& s) { return s.insertItemData(0, entryOf(10), pattern(10, 1)); } }) {
        ResourceStore stale = window;
        const auto r = change(stale);
        EXPECT_TRUE(r.reloaded);
        EXPECT_EQ(r.message, kMsgFileReadAgain);
        expectSameDirectory(stale, other);
    }
    expectFileHolds(window.path, data);
    // A file that became invalid meanwhile is refused as at opening.
    auto bytes = readBytes(window.path);
    bytes[2] = 0x60;
    writeBytes(window.path, bytes);
    EXPECT_EQ(other.deleteItem(0).message, "Resource File Error");
    EXPECT_FALSE(other.isOpen);
}

TEST_F(StoreTest, AFileLockedByAnotherWriterIsWaitedForThenRefusedWithItsText)
{
    ResourceStore s = created();
    fill(s, { 100 });
    ResourceStore holder = opened(s.path);
    ASSERT_TRUE(holder.hold(LockMode::Exclusive).ok);
    s.lockWait = std::chrono::milliseconds(50);
    const std::string busy = "is being changed by another program";
    std::vector<std::uint8_t> out;
    for (const auto& r : { s.insertItemData(1, entryOf(10), pattern(10, 1)), s.readItem(0, out), ResourceStore(s).openResourceFile() })
        expectRefused(r, { s.path, busy });
    EXPECT_EQ(s.itemCount, 1);
    // The holder's own change moves its lock on to the new file.
    ASSERT_TRUE(holder.insertItemData(1, entryOf(10), pattern(10, 1)).ok);
    expectRefused(s.deleteItem(0), { busy });
    holder.release();
    ResourceStore after = opened(s.path);
    EXPECT_EQ(after.itemCount, 2);
    EXPECT_TRUE(after.deleteItem(0).ok);
}

TEST_F(StoreTest, ChangesKeepTheFilesModeAndGoThroughSymbolicLinks)
{
    ResourceStore target = created();
    fs::permissions(target.path, fs::perms(0640));
    fs::create_symlink(target.path, dir.file("link.zrf"));
    ResourceStore viaLink = opened(dir.file("link.zrf"));
    ASSERT_TRUE(viaLink.insertItemData(0, entryOf(10), pattern(10, 1)).ok);
    ASSERT_TRUE(createResourceFile(dir.file("link.zrf"), 3504, 320, 240, 8192).ok);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.zrf")));
    EXPECT_EQ(fs::status(target.path).permissions(), fs::perms(0640));
    EXPECT_EQ(opened(target.path).memoryKiB, 8192u) << "the link's target was replaced";
}

TEST_F(StoreTest, NamedPipesFoldersAndMissingFilesAreRefusedWithoutWaiting)
{
    ResourceStore s = created();
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    fs::create_directory(dir.file("folder.zrf"));
    for (const auto& [name, reason] : { std::pair { "pipe", "a named pipe, not a regular file" },
                                        { "folder.zrf", "a folder, not a regular file" },
                                        { "nothere.zrf", "No such file or directory" } }) {
        ResourceStore r = previouslyOpen(dir.file(name));
        expectRefused(r.openResourceFile(), { dir.file(name), reason });
        expectUntouchedExceptIsOpen(r);
        expectRefused(s.insertItem(0, entryOf(0), dir.file(name)), { dir.file(name), reason }, true);
    }
    for (const char* name : { "pipe", "folder.zrf" })
        expectRefused(createResourceFile(dir.file(name), 2404, 320, 240, 4096), { "not a regular file" }, true);
    EXPECT_EQ(checkResourceFile(dir.file("pipe")).readError.value_or(""), "Cannot open resource file \"" + dir.file("pipe") + "\": it is a named pipe, not a regular file");
}

TEST_F(StoreTest, ReadFailureWhileMovingChangesNothing)
{
    ResourceStore s = created();
    auto data = fill(s, { 5000, 100 });
    FaultyIo io;
    io.read.budget = 100; // the header and directory, then the rest of the file fails
    s.io = &io;
    expectRefused(s.insertItemData(0, entryOf(10), pattern(10, 1)), { "Input/output error" });
    EXPECT_EQ(io.writeCalls, 0) << "nothing is written after a failed read";
    EXPECT_EQ(s.itemCount, 2);
    expectFileHolds(s.path, data);
}

TEST_F(StoreTest, AFileRemovedOrReplacedByAFolderIsReportedAndChangesNothing)
{
    ResourceStore s = created();
    fill(s, { 100 });
    const ResourceStore copy = s;
    fs::rename(s.path, dir.file("moved.zrf"));
    fs::create_directory(s.path);
    expectRefused(s.insertItemData(1, entryOf(10), pattern(10, 1)), { s.path, "a folder" });
    std::vector<std::uint8_t> out;
    for (bool ok : { s.deleteItem(0).ok, s.setIgnoreColor(0, 1).ok, s.readItem(0, out).ok })
        EXPECT_FALSE(ok);
    expectSameDirectory(s, copy);
    fs::remove(s.path);
    expectRefused(s.deleteItem(0), { "No such file or directory" });
    EXPECT_FALSE(fs::exists(s.path)) << "a change never creates a missing file";
}

// ---------------------------------------------------------------- deletion

TEST_F(StoreTest, DeletingFreesTheRoundedSpanAndMovesLaterItemsDown)
{
    ResourceStore s = created();
    auto data = fill(s, { 5000, 9000, 0, 100, 4097 });
    const auto laterBefore = s.directory[3].address;
    auto before = s.remainingBytes;
    ASSERT_TRUE(s.deleteItem(1).ok); // 9000 bytes take 12288
    EXPECT_EQ(s.remainingBytes, before + 12288);
    EXPECT_EQ(s.directory[2].address, laterBefore - 12288);
    before = s.remainingBytes;
    ASSERT_TRUE(s.deleteItem(3).ok); // the last, 4097 bytes in 8192
    EXPECT_EQ(s.remainingBytes, before + 8192);
    data.erase(data.begin() + 4);
    data.erase(data.begin() + 1);
    expectFileHolds(s.path, data);
}

TEST_F(StoreTest, ManyInsertionsAndDeletionsKeepTheFileLengthAndEveryItem)
{
    ResourceStore s = created();
    Items data;
    unsigned seed = 1;
    for (int step = 0; step < 40; ++step, seed = seed * 1103515245u + 12345u) {
        if (step % 3 == 2 && s.itemCount > 0) {
            const int at = static_cast<int>(seed % s.itemCount);
            ASSERT_TRUE(s.deleteItem(at).ok);
            data.erase(data.begin() + at);
        } else {
            const std::size_t size = (seed * 2654435761u) % 20000;
            const int at = static_cast<int>(seed % (s.itemCount + 1));
            data.insert(data.begin() + at, pattern(size, seed));
            ASSERT_TRUE(s.insertItemData(at, entryOf(size), data[static_cast<std::size_t>(at)]).ok);
        }
        expectInvariant(s);
    }
    expectFileHolds(s.path, data);
}

TEST_F(StoreTest, SetIgnoreColorRewritesOnlyThatEntry)
{
    ResourceStore s = created();
    fill(s, { 10, 20 });
    const auto before = readBytes(s.path);
    ASSERT_TRUE(s.setIgnoreColor(1, 0xF81F).ok);
    EXPECT_EQ(s.directory[1].ignoreColor, 0xF81F);
    auto after = readBytes(s.path);
    EXPECT_EQ(after[12 + 19 + 17], 0x1F);
    EXPECT_EQ(after[12 + 19 + 18], 0xF8);
    after[12 + 19 + 17] = after[12 + 19 + 18] = 0;
    EXPECT_TRUE(after == before) << "no other byte changed";
}
