// The virtual module, run as a subprocess and spoken to through its link with
// plain termios, as a PC would.

#include "link/FrameCodec.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

const Bytes kIdentify = {'K', 'e', 'l', 'v', 'a', 'r', 'o', 'n'};

Bytes frame(std::uint8_t cmd, const Bytes& payload) { return zarn::encodeFrame(cmd, payload); }

Bytes startPayload(std::uint32_t size)
{
    return {0, 0, 0, 0, std::uint8_t(size), std::uint8_t(size >> 8), std::uint8_t(size >> 16), std::uint8_t(size >> 24)};
}

std::uint32_t word(const Bytes& reply, int index)
{
    const std::size_t at = 3 + 4 * static_cast<std::size_t>(index);
    return std::uint32_t(reply[at]) | std::uint32_t(reply[at + 1]) << 8 | std::uint32_t(reply[at + 2]) << 16 |
           std::uint32_t(reply[at + 3]) << 24;
}

const Bytes kAckStart = {0x55, 0x01, 0x10, 0x10, 0xAA};
const Bytes kAckData = {0x55, 0x01, 0x12, 0x12, 0xAA};

struct Exit {
    int status = -1;
    std::string out;
};

// One zarn-sim process with its own port folder; killed if a test leaves it running.
class Sim {
public:
    explicit Sim(std::vector<std::string> args, int port = 7) : m_port(port)
    {
        char tmpl[] = "/tmp/zarn-simtest-XXXXXX";
        m_dir = mkdtemp(tmpl);
        args.insert(args.begin(), {"--port", std::to_string(port)});
        // "@DIR@" in an argument stands for the process's own temporary folder.
        for (auto& a : args)
            if (const auto at = a.find("@DIR@"); at != std::string::npos)
                a.replace(at, 5, m_dir.string());
        m_args = args;
    }
    ~Sim()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    fs::path dir() const { return m_dir; }
    fs::path link() const { return m_dir / ("COM" + std::to_string(m_port)); }
    pid_t pid() const { return m_pid; }

    // Starts the process; returns its first stdout line (empty when none came).
    std::string start()
    {
        int pipefd[2];
        if (::pipe(pipefd) != 0)
            return {};
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(pipefd[1], 1);
            ::close(pipefd[0]);
            ::close(pipefd[1]);
            ::setenv("ZARN_PORT_DIR", m_dir.c_str(), 1);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(ZARN_SIM_PATH));
            for (auto& a : m_args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(ZARN_SIM_PATH, argv.data());
            ::_exit(127);
        }
        ::close(pipefd[1]);
        m_out = pipefd[0];
        std::string line;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char c;
            if (::read(m_out, &c, 1) != 1)
                break;
            if (c == '\n')
                return line;
            line += c;
        }
        return line;
    }

    // Starts the process and opens its link in raw mode.
    bool open()
    {
        const std::string ready = start();
        if (ready.rfind("zarn-sim: COM" + std::to_string(m_port) + " -> /dev/pts/", 0) != 0)
            return false;
        m_fd = ::open(link().c_str(), O_RDWR | O_NOCTTY);
        if (m_fd < 0)
            return false;
        termios tio{};
        tcgetattr(m_fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_fd, TCSANOW, &tio);
        return true;
    }

    void send(const Bytes& bytes) { ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), ssize_t(bytes.size())); }

    // Reads up to `count` bytes, giving up after `timeoutMs` of waiting in all.
    Bytes read(std::size_t count, int timeoutMs = 2000)
    {
        Bytes got;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                break;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0)
                break;
            std::uint8_t buf[256];
            const ssize_t n = ::read(m_fd, buf, std::min(sizeof buf, count - got.size()));
            if (n <= 0) {
                m_hungUp = true;
                break;
            }
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

    Bytes ask(const Bytes& request, std::size_t replySize, int timeoutMs = 2000)
    {
        send(request);
        return read(replySize, timeoutMs);
    }

    bool hungUp() const { return m_hungUp; }

    // Waits for the process to end by itself; kills it after `timeoutMs`.
    Exit wait(int timeoutMs = 5000)
    {
        Exit e;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        int raw = 0;
        for (;;) {
            const pid_t r = ::waitpid(m_pid, &raw, WNOHANG);
            if (r == m_pid)
                break;
            if (Clock::now() >= deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &raw, 0);
                m_pid = -1;
                e.status = -2;
                return e;
            }
            ::usleep(5000);
        }
        m_pid = -1;
        e.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        char buf[512];
        ssize_t n;
        while ((n = ::read(m_out, buf, sizeof buf)) > 0)
            e.out.append(buf, std::size_t(n));
        return e;
    }

private:
    int m_port;
    fs::path m_dir;
    std::vector<std::string> m_args;
    pid_t m_pid = -1;
    int m_out = -1;
    int m_fd = -1;
    bool m_hungUp = false;
};

Bytes pattern(std::size_t size)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = std::uint8_t((i * 31 + i / 256) ^ 0x55);
    return b;
}

Bytes slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool lingeredLink(const fs::path& p) { return fs::is_symlink(fs::symlink_status(p)); }

} // namespace

TEST(Sim, IdentificationReplyCarriesModelFirmwareAndMemory)
{
    struct Case {
        std::vector<std::string> args;
        std::uint32_t firmware, model, memory;
    };
    const Case cases[] = {
        {{}, 12, 2404, 4194304},
        {{"--model", "5008", "--firmware", "3", "--memory", "32M"}, 3, 5008, 16777216},
        {{"--memory", "16M"}, 12, 2404, 12582912},
        {{"--memory", "8M"}, 12, 2404, 8388608},
        {{"--memory", "1000000"}, 12, 2404, 1000000},
    };
    for (const Case& c : cases) {
        auto args = c.args;
        args.insert(args.end(), {"--idle-timeout", "0.3"});
        Sim sim(args);
        ASSERT_TRUE(sim.open());
        const Bytes reply = sim.ask(frame(zarn::CMD_IDENTIFY, kIdentify), 41);
        ASSERT_EQ(reply.size(), 41u);
        EXPECT_EQ(reply[0], 0x55);
        EXPECT_EQ(reply[1], 0x25);
        EXPECT_EQ(reply[2], 0x00);
        EXPECT_EQ(word(reply, 0), c.firmware);
        EXPECT_EQ(word(reply, 2), c.model);
        EXPECT_EQ(word(reply, 5), c.memory);
        const Bytes payload(reply.begin() + 3, reply.begin() + 39);
        EXPECT_EQ(reply, frame(0x00, payload)); // checksum and end byte
        const Exit e = sim.wait();
        EXPECT_EQ(e.status, 0) << e.out;
    }
}

TEST(Sim, TransferIsAcknowledgedSavedAndEndsWithOnce)
{
    Sim real({"--once", "--save", "@DIR@/image.bin", "--idle-timeout", "5"});
    ASSERT_TRUE(real.open());
    const Bytes image = pattern(8192);
    EXPECT_EQ(real.ask(frame(zarn::CMD_PROGRAM_START, startPayload(8192)), 5), kAckStart);
    for (std::size_t at = 0; at < image.size(); at += 32) {
        const Bytes ack = real.ask(frame(zarn::CMD_PROGRAM_DATA, Bytes(image.begin() + long(at), image.begin() + long(at) + 32)), 5);
        ASSERT_EQ(ack, kAckData) << "block at " << at;
    }
    const Exit e = real.wait();
    EXPECT_EQ(e.status, 0) << e.out;
    EXPECT_NE(e.out.find("frames: 257 (identify 0, start 1, data 256)"), std::string::npos) << e.out;
    EXPECT_NE(e.out.find("image: 8192 of 8192 bytes (complete)"), std::string::npos) << e.out;
    EXPECT_NE(e.out.find("problems: none"), std::string::npos) << e.out;
    EXPECT_EQ(slurp(real.dir() / "image.bin"), image);
    EXPECT_FALSE(lingeredLink(real.link()));
}

TEST(Sim, StrictAboutOversizeStartAndDataBeyondTheAnnouncedSize)
{
    {
        Sim sim({"--memory", "4096", "--idle-timeout", "0.3"});
        ASSERT_TRUE(sim.open());
        EXPECT_TRUE(sim.ask(frame(zarn::CMD_PROGRAM_START, startPayload(8192)), 5, 300).empty());
        // Data after a refused start has nowhere to go either.
        EXPECT_TRUE(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(32)), 5, 200).empty());
        const Exit e = sim.wait();
        EXPECT_EQ(e.status, 2 | 4) << e.out;
        EXPECT_NE(e.out.find("larger than the memory (last: 8192 bytes > 4096 bytes)"), std::string::npos) << e.out;
    }
    {
        Sim sim({"--memory", "4096", "--idle-timeout", "0.3"});
        ASSERT_TRUE(sim.open());
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_START, startPayload(4096)), 5), kAckStart); // exactly the memory
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_START, startPayload(40)), 5), kAckStart);   // a restart
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(32)), 5), kAckData);
        EXPECT_TRUE(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(32)), 5, 200).empty()); // 64 > 40
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(8)), 5), kAckData);       // the last 8
        EXPECT_TRUE(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(1)), 5, 200).empty());  // after the end
        const Exit e = sim.wait();
        EXPECT_EQ(e.status, 4 | 8) << e.out; // 8: the first start was abandoned at 0 of 4096
        EXPECT_NE(e.out.find("2 data block(s) beyond the announced size"), std::string::npos) << e.out;
        EXPECT_NE(e.out.find("restarted before completion (last: 0 of 4096 bytes)"), std::string::npos) << e.out;
        EXPECT_NE(e.out.find("image: 40 of 40 bytes (complete)"), std::string::npos) << e.out;
    }
}

TEST(Sim, WrongChecksumIsCountedAndNotActedOn)
{
    Sim sim({"--idle-timeout", "0.3"});
    ASSERT_TRUE(sim.open());
    EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_START, startPayload(64)), 5), kAckStart);
    Bytes bad = frame(zarn::CMD_PROGRAM_DATA, pattern(32));
    bad[35] ^= 0x01;
    EXPECT_TRUE(sim.ask(bad, 5, 200).empty());
    Bytes badId = frame(zarn::CMD_IDENTIFY, kIdentify);
    badId[11] ^= 0x80;
    EXPECT_TRUE(sim.ask(badId, 41, 200).empty());
    // The damaged block was not stored: two good blocks still complete the image.
    EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(32)), 5), kAckData);
    EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(32)), 5), kAckData);
    const Exit e = sim.wait();
    EXPECT_EQ(e.status, 1) << e.out;
    EXPECT_NE(e.out.find("checksum errors: 2"), std::string::npos) << e.out;
    EXPECT_NE(e.out.find("image: 64 of 64 bytes (complete)"), std::string::npos) << e.out;
}

TEST(Sim, ResynchronisesOnNoiseAndReportsIt)
{
    Sim sim({"--idle-timeout", "0.5"});
    ASSERT_TRUE(sim.open());
    // Noise, a frame start with a zero length, a stray start with a length that
    // would swallow the real request, then the request itself.
    Bytes noisy = {0x00, 0xAA, 0x13, 0x55, 0x00, 0x55, 0xFF};
    const Bytes request = frame(zarn::CMD_IDENTIFY, kIdentify);
    noisy.insert(noisy.end(), request.begin(), request.end());
    const Bytes reply = sim.ask(noisy, 41);
    ASSERT_EQ(reply.size(), 41u);
    EXPECT_EQ(word(reply, 2), 2404u);
    // A frame whose end byte is wrong is skipped; the next one is found.
    Bytes broken = frame(zarn::CMD_PROGRAM_START, startPayload(32));
    broken.back() = 0x00;
    const Bytes good = frame(zarn::CMD_PROGRAM_START, startPayload(32));
    broken.insert(broken.end(), good.begin(), good.end());
    EXPECT_EQ(sim.ask(broken, 5), kAckStart);
    // Unknown commands and wrong signatures get no answer.
    EXPECT_TRUE(sim.ask(frame(0x33, {1, 2}), 5, 200).empty());
    EXPECT_TRUE(sim.ask(frame(zarn::CMD_IDENTIFY, {'k', 'e', 'l', 'v', 'a', 'r', 'o', 'n'}), 41, 200).empty());
    const Exit e = sim.wait();
    EXPECT_EQ(e.status, 16 | 8) << e.out; // 8: 0 of the 32 announced bytes
    EXPECT_NE(e.out.find("1 malformed frame(s), 1 frame(s) with an unknown command"), std::string::npos) << e.out;
}

TEST(Sim, IncompleteTransferAtIdleTimeoutSavesWhatArrived)
{
    Sim real({"--idle-timeout", "0.3", "--once", "--save", "@DIR@/partial.bin"});
    const fs::path saved = real.dir() / "partial.bin";
    ASSERT_TRUE(real.open());
    EXPECT_EQ(real.ask(frame(zarn::CMD_PROGRAM_START, startPayload(4096)), 5), kAckStart);
    const Bytes block = pattern(32);
    EXPECT_EQ(real.ask(frame(zarn::CMD_PROGRAM_DATA, block), 5), kAckData);
    const Exit e = real.wait();
    EXPECT_EQ(e.status, 8) << e.out;
    EXPECT_NE(e.out.find("summary (idle timeout)"), std::string::npos) << e.out;
    EXPECT_NE(e.out.find("transfer incomplete: 32 of 4096 bytes received"), std::string::npos) << e.out;
    EXPECT_EQ(slurp(saved), block);
    EXPECT_FALSE(lingeredLink(real.link()));
}

TEST(Sim, DropAckAndWrongAckCode)
{
    {
        Sim sim({"--drop-ack", "2", "--idle-timeout", "0.3"});
        ASSERT_TRUE(sim.open());
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_START, startPayload(96)), 5), kAckStart);
        EXPECT_TRUE(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(32)), 5, 200).empty());
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(32)), 5), kAckData);
        const Exit e = sim.wait();
        EXPECT_NE(e.out.find("acknowledgements dropped: 1"), std::string::npos) << e.out;
        EXPECT_NE(e.out.find("64 of 96 bytes"), std::string::npos) << e.out; // the unacknowledged block was stored
    }
    {
        Sim sim({"--wrong-ack-code", "--idle-timeout", "0.3"});
        ASSERT_TRUE(sim.open());
        EXPECT_EQ(sim.ask(frame(zarn::CMD_IDENTIFY, kIdentify), 41)[2], 0x00); // identification stays right
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_START, startPayload(32)), 5), Bytes({0x55, 0x01, 0x11, 0x11, 0xAA}));
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(32)), 5), Bytes({0x55, 0x01, 0x13, 0x13, 0xAA}));
        EXPECT_EQ(sim.wait().status, 0);
    }
    {
        Sim sim({"--wrong-ack-code=2", "--idle-timeout", "0.3"});
        ASSERT_TRUE(sim.open());
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_START, startPayload(64)), 5), kAckStart);
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(32)), 5), Bytes({0x55, 0x01, 0x13, 0x13, 0xAA}));
        EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_DATA, pattern(32)), 5), kAckData);
        EXPECT_EQ(sim.wait().status, 0);
    }
}

TEST(Sim, SplitStalledAndGarbledReplies)
{
    const Bytes request = frame(zarn::CMD_PROGRAM_START, startPayload(32));
    {
        Sim sim({"--split-reply=40", "--idle-timeout", "0.3"});
        ASSERT_TRUE(sim.open());
        sim.send(request);
        const Bytes head = sim.read(2);
        const auto t0 = Clock::now();
        const Bytes middle = sim.read(2);
        const Bytes tail = sim.read(1);
        const auto spread = Clock::now() - t0;
        EXPECT_EQ(head, Bytes({0x55, 0x01}));
        EXPECT_EQ(middle, Bytes({0x10, 0x10}));
        EXPECT_EQ(tail, Bytes({0xAA}));
        EXPECT_GE(spread, std::chrono::milliseconds(40)); // two pauses of 40 ms
        EXPECT_EQ(sim.wait().status, 8);
    }
    {
        Sim sim({"--stall-reply", "300", "--idle-timeout", "0.5"});
        ASSERT_TRUE(sim.open());
        sim.send(frame(zarn::CMD_IDENTIFY, kIdentify));
        const Bytes first = sim.read(20);
        const auto t0 = Clock::now();
        EXPECT_TRUE(sim.read(1, 100).empty()); // still within the pause
        const Bytes rest = sim.read(21, 1000);
        EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(200));
        Bytes whole = first;
        whole.insert(whole.end(), rest.begin(), rest.end());
        ASSERT_EQ(whole.size(), 41u);
        EXPECT_EQ(word(whole, 2), 2404u);
        EXPECT_EQ(sim.wait().status, 0);
    }
    {
        Sim sim({"--garbage-before-reply", "--idle-timeout", "0.3"});
        ASSERT_TRUE(sim.open());
        EXPECT_EQ(sim.ask(request, 9), Bytes({0xA5, 0x5A, 0xFF, 0x00, 0x55, 0x01, 0x10, 0x10, 0xAA}));
        sim.wait();
    }
}

TEST(Sim, HangsUpAfterKFrames)
{
    Sim sim({"--hangup-after", "2", "--idle-timeout", "5"});
    ASSERT_TRUE(sim.open());
    EXPECT_EQ(sim.ask(frame(zarn::CMD_IDENTIFY, kIdentify), 41).size(), 41u);
    EXPECT_EQ(sim.ask(frame(zarn::CMD_PROGRAM_START, startPayload(64)), 5), kAckStart); // answered, then the line goes
    const Exit e = sim.wait(3000);
    EXPECT_EQ(e.status, 8) << e.out;
    EXPECT_NE(e.out.find("hung up after 2 frame(s)"), std::string::npos) << e.out;
    EXPECT_FALSE(lingeredLink(sim.link()));
    EXPECT_TRUE(sim.read(1, 500).empty());
    EXPECT_TRUE(sim.hungUp());
}

TEST(Sim, BaudPacingTakesTheWireTime)
{
    // 13 request bytes and 41 reply bytes at 9600 baud: 54 ms on a wire.
    Sim sim({"--baud", "9600", "--idle-timeout", "0.3"});
    ASSERT_TRUE(sim.open());
    const auto t0 = Clock::now();
    const Bytes reply = sim.ask(frame(zarn::CMD_IDENTIFY, kIdentify), 41);
    const auto took = Clock::now() - t0;
    EXPECT_EQ(reply.size(), 41u);
    EXPECT_GE(took, std::chrono::microseconds(54000));
    EXPECT_EQ(sim.wait().status, 0);
}

TEST(Sim, EndsOnSignalAndRemovesItsLink)
{
    Sim sim({"--idle-timeout", "0"});
    ASSERT_TRUE(sim.open());
    EXPECT_TRUE(lingeredLink(sim.link()));
    ::kill(sim.pid(), SIGTERM);
    const Exit e = sim.wait(3000);
    EXPECT_EQ(e.status, 0) << e.out;
    EXPECT_NE(e.out.find("stopped by signal"), std::string::npos) << e.out;
    EXPECT_FALSE(lingeredLink(sim.link()));
}

TEST(Sim, IdleTimeoutWithoutAnyInput)
{
    Sim sim({"--idle-timeout", "0.2"});
    ASSERT_EQ(sim.start().rfind("zarn-sim: COM7 -> /dev/pts/", 0), 0u);
    const Exit e = sim.wait(3000);
    EXPECT_EQ(e.status, 0) << e.out;
    EXPECT_NE(e.out.find("frames: 0"), std::string::npos) << e.out;
    EXPECT_NE(e.out.find("image: none"), std::string::npos) << e.out;
    EXPECT_FALSE(lingeredLink(sim.link()));
}

TEST(Sim, UsageAndSetUpErrors)
{
    auto run = [](std::vector<std::string> args) {
        Sim sim(std::move(args));
        sim.start();
        return sim.wait(3000);
    };
    EXPECT_EQ(run({"--memory", "3M"}).status, 64);
    EXPECT_EQ(run({"--memory", "4294967296"}).status, 64);
    EXPECT_EQ(run({"--drop-ack", "0"}).status, 64);
    EXPECT_EQ(run({"--frobnicate"}).status, 64);
    EXPECT_EQ(run({"--baud"}).status, 64);
    EXPECT_EQ(run({"--port", "0"}).status, 64);
    const Exit help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("16M = 12582912"), std::string::npos);
    EXPECT_NE(help.out.find("--hangup-after K"), std::string::npos);

    // --save into a folder that does not exist: the failure is the exit status.
    const Exit save = run({"--idle-timeout", "0.1", "--save", "/nonexistent-zarn-dir/x.bin"});
    EXPECT_EQ(save.status, 74) << save.out;
    EXPECT_NE(save.out.find("saved: FAILED"), std::string::npos) << save.out;
}

TEST(Sim, KeepsALiveLinkAndReplacesADanglingOne)
{
    Sim first({"--idle-timeout", "2"});
    ASSERT_TRUE(first.open());
    // A second module on the same number in the same folder is refused.
    {
        Sim second({"--idle-timeout", "0.1"});
        fs::remove(second.dir());
        fs::create_directory_symlink(first.dir(), second.dir());
        second.start();
        EXPECT_EQ(second.wait(3000).status, 73);
        fs::remove(second.dir());
    }
    EXPECT_TRUE(lingeredLink(first.link()));
    ::kill(first.pid(), SIGTERM);
    first.wait(3000);

    Sim third({"--idle-timeout", "0.1"});
    fs::create_symlink("/dev/pts/nonexistent-zarn", third.link());
    ASSERT_EQ(third.start().rfind("zarn-sim: COM7 -> /dev/pts/", 0), 0u);
    EXPECT_NE(fs::read_symlink(third.link()).string(), "/dev/pts/nonexistent-zarn");
    EXPECT_EQ(third.wait(3000).status, 0);
}

TEST(Sim, SurvivesALongRunOfLineNoise)
{
    Sim sim({"--idle-timeout", "0.5"});
    ASSERT_TRUE(sim.open());
    Bytes noise(3000);
    std::uint32_t seed = 12345;
    for (auto& b : noise) {
        seed = seed * 1103515245u + 12345u;
        b = std::uint8_t(seed >> 16);
    }
    // The noise ends with a stray frame start whose length byte would cover
    // the request; the request still has to be found.
    noise.push_back(0x55);
    noise.push_back(0xF0);
    for (std::size_t at = 0; at < noise.size(); at += 512)
        sim.send(Bytes(noise.begin() + long(at), noise.begin() + long(std::min(noise.size(), at + 512))));
    const Bytes reply = sim.ask(frame(zarn::CMD_IDENTIFY, kIdentify), 41, 3000);
    ASSERT_EQ(reply.size(), 41u);
    EXPECT_EQ(word(reply, 5), 4194304u);
    const Exit e = sim.wait();
    EXPECT_EQ(e.status, 16) << e.out;
    // Every noise byte is skipped and counted, the request is not.
    EXPECT_NE(e.out.find("problem: 3002 noise byte(s), 0 malformed frame(s)"), std::string::npos) << e.out;
}
