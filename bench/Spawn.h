#pragma once
// Starting the tool's own programs from a benchmark (zarnres, zarn-sim), with
// their standard output in a file, and waiting for a virtual module's link.
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace zarn::bench {

// Starts args[0] with standard output into `out` (standard error too, or to
// nowhere with `quiet`); -1 when it cannot be started.
inline pid_t spawnTo(std::vector<std::string> args, const std::filesystem::path& out, bool quiet = true)
{
    std::vector<char*> av;
    for (auto& a : args)
        av.push_back(a.data());
    av.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (quiet)
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, av[0], &fa, nullptr, av.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

// Waits up to five seconds for `path` (a virtual module's link) to appear.
inline bool waitForPath(const std::filesystem::path& path)
{
    for (int i = 0; i < 500 && !std::filesystem::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return std::filesystem::exists(path);
}

} // namespace zarn::bench
