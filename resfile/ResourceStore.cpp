#include "resfile/ResourceStore.h"

#include "platform/ReplaceFile.h"
#include "resfile/ItemLayout.h"
#include "resfile/StoreCommands.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

namespace zarn {

namespace {

    StoreResult failure(std::string message, std::string detail = {})
    {
        return StoreResult { false, std::move(message), std::move(detail) };
    }

    std::uint64_t memoryBytes(std::uint32_t memoryKiB) { return std::uint64_t(memoryKiB) * 1024; }

    // A change holds the whole file in memory: a file past 1 GiB is refused (the
    // modules' memories are at most 16 MiB, the format's addresses reach 4 GiB).
    constexpr std::uint64_t kMaxImageBytes = 1ull << 30;

    std::string cannotRead(const std::string& path, const std::string& why)
    {
        return "Cannot read resource file " + quotedPath(path) + ": " + why;
    }

    std::string endsEarly(const std::string& path, std::uint64_t at, const char* before)
    {
        return cannotRead(path, "the file ends at byte " + std::to_string(at) + ", before " + before);
    }

    std::string joined(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const auto& line : lines)
            text += (text.empty() ? "" : "\n") + line;
        return text;
    }

    // "Resource File Error", with the file and what is wrong with it.
    StoreResult damaged(const std::string& path, const std::vector<std::string>& problems)
    {
        const std::string head = "Cannot open resource file " + quotedPath(path) + ":";
        return failure(kMsgResourceFileError, head + (problems.size() == 1 ? " " : "\n") + joined(problems));
    }

    std::uint64_t usedEndOf(std::uint32_t memoryKiB, std::span<const ResourceEntry> entries)
    {
        if (entries.empty())
            return payloadStartFor(memoryKiB);
        const auto& last = entries.back();
        return roundUpToBlock64(std::uint64_t(last.address) + last.length);
    }

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

    // "There is no item 3 in a directory of 2 items".
    StoreResult noSuch(const char* what, int index, int count)
    {
        return failure(std::string { "There is no " } + what + " " + std::to_string(index) + " in a directory of "
            + std::to_string(count) + " items");
    }

    // Takes the file's lock for one operation; the failure names the file. One
    // that cannot be opened gives `cannotOpen`, when set, with that in `detail`.
    StoreResult lockFile(FileLock& lock, const std::string& path, LockMode mode, std::chrono::milliseconds wait,
        const char* cannotOpen = nullptr)
    {
        switch (lock.acquire(path, mode, wait)) {
        case FileLock::Outcome::Locked:
            return {};
        case FileLock::Outcome::Busy:
            return failure(fileBusyMessage(path));
        case FileLock::Outcome::Failed:
            break;
        }
        std::string why = "Cannot open resource file " + quotedPath(path) + ": " + lock.reason();
        return cannotOpen ? failure(cannotOpen, std::move(why)) : failure(std::move(why));
    }

    // The new content of a file that is being changed: its old bytes, read whole,
    // changed in memory, then put in place of the file whole (replaceFile).
    class FileImage {
    public:
        // `capacity`: the most the changes will need, taken now so that they never fail.
        StoreResult load(FileIo& io, int fd, const std::string& path, std::uint64_t length, std::uint64_t capacity)
        {
            if (capacity > kMaxImageBytes)
                return failure(cannotRead(path,
                    "the file is " + std::to_string(length) + " bytes long, too large to be a resource file (a change "
                        + "reads at most " + std::to_string(kMaxImageBytes) + " bytes)"));
            try {
                m_bytes.reserve(capacity);
                m_bytes.resize(length);
            } catch (const std::bad_alloc&) {
                return failure(cannotRead(path, "not enough memory"));
            }
            std::size_t got = 0;
            if (readFully(io, fd, m_bytes.data(), length, 0, &got) < 0)
                return failure(cannotRead(path, systemReason(errno)));
            m_bytes.resize(got); // a file that shrank meanwhile is taken as it is now
            return {};
        }

        // Bytes written past the end leave zeros between, as a write past a file's end does.
        void write(std::uint64_t offset, const std::uint8_t* data, std::size_t count)
        {
            reach(offset + count);
            if (count > 0) // a zero-length item may come with no buffer at all
                std::memmove(m_bytes.data() + offset, data, count);
        }
        void move(std::uint64_t from, std::size_t count, std::uint64_t to)
        {
            reach(to + count);
            if (count > 0)
                std::memmove(m_bytes.data() + to, m_bytes.data() + from, count);
        }

        std::span<const std::uint8_t> bytes() const { return m_bytes; }

    private:
        void reach(std::uint64_t end)
        {
            if (end > m_bytes.size())
                m_bytes.resize(static_cast<std::size_t>(end));
        }

        std::vector<std::uint8_t> m_bytes;
    };

} // namespace

std::string fileBusyMessage(const std::string& path)
{
    return "The resource file " + quotedPath(path)
        + " is being changed by another program; try again when it has finished";
}

// What the file holds now: header, the entries that could be read, its length,
// and what is wrong with them.
struct DiskView {
    ResourceHeader header;
    std::vector<ResourceEntry> entries;
    std::uint64_t size = 0;
    std::vector<std::string> problems;
};

namespace {

    // `partial`: read what entries there are even when the header claims more
    // than fit (for the check, which reports every problem it can).
    StoreResult readView(FileIo& io, int fd, const std::string& path, bool partial, DiskView& view)
    {
        FileStatus status;
        if (io.fstat(fd, status) != 0)
            return failure(cannotRead(path, systemReason(errno)));
        view.size = static_cast<std::uint64_t>(status.size);
        if (view.size < kHeaderSize) {
            view.problems.push_back(
                "the file (" + std::to_string(view.size) + " bytes) is shorter than its 12-byte header");
            return {};
        }
        std::array<std::uint8_t, kHeaderSize> headerBytes {};
        std::size_t got = 0;
        if (const int r = readFully(io, fd, headerBytes.data(), headerBytes.size(), 0, &got); r != 0)
            return failure(r < 0 ? cannotRead(path, systemReason(errno)) : endsEarly(path, got, "its header"));
        view.header = decodeHeader(headerBytes);
        if (!isValidModelCode(view.header.modelCode) && !partial) {
            view.problems.push_back(
                "model code " + std::to_string(view.header.modelCode) + " is not a known module model");
            return {};
        }
        // Never more entries than the directory can hold, nor past the file.
        const std::size_t capacity = maxItemsFor(view.header.memoryKiB);
        const std::size_t inFile = static_cast<std::size_t>((view.size - kHeaderSize) / kEntrySize);
        std::size_t count = view.header.itemCount;
        if (count > capacity || count > inFile)
            count = partial ? std::min({ count, capacity, inFile }) : 0;
        std::vector<std::uint8_t> bytes(count * kEntrySize);
        if (const int r = readFully(io, fd, bytes.data(), bytes.size(), kHeaderSize, &got); r != 0)
            return failure(r < 0 ? cannotRead(path, systemReason(errno)) : endsEarly(path, got, "its directory"));
        view.entries.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            view.entries[i]
                = decodeEntry(std::span<const std::uint8_t, kEntrySize>(bytes.data() + i * kEntrySize, kEntrySize));
        view.problems = directoryProblems(view.header, view.entries, view.size);
        return {};
    }

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
    const auto refused = [&](const std::string& why) {
        return failure(kMsgFalse, "Cannot create resource file " + quotedPath(path) + ": " + why);
    };
    const std::uint64_t total = memoryBytes(memoryKiB);
    if (total < payloadStartFor(memoryKiB) || total > std::numeric_limits<std::uint32_t>::max() - kBlockSize + 1)
        return refused("a memory size of " + std::to_string(memoryKiB) + " KiB is not possible");

    // An existing file is only replaced while no other program is changing it.
    const std::string target = followLinks(path);
    FileLock lock(io);
    FileStatus existing;
    if (io.stat(target, existing) == 0) {
        if (!existing.isRegular())
            return refused(notRegularReason(existing.type));
        switch (lock.acquire(target, LockMode::Exclusive, kLockWait)) {
        case FileLock::Outcome::Locked:
            break;
        case FileLock::Outcome::Busy:
            return failure(kMsgFalse, fileBusyMessage(path));
        case FileLock::Outcome::Failed:
            return refused(lock.reason());
        }
    }
    std::vector<std::uint8_t> image;
    try {
        image.assign(static_cast<std::size_t>(total), kFillByte);
    } catch (const std::bad_alloc&) {
        return refused("not enough memory");
    }
    const auto header = encodeHeader(ResourceHeader { 0, modelCode, screenWidth, screenHeight, memoryKiB });
    std::copy(header.begin(), header.end(), image.begin());
    if (const std::string why = replaceFile(io, target, image, &lock); !why.empty())
        return refused(why);
    return {};
}

StoreResult layOutResourceFile(const ResourceHeader& header, std::span<const LaidOutItem> items,
    std::vector<std::uint8_t>& image, std::vector<ResourceEntry>& directory)
{
    const std::uint64_t total = memoryBytes(header.memoryKiB);
    const std::uint32_t start = payloadStartFor(header.memoryKiB);
    if (total < start || total > std::numeric_limits<std::uint32_t>::max() - kBlockSize + 1)
        return failure(kMsgFalse, "a memory size of " + std::to_string(header.memoryKiB) + " KiB is not possible");
    if (items.size() > maxItemsFor(header.memoryKiB))
        return failure(kMsgExceedMaxItems);
    directory.clear();
    std::uint64_t end = start;
    for (const LaidOutItem& item : items) {
        if (item.entry.length != item.data.size())
            return failure("The item's length (" + std::to_string(item.entry.length) + " bytes) differs from its data ("
                + std::to_string(item.data.size()) + " bytes)");
        if (end + roundUpToBlock64(item.entry.length) > total)
            return failure(kMsgSpaceNotEnough);
        directory.push_back(item.entry);
        directory.back().address = static_cast<std::uint32_t>(end);
        end += roundUpToBlock64(item.entry.length);
    }

    // Header and directory, the fill up to the first block, then each item's data and the
    // fill to its last block's end, and the fill to the end of the memory.
    ResourceHeader h = header;
    h.itemCount = static_cast<std::uint16_t>(items.size());
    try {
        image.clear();
        image.reserve(static_cast<std::size_t>(total));
    } catch (const std::bad_alloc&) {
        return failure(kMsgFalse, "not enough memory for a file of " + std::to_string(total) + " bytes");
    }
    const auto dir = encodeDirectory(h, directory);
    image.insert(image.end(), dir.begin(), dir.end());
    image.resize(start, kFillByte);
    for (const LaidOutItem& item : items) {
        image.insert(image.end(), item.data.begin(), item.data.end());
        image.resize(static_cast<std::size_t>(roundUpToBlock64(image.size())), kFillByte);
    }
    image.resize(static_cast<std::size_t>(total), kFillByte);
    return {};
}

// ---------------------------------------------------------------- checks

namespace {

    void directoryFindings(const ResourceHeader& header, std::span<const ResourceEntry> entries, std::uint64_t fileSize,
        FindingLines& found)
    {
        if (!isValidModelCode(header.modelCode))
            found.add("model", "model code " + std::to_string(header.modelCode) + " is not a known module model");
        const std::uint64_t memory = memoryBytes(header.memoryKiB);
        const std::uint32_t start = payloadStartFor(header.memoryKiB);
        // Block spans are rounded up to 4096, so the last block of memory must be addressable too.
        if (memory < start || memory > std::numeric_limits<std::uint32_t>::max() - kBlockSize + 1)
            found.add("memory", "memory size " + std::to_string(header.memoryKiB) + " KiB is not usable");
        const std::uint16_t maxItems = maxItemsFor(header.memoryKiB);
        if (header.itemCount > maxItems)
            found.add("count",
                "the header claims " + std::to_string(header.itemCount) + " items, more than the "
                    + std::to_string(maxItems) + " the directory can hold");
        const std::uint64_t directoryEnd = kHeaderSize + std::uint64_t(kEntrySize) * header.itemCount;
        if (fileSize < directoryEnd)
            found.add("directory",
                "the file (" + std::to_string(fileSize) + " bytes) is shorter than its directory ("
                    + std::to_string(directoryEnd) + " bytes)");

        std::uint64_t expected = start;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto& e = entries[i];
            const int n = static_cast<int>(i);
            const std::string item = "item " + std::to_string(i);
            if (e.address != expected)
                found.add("placement",
                    item + " starts at " + std::to_string(e.address) + " instead of " + std::to_string(expected), n);
            const std::uint64_t end = std::uint64_t(e.address) + e.length;
            if (roundUpToBlock64(end) > memory)
                found.add("past-memory",
                    item + "'s blocks end at " + std::to_string(roundUpToBlock64(end)) + ", past the memory size of "
                        + std::to_string(memory) + " bytes",
                    n);
            else if (end > fileSize)
                found.add("past-file",
                    item + " ends at " + std::to_string(end) + ", past the end of the file (" + std::to_string(fileSize)
                        + " bytes)",
                    n);
            expected = roundUpToBlock64(end);
        }
    }

} // namespace

std::vector<std::string> directoryProblems(
    const ResourceHeader& header, std::span<const ResourceEntry> entries, std::uint64_t fileSize)
{
    FindingLines found;
    directoryFindings(header, entries, fileSize, found);
    return found.lines(Finding::Severity::Fault);
}

ResourceCheck checkResourceFile(const std::string& path, FileIo& io)
{
    ResourceCheck check;
    FileLock lock(io);
    if (auto r = lockFile(lock, path, LockMode::Shared, kLockWait); !r.ok) {
        check.readError = r.message;
        return check;
    }
    DiskView view;
    if (auto r = readView(io, lock.fd(), path, true, view); !r.ok) {
        check.readError = r.message;
        return check;
    }
    if (view.size < kHeaderSize) {
        check.problems = std::move(view.problems);
        return check;
    }
    FindingLines found;
    directoryFindings(view.header, view.entries, view.size, found);
    if (view.size != memoryBytes(view.header.memoryKiB))
        found.add("length",
            "the file is " + std::to_string(view.size) + " bytes long, the memory size is "
                + std::to_string(memoryBytes(view.header.memoryKiB)) + " bytes");
    for (const Finding& f : headerFindings(view.header))
        found.add(f);
    for (std::size_t i = 0; i < view.entries.size(); ++i)
        for (const Finding& f : itemFindings(view.header, view.entries[i], static_cast<int>(i)))
            found.add(f, static_cast<int>(i));
    check.problems = found.lines(Finding::Severity::Fault);
    check.warnings = found.lines(Finding::Severity::Warning);
    return check;
}

// ---------------------------------------------------------------- the store

ResourceHeader ResourceStore::header() const
{
    return ResourceHeader { m_itemCount, m_modelCode, m_screenWidth, m_screenHeight, m_memoryKiB };
}

std::uint32_t ResourceStore::usedEnd() const
{
    const std::size_t n = std::min<std::size_t>(m_itemCount, m_directory.size());
    return static_cast<std::uint32_t>(usedEndOf(m_memoryKiB, std::span(m_directory.data(), n)));
}

std::uint32_t ResourceStore::remainingBytes() const
{
    return m_memoryKiB ? static_cast<std::uint32_t>(memoryBytes(m_memoryKiB) - usedEnd()) : 0;
}

int ResourceStore::insertionIndex(std::optional<int> selectionMark) const
{
    return selectionMark ? *selectionMark + 1 : m_itemCount;
}

void ResourceStore::adopt(const View& view)
{
    m_itemCount = view.header.itemCount;
    m_modelCode = view.header.modelCode;
    m_screenWidth = view.header.screenWidth;
    m_screenHeight = view.header.screenHeight;
    m_memoryKiB = view.header.memoryKiB;
    std::copy(view.entries.begin(), view.entries.end(), m_directory.begin());
    std::fill(
        m_directory.begin() + static_cast<std::ptrdiff_t>(view.entries.size()), m_directory.end(), ResourceEntry {});
    m_isOpen = true;
}

StoreResult ResourceStore::openResourceFile(const std::string& path)
{
    // A file that is refused leaves the one open before open, as it was.
    const bool wasOpen = m_isOpen;
    const StoreResult r = readFile(path);
    if (r.ok)
        m_path = path;
    else
        m_isOpen = wasOpen;
    return r;
}

StoreResult ResourceStore::readFile(const std::string& path)
{
    auto refuse = [this](StoreResult r) {
        m_isOpen = false;
        return r;
    };
    FileLock local(fileIo());
    const FileLock* lock = m_held && m_held->held() && path == m_path ? m_held.get() : &local;
    if (lock == &local)
        if (auto r = lockFile(local, path, LockMode::Shared, m_lockWait); !r.ok)
            return refuse(r);
    View view;
    if (auto r = readView(fileIo(), lock->fd(), path, false, view); !r.ok)
        return refuse(r);
    if (!view.problems.empty())
        return refuse(damaged(path, view.problems));
    adopt(view);
    return {};
}

StoreResult ResourceStore::hold(LockMode mode)
{
    release();
    auto lock = std::make_shared<FileLock>(fileIo());
    if (auto r = lockFile(*lock, m_path, mode, m_lockWait); !r.ok)
        return r;
    m_held = std::move(lock);
    return readFile(m_path);
}

void ResourceStore::release() { m_held.reset(); }

template <typename Use> StoreResult ResourceStore::underLock(LockMode mode, Use use, const char* cannotOpen)
{
    if (!m_isOpen)
        return failure(kMsgNotResourceOpen);
    FileLock local(fileIo());
    FileLock* lock = &local;
    if (m_held && m_held->held() && (m_held->mode() == LockMode::Exclusive || mode == LockMode::Shared)) {
        lock = m_held.get();
    } else {
        m_held.reset(); // a shared hold of our own would stand in the way of a change
        if (auto r = lockFile(local, m_path, mode, m_lockWait, cannotOpen); !r.ok)
            return r;
    }

    View view;
    if (auto r = readView(fileIo(), lock->fd(), m_path, false, view); !r.ok)
        return r;
    // A file damaged meanwhile is refused as at opening, and stays the open one:
    // nothing is written to it, and it is read again once it is whole.
    if (!view.problems.empty())
        return damaged(m_path, view.problems);
    // Another program changed the file since it was read here: working on this
    // view would write its old directory over the other program's change.
    const bool same
        = view.header == header() && std::equal(view.entries.begin(), view.entries.end(), m_directory.begin());
    if (!same) {
        adopt(view);
        StoreResult r = failure(kMsgFileReadAgain);
        r.reloaded = true;
        return r;
    }
    return use(*lock, view);
}

StoreResult ResourceStore::insertItem(int index, const ResourceEntry& entry, const std::string& dataPath)
{
    if (!m_isOpen)
        return failure(kMsgNotResourceOpen);
    if (index < 0 || index > m_itemCount)
        return noSuch("place", index, m_itemCount);

    // The source is read whole before the resource file is touched.
    std::vector<std::uint8_t> data;
    std::string why;
    const WholeRead read = readRegularFile(fileIo(), dataPath, std::numeric_limits<std::uint32_t>::max(), data, why);
    if (read == WholeRead::TooLarge)
        why = "the file is too large for a resource item";
    if (read != WholeRead::Read)
        return failure(kMsgFalse, "Cannot read " + quotedPath(dataPath) + ": " + why);
    return insertItemData(index, entry, data);
}

StoreResult ResourceStore::replaceWith(FileLock& lock, std::span<const std::uint8_t> image)
{
    if (const std::string why = replaceFile(fileIo(), m_path, image, &lock); !why.empty())
        return failure("Cannot write resource file " + quotedPath(m_path) + ": " + why);
    return {};
}

StoreResult ResourceStore::insertItemData(int index, const ResourceEntry& entry, std::span<const std::uint8_t> data)
{
    if (!m_isOpen)
        return failure(kMsgNotResourceOpen);
    if (index < 0 || index > m_itemCount)
        return noSuch("place", index, m_itemCount);
    if (entry.length != data.size())
        return failure("The item's length (" + std::to_string(entry.length) + " bytes) differs from its data ("
            + std::to_string(data.size()) + " bytes)");

    return underLock(LockMode::Exclusive, [&](FileLock& lock, const View& view) -> StoreResult {
        const int n = m_itemCount; // as checked above: underLock runs this only on an unchanged file
        if (auto refused = checkCapacity(*this, entry.length))
            return failure(*refused, capacityDetail(*this, entry.length));
        const std::uint32_t rounded = roundUpToBlock(entry.length);
        // A memory size that is no whole number of blocks can fit the length but not its span.
        if (std::uint64_t(usedEnd()) + rounded > memoryBytes(m_memoryKiB))
            return failure(kMsgSpaceNotEnough);

        std::array<ResourceEntry, kDirectoryCapacity> next = m_directory;
        ResourceEntry added = entry;
        std::uint64_t moveFrom = 0, moveEnd = 0;
        if (index < n) {
            moveFrom = m_directory[index].address;
            moveEnd = std::uint64_t(m_directory[n - 1].address) + m_directory[n - 1].length;
            for (int k = n; k > index; --k) {
                next[k] = next[k - 1];
                next[k].address += rounded;
            }
            added.address = m_directory[index].address;
        } else {
            added.address = static_cast<std::uint32_t>(usedEnd());
        }
        next[index] = added;

        // Later items move up, the new data goes into the gap, then the directory.
        FileImage image;
        const std::uint64_t capacity = std::max<std::uint64_t>(view.size, std::uint64_t(usedEnd()) + rounded);
        if (auto r = image.load(fileIo(), lock.fd(), m_path, view.size, capacity); !r.ok)
            return r;
        if (moveEnd > moveFrom)
            image.move(moveFrom, static_cast<std::size_t>(moveEnd - moveFrom), moveFrom + rounded);
        image.write(added.address, data.data(), data.size());
        ResourceHeader h = header();
        h.itemCount = static_cast<std::uint16_t>(n + 1);
        const auto dir = encodeDirectory(h, std::span(next.data(), n + 1));
        image.write(0, dir.data(), dir.size());
        if (auto r = replaceWith(lock, image.bytes()); !r.ok)
            return r;

        m_directory = next;
        m_itemCount = static_cast<std::uint16_t>(n + 1);
        return {};
    });
}

StoreResult ResourceStore::deleteItem(int index)
{
    return underLock(LockMode::Exclusive, [&](FileLock& lock, const View& view) -> StoreResult {
        const int n = m_itemCount;
        if (index < 0 || index >= n)
            return noSuch("item", index, n);
        const std::uint32_t a = m_directory[index].address;
        std::uint64_t freed = 0, moveFrom = 0, moveEnd = 0;
        if (index + 1 < n) {
            moveFrom = m_directory[index + 1].address;
            moveEnd = std::uint64_t(m_directory[n - 1].address) + m_directory[n - 1].length;
            freed = moveFrom - a;
        } else {
            freed = roundUpToBlock64(std::uint64_t(a) + m_directory[index].length) - a;
        }
        std::array<ResourceEntry, kDirectoryCapacity> next = m_directory;
        for (int k = index + 1; k < n; ++k) {
            next[k].address = static_cast<std::uint32_t>(next[k].address - freed);
            next[k - 1] = next[k];
        }
        next[n - 1] = ResourceEntry {};

        // Later items move down over the freed span; what the move leaves behind stays as free space.
        FileImage image;
        if (auto r = image.load(fileIo(), lock.fd(), m_path, view.size, view.size); !r.ok)
            return r;
        if (moveEnd > moveFrom)
            image.move(moveFrom, static_cast<std::size_t>(moveEnd - moveFrom), a);
        ResourceHeader h = header();
        h.itemCount = static_cast<std::uint16_t>(n - 1);
        const auto dir = encodeDirectory(h, std::span(next.data(), n - 1));
        image.write(0, dir.data(), dir.size());
        if (auto r = replaceWith(lock, image.bytes()); !r.ok)
            return r;

        m_directory = next;
        m_itemCount = static_cast<std::uint16_t>(n - 1);
        return {};
    });
}

StoreResult ResourceStore::setIgnoreColor(int index, std::uint16_t color)
{
    return underLock(LockMode::Exclusive, [&](FileLock& lock, const View& view) -> StoreResult {
        if (index < 0 || index >= m_itemCount)
            return noSuch("item", index, m_itemCount);
        ResourceEntry changed = m_directory[index];
        changed.ignoreColor = color;
        const auto bytes = encodeEntry(changed);
        FileImage image;
        if (auto r = image.load(fileIo(), lock.fd(), m_path, view.size, view.size); !r.ok)
            return r;
        image.write(kHeaderSize + std::uint64_t(kEntrySize) * index, bytes.data(), bytes.size());
        if (auto r = replaceWith(lock, image.bytes()); !r.ok)
            return r;
        m_directory[index] = changed;
        return {};
    });
}

StoreResult ResourceStore::readItem(int index, std::vector<std::uint8_t>& out)
{
    return underLock(LockMode::Shared, [&](FileLock& lock, const View&) -> StoreResult {
        if (index < 0 || index >= m_itemCount)
            return noSuch("item", index, m_itemCount);
        std::vector<std::uint8_t> data(m_directory[index].length);
        std::size_t got = 0;
        if (const int r = readFully(fileIo(), lock.fd(), data.data(), data.size(), m_directory[index].address, &got);
            r != 0)
            return failure(r < 0 ? cannotRead(m_path, systemReason(errno))
                                 : endsEarly(m_path, m_directory[index].address + got, "the data it should hold"));
        out = std::move(data);
        return {};
    });
}

StoreResult ResourceStore::readUsedPart(std::vector<std::uint8_t>& out)
{
    return underLock(
        LockMode::Shared,
        [&](FileLock& lock, const View&) -> StoreResult {
            std::vector<std::uint8_t> image(usedEnd());
            std::size_t got = 0;
            if (const int r = readFully(fileIo(), lock.fd(), image.data(), image.size(), 0, &got); r != 0)
                return failure(r < 0 ? cannotRead(m_path, systemReason(errno))
                                     : endsEarly(m_path, got,
                                         ("the end of its used part at byte " + std::to_string(image.size())).c_str()));
            out = std::move(image);
            return {};
        },
        kMsgFalse);
}

StoreResult ResourceStore::readImage(std::vector<std::uint8_t>& out)
{
    // An item that holds less than its entry claims is shown by the module from
    // whatever follows it: such a file is not sent. Nothing else is examined.
    FindingLines unsendable;
    for (int i = 0; i < m_itemCount; ++i)
        for (const Finding& f : itemFindings(header(), m_directory[i], i))
            if (f.unsendable)
                unsendable.add(f, i);
    std::vector<std::string> lines = unsendable.lines(Finding::Severity::Fault);
    if (m_isOpen && !lines.empty()) {
        lines.insert(lines.begin(),
            "Cannot program " + quotedPath(m_path)
                + ": an item holds less than its entry claims, and the module would show garbage");
        return failure(kMsgResourceFileError, joined(lines));
    }
    return readUsedPart(out);
}

} // namespace zarn
