// The virtual module, run as a subprocess and spoken to through its link with
// plain termios, as a PC would.
#include "support/Files.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace zarn;
using namespace zarn::test;

namespace {

Bytes hex(std::string text)
{
    std::erase(text, ' ');
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(std::uint8_t(std::stoi(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

bool hasLink(const fs::path& p) { return fs::is_symlink(fs::symlink_status(p)); }

} // namespace

// What a PC sent (tests/data/sim, see its README): what the module answers
// before it hangs up, how long its answers take at least, its exit status and
// what its summary says.
TEST(Sim, ReplaysRecordedInputs)
{
    struct Replay {
        const char* input;
        std::vector<std::string> args;
        const char* replies;
        std::chrono::milliseconds takesAtLeast;
        int status;
        std::vector<const char*> summary;
    };
    const char* const kIdentification
        = "552500 0C000000 00000000 64090000 00000000 00000000 00004000 00000000 00000000 00000000 B9AA";
    const Replay replays[] = {
        { "identify.bin", {}, kIdentification, 0ms, 0, {} },
        { "identify.bin", { "--model", "5008", "--firmware", "3", "--memory", "16M" },
            "552500 03000000 00000000 90130000 00000000 00000000 0000C000 00000000 00000000 00000000 66AA", 0ms, 0,
            {} },
        { "identify.bin", { "--stall-reply", "300" }, kIdentification, 300ms, 0, {} },
        { "identify.bin", { "--baud", "9600" }, kIdentification, 54ms, 0, {} }, // 54 bytes of 10 bits
        { "noise.bin", {}, "55011010AA", 0ms, 16 | 8, { "1 malformed frame(s), 1 frame(s) with an unknown command" } },
        { "checksum.bin", {}, "55011010AA 55011212AA 55011212AA", 0ms, 1,
            { "checksum errors: 2", "image: 64 of 64 bytes (complete)" } },
        { "oversize.bin", { "--memory", "4096" }, "", 0ms, 2 | 4,
            { "larger than the memory (last: 8192 bytes > 4096 bytes)" } },
        { "restart.bin", { "--memory", "4096" }, "55011010AA 55011010AA 55011212AA 55011212AA", 0ms, 4 | 8,
            { "2 data block(s) beyond", "restarted before completion (last: 0 of 4096 bytes)",
                "image: 40 of 40 bytes (complete)" } },
        { "incomplete.bin", { "--save", "@DIR@/saved.bin" }, "55011010AA 55011212AA", 0ms, 8,
            { "summary (idle timeout)", "transfer incomplete: 32 of 4096 bytes received", "saved.bin (32 bytes)" } },
        { "program64.bin", { "--drop-ack", "2" }, "55011010AA 55011212AA", 0ms, 0,
            { "acknowledgements dropped: 1", "64 of 64 bytes" } },
        { "program64.bin", { "--wrong-ack-code" }, "55011111AA 55011313AA 55011313AA", 0ms, 0, {} },
        { "program64.bin", { "--wrong-ack-code=2" }, "55011010AA 55011313AA 55011212AA", 0ms, 0, {} },
        { "program64.bin", { "--garbage-before-reply" }, "A55AFF0055011010AA A55AFF0055011212AA A55AFF0055011212AA",
            0ms, 0, {} },
        { "program64.bin", { "--split-reply=40" }, "55011010AA 55011212AA 55011212AA", 240ms, 0,
            {} }, // two pauses a reply
        { "program64.bin", { "--hangup-after", "2" }, "55011010AA 55011212AA", 0ms, 8,
            { "summary (hung up after 2 frame(s))" } },
    };
    for (const Replay& r : replays) {
        SCOPED_TRACE(r.input + (r.args.empty() ? "" : " " + r.args[0]));
        auto args = r.args;
        args.insert(args.end(), { "--idle-timeout", "0.6" });
        SimProcess sim(args);
        ASSERT_TRUE(sim.open());
        const Bytes expected = hex(r.replies);
        const auto sent = SimClock::now();
        sim.send(readBytes(kDataDir / "sim" / r.input));
        EXPECT_EQ(sim.read(expected.size(), 5000), expected);
        EXPECT_GE(SimClock::now() - sent, r.takesAtLeast);
        EXPECT_EQ(sim.read(4096, 5000), Bytes {}) << "more than expected, before it hung up";
        EXPECT_TRUE(sim.hungUp());
        EXPECT_EQ(sim.finish(), r.status) << sim.out();
        EXPECT_FALSE(hasLink(sim.link()));
        for (const char* line : r.summary)
            EXPECT_NE(sim.out().find(line), std::string::npos) << line << "\n" << sim.out();
    }
}

TEST(Sim, EndsOnASignalAndRemovesItsLink)
{
    SimProcess sim({ "--idle-timeout", "0" });
    ASSERT_TRUE(sim.open());
    EXPECT_TRUE(hasLink(sim.link()));
    ::kill(sim.pid(), SIGTERM);
    EXPECT_EQ(sim.finish(3000ms), 0) << sim.out();
    EXPECT_NE(sim.out().find("stopped by signal"), std::string::npos) << sim.out();
    EXPECT_FALSE(hasLink(sim.link()));
}

TEST(Sim, UsageErrorsExit64WithAMessage)
{
    for (auto args : std::vector<std::vector<std::string>> { { "--memory", "3M" }, { "--memory", "4294967296" },
             { "--drop-ack", "0" }, { "--frobnicate" }, { "--baud" }, { "--port", "0" }, { "--once=1" },
             { "--split-reply=10001" } }) {
        SimProcess sim(args);
        testing::internal::CaptureStderr(); // the child writes to our standard error
        sim.start();
        EXPECT_EQ(sim.finish(3000ms), 64) << args[0];
        // One line that names the option, then the hint to --help.
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(args[0].substr(0, args[0].find('='))), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    }
}
