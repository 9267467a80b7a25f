#pragma once
// Runs a program (zarnres, for the command line's tests) as a subprocess and
// collects its exit status and output.
#include "support/Files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zarn::test {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string shellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// Runs `program args...` through the shell with standard input closed.
inline RunResult runProgram(
    const std::string& program, const std::vector<std::string>& args, const std::string& env = {})
{
    char tmpl[] = "/tmp/zarn-run-XXXXXX";
    const std::filesystem::path dir = mkdtemp(tmpl);
    std::string cmd = env.empty() ? std::string() : env + " ";
    cmd += shellQuote(program);
    for (const auto& a : args)
        cmd.append(" ").append(shellQuote(a));
    cmd.append(" </dev/null >").append(shellQuote((dir / "out").string()));
    cmd.append(" 2>").append(shellQuote((dir / "err").string()));
    const int raw = std::system(cmd.c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    r.out = readText(dir / "out");
    r.err = readText(dir / "err");
    std::filesystem::remove_all(dir);
    return r;
}

inline RunResult runZarnres(const std::vector<std::string>& args, const std::string& env = {})
{
    return runProgram(ZARNRES_PATH, args, env);
}

} // namespace zarn::test
