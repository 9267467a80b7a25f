#pragma once
// The decoders of PNG, JPEG and GIF files on Windows: the Windows Imaging
// Component decodes (platform/WicPicture.h), a band of rows at a time; the
// file's headers are read here, so that the picture's form (its palette, its
// transparent index or colour, the GIF screen, the JPEG orientation) is taken
// by the same rules as on Linux (PngPixels, GifCanvas, PictureOrientation) and
// the items are the same on both systems.

#include "import/PictureDecoder.h"
#include "platform/WicPicture.h"

#include <cstdint>
#include <vector>

namespace zarn {

DecodeResult decodePng(PictureInput& input, PictureSink& sink);
DecodeResult decodeJpeg(PictureInput& input, PictureSink& sink);
DecodeResult decodeGif(PictureInput& input, PictureSink& sink);

// Up to `count` bytes of `input` at `offset`, through its read-ahead (decoders
// ask for a few bytes at a time: a chunk's header, its CRC); -1 on a failure.
std::int64_t readThrough(PictureInput& input, std::uint64_t offset, void* buffer, std::size_t count);

// A picture input as the bytes the imaging component reads.
class WicInput final : public WicByteSource {
public:
    explicit WicInput(PictureInput& input)
        : m_input(input)
    {
    }
    std::uint64_t size() const override { return m_input.size(); }
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override
    {
        return readThrough(m_input, offset, buffer, count);
    }

private:
    PictureInput& m_input;
};

// The frame's rows in order, copied a band at a time (about 256 KiB, at least one row).
class WicRows {
public:
    explicit WicRows(WicFrame& frame);
    // Row y of the frame in its current format; nullptr when the copy failed.
    const std::uint8_t* row(int y);

private:
    WicFrame& m_frame;
    std::size_t m_stride = 0;
    int m_bandRows = 1, m_first = 0, m_count = 0;
    std::vector<std::uint8_t> m_band;
};

// Why the frame failed, in the tool's words; `format` is "PNG", "JPEG" or "GIF".
DecodeResult wicFailure(const WicFrame& frame, const PictureInput& input, const char* format);

} // namespace zarn
