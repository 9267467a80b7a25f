// JPEG files through the Windows Imaging Component. The markers before the
// first scan are read here (the frame's size, the EXIF orientation); the
// picture is taken at the smallest of the sizes libjpeg decodes at (1/8, 2/8,
// ... of the size) that still gives at least the fitted picture's pixels, as
// on Linux: where that is less than the whole, each of its pixels is the mean
// of the decoded pixels it covers (what a scaled JPEG decoding gives, near
// enough), computed a row at a time while the bands of the full picture go by.
#include "import/PictureOrientation.h"
#include "import/windows/Decoders.h"

#include <algorithm>

namespace zarn {

namespace {

    struct JpegHeader {
        int width = 0, height = 0;
        std::vector<std::uint8_t> app1; // all APP1 blocks in a row, as one EXIF block
    };

    std::string ended(const PictureInput& input)
    {
        return input.error().empty() ? "its JPEG data is damaged (the file ends before its first scan)"
                                     : "it cannot be read: " + input.error();
    }

    // The markers up to the first scan; an empty `why` on success.
    JpegHeader readHeader(PictureInput& input, std::string& why)
    {
        JpegHeader h;
        std::uint64_t at = 2;
        bool haveFrame = false;
        for (;;) {
            std::uint8_t m[4];
            if (!input.readExactly(at, m, 2)) {
                why = ended(input);
                return h;
            }
            if (m[0] != 0xFF) {
                why = "its JPEG data is damaged (a marker is missing)";
                return h;
            }
            if (m[1] == 0xFF) { // fill bytes
                ++at;
                continue;
            }
            if (m[1] == 0x01 || (m[1] >= 0xD0 && m[1] <= 0xD7)) { // markers without a length
                at += 2;
                continue;
            }
            if (m[1] == 0xD9) {
                why = "its JPEG data is damaged (no picture before the end)";
                return h;
            }
            if (!input.readExactly(at + 2, m + 2, 2)) {
                why = ended(input);
                return h;
            }
            const std::size_t length = static_cast<std::size_t>(m[2] << 8 | m[3]);
            if (length < 2) {
                why = "its JPEG data is damaged (a marker's length is too small)";
                return h;
            }
            if (m[1] == 0xDA) {
                if (!haveFrame)
                    why = "its JPEG data is damaged (a scan before the frame)";
                return h;
            }
            const bool frameMarker = m[1] >= 0xC0 && m[1] <= 0xCF && m[1] != 0xC4 && m[1] != 0xC8 && m[1] != 0xCC;
            if (frameMarker || m[1] == 0xE1) {
                std::vector<std::uint8_t> data(length - 2);
                if (!input.readExactly(at + 4, data.data(), data.size())) {
                    why = ended(input);
                    return h;
                }
                if (frameMarker) {
                    if (data.size() < 6) {
                        why = "its JPEG data is damaged (the frame's header is too short)";
                        return h;
                    }
                    h.height = data[1] << 8 | data[2];
                    h.width = data[3] << 8 | data[4];
                    if (h.width == 0 || h.height == 0) {
                        why = "its JPEG data is damaged (the frame has no pixels)";
                        return h;
                    }
                    haveFrame = true;
                } else {
                    h.app1.insert(h.app1.end(), data.begin(), data.end());
                }
            }
            at += 2 + length;
        }
    }

    // The file as the component reads it: a file cut short ends as if its end
    // marker were there, as on Linux, so that what came is shown.
    class JpegInput final : public WicByteSource {
    public:
        explicit JpegInput(PictureInput& input)
            : m_input(input)
        {
            std::uint8_t last[2] = {};
            m_cut = input.size() < 2 || !input.readExactly(input.size() - 2, last, 2) || last[0] != 0xFF
                || last[1] != 0xD9;
        }
        std::uint64_t size() const override { return m_input.size() + (m_cut ? 2 : 0); }
        std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override
        {
            const std::uint64_t end = m_input.size();
            if (offset < end)
                return readThrough(
                    m_input, offset, buffer, static_cast<std::size_t>(std::min<std::uint64_t>(count, end - offset)));
            static constexpr std::uint8_t kEnd[2] = { 0xFF, 0xD9 };
            if (!m_cut || offset >= end + 2)
                return 0;
            const std::size_t n = std::min<std::size_t>(count, static_cast<std::size_t>(end + 2 - offset));
            std::copy_n(kEnd + (offset - end), n, static_cast<std::uint8_t*>(buffer));
            return static_cast<std::int64_t>(n);
        }

    private:
        PictureInput& m_input;
        bool m_cut = false;
    };

    // The scaled size libjpeg gives at `eighths` / 8.
    int scaled(int size, int eighths) { return (size * eighths + 7) / 8; }

    // Means of the decoded pixels over a smaller picture, a row at a time.
    class Reduction {
    public:
        Reduction(int width, int height, int toWidth, int toHeight)
            : m_height(height)
            , m_toWidth(toWidth)
            , m_toHeight(toHeight)
            , m_sums(3 * static_cast<std::size_t>(toWidth))
            , m_row(3 * static_cast<std::size_t>(toWidth))
        {
            for (int x = 0; x <= toWidth; ++x)
                m_columnStart.push_back(static_cast<int>(static_cast<std::int64_t>(x) * width / toWidth));
        }
        // Adds decoded row y (RGB); true when it completes a row of the smaller picture.
        bool add(int y, const std::uint8_t* rgb)
        {
            for (int x = 0; x < m_toWidth; ++x)
                for (int from = m_columnStart[x]; from < m_columnStart[x + 1]; ++from)
                    for (int c = 0; c < 3; ++c)
                        m_sums[3 * static_cast<std::size_t>(x) + c] += rgb[3 * static_cast<std::size_t>(from) + c];
            ++m_rows;
            const int next = m_done + 1;
            if (y + 1 < static_cast<int>(static_cast<std::int64_t>(next) * m_height / m_toHeight))
                return false;
            for (int x = 0; x < m_toWidth; ++x) {
                const std::uint32_t n = static_cast<std::uint32_t>(m_rows)
                    * static_cast<std::uint32_t>(m_columnStart[x + 1] - m_columnStart[x]);
                for (int c = 0; c < 3; ++c) {
                    std::uint32_t& s = m_sums[3 * static_cast<std::size_t>(x) + c];
                    m_row[3 * static_cast<std::size_t>(x) + c] = static_cast<std::uint8_t>((s + n / 2) / n);
                    s = 0;
                }
            }
            m_rows = 0;
            ++m_done;
            return true;
        }
        int doneRow() const { return m_done - 1; }
        const std::uint8_t* row() const { return m_row.data(); }

    private:
        int m_height, m_toWidth, m_toHeight;
        std::vector<int> m_columnStart;
        std::vector<std::uint32_t> m_sums;
        std::vector<std::uint8_t> m_row;
        int m_rows = 0, m_done = 0;
    };

} // namespace

DecodeResult decodeJpeg(PictureInput& input, PictureSink& sink)
{
    std::string why;
    const JpegHeader header = readHeader(input, why);
    if (!why.empty())
        return DecodeResult::failed(why);
    const int orientation = exifOrientation(header.app1);
    PictureSize leastDecoded;
    if (!beginTurnedRgb(sink, orientation, header.width, header.height, &leastDecoded))
        return DecodeResult::refused();
    int eighths = 1;
    while (eighths < 8
        && (scaled(header.width, eighths) < leastDecoded.width || scaled(header.height, eighths) < leastDecoded.height))
        ++eighths;
    const int w = scaled(header.width, eighths), h = scaled(header.height, eighths);
    if (w != header.width || h != header.height) {
        const PictureSize reduced = turnedSize(orientation, w, h);
        sink.reducedTo(reduced.width, reduced.height);
    }

    JpegInput source(input);
    WicFrame frame;
    if (!frame.open(source))
        return wicFailure(frame, input, "JPEG");
    if (frame.width() != header.width || frame.height() != header.height)
        return DecodeResult::failed("its JPEG data is damaged (the decoder gives another size)");
    const WicPixels native = frame.pixels();
    if (native != WicPixels::Bgr24 && native != WicPixels::Grey8 && native != WicPixels::Cmyk32
        && !frame.convertToBgra())
        return wicFailure(frame, input, "JPEG");
    const WicPixels taken = frame.pixels();

    const std::size_t width = static_cast<std::size_t>(header.width);
    std::vector<std::uint8_t> rgb(3 * width);
    Reduction reduction(header.width, header.height, w, h);
    WicRows rows(frame);
    for (int y = 0; y < header.height; ++y) {
        const std::uint8_t* in = rows.row(y);
        if (!in)
            return wicFailure(frame, input, "JPEG");
        for (std::size_t x = 0; x < width; ++x) {
            std::uint8_t* out = &rgb[3 * x];
            switch (taken) {
            case WicPixels::Grey8:
                out[0] = out[1] = out[2] = in[x];
                break;
            case WicPixels::Cmyk32: {
                const std::uint8_t* p = &in[4 * x];
                const int k = 255 - p[3];
                out[0] = static_cast<std::uint8_t>(k * (255 - p[0]) / 255);
                out[1] = static_cast<std::uint8_t>(k * (255 - p[1]) / 255);
                out[2] = static_cast<std::uint8_t>(k * (255 - p[2]) / 255);
                break;
            }
            case WicPixels::Bgr24:
                out[0] = in[3 * x + 2];
                out[1] = in[3 * x + 1];
                out[2] = in[3 * x];
                break;
            default: // BGRA
                out[0] = in[4 * x + 2];
                out[1] = in[4 * x + 1];
                out[2] = in[4 * x];
                break;
            }
        }
        const std::uint8_t* run = rgb.data();
        int at = y;
        if (eighths < 8) {
            if (!reduction.add(y, rgb.data()))
                continue;
            run = reduction.row();
            at = reduction.doneRow();
        }
        const RowPlace place = placeOfRow(orientation, w, h, at);
        if (place.dy == 0 && !sink.wantsRow(place.y))
            continue;
        sink.run(place.x, place.y, place.dx, place.dy, w, run);
    }
    return DecodeResult::decoded();
}

} // namespace zarn
