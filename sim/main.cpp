// zarn-sim: a virtual display module on a pseudo-terminal.

#include "link/FrameCodec.h"
#include "link/PortNumbering.h"
#include "platform/PortFolder.h"
#include "sim/ModuleEngine.h"
#include "sim/SimOptions.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <stdlib.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zarn;
using namespace zarn::sim;

namespace {

using Clock = std::chrono::steady_clock;
using Nanos = std::chrono::nanoseconds;

// The signal that ends the process (0: none yet). The main thread takes the
// signals and makes the stop pipe readable, which wakes every module's poll.
std::atomic<int> g_stopSignal { 0 };
int g_stopPipe[2] = { -1, -1 };
std::mutex g_outputLock; // one module's summary at a time

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
    // `unplugAfterTransfer`: end after a completed transfer, to come back fresh.
    Simulator(const SimOptions& options, int port, bool unplugAfterTransfer)
        : m_opt(options)
        , m_port(port)
        , m_unplugAfterTransfer(unplugAfterTransfer)
        , m_engine(options.module)
    {
        if (m_opt.baud)
            m_byteTime = Nanos(10LL * 1000000000LL / m_opt.baud);
    }

    int setUp();
    void run();
    int finish();
    void abandon() { closePty(); }
    bool unplugged() const { return m_unplugged; }

private:
    void handleInput(Clock::time_point now, std::size_t count);
    void sendReply(const Reply& reply, Clock::time_point notBefore);
    void writeAt(const std::uint8_t* data, std::size_t size, Clock::time_point& t);
    void writeBytes(const std::uint8_t* data, std::size_t size);
    void closePty();
    void lingerForReader();

    const SimOptions& m_opt;
    int m_port;
    bool m_unplugAfterTransfer;
    bool m_unplugged = false;
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
    m_linkPath = portLinkPath(m_port);
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
    std::printf("zarn-sim: COM%d -> %s\n", m_port, m_slaveName.c_str());
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
            // Nobody reads the line (EAGAIN) or it failed: like on a wire, the bytes are gone.
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
        } else if (m_unplugAfterTransfer && m_engine.transferComplete()) {
            m_done = m_unplugged = true;
            m_endReason = "unplugged after a completed transfer";
        } else if (m_opt.once && m_engine.transferComplete()) {
            m_done = true;
            m_endReason = "transfer complete";
        }
    }
}

void Simulator::run()
{
    m_lastInput = Clock::now();
    m_lastProgress = m_lastInput;
    m_rxWireFree = m_lastInput;
    std::vector<std::uint8_t> buf(4096);
    const bool idleLimit = m_opt.idleTimeoutSeconds > 0;
    const auto idle = std::chrono::duration_cast<Nanos>(std::chrono::duration<double>(m_opt.idleTimeoutSeconds));

    while (!m_done) {
        if (g_stopSignal) {
            m_endReason = std::string("stopped by signal ") + std::to_string(g_stopSignal.load());
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
        pollfd pfd[2] = { { m_master, POLLIN, 0 }, { g_stopPipe[0], POLLIN, 0 } };
        const int r = ppoll(pfd, 2, &ts, nullptr);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "zarn-sim: poll failed: %s\n", std::strerror(errno));
            m_endReason = "poll failed";
            break;
        }
        if (r == 0 || !(pfd[0].revents & POLLIN))
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
}

int Simulator::finish()
{
    if (m_done)
        lingerForReader(); // ended right after a reply: --once or --hangup-after
    closePty();
    std::vector<std::string> problems;
    int status = m_engine.problems(m_reader.discardedBytes(), &problems);

    std::string saveError;
    const std::string saveFile = m_opt.saveFileFor(m_port);
    if (!saveFile.empty()) {
        const std::string part = saveFile + ".part";
        const auto& image = m_engine.image();
        std::FILE* f = std::fopen(part.c_str(), "wb");
        bool ok = f != nullptr;
        if (ok && !image.empty())
            ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
        if (f && std::fclose(f) != 0)
            ok = false;
        if (ok && std::rename(part.c_str(), saveFile.c_str()) != 0)
            ok = false;
        if (!ok) {
            saveError = std::strerror(errno);
            std::remove(part.c_str());
        }
    }

    const EngineStats& s = m_engine.stats();
    auto u = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
    // Built whole and written at once: several modules may end together.
    std::string text;
    auto say = [&text](const char* format, auto... values) {
        char line[4200];
        std::snprintf(line, sizeof line, format, values...);
        text += line;
    };
    say("zarn-sim: COM%d: summary (%s)\n", m_port, m_endReason.empty() ? "ended" : m_endReason.c_str());
    say("frames: %llu (identify %llu, start %llu, data %llu)\n", u(s.frames), u(s.identifyRequests), u(s.startRequests),
        u(s.dataBlocks));
    say("bytes received: %llu, sent: %llu, not delivered: %llu\n", u(m_bytesIn), u(m_bytesOut), u(m_bytesLost));
    say("replies sent: %llu, acknowledgements dropped: %llu\n", u(m_repliesSent), u(m_acksDropped));
    say("checksum errors: %llu\n", u(s.checksumErrors));
    if (m_engine.transferActive())
        say("image: %llu of %llu bytes%s\n", u(m_engine.image().size()), u(m_engine.announcedSize()),
            m_engine.transferComplete() ? " (complete)" : "");
    else
        say("image: none\n");
    if (!saveFile.empty()) {
        if (saveError.empty())
            say("saved: %s (%llu bytes)\n", saveFile.c_str(), u(m_engine.image().size()));
        else
            say("saved: FAILED %s: %s\n", saveFile.c_str(), saveError.c_str());
    }
    if (problems.empty())
        say("problems: none\n");
    for (const auto& p : problems)
        say("problem: %s\n", p.c_str());
    {
        const std::lock_guard lock(g_outputLock);
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    }
    if (!saveError.empty()) {
        std::fprintf(stderr, "zarn-sim: cannot write %s: %s\n", saveFile.c_str(), saveError.c_str());
        return kExitSaveFailed;
    }
    return status;
}

// The statuses of several modules in one: the worst usage or system failure,
// or every problem bit any of them had.
int combineStatus(int a, int b) { return a >= kExitUsage || b >= kExitUsage ? std::max(a, b) : (a | b); }

// One port: its module, and after each replug a fresh one. The statuses of
// the modules it had, combined.

int servePort(const SimOptions& options, std::unique_ptr<Simulator> sim, int port)
{
    int status = 0;
    for (int replugsLeft = options.replugs;;) {
        sim->run();
        status = combineStatus(status, sim->finish());
        if (!sim->unplugged() || g_stopSignal)
            return status;
        --replugsLeft;
        pollfd stop { g_stopPipe[0], POLLIN, 0 };
        if (::poll(&stop, 1, options.replugPauseMs) != 0)
            return status;
        sim = std::make_unique<Simulator>(options, port, replugsLeft > 0);
        if (const int rc = sim->setUp(); rc != 0) {
            sim->abandon();
            return combineStatus(status, rc);
        }
    }
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

    // Every thread keeps these blocked; the main thread waits for them below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    if (::pipe2(g_stopPipe, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "zarn-sim: cannot make a pipe: %s\n", std::strerror(errno));
        return kExitSystem;
    }
    std::signal(SIGPIPE, SIG_IGN);

    // Pacing sleeps are a few tens of microseconds; the default 50 us slack
    // would add up to a visible share of every round trip.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    for (int port : options.ports)
        if (port > kMaxLinkedPort)
            std::fprintf(stderr, "zarn-sim: note: the tool takes links up to COM%d only; COM%d is for other clients\n",
                kMaxLinkedPort, port);
    // Every link is made before any module runs, so a port that is taken
    // leaves no others behind.
    std::vector<std::unique_ptr<Simulator>> modules;
    for (int port : options.ports) {
        modules.push_back(std::make_unique<Simulator>(options, port, options.replugs > 0));
        if (const int rc = modules.back()->setUp(); rc != 0) {
            for (auto& m : modules)
                m->abandon();
            return rc;
        }
    }
    std::atomic<std::size_t> running { modules.size() };
    std::vector<int> statuses(modules.size(), 0);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < modules.size(); ++i)
        threads.emplace_back([&, i] {
            statuses[i] = servePort(options, std::move(modules[i]), options.ports[i]);
            --running;
        });
    const timespec tick { 0, 50000000 };
    while (running > 0) {
        const int sig = sigtimedwait(&stopSignals, nullptr, &tick);
        if (sig > 0 && g_stopSignal == 0) {
            g_stopSignal = sig;
            (void)!::write(g_stopPipe[1], "x", 1);
        }
    }
    int status = 0;
    for (std::size_t i = 0; i < threads.size(); ++i) {
        threads[i].join();
        status = combineStatus(status, statuses[i]);
    }
    return status;
}
