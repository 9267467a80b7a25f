#pragma once
// Test helpers: BMP files built byte by byte (any depth, palette, masks, row
// order, room to damage them afterwards), temporary folders, and the road of
// "Load BMP": load, convert into the staging file, decode the module's colours.
#include "import/LoadedPicture.h"
#include "import/ModuleBitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

// Tests name only the fields of TestBmp they need, with designated initializers.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace zarn::test {

using Bytes = std::vector<std::uint8_t>;

inline void put32(Bytes& b, std::size_t o, std::uint32_t v, int n = 4)
{
    for (int i = 0; i < n; ++i)
        b[o + i] = (v >> (8 * i)) & 0xFF;
}
inline Bytes changed(Bytes b, const std::function<void(Bytes&)>& change) { change(b); return b; }
inline std::uint16_t le16(const Bytes& d, std::size_t o) { return static_cast<std::uint16_t>(d.at(o) | (d.at(o + 1) << 8)); }

struct TestBmp {
    int width = 1;
    int height = 1; // positive; see topDown
    int bitCount = 24;
    std::uint32_t compression = 0;
    bool topDown = false;
    std::vector<std::array<std::uint8_t, 3>> palette; // r, g, b; padded with zeros to 2^K entries
    std::array<std::uint32_t, 3> masks {};           // written after the info header when compression == 3
    // Stored value of pixel (x, y), y from the top: a palette index for K <= 8,
    // 0xRRGGBB for K = 24, the raw 16- or 32-bit value otherwise.
    std::function<std::uint32_t(int, int)> pixel = [](int, int) { return 0u; };
    std::uint8_t rowPadding = 0; // the unused bits after the last pixel of a row

    std::uint32_t paletteEntries() const { return bitCount <= 8 ? (1u << bitCount) : 0; }
    std::uint32_t stride() const { return ((static_cast<std::uint32_t>(width) * bitCount + 31) & ~31u) / 8; }
    std::uint32_t offBits() const { return 54 + (compression == 3 ? 12 : 0) + 4 * paletteEntries(); }

    Bytes bytes() const
    {
        Bytes b(offBits() + static_cast<std::size_t>(stride()) * height, 0);
        put32(b, 0, 0x4D42, 2);
        put32(b, 2, static_cast<std::uint32_t>(b.size()));
        put32(b, 10, offBits());
        put32(b, 14, 40);
        put32(b, 18, static_cast<std::uint32_t>(width));
        put32(b, 22, static_cast<std::uint32_t>(topDown ? -height : height));
        put32(b, 26, 1, 2);
        put32(b, 28, static_cast<std::uint32_t>(bitCount), 2);
        put32(b, 30, compression);
        std::size_t o = 54;
        for (auto m : masks)
            if (compression == 3) { put32(b, o, m); o += 4; }
        for (std::uint32_t i = 0; i < paletteEntries() && i < palette.size(); ++i)
            for (int c = 0; c < 3; ++c)
                b[o + 4 * i + c] = palette[i][2 - c];
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = b.data() + offBits() + static_cast<std::size_t>(topDown ? y : height - 1 - y) * stride();
            std::fill(row, row + stride(), rowPadding);
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = pixel(x, y);
                if (bitCount <= 8) { // replace the pixel's own bits, keep the padding after them
                    const int shift = 8 - bitCount - (x * bitCount) % 8;
                    const std::uint32_t mask = (1u << bitCount) - 1;
                    row[x * bitCount / 8] = static_cast<std::uint8_t>((row[x * bitCount / 8] & ~(mask << shift)) | ((v & mask) << shift));
                } else {
                    for (int i = 0; i < bitCount / 8; ++i)
                        row[x * bitCount / 8 + i] = (v >> (8 * i)) & 0xFF;
                }
            }
        }
        return b;
    }
};

inline void writeBytes(const std::filesystem::path& p, const Bytes& bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes readBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A fresh folder under /tmp, removed with the object.
struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        char tmpl[] = "/tmp/zarn-import-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::error_code ec; std::filesystem::remove_all(path, ec); }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

// A file of `size` bytes (zeros) in the folder; its path.
inline std::string sizedFile(const TempDir& dir, const std::string& name, std::uintmax_t size)
{
    writeBytes(dir / name, {});
    std::filesystem::resize_file(dir / name, size);
    return (dir / name).string();
}

inline const std::filesystem::path kFormsDir = std::filesystem::path(ZARN_TEST_DATA_DIR) / "import" / "forms";

// What "Load BMP" leaves: the picture's figures, the staging file, its colours decoded.
struct Converted {
    bool ok = false;
    std::string message;
    int bitCount = 0, kind = 0, width = 0, height = 0, size = 0;
    std::string report;
    Bytes data;    // the staging file
    Bytes decoded; // the module's colours, r, g, b per pixel
};

using Loader = std::function<LoadedPicture::Outcome(LoadedPicture&)>;

inline Converted convertWith(const Loader& load, int boxW = 320, int boxH = 240, bool dither = false)
{
    TempDir tmp;
    LoadedPicture pic;
    pic.setScreenBox(boxW, boxH);
    pic.m_bDither = dither;
    Converted c;
    const auto loaded = load(pic);
    c.message = loaded.message;
    if (!loaded.ok || !pic.convertBitmap((tmp / "ttt.tmp").string()).ok)
        return c;
    c = { true, loaded.message, pic.m_nBitCount, pic.m_nFormat, pic.m_nWidth, pic.m_nHeight, pic.m_nSize,
          pic.loadReportText(), readBytes(tmp / "ttt.tmp"), {} };
    if (auto rgb = decodeModuleBitmap(static_cast<std::uint8_t>(c.kind), c.width, c.height, c.data))
        c.decoded = *rgb;
    return c;
}

inline Loader fromFile(const std::filesystem::path& path)
{
    return [path](LoadedPicture& p) { p.m_strFileName = path.string(); return p.loadBmpFile(); };
}
inline Loader fromBytes(const Bytes& bytes)
{
    return [bytes](LoadedPicture& p) { return p.loadBmpData(bytes); };
}
// Each of the named files is refused with "Reading File Error", and the picture
// held before stays as it was, though no longer marked loaded.
using BadFiles = std::vector<std::pair<std::string, Bytes>>;
inline void expectEachRefused(LoadedPicture& pic, const BadFiles& bad,
                              const std::function<LoadedPicture::Outcome(LoadedPicture&, const std::string&, const Bytes&)>& load =
                                  [](LoadedPicture& p, const std::string&, const Bytes& b) { return p.loadBmpData(b); })
{
    ASSERT_TRUE(pic.hasPicture());
    const auto rgb = pic.sourceRgb();
    const auto report = pic.loadReportText();
    for (const auto& [what, bytes] : bad) {
        const auto r = load(pic, what, bytes);
        EXPECT_FALSE(r.ok) << what;
        EXPECT_EQ(r.message, "Reading File Error") << what;
        EXPECT_EQ(pic.m_bLoaded, 0) << what;
        EXPECT_EQ(pic.sourceRgb(), rgb) << what;
        EXPECT_EQ(pic.loadReportText(), report) << what;
    }
}

inline Converted convertBmp(const std::string& name, int boxW = 320, int boxH = 240, bool dither = false)
{
    return convertWith(fromFile(kFormsDir / name), boxW, boxH, dither);
}

} // namespace zarn::test
