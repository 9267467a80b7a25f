// Resource file timings, each as a ratio to a plain file operation on the same
// number of bytes measured in this process:
//  - inserting a 4 KiB item at row 0 of a 16 MiB file holding about 15 MiB,
//    against one read and one write of the bytes that the insertion moves (goal <= 1.5);
//  - creating a 16 MiB resource file, against writing 16 MiB in one call (goal <= 2).
// Usage: bench_resfile [FOLDER]  (default: a fresh folder under /tmp)
#include "resfile/ResourceStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

[[noreturn]] void fail(const std::string& what, const zarn::StoreResult& r = {})
{
    std::fprintf(stderr, "bench_resfile: %s %s %s\n", what.c_str(), r.message.c_str(), r.detail.c_str());
    std::exit(1);
}

void plainWrite(const std::string& path, const std::vector<std::uint8_t>& data)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()) || ::close(fd) != 0)
        fail("plain write of " + path);
}

void plainMove(const std::string& path, std::uint64_t from, std::size_t count, std::uint64_t to)
{
    std::vector<std::uint8_t> buffer(count);
    const int fd = ::open(path.c_str(), O_RDWR);
    if (fd < 0 || ::pread(fd, buffer.data(), count, static_cast<off_t>(from)) != static_cast<ssize_t>(count)
        || ::pwrite(fd, buffer.data(), count, static_cast<off_t>(to)) != static_cast<ssize_t>(count) || ::close(fd) != 0)
        fail("plain read and write of " + path);
}

} // namespace

int main(int argc, char** argv)
{
    std::filesystem::path folder;
    bool own = false;
    if (argc > 1) {
        folder = argv[1];
    } else {
        char tmpl[] = "/tmp/bench-resfile-XXXXXX";
        folder = mkdtemp(tmpl);
        own = true;
    }
    const std::string resource = (folder / "bench.zrf").string();
    const std::string plain = (folder / "plain.bin").string();
    const std::string source = (folder / "item.bin").string();
    constexpr std::uint32_t kMemoryKiB = 16384;
    constexpr int kRuns = 9;

    // --- creation
    std::vector<double> createTimes, writeTimes;
    const std::vector<std::uint8_t> sixteen(std::size_t(kMemoryKiB) * 1024, 0xF0);
    for (int run = 0; run < kRuns; ++run) {
        auto t0 = Clock::now();
        plainWrite(plain, sixteen);
        writeTimes.push_back(seconds(Clock::now() - t0));
        t0 = Clock::now();
        if (auto r = zarn::createResourceFile(resource, 4308, 480, 272, kMemoryKiB); !r.ok)
            fail("create", r);
        createTimes.push_back(seconds(Clock::now() - t0));
    }

    // --- insertion at row 0 of a file holding about 15 MiB
    zarn::ResourceStore store;
    store.path = resource;
    if (auto r = store.openResourceFile(); !r.ok)
        fail("open", r);
    const std::size_t itemSize = 1024 * 1024 - 100;
    const std::vector<std::uint8_t> big(itemSize, 0x5A);
    zarn::ResourceEntry entry;
    entry.kind = 245;
    entry.length = static_cast<std::uint32_t>(itemSize);
    for (int i = 0; i < 15; ++i)
        if (auto r = store.insertItemData(store.itemCount, entry, big); !r.ok)
            fail("fill", r);
    plainWrite(source, std::vector<std::uint8_t>(4096, 0xA5));
    entry.length = 4096;
    const std::uint64_t from = store.directory[0].address;
    const std::size_t moved = store.directory[store.itemCount - 1].address + store.directory[store.itemCount - 1].length - from;

    std::vector<double> insertTimes, moveTimes;
    for (int run = 0; run < kRuns; ++run) {
        auto t0 = Clock::now();
        plainMove(resource, from, moved, from + 4096);
        moveTimes.push_back(seconds(Clock::now() - t0));
        // The plain move shifted the data; put it back so the store's view holds.
        plainMove(resource, from + 4096, moved, from);
        t0 = Clock::now();
        if (auto r = store.insertItem(0, entry, source); !r.ok)
            fail("insert", r);
        insertTimes.push_back(seconds(Clock::now() - t0));
        if (auto r = store.deleteItem(0); !r.ok)
            fail("delete", r);
    }

    const double insertRatio = median(insertTimes) / median(moveTimes);
    const double createRatio = median(createTimes) / median(writeTimes);
    std::printf("insert 4 KiB at row 0, %zu bytes moved: %.2f ms; plain read+write of them: %.2f ms; ratio %.2f (goal <= 1.5)\n",
                moved, median(insertTimes) * 1e3, median(moveTimes) * 1e3, insertRatio);
    std::printf("create 16 MiB resource file: %.2f ms; one 16 MiB write: %.2f ms; ratio %.2f (goal <= 2)\n",
                median(createTimes) * 1e3, median(writeTimes) * 1e3, createRatio);

    if (own)
        std::filesystem::remove_all(folder);
    return 0;
}
