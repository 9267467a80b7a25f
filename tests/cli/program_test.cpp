// zarnres program and detect end to end, against the virtual module on a
// pseudo-terminal, or against a real module when ZARN_TEST_REAL_PORT names a
// port number or a device path.
#include "CliRunner.h"
#include "resfile/ResourceStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;
using namespace zarn;
using namespace zarn::test;
using namespace std::chrono_literals;

namespace {

std::optional<std::string> realPort()
{
    const char* v = std::getenv("ZARN_TEST_REAL_PORT");
    if (!v || !*v)
        return std::nullopt;
    return std::string(v);
}

// One zarn-sim process with its own port folder.
class Sim {
public:
    Sim(const fs::path& dir, int port, std::vector<std::string> options)
        : m_dir(dir), m_port(port)
    {
        std::vector<std::string> args { ZARN_SIM_PATH, "--port", std::to_string(port), "--idle-timeout", "20",
            "--save", (dir / "received.bin").string() };
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, (dir / "sim.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (dir / "sim.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::setenv("ZARN_PORT_DIR", (dir / "ports").c_str(), 1);
        if (posix_spawn(&m_pid, ZARN_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Sim()
    {
        if (m_pid > 0 && !m_status) {
            ::kill(m_pid, SIGKILL);
            int st = 0;
            ::waitpid(m_pid, &st, 0);
        }
    }

    bool ready()
    {
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < until) {
            if (slurp(m_dir / "sim.out").find("zarn-sim: COM" + std::to_string(m_port) + " -> ") != std::string::npos)
                return true;
            if (exited())
                return false;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    bool exited()
    {
        if (m_status)
            return true;
        int st = 0;
        if (m_pid > 0 && ::waitpid(m_pid, &st, WNOHANG) == m_pid) {
            m_status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            return true;
        }
        return false;
    }

    // Ends the simulator (politely, then for sure) and returns its exit status.
    int finish(std::chrono::milliseconds grace = 3000ms)
    {
        const auto until = std::chrono::steady_clock::now() + grace;
        while (!exited() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(10ms);
        if (!exited()) {
            ::kill(m_pid, SIGTERM);
            const auto hard = std::chrono::steady_clock::now() + 3s;
            while (!exited() && std::chrono::steady_clock::now() < hard)
                std::this_thread::sleep_for(10ms);
        }
        if (!exited()) {
            ::kill(m_pid, SIGKILL);
            int st = 0;
            ::waitpid(m_pid, &st, 0);
            m_status = 128 + SIGKILL;
        }
        return *m_status;
    }

    std::string summary() const { return slurp(m_dir / "sim.out"); }
    std::string received() const { return slurp(m_dir / "received.bin"); }

private:
    fs::path m_dir;
    int m_port;
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/zarn-program-XXXXXX";
        m_dir = mkdtemp(tmpl);
        fs::create_directories(m_dir / "ports");
        // Each test its own port number, so tests never meet on one link.
        static int next = 0;
        m_port = 3 + (next++ % 13);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A resource file for `modelCode` and `memoryKiB` with items of the given
    // sizes; returns its first usedEnd bytes.
    std::string makeFile(const fs::path& path, std::uint16_t modelCode, std::uint32_t memoryKiB,
                         const std::vector<std::uint32_t>& sizes)
    {
        EXPECT_TRUE(createResourceFile(path.string(), modelCode, 320, 240, memoryKiB).ok);
        ResourceStore store;
        store.path = path.string();
        EXPECT_TRUE(store.openResourceFile().ok);
        std::uint32_t seed = 1;
        for (std::uint32_t size : sizes) {
            std::vector<std::uint8_t> data(size);
            for (auto& b : data) {
                seed = seed * 1103515245u + 12345u;
                b = static_cast<std::uint8_t>(seed >> 16);
            }
            ResourceEntry e;
            e.kind = static_cast<std::uint8_t>(ResourceKind::Wave);
            e.length = size;
            const auto r = store.insertItemData(store.itemCount, e, data);
            EXPECT_TRUE(r.ok) << r.message << " " << r.detail;
        }
        const std::string whole = slurp(path);
        return whole.substr(0, store.usedEnd());
    }

    // Runs zarnres with the test's port folder, never longer than `limitSeconds`.
    RunResult zarnres(std::vector<std::string> args, int limitSeconds = 40)
    {
        const std::string env = "ZARN_PORT_DIR=" + shellQuote((m_dir / "ports").string()) + " timeout -k 5 "
            + std::to_string(limitSeconds);
        return runZarnres(args, env);
    }

    std::vector<std::string> portArgs() const
    {
        if (auto real = realPort()) {
            if (!real->empty() && (*real)[0] == '/')
                return { "--device", *real };
            return { "--port", *real };
        }
        return { "--port", std::to_string(m_port) };
    }

    fs::path m_dir;
    int m_port = 3;
};

void skipOnRealModule()
{
    if (realPort())
        GTEST_SKIP() << "fault modes need the virtual module";
}

} // namespace

TEST_F(Program, ImageReceivedIsTheFilesUsedPart)
{
    std::uint16_t model = 2404;
    std::uint32_t memoryKiB = 4096;
    std::optional<Sim> sim;
    if (realPort()) {
        // Learn what the real module is, and make the file for it.
        const auto d = zarnres({ "detect", portArgs()[0], portArgs()[1] });
        ASSERT_EQ(d.status, 0) << d.err;
        const auto type = d.out.find("Zarn");
        const auto mem = d.out.find("Memory: ");
        ASSERT_NE(type, std::string::npos);
        ASSERT_NE(mem, std::string::npos);
        const auto v = d.out.find(" V", type);
        model = static_cast<std::uint16_t>(std::stoi(d.out.substr(type + 4)) * 100 + std::stoi(d.out.substr(v + 2)));
        memoryKiB = static_cast<std::uint32_t>(std::stoull(d.out.substr(mem + 8)) / 1024);
    } else {
        sim.emplace(m_dir, m_port, std::vector<std::string> { "--once" });
        ASSERT_TRUE(sim->ready()) << slurp(m_dir / "sim.err");
    }
    const fs::path file = m_dir / "a.zrf";
    const std::string expected = makeFile(file, model, memoryKiB, { 5000, 3000, 40000 });
    ASSERT_EQ(expected.size() % 4096, 0u);

    auto args = std::vector<std::string> { "program", file.string() };
    for (auto& a : portArgs())
        args.push_back(a);
    const auto r = zarnres(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Send Over!!"), std::string::npos) << r.out;
    // Not a terminal: plain progress lines, the last one complete.
    EXPECT_NE(r.err.find("Programming: " + std::to_string(expected.size()) + " of " + std::to_string(expected.size())
                  + " bytes (100%)"),
        std::string::npos)
        << r.err;
    if (sim) {
        EXPECT_EQ(sim->finish(), 0) << sim->summary();
        const std::string received = sim->received();
        EXPECT_EQ(received.size(), expected.size());
        EXPECT_TRUE(received == expected) << "the module received other bytes than the file's used part";
    }
}

TEST_F(Program, DetectShowsTheIdentification)
{
    skipOnRealModule();
    Sim sim(m_dir, m_port, { "--model", "5008", "--firmware", "7", "--memory", "8M" });
    ASSERT_TRUE(sim.ready());
    const auto r = zarnres({ "detect", "--port", std::to_string(m_port) });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Module connection...\nModule Type:Zarn50 V8\nFirmware version:Ver7\nMemory: 8388608 bytes\n");
    // The same module named by its device.
    const auto d = zarnres({ "detect", "--device", (m_dir / "ports" / ("COM" + std::to_string(m_port))).string() });
    EXPECT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(d.out, r.out);
}

TEST_F(Program, ModelOrMemoryMismatchIsRefusedBeforeAnythingIsSent)
{
    skipOnRealModule();
    Sim sim(m_dir, m_port, { "--model", "2404", "--memory", "4M" });
    ASSERT_TRUE(sim.ready());
    const fs::path other = m_dir / "other-class.zrf";
    makeFile(other, 2804, 4096, { 100 });
    auto r = zarnres({ "program", other.string(), "--port", std::to_string(m_port) });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Resource file version does not match the module hardware\n");

    const fs::path sameClass = m_dir / "same-class.zrf";
    makeFile(sameClass, 2401, 8192, { 100 });
    r = zarnres({ "program", sameClass.string(), "--port", std::to_string(m_port) });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Resource file version does not match the module hardware\n");

    sim.finish(0ms);
    EXPECT_NE(sim.summary().find("start 0"), std::string::npos) << sim.summary();
}

TEST_F(Program, EmptyFileIsRefused)
{
    skipOnRealModule();
    Sim sim(m_dir, m_port, {});
    ASSERT_TRUE(sim.ready());
    const fs::path file = m_dir / "empty.zrf";
    makeFile(file, 2404, 4096, {});
    const auto r = zarnres({ "program", file.string(), "--port", std::to_string(m_port) });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Items not available in the resource file\n");
}

TEST_F(Program, NoModuleOnThePort)
{
    skipOnRealModule();
    const fs::path file = m_dir / "a.zrf";
    makeFile(file, 2404, 4096, { 100 });
    const auto r = zarnres({ "program", file.string(), "--port", std::to_string(m_port), "--timeout", "1" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("No module connection!!\n", 0), 0u) << r.err;

    const auto d = zarnres({ "detect", "--port", std::to_string(m_port), "--timeout", "1" });
    EXPECT_EQ(d.status, 1);
    EXPECT_NE(d.err.find("No module connection"), std::string::npos) << d.err;
}

TEST_F(Program, BadFileIsRefusedWithTheStoresMessage)
{
    skipOnRealModule();
    const fs::path file = m_dir / "junk.zrf";
    std::ofstream(file) << "not a resource file";
    const auto r = zarnres({ "program", file.string(), "--port", std::to_string(m_port), "--timeout", "1" });
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());
    const auto u = zarnres({ "program", file.string() });
    EXPECT_EQ(u.status, 2) << u.err;
}

struct FaultCase {
    const char* name;
    std::vector<std::string> simOptions;
    int status;
    const char* firstLine;
    bool imageComplete;
    const char* alsoOnStderr = ""; // e.g. the channel's own report
    std::uint32_t itemBytes = 9000;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class ProgramFault : public Program, public ::testing::WithParamInterface<FaultCase> { };

TEST_P(ProgramFault, EndsWithItsMessageInBoundedTime)
{
    skipOnRealModule();
    const FaultCase& c = GetParam();
    Sim sim(m_dir, m_port, c.simOptions);
    ASSERT_TRUE(sim.ready());
    const fs::path file = m_dir / "a.zrf";
    const std::string expected = makeFile(file, 2404, 4096, { c.itemBytes });
    const auto start = std::chrono::steady_clock::now();
    const auto r = zarnres({ "program", file.string(), "--port", std::to_string(m_port), "--timeout", "2" }, 30);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.status == 0) {
        EXPECT_NE(r.out.find("Send Over!!"), std::string::npos);
    } else {
        EXPECT_NE(r.err.find(std::string(c.firstLine) + "\n"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.alsoOnStderr), std::string::npos) << r.err;
    }
    EXPECT_LT(took, 15s);
    sim.finish(200ms);
    if (c.imageComplete) {
        EXPECT_TRUE(sim.received() == expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, ProgramFault,
    ::testing::Values(
        FaultCase { "DroppedAck", { "--drop-ack", "5" }, 1, "Programming failed: the module stopped answering", false },
        FaultCase { "DroppedStartAck", { "--drop-ack", "1" }, 1, "Programming failed: the module stopped answering", false },
        FaultCase { "WrongAckCode", { "--wrong-ack-code=3" }, 1, "Programming failed: the module stopped answering", false },
        // The hang-up is noticed at once, not by the three-second watchdog.
        FaultCase { "Hangup", { "--hangup-after", "20" }, 1, "Programming failed: the module stopped answering", false,
            "WARNING:  GetOverlappedResults() in ReadFile() Failed with the following error: \n"
            "The device was disconnected or the line hung up.\nPort: " },
        FaultCase { "SplitReply", { "--split-reply=3", "--once" }, 0, "", true, "", 3000 },
        // Detection has no reply-wait, so the stalled identification still arrives;
        // during programming 50 ms of silence drops the acknowledgement's first half.
        FaultCase { "StalledReply", { "--stall-reply", "120" }, 1, "Programming failed: the module stopped answering", false },
        // Without a start byte at offset 0 the reply is never taken for a frame.
        FaultCase { "GarbageBeforeReply", { "--garbage-before-reply" }, 1, "Open the module communication port error!!", false },
        FaultCase { "Paced", { "--baud", "115200", "--once" }, 0, "", true, "", 3000 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Program, PortsShowsLinksAndTheirState)
{
    skipOnRealModule();
    Sim sim(m_dir, m_port, {});
    ASSERT_TRUE(sim.ready());
    fs::create_symlink("/nonexistent/ttyGone", m_dir / "ports" / "COM16");
    const auto r = zarnres({ "ports" });
    EXPECT_EQ(r.status, 0) << r.err;
    char line[64];
    std::snprintf(line, sizeof line, "COM%-3d listed     ", m_port);
    EXPECT_NE(r.out.find(line + (m_dir / "ports" / ("COM" + std::to_string(m_port))).string() + " -> /dev/pts/"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("COM16  not listed " + (m_dir / "ports" / "COM16").string() + " -> (missing)"), std::string::npos)
        << r.out;

    // A port folder that cannot be listed is the listing failing, not an empty list.
    const fs::path notFolder = m_dir / "file";
    std::ofstream(notFolder) << "x";
    const auto bad = runZarnres({ "ports" }, "ZARN_PORT_DIR=" + shellQuote(notFolder.string()) + " timeout 20");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("cannot be read"), std::string::npos) << bad.err;
}

// The progress display is a few pure functions; compiled in here, as zarnres
// itself is no library.
#include "cli/Progress.cpp"

TEST(ProgressText, BytesPercentRateAndTimeLeft)
{
    using namespace zarn::cli;
    EXPECT_EQ(progressText(8192, 16384, 2.0), "8192 of 16384 bytes (50%), 4.0 KiB/s, 0:02 left");
    EXPECT_EQ(progressText(0, 16384, 0.0), "0 of 16384 bytes (0%), 0 B/s, --:-- left");
    EXPECT_EQ(progressText(1048576, 1048576, 1.0), "1048576 of 1048576 bytes (100%), 1.0 MiB/s, 0:00 left");
    EXPECT_EQ(formatDuration(65), "1:05");
    EXPECT_EQ(formatDuration(3725), "1:02:05");
    EXPECT_EQ(formatDuration(NAN), "--:--");
    EXPECT_EQ(formatBytes(1023), "1023 B");
}

TEST(ProgressOutput, PlainLinesAreThrottledAndTheBarRedrawsInPlace)
{
    using namespace zarn::cli;
    std::FILE* plain = std::tmpfile();
    ASSERT_TRUE(plain);
    {
        Progress p(plain, false, 4096, 60.0);
        for (std::uint64_t done = 0; done <= 4096; done += 32)
            p.update(done);
        p.finish(4096);
    }
    std::rewind(plain);
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), plain));
    std::fclose(plain);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text; // the first and the last
    EXPECT_EQ(text.rfind("Programming: 0 of 4096 bytes (0%)", 0), 0u) << text;
    EXPECT_NE(text.find("Programming: 4096 of 4096 bytes (100%)"), std::string::npos) << text;

    std::FILE* tty = std::tmpfile();
    ASSERT_TRUE(tty);
    {
        Progress p(tty, true, 4096);
        p.update(2048);
        p.finish(4096);
    }
    std::rewind(tty);
    text.assign(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), tty));
    std::fclose(tty);
    EXPECT_NE(text.find("\r[###############---------------] 2048 of 4096 bytes (50%)"), std::string::npos) << text;
    EXPECT_NE(text.find("\r[##############################] 4096 of 4096 bytes (100%)"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
}
