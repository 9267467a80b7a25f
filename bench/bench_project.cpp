// zarnres build of a manifest of 100 pictures (320 x 240 PNG) and 4 font
// libraries into a 16 MiB file, against zarnres new plus one zarnres add per
// item on the same sources (goal: at most 0.5). Both run the real program.
#include <QColor>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

} // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / "zarn-bench-project";
    fs::remove_all(dir);
    fs::create_directories(dir / "src");
    const std::string zarnres = ZARNRES_PATH;
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
    fs::remove_all(dir);
    return 0;
}
