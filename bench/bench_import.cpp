// Loading, fitting and converting a 4000 x 3000 true-colour BMP to a 320 x 240
// screen, against just reading the same file (goal: at most 2x).
#include "import/LoadedPicture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 4000, kHeight = 3000, kRounds = 7;

void makeBmp(const std::string& path)
{
    const std::uint32_t stride = (kWidth * 3 + 3) & ~3u;
    const std::uint32_t size = 54 + stride * kHeight;
    std::vector<std::uint8_t> b(size, 0);
    auto put32 = [&](std::size_t o, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[o + i] = (v >> (8 * i)) & 0xFF;
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, kWidth);
    put32(22, kHeight);
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = &b[54 + static_cast<std::size_t>(y) * stride + 3 * x];
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x ^ y);
        }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

template <typename F> double bestSeconds(F&& f)
{
    double best = 1e30;
    for (int i = 0; i < kRounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return best;
}

} // namespace

int main()
{
    const std::string dir = "/tmp/zarn-bench-import-" + std::to_string(::getpid());
    ::mkdir(dir.c_str(), 0700);
    const std::string bmp = dir + "/big.bmp", staging = dir + "/ttt.tmp";
    makeBmp(bmp);

    volatile std::size_t sink = 0;
    const double readOnly = bestSeconds([&] {
        std::ifstream in(bmp, std::ios::binary | std::ios::ate);
        std::vector<char> data(static_cast<std::size_t>(in.tellg()));
        in.seekg(0);
        in.read(data.data(), static_cast<std::streamsize>(data.size()));
        sink = sink + static_cast<std::size_t>(data[data.size() / 2]);
    });
    bool ok = true;
    const double convert = bestSeconds([&] {
        zarn::LoadedPicture pic;
        pic.setScreenBox(320, 240);
        pic.setKeepSource(false); // converted as zarnres add converts, nothing kept to draw
        pic.setFileName(bmp);
        ok = ok && pic.loadBmpFile().ok && pic.convertBitmap(staging).ok && pic.width() == 320 && pic.height() == 240;
    });
    std::printf("read %dx%d 24-bit BMP (baseline): %.1f ms\n", kWidth, kHeight, readOnly * 1e3);
    std::printf("load + fit + convert to 320x240:     %.1f ms\n", convert * 1e3);
    std::printf("ratio load+fit+convert / read: %.2f (goal <= 2.00)%s\n", convert / readOnly,
        ok ? "" : "  [conversion FAILED]");
    std::remove(bmp.c_str());
    std::remove(staging.c_str());
    ::rmdir(dir.c_str());
    return ok ? 0 : 1;
}
