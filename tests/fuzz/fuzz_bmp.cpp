// Any bytes as a BMP file (run-length streams and short palettes included):
// loaded, fitted, converted and decoded again. Nothing may read outside the file,
// and whatever converts must decode to its own size.
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

std::vector<std::uint8_t> slurp(const std::string& path)
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
    pic.m_bDither = dither;
    pic.m_strFileName = bmp;
    const auto loaded = pic.loadBmpFile();
    check(loaded.ok == (pic.m_bLoaded == 1));
    check(loaded.ok || !loaded.message.empty());
    if (!loaded.ok)
        return;
    check(pic.m_nWidth >= 0 && pic.m_nHeight >= 0);
    check(pic.m_nWidth <= std::max(boxWidth, pic.sourceWidth()) && pic.m_nHeight <= std::max(boxHeight, pic.sourceHeight()));
    if (static_cast<std::uint64_t>(pic.sourceWidth()) * pic.sourceHeight() <= (1u << 20))
        check(pic.sourceRgb().size() == 3ull * pic.sourceWidth() * pic.sourceHeight());
    if (!pic.convertBitmap(scratch("tmp")).ok)
        return;
    const auto data = slurp(scratch("tmp"));
    check(data.size() == static_cast<std::size_t>(pic.m_nSize));
    const auto kind = static_cast<std::uint8_t>(pic.m_nFormat);
    check(zarn::moduleBitmapLength(kind, pic.m_nWidth, pic.m_nHeight) == static_cast<std::uint32_t>(pic.m_nSize));
    const auto rgb = zarn::decodeModuleBitmap(kind, pic.m_nWidth, pic.m_nHeight, data);
    check(rgb && rgb->size() == 3ull * pic.m_nWidth * pic.m_nHeight);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        std::ofstream out(scratch("bmp"), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    loadConvertDecode(scratch("bmp"), 32, 24, true);     // scaled, dithered when true colour
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
