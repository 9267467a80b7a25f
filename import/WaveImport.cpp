#include "import/WaveImport.h"

#include "common/ByteOrder.h"
#include "common/Messages.h"
#include "import/ImportSource.h"
#include "import/PictureDecoder.h"
#include "platform/FileIo.h"
#include "resfile/ResourceFormat.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace zarn {

namespace {

    bool startsWith(const std::uint8_t* bytes, std::size_t count, const char* magic)
    {
        const std::size_t n = std::strlen(magic);
        return count >= n && std::memcmp(bytes, magic, n) == 0;
    }

    bool isText(const std::uint8_t* bytes, std::size_t count)
    {
        return std::all_of(bytes, bytes + count,
            [](std::uint8_t c) { return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c != 0x7F); });
    }

    // What the first bytes of a file that is no RIFF/WAVE file look like.
    std::string whatItHolds(const std::uint8_t* head, std::size_t count, std::uint64_t length)
    {
        // Pictures are known as the picture reader knows them.
        if (const PictureFileFormat picture = pictureFileFormatOf(std::span(head, count));
            picture != PictureFileFormat::Other)
            return std::string("it holds a ") + pictureFileFormatName(picture) + " picture";
        const std::pair<const char*, const char*> kinds[] = {
            { "OggS", "an Ogg stream" },
            { "fLaC", "a FLAC sound" },
            { "ID3", "an MP3 sound" },
            { "PK\x03\x04", "a ZIP archive" },
            { "%PDF", "a PDF document" },
        };
        for (const auto& [magic, name] : kinds)
            if (startsWith(head, count, magic))
                return std::string("it holds ") + name;
        if (startsWith(head, count, "FORM") && count >= 12
            && (std::memcmp(head + 8, "AIFF", 4) == 0 || std::memcmp(head + 8, "AIFC", 4) == 0))
            return "it holds an AIFF sound";
        if (std::all_of(head, head + count, [](std::uint8_t c) { return c == 0; }))
            return count == length ? "it holds nothing but zero bytes"
                                   : "its first " + std::to_string(count) + " bytes are all zero";
        if (isText(head, count)) {
            std::string start(reinterpret_cast<const char*>(head), std::min<std::size_t>(count, 24));
            std::replace_if(
                start.begin(), start.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
            return "it holds text (\"" + start + (count > 24 ? "...\")" : "\")");
        }
        std::string bytes;
        for (std::size_t i = 0; i < std::min<std::size_t>(count, 8); ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X", head[i]);
            bytes.append(i ? " " : "").append(hex);
        }
        return "it begins with the bytes " + bytes + ", which no WAVE file does";
    }

    std::string chunkName(const std::uint8_t* id)
    {
        std::string name(reinterpret_cast<const char*>(id), 4);
        if (!std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
            return "";
        return "\"" + name + "\"";
    }

} // namespace

std::string waveContentProblem(std::uint64_t length, const ReadAt& readAt)
{
    if (length == 0)
        return "it is empty";
    std::array<std::uint8_t, 64> head {};
    const std::size_t headCount = static_cast<std::size_t>(std::min<std::uint64_t>(length, head.size()));
    if (!readAt(0, head.data(), headCount))
        return "it could not be read";
    if (!startsWith(head.data(), headCount, "RIFF"))
        return whatItHolds(head.data(), headCount, length);
    if (headCount < 12 || std::memcmp(head.data() + 8, "WAVE", 4) != 0) {
        const std::string type = headCount >= 12 ? chunkName(head.data() + 8) : "";
        return type.empty() ? "it is a RIFF file cut short before its type, not a WAVE sound"
                            : "it is a RIFF file of type " + type + ", not a WAVE sound";
    }
    // The chunks after "WAVE": a "fmt " that says how samples are stored, and "data".
    bool format = false, data = false;
    std::uint64_t at = 12;
    for (int chunks = 0; at + 8 <= length && chunks < 10000; ++chunks) {
        std::uint8_t chunk[8 + 16];
        if (!readAt(at, chunk, 8))
            return "it could not be read";
        const std::string name = chunkName(chunk);
        const std::uint32_t size = getLe32(chunk + 4);
        if (name.empty())
            return "at byte " + std::to_string(at)
                + " it holds no chunk name but bytes that mean nothing to a WAVE "
                  "file";
        if (at + 8 + size > length)
            return "it is cut short: its " + name + " chunk at byte " + std::to_string(at) + " claims "
                + std::to_string(size) + " bytes, and the file ends " + std::to_string(length - at - 8)
                + " bytes into it";
        if (name == "\"fmt \"") {
            if (size < 16)
                return "its \"fmt \" chunk is " + std::to_string(size) + " bytes long, too short to say how its "
                    + "samples are stored";
            if (!readAt(at + 8, chunk + 8, 16))
                return "it could not be read";
            const std::uint16_t channels = getLe16(chunk + 8 + 2), bits = getLe16(chunk + 8 + 14);
            const std::uint32_t rate = getLe32(chunk + 8 + 4);
            if (channels == 0)
                return "its \"fmt \" chunk gives no channel";
            if (rate == 0)
                return "its \"fmt \" chunk gives a sample rate of 0";
            if (bits == 0)
                return "its \"fmt \" chunk gives samples of 0 bits";
            format = true;
        } else if (name == "\"data\"") {
            data = true;
        }
        at += 8 + size + (size & 1); // chunks start on even bytes
    }
    if (!format)
        return "it is a RIFF/WAVE file without the \"fmt \" chunk that says how its samples are stored";
    if (!data)
        return "it is a RIFF/WAVE file without a \"data\" chunk, so it holds no samples";
    return {};
}

ImportCheck checkWaveFile(
    const std::string& path, std::uint32_t remainingBytes, std::uint16_t itemCount, std::uint16_t maxItems)
{
    ImportCheck c;
    if (lowerExtension(path) != "wav")
        return c; // another extension: the command ends without a word

    c.verdict = ImportCheck::Verdict::Refused;
    const auto length = importFileLength(path, &c.detail);
    if (!length) {
        c.message = kMsgOpenWaveFailure;
        return c;
    }
    c.length = *length;
    if (*length > remainingBytes) {
        c.message = kMsgSpaceNotEnough;
        return c;
    }
    if (itemCount >= maxItems) {
        c.message = kMsgExceedMaxItems;
        return c;
    }
    c.verdict = ImportCheck::Verdict::Accepted;
    c.pending.entry.kind = static_cast<std::uint8_t>(ResourceKind::Wave);
    c.pending.entry.length = static_cast<std::uint32_t>(*length);
    c.pending.sourcePath = path;
    char text[64];
    std::snprintf(text, sizeof text, kFormatLoadingWave, static_cast<int>(*length));
    c.message = text;

    // The content is taken as it is; a file that is no sound is only named as such.
    FileIo& io = defaultFileIo();
    std::string why;
    const int fd = openRegularFile(io, path, O_RDONLY, why);
    const std::string problem = fd < 0 ? "it could not be read again: " + why
                                       : waveContentProblem(*length, [&](std::uint64_t at, void* to, std::size_t n) {
                                             return readFully(io, fd, to, n, at) == 0;
                                         });
    if (fd >= 0)
        io.close(fd);
    if (!problem.empty())
        c.warning = std::string(kWarningPrefix) + quotedPath(path) + " is not a complete WAVE sound: " + problem
            + "; it is stored as it is all the same";
    return c;
}

} // namespace zarn
