// Any bytes as a picture file for this system's decoders (PNG, JPEG, GIF, and
// BMP): loaded, fitted, converted and decoded again. Nothing may read outside
// the input, crash or print; whatever converts must decode to its own size.
#include "import/ModuleBitmap.h"
#include "import/PictureFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void loadConvertDecode(const std::string& file, int boxWidth, int boxHeight, bool dither, bool keepSource)
{
    zarn::LoadedPicture pic;
    pic.setScreenBox(boxWidth, boxHeight);
    pic.setDither(dither);
    pic.setKeepSource(keepSource);
    pic.setIgnoreColor(0xF81F);
    pic.setFileName(file);
    const auto loaded = zarn::loadPictureFile(pic);
    check(loaded.ok == pic.loaded());
    check(loaded.ok || !loaded.message.empty());
    if (!loaded.ok)
        return;
    check(pic.width() > 0 && pic.height() > 0 && pic.width() <= std::max(boxWidth, pic.sourceWidth()));
    if (keepSource)
        check(pic.sourceRgb().size() == 3ull * pic.sourceWidth() * pic.sourceHeight());
    const auto data = pic.convertBitmap();
    check(data.size() == static_cast<std::size_t>(pic.size()));
    const auto kind = static_cast<std::uint8_t>(pic.format());
    check(zarn::moduleBitmapLength(kind, pic.width(), pic.height()) == data.size());
    const auto rgb = zarn::decodeModuleBitmap(kind, pic.width(), pic.height(), data);
    check(rgb && rgb->size() == 3ull * pic.width() * pic.height());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string file = "/tmp/zarn-fuzz-picture-" + std::to_string(::getpid());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    loadConvertDecode(file, 32, 24, true, false); // scaled (JPEG at a fraction of its size), dithered
    loadConvertDecode(file, 4096, 4096, false, size < 65536); // unscaled, drawn
    std::remove(file.c_str());
    return 0;
}
