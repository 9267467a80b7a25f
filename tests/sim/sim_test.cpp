// The virtual module, run as a subprocess and spoken to through its link with
// plain termios, as a PC would.
#include "support/SimProcess.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace zarn;
using namespace zarn::test;
using Sim = SimProcess;

namespace {

const Bytes kIdentify = encodeFrame(CMD_IDENTIFY, Bytes { 'K', 'e', 'l', 'v', 'a', 'r', 'o', 'n' });
const Bytes kAckStart = { 0x55, 0x01, 0x10, 0x10, 0xAA };
const Bytes kAckData = { 0x55, 0x01, 0x12, 0x12, 0xAA };

Bytes start(std::uint32_t size)
{
    return encodeFrame(CMD_PROGRAM_START, Bytes { 0, 0, 0, 0, std::uint8_t(size), std::uint8_t(size >> 8), std::uint8_t(size >> 16), std::uint8_t(size >> 24) });
}
Bytes pattern(std::size_t size, std::size_t from = 0)
{
    Bytes b(size);
    for (std::size_t i = from; i < from + size; ++i)
        b[i - from] = std::uint8_t((i * 31 + i / 256) ^ 0x55);
    return b;
}
Bytes data(std::size_t size, std::size_t from = 0) { return encodeFrame(CMD_PROGRAM_DATA, pattern(size, from)); }

std::uint32_t word(const Bytes& reply, int index)
{
    const std::size_t at = 3 + 4 * std::size_t(index);
    return reply[at] | reply[at + 1] << 8 | reply[at + 2] << 16 | std::uint32_t(reply[at + 3]) << 24;
}
bool hasLink(const fs::path& p) { return fs::is_symlink(fs::symlink_status(p)); }

// Requests and their expected replies (empty: no reply within 250 ms).
void exchange(Sim& sim, const std::vector<std::pair<Bytes, Bytes>>& steps)
{
    for (const auto& [request, reply] : steps)
        EXPECT_EQ(sim.ask(request, reply.empty() ? 1 : reply.size(), reply.empty() ? 250 : 2000), reply);
}

} // namespace

TEST(Sim, IdentificationReplyCarriesModelFirmwareAndMemory)
{
    struct Case {
        std::vector<std::string> args;
        std::uint32_t firmware, model, memory;
    };
    for (const Case& c : { Case { {}, 12, 2404, 4194304 }, Case { { "--model", "5008", "--firmware", "3", "--memory", "32M" }, 3, 5008, 16777216 },
             Case { { "--memory", "16M" }, 12, 2404, 12582912 }, Case { { "--memory", "8M" }, 12, 2404, 8388608 },
             Case { { "--memory", "1000000" }, 12, 2404, 1000000 } }) {
        auto args = c.args;
        args.insert(args.end(), { "--idle-timeout", "0.3" });
        Sim sim(args);
        ASSERT_TRUE(sim.open());
        const Bytes reply = sim.ask(kIdentify, 41);
        ASSERT_EQ(reply.size(), 41u);
        EXPECT_EQ(reply, encodeFrame(0x00, Bytes(reply.begin() + 3, reply.begin() + 39))); // header, checksum, end byte
        EXPECT_EQ(reply[1], 0x25);
        EXPECT_EQ(word(reply, 0), c.firmware);
        EXPECT_EQ(word(reply, 2), c.model);
        EXPECT_EQ(word(reply, 5), c.memory);
        EXPECT_EQ(sim.finish(), 0) << sim.out();
    }
}

// What the module answers to each request (empty: nothing within 250 ms), its exit
// status and the lines of its summary.
TEST(Sim, ReportsProblemsInItsSummaryAndExitStatus)
{
    Bytes badData = data(32), badId = kIdentify;
    badData[35] ^= 0x01;
    badId[11] ^= 0x80;
    struct Case {
        std::vector<std::string> args;
        std::vector<std::pair<Bytes, Bytes>> steps;
        int status; // -1: not checked
        std::vector<const char*> lines;
    };
    const Case cases[] = {
        // Too large a start; data after it has nowhere to go.
        { { "--memory", "4096" }, { { start(8192), {} }, { data(32), {} } }, 2 | 4,
            { "larger than the memory (last: 8192 bytes > 4096 bytes)" } },
        // Exactly the memory, a restart (8: the first one abandoned), data beyond 40 bytes.
        { { "--memory", "4096" },
            { { start(4096), kAckStart }, { start(40), kAckStart }, { data(32), kAckData }, { data(32), {} }, { data(8), kAckData }, { data(1), {} } },
            4 | 8,
            { "2 data block(s) beyond the announced size", "restarted before completion (last: 0 of 4096 bytes)",
                "image: 40 of 40 bytes (complete)" } },
        // Wrong checksums are counted and not acted on: the damaged block is not stored.
        { {}, { { start(64), kAckStart }, { badData, {} }, { badId, {} }, { data(32), kAckData }, { data(32), kAckData } }, 1,
            { "checksum errors: 2", "image: 64 of 64 bytes (complete)" } },
        // The k-th acknowledgement is dropped, the block stored all the same.
        { { "--drop-ack", "2" }, { { start(96), kAckStart }, { data(32), {} }, { data(32), kAckData } }, -1,
            { "acknowledgements dropped: 1", "64 of 96 bytes" } },
        // Wrong acknowledgement codes; the identification stays right.
        { { "--wrong-ack-code" },
            { { start(32), { 0x55, 0x01, 0x11, 0x11, 0xAA } }, { data(32), { 0x55, 0x01, 0x13, 0x13, 0xAA } } }, 0, {} },
        { { "--wrong-ack-code=2" }, { { start(64), kAckStart }, { data(32), { 0x55, 0x01, 0x13, 0x13, 0xAA } }, { data(32), kAckData } }, 0, {} },
        { { "--garbage-before-reply" }, { { start(32), { 0xA5, 0x5A, 0xFF, 0x00, 0x55, 0x01, 0x10, 0x10, 0xAA } } }, -1, {} },
    };
    for (const Case& c : cases) {
        auto args = c.args;
        args.insert(args.end(), { "--idle-timeout", "0.3" });
        Sim sim(args);
        ASSERT_TRUE(sim.open());
        exchange(sim, c.steps);
        if (c.args == std::vector<std::string> { "--wrong-ack-code" }) {
            EXPECT_EQ(sim.ask(kIdentify, 41)[2], 0x00);
        }
        const int status = sim.finish();
        if (c.status >= 0) {
            EXPECT_EQ(status, c.status) << sim.out();
        }
        for (const char* line : c.lines)
            EXPECT_NE(sim.out().find(line), std::string::npos) << sim.out();
    }
}

TEST(Sim, ResynchronisesOnNoiseAndReportsIt)
{
    Sim sim({ "--idle-timeout", "0.5" });
    ASSERT_TRUE(sim.open());
    // Noise, a frame start with a zero length, a stray start with a length that
    // would swallow the real request, then the request itself.
    Bytes noisy = { 0x00, 0xAA, 0x13, 0x55, 0x00, 0x55, 0xFF };
    noisy.insert(noisy.end(), kIdentify.begin(), kIdentify.end());
    const Bytes reply = sim.ask(noisy, 41);
    ASSERT_EQ(reply.size(), 41u);
    EXPECT_EQ(word(reply, 2), 2404u);
    // A frame whose end byte is wrong is skipped; the next one is found.
    Bytes broken = start(32);
    broken.back() = 0x00;
    const Bytes good = start(32);
    broken.insert(broken.end(), good.begin(), good.end());
    // Unknown commands and wrong signatures get no answer.
    exchange(sim, { { broken, kAckStart }, { encodeFrame(0x33, Bytes { 1, 2 }), {} },
                      { encodeFrame(CMD_IDENTIFY, Bytes { 'k', 'e', 'l', 'v', 'a', 'r', 'o', 'n' }), {} } });
    EXPECT_EQ(sim.finish(), 16 | 8) << sim.out(); // 8: 0 of the 32 announced bytes
    EXPECT_NE(sim.out().find("1 malformed frame(s), 1 frame(s) with an unknown command"), std::string::npos) << sim.out();
}

TEST(Sim, SurvivesALongRunOfLineNoise)
{
    Sim sim({ "--idle-timeout", "0.5" });
    ASSERT_TRUE(sim.open());
    Bytes noise(3000);
    std::uint32_t seed = 12345;
    for (auto& b : noise)
        b = std::uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
    // It ends with a stray frame start whose length byte would cover the request.
    noise.insert(noise.end(), { 0x55, 0xF0 });
    for (std::size_t at = 0; at < noise.size(); at += 512)
        sim.send(Bytes(noise.begin() + long(at), noise.begin() + long(std::min(noise.size(), at + 512))));
    const Bytes reply = sim.ask(kIdentify, 41, 3000);
    ASSERT_EQ(reply.size(), 41u);
    EXPECT_EQ(word(reply, 5), 4194304u);
    EXPECT_EQ(sim.finish(), 16) << sim.out();
    EXPECT_NE(sim.out().find("problem: 3002 noise byte(s), 0 malformed frame(s)"), std::string::npos) << sim.out();
}

TEST(Sim, IncompleteTransferAtIdleTimeoutSavesWhatArrived)
{
    Sim sim({ "--idle-timeout", "0.3", "--once", "--save", "@DIR@/partial.bin" });
    ASSERT_TRUE(sim.open());
    exchange(sim, { { start(4096), kAckStart }, { data(32), kAckData } });
    EXPECT_EQ(sim.finish(), 8) << sim.out();
    EXPECT_NE(sim.out().find("summary (idle timeout)"), std::string::npos) << sim.out();
    EXPECT_NE(sim.out().find("transfer incomplete: 32 of 4096 bytes received"), std::string::npos) << sim.out();
    EXPECT_EQ(readAll(sim.dir() / "partial.bin"), std::string(reinterpret_cast<const char*>(pattern(32).data()), 32));
    EXPECT_FALSE(hasLink(sim.link()));
}

TEST(Sim, SplitStalledAndPacedRepliesTakeTheirTime)
{
    {
        Sim sim({ "--split-reply=40", "--idle-timeout", "0.3" });
        ASSERT_TRUE(sim.open());
        sim.send(start(32));
        EXPECT_EQ(sim.read(2), Bytes({ 0x55, 0x01 }));
        const auto t0 = SteadyClock::now();
        EXPECT_EQ(sim.read(2), Bytes({ 0x10, 0x10 }));
        EXPECT_EQ(sim.read(1), Bytes({ 0xAA }));
        EXPECT_GE(SteadyClock::now() - t0, 40ms); // two pauses of 40 ms
        EXPECT_EQ(sim.finish(), 8);
    }
    {
        Sim sim({ "--stall-reply", "300", "--idle-timeout", "0.5" });
        ASSERT_TRUE(sim.open());
        sim.send(kIdentify);
        Bytes whole = sim.read(20);
        const auto t0 = SteadyClock::now();
        EXPECT_TRUE(sim.read(1, 100).empty()); // still within the pause
        const Bytes rest = sim.read(21, 1000);
        EXPECT_GE(SteadyClock::now() - t0, 200ms);
        whole.insert(whole.end(), rest.begin(), rest.end());
        ASSERT_EQ(whole.size(), 41u);
        EXPECT_EQ(word(whole, 2), 2404u);
        EXPECT_EQ(sim.finish(), 0);
    }
    {
        // 13 request bytes and 41 reply bytes at 9600 baud: 54 ms on a wire.
        Sim sim({ "--baud", "9600", "--idle-timeout", "0.3" });
        ASSERT_TRUE(sim.open());
        const auto t0 = SteadyClock::now();
        EXPECT_EQ(sim.ask(kIdentify, 41).size(), 41u);
        EXPECT_GE(SteadyClock::now() - t0, 54000us);
        EXPECT_EQ(sim.finish(), 0);
    }
}

TEST(Sim, HangsUpAfterKFrames)
{
    Sim sim({ "--hangup-after", "2", "--idle-timeout", "5" });
    ASSERT_TRUE(sim.open());
    EXPECT_EQ(sim.ask(kIdentify, 41).size(), 41u);
    EXPECT_EQ(sim.ask(start(64), 5), kAckStart); // answered, then the line goes
    EXPECT_EQ(sim.finish(3000ms), 8) << sim.out();
    EXPECT_NE(sim.out().find("hung up after 2 frame(s)"), std::string::npos) << sim.out();
    EXPECT_FALSE(hasLink(sim.link()));
    EXPECT_TRUE(sim.read(1, 500).empty());
    EXPECT_TRUE(sim.hungUp());
}

TEST(Sim, EndsOnSignalOrIdleTimeoutAndRemovesItsLink)
{
    Sim signalled({ "--idle-timeout", "0" });
    ASSERT_TRUE(signalled.open());
    EXPECT_TRUE(hasLink(signalled.link()));
    ::kill(signalled.pid(), SIGTERM);
    EXPECT_EQ(signalled.finish(3000ms), 0) << signalled.out();
    EXPECT_NE(signalled.out().find("stopped by signal"), std::string::npos) << signalled.out();
    EXPECT_FALSE(hasLink(signalled.link()));

    Sim idle({ "--idle-timeout", "0.2" });
    ASSERT_TRUE(idle.ready());
    EXPECT_EQ(idle.finish(3000ms), 0) << idle.out();
    EXPECT_NE(idle.out().find("frames: 0"), std::string::npos) << idle.out();
    EXPECT_NE(idle.out().find("image: none"), std::string::npos) << idle.out();
    EXPECT_FALSE(hasLink(idle.link()));
}

TEST(Sim, UsageAndSetUpErrors)
{
    auto run = [](std::vector<std::string> args) {
        auto sim = std::make_unique<Sim>(std::move(args));
        sim->start();
        sim->finish(3000ms);
        return sim;
    };
    for (auto args : std::vector<std::vector<std::string>> { { "--memory", "3M" }, { "--memory", "4294967296" }, { "--drop-ack", "0" },
             { "--frobnicate" }, { "--baud" }, { "--port", "0" }, { "--once=1" }, { "--split-reply=10001" } }) {
        testing::internal::CaptureStderr(); // the child writes to our standard error
        EXPECT_EQ(run(args)->finish(), 64) << args[0];
        // One line that names the option, then the hint to --help.
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(args[0].substr(0, args[0].find('='))), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    }
    const auto help = run({ "--help" });
    EXPECT_EQ(help->finish(), 0);
    EXPECT_NE(help->out().find("16M = 12582912"), std::string::npos);
    EXPECT_NE(help->out().find("--hangup-after K"), std::string::npos);
    // --save into a folder that does not exist: the failure is the exit status.
    const auto save = run({ "--idle-timeout", "0.1", "--save", "/nonexistent-zarn-dir/x.bin" });
    EXPECT_EQ(save->finish(), 74) << save->out();
    EXPECT_NE(save->out().find("saved: FAILED"), std::string::npos) << save->out();
}

TEST(Sim, KeepsALiveLinkAndReplacesADanglingOne)
{
    Sim first({ "--idle-timeout", "2" });
    ASSERT_TRUE(first.open());
    {
        // A second module on the same number in the same folder is refused.
        char tmpl[] = "/tmp/zarn-simtest-XXXXXX";
        const fs::path other = ::mkdtemp(tmpl);
        fs::create_directory_symlink(first.dir(), other / "ports");
        Sim second({ "--idle-timeout", "0.1" }, 7, other);
        second.start();
        EXPECT_EQ(second.finish(3000ms), 73);
        fs::remove_all(other);
    }
    EXPECT_TRUE(hasLink(first.link()));
    ::kill(first.pid(), SIGTERM);
    first.finish(3000ms);

    Sim third({ "--idle-timeout", "0.1" });
    fs::create_symlink("/dev/pts/nonexistent-zarn", third.link());
    ASSERT_TRUE(third.ready());
    EXPECT_NE(fs::read_symlink(third.link()).string(), "/dev/pts/nonexistent-zarn");
    EXPECT_EQ(third.finish(3000ms), 0);
}
