// zarn-sim: a virtual display module on a pseudo-terminal.

#include "link/FrameCodec.h"
#include "link/PortFolder.h"
#include "sim/ModuleEngine.h"
#include "sim/SimOptions.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdlib.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace zarn;
using namespace zarn::sim;

namespace {

using Clock = std::chrono::steady_clock;
using Nanos = std::chrono::nanoseconds;

volatile std::sig_atomic_t g_stopSignal = 0;

void onSignal(int sig) { g_stopSignal = sig; }

constexpr std::uint8_t kGarbage[] = { 0xA5, 0x5A, 0xFF, 0x00 };
// A partial frame with no new byte for this long is given up byte by byte.
constexpr auto kStallWindow = std::chrono::milliseconds(100);
constexpr std::size_t kPaceChunk = 8;
constexpr auto kSpinMargin = std::chrono::microseconds(60);

void sleepUntil(Clock::time_point t)
{
    for (;;) {
        const auto now = Clock::now();
        if (now >= t)
            return;
        const auto left = std::chrono::duration_cast<Nanos>(t - now).count();
        timespec ts { static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000) };
        nanosleep(&ts, nullptr);
    }
}

std::string hex(const std::vector<std::uint8_t>& bytes, std::size_t max = 48)
{
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size() && i < max; ++i) {
        std::snprintf(buf, sizeof buf, "%02X ", bytes[i]);
        s += buf;
    }
    if (bytes.size() > max)
        s += "...";
    return s;
}

class Simulator {
public:
    explicit Simulator(const SimOptions& options)
        : m_opt(options)
        , m_engine(options.module)
    {
        if (m_opt.baud)
            m_byteTime = Nanos(10LL * 1000000000LL / m_opt.baud);
    }

    int setUp();
    void run();
    int finish();
    void abandon() { closePty(); }

private:
    void handleInput(Clock::time_point now, std::size_t count);
    void sendReply(const Reply& reply, Clock::time_point notBefore);
    void writeAt(const std::uint8_t* data, std::size_t size, Clock::time_point& t);
    void writeBytes(const std::uint8_t* data, std::size_t size);
    void closePty();
    void lingerForReader();

    const SimOptions& m_opt;
    ModuleEngine m_engine;
    FrameReader m_reader;
    Nanos m_byteTime { 0 };

    int m_master = -1;
    int m_slave = -1;
    std::string m_slaveName;
    std::string m_linkPath;
    bool m_linkMade = false;

    bool m_done = false;
    std::string m_endReason;
    Clock::time_point m_lastInput;
    Clock::time_point m_lastProgress; // last input or last byte given up
    Clock::time_point m_rxWireFree; // when the received bytes would have finished arriving
    std::uint64_t m_bytesIn = 0;
    std::uint64_t m_bytesOut = 0;
    std::uint64_t m_bytesLost = 0;
    std::uint64_t m_repliesSent = 0;
    std::uint64_t m_acks = 0;
    std::uint64_t m_acksDropped = 0;
};

int Simulator::setUp()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        std::fprintf(stderr, "zarn-sim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
        return kExitSystem;
    }
    const char* name = ptsname(m_master);
    if (!name) {
        std::fprintf(stderr, "zarn-sim: cannot name the pseudo-terminal: %s\n", std::strerror(errno));
        return kExitSystem;
    }
    m_slaveName = name;
    // The slave stays open here as well, so the master never sees a hang-up
    // while the PC side has the port closed between detection and programming.
    m_slave = ::open(m_slaveName.c_str(), O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        std::fprintf(stderr, "zarn-sim: cannot open %s: %s\n", m_slaveName.c_str(), std::strerror(errno));
        return kExitSystem;
    }
    termios tio {};
    if (tcgetattr(m_slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        tcsetattr(m_slave, TCSANOW, &tio);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);

    const std::string folder = portFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "zarn-sim: cannot create the port folder %s: %s\n", folder.c_str(), ec.message().c_str());
        return kExitCannotCreate;
    }
    m_linkPath = portLinkPath(m_opt.port);
    struct stat st { };
    if (::lstat(m_linkPath.c_str(), &st) == 0) {
        // A link to a device that still exists may belong to another running
        // module; a dangling one is left over and is replaced.
        if (!S_ISLNK(st.st_mode) || ::access(m_linkPath.c_str(), F_OK) == 0) {
            std::fprintf(stderr, "zarn-sim: %s is already taken\n", m_linkPath.c_str());
            return kExitCannotCreate;
        }
        ::unlink(m_linkPath.c_str());
    }
    if (::symlink(m_slaveName.c_str(), m_linkPath.c_str()) != 0) {
        std::fprintf(stderr, "zarn-sim: cannot create the link %s: %s\n", m_linkPath.c_str(), std::strerror(errno));
        return kExitCannotCreate;
    }
    m_linkMade = true;
    std::printf("zarn-sim: COM%d -> %s\n", m_opt.port, m_slaveName.c_str());
    std::fflush(stdout);
    return 0;
}

// Closing the master hangs the line up and flushes what the PC has not read
// yet, so the last reply is given up to two seconds to be taken first.
void Simulator::lingerForReader()
{
    if (m_slave < 0)
        return;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    int emptyChecks = 0;
    while (Clock::now() < deadline && emptyChecks < 3) {
        int queued = 0;
        if (::ioctl(m_slave, FIONREAD, &queued) != 0)
            return;
        emptyChecks = queued == 0 ? emptyChecks + 1 : 0;
        sleepUntil(Clock::now() + std::chrono::milliseconds(2));
    }
}

void Simulator::closePty()
{
    if (m_linkMade) {
        // Only our own link goes; a newer module may have taken the name.
        char target[4096];
        const ssize_t n = ::readlink(m_linkPath.c_str(), target, sizeof target - 1);
        if (n >= 0 && std::string(target, static_cast<std::size_t>(n)) == m_slaveName)
            ::unlink(m_linkPath.c_str());
        m_linkMade = false;
    }
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
}

void Simulator::writeBytes(const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_master, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                // Nobody reads the line: like on a wire, the bytes are gone.
                m_bytesLost += size;
                return;
            }
            m_bytesLost += size;
            return;
        }
        m_bytesOut += static_cast<std::uint64_t>(n);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Writes `size` bytes starting at time t; with pacing, in chunks of up to
// kPaceChunk bytes, each written when its last byte would have arrived over
// the wire. Advances t past the bytes.
void Simulator::writeAt(const std::uint8_t* data, std::size_t size, Clock::time_point& t)
{
    if (m_byteTime.count() == 0) {
        sleepUntil(t);
        writeBytes(data, size);
        t = std::max(t, Clock::now());
        return;
    }
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t chunk = std::min(kPaceChunk, size - pos);
        t += m_byteTime * static_cast<long>(chunk);
        // Sleep most of the way and spin the rest: a sleep overshoots by tens
        // of microseconds, a visible share of a short acknowledgement.
        sleepUntil(t - kSpinMargin);
        while (Clock::now() < t) { }
        writeBytes(data + pos, chunk);
        pos += chunk;
    }
}

void Simulator::sendReply(const Reply& reply, Clock::time_point notBefore)
{
    std::uint8_t command = reply.command;
    if (reply.kind == ReplyKind::Acknowledgement) {
        const std::uint64_t number = ++m_acks;
        if (m_opt.dropAcks.count(number)) {
            ++m_acksDropped;
            if (m_opt.verbose)
                std::fprintf(
                    stderr, "zarn-sim: acknowledgement %llu dropped\n", static_cast<unsigned long long>(number));
            return;
        }
        if (m_opt.wrongAckCode && (m_opt.wrongAckNumber == 0 || m_opt.wrongAckNumber == number))
            command = static_cast<std::uint8_t>(command + 1);
    }
    std::vector<std::uint8_t> bytes = encodeFrame(command, reply.payload);
    if (m_opt.garbageBeforeReply)
        bytes.insert(bytes.begin(), std::begin(kGarbage), std::end(kGarbage));
    if (m_opt.verbose)
        std::fprintf(stderr, "zarn-sim: reply %s\n", hex(bytes).c_str());

    // Pieces of the reply and the pause before each.
    struct Piece {
        std::size_t begin, end;
        int pauseMs;
    };
    std::vector<Piece> pieces;
    const std::size_t n = bytes.size();
    if (m_opt.splitReply && n >= 4) {
        pieces = { { 0, 2, 0 }, { 2, n - 1, m_opt.splitPauseMs }, { n - 1, n, m_opt.splitPauseMs } };
    } else {
        pieces = { { 0, n, 0 } };
    }
    if (m_opt.stallReplyMs > 0) {
        // Cut the piece that holds the middle of the reply in two.
        const std::size_t mid = n / 2;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (pieces[i].begin < mid && mid < pieces[i].end) {
                const Piece tail { mid, pieces[i].end, m_opt.stallReplyMs };
                pieces[i].end = mid;
                pieces.insert(pieces.begin() + static_cast<long>(i) + 1, tail);
                break;
            }
            if (pieces[i].begin == mid) {
                pieces[i].pauseMs += m_opt.stallReplyMs;
                break;
            }
        }
    }
    Clock::time_point t = std::max(notBefore, Clock::now());
    for (const Piece& p : pieces) {
        t += std::chrono::milliseconds(p.pauseMs);
        writeAt(bytes.data() + p.begin, p.end - p.begin, t);
    }
    ++m_repliesSent;
}

void Simulator::handleInput(Clock::time_point now, std::size_t count)
{
    m_bytesIn += count;
    m_lastProgress = now;
    if (count)
        m_lastInput = now;
    if (m_byteTime.count())
        m_rxWireFree = std::max(m_rxWireFree, now) + m_byteTime * static_cast<long>(count);
    else
        m_rxWireFree = now;
    while (!m_done) {
        auto frame = m_reader.next();
        if (!frame)
            break;
        if (m_opt.verbose)
            std::fprintf(stderr, "zarn-sim: frame cmd %02X, %zu payload bytes%s: %s\n", frame->command,
                frame->payload.size(), frame->checksumOk ? "" : ", WRONG CHECKSUM", hex(frame->payload).c_str());
        const auto reply = m_engine.handle(*frame);
        if (reply)
            sendReply(*reply, m_rxWireFree);
        if (m_opt.hangupAfter && m_engine.stats().frames >= m_opt.hangupAfter) {
            m_done = true;
            m_endReason = "hung up after " + std::to_string(m_opt.hangupAfter) + " frame(s)";
        } else if (m_opt.once && m_engine.transferComplete()) {
            m_done = true;
            m_endReason = "transfer complete";
        }
    }
}

void Simulator::run()
{
    sigset_t block, orig;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGHUP);
    sigprocmask(SIG_BLOCK, &block, &orig);

    m_lastInput = Clock::now();
    m_lastProgress = m_lastInput;
    m_rxWireFree = m_lastInput;
    std::vector<std::uint8_t> buf(4096);
    const bool idleLimit = m_opt.idleTimeoutSeconds > 0;
    const auto idle = std::chrono::duration_cast<Nanos>(std::chrono::duration<double>(m_opt.idleTimeoutSeconds));

    while (!m_done) {
        if (g_stopSignal) {
            m_endReason = std::string("stopped by signal ") + std::to_string(static_cast<int>(g_stopSignal));
            break;
        }
        const auto now = Clock::now();
        if (idleLimit && now - m_lastInput >= idle) {
            m_endReason = "idle timeout";
            break;
        }
        Nanos wait = idleLimit ? idle - (now - m_lastInput) : Nanos(std::chrono::hours(1));
        if (m_reader.hasPartial()) {
            const auto stalledFor = now - m_lastProgress;
            if (stalledFor >= kStallWindow) {
                m_reader.dropStalled();
                handleInput(now, 0);
                continue;
            }
            wait = std::min(wait, std::chrono::duration_cast<Nanos>(kStallWindow - stalledFor));
        }
        timespec ts { static_cast<time_t>(wait.count() / 1000000000), static_cast<long>(wait.count() % 1000000000) };
        pollfd pfd { m_master, POLLIN, 0 };
        const int r = ppoll(&pfd, 1, &ts, &orig);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "zarn-sim: poll failed: %s\n", std::strerror(errno));
            m_endReason = "poll failed";
            break;
        }
        if (r == 0)
            continue;
        for (;;) {
            const ssize_t n = ::read(m_master, buf.data(), buf.size());
            if (n > 0) {
                m_reader.feed(buf.data(), static_cast<std::size_t>(n));
                handleInput(Clock::now(), static_cast<std::size_t>(n));
                if (m_done)
                    break;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break; // EAGAIN: all read
        }
    }
    sigprocmask(SIG_SETMASK, &orig, nullptr);
}

int Simulator::finish()
{
    if (m_done)
        lingerForReader(); // ended right after a reply: --once or --hangup-after
    closePty();
    int status = m_engine.problems(m_reader.discardedBytes(), nullptr);
    std::vector<std::string> problems;
    m_engine.problems(m_reader.discardedBytes(), &problems);

    std::string saveError;
    if (!m_opt.saveFile.empty()) {
        const std::string part = m_opt.saveFile + ".part";
        const auto& image = m_engine.image();
        std::FILE* f = std::fopen(part.c_str(), "wb");
        bool ok = f != nullptr;
        if (ok && !image.empty())
            ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
        if (f && std::fclose(f) != 0)
            ok = false;
        if (ok && std::rename(part.c_str(), m_opt.saveFile.c_str()) != 0)
            ok = false;
        if (!ok) {
            saveError = std::strerror(errno);
            std::remove(part.c_str());
        }
    }

    const EngineStats& s = m_engine.stats();
    auto u = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
    std::printf("zarn-sim: summary (%s)\n", m_endReason.empty() ? "ended" : m_endReason.c_str());
    std::printf("frames: %llu (identify %llu, start %llu, data %llu)\n", u(s.frames), u(s.identifyRequests),
        u(s.startRequests), u(s.dataBlocks));
    std::printf("bytes received: %llu, sent: %llu, not delivered: %llu\n", u(m_bytesIn), u(m_bytesOut), u(m_bytesLost));
    std::printf("replies sent: %llu, acknowledgements dropped: %llu\n", u(m_repliesSent), u(m_acksDropped));
    std::printf("checksum errors: %llu\n", u(s.checksumErrors));
    if (m_engine.transferActive())
        std::printf("image: %llu of %llu bytes%s\n", u(m_engine.image().size()), u(m_engine.announcedSize()),
            m_engine.transferComplete() ? " (complete)" : "");
    else
        std::printf("image: none\n");
    if (!m_opt.saveFile.empty()) {
        if (saveError.empty())
            std::printf("saved: %s (%llu bytes)\n", m_opt.saveFile.c_str(), u(m_engine.image().size()));
        else
            std::printf("saved: FAILED %s: %s\n", m_opt.saveFile.c_str(), saveError.c_str());
    }
    if (problems.empty())
        std::printf("problems: none\n");
    for (const auto& p : problems)
        std::printf("problem: %s\n", p.c_str());
    std::fflush(stdout);
    if (!saveError.empty()) {
        std::fprintf(stderr, "zarn-sim: cannot write %s: %s\n", m_opt.saveFile.c_str(), saveError.c_str());
        return kExitSaveFailed;
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    std::string error;
    const int parsed = parseOptions(argc, argv, options, error);
    if (parsed < 0) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (parsed != 0) {
        std::fprintf(stderr, "zarn-sim: %s\n%s", error.c_str(), "Try zarn-sim --help\n");
        return parsed;
    }

    struct sigaction sa { };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // Pacing sleeps are a few tens of microseconds; the default 50 us slack
    // would add up to a visible share of every round trip.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    Simulator sim(options);
    if (const int rc = sim.setUp(); rc != 0) {
        sim.abandon();
        return rc;
    }
    sim.run();
    return sim.finish();
}
