#pragma once
// The road of "Load BMP" (load, fit, convert) for the picture tests, and the
// tables of pictures under tests/data/import: damaged/ (what each refusal says)
// and worked/ (reports and bytes worked out by hand).
#include "import/LoadedPicture.h"
#include "support/Files.h"

#include <cctype>
#include <fstream>
#include <functional>
#include <sstream>

namespace zarn::test {

inline const std::filesystem::path kFormsDir = kDataDir / "import" / "forms";
inline const std::filesystem::path kDamagedDir = kDataDir / "import" / "damaged";
inline const std::filesystem::path kWorkedDir = kDataDir / "import" / "worked";

inline std::uint16_t le16(const Bytes& d, std::size_t o)
{
    return static_cast<std::uint16_t>(d.at(o) | (d.at(o + 1) << 8));
}

// What "Load BMP" leaves: the picture's figures and the converted data.
struct Converted {
    bool ok = false;
    std::string message;
    int bitCount = 0, kind = 0, width = 0, height = 0, size = 0;
    std::string report;
    Bytes data; // palette, then rows: the staging file's bytes
};

using Loader = std::function<LoadedPicture::Outcome(LoadedPicture&)>;

inline Converted convertWith(const Loader& load, int boxW = 320, int boxH = 240, bool dither = false)
{
    LoadedPicture pic;
    pic.setScreenBox(boxW, boxH);
    pic.setDither(dither);
    const auto loaded = load(pic);
    const Bytes data = loaded.ok ? pic.convertBitmap() : Bytes {}; // refused: the figures of no picture
    return { !data.empty(), loaded.message, pic.bitCount(), pic.format(), pic.width(), pic.height(), pic.size(),
        pic.loadReportText(), data };
}
inline Loader fromFile(const std::filesystem::path& path)
{
    return [path](LoadedPicture& p) {
        p.setFileName(path.string());
        return p.loadBmpFile();
    };
}
inline Converted convertBmp(const std::string& formsFile, int boxW = 320, int boxH = 240, bool dither = false)
{
    return convertWith(fromFile(kFormsDir / formsFile), boxW, boxH, dither);
}

// The lines of a table file: fields apart by '|', trimmed; lines starting with '#' are comments.
inline std::vector<std::vector<std::string>> tableOf(const std::filesystem::path& file)
{
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#')
            continue;
        rows.emplace_back();
        for (std::istringstream fields(line); std::getline(fields >> std::ws, line, '|');)
            rows.back().push_back(line.substr(0, line.find_last_not_of(' ') + 1));
    }
    return rows;
}
inline Bytes fromHex(std::string text)
{
    std::erase_if(text, [](unsigned char c) { return !std::isxdigit(c); });
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return out;
}

} // namespace zarn::test
