#pragma once
// The one open resource file of a run: its path, header values and directory
// held in memory, and the operations that create, open, insert and delete.
// The file is opened and closed within each operation; data goes to disk
// before the directory, and memory is only updated once the file is.

#include "resfile/FileIo.h"
#include "resfile/ResourceFormat.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarn {

struct StoreResult {
    bool ok = true;
    std::string message; // the text to show when !ok
    std::string detail;  // why, when the message alone does not say: the file and the system's reason
};

// Writes a blank file of memoryKiB * 1024 bytes: 0xF0 throughout, then the
// header with itemCount 0. The file is built under a temporary name in the
// same folder and renamed over `path` at the end, so a failure leaves no
// partial file and an existing file is only replaced by a complete one.
// On failure the message is "False" and `detail` names the file and the reason.
StoreResult createResourceFile(const std::string& path, std::uint16_t modelCode, std::uint16_t screenWidth,
                               std::uint16_t screenHeight, std::uint32_t memoryKiB);
StoreResult createResourceFile(const std::string& path, std::uint16_t modelCode, std::uint16_t screenWidth,
                               std::uint16_t screenHeight, std::uint32_t memoryKiB, FileIo& io);

// What is wrong with a header and directory read from a file of `fileSize`
// bytes, one sentence per problem; empty when the file can be opened.
// Does not require the file length to equal the memory size (see checkResourceFile).
std::vector<std::string> directoryProblems(const ResourceHeader& header, std::span<const ResourceEntry> entries,
                                           std::uint64_t fileSize);

// Everything `zarnres check` verifies: header, directory against the placement
// invariant, and file length = memoryKiB * 1024. `readError` is set when the
// file itself could not be read (then `problems` may be incomplete).
struct ResourceCheck {
    std::optional<std::string> readError;
    std::vector<std::string> problems;
    bool ok() const { return !readError && problems.empty(); }
};
ResourceCheck checkResourceFile(const std::string& path, FileIo& io = defaultFileIo());

class ResourceStore {
public:
    std::string path;
    bool isOpen = false;
    std::uint16_t itemCount = 0, modelCode = 0, screenWidth = 0, screenHeight = 0;
    std::uint32_t memoryKiB = 0, blockSize = kBlockSize;
    std::uint16_t maxItems = 0;
    std::uint32_t remainingBytes = 0;
    std::array<ResourceEntry, kDirectoryCapacity> directory {};
    FileIo* io = nullptr; // nullptr: defaultFileIo()

    // Reads `path`. A bad model code or a damaged directory gives
    // "Resource File Error" (with the problems in `detail`); a file that cannot
    // be read gives a message naming it and the reason. On any failure isOpen becomes false and nothing else changes.
    StoreResult openResourceFile();

    int insertionIndex(std::optional<int> selectionMark) const; // mark + 1, else itemCount

    // Inserts `entry` at `index` (0..itemCount) with the whole content of
    // `dataPath` as its data: reads the source first ("False", with the reason
    // in `detail`, if it cannot be read), moves later items up, writes the data, then header and directory,
    // and raises itemCount. The entry's address is set by the store; its length
    // must equal the source's size. On any failure nothing in memory changes
    // and the file keeps every item's data.
    StoreResult insertItem(int index, const ResourceEntry& entry, const std::string& dataPath);
    // The same with the data given in memory.
    StoreResult insertItemData(int index, const ResourceEntry& entry, std::span<const std::uint8_t> data);

    // Removes entry `index`, moving later data down, then rewrites the directory.
    StoreResult deleteItem(int index);

    // Rewrites header and directory in place; does nothing unless isOpen.
    StoreResult writeDirectory();

    std::uint32_t usedEnd() const;
    ResourceHeader header() const;

    // Rewrites entry `index` with a new ignore colour.
    StoreResult setIgnoreColor(int index, std::uint16_t color);

    // Reads the data of entry `index` (its `length` bytes).
    StoreResult readItem(int index, std::vector<std::uint8_t>& out) const;

private:
    FileIo& fileIo() const { return io ? *io : defaultFileIo(); }
};

} // namespace zarn
