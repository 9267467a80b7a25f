#include "resfile/ResourceStore.h"

#include "resfile/StoreCommands.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <unistd.h>

namespace zarn {

namespace {

    std::string quoted(const std::string& path) { return "\"" + path + "\""; }

    std::string reason(int err) { return std::strerror(err); }

    StoreResult failure(std::string message, std::string detail = {})
    {
        return StoreResult { false, std::move(message), std::move(detail) };
    }

    std::uint64_t memoryBytes(std::uint32_t memoryKiB) { return std::uint64_t(memoryKiB) * 1024; }

    // One open file for the length of one operation; closed on every path.
    class OpenFile {
    public:
        OpenFile(FileIo& io, std::string path)
            : m_io(io)
            , m_path(std::move(path))
        {
        }
        ~OpenFile()
        {
            if (m_fd >= 0)
                m_io.close(m_fd);
        }
        OpenFile(const OpenFile&) = delete;
        OpenFile& operator=(const OpenFile&) = delete;

        StoreResult open(int flags, const char* what = "Cannot open resource file ")
        {
            m_fd = m_io.open(m_path, flags);
            if (m_fd < 0)
                return failure(what + quoted(m_path) + ": " + reason(errno));
            return {};
        }

        std::int64_t size() { return m_io.size(m_fd); }

        // Reads exactly count bytes; `got` says how many arrived before end of file.
        StoreResult read(std::uint64_t offset, std::uint8_t* buffer, std::size_t count, std::size_t* got = nullptr)
        {
            std::size_t done = 0;
            while (done < count) {
                const ssize_t r = m_io.pread(m_fd, buffer + done, count - done, static_cast<off_t>(offset + done));
                if (r < 0 && errno == EINTR)
                    continue;
                if (r < 0) {
                    if (got)
                        *got = done;
                    return failure("Cannot read resource file " + quoted(m_path) + ": " + reason(errno));
                }
                if (r == 0) {
                    if (got)
                        *got = done;
                    return failure("Cannot read resource file " + quoted(m_path) + ": the file ends at byte "
                                   + std::to_string(offset + done) + ", before the data it should hold");
                }
                done += static_cast<std::size_t>(r);
            }
            if (got)
                *got = done;
            return {};
        }

        StoreResult write(std::uint64_t offset, const std::uint8_t* buffer, std::size_t count)
        {
            std::size_t done = 0;
            while (done < count) {
                const ssize_t r = m_io.pwrite(m_fd, buffer + done, count - done, static_cast<off_t>(offset + done));
                if (r < 0 && errno == EINTR)
                    continue;
                if (r <= 0) {
                    const int err = r == 0 ? ENOSPC : errno;
                    return failure("Cannot write resource file " + quoted(m_path) + ": " + reason(err));
                }
                done += static_cast<std::size_t>(r);
            }
            return {};
        }

        StoreResult close()
        {
            const int fd = m_fd;
            m_fd = -1;
            if (m_io.close(fd) != 0)
                return failure("Cannot write resource file " + quoted(m_path) + ": " + reason(errno));
            return {};
        }

    private:
        FileIo& m_io;
        std::string m_path;
        int m_fd = -1;
    };

    std::unique_ptr<std::uint8_t[]> uninitialised(std::size_t n) { return std::unique_ptr<std::uint8_t[]>(new std::uint8_t[n]); }

    std::vector<std::uint8_t> encodeDirectory(const ResourceHeader& header, std::span<const ResourceEntry> entries)
    {
        std::vector<std::uint8_t> buffer(kHeaderSize + kEntrySize * entries.size());
        const auto h = encodeHeader(header);
        std::copy(h.begin(), h.end(), buffer.begin());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto e = encodeEntry(entries[i]);
            std::copy(e.begin(), e.end(), buffer.begin() + kHeaderSize + kEntrySize * i);
        }
        return buffer;
    }

    std::uint64_t usedEndOf(std::uint32_t memoryKiB, std::span<const ResourceEntry> entries)
    {
        if (entries.empty())
            return payloadStartFor(memoryKiB);
        const auto& last = entries.back();
        return roundUpToBlock64(std::uint64_t(last.address) + last.length);
    }

    std::atomic<unsigned> g_tempCounter { 0 };

} // namespace

// ---------------------------------------------------------------- creation

StoreResult createResourceFile(const std::string& path, std::uint16_t modelCode, std::uint16_t screenWidth,
                               std::uint16_t screenHeight, std::uint32_t memoryKiB)
{
    return createResourceFile(path, modelCode, screenWidth, screenHeight, memoryKiB, defaultFileIo());
}

StoreResult createResourceFile(const std::string& path, std::uint16_t modelCode, std::uint16_t screenWidth,
                               std::uint16_t screenHeight, std::uint32_t memoryKiB, FileIo& io)
{
    const std::uint64_t total = memoryBytes(memoryKiB);
    if (total < payloadStartFor(memoryKiB) || total > std::numeric_limits<std::uint32_t>::max() - kBlockSize + 1)
        return failure(kMsgFalse, "Cannot create resource file " + quoted(path) + ": a memory size of "
                           + std::to_string(memoryKiB) + " KiB is not possible");

    // Built under a short hidden name beside the target, then renamed over it:
    // a failure part way leaves neither a partial file nor a damaged old one.
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string temp = folder + ".zrf-new-" + std::to_string(::getpid()) + "-" + std::to_string(g_tempCounter++);
    OpenFile file(io, temp);
    StoreResult result = file.open(O_WRONLY | O_CREAT | O_EXCL | O_TRUNC, "Cannot create resource file ");
    const bool created = result.ok;

    // The header goes into the first chunk: the same bytes as fill-then-header.
    constexpr std::size_t kChunk = 1 << 20;
    std::vector<std::uint8_t> chunk(result.ok ? std::min<std::uint64_t>(kChunk, total) : 0, kFillByte);
    const auto header = encodeHeader(ResourceHeader { 0, modelCode, screenWidth, screenHeight, memoryKiB });
    for (std::uint64_t offset = 0; offset < total && result.ok; offset += chunk.size()) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), total - offset));
        if (offset == 0) {
            std::vector<std::uint8_t> first(chunk.begin(), chunk.begin() + n);
            std::copy(header.begin(), header.end(), first.begin());
            result = file.write(0, first.data(), n);
        } else {
            result = file.write(offset, chunk.data(), n);
        }
    }
    if (result.ok)
        result = file.close();
    if (result.ok && io.rename(temp, path) != 0)
        result = failure("", "Cannot create resource file " + quoted(path) + ": " + reason(errno));
    if (!result.ok) {
        if (created)
            io.unlink(temp);
        if (result.detail.empty())
            result.detail = std::move(result.message);
        // Messages from the file name the temporary; the user knows the target.
        if (auto at = result.detail.find(quoted(temp)); at != std::string::npos)
            result.detail.replace(at, quoted(temp).size(), quoted(path));
        result.message = kMsgFalse;
    }
    return result;
}

// ---------------------------------------------------------------- checks

std::vector<std::string> directoryProblems(const ResourceHeader& header, std::span<const ResourceEntry> entries,
                                           std::uint64_t fileSize)
{
    std::vector<std::string> problems;
    if (!isValidModelCode(header.modelCode))
        problems.push_back("model code " + std::to_string(header.modelCode) + " is not a known module model");
    const std::uint64_t memory = memoryBytes(header.memoryKiB);
    const std::uint32_t start = payloadStartFor(header.memoryKiB);
    // Block spans are rounded up to 4096, so the last block of memory must be addressable too.
    if (memory < start || memory > std::numeric_limits<std::uint32_t>::max() - kBlockSize + 1)
        problems.push_back("memory size " + std::to_string(header.memoryKiB) + " KiB is not usable");
    const std::uint16_t maxItems = maxItemsFor(header.memoryKiB);
    if (header.itemCount > maxItems)
        problems.push_back("the header claims " + std::to_string(header.itemCount) + " items, more than the "
                           + std::to_string(maxItems) + " the directory can hold");
    const std::uint64_t directoryEnd = kHeaderSize + std::uint64_t(kEntrySize) * header.itemCount;
    if (fileSize < directoryEnd)
        problems.push_back("the file (" + std::to_string(fileSize) + " bytes) is shorter than its directory ("
                           + std::to_string(directoryEnd) + " bytes)");

    std::uint64_t expected = start;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        const std::string item = "item " + std::to_string(i);
        if (e.address != expected)
            problems.push_back(item + " starts at " + std::to_string(e.address) + " instead of "
                               + std::to_string(expected));
        const std::uint64_t end = std::uint64_t(e.address) + e.length;
        if (roundUpToBlock64(end) > memory)
            problems.push_back(item + "'s blocks end at " + std::to_string(roundUpToBlock64(end))
                               + ", past the memory size of " + std::to_string(memory) + " bytes");
        else if (end > fileSize)
            problems.push_back(item + " ends at " + std::to_string(end) + ", past the end of the file ("
                               + std::to_string(fileSize) + " bytes)");
        expected = roundUpToBlock64(end);
    }
    return problems;
}

ResourceCheck checkResourceFile(const std::string& path, FileIo& io)
{
    ResourceCheck check;
    OpenFile file(io, path);
    if (auto r = file.open(O_RDONLY); !r.ok) {
        check.readError = r.message;
        return check;
    }
    const std::int64_t size = file.size();
    if (size < 0) {
        check.readError = "Cannot read resource file " + quoted(path) + ": " + reason(errno);
        return check;
    }
    std::array<std::uint8_t, kHeaderSize> headerBytes {};
    std::size_t got = 0;
    if (auto r = file.read(0, headerBytes.data(), headerBytes.size(), &got); !r.ok) {
        if (static_cast<std::uint64_t>(size) >= kHeaderSize || got != static_cast<std::size_t>(size))
            check.readError = r.message;
        else
            check.problems.push_back("the file (" + std::to_string(size) + " bytes) is shorter than its 12-byte header");
        return check;
    }
    const ResourceHeader header = decodeHeader(headerBytes);
    const std::size_t want = std::min<std::size_t>(header.itemCount, maxItemsFor(header.memoryKiB));
    const std::size_t available = (static_cast<std::uint64_t>(size) - kHeaderSize) / kEntrySize;
    const std::size_t count = std::min(want, available);
    std::vector<std::uint8_t> bytes(count * kEntrySize);
    if (auto r = file.read(kHeaderSize, bytes.data(), bytes.size()); !r.ok) {
        check.readError = r.message;
        return check;
    }
    std::vector<ResourceEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = decodeEntry(std::span<const std::uint8_t, kEntrySize>(bytes.data() + i * kEntrySize, kEntrySize));
    check.problems = directoryProblems(header, entries, static_cast<std::uint64_t>(size));
    if (static_cast<std::uint64_t>(size) != memoryBytes(header.memoryKiB))
        check.problems.push_back("the file is " + std::to_string(size) + " bytes long, the memory size is "
                                 + std::to_string(memoryBytes(header.memoryKiB)) + " bytes");
    return check;
}

// ---------------------------------------------------------------- the store

ResourceHeader ResourceStore::header() const
{
    return ResourceHeader { itemCount, modelCode, screenWidth, screenHeight, memoryKiB };
}

std::uint32_t ResourceStore::usedEnd() const
{
    const std::size_t n = std::min<std::size_t>(itemCount, directory.size());
    return static_cast<std::uint32_t>(usedEndOf(memoryKiB, std::span(directory.data(), n)));
}

int ResourceStore::insertionIndex(std::optional<int> selectionMark) const
{
    return selectionMark ? *selectionMark + 1 : itemCount;
}

StoreResult ResourceStore::openResourceFile()
{
    auto refuse = [this](StoreResult r) {
        isOpen = false;
        return r;
    };
    OpenFile file(fileIo(), path);
    if (auto r = file.open(O_RDONLY); !r.ok)
        return refuse(r);
    const std::int64_t size = file.size();
    if (size < 0)
        return refuse(failure("Cannot read resource file " + quoted(path) + ": " + reason(errno)));
    if (static_cast<std::uint64_t>(size) < kHeaderSize)
        return refuse(failure(kMsgResourceFileError, "the file (" + std::to_string(size)
                                  + " bytes) is shorter than its 12-byte header"));

    std::array<std::uint8_t, kHeaderSize> headerBytes {};
    if (auto r = file.read(0, headerBytes.data(), headerBytes.size()); !r.ok)
        return refuse(r);
    const ResourceHeader h = decodeHeader(headerBytes);
    if (!isValidModelCode(h.modelCode))
        return refuse(failure(kMsgResourceFileError,
                              "model code " + std::to_string(h.modelCode) + " is not a known module model"));

    // Never read more entries than the directory can hold, nor past the file.
    std::vector<std::string> problems;
    std::vector<ResourceEntry> entries;
    const std::uint64_t directoryEnd = kHeaderSize + std::uint64_t(kEntrySize) * h.itemCount;
    if (h.itemCount <= maxItemsFor(h.memoryKiB) && directoryEnd <= static_cast<std::uint64_t>(size)) {
        std::vector<std::uint8_t> bytes(kEntrySize * h.itemCount);
        if (auto r = file.read(kHeaderSize, bytes.data(), bytes.size()); !r.ok)
            return refuse(r);
        entries.resize(h.itemCount);
        for (std::size_t i = 0; i < entries.size(); ++i)
            entries[i] = decodeEntry(std::span<const std::uint8_t, kEntrySize>(bytes.data() + i * kEntrySize, kEntrySize));
    }
    problems = directoryProblems(h, entries, static_cast<std::uint64_t>(size));
    if (!problems.empty()) {
        std::string detail;
        for (const auto& p : problems)
            detail += (detail.empty() ? "" : "\n") + p;
        return refuse(failure(kMsgResourceFileError, detail));
    }

    itemCount = h.itemCount;
    modelCode = h.modelCode;
    screenWidth = h.screenWidth;
    screenHeight = h.screenHeight;
    memoryKiB = h.memoryKiB;
    blockSize = kBlockSize;
    maxItems = maxItemsFor(memoryKiB);
    std::copy(entries.begin(), entries.end(), directory.begin());
    remainingBytes = static_cast<std::uint32_t>(memoryBytes(memoryKiB) - usedEnd());
    isOpen = true;
    return {};
}

namespace {
    // Writes the header and the first `count` entries of `entries` at offset 0.
    StoreResult writeDirectoryTo(OpenFile& file, ResourceHeader header, std::span<const ResourceEntry> entries)
    {
        const auto bytes = encodeDirectory(header, entries);
        return file.write(0, bytes.data(), bytes.size());
    }
}

StoreResult ResourceStore::writeDirectory()
{
    if (!isOpen)
        return {};
    OpenFile file(fileIo(), path);
    if (auto r = file.open(O_RDWR); !r.ok)
        return r;
    if (auto r = writeDirectoryTo(file, header(), std::span(directory.data(), itemCount)); !r.ok)
        return r;
    return file.close();
}

StoreResult ResourceStore::insertItem(int index, const ResourceEntry& entry, const std::string& dataPath)
{
    if (!isOpen)
        return failure(kMsgNotResourceOpen);
    if (index < 0 || index > itemCount)
        return failure("There is no place " + std::to_string(index) + " in a directory of "
                       + std::to_string(itemCount) + " items");

    // The source is read whole before the resource file is touched.
    std::vector<std::uint8_t> data;
    {
        OpenFile source(fileIo(), dataPath);
        auto r = source.open(O_RDONLY, "Cannot open ");
        std::int64_t size = 0;
        if (r.ok) {
            size = source.size();
            if (size < 0)
                r = failure("Cannot read " + quoted(dataPath) + ": " + reason(errno));
            else if (static_cast<std::uint64_t>(size) > std::numeric_limits<std::uint32_t>::max())
                r = failure("Cannot read " + quoted(dataPath) + ": the file is too large for a resource item");
        }
        if (r.ok) {
            data.resize(static_cast<std::size_t>(size));
            r = source.read(0, data.data(), data.size());
            if (!r.ok) {
                // The reader names a resource file; this one is the item's source.
                const std::string from = "Cannot read resource file ";
                if (r.message.rfind(from, 0) == 0)
                    r.message.replace(0, from.size(), "Cannot read ");
            }
        }
        if (!r.ok)
            return failure(kMsgFalse, r.message);
    }
    return insertItemData(index, entry, data);
}

StoreResult ResourceStore::insertItemData(int index, const ResourceEntry& entry, std::span<const std::uint8_t> data)
{
    if (!isOpen)
        return failure(kMsgNotResourceOpen);
    const int n = itemCount;
    if (index < 0 || index > n)
        return failure("There is no place " + std::to_string(index) + " in a directory of " + std::to_string(n)
                       + " items");
    if (entry.length != data.size())
        return failure("The item's length (" + std::to_string(entry.length) + " bytes) differs from its data ("
                       + std::to_string(data.size()) + " bytes)");
    if (auto refused = checkCapacity(*this, entry.length))
        return failure(*refused);
    const std::uint32_t rounded = roundUpToBlock(entry.length);
    // A memory size that is no whole number of blocks can fit the length but not its span.
    if (std::uint64_t(usedEnd()) + rounded > memoryBytes(memoryKiB))
        return failure(kMsgSpaceNotEnough);

    std::array<ResourceEntry, kDirectoryCapacity> next = directory;
    ResourceEntry added = entry;
    std::uint64_t moveFrom = 0, moveEnd = 0;
    if (index < n) {
        moveFrom = directory[index].address;
        moveEnd = std::uint64_t(directory[n - 1].address) + directory[n - 1].length;
        for (int k = n; k > index; --k) {
            next[k] = next[k - 1];
            next[k].address += rounded;
        }
        added.address = directory[index].address;
    } else {
        added.address = n == 0 ? payloadStartFor(memoryKiB)
                               : roundUpToBlock(directory[n - 1].address + directory[n - 1].length);
    }
    next[index] = added;

    OpenFile file(fileIo(), path);
    if (auto r = file.open(O_RDWR); !r.ok)
        return r;

    // Later items move up first, then the new data goes in, then the directory.
    const std::size_t moved = static_cast<std::size_t>(moveEnd - moveFrom);
    std::unique_ptr<std::uint8_t[]> tail;
    if (moved > 0) {
        tail = uninitialised(moved);
        if (auto r = file.read(moveFrom, tail.get(), moved); !r.ok)
            return r;
    }
    // Puts the moved items back where the on-disk directory still expects them.
    auto undo = [&](StoreResult r, bool directoryTouched) {
        bool restored = moved == 0 || file.write(moveFrom, tail.get(), moved).ok;
        if (directoryTouched)
            restored = writeDirectoryTo(file, header(), std::span(directory.data(), n)).ok && restored;
        if (!restored)
            r.message += "; the file could not be put back as it was";
        return r;
    };
    if (moved > 0) {
        if (auto r = file.write(moveFrom + rounded, tail.get(), moved); !r.ok)
            return undo(r, false);
    }
    if (auto r = file.write(added.address, data.data(), data.size()); !r.ok)
        return undo(r, false);
    ResourceHeader h = header();
    h.itemCount = static_cast<std::uint16_t>(n + 1);
    if (auto r = writeDirectoryTo(file, h, std::span(next.data(), n + 1)); !r.ok)
        return undo(r, true);
    if (auto r = file.close(); !r.ok)
        return r;

    directory = next;
    itemCount = static_cast<std::uint16_t>(n + 1);
    remainingBytes = static_cast<std::uint32_t>(memoryBytes(memoryKiB) - usedEnd());
    return {};
}

StoreResult ResourceStore::deleteItem(int index)
{
    if (!isOpen)
        return failure(kMsgNotResourceOpen);
    const int n = itemCount;
    if (index < 0 || index >= n)
        return failure("There is no item " + std::to_string(index) + " in a directory of " + std::to_string(n)
                       + " items");

    const std::uint32_t a = directory[index].address;
    std::uint64_t freed = 0;
    std::uint64_t span = 0; // bytes from `a` read for the move, kept to undo it
    if (index + 1 < n) {
        const std::uint32_t b = directory[index + 1].address;
        const std::uint64_t e = std::uint64_t(directory[n - 1].address) + directory[n - 1].length;
        freed = b - a;
        if (e != b)
            span = e - a;
    } else {
        freed = roundUpToBlock64(std::uint64_t(a) + directory[index].length) - a;
    }
    std::array<ResourceEntry, kDirectoryCapacity> next = directory;
    for (int k = index + 1; k < n; ++k) {
        next[k].address = static_cast<std::uint32_t>(next[k].address - freed);
        next[k - 1] = next[k];
    }
    next[n - 1] = ResourceEntry {};

    OpenFile file(fileIo(), path);
    if (auto r = file.open(O_RDWR); !r.ok)
        return r;
    std::unique_ptr<std::uint8_t[]> region;
    if (span > 0) {
        region = uninitialised(static_cast<std::size_t>(span));
        if (auto r = file.read(a, region.get(), static_cast<std::size_t>(span)); !r.ok)
            return r;
    }
    auto undo = [&](StoreResult r, bool directoryTouched) {
        bool restored = span == 0 || file.write(a, region.get(), static_cast<std::size_t>(span)).ok;
        if (directoryTouched)
            restored = writeDirectoryTo(file, header(), std::span(directory.data(), n)).ok && restored;
        if (!restored)
            r.message += "; the file could not be put back as it was";
        return r;
    };
    if (span > 0) {
        if (auto r = file.write(a, region.get() + freed, static_cast<std::size_t>(span - freed)); !r.ok)
            return undo(r, false);
    }
    ResourceHeader h = header();
    h.itemCount = static_cast<std::uint16_t>(n - 1);
    if (auto r = writeDirectoryTo(file, h, std::span(next.data(), n - 1)); !r.ok)
        return undo(r, true);
    if (auto r = file.close(); !r.ok)
        return r;

    directory = next;
    itemCount = static_cast<std::uint16_t>(n - 1);
    remainingBytes = static_cast<std::uint32_t>(memoryBytes(memoryKiB) - usedEnd());
    return {};
}

StoreResult ResourceStore::setIgnoreColor(int index, std::uint16_t color)
{
    if (!isOpen)
        return failure(kMsgNotResourceOpen);
    if (index < 0 || index >= itemCount)
        return failure("There is no item " + std::to_string(index) + " in a directory of "
                       + std::to_string(itemCount) + " items");
    ResourceEntry changed = directory[index];
    changed.ignoreColor = color;
    const auto bytes = encodeEntry(changed);
    OpenFile file(fileIo(), path);
    if (auto r = file.open(O_RDWR); !r.ok)
        return r;
    if (auto r = file.write(kHeaderSize + std::uint64_t(kEntrySize) * index, bytes.data(), bytes.size()); !r.ok)
        return r;
    if (auto r = file.close(); !r.ok)
        return r;
    directory[index] = changed;
    return {};
}

StoreResult ResourceStore::readItem(int index, std::vector<std::uint8_t>& out) const
{
    if (!isOpen)
        return failure(kMsgNotResourceOpen);
    if (index < 0 || index >= itemCount)
        return failure("There is no item " + std::to_string(index) + " in a directory of "
                       + std::to_string(itemCount) + " items");
    OpenFile file(fileIo(), path);
    if (auto r = file.open(O_RDONLY); !r.ok)
        return r;
    std::vector<std::uint8_t> data(directory[index].length);
    if (auto r = file.read(directory[index].address, data.data(), data.size()); !r.ok)
        return r;
    out = std::move(data);
    return {};
}

} // namespace zarn
