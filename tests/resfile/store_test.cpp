// The resource store against real files: creation, insertion and deletion, the
// command checks, damaged files, and what is left when the disk fails, the
// process dies or another program changes the file meanwhile.
#include "resfile/CapacityDisplay.h"
#include "resfile/ResourceStore.h"
#include "resfile/StoreCommands.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <set>
#include <sstream>

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

namespace {

// Thrown where the process would die: nothing after it runs, no clean-up.
struct Crash { };

// A FileIo that fails on cue: a disk that fills up, a read that breaks, a flush
// or rename that fails, or a process that dies at a chosen file call (in a
// write, half way through it). What the store leaves then is what a user keeps.
struct FaultyIo : FileIo {
    std::int64_t writeRoom = INT64_MAX, readRoom = INT64_MAX; // bytes before writes fail with ENOSPC, reads with EIO
    int crashAtCall = -1, calls = 0; // the call (counted from 1) at which the process dies
    int failFsync = 0, failRename = 0; // errno values for these calls to fail with
    bool noUnnamedFiles = false; // a system without files that have no name
    std::set<int> files; // closed by the system when the process dies

    IoCount pwrite(int fd, const void* buffer, std::size_t count, FileOffset offset) override
    {
        if (dies())
            FileIo::pwrite(fd, buffer, count / 2, offset), die();
        const std::size_t n = std::min<std::uint64_t>(count, writeRoom);
        writeRoom -= std::int64_t(n);
        return !n && count ? (errno = ENOSPC, -1) : FileIo::pwrite(fd, buffer, n, offset);
    }
    IoCount pread(int fd, void* buffer, std::size_t count, FileOffset offset) override
    {
        return step(), (readRoom -= IoCount(count)) < 0 ? (errno = EIO, -1) : FileIo::pread(fd, buffer, count, offset);
    }
    int open(const std::string& p, int f, int m) override { return step(), opened(FileIo::open(p, f, m)); }
    int fsync(int fd) override { return step(), failFsync ? (errno = failFsync, -1) : FileIo::fsync(fd); }
    int rename(const std::string& from, const std::string& to) override
    {
        return step(), failRename ? (errno = failRename, -1) : FileIo::rename(from, to);
    }
    int unlink(const std::string& path) override { return step(), FileIo::unlink(path); }
    int openUnnamed(const std::string& folder, int mode) override
    {
        return step(), noUnnamedFiles ? (errno = EOPNOTSUPP, -1) : opened(FileIo::openUnnamed(folder, mode));
    }
    int nameUnnamed(int fd, const std::string& path) override { return step(), FileIo::nameUnnamed(fd, path); }
    int syncFolder(const std::string& folder) override { return step(), FileIo::syncFolder(folder); }
    int close(int fd) override { return files.erase(fd) ? FileIo::close(fd) : 0; }

    int opened(int fd) { return fd >= 0 ? (files.insert(fd), fd) : fd; }
    bool dies() { return crashAtCall > 0 && ++calls >= crashAtCall; }
    void step() { dies() ? die() : void(); }
    [[noreturn]] void die()
    {
        for (int fd : std::exchange(files, {}))
            FileIo::close(fd);
        throw Crash {};
    }
};

using Items = std::vector<Bytes>;
using Change = std::function<StoreResult(ResourceStore&)>;
#define EXPECT_HAS(text, what) EXPECT_NE((text).find(what), std::string::npos) << (text)

ResourceEntry entryOf(std::size_t length) { return { 0, std::uint32_t(length), 0, 10, 20, 16, 0 }; }
const Change kInsert = [](ResourceStore& s) { return s.insertItemData(1, entryOf(6000), pattern(6000, 99)); };
const Change kDelete = [](ResourceStore& s) { return s.deleteItem(0); };
const Change kSetColor = [](ResourceStore& s) { return s.setIgnoreColor(1, 0x1234); };

ResourceStore opened(const std::string& path, FileIo& io = defaultFileIo())
{
    ResourceStore s(io);
    EXPECT_TRUE(s.openResourceFile(path).ok) << path;
    return s;
}

bool sameView(const ResourceStore& a, const ResourceStore& b)
{
    return std::ranges::equal(a.directory(), b.directory()) && a.remainingBytes() == b.remainingBytes();
}

std::vector<std::uint32_t> addresses(const ResourceStore& s)
{
    std::vector<std::uint32_t> at;
    for (const auto& e : s.directory())
        at.push_back(e.address);
    return at;
}

// The file, opened afresh (which checks where every item sits), holds `data`
// in directory order at the memory size's length, and the store agrees with it.
void expectFileHolds(const ResourceStore& store, const Items& data)
{
    ResourceStore fresh = opened(store.path());
    Items got(fresh.itemCount());
    for (int i = 0; i < fresh.itemCount(); ++i)
        EXPECT_TRUE(fresh.readItem(i, got[std::size_t(i)]).ok);
    EXPECT_TRUE(got == data && sameView(fresh, store) && fs::file_size(store.path()) == fresh.memoryKiB() * 1024ull);
}

// A refusal whose message and detail hold all these texts between them.
void expectRefused(const StoreResult& r, const std::vector<std::string>& texts)
{
    EXPECT_FALSE(r.ok);
    for (const auto& text : texts)
        EXPECT_HAS(r.message + "\n" + r.detail, text);
}

class StoreTest : public ::testing::Test {
protected:
    TempDir dir;

    ResourceStore created(const std::string& name = "r.zrf", std::uint32_t kib = 4096)
    {
        EXPECT_TRUE(createResourceFile(dir.file(name), 2404, 320, 240, kib).ok);
        return opened(dir.file(name));
    }
    // Appends items of these sizes with distinct contents; returns the contents.
    static Items fill(ResourceStore& s, std::initializer_list<std::size_t> sizes)
    {
        Items data;
        for (std::size_t n : sizes)
            EXPECT_TRUE(s.insertItemData(s.itemCount(), entryOf(n), data.emplace_back(pattern(n, data.size()))).ok);
        return data;
    }
};

} // namespace

// A new file replaces an old one whole, through a symbolic link and keeping
// its mode; a failed creation says "False" with the file and the reason, and
// leaves nothing of itself behind. A name of 255 bytes, the limit, in a long
// folder still leaves room for the temporary file beside it.
TEST_F(StoreTest, NewFilesOfEachSizeHaveTheDocumentedBytesOrSayFalseWithTheReason)
{
    for (auto [kib, left] :
        { std::pair { 4096u, 4190208u }, { 8192u, 8380416u }, { 12288u, 12574720u }, { 16384u, 16769024u } }) {
        patternFile(dir / "new.zrf", 5000);
        const ResourceStore s = created("new.zrf", kib);
        const Bytes bytes = readBytes(s.path()),
                    first { 0, 0, 0x64, 9, 0x40, 1, 0xF0, 0, 0, std::uint8_t(kib >> 8), 0, 0 };
        EXPECT_TRUE(bytes.size() == kib * 1024 && std::equal(first.begin(), first.end(), bytes.begin()));
        EXPECT_TRUE(std::all_of(bytes.begin() + 12, bytes.end(), [](std::uint8_t b) { return b == 0xF0; }));
        EXPECT_EQ(std::tuple(s.remainingBytes(), s.maxItems(), s.usedEnd()), // usedEnd: where the data begins
            std::tuple(left, kib == 4096 ? 190 : 400, kib == 4096 ? 4096u : 8192u));
    }
    fs::create_directory(dir / "taken.zrf");
    ASSERT_TRUE(makeNamedPipe(dir.file("pipe")) || !kNamedPipes);
    FaultyIo io; // a disk that is full after 1 MiB
    io.writeRoom = 1 << 20;
    const std::tuple<std::string, std::uint32_t, std::string> failures[] = {
        { "missing/r.zrf", 4096, systemReason(ENOENT) },
        { "taken.zrf", 4096, "it is a folder, not a regular file" },
        { "pipe", 4096, "it is a named pipe, not a regular file" },
        { "new.zrf", 4096, systemReason(ENOSPC) },
        { "zero.zrf", 0, "a memory size of 0 KiB is not possible" },
    };
    const Bytes old = readBytes(dir / "new.zrf");
    for (const auto& [name, kib, reason] : failures)
        if (kNamedPipes || name != "pipe")
            expectRefused(
                createResourceFile(dir.file(name), 2404, 320, 240, kib, io), { "False", dir.file(name), reason });
    EXPECT_TRUE(readBytes(dir / "new.zrf") == old && dir.entryCount() == (kNamedPipes ? 3 : 2))
        << "nothing new is left behind";
    fs::create_directory(dir / std::string(200, 'd'));
    const ResourceStore target = created(std::string(200, 'd') + "/" + std::string(251, 'n') + ".zrf");
#ifdef _WIN32
    // No symbolic links without a privilege, and no POSIX permission bits: the long path alone.
    EXPECT_EQ(target.memoryKiB(), 4096u);
    return;
#endif
    fs::permissions(target.path(), fs::perms(0640));
    fs::create_symlink(target.path(), dir / "link.zrf");
    ResourceStore viaLink = opened(dir.file("link.zrf"));
    expectFileHolds(viaLink, fill(viaLink, { 10 }));
    ASSERT_TRUE(createResourceFile(dir.file("link.zrf"), 3504, 320, 240, 8192).ok);
    EXPECT_TRUE(fs::is_symlink(dir / "link.zrf") && fs::status(target.path()).permissions() == fs::perms(0640));
    EXPECT_EQ(opened(target.path()).memoryKiB(), 8192u) << "the link's target was replaced";
}

// The documented bytes of a font library as the first item, the capacity shown
// for it, and an item's ignore colour, set without touching any other byte.
TEST_F(StoreTest, AFontLibraryItemTheCapacityAndAnIgnoreColorAreAsDocumented)
{
    ResourceStore s = created();
    ASSERT_TRUE(s.insertItem(0, ResourceEntry { 0, 261696, 0, 16, 16, 240, 0 }, patternFile(dir / "gb", 261696, 4)).ok);
    Bytes bytes = readBytes(s.path());
    const Bytes data = pattern(261696, 4),
                first { 1, 0, 0x64, 9, 0x40, 1, 0xF0, 0, 0, 0x10, 0, 0, 0, 0x10, 0, 0, 0x40, 0xFE, 3, 0, 0, 0, 0, 0,
                    0x10, 0, 0x10, 0, 0xF0, 0, 0 };
    EXPECT_TRUE(std::equal(first.begin(), first.end(), bytes.begin()));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin() + 4096));
    EXPECT_EQ(capacityText(s), "Resource File size:4194304 Remaining bytes:3928064");
    EXPECT_EQ(std::pair(capacityGaugeRange(s), capacityGaugePosition(s)), std::pair(4096, 260));
    fill(s, { 10 });
    bytes = readBytes(s.path());
    bytes[12 + 19 + 17] = 0x1F, bytes[12 + 19 + 18] = 0xF8; // entry 1's colour, little-endian at its offset 17
    ASSERT_TRUE(s.setIgnoreColor(1, 0xF81F).ok);
    EXPECT_TRUE(s.entry(1).ignoreColor == 0xF81F && readBytes(s.path()) == bytes);
}

// Items follow each other in whole blocks; an empty one takes none. Inserting
// after the selection mark moves the later items up with their data, deleting
// moves them down by the rounded span freed.
TEST_F(StoreTest, InsertionAndDeletionMoveLaterItemsByWholeBlocks)
{
    ResourceStore s = created();
    Items data = fill(s, { 5000, 0, 9000, 100, 4097 });
    using At = std::vector<std::uint32_t>;
    EXPECT_EQ(addresses(s), (At { 4096, 12288, 12288, 24576, 28672 }));
    EXPECT_EQ(std::pair(s.insertionIndex(std::nullopt), s.insertionIndex(1)), std::pair(5, 2));
    data.insert(data.begin() + 2, pattern(6000, 77));
    ASSERT_TRUE(s.insertItemData(2, entryOf(6000), data[2]).ok);
    EXPECT_EQ(addresses(s), (At { 4096, 12288, 12288, 20480, 32768, 36864 }));
    for (int index : { 3, 4, 0 }) { // 9000 bytes free 12288, the last item's 4097 bytes 8192, 5000 bytes 8192
        ASSERT_TRUE(s.deleteItem(index).ok);
        data.erase(data.begin() + index);
    }
    EXPECT_EQ(addresses(s), (At { 4096, 4096, 12288 }));
    EXPECT_EQ(s.remainingBytes(), 4190208u - 12288);
    expectFileHolds(s, data);
}

TEST_F(StoreTest, ManyInsertionsAndDeletionsKeepTheFileLengthAndEveryItem)
{
    ResourceStore s = created();
    Items data;
    for (unsigned step = 0, seed = 1; step < 40; ++step, seed = seed * 1103515245u + 12345u) {
        const std::size_t size = step % 4 == 1 ? 0 : (seed * 2654435761u) % 20000, at = seed % (data.size() + 1);
        if (step % 3 == 2 && at < data.size()) {
            ASSERT_TRUE(s.deleteItem(int(at)).ok);
            data.erase(data.begin() + std::ptrdiff_t(at));
        } else {
            data.insert(data.begin() + std::ptrdiff_t(at), pattern(size, seed));
            ASSERT_TRUE(s.insertItemData(int(at), entryOf(size), data[at]).ok);
        }
        expectFileHolds(s, data);
    }
}

// A file laid out whole (a project's build) is byte for byte the new file with
// the same items added one by one at the end; items that do not fit, or too
// many, are refused as an insertion refuses them.
TEST_F(StoreTest, AFileLaidOutWholeIsTheNewFileWithEachItemAdded)
{
    for (const std::uint32_t kib : { 4096u, 8192u }) {
        ResourceStore s = created("added.zrf", kib);
        const Items data = fill(s, { 5000, 0, 4096, 1, 20000, 4097 });
        std::vector<LaidOutItem> items;
        for (std::size_t i = 0; i < data.size(); ++i)
            items.push_back({ s.entry(int(i)), data[i] });
        items[2].entry.address = 12345; // the layout places each item itself
        Bytes image;
        std::vector<ResourceEntry> directory;
        ASSERT_TRUE(layOutResourceFile(s.header(), items, image, directory).ok);
        EXPECT_TRUE(image == readBytes(dir / "added.zrf")) << kib;
        EXPECT_TRUE(std::equal(directory.begin(), directory.end(), s.directory().begin(), s.directory().end()));
    }
    const ResourceHeader header { 0, 2404, 320, 240, 4096 };
    const Bytes big(4096 * 1024 - 4096), one(1);
    std::vector<ResourceEntry> directory;
    Bytes image;
    expectRefused(layOutResourceFile(header,
                      std::vector<LaidOutItem> { { entryOf(big.size()), big }, { entryOf(1), one } }, image, directory),
        { "Resource file space not enough" });
    expectRefused(layOutResourceFile(header, std::vector<LaidOutItem>(191, { entryOf(0), {} }), image, directory),
        { "Exceed the maximum number of resources" });
}

// ">>LOAD" and "Delete" refuse in this order (each case would also fail the
// checks after its own), in the window and on the command line alike; "Open
// Resource" takes only the extension "zrf" of the name. Space is tested on the
// unrounded length, before the item count, and the store also refuses a length
// whose blocks do not fit (9 KiB of memory leave 5120 bytes, no whole block).
TEST_F(StoreTest, LoadAndDeleteChecksComeInTheirOrderAndBlocksNeverOverflow)
{
    fs::copy_file(kDataDir / "resfile/full-directory.zrf", dir / "full.zrf"); // 190 empty items, 5120 bytes left
    ResourceStore none, empty = created("empty.zrf"), full = opened(dir.file("full.zrf")), odd = created("odd.zrf", 9);
    const std::string busy = "Programming module...", space = "Resource file space not enough",
                      count = "Exceed the maximum number of resources";
    const std::tuple<bool, ResourceStore*, bool, std::uint32_t, std::optional<std::string>> loads[]
        = { { true, &none, false, 5121, busy }, { false, &none, false, 5121, "Not Resource Open" },
              { false, &full, false, 5121, "Not Pictrue loaded" }, { false, &full, true, 5121, space },
              { false, &full, true, 5000, count }, { false, &empty, true, 4190208, {} },
              { false, &odd, true, 5000, {} } };
    for (const auto& [isBusy, store, loaded, size, expected] : loads)
        EXPECT_EQ(checkLoadBitmap(isBusy, *store, loaded, size), expected) << size;
    const std::tuple<bool, ResourceStore*, std::optional<int>, std::optional<std::string>> deletes[]
        = { { true, &none, {}, busy }, { false, &none, {}, "Not Resource Open" }, { false, &full, 3, {} },
              { false, &empty, {}, "Not items of Resource file" },
              { false, &full, {}, "Please select the items you want to delete the resources" } };
    for (const auto& [isBusy, store, mark, expected] : deletes)
        EXPECT_EQ(checkDelete(isBusy, *store, mark), expected);
    for (auto [path, opens] : { std::pair { "/a/T.zrf", true }, { "x.y.zrf", true }, { "/a/T.ZRF", true },
             { "a.Zrf", true }, { "/a/T.zrfx", false }, { "/a/b.zrf/T", false }, { "zrf", false } })
        EXPECT_EQ(hasResourceExtension(path), opens) << path;
    for (auto [store, length] : { std::pair { &full, 0u }, { &odd, 5000u }, { &odd, 5121u } })
        EXPECT_EQ(store->insertItemData(0, entryOf(length), Bytes(length)).message, store == &full ? count : space);
    expectFileHolds(empty, fill(empty, { 4190208 }));
}

// What cannot be done is refused with its reason and the file stays as it was:
// a closed store, a place outside the directory, a source that is no regular
// file or not of the item's length, a file that is missing. Pipes never block.
TEST_F(StoreTest, RefusedChangesNameTheirReasonAndLeaveTheFileAsItWas)
{
    ResourceStore s = created(), closed;
    const Items data = fill(s, { 100 });
    ASSERT_TRUE(makeNamedPipe(dir.file("pipe")) || !kNamedPipes);
    fs::create_directory(dir / "folder.zrf");
    const std::string pipe = dir.file("pipe"), folder = dir.file("folder.zrf"), missing = dir.file("nothere.zrf");
    const std::pair<StoreResult, std::vector<std::string>> refusals[] = {
        { kDelete(closed), { "Not Resource Open" } },
        { s.insertItemData(3, entryOf(1), Bytes(1)), { "There is no place 3 in a directory of 1 items" } },
        { s.deleteItem(-1), { "There is no item -1" } },
        { s.setIgnoreColor(1, 1), { "There is no item 1" } },
        { s.insertItem(0, entryOf(0), pipe), { "False", pipe, "it is a named pipe, not a regular file" } },
        { s.insertItem(0, entryOf(0), folder), { "False", folder, "it is a folder, not a regular file" } },
        { s.insertItem(0, entryOf(0), missing), { "False", missing, systemReason(ENOENT) } },
        { s.insertItem(0, entryOf(100), patternFile(dir / "src", 101)), { "100", "101" } },
        { ResourceStore(s).openResourceFile(pipe), { pipe, "it is a named pipe, not a regular file" } },
        { ResourceStore(s).openResourceFile(folder), { folder, "it is a folder, not a regular file" } },
        { ResourceStore(s).openResourceFile(missing), { missing, systemReason(ENOENT) } },
    };
    for (const auto& [r, texts] : refusals)
        if (kNamedPipes || std::find(texts.begin(), texts.end(), pipe) == texts.end())
            expectRefused(r, texts);
    expectFileHolds(s, data);
    fs::remove(s.path());
    expectRefused(kDelete(s), { s.path(), systemReason(ENOENT) });
    EXPECT_FALSE(fs::exists(s.path())) << "a change never creates a missing file";
}

// Each damaged file of tests/data/resfile/damaged is opened, checked and read
// for a module as its line in expected.txt says. A refused open writes
// nothing and leaves the store as it was, its file still open; a file the
// module would show garbage from is refused with the item and the reason.
TEST_F(StoreTest, DamagedFilesAreRefusedWhereTheyMustBeAndFoundByTheCheck)
{
    const fs::path folder = kDataDir / "resfile/damaged";
    ResourceStore good = created();
    fill(good, { 100, 0, 5000 });
    std::ifstream table(folder / "expected.txt");
    std::ptrdiff_t rows = 0;
    for (std::string line, name, open, sent, words; std::getline(table, line);) {
        std::istringstream in(line);
        std::size_t problems = 0, warnings = 0;
        if (!(in >> name >> open >> sent >> problems >> warnings >> std::ws) || name[0] == '#'
            || !std::getline(in, words))
            continue;
        SCOPED_TRACE(name);
        ++rows;
        fs::copy_file(folder / name, dir / name);
        ResourceStore s = good;
        const auto r = s.openResourceFile(dir.file(name));
        if (open == "refused") {
            EXPECT_TRUE(
                r.message == "Resource File Error" && s.isOpen() && s.path() == good.path() && sameView(s, good));
            EXPECT_HAS(r.detail, words);
            EXPECT_HAS(r.detail, dir.file(name));
        } else {
            ASSERT_TRUE(r.ok) << r.detail;
            Bytes image;
            const auto read = s.readImage(image);
            EXPECT_EQ(read.ok, sent == "sent") << read.detail;
            if (sent == "sent")
                EXPECT_EQ(image.size(), s.usedEnd());
            else
                EXPECT_TRUE(read.message == "Resource File Error" && read.detail.find(words) != std::string::npos
                    && image.empty())
                    << read.detail;
        }
        EXPECT_TRUE(readBytes(dir / name) == readBytes(folder / name)) << "reading never writes";
        const ResourceCheck check = checkResourceFile(dir.file(name));
        std::vector<std::string> lines = check.problems;
        lines.insert(lines.end(), check.warnings.begin(), check.warnings.end());
        EXPECT_TRUE(!check.readError && check.problems.size() == problems && check.warnings.size() == warnings
            && std::ranges::any_of(lines, [&](auto& p) { return p.find(words) != std::string::npos; }))
            << check.problems.size() << " problems, " << check.warnings.size() << " warnings";
    }
    EXPECT_EQ(rows,
        std::ranges::count_if(fs::directory_iterator(folder), [](auto& e) { return e.path().extension() == ".zrf"; }));
}

// A change is made beside the file and renamed over it, with or without files
// that have no name. A disk that fills, a flush, rename or read that fails
// (then with no room for a write either) leaves the old file, every byte of
// it, the store as it was and nothing beside. A process that dies at any file
// call (in a write, half way through it) leaves the complete old file or the
// complete new one, and the next change removes what it left beside the file.
TEST_F(StoreTest, WhateverBreaksAChangeLeavesTheOldOrTheNewFile)
{
    const std::pair<std::function<void(FaultyIo&)>, std::string> faults[] = {
        { [](FaultyIo& io) { io.writeRoom = 0; }, systemReason(ENOSPC) },
        { [](FaultyIo& io) { io.writeRoom = 30000; }, systemReason(ENOSPC) },
        { [](FaultyIo& io) { io.failFsync = EIO; }, "Input/output error" },
        { [](FaultyIo& io) { io.failRename = EXDEV; }, "Invalid cross-device link" },
        { [](FaultyIo& io) { io.readRoom = 200, io.writeRoom = 0; }, "Input/output error" }, // past the directory
    };
    int n = 0;
    for (const Change& change : { kInsert, kDelete, kSetColor })
        for (bool unnamed : { true, false }) {
            ResourceStore s = created(std::to_string(++n) + ".zrf", 64);
            fill(s, { 5000, 100, 9000, 4096, 0, 20000 });
            const Bytes oldBytes = readBytes(s.path());
            Items left; // the file after each attempt: each fault, then death at call 1, 2, ... until it completes
            for (std::size_t k = 0; k < std::size(faults) + 100 && (left.empty() || left.back() == oldBytes); ++k) {
                FaultyIo io;
                io.noUnnamedFiles = !unnamed;
                ResourceStore broken = opened(s.path(), io);
                const auto* fault = k < std::size(faults) ? &faults[k] : nullptr;
                fault ? fault->first(io) : void(io.crashAtCall = int(k - std::size(faults) + 1));
                try {
                    const StoreResult r = change(broken);
                    if (fault)
                        expectRefused(r, { s.path(), fault->second });
                    EXPECT_TRUE(!fault || (sameView(broken, s) && dir.entryCount() == n)) << "nothing beside";
                } catch (const Crash&) {
                }
                left.push_back(readBytes(s.path()));
                writeBytes(s.path(), oldBytes);
            }
            ASSERT_TRUE(left.back() != oldBytes) << "once it is not killed the change completes";
            for (std::size_t k = 0; k < left.size(); ++k)
                EXPECT_TRUE(left[k] == oldBytes || (k >= std::size(faults) && left[k] == left.back())) << k;
            ASSERT_TRUE(change(s).ok);
            EXPECT_EQ(dir.entryCount(), n) << "the temporaries of dead writers are removed by the next change";
        }
}

// Another program's change is never overwritten: a change on a view older than
// the file reads it again instead, and a writer holding the lock is waited for,
// then the change is refused with a text that says why.
TEST_F(StoreTest, AnotherProgramsChangeIsNeitherOverwrittenNorRaced)
{
    ResourceStore window = created();
    fill(window, { 5000, 100 });
    ResourceStore other = opened(window.path());
    ASSERT_TRUE(kInsert(other).ok);
    const Bytes changed = readBytes(window.path());
    for (const Change& change : { kDelete, kInsert }) {
        ResourceStore stale = window;
        const auto r = change(stale);
        EXPECT_TRUE(r.reloaded && !r.ok && r.message == kMsgFileReadAgain && sameView(stale, other)) << r.message;
    }
    EXPECT_TRUE(readBytes(window.path()) == changed) << "the other program's change is kept";
    ASSERT_TRUE(other.hold(LockMode::Exclusive).ok);
    window.setLockWait(std::chrono::milliseconds(50));
    Bytes out;
    for (const auto& r :
        { kInsert(window), window.readItem(0, out), ResourceStore(window).openResourceFile(window.path()) })
        expectRefused(r, { window.path(), "is being changed by another program" });
    ASSERT_TRUE(kInsert(other).ok); // the holder's lock moves on to the new file
    expectRefused(kDelete(window), { "is being changed by another program" });
    other.release();
    // A replacement under way, its new file locked beside the old one, is waited for as the lock is.
    FileIo& io = defaultFileIo();
    const int writer = io.open(dir.file(".r.zrf.tmp-1-0"), O_RDWR | O_CREAT, 0644);
    ASSERT_TRUE(writer >= 0 && io.tryLock(writer, LockMode::Exclusive) == 0);
    expectRefused(ResourceStore(window).openResourceFile(window.path()), { "is being changed by another program" });
    io.close(writer); // as a writer that died leaves it: the next change removes it
    ASSERT_TRUE(kDelete(other).ok);
    EXPECT_EQ(dir.entryCount(), 1);
    // A file that became invalid meanwhile (model code 2400) is refused as at opening.
    std::fstream(window.path(), std::ios::in | std::ios::out | std::ios::binary).seekp(2).put(0x60);
    EXPECT_EQ(kDelete(window).message, "Resource File Error") << "the lock was let go";
    EXPECT_TRUE(window.isOpen()) << "the window's file stays its own, refused until it is whole";
}

// Offsets and lengths past 4 GiB: a file cut that long (nothing written there)
// reads as zeros at 4 GiB, not as its first bytes, and ends where it was cut.
TEST(FileIoTest, OffsetsAndLengthsPastFourGiB)
{
    TempDir dir;
    FileIo& io = defaultFileIo();
    const int fd = io.open(dir.file("long"), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    const FileOffset fourGiB = FileOffset { 1 } << 32;
    const Bytes head { 1, 2, 3 };
    ASSERT_TRUE(writeFully(io, fd, head.data(), head.size(), 0) == 0 && io.truncate(fd, fourGiB + 3) == 0);
    FileStatus status;
    EXPECT_TRUE(io.fstat(fd, status) == 0 && status.size == fourGiB + 3);
    Bytes got(4, 9);
    EXPECT_EQ(io.pread(fd, got.data(), got.size(), fourGiB), 3);
    EXPECT_EQ(got, (Bytes { 0, 0, 0, 9 }));
    io.close(fd);
}
