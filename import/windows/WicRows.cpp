#include "import/windows/Decoders.h"

#include <algorithm>

namespace zarn {

namespace {

    constexpr std::size_t kBandBytes = 256 * 1024;

} // namespace

WicRows::WicRows(WicFrame& frame)
    : m_frame(frame)
{
    const std::size_t bits = static_cast<std::size_t>(frame.width()) * wicBitsPerPixel(frame.pixels());
    m_stride = (bits + 31) / 32 * 4;
    m_bandRows = static_cast<int>(std::clamp<std::size_t>(
        kBandBytes / std::max<std::size_t>(m_stride, 1), 1, static_cast<std::size_t>(std::max(frame.height(), 1))));
}

const std::uint8_t* WicRows::row(int y)
{
    if (y < m_first || y >= m_first + m_count) {
        const int count = std::min(m_bandRows, m_frame.height() - y);
        if (count <= 0)
            return nullptr;
        m_band.resize(m_stride * static_cast<std::size_t>(count));
        m_count = 0;
        if (!m_frame.copyRows(y, count, m_band.data(), m_stride))
            return nullptr;
        m_first = y;
        m_count = count;
    }
    return m_band.data() + m_stride * static_cast<std::size_t>(y - m_first);
}

std::int64_t readThrough(PictureInput& input, std::uint64_t offset, void* buffer, std::size_t count)
{
    input.seek(offset);
    const std::size_t n = input.read(buffer, count);
    return n == 0 && !input.error().empty() ? -1 : static_cast<std::int64_t>(n);
}

DecodeResult wicFailure(const WicFrame& frame, const PictureInput& input, const char* format)
{
    switch (frame.failure()) {
    case WicFailure::SourceFailed:
        return DecodeResult::failed("it cannot be read: " + input.error());
    case WicFailure::OutOfMemory:
        return DecodeResult::failed(kNotEnoughMemoryCause);
    case WicFailure::NotSupported:
        return DecodeResult::failed(
            std::string("it is a kind of ") + format + " file that cannot be read (" + frame.failureText() + ")");
    case WicFailure::System:
        return DecodeResult::failed("the Windows Imaging Component cannot be used (" + frame.failureText() + ")");
    case WicFailure::None:
    case WicFailure::Damaged:
        break;
    }
    return DecodeResult::failed(std::string("its ") + format + " data is damaged (" + frame.failureText() + ")");
}

} // namespace zarn
