// PNG files through libpng's row interface: each row goes to the sink as it is
// decoded, with no transformation by libpng (the core takes the stored samples),
// so that memory holds one row of the file whatever its size. Interlaced files
// are read pass by pass, each pass's rows handed over where their pixels lie.
#include "import/PngPixels.h"
#include "import/posix/Decoders.h"

#include <csetjmp>
#include <cstring>
#include <png.h>
#include <vector>

namespace zarn {

namespace {

    struct PngReading {
        PictureInput* input = nullptr;
        std::string error; // libpng's reason, or that the file ended
        bool fileEnded = false;
    };

    void onError(png_structp png, png_const_charp text)
    {
        auto* r = static_cast<PngReading*>(png_get_error_ptr(png));
        if (r->error.empty() && text)
            r->error = text;
        png_longjmp(png, 1);
    }

    // Warnings (an ancillary chunk with a bad CRC, an index past the palette) are libpng's
    // to give, not ours to print: the picture is taken as libpng reads it.
    void onWarning(png_structp, png_const_charp) { }

    void onRead(png_structp png, png_bytep data, std::size_t length)
    {
        auto* r = static_cast<PngReading*>(png_get_io_ptr(png));
        if (r->input->read(data, length) != length) {
            r->fileEnded = r->input->error().empty();
            png_error(png, r->fileEnded ? "the file ends too soon" : r->input->error().c_str());
        }
    }

    // Each call into libpng that may fail is made under its own setjmp, in a
    // frame that holds nothing with a destructor.
    bool readInfo(png_structp png, png_infop info)
    {
        if (setjmp(png_jmpbuf(png)))
            return false;
        png_read_info(png, info);
        png_read_update_info(png, info);
        return true;
    }

    bool readRow(png_structp png, png_bytep row)
    {
        if (setjmp(png_jmpbuf(png)))
            return false;
        png_read_row(png, row, nullptr);
        return true;
    }

    bool readEnd(png_structp png)
    {
        if (setjmp(png_jmpbuf(png)))
            return false;
        png_read_end(png, nullptr);
        return true;
    }

    PngHeader headerOf(png_structp png, png_infop info)
    {
        PngHeader h;
        png_uint_32 width = 0, height = 0;
        int depth = 0, type = 0, interlace = 0;
        png_get_IHDR(png, info, &width, &height, &depth, &type, &interlace, nullptr, nullptr);
        h.width = static_cast<int>(width);
        h.height = static_cast<int>(height);
        h.bitDepth = depth;
        h.colorType = type;
        h.interlaced = interlace != PNG_INTERLACE_NONE;
        png_colorp palette = nullptr;
        int entries = 0;
        if (png_get_PLTE(png, info, &palette, &entries) != 0)
            for (int i = 0; i < entries; ++i)
                h.palette.push_back(Rgb { palette[i].red, palette[i].green, palette[i].blue });
        png_bytep alpha = nullptr;
        int alphas = 0;
        png_color_16p colour = nullptr;
        if (png_get_tRNS(png, info, &alpha, &alphas, &colour) != 0) {
            if (type == PNG_COLOR_TYPE_PALETTE && alpha)
                h.paletteAlpha.assign(alpha, alpha + alphas);
            if (type != PNG_COLOR_TYPE_PALETTE && colour) {
                h.hasTransparentColour = true;
                h.transparentColour[0] = type == PNG_COLOR_TYPE_GRAY ? colour->gray : colour->red;
                h.transparentColour[1] = colour->green;
                h.transparentColour[2] = colour->blue;
            }
        }
        return h;
    }

    DecodeResult failure(const PngReading& r)
    {
        if (r.fileEnded)
            return DecodeResult::failed("the file ends before the end of its PNG data");
        if (r.error.find("emory") != std::string::npos)
            return DecodeResult::failed(kNotEnoughMemoryCause);
        if (r.error == r.input->error() && !r.error.empty())
            return DecodeResult::failed("it cannot be read: " + r.error);
        return DecodeResult::failed("its PNG data is damaged (" + r.error + ")");
    }

    class PngStruct {
    public:
        explicit PngStruct(PngReading& reading)
        {
            m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, onError, onWarning);
            if (m_png)
                m_info = png_create_info_struct(m_png);
        }
        ~PngStruct() { png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr); }
        PngStruct(const PngStruct&) = delete;
        PngStruct& operator=(const PngStruct&) = delete;
        png_structp png() const { return m_png; }
        png_infop info() const { return m_info; }

    private:
        png_structp m_png = nullptr;
        png_infop m_info = nullptr;
    };

} // namespace

DecodeResult decodePng(PictureInput& input, PictureSink& sink)
{
    PngReading reading;
    reading.input = &input;
    PngStruct s(reading);
    if (!s.png() || !s.info())
        return DecodeResult::failed(kNotEnoughMemoryCause);
    png_structp png = s.png();
    png_set_read_fn(png, &reading, onRead);
    // The picture's size is the core's to judge (it says "too large" in its own words).
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_MAXIMUM_INFLATE_WINDOW)
    // A zlib header that claims too small a window is not held against the file.
    png_set_option(png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
#endif
    if (!readInfo(png, s.info()))
        return failure(reading);

    const PngHeader header = headerOf(png, s.info());
    PngPixels pixels(header);
    if (!sink.begin(pixels.form()))
        return DecodeResult::refused();
    std::vector<std::uint8_t> row(png_get_rowbytes(png, s.info()));
    if (!header.interlaced) {
        for (int y = 0; y < header.height; ++y) {
            if (!readRow(png, row.data()))
                return failure(reading);
            if (sink.wantsRow(y))
                sink.run(0, y, 1, 0, header.width, pixels.convert(row.data(), header.width));
        }
    } else {
        // Seven passes, each a smaller picture of every n-th pixel of every m-th row.
        for (int pass = 0; pass < 7; ++pass) {
            const int columns = static_cast<int>(PNG_PASS_COLS(header.width, pass));
            const int rows = static_cast<int>(PNG_PASS_ROWS(header.height, pass));
            if (columns == 0 || rows == 0)
                continue;
            for (int r = 0; r < rows; ++r) {
                if (!readRow(png, row.data()))
                    return failure(reading);
                const int y = static_cast<int>(PNG_PASS_START_ROW(pass)) + (r << PNG_PASS_ROW_SHIFT(pass));
                if (sink.wantsRow(y))
                    sink.run(static_cast<int>(PNG_PASS_START_COL(pass)), y, 1 << PNG_PASS_COL_SHIFT(pass), 0, columns,
                        pixels.convert(row.data(), columns));
            }
        }
    }
    // The file must end as a PNG file does: damage after the pixels refuses it too.
    if (!readEnd(png))
        return failure(reading);
    return DecodeResult::decoded();
}

} // namespace zarn
