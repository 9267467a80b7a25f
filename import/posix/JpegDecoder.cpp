// JPEG files through libjpeg, decoded at the smallest of its scales (1/8, 2/8,
// ... of the size) that still gives at least the fitted picture's pixels, row
// by row into the sink, turned as the file's EXIF orientation says. A
// progressive file needs all of its coefficients in memory (libjpeg keeps them
// while the scans arrive): its memory grows with its size.
#include "import/PictureOrientation.h"
#include "import/posix/Decoders.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <vector>

// After <cstdio>: jpeglib.h needs FILE and size_t.
#include <jpeglib.h>

#include <jerror.h>

namespace zarn {

namespace {

    // libjpeg decodes fastest with a good run of bytes in hand: few ends of the buffer.
    constexpr std::size_t kInputBytes = 256 * 1024;

    struct JpegReading {
        jpeg_error_mgr errors {};
        jpeg_source_mgr source {};
        std::jmp_buf jump {};
        PictureInput* input = nullptr;
        std::vector<JOCTET> buffer;
        int errorCode = 0;
        char errorText[JMSG_LENGTH_MAX] = {};
    };

    JpegReading& readingOf(j_common_ptr info) { return *static_cast<JpegReading*>(info->client_data); }

    void onError(j_common_ptr info)
    {
        JpegReading& r = readingOf(info);
        r.errorCode = info->err->msg_code;
        (*info->err->format_message)(info, r.errorText);
        std::longjmp(r.jump, 1);
    }

    // libjpeg's warnings (a file cut short, extraneous bytes) are not ours to print.
    void onMessage(j_common_ptr, int) { }
    void onOutput(j_common_ptr) { }

    void onInit(j_decompress_ptr) { }
    void onTerm(j_decompress_ptr) { }

    boolean onFill(j_decompress_ptr info)
    {
        JpegReading& r = readingOf(reinterpret_cast<j_common_ptr>(info));
        const std::size_t n = r.input->read(r.buffer.data(), r.buffer.size());
        if (n == 0) {
            // A file cut short ends as if its end marker were there: what came is shown.
            r.buffer[0] = 0xFF;
            r.buffer[1] = JPEG_EOI;
            r.source.bytes_in_buffer = 2;
        } else {
            r.source.bytes_in_buffer = n;
        }
        r.source.next_input_byte = r.buffer.data();
        return TRUE;
    }

    void onSkip(j_decompress_ptr info, long count)
    {
        JpegReading& r = readingOf(reinterpret_cast<j_common_ptr>(info));
        while (count > 0) {
            if (r.source.bytes_in_buffer == 0)
                onFill(info);
            const long n = std::min<long>(count, static_cast<long>(r.source.bytes_in_buffer));
            r.source.next_input_byte += n;
            r.source.bytes_in_buffer -= static_cast<std::size_t>(n);
            count -= n;
        }
    }

    class JpegStruct {
    public:
        JpegStruct(JpegReading& reading)
        {
            m_info.err = jpeg_std_error(&reading.errors);
            reading.errors.error_exit = onError;
            reading.errors.emit_message = onMessage;
            reading.errors.output_message = onOutput;
            m_info.client_data = &reading;
        }
        ~JpegStruct()
        {
            if (m_created)
                jpeg_destroy_decompress(&m_info);
        }
        JpegStruct(const JpegStruct&) = delete;
        JpegStruct& operator=(const JpegStruct&) = delete;
        jpeg_decompress_struct* info() { return &m_info; }
        void created() { m_created = true; }

    private:
        jpeg_decompress_struct m_info {};
        bool m_created = false;
    };

    // Every call into libjpeg that may fail is made under setjmp, in a frame
    // that holds nothing with a destructor.
    bool create(JpegReading& r, JpegStruct& s)
    {
        if (setjmp(r.jump))
            return false;
        jpeg_create_decompress(s.info());
        s.created();
        s.info()->src = &r.source;
        // The EXIF block, where cameras and phones say which way is up.
        jpeg_save_markers(s.info(), JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(s.info(), TRUE);
        return true;
    }

    // The smallest scale (in eighths) that still gives `least` pixels each way.
    bool chooseScale(JpegReading& r, jpeg_decompress_struct* info, PictureSize least)
    {
        if (setjmp(r.jump))
            return false;
        for (unsigned eighths = 1; eighths <= 8; ++eighths) {
            info->scale_num = eighths;
            info->scale_denom = 8;
            jpeg_calc_output_dimensions(info);
            if (static_cast<int>(info->output_width) >= least.width
                && static_cast<int>(info->output_height) >= least.height)
                break;
        }
        return true;
    }

    bool start(JpegReading& r, jpeg_decompress_struct* info)
    {
        if (setjmp(r.jump))
            return false;
        jpeg_start_decompress(info);
        return true;
    }

    bool readRow(JpegReading& r, jpeg_decompress_struct* info, JSAMPROW row)
    {
        if (setjmp(r.jump))
            return false;
        JSAMPROW rows[] = { row };
        jpeg_read_scanlines(info, rows, 1);
        return true;
    }

    bool finish(JpegReading& r, jpeg_decompress_struct* info)
    {
        if (setjmp(r.jump))
            return false;
        jpeg_finish_decompress(info);
        return true;
    }

    DecodeResult failure(const JpegReading& r)
    {
        if (!r.input->error().empty())
            return DecodeResult::failed("it cannot be read: " + r.input->error());
        if (r.errorCode == JERR_OUT_OF_MEMORY)
            return DecodeResult::failed(kNotEnoughMemoryCause);
        if (r.errorCode == JERR_IMAGE_TOO_BIG || r.errorCode == JERR_WIDTH_OVERFLOW)
            return DecodeResult::failed("its JPEG header gives a picture too large for the JPEG decoder");
        if (r.errorCode == JERR_CONVERSION_NOTIMPL || r.errorCode == JERR_BAD_PRECISION
            || r.errorCode == JERR_NOT_COMPILED || r.errorCode == JERR_ARITH_NOTIMPL)
            return DecodeResult::failed(
                std::string("it is a kind of JPEG file that cannot be read (") + r.errorText + ")");
        return DecodeResult::failed(std::string("its JPEG data is damaged (") + r.errorText + ")");
    }

    int orientationOf(const jpeg_decompress_struct* info)
    {
        // All APP1 blocks in a row, as one EXIF block: a first one that is no EXIF block turns nothing.
        std::vector<std::uint8_t> app1;
        for (jpeg_saved_marker_ptr m = info->marker_list; m; m = m->next)
            if (m->marker == JPEG_APP0 + 1)
                app1.insert(app1.end(), m->data, m->data + m->data_length);
        return exifOrientation(app1);
    }

} // namespace

DecodeResult decodeJpeg(PictureInput& input, PictureSink& sink)
{
    JpegReading reading;
    reading.input = &input;
    reading.buffer.resize(kInputBytes);
    reading.source.init_source = onInit;
    reading.source.fill_input_buffer = onFill;
    reading.source.skip_input_data = onSkip;
    reading.source.resync_to_restart = jpeg_resync_to_restart;
    reading.source.term_source = onTerm;
    JpegStruct s(reading);
    jpeg_decompress_struct* info = s.info();
    if (!create(reading, s))
        return failure(reading);

    const int orientation = orientationOf(info);
    const bool grey = info->num_components == 1;
    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;

    PictureSize leastDecoded;
    if (!beginTurnedRgb(sink, orientation, static_cast<int>(info->image_width), static_cast<int>(info->image_height),
            &leastDecoded))
        return DecodeResult::refused();
    if (!chooseScale(reading, info, leastDecoded) || !start(reading, info))
        return failure(reading);
    const int w = static_cast<int>(info->output_width), h = static_cast<int>(info->output_height);
    if (w != static_cast<int>(info->image_width) || h != static_cast<int>(info->image_height)) {
        const PictureSize reduced = turnedSize(orientation, w, h);
        sink.reducedTo(reduced.width, reduced.height);
    }

    std::vector<JSAMPLE> row(static_cast<std::size_t>(w) * static_cast<std::size_t>(info->output_components));
    std::vector<std::uint8_t> rgb(3 * static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        if (!readRow(reading, info, row.data()))
            return failure(reading);
        const RowPlace at = placeOfRow(orientation, w, h, y);
        if (at.dy == 0 && !sink.wantsRow(at.y))
            continue;
        for (std::size_t x = 0; x < static_cast<std::size_t>(w); ++x) {
            std::uint8_t* out = &rgb[3 * x];
            if (grey) {
                out[0] = out[1] = out[2] = row[x];
            } else if (cmyk) {
                // Inverted CMYK, as Adobe's programs write it.
                const JSAMPLE* in = &row[4 * x];
                const int k = in[3];
                out[0] = static_cast<std::uint8_t>(k * in[0] / 255);
                out[1] = static_cast<std::uint8_t>(k * in[1] / 255);
                out[2] = static_cast<std::uint8_t>(k * in[2] / 255);
            } else {
                out[0] = row[3 * x];
                out[1] = row[3 * x + 1];
                out[2] = row[3 * x + 2];
            }
        }
        sink.run(at.x, at.y, at.dx, at.dy, w, rgb.data());
    }
    if (!finish(reading, info))
        return failure(reading);
    // A file that could not be read on is no picture cut short.
    if (!input.error().empty())
        return DecodeResult::failed("it cannot be read: " + input.error());
    return DecodeResult::decoded();
}

} // namespace zarn
