#include "import/qt/PictureFile.h"

#include "import/BmpWriter.h"
#include "platform/FileIo.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

namespace zarn {

namespace {

    // Qt's image readers report damaged pictures and refused sizes as log lines;
    // a refusal is this tool's to tell, so they do not reach standard error.
    QtMessageHandler g_previousHandler = nullptr;
    void imageReaderMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        const bool fromImageIo = context.category && std::strncmp(context.category, "qt.gui.imageio", 14) == 0;
        if (fromImageIo || text.startsWith(QLatin1String("libpng")) || text.contains(QLatin1String("JPEG"))
            || text.startsWith(QLatin1String("QImage")))
            return;
        if (g_previousHandler)
            g_previousHandler(type, context, text);
    }
    struct QuietImageReaders {
        QuietImageReaders() { g_previousHandler = qInstallMessageHandler(imageReaderMessages); }
        ~QuietImageReaders() { qInstallMessageHandler(g_previousHandler); }
    };

    PictureAsBmp refused(std::string message = kMsgReadingFileError)
    {
        PictureAsBmp r;
        r.message = std::move(message);
        return r;
    }

    // A standard 1-, 4- or 8-bit file (the smallest depth the indices and the
    // palette need); `index(x, y)` gives a pixel's index, y counted from the top.
    template <typename IndexOf>
    std::vector<std::uint8_t> indexedBmp(int w, int h, const std::vector<Rgb>& palette, IndexOf index)
    {
        int highest = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                highest = std::max<int>(highest, index(x, y));
        // Indices past the palette still need room: their colour is black.
        const int colours = std::max<int>(static_cast<int>(palette.size()), highest + 1);
        const int k = colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
        std::vector<std::uint8_t> out = blankStandardBmp(w, h, k, palette);
        if (out.empty())
            return {};
        const auto stride = static_cast<std::size_t>(bmpRowStride(static_cast<std::uint64_t>(w), k));
        const std::size_t offBits = standardBmpOffBits(k);
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = out.data() + offBits + stride * static_cast<std::size_t>(h - 1 - y);
            for (int x = 0; x < w; ++x) {
                const unsigned v = index(x, y);
                const int bit = x * k;
                row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - k - bit % 8));
            }
        }
        return out;
    }

    Rgb rgbOf(QRgb c)
    {
        return Rgb { static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
            static_cast<std::uint8_t>(qBlue(c)) };
    }

    std::vector<std::uint8_t> paletteBmp(const QImage& source, PictureAlpha& alpha)
    {
        const QImage image
            = source.format() == QImage::Format_Indexed8 ? source : source.convertToFormat(QImage::Format_Indexed8);
        if (image.isNull() || image.format() != QImage::Format_Indexed8)
            return {};
        std::vector<Rgb> palette;
        for (const QRgb c : image.colorTable()) {
            palette.push_back(rgbOf(c));
            alpha.palette.push_back(static_cast<std::uint8_t>(qAlpha(c)));
        }
        return indexedBmp(image.width(), image.height(), palette,
            [&](int x, int y) { return static_cast<int>(image.constScanLine(y)[x]); });
    }

    // Qt hands GIF pictures over in true colour; their palette is rebuilt from the
    // colours in order of first use (a GIF frame never has more than 256), the
    // transparent one included.
    std::vector<std::uint8_t> rebuiltPaletteBmp(const QImage& source, PictureAlpha& alpha)
    {
        const QImage image = source.convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            return {};
        const int w = image.width(), h = image.height();
        std::vector<Rgb> palette;
        std::unordered_map<QRgb, std::uint8_t> indexOf;
        std::vector<std::uint8_t> indices(static_cast<std::size_t>(w) * h);
        for (int y = 0; y < h; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                const QRgb c = qAlpha(line[x]) == 0 ? 0 : line[x]; // every transparent pixel alike
                auto it = indexOf.find(c);
                if (it == indexOf.end()) {
                    if (palette.size() == 256)
                        return {};
                    it = indexOf.emplace(c, static_cast<std::uint8_t>(palette.size())).first;
                    palette.push_back(rgbOf(c));
                    alpha.palette.push_back(static_cast<std::uint8_t>(qAlpha(c)));
                }
                indices[static_cast<std::size_t>(y) * w + x] = it->second;
            }
        }
        return indexedBmp(w, h, palette,
            [&](int x, int y) { return static_cast<int>(indices[static_cast<std::size_t>(y) * w + x]); });
    }

    std::vector<std::uint8_t> trueColourBmp(const QImage& source, PictureAlpha& alpha)
    {
        // Non-premultiplied, so a translucent pixel keeps its colour as stored.
        const QImage image = source.convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            return {};
        const int w = image.width(), h = image.height();
        std::vector<std::uint8_t> out = blankStandardBmp(w, h, 24, {});
        if (out.empty())
            return {};
        const auto stride = static_cast<std::size_t>(bmpRowStride(static_cast<std::uint64_t>(w), 24));
        if (image.hasAlphaChannel())
            alpha.pixels.resize(static_cast<std::size_t>(w) * h);
        for (int y = 0; y < h; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            std::uint8_t* row = out.data() + standardBmpOffBits(24) + stride * static_cast<std::size_t>(h - 1 - y);
            for (int x = 0; x < w; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(qBlue(line[x]));
                row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(line[x]));
                row[3 * x + 2] = static_cast<std::uint8_t>(qRed(line[x]));
                if (!alpha.pixels.empty())
                    alpha.pixels[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(qAlpha(line[x]));
            }
        }
        return out;
    }

} // namespace

namespace {

    // One picture through Qt's readers, if it is in one of `formats`.
    PictureAsBmp readPicture(QImageReader& reader, std::initializer_list<const char*> formats)
    {
        // Qt's own limit (128 MB by default) would refuse pictures the BMP reader
        // takes: the tool's limits (kBmpMaxPixels, at 4 bytes a pixel) are the ones.
        constexpr std::uint64_t kLimitMb = kBmpMaxPixels * 4 / (1024 * 1024) + 1;
        QImageReader::setAllocationLimit(static_cast<int>(kLimitMb));
        const QuietImageReaders quiet;
        // Only the formats offered: no other reader Qt may have sees the user's file.
        const QByteArray format = reader.format();
        if (std::none_of(formats.begin(), formats.end(), [&](const char* f) { return format == f; }))
            return refused();
        reader.setAutoTransform(true);
        // Sizes the BMP reader would refuse are refused before any pixel is decoded.
        const QSize size = reader.size();
        if (size.isValid() && !pictureSizeTaken(size.width(), size.height()))
            return refused(pictureTooLargeText(size.width(), size.height()));
        QImage image;
        try {
            if (!reader.read(&image) || image.isNull())
                return refused();
            PictureAsBmp r;
            const bool indexed = (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono
                                     || image.format() == QImage::Format_MonoLSB)
                && image.colorCount() > 0;
            if (indexed)
                r.bmp = paletteBmp(image, r.alpha);
            else if (format == "gif")
                r.bmp = rebuiltPaletteBmp(image, r.alpha);
            if (r.bmp.empty() && !indexed) {
                r.alpha = {};
                r.bmp = trueColourBmp(image, r.alpha);
            }
            if (r.bmp.empty())
                return refused();
            r.ok = true;
            return r;
        } catch (const std::bad_alloc&) {
            return refused();
        }
    }

    PictureAsBmp readPictureBytes(std::span<const std::uint8_t> bytes, std::initializer_list<const char*> formats)
    {
        const QByteArray data = QByteArray::fromRawData(
            reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        return readPicture(reader, formats);
    }

} // namespace

PictureAsBmp pictureFileAsBmp(std::span<const std::uint8_t> bytes)
{
    return readPictureBytes(bytes, { "png", "jpeg", "gif" });
}

PictureAsBmp embeddedPictureAsBmp(std::span<const std::uint8_t> bytes, std::uint32_t compression)
{
    // The format is found from the bytes, never from the compression alone, and must be the one named.
    return readPictureBytes(bytes, { compression == kBmpCompressionPng ? "png" : "jpeg" });
}

LoadedPicture::Outcome loadPictureFile(LoadedPicture& pic)
{
    // The file is read once, and nothing but a regular file is opened; its bytes decide the reader.
    std::vector<std::uint8_t> bytes;
    if (LoadedPicture::Outcome read = pic.readFileBytes(bytes); !read.ok)
        return read;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        pic.setEmbeddedPictureReader(embeddedPictureAsBmp);
        return pic.loadBmpData(std::move(bytes));
    }
    PictureAsBmp converted = pictureFileAsBmp(bytes);
    if (!converted.ok)
        return pic.refuse({ false, converted.message, {} });
    return pic.loadBmpData(std::move(converted.bmp), std::move(converted.alpha));
}

} // namespace zarn
