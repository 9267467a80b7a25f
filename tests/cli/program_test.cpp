// zarnres program and detect end to end, against the virtual module on a
// pseudo-terminal, or against a real module when ZARN_TEST_REAL_PORT names a
// port number or a device path.
#include "CliRunner.h"
#include "support/SimProcess.h"
#include "resfile/ResourceStore.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace zarn;
using namespace zarn::test;

namespace {

std::optional<std::string> realPort()
{
    const char* v = std::getenv("ZARN_TEST_REAL_PORT");
    return v && *v ? std::optional<std::string>(v) : std::nullopt;
}

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

    // The virtual module on the test's port, saving what it receives; it has started.
    std::unique_ptr<SimProcess> sim(std::vector<std::string> options)
    {
        options.insert(options.begin(), { "--idle-timeout", "20", "--save", (m_dir / "received.bin").string() });
        auto s = std::make_unique<SimProcess>(options, m_port, m_dir);
        EXPECT_TRUE(s->ready()) << s->out();
        return s;
    }
    std::string received() const { return slurp(m_dir / "received.bin"); }

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
            for (auto& b : data)
                b = std::uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
            ResourceEntry e;
            e.kind = std::uint8_t(ResourceKind::Wave);
            e.length = size;
            const auto r = store.insertItemData(store.itemCount, e, data);
            EXPECT_TRUE(r.ok) << r.message << " " << r.detail;
        }
        return slurp(path).substr(0, store.usedEnd());
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
        const auto real = realPort();
        return { real && (*real)[0] == '/' ? "--device" : "--port", real ? *real : std::to_string(m_port) };
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
    std::unique_ptr<SimProcess> module;
    if (realPort()) {
        // Learn what the real module is, and make the file for it.
        const auto d = zarnres({ "detect", portArgs()[0], portArgs()[1] });
        ASSERT_EQ(d.status, 0) << d.err;
        const auto type = d.out.find("Zarn"), mem = d.out.find("Memory: ");
        ASSERT_NE(type, std::string::npos);
        ASSERT_NE(mem, std::string::npos);
        const auto v = d.out.find(" V", type);
        model = static_cast<std::uint16_t>(std::stoi(d.out.substr(type + 4)) * 100 + std::stoi(d.out.substr(v + 2)));
        memoryKiB = static_cast<std::uint32_t>(std::stoull(d.out.substr(mem + 8)) / 1024);
    } else {
        module = sim({ "--once" });
    }
    const fs::path file = m_dir / "a.zrf";
    const std::string expected = makeFile(file, model, memoryKiB, { 5000, 3000, 40000 });
    ASSERT_EQ(expected.size() % 4096, 0u);
    const auto r = zarnres({ "program", file.string(), portArgs()[0], portArgs()[1] });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Send Over!!"), std::string::npos) << r.out;
    // Not a terminal: plain progress lines, the last one complete.
    const std::string size = std::to_string(expected.size());
    EXPECT_NE(r.err.find("Programming: " + size + " of " + size + " bytes (100%)"), std::string::npos) << r.err;
    if (module) {
        EXPECT_EQ(module->finish(), 0) << module->out();
        EXPECT_NE(module->out().find("problems: none"), std::string::npos) << module->out();
        EXPECT_EQ(received().size(), expected.size());
        EXPECT_TRUE(received() == expected) << "the module received other bytes than the file's used part";
    }
}

TEST_F(Program, DetectShowsTheIdentificationAndPortsTheLinks)
{
    skipOnRealModule();
    auto module = sim({ "--model", "5008", "--firmware", "7", "--memory", "8M" });
    const auto r = zarnres({ "detect", "--port", std::to_string(m_port) });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Module connection...\nModule Type:Zarn50 V8\nFirmware version:Ver7\nMemory: 8388608 bytes\n");
    // The same module named by its device.
    const auto d = zarnres({ "detect", "--device", module->link().string() });
    EXPECT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(d.out, r.out);

    fs::create_symlink("/nonexistent/ttyGone", m_dir / "ports" / "COM16");
    const auto p = zarnres({ "ports" });
    EXPECT_EQ(p.status, 0) << p.err;
    char line[64];
    std::snprintf(line, sizeof line, "COM%-3d listed     ", m_port);
    EXPECT_NE(p.out.find(std::string(line) + module->link().string() + " -> /dev/pts/"), std::string::npos) << p.out;
    EXPECT_NE(p.out.find("COM16  not listed " + (m_dir / "ports" / "COM16").string() + " -> (missing)"), std::string::npos) << p.out;
    // A port folder that cannot be listed is the listing failing, not an empty list.
    std::ofstream(m_dir / "file") << "x";
    const auto bad = runZarnres({ "ports" }, "ZARN_PORT_DIR=" + shellQuote((m_dir / "file").string()) + " timeout 20");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("cannot be read"), std::string::npos) << bad.err;
}

TEST_F(Program, FileThatDoesNotFitTheModuleIsRefusedBeforeAnythingIsSent)
{
    skipOnRealModule();
    auto module = sim({ "--model", "2404", "--memory", "4M" });
    struct Case {
        std::uint16_t model;
        std::uint32_t memoryKiB;
        std::vector<std::uint32_t> items;
        const char* message;
    };
    for (const Case& c : { Case { 2804, 4096, { 100 }, "Resource file version does not match the module hardware\n" },
             Case { 2401, 8192, { 100 }, "Resource file version does not match the module hardware\n" }, // same size class
             Case { 2404, 4096, {}, "Items not available in the resource file\n" } }) {
        const fs::path file = m_dir / (std::to_string(c.model) + ".zrf");
        makeFile(file, c.model, c.memoryKiB, c.items);
        const auto r = zarnres({ "program", file.string(), "--port", std::to_string(m_port) });
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.message);
    }
    module->finish(0ms);
    EXPECT_NE(module->out().find("start 0"), std::string::npos) << module->out();
}

TEST_F(Program, NoModuleOrABadFile)
{
    skipOnRealModule();
    const fs::path file = m_dir / "a.zrf", junk = m_dir / "junk.zrf";
    makeFile(file, 2404, 4096, { 100 });
    const std::string port = std::to_string(m_port);
    const auto r = zarnres({ "program", file.string(), "--port", port, "--timeout", "1" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("No module connection!!\n", 0), 0u) << r.err;
    const auto d = zarnres({ "detect", "--port", port, "--timeout", "1" });
    EXPECT_EQ(d.status, 1);
    EXPECT_NE(d.err.find("No module connection"), std::string::npos) << d.err;

    std::ofstream(junk) << "not a resource file";
    const auto j = zarnres({ "program", junk.string(), "--port", port, "--timeout", "1" });
    EXPECT_EQ(j.status, 1);
    EXPECT_FALSE(j.err.empty());
    EXPECT_EQ(zarnres({ "program", junk.string() }).status, 2); // no port: usage
}

struct FaultCase {
    const char* name;
    std::vector<std::string> simOptions;
    int status;
    const char* firstLine;
    const char* alsoOnStderr = ""; // e.g. the channel's own report
    std::uint32_t itemBytes = 9000;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class ProgramFault : public Program, public ::testing::WithParamInterface<FaultCase> { };

TEST_P(ProgramFault, EndsWithItsMessageInBoundedTime)
{
    skipOnRealModule();
    const FaultCase& c = GetParam();
    auto module = sim(c.simOptions);
    const fs::path file = m_dir / "a.zrf";
    const std::string expected = makeFile(file, 2404, 4096, { c.itemBytes });
    const auto start = std::chrono::steady_clock::now();
    const auto r = zarnres({ "program", file.string(), "--port", std::to_string(m_port), "--timeout", "2" }, 30);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.status == 0) {
        EXPECT_NE(r.out.find("Send Over!!"), std::string::npos);
    } else {
        EXPECT_NE(r.err.find(std::string(c.firstLine) + "\n"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.alsoOnStderr), std::string::npos) << r.err;
    }
    module->finish(200ms);
    if (c.status == 0) {
        EXPECT_TRUE(received() == expected);
    }
}

const char* const kStopped = "Programming failed: the module stopped answering";

INSTANTIATE_TEST_SUITE_P(Faults, ProgramFault,
    ::testing::Values(FaultCase { "DroppedAck", { "--drop-ack", "5" }, 1, kStopped },
        FaultCase { "DroppedStartAck", { "--drop-ack", "1" }, 1, kStopped },
        FaultCase { "WrongAckCode", { "--wrong-ack-code=3" }, 1, kStopped },
        // The hang-up is noticed at once, not by the three-second watchdog.
        FaultCase { "Hangup", { "--hangup-after", "20" }, 1, kStopped,
            "WARNING:  GetOverlappedResults() in ReadFile() Failed with the following error: \n"
            "The device was disconnected or the line hung up.\nPort: " },
        FaultCase { "SplitReply", { "--split-reply=3", "--once" }, 0, "", "", 3000 },
        // Detection has no reply-wait, so the stalled identification still arrives;
        // during programming 50 ms of silence drops the acknowledgement's first half.
        FaultCase { "StalledReply", { "--stall-reply", "120" }, 1, kStopped },
        // Without a start byte at offset 0 the reply is never taken for a frame.
        FaultCase { "GarbageBeforeReply", { "--garbage-before-reply" }, 1, "Open the module communication port error!!" },
        FaultCase { "Paced", { "--baud", "115200", "--once" }, 0, "", "", 3000 }),
    [](const auto& info) { return std::string(info.param.name); });

// The progress display is a few pure functions; compiled in here, as zarnres
// itself is no library.


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
    auto output = [](bool terminal, const std::vector<std::uint64_t>& updates) {
        std::FILE* f = std::tmpfile();
        {
            Progress p(f, terminal, 4096, terminal ? 2.0 : 60.0);
            for (auto done : updates)
                p.update(done);
            p.finish(4096);
        }
        std::rewind(f);
        std::string text(8192, '\0');
        text.resize(std::fread(text.data(), 1, text.size(), f));
        std::fclose(f);
        return text;
    };
    std::vector<std::uint64_t> steps;
    for (std::uint64_t done = 0; done <= 4096; done += 32)
        steps.push_back(done);
    std::string text = output(false, steps);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text; // the first and the last
    EXPECT_EQ(text.rfind("Programming: 0 of 4096 bytes (0%)", 0), 0u) << text;
    EXPECT_NE(text.find("Programming: 4096 of 4096 bytes (100%)"), std::string::npos) << text;

    text = output(true, { 2048 });
    EXPECT_NE(text.find("\r[###############---------------] 2048 of 4096 bytes (50%)"), std::string::npos) << text;
    EXPECT_NE(text.find("\r[##############################] 4096 of 4096 bytes (100%)"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
}
