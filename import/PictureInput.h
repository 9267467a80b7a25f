#pragma once
// The bytes of a picture, read in pieces as a decoder asks for them: a file
// (never read whole), or bytes already in memory, or a part of either (the PNG
// or JPEG file that a BMP file holds). A decoder reads in order with read() or
// at an offset with readAt(); a failed read leaves error() saying why.

#include "platform/FileIo.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarn {

class PictureInput {
public:
    virtual ~PictureInput() = default;
    virtual std::uint64_t size() const = 0;
    // Reads up to `count` bytes at `offset` (fewer only at the end); -1 on a failure.
    virtual std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;

    // Reads up to `count` bytes from where the last read ended; fewer only at
    // the end or on a failure.
    std::size_t read(void* buffer, std::size_t count);
    // Exactly `count` bytes at `offset`, or false (the end, or a failure).
    bool readExactly(std::uint64_t offset, void* buffer, std::size_t count);
    std::uint64_t position() const { return m_position; }
    void seek(std::uint64_t offset);
    // Why the last read failed; empty when the input simply ended.
    const std::string& error() const { return m_error; }

protected:
    void setError(std::string why) { m_error = std::move(why); }

private:
    std::uint64_t m_position = 0;
    std::vector<std::uint8_t> m_buffer; // read ahead, from m_bufferStart on
    std::uint64_t m_bufferStart = 0;
    std::string m_error;
};

// A regular file, opened by open() (a named pipe, device or folder is refused unopened).
class FilePictureInput final : public PictureInput {
public:
    explicit FilePictureInput(FileIo& io = defaultFileIo())
        : m_io(io)
    {
    }
    ~FilePictureInput() override;
    // False with `why` set when the file cannot be opened.
    bool open(const std::string& path, std::string& why);
    std::uint64_t size() const override { return m_size; }
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    FileIo& m_io;
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

class MemoryPictureInput final : public PictureInput {
public:
    explicit MemoryPictureInput(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {
    }
    std::uint64_t size() const override { return m_bytes.size(); }
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    std::span<const std::uint8_t> m_bytes;
};

// `length` bytes of another input from `offset` on, as an input of their own.
class PartPictureInput final : public PictureInput {
public:
    PartPictureInput(PictureInput& whole, std::uint64_t offset, std::uint64_t length)
        : m_whole(whole)
        , m_offset(offset)
        , m_length(length)
    {
    }
    std::uint64_t size() const override { return m_length; }
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    PictureInput& m_whole;
    std::uint64_t m_offset, m_length;
};

} // namespace zarn
