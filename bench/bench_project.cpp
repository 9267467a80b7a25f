// zarnres build of a manifest of 100 pictures (320 x 240 PNG) and 4 font
// libraries into a 16 MiB file, against zarnres new plus one zarnres add per
// item on the same sources (goal: at most 0.5); and of 400 small pictures
// (16 x 16 PNG) into a 16 MiB file, against zarnres new of that file plus
// reading the 400 files (goal: at most 3). Both run the real program.
//
// Usage: bench_project [--zarnres PATH]   (default: the zarnres of this build)
#include <QColor>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

double secondsOf(const std::vector<std::string>& commands)
{
    const auto t0 = std::chrono::steady_clock::now();
    for (const auto& c : commands)
        if (std::system(c.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", c.c_str());
            std::exit(1);
        }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The best of five runs of `f`.
template <typename F> double bestOf(F&& f)
{
    double best = 1e30;
    for (int i = 0; i < 5; ++i)
        best = std::min(best, f());
    return best;
}

// 400 pictures of 16 x 16 pixels built into a 16 MiB file, against new plus reading the sources.
void smallPictures(const fs::path& dir, const std::string& zarnres)
{
    fs::create_directories(dir / "small");
    std::string manifest = "model = 12\nmemory = \"32M\"\n";
    std::vector<fs::path> sources;
    for (int i = 0; i < 400; ++i) {
        QImage image(16, 16, QImage::Format_RGB888);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                image.setPixel(x, y, qRgb((x * 16 + i) & 255, (y * 16 + 3 * i) & 255, (x ^ y ^ i) & 255));
        const std::string name = "s" + std::to_string(i) + ".png";
        image.save(QString::fromStdString((dir / "small" / name).string()));
        sources.push_back(dir / "small" / name);
        manifest += "[[item]]\npicture = \"small/" + name + "\"\n";
    }
    std::ofstream(dir / "small.toml") << manifest;
    const double created = bestOf([&] {
        return secondsOf({ zarnres + " new " + (dir / "blank.zrf").string() + " --model 12 --size 32M >/dev/null" });
    });
    const double read = bestOf([&] {
        const auto t0 = std::chrono::steady_clock::now();
        std::size_t bytes = 0;
        for (const fs::path& p : sources) {
            std::ifstream in(p, std::ios::binary);
            bytes += std::string(std::istreambuf_iterator<char>(in), {}).size();
        }
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        return bytes > 0 ? s : 1e30;
    });
    const double built
        = bestOf([&] { return secondsOf({ zarnres + " build " + (dir / "small.toml").string() + " >/dev/null" }); });
    std::printf("new 16 MiB + reading 400 files: 1.00 (%.3f s + %.3f s)\nbuild of 400 16x16 pictures:    %.2f (%.3f s; "
                "goal <= 3.00)\n",
        created, read, built / (created + read), built);
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path dir = fs::temp_directory_path() / "zarn-bench-project";
    fs::remove_all(dir);
    fs::create_directories(dir / "src");
    std::string zarnres = ZARNRES_PATH;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--zarnres") == 0)
            zarnres = argv[i + 1];
    std::string manifest = "model = 12\nmemory = \"32M\" # 16384 KiB\n";
    std::vector<std::string> adds { zarnres + " new " + (dir / "added.zrf").string()
        + " --model 12 --size 32M >/dev/null" };
    auto item = [&](const std::string& key, const std::string& name) {
        manifest += "[[item]]\n" + key + " = \"src/" + name + "\"\n";
        adds.push_back(
            zarnres + " add " + (dir / "added.zrf").string() + " " + (dir / "src" / name).string() + " >/dev/null");
    };
    for (int i = 0; i < 100; ++i) {
        QImage image(320, 240, QImage::Format_RGB888);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                image.setPixel(x, y, qRgb((x * 7 + i) & 255, (y * 5 + 3 * i) & 255, (x ^ y ^ i) & 255));
        std::string name = "p";
        name.append(std::to_string(i)).append(".png");
        image.save(QString::fromStdString((dir / "src" / name).string()));
        item("picture", name);
    }
    const std::pair<const char*, std::size_t> libraries[] { { "16x16.hzk", 261696 }, { "16x16.big", 447136 },
        { "16x16.kzk", 75200 }, { "8x16.asc", 4096 } };
    for (const auto& [name, size] : libraries) {
        std::ofstream(dir / "src" / name, std::ios::binary) << std::string(size, '\x5A');
        item("font-library", name);
    }
    std::ofstream(dir / "project.toml") << manifest;

    const double baseline = secondsOf(adds);
    const double built = secondsOf({ zarnres + " build " + (dir / "project.toml").string() + " >/dev/null" });
    const bool same
        = secondsOf({ "cmp -s " + (dir / "added.zrf").string() + " " + (dir / "project.zrf").string() }) >= 0;
    std::printf("new + 104 adds: 1.00 (%.2f s)\nbuild:          %.2f (%.2f s)%s\n", baseline, built / baseline, built,
        same ? ", the same bytes" : ", DIFFERENT BYTES");
    smallPictures(dir, zarnres);
    fs::remove_all(dir);
    return 0;
}
