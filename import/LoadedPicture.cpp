#include "import/LoadedPicture.h"

#include "import/BmpReader.h"
#include "import/ModuleBitmap.h"
#include "import/StagingFile.h"
#include "platform/FileIo.h"

#include <new>

namespace zarn {

namespace {

    // Files beyond this are damage or not pictures at all; the largest picture taken
    // (65536 x 65536 would be far more) is bounded again by the dimension limit.
    constexpr std::uint64_t kMaxPictureFileBytes = 1ull << 30;

    DecodeResult decodeAny(PictureInput& input, PictureSink& sink, const PictureDecoders& decoders)
    {
        if (input.size() == 0)
            return DecodeResult::failed("the file is empty");
        std::uint8_t head[8] = {};
        const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(input.size(), sizeof head));
        if (!input.readExactly(0, head, got))
            return DecodeResult::failed(
                input.error().empty() ? "the file ended while it was read" : "it cannot be read: " + input.error());
        const PictureFileFormat format = pictureFileFormatOf(std::span(head, got));
        const PictureDecoder* decoder = nullptr;
        switch (format) {
        case PictureFileFormat::Bmp:
            return decodeBmp(input, sink, decoders);
        case PictureFileFormat::Png:
            decoder = &decoders.png;
            break;
        case PictureFileFormat::Jpeg:
            decoder = &decoders.jpeg;
            break;
        case PictureFileFormat::Gif:
            decoder = &decoders.gif;
            break;
        case PictureFileFormat::Other:
            return DecodeResult::failed(
                decoders.png ? "it is not a BMP, PNG, JPEG or GIF picture" : "it is not a BMP file");
        }
        if (!*decoder)
            return DecodeResult::failed(std::string("it is a ") + pictureFileFormatName(format)
                + " picture, and this build reads BMP files only");
        input.seek(0);
        return (*decoder)(input, sink);
    }

} // namespace

LoadedPicture::Outcome LoadedPicture::loadPicture(const PictureDecoders& decoders)
{
    FilePictureInput input;
    std::string why;
    if (!input.open(m_strFileName, why)) {
        m_bLoaded = false;
        return { false, kMsgReadingFileError, "Cannot read " + quotedPath(m_strFileName) + ": " + why };
    }
    if (input.size() > kMaxPictureFileBytes) {
        m_bLoaded = false;
        return { false,
            std::string { "Picture too large: the file holds more than " } + std::to_string(kMaxPictureFileBytes)
                + " bytes, more than any picture that can be loaded",
            {} };
    }
    return load(input, decoders);
}

LoadedPicture::Outcome LoadedPicture::loadBmpData(std::span<const std::uint8_t> data)
{
    MemoryPictureInput input(data);
    return load(input, {});
}

LoadedPicture::Outcome LoadedPicture::load(PictureInput& input, const PictureDecoders& decoders)
{
    // The picture is decoded into a picture of its own: a refused file leaves
    // the picture held before exactly as it was.
    auto picture = std::make_shared<FittedPicture>(m_nBoxWidth, m_nBoxHeight, m_keepSource);
    DecodeResult r;
    try {
        r = decodeAny(input, *picture, decoders);
        // A decoder that took no picture and says it did is not believed.
        if (r.status == DecodeResult::Status::Decoded && picture->fit().width <= 0)
            r = DecodeResult::failed("it holds no picture");
        if (r.status == DecodeResult::Status::Decoded)
            picture->finish();
    } catch (const std::bad_alloc&) {
        r = DecodeResult::failed(kNotEnoughMemoryCause);
    }
    if (r.status != DecodeResult::Status::Decoded) {
        m_bLoaded = false;
        if (r.status == DecodeResult::Status::Refused)
            return { false, picture->refusal(), {} };
        return { false, r.message.empty() ? std::string(kMsgReadingFileError) : r.message,
            r.cause.empty() ? std::string() : "Cannot read " + quotedPath(m_strFileName) + ": " + r.cause };
    }

    const BoxFit& fit = picture->fit();
    m_picture = std::move(picture);
    m_nBitCount = m_picture->reportedBits();
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
    if (m_nBitCount == 0 || !m_picture)
        return {};
    std::vector<std::uint8_t> out = m_picture->convert(m_wIgnoreColor, m_bDither);
    m_nFormat = m_picture->kind();
    m_nSize = static_cast<std::int32_t>(out.size() - *modulePaletteLength(m_picture->kind()));
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
    if (data.empty())
        return { false, {}, {} };
    if (const std::string why = writeStagingFile(stagingPath, data); !why.empty()) {
        // The staging file does not hold this picture: ">>LOAD" must not insert it.
        m_bLoaded = false;
        return { false, kMsgFalse, "Cannot write the staging file " + quotedPath(stagingPath) + ": " + why };
    }
    m_nSize = static_cast<std::int32_t>(data.size()); // the palette counts once it is in the file
    return { true, {}, {} };
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
    return m_picture ? m_picture->sourceRgb(m_wIgnoreColor) : std::vector<std::uint8_t> {};
}

} // namespace zarn
