#include "resfile/StoreCommands.h"

#include "platform/FileIo.h"
#include "platform/Utf8Path.h"

namespace zarn {

std::optional<std::string> checkCapacity(const ResourceStore& store, std::uint32_t length)
{
    return checkCapacity(store.remainingBytes(), store.itemCount(), store.maxItems(), length);
}

std::optional<std::string> checkCapacity(
    std::uint32_t remainingBytes, int itemCount, int maxItems, std::uint32_t length)
{
    if (length > remainingBytes)
        return kMsgSpaceNotEnough;
    if (itemCount >= maxItems)
        return kMsgExceedMaxItems;
    return std::nullopt;
}

std::string capacityDetail(const ResourceStore& store, std::uint64_t length, const std::string& source)
{
    return capacityDetail(store.remainingBytes(), store.itemCount(), store.maxItems(), store.path(), length, source);
}

std::string capacityDetail(std::uint32_t remainingBytes, int itemCount, int maxItems, const std::string& file,
    std::uint64_t length, const std::string& source)
{
    if (length > remainingBytes)
        return (source.empty() ? std::string("The item") : quotedPath(source)) + " needs " + std::to_string(length)
            + " bytes; " + quotedPath(file) + " has " + std::to_string(remainingBytes) + " bytes left";
    if (itemCount >= maxItems)
        return quotedPath(file) + " holds " + std::to_string(itemCount) + " items, as many as its directory can hold";
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
    if (dot == std::string::npos || name.size() - dot != 4)
        return false;
    // Any case: "BIG.ZRF" is a resource file as much as "big.zrf".
    for (int i = 0; i < 3; ++i)
        if ((name[dot + 1 + i] | 0x20) != "zrf"[i])
            return false;
    return true;
}

} // namespace zarn
