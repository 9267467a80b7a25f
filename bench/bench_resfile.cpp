// Resource file timings, each as a ratio to a plain file operation measured in
// this process:
//  - inserting a 4 KiB item at row 0, and appending one, to a 16 MiB file
//    holding 15 MiB, against writing and flushing 16 MiB in one call (goal <= 1.5);
//  - creating a 16 MiB resource file, against the same write (goal <= 2);
//  - opening a file of 400 items, against reading its 7612-byte directory.
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

// The baseline: the whole image written in one call and flushed to the disk.
void plainWrite(const std::string& path, const std::vector<std::uint8_t>& data)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()) || ::fsync(fd) != 0
        || ::close(fd) != 0)
        fail("plain write of " + path);
}

void plainRead(const std::string& path, std::size_t count)
{
    std::vector<std::uint8_t> buffer(count);
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::pread(fd, buffer.data(), count, 0) != static_cast<ssize_t>(count) || ::close(fd) != 0)
        fail("plain read of " + path);
}

template <typename Step> double medianOf(int runs, Step step)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto t0 = Clock::now();
        step();
        times.push_back(seconds(Clock::now() - t0));
    }
    return median(times);
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
    constexpr std::uint32_t kMemoryKiB = 16384;
    constexpr int kRuns = 9;
    const std::vector<std::uint8_t> sixteen(std::size_t(kMemoryKiB) * 1024, 0xF0);

    // Baseline and creation, interleaved so that both see the same disk.
    std::vector<double> createTimes, writeTimes;
    for (int run = 0; run < kRuns; ++run) {
        auto t0 = Clock::now();
        plainWrite(plain, sixteen);
        writeTimes.push_back(seconds(Clock::now() - t0));
        t0 = Clock::now();
        if (auto r = zarn::createResourceFile(resource, 4308, 480, 272, kMemoryKiB); !r.ok)
            fail("create", r);
        createTimes.push_back(seconds(Clock::now() - t0));
    }
    const double write16 = median(writeTimes);

    // 15 items of about 1 MiB: 15 MiB held.
    zarn::ResourceStore store;
    if (auto r = store.openResourceFile(resource); !r.ok)
        fail("open", r);
    const std::size_t itemSize = 1024 * 1024 - 100;
    const std::vector<std::uint8_t> big(itemSize, 0x5A);
    zarn::ResourceEntry entry;
    entry.kind = 245;
    entry.length = static_cast<std::uint32_t>(itemSize);
    for (int i = 0; i < 15; ++i)
        if (auto r = store.insertItemData(store.itemCount(), entry, big); !r.ok)
            fail("fill", r);
    const std::vector<std::uint8_t> small(4096, 0xA5);
    entry.length = 4096;

    // Each insertion is undone by a deletion outside the figure.
    std::vector<double> insertTimes, appendTimes;
    for (int run = 0; run < kRuns; ++run) {
        auto t0 = Clock::now();
        if (auto r = store.insertItemData(0, entry, small); !r.ok)
            fail("insert", r);
        insertTimes.push_back(seconds(Clock::now() - t0));
        if (auto r = store.deleteItem(0); !r.ok)
            fail("delete", r);
        t0 = Clock::now();
        if (auto r = store.insertItemData(store.itemCount(), entry, small); !r.ok)
            fail("append", r);
        appendTimes.push_back(seconds(Clock::now() - t0));
        if (auto r = store.deleteItem(store.itemCount() - 1); !r.ok)
            fail("delete", r);
    }

    // A file of 400 zero-length items: the largest directory there is.
    entry.length = 0;
    for (int i = store.itemCount(); i < 400; ++i)
        if (auto r = store.insertItemData(store.itemCount(), entry, {}); !r.ok)
            fail("fill to 400", r);
    const double open400 = medianOf(kRuns * 5, [&] {
        zarn::ResourceStore again;
        if (auto r = again.openResourceFile(resource); !r.ok || again.itemCount() != 400)
            fail("open 400", r);
    });
    const double readDirectory = medianOf(kRuns * 5, [&] { plainRead(resource, 12 + 19 * 400); });

    std::printf("baseline: write and flush 16 MiB in one call: %.2f ms\n", write16 * 1e3);
    std::printf("insert 4 KiB at row 0 (15 MiB held): %.2f ms, ratio %.2f (goal <= 1.5)\n", median(insertTimes) * 1e3,
        median(insertTimes) / write16);
    std::printf("append 4 KiB (15 MiB held):          %.2f ms, ratio %.2f (goal <= 1.5)\n", median(appendTimes) * 1e3,
        median(appendTimes) / write16);
    std::printf("create 16 MiB resource file:         %.2f ms, ratio %.2f (goal <= 2)\n", median(createTimes) * 1e3,
        median(createTimes) / write16);
    std::printf("open a 400-item file: %.3f ms; plain read of its directory: %.3f ms; ratio %.1f\n", open400 * 1e3,
        readDirectory * 1e3, open400 / readDirectory);

    if (own)
        std::filesystem::remove_all(folder);
    return 0;
}
