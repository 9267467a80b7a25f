#pragma once
// The capacity shown on the main window: the status text and the space gauge.

#include "resfile/ResourceStore.h"

#include <string>

namespace zarn {

inline constexpr const char* kCapacityFormat = "Resource File size:%d Remaining bytes:%d";

std::string capacityText(const ResourceStore& store); // memoryKiB * 1024 and remainingBytes
int capacityGaugeRange(const ResourceStore& store); // 0 to memoryKiB
int capacityGaugePosition(const ResourceStore& store); // memoryKiB - remainingBytes / 1024

} // namespace zarn
