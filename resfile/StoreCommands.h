#pragma once
// The store commands' checks in their fixed order, shared by the main window
// and the command line so both report the same texts.

#include "common/Messages.h"
#include "resfile/ResourceStore.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zarn {

// ">>LOAD": busy, open file, loaded bitmap, space, directory capacity.
std::optional<std::string> checkLoadBitmap(
    bool busy, const ResourceStore& store, bool bitmapLoaded, std::uint32_t bitmapSize);
// "Delete": busy, open file, items, selection mark.
std::optional<std::string> checkDelete(bool busy, const ResourceStore& store, std::optional<int> selectionMark);
std::optional<std::string> checkOpenResource(bool busy);
std::optional<std::string> checkNewResource(bool busy);
// "Open Resource" goes on only for the extension "zrf", in any case.
bool hasResourceExtension(const std::string& path);
// Space (unrounded length against remainingBytes), then the item count.
std::optional<std::string> checkCapacity(const ResourceStore& store, std::uint32_t length);
// The same for a file that is being laid out (a project's build).
std::optional<std::string> checkCapacity(
    std::uint32_t remainingBytes, int itemCount, int maxItems, std::uint32_t length);
// Why checkCapacity refuses: what the item (from `source`, when named) needs
// and what the file has left, or that its directory is full; empty when it fits.
std::string capacityDetail(const ResourceStore& store, std::uint64_t length, const std::string& source = {});
// The same for the resource file `file` that is being laid out.
std::string capacityDetail(std::uint32_t remainingBytes, int itemCount, int maxItems, const std::string& file,
    std::uint64_t length, const std::string& source = {});

} // namespace zarn
