// GIF files through giflib: the first frame, a row at a time, placed on the
// logical screen by the core's rules (GifCanvas). What comes after the first
// frame is not read.
#include "import/GifCanvas.h"
#include "import/posix/Decoders.h"

#include <gif_lib.h>

#include <vector>

namespace zarn {

namespace {

    int onRead(GifFileType* gif, GifByteType* buffer, int count)
    {
        auto* input = static_cast<PictureInput*>(gif->UserData);
        return count <= 0 ? 0 : static_cast<int>(input->read(buffer, static_cast<std::size_t>(count)));
    }

    std::vector<Rgb> coloursOf(const ColorMapObject* map)
    {
        std::vector<Rgb> colours;
        if (map)
            for (int i = 0; i < map->ColorCount; ++i)
                colours.push_back(Rgb { map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue });
        return colours;
    }

    DecodeResult failure(const PictureInput& input, int error)
    {
        if (!input.error().empty())
            return DecodeResult::failed("it cannot be read: " + input.error());
        // giflib names the part it was reading when the file ran out.
        if (input.position() >= input.size())
            error = D_GIF_ERR_EOF_TOO_SOON;
        switch (error) {
        case D_GIF_ERR_NOT_ENOUGH_MEM:
            return DecodeResult::failed(kNotEnoughMemoryCause);
        case D_GIF_ERR_READ_FAILED:
        case D_GIF_ERR_EOF_TOO_SOON:
            return DecodeResult::failed("the file ends before the end of its GIF picture");
        default:
            return DecodeResult::failed(std::string("its GIF data is damaged (")
                + (GifErrorString(error) ? GifErrorString(error) : "unknown error") + ")");
        }
    }

    class GifFile {
    public:
        explicit GifFile(PictureInput& input) { m_gif = DGifOpen(&input, onRead, &m_openError); }
        ~GifFile()
        {
            if (m_gif)
                DGifCloseFile(m_gif, nullptr);
        }
        GifFile(const GifFile&) = delete;
        GifFile& operator=(const GifFile&) = delete;
        GifFileType* gif() const { return m_gif; }
        int openError() const { return m_openError; }

    private:
        GifFileType* m_gif = nullptr;
        int m_openError = 0;
    };

} // namespace

DecodeResult decodeGif(PictureInput& input, PictureSink& sink)
{
    // The screen descriptor as stored: the global table's size field counts even without the table.
    std::uint8_t descriptor[13] = {};
    if (!input.readExactly(0, descriptor, sizeof descriptor))
        return DecodeResult::failed(
            input.error().empty() ? "the file ends inside its GIF header" : "it cannot be read: " + input.error());
    input.seek(0);
    GifFile file(input);
    GifFileType* gif = file.gif();
    if (!gif)
        return failure(input, file.openError());

    GifScreen screen;
    screen.width = descriptor[6] | descriptor[7] << 8;
    screen.height = descriptor[8] | descriptor[9] << 8;
    screen.tableBits = descriptor[10] & 0x07;
    screen.hasTable = (descriptor[10] & 0x80) != 0 && gif->SColorMap;
    screen.table = coloursOf(gif->SColorMap);
    screen.background = descriptor[11];

    GifFrame frame;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return failure(input, gif->Error);
        if (type == TERMINATE_RECORD_TYPE)
            return DecodeResult::failed("its GIF data holds no picture");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                return failure(input, gif->Error);
            // The last graphic control before the frame says which index is transparent.
            if (code == GRAPHICS_EXT_FUNC_CODE && block)
                frame.transparent = block[0] >= 4 && (block[1] & 0x01) ? block[4] : -1;
            while (block)
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    return failure(input, gif->Error);
            continue;
        }
        if (type == IMAGE_DESC_RECORD_TYPE)
            break;
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return failure(input, gif->Error);
    const GifImageDesc& d = gif->Image;
    if (d.Width <= 0 || d.Height <= 0)
        return DecodeResult::failed("its GIF frame has no pixels");
    frame.left = d.Left;
    frame.top = d.Top;
    frame.width = d.Width;
    frame.height = d.Height;
    frame.interlaced = d.Interlace;
    frame.hasTable = d.ColorMap != nullptr;
    frame.table = coloursOf(d.ColorMap);

    GifCanvas canvas(screen, frame);
    if (!sink.begin(canvas.form()))
        return DecodeResult::refused();
    std::vector<GifPixelType> row(static_cast<std::size_t>(frame.width));
    for (int n = 0; n < frame.height; ++n) {
        if (DGifGetLine(gif, row.data(), frame.width) == GIF_ERROR)
            return failure(input, gif->Error);
        canvas.frameRow(n, row.data(), sink);
    }
    canvas.otherRows(sink);
    return DecodeResult::decoded();
}

} // namespace zarn
