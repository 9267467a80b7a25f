// Opens arbitrary bytes as a resource file. The input is the header and
// directory; unless its last byte is odd it is padded with 0xF0 up to the
// memory size (at most 1 MiB), so that valid directories reach their data.
// A file that opens is listed, checked, and has an item inserted and deleted;
// it must open again afterwards with the same items.
#include "resfile/CapacityDisplay.h"
#include "resfile/DirectoryView.h"
#include "resfile/ResourceStore.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string tempPath()
{
    static const std::string path = "/tmp/fuzz_open_resource_" + std::to_string(::getpid()) + ".zrf";
    return path;
}

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    if (size >= zarn::kHeaderSize && (data[size - 1] & 1) == 0) {
        const auto header
            = zarn::decodeHeader(std::span<const std::uint8_t, zarn::kHeaderSize>(data, zarn::kHeaderSize));
        const std::uint64_t memory = std::min<std::uint64_t>(std::uint64_t(header.memoryKiB) * 1024, 1 << 20);
        if (bytes.size() < memory)
            bytes.resize(static_cast<std::size_t>(memory), zarn::kFillByte);
    }
    const std::string path = tempPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    zarn::ResourceStore store;
    const auto opened = store.openResourceFile(path);
    (void)zarn::checkResourceFile(path);
    if (!opened.ok) {
        require(!store.isOpen() && store.itemCount() == 0);
        std::remove(path.c_str());
        return 0;
    }
    require(store.itemCount() <= store.maxItems());
    require(store.usedEnd() <= std::uint64_t(store.memoryKiB()) * 1024);
    require(store.remainingBytes() == store.memoryKiB() * 1024 - store.usedEnd());
    for (int i = 0; i < store.itemCount(); ++i)
        (void)zarn::directoryRowTexts(store.entry(i), i);
    (void)zarn::capacityText(store);
    (void)zarn::capacityGaugePosition(store);

    const std::uint16_t before = store.itemCount();
    zarn::ResourceEntry entry;
    entry.length = 5;
    entry.kind = 16;
    const std::uint8_t item[5] = { 1, 2, 3, 4, 5 };
    if (store.insertItemData(0, entry, item).ok) {
        require(store.itemCount() == before + 1);
        require(store.usedEnd() <= std::uint64_t(store.memoryKiB()) * 1024);
        zarn::ResourceStore again;
        require(again.openResourceFile(path).ok && again.itemCount() == store.itemCount());
        std::vector<std::uint8_t> back;
        require(again.readItem(0, back).ok && back == std::vector<std::uint8_t>(item, item + 5));
        require(store.deleteItem(0).ok && store.itemCount() == before);
        zarn::ResourceStore third;
        require(third.openResourceFile(path).ok && third.itemCount() == before);
        require(std::ranges::equal(third.directory(), store.directory()));
    }
    std::remove(path.c_str());
    return 0;
}
