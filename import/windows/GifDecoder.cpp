// GIF files through the Windows Imaging Component: the first frame's indices,
// in their rows' order (the component undoes the interlacing), placed on the
// logical screen by the core's rules (GifCanvas). The screen, the colour
// tables, the frame's place and its transparent index are read here from the
// blocks before the frame, as every system reads them.
#include "import/GifCanvas.h"
#include "import/windows/Decoders.h"

#include <algorithm>

namespace zarn {

namespace {

    int littleEndian16(const std::uint8_t* p) { return p[0] | p[1] << 8; }

    bool readTable(PictureInput& input, std::uint64_t& at, int bits, std::vector<Rgb>& table)
    {
        const std::size_t entries = std::size_t { 2 } << bits;
        std::vector<std::uint8_t> bytes(3 * entries);
        if (!input.readExactly(at, bytes.data(), bytes.size()))
            return false;
        at += bytes.size();
        for (std::size_t i = 0; i < entries; ++i)
            table.push_back(Rgb { bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2] });
        return true;
    }

    std::string ended(const PictureInput& input)
    {
        return input.error().empty() ? "the file ends before the end of its GIF picture"
                                     : "it cannot be read: " + input.error();
    }

    // The file up to the end of its first frame, then the trailer: what follows
    // (other frames, damaged or not) is not the component's to read, as it is
    // not read on Linux.
    class FirstFrameInput final : public WicByteSource {
    public:
        FirstFrameInput(PictureInput& input, std::uint64_t frameEnd)
            : m_input(input)
            , m_end(frameEnd)
        {
        }
        std::uint64_t size() const override { return m_end + 1; }
        std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override
        {
            if (offset < m_end)
                return readThrough(
                    m_input, offset, buffer, static_cast<std::size_t>(std::min<std::uint64_t>(count, m_end - offset)));
            if (offset > m_end || count == 0)
                return 0;
            *static_cast<std::uint8_t*>(buffer) = 0x3B;
            return 1;
        }

    private:
        PictureInput& m_input;
        std::uint64_t m_end;
    };

} // namespace

DecodeResult decodeGif(PictureInput& input, PictureSink& sink)
{
    std::uint8_t descriptor[13] = {};
    if (!input.readExactly(0, descriptor, sizeof descriptor))
        return DecodeResult::failed(
            input.error().empty() ? "the file ends inside its GIF header" : "it cannot be read: " + input.error());
    GifScreen screen;
    screen.width = littleEndian16(descriptor + 6);
    screen.height = littleEndian16(descriptor + 8);
    screen.tableBits = descriptor[10] & 0x07;
    screen.background = descriptor[11];
    std::uint64_t at = sizeof descriptor;
    if (descriptor[10] & 0x80) {
        if (!readTable(input, at, screen.tableBits, screen.table))
            return DecodeResult::failed(ended(input));
        screen.hasTable = true;
    }

    // The blocks up to the first frame; the last graphic control before it says which index is transparent.
    GifFrame frame;
    for (;;) {
        std::uint8_t kind = 0;
        if (!input.readExactly(at++, &kind, 1))
            return DecodeResult::failed(ended(input));
        if (kind == 0x3B)
            return DecodeResult::failed("its GIF data holds no picture");
        if (kind == 0x2C)
            break;
        if (kind != 0x21)
            return DecodeResult::failed("its GIF data is damaged (Wrong record type detected)");
        std::uint8_t label = 0;
        if (!input.readExactly(at++, &label, 1))
            return DecodeResult::failed(ended(input));
        for (bool first = true;; first = false) {
            std::uint8_t block[256] = {};
            if (!input.readExactly(at, block, 1))
                return DecodeResult::failed(ended(input));
            if (block[0] == 0) {
                ++at;
                break;
            }
            if (!input.readExactly(at + 1, block + 1, block[0]))
                return DecodeResult::failed(ended(input));
            if (first && label == 0xF9)
                frame.transparent = block[0] >= 4 && (block[1] & 0x01) ? block[4] : -1;
            at += 1 + block[0];
        }
    }
    std::uint8_t image[9];
    if (!input.readExactly(at, image, sizeof image))
        return DecodeResult::failed(ended(input));
    at += sizeof image;
    frame.left = littleEndian16(image);
    frame.top = littleEndian16(image + 2);
    frame.width = littleEndian16(image + 4);
    frame.height = littleEndian16(image + 6);
    if (frame.width <= 0 || frame.height <= 0)
        return DecodeResult::failed("its GIF frame has no pixels");
    if (image[8] & 0x80) {
        if (!readTable(input, at, image[8] & 0x07, frame.table))
            return DecodeResult::failed(ended(input));
        frame.hasTable = true;
    }
    // The component hands the rows over in the frame's order, interlaced or not.
    frame.interlaced = false;
    // The frame's data: its code size, then blocks up to an empty one.
    std::uint64_t frameEnd = at + 1;
    for (;;) {
        std::uint8_t length = 0;
        input.seek(frameEnd);
        if (input.read(&length, 1) != 1)
            return DecodeResult::failed(ended(input));
        frameEnd += 1 + length;
        if (length == 0)
            break;
    }

    GifCanvas canvas(screen, frame);
    if (!sink.begin(canvas.form()))
        return DecodeResult::refused();
    FirstFrameInput source(input, frameEnd);
    WicFrame decoded;
    if (!decoded.open(source))
        return wicFailure(decoded, input, "GIF");
    if (decoded.width() != frame.width || decoded.height() != frame.height || decoded.pixels() != WicPixels::Indexed8)
        return DecodeResult::failed("it is a kind of GIF file that cannot be read (the decoder gives another frame)");
    WicRows rows(decoded);
    for (int n = 0; n < frame.height; ++n) {
        const std::uint8_t* indices = rows.row(n);
        if (!indices)
            return wicFailure(decoded, input, "GIF");
        canvas.frameRow(n, indices, sink);
    }
    canvas.otherRows(sink);
    return DecodeResult::decoded();
}

} // namespace zarn
