#include "import/LoadedPicture.h"

#include "common/ByteOrder.h"
#include "import/Dither.h"
#include "import/Rgb565.h"
#include "resfile/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>

namespace zarn {

namespace {

    // Files beyond this are damage or not pictures at all; the largest picture taken
    // (65536 x 65536 would be far more) is bounded again by the dimension limit.
    constexpr std::uint64_t kMaxBmpFileBytes = 1ull << 30;

    // `why` is set when the file cannot be opened at all.
    bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::string& why)
    {
        FileStatus st;
        const int fd = openRegularFile(defaultFileIo(), path, O_RDONLY, why, &st);
        if (fd < 0)
            return false;
        bool ok = static_cast<std::uint64_t>(st.size) <= kMaxBmpFileBytes
            && st.size >= static_cast<std::int64_t>(kBmpFileHeaderSize);
        if (ok) {
            // The signature is checked before the rest is read, so a non-BMP costs no allocation.
            std::uint8_t head[kBmpFileHeaderSize];
            ok = readFully(defaultFileIo(), fd, head, sizeof head, 0) == 0
                && (head[0] | (head[1] << 8)) == kBmpSignature;
            if (ok) {
                try {
                    out.assign(static_cast<std::size_t>(st.size), 0);
                } catch (const std::bad_alloc&) {
                    ok = false;
                }
            }
            ok = ok && readFully(defaultFileIo(), fd, out.data(), out.size(), 0) == 0;
        }
        defaultFileIo().close(fd);
        return ok;
    }

} // namespace

BoxFit fitToBox(int width, int height, int boxWidth, int boxHeight)
{
    BoxFit f;
    // A box without area gives nothing to fit to: the picture keeps its size.
    if ((width <= boxWidth && height <= boxHeight) || boxWidth <= 0 || boxHeight <= 0) {
        f.width = width;
        f.height = height;
        f.drawWidth = width - 1;
        f.drawHeight = height;
        return f;
    }
    f.scaled = true;
    const double rx = static_cast<double>(width) / boxWidth;
    const float fx = static_cast<float>(rx);
    const float ry = static_cast<float>(height) / static_cast<float>(boxHeight);
    // The width ratio is compared unrounded, the height ratio after rounding to
    // single precision: equal ratios that a float cannot hold fall to the height.
    if (rx >= static_cast<double>(ry)) {
        f.scale = fx;
        f.width = boxWidth;
        f.height = static_cast<int>(static_cast<double>(static_cast<float>(height)) / static_cast<double>(fx));
    } else {
        f.scale = ry;
        f.height = boxHeight;
        f.width = static_cast<int>(static_cast<double>(width) / static_cast<double>(ry));
    }
    f.drawWidth = f.width;
    f.drawHeight = f.height;
    return f;
}

int scaledSourceIndex(int i, float scale)
{
    return static_cast<int>(static_cast<double>(i) * static_cast<double>(scale) + 0.5);
}

LoadedPicture::Outcome LoadedPicture::loadBmpFile()
{
    std::vector<std::uint8_t> data;
    std::string why;
    if (!readWholeFile(m_strFileName, data, why)) {
        m_bLoaded = false;
        return { false, kMsgReadingFileError,
            why.empty() ? std::string() : "Cannot read " + quotedPath(m_strFileName) + ": " + why };
    }
    return loadBmpData(std::move(data));
}

LoadedPicture::Outcome LoadedPicture::loadBmpData(std::vector<std::uint8_t> data)
{
    // Everything is read and checked into locals first: a refused file leaves
    // the picture held before exactly as it was.
    BmpParseResult parsed = parseBmpLayout(data);
    if (!parsed.ok) {
        m_bLoaded = false;
        return { false, parsed.message, {} };
    }
    const std::uint32_t fileOffBits = parsed.layout.offBits;
    if (parsed.layout.needsStandardForm()) {
        // Compressed rows and short palettes are rewritten as the standard file
        // they stand for, so fitting and conversion see only standard files.
        std::vector<std::uint8_t> standard;
        try {
            standard = standardBmpFrom(parsed.layout, data);
        } catch (const std::bad_alloc&) {
            standard.clear();
        }
        if (standard.empty()) {
            m_bLoaded = false;
            return { false, kMsgReadingFileError, {} };
        }
        parsed = parseBmpLayout(standard);
        if (!parsed.ok) {
            m_bLoaded = false;
            return { false, kMsgReadingFileError, {} };
        }
        data = std::move(standard);
    }
    // A picture far wider than high (or the reverse) can shrink to no row at all.
    const BoxFit fit = fitToBox(parsed.layout.width, parsed.layout.height, m_nBoxWidth, m_nBoxHeight);
    if (fit.width <= 0 || fit.height <= 0) {
        m_bLoaded = false;
        return { false,
            "The picture (" + std::to_string(parsed.layout.width) + "x" + std::to_string(parsed.layout.height)
                + ") would be " + std::to_string(fit.width) + "x" + std::to_string(fit.height) + " on the module's "
                + std::to_string(m_nBoxWidth) + "x" + std::to_string(m_nBoxHeight)
                + " screen, with nothing left to show",
            {} };
    }

    m_fileData = std::move(data);
    m_layout = parsed.layout;
    m_held = true;
    m_nOffBits = fileOffBits;
    m_nBitCount = m_layout.bitCount;
    if (fit.scaled) {
        m_nBitCount += 100;
        m_fScale = fit.scale;
    }
    m_nWidth = fit.width;
    m_nHeight = fit.height;
    m_nDrawWidth = fit.drawWidth;
    m_nDrawHeight = fit.drawHeight;
    m_bLoaded = true;
    return { true, {}, {} };
}

std::vector<std::uint8_t> LoadedPicture::convertedData()
{
    if (m_nBitCount == 0 || !m_held)
        return {};
    const BmpLayout& l = m_layout;
    const std::span<const std::uint8_t> file(m_fileData);
    const int k = l.bitCount;
    const bool scaled = m_nBitCount >= 100;
    const int outW = std::max(m_nWidth, 0), outH = std::max(m_nHeight, 0);

    const std::size_t paletteBytes = l.isIndexed() ? 2u * l.paletteEntries : 0;
    const std::size_t rowLen = l.isIndexed() ? (static_cast<std::size_t>(k) * outW + 7) / 8 : 2u * outW;
    std::vector<std::uint8_t> out(paletteBytes + rowLen * outH, 0);

    for (std::uint32_t i = 0; i < l.paletteEntries; ++i) {
        const std::size_t p = l.paletteOffset + 4u * i;
        putLe16(&out[2 * i], toRgb565(file[p + 2], file[p + 1], file[p]));
    }

    // Source columns and rows, clamped so that rounding can never step past the picture.
    std::vector<int> columns(outW);
    for (int x = 0; x < outW; ++x)
        columns[x] = scaled ? std::min(scaledSourceIndex(x, m_fScale), l.width - 1) : x;

    std::uint8_t* dst = out.data() + paletteBytes;
    if (m_bDither && !l.isIndexed()) {
        // Error diffusion over the fitted picture: same sampling, same size.
        std::vector<Rgb> fitted(static_cast<std::size_t>(outW) * outH);
        for (int y = 0; y < outH; ++y) {
            const int sy = scaled ? std::min(scaledSourceIndex(y, m_fScale), l.height - 1) : y;
            const std::uint64_t row = l.rowOffset(sy);
            for (int x = 0; x < outW; ++x)
                fitted[static_cast<std::size_t>(y) * outW + x] = bmpPixel(l, file, row, columns[x]);
        }
        ditherToRgb565(outW, outH, fitted, dst);
        m_nFormat = 16;
        m_nSize = static_cast<std::int32_t>(rowLen * outH);
        return out;
    }
    for (int y = 0; y < outH; ++y, dst += rowLen) {
        const int sy = scaled ? std::min(scaledSourceIndex(y, m_fScale), l.height - 1) : y;
        const std::uint64_t row = l.rowOffset(sy);
        if (!scaled && l.isIndexed()) {
            // Unscaled indexed rows are copied as stored, partial last byte included.
            std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(row), rowLen, dst);
            continue;
        }
        for (int x = 0; x < outW; ++x) {
            const int sx = columns[x];
            switch (k) {
            case 1: {
                const unsigned bit = (file[row + sx / 8] >> (7 - sx % 8)) & 1;
                dst[x / 8] |= static_cast<std::uint8_t>(bit << (7 - x % 8));
                break;
            }
            case 4: {
                const std::uint8_t byte = file[row + sx / 2];
                const unsigned nib = sx % 2 == 0 ? byte >> 4 : byte & 0x0F;
                dst[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? nib << 4 : nib);
                break;
            }
            case 8:
                dst[x] = file[row + sx];
                break;
            case 24: {
                const std::size_t p = row + 3ull * sx;
                putLe16(dst + 2 * x, toRgb565(file[p + 2], file[p + 1], file[p]));
                break;
            }
            default: { // 16 and 32 bits per pixel, through their channel masks
                const Rgb c = bmpPixel(l, file, row, sx);
                putLe16(dst + 2 * x, toRgb565(c.r, c.g, c.b));
                break;
            }
            }
        }
    }

    m_nFormat = k <= 8 ? k : 16;
    m_nSize = static_cast<std::int32_t>(rowLen * outH);
    return out;
}

std::vector<std::uint8_t> LoadedPicture::convertBitmap()
{
    std::vector<std::uint8_t> data;
    try {
        data = convertedData();
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (!data.empty())
        m_nSize = static_cast<std::int32_t>(data.size()); // the palette counts, as in the staging file
    return data;
}

LoadedPicture::Outcome LoadedPicture::convertBitmap(const std::string& stagingPath)
{
    std::vector<std::uint8_t> data;
    try {
        data = convertedData();
    } catch (const std::bad_alloc&) {
        return { false, {}, {} };
    }
    if (m_nBitCount == 0 || !m_held)
        return { false, {}, {} };

    const std::size_t paletteBytes = data.size() - static_cast<std::size_t>(m_nSize);
    // Created or truncated, but never opened when it is no regular file: a named
    // pipe in its place must not hang the command.
    FileIo& io = defaultFileIo();
    std::string why;
    const int fd = io.open(stagingPath, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY, 0644);
    FileStatus status;
    if (fd < 0)
        why = systemReason(errno);
    else if (io.fstat(fd, status) != 0 || !status.isRegular())
        why = status.isRegular() ? systemReason(errno) : notRegularReason(status.type);
    else if (io.truncate(fd, 0) != 0 || writeFully(io, fd, data.data(), data.size(), 0) != 0)
        why = systemReason(errno);
    if (fd >= 0 && io.close(fd) != 0 && why.empty())
        why = systemReason(errno);
    if (!why.empty()) {
        // The staging file does not hold this picture: ">>LOAD" must not insert it.
        m_bLoaded = false;
        return { false, kMsgFalse, "Cannot write the staging file " + quotedPath(stagingPath) + ": " + why };
    }
    m_nSize += static_cast<std::int32_t>(paletteBytes);
    return { true, {}, {} };
}

LoadedPicture::Outcome LoadedPicture::refuse(Outcome why)
{
    m_bLoaded = false;
    why.ok = false;
    return why;
}

void LoadedPicture::setScreenBox(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    m_nBoxWidth = width;
    m_nBoxHeight = height;
}

int LoadedPicture::reportedDepth() const
{
    int depth = m_nBitCount >= 100 ? m_nBitCount - 100 : m_nBitCount;
    return depth >= 16 ? 16 : depth;
}

std::string LoadedPicture::loadReportText() const
{
    char text[128];
    std::snprintf(text, sizeof text, "Load Bitmap %dbit color Width:%d Height:%d \r\nSize:%d", reportedDepth(),
        m_nWidth, m_nHeight, m_nSize);
    return text;
}

std::vector<std::uint8_t> LoadedPicture::sourceRgb() const
{
    if (!m_held)
        return {};
    const std::span<const std::uint8_t> file(m_fileData);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(m_layout.width) * m_layout.height * 3);
    std::size_t o = 0;
    for (int y = 0; y < m_layout.height; ++y) {
        const std::uint64_t row = m_layout.rowOffset(y);
        for (int x = 0; x < m_layout.width; ++x) {
            const Rgb c = bmpPixel(m_layout, file, row, x);
            rgb[o++] = c.r;
            rgb[o++] = c.g;
            rgb[o++] = c.b;
        }
    }
    return rgb;
}

} // namespace zarn
