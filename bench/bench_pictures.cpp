// Large pictures into a module's file: zarnres add of an 8192 x 8192 PNG and of a
// 4000 x 3000 JPEG (quality 90) into a 480 x 272 file, against ffmpeg scaling the
// same file to 480 x 272 RGB565 in the same run. Prints the time ratios (goals:
// PNG at most 0.5, JPEG at most 0.3) and zarnres's peak memory (goal for the PNG:
// at most 64 MiB).
//
// Usage: bench_pictures [--zarnres PATH] [--rounds N] [--keep]
// (default: the zarnres of this build, 3 rounds; --keep leaves the pictures in the folder it names)
#include "Spawn.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Run {
    double wall = 1e30, cpu = 0;
    long peakKiB = 0;
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Runs `args` (output to `out`); the wall time, CPU time and peak resident memory.
Run runOnce(const std::vector<std::string>& args, const fs::path& out)
{
    const auto start = Clock::now();
    const pid_t pid = zarn::bench::spawnTo(args, out, false);
    if (pid < 0) {
        std::fprintf(stderr, "bench_pictures: cannot start %s\n", args[0].c_str());
        std::exit(1);
    }
    int status = 0;
    rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    Run r;
    r.wall = std::chrono::duration<double>(Clock::now() - start).count();
    r.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    r.peakKiB = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_pictures: %s failed (see %s)\n", args[0].c_str(), out.c_str());
        std::exit(1);
    }
    return r;
}

// The best wall and CPU times of `rounds` runs and the highest peak; `before` runs ahead of each (not timed).
Run best(
    int rounds, const std::vector<std::string>& args, const fs::path& out, const std::vector<std::string>& before = {})
{
    Run b;
    for (int i = 0; i < rounds; ++i) {
        if (!before.empty())
            runOnce(before, out);
        const Run r = runOnce(args, out);
        b.cpu = i == 0 ? r.cpu : std::min(b.cpu, r.cpu);
        b.wall = std::min(b.wall, r.wall);
        b.peakKiB = std::max(b.peakKiB, r.peakKiB);
    }
    return b;
}

// A photograph's worth of detail: smooth gradients with noise in the low bits,
// which compresses about as badly as a photograph does.
std::uint8_t channel(std::uint32_t x, std::uint32_t y, int c, std::uint32_t& seed)
{
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    const std::uint32_t smooth = (x * (3 + c) + y * (5 - c) + (x * y >> 12)) >> 4;
    return static_cast<std::uint8_t>(smooth + (seed & 0x1F));
}

void writePng(const fs::path& path, int w, int h)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(w));
    std::uint32_t seed = 2463534242u;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] = channel(x, y, c, seed);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

void writeJpeg(const fs::path& path, int w, int h, int quality)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr err {};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(w));
    std::uint32_t seed = 88172645u;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] = static_cast<std::uint8_t>((channel(x, y, c, seed) & 0xF0) | ((x ^ y) & 0x0F));
        JSAMPROW rows[] = { row.data() };
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(f);
}

void report(const char* what, const Run& tool, const Run& ffmpeg, double timeGoal, long memoryGoalMiB)
{
    std::printf("%s\n", what);
    std::printf(
        "  ffmpeg (baseline): %.3f s wall, %.3f s CPU, peak %ld MiB\n", ffmpeg.wall, ffmpeg.cpu, ffmpeg.peakKiB / 1024);
    std::printf(
        "  zarnres add:       %.3f s wall, %.3f s CPU, peak %ld MiB\n", tool.wall, tool.cpu, tool.peakKiB / 1024);
    // CPU time as well: on a machine that other work shares, wall time says less.
    std::printf("  time ratio zarnres / ffmpeg: %.2f wall, %.2f CPU (goal <= %.2f); memory ratio %.2f",
        tool.wall / ffmpeg.wall, tool.cpu / ffmpeg.cpu, timeGoal,
        static_cast<double>(tool.peakKiB) / static_cast<double>(ffmpeg.peakKiB));
    if (memoryGoalMiB > 0)
        std::printf(" (goal: peak <= %ld MiB)", memoryGoalMiB);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    std::string zarnres = ZARNRES_PATH;
    int rounds = 3;
    bool keep = false;
    for (int i = 1; i < argc; ++i)
        keep = keep || std::strcmp(argv[i], "--keep") == 0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--zarnres") == 0)
            zarnres = argv[i + 1];
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    char tmpl[] = "/tmp/bench-pictures-XXXXXX";
    const fs::path dir = ::mkdtemp(tmpl);
    const fs::path png = dir / "big.png", jpeg = dir / "photo.jpg", file = dir / "screen.zrf", out = dir / "out";
    writePng(png, 8192, 8192);
    writeJpeg(jpeg, 4000, 3000, 90);
    std::printf("%s: %.1f MB; %s: %.1f MB\n", png.filename().c_str(), static_cast<double>(fs::file_size(png)) / 1e6,
        jpeg.filename().c_str(), static_cast<double>(fs::file_size(jpeg)) / 1e6);

    // Model row 10: a 480 x 272 screen.
    const std::vector<std::string> create { zarnres, "new", file.string(), "--model", "10" };
    auto ffmpegOf = [&](const fs::path& in) {
        return std::vector<std::string> { "/usr/bin/ffmpeg", "-v", "error", "-nostdin", "-i", in.string(), "-vf",
            "scale=480:272", "-pix_fmt", "rgb565le", "-f", "rawvideo", "-y", (dir / "out.raw").string() };
    };
    const Run pngTool = best(rounds, { zarnres, "add", file.string(), png.string() }, out, create);
    const Run pngFfmpeg = best(rounds, ffmpegOf(png), out);
    report("8192 x 8192 PNG into a 480 x 272 file", pngTool, pngFfmpeg, 0.5, 64);
    const Run jpegTool = best(rounds, { zarnres, "add", file.string(), jpeg.string() }, out, create);
    const Run jpegFfmpeg = best(rounds, ffmpegOf(jpeg), out);
    report("4000 x 3000 JPEG (quality 90) into a 480 x 272 file", jpegTool, jpegFfmpeg, 0.3, 0);
    if (keep)
        std::printf("The pictures are in %s\n", dir.c_str());
    else
        fs::remove_all(dir);
    return 0;
}
