// Writes a corpus of pictures in every form the tool reads (PNG of every colour
// type, depth, palette and transparency, interlaced or not; GIF with global and
// local colour tables, transparency, frames smaller than the screen, interlaced;
// BMP of every depth and header; JPEG in grey, colour, CMYK, progressive and
// turned by their EXIF orientation), at sizes that are and are not scaled to
// the module's screens, with the ties of the nearest-neighbour rule. Lists the
// cases (file, model row, options) in cases.txt; bench/picture_identity.sh runs
// them through a zarnres and prints one line per case, so that two builds can
// be compared byte for byte.
//
// Usage: picture_corpus DIR [--big]   (--big adds pictures of 4000 x 3000 and 8192 x 8192)
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

// After <cstdio>: jpeglib.h needs FILE and size_t.
#include <jpeglib.h>
#include <png.h>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Random {
    std::uint32_t s = 2463534242u;
    std::uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
};

fs::path g_dir;
std::ofstream g_cases;
bool g_big = false;

// The model rows a picture is tried with, and the options of each try.
const std::vector<int> kBoxes { 4, 1, 10 }; // 320x240, 128x160, 480x272
const std::vector<std::string> kOptions { "-", "--dither --ignore-color 0xf81f", "--ignore-color 0x07e0" };

void addCases(
    const std::string& file, const std::vector<int>& boxes = kBoxes, const std::vector<std::string>& options = kOptions)
{
    for (int box : boxes)
        for (const auto& o : options)
            g_cases << file << "|" << box << "|" << o << "\n";
}

void writeFile(const std::string& name, const Bytes& bytes)
{
    std::ofstream(g_dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void put16(Bytes& b, std::size_t at, std::uint32_t v)
{
    b[at] = v & 0xFF;
    b[at + 1] = (v >> 8) & 0xFF;
}
void put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// Sizes: unscaled everywhere, scaled in every box, the 320x240 tie (rx > ry by a
// hair), the tie that single precision breaks, a tall thin one, one pixel.
struct Size {
    int w, h;
    const char* name;
};
const std::vector<Size> kSizes { { 37, 23, "small" }, { 333, 251, "odd" }, { 641, 481, "tie" }, { 7, 300, "tall" } };
const std::vector<Size> kMoreSizes { { 1024, 768, "tie2" }, { 1, 1, "one" }, { 1000, 300, "wide" },
    { 161, 129, "box1" } };

// ------------------------------------------------------------------ PNG

struct PngRecipe {
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlace = false;
    int paletteSize = 0; // PLTE entries
    int trnsCount = -1; // palette: tRNS entries; -1 none
    bool trnsValue = false; // grey/RGB: a tRNS colour
    int maxIndex = -1; // palette/grey: the largest sample used (-1: any the depth allows)
    std::string extra; // "gama", "srgb", "exif6", "iccp"
};

int channelsOf(int colorType)
{
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

void writePng(const std::string& name, int w, int h, const PngRecipe& s, Random& rnd)
{
    FILE* f = std::fopen((g_dir / name).c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_check_for_invalid_index(png, 0);
    png_set_IHDR(png, info, w, h, s.bitDepth, s.colorType, s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const int top = (1 << s.bitDepth) - 1;
    if (s.colorType == PNG_COLOR_TYPE_PALETTE) {
        std::vector<png_color> pal(s.paletteSize);
        for (auto& c : pal)
            c = png_color { static_cast<png_byte>(rnd.next()), static_cast<png_byte>(rnd.next()),
                static_cast<png_byte>(rnd.next()) };
        png_set_PLTE(png, info, pal.data(), s.paletteSize);
        if (s.trnsCount > 0) {
            std::vector<png_byte> a(s.trnsCount);
            for (int i = 0; i < s.trnsCount; ++i)
                a[i] = static_cast<png_byte>(i % 3 == 0 ? 0 : i % 3 == 1 ? 128 + i : 255);
            png_set_tRNS(png, info, a.data(), s.trnsCount, nullptr);
        }
    }
    png_color_16 trans {};
    if (s.trnsValue) {
        trans.gray = static_cast<png_uint_16>(top / 3);
        trans.red = static_cast<png_uint_16>(top / 3);
        trans.green = static_cast<png_uint_16>(top / 5);
        trans.blue = static_cast<png_uint_16>(top / 7);
        png_set_tRNS(png, info, nullptr, 0, &trans);
    }
    if (s.extra == "gama") {
        png_set_gAMA(png, info, 1.0 / 1.8);
        png_set_cHRM(png, info, 0.3127, 0.329, 0.64, 0.33, 0.3, 0.6, 0.15, 0.06);
    } else if (s.extra == "srgb") {
        png_set_sRGB_gAMA_and_cHRM(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    } else if (s.extra == "exif6") {
        // A little-endian TIFF header with one entry: orientation 6.
        png_byte exif[] = { 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0 };
        png_set_eXIf_1(png, info, sizeof exif, exif);
    } else if (s.extra == "bkgd") {
        png_color_16 bg {};
        bg.index = 1;
        bg.gray = 1;
        bg.red = bg.green = bg.blue = static_cast<png_uint_16>(top);
        png_set_bKGD(png, info, &bg);
    }
    png_write_info(png, info);
    const int channels = channelsOf(s.colorType);
    const int bits = s.bitDepth * channels;
    const std::size_t rowBytes = (static_cast<std::size_t>(w) * bits + 7) / 8;
    std::vector<Bytes> rows(h, Bytes(rowBytes, 0));
    const int maxSample = s.maxIndex >= 0 ? s.maxIndex : top;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                std::uint32_t v;
                const bool alpha = (channels == 2 && c == 1) || (channels == 4 && c == 3);
                if (alpha) // transparent, opaque and in between, in patches
                    v = ((x / 3 + y / 2) % 4 == 0) ? 0 : ((x / 3 + y / 2) % 4 == 1) ? top : rnd.next() % (top + 1);
                else if (s.trnsValue && (x + y) % 5 == 0)
                    v = c == 0 ? (channels == 1 ? trans.gray : trans.red) : c == 1 ? trans.green : trans.blue;
                else
                    v = rnd.next() % (maxSample + 1);
                if (s.bitDepth == 16) {
                    rows[y][2 * (x * channels + c)] = static_cast<std::uint8_t>(v >> 8);
                    rows[y][2 * (x * channels + c) + 1] = static_cast<std::uint8_t>(v);
                } else if (s.bitDepth == 8) {
                    rows[y][x * channels + c] = static_cast<std::uint8_t>(v);
                } else {
                    const int bit = x * s.bitDepth;
                    rows[y][bit / 8] |= static_cast<std::uint8_t>(v << (8 - s.bitDepth - bit % 8));
                }
            }
    }
    std::vector<png_bytep> pointers(h);
    for (int y = 0; y < h; ++y)
        pointers[y] = rows[y].data();
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

void pngCorpus()
{
    Random rnd;
    std::vector<std::pair<std::string, PngRecipe>> recipes;
    for (int depth : { 1, 2, 4, 8, 16 })
        for (bool trns : { false, true })
            recipes.push_back({ "grey" + std::to_string(depth) + (trns ? "t" : ""),
                PngRecipe { PNG_COLOR_TYPE_GRAY, depth, false, 0, -1, trns } });
    for (int depth : { 8, 16 })
        for (bool trns : { false, true })
            recipes.push_back({ "rgb" + std::to_string(depth) + (trns ? "t" : ""),
                PngRecipe { PNG_COLOR_TYPE_RGB, depth, false, 0, -1, trns } });
    for (int depth : { 8, 16 }) {
        recipes.push_back({ "ga" + std::to_string(depth), PngRecipe { PNG_COLOR_TYPE_GRAY_ALPHA, depth } });
        recipes.push_back({ "rgba" + std::to_string(depth), PngRecipe { PNG_COLOR_TYPE_RGB_ALPHA, depth } });
    }
    for (int depth : { 1, 2, 4, 8 }) {
        const int full = 1 << depth;
        for (int entries : { full, std::max(1, full / 2 - 1), 1 })
            for (int trns : { -1, 1, entries / 2, entries }) {
                if (trns == 0 || (trns == entries && entries == 1 && depth > 1))
                    continue;
                PngRecipe s { PNG_COLOR_TYPE_PALETTE, depth, false, entries, trns };
                s.maxIndex = entries - 1;
                recipes.push_back(
                    { "pal" + std::to_string(depth) + "_" + std::to_string(entries) + "_t" + std::to_string(trns), s });
            }
    }
    // Indices past the palette (libpng says so; what the picture then shows).
    for (int depth : { 1, 4, 8 }) {
        PngRecipe s { PNG_COLOR_TYPE_PALETTE, depth, false, 1, -1 };
        recipes.push_back({ "pal" + std::to_string(depth) + "_past", s });
    }
    // Few grey levels or indices in use: the item's depth follows what is used.
    recipes.push_back({ "pal8_uses2", PngRecipe { PNG_COLOR_TYPE_PALETTE, 8, false, 2, -1, false, 1 } });
    recipes.push_back({ "pal8_uses16of200", PngRecipe { PNG_COLOR_TYPE_PALETTE, 8, false, 200, -1, false, 15 } });
    recipes.push_back({ "grey8_uses2", PngRecipe { PNG_COLOR_TYPE_GRAY, 8, false, 0, -1, false, 1 } });
    recipes.push_back({ "grey8t_uses3", PngRecipe { PNG_COLOR_TYPE_GRAY, 8, false, 0, -1, true, 2 } });
    recipes.push_back({ "grey4_uses2", PngRecipe { PNG_COLOR_TYPE_GRAY, 4, false, 0, -1, false, 1 } });
    for (const char* extra : { "gama", "srgb", "exif6", "bkgd" }) {
        PngRecipe s { PNG_COLOR_TYPE_RGB, 8 };
        s.extra = extra;
        recipes.push_back({ std::string("rgb8_") + extra, s });
        PngRecipe p { PNG_COLOR_TYPE_PALETTE, 4, false, 16, 5 };
        p.extra = extra;
        recipes.push_back({ std::string("pal4_") + extra, p });
    }

    for (auto [name, recipe] : recipes)
        for (bool interlace : { false, true }) {
            recipe.interlace = interlace;
            for (const Size& size : kSizes) {
                const std::string file = "png_" + name + (interlace ? "_i" : "") + "_" + size.name + ".png";
                writePng(file, size.w, size.h, recipe, rnd);
                addCases(file);
            }
        }
    for (const Size& size : kMoreSizes)
        for (const auto& [name, recipe] : recipes) {
            if (name != "rgb8" && name != "rgba16" && name != "pal4_16_t8" && name != "grey1")
                continue;
            const std::string file = "png_" + name + "_" + size.name + ".png";
            writePng(file, size.w, size.h, recipe, rnd);
            addCases(file);
        }
    if (g_big) {
        writePng("png_big_rgb8_4000x3000.png", 4000, 3000, PngRecipe { PNG_COLOR_TYPE_RGB, 8 }, rnd);
        addCases("png_big_rgb8_4000x3000.png", { 4, 10 }, { "-", "--dither" });
        writePng("png_big_rgba16_i_3000x4000.png", 3000, 4000, PngRecipe { PNG_COLOR_TYPE_RGB_ALPHA, 16, true }, rnd);
        addCases("png_big_rgba16_i_3000x4000.png", { 4 }, { "-" });
        writePng(
            "png_big_pal8_8192x8192.png", 8192, 8192, PngRecipe { PNG_COLOR_TYPE_PALETTE, 8, false, 256, 40 }, rnd);
        addCases("png_big_pal8_8192x8192.png", { 10 }, { "-" });
    }
}

// ------------------------------------------------------------------ GIF

struct GifFrame {
    int left = 0, top = 0, w = 0, h = 0;
    bool interlace = false;
    std::vector<std::uint8_t> localMap; // rgb triples; empty: none
    int localBits = 0; // size field of the local table (2 << bits entries)
    int minCode = 8; // LZW minimum code size
    std::vector<std::uint8_t> pixels; // w*h indices, in display order
    int transparent = -1; // a graphic control extension before the frame when >= 0 or -2 (one without)
};

struct GifRecipe {
    int sw = 0, sh = 0;
    std::vector<std::uint8_t> globalMap;
    int globalBits = 0;
    int background = 0;
    std::vector<GifFrame> frames;
};

// Literal codes only, with a clear code before the table would need a wider code.
void lzwLiterals(Bytes& out, int minCode, const std::vector<std::uint8_t>& indices)
{
    out.push_back(static_cast<std::uint8_t>(minCode));
    const int clear = 1 << minCode, end = clear + 1, size = minCode + 1;
    const int perClear = (1 << minCode) - 2;
    Bytes data;
    std::uint32_t acc = 0;
    int bits = 0;
    auto emit = [&](int code) {
        acc |= static_cast<std::uint32_t>(code) << bits;
        bits += size;
        while (bits >= 8) {
            data.push_back(static_cast<std::uint8_t>(acc));
            acc >>= 8;
            bits -= 8;
        }
    };
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i % perClear == 0)
            emit(clear);
        emit(indices[i] & (clear - 1));
    }
    emit(end);
    if (bits > 0)
        data.push_back(static_cast<std::uint8_t>(acc));
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
            data.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    out.push_back(0);
}

Bytes gifBytes(const GifRecipe& s)
{
    Bytes b { 'G', 'I', 'F', '8', '9', 'a' };
    b.resize(13);
    put16(b, 6, static_cast<std::uint32_t>(s.sw));
    put16(b, 8, static_cast<std::uint32_t>(s.sh));
    b[10] = static_cast<std::uint8_t>((s.globalMap.empty() ? 0 : 0x80) | 0x70 | s.globalBits);
    b[11] = static_cast<std::uint8_t>(s.background);
    b.insert(b.end(), s.globalMap.begin(), s.globalMap.end());
    for (const GifFrame& f : s.frames) {
        if (f.transparent != -1)
            b.insert(b.end(),
                { 0x21, 0xF9, 4, static_cast<std::uint8_t>(f.transparent >= 0 ? 1 : 0), 10, 0,
                    static_cast<std::uint8_t>(f.transparent >= 0 ? f.transparent : 0), 0 });
        Bytes d(10);
        d[0] = ',';
        put16(d, 1, static_cast<std::uint32_t>(f.left));
        put16(d, 3, static_cast<std::uint32_t>(f.top));
        put16(d, 5, static_cast<std::uint32_t>(f.w));
        put16(d, 7, static_cast<std::uint32_t>(f.h));
        d[9] = static_cast<std::uint8_t>((f.localMap.empty() ? 0 : 0x80 | f.localBits) | (f.interlace ? 0x40 : 0));
        b.insert(b.end(), d.begin(), d.end());
        b.insert(b.end(), f.localMap.begin(), f.localMap.end());
        // Rows in the order the file stores them.
        std::vector<int> order;
        if (f.interlace) {
            for (int start : { 0, 4, 2, 1 })
                for (int y = start; y < f.h; y += start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2)
                    order.push_back(y);
        } else {
            for (int y = 0; y < f.h; ++y)
                order.push_back(y);
        }
        std::vector<std::uint8_t> stored;
        for (int y : order)
            stored.insert(stored.end(), f.pixels.begin() + static_cast<std::ptrdiff_t>(y) * f.w,
                f.pixels.begin() + static_cast<std::ptrdiff_t>(y + 1) * f.w);
        lzwLiterals(b, f.minCode, stored);
    }
    b.push_back(';');
    return b;
}

std::vector<std::uint8_t> colourMap(int entries, Random& rnd)
{
    std::vector<std::uint8_t> m(3 * static_cast<std::size_t>(entries));
    for (auto& c : m)
        c = static_cast<std::uint8_t>(rnd.next());
    return m;
}

GifFrame frame(int left, int top, int w, int h, int maxIndex, Random& rnd)
{
    GifFrame f;
    f.left = left;
    f.top = top;
    f.w = w;
    f.h = h;
    f.pixels.resize(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) // patches, so that sampling shows
            f.pixels[static_cast<std::size_t>(y) * w + x]
                = static_cast<std::uint8_t>(((x / 4 + y / 3) % 5 == 0) ? maxIndex : rnd.below(maxIndex + 1));
    return f;
}

void gifCorpus()
{
    Random rnd { 88172645u };
    for (const Size& size : kSizes) {
        const int w = size.w, h = size.h;
        std::vector<std::pair<std::string, GifRecipe>> recipes;
        for (int bits : { 0, 1, 3, 7 }) {
            const int n = 2 << bits;
            GifRecipe s { w, h, colourMap(n, rnd), bits, 0, { frame(0, 0, w, h, n - 1, rnd) } };
            recipes.push_back({ "g" + std::to_string(n), s });
            s.frames[0].transparent = n / 2;
            recipes.push_back({ "g" + std::to_string(n) + "t", s });
            s.frames[0].interlace = true;
            recipes.push_back({ "g" + std::to_string(n) + "ti", s });
            s.frames[0].transparent = -2;
            recipes.push_back({ "g" + std::to_string(n) + "i", s });
        }
        // A local table over a global one, and a local table alone.
        GifRecipe local { w, h, colourMap(4, rnd), 1, 2, { frame(0, 0, w, h, 15, rnd) } };
        local.frames[0].localMap = colourMap(16, rnd);
        local.frames[0].localBits = 3;
        recipes.push_back({ "local", local });
        local.globalMap.clear();
        local.globalBits = 0;
        recipes.push_back({ "localonly", local });
        local.frames[0].transparent = 3;
        recipes.push_back({ "localonly_t", local });
        // Indices at and past the table's end (which Qt shows transparent).
        GifRecipe past { w, h, colourMap(4, rnd), 1, 0, { frame(0, 0, w, h, 6, rnd) } };
        past.frames[0].minCode = 3;
        recipes.push_back({ "past", past });
        past.frames[0].transparent = 1;
        recipes.push_back({ "past_t", past });
        // A frame smaller than the screen: background, transparent, or neither.
        if (w > 4 && h > 4) {
            GifRecipe part { w, h, colourMap(16, rnd), 3, 5, { frame(2, 1, w - 4, h - 3, 15, rnd) } };
            recipes.push_back({ "part_bg", part });
            part.frames[0].transparent = 7;
            recipes.push_back({ "part_t", part });
            part.frames[0].interlace = true;
            recipes.push_back({ "part_ti", part });
            part.frames[0].transparent = -1;
            recipes.push_back({ "part_i", part });
            GifRecipe noGlobal = part;
            noGlobal.globalMap.clear();
            noGlobal.globalBits = 0;
            noGlobal.frames[0].localMap = colourMap(16, rnd);
            noGlobal.frames[0].localBits = 3;
            noGlobal.frames[0].transparent = 2;
            recipes.push_back({ "part_local_t", noGlobal });
            // A frame that runs past the screen's right and bottom edges.
            GifRecipe over { w, h, colourMap(16, rnd), 3, 1, { frame(w / 2, h / 2, w, h, 15, rnd) } };
            recipes.push_back({ "over", over });
            // A screen of zero size takes the frame's.
            GifRecipe zero { 0, 0, colourMap(16, rnd), 3, 1, { frame(1, 2, w - 1, h - 2, 15, rnd) } };
            recipes.push_back({ "zero_screen", zero });
            // A screen larger than the frame.
            GifRecipe large { w + 9, h + 5, colourMap(256, rnd), 7, 200, { frame(3, 4, w, h, 255, rnd) } };
            recipes.push_back({ "large_screen", large });
        }
        // More than 256 colours on the screen: a full local table and the background.
        GifRecipe many { w + 2, h, colourMap(4, rnd), 1, 3, { frame(1, 0, w, h, 255, rnd) } };
        many.frames[0].localMap = colourMap(256, rnd);
        many.frames[0].localBits = 7;
        many.frames[0].transparent = -2;
        recipes.push_back({ "many", many });
        // Two frames: only the first is the picture.
        GifRecipe two { w, h, colourMap(16, rnd), 3, 0, { frame(0, 0, w, h, 15, rnd), frame(0, 0, w, h, 3, rnd) } };
        two.frames[1].transparent = 1;
        recipes.push_back({ "two", two });
        // A single colour in use, two, and sixteen in a table of 256.
        GifRecipe one { w, h, colourMap(256, rnd), 7, 0, { frame(0, 0, w, h, 0, rnd) } };
        recipes.push_back({ "uses1", one });
        one.frames[0] = frame(0, 0, w, h, 1, rnd);
        recipes.push_back({ "uses2", one });
        one.frames[0] = frame(0, 0, w, h, 15, rnd);
        recipes.push_back({ "uses16", one });

        for (const auto& [name, recipe] : recipes) {
            const std::string file = "gif_" + name + "_" + size.name + ".gif";
            writeFile(file, gifBytes(recipe));
            addCases(file);
        }
    }
    if (g_big) {
        GifRecipe big { 3000, 2000, colourMap(256, rnd), 7, 0, { frame(0, 0, 3000, 2000, 255, rnd) } };
        big.frames[0].interlace = true;
        writeFile("gif_big_3000x2000.gif", gifBytes(big));
        addCases("gif_big_3000x2000.gif", { 4, 10 }, { "-" });
    }
}

// ------------------------------------------------------------------ BMP

struct BmpRecipe {
    int headerSize = 40;
    int bitCount = 24;
    int compression = 0;
    int colorsUsed = 0; // 0: 2^K
    int paletteWritten = -1; // entries written; -1: colorsUsed or 2^K
    bool topDown = false;
    std::vector<std::uint32_t> masks; // r, g, b[, a] for bit fields
    int gap = 0; // bytes between palette and pixels
    int alphaMode = 0; // 32-bit: 0 varied alpha, 1 all zero, 2 all 255
};

Bytes bmpBytes(int w, int h, const BmpRecipe& s, Random& rnd)
{
    const bool core = s.headerSize == 12;
    const int k = s.bitCount;
    const int entries = k <= 8 ? (s.paletteWritten >= 0 ? s.paletteWritten : s.colorsUsed ? s.colorsUsed : 1 << k) : 0;
    const int entryBytes = core ? 3 : 4;
    const std::size_t masksBytes = s.headerSize == 40 && s.compression == 3 ? 4 * s.masks.size() : 0;
    const std::size_t offBits = 14 + s.headerSize + masksBytes + static_cast<std::size_t>(entries) * entryBytes + s.gap;
    const std::size_t stride = ((static_cast<std::size_t>(w) * k + 31) / 32) * 4;
    Bytes rows;
    if (s.compression == 1 || s.compression == 2) {
        // Runs, absolute runs and the end marks, bottom row first.
        const bool four = s.compression == 2;
        for (int y = 0; y < h; ++y) {
            int x = 0;
            while (x < w) {
                const int n = std::min(w - x, 1 + rnd.below(9));
                if (rnd.below(2) == 0 || n < 3) {
                    const int v = rnd.below(four ? 256 : 1 << k);
                    rows.push_back(static_cast<std::uint8_t>(n));
                    rows.push_back(static_cast<std::uint8_t>(v));
                } else {
                    rows.push_back(0);
                    rows.push_back(static_cast<std::uint8_t>(n));
                    const int bytes = four ? (n + 1) / 2 : n;
                    for (int i = 0; i < bytes; ++i)
                        rows.push_back(static_cast<std::uint8_t>(rnd.next()));
                    if (bytes % 2)
                        rows.push_back(0);
                }
                x += n;
            }
            rows.push_back(0);
            rows.push_back(0);
        }
        rows.push_back(0);
        rows.push_back(1);
    } else {
        rows.resize(stride * h);
        for (auto& v : rows)
            v = static_cast<std::uint8_t>(rnd.next());
        if (k == 32 && s.alphaMode != 0)
            for (std::size_t i = 3; i < rows.size(); i += 4)
                rows[i] = s.alphaMode == 1 ? 0 : 255;
        if (k == 8 && entries < 256)
            for (auto& v : rows)
                v = static_cast<std::uint8_t>(v % (entries + 3)); // a few past the palette
    }
    Bytes b(offBits, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<std::uint32_t>(offBits + rows.size()));
    put32(b, 10, static_cast<std::uint32_t>(offBits));
    put32(b, 14, static_cast<std::uint32_t>(s.headerSize));
    if (core) {
        put16(b, 18, static_cast<std::uint32_t>(w));
        put16(b, 20, static_cast<std::uint32_t>(h));
        put16(b, 22, 1);
        put16(b, 24, static_cast<std::uint32_t>(k));
    } else {
        put32(b, 18, static_cast<std::uint32_t>(w));
        put32(b, 22, static_cast<std::uint32_t>(s.topDown ? -h : h));
        put16(b, 26, 1);
        put16(b, 28, static_cast<std::uint32_t>(k));
        if (s.headerSize >= 20)
            put32(b, 30, static_cast<std::uint32_t>(s.compression));
        if (s.headerSize >= 24)
            put32(b, 34, static_cast<std::uint32_t>(rows.size()));
        if (s.headerSize >= 36)
            put32(b, 46, static_cast<std::uint32_t>(s.colorsUsed));
        for (std::size_t i = 0; i < s.masks.size(); ++i)
            if (54 + 4 * i + 4 <= b.size())
                put32(b, 54 + 4 * i, s.masks[i]);
    }
    const std::size_t pal = 14 + s.headerSize + masksBytes;
    for (int i = 0; i < entries * entryBytes; ++i)
        b[pal + i] = static_cast<std::uint8_t>(entryBytes == 4 && i % 4 == 3 ? 0 : rnd.next());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

// A whole PNG or JPEG file as a BMP's pixel data (compression 5 or 4).
Bytes embeddingBmp(const fs::path& picture, int compression, int w, int h)
{
    std::ifstream in(picture, std::ios::binary);
    const Bytes inner((std::istreambuf_iterator<char>(in)), {});
    Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<std::uint32_t>(54 + inner.size()));
    put32(b, 10, 54);
    put32(b, 14, 40);
    put32(b, 18, static_cast<std::uint32_t>(w));
    put32(b, 22, static_cast<std::uint32_t>(h));
    put16(b, 26, 1);
    put32(b, 30, static_cast<std::uint32_t>(compression));
    put32(b, 34, static_cast<std::uint32_t>(inner.size()));
    b.insert(b.end(), inner.begin(), inner.end());
    return b;
}

void bmpCorpus()
{
    Random rnd { 521288629u };
    std::vector<std::pair<std::string, BmpRecipe>> recipes;
    for (int k : { 1, 4, 8, 24 }) {
        recipes.push_back({ "k" + std::to_string(k), BmpRecipe { 40, k } });
        BmpRecipe top { 40, k };
        top.topDown = true;
        recipes.push_back({ "k" + std::to_string(k) + "_topdown", top });
        recipes.push_back({ "k" + std::to_string(k) + "_v5", BmpRecipe { 124, k } });
        recipes.push_back({ "k" + std::to_string(k) + "_os2v1", BmpRecipe { 12, k } });
        recipes.push_back({ "k" + std::to_string(k) + "_os2v2", BmpRecipe { 64, k } });
        BmpRecipe gap { 40, k };
        gap.gap = 6;
        recipes.push_back({ "k" + std::to_string(k) + "_gap", gap });
    }
    for (int k : { 4, 8 }) {
        BmpRecipe shortPalette { 40, k };
        shortPalette.colorsUsed = k == 4 ? 5 : 20;
        recipes.push_back({ "k" + std::to_string(k) + "_short", shortPalette });
        recipes.push_back({ "rle" + std::to_string(k), BmpRecipe { 40, k, k == 8 ? 1 : 2 } });
    }
    recipes.push_back({ "k16_555", BmpRecipe { 40, 16 } });
    recipes.push_back({ "k16_565", BmpRecipe { 40, 16, 3, 0, -1, false, { 0xF800, 0x07E0, 0x001F } } });
    recipes.push_back({ "k32", BmpRecipe { 40, 32 } });
    BmpRecipe zero { 40, 32 };
    zero.alphaMode = 1;
    recipes.push_back({ "k32_alpha0", zero });
    BmpRecipe opaque { 40, 32 };
    opaque.alphaMode = 2;
    recipes.push_back({ "k32_alpha255", opaque });
    recipes.push_back(
        { "k32_v5_masks", BmpRecipe { 124, 32, 3, 0, -1, false, { 0xFF0000, 0xFF00, 0xFF, 0xFF000000u } } });
    recipes.push_back({ "k32_high_masks", BmpRecipe { 40, 32, 3, 0, -1, false, { 0x3FF00000, 0xFFC00, 0x3FF } } });

    for (const auto& [name, recipe] : recipes)
        for (const Size& size : kSizes) {
            const std::string file = "bmp_" + name + "_" + size.name + ".bmp";
            writeFile(file, bmpBytes(size.w, size.h, recipe, rnd));
            addCases(file);
        }
    for (const Size& size : kMoreSizes)
        for (const int k : { 1, 4, 8, 24 }) {
            const std::string file = "bmp_k" + std::to_string(k) + "_" + size.name + ".bmp";
            writeFile(file, bmpBytes(size.w, size.h, BmpRecipe { 40, k }, rnd));
            addCases(file);
        }
    for (const char* inner : { "png_rgba8_odd.png", "png_pal4_16_t8_small.png", "png_grey16t_i_tie.png" }) {
        const std::string file = std::string("bmp_embedded_") + inner + ".bmp";
        writeFile(file, embeddingBmp(g_dir / inner, 5, 10, 10));
        addCases(file);
    }
    const std::string jpegInside = "bmp_embedded_jpeg.bmp";
    writeFile(jpegInside, embeddingBmp(g_dir / "jpeg_rgb420_small.jpg", 4, 1, 1));
    addCases(jpegInside);
    if (g_big) {
        writeFile("bmp_big_k24_4000x3000.bmp", bmpBytes(4000, 3000, BmpRecipe { 40, 24 }, rnd));
        addCases("bmp_big_k24_4000x3000.bmp", { 4, 10 }, { "-", "--dither" });
        writeFile("bmp_big_rle8_4000x3000.bmp", bmpBytes(4000, 3000, BmpRecipe { 40, 8, 1 }, rnd));
        addCases("bmp_big_rle8_4000x3000.bmp", { 4 }, { "-" });
        writeFile("bmp_big_k32_3000x3000.bmp", bmpBytes(3000, 3000, BmpRecipe { 40, 32 }, rnd));
        addCases("bmp_big_k32_3000x3000.bmp", { 4 }, { "-" });
    }
}

// ------------------------------------------------------------------ JPEG

struct JpegRecipe {
    J_COLOR_SPACE space = JCS_RGB;
    int hSample = 2, vSample = 2; // of the first component
    bool progressive = false;
    int orientation = 0; // EXIF; 0: no EXIF
    int quality = 90;
    int restart = 0;
};

void writeJpeg(const std::string& name, int w, int h, const JpegRecipe& s, Random& rnd)
{
    FILE* f = std::fopen((g_dir / name).c_str(), "wb");
    jpeg_compress_struct c {};
    jpeg_error_mgr err {};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = s.space == JCS_GRAYSCALE ? 1 : s.space == JCS_CMYK ? 4 : 3;
    c.in_color_space = s.space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, s.quality, TRUE);
    if (s.space != JCS_GRAYSCALE) {
        c.comp_info[0].h_samp_factor = s.hSample;
        c.comp_info[0].v_samp_factor = s.vSample;
    }
    if (s.progressive)
        jpeg_simple_progression(&c);
    c.restart_interval = static_cast<unsigned>(s.restart);
    if (s.space == JCS_CMYK)
        c.write_Adobe_marker = TRUE;
    jpeg_start_compress(&c, TRUE);
    if (s.orientation > 0) {
        const JOCTET exif[] = { 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0,
            1, 0, static_cast<JOCTET>(s.orientation), 0, 0, 0, 0, 0, 0 };
        jpeg_write_marker(&c, JPEG_APP0 + 1, exif, sizeof exif);
    }
    Bytes row(static_cast<std::size_t>(w) * c.input_components);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            for (int ch = 0; ch < c.input_components; ++ch) // an asymmetric picture, so that turns show
                row[static_cast<std::size_t>(x) * c.input_components + ch] = static_cast<std::uint8_t>(
                    (x * (ch + 1) * 255 / std::max(1, w)) ^ (y * 3 * (2 - ch % 3)) ^ (rnd.next() & 7));
        JSAMPROW rows[] = { row.data() };
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

void jpegCorpus()
{
    Random rnd { 1234567u };
    std::vector<std::pair<std::string, JpegRecipe>> recipes {
        { "rgb420", JpegRecipe {} },
        { "rgb444", JpegRecipe { JCS_RGB, 1, 1 } },
        { "rgb422", JpegRecipe { JCS_RGB, 2, 1 } },
        { "grey", JpegRecipe { JCS_GRAYSCALE } },
        { "cmyk", JpegRecipe { JCS_CMYK, 1, 1 } },
        { "progressive", JpegRecipe { JCS_RGB, 2, 2, true } },
        { "restart", JpegRecipe { JCS_RGB, 2, 2, false, 0, 75, 2 } },
    };
    for (int o = 1; o <= 8; ++o)
        recipes.push_back({ "exif" + std::to_string(o), JpegRecipe { JCS_RGB, 2, 2, false, o } });
    for (const auto& [name, recipe] : recipes)
        for (const Size& size : kSizes) {
            const std::string file = "jpeg_" + name + "_" + size.name + ".jpg";
            writeJpeg(file, size.w, size.h, recipe, rnd);
            addCases(file);
        }
    if (g_big) {
        writeJpeg("jpeg_big_4000x3000.jpg", 4000, 3000, JpegRecipe {}, rnd);
        addCases("jpeg_big_4000x3000.jpg", { 4, 10 }, { "-" });
        writeJpeg("jpeg_big_progressive_4000x3000.jpg", 4000, 3000, JpegRecipe { JCS_RGB, 2, 2, true }, rnd);
        addCases("jpeg_big_progressive_4000x3000.jpg", { 4 }, { "-" });
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: picture_corpus DIR [--big]\n");
        return 2;
    }
    g_dir = argv[1];
    g_big = argc > 2 && std::strcmp(argv[2], "--big") == 0;
    fs::create_directories(g_dir);
    g_cases.open(g_dir / "cases.txt");
    pngCorpus();
    jpegCorpus();
    gifCorpus();
    bmpCorpus();
    return 0;
}
