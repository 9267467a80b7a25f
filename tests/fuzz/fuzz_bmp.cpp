// Any bytes as a BMP file (run-length streams and short palettes included):
// loaded, fitted, converted and decoded again. Nothing may read outside the file,
// and whatever converts must decode to its own size, the same in memory as in
// the staging file.
#include "import/LoadedPicture.h"
#include "import/ModuleBitmap.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::string& scratch(const char* what)
{
    static const std::string base = "/tmp/zarn-fuzz-bmp-" + std::to_string(::getpid());
    static std::string paths[2] = { base + ".bmp", base + ".tmp" };
    return what[0] == 'b' ? paths[0] : paths[1];
}

std::vector<std::uint8_t> readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void loadConvertDecode(const std::string& bmp, int boxWidth, int boxHeight, bool dither)
{
    zarn::LoadedPicture pic;
    pic.setScreenBox(boxWidth, boxHeight);
    pic.setDither(dither);
    pic.setFileName(bmp);
    const auto loaded = pic.loadBmpFile();
    check(loaded.ok == pic.loaded());
    check(loaded.ok || !loaded.message.empty());
    if (!loaded.ok)
        return;
    check(pic.width() >= 0 && pic.height() >= 0);
    check(pic.width() <= std::max(boxWidth, pic.sourceWidth())
        && pic.height() <= std::max(boxHeight, pic.sourceHeight()));
    if (static_cast<std::uint64_t>(pic.sourceWidth()) * pic.sourceHeight() <= (1u << 20))
        check(pic.sourceRgb().size() == 3ull * pic.sourceWidth() * pic.sourceHeight());
    if (!pic.convertBitmap(scratch("tmp")).ok)
        return;
    const auto data = readText(scratch("tmp"));
    check(data.size() == static_cast<std::size_t>(pic.size()));
    check(pic.convertBitmap() == data); // the command line's road, in memory, gives the same bytes
    const auto kind = static_cast<std::uint8_t>(pic.format());
    check(zarn::moduleBitmapLength(kind, pic.width(), pic.height()) == static_cast<std::uint32_t>(pic.size()));
    const auto rgb = zarn::decodeModuleBitmap(kind, pic.width(), pic.height(), data);
    check(rgb && rgb->size() == 3ull * pic.width() * pic.height());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        std::ofstream out(scratch("bmp"), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    loadConvertDecode(scratch("bmp"), 32, 24, true); // scaled, dithered when true colour
    loadConvertDecode(scratch("bmp"), 4096, 4096, false); // unscaled copies

    // The same bytes as a stored item: kind, width and height from the first bytes.
    if (size >= 3) {
        const std::span<const std::uint8_t> item(data + 3, size - 3);
        const auto rgb = zarn::decodeModuleBitmap(data[0], data[1], data[2], item);
        if (rgb)
            check(rgb->size() == 3ull * data[1] * data[2]);
    }
    std::remove(scratch("bmp").c_str());
    std::remove(scratch("tmp").c_str());
    return 0;
}
