#include "import/AddContent.h"

#include "import/FontLibrary.h"
#include "import/WaveImport.h"
#include "resfile/StoreCommands.h"

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

    ContentOutcome addPicture(ResourceStore& store, const std::string& path, const ContentOptions& options)
    {
        LoadedPicture picture;
        picture.setScreenBox(store.screenWidth(), store.screenHeight());
        picture.setFileName(path);
        picture.setDither(options.dither);
        picture.setIgnoreColor(options.ignoreColor); // what transparent pixels become
        const auto loaded = options.loadPicture ? options.loadPicture(picture) : picture.loadBmpFile();
        if (!loaded.ok)
            return refused(loaded.message,
                loaded.detail.empty() && loaded.message == kMsgReadingFileError
                    ? "Cannot read " + quotedPath(path) + ": it holds no picture this tool can read"
                    : loaded.detail);
        // Converted in memory: no staging file is needed, and none is left behind.
        const std::vector<std::uint8_t> data = picture.convertBitmap();
        if (data.empty())
            return refused(kMsgFalse, "Not enough memory to convert " + path);
        if (auto stop = prepareInsertion(store, options))
            return *stop;
        const auto length = static_cast<std::uint32_t>(data.size());
        if (auto refusal = checkLoadBitmap(false, store, picture.loaded(), length))
            return refused(*refusal, capacityDetail(store, length, path));
        const int row = store.insertionIndex(options.afterRow);
        return inserted(
            store.insertItemData(row, bitmapEntry(picture, options.ignoreColor), data), row, picture.loadReportText());
    }

} // namespace

ContentCommand commandFor(const std::string& path, bool otherPictureFormats)
{
    if (isBitmapExtension(lowerExtension(path), otherPictureFormats))
        return ContentCommand::Bitmap;
    if (const auto library = fontLibraryTypeOfExtension(fileExtension(path)))
        return *library == FontLibraryType::Ascii ? ContentCommand::Asciilib : ContentCommand::Hzlib;
    return fileExtension(path) == "wav" ? ContentCommand::Wave : ContentCommand::Any;
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
    ContentCommand command = options.command;
    if (command == ContentCommand::Any)
        command = commandFor(path, static_cast<bool>(options.loadPicture));
    if (command == ContentCommand::Any)
        command = ContentCommand::Wave; // nothing this tool takes: the check says so
    if (command == ContentCommand::Bitmap)
        return addPicture(store, path, options);

    if (auto stop = prepareInsertion(store, options))
        return *stop;
    const ImportCheck check = command == ContentCommand::Wave
        ? checkWaveFile(path, store.remainingBytes(), store.itemCount(), store.maxItems())
        : checkFontLibrary(command == ContentCommand::Hzlib ? FontCommand::Hzlib : FontCommand::Asciilib, path,
            store.remainingBytes(), store.itemCount(), store.maxItems());
    if (check.verdict != ImportCheck::Verdict::Accepted) {
        // The checks know the lengths; the store knows the file they do not fit.
        const bool capacity = check.message == kMsgSpaceNotEnough || check.message == kMsgExceedMaxItems;
        ContentOutcome out = refused(
            check.message, capacity && check.detail.empty() ? capacityDetail(store, check.length, path) : check.detail);
        if (check.verdict == ImportCheck::Verdict::Ignored)
            out.result = ContentOutcome::Result::Ignored;
        return out;
    }
    if (options.accepted)
        options.accepted(check.warning.empty() ? check.message : check.message + "\n" + check.warning);
    const int row = store.insertionIndex(options.afterRow);
    ContentOutcome out
        = inserted(store.insertItem(row, check.pending.entry, check.pending.sourcePath), row, check.message);
    out.pending = check.pending;
    if (out.result == ContentOutcome::Result::Inserted)
        out.warning = check.warning;
    return out;
}

} // namespace zarn
