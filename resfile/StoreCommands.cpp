#include "resfile/StoreCommands.h"

#include "platform/FileIo.h"
#include "platform/Utf8Path.h"

namespace zarn {

std::optional<std::string> checkCapacity(const ResourceStore& store, std::uint32_t length)
{
    if (length > store.remainingBytes())
        return kMsgSpaceNotEnough;
    if (store.itemCount() >= store.maxItems())
        return kMsgExceedMaxItems;
    return std::nullopt;
}

std::string capacityDetail(const ResourceStore& store, std::uint64_t length, const std::string& source)
{
    const std::string file = quotedPath(store.path());
    if (length > store.remainingBytes())
        return (source.empty() ? std::string("The item") : quotedPath(source)) + " needs " + std::to_string(length)
            + " bytes; " + file + " has " + std::to_string(store.remainingBytes()) + " bytes left";
    if (store.itemCount() >= store.maxItems())
        return file + " holds " + std::to_string(store.itemCount()) + " items, as many as its directory can hold";
    return {};
}

std::optional<std::string> checkLoadBitmap(
    bool busy, const ResourceStore& store, bool bitmapLoaded, std::uint32_t bitmapSize)
{
    if (busy)
        return kMsgProgrammingModule;
    if (!store.isOpen())
        return kMsgNotResourceOpen;
    if (!bitmapLoaded)
        return kMsgNotPictureLoaded;
    return checkCapacity(store, bitmapSize);
}

std::optional<std::string> checkDelete(bool busy, const ResourceStore& store, std::optional<int> selectionMark)
{
    if (busy)
        return kMsgProgrammingModule;
    if (!store.isOpen())
        return kMsgNotResourceOpen;
    if (store.itemCount() == 0)
        return kMsgNoItems;
    if (!selectionMark)
        return kMsgSelectItemToDelete;
    return std::nullopt;
}

std::optional<std::string> checkOpenResource(bool busy)
{
    if (busy)
        return kMsgProgrammingModule;
    return std::nullopt;
}

std::optional<std::string> checkNewResource(bool busy)
{
    if (busy)
        return kMsgProgrammingModuleNew;
    return std::nullopt;
}

bool hasResourceExtension(const std::string& path)
{
    // The extension is what follows the last dot of the file name itself.
    const std::string name = fileNameOf(path);
    const auto dot = name.rfind('.');
    return dot != std::string::npos && name.compare(dot + 1, std::string::npos, "zrf") == 0;
}

} // namespace zarn
