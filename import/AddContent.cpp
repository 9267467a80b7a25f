#include "import/AddContent.h"

#include "import/FontLibrary.h"
#include "import/WaveImport.h"
#include "resfile/StoreCommands.h"

#include <limits>
#include <new>

namespace zarn {

namespace {

    ContentOutcome refused(std::string message, std::string detail = {})
    {
        ContentOutcome out;
        out.message = std::move(message);
        out.detail = std::move(detail);
        return out;
    }

    // Locks the file for the change when asked; then the row must still be there.
    std::optional<ContentOutcome> prepareInsertion(ResourceStore& store, const ContentOptions& options)
    {
        if (options.lockForChange)
            if (auto r = store.hold(LockMode::Exclusive); !r.ok)
                return refused(r.message, r.detail);
        if (options.afterRow && (*options.afterRow < 0 || *options.afterRow >= store.itemCount()))
            return refused(noSuchItemText(*options.afterRow, store.itemCount()));
        return std::nullopt;
    }

    ContentOutcome inserted(const StoreResult& r, int row, std::string report)
    {
        ContentOutcome out;
        if (!r.ok) {
            out.message = r.message;
            out.detail = r.detail;
            out.reloaded = r.reloaded;
            return out;
        }
        out.result = ContentOutcome::Result::Inserted;
        out.row = row;
        out.message = std::move(report);
        return out;
    }

    // The command a file goes by: the one asked for, else the one its extension names.
    ContentCommand commandOf(const std::string& path, const ContentOptions& options)
    {
        ContentCommand command = options.command;
        if (command == ContentCommand::Any)
            command = commandFor(path, static_cast<bool>(options.loadPicture));
        if (command == ContentCommand::Any)
            command = ContentCommand::Wave; // nothing this tool takes: the check says so
        return command;
    }

    ContentRoom roomOf(const ResourceStore& store)
    {
        return { store.screenWidth(), store.screenHeight(), store.remainingBytes(), store.itemCount(), store.maxItems(),
            store.path() };
    }

    // "Resource file space not enough" and "Exceed the maximum number of
    // resources", with what the item needs and the file has.
    ContentOutcome capacityRefusal(
        const std::string& message, const ContentRoom& room, std::uint64_t length, const std::string& path)
    {
        return refused(
            message, capacityDetail(room.remainingBytes, room.itemCount, room.maxItems, room.file, length, path));
    }

    // Reads the picture at `path`, fitted to the room's screen, and converts it into `data`.
    std::optional<ContentOutcome> convertPicture(const std::string& path, const ContentOptions& options,
        const ContentRoom& room, LoadedPicture& picture, std::vector<std::uint8_t>& data)
    {
        picture.setScreenBox(room.screenWidth, room.screenHeight);
        picture.setFileName(path);
        picture.setDither(options.dither);
        picture.setIgnoreColor(options.ignoreColor); // what transparent pixels become
        picture.setKeepSource(false); // nothing is drawn: the fitted picture is all it needs
        const auto loaded = options.loadPicture ? options.loadPicture(picture) : picture.loadBmpFile();
        if (!loaded.ok)
            return refused(loaded.message, loaded.detail);
        // Converted in memory: no staging file is needed, and none is left behind.
        data = picture.convertBitmap();
        if (data.empty())
            return refused(kMsgFalse, "Not enough memory to convert " + path);
        return std::nullopt;
    }

    // The checks of a library or sound in their command's order, against the room.
    ImportCheck checkLibraryOrSound(ContentCommand command, const std::string& path, const ContentRoom& room)
    {
        return command == ContentCommand::Wave
            ? checkWaveFile(path, room.remainingBytes, room.itemCount, room.maxItems)
            : checkFontLibrary(command == ContentCommand::Hzlib ? FontCommand::Hzlib : FontCommand::Asciilib, path,
                room.remainingBytes, room.itemCount, room.maxItems);
    }

    // A library or sound the checks did not accept: ignored or refused.
    ContentOutcome notAccepted(const ImportCheck& check, const ContentRoom& room, const std::string& path)
    {
        // The checks know the lengths; the room knows the file they do not fit.
        const bool capacity = check.message == kMsgSpaceNotEnough || check.message == kMsgExceedMaxItems;
        ContentOutcome out = capacity && check.detail.empty() ? capacityRefusal(check.message, room, check.length, path)
                                                              : refused(check.message, check.detail);
        if (check.verdict == ImportCheck::Verdict::Ignored)
            out.result = ContentOutcome::Result::Ignored;
        return out;
    }

    ContentOutcome addPicture(ResourceStore& store, const std::string& path, const ContentOptions& options)
    {
        LoadedPicture picture;
        std::vector<std::uint8_t> data;
        if (auto stop = convertPicture(path, options, roomOf(store), picture, data))
            return *stop;
        if (auto stop = prepareInsertion(store, options))
            return *stop;
        const auto length = static_cast<std::uint32_t>(data.size());
        if (auto refusal = checkLoadBitmap(false, store, picture.loaded(), length))
            return capacityRefusal(*refusal, roomOf(store), length, path);
        const int row = store.insertionIndex(options.afterRow);
        return inserted(
            store.insertItemData(row, bitmapEntry(picture, options.ignoreColor), data), row, picture.loadReportText());
    }

} // namespace

ContentOutcome prepareContent(const std::string& path, const ContentOptions& options, const ContentRoom& room,
    ResourceEntry& entry, std::vector<std::uint8_t>& data)
{
    const ContentCommand command = commandOf(path, options);
    ContentOutcome out;
    if (command == ContentCommand::Bitmap) {
        LoadedPicture picture;
        if (auto stop = convertPicture(path, options, room, picture, data))
            return *stop;
        const auto length = static_cast<std::uint32_t>(data.size());
        if (auto refusal = checkCapacity(room.remainingBytes, room.itemCount, room.maxItems, length))
            return capacityRefusal(*refusal, room, length, path);
        entry = bitmapEntry(picture, options.ignoreColor);
        out.message = picture.loadReportText();
    } else {
        const ImportCheck check = checkLibraryOrSound(command, path, room);
        if (check.verdict != ImportCheck::Verdict::Accepted)
            return notAccepted(check, room, path);
        // The source is read whole, as an insertion reads it.
        std::string why;
        const WholeRead read
            = readRegularFile(defaultFileIo(), path, std::numeric_limits<std::uint32_t>::max(), data, why);
        if (read == WholeRead::TooLarge)
            why = "the file is too large for a resource item";
        if (read != WholeRead::Read)
            return refused(kMsgFalse, "Cannot read " + quotedPath(path) + ": " + why);
        if (data.size() != check.pending.entry.length)
            return refused(kMsgFalse, "Cannot read " + quotedPath(path) + ": it changed while it was read");
        entry = check.pending.entry;
        out.message = check.message;
        out.warning = check.warning;
        out.pending = check.pending;
    }
    out.result = ContentOutcome::Result::Inserted;
    out.row = room.itemCount;
    return out;
}

ContentCommand commandFor(const std::string& path, bool otherPictureFormats)
{
    if (isBitmapExtension(lowerExtension(path), otherPictureFormats))
        return ContentCommand::Bitmap;
    if (const auto library = fontLibraryTypeOfExtension(fileExtension(path)))
        return *library == FontLibraryType::Ascii ? ContentCommand::Asciilib : ContentCommand::Hzlib;
    return lowerExtension(path) == "wav" ? ContentCommand::Wave : ContentCommand::Any;
}

std::string noSuchItemText(int row, int itemCount)
{
    return "There is no item " + std::to_string(row) + ": the file holds " + std::to_string(itemCount)
        + (itemCount == 1 ? " item" : " items");
}

ResourceEntry bitmapEntry(const LoadedPicture& picture, std::uint16_t ignoreColor)
{
    ResourceEntry entry;
    entry.kind = static_cast<std::uint8_t>(picture.format());
    entry.width = static_cast<std::uint16_t>(picture.width());
    entry.height = static_cast<std::uint16_t>(picture.height());
    entry.length = static_cast<std::uint32_t>(picture.size());
    entry.reserved = 0;
    entry.ignoreColor = ignoreColor;
    return entry;
}

ContentOutcome addContent(ResourceStore& store, const std::string& path, const ContentOptions& options)
{
    if (!store.isOpen())
        return refused(kMsgNotResourceOpen);
    const ContentCommand command = commandOf(path, options);
    if (command == ContentCommand::Bitmap)
        return addPicture(store, path, options);

    if (auto stop = prepareInsertion(store, options))
        return *stop;
    const ContentRoom room = roomOf(store);
    const ImportCheck check = checkLibraryOrSound(command, path, room);
    if (check.verdict != ImportCheck::Verdict::Accepted)
        return notAccepted(check, room, path);
    if (options.accepted)
        options.accepted(check.message, check.warning);
    const int row = store.insertionIndex(options.afterRow);
    ContentOutcome out
        = inserted(store.insertItem(row, check.pending.entry, check.pending.sourcePath), row, check.message);
    out.pending = check.pending;
    if (out.result == ContentOutcome::Result::Inserted)
        out.warning = check.warning;
    return out;
}

} // namespace zarn
