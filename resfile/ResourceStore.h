#pragma once
// The one open resource file of a run: its path, header values and directory
// held in memory, and the operations that create, open, insert and delete.
// The file is opened and closed within each operation. A change is made on a
// copy of the file and put in place whole (see ReplaceFile.h), under the file's
// exclusive lock, and only after the header and directory on disk were found to
// be the ones held here; memory is only updated once the file is.

#include "common/Messages.h"
#include "platform/FileIo.h"
#include "platform/FileLock.h"
#include "resfile/ResourceFormat.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarn {

struct StoreResult {
    bool ok = true;
    std::string message; // the text to show when !ok
    std::string detail; // why, when the message alone does not say: the file and the system's reason
    // The file on disk was not the one held here: it has been read again, and
    // nothing was changed. `message` says so.
    bool reloaded = false;
};

// Writes a blank file of memoryKiB * 1024 bytes: 0xF0 throughout, then the
// header with itemCount 0, and puts it in place whole. A symbolic link is
// followed; an existing file is replaced (keeping its permissions) only when no
// other program is changing it.
// On failure the message is "False" and `detail` names the file and the reason.
StoreResult createResourceFile(const std::string& path, std::uint16_t modelCode, std::uint16_t screenWidth,
    std::uint16_t screenHeight, std::uint32_t memoryKiB);
StoreResult createResourceFile(const std::string& path, std::uint16_t modelCode, std::uint16_t screenWidth,
    std::uint16_t screenHeight, std::uint32_t memoryKiB, FileIo& io);

// An item of a file that is laid out whole (layOutResourceFile): its entry (the
// address is set by the layout) and its data.
struct LaidOutItem {
    ResourceEntry entry;
    std::span<const std::uint8_t> data;
};

// The bytes of a new file holding `items` one after another, as createResourceFile
// followed by one insertItemData per item at the end would leave them, laid out
// at once: every byte is written once. `header`'s item count is not used.
// `directory` gets the entries with their addresses. Refused with the store's
// messages when the items do not fit, or an entry's length is not its data's.
StoreResult layOutResourceFile(const ResourceHeader& header, std::span<const LaidOutItem> items,
    std::vector<std::uint8_t>& image, std::vector<ResourceEntry>& directory);

// What is wrong with a header and directory read from a file of `fileSize`
// bytes, one line per kind of problem; empty when the file can be opened.
// Does not require the file length to equal the memory size (see checkResourceFile).
std::vector<std::string> directoryProblems(
    const ResourceHeader& header, std::span<const ResourceEntry> entries, std::uint64_t fileSize);

// Everything `zarnres check` verifies: header, directory against the placement
// invariant, file length = memoryKiB * 1024, and every item's data against its
// entry (see ItemLayout.h). One line per kind of fault, then per kind of
// warning (what files made by other tools may hold). `readError` is set when
// the file itself could not be read (then `problems` may be incomplete).
struct ResourceCheck {
    std::optional<std::string> readError;
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
    bool ok() const { return !readError && problems.empty(); }
};
ResourceCheck checkResourceFile(const std::string& path, FileIo& io = defaultFileIo());

// The text for a file whose lock another program held for longer than kLockWait.
std::string fileBusyMessage(const std::string& path);

// A file's header and directory as read from the disk, with what is wrong with them.
struct DiskView;

class ResourceStore {
public:
    ResourceStore() = default;
    // Every file call through `io` (tests make a disk fill up or a write tear).
    explicit ResourceStore(FileIo& io)
        : m_io(&io)
    {
    }

    // Reads `path` under its shared lock and makes it the open file. A bad
    // model code or a damaged directory gives "Resource File Error" (with the
    // file and its problems in `detail`); a file that cannot be read gives a
    // message naming it and the reason. On any failure nothing changes: the
    // file open before (if any) stays open with its path, header and directory.
    StoreResult openResourceFile(const std::string& path);

    // Takes the file's lock and keeps it until release(): shared for a command
    // that only reads, exclusive for one that checks and then changes the file.
    // The header and directory are read again under the lock.
    StoreResult hold(LockMode mode);
    void release();

    int insertionIndex(std::optional<int> selectionMark) const; // mark + 1, else itemCount

    // Inserts `entry` at `index` (0..itemCount) with the whole content of
    // `dataPath` as its data: reads the source first ("False", with the reason
    // in `detail`, if it cannot be read), then makes the change: later items move
    // up, the data goes in, header and directory are rewritten, itemCount rises.
    // The entry's address is set by the store; its length must equal the
    // source's size. On any failure nothing in memory or on disk changes.
    StoreResult insertItem(int index, const ResourceEntry& entry, const std::string& dataPath);
    // The same with the data given in memory.
    StoreResult insertItemData(int index, const ResourceEntry& entry, std::span<const std::uint8_t> data);

    // Removes entry `index`, moving later data down, and rewrites the directory.
    StoreResult deleteItem(int index);

    // Rewrites entry `index` with a new ignore colour.
    StoreResult setIgnoreColor(int index, std::uint16_t color);

    // Reads the data of entry `index` (its `length` bytes).
    StoreResult readItem(int index, std::vector<std::uint8_t>& out);
    // The image a module is programmed with: the file's used part (0 to
    // usedEnd), every byte of it. "False" when the file cannot be opened;
    // "Resource File Error" when an item holds less than its entry claims.
    StoreResult readImage(std::vector<std::uint8_t>& out);
    // The used part as it is, damaged items included (for comparing files).
    StoreResult readUsedPart(std::vector<std::uint8_t>& out);

    const std::string& path() const { return m_path; }
    bool isOpen() const { return m_isOpen; }
    std::uint16_t itemCount() const { return m_itemCount; }
    std::uint16_t modelCode() const { return m_modelCode; }
    std::uint16_t screenWidth() const { return m_screenWidth; }
    std::uint16_t screenHeight() const { return m_screenHeight; }
    std::uint32_t memoryKiB() const { return m_memoryKiB; }
    std::uint32_t blockSize() const { return kBlockSize; }
    // 0 before a file was read.
    std::uint16_t maxItems() const { return m_memoryKiB ? maxItemsFor(m_memoryKiB) : 0; }
    std::uint32_t remainingBytes() const;
    // The first itemCount entries.
    std::span<const ResourceEntry> directory() const { return { m_directory.data(), m_itemCount }; }
    const ResourceEntry& entry(int index) const { return m_directory.at(static_cast<std::size_t>(index)); }
    std::uint32_t usedEnd() const;
    ResourceHeader header() const;

    // How long to wait for another program's lock (kLockWait unless a test says less).
    void setLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }

private:
    using View = DiskView;
    FileIo& fileIo() const { return m_io ? *m_io : defaultFileIo(); }
    StoreResult readFile(const std::string& path);
    // Runs `use` on the file under its lock in `mode` (the one held, or one taken
    // for this call), after checking that the disk holds what this store holds.
    // `cannotOpen`: the message when the file cannot be opened (the reason goes to `detail`).
    template <typename Use> StoreResult underLock(LockMode mode, Use use, const char* cannotOpen = nullptr);
    void adopt(const View& view);
    // Puts `image` in place of the file; the lock moves on to the new file.
    StoreResult replaceWith(FileLock& lock, std::span<const std::uint8_t> image);

    FileIo* m_io = nullptr; // nullptr: defaultFileIo()
    std::string m_path;
    bool m_isOpen = false;
    std::uint16_t m_itemCount = 0, m_modelCode = 0, m_screenWidth = 0, m_screenHeight = 0;
    std::uint32_t m_memoryKiB = 0;
    std::array<ResourceEntry, kDirectoryCapacity> m_directory {};
    std::chrono::milliseconds m_lockWait = kLockWait;
    std::shared_ptr<FileLock> m_held; // shared by copies: a copy is a view of the same run
};

} // namespace zarn
