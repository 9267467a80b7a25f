#pragma once
// The first frame of a picture decoded by the Windows Imaging Component, its
// pixels copied a band of rows at a time: the system's side of the Windows
// decoders of PNG, JPEG and GIF pictures (import/windows/), which turn what
// this gives into the core's runs. Built on Windows only (WicPictureWin32.cpp).
// COM is started for the calling thread while a frame is open, in whatever
// apartment the thread has (the window's single-threaded one, or none yet).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zarn {

// The bytes the decoder reads, in any order.
class WicByteSource {
public:
    virtual ~WicByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Up to `count` bytes at `offset` (fewer only at the end); -1 on a failure.
    virtual std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

// The frame's own pixel format, where it is one the decoders take as it is.
enum class WicPixels : std::uint8_t {
    Indexed1, // palette indices, packed from the most significant bit
    Indexed2,
    Indexed4,
    Indexed8,
    BlackWhite, // 1 bit a pixel, 1 white
    Grey2,
    Grey4,
    Grey8,
    Grey16, // little-endian
    Bgr24,
    Bgra32, // not premultiplied
    Rgb48, // little-endian samples
    Rgba64, // little-endian samples, not premultiplied
    Cmyk32,
    Other, // only as 32-bit BGRA (convertToBgra)
};

// Bits a pixel of `pixels` takes (32 for Other, as converted).
int wicBitsPerPixel(WicPixels pixels);

enum class WicFailure : std::uint8_t {
    None,
    OutOfMemory,
    SourceFailed, // the byte source failed a read
    Damaged, // the data cannot be decoded
    NotSupported, // no decoder for it, or a variant the decoder does not take
    System, // COM or the imaging component cannot be started
};

class WicFrame {
public:
    WicFrame();
    ~WicFrame();
    WicFrame(const WicFrame&) = delete;
    WicFrame& operator=(const WicFrame&) = delete;

    // Opens the first frame of the picture `source` holds (kept by reference until the end).
    bool open(WicByteSource& source);
    int width() const;
    int height() const;
    WicPixels pixels() const;
    // The frame's colours, 0xAARRGGBB, for indexed frames (the decoder's view of the file's table).
    const std::vector<std::uint32_t>& palette() const;
    // From now on rows come as 32-bit BGRA, not premultiplied, converted by the system.
    bool convertToBgra();
    // Rows y to y + count - 1 of the frame, `stride` bytes apart, in the current format.
    bool copyRows(int y, int count, std::uint8_t* out, std::size_t stride);

    // Why the last call failed.
    WicFailure failure() const;
    std::string failureText() const; // the system's code, as "WIC error 0x88982F61"

private:
    struct State;
    std::unique_ptr<State> m;
};

} // namespace zarn
