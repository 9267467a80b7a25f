// Programming several modules in one run: zarnres program on eight virtual
// modules paced at 115200 baud each, against one module alone with the same
// image. Prints the ratio of the two wall times (goal: at most 1.10) and the
// tool's CPU time per module per MiB. Then the tool's peak memory with a 4 MiB
// image on eight unpaced modules against one (goal: within 10 MiB, the image
// being shared by the ports).
//
// Usage: bench_stations [--kib N]   (default 256)
#include "Spawn.h"
#include "resfile/ResourceStore.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Result {
    double wall = 0, cpu = 0, simCpu = 0;
    long peakKiB = 0; // zarnres's largest resident size
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// The modules on COM3 ... COM(2 + modules), one zarn-sim for them all, and one zarnres program run.
Result run(const fs::path& dir, const std::string& file, int modules, bool paced = true,
    std::vector<std::string> simOptions = {})
{
    const std::string ports = "3-" + std::to_string(2 + modules);
    std::vector<std::string> simArgs { ZARN_SIM_PATH, "--port", ports, "--once", "--idle-timeout", "60" };
    if (paced)
        simArgs.insert(simArgs.end(), { "--baud", "115200" });
    simArgs.insert(simArgs.end(), simOptions.begin(), simOptions.end());
    const pid_t sim = zarn::bench::spawnTo(simArgs, dir / "sim.out");
    zarn::bench::waitForPath(dir / ("COM" + std::to_string(2 + modules)));
    const auto start = Clock::now();
    const pid_t tool = zarn::bench::spawnTo({ ZARNRES_PATH, "program", file, "--port", ports }, dir / "out");
    if (sim < 0 || tool < 0) {
        std::fprintf(stderr, "bench_stations: cannot start %s or %s\n", ZARN_SIM_PATH, ZARNRES_PATH);
        std::exit(1);
    }
    int status = 0;
    rusage usage {};
    ::wait4(tool, &status, 0, &usage);
    Result r;
    r.wall = std::chrono::duration<double>(Clock::now() - start).count();
    r.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    r.peakKiB = usage.ru_maxrss;
    rusage simUsage {};
    int simStatus = 0;
    ::wait4(sim, &simStatus, 0, &simUsage);
    r.simCpu = seconds(simUsage.ru_utime) + seconds(simUsage.ru_stime);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !WIFEXITED(simStatus) || WEXITSTATUS(simStatus) != 0) {
        std::fprintf(
            stderr, "bench_stations: the run on %d module(s) did not end well (see %s)\n", modules, dir.c_str());
        std::exit(1);
    }
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    std::uint32_t kib = 256;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--kib") == 0)
            kib = static_cast<std::uint32_t>(std::max(8, std::atoi(argv[i + 1])));
    char tmpl[] = "/tmp/bench-stations-XXXXXX";
    const fs::path dir = ::mkdtemp(tmpl);
    ::setenv("ZARN_PORT_DIR", dir.c_str(), 1);
    const std::string file = (dir / "image.zrf").string();
    // One item that fills the image up to `kib` KiB (the first block is the directory's).
    const std::uint32_t length = (kib - 4) * 1024;
    zarn::ResourceStore store;
    std::vector<std::uint8_t> data(length);
    for (std::uint32_t i = 0; i < length; ++i)
        data[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
    if (!zarn::createResourceFile(file, 2404, 320, 240, 4096).ok || !store.openResourceFile(file).ok
        || !store.insertItemData(0, { .length = length, .kind = 245 }, data).ok) {
        std::fprintf(stderr, "bench_stations: cannot make %s\n", file.c_str());
        return 1;
    }
    store.release();
    const double mib = kib / 1024.0;

    const Result one = run(dir, file, 1);
    std::printf(
        "1 module:  %u KiB in %.2f s, zarnres CPU %.3f s, zarn-sim CPU %.3f s\n", kib, one.wall, one.cpu, one.simCpu);
    const Result eight = run(dir, file, 8);
    std::printf("8 modules: %u KiB each in %.2f s, zarnres CPU %.3f s, zarn-sim CPU %.3f s\n", kib, eight.wall,
        eight.cpu, eight.simCpu);
    std::printf("wall time, 8 modules / 1 module: %.3f (goal <= 1.10)\n", eight.wall / one.wall);
    std::printf("zarnres CPU per module per MiB: %.3f s with 8 modules, %.3f s alone; ratio %.2f\n",
        eight.cpu / 8 / mib, one.cpu / mib, (eight.cpu / 8) / one.cpu);

    // Peak memory: a 4 MiB image (an 8M file of a 3504 module) on 8 ports and on 1, unpaced.
    const std::string big = (dir / "big.zrf").string();
    const std::uint32_t bigLength = 4u * 1024 * 1024 - 4096;
    std::vector<std::uint8_t> bigData(bigLength);
    for (std::uint32_t i = 0; i < bigLength; ++i)
        bigData[i] = static_cast<std::uint8_t>(i * 7 + (i >> 11));
    zarn::ResourceStore bigStore;
    if (!zarn::createResourceFile(big, 3504, 320, 240, 8192).ok || !bigStore.openResourceFile(big).ok
        || !bigStore.insertItemData(0, { .length = bigLength, .kind = 245 }, bigData).ok) {
        std::fprintf(stderr, "bench_stations: cannot make %s\n", big.c_str());
        return 1;
    }
    bigStore.release();
    const std::vector<std::string> module { "--model", "3504", "--memory", "8M" };
    const Result alone = run(dir, big, 1, false, module);
    const Result all = run(dir, big, 8, false, module);
    std::printf("peak memory with a 4 MiB image: %.1f MiB on 1 port, %.1f MiB on 8 ports; difference %.1f MiB "
                "(goal <= 10)\n",
        alone.peakKiB / 1024.0, all.peakKiB / 1024.0, (all.peakKiB - alone.peakKiB) / 1024.0);
    fs::remove_all(dir);
    return 0;
}
