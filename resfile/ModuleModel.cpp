#include "resfile/ModuleModel.h"

#include <array>

namespace zarn {

namespace {
    const std::array<ModuleModel, 12> kModels { {
        { "1 Zarn17 V10_V", 1, 1704, 128, 160, { true, false, false, false } },
        { "2 Zarn17 V10_W", 2, 1704, 160, 128, { true, false, false, false } },
        { "3 Zarn24 V10_V", 3, 2404, 240, 320, { true, false, false, false } },
        { "4 Zarn24 V10_W", 4, 2404, 320, 240, { true, false, false, false } },
        { "5 Zarn28 V10_V", 5, 2804, 240, 320, { true, true, false, false } },
        { "6 Zarn28 V10_W", 6, 2804, 320, 240, { true, true, false, false } },
        { "7 Zarn32 V10_V", 7, 3204, 240, 400, { true, true, false, false } },
        { "8 Zarn32 V10_W", 8, 3204, 400, 240, { true, true, false, false } },
        { "9 Zarn35 V10", 9, 3504, 320, 240, { true, true, false, false } },
        { "10 Zarn43 V10", 10, 4308, 480, 272, { true, true, true, true } },
        { "11 Zarn50 V10", 11, 5008, 640, 480, { true, true, true, true } },
        { "12 ZarnTest_M", 12, 2401, 320, 240, { true, true, true, true } },
    } };
    // What a row number outside the table gets: the values of row 3.
    const ModuleModel kDefaultModel { "", 0, 2404, 240, 320, { true, false, false, false } };
}

std::span<const ModuleModel> moduleModels() { return kModels; }

std::uint32_t memoryKiBForSizeIndex(int k) { return 4096u * static_cast<std::uint32_t>(k + 1); }

int rowNumberOf(std::string_view rowText)
{
    // Each character before the first space counts as a digit, as the list
    // always read it; kept from overflowing for text that is no row at all.
    long long number = 0;
    for (char c : rowText) {
        if (c == ' ')
            break;
        number = number * 10 + (c - '0');
        if (number > 1000000 || number < -1000000)
            return -1;
    }
    return static_cast<int>(number);
}

const ModuleModel& modelForNumber(int number)
{
    if (number >= 1 && number <= 12)
        return kModels[static_cast<std::size_t>(number - 1)];
    return kDefaultModel;
}

std::string offeredSizesText(const ModuleModel& model)
{
    std::string offered;
    for (std::size_t i = 0; i < kSizeLabels.size(); ++i)
        if (model.sizesOffered[i])
            offered.append(offered.empty() ? "" : ", ").append(kSizeLabels[i]);
    return offered;
}

int sizeIndexOf(std::string_view label)
{
    for (std::size_t k = 0; k < kSizeLabels.size(); ++k)
        if (label == kSizeLabels[k])
            return static_cast<int>(k);
    return -1;
}

} // namespace zarn
